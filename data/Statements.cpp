#include "data/Statements.h"

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

} // namespace txl::sql
