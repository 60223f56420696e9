#include "data/Statements.h"

#include "platform/text/Pinyin.h"

#include <stdexcept>

namespace txl::sql {

namespace {

const QString &searchColumn(const QString &column) {
    for (const QString &known : SearchColumns) {
        if (known == column)
            return known;
    }
    throw std::invalid_argument("'" + column.toStdString() + "' is not a search column");
}

} // namespace

QString exactSearch(const QString &column) {
    return QStringLiteral("select * from UsersInfo where ") + searchColumn(column) +
           QStringLiteral("=:p1");
}

QString fuzzySearch(const QString &column) {
    return QStringLiteral("select * from UsersInfo where ") + searchColumn(column) +
           QStringLiteral(" like :p1");
}

Search fuzzySearchFor(const QString &column, const QString &text) {
    const QString contains = QStringLiteral("%") + text + QStringLiteral("%");
    if (!PinyinColumns.contains(column) || !text::isPinyinText(text.toStdString()))
        return {fuzzySearch(column), {{QStringLiteral("p1"), contains}}};
    return {fuzzySearch(column) + QStringLiteral(" or pinyin_match(:p2, ") + column + QStringLiteral(")"),
            {{QStringLiteral("p1"), contains}, {QStringLiteral("p2"), text}}};
}

} // namespace txl::sql
