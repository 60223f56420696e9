// The data layer: the connection's checks on opening, and the dataset behaviour every window
// relies on (flags and moves, parameters, error texts, row identity, transactions, crashes).

#include "platform/db/Connection.h"
#include "platform/db/DbError.h"
#include "platform/db/GrowBuffer.h"
#include "platform/db/Query.h"
#include "platform/db/SqlText.h"
#include "tests/db/DbFixture.h"
#include "tests/support/OrdinaryUser.h"

#include <sqlite3.h>

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QSignalSpy>
#include <QTest>
#include <QThread>

#include <atomic>
#include <chrono>
#include <functional>
#include <memory>
#include <set>
#include <thread>

using namespace Qt::StringLiterals;
using txl::db::Connection;
using txl::db::DbError;
using txl::db::Query;
using txl::test::DbFixture;
using txl::test::QueryFixture;

using QueryAction = std::function<void(Query &)>;
Q_DECLARE_METATYPE(QueryAction)

namespace {

// The message of the DbError `action` throws; a null string when it throws none.
QString errorOf(const std::function<void()> &action, int *code = nullptr) {
    try {
        action();
    } catch (const DbError &e) {
        if (code)
            *code = e.sqliteCode();
        return e.message();
    }
    return {};
}

struct RawCloser {
    void operator()(sqlite3 *db) const noexcept { sqlite3_close_v2(db); }
};
using RawHandle = std::unique_ptr<sqlite3, RawCloser>;

RawHandle openRaw(const QString &path, const QByteArray &key) {
    sqlite3 *raw = nullptr;
    sqlite3_open_v2(QFile::encodeName(path).constData(), &raw, SQLITE_OPEN_READWRITE, nullptr);
    RawHandle db(raw);
    if (!key.isEmpty())
        sqlite3_key(db.get(), key.constData(), static_cast<int>(key.size()));
    return db;
}

const QString RowChanged =
    u"Row cannot be located for updating. Some values may have been changed since it was last read."_s;
const QString RowDeleted =
    u"Row cannot be located for deleting. Some values may have been changed since it was last read."_s;

}   // namespace

class DbTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void openFailures_data();
    void openFailures();
    void fileIsEncrypted();
    void connectionSettings();
    void closedConnectionIsRetried();
    void fileVersions_data();
    void fileVersions();
    void readOnlyFileRecovers_data();
    void readOnlyFileRecovers();

    void flagsAndMoves_data();
    void flagsAndMoves();
    void closedQuery();
    void errorTexts_data();
    void errorTexts();
    void statementsKeepTheirMeaning_data();
    void statementsKeepTheirMeaning();
    void statementWithoutRowsIsNotRun();
    void failedOpenLeavesQueryClosed();
    void setActiveOpensOnce();

    void markParameters_data();
    void markParameters();
    void withRowid_data();
    void withRowid();
    void parameters_data();
    void parameters();
    void nulInsideValueSurvives();
    void unsetParameterIsNull();
    void quoteInValueIsText();

    void postReadsRowBack();
    void fieldWriteIsCut_data();
    void fieldWriteIsCut();
    void moveWhileEditing_data();
    void moveWhileEditing();
    void identicalRowsAreTold_data();
    void identicalRowsAreTold();
    void changedByAnotherCopy_data();
    void changedByAnotherCopy();
    void signalsForGrid();

    void growBuffer();
    void largeResultsOneAfterAnother();
    void execSqlLeavesResultAlone();
    void failedChangeLeavesNothing();
    void refusedCheckIsExplained_data();
    void refusedCheckIsExplained();
    void failedPostKeepsEdit();
    void secondCopyWaitsForLock_data();
    void secondCopyWaitsForLock();
    void committedInsertsSurviveKill();
};

// --- the connection ----------------------------------------------------------------------------

enum class Broken { Missing, WrongKey, Garbage, Unencrypted, Empty, TableMissing, Locked };
Q_DECLARE_METATYPE(Broken)

void DbTest::openFailures_data() {
    QTest::addColumn<Broken>("broken");
    QTest::addColumn<QString>("message");   // %1 = the path
    QTest::addColumn<int>("code");

    QTest::newRow("missing file") << Broken::Missing << u"Could not find file '%1'."_s << SQLITE_CANTOPEN;
    QTest::newRow("wrong key") << Broken::WrongKey << u"'%1' is not a database or the password is wrong."_s
                               << SQLITE_NOTADB;
    QTest::newRow("not a database") << Broken::Garbage << u"'%1' is not a database or the password is wrong."_s
                                    << SQLITE_NOTADB;
    QTest::newRow("unencrypted SQLite file")
        << Broken::Unencrypted << u"'%1' is not a database or the password is wrong."_s << SQLITE_NOTADB;
    QTest::newRow("0-byte file") << Broken::Empty << u"'%1' is empty: it is not a database."_s << SQLITE_NOTADB;
    QTest::newRow("a table missing") << Broken::TableMissing << u"'%1' does not hold the table 'LoginInfo'."_s
                                     << SQLITE_NOTFOUND;
    QTest::newRow("locked by another copy") << Broken::Locked << u"'%1' is locked by another program."_s << SQLITE_BUSY;
}

void DbTest::openFailures() {
    QFETCH(Broken, broken);
    QFETCH(QString, message);
    QFETCH(int, code);

    DbFixture db(false);
    Connection::Settings settings = db.settings();
    RawHandle otherCopy;
    switch (broken) {
    case Broken::Missing:
        break;
    case Broken::WrongKey:
        DbFixture::create(db.path(), DbFixture::Key, DbFixture::schema());
        settings.key = "a58204617393";
        break;
    case Broken::Garbage: {
        QFile file(db.path());
        QVERIFY(file.open(QIODevice::WriteOnly));
        QByteArray noise(8192, '\0');
        for (char &c : noise)
            c = static_cast<char>(QRandomGenerator::global()->bounded(256));
        file.write(noise);
        break;
    }
    case Broken::Unencrypted:
        DbFixture::create(db.path(), {}, DbFixture::schema());
        break;
    case Broken::Empty: {
        QFile file(db.path());
        QVERIFY(file.open(QIODevice::WriteOnly));
        break;
    }
    case Broken::TableMissing:
        DbFixture::create(db.path(), DbFixture::Key, {u"CREATE TABLE UsersInfo (姓名 TEXT)"_s});
        break;
    case Broken::Locked:
        // Another copy in the middle of writing holds the file exclusively past our timeout.
        DbFixture::create(db.path(), DbFixture::Key, DbFixture::schema());
        otherCopy = openRaw(db.path(), DbFixture::Key);
        QCOMPARE(sqlite3_exec(otherCopy.get(), "BEGIN EXCLUSIVE", nullptr, nullptr, nullptr), SQLITE_OK);
        settings.busyTimeoutMs = 50;
        break;
    }
    const QDir folder = QFileInfo(db.path()).dir();
    const QStringList filesBefore = folder.entryList(QDir::Files);
    const QByteArray before = db.bytes();

    Connection con(settings);
    int sqliteCode = 0;
    QCOMPARE(errorOf([&] { con.open(); }, &sqliteCode), message.arg(db.path()));
    QCOMPARE(sqliteCode, code);
    QVERIFY(!con.isOpen());
    QVERIFY(!con.handle());
    QCOMPARE(db.bytes(), before);
    QCOMPARE(folder.entryList(QDir::Files), filesBefore);   // nothing created, no journal left
    // Still closed, still failing the same way.
    QCOMPARE(errorOf([&] { con.ensureOpen(); }), message.arg(db.path()));
    QCOMPARE(db.bytes(), before);
}

void DbTest::fileIsEncrypted() {
    QueryFixture db;
    const QString secret = u"保密测试ABCXYZ"_s;
    db.exec(u"insert into UsersInfo values ('%1', '女', '', '')"_s.arg(secret));

    const QByteArray bytes = db.bytes();
    QVERIFY(bytes.size() >= 1024);
    QVERIFY(!bytes.startsWith("SQLite format 3"));
    QVERIFY(!bytes.contains(secret.toUtf8()));
    QVERIFY(!bytes.contains("CREATE TABLE"));

    // A reader without the key cannot even see the schema.
    {
        RawHandle raw = openRaw(db.path(), {});
        sqlite3_stmt *stmt = nullptr;
        int rc = sqlite3_prepare_v2(raw.get(), "select count(*) from sqlite_master", -1, &stmt, nullptr);
        if (rc == SQLITE_OK)
            rc = sqlite3_step(stmt);
        sqlite3_finalize(stmt);
        QCOMPARE(rc, SQLITE_NOTADB);
    }

    // The key reads it, and opening, reading and closing leave the file as it was.
    Query &q = db.open();
    QCOMPARE(q.fieldByName(u"姓名"_s), secret);
    q.close();
    db.con.close();
    QCOMPARE(db.bytes(), bytes);
}

void DbTest::connectionSettings() {
    DbFixture db;
    Connection::Settings settings = db.settings();
    settings.busyTimeoutMs = 4321;
    Connection con(settings);
    con.open();
    Query q(con, u"query"_s);
    q.setSql(u"pragma synchronous"_s);
    q.open();
    QCOMPARE(q.value(0, 0), u"2"_s);   // FULL
    q.setSql(u"pragma busy_timeout"_s);
    q.open();
    QCOMPARE(q.value(0, 0), u"4321"_s);
}

void DbTest::closedConnectionIsRetried() {
    DbFixture db(false);
    Connection con(db.settings());
    Query q(con, u"query"_s);
    q.setSql(u"select * from UsersInfo"_s);
    // The connection's own message, without the query's name.
    QCOMPARE(errorOf([&] { q.open(); }), u"Could not find file '%1'."_s.arg(db.path()));
    QVERIFY(!q.isActive());
    QVERIFY(!con.isOpen());

    DbFixture::create(db.path(), DbFixture::Key, DbFixture::schema());
    db.addContacts(1);
    q.open();
    QVERIFY(con.isOpen());
    QCOMPARE(q.recordCount(), 1);
}

void DbTest::fileVersions_data() {
    QTest::addColumn<int>("fileVersion");
    QTest::addColumn<int>("version");        // the program's
    QTest::addColumn<QList<int>>("steps");   // the versions with a step: each makes table Step<v>
    QTest::addColumn<int>("failingStep");    // -1: none fails
    QTest::addColumn<QString>("error");      // %1 = the path; empty: opens
    QTest::addColumn<QStringList>("made");   // tables the steps left
    QTest::addColumn<int>("after");          // the file's version afterwards

    const QString notUpToDate = u"'%1' could not be brought up to date; it is left as it was: step 1 refused"_s;
    const QString newer =
        u"'%1' was made by a newer version of txl (file version 3; this version reads up to 2). It is left as it is."_s;
    QTest::newRow("today's version") << 2 << 2 << QList<int>{0, 1} << -1 << QString() << QStringList{} << 2;
    QTest::newRow("an older file takes one step")
        << 1 << 2 << QList<int>{0, 1} << -1 << QString() << QStringList{u"Step1"_s} << 2;
    QTest::newRow("an unversioned file takes every step")
        << 0 << 2 << QList<int>{0, 1} << -1 << QString() << QStringList{u"Step0"_s, u"Step1"_s} << 2;
    QTest::newRow("a version without a step has the next one's layout")
        << 0 << 2 << QList<int>{1} << -1 << QString() << QStringList{u"Step1"_s} << 2;
    QTest::newRow("nothing to change: the file is not written")
        << 0 << 2 << QList<int>{2} << -1 << QString() << QStringList{} << 0;
    QTest::newRow("a failing step undoes them all")
        << 0 << 2 << QList<int>{0, 1} << 1 << notUpToDate << QStringList{} << 0;
    QTest::newRow("a newer file is refused") << 3 << 2 << QList<int>{0, 1} << -1 << newer << QStringList{} << 3;
}

void DbTest::fileVersions() {
    QFETCH(int, fileVersion);
    QFETCH(int, version);
    QFETCH(QList<int>, steps);
    QFETCH(int, failingStep);
    QFETCH(QString, error);
    QFETCH(QStringList, made);
    QFETCH(int, after);

    DbFixture db;
    db.exec(u"PRAGMA user_version = %1"_s.arg(fileVersion));
    const QByteArray before = db.bytes();
    Connection::Settings settings = db.settings();
    settings.version = version;
    for (int step : steps) {
        settings.migrations[step] = [step, failingStep](sqlite3 *handle) {
            txl::db::sqlite::exec(handle, u"CREATE TABLE Step%1 (x)"_s.arg(step));
            if (step == failingStep)
                throw DbError(u"step %1 refused"_s.arg(step));
        };
    }
    Connection con(settings);
    QCOMPARE(errorOf([&] { con.open(); }), error.isEmpty() ? QString() : error.arg(db.path()));
    QCOMPARE(con.isOpen(), error.isEmpty());
    if (!error.isEmpty() || made.isEmpty())
        QCOMPARE(db.bytes(), before);
    QCOMPARE(db.dump(u"select coalesce(group_concat(name), '') from "
                     "(select name from sqlite_master where name like 'Step%' order by name)"_s),
             made.join(u','));
    QCOMPARE(db.dump(u"PRAGMA user_version"_s), QString::number(after));
}

enum class Change { Insert, Post, Delete };
Q_DECLARE_METATYPE(Change)

void DbTest::readOnlyFileRecovers_data() {
    QTest::addColumn<Change>("change");
    QTest::newRow("insert") << Change::Insert;
    QTest::newRow("post") << Change::Post;
    QTest::newRow("delete") << Change::Delete;
}

// SQLite opens a file it may not write read-only without a word; a change says why it fails, and
// once the file may be written again the next change goes in without starting over.
void DbTest::readOnlyFileRecovers() {
    QFETCH(Change, change);

    QueryFixture db(2);
    const QString folder = QFileInfo(db.path()).absolutePath();
    QFile file(db.path());
    QVERIFY(file.setPermissions(QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther));
    const txl::test::OrdinaryUser user({QFileInfo(folder).absolutePath(), folder, db.path()});
    Query &q = db.open();   // reading works as before
    QCOMPARE(q.recordCount(), 2);
    Query insert(db.con, u"query_pwd"_s);
    insert.setSql(u"insert into UsersInfo (姓名) values (:p1)"_s);
    insert.setParam(u"p1"_s, u"丙"_s);
    auto makeChange = [&] {
        switch (change) {
        case Change::Insert:
            insert.execSql();
            break;
        case Change::Post:
            q.edit();
            q.setFieldByName(u"姓名"_s, u"丙"_s);
            q.post();
            break;
        case Change::Delete:
            q.deleteRow();
            break;
        }
    };
    const QString before = db.dump(u"select 姓名 from UsersInfo"_s);
    int code = 0;
    QCOMPARE(
        errorOf(makeChange, &code),
        u"'%1' is read-only: the change cannot be saved. Allow writing to the file and try again."_s.arg(db.path()));
    QCOMPARE(code, SQLITE_READONLY);
    QCOMPARE(db.dump(u"select 姓名 from UsersInfo"_s), before);
    QCOMPARE(q.recordCount(), 2);   // the list stays as it was

    QVERIFY(file.setPermissions(file.permissions() | QFile::WriteOwner));
    if (change == Change::Post)
        q.cancel();
    makeChange();
    const QString after = change == Change::Insert ? u"甲\n乙\n丙"_s : change == Change::Post ? u"丙\n乙"_s : u"乙"_s;
    QCOMPARE(db.dump(u"select 姓名 from UsersInfo"_s), after);
}

// --- flags, moves and errors -------------------------------------------------------------------

void DbTest::flagsAndMoves_data() {
    QTest::addColumn<int>("rows");
    QTest::addColumn<QString>("steps");
    QTest::addColumn<int>("current");
    QTest::addColumn<bool>("bof");
    QTest::addColumn<bool>("eof");
    QTest::addColumn<QString>("name");   // of the current row
    QTest::addColumn<int>("count");

    QTest::newRow("fresh open") << 3 << u""_s << 0 << true << false << u"甲"_s << 3;
    QTest::newRow("next leaves the first row") << 3 << u"next"_s << 1 << false << false << u"乙"_s << 3;
    QTest::newRow("next onto the last row") << 3 << u"next,next"_s << 2 << false << false << u"丙"_s << 3;
    QTest::newRow("next at the last row") << 3 << u"next,next,next"_s << 2 << false << true << u"丙"_s << 3;
    QTest::newRow("second next at the last row") << 3 << u"next,next,next,next"_s << 2 << false << true << u"丙"_s << 3;
    QTest::newRow("prior right after open") << 3 << u"prior"_s << 0 << true << false << u"甲"_s << 3;
    QTest::newRow("prior landing on the first row") << 3 << u"next,prior"_s << 0 << false << false << u"甲"_s << 3;
    QTest::newRow("prior at the first row") << 3 << u"next,prior,prior"_s << 0 << true << false << u"甲"_s << 3;
    QTest::newRow("second prior at the first row")
        << 3 << u"next,prior,prior,prior"_s << 0 << true << false << u"甲"_s << 3;
    QTest::newRow("prior from end-of-data") << 3 << u"last,prior"_s << 1 << false << false << u"乙"_s << 3;
    QTest::newRow("last") << 3 << u"last"_s << 2 << false << true << u"丙"_s << 3;
    QTest::newRow("last with one row") << 1 << u"last"_s << 0 << false << true << u"甲"_s << 1;
    QTest::newRow("next with one row") << 1 << u"next"_s << 0 << false << true << u"甲"_s << 1;
    QTest::newRow("first after last") << 3 << u"last,first"_s << 0 << true << false << u"甲"_s << 3;
    QTest::newRow("empty result") << 0 << u""_s << -1 << true << true << u""_s << 0;
    QTest::newRow("next on an empty result") << 0 << u"next"_s << -1 << true << true << u""_s << 0;
    QTest::newRow("prior on an empty result") << 0 << u"prior"_s << -1 << true << true << u""_s << 0;
    QTest::newRow("first on an empty result") << 0 << u"first"_s << -1 << true << true << u""_s << 0;
    QTest::newRow("last on an empty result") << 0 << u"last"_s << -1 << true << true << u""_s << 0;
    QTest::newRow("delete the first row") << 3 << u"delete"_s << 0 << false << false << u"乙"_s << 2;
    QTest::newRow("delete a middle row") << 3 << u"next,delete"_s << 1 << false << false << u"丙"_s << 2;
    QTest::newRow("delete the last row") << 3 << u"last,delete"_s << 1 << false << false << u"乙"_s << 2;
    QTest::newRow("delete the only row") << 1 << u"delete"_s << -1 << true << true << u""_s << 0;
    QTest::newRow("delete every row") << 2 << u"last,delete,delete"_s << -1 << true << true << u""_s << 0;
}

void DbTest::flagsAndMoves() {
    QFETCH(int, rows);
    QFETCH(QString, steps);
    QFETCH(int, current);
    QFETCH(bool, bof);
    QFETCH(bool, eof);
    QFETCH(QString, name);
    QFETCH(int, count);

    QueryFixture db(rows);
    Query &q = db.open();
    for (const QString &step : steps.split(u',', Qt::SkipEmptyParts)) {
        if (step == u"next")
            q.next();
        else if (step == u"prior")
            q.prior();
        else if (step == u"first")
            q.first();
        else if (step == u"last")
            q.last();
        else if (step == u"delete")
            q.deleteRow();
    }
    QCOMPARE(q.currentRow(), current);
    QCOMPARE(q.bof(), bof);
    QCOMPARE(q.eof(), eof);
    QCOMPARE(q.fieldByName(u"姓名"_s), name);
    QCOMPARE(q.recordCount(), count);
    QCOMPARE(q.isEmpty(), count == 0);
    QCOMPARE(db.dump(u"select count(*) from UsersInfo"_s), QString::number(count));
}

void DbTest::closedQuery() {
    QueryFixture db(2);
    Query &q = db.q;
    auto verifyClosed = [&] {
        QVERIFY(!q.isActive());
        QVERIFY(q.bof());
        QVERIFY(q.eof());
        QCOMPARE(q.currentRow(), -1);
        QCOMPARE(q.columnCount(), 0);
        QCOMPARE(q.value(0, 0), QString());
    };
    verifyClosed();
    q.setSql(u"select * from UsersInfo"_s);
    q.open();
    q.next();
    QSignalSpy closed(&q, &Query::closed);
    q.close();
    QCOMPARE(closed.size(), 1);
    verifyClosed();
    q.close();   // closing a closed query does nothing
    QCOMPARE(closed.size(), 1);
}

void DbTest::errorTexts_data() {
    QTest::addColumn<QueryAction>("action");
    QTest::addColumn<QString>("message");

    const QString closed = u"query: Cannot perform this operation on a closed dataset"_s;
    const QString empty = u"query: Cannot perform this operation on an empty dataset"_s;
    const QString noResult = u"query: CommandText does not return a result set"_s;
    const QString notEditing = u"query: Dataset not in edit or insert mode"_s;
    const QString fixed = u"query: The rows of this statement cannot be changed: they do not come from one table"_s;
    auto opened = [](const QString &sql, const QueryAction &then) {
        return QueryAction([sql, then](Query &q) {
            q.setSql(sql);
            q.open();
            then(q);
        });
    };
    const QString all = u"select * from UsersInfo"_s;
    const QString none = u"select * from UsersInfo where 0"_s;

    QTest::newRow("row count of a closed query") << QueryAction([](Query &q) { q.recordCount(); }) << closed;
    QTest::newRow("next on a closed query") << QueryAction([](Query &q) { q.next(); }) << closed;
    QTest::newRow("first on a closed query") << QueryAction([](Query &q) { q.first(); }) << closed;
    QTest::newRow("edit on a closed query") << QueryAction([](Query &q) { q.edit(); }) << closed;
    QTest::newRow("delete on a closed query") << QueryAction([](Query &q) { q.deleteRow(); }) << closed;
    QTest::newRow("row count after close") << opened(all, [](Query &q) {
        q.close();
        q.recordCount();
    }) << closed;
    QTest::newRow("delete from an empty result") << opened(none, [](Query &q) { q.deleteRow(); }) << empty;
    QTest::newRow("edit an empty result") << opened(none, [](Query &q) { q.edit(); }) << empty;
    QTest::newRow("open an insert") << opened(u"insert into UsersInfo (姓名) values ('x')"_s, [](Query &) {})
                                    << noResult;
    QTest::newRow("open an update") << opened(u"update UsersInfo set 姓名='x'"_s, [](Query &) {}) << noResult;
    QTest::newRow("unknown field") << opened(all, [](Query &q) { q.fieldByName(u"nosuch"_s); })
                                   << u"query: Field 'nosuch' not found"_s;
    QTest::newRow("field of an empty result, unknown")
        << opened(none, [](Query &q) { q.fieldByName(u"nosuch"_s); }) << u"query: Field 'nosuch' not found"_s;
    QTest::newRow("field of a closed query")
        << QueryAction([](Query &q) { q.fieldByName(u"姓名"_s); }) << u"query: Field '姓名' not found"_s;
    QTest::newRow("write an unknown field") << opened(all, [](Query &q) {
        q.edit();
        q.setFieldByName(u"nosuch"_s, u"x"_s);
    }) << u"query: Field 'nosuch' not found"_s;
    QTest::newRow("unknown parameter") << QueryAction([](Query &q) {
        q.setSql(u"select * from UsersInfo where 姓名=:p1"_s);
        q.setParam(u"p2"_s, u"x"_s);
    }) << u"query: Parameter 'p2' not found"_s;
    QTest::newRow("parameter after clearing the text") << QueryAction([](Query &q) {
        q.setSql(u"select * from UsersInfo where 姓名=:p1"_s);
        q.clearSql();
        q.setParam(u"p1"_s, u"x"_s);
    }) << u"query: Parameter 'p1' not found"_s;
    QTest::newRow("write a field without edit")
        << opened(all, [](Query &q) { q.setFieldByName(u"姓名"_s, u"x"_s); }) << notEditing;
    QTest::newRow("post without edit") << opened(all, [](Query &q) { q.post(); }) << notEditing;
    QTest::newRow("SQLite's error carries no name")
        << opened(u"select * from nosuch"_s, [](Query &) {}) << u"no such table: nosuch"_s;
    QTest::newRow("two statements at once") << opened(u"select 1; delete from UsersInfo"_s, [](Query &) {})
                                            << u"Characters found after end of SQL statement."_s;
    QTest::newRow("edit a join") << opened(u"select * from UsersInfo, LoginInfo"_s, [](Query &q) { q.edit(); })
                                 << fixed;
    QTest::newRow("delete from an aggregate")
        << opened(u"select count(*) from UsersInfo"_s, [](Query &q) { q.deleteRow(); }) << fixed;
    QTest::newRow("edit a grouped result")
        << opened(u"select 姓名 from UsersInfo group by 姓名"_s, [](Query &q) { q.edit(); }) << fixed;
    QTest::newRow("edit a computed column")
        << opened(u"select 姓名, upper(电子邮箱) from UsersInfo"_s, [](Query &q) { q.edit(); }) << fixed;
}

void DbTest::errorTexts() {
    QFETCH(QueryAction, action);
    QFETCH(QString, message);

    QueryFixture db(2);
    db.exec(u"insert into LoginInfo values ('chief', 'x')"_s);
    Query &q = db.q;
    QCOMPARE(errorOf([&] { action(q); }), message);
    QCOMPARE(db.dump(u"select 姓名 from UsersInfo"_s), u"甲\n乙"_s);
}

// Reading the rowid along with the rows must not change which rows come back or their order;
// where a row does not stand for one stored row, it cannot be changed.
void DbTest::statementsKeepTheirMeaning_data() {
    QTest::addColumn<QString>("sql");
    QTest::addColumn<QString>("rows");   // first column of each row
    QTest::addColumn<bool>("changeable");

    QTest::newRow("order by position") << u"select * from UsersInfo order by 1"_s << u"丙,乙,甲,甲"_s << true;
    QTest::newRow("order by position, descending")
        << u"select 姓名 from UsersInfo order by 1 desc"_s << u"甲,甲,乙,丙"_s << true;
    QTest::newRow("limit and offset") << u"select * from UsersInfo limit 1 offset 1"_s << u"乙"_s << true;
    QTest::newRow("a quoted alias that reads like a keyword")
        << u"select 姓名 as \"from\" from UsersInfo where 姓名='乙'"_s << u"乙"_s << true;
    QTest::newRow("a comment before from")
        << u"select 姓名 -- the name\nfrom UsersInfo where 姓名='乙'"_s << u"乙"_s << true;
    QTest::newRow("grouping inside a subquery") << u"select * from UsersInfo where 姓名 in "
                                                   "(select 姓名 from UsersInfo group by 姓名 having count(*) > 1)"_s
                                                << u"甲,甲"_s << true;
    QTest::newRow("distinct") << u"select distinct 姓名 from UsersInfo order by 1"_s << u"丙,乙,甲"_s << false;
    QTest::newRow("group by") << u"select 姓名 from UsersInfo group by 姓名 order by 1"_s << u"丙,乙,甲"_s << false;
    QTest::newRow("a join") << u"select UsersInfo.* from UsersInfo, LoginInfo"_s << u"甲,乙,丙,甲"_s << false;
    QTest::newRow("an aggregate") << u"select count(*) from UsersInfo"_s << u"4"_s << false;
    QTest::newRow("no table") << u"select '甲'"_s << u"甲"_s << false;
}

void DbTest::statementsKeepTheirMeaning() {
    QFETCH(QString, sql);
    QFETCH(QString, rows);
    QFETCH(bool, changeable);

    QueryFixture db(3);
    db.addContacts(1);   // a second, identical 甲
    db.exec(u"insert into LoginInfo values ('chief', 'x')"_s);
    Query &q = db.open(sql);
    QStringList read;
    for (int row = 0; row < q.recordCount(); ++row)
        read << q.value(row, 0);
    QCOMPARE(read.join(u','), rows);

    const QString before = db.dump(u"select rowid, * from UsersInfo"_s);
    const QString error = errorOf([&] {
        q.edit();
        q.setFieldByName(q.columnName(0), u"改"_s);
        q.post();
    });
    if (!changeable) {
        QCOMPARE(error, u"query: The rows of this statement cannot be changed: they do not come from one table"_s);
        QCOMPARE(db.dump(u"select rowid, * from UsersInfo"_s), before);
        return;
    }
    QCOMPARE(error, QString());
    QCOMPARE(db.dump(u"select count(*) from UsersInfo where 姓名='改'"_s), u"1"_s);
    QCOMPARE(q.value(0, 0), u"改"_s);
}

void DbTest::statementWithoutRowsIsNotRun() {
    QueryFixture db;
    Query &q = db.q;
    q.setSql(u"insert into UsersInfo (姓名) values ('x')"_s);
    QVERIFY(!errorOf([&] { q.open(); }).isEmpty());
    QCOMPARE(db.dump(u"select count(*) from UsersInfo"_s), u"0"_s);
    QVERIFY(!q.isActive());
}

void DbTest::failedOpenLeavesQueryClosed() {
    QueryFixture db(2);
    Query &q = db.open();
    QSignalSpy closed(&q, &Query::closed);
    q.setSql(u"select * from UsersInfo where nosuch=1"_s);   // closes
    QCOMPARE(closed.size(), 1);
    QCOMPARE(errorOf([&] { q.open(); }), u"no such column: nosuch"_s);
    QCOMPARE(closed.size(), 2);   // the grid is told again that there are no rows
    QVERIFY(!q.isActive());
    QVERIFY(q.bof() && q.eof());
    QCOMPARE(q.columnCount(), 0);
}

void DbTest::setActiveOpensOnce() {
    QueryFixture db(1);
    Query &q = db.q;
    q.setSql(u"select * from UsersInfo"_s);
    q.setActive(true);
    QCOMPARE(q.recordCount(), 1);
    db.addContacts(2);   // two more rows in the file
    q.setActive(true);   // already open: nothing runs
    QCOMPARE(q.recordCount(), 1);
    q.open();   // runs again
    QCOMPARE(q.recordCount(), 3);
    q.setActive(false);
    QVERIFY(!q.isActive());
}

// --- parameters --------------------------------------------------------------------------------

void DbTest::markParameters_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("command");
    QTest::addColumn<QStringList>("names");

    QTest::newRow("no marker") << u"select 1"_s << u"select 1"_s << QStringList{};
    QTest::newRow("markers numbered in order")
        << u"select :b, :a"_s << u"select ?1, ?2"_s << QStringList{u"b"_s, u"a"_s};
    QTest::newRow("a name again, in other letters")
        << u"select :Ab || :aB"_s << u"select ?1 || ?1"_s << QStringList{u"Ab"_s};
    QTest::newRow("inside quotes of each kind")
        << u"select ':a', \":b\", `:c`, :d"_s << u"select ':a', \":b\", `:c`, ?1"_s << QStringList{u"d"_s};
    QTest::newRow("a doubled quote keeps the literal open")
        << u"select 'it''s :a', :b"_s << u"select 'it''s :a', ?1"_s << QStringList{u"b"_s};
    QTest::newRow("brackets and comments are no quotes")
        << u"select [:a] -- :b\n/* :c */"_s << u"select [?1 -- ?2\n/* ?3 */"_s << QStringList{u"a]"_s, u"b"_s, u"c"_s};
    QTest::newRow("a name ends at space, comma, parenthesis, semicolon, line break")
        << u"(:a :b,:c):d;:e\r:f\n"_s << u"(?1 ?2,?3)?4;?5\r?6\n"_s
        << QStringList{u"a"_s, u"b"_s, u"c"_s, u"d"_s, u"e"_s, u"f"_s};
    QTest::newRow("and nowhere else") << u"select :a||:b=:c"_s << u"select ?1"_s << QStringList{u"a||:b=:c"_s};
    QTest::newRow("a colon without a name") << u"select 1 : 2:"_s << u"select 1 : 2:"_s << QStringList{};
    QTest::newRow("a doubled colon is a text literal") << u"select ::x"_s << u"select  ':' x"_s << QStringList{};
    QTest::newRow("a doubled colon joins no neighbouring literal")
        << u"select 'a'::'b', X::"_s << u"select 'a' ':' 'b', X ':' "_s << QStringList{};
    QTest::newRow("a tripled colon: a colon, then a marker")
        << u"select :::a"_s << u"select  ':' ?1"_s << QStringList{u"a"_s};
    QTest::newRow("Chinese around a marker")
        << u"select * from 表 where 姓名= :p1"_s << u"select * from 表 where 姓名= ?1"_s << QStringList{u"p1"_s};
}

void DbTest::markParameters() {
    QFETCH(QString, text);
    QFETCH(QString, command);
    QFETCH(QStringList, names);
    const txl::db::sqltext::MarkedStatement marked = txl::db::sqltext::markParameters(text);
    QCOMPARE(QString::fromUtf8(marked.command), command);
    QCOMPARE(marked.names, names);
}

void DbTest::withRowid_data() {
    QTest::addColumn<QString>("command");
    QTest::addColumn<QString>("variant");   // null: none

    QTest::newRow("select all") << u"select * from t"_s << u"select * , rowid from t"_s;
    QTest::newRow("letter case and spaces") << u"  SELECT a FROM t WHERE b"_s << u"  SELECT a , rowid FROM t WHERE b"_s;
    QTest::newRow("from in quotes, brackets and comments")
        << u"select 'from', \"from\", `from`, [from] -- from\n/* from */ from t"_s
        << u"select 'from', \"from\", `from`, [from] -- from\n/* from */ , rowid from t"_s;
    QTest::newRow("from inside a subquery column")
        << u"select (select 1 from u) from t"_s << u"select (select 1 from u) , rowid from t"_s;
    QTest::newRow("from as part of a word") << u"select fromage from t"_s << u"select fromage , rowid from t"_s;
    QTest::newRow("group by inside a subquery") << u"select * from t where a in (select a from t group by a)"_s
                                                << u"select * , rowid from t where a in (select a from t group by a)"_s;
    QTest::newRow("distinct") << u"select distinct a from t"_s << QString();
    QTest::newRow("group by") << u"select a from t group  by a"_s << QString();
    QTest::newRow("no from") << u"select 1"_s << QString();
    QTest::newRow("not a select") << u"update t set a = 1 from u"_s << QString();
    QTest::newRow("select as part of a word") << u"selection from t"_s << QString();
    QTest::newRow("an unclosed quote hides the rest") << u"select 'a from t"_s << QString();
}

void DbTest::withRowid() {
    QFETCH(QString, command);
    QFETCH(QString, variant);
    const std::optional<QByteArray> made = txl::db::sqltext::withRowid(command.toUtf8());
    QCOMPARE(made.has_value(), !variant.isNull());
    if (made)
        QCOMPARE(QString::fromUtf8(*made), variant);
}

void DbTest::parameters_data() {
    QTest::addColumn<QStringList>("lines");
    QTest::addColumn<QStringList>("names");
    // The first row when every parameter is set to "<name>"; no rows = the text is not run.
    QTest::addColumn<QStringList>("cells");

    QTest::newRow("one marker") << QStringList{u"select :p1"_s} << QStringList{u"p1"_s} << QStringList{u"<p1>"_s};
    QTest::newRow("single quotes hide a marker")
        << QStringList{u"select ':p1', :p2"_s} << QStringList{u"p2"_s} << QStringList{u":p1"_s, u"<p2>"_s};
    QTest::newRow("double quotes hide a marker")
        << QStringList{u"select 1 as \":p1\", :p2"_s} << QStringList{u"p2"_s} << QStringList{u"1"_s, u"<p2>"_s};
    QTest::newRow("backquotes hide a marker")
        << QStringList{u"select 1 as `:p1`, :p2"_s} << QStringList{u"p2"_s} << QStringList{u"1"_s, u"<p2>"_s};
    QTest::newRow("a doubled quote stays inside")
        << QStringList{u"select 'it''s :p1', :p2"_s} << QStringList{u"p2"_s} << QStringList{u"it's :p1"_s, u"<p2>"_s};
    QTest::newRow("other quotes inside quotes are text")
        << QStringList{u"select '\"', :p1, \"'\" || :p2 from (select 1 as \"'\")"_s} << QStringList{u"p1"_s, u"p2"_s}
        << QStringList{u"\""_s, u"<p1>"_s, u"1<p2>"_s};
    QTest::newRow("a stray quote hides the rest")
        << QStringList{u"select * from LoginInfo where Name='x'y' and Pwd=:p1"_s} << QStringList{} << QStringList{};
    QTest::newRow("name ends at a space")
        << QStringList{u"select :a || :b"_s} << QStringList{u"a"_s, u"b"_s} << QStringList{u"<a><b>"_s};
    QTest::newRow("name ends at a comma")
        << QStringList{u"select :a,:b"_s} << QStringList{u"a"_s, u"b"_s} << QStringList{u"<a>"_s, u"<b>"_s};
    QTest::newRow("name ends at a parenthesis")
        << QStringList{u"select (:a)||(:b)"_s} << QStringList{u"a"_s, u"b"_s} << QStringList{u"<a><b>"_s};
    QTest::newRow("name ends at a semicolon")
        << QStringList{u"select :a;"_s} << QStringList{u"a"_s} << QStringList{u"<a>"_s};
    QTest::newRow("name ends at a line break")
        << QStringList{u"select :a"_s, u"|| :b"_s} << QStringList{u"a"_s, u"b"_s} << QStringList{u"<a><b>"_s};
    QTest::newRow("name ends at a carriage return")
        << QStringList{u"select :a\r\n|| :b"_s} << QStringList{u"a"_s, u"b"_s} << QStringList{u"<a><b>"_s};
    QTest::newRow("name runs on through other characters")
        << QStringList{u"select :a||:b"_s} << QStringList{u"a||:b"_s} << QStringList{u"<a||:b>"_s};
    QTest::newRow("a doubled colon is a colon, not a marker")
        << QStringList{u"select ::p1"_s} << QStringList{} << QStringList{u":"_s};
    // SQLite would take a colon before a name for a parameter of its own, the same as :a here.
    QTest::newRow("a doubled colon reaches SQLite as text")
        << QStringList{u"select ::x, :a, 'a'||::||'b', 'c'||::"_s} << QStringList{u"a"_s}
        << QStringList{u":"_s, u"<a>"_s, u"a:b"_s, u"c:"_s};
    QTest::newRow("a colon alone is no marker") << QStringList{u"select 1 : 2"_s} << QStringList{} << QStringList{};
    QTest::newRow("names ignore letter case")
        << QStringList{u"select :P1 || :p1"_s} << QStringList{u"P1"_s} << QStringList{u"<P1><P1>"_s};
    QTest::newRow("a name used twice is one parameter")
        << QStringList{u"select :a || :b || :a"_s} << QStringList{u"a"_s, u"b"_s} << QStringList{u"<a><b><a>"_s};
    QTest::newRow("Chinese text around markers")
        << QStringList{u"select * from UsersInfo where 姓名= :p1"_s} << QStringList{u"p1"_s} << QStringList{};
    QTest::newRow("the contact insert")
        << QStringList{u"insert into UsersInfo (姓名,性别,出生日期,手机号码,宿舍号码,家庭电话,QQ,电子邮箱,"
                       "家庭住址) values (:a,:b,:c,:d,:e,:f,:g,:h,:i)"_s}
        << QStringList{u"a"_s, u"b"_s, u"c"_s, u"d"_s, u"e"_s, u"f"_s, u"g"_s, u"h"_s, u"i"_s} << QStringList{};
}

void DbTest::parameters() {
    QFETCH(QStringList, lines);
    QFETCH(QStringList, names);
    QFETCH(QStringList, cells);

    QueryFixture db;
    Query &q = db.q;
    q.clearSql();
    for (const QString &line : lines)
        q.addSql(line);
    QCOMPARE(q.sql(), lines);
    QStringList found;
    for (const auto &p : q.parameters()) {
        found << p.name;
        QVERIFY(!p.value);
    }
    QCOMPARE(found, names);
    QVERIFY(!q.hasParameter(u"p1x"_s));
    for (const QString &name : names) {
        QVERIFY(q.hasParameter(name.toUpper()));
        q.setParam(name.toLower(), u'<' + name + u'>');
    }
    if (cells.isEmpty())
        return;
    q.open();
    QStringList row;
    for (int c = 0; c < q.columnCount(); ++c)
        row << q.value(0, c);
    QCOMPARE(row, cells);
}

void DbTest::nulInsideValueSurvives() {
    QueryFixture db;
    Query &q = db.q;
    const QString value = u"前"_s + QChar(u'\0') + u"后"_s;
    q.setSql(u"insert into UsersInfo (姓名) values (:p1)"_s);
    q.setParam(u"p1"_s, value);
    q.execSql();
    q.setSql(u"select 姓名, length(cast(姓名 as blob)) as bytes from UsersInfo where 姓名=:p1"_s);
    q.setParam(u"p1"_s, value);
    q.open();
    QCOMPARE(q.recordCount(), 1);
    QCOMPARE(q.value(0, 1), u"7"_s);   // 3 + 1 + 3 bytes stored
    QCOMPARE(q.rawValue(0, 0).size(), std::size_t(7));
    QCOMPARE(q.fieldByName(u"姓名"_s), value);
}

void DbTest::unsetParameterIsNull() {
    QueryFixture db;
    Query &q = db.q;
    q.setSql(u"select :p1 is null, :p2 is null"_s);
    q.setParam(u"p2"_s, QString());
    q.open();
    QCOMPARE(q.value(0, 0), u"1"_s);
    QCOMPARE(q.value(0, 1), u"0"_s);   // set to empty text: text, not NULL
}

void DbTest::quoteInValueIsText() {
    QueryFixture db;
    db.exec(u"insert into LoginInfo values ('chief', 'x')"_s);
    Query &q = db.q;
    q.setSql(u"select * from LoginInfo where Name=:p1"_s);
    q.setParam(u"p1"_s, u"x' or '1'='1"_s);
    q.open();
    QCOMPARE(q.recordCount(), 0);
    q.setSql(u"select :p1"_s);
    q.setParam(u"p1"_s, u"it's :p2 \"q\""_s);
    q.open();
    QCOMPARE(q.value(0, 0), u"it's :p2 \"q\""_s);
}

// --- changes to rows ---------------------------------------------------------------------------

void DbTest::postReadsRowBack() {
    QueryFixture db(3);
    // The file may store something other than what was written; the row shows what it holds.
    db.exec(u"create trigger lower_mail after update on UsersInfo begin "
            "update UsersInfo set 电子邮箱=lower(电子邮箱) where rowid=new.rowid; end"_s);
    Query &q = db.open();
    q.next();
    QSignalSpy changed(&q, &Query::rowChanged);
    q.edit();
    QVERIFY(q.isEditing());
    q.setFieldByName(u"姓名"_s, u"李雷"_s);
    q.setFieldByName(u"电子邮箱"_s, u"LiLei@Example.CN"_s);
    QCOMPARE(q.fieldByName(u"电子邮箱"_s), u"LiLei@Example.CN"_s);   // the edit, before post
    QCOMPARE(q.value(1, 0), u"乙"_s);                                // the grid: as read
    q.post();
    QVERIFY(!q.isEditing());
    QCOMPARE(q.currentRow(), 1);
    QVERIFY(!q.bof());
    QVERIFY(!q.eof());
    QCOMPARE(changed.size(), 1);
    QCOMPARE(changed.at(0).at(0).toInt(), 1);
    QCOMPARE(q.fieldByName(u"姓名"_s), u"李雷"_s);
    QCOMPARE(q.fieldByName(u"电子邮箱"_s), u"lilei@example.cn"_s);
    QCOMPARE(q.value(1, 0), u"李雷"_s);
    QCOMPARE(q.value(0, 0), u"甲"_s);
    QCOMPARE(q.value(2, 0), u"丙"_s);
    QCOMPARE(db.dump(u"select 姓名, 电子邮箱 from UsersInfo"_s),
             u"甲|c0@example.cn\n李雷|lilei@example.cn\n丙|c2@example.cn"_s);
    // A second change of the same row works from the re-read values.
    q.edit();
    q.setFieldByName(u"家庭住址"_s, u"上海"_s);
    q.post();
    QCOMPARE(db.dump(u"select 姓名, 家庭住址 from UsersInfo where rowid=2"_s), u"李雷|上海"_s);
}

void DbTest::fieldWriteIsCut_data() {
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("value");
    QTest::addColumn<QString>("kept");

    const QString smile = u"\U0001F600"_s;   // one character, two UTF-16 units
    QTest::newRow("shorter than the column") << u"姓名"_s << u"韩梅梅"_s << u"韩梅梅"_s;
    QTest::newRow("exactly the column's length") << u"姓名"_s << u"abcdefghij"_s << u"abcdefghij"_s;
    QTest::newRow("Latin letters past it") << u"姓名"_s << u"abcdefghijkl"_s << u"abcdefghij"_s;
    QTest::newRow("Chinese characters past it")
        << u"姓名"_s << u"一二三四五六七八九十百千"_s << u"一二三四五六七八九十"_s;
    QTest::newRow("a surrogate pair as the last character")
        << u"姓名"_s << u"abcdefghi"_s + smile + u"z"_s << u"abcdefghi"_s + smile;
    QTest::newRow("surrogate pairs count once") << u"姓名"_s << smile.repeated(12) << smile.repeated(10);
    QTest::newRow("other column, other length") << u"性别"_s << u"男性别"_s << u"男性"_s;
    QTest::newRow("TEXT has no limit") << u"电子邮箱"_s << u"x"_s.repeated(300) << u"x"_s.repeated(300);
}

void DbTest::fieldWriteIsCut() {
    QFETCH(QString, field);
    QFETCH(QString, value);
    QFETCH(QString, kept);

    QueryFixture db(1);
    Query &q = db.open();
    q.edit();
    q.setFieldByName(field, value);
    QCOMPARE(q.fieldByName(field), kept);
    q.post();
    QCOMPARE(q.fieldByName(field), kept);
    QCOMPARE(db.dump(u"select %1 from UsersInfo"_s.arg(field)), kept);
}

void DbTest::moveWhileEditing_data() {
    QTest::addColumn<bool>("write");
    QTest::addColumn<QueryAction>("leave");
    QTest::addColumn<QString>("stored");   // the first row's name afterwards

    const QueryAction next = [](Query &q) { q.next(); };
    QTest::newRow("next saves a written field") << true << next << u"改"_s;
    QTest::newRow("next abandons an edit without writes") << false << next << u"甲"_s;
    QTest::newRow("last saves") << true << QueryAction([](Query &q) { q.last(); }) << u"改"_s;
    QTest::newRow("first saves") << true << QueryAction([](Query &q) { q.first(); }) << u"改"_s;
    QTest::newRow("prior saves, even without moving") << true << QueryAction([](Query &q) { q.prior(); }) << u"改"_s;
    QTest::newRow("a grid selection saves") << true << QueryAction([](Query &q) { q.moveTo(1); }) << u"改"_s;
    QTest::newRow("cancel drops the edit") << true << QueryAction([](Query &q) { q.cancel(); }) << u"甲"_s;
    QTest::newRow("close drops the edit") << true << QueryAction([](Query &q) { q.close(); }) << u"甲"_s;
    QTest::newRow("a new statement drops the edit")
        << true << QueryAction([](Query &q) { q.setSql(u"select 1"_s); }) << u"甲"_s;
}

void DbTest::moveWhileEditing() {
    QFETCH(bool, write);
    QFETCH(QueryAction, leave);
    QFETCH(QString, stored);

    QueryFixture db(2);
    Query &q = db.open();
    q.edit();
    if (write)
        q.setFieldByName(u"姓名"_s, u"改"_s);
    leave(q);
    QVERIFY(!q.isEditing());
    QCOMPARE(db.dump(u"select 姓名 from UsersInfo where rowid=1"_s), stored);
    if (q.isActive())
        QCOMPARE(q.value(0, 0), stored);
}

void DbTest::identicalRowsAreTold_data() {
    QTest::addColumn<QueryAction>("change");
    QTest::addColumn<QString>("left");   // rowid|姓名 of every row afterwards

    QTest::newRow("delete the second of two identical rows")
        << QueryAction([](Query &q) { q.deleteRow(); }) << u"1|甲"_s;
    QTest::newRow("post the second of two identical rows") << QueryAction([](Query &q) {
        q.edit();
        q.setFieldByName(u"姓名"_s, u"乙"_s);
        q.post();
    }) << u"1|甲\n2|乙"_s;
}

void DbTest::identicalRowsAreTold() {
    QFETCH(QueryAction, change);
    QFETCH(QString, left);

    QueryFixture db(1);
    db.exec(u"insert into UsersInfo select * from UsersInfo"_s);
    Query &q = db.open();
    q.next();
    change(q);
    QCOMPARE(db.dump(u"select rowid, 姓名 from UsersInfo"_s), left);
}

void DbTest::changedByAnotherCopy_data() {
    QTest::addColumn<QString>("other");
    QTest::addColumn<bool>("post");
    QTest::addColumn<QString>("message");

    const QString changeIt = u"update UsersInfo set 家庭住址='上海' where rowid=2"_s;
    const QString deleteIt = u"delete from UsersInfo where rowid=2"_s;
    QTest::newRow("post after the row was changed") << changeIt << true << RowChanged;
    QTest::newRow("post after the row was deleted") << deleteIt << true << RowChanged;
    QTest::newRow("delete after the row was changed") << changeIt << false << RowDeleted;
    QTest::newRow("delete after the row was deleted") << deleteIt << false << RowDeleted;
}

void DbTest::changedByAnotherCopy() {
    QFETCH(QString, other);
    QFETCH(bool, post);
    QFETCH(QString, message);

    QueryFixture db(1);
    db.exec(u"insert into UsersInfo select * from UsersInfo"_s);   // two identical rows
    Query &q = db.open();
    q.next();

    Connection otherCopy(db.settings());
    Query theirs(otherCopy, u"query"_s);
    for (const QString &statement : other.split(u"; "_s)) {
        theirs.setSql(statement);
        theirs.execSql();
    }
    const QString before = db.dump(u"select rowid, * from UsersInfo"_s);
    QCOMPARE(errorOf([&] {
                 if (post) {
                     q.edit();
                     q.setFieldByName(u"姓名"_s, u"乙"_s);
                     q.post();
                 } else {
                     q.deleteRow();
                 }
             }),
             message);
    QCOMPARE(db.dump(u"select rowid, * from UsersInfo"_s), before);
    QCOMPARE(q.recordCount(), 2);
    QCOMPARE(q.currentRow(), 1);
}

void DbTest::signalsForGrid() {
    QueryFixture db(3);
    Query &q = db.q;
    QSignalSpy opened(&q, &Query::opened);
    QSignalSpy closed(&q, &Query::closed);
    QSignalSpy current(&q, &Query::currentChanged);
    QSignalSpy removed(&q, &Query::rowRemoved);
    QSignalSpy changed(&q, &Query::rowChanged);
    auto lastCurrent = [&] { return current.isEmpty() ? -2 : current.last().at(0).toInt(); };

    q.setSql(u"select * from UsersInfo"_s);
    q.open();
    QCOMPARE(opened.size(), 1);
    QCOMPARE(lastCurrent(), 0);
    q.next();
    QCOMPARE(lastCurrent(), 1);
    const auto moves = current.size();
    q.prior();
    q.prior();   // stays on row 0: only the first prior moves
    QCOMPARE(current.size(), moves + 1);
    q.last();
    // A grid reads the query as soon as it hears of the removal: the new state is there already.
    QString seen;
    connect(&q, &Query::rowRemoved, this,
            [&](int row) { seen = u"%1 of %2, removed %3"_s.arg(q.currentRow()).arg(q.recordCount()).arg(row); });
    q.deleteRow();
    QCOMPARE(seen, u"1 of 2, removed 2"_s);
    QCOMPARE(removed.size(), 1);
    QCOMPARE(removed.at(0).at(0).toInt(), 2);
    QCOMPARE(lastCurrent(), 1);
    q.edit();
    q.setFieldByName(u"姓名"_s, u"改"_s);
    q.post();
    QCOMPARE(changed.size(), 1);
    QCOMPARE(changed.at(0).at(0).toInt(), 1);
    QCOMPARE(closed.size(), 0);
    q.close();
    QCOMPARE(closed.size(), 1);
    QCOMPARE(opened.size(), 1);
}

// --- transactions and crashes ------------------------------------------------------------------

// The store of an open result: on the heap while small, in pages of its own from 256 KiB on; it
// keeps every value through growing, handing room back and starting again in the room it kept.
void DbTest::growBuffer() {
    txl::db::GrowBuffer<std::uint32_t> buffer;
    auto check = [&](std::size_t count) {
        QCOMPARE(buffer.size(), count);
        for (std::size_t i = 0; i < count; ++i) {
            if (buffer[i] != i * 7)
                QFAIL(qPrintable(u"value %1 lost"_s.arg(i)));
        }
    };
    for (std::uint32_t i = 0; i < 300000; ++i)   // about 1.2 MB: across the change to pages
        buffer.push_back(i * 7);
    check(300000);
    QVERIFY(buffer.capacity() >= 300000);
    buffer.shrinkToFit();
    QCOMPARE(buffer.capacity() * sizeof(std::uint32_t) / 4096, (300000 * sizeof(std::uint32_t) + 4095) / 4096);
    check(300000);
    buffer.truncate(1000);   // back onto the heap when the room is handed back
    buffer.shrinkToFit();
    check(1000);
    QCOMPARE(buffer.capacity(), std::size_t(1000));
    buffer.clear();
    std::vector<std::uint32_t> many(200000);
    for (std::size_t i = 0; i < many.size(); ++i)
        many[i] = static_cast<std::uint32_t>(i * 7);
    buffer.append(many.data(), many.size());
    check(many.size());
    buffer.release();
    QCOMPARE(buffer.size(), std::size_t(0));
    QCOMPARE(buffer.capacity(), std::size_t(0));
}

// Results large enough to live in pages of their own, read one after another into the room the
// last one kept, larger and smaller, and changed while open.
void DbTest::largeResultsOneAfterAnother() {
    QueryFixture db;
    db.exec(u"create table Big (n integer, t text)"_s);
    db.exec(u"with recursive k(n) as (select 1 union all select n + 1 from k where n < 6000) "
            "insert into Big select n, substr(hex(zeroblob(100)), 1, n % 150) || '尾' from k"_s);
    auto verify = [&](Query &q, int rows) {
        QCOMPARE(q.recordCount(), rows);
        for (int row = 0; row < rows; ++row) {
            const int n = q.value(row, 0).toInt();
            if (q.value(row, 1) != QString(n % 150, u'0') + u"尾"_s)
                QFAIL(qPrintable(u"row %1 reads wrong"_s.arg(n)));
        }
    };
    Query &q = db.open(u"select * from Big"_s);
    verify(q, 6000);
    q.open();   // again, into the same room
    verify(q, 6000);
    db.open(u"select * from Big where n <= 100"_s);
    verify(q, 100);
    db.open(u"select * from Big"_s);
    verify(q, 6000);
    q.last();
    q.edit();
    q.setFieldByName(u"n"_s, u"150"_s);
    q.setFieldByName(u"t"_s, u"尾"_s);
    q.post();
    q.first();
    q.deleteRow();
    verify(q, 5999);
    QCOMPARE(db.dump(u"select count(*) from Big"_s), u"5999"_s);
}

void DbTest::execSqlLeavesResultAlone() {
    QueryFixture db(2);
    Query &q = db.open();
    q.next();
    QSignalSpy opened(&q, &Query::opened);
    QSignalSpy current(&q, &Query::currentChanged);
    q.execSql();   // runs the select as a command: rows discarded
    QVERIFY(q.isActive());
    QCOMPARE(q.currentRow(), 1);
    QCOMPARE(q.recordCount(), 2);
    QCOMPARE(opened.size(), 0);
    QCOMPARE(current.size(), 0);

    Query other(db.con, u"query_pwd"_s);
    other.setSql(u"update UsersInfo set 性别=:p1"_s);
    other.setParam(u"p1"_s, u"女"_s);
    other.execSql();
    QVERIFY(!other.isActive());
    QCOMPARE(db.dump(u"select 性别 from UsersInfo"_s), u"女\n女"_s);
    QCOMPARE(q.fieldByName(u"性别"_s), u"男"_s);   // a static result: as read
}

void DbTest::failedChangeLeavesNothing() {
    QueryFixture db;
    db.exec(u"create table Limits (n integer check (n < 3))"_s);
    Query &q = db.q;
    q.setSql(u"insert into Limits (n) values (1), (2), (3)"_s);
    int code = 0;
    QVERIFY(!errorOf([&] { q.execSql(); }, &code).isEmpty());
    QCOMPARE(code, SQLITE_CONSTRAINT);
    QCOMPARE(db.dump(u"select count(*) from Limits"_s), u"0"_s);
    // No transaction is left behind: the connection and another copy can both write at once.
    QVERIFY(sqlite3_get_autocommit(db.con.handle()));
    db.exec(u"insert into Limits values (0)"_s);
    q.setSql(u"insert into Limits (n) values (1), (2)"_s);
    q.execSql();
    QCOMPARE(db.dump(u"select count(*) from Limits"_s), u"3"_s);
}

void DbTest::refusedCheckIsExplained_data() {
    QTest::addColumn<QueryAction>("change");
    QTest::addColumn<QString>("message");

    QTest::newRow("an insert refused by a CHECK") << QueryAction([](Query &q) {
        q.setSql(u"insert into Limits (n, t) values (:a, :b)"_s);
        q.setParam(u"a"_s, u"5"_s);
        q.setParam(u"b"_s, u"五"_s);
        q.execSql();
    }) << u"explained: CHECK constraint failed: Limits | 5,五"_s;
    QTest::newRow("a post refused by a CHECK") << QueryAction([](Query &q) {
        q.setSql(u"select * from Limits"_s);
        q.open();
        q.edit();
        q.setFieldByName(u"n"_s, u"7"_s);
        q.post();
    }) << u"explained: CHECK constraint failed: Limits | 7"_s;
    QTest::newRow("another constraint keeps SQLite's text") << QueryAction([](Query &q) {
        q.setSql(u"insert into Limits (n, t) values (1, 'one')"_s);
        q.execSql();
    }) << u"UNIQUE constraint failed: Limits.t"_s;
}

void DbTest::refusedCheckIsExplained() {
    QFETCH(QueryAction, change);
    QFETCH(QString, message);

    DbFixture db;
    db.exec(u"create table Limits (n integer check (n < 3), t text unique)"_s);
    db.exec(u"insert into Limits values (1, 'one')"_s);
    Connection::Settings settings = db.settings();
    settings.explainCheck = [](const txl::db::CheckFailure &failure) {
        return u"explained: %1 | %2"_s.arg(failure.message, failure.values.join(u','));
    };
    Connection con(settings);
    Query q(con, u"query"_s);
    int code = 0;
    QCOMPARE(errorOf([&] { change(q); }, &code), message);
    QCOMPARE(code, SQLITE_CONSTRAINT);
    QCOMPARE(db.dump(u"select * from Limits"_s), u"1|one"_s);
}

void DbTest::failedPostKeepsEdit() {
    QueryFixture db(1);
    db.exec(u"create trigger refuse before update on UsersInfo when new.姓名='坏' begin "
            "select raise(abort, 'refused'); end"_s);
    Query &q = db.open();
    q.edit();
    q.setFieldByName(u"性别"_s, u"女"_s);
    q.setFieldByName(u"姓名"_s, u"坏"_s);
    QCOMPARE(errorOf([&] { q.post(); }), u"refused"_s);
    QVERIFY(q.isEditing());   // the user can mend it and post again
    QCOMPARE(q.fieldByName(u"姓名"_s), u"坏"_s);
    QCOMPARE(db.dump(u"select 姓名, 性别 from UsersInfo"_s), u"甲|男"_s);
    QVERIFY(sqlite3_get_autocommit(db.con.handle()));
    q.setFieldByName(u"姓名"_s, u"好"_s);
    q.post();
    QCOMPARE(db.dump(u"select 姓名, 性别 from UsersInfo"_s), u"好|女"_s);
}

void DbTest::secondCopyWaitsForLock_data() {
    QTest::addColumn<int>("timeoutMs");
    QTest::addColumn<int>("holdMs");
    QTest::addColumn<int>("code");   // of the insert; 0 = it succeeds

    QTest::newRow("waits while the other copy writes") << 5000 << 200 << 0;
    QTest::newRow("gives up after its busy timeout") << 1 << 1500 << int(SQLITE_BUSY);
}

void DbTest::secondCopyWaitsForLock() {
    QFETCH(int, timeoutMs);
    QFETCH(int, holdMs);
    QFETCH(int, code);

    DbFixture db;
    RawHandle otherCopy = openRaw(db.path(), DbFixture::Key);
    QCOMPARE(sqlite3_exec(otherCopy.get(), "BEGIN IMMEDIATE; insert into LoginInfo values ('a', 'b')", nullptr, nullptr,
                          nullptr),
             SQLITE_OK);
    // The other copy's commit waits for our readers like ours waits for it; without a timeout of
    // its own it could fail while our open reads the schema, and keep the lock for good.
    sqlite3_busy_timeout(otherCopy.get(), 10000);
    std::jthread release([&] {   // joined on every way out, an early return included
        std::this_thread::sleep_for(std::chrono::milliseconds(holdMs));
        sqlite3_exec(otherCopy.get(), "COMMIT", nullptr, nullptr, nullptr);
    });

    Connection::Settings settings = db.settings();
    settings.busyTimeoutMs = timeoutMs;
    Connection con(settings);
    con.open();
    Query q(con, u"query"_s);
    q.setSql(u"insert into LoginInfo values ('c', 'd')"_s);
    int got = 0;
    errorOf([&] { q.execSql(); }, &got);
    release.join();
    QCOMPARE(got, code);
    QCOMPARE(db.dump(u"select count(*) from LoginInfo"_s), code ? u"1"_s : u"2"_s);
}

void DbTest::committedInsertsSurviveKill() {
    DbFixture db;
    std::set<long long> acknowledged;
    long long nextId = 1;
    const int rounds = 8;
    for (int round = 0; round < rounds; ++round) {
        QProcess writer;
        writer.start(QStringLiteral(TXL_CRASH_WRITER),
                     {db.path(), QString::fromLatin1(DbFixture::Key), QString::number(nextId)});
        QVERIFY2(writer.waitForStarted(), qPrintable(writer.errorString()));
        QByteArray out;
        // Let it commit at least once, then kill it at a random moment.
        while (!out.contains('\n') && writer.waitForReadyRead(10000))
            out += writer.readAllStandardOutput();
        QVERIFY2(out.contains('\n'), writer.readAllStandardError().constData());
        QThread::msleep(QRandomGenerator::global()->bounded(1, 120));
        writer.kill();   // SIGKILL
        QVERIFY(writer.waitForFinished(10000));
        QCOMPARE(writer.exitStatus(), QProcess::CrashExit);
        out += writer.readAllStandardOutput();

        // Only whole lines are acknowledgements; a cut last line is not.
        const QList<QByteArray> lines = out.split('\n');
        for (qsizetype i = 0; i + 1 < lines.size(); ++i)
            acknowledged.insert(lines[i].toLongLong());

        Connection con({db.path(), DbFixture::Key, {u"Crash"_s}, 5000});
        Query q(con, u"query"_s);
        q.setSql(u"pragma integrity_check"_s);
        q.open();
        QCOMPARE(q.value(0, 0), u"ok"_s);
        q.setSql(u"select id, payload from Crash"_s);
        q.open();
        std::set<long long> stored;
        for (int row = 0; row < q.recordCount(); ++row) {
            const long long id = q.value(row, 0).toLongLong();
            stored.insert(id);
            QCOMPARE(q.value(row, 1), QString(4000, u'档') + QString::number(id));   // never half-written
        }
        for (long long id : acknowledged)
            QVERIFY2(stored.count(id), qPrintable(u"acknowledged insert %1 is missing"_s.arg(id)));
        nextId = (stored.empty() ? 0 : *stored.rbegin()) + 1;
    }
    QVERIFY(acknowledged.size() >= std::size_t(rounds));
}

QTEST_GUILESS_MAIN(DbTest)
#include "test_db.moc"
