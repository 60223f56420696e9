#pragma once

#include "platform/db/Connection.h"
#include "platform/db/Query.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <memory>

struct sqlite3;

namespace txl::test {

// A keyed database file of its own in a fresh temporary folder, made directly with SQLCipher so
// the data layer's tests need nothing above it. Tables:
//   UsersInfo(姓名 VARCHAR(10), 性别 VARCHAR(2), 家庭住址 VARCHAR(50), 电子邮箱 TEXT)
//   LoginInfo(Name VARCHAR(50), Pwd VARCHAR(255))
//   Crash(id INTEGER, payload TEXT)
class DbFixture {
public:
    static const QByteArray Key;

    // `tables` false: the file is not made (for the tests that make their own).
    explicit DbFixture(bool tables = true);

    QString path() const;   // <temp>/DataBase/txl.mdb
    db::Connection::Settings settings() const;

    // Runs statements on a connection of its own (not the layer under test).
    void exec(const QString &sql) const;
    // The first `count` of 甲, 乙, 丙, 丁 as contacts (男, an address and a mail address each).
    void addContacts(int count) const;
    // Every row of `sql`, cells joined by '|', rows by '\n' (NULL as "<null>").
    QString dump(const QString &sql) const;
    QByteArray bytes() const;

    // Makes `file` a keyed database holding `statements` (no key: a plain SQLite file).
    static void create(const QString &file, const QByteArray &key, const QStringList &statements);
    static QStringList schema();

private:
    sqlite3 *handle() const;   // opened on first use: every key derivation costs time

    struct Closer {
        void operator()(sqlite3 *db) const noexcept;
    };
    QTemporaryDir m_dir;
    mutable std::unique_ptr<sqlite3, Closer> m_db;
};

// A fixture file with the layer under test on it: the connection `con` (opened by the first use)
// and the query "query" on it.
class QueryFixture : public DbFixture {
public:
    explicit QueryFixture(int contacts = 0);

    // `q` with `sql`, opened.
    db::Query &open(const QString &sql = QStringLiteral("select * from UsersInfo"));

    db::Connection con;
    db::Query q;
};

}   // namespace txl::test
