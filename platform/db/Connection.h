#pragma once

#include "platform/db/DbError.h"
#include "platform/db/Sqlite.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <functional>
#include <map>

namespace txl::db {

// A write the file refused by one of its CHECK constraints.
struct CheckFailure {
    QString message;      // SQLite's own text: "CHECK constraint failed: <name or table>"
    QStringList values;   // every text the refused write carried
};

// The connection to one encrypted database file. It only ever opens a file that already exists,
// never creates one, and leaves the file untouched when it cannot prove the key and the schema.
class Connection {
public:
    struct Settings {
        QString path;                 // relative to the working folder
        QByteArray key;               // the SQLCipher key
        QStringList requiredTables;   // each must exist, or opening fails
        int busyTimeoutMs = 5000;
        // The layout version this program reads and writes (PRAGMA user_version); 0 = unchecked.
        // A file of a later version is refused untouched.
        int version = 0;
        // Brings an older file up to `version` when it opens, all steps in one transaction: the
        // step of version v turns a file of version v into one of version v + 1. A version
        // without a step has the layout of the next one.
        std::map<int, std::function<void(sqlite3 *)>> migrations = {};
        // The user's words for a refused CHECK; an empty answer keeps SQLite's text.
        std::function<QString(const CheckFailure &)> explainCheck = {};
        // Runs on every open once the key is proven, before the connection is used: registers the
        // program's own SQL functions. May throw; the connection then stays closed.
        std::function<void(sqlite3 *)> onOpen = {};
    };

    explicit Connection(Settings settings);
    ~Connection();
    Connection(const Connection &) = delete;
    Connection &operator=(const Connection &) = delete;

    // Throws DbError with a clear message; on failure the connection stays closed.
    void open();
    void close() noexcept;
    bool isOpen() const { return m_db != nullptr; }
    // Opens the connection if it is closed (every operation that needs it calls this).
    void ensureOpen();
    // The handle for a change: open, and not fallen back to reading only. SQLite opens a file it
    // may not write read-only without a word; once the file may be written again, the connection
    // is made anew. Throws DbError (SQLITE_READONLY) with a clear message while it is read-only.
    sqlite3 *writableHandle();
    // A refused CHECK (`error`) told in the user's words when the settings know them; any other
    // error is returned as it is.
    DbError explained(const DbError &error, const QStringList &values) const;

    sqlite3 *handle() const { return m_db.get(); }
    const Settings &settings() const { return m_settings; }

private:
    void migrate(sqlite3 *db, int fileVersion) const;

    Settings m_settings;
    sqlite::Database m_db;
};

}   // namespace txl::db
