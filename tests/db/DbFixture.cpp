#include "tests/db/DbFixture.h"

#include <sqlite3.h>

#include <QDir>
#include <QFile>
#include <QTest>

#include <memory>
#include <stdexcept>

namespace txl::test {

using namespace Qt::StringLiterals;

const QByteArray DbFixture::Key = QByteArrayLiteral("a58204617392");

namespace {

struct Closer {
    void operator()(sqlite3 *db) const noexcept { sqlite3_close_v2(db); }
};
using Handle = std::unique_ptr<sqlite3, Closer>;

Handle openRaw(const QString &file, const QByteArray &key, int flags) {
    sqlite3 *raw = nullptr;
    const int rc = sqlite3_open_v2(QFile::encodeName(file).constData(), &raw, flags, nullptr);
    Handle db(raw);
    if (rc != SQLITE_OK)
        throw std::runtime_error(sqlite3_errstr(rc));
    if (!key.isEmpty())
        sqlite3_key(db.get(), key.constData(), static_cast<int>(key.size()));
    sqlite3_busy_timeout(db.get(), 5000);
    return db;
}

void execRaw(sqlite3 *db, const QString &sql) {
    char *error = nullptr;
    if (sqlite3_exec(db, sql.toUtf8().constData(), nullptr, nullptr, &error) != SQLITE_OK) {
        const std::string message = error ? error : "error";
        sqlite3_free(error);
        throw std::runtime_error(message + " in: " + sql.toStdString());
    }
}

}   // namespace

QStringList DbFixture::schema() {
    return {u"CREATE TABLE UsersInfo (姓名 VARCHAR(10), 性别 VARCHAR(2), 家庭住址 VARCHAR(50), "
            "电子邮箱 TEXT)"_s,
            u"CREATE TABLE LoginInfo (Name VARCHAR(50), Pwd VARCHAR(255))"_s,
            u"CREATE TABLE Crash (id INTEGER, payload TEXT)"_s};
}

DbFixture::DbFixture(bool tables) {
    if (!m_dir.isValid())
        throw std::runtime_error("no temporary folder");
    QDir(m_dir.path()).mkpath(u"DataBase"_s);
    if (tables)
        create(path(), Key, schema());
}

QString DbFixture::path() const {
    return m_dir.filePath(u"DataBase/txl.mdb"_s);
}

db::Connection::Settings DbFixture::settings() const {
    return {path(), Key, {u"UsersInfo"_s, u"LoginInfo"_s}, 5000};
}

void DbFixture::create(const QString &file, const QByteArray &key, const QStringList &statements) {
    Handle db = openRaw(file, key, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE);
    for (const QString &sql : statements)
        execRaw(db.get(), sql);
}

void DbFixture::Closer::operator()(sqlite3 *db) const noexcept {
    sqlite3_close_v2(db);
}

sqlite3 *DbFixture::handle() const {
    if (!m_db)
        m_db.reset(openRaw(path(), Key, SQLITE_OPEN_READWRITE).release());
    return m_db.get();
}

void DbFixture::exec(const QString &sql) const {
    execRaw(handle(), sql);
}

void DbFixture::addContacts(int count) const {
    static const QStringList names = {u"甲"_s, u"乙"_s, u"丙"_s, u"丁"_s};
    for (int i = 0; i < count; ++i)
        exec(u"insert into UsersInfo values ('%1', '男', '北京市海淀区%2号', 'c%2@example.cn')"_s.arg(names.at(i))
                 .arg(i));
}

QString DbFixture::dump(const QString &sql) const {
    sqlite3 *db = handle();
    sqlite3_stmt *raw = nullptr;
    if (sqlite3_prepare_v2(db, sql.toUtf8().constData(), -1, &raw, nullptr) != SQLITE_OK)
        throw std::runtime_error(sqlite3_errmsg(db));
    std::unique_ptr<sqlite3_stmt, decltype(&sqlite3_finalize)> stmt(raw, &sqlite3_finalize);
    QStringList rows;
    while (sqlite3_step(stmt.get()) == SQLITE_ROW) {
        QStringList cells;
        for (int c = 0; c < sqlite3_column_count(stmt.get()); ++c) {
            if (sqlite3_column_type(stmt.get(), c) == SQLITE_NULL)
                cells << u"<null>"_s;
            else
                cells << QString::fromUtf8(reinterpret_cast<const char *>(sqlite3_column_text(stmt.get(), c)),
                                           sqlite3_column_bytes(stmt.get(), c));
        }
        rows << cells.join(u'|');
    }
    return rows.join(u'\n');
}

QByteArray DbFixture::bytes() const {
    QFile file(path());
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.readAll();
}

QueryFixture::QueryFixture(int contacts) : con(settings()), q(con, u"query"_s) {
    addContacts(contacts);
}

db::Query &QueryFixture::open(const QString &sql) {
    q.setSql(sql);
    q.open();
    return q;
}

}   // namespace txl::test
