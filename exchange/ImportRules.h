#pragma once

#include "exchange/Records.h"

#include <QList>
#include <QSet>
#include <QString>
#include <QStringList>

#include <optional>
#include <vector>

// The rules an imported contact passes: the contact dialog's own when it adds one, applied to
// every row of a file, in one place for the main window and txldb.
namespace txl::exchange {

enum class Duplicates {
    Skip,   // a name already in the book, or met earlier in the file, is not added (as the dialog refuses it)
    Add,    // added all the same
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

// Brings `values` (nine, in column order) into the form they are stored in: every text trimmed,
// the birth date as yyyy-mm-dd, phone numbers without separators and country code, 男/女 for the
// usual words. Returns the reason the row is refused, or an empty text when it passes.
QString checkContact(QStringList &values);

// Why a value cannot be stored as text: a control character (line breaks only in 家庭住址), a
// noncharacter, or a broken surrogate pair; empty when it can.
QString textProblem(schema::Contact column, QStringView value);

// Where a reader puts the rows it finds: each through the rules, into the result's records in
// stored form or into its refused rows with the reason. It also keeps the first rows as read,
// for a preview.
class Intake {
public:
    explicit Intake(ReadResult &result) : m_result(result) {}
    void add(int line, QStringList values);
    void add(int line, const Utf8Values &values);   // valid UTF-8
    void refuse(int line, const QString &reason);

private:
    ReadResult &m_result;
};

// yyyy-mm-dd, yyyy-m-d, yyyy/m/d, yyyy.m.d, yyyy年m月d日, yyyymmdd or a spreadsheet's day number,
// as yyyy-mm-dd; an empty text stays empty; nullopt when it is no date.
std::optional<QString> normalizeDate(const QString &text);

// 138-0013-8000 → 13800138000, +86 139 1234 5678 → 13912345678: spaces, -, ., parentheses
// dropped and a leading +86 or 0086 removed, when the text is a phone number (digits, separators
// and a leading +). Anything else ("-", "无", an extension in words) is left as written.
QString normalizePhone(const QString &text);

// Decides which records to add; `namesInBook` are the names the book already holds.
ImportPlan planImport(const RecordList &records, const NameSet &namesInBook, Duplicates duplicates);

}   // namespace txl::exchange
