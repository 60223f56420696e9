#include "platform/db/Connection.h"

#include <QFile>
#include <QFileInfo>
#include <QSet>

namespace txl::db {

using namespace Qt::StringLiterals;

namespace {

// What the user reads when the file cannot be opened. Decided by result code only: SQLCipher's
// wording for the same code differs between versions.
DbError openError(const QString &path, int rc, sqlite3 *db) {
    const int code = rc & 0xff;
    const QString detail = QString::fromUtf8(db && (sqlite3_errcode(db) & 0xff) == code ? sqlite3_errmsg(db)
                                                                                        : sqlite3_errstr(code));
    switch (code) {
    case SQLITE_NOTADB:
        return DbError(u"'%1' is not a database or the password is wrong."_s.arg(path), code);
    case SQLITE_CANTOPEN:
        return DbError(u"Could not open file '%1' (%2)."_s.arg(path, detail), code);
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
        return DbError(u"'%1' is locked by another program."_s.arg(path), code);
    case SQLITE_CORRUPT:
        return DbError(u"'%1' is damaged (%2)."_s.arg(path, detail), code);
    default:
        return DbError(u"Could not open '%1': %2"_s.arg(path, detail), code);
    }
}

}   // namespace

Connection::Connection(Settings settings) : m_settings(std::move(settings)) {}

Connection::~Connection() = default;

void Connection::open() {
    if (isOpen())
        return;
    const QString &path = m_settings.path;

    // Checked before SQLite sees the file: opening read-write never creates it, but SQLCipher would
    // take an empty file for a new, empty database and write its header on the first change.
    const QFileInfo info(path);
    if (!info.exists())
        throw DbError(u"Could not find file '%1'."_s.arg(path), SQLITE_CANTOPEN);
    if (!info.isFile())
        throw DbError(u"'%1' is not a file."_s.arg(path), SQLITE_CANTOPEN);
    if (info.size() == 0)
        throw DbError(u"'%1' is empty: it is not a database."_s.arg(path), SQLITE_NOTADB);

    sqlite3 *raw = nullptr;
    int rc = sqlite3_open_v2(QFile::encodeName(path).constData(), &raw, SQLITE_OPEN_READWRITE, nullptr);
    // Kept only once everything is proven; until then any throw closes the handle.
    sqlite::Database db(raw);
    if (rc != SQLITE_OK)
        throw openError(path, rc, db.get());

    const QByteArray &key = m_settings.key;
    rc = sqlite3_key(db.get(), key.constData(), static_cast<int>(key.size()));
    if (rc != SQLITE_OK)
        throw openError(path, rc, db.get());
    sqlite3_busy_timeout(db.get(), m_settings.busyTimeoutMs);
    // A change reported as done must survive a crash or a power loss.
    rc = sqlite3_exec(db.get(), "PRAGMA synchronous=FULL", nullptr, nullptr, nullptr);
    if (rc != SQLITE_OK)
        throw openError(path, rc, db.get());

    // Reading the schema proves the key (a wrong one fails with SQLITE_NOTADB) and shows the
    // tables, without writing a byte.
    QSet<QString> tables;
    int fileVersion = 0;
    {
        sqlite3_stmt *stmtRaw = nullptr;
        rc = sqlite3_prepare_v2(db.get(), "SELECT name FROM sqlite_master WHERE type='table'", -1, &stmtRaw, nullptr);
        const sqlite::Statement stmt(stmtRaw);
        if (rc != SQLITE_OK)
            throw openError(path, rc, db.get());
        while ((rc = sqlite3_step(stmt.get())) == SQLITE_ROW) {
            const auto *name = reinterpret_cast<const char *>(sqlite3_column_text(stmt.get(), 0));
            tables.insert(QString::fromUtf8(name, sqlite3_column_bytes(stmt.get(), 0)).toCaseFolded());
        }
        if (rc != SQLITE_DONE)
            throw openError(path, rc, db.get());
        fileVersion = static_cast<int>(sqlite::integer(db.get(), "PRAGMA user_version"));
    }
    for (const QString &table : m_settings.requiredTables) {
        // SQLite's table names ignore letter case.
        if (!tables.contains(table.toCaseFolded()))
            throw DbError(u"'%1' does not hold the table '%2'."_s.arg(path, table), SQLITE_NOTFOUND);
    }
    if (m_settings.version > 0) {
        if (fileVersion > m_settings.version)
            throw DbError(u"'%1' was made by a newer version of txl (file version %2; this version "
                          "reads up to %3). It is left as it is."_s.arg(path)
                              .arg(fileVersion)
                              .arg(m_settings.version),
                          SQLITE_CANTOPEN);
        if (fileVersion < m_settings.version)
            migrate(db.get(), fileVersion);
    }
    if (m_settings.onOpen)
        m_settings.onOpen(db.get());
    m_db = std::move(db);
}

void Connection::migrate(sqlite3 *db, int fileVersion) const {
    const auto first = m_settings.migrations.lower_bound(fileVersion);
    if (first == m_settings.migrations.end() || first->first >= m_settings.version)
        return;   // nothing to change: the file has today's layout
    try {
        sqlite::Transaction transaction(db);
        // Another running copy may have brought it up to date while this one waited.
        const auto version = static_cast<int>(sqlite::integer(db, "PRAGMA user_version"));
        if (version >= m_settings.version)
            return;
        for (auto step = m_settings.migrations.lower_bound(version);
             step != m_settings.migrations.end() && step->first < m_settings.version; ++step)
            step->second(db);
        sqlite::exec(db, u"PRAGMA user_version = %1"_s.arg(m_settings.version));
        transaction.commit();
    } catch (const std::exception &e) {
        throw DbError(u"'%1' could not be brought up to date; it is left as it was: %2"_s.arg(
                          m_settings.path, QString::fromUtf8(e.what())),
                      SQLITE_ERROR);
    }
}

void Connection::close() noexcept {
    m_db.reset();
}

void Connection::ensureOpen() {
    if (!isOpen())
        open();
}

sqlite3 *Connection::writableHandle() {
    ensureOpen();
    if (sqlite3_db_readonly(m_db.get(), "main") != 1)
        return m_db.get();
    // Made anew, it writes if the file may be written by now.
    close();
    open();
    if (sqlite3_db_readonly(m_db.get(), "main") == 1)
        throw DbError(u"'%1' is read-only: the change cannot be saved. Allow writing to the file and "
                      "try again."_s.arg(m_settings.path),
                      SQLITE_READONLY);
    return m_db.get();
}

DbError Connection::explained(const DbError &error, const QStringList &values) const {
    if (error.extendedCode() != SQLITE_CONSTRAINT_CHECK || !m_settings.explainCheck)
        return error;
    const QString text = m_settings.explainCheck({error.message(), values});
    return text.isEmpty() ? error : DbError(text, error.sqliteCode(), error.extendedCode());
}

}   // namespace txl::db
