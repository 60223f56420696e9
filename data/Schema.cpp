#include "data/Schema.h"

namespace txl::schema {

using namespace Qt::StringLiterals;

namespace {

struct Table {
    const QString &name;
    const QList<ColumnDef> &columns;
};

QList<Table> tables() {
    return {{ContactsTable, ContactColumns}, {AccountsTable, AccountColumns}};
}

QString checkName(const ColumnDef &c) {
    return u"length of "_s + c.name;
}

// The declared length is what the dataset cuts written text to; the check makes the file refuse
// longer text from an insert as well.
QString checkExpression(const ColumnDef &c) {
    return u"length(%1) <= %2"_s.arg(c.name).arg(c.length);
}

QString tableStatement(const Table &table) {
    QStringList defs;
    for (const ColumnDef &c : table.columns) {
        defs << u"%1 VARCHAR(%2) CONSTRAINT %3 CHECK (%4)"_s.arg(c.name).arg(c.length).arg(
            db::sqlite::quoteIdentifier(checkName(c)), checkExpression(c));
    }
    return u"CREATE TABLE %1 (%2)"_s.arg(table.name, defs.join(u", "_s));
}

QString caption(const ColumnDef &c) {
    return c.caption.isEmpty() ? c.name : c.caption;
}

QString limit(const ColumnDef &c) {
    return u"%1不能超过 %2 个字符"_s.arg(caption(c)).arg(c.length);
}

QString tooLong(const ColumnDef &c) {
    return u"%1太长，不能超过 %2 个字符!"_s.arg(caption(c)).arg(c.length);
}

// Characters as SQLite's length() counts them: a surrogate pair is one.
qsizetype characters(const QString &text) {
    return text.toUcs4().size();
}

}   // namespace

QStringList contactColumnNames() {
    QStringList names;
    for (const ColumnDef &c : ContactColumns)
        names << c.name;
    return names;
}

QStringList createStatements() {
    QStringList statements;
    for (const Table &table : tables())
        statements << tableStatement(table);
    statements << u"PRAGMA user_version = %1"_s.arg(Version);
    return statements;
}

std::map<int, std::function<void(sqlite3 *)>> migrations() {
    return {};   // every version so far has the same layout
}

QString explainCheck(const db::CheckFailure &failure) {
    // "CHECK constraint failed: <what>": the constraint's name, its text, or its table.
    const QString what = failure.message.section(u": "_s, 1, -1);
    for (const Table &table : tables()) {
        for (const ColumnDef &c : table.columns) {
            if (what == checkName(c) || what == checkExpression(c))
                return tooLong(c);
        }
    }
    for (const Table &table : tables()) {
        if (what.compare(table.name, Qt::CaseInsensitive) != 0)
            continue;
        // Only a column that some written value is too long for can be the one.
        QList<ColumnDef> suspects;
        for (const ColumnDef &c : table.columns) {
            for (const QString &value : failure.values) {
                if (characters(value) > c.length) {
                    suspects << c;
                    break;
                }
            }
        }
        if (suspects.size() == 1)
            return tooLong(suspects.first());
        if (!suspects.isEmpty()) {
            QStringList limits;
            for (const ColumnDef &c : std::as_const(suspects))
                limits << limit(c);
            return u"内容太长：%1!"_s.arg(limits.join(u"，或者"_s));
        }
    }
    return u"数据库拒绝保存：不符合它的检查条件（%1）!"_s.arg(what.isEmpty() ? failure.message : what);
}

}   // namespace txl::schema
