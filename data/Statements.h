#pragma once

#include "data/Schema.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <utility>

// Every statement the program sends, spelled from the schema. User text is always bound as a
// parameter; the only text pasted into a statement is a column name taken from the fixed list of
// search columns.
namespace txl::sql {

inline const QString AllAccounts = QStringLiteral("select * from ") + schema::AccountsTable;
inline const QString AccountByName = QStringLiteral("select * from %1 where %2=:p1")
                                         .arg(schema::AccountsTable, schema::accountColumn(schema::AccountName));
inline const QString AllContacts = QStringLiteral("select * from ") + schema::ContactsTable;
inline const QString ContactByName =
    QStringLiteral("select * from %1 where %2= :p1").arg(schema::ContactsTable, schema::contactColumn(schema::Name));
// "insert into UsersInfo (姓名,…,家庭住址) values (:a,…,:i)": parameter a is the first column.
QString insertContactStatement();
inline const QString InsertContact = insertContactStatement();
// The parameter of InsertContact that carries `column`: "a" for 姓名 … "i" for 家庭住址.
inline QString contactParameter(schema::Contact column) {
    return QString(QChar(u'a' + column));
}
inline const QString UpdatePassword = QStringLiteral("update %1 set %2=:p1 where %3=:p2")
                                          .arg(schema::AccountsTable, schema::accountColumn(schema::AccountPassword),
                                               schema::accountColumn(schema::AccountName));
inline const QString AccountNames =
    QStringLiteral("select %1 from %2").arg(schema::accountColumn(schema::AccountName), schema::AccountsTable);
inline const QString InsertAccount = QStringLiteral("insert into %1(%2,%3) values(:p1,:p2)")
                                         .arg(schema::AccountsTable, schema::accountColumn(schema::AccountName),
                                              schema::accountColumn(schema::AccountPassword));

// The columns the search bar offers, in its order. Nothing else is ever pasted into a statement.
inline const QStringList SearchColumns = {
    schema::contactColumn(schema::Name),      schema::contactColumn(schema::Sex),
    schema::contactColumn(schema::QQ),        schema::contactColumn(schema::Mobile),
    schema::contactColumn(schema::HomePhone), schema::contactColumn(schema::Address)};

// "select * from UsersInfo where <column>=:p1"; throws std::invalid_argument for any column not in
// SearchColumns.
QString exactSearch(const QString &column);

// The search columns whose fuzzy search also finds what is typed in pinyin; the others hold digits
// and Latin text.
inline const QStringList PinyinColumns = {schema::contactColumn(schema::Name), schema::contactColumn(schema::Address)};

// A statement with the values of its named parameters.
struct Search {
    QString statement;
    QList<std::pair<QString, QString>> params;
};

// The fuzzy search for the trimmed search `text` on `column`, the one the main window and
// `txldb export --search` both run: "select * from UsersInfo where <column> like :p1" with
// p1 = "%" + text + "%"; when `column` is one of PinyinColumns and `text` is Latin letters with
// apostrophes and spaces, "… like :p1 or pinyin_match(:p2, <column>)" with p2 = text, so both the
// plain text and its pinyin are found. Throws std::invalid_argument for a column that is not a
// search column.
Search fuzzySearchFor(const QString &column, const QString &text);

}   // namespace txl::sql
