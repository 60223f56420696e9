#include "tests/exchange/Workbooks.h"
#include "tests/support/TestSupport.h"

#include "data/DatabaseFile.h"
#include "data/Schema.h"
#include "data/U2.h"
#include "exchange/ContactFile.h"
#include "exchange/ContactImport.h"
#include "exchange/Csv.h"
#include "exchange/HeaderMap.h"
#include "exchange/ImportRules.h"
#include "exchange/VCard.h"
#include "exchange/XlsxReader.h"
#include "exchange/XmlReader.h"
#include "platform/db/DbError.h"
#include "platform/db/Query.h"

#include <QBuffer>
#include <QFile>
#include <QRegularExpression>
#include <QStringDecoder>
#include <QStringEncoder>

#include <zip.h>

using namespace Qt::StringLiterals;
using namespace txl;
using namespace txl::exchange;
using txl::test::Packing;
using txl::test::workbook;
using txl::test::zipped;

Q_DECLARE_METATYPE(txl::exchange::Format)
Q_DECLARE_METATYPE(txl::exchange::Encoding)

namespace {

// Contacts whose values trip up careless writers: separators, quotes, line breaks, leading zeros,
// formula-looking phone numbers, apostrophes, text beyond GBK.
QList<QStringList> awkwardContacts() {
    return {
        {u"张三"_s, u"男"_s, u"1986-03-21"_s, u"13800138000"_s, u"3-245"_s, u"05718888888"_s, u"012345"_s, u"a@b.cn"_s,
         u"浙江省杭州市, 西湖区"_s},
        {u"O'Neil, \"Jr\""_s, u"女"_s, u"1999-12-31"_s, u"-"_s, u"=1+1"_s, u"+8613912345678"_s, u"@qq"_s, u"x;y\\z"_s,
         u"第一行\n第二行"_s},
        {u"'=已有撇号"_s, u"未知"_s, u"不详"_s, u"'-"_s, u"''@x"_s, QString(), QString(), QString(),
         u"𠀀 surrogate, 😀"_s},
    };
}

QByteArray written(Format format, Encoding encoding, const QList<QStringList> &rows) {
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    ContactList contacts(rows);
    if (format == Format::Csv)
        csv::write(contacts, encoding, buffer);
    else
        vcard::write(contacts, buffer);
    return buffer.data();
}

// A device that hands out some bytes and then fails, as a file on a disk that goes away does.
class FailingDevice : public QIODevice {
public:
    explicit FailingDevice(QByteArray head) : m_head(std::move(head)) { open(QIODevice::ReadOnly); }
    bool isSequential() const override { return true; }

protected:
    qint64 readData(char *data, qint64 maxSize) override {
        if (m_pos >= m_head.size()) {
            setErrorString(u"Input/output error"_s);
            return -1;
        }
        const qint64 n = std::min<qint64>(maxSize, m_head.size() - m_pos);
        memcpy(data, m_head.constData() + m_pos, static_cast<size_t>(n));
        m_pos += n;
        return n;
    }
    qint64 writeData(const char *, qint64) override { return -1; }

private:
    QByteArray m_head;
    qint64 m_pos = 0;
};

// What the XML reader reports, written out: "<name r=… s=… t=…>", "</name>", "'text'", and last
// "end" or "error on line N: reason".
QString xmlEvents(const xml::Source &source) {
    struct Events : xml::Handler {
        QStringList list;
        QByteArray pending;
        void flush() {
            if (!pending.isEmpty())
                list << u'\'' + QString::fromUtf8(pending) + u'\'';
            pending.clear();
        }
        void startElement(QByteArrayView name, const xml::Attributes &a) override {
            flush();
            QString tag = u'<' + QString::fromUtf8(name);
            for (const char *n : {"r", "s", "t"}) {
                if (const QByteArrayView v = a.value(n); !v.isEmpty())
                    tag += u" %1=%2"_s.arg(QLatin1StringView(n), QString::fromUtf8(v));
            }
            list << tag + u'>';
        }
        void endElement(QByteArrayView name) override {
            flush();
            list << u"</%1>"_s.arg(QString::fromUtf8(name));
        }
        void text(QByteArrayView utf8) override { pending.append(utf8); }
    } events;
    try {
        xml::read(source, events);
        events.flush();
        events.list << u"end"_s;
    } catch (const xml::Malformed &e) {
        events.flush();
        events.list << u"error on line %1: %2"_s.arg(e.error().line).arg(e.error().reason);
    }
    return events.list.join(u' ');
}

// The first rows of a file as it holds them.
QList<QStringList> asRead(const ReadResult &result) {
    QList<QStringList> rows;
    for (const ReadResult::Sample &s : result.firstRows)
        rows << s.values;
    return rows;
}

QList<QStringList> bookRows(db::Connection &con) {
    return test::rowsOf(con, u"select * from UsersInfo"_s);
}

}   // namespace

class FormatsTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void textFormatsGiveBackWhatTheyWrote_data();
    void textFormatsGiveBackWhatTheyWrote();
    void csvProtectsFormulas_data();
    void csvProtectsFormulas();
    void csvReadsEncodingsAndDialects_data();
    void csvReadsEncodingsAndDialects();
    void titlesMapToColumns_data();
    void titlesMapToColumns();
    void xmlReadsPiecesAsWhole_data();
    void xmlReadsPiecesAsWhole();
    void xlsxKeepsTextAndDates();
    void xlsxReadsWhatSpreadsheetsWrite();
    void vcardWritesFoldedEscapedLines();
    void vcardNamesAndUids_data();
    void vcardNamesAndUids();
    void vcardReadsPhoneDialects_data();
    void vcardReadsPhoneDialects();
    void badFilesAreRefusedWhole_data();
    void badFilesAreRefusedWhole();
    void readFailureMidwayRefusesTheFile();
    void rulesNormaliseOrRefuse_data();
    void rulesNormaliseOrRefuse();
    void duplicatesSkippedOrAdded();
    void sampleBookRoundTrips_data();
    void sampleBookRoundTrips();
    void filesOfOtherPrograms_data();
    void filesOfOtherPrograms();
    void failedImportLeavesBookAsItWas_data();
    void failedImportLeavesBookAsItWas();
};

void FormatsTest::textFormatsGiveBackWhatTheyWrote_data() {
    QTest::addColumn<Format>("format");
    QTest::addColumn<Encoding>("encoding");
    QTest::newRow("CSV UTF-8") << Format::Csv << Encoding::Utf8;
    QTest::newRow("CSV GB18030") << Format::Csv << Encoding::Gb18030;
    QTest::newRow("vCard") << Format::VCard << Encoding::Utf8;
}

void FormatsTest::textFormatsGiveBackWhatTheyWrote() {
    QFETCH(Format, format);
    QFETCH(Encoding, encoding);
    const QByteArray bytes = written(format, encoding, awkwardContacts());
    const ReadResult result = readBytes(bytes, format == Format::Csv ? u"a.csv"_s : u"a.vcf"_s);
    QVERIFY2(result.ok(), qPrintable(result.error));
    QCOMPARE(result.format, format);
    QCOMPARE(result.encoding, encoding);
    QCOMPARE(asRead(result), awkwardContacts());
    if (format == Format::Csv) {
        QCOMPARE(bytes.startsWith("\xEF\xBB\xBF"), encoding == Encoding::Utf8);
        for (const ColumnMeaning &m : result.tables.first().meanings)
            QVERIFY(m.target >= 0);
        // All are taken (a birth date that is none costs the date); the line break inside a
        // quoted field counts.
        QCOMPARE(result.records.size(), 3);
        QCOMPARE(result.warnings.count(), 1);
        QCOMPARE(result.records.at(2).line, 4 + 1);
    }
}

void FormatsTest::csvProtectsFormulas_data() {
    QTest::addColumn<QString>("value");
    QTest::addColumn<QString>("inFile");
    QTest::newRow("plain") << u"138"_s << u"138"_s;
    QTest::newRow("equals") << u"=SUM(A1)"_s << u"'=SUM(A1)"_s;
    QTest::newRow("plus") << u"+86 139"_s << u"'+86 139"_s;
    QTest::newRow("minus alone") << u"-"_s << u"'-"_s;
    QTest::newRow("at") << u"@me"_s << u"'@me"_s;
    QTest::newRow("apostrophe then formula") << u"'=x"_s << u"''=x"_s;
    QTest::newRow("apostrophe alone") << u"'abc"_s << u"'abc"_s;
    QTest::newRow("formula later") << u"a=b"_s << u"a=b"_s;
}

void FormatsTest::csvProtectsFormulas() {
    QFETCH(QString, value);
    QFETCH(QString, inFile);
    QCOMPARE(csv::protectFormula(value), inFile);
    QCOMPARE(csv::unprotectFormula(inFile), value);
    // The writer puts it so in either encoding (家庭住址 ends the line).
    QStringList contact(schema::ContactColumnCount);
    contact[schema::Name] = u"x"_s;
    contact[schema::Address] = value;
    const QByteArray utf8 = written(Format::Csv, Encoding::Utf8, {contact});
    QVERIFY(QString::fromUtf8(utf8).endsWith(u',' + inFile + u"\r\n"_s));
    const QByteArray gb18030 = written(Format::Csv, Encoding::Gb18030, {contact});
    QVERIFY(QString(QStringDecoder("GB18030").decode(gb18030)).endsWith(u',' + inFile + u"\r\n"_s));
}

void FormatsTest::csvReadsEncodingsAndDialects_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<Encoding>("encoding");
    QTest::addColumn<QStringList>("first");
    const QStringList zhang = {u"张三"_s, u"男"_s,   QString(), u"13800138000"_s, QString(),
                               QString(), QString(), QString(), QString()};
    QTest::newRow("UTF-8 with BOM") << QByteArray("\xEF\xBB\xBF") +
                                           u"姓名,性别,手机号码\n张三,男,13800138000\n"_s.toUtf8()
                                    << Encoding::Utf8 << zhang;
    QTest::newRow("UTF-8 without BOM") << u"姓名,性别,手机号码\r\n张三,男,13800138000\r\n"_s.toUtf8() << Encoding::Utf8
                                       << zhang;
    QTest::newRow("GBK") << QByteArray(QStringEncoder("GB18030").encode(u"名字,Sex,Mobile\r\n张三,男,13800138000"_s))
                         << Encoding::Gb18030 << zhang;
    QTest::newRow("semicolons, blank lines")
        << u"\n姓名;性别;手机\n\n张三;男;13800138000\n;;\n"_s.toUtf8() << Encoding::Utf8 << zhang;
}

void FormatsTest::csvReadsEncodingsAndDialects() {
    QFETCH(QByteArray, bytes);
    QFETCH(Encoding, encoding);
    QFETCH(QStringList, first);
    const ReadResult result = csv::read(bytes);
    QVERIFY2(result.ok(), qPrintable(result.error));
    QCOMPARE(result.encoding, encoding);
    QCOMPARE(result.records.size(), 1);
    QCOMPARE(result.records.first().values(), first);
}

void FormatsTest::titlesMapToColumns_data() {
    QTest::addColumn<QString>("title");
    QTest::addColumn<int>("column");
    for (int c = 0; c < schema::ContactColumnCount; ++c)
        QTest::newRow(qPrintable(schema::ContactColumns[c].name)) << schema::ContactColumns[c].name << c;
    QTest::newRow("Name") << u" NAME "_s << int(schema::Name);
    QTest::newRow("名字") << u"名字"_s << int(schema::Name);
    QTest::newRow("E-mail") << u"E-Mail"_s << int(schema::Email);
    QTest::newRow("full-width QQ") << u"ＱＱ号"_s << int(schema::QQ);
    QTest::newRow("spaced, colon") << u"手 机："_s << int(schema::Mobile);
    QTest::newRow("Birthday") << u"birthday"_s << int(schema::Birth);
    QTest::newRow("宿舍") << u"宿舍"_s << int(schema::Dormitory);
    QTest::newRow("Phone") << u"Phone"_s << int(schema::HomePhone);
    QTest::newRow("地址") << u"地址"_s << int(schema::Address);
    QTest::newRow("unknown") << u"备注"_s << -1;
}

void FormatsTest::titlesMapToColumns() {
    QFETCH(QString, title);
    QFETCH(int, column);
    QCOMPARE(columnForTitle(title), column);
}

void FormatsTest::xmlReadsPiecesAsWhole_data() {
    QTest::addColumn<QByteArray>("xml");
    QTest::addColumn<QString>("events");
    QTest::newRow("a sheet row")
        << QByteArray("<?xml version=\"1.0\"?>\r\n<worksheet xmlns=\"x\"><sheetData><row r=\"1\">"
                      "<c r=\"A1\" t=\"inlineStr\"><is><t>张三</t></is></c><c r='B1' s = \"2\" ><v>1</v></c>"
                      "</row></sheetData></worksheet>")
        << u"<worksheet> <sheetData> <row r=1> <c r=A1 t=inlineStr> <is> <t> '张三' </t> </is> </c> "
           "<c r=B1 s=2> <v> '1' </v> </c> </row> </sheetData> </worksheet> end"_s;
    QTest::newRow("comments, instructions, CDATA, entities, prefixes")
        << QByteArray("<x:a xmlns:x=\"urn:x\"><!-- <b> --><b>&lt;&amp;&#x4E2D;&#25991;</b><![CDATA[<raw>&amp;]]>"
                      "<?pi ?><x:c/></x:a>")
        << u"<a> <b> '<&中文' </b> '<raw>&amp;' <c> </c> </a> end"_s;
    QTest::newRow("a text longer than any piece")
        << QByteArray("<t>" + QString(300000, QChar(0x957f)).toUtf8() + "</t>")
        << u"<t> '%1' </t> end"_s.arg(QString(300000, QChar(0x957f)));
    QTest::newRow("unclosed, on line 3") << QByteArray("<a>\n<b>x</b>\n")
                                         << u"<a> '\n' <b> 'x' </b> '\n' error on line 3: 文档不完整"_s;
    QTest::newRow("end tag that does not match")
        << QByteArray("<a><b></a>") << u"<a> <b> error on line 1: 结束标签与开始标签不配对"_s;
    QTest::newRow("document type") << QByteArray("<!DOCTYPE a [<!ENTITY x \"y\">]><a>&x;</a>")
                                   << u"error on line 1: 不接受文档类型声明（DOCTYPE）"_s;
    QTest::newRow("comment without end") << QByteArray("<a>\n<!-- x") << u"<a> '\n' error on line 2: 文档不完整"_s;
    QTest::newRow("attribute without quotes") << QByteArray("<a b=c/>") << u"error on line 1: 有不合格式的字符或标记"_s;
    QTest::newRow("tag cut short") << QByteArray("<a><b r=\"1\"") << u"<a> error on line 1: 文档不完整"_s;
    QTest::newRow("text after the root") << QByteArray("<a/> x") << u"<a> </a> error on line 1: 根元素之后还有内容"_s;
    QTest::newRow("unknown entity") << QByteArray("<a>&nope;</a>") << u"<a> error on line 1: 无法识别的字符实体"_s;
    QTest::newRow("reference to a control character")
        << QByteArray("<a>&#1;</a>") << u"<a> error on line 1: 字符引用指向不允许的字符"_s;
    QTest::newRow("bytes that are no UTF-8")
        << QByteArray("<a>\xff</a>") << u"<a> error on line 1: 有不合格式的字符或标记"_s;
    QByteArray deep;
    for (int i = 0; i < 300000; ++i)
        deep += "<r>";
    QTest::newRow("nested 300,000 deep") << deep
                                         << u"<r> "_s.repeated(xml::MaxDepth) +
                                                u"error on line 1: 元素嵌套超过 64 层"_s;
    QTest::newRow("one tag of two megabytes")
        << "<a b=\"" + QByteArray(2 << 20, 'x') + "\"/>"
        << u"error on line 1: 有一段标记超过 1048576 字节，不可能是正常的工作簿"_s;
}

void FormatsTest::xmlReadsPiecesAsWhole() {
    // Unpacked piece by piece, a part reads as it does whole, whichever byte a piece ends on.
    QFETCH(QByteArray, xml);
    QFETCH(QString, events);
    for (const qsizetype piece : {qsizetype(1), qsizetype(3), qsizetype(64), xml.size()}) {
        if (piece < xml.size() && xml.size() > 100000)
            continue;   // pieces are as good shown on the short ones
        qsizetype at = 0;
        const QString got = xmlEvents([&](char *into, qsizetype room) {
            const qsizetype n = std::min({room, piece, xml.size() - at});
            std::memcpy(into, xml.constData() + at, static_cast<size_t>(n));
            at += n;
            return n;
        });
        QCOMPARE(got, events);
    }
}

void FormatsTest::xlsxKeepsTextAndDates() {
    QTemporaryDir dir;
    const QString path = dir.filePath(u"out.xlsx"_s);
    writeFile(path, Format::Xlsx, Encoding::Utf8, ContactList(awkwardContacts()));
    QFile f(path);
    QVERIFY(f.open(QIODevice::ReadOnly));
    const ReadResult result = readBytes(f.readAll(), path);
    QVERIFY2(result.ok(), qPrintable(result.error));
    QCOMPARE(result.tables.first().titles, schema::contactColumnNames());
    QCOMPARE(asRead(result), awkwardContacts());

    // What a spreadsheet sees: a date cell under 出生日期, text cells for the numbers, the frozen
    // title row and the filter over every row.
    int error = 0;
    zip_t *z = zip_open(QFile::encodeName(path).constData(), ZIP_RDONLY, &error);
    QVERIFY(z);
    zip_stat_t st;
    QCOMPARE(zip_stat(z, "xl/worksheets/sheet1.xml", 0, &st), 0);
    QByteArray sheet(static_cast<qsizetype>(st.size), '\0');
    zip_file_t *zf = zip_fopen(z, "xl/worksheets/sheet1.xml", 0);
    zip_fread(zf, sheet.data(), st.size);
    zip_fclose(zf);
    zip_discard(z);
    QVERIFY(sheet.contains("<c r=\"C2\" s=\"3\"><v>31492</v></c>"));   // 1986-03-21
    QVERIFY(sheet.contains("<c r=\"F2\" s=\"2\" t=\"inlineStr\"><is><t>05718888888</t></is></c>"));
    QVERIFY(sheet.contains("<c r=\"C4\" s=\"2\" t=\"inlineStr\"><is><t>不详</t></is></c>"));
    // Columns as wide as their widest value, a full-width character counting two: 姓名 for
    // O'Neil, "Jr" (12), 家庭住址 for 浙江省杭州市, 西湖区 (20), three more for the filter button.
    QVERIFY(sheet.contains("<col min=\"1\" max=\"1\" width=\"15.7109375\""));
    QVERIFY(sheet.contains("<col min=\"9\" max=\"9\" width=\"23.7109375\""));
    QVERIFY(sheet.contains("state=\"frozen\""));
    QVERIFY(sheet.contains("<autoFilter ref=\"A1:I4\"/>"));
}

void FormatsTest::xlsxReadsWhatSpreadsheetsWrite() {
    // Shared strings with rich text and phonetic readings, a phone number stored as a number in
    // exponent form, a custom date format, a boolean, an inline string, gaps between cells.
    const QByteArray strings =
        "<si><t>姓名</t></si><si><r><t>手机</t></r><r><t>号码</t></r></si>"
        "<si><t>生日</t></si><si><r><t>张</t></r><r><t>三</t></r><rPh sb=\"0\" eb=\"1\"><t>zhang san</t></rPh></si>"
        "<si><t>备注</t></si>";
    const QByteArray styles =
        "<numFmts count=\"1\"><numFmt numFmtId=\"164\" formatCode=\"YYYY\\-MM\\-DD\"/></numFmts>"
        "<cellXfs count=\"3\"><xf numFmtId=\"0\"/><xf numFmtId=\"164\"/><xf numFmtId=\"14\"/></cellXfs>";
    const QByteArray sheet =
        "<row r=\"2\"><c r=\"A2\" t=\"s\"><v>0</v></c><c r=\"B2\" t=\"s\"><v>1</v></c><c r=\"C2\" t=\"s\"><v>2</v></c>"
        "<c r=\"E2\" t=\"s\"><v>4</v></c><c r=\"F2\" t=\"inlineStr\"><is><t>QQ</t></is></c></row>"
        "<row r=\"5\"><c r=\"A5\" t=\"s\"><v>3</v></c><c r=\"B5\"><v>1.3574470463E10</v></c>"
        "<c r=\"C5\" s=\"1\"><v>31492</v></c><c r=\"E5\" t=\"b\"><v>1</v></c><c r=\"F5\"><v>12345</v></c></row>"
        "<row r=\"6\"><c r=\"A6\" t=\"inlineStr\"><is><t>李四</t></is></c><c r=\"C6\" s=\"2\"><v>1</v></c>"
        "<c r=\"F6\"><v>2.5</v></c></row>";
    ReadResult result = xlsx::read(workbook(sheet, strings, styles));
    QVERIFY2(result.ok(), qPrintable(result.error));
    QCOMPARE(result.tables.first().titles.at(4), u"备注"_s);
    QCOMPARE(result.tables.first().meanings.at(4).target, -1);
    QCOMPARE(result.tables.at(1).absent.isEmpty(), false);   // the second sheet holds no table
    QCOMPARE(result.records.size(), 2);
    QCOMPARE(result.records[0].line, 5);
    const QStringList first = result.records[0].values();
    QCOMPARE(first[schema::Name], u"张三"_s);
    QCOMPARE(first[schema::Mobile], u"13574470463"_s);
    QCOMPARE(first[schema::Birth], u"1986-03-21"_s);
    QCOMPARE(first[schema::QQ], u"12345"_s);
    QCOMPARE(result.records[1].value(schema::Birth), u"1900-01-01"_s);
    QCOMPARE(result.records[1].value(schema::QQ), u"2.5"_s);

    // The same day number in a workbook that counts from 1904.
    result = xlsx::read(workbook(sheet, strings, styles, "<workbookPr date1904=\"1\"/>"));
    QCOMPARE(result.records[0].value(schema::Birth), u"1990-03-22"_s);
}

void FormatsTest::vcardWritesFoldedEscapedLines() {
    const QString address = u"浙江省杭州市西湖区文三路一百二十三号某某小区五幢三单元六零二室，邮编310000"_s;
    const QByteArray bytes = written(Format::VCard, Encoding::Utf8,
                                     {{u"王五"_s, u"女"_s, u"1990-01-02"_s, u"13800138000"_s, u"5-101"_s,
                                       u"05710000000"_s, u"10001"_s, u"w@x.cn"_s, address}});
    const QList<QByteArray> lines = bytes.split('\n');
    for (const QByteArray &l : lines)
        QVERIFY2(l.size() <= 76, l.constData());   // 75 octets and the CR
    QVERIFY(bytes.contains("\r\n "));
    const QString text = QString::fromUtf8(bytes);
    for (const QString &expected :
         {u"VERSION:3.0"_s, u"FN:王五"_s, u"N:王;五;;;"_s, u"X-GENDER:Female"_s, u"BDAY:1990-01-02"_s,
          u"TEL;TYPE=CELL:13800138000"_s, u"TEL;TYPE=HOME:05710000000"_s, u"X-QQ:10001"_s, u"X-TXL-DORMITORY:5-101"_s})
        QVERIFY2(text.contains(expected + u"\r\n"_s), qPrintable(expected));
    QVERIFY(QString(text).remove(u"\r\n "_s).contains(u"ADR;TYPE=HOME:;;"_s + address + u";;;;"_s));
}

void FormatsTest::vcardNamesAndUids_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("family");
    QTest::addColumn<QString>("given");
    QTest::newRow("two characters") << u"张三"_s << u"张"_s << u"三"_s;
    QTest::newRow("compound surname") << u"欧阳娜娜"_s << u"欧阳"_s << u"娜娜"_s;
    QTest::newRow("诸葛 with one given character") << u"诸葛亮"_s << u"诸葛"_s << u"亮"_s;
    QTest::newRow("长孙") << u"长孙无忌"_s << u"长孙"_s << u"无忌"_s;
    QTest::newRow("欧 is no compound alone") << u"欧小明"_s << u"欧"_s << u"小明"_s;
    QTest::newRow("a dot between") << u"迪丽娜尔·阿不都拉"_s << u"阿不都拉"_s << u"迪丽娜尔"_s;
    QTest::newRow("Latin") << u"Alexander Brown"_s << u"Brown"_s << u"Alexander"_s;
}

void FormatsTest::vcardNamesAndUids() {
    QFETCH(QString, name);
    QFETCH(QString, family);
    QFETCH(QString, given);
    QCOMPARE(vcard::familyAndGiven(name), std::pair(family, given));

    // The same contact has the same UID in every export; a second of the same name and birth
    // date has one of its own.
    QStringList contact(schema::ContactColumnCount, QString());
    contact[schema::Name] = name;
    contact[schema::Birth] = u"1990-01-02"_s;
    const auto uids = [](const QByteArray &bytes) {
        static const QRegularExpression uid(u"^UID:(urn:uuid:[0-9a-f-]{36})\r$"_s, QRegularExpression::MultilineOption);
        QStringList found;
        for (auto it = uid.globalMatch(QString::fromUtf8(bytes)); it.hasNext();)
            found << it.next().captured(1);
        return found;
    };
    const QStringList once = uids(written(Format::VCard, Encoding::Utf8, {contact}));
    const QStringList twice = uids(written(Format::VCard, Encoding::Utf8, {contact, contact}));
    QCOMPARE(once.size(), 1);
    QCOMPARE(twice.first(), once.first());
    QVERIFY(twice.last() != once.first());
}

void FormatsTest::vcardReadsPhoneDialects_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QList<QStringList>>("contacts");
    const QStringList none(schema::ContactColumnCount, QString());
    QStringList zhang = none;
    zhang[schema::Name] = u"张三丰"_s;
    zhang[schema::Mobile] = u"138 0013 8000"_s;
    zhang[schema::HomePhone] = u"0571-88888888"_s;
    zhang[schema::Address] = u"浙江省杭州市文三路1号"_s;
    QStringList li = none;
    li[schema::Name] = u"李四"_s;
    li[schema::Mobile] = u"13912345678"_s;
    QTest::newRow("2.1 Android, quoted-printable with soft breaks")
        << QByteArray("BEGIN:VCARD\r\nVERSION:2.1\r\n"
                      "N;CHARSET=UTF-8;ENCODING=QUOTED-PRINTABLE:=E5=BC=A0;=E4=B8=89=E4=B8=B0;;;\r\n"
                      "FN;CHARSET=UTF-8;ENCODING=QUOTED-PRINTABLE:=E5=BC=A0=E4=B8=89=\r\n=E4=B8=B0\r\n"
                      "TEL;CELL:138 0013 8000\r\nTEL;HOME;VOICE:0571-88888888\r\n"
                      "ADR;HOME;CHARSET=UTF-8;ENCODING=QUOTED-PRINTABLE:;;=E6=96=87=E4=B8=89=E8=B7=AF1=E5=8F=B7;=E6=9D="
                      "AD=E5=B7=9E=E5=B8=82;=E6=B5=99=\r\n=E6=B1=9F=E7=9C=81;;\r\n"
                      "PHOTO;ENCODING=BASE64;JPEG:/9j/4AAQ\r\n AAAA\r\n\r\n"
                      "END:VCARD\r\n"
                      "BEGIN:VCARD\r\nVERSION:2.1\r\nN;CHARSET=GBK;ENCODING=QUOTED-PRINTABLE:=C0=EE=CB=C4;;;;\r\n"
                      "TEL;VOICE:+86 139-1234-5678\r\nEND:VCARD\r\n")
        << QList<QStringList>{zhang, [&] {
                                  QStringList l = li;
                                  l[schema::Mobile] = u"+86 139-1234-5678"_s;
                                  return l;
                              }()};
    QStringList wang = none;
    wang[schema::Name] = u"Wang, Wu"_s;
    wang[schema::Sex] = u"男"_s;
    wang[schema::Birth] = u"19880706"_s;   // the import rules make it 1988-07-06
    wang[schema::Mobile] = u"+86-139-1234-5678"_s;
    wang[schema::QQ] = u"123456"_s;
    wang[schema::Email] = u"ww@example.com"_s;
    QTest::newRow("4.0, folded, escaped, unknown properties")
        << QByteArray("BEGIN:VCARD\nVERSION:4.0\nFN:Wang\\, Wu\nGENDER:M\nBDAY:19880706\n"
                      "TEL;VALUE=uri;TYPE=\"voice,cell\":tel:+86-139-\n 1234-5678\n"
                      "IMPP:qq:123456\nEMAIL;PREF=1:ww@example.com\nX-UNKNOWN;FOO=bar:anything\n"
                      "item1.X-ABLabel:whatever\nEND:VCARD\n")
        << QList<QStringList>{wang};
    QStringList no = none;
    no[schema::Name] = u"赵六"_s;
    no[schema::Birth] = u"--0321"_s;   // the rules leave it out, with a warning
    QTest::newRow("3.0, birthday without a year")
        << QByteArray("BEGIN:VCARD\r\nVERSION:3.0\r\nN:赵;六;;;\r\nBDAY:--0321\r\nEND:VCARD\r\n")
        << QList<QStringList>{no};
}

void FormatsTest::vcardReadsPhoneDialects() {
    QFETCH(QByteArray, bytes);
    QFETCH(QList<QStringList>, contacts);
    const ReadResult result = readBytes(bytes, u"phone.vcf"_s);
    QVERIFY2(result.ok(), qPrintable(result.error));
    QCOMPARE(result.format, Format::VCard);
    QCOMPARE(asRead(result), contacts);
}

void FormatsTest::badFilesAreRefusedWhole_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("message");
    QTemporaryDir dir;
    const QString path = dir.filePath(u"t.xlsx"_s);
    writeFile(path, Format::Xlsx, Encoding::Utf8, ContactList(awkwardContacts()));
    QFile f(path);
    f.open(QIODevice::ReadOnly);
    const QByteArray good = f.readAll();
    QTest::newRow("truncated .xlsx") << good.left(good.size() / 2) << u"t.xlsx"_s << u"不完整"_s;
    QTest::newRow("zip that is no workbook") << zipped({{u"readme.txt"_s, "hello"}}) << u"t.xlsx"_s << u"没有工作簿"_s;
    // A byte of the sheet changed after it was packed: its checksum no longer matches.
    QByteArray altered = workbook("<row><c t=\"inlineStr\"><is><t>姓名</t></is></c></row>"
                                  "<row><c t=\"inlineStr\"><is><t>李四</t></is></c></row>",
                                  {}, {}, {}, Packing::Stored);
    altered.replace(u"李四"_s.toUtf8(), u"李五"_s.toUtf8());
    QTest::newRow("sheet altered inside the zip") << altered << u"t.xlsx"_s << u"first.xml 已损坏"_s;
    // The sheet breaks at its first row while megabytes of it are still being unpacked.
    QByteArray longSheet = "<row r=\"1\"><c r=\"A2\" t=\"inlineStr\"><is><t>姓名</t></is></c></row>";
    while (longSheet.size() < (4 << 20))
        longSheet += "<row><c t=\"inlineStr\"><is><t>someone</t></is></c></row>";
    QTest::newRow("broken early in a long sheet")
        << workbook(longSheet) << u"t.xlsx"_s << u"第1行的单元格位置“A2”有误"_s;
    QTest::newRow("workbook without name column")
        << workbook("<row><c t=\"inlineStr\"><is><t>电话</t></is></c></row>") << u"t.xlsx"_s << u"没有姓名列"_s;
    QByteArray binary(4096, '\0');
    for (int i = 0; i < binary.size(); ++i)
        binary[i] = static_cast<char>((i * 7919) % 251);
    QTest::newRow("binary named .csv") << binary << u"t.csv"_s << u"不是文本文件"_s;
    QTest::newRow("unclosed quote") << u"姓名,地址\n张三,\"杭州\n李四,宁波\n"_s.toUtf8() << u"t.csv"_s
                                    << u"第2行：引号没有结束"_s;
    QTest::newRow("no name column") << u"电话,地址\n123,杭州\n"_s.toUtf8() << u"t.csv"_s << u"没有姓名列"_s;
    QTest::newRow("empty CSV") << QByteArray() << u"t.csv"_s << u"文件是空的"_s;
    QTest::newRow("vCard without END")
        << QByteArray("BEGIN:VCARD\r\nVERSION:3.0\r\nFN:A\r\nEND:VCARD\r\nBEGIN:VCARD\r\nVERSION:3.0\r\nFN:B\r\n")
        << u"t.vcf"_s << u"第5行：名片没有 END:VCARD"_s;
    QTest::newRow("old .xls") << QByteArray("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8) << u"t.xls"_s << u".xls"_s;
}

void FormatsTest::badFilesAreRefusedWhole() {
    QFETCH(QByteArray, bytes);
    QFETCH(QString, name);
    QFETCH(QString, message);
    const ReadResult result = readBytes(bytes, name);
    QVERIFY(!result.ok());
    QVERIFY2(result.error.contains(message), qPrintable(result.error));
    QVERIFY(result.records.isEmpty());
}

void FormatsTest::readFailureMidwayRefusesTheFile() {
    // A device that fails after the first megabyte: nothing of what was read counts.
    QByteArray head = u"姓名\n"_s.toUtf8();
    while (head.size() < (3 << 20))
        head += "someone\n";
    FailingDevice device(head);
    ReadResult result = readDevice(device, u"big.csv"_s);
    QVERIFY(!result.ok());
    QVERIFY2(result.error.contains(u"读取文件时出错"_s), qPrintable(result.error));
    QVERIFY(result.records.isEmpty());

    // A file that is no longer there, and one too big to be a class list.
    QTemporaryDir dir;
    result = readFile(dir.filePath(u"gone.csv"_s));
    QVERIFY2(!result.ok() && result.error.contains(u"无法打开文件"_s), qPrintable(result.error));
    QFile big(dir.filePath(u"big.csv"_s));
    QVERIFY(big.open(QIODevice::WriteOnly));
    big.write(u"姓名\n"_s.toUtf8());
    QVERIFY(big.resize(50ll << 20));
    big.close();
    result = readFile(big.fileName());
    QVERIFY2(!result.ok() && result.error.contains(u"文件太大（52,428,800 字节）"_s), qPrintable(result.error));
}

void FormatsTest::rulesNormaliseOrRefuse_data() {
    QTest::addColumn<int>("column");
    QTest::addColumn<QString>("value");
    QTest::addColumn<QString>("stored");   // a null string: the row is refused
    QTest::addColumn<QString>("reason");
    const QString refused;
    QTest::newRow("name trimmed") << int(schema::Name) << u"　 张三 "_s << u"张三"_s << QString();
    QTest::newRow("name blank") << int(schema::Name) << u"   "_s << refused << u"姓名为空"_s;
    QTest::newRow("name of five Chinese characters")
        << int(schema::Name) << u"欧阳娜娜娜"_s << u"欧阳娜娜娜"_s << QString();
    // The book's declared lengths count, not what the dialog lets one type.
    QTest::newRow("name longer than the dialog takes")
        << int(schema::Name) << u"迪丽娜尔·阿不都拉"_s << u"迪丽娜尔·阿不都拉"_s << QString();
    QTest::newRow("name of 51 characters")
        << int(schema::Name) << QString(51, u'x') << refused << u"姓名太长（51 个字符，最多 50 个）"_s;
    QTest::newRow("spaces lining a Chinese name up") << int(schema::Name) << u"张  三"_s << u"张三"_s << QString();
    QTest::newRow("full-width space in a Chinese name") << int(schema::Name) << u"王　五"_s << u"王五"_s << QString();
    QTest::newRow("spaces in a Latin name")
        << int(schema::Name) << u"Alexander Brown"_s << u"Alexander Brown"_s << QString();
    QTest::newRow("ten Latin letters") << int(schema::Name) << u"abcdefghij"_s << u"abcdefghij"_s << QString();
    QTest::newRow("date yyyy-mm-dd") << int(schema::Birth) << u"1986-03-21"_s << u"1986-03-21"_s << QString();
    QTest::newRow("date yyyy/m/d") << int(schema::Birth) << u"1986/3/1"_s << u"1986-03-01"_s << QString();
    QTest::newRow("date yyyy.m.d") << int(schema::Birth) << u"1986.12.1"_s << u"1986-12-01"_s << QString();
    QTest::newRow("date yyyymmdd") << int(schema::Birth) << u"19860321"_s << u"1986-03-21"_s << QString();
    QTest::newRow("date in Chinese") << int(schema::Birth) << u"1986年3月21日"_s << u"1986-03-21"_s << QString();
    QTest::newRow("spreadsheet day number") << int(schema::Birth) << u"31492"_s << u"1986-03-21"_s << QString();
    QTest::newRow("no date") << int(schema::Birth) << QString() << QString(u""_s) << QString();
    QTest::newRow("date with a time of day")
        << int(schema::Birth) << u"2008-03-05T00:00:00"_s << u"2008-03-05"_s << QString();
    QTest::newRow("dotted date with a time")
        << int(schema::Birth) << u"2008.03.05 00:00:00"_s << u"2008-03-05"_s << QString();
    QTest::newRow("day first, settled by itself")
        << int(schema::Birth) << u"25/3/2008"_s << u"2008-03-25"_s << QString();
    QTest::newRow("month first, settled by itself")
        << int(schema::Birth) << u"3/25/2008"_s << u"2008-03-25"_s << QString();
    // Dates that cannot be read cost the date, with a warning, never the contact.
    QTest::newRow("30 February") << int(schema::Birth) << u"1986-02-30"_s << u""_s
                                 << u"出生日期“1986-02-30”不是有效的日期，已留空"_s;
    QTest::newRow("words") << int(schema::Birth) << u"不详"_s << u""_s << u"出生日期“不详”不是有效的日期，已留空"_s;
    QTest::newRow("year and month") << int(schema::Birth) << u"2008.03"_s << u""_s
                                    << u"出生日期“2008.03”不完整，已留空"_s;
    QTest::newRow("year and month in Chinese")
        << int(schema::Birth) << u"2008年11月"_s << u""_s << u"出生日期“2008年11月”不完整，已留空"_s;
    QTest::newRow("month and day") << int(schema::Birth) << u"--11-20"_s << u""_s
                                   << u"出生日期“--11-20”不完整，已留空"_s;
    QTest::newRow("Outlook's no date") << int(schema::Birth) << u"0/0/00"_s << u""_s
                                       << u"出生日期“0/0/00”不完整，已留空"_s;
    QTest::newRow("day and month that the row cannot tell")
        << int(schema::Birth) << u"3/5/2008"_s << u""_s << QString();
    QTest::newRow("mobile with dashes") << int(schema::Mobile) << u"138-0013-8000"_s << u"13800138000"_s << QString();
    QTest::newRow("mobile +86 spaced") << int(schema::Mobile) << u"+86 139 1234 5678"_s << u"13912345678"_s
                                       << QString();
    QTest::newRow("home 0086 (0571)") << int(schema::HomePhone) << u"0086 (0571) 8888.888"_s << u"05718888888"_s
                                      << QString();
    QTest::newRow("mobile 0086, digits only")
        << int(schema::Mobile) << u"008613912345678"_s << u"13912345678"_s << QString();
    QTest::newRow("sex in capitals") << int(schema::Sex) << u"MALE"_s << u"男"_s << QString();
    QTest::newRow("a dash is no number") << int(schema::Mobile) << u"-"_s << u"-"_s << QString();
    QTest::newRow("mobile too long for the book")
        << int(schema::Mobile) << u"138001380001234567890"_s << refused << u"手机号码太长（21 个字符，最多 20 个）"_s;
    QTest::newRow("+86 and an area code keep the trunk 0")
        << int(schema::HomePhone) << u"+86 27 8765 4321"_s << u"02787654321"_s << QString();
    QTest::newRow("+86 and Beijing") << int(schema::HomePhone) << u"+86-10-62345678"_s << u"01062345678"_s << QString();
    QTest::newRow("+86 (0)27") << int(schema::HomePhone) << u"+86 (0)27 8765 4321"_s << u"02787654321"_s << QString();
    QTest::newRow("landline of twelve digits")
        << int(schema::HomePhone) << u"0755-86012345"_s << u"075586012345"_s << QString();
    QTest::newRow("full-width digits") << int(schema::Mobile) << u"１３８００１３８０００"_s << u"13800138000"_s
                                       << QString();
    QTest::newRow("extension after a hyphen")
        << int(schema::HomePhone) << u"027-87654321-808"_s << u"02787654321-808"_s << QString();
    QTest::newRow("extension after 转") << int(schema::HomePhone) << u"027-87654321转808"_s << u"02787654321-808"_s
                                        << QString();
    QTest::newRow("another country's number")
        << int(schema::Mobile) << u"+1 650 555 0100"_s << u"+16505550100"_s << QString();
    QTest::newRow("number a spreadsheet rounded")
        << int(schema::Mobile) << u"1.38001E+10"_s << u""_s
        << u"手机号码“1.38001E+10”是电子表格改写的科学计数，后面的数字已经丢失，已留空"_s;
    QTest::newRow("QQ not a phone") << int(schema::QQ) << u"123-456"_s << u"123-456"_s << QString();
    QTest::newRow("address of 25 Chinese")
        << int(schema::Address) << QString(25, QChar(0x5730)) << QString(25, QChar(0x5730)) << QString();
    QTest::newRow("address of 10,000 characters")
        << int(schema::Address) << QString(10000, u'x') << refused << u"家庭住址太长"_s;
    QTest::newRow("e-mail of 10,000 characters")
        << int(schema::Email) << QString(10000, u'x') << refused << u"电子邮箱太长"_s;
    QTest::newRow("sex Female") << int(schema::Sex) << u"Female"_s << u"女"_s << QString();
    // Text a book cannot hold cleanly, whatever format brought it.
    QTest::newRow("control character") << int(schema::Name) << u"张\x01三"_s << refused
                                       << u"姓名含有控制字符（U+0001）"_s;
    QTest::newRow("escape inside") << int(schema::Email) << u"a\x1b[31m@b.cn"_s << refused << u"（U+001B）"_s;
    QTest::newRow("tab inside") << int(schema::Address) << u"杭州\t西湖"_s << refused << u"（U+0009）"_s;
    QTest::newRow("C1 control") << int(schema::Address) << u"杭州\u0085西湖"_s << refused << u"（U+0085）"_s;
    QTest::newRow("line break in an address")
        << int(schema::Address) << u"第一行\r\n第二行"_s << u"第一行\r\n第二行"_s << QString();
    QTest::newRow("line break in a name") << int(schema::Name) << u"张\n三"_s << refused << u"（U+000A）"_s;
    QTest::newRow("noncharacter U+FFFE") << int(schema::QQ) << u"1\uFFFE"_s << refused << u"QQ含有非字符（U+FFFE）"_s;
    QTest::newRow("noncharacter U+FDD0") << int(schema::Name) << u"张\uFDD0"_s << refused << u"（U+FDD0）"_s;
    QTest::newRow("noncharacter beyond the first plane")
        << int(schema::Name) << QString::fromUcs4(U"张\U0001FFFF") << refused << u"（U+1FFFF）"_s;
    QTest::newRow("half a surrogate pair")
        << int(schema::Name) << QString(QChar(0xd800)) + u"张"_s << refused << u"姓名含有无效的文字编码"_s;
    QTest::newRow("whole surrogate pair") << int(schema::Name) << u"张𠀀"_s << u"张𠀀"_s << QString();
}

void FormatsTest::rulesNormaliseOrRefuse() {
    QFETCH(int, column);
    QFETCH(QString, value);
    QFETCH(QString, stored);
    QFETCH(QString, reason);
    QStringList values(schema::ContactColumnCount, QString());
    values[schema::Name] = u"某人"_s;
    values[column] = value;
    const Checked checked = checkContact(values);
    if (stored.isNull()) {
        QVERIFY2(checked.refusal.contains(reason), qPrintable(checked.refusal));
        QVERIFY(checked.refusal.size() < 200);   // a long value is quoted short
    } else {
        QVERIFY2(checked.refusal.isEmpty(), qPrintable(checked.refusal));
        QCOMPARE(values[column], stored);
        // A value left out is said so; one taken is not.
        QCOMPARE(checked.warnings.join(u' '), reason);
    }
}

void FormatsTest::duplicatesSkippedOrAdded() {
    // Names compare as the rules stored them (trimmed): " 李四" of a file is 李四.
    const ReadResult read = csv::read(u"姓名,QQ\n张三,\n李四,\n 李四,\n,1\n张三 ,\n王五,\n"_s.toUtf8());
    QCOMPARE(read.refused.count(), 1);
    QCOMPARE(read.refused.listed().at(0).line, 5);
    const NameSet book = {u"王五"_s.toUtf8()};
    ImportPlan plan = planImport(read, book, Duplicates::Skip);
    QCOMPARE(plan.rows, 2);
    QCOMPARE(plan.skipped.count(), 3);
    QCOMPARE(plan.skipped.listed()[0].line, 4);
    QVERIFY(plan.skipped.listed()[0].reason.contains(u"与第3行重名"_s));
    QVERIFY(plan.skipped.listed()[1].reason.contains(u"与第2行重名"_s));
    QVERIFY(plan.skipped.listed()[2].reason.contains(u"通讯录中已有"_s));
    QVERIFY(plan.adds(0) && plan.adds(1) && !plan.adds(2));
    plan = planImport(read, book, Duplicates::Add);
    QCOMPARE(plan.rows, 5);
    QVERIFY(plan.skipped.isEmpty());
}

void FormatsTest::sampleBookRoundTrips_data() {
    QTest::addColumn<Format>("format");
    QTest::addColumn<Encoding>("encoding");
    QTest::addColumn<QString>("file");
    QTest::newRow("xlsx") << Format::Xlsx << Encoding::Utf8 << u"book.xlsx"_s;
    QTest::newRow("CSV UTF-8") << Format::Csv << Encoding::Utf8 << u"book.csv"_s;
    QTest::newRow("CSV GB18030") << Format::Csv << Encoding::Gb18030 << u"book.csv"_s;
    QTest::newRow("vCard") << Format::VCard << Encoding::Utf8 << u"book.vcf"_s;
}

void FormatsTest::sampleBookRoundTrips() {
    QFETCH(Format, format);
    QFETCH(Encoding, encoding);
    QFETCH(QString, file);
    data::NewDatabase samples;
    samples.sampleContacts = 50;
    test::ModuleFixture fixture(samples);
    const QList<QStringList> original = bookRows(fixture.module().con);
    QCOMPARE(original.size(), 50);

    db::Query &query = fixture.module().query;
    TDataModule1::reload(query, u"select * from UsersInfo"_s);
    writeFile(file, format, encoding, QueryContacts(query));

    const QString emptyPath = u"empty/DataBase/txl.mdb"_s;
    data::createDatabase(emptyPath);
    db::Connection empty({emptyPath, TDataModule1::DatabaseKey, {u"UsersInfo"_s}, 5000});
    const ReadResult read = readFile(file);
    QVERIFY2(read.ok(), qPrintable(read.error));
    const ImportSummary summary = importContacts(empty, read, Duplicates::Skip);
    QCOMPARE(summary.refused.count(), 0);
    // The samples repeat a few names; those are skipped as the dialog would refuse them.
    QSet<QString> names;
    QList<QStringList> expected;
    for (const QStringList &row : original) {
        if (!names.contains(row[schema::Name]))
            expected << row;
        names.insert(row[schema::Name]);
    }
    QCOMPARE(bookRows(empty), expected);
    QCOMPARE(summary.skipped.count(), 50 - expected.size());

    // With duplicates added, the book gets every row back, identical.
    data::createDatabase(u"all/DataBase/txl.mdb"_s);
    db::Connection all({u"all/DataBase/txl.mdb"_s, TDataModule1::DatabaseKey, {u"UsersInfo"_s}, 5000});
    QCOMPARE(importContacts(all, read, Duplicates::Add).imported, 50);
    QCOMPARE(bookRows(all), original);
}

void FormatsTest::filesOfOtherPrograms_data() {
    QTest::addColumn<QString>("file");
    QTest::addColumn<QStringList>("stored");   // the book's rows afterwards, values joined by |
    QTest::addColumn<QStringList>("said");     // warnings, then rows passed over, then duplicates
    const QStringList classList = {
        u"张三|男|2008-03-05|13800138000|||||湖北省武汉市洪山区珞喻路1号"_s,
        u"迪丽娜尔·阿不都拉|女||02787654321|||||新疆维吾尔自治区乌鲁木齐市天山区人民路二十九号院三栋"_s,
        u"Alexander Brown|男|2008-11-20||||||"_s,
        u"李四|女|2008-05-03|13900139000|||||"_s,   // 3/5/2008, day first as 25/3/2008 shows
        u"王五|男|2008-03-25|02787654321-808|||||"_s,
        u"赵六|||13900139001|5-302||123456||"_s};
    const QStringList classSaid = {
        u"工作表“高三(2)班”第5行：出生日期“2008.03”不完整，已留空"_s,
        u"工作表“高三(2)班”第6行：手机号码“1.38001E+10”是电子表格改写的科学计数，后面的数字已经丢失，已留空"_s,
        u"工作表“高三(2)班”第1行：工作表“高三(2)班”第 1–2 行是标题，已跳过"_s,
        u"工作表“高三(2)班”第10行：工作表“高三(2)班”第 10 行是备注（“制表人：王老师  2026年9月”），已跳过"_s,
        u"工作表“高三(2)班”第11行：工作表“高三(2)班”第 11 行是备注（“合计：5人”），已跳过"_s,
        u"工作表“高三(3)班”第3行：“张三”与工作表“高三(2)班”第4行重名"_s};
    QTest::newRow("class list, openpyxl: title rows, footer, three sheets")
        << u"class-openpyxl.xlsx"_s << classList << classSaid;
    QTest::newRow("the same saved by LibreOffice as .ods") << u"class-libreoffice.ods"_s << classList << classSaid;
    QTest::newRow("two-level titles, xlsxwriter")
        << u"two-level-xlsxwriter.xlsx"_s
        << QStringList{u"孙八||1995-07-01|13700137000|3-201||88888||"_s, u"周九||1995-07-02|13700137001|3-202||||"_s}
        << QStringList();
    const QStringList gnumeric = {u"吴十|男||13600136000||||ws@example.com|"_s,
                                  u"郑十一|女||13600136001||||zsy@example.com|"_s};
    const QStringList gnumericSaid = {u"第1行：工作表“gnumeric.csv”第 1 行是标题，已跳过"_s};
    QTest::newRow("GBK CSV with a title, saved by gnumeric as .xlsx")
        << u"title-gnumeric.xlsx"_s << gnumeric << gnumericSaid;
    QTest::newRow("the same as .ods") << u"title-gnumeric.ods"_s << gnumeric << gnumericSaid;
    QTest::newRow("Google Contacts")
        << u"google.csv"_s
        << QStringList{u"张三||1990-11-20|13800138000||||zs@example.com|珞喻路1号\n武汉市 湖北省"_s,
                       u"Alexander Brown|||+16505550100||02787654321|||"_s}
        << QStringList{u"第4行：出生日期“--11-20”不完整，已留空"_s};
    QTest::newRow("Google Contacts, older layout")
        << u"google-old.csv"_s << QStringList{u"李四|女|1991-02-03|13900139000||057188888888||ls@example.com|"_s}
        << QStringList();
    QTest::newRow("Outlook")
        << u"outlook.csv"_s
        << QStringList{u"Anna Smith|女||07700900123||+442079460000||anna@example.com|1 High Street, London, SW1A 1AA, "
                       "United Kingdom"_s,
                       u"Bob Lee|||||||bob@example.com|"_s}
        << QStringList{u"第3行：出生日期“0/0/00”不完整，已留空"_s,
                       // known to be so only once the whole file is read
                       u"第2行：出生日期“5/3/1990”分不清哪个是月、哪个是日（文件中其他日期也说明不了），已留空"_s};
    QTest::newRow("Outlook on Chinese Windows, GBK")
        << u"outlook-chinese.csv"_s
        << QStringList{u"王小明|男|1992-04-05|13800138001||01062345678||xm@example.com|中国北京市海淀区中关村大街1号"_s,
                       u"李小红|||13900139002|||||"_s}
        << QStringList();
    QTest::newRow("Thunderbird") << u"thunderbird.csv"_s
                                 << QStringList{u"Carol Wu|||13700137002||02166667777||carol@example.com|1 Nanjing "
                                                u"Road Apt 2, Shanghai, 200000, "
                                                "China"_s,
                                                u"陈晓东||1994-12-25|13700137003||||cxd@example.com|"_s}
                                 << QStringList{u"第2行：出生日期“1993-7”不完整，已留空"_s};
    QTest::newRow("Android 2.1") << u"android-2.1.vcf"_s
                                 << QStringList{u"钱七||1990-05-06|13800138002||057188888888||q7@work.example.com|"_s}
                                 << QStringList();
    QTest::newRow("iOS 3.0") << u"ios-3.0.vcf"_s
                             << QStringList{u"李四|||13900139005|||||中国上海市南京路1号"_s,
                                            u"Jane Smith||1989-01-02|||||jane@example.com|"_s}
                             << QStringList{u"第1行：出生日期“--1231”不完整，已留空"_s};
    QTest::newRow("Nextcloud 4.0") << u"nextcloud-4.0.vcf"_s
                                   << QStringList{u"周杰|男||13900139006||01062345678|10001|zj@example.com|"_s,
                                                  u"欧阳娜娜|女|1998-02-03||||||"_s}
                                   << QStringList{u"第1行：出生日期“--1120”不完整，已留空"_s};
}

void FormatsTest::filesOfOtherPrograms() {
    QFETCH(QString, file);
    QFETCH(QStringList, stored);
    QFETCH(QStringList, said);
    test::Workspace work(false);
    data::createDatabase(u"DataBase/txl.mdb"_s);
    db::Connection book({u"DataBase/txl.mdb"_s, TDataModule1::DatabaseKey, {u"UsersInfo"_s}, 5000});
    const ReadResult read = readFile(qEnvironmentVariable("TXL_SOURCE_DIR") + u"/tests/exchange/samples/"_s + file);
    QVERIFY2(read.ok(), qPrintable(read.error));
    const ImportSummary summary = importContacts(book, read, Duplicates::Skip);
    QStringList rows;
    for (const QStringList &row : bookRows(book))
        rows << row.join(u'|');
    QCOMPARE(rows, stored);
    QStringList told;
    for (const ProblemList *list : {&summary.warnings, &read.remarks, &summary.skipped}) {
        for (const Problem &p : list->listed())
            told << placeName(read, p.table, p.line) + u"："_s + p.reason;
    }
    QCOMPARE(told, said);
    QCOMPARE(summary.refused.count(), 0);
}

void FormatsTest::failedImportLeavesBookAsItWas_data() {
    QTest::addColumn<QString>("fault");
    QTest::newRow("cancelled half-way") << u"cancel"_s;
    QTest::newRow("disk full") << u"full"_s;
    QTest::newRow("statement fails on a later row") << u"trigger"_s;
}

void FormatsTest::failedImportLeavesBookAsItWas() {
    QFETCH(QString, fault);
    data::NewDatabase samples;
    samples.sampleContacts = 5;
    test::ModuleFixture fixture(samples);
    db::Connection &con = fixture.module().con;
    const QList<QStringList> before = bookRows(con);

    ReadResult read, firstTen;
    for (int i = 0; i < 3000; ++i) {
        QStringList v(schema::ContactColumnCount, QString());
        v[schema::Name] = u"导入%1"_s.arg(i);
        v[schema::Address] = QString(25, QChar(0x5730));
        read.records.append(0, i + 2, v);
        if (i < 10)
            firstTen.records.append(0, i + 2, v);
    }
    Progress progress;
    if (fault == u"cancel"_s) {
        progress = [](qint64 done, qint64) { return done < 1500; };
    } else if (fault == u"full"_s) {
        const int pages = fixture.count(u"pragma page_count"_s);
        fixture.exec(u"pragma max_page_count = %1"_s.arg(pages + 8));
    } else {
        fixture.exec(u"create trigger refuse before insert on UsersInfo when new.姓名 = '导入2999' "
                     "begin select raise(abort, 'refused'); end"_s);
    }
    if (fault == u"cancel"_s)
        QVERIFY_THROWS_EXCEPTION(Cancelled, importContacts(con, read, Duplicates::Skip, progress));
    else
        QVERIFY_THROWS_EXCEPTION(db::DbError, importContacts(con, read, Duplicates::Skip, progress));
    QCOMPARE(bookRows(con), before);
    // The connection is usable afterwards: the next import goes through.
    if (fault != u"full"_s)
        QCOMPARE(importContacts(con, firstTen, Duplicates::Skip).imported, 10);
}

TXL_TEST_MAIN(FormatsTest)
#include "test_exchange.moc"
