#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <functional>
#include <memory>

struct sqlite3;

namespace txl::db {

// The connection to one encrypted database file. It only ever opens a file that already exists,
// never creates one, and leaves the file untouched when it cannot prove the key and the schema.
class Connection {
public:
    struct Settings {
        QString path;                 // relative to the working folder
        QByteArray key;               // the SQLCipher key
        QStringList requiredTables;   // each must exist, or opening fails
        int busyTimeoutMs = 5000;
    };
    // Runs on every open once the key is proven, before the connection is used: registers the
    // program's own SQL functions. May throw; the connection then stays closed.
    using OpenHook = std::function<void(sqlite3 *)>;

    explicit Connection(Settings settings, OpenHook onOpen = {});
    ~Connection();
    Connection(const Connection &) = delete;
    Connection &operator=(const Connection &) = delete;

    // Throws DbError with a clear message; on failure the connection stays closed.
    void open();
    void close() noexcept;
    bool isOpen() const { return m_db != nullptr; }
    // Opens the connection if it is closed (every operation that needs it calls this).
    void ensureOpen();

    sqlite3 *handle() const { return m_db.get(); }
    const Settings &settings() const { return m_settings; }

private:
    struct Closer {
        void operator()(sqlite3 *db) const noexcept;
    };
    Settings m_settings;
    OpenHook m_onOpen;
    std::unique_ptr<sqlite3, Closer> m_db;
};

} // namespace txl::db
