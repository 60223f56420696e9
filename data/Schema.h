#pragma once

#include <QString>
#include <QStringList>

// The layout of the address-book file, in one place. Text lengths are in characters; every
// column holds text.
namespace txl::schema {

inline constexpr int Version = 1;   // PRAGMA user_version

inline const QString ContactsTable = QStringLiteral("UsersInfo");
inline const QString AccountsTable = QStringLiteral("LoginInfo");

struct ColumnDef {
    QString name;
    int length;
};

// The nine contact columns, in the order the program always uses them.
inline const QList<ColumnDef> ContactColumns = {
    {QStringLiteral("姓名"), 50},     {QStringLiteral("性别"), 10},
    {QStringLiteral("出生日期"), 20}, {QStringLiteral("手机号码"), 20},
    {QStringLiteral("宿舍号码"), 20}, {QStringLiteral("家庭电话"), 20},
    {QStringLiteral("QQ"), 20},       {QStringLiteral("电子邮箱"), 255},
    {QStringLiteral("家庭住址"), 255}};

inline const QList<ColumnDef> AccountColumns = {
    {QStringLiteral("Name"), 50}, {QStringLiteral("Pwd"), 255}};

// The statements that create both tables (used only by the database tool and tests).
QStringList createStatements();
QStringList contactColumnNames();

} // namespace txl::schema
