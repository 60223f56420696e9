#include "tests/exchange/Workbooks.h"
#include "tests/support/TestSupport.h"

#include "data/DatabaseFile.h"
#include "data/Schema.h"
#include "data/U2.h"
#include "exchange/ContactFile.h"
#include "exchange/ContactImport.h"
#include "exchange/ImportRules.h"

#include <QElapsedTimer>
#include <QFile>
#include <QStringEncoder>

#include <sys/stat.h>

using namespace Qt::StringLiterals;
using namespace txl;
using namespace txl::exchange;

namespace {

// This process's peak resident memory since the last reset, and the reset itself (Linux keeps
// the peak as VmHWM; writing 5 to clear_refs starts it again from what is resident now).
qint64 statusKilobytes(const char *field) {
    QFile status(u"/proc/self/status"_s);
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith(field))
            return line.mid(qstrlen(field)).trimmed().split(' ').first().toLongLong();
    }
    return 0;
}

void resetPeak() {
    QFile clear(u"/proc/self/clear_refs"_s);
    if (clear.open(QIODevice::WriteOnly))
        clear.write("5");
}

QByteArray repeated(const QByteArray &piece, qsizetype times) {
    QByteArray out;
    out.reserve(piece.size() * times);
    for (qsizetype i = 0; i < times; ++i)
        out += piece;
    return out;
}

QByteArray inlineCell(const char *reference, const QByteArray &text) {
    return "<c r=\"" + QByteArray(reference) + "\" t=\"inlineStr\"><is><t>" + text + "</t></is></c>";
}

// A sheet with 姓名 over column A and one more row, `cell` in it.
QByteArray oneRow(const QByteArray &row2) {
    return "<row r=\"1\">" + inlineCell("A1", "姓名") + "</row><row r=\"2\">" + row2 + "</row>";
}

QByteArray utf8(const QString &text) {
    return text.toUtf8();
}

// Whether any stored value breaks the text rule.
QStringList uncleanValues(db::Connection &con) {
    QStringList found;
    for (const QStringList &row : test::rowsOf(con, u"select * from UsersInfo"_s)) {
        for (int c = 0; c < schema::ContactColumnCount; ++c) {
            if (const QString problem = textProblem(static_cast<schema::Contact>(c), row.value(c)); !problem.isEmpty())
                found << problem;
        }
    }
    return found;
}

}   // namespace

class HostileTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void hostileFilesEndCleanly_data();
    void hostileFilesEndCleanly();
};

void HostileTest::hostileFilesEndCleanly_data() {
    QTest::addColumn<QByteArray>("bytes");   // empty: a FIFO
    QTest::addColumn<QString>("name");
    // What happens: the file refused with a message holding `reason` (imported -1), or so many
    // imported and refused, the first refusal holding `reason`.
    QTest::addColumn<int>("imported");
    QTest::addColumn<int>("refused");
    QTest::addColumn<QString>("reason");
    const int whole = -1;

    const QByteArray deepRuns = repeated("<r>", 300000) + "<t>x</t>" + repeated("</r>", 300000);
    QTest::newRow("300,000 nested runs in a shared string")
        << test::workbook(oneRow("<c r=\"A2\" t=\"s\"><v>1</v></c>"), "<si><t>姓名</t></si><si>" + deepRuns + "</si>")
        << u"deep.xlsx"_s << whole << 0 << u"元素嵌套超过 64 层"_s;
    QTest::newRow("300,000 nested runs in an inline string")
        << test::workbook(oneRow("<c r=\"A2\" t=\"inlineStr\"><is>" + deepRuns + "</is></c>")) << u"deep.xlsx"_s
        << whole << 0 << u"元素嵌套超过 64 层"_s;

    const QByteArray longCell = test::workbook(oneRow(inlineCell("A2", QByteArray(100 << 20, 'a'))));
    QTest::newRow("one cell of 100 MB") << longCell << u"long.xlsx"_s << whole << 0 << u"文件解开后的文字太多"_s;
    QTest::newRow("one cell of 100 MB in a column nobody reads")
        << test::workbook("<row r=\"1\">" + inlineCell("A1", "姓名") + inlineCell("B1", "手机") +
                          "</row><row r=\"2\">" + inlineCell("A2", "张三") +
                          inlineCell("C2", QByteArray(100 << 20, 'a')) + "</row>")
        << u"long.xlsx"_s << 1 << 0 << QString();
    QTest::newRow("one field of 30 MB in a CSV") << "姓名\n" + QByteArray(30 << 20, 'a') + "\n李四\n"
                                                 << u"long.csv"_s << 1 << 1 << u"姓名太长（31457280 个字符"_s;
    // The unpacked size a zip claims counts for nothing but a quick refusal: what comes is what is read.
    QTest::newRow("one cell of 100 MB, the zip claiming 1 KB")
        << test::withClaimedSize(longCell, u"xl/worksheets/first.xml"_s, 1024) << u"long.xlsx"_s << whole << 0
        << u"文件解开后的文字太多"_s;
    QTest::newRow("one cell of 100 MB, the zip claiming 3 GB")
        << test::withClaimedSize(longCell, u"xl/worksheets/first.xml"_s, 0xc0000000u) << u"long.xlsx"_s << whole << 0
        << u"first.xml 解压后过大"_s;
    QTest::newRow("one tag of 100 MB") << test::workbook(
                                              oneRow("<c r=\"A2\" x=\"" + QByteArray(100 << 20, 'a') + "\"/>"))
                                       << u"tag.xlsx"_s << whole << 0 << u"有一段标记超过"_s;

    // Every row holds a name and a note in the sheet's last column.
    QByteArray xfd = "<row r=\"1\">" + inlineCell("A1", "姓名") + inlineCell("XFD1", "备注") + "</row>";
    for (int r = 2; r <= 100001; ++r) {
        const QByteArray n = QByteArray::number(r);
        xfd += "<row r=\"" + n + "\">" + inlineCell("A" + n, "n" + n) + inlineCell("XFD" + n, "x") + "</row>";
    }
    QTest::newRow("100,000 rows reaching column XFD")
        << test::workbook(xfd) << u"wide.xlsx"_s << 100000 << 0 << QString();

    QByteArray used = "<row r=\"1\"><c r=\"A1\" t=\"s\"><v>0</v></c></row>";
    for (int r = 2; r <= 20001; ++r)
        used += "<row r=\"" + QByteArray::number(r) + "\"><c t=\"s\"><v>1</v></c></row>";
    QTest::newRow("a 1 MiB shared string used by 20,000 rows")
        << test::workbook(used, "<si><t>姓名</t></si><si><t>" + QByteArray(1 << 20, 'x') + "</t></si>")
        << u"amplified.xlsx"_s << whole << 0 << u"文件解开后的文字太多"_s;

    QTest::newRow("one name 10 million times")
        << "姓名\n" + repeated("a\n", 10000000) << u"same.csv"_s << 1 << 0 << QString();
    QTest::newRow("a FIFO") << QByteArray() << u"fifo.csv"_s << whole << 0 << u"它不是普通文件"_s;

    QTest::newRow("control characters in a CSV")
        << utf8(u"姓名,地址\n张\x01三,杭州\n李四,\x1b[31m杭州\n王\x07五,宁波\n赵六,温州\n"_s) << u"c.csv"_s << 1 << 3
        << u"姓名含有控制字符（U+0001）"_s;
    QTest::newRow("noncharacter in a CSV")
        << utf8(u"姓名\n张\uFFFE三\n李四\n"_s) << u"n.csv"_s << 1 << 1 << u"姓名含有非字符（U+FFFE）"_s;
    QTest::newRow("control character as a spreadsheet writes it (_x0001_)")
        << test::workbook(oneRow(inlineCell("A2", "张_x0001_三")) + "<row r=\"3\">" +
                          inlineCell("A3", "李_x005F_x0001_") + "</row>")
        << u"x.xlsx"_s << 1 << 1 << u"姓名含有控制字符（U+0001）"_s;
    QTest::newRow("raw control character in a workbook") << test::workbook(oneRow(inlineCell("A2", "张\x01三")))
                                                         << u"x.xlsx"_s << whole << 0 << u"有不合格式的字符或标记"_s;
    QTest::newRow("character reference to a control character")
        << test::workbook(oneRow(inlineCell("A2", "张&#1;三"))) << u"x.xlsx"_s << whole << 0
        << u"字符引用指向不允许的字符"_s;
    QTest::newRow("bytes that are no UTF-8 in a workbook") << test::workbook(oneRow(inlineCell("A2", "\xff\xfe")))
                                                           << u"x.xlsx"_s << whole << 0 << u"有不合格式的字符或标记"_s;
    QTest::newRow("entities declared to multiply")
        << test::zipped({{u"xl/workbook.xml"_s,
                          "<!DOCTYPE workbook [<!ENTITY a \"aaaaaaaaaa\"><!ENTITY b \"&a;&a;&a;&a;&a;&a;\">"
                          "<!ENTITY c \"&b;&b;&b;&b;&b;&b;\">]><workbook>&c;</workbook>"}})
        << u"x.xlsx"_s << whole << 0 << u"不接受文档类型声明"_s;
    QTest::newRow("row number 2147483647")
        << test::workbook(oneRow(inlineCell("A2", "张三")) + "<row r=\"2147483647\"></row>") << u"x.xlsx"_s << whole
        << 0 << u"不是有效的行号"_s;
    QTest::newRow("shared string that is not there")
        << test::workbook(oneRow("<c r=\"A2\" t=\"s\"><v>7</v></c>"), "<si><t>姓名</t></si>") << u"x.xlsx"_s << whole
        << 0 << u"工作表“A”的 A2 单元格引用了不存在的共享文字（第 7 条，共 1 条）"_s;

    const QByteArray card =
        "BEGIN:VCARD\r\nVERSION:2.1\r\nFN;CHARSET=UTF-8;ENCODING=QUOTED-PRINTABLE:%1\r\nEND:VCARD\r\n"
        "BEGIN:VCARD\r\nVERSION:2.1\r\nFN:李四\r\nEND:VCARD\r\n";
    QTest::newRow("vCard quoted-printable control bytes") << QByteArray(card).replace("%1", "=E5=BC=A0=01=1B=07=00")
                                                          << u"q.vcf"_s << 1 << 1 << u"姓名含有控制字符（U+0001）"_s;
    QTest::newRow("vCard quoted-printable damaged")
        << QByteArray(card).replace("%1", "=E5=BC=G0") << u"q.vcf"_s << 1 << 1 << u"quoted-printable 编码已损坏"_s;
    QTest::newRow("vCard quoted-printable bytes that are no UTF-8")
        << QByteArray(card).replace("%1", "=FF=FE") << u"q.vcf"_s << 1 << 1 << u"不是有效的 UTF-8 文字"_s;

    QTest::newRow("32 MB and one byte")
        << "姓名\n" + QByteArray(MaxFileBytes + 1 - 7, 'a') << u"big.csv"_s << whole << 0
        << u"文件太大（33,554,433 字节），最多只能导入 32 MB（33,554,432 字节）的文件"_s;
}

void HostileTest::hostileFilesEndCleanly() {
    QFETCH(QByteArray, bytes);
    QFETCH(QString, name);
    QFETCH(int, imported);
    QFETCH(int, refused);
    QFETCH(QString, reason);
    data::NewDatabase samples;
    samples.sampleContacts = 5;
    test::ModuleFixture fixture(samples);
    db::Connection &con = fixture.module().con;
    const QList<QStringList> before = test::rowsOf(con, u"select * from UsersInfo"_s);

    if (bytes.isEmpty()) {
        QCOMPARE(::mkfifo(QFile::encodeName(name).constData(), 0600), 0);   // nothing ever writes to it
    } else {
        QFile file(name);
        QVERIFY(file.open(QIODevice::WriteOnly));
        QCOMPARE(file.write(bytes), bytes.size());
    }
    const qsizetype fileBytes = bytes.size();
    bytes.clear();   // the reader gets the file, not this copy

    resetPeak();
    const qint64 residentBefore = statusKilobytes("VmRSS:");
    QElapsedTimer timer;
    timer.start();
    const ReadResult read = readFile(name);
    QString outcome;
    if (imported < 0) {
        QVERIFY2(!read.ok(), qPrintable(u"imported %1"_s.arg(read.records.size())));
        QVERIFY2(read.error.contains(reason), qPrintable(read.error));
        QVERIFY(read.records.isEmpty());
        outcome = u"refused: "_s + read.error;
    } else {
        QVERIFY2(read.ok(), qPrintable(read.error));
        const ImportSummary summary = importContacts(con, read, Duplicates::Skip);
        QCOMPARE(summary.refused.count(), refused);
        if (!reason.isEmpty())
            QVERIFY2(summary.refused.listed().first().reason.contains(reason),
                     qPrintable(summary.refused.listed().first().reason));
        QCOMPARE(summary.imported, imported);
        outcome = u"imported %1, skipped %2, refused %3"_s.arg(summary.imported)
                      .arg(summary.skipped.count())
                      .arg(summary.refused.count());
        if (!summary.refused.isEmpty())
            outcome += u" (%1)"_s.arg(summary.refused.listed().first().reason);
    }
    const double seconds = static_cast<double>(timer.nsecsElapsed()) / 1e9;
    const double peakMegabytes = static_cast<double>(statusKilobytes("VmHWM:") - residentBefore) / 1024;
    qInfo().noquote() << u"%1 | %2 | %3 s | +%4 MB | %5"_s.arg(QString::fromUtf8(QTest::currentDataTag()))
                             .arg(fileBytes)
                             .arg(seconds, 0, 'f', 2)
                             .arg(peakMegabytes, 0, 'f', 1)
                             .arg(outcome);

    if (imported < 0)
        QCOMPARE(test::rowsOf(con, u"select * from UsersInfo"_s), before);
    QCOMPARE(uncleanValues(con), QStringList());
}

TXL_TEST_MAIN(HostileTest)
#include "test_hostile.moc"
