#include "data/U2.h"

#include "data/PinyinFunction.h"
#include "data/Schema.h"

#include <algorithm>

TDataModule1 *DataModule1 = nullptr;

const QString TDataModule1::DatabasePath = QStringLiteral("DataBase/txl.mdb");
const QByteArray TDataModule1::DatabaseKey = QByteArrayLiteral("a58204617392");

txl::db::Connection::Settings TDataModule1::connectionSettings(const QString &path) {
    using namespace txl;
    return {path,
            TDataModule1::DatabaseKey,
            {schema::ContactsTable, schema::AccountsTable},
            5000,
            schema::Version,
            schema::migrations(),
            schema::explainCheck,
            data::registerPinyinMatch};
}

TDataModule1::TDataModule1(QObject *parent) : TDataModule1(DatabasePath, parent) {}

TDataModule1::TDataModule1(const QString &path, QObject *parent)
    : QObject(parent),
      con(connectionSettings(path)),
      query(con, QStringLiteral("query")),
      query_pwd(con, QStringLiteral("query_pwd")),
      query_shezhi(con, QStringLiteral("query_shezhi")) {
    setObjectName(QStringLiteral("DataModule1"));
    // The design statements, replaced by every user before anything runs.
    query.setSql(QStringLiteral("select  * from ") + txl::schema::ContactsTable);
    query_pwd.setSql(QStringLiteral("select * from ") + txl::schema::AccountsTable);
    query_shezhi.setSql(QStringLiteral("select * from ") + txl::schema::AccountsTable);
}

namespace {

void prepare(txl::db::Query &q, const QString &statement, const QList<std::pair<QString, QString>> &params) {
    q.close();
    q.clearSql();
    q.addSql(statement);
    for (const auto &[name, value] : params)
        q.setParam(name, value);
}

}   // namespace

void TDataModule1::reload(txl::db::Query &q, const QString &statement,
                          const QList<std::pair<QString, QString>> &params) {
    prepare(q, statement, params);
    q.open();
}

void TDataModule1::reloadExec(txl::db::Query &q, const QString &statement,
                              const QList<std::pair<QString, QString>> &params) {
    prepare(q, statement, params);
    q.execSql();
}

TDataModule1::Shown TDataModule1::shown(const txl::db::Query &q) {
    return {q.sql(), q.parameters(), q.isActive(), q.currentRow()};
}

void TDataModule1::restore(txl::db::Query &q, const Shown &shown) {
    q.close();
    q.clearSql();   // no value of the statement in between survives
    for (const QString &line : shown.sql)
        q.addSql(line);
    for (const txl::db::Parameter &p : shown.parameters) {
        if (p.value)
            q.setParam(p.name, *p.value);
    }
    if (!shown.active)
        return;
    q.open();
    if (shown.row >= 0 && q.recordCount() > 0)
        q.moveTo(std::min(shown.row, q.recordCount() - 1));
}

QStringList TDataModule1::columnTexts(txl::db::Query &q, const QString &field) {
    QStringList texts;
    q.first();
    const int rows = q.recordCount();
    for (int i = 0; i < rows; ++i) {
        texts << q.fieldByName(field);
        q.next();
    }
    return texts;
}
