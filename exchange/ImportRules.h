#pragma once

#include "exchange/Records.h"

#include <QList>
#include <QSet>
#include <QString>
#include <QStringList>

// The rules an imported contact passes: the contact dialog's own when it adds one, applied to
// every row of a file, in one place for the main window and txldb.
namespace txl::exchange {

enum class Duplicates {
    Skip,   // a name already in the book, or met earlier in the file, is not added (as the dialog refuses it)
    Add,    // added all the same
};

struct ImportPlan {
    QList<Record> rows;       // to add, in file order, with the values as they are stored
    QList<Problem> skipped;   // duplicates
    QList<Problem> refused;   // rows that break a rule, with the rule
};

// Brings `values` (nine, in column order) into the form they are stored in: every text trimmed,
// the birth date as yyyy-mm-dd, phone numbers without separators and country code, 男/女 for the
// usual words. Returns the reason the row is refused, or an empty text when it passes.
QString checkContact(QStringList &values);

// yyyy-mm-dd, yyyy-m-d, yyyy/m/d, yyyy.m.d, yyyy年m月d日, yyyymmdd or a spreadsheet's day number,
// as yyyy-mm-dd; an empty text stays empty; nullopt when it is no date.
std::optional<QString> normalizeDate(const QString &text);

// 138-0013-8000 → 13800138000, +86 139 1234 5678 → 13912345678: spaces, -, ., parentheses
// dropped and a leading +86 or 0086 removed, when the text is a phone number (digits, separators
// and a leading +). Anything else ("-", "无", an extension in words) is left as written.
QString normalizePhone(const QString &text);

// Checks every record; `namesInBook` are the names the book already holds.
ImportPlan planImport(const QList<Record> &records, const QSet<QString> &namesInBook, Duplicates duplicates);

}   // namespace txl::exchange
