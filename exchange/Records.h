#pragma once

#include "data/Schema.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>

#include <array>
#include <deque>
#include <functional>
#include <memory>
#include <stdexcept>
#include <vector>

// What the readers make of a file: the contacts in it, each with the line it came from, the rows
// refused with their reasons, or the reason the file cannot be read at all.
namespace txl::exchange {

// How many rows go between two progress reports.
inline constexpr int ProgressStep = 512;

enum class Format { Csv, Xlsx, Ods, VCard };
enum class Encoding { Utf8, Gb18030 };

QString formatName(Format format);   // "CSV", "Excel 工作簿 (.xlsx)", "OpenDocument 电子表格 (.ods)", "vCard"
QString encodingName(Encoding encoding);   // "UTF-8", "GB18030"

// The nine values of one contact as UTF-8, in the program's column order (txl::schema::Contact).
using Utf8Values = std::array<QByteArrayView, schema::ContactColumnCount>;

// One contact of a RecordList, seen where the list holds it: valid while the list is.
class Record {
public:
    int line = 0;    // the line (CSV, vCard: where the card begins) or row (a sheet's) number, from 1
    int table = 0;   // the table it came from (ReadResult::tables): a workbook's sheet

    QByteArrayView utf8(int column) const;
    QString value(int column) const;
    QStringList values() const;   // all nine; a missing one is empty

private:
    friend class RecordList;
    Utf8Values m_values{};
};

// Contacts read from a file, kept compactly: a file is read whole before anything is stored, and
// a list of millions of short rows must not cost a hundred bytes a row. Each record lies in one
// block of a chain of fixed-size blocks (none is ever moved or grown past its size, so memory is
// what the records take), as its line, a bit for each value that is not empty, and those values'
// lengths and bytes.
class RecordList {
public:
    RecordList();
    RecordList(RecordList &&) noexcept;
    RecordList &operator=(RecordList &&) noexcept;
    ~RecordList();

    qsizetype size() const { return static_cast<qsizetype>(m_starts.size()); }
    bool isEmpty() const { return m_starts.empty(); }
    Record at(qsizetype i) const;
    Record operator[](qsizetype i) const { return at(i); }
    Record first() const { return at(0); }

    void append(int table, int line, const Utf8Values &values);
    void append(int table, int line, const QStringList &values);   // values past the ninth are left out
    // Gives record `i` other values (kept at the end; the old ones stay where they were, unused).
    void replace(qsizetype i, const QStringList &values);
    void clear();

    // The memory the records take.
    qint64 heldBytes() const;

    class const_iterator {
    public:
        using difference_type = qsizetype;
        using value_type = Record;
        const_iterator(const RecordList *list, qsizetype i) : m_list(list), m_i(i) {}
        Record operator*() const { return m_list->at(m_i); }
        const_iterator &operator++() {
            ++m_i;
            return *this;
        }
        bool operator==(const const_iterator &other) const { return m_i == other.m_i; }

    private:
        const RecordList *m_list;
        qsizetype m_i;
    };
    const_iterator begin() const { return {this, 0}; }
    const_iterator end() const { return {this, size()}; }

private:
    // Records are addressed by their offset in the blocks laid end to end. A record longer than a
    // block (none that passed the rules is) gets blocks of its own, the first holding it all.
    static constexpr qsizetype BlockBytes = 1 << 20;
    char *room(qsizetype bytes);

    std::vector<std::unique_ptr<char[]>> m_blocks;
    qsizetype m_used = BlockBytes;   // in the last block: none yet
    std::deque<quint32> m_starts;    // where each record begins
};

// A row that was not taken (or taken with less than it held), and why.
struct Problem {
    int line = 0;
    QString reason;
    int table = 0;
};

// Rows not taken: how many, and the first of them with their reasons. A file of millions of bad
// rows is told in a count; listing them all would only cost memory no window can show.
class ProblemList {
public:
    static constexpr qsizetype Listed = 1000;

    void add(int table, int line, const QString &reason);
    // The same, the reason made only when it is listed.
    template <class F>
    void addLazily(int table, int line, F &&reason) {
        if (m_listed.size() < Listed)
            m_listed.append({line, reason(), table});
        ++m_count;
    }

    qsizetype count() const { return m_count; }
    bool isEmpty() const { return m_count == 0; }
    const QList<Problem> &listed() const { return m_listed; }
    qsizetype unlisted() const { return m_count - m_listed.size(); }

private:
    QList<Problem> m_listed;
    qsizetype m_count = 0;
};

// What a column of a table fills: one of the nine contact columns (a txl::schema::Contact) or a
// part of one that several columns make together (txl::exchange::Part), or nothing (-1).
// `group` is the number of a numbered column ("Phone 2 - Value": 2), which pairs it with its label.
struct ColumnMeaning {
    int target = -1;
    int group = 0;
    bool operator==(const ColumnMeaning &) const = default;
};

// One table of a file: a CSV's, or one sheet of a workbook.
struct Table {
    QString sheet;                   // empty for a CSV
    QString absent;                  // why no contacts were read from it ("没有通讯录表格"), or empty
    int titleLine = 0;               // where its column titles stand
    QStringList titles;              // of each column
    QList<ColumnMeaning> meanings;   // of each column
    qsizetype contacts = 0;          // rows that pass the rules
    qsizetype refused = 0;
};

struct ReadResult {
    Format format = Format::Csv;
    Encoding encoding = Encoding::Utf8;
    // CSV and workbooks: the tables, in file order (a workbook's every sheet, read or not).
    QList<Table> tables;
    // The contacts that pass the import rules, in the form they are stored in.
    RecordList records;
    // The rows that break a rule, with the rule.
    ProblemList refused;
    // Contacts kept with a value left out (a date that cannot be read, a phone number a
    // spreadsheet rounded), with what was left out.
    ProblemList warnings;
    // Rows that are no contacts and were passed over: titles above a table, notes below it.
    ProblemList remarks;
    // The first rows of the file as it holds them (in column order, before the rules), for a preview.
    struct Sample {
        int table = 0;
        int line = 0;
        QStringList values;
        qsizetype record = -1;   // the record it became, when it passed the rules
    };
    QList<Sample> firstRows;
    // When set the file cannot be read as a whole and nothing in it may be imported.
    QString error;

    bool ok() const { return error.isEmpty(); }
};

// How many of the file's rows a preview shows.
inline constexpr int PreviewRows = 20;

// Told how far long work has come (`done` of `total` steps); answers false to stop it.
using Progress = std::function<bool(qint64 done, qint64 total)>;

// Thrown when the user stopped the work through its progress report.
class Cancelled : public std::exception {
public:
    const char *what() const noexcept override { return "cancelled"; }
};

// Reports `done` of `total` every ProgressStep steps; throws Cancelled when told to stop.
inline void reportStep(const Progress &progress, qint64 done, qint64 total) {
    if (progress && done % ProgressStep == 0 && !progress(done, total))
        throw Cancelled();
}

// A file that cannot be written or read, with a message for the user.
class ExchangeError : public std::runtime_error {
public:
    explicit ExchangeError(const QString &message) : std::runtime_error(message.toStdString()), m_message(message) {}
    const QString &message() const { return m_message; }

private:
    QString m_message;
};

// What a reader of a packed format (a workbook) may unpack a file into: the text of the cells it
// keeps, shared text counted at each use, and a little for each row. A workbook of a few
// kilobytes can otherwise ask for gigabytes: one long text used by every row of a sheet.
class ExpansionBudget {
public:
    static constexpr qint64 Base = 8ll << 20;
    static constexpr int PerFileByte = 8;
    static constexpr qint64 PerRow = 16;

    explicit ExpansionBudget(qint64 fileBytes) : m_limit(Base + PerFileByte * fileBytes), m_left(m_limit) {}
    // Counts `bytes` more; throws ExchangeError once the limit is passed.
    void charge(qint64 bytes) {
        m_left -= bytes;
        if (m_left < 0)
            exceeded();
    }

private:
    [[noreturn]] void exceeded() const;

    qint64 m_limit;
    qint64 m_left;
};

// "第12行" and the like, for messages about a place in a file.
QString placeName(int line);
// The same, with the sheet's name when the file has more than one table: "工作表“2班”第12行".
QString placeName(const ReadResult &read, int table, int line);

// What the reader of a table is told beyond the file: how to take columns whose title says
// otherwise, by title (in the form titles are compared in, comparableTitle()), a target or -1
// to leave the column out.
struct ReadOptions {
    QHash<QString, int> targets;
};

}   // namespace txl::exchange
