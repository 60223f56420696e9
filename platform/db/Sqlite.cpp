#include "platform/db/Sqlite.h"

#include "platform/db/DbError.h"

#include <QFile>

#include <limits>

namespace txl::db::sqlite {

void raise(sqlite3 *db, int rc) {
    // The handle's message and extended code belong to the last call on it; fall back to the
    // code's generic text when that call was not the one that failed.
    const int primary = rc & 0xff;
    const bool fromHandle = db && (sqlite3_errcode(db) & 0xff) == primary;
    const char *text = fromHandle ? sqlite3_errmsg(db) : sqlite3_errstr(rc);
    throw DbError(QString::fromUtf8(text), primary, fromHandle ? sqlite3_extended_errcode(db) : rc);
}

void check(sqlite3 *db, int rc) {
    if (rc != SQLITE_OK && rc != SQLITE_ROW && rc != SQLITE_DONE)
        raise(db, rc);
}

Database openFile(const QString &path, int flags) {
    sqlite3 *raw = nullptr;
    const int rc = sqlite3_open_v2(QFile::encodeName(path).constData(), &raw, flags, nullptr);
    Database db(raw);   // a handle comes back even when opening failed: it must be closed
    check(db.get(), rc);
    return db;
}

void setKey(sqlite3 *db, const QByteArray &key) {
    check(db, sqlite3_key(db, key.constData(), static_cast<int>(key.size())));
}

namespace {

std::string_view view(const QByteArray &bytes) {
    return std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size()));
}

int length(std::string_view text) {
    if (text.size() > static_cast<std::size_t>(std::numeric_limits<int>::max()))
        throw DbError(QStringLiteral("The text is too long."), SQLITE_TOOBIG);
    return static_cast<int>(text.size());
}

}   // namespace

int tryPrepare(sqlite3 *db, std::string_view sql, Statement &out) {
    out.reset();
    sqlite3_stmt *raw = nullptr;
    const char *tail = nullptr;
    const int rc = sqlite3_prepare_v2(db, sql.data(), length(sql), &raw, &tail);
    if (rc != SQLITE_OK)
        return rc;
    Statement stmt(raw);
    // Whatever follows the first statement must be empty: preparing it tells us without
    // guessing at SQL's comment and quoting rules.
    std::string_view rest(tail, static_cast<std::size_t>(sql.data() + sql.size() - tail));
    while (!rest.empty()) {
        sqlite3_stmt *next = nullptr;
        const char *nextTail = nullptr;
        const int rc2 = sqlite3_prepare_v2(db, rest.data(), length(rest), &next, &nextTail);
        Statement guard(next);
        if (rc2 != SQLITE_OK || next)
            return TrailingText;
        rest = std::string_view(nextTail, static_cast<std::size_t>(rest.data() + rest.size() - nextTail));
    }
    out = std::move(stmt);
    return SQLITE_OK;
}

int tryPrepare(sqlite3 *db, const QByteArray &sql, Statement &out) {
    return tryPrepare(db, view(sql), out);
}

Statement prepare(sqlite3 *db, const QByteArray &sql) {
    return prepare(db, view(sql));
}

Statement prepare(sqlite3 *db, std::string_view sql) {
    Statement stmt;
    const int rc = tryPrepare(db, sql, stmt);
    if (rc == TrailingText)
        throw DbError(QStringLiteral("Characters found after end of SQL statement."));
    check(db, rc);
    return stmt;
}

void exec(sqlite3 *db, const char *sql) {
    check(db, sqlite3_exec(db, sql, nullptr, nullptr, nullptr));
}

void exec(sqlite3 *db, const QString &sql) {
    exec(db, sql.toUtf8().constData());
}

void bindText(sqlite3 *db, sqlite3_stmt *stmt, int index, std::string_view text) {
    check(db, sqlite3_bind_text(stmt, index, text.data(), length(text), SQLITE_TRANSIENT));
}

void bindText(sqlite3 *db, sqlite3_stmt *stmt, int index, const QString &text) {
    const QByteArray utf8 = text.toUtf8();
    bindText(db, stmt, index, view(utf8));
}

void runToEnd(sqlite3 *db, sqlite3_stmt *stmt) {
    int rc;
    while ((rc = sqlite3_step(stmt)) == SQLITE_ROW) {
    }
    check(db, rc);
}

std::int64_t integer(sqlite3 *db, const char *sql) {
    const Statement stmt = prepare(db, std::string_view(sql));
    const int rc = sqlite3_step(stmt.get());
    check(db, rc);
    return rc == SQLITE_ROW ? sqlite3_column_int64(stmt.get(), 0) : 0;
}

QString quoteIdentifier(const QString &name) {
    QString quoted = name;
    quoted.replace(QLatin1Char('"'), QStringLiteral("\"\""));
    return QLatin1Char('"') + quoted + QLatin1Char('"');
}

Transaction::Transaction(sqlite3 *db) : m_db(db) {
    exec(m_db, "BEGIN IMMEDIATE");
}

Transaction::~Transaction() {
    // SQLite may already have rolled back by itself (a full disk, an I/O error): only roll back a
    // transaction that is still open, and never let a failure escape.
    if (!m_done && !sqlite3_get_autocommit(m_db))
        sqlite3_exec(m_db, "ROLLBACK", nullptr, nullptr, nullptr);
}

void Transaction::commit() {
    exec(m_db, "COMMIT");
    m_done = true;
}

}   // namespace txl::db::sqlite
