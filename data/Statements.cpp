#include "data/Statements.h"

#include "platform/text/Pinyin.h"

#include <stdexcept>

namespace txl::sql {

using namespace Qt::StringLiterals;

namespace {

const QString &searchColumn(const QString &column) {
    for (const QString &known : SearchColumns) {
        if (known == column)
            return known;
    }
    throw std::invalid_argument("'" + column.toStdString() + "' is not a search column");
}

QString containsSearch(const QString &column) {
    return AllContacts + u" where "_s + searchColumn(column) + u" like :p1"_s;
}

}   // namespace

QString insertContactStatement() {
    QStringList markers;
    for (int c = 0; c < schema::ContactColumnCount; ++c)
        markers << u':' + contactParameter(schema::Contact(c));
    return u"insert into %1 (%2) values (%3)"_s.arg(schema::ContactsTable, schema::contactColumnNames().join(u','),
                                                    markers.join(u','));
}

QString exactSearch(const QString &column) {
    return AllContacts + u" where "_s + searchColumn(column) + u"=:p1"_s;
}

Search fuzzySearchFor(const QString &column, const QString &text) {
    const QString contains = QStringLiteral("%") + text + QStringLiteral("%");
    if (!PinyinColumns.contains(column) || !text::isPinyinText(text.toStdString()))
        return {containsSearch(column), {{QStringLiteral("p1"), contains}}};
    return {containsSearch(column) + QStringLiteral(" or pinyin_match(:p2, ") + column + QStringLiteral(")"),
            {{QStringLiteral("p1"), contains}, {QStringLiteral("p2"), text}}};
}

}   // namespace txl::sql
