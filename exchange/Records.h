#pragma once

#include "data/Schema.h"

#include <QByteArray>
#include <QByteArrayView>
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

enum class Format { Csv, Xlsx, VCard };
enum class Encoding { Utf8, Gb18030 };

QString formatName(Format format);         // "CSV", "Excel 工作簿 (.xlsx)", "vCard"
QString encodingName(Encoding encoding);   // "UTF-8", "GB18030"

// The nine values of one contact as UTF-8, in the program's column order (txl::schema::Contact).
using Utf8Values = std::array<QByteArrayView, schema::ContactColumnCount>;

// One contact of a RecordList, seen where the list holds it: valid while the list is.
class Record {
public:
    int line = 0;   // the line (CSV, vCard: where the card begins) or row (.xlsx) number, from 1

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

    void append(int line, const Utf8Values &values);
    void append(int line, const QStringList &values);   // values past the ninth are left out
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

// A row that was not taken, and why.
struct Problem {
    int line = 0;
    QString reason;
};

// Rows not taken: how many, and the first of them with their reasons. A file of millions of bad
// rows is told in a count; listing them all would only cost memory no window can show.
class ProblemList {
public:
    static constexpr qsizetype Listed = 1000;

    void add(int line, const QString &reason);
    // The same, the reason made only when it is listed.
    template <class F>
    void addLazily(int line, F &&reason) {
        if (m_listed.size() < Listed)
            m_listed.append({line, reason()});
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

struct ReadResult {
    Format format = Format::Csv;
    Encoding encoding = Encoding::Utf8;
    // CSV and .xlsx: the titles of the file's columns and, for each, the contact column it fills
    // (a txl::schema::Contact) or -1 when it fills none.
    QStringList titles;
    QList<int> mapping;
    QStringList ignoredColumns;
    // The contacts that pass the import rules, in the form they are stored in.
    RecordList records;
    // The rows that break a rule, with the rule.
    ProblemList refused;
    // The first rows of the file as it holds them (in column order, before the rules), for a preview.
    QList<QStringList> firstRows;
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

}   // namespace txl::exchange
