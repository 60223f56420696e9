#include "tests/support/TestSupport.h"

#include "data/DatabaseFile.h"
#include "data/Statements.h"
#include "data/U2.h"
#include "platform/db/Connection.h"
#include "platform/db/Query.h"

#include <QCoreApplication>
#include <QFile>
#include <QProcess>

using namespace Qt::StringLiterals;
using namespace txl;

namespace {

struct Run {
    int code;
    QString out;
    QString err;
};

Run txldb(const QStringList &args) {
    QProcess p;
    p.start(QCoreApplication::applicationDirPath() + u"/../../txldb"_s, args);
    p.waitForFinished(120000);
    return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1, QString::fromUtf8(p.readAllStandardOutput()),
            QString::fromUtf8(p.readAllStandardError())};
}

QStringList names(const QString &folder) {
    db::Connection con({folder + u"/DataBase/txl.mdb"_s, TDataModule1::DatabaseKey, {u"UsersInfo"_s}, 5000});
    db::Query q(con, u"check"_s);
    q.setSql(u"select 姓名 from UsersInfo"_s);
    q.open();
    QStringList list;
    for (int r = 0; r < q.recordCount(); ++r)
        list << q.value(r, 0);
    return list;
}

}   // namespace

class ToolTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void exportThenImport_data();
    void exportThenImport();
    void importReportsRefusedRows();
    void exportSearchIsTheWindowsSearch_data();
    void exportSearchIsTheWindowsSearch();
    void unreadableFileChangesNothing();
};

void ToolTest::exportThenImport_data() {
    QTest::addColumn<QString>("file");
    QTest::addColumn<QStringList>("options");
    QTest::newRow("xlsx") << u"out.xlsx"_s << QStringList();
    QTest::newRow("CSV") << u"out.csv"_s << QStringList();
    QTest::newRow("CSV GB18030") << u"out.csv"_s << QStringList{u"--encoding"_s, u"gb18030"_s};
    QTest::newRow("vCard") << u"out.vcf"_s << QStringList();
}

void ToolTest::exportThenImport() {
    QFETCH(QString, file);
    QFETCH(QStringList, options);
    data::NewDatabase samples;
    samples.sampleContacts = 30;
    test::Workspace work(true, samples);
    Run r = txldb(QStringList{u"export"_s, file} + options);
    QCOMPARE(r.code, 0);
    QCOMPARE(r.out, u"exported 30 contacts to %1\n"_s.arg(file));
    if (options.contains(u"gb18030"_s)) {
        QFile f(file);
        QVERIFY(f.open(QIODevice::ReadOnly));
        QVERIFY(!f.readAll().startsWith("\xEF\xBB\xBF"));
    }

    data::createDatabase(u"b/DataBase/txl.mdb"_s);
    r = txldb({u"import"_s, file, u"b"_s});
    QCOMPARE(r.code, 0);
    // A workbook's sheet is named with what it gave.
    QCOMPARE(r.out, u"imported 30, skipped 0, refused 0, warnings 0\n"_s +
                        (file.endsWith(u".xlsx"_s) ? u"工作表“同学录”：30 位联系人，拒绝 0 行\n"_s : QString()));
    QCOMPARE(names(u"b"_s), names(u"."_s));
    r = txldb({u"import"_s, file, u"b"_s});
    QVERIFY(r.out.startsWith(u"imported 0, skipped 30, refused 0, warnings 0\n"_s));
    r = txldb({u"import"_s, file, u"b"_s, u"--duplicates"_s, u"add"_s});
    QVERIFY(r.out.startsWith(u"imported 30, skipped 0, refused 0, warnings 0\n"_s));
    QCOMPARE(names(u"b"_s).size(), 60);
}

void ToolTest::importReportsRefusedRows() {
    test::Workspace work;
    QFile f(u"list.csv"_s);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(u"名字,Mobile,生日,备注\n张三,+86 138-0013-8000,1986/3/1,x\n,1,,\n李四,1,1986-02-30,\n王五\n"_s.toUtf8());
    f.close();
    const Run r = txldb({u"import"_s, u"list.csv"_s});
    QCOMPARE(r.code, 0);
    QCOMPARE(r.out, u"imported 3, skipped 0, refused 1, warnings 1\n第3行：姓名为空\n"
                    "警告：第4行：出生日期“1986-02-30”不是有效的日期，已留空\n"_s);
    QCOMPARE(names(u"."_s), (QStringList{u"张三"_s, u"李四"_s, u"王五"_s}));

    // Exporting what a search on 手机号码 lists: the normalised number is found.
    const Run e = txldb({u"export"_s, u"found.csv"_s, u"--search"_s, u"手机号码=13800138000"_s});
    QCOMPARE(e.out, u"exported 1 contacts to found.csv\n"_s);
    QCOMPARE(txldb({u"export"_s, u"x.csv"_s, u"--search"_s, u"出生日期=1"_s}).code, 2);
}

void ToolTest::exportSearchIsTheWindowsSearch_data() {
    QTest::addColumn<QString>("column");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QStringList>("found");
    QTest::newRow("pinyin initials on 姓名") << u"姓名"_s << u"zs"_s << QStringList{u"张三"_s, u"赵爽"_s};
    QTest::newRow("pinyin on 家庭住址") << u"家庭住址"_s << u"hangzhou"_s << QStringList{u"李四"_s};
    QTest::newRow("place-name reading") << u"家庭住址"_s << u"laoting"_s << QStringList{u"王五"_s};
    QTest::newRow("plain text") << u"姓名"_s << u"四"_s << QStringList{u"李四"_s};
    QTest::newRow("no pinyin on 性别") << u"性别"_s << u"nan"_s << QStringList{};
}

void ToolTest::exportSearchIsTheWindowsSearch() {
    // `txldb export --search` writes what the main window's fuzzy search lists, pinyin included.
    QFETCH(QString, column);
    QFETCH(QString, text);
    QFETCH(QStringList, found);
    test::ModuleFixture fx;
    fx.addContact({u"张三"_s, u"男"_s, {}, {}, {}, {}, {}, {}, u"上海市徐汇区"_s});
    fx.addContact({u"赵爽"_s, u"女"_s});
    fx.addContact({u"李四"_s, u"男"_s, {}, {}, {}, {}, {}, {}, u"浙江省杭州市西湖区"_s});
    fx.addContact({u"王五"_s, u"男"_s, {}, {}, {}, {}, {}, {}, u"河北省唐山市乐亭县"_s});
    const sql::Search search = sql::fuzzySearchFor(column, text);
    TDataModule1::reload(fx.module().query, search.statement, search.params);
    QCOMPARE(TDataModule1::columnTexts(fx.module().query, u"姓名"_s), found);

    const Run r = txldb({u"export"_s, u"found.vcf"_s, u"--search"_s, column + u'=' + text});
    QCOMPARE(r.code, 0);
    QCOMPARE(r.out, u"exported %1 contacts to found.vcf\n"_s.arg(found.size()));
    QFile file(u"found.vcf"_s);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QString written = QString::fromUtf8(file.readAll());
    for (const QString &name : {u"张三"_s, u"赵爽"_s, u"李四"_s, u"王五"_s})
        QCOMPARE(written.contains(u"FN:"_s + name), found.contains(name));
}

void ToolTest::unreadableFileChangesNothing() {
    test::Workspace work;
    QFile f(u"broken.vcf"_s);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write("BEGIN:VCARD\r\nVERSION:3.0\r\nFN:A\r\n");
    f.close();
    for (const QString &file : {u"broken.vcf"_s, u"missing.csv"_s}) {
        const Run r = txldb({u"import"_s, file});
        QCOMPARE(r.code, 1);
        QVERIFY(r.out.isEmpty());
        QVERIFY2(!r.err.isEmpty(), qPrintable(file));
    }
    QVERIFY(names(u"."_s).isEmpty());
}

TXL_TEST_MAIN(ToolTest)
#include "test_exchange_tool.moc"
