#include "tests/support/TestSupport.h"

#include "data/DatabaseFile.h"
#include "data/PasswordHash.h"
#include "data/Schema.h"
#include "data/Statements.h"
#include "data/U2.h"
#include "platform/db/DbError.h"
#include "tests/support/OrdinaryUser.h"

#include <QCryptographicHash>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <csignal>
#include <memory>

#include <sys/resource.h>
#include <sys/stat.h>

using namespace txl;

namespace {

// The pinyin search table: contacts and the searches on them, see the file's head.
QString searchBookPath() {
    return qEnvironmentVariable("TXL_SOURCE_DIR") + QStringLiteral("/tests/data/pinyin_search.txt");
}

// The lines of one [section] of the search table, comments and blank lines left out.
QStringList searchBookSection(const QString &section) {
    QFile file(searchBookPath());
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return {};
    QStringList lines;
    bool inside = false;
    for (const QString &line : QString::fromUtf8(file.readAll()).split(u'\n')) {
        if (line.startsWith(u'['))
            inside = line == u'[' + section + u']';
        else if (inside && !line.isEmpty() && !line.startsWith(u'#'))
            lines << line;
    }
    return lines;
}

// The permission bits of `path`.
int mode(const QString &path) {
    struct stat info {};
    if (::stat(QFile::encodeName(path).constData(), &info) != 0)
        return -1;
    return static_cast<int>(info.st_mode & 0777);
}

}   // namespace

class DataTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void searchStatementsTakeOnlyKnownColumns_data();
    void searchStatementsTakeOnlyKnownColumns();
    void fuzzySearchStatement_data();
    void fuzzySearchStatement();
    void fuzzySearchFindsPinyin_data();
    void fuzzySearchFindsPinyin();
    void pinyinMatchAfterReopen();
    void pinyinSearchBook_data();
    void pinyinSearchBook();
    void cleanupTestCase();
    void passwordHashes();
    void newDatabaseHoldsSchemaAndAdministrator();
    void newDatabaseRefusesToOverwrite();
    void samplesAreDeterministicAndPlausible();
    void toolCreatesDatabase_data();
    void toolCreatesDatabase();
    void newDatabaseIsPrivate_data();
    void newDatabaseIsPrivate();
    void failedCreationLeavesNothing_data();
    void failedCreationLeavesNothing();
    void newerFileIsRefused();
    void statementsFollowTheSchema();
    void refusedCheckInWords_data();
    void refusedCheckInWords();

private:
    TDataModule1 &searchBook();

    // The book of pinyinSearchBook, made on first use and kept for all its rows.
    std::unique_ptr<QTemporaryDir> m_bookDir;
    std::unique_ptr<TDataModule1> m_book;
    // Over the rows run: rows expected, found, and found as expected; what was found but not
    // expected.
    int m_expected = 0;
    int m_found = 0;
    int m_foundExpected = 0;
    QStringList m_noise;
};

void DataTest::searchStatementsTakeOnlyKnownColumns_data() {
    QTest::addColumn<QString>("column");
    QTest::addColumn<bool>("accepted");
    for (const QString &c : sql::SearchColumns)
        QTest::newRow(qPrintable(c)) << c << true;
    QTest::newRow("not searchable") << QStringLiteral("出生日期") << false;
    QTest::newRow("empty") << QString() << false;
    QTest::newRow("injection") << QStringLiteral("姓名=姓名 or 1") << false;
    QTest::newRow("trailing space") << QStringLiteral("姓名 ") << false;
}

void DataTest::searchStatementsTakeOnlyKnownColumns() {
    QFETCH(QString, column);
    QFETCH(bool, accepted);
    if (accepted) {
        QCOMPARE(sql::exactSearch(column),
                 QStringLiteral("select * from UsersInfo where ") + column + QStringLiteral("=:p1"));
        QCOMPARE(sql::fuzzySearchFor(column, QStringLiteral("1")).statement,
                 QStringLiteral("select * from UsersInfo where ") + column + QStringLiteral(" like :p1"));
    } else {
        QVERIFY_THROWS_EXCEPTION(std::invalid_argument, sql::exactSearch(column));
        QVERIFY_THROWS_EXCEPTION(std::invalid_argument, sql::fuzzySearchFor(column, QStringLiteral("zs")));
    }
}

void DataTest::fuzzySearchStatement_data() {
    QTest::addColumn<QString>("column");
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("pinyin");
    QTest::newRow("name, initials") << QStringLiteral("姓名") << QStringLiteral("zs") << true;
    QTest::newRow("name, syllables apart") << QStringLiteral("姓名") << QStringLiteral("xi'an lu") << true;
    QTest::newRow("address, letters") << QStringLiteral("家庭住址") << QStringLiteral("hz") << true;
    QTest::newRow("name, Chinese") << QStringLiteral("姓名") << QStringLiteral("张") << false;
    QTest::newRow("name, letters and digits") << QStringLiteral("姓名") << QStringLiteral("zs1") << false;
    QTest::newRow("name, wildcard") << QStringLiteral("姓名") << QStringLiteral("z%") << false;
    QTest::newRow("sex, letters") << QStringLiteral("性别") << QStringLiteral("nan") << false;
    QTest::newRow("QQ, letters") << QStringLiteral("QQ") << QStringLiteral("abc") << false;
    QTest::newRow("mobile, digits") << QStringLiteral("手机号码") << QStringLiteral("13") << false;
}

void DataTest::fuzzySearchStatement() {
    QFETCH(QString, column);
    QFETCH(QString, text);
    QFETCH(bool, pinyin);
    const sql::Search search = sql::fuzzySearchFor(column, text);
    const QString plain = QStringLiteral("select * from UsersInfo where ") + column + QStringLiteral(" like :p1");
    QList<std::pair<QString, QString>> params = {
        {QStringLiteral("p1"), QStringLiteral("%") + text + QStringLiteral("%")}};
    if (pinyin)
        params.append({QStringLiteral("p2"), text});
    QCOMPARE(search.statement,
             pinyin ? plain + QStringLiteral(" or pinyin_match(:p2, ") + column + QStringLiteral(")") : plain);
    QCOMPARE(search.params, params);
}

void DataTest::fuzzySearchFindsPinyin_data() {
    QTest::addColumn<QString>("column");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QStringList>("found");
    QTest::newRow("initials") << QStringLiteral("姓名") << QStringLiteral("zs")
                              << QStringList{QStringLiteral("张三"), QStringLiteral("张三丰")};
    QTest::newRow("mixed") << QStringLiteral("姓名") << QStringLiteral("zhangsf")
                           << QStringList{QStringLiteral("张三丰")};
    QTest::newRow("pinyin and plain text") << QStringLiteral("姓名") << QStringLiteral("li")
                                           << QStringList{QStringLiteral("李四"), QStringLiteral("Lily")};
    QTest::newRow("ü") << QStringLiteral("姓名") << QStringLiteral("lv") << QStringList{QStringLiteral("吕布")};
    QTest::newRow("nothing") << QStringLiteral("姓名") << QStringLiteral("zx") << QStringList{};
    QTest::newRow("address") << QStringLiteral("家庭住址") << QStringLiteral("hangzhou")
                             << QStringList{QStringLiteral("李四")};
    QTest::newRow("Chinese text") << QStringLiteral("姓名") << QStringLiteral("三")
                                  << QStringList{QStringLiteral("张三"), QStringLiteral("张三丰")};
    QTest::newRow("sex: no pinyin") << QStringLiteral("性别") << QStringLiteral("n") << QStringList{};
}

void DataTest::fuzzySearchFindsPinyin() {
    QFETCH(QString, column);
    QFETCH(QString, text);
    QFETCH(QStringList, found);
    test::ModuleFixture fx;
    fx.addContact(
        {QStringLiteral("张三"), QStringLiteral("男"), {}, {}, {}, {}, {}, {}, QStringLiteral("上海市徐汇区")});
    fx.addContact(
        {QStringLiteral("李四"), QStringLiteral("男"), {}, {}, {}, {}, {}, {}, QStringLiteral("浙江省杭州市")});
    fx.addContact({QStringLiteral("张三丰"), QStringLiteral("男")});
    fx.addContact({QStringLiteral("Lily"), QStringLiteral("女")});
    fx.addContact({QStringLiteral("吕布"), QStringLiteral("男")});
    fx.exec(QStringLiteral("insert into UsersInfo (性别) values ('男')"));   // no name at all
    db::Query &q = fx.module().query;
    const sql::Search search = sql::fuzzySearchFor(column, text);
    TDataModule1::reload(q, search.statement, search.params);
    QCOMPARE(TDataModule1::columnTexts(q, QStringLiteral("姓名")), found);
}

void DataTest::pinyinMatchAfterReopen() {
    // The function belongs to the connection: a connection opened again has it too.
    test::ModuleFixture fx;
    fx.addContact({QStringLiteral("张三")});
    TDataModule1 &m = fx.module();
    m.con.close();
    const sql::Search search = sql::fuzzySearchFor(QStringLiteral("姓名"), QStringLiteral("zs"));
    TDataModule1::reload(m.query, search.statement, search.params);
    QCOMPARE(m.query.recordCount(), 1);
}

TDataModule1 &DataTest::searchBook() {
    if (m_book)
        return *m_book;
    m_bookDir = std::make_unique<QTemporaryDir>();
    const QString path = m_bookDir->filePath(QStringLiteral("DataBase/txl.mdb"));
    data::createDatabase(path);
    m_book = std::make_unique<TDataModule1>(path);
    m_book->con.open();
    db::Query insert(m_book->con, QStringLiteral("insert"));
    for (const QString &line : searchBookSection(QStringLiteral("contacts"))) {
        QList<std::pair<QString, QString>> params;
        for (int c = 0; c < schema::ContactColumnCount; ++c)
            params.append({sql::contactParameter(schema::Contact(c)), QString()});
        params[schema::Name].second = line.section(u'\t', 0, 0);
        params[schema::Address].second = line.section(u'\t', 1, 1);
        TDataModule1::reloadExec(insert, sql::InsertContact, params);
    }
    return *m_book;
}

void DataTest::pinyinSearchBook_data() {
    QTest::addColumn<QString>("column");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QStringList>("expected");
    const QStringList searches = searchBookSection(QStringLiteral("searches"));
    QVERIFY2(!searches.isEmpty(), qPrintable(searchBookPath()));
    for (const QString &line : searches) {
        const QStringList parts = line.split(u'\t');
        QCOMPARE(parts.size(), 4);
        QTest::addRow("%s %s (%s)", qPrintable(parts[0]), qPrintable(parts[1]), qPrintable(parts[2]))
            << parts[0] << parts[1] << parts[3].split(u' ', Qt::SkipEmptyParts);
    }
}

void DataTest::pinyinSearchBook() {
    // Every contact expected is listed, and no other: the readings find what people mean and
    // nothing a reader of today would not read there.
    QFETCH(QString, column);
    QFETCH(QString, typed);
    QFETCH(QStringList, expected);
    db::Query &q = searchBook().query;
    const sql::Search search = sql::fuzzySearchFor(column, typed);
    TDataModule1::reload(q, search.statement, search.params);
    const QStringList found = TDataModule1::columnTexts(q, QStringLiteral("姓名"));

    QStringList missed;
    QStringList noise;
    for (const QString &name : expected) {
        if (!found.contains(name))
            missed << name;
    }
    for (const QString &name : found) {
        if (!expected.contains(name))
            noise << name;
    }
    m_expected += static_cast<int>(expected.size());
    m_found += static_cast<int>(found.size());
    m_foundExpected += static_cast<int>(found.size() - noise.size());
    for (const QString &name : noise)
        m_noise << column + u' ' + typed + QStringLiteral(": ") + name;
    QVERIFY2(missed.isEmpty() && noise.isEmpty(),
             qPrintable(QStringLiteral("missed: %1; noise: %2").arg(missed.join(u' '), noise.join(u' '))));
}

void DataTest::cleanupTestCase() {
    m_book.reset();
    m_bookDir.reset();
    if (m_found == 0 && m_expected == 0)
        return;
    // The figures of the pinyin search table over the rows that ran.
    qInfo("pinyin search table: %d contacts expected, %d found, %d of them expected; "
          "recall %.1f %%, precision %.1f %%; found but not expected: %s",
          m_expected, m_found, m_foundExpected, m_expected ? 100.0 * m_foundExpected / m_expected : 100.0,
          m_found ? 100.0 * m_foundExpected / m_found : 100.0,
          m_noise.isEmpty() ? "none" : qPrintable(m_noise.join(QStringLiteral(", "))));
}

void DataTest::passwordHashes() {
    const QString h = password::hash(QStringLiteral("密码 with spaces"));
    QVERIFY(h.startsWith(QStringLiteral("$argon2id$")));
    QVERIFY(password::verify(h, QStringLiteral("密码 with spaces")));
    QVERIFY(!password::verify(h, QStringLiteral("密码 with space")));
    QVERIFY(!password::verify(h, QString()));
    QVERIFY(!password::verify(QStringLiteral("123456"), QStringLiteral("123456")));   // plain text never matches
    QVERIFY(!password::verify(QString(), QString()));
    QVERIFY(password::hash(QStringLiteral("a")) != password::hash(QStringLiteral("a")));   // salted
    const QString withNul = QStringLiteral("ab") + QChar(0) + QStringLiteral("cd");
    const QString hn = password::hash(withNul);
    QVERIFY(password::verify(hn, withNul));
    QVERIFY(!password::verify(hn, QStringLiteral("ab")));
}

void DataTest::newDatabaseHoldsSchemaAndAdministrator() {
    test::ModuleFixture fx;
    db::Query &q = fx.module().query;
    TDataModule1::reload(q, QStringLiteral("select * from UsersInfo"));
    QCOMPARE(q.recordCount(), 0);
    QStringList columns;
    for (int i = 0; i < q.columnCount(); ++i)
        columns << q.columnName(i);
    QCOMPARE(columns, schema::contactColumnNames());

    TDataModule1::reload(q, sql::AllAccounts);
    QCOMPARE(q.recordCount(), 1);
    QCOMPARE(q.fieldByName(QStringLiteral("Name")), QStringLiteral("chief"));
    QVERIFY(password::verify(q.fieldByName(QStringLiteral("Pwd")), QStringLiteral("123456")));
    QCOMPARE(fx.count(QStringLiteral("PRAGMA user_version")), schema::Version);

    QFile file(fx.databasePath());
    QVERIFY(file.open(QIODevice::ReadOnly));
    QVERIFY(!file.read(16).startsWith("SQLite format 3"));
    QVERIFY(!QFile::exists(fx.databasePath() + QStringLiteral(".new")));
}

void DataTest::newDatabaseRefusesToOverwrite() {
    test::Workspace ws;
    QFile file(ws.databasePath());
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray before = QCryptographicHash::hash(file.readAll(), QCryptographicHash::Sha256);
    file.close();
    QVERIFY_THROWS_EXCEPTION(db::DbError, data::createDatabase(ws.databasePath()));
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(QCryptographicHash::hash(file.readAll(), QCryptographicHash::Sha256), before);
}

void DataTest::samplesAreDeterministicAndPlausible() {
    unsigned a = 7, b = 7;
    for (int i = 0; i < 200; ++i) {
        const QStringList row = data::sampleContact(a);
        QCOMPARE(row, data::sampleContact(b));
        QCOMPARE(row.size(), 9);
        QVERIFY(row[0].size() >= 2 && row[0].size() <= 4);
        QVERIFY(row[1] == QStringLiteral("男") || row[1] == QStringLiteral("女"));
        QVERIFY(QDate::fromString(row[2], QStringLiteral("yyyy-MM-dd")).isValid());
        QCOMPARE(row[3].size(), 11);
        QVERIFY(row[7].contains(u'@'));
        for (int c = 0; c < 9; ++c)
            QVERIFY(row[c].size() <= schema::ContactColumns[c].length);
    }
}

void DataTest::toolCreatesDatabase_data() {
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<int>("contacts");
    QTest::addColumn<QString>("password");
    QTest::newRow("defaults") << QStringList{QStringLiteral("init"), QStringLiteral(".")} << 0 << 0
                              << QStringLiteral("123456");
    QTest::newRow("sample and password") << QStringList{QStringLiteral("init"), QStringLiteral("--password"),
                                                        QStringLiteral("秘密"), QStringLiteral("--sample"),
                                                        QStringLiteral("25"),   QStringLiteral(".")}
                                         << 0 << 25 << QStringLiteral("秘密");
    QTest::newRow("bad count") << QStringList{QStringLiteral("init"), QStringLiteral("--sample"), QStringLiteral("x")}
                               << 2 << -1 << QString();
    QTest::newRow("no command") << QStringList{} << 2 << -1 << QString();
    QTest::newRow("blank password") << QStringList{QStringLiteral("init"), QStringLiteral("--password"),
                                                   QStringLiteral("  ")}
                                    << 2 << -1 << QString();
    QTest::newRow("password trimmed as sign-in trims it")
        << QStringList{QStringLiteral("init"), QStringLiteral("--password"), QStringLiteral(" abc\t"),
                       QStringLiteral(".")}
        << 0 << 0 << QStringLiteral("abc");
}

void DataTest::toolCreatesDatabase() {
    QFETCH(QStringList, arguments);
    QFETCH(int, exitCode);
    QFETCH(int, contacts);
    QFETCH(QString, password);
    test::Workspace ws(false);
    const QString tool = QCoreApplication::applicationDirPath() + QStringLiteral("/../../txldb");
    QProcess p;
    p.start(tool, arguments);
    QVERIFY(p.waitForFinished(60000));
    QCOMPARE(p.exitCode(), exitCode);
    QCOMPARE(QFile::exists(ws.databasePath()), exitCode == 0);
    if (exitCode != 0)
        return;

    TDataModule1 module;
    module.con.open();
    TDataModule1::reload(module.query, sql::AllContacts);
    QCOMPARE(module.query.recordCount(), contacts);
    TDataModule1::reload(module.query, sql::AllAccounts);
    QVERIFY(password::verify(module.query.fieldByName(QStringLiteral("Pwd")), password));

    // A second run leaves the file alone and says so.
    p.start(tool, {QStringLiteral("init"), QStringLiteral(".")});
    QVERIFY(p.waitForFinished(60000));
    QCOMPARE(p.exitCode(), 1);
    QVERIFY(p.readAllStandardError().contains("already exists"));
}

void DataTest::newDatabaseIsPrivate_data() {
    QTest::addColumn<bool>("folderThere");
    QTest::newRow("the folder is made for it") << false;
    QTest::newRow("the folder is there already") << true;
}

// The key is the same in every copy of the program: only the owner may read the book.
void DataTest::newDatabaseIsPrivate() {
    QFETCH(bool, folderThere);
    test::Workspace ws(false);
    const QString folder = QFileInfo(ws.databasePath()).absolutePath();
    if (folderThere) {
        QVERIFY(QDir().mkdir(folder));
        QVERIFY(::chmod(QFile::encodeName(folder).constData(), 0755) == 0);
    }
    data::createDatabase(ws.databasePath());
    QCOMPARE(mode(ws.databasePath()), 0600);
    QCOMPARE(mode(folder), folderThere ? 0755 : 0700);
}

enum class CreationFault { ReadOnlyFolder, FullDisk, BlankPassword };
Q_DECLARE_METATYPE(CreationFault)

void DataTest::failedCreationLeavesNothing_data() {
    QTest::addColumn<CreationFault>("fault");
    QTest::addColumn<QString>("message");   // how it begins
    QTest::newRow("read-only folder") << CreationFault::ReadOnlyFolder << QStringLiteral("Could not create");
    // A file-size limit stands in for a full disk: SQLite calls it an I/O error rather than a full one.
    QTest::newRow("full disk, part-way through the contacts")
        << CreationFault::FullDisk << QStringLiteral("disk I/O error");
    QTest::newRow("blank password once trimmed")
        << CreationFault::BlankPassword << QStringLiteral("The administrator password must not be blank.");
}

void DataTest::failedCreationLeavesNothing() {
    QFETCH(CreationFault, fault);
    QFETCH(QString, message);
    test::Workspace ws(false);
    const QString folder = QFileInfo(ws.databasePath()).absolutePath();
    data::NewDatabase options;
    std::unique_ptr<test::OrdinaryUser> user;
    rlimit fileSize{};
    QVERIFY(::getrlimit(RLIMIT_FSIZE, &fileSize) == 0);
    const rlimit unlimited = fileSize;
    switch (fault) {
    case CreationFault::ReadOnlyFolder:
        QVERIFY(QDir().mkdir(folder));
        QVERIFY(QFile::setPermissions(folder, QFile::ReadOwner | QFile::ExeOwner));
        user = std::make_unique<test::OrdinaryUser>(QStringList{ws.path(), folder});
        break;
    case CreationFault::FullDisk:
        // Files may grow to 48 KiB: a few hundred contacts in, the disk is full.
        options.sampleContacts = 2000;
        std::signal(SIGXFSZ, SIG_IGN);
        fileSize.rlim_cur = 48 * 1024;
        QVERIFY(::setrlimit(RLIMIT_FSIZE, &fileSize) == 0);
        break;
    case CreationFault::BlankPassword:
        options.adminPassword = QStringLiteral(" \t ");
        break;
    }
    QString error;
    try {
        data::createDatabase(ws.databasePath(), options);
    } catch (const db::DbError &e) {
        error = e.message();
    }
    ::setrlimit(RLIMIT_FSIZE, &unlimited);
    user.reset();
    QVERIFY2(error.startsWith(message), qPrintable(error));
    QCOMPARE(QDir(ws.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden),
             fault == CreationFault::ReadOnlyFolder ? QStringList{QStringLiteral("DataBase")} : QStringList{});
    if (QFileInfo(folder).isDir())
        QCOMPARE(QDir(folder).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden), QStringList{});
}

// A file of a later version of the program is not read, and not written to either.
void DataTest::newerFileIsRefused() {
    test::Workspace ws;
    {
        const db::sqlite::Database raw = db::sqlite::openFile(ws.databasePath(), SQLITE_OPEN_READWRITE);
        db::sqlite::setKey(raw.get(), TDataModule1::DatabaseKey);
        db::sqlite::exec(raw.get(), QStringLiteral("PRAGMA user_version = %1").arg(schema::Version + 1));
    }
    QFile file(ws.databasePath());
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray before = file.readAll();
    file.close();

    TDataModule1 module;
    QString error;
    try {
        module.con.open();
    } catch (const db::DbError &e) {
        error = e.message();
    }
    QCOMPARE(error, QStringLiteral("'DataBase/txl.mdb' was made by a newer version of txl (file version %1; "
                                   "this version reads up to %2). It is left as it is.")
                        .arg(schema::Version + 1)
                        .arg(schema::Version));
    QVERIFY(!module.con.isOpen());
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), before);
}

// The statements name the tables and columns the schema names, in its order.
void DataTest::statementsFollowTheSchema() {
    QCOMPARE(
        sql::InsertContact,
        QStringLiteral("insert into UsersInfo (姓名,性别,出生日期,手机号码,宿舍号码,家庭电话,QQ,电子邮箱,家庭住址) "
                       "values (:a,:b,:c,:d,:e,:f,:g,:h,:i)"));
    QCOMPARE(sql::ContactByName, QStringLiteral("select * from UsersInfo where 姓名= :p1"));
    QCOMPARE(sql::UpdatePassword, QStringLiteral("update LoginInfo set Pwd=:p1 where Name=:p2"));
    QCOMPARE(sql::InsertAccount, QStringLiteral("insert into LoginInfo(Name,Pwd) values(:p1,:p2)"));
    QCOMPARE(sql::AccountNames, QStringLiteral("select Name from LoginInfo"));
    QCOMPARE(sql::AccountByName, QStringLiteral("select * from LoginInfo where Name=:p1"));
    QCOMPARE(sql::SearchColumns,
             QStringList({QStringLiteral("姓名"), QStringLiteral("性别"), QStringLiteral("QQ"),
                          QStringLiteral("手机号码"), QStringLiteral("家庭电话"), QStringLiteral("家庭住址")}));
}

void DataTest::refusedCheckInWords_data() {
    QTest::addColumn<QString>("message");   // SQLite's
    QTest::addColumn<QStringList>("values");
    QTest::addColumn<QString>("words");

    const QString hash = password::hash(QStringLiteral("x"));
    const QString nameTooLong = QStringLiteral("用户名太长，不能超过 50 个字符!");
    QTest::newRow("a check named as the program names it")
        << QStringLiteral("CHECK constraint failed: length of Name") << QStringList{} << nameTooLong;
    QTest::newRow("a contact column") << QStringLiteral("CHECK constraint failed: length of 电子邮箱") << QStringList{}
                                      << QStringLiteral("电子邮箱太长，不能超过 255 个字符!");
    QTest::newRow("an unnamed check, named by its text")
        << QStringLiteral("CHECK constraint failed: length(姓名) <= 50") << QStringList{}
        << QStringLiteral("姓名太长，不能超过 50 个字符!");
    QTest::newRow("an unnamed check of an older file: the value tells")
        << QStringLiteral("CHECK constraint failed: LoginInfo") << QStringList{QString(51, u'长'), hash} << nameTooLong;
    QTest::newRow("a value too long for either column")
        << QStringLiteral("CHECK constraint failed: LoginInfo") << QStringList{QString(256, u'x'), hash}
        << QStringLiteral("内容太长：用户名不能超过 50 个字符，或者密码不能超过 255 个字符!");
    QTest::newRow("a surrogate pair is one character")
        << QStringLiteral("CHECK constraint failed: LoginInfo")
        << QStringList{QStringLiteral("\U0001F600").repeated(30), QStringLiteral("x")}
        << QStringLiteral("数据库拒绝保存：不符合它的检查条件（LoginInfo）!");
    QTest::newRow("a check the program does not know")
        << QStringLiteral("CHECK constraint failed: my_rule") << QStringList{}
        << QStringLiteral("数据库拒绝保存：不符合它的检查条件（my_rule）!");
}

void DataTest::refusedCheckInWords() {
    QFETCH(QString, message);
    QFETCH(QStringList, values);
    QFETCH(QString, words);
    QCOMPARE(schema::explainCheck({message, values}), words);
}

TXL_TEST_MAIN(DataTest)
#include "test_data.moc"
