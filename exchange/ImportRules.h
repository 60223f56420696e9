#pragma once

#include "exchange/Records.h"

#include <QDate>
#include <QList>
#include <QSet>
#include <QString>
#include <QStringList>

#include <optional>
#include <vector>

// The rules an imported contact passes, in one place for every format, the main window and
// txldb. A row is refused only when the book cannot hold it (no name, a value longer than its
// column, text that is no clean text); a value that cannot be read (a birth date, a phone number
// a spreadsheet rounded) costs that value with a warning, never the contact.
namespace txl::exchange {

enum class Duplicates {
    Skip,   // a name already in the book, or met earlier in the file, is not added (as the dialog refuses it)
    Add,    // added all the same
};

// What a birth date as written says.
struct DateReading {
    enum Kind {
        Empty,
        Complete,     // `date`
        Incomplete,   // a year and a month, a day and a month (2008.03, --11-20, 0/0/00)
        Unreadable,   // no date, or a day that never was
        Ambiguous,    // 3/5/2008: the 3rd of May or the 5th of March; `first`, `second`, `year`
    };
    Kind kind = Empty;
    QDate date;
    int first = 0, second = 0, year = 0;
    // For a date written day and month with the year last that the numbers settle (25/3/2008 is
    // day first): +1 when the day came first, -1 when the month did, 0 otherwise.
    int dayFirst = 0;
};

// yyyy-mm-dd, yyyy/m/d, yyyy.m.d, yyyy年m月d日, yyyymmdd, with a time of day after it or not,
// d/m/yyyy or m/d/yyyy, d.m.yyyy, or a spreadsheet's day number.
DateReading readDate(const QString &text);

// 138-0013-8000 → 13800138000, +86 139 1234 5678 → 13912345678, +86 27 8765 4321 → 02787654321:
// spaces, -, ., parentheses dropped, a leading +86 or 0086 removed (keeping the trunk 0 of an
// area code), full-width digits made ASCII, an extension kept after a hyphen; when the text is a
// phone number (digits, separators, a leading + and an extension). Anything else ("-", "无") is
// left as written.
QString normalizePhone(const QString &text);

// What the rules make of one row.
struct Checked {
    QString refusal;        // why the row is refused; empty when it passes
    QStringList warnings;   // what was left out of it
    // A birth date whose order of day and month the row alone does not settle (left empty here).
    std::optional<DateReading> ambiguousBirth;
    QString ambiguousText;
    int dayFirst = 0;   // what the birth date shows of the file's order of day and month
};

// Brings `values` (nine, in column order) into the form they are stored in: every text trimmed,
// spaces between Chinese characters of a name dropped, the birth date as yyyy-mm-dd, phone
// numbers as above, 男/女 for the usual words.
Checked checkContact(QStringList &values);

// Why a value cannot be stored as text: a control character (line breaks only in 家庭住址), a
// noncharacter, or a broken surrogate pair; empty when it can.
QString textProblem(schema::Contact column, QStringView value);

// An address in parts as people write it: Chinese from the largest part down without
// separators, others street first, separated by commas.
QString addressFromParts(const QString &street, const QString &extended, const QString &city, const QString &region,
                         const QString &postcode, const QString &country);

// Puts phone numbers with their labels (as an address book writes them: "Mobile", "Home",
// "Work", "手机"; a vCard's types) into 手机号码 and 家庭电话 where these are still empty: mobile
// numbers into the first, home numbers into the second, numbers of no kind into whichever is
// free; a work number into neither. The first of several of a kind wins.
void placePhones(const QList<std::pair<QString, QString>> &labelledNumbers, QStringList &values);

// Where a reader puts the rows it finds: each through the rules, into the result's records in
// stored form or into its refused rows with the reason, its warnings noted. It also keeps the
// first rows as read, for a preview. A birth date whose day and month only the other rows of
// the file can tell apart is settled at the end (finish()).
class Intake {
public:
    explicit Intake(ReadResult &result) : m_result(result) {}
    void add(int table, int line, QStringList values);
    void add(int table, int line, const Utf8Values &values);   // valid UTF-8
    void refuse(int table, int line, const QString &reason);
    void warn(int table, int line, const QString &warning);
    void finish();

private:
    void take(int table, int line, const QStringList &read, QStringList &stored, const Utf8Values *utf8);

    struct Pending {
        qsizetype record;
        DateReading date;
        QString text;
    };
    ReadResult &m_result;
    std::vector<Pending> m_pending;
    bool m_dayFirstSeen = false;
    bool m_monthFirstSeen = false;
};

// The names a book holds, as UTF-8 exactly as stored.
using NameSet = QSet<QByteArray>;

// Which of a file's records an import adds.
struct ImportPlan {
    std::vector<bool> skip;   // per record: a duplicate, left out
    qsizetype rows = 0;       // how many are added
    ProblemList skipped;      // the duplicates, with the earlier row or the book

    bool adds(qsizetype record) const { return !skip[static_cast<std::size_t>(record)]; }
};

// Decides which records to add; `namesInBook` are the names the book already holds.
ImportPlan planImport(const ReadResult &read, const NameSet &namesInBook, Duplicates duplicates);

}   // namespace txl::exchange
