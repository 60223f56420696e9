#include "tests/support/TestSupport.h"

#include "data/DatabaseFile.h"
#include "data/PasswordHash.h"
#include "data/Schema.h"
#include "data/Statements.h"
#include "data/U2.h"
#include "platform/db/DbError.h"

#include <QCryptographicHash>
#include <QFile>
#include <QProcess>

using namespace txl;

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
    void passwordHashes();
    void newDatabaseHoldsSchemaAndAdministrator();
    void newDatabaseRefusesToOverwrite();
    void samplesAreDeterministicAndPlausible();
    void toolCreatesDatabase_data();
    void toolCreatesDatabase();
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
        QCOMPARE(sql::exactSearch(column), QStringLiteral("select * from UsersInfo where ") + column + QStringLiteral("=:p1"));
        QCOMPARE(sql::fuzzySearch(column), QStringLiteral("select * from UsersInfo where ") + column + QStringLiteral(" like :p1"));
    } else {
        QVERIFY_THROWS_EXCEPTION(std::invalid_argument, sql::exactSearch(column));
        QVERIFY_THROWS_EXCEPTION(std::invalid_argument, sql::fuzzySearch(column));
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
    QList<std::pair<QString, QString>> params = {{QStringLiteral("p1"), QStringLiteral("%") + text + QStringLiteral("%")}};
    if (pinyin)
        params.append({QStringLiteral("p2"), text});
    QCOMPARE(search.statement, pinyin ? plain + QStringLiteral(" or pinyin_match(:p2, ") + column + QStringLiteral(")") : plain);
    QCOMPARE(search.params, params);
}

void DataTest::fuzzySearchFindsPinyin_data() {
    QTest::addColumn<QString>("column");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QStringList>("found");
    QTest::newRow("initials") << QStringLiteral("姓名") << QStringLiteral("zs") << QStringList{QStringLiteral("张三"), QStringLiteral("张三丰")};
    QTest::newRow("mixed") << QStringLiteral("姓名") << QStringLiteral("zhangsf") << QStringList{QStringLiteral("张三丰")};
    QTest::newRow("pinyin and plain text") << QStringLiteral("姓名") << QStringLiteral("li") << QStringList{QStringLiteral("李四"), QStringLiteral("Lily")};
    QTest::newRow("ü") << QStringLiteral("姓名") << QStringLiteral("lv") << QStringList{QStringLiteral("吕布")};
    QTest::newRow("nothing") << QStringLiteral("姓名") << QStringLiteral("zx") << QStringList{};
    QTest::newRow("address") << QStringLiteral("家庭住址") << QStringLiteral("hangzhou") << QStringList{QStringLiteral("李四")};
    QTest::newRow("Chinese text") << QStringLiteral("姓名") << QStringLiteral("三") << QStringList{QStringLiteral("张三"), QStringLiteral("张三丰")};
    QTest::newRow("sex: no pinyin") << QStringLiteral("性别") << QStringLiteral("n") << QStringList{};
}

void DataTest::fuzzySearchFindsPinyin() {
    QFETCH(QString, column);
    QFETCH(QString, text);
    QFETCH(QStringList, found);
    test::ModuleFixture fx;
    fx.addContact({QStringLiteral("张三"), QStringLiteral("男"), {}, {}, {}, {}, {}, {}, QStringLiteral("上海市徐汇区")});
    fx.addContact({QStringLiteral("李四"), QStringLiteral("男"), {}, {}, {}, {}, {}, {}, QStringLiteral("浙江省杭州市")});
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
    QTest::newRow("defaults") << QStringList{QStringLiteral("init"), QStringLiteral(".")} << 0 << 0 << QStringLiteral("123456");
    QTest::newRow("sample and password")
        << QStringList{QStringLiteral("init"), QStringLiteral("--password"), QStringLiteral("秘密"),
                       QStringLiteral("--sample"), QStringLiteral("25"), QStringLiteral(".")}
        << 0 << 25 << QStringLiteral("秘密");
    QTest::newRow("bad count") << QStringList{QStringLiteral("init"), QStringLiteral("--sample"), QStringLiteral("x")} << 2 << -1 << QString();
    QTest::newRow("no command") << QStringList{} << 2 << -1 << QString();
    QTest::newRow("blank password") << QStringList{QStringLiteral("init"), QStringLiteral("--password"), QStringLiteral("  ")} << 2 << -1 << QString();
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

TXL_TEST_MAIN(DataTest)
#include "test_data.moc"
