#pragma once

#include "platform/db/Connection.h"

#include <QDate>
#include <QList>
#include <QString>
#include <QStringList>

#include <functional>
#include <map>

// The layout of the address-book file, in one place. Declared lengths are in characters; entry
// limits are in bytes of the text's GB18030 form, as the contact dialog counts them; every column
// holds text.
namespace txl::schema {

inline constexpr int Version = 1;   // PRAGMA user_version

inline const QString ContactsTable = QStringLiteral("UsersInfo");
inline const QString AccountsTable = QStringLiteral("LoginInfo");

// The administrator account: compared exactly, letter case and spaces included.
inline const QString Administrator = QStringLiteral("chief");

// The birth dates the contact dialog's picker can show, and so the ones a contact can hold.
inline const QDate FirstBirthDate{1601, 1, 1};
inline const QDate LastBirthDate{9999, 12, 31};

struct ColumnDef {
    QString name;
    int length;             // declared length, in characters
    int entryLimit = 0;     // what the dialog lets a user type, in GB18030 bytes; 0 = no limit
    QString caption = {};   // what a message calls it; empty: its name
};

// Positions in ContactColumns (the order of the insert statement, the list, the dialog, the report).
enum Contact : int { Name, Sex, Birth, Mobile, Dormitory, HomePhone, QQ, Email, Address, ContactColumnCount };

// The nine contact columns, in the order the program always uses them.
inline const QList<ColumnDef> ContactColumns = {
    {QStringLiteral("姓名"), 50, 10},     {QStringLiteral("性别"), 10, 0},      {QStringLiteral("出生日期"), 20, 0},
    {QStringLiteral("手机号码"), 20, 11}, {QStringLiteral("宿舍号码"), 20, 12}, {QStringLiteral("家庭电话"), 20, 11},
    {QStringLiteral("QQ"), 20, 11},       {QStringLiteral("电子邮箱"), 255, 0}, {QStringLiteral("家庭住址"), 255, 50}};

// Positions in AccountColumns.
enum Account : int { AccountName, AccountPassword, AccountColumnCount };

inline const QList<ColumnDef> AccountColumns = {{QStringLiteral("Name"), 50, 0, QStringLiteral("用户名")},
                                                {QStringLiteral("Pwd"), 255, 0, QStringLiteral("密码")}};

inline const QString &contactColumn(Contact c) {
    return ContactColumns[c].name;
}
inline const QString &accountColumn(Account c) {
    return AccountColumns[c].name;
}
QStringList contactColumnNames();

// The statements that create both tables (used only by the database tool and tests).
QStringList createStatements();

// Steps that bring a file of an older version up to Version (see Connection::Settings).
std::map<int, std::function<void(sqlite3 *)>> migrations();

// What a refused length check means, in the user's words: which column is too long and its limit.
// Knows the checks by the names createStatements() gives them, by their text (which later SQLite
// versions name for an unnamed check) and, for the unnamed checks of older files, by their table
// together with the values that were written.
QString explainCheck(const db::CheckFailure &failure);

}   // namespace txl::schema
