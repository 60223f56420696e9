#pragma once

#include "data/Schema.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <QString>
#include <QStringEncoder>
#include <QStringList>

#include <array>
#include <functional>
#include <stdexcept>

// What the readers make of a file: the contacts in it, each with the line it came from, or the
// reason the file cannot be read at all.
namespace txl::exchange {

// How many rows go between two progress reports.
inline constexpr int ProgressStep = 512;

enum class Format { Csv, Xlsx, VCard };
enum class Encoding { Utf8, Gb18030 };

QString formatName(Format format);         // "CSV", "Excel 工作簿 (.xlsx)", "vCard"
QString encodingName(Encoding encoding);   // "UTF-8", "GB18030"

// One contact as a file holds it: the nine values in the program's column order
// (txl::schema::Contact). A file is read whole before anything is stored, so the values are kept
// compactly, as UTF-8 one after the other in one block: 100,000 contacts as a million strings of
// their own would take three times the memory, and fresh memory is slow to come by.
class Record {
public:
    Record() = default;
    Record(int lineNumber, const QStringList &values);   // values past the ninth are left out

    int line = 0;   // the line (CSV, vCard: where the card begins) or row (.xlsx) number, from 1

    QStringList values() const;   // all nine; a missing one is empty
    QString value(int column) const;
    QByteArrayView utf8(int column) const;

    // Collects a record's values in column order (nine at most), then makes it, its block exactly
    // as long as its values; the builder's own room serves the next one.
    class Builder {
    public:
        void add(QStringView value);
        void add(QByteArrayView utf8);
        Record take(int lineNumber);

    private:
        QByteArray m_utf8;
        std::array<quint32, schema::ContactColumnCount> m_ends{};
        int m_count = 0;
        QStringEncoder m_encoder{QStringEncoder::Utf8, QStringEncoder::Flag::Stateless};
    };

private:
    QByteArray m_utf8;
    std::array<quint32, schema::ContactColumnCount> m_ends{};   // where each value ends in m_utf8
};

}   // namespace txl::exchange

// Its members move as bytes: a list of 100,000 records grows without moving them one by one.
Q_DECLARE_TYPEINFO(txl::exchange::Record, Q_RELOCATABLE_TYPE);

namespace txl::exchange {

// A row that was not taken, and why.
struct Problem {
    int line = 0;
    QString reason;
};

struct ReadResult {
    Format format = Format::Csv;
    Encoding encoding = Encoding::Utf8;
    // CSV and .xlsx: the titles of the file's columns and, for each, the contact column it fills
    // (a txl::schema::Contact) or -1 when it fills none.
    QStringList titles;
    QList<int> mapping;
    QStringList ignoredColumns;
    QList<Record> records;
    // When set the file cannot be read as a whole and nothing in it may be imported.
    QString error;

    bool ok() const { return error.isEmpty(); }
};

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

// "第12行" and the like, for messages about a place in a file.
QString placeName(int line);

}   // namespace txl::exchange
