#include "data/Schema.h"

namespace txl::schema {

namespace {

QString tableStatement(const QString &table, const QList<ColumnDef> &columns) {
    QStringList defs;
    for (const ColumnDef &c : columns) {
        // The declared length is what the dataset cuts written text to; the check makes the file
        // refuse longer text from an insert as well.
        defs << QStringLiteral("%1 VARCHAR(%2) CHECK (length(%1) <= %2)").arg(c.name).arg(c.length);
    }
    return QStringLiteral("CREATE TABLE %1 (%2)").arg(table, defs.join(QStringLiteral(", ")));
}

} // namespace

QStringList createStatements() {
    return {tableStatement(ContactsTable, ContactColumns),
            tableStatement(AccountsTable, AccountColumns),
            QStringLiteral("PRAGMA user_version = %1").arg(Version)};
}

QStringList contactColumnNames() {
    QStringList names;
    for (const ColumnDef &c : ContactColumns)
        names << c.name;
    return names;
}

} // namespace txl::schema
