#include "platform/os/Gb18030.h"
#include "platform/os/Launch.h"
#include "platform/os/Regional.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;
using namespace txl::os;

// Runs in the test environment's zh_CN.UTF-8 locale.
class OsTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void gb18030Length_data();
    void gb18030Length();
    void cutToGb18030_data();
    void cutToGb18030();

    void regionalFormats();
    void parseDate_data();
    void parseDate();

    void findCalculator_data();
    void findCalculator();
    void startDetached();
};

void OsTest::gb18030Length_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("bytes");
    QTest::newRow("empty") << QString() << 0;
    QTest::newRow("ASCII") << u"Zhang San 123"_s << 13;
    QTest::newRow("Chinese") << u"张三丰"_s << 6;
    QTest::newRow("full-width punctuation") << u"，。！"_s << 6;
    QTest::newRow("euro sign, two bytes in GB18030") << u"€"_s << 2;
    QTest::newRow("CJK extension A, not in GBK") << u"㐀"_s << 4;
    QTest::newRow("emoji") << u"😀"_s << 4;
    QTest::newRow("mixed") << u"a张😀b"_s << 8;
    QTest::newRow("unpaired surrogate") << QString(QChar(0xD83D)) << 4;
}

void OsTest::gb18030Length() {
    QFETCH(QString, text);
    QFETCH(int, bytes);
    QCOMPARE(txl::os::gb18030Length(text), bytes);
}

void OsTest::cutToGb18030_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("limit");
    QTest::addColumn<QString>("kept");
    QTest::newRow("ASCII fits") << u"abc"_s << 10 << u"abc"_s;
    QTest::newRow("ASCII cut at 10") << u"abcdefghijkl"_s << 10 << u"abcdefghij"_s;
    QTest::newRow("five Chinese in 10") << u"张三李四王五"_s << 10 << u"张三李四王"_s;
    QTest::newRow("no half character in 11") << u"张三李四王五"_s << 11 << u"张三李四王"_s;
    QTest::newRow("six Chinese in 12") << u"张三李四王五"_s << 12 << u"张三李四王五"_s;
    QTest::newRow("odd start in 10") << u"a张三李四王"_s << 10 << u"a张三李四"_s;
    QTest::newRow("25 of 30 Chinese in 50") << QString(30, QChar(0x5f20)) << 50 << QString(25, QChar(0x5f20));
    QTest::newRow("two emoji in 8") << u"😀😀😀"_s << 8 << u"😀😀"_s;
    QTest::newRow("emoji never split") << u"ab😀"_s << 5 << u"ab"_s;
    QTest::newRow("zero") << u"abc"_s << 0 << QString();
}

void OsTest::cutToGb18030() {
    QFETCH(QString, text);
    QFETCH(int, limit);
    QFETCH(QString, kept);
    QCOMPARE(txl::os::cutToGb18030(text, limit), kept);
}

void OsTest::regionalFormats() {
    const QDate date(2024, 3, 5);
    const QTime time(9, 5, 7);
    QCOMPARE(shortDate(date), u"2024/3/5"_s);
    // The locale's long time names the time zone; the program shows the local time without it.
    QCOMPARE(longTime(time), u"09:05:07"_s);
    QCOMPARE(longTime(QTime(23, 59, 59)), u"23:59:59"_s);
    QCOMPARE(dateTimeText(QDateTime(date, time)), u"2024/3/5 09:05:07"_s);
}

void OsTest::parseDate_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QDate>("date");
    QTest::newRow("database form") << u"1990-12-31"_s << QDate(1990, 12, 31);
    QTest::newRow("one-digit month and day") << u"1985-3-5"_s << QDate(1985, 3, 5);
    QTest::newRow("surrounding blanks") << u" 1985-03-05 "_s << QDate(1985, 3, 5);
    QTest::newRow("regional short date") << u"2024/3/5"_s << QDate(2024, 3, 5);
    QTest::newRow("leap day") << u"2000-02-29"_s << QDate(2000, 2, 29);
    QTest::newRow("no such day") << u"2001-02-29"_s << QDate();
    QTest::newRow("month 13") << u"2024-13-01"_s << QDate();
    QTest::newRow("two-digit year") << u"85-3-5"_s << QDate();
    QTest::newRow("words") << u"明天"_s << QDate();
    QTest::newRow("empty") << QString() << QDate();
}

void OsTest::parseDate() {
    QFETCH(QString, text);
    QFETCH(QDate, date);
    QCOMPARE(txl::os::parseDate(text), date);
}

namespace {

void makeFile(const QString &path, bool executable) {
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("#!/bin/sh\n");
    file.close();
    QFile::Permissions permissions = QFile::ReadOwner | QFile::WriteOwner;
    if (executable)
        permissions |= QFile::ExeOwner;
    QVERIFY(file.setPermissions(permissions));
}

}   // namespace

void OsTest::findCalculator_data() {
    // Files per folder: "name" an executable, "name-" a file that cannot run, "name/" a folder.
    QTest::addColumn<QStringList>("system");
    QTest::addColumn<QStringList>("local");
    QTest::addColumn<QString>("found");   // "<folder>/<name>", empty for none
    QTest::newRow("none at all") << QStringList() << QStringList() << QString();
    QTest::newRow("only look-alikes") << QStringList{u"kcalc-"_s, u"xcalc/"_s} << QStringList{u"galculator-"_s}
                                      << QString();
    QTest::newRow("found in the second folder")
        << QStringList{u"kcalc-"_s} << QStringList{u"xcalc"_s} << u"local/xcalc"_s;
    QTest::newRow("first folder wins over the name order")
        << QStringList{u"xcalc"_s} << QStringList{u"gnome-calculator"_s} << u"system/xcalc"_s;
    QTest::newRow("name order within a folder")
        << QStringList{u"xcalc"_s, u"kcalc"_s} << QStringList() << u"system/kcalc"_s;
}

void OsTest::findCalculator() {
    QFETCH(QStringList, system);
    QFETCH(QStringList, local);
    QFETCH(QString, found);

    QTemporaryDir root;
    QVERIFY(root.isValid());
    const QDir dir(root.path());
    const auto fill = [&](const QString &folder, const QStringList &entries) {
        QVERIFY(dir.mkpath(folder));
        for (QString entry : entries) {
            const QString path = dir.filePath(folder + u'/' + entry.chopped(entry.back().isLetter() ? 0 : 1));
            if (entry.endsWith(u'/'))
                QVERIFY(QDir().mkpath(path));
            else
                makeFile(path, !entry.endsWith(u'-'));
        }
    };
    fill(u"system"_s, system);
    fill(u"local"_s, local);

    CalculatorSearch search = CalculatorSearch::standard();
    search.folders = {dir.filePath(u"system"_s), dir.filePath(u"local"_s)};
    QCOMPARE(txl::os::findCalculator(search), found.isEmpty() ? QString() : dir.filePath(found));
}

void OsTest::startDetached() {
    QVERIFY(txl::os::startDetached(u"/bin/true"_s));
    QVERIFY(!txl::os::startDetached(u"/nonexistent/calculator"_s));
}

QTEST_GUILESS_MAIN(OsTest)
#include "test_os.moc"
