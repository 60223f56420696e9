#pragma once

#include <QList>
#include <QString>
#include <QStringList>

#include <utility>

// Every statement the program sends. User text is always bound as a parameter; the only text
// pasted into a statement is a column name taken from the fixed list of search columns.
namespace txl::sql {

inline const QString AllAccounts = QStringLiteral("select * from LoginInfo");
inline const QString AccountByName = QStringLiteral("select * from LoginInfo where Name=:p1");
inline const QString AllContacts = QStringLiteral("select * from UsersInfo");
inline const QString ContactByName = QStringLiteral("select * from UsersInfo where 姓名= :p1");
inline const QString InsertContact = QStringLiteral(
    "insert into UsersInfo (姓名,性别,出生日期,手机号码,宿舍号码,家庭电话,QQ,电子邮箱,家庭住址) "
    "values (:a,:b,:c,:d,:e,:f,:g,:h,:i)");
inline const QString UpdatePassword = QStringLiteral("update LoginInfo set Pwd=:p1 where Name=:p2");
inline const QString AccountNames = QStringLiteral("select Name from LoginInfo");
inline const QString InsertAccount = QStringLiteral("insert into LoginInfo(Name,Pwd) values(:p1,:p2)");

// The columns the search bar offers, in its order. Nothing else is ever pasted into a statement.
inline const QStringList SearchColumns = {
    QStringLiteral("姓名"), QStringLiteral("性别"), QStringLiteral("QQ"),
    QStringLiteral("手机号码"), QStringLiteral("家庭电话"), QStringLiteral("家庭住址")};

// "select * from UsersInfo where <column>=:p1"; throws std::invalid_argument for any column not in
// SearchColumns.
QString exactSearch(const QString &column);
// "select * from UsersInfo where <column> like :p1"; same rule.
QString fuzzySearch(const QString &column);

// The search columns whose fuzzy search also finds what is typed in pinyin; the others hold digits
// and Latin text.
inline const QStringList PinyinColumns = {QStringLiteral("姓名"), QStringLiteral("家庭住址")};

// A statement with the values of its named parameters.
struct Search {
    QString statement;
    QList<std::pair<QString, QString>> params;
};

// The fuzzy search for the trimmed search `text` on `column`: fuzzySearch(column) with
// p1 = "%" + text + "%"; when `column` is one of PinyinColumns and `text` is Latin letters with
// apostrophes and spaces, "select * from UsersInfo where <column> like :p1 or
// pinyin_match(:p2, <column>)" with p2 = text, so both the plain text and its pinyin are found.
// Throws std::invalid_argument for a column that is not a search column.
Search fuzzySearchFor(const QString &column, const QString &text);

} // namespace txl::sql
