#pragma once

// Thin RAII layer over the SQLCipher C API: the one way the program talks to SQLite, used by the
// connection and the dataset here and by whatever else needs a handle of its own (making a new
// file, a schema migration step).

#include <sqlite3.h>

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <memory>
#include <string_view>

namespace txl::db::sqlite {

struct DatabaseCloser {
    void operator()(sqlite3 *db) const noexcept { sqlite3_close_v2(db); }
};
using Database = std::unique_ptr<sqlite3, DatabaseCloser>;

struct StatementFinalizer {
    void operator()(sqlite3_stmt *stmt) const noexcept { sqlite3_finalize(stmt); }
};
using Statement = std::unique_ptr<sqlite3_stmt, StatementFinalizer>;

// The one funnel from a result code to an error: anything but OK, ROW and DONE throws DbError
// with SQLite's own text, the primary result code and, when the handle still holds it, the
// extended one.
void check(sqlite3 *db, int rc);
[[noreturn]] void raise(sqlite3 *db, int rc);

// Opens (or with SQLITE_OPEN_CREATE makes) `path`; throws DbError, leaving nothing open.
Database openFile(const QString &path, int flags);
void setKey(sqlite3 *db, const QByteArray &key);

// Prepares the first statement of `sql`; a null statement means the text held none. Anything
// but white space and comments after it is an error: only one statement runs at a time.
Statement prepare(sqlite3 *db, std::string_view sql);
Statement prepare(sqlite3 *db, const QByteArray &sql);
// The same, without throwing: returns the result code (or TrailingText) and leaves `out` empty
// on failure.
inline constexpr int TrailingText = -1;
int tryPrepare(sqlite3 *db, std::string_view sql, Statement &out);
int tryPrepare(sqlite3 *db, const QByteArray &sql, Statement &out);

// Runs every statement of `sql` (no parameters).
void exec(sqlite3 *db, const char *sql);
void exec(sqlite3 *db, const QString &sql);

// Binds UTF-8 text with its real length, so a NUL inside survives.
void bindText(sqlite3 *db, sqlite3_stmt *stmt, int index, std::string_view text);
void bindText(sqlite3 *db, sqlite3_stmt *stmt, int index, const QString &text);

// Runs `stmt` to its end, discarding any rows.
void runToEnd(sqlite3 *db, sqlite3_stmt *stmt);

// The first column of the first row of `sql` as an integer (0 when there is no row).
std::int64_t integer(sqlite3 *db, const char *sql);

// "name" with inner quotes doubled, for the column and table names the layer itself pastes in.
QString quoteIdentifier(const QString &name);

// BEGIN IMMEDIATE on construction; rolled back on destruction unless committed. IMMEDIATE takes
// the write lock at once, so two running copies queue on the busy timeout instead of one of them
// failing half-way through.
class Transaction {
public:
    explicit Transaction(sqlite3 *db);
    ~Transaction();
    Transaction(const Transaction &) = delete;
    Transaction &operator=(const Transaction &) = delete;
    void commit();

private:
    sqlite3 *m_db;
    bool m_done = false;
};

}   // namespace txl::db::sqlite
