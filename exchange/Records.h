#pragma once

#include <QList>
#include <QString>
#include <QStringList>

#include <functional>
#include <stdexcept>

// What the readers make of a file: the contacts in it, each with the line it came from, or the
// reason the file cannot be read at all.
namespace txl::exchange {

// How many rows go between two progress reports.
inline constexpr int ProgressStep = 512;

enum class Format { Csv, Xlsx, VCard };
enum class Encoding { Utf8, Gb18030 };

QString formatName(Format format);       // "CSV", "Excel 工作簿 (.xlsx)", "vCard"
QString encodingName(Encoding encoding); // "UTF-8", "GB18030"

// One contact as a file holds it: the nine values in the program's column order
// (txl::schema::Contact), not yet trimmed or checked.
struct Record {
    int line = 0;   // the line (CSV, vCard: where the card begins) or row (.xlsx) number, from 1
    QStringList values;
};

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

// A file that cannot be written or read, with a message for the user.
class ExchangeError : public std::runtime_error {
public:
    explicit ExchangeError(const QString &message)
        : std::runtime_error(message.toStdString()), m_message(message) {}
    const QString &message() const { return m_message; }

private:
    QString m_message;
};

// "第12行" and the like, for messages about a place in a file.
QString placeName(Format format, int line);

} // namespace txl::exchange
