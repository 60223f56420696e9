// The pinyin matcher against the generated table: what a typed search text finds.

#include "platform/text/Pinyin.h"
#include "platform/text/PinyinTable.h"

#include <QTest>

#include <string>

using namespace Qt::StringLiterals;
using txl::text::PinyinPattern;

class PinyinTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void match_data();
    void match();
    void searchText_data();
    void searchText();
    void readings_data();
    void readings();
    void table();
    void longSearchText();
};

void PinyinTest::match_data() {
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("matches");

    // Initials, full spellings and mixes of both.
    QTest::newRow("initials") << u"zs"_s << u"张三"_s << true;
    QTest::newRow("initials, upper case") << u"ZS"_s << u"张三"_s << true;
    QTest::newRow("two-letter initial") << u"zhs"_s << u"张三"_s << true;
    QTest::newRow("initials of the last two") << u"sf"_s << u"张三丰"_s << true;
    QTest::newRow("initials of all three") << u"zsf"_s << u"张三丰"_s << true;
    QTest::newRow("full spelling") << u"zhangsan"_s << u"张三"_s << true;
    QTest::newRow("first syllable") << u"zhang"_s << u"张三"_s << true;
    QTest::newRow("second syllable") << u"san"_s << u"张三"_s << true;
    QTest::newRow("full then initial") << u"zhangs"_s << u"张三"_s << true;
    QTest::newRow("initial then full") << u"zsan"_s << u"张三"_s << true;
    QTest::newRow("mixed case") << u"ZhangSan"_s << u"张三"_s << true;
    QTest::newRow("inside a longer text") << u"hz"_s << u"浙江省杭州市"_s << true;
    QTest::newRow("initials of a word") << u"xj"_s << u"相机"_s << true;
    // Polyphones match by any of their readings.
    QTest::newRow("曾 zeng") << u"zeng"_s << u"曾"_s << true;
    QTest::newRow("曾 ceng") << u"ceng"_s << u"曾"_s << true;
    QTest::newRow("单 dan") << u"dan"_s << u"单"_s << true;
    QTest::newRow("单 shan") << u"shan"_s << u"单"_s << true;
    QTest::newRow("乐 le") << u"le"_s << u"乐"_s << true;
    QTest::newRow("乐 yue") << u"yue"_s << u"乐"_s << true;
    QTest::newRow("one reading per character") << u"zengle"_s << u"曾乐"_s << true;
    // ü typed as v or u; v is ü only.
    QTest::newRow("吕 lv") << u"lv"_s << u"吕"_s << true;
    QTest::newRow("吕 lu") << u"lu"_s << u"吕"_s << true;
    QTest::newRow("女 nv") << u"nv"_s << u"女"_s << true;
    QTest::newRow("奴 is no nv") << u"nv"_s << u"奴"_s << false;
    QTest::newRow("略 lve") << u"lve"_s << u"略"_s << true;
    QTest::newRow("略 lue") << u"lue"_s << u"略"_s << true;
    QTest::newRow("nve is more than 女 reads") << u"nve"_s << u"女"_s << false;
    // A match never starts inside a reading, and the whole text must be spelt.
    QTest::newRow("g finds 郭") << u"g"_s << u"郭"_s << true;
    QTest::newRow("g finds 高") << u"g"_s << u"高"_s << true;
    QTest::newRow("g does not find 张") << u"g"_s << u"张"_s << false;
    QTest::newRow("ang inside zhang") << u"ang"_s << u"张三"_s << false;
    QTest::newRow("zx: no character spells x") << u"zx"_s << u"张三"_s << false;
    QTest::newRow("v inside lü") << u"v"_s << u"吕"_s << false;
    QTest::newRow("longer than the text") << u"zsf"_s << u"张三"_s << false;
    QTest::newRow("more than a reading") << u"zhanga"_s << u"张三"_s << false;
    QTest::newRow("characters not consecutive") << u"zs"_s << u"张-三"_s << false;
    QTest::newRow("characters in the wrong order") << u"sz"_s << u"张三"_s << false;
    // A separator ends a character.
    QTest::newRow("xi'an finds 西安") << u"xi'an"_s << u"西安"_s << true;
    QTest::newRow("xi'an does not find 先") << u"xi'an"_s << u"先"_s << false;
    QTest::newRow("xian finds 先") << u"xian"_s << u"先"_s << true;
    QTest::newRow("space between syllables") << u"zhang san"_s << u"张三"_s << true;
    QTest::newRow("separator between initials") << u"z's"_s << u"张三"_s << true;
    // Latin letters match themselves.
    QTest::newRow("Latin name") << u"li"_s << u"Lily"_s << true;
    QTest::newRow("Latin name, whole") << u"LILY"_s << u"Lily"_s << true;
    QTest::newRow("Latin name, other letters") << u"lz"_s << u"Lily"_s << false;
    QTest::newRow("Latin after Chinese") << u"zsan"_s << u"张San"_s << true;
    QTest::newRow("Chinese after Latin") << u"tomzh"_s << u"Tom张"_s << true;
    QTest::newRow("Latin does not stand for ü") << u"lv"_s << u"Lu"_s << false;
    // Ideographs beyond the basic block, read by code point (a surrogate pair in QString).
    QTest::newRow("extension A: 刘䶮") << u"liuyan"_s << u"刘䶮"_s << true;
    QTest::newRow("extension B: 𠀀") << u"he"_s << u"\U00020000"_s << true;
    QTest::newRow("extension C: 王𫖮") << u"wy"_s << u"王𫖮"_s << true;
    QTest::newRow("extension E: 李𬘬") << u"liqian"_s << u"李𬘬"_s << true;
    QTest::newRow("extension G: 𰻝") << u"biang"_s << u"\U00030EDD"_s << true;
    QTest::newRow("compatibility ideograph read as 金") << u"jintaixi"_s << u"\uF90A泰熙"_s << true;
    QTest::newRow("extension character between two") << u"wyz"_s << u"王𫖮张"_s << true;
    // Readings of our own: place names and surnames.
    QTest::newRow("乐亭 laoting") << u"laoting"_s << u"乐亭"_s << true;
    QTest::newRow("六安 lu'an") << u"lu'an"_s << u"六安市"_s << true;
    QTest::newRow("谌 shen") << u"shenlong"_s << u"谌龙"_s << true;
    QTest::newRow("晟 sheng") << u"wangsheng"_s << u"王晟"_s << true;
    // Historical readings nobody means today find nothing.
    QTest::newRow("市 is no fu") << u"f"_s << u"杭州市"_s << false;
    QTest::newRow("省 is no xian") << u"xian"_s << u"浙江省"_s << false;
    QTest::newRow("治 is no chi") << u"cq"_s << u"自治区"_s << false;
    QTest::newRow("大 is no tai") << u"tai"_s << u"大道"_s << false;
    QTest::newRow("宁 is no zhu") << u"zhu"_s << u"宁波"_s << false;
    QTest::newRow("号 is no xiao") << u"xiao"_s << u"88号"_s << false;
    // Texts with nothing to spell.
    QTest::newRow("empty column") << u"zs"_s << QString() << false;
    QTest::newRow("digits") << u"zs"_s << u"13800138000"_s << false;
    QTest::newRow("emoji") << u"a"_s << u"\U0001F600"_s << false;
    QTest::newRow("private use character") << u"a"_s << u"\U000F0000"_s << false;
}

void PinyinTest::match() {
    QFETCH(QString, typed);
    QFETCH(QString, text);
    QFETCH(bool, matches);
    const auto pattern = PinyinPattern::compile(typed.toStdString());
    QVERIFY(pattern);
    QCOMPARE(pattern->matches(text.toStdString()), matches);
    // The same pattern again: nothing of the previous call remains.
    QCOMPARE(pattern->matches(text.toStdString()), matches);
}

void PinyinTest::searchText_data() {
    QTest::addColumn<QString>("typed");
    QTest::addColumn<bool>("pinyin");
    QTest::newRow("letters") << u"zhangsan"_s << true;
    QTest::newRow("apostrophes and spaces") << u"xi'an  lu"_s << true;
    QTest::newRow("empty") << QString() << false;
    QTest::newRow("separators only") << u"' '"_s << false;
    QTest::newRow("digits") << u"zs1"_s << false;
    QTest::newRow("Chinese") << u"张"_s << false;
    QTest::newRow("ü itself") << u"lü"_s << false;
    QTest::newRow("LIKE wildcard") << u"z%s"_s << false;
}

void PinyinTest::searchText() {
    QFETCH(QString, typed);
    QFETCH(bool, pinyin);
    QCOMPARE(txl::text::isPinyinText(typed.toStdString()), pinyin);
    QCOMPARE(PinyinPattern::compile(typed.toStdString()).has_value(), pinyin);
}

void PinyinTest::readings_data() {
    QTest::addColumn<QString>("character");
    QTest::addColumn<QStringList>("readings");   // the first is the common one; others may follow
    QTest::addColumn<QStringList>("never");      // readings no one means today
    QTest::newRow("张") << u"张"_s << QStringList{u"zhang"_s} << QStringList{};
    QTest::newRow("吕: ü as v") << u"吕"_s << QStringList{u"lv"_s} << QStringList{u"lu"_s};
    QTest::newRow("曾") << u"曾"_s << QStringList{u"ceng"_s, u"zeng"_s} << QStringList{};
    QTest::newRow("乐, and lào of 乐亭") << u"乐"_s << QStringList{u"le"_s, u"yue"_s, u"lao"_s} << QStringList{};
    QTest::newRow("单") << u"单"_s << QStringList{u"dan"_s, u"shan"_s, u"chan"_s} << QStringList{};
    QTest::newRow("欸: ê as e") << u"欸"_s << QStringList{u"ai"_s, u"e"_s} << QStringList{};
    QTest::newRow("first of the block") << u"\u4E00"_s << QStringList{u"yi"_s} << QStringList{};
    QTest::newRow("市") << u"市"_s << QStringList{u"shi"_s} << QStringList{u"fu"_s};
    QTest::newRow("省") << u"省"_s << QStringList{u"sheng"_s, u"xing"_s} << QStringList{u"xian"_s};
    QTest::newRow("治") << u"治"_s << QStringList{u"zhi"_s} << QStringList{u"chi"_s};
    QTest::newRow("大") << u"大"_s << QStringList{u"da"_s, u"dai"_s} << QStringList{u"tai"_s};
    QTest::newRow("能, and nài as a surname")
        << u"能"_s << QStringList{u"neng"_s, u"nai"_s} << QStringList{u"tai"_s, u"xiong"_s};
    QTest::newRow("extension A first") << u"\u3400"_s << QStringList{u"qiu"_s} << QStringList{};
    QTest::newRow("extension B: 𪚥") << u"\U0002A6A5"_s << QStringList{u"zhe"_s} << QStringList{};
    QTest::newRow("compatibility 李") << u"\uF9E1"_s << QStringList{u"li"_s} << QStringList{};
    QTest::newRow("compatibility ideograph of its own") << u"\uFA18"_s << QStringList{u"li"_s} << QStringList{};
}

void PinyinTest::readings() {
    QFETCH(QString, character);
    QFETCH(QStringList, readings);
    QFETCH(QStringList, never);
    const QList<uint> codePoints = character.toUcs4();
    QCOMPARE(codePoints.size(), 1);
    QStringList found;
    for (const std::string_view r : txl::text::pinyinReadings(codePoints.front()))
        found << QString::fromLatin1(r.data(), static_cast<qsizetype>(r.size()));
    QVERIFY2(!found.isEmpty(), "no readings");
    QCOMPARE(found.first(), readings.first());
    for (const QString &r : readings)
        QVERIFY2(found.contains(r), qPrintable(found.join(u' ')));
    for (const QString &r : never)
        QVERIFY2(!found.contains(r), qPrintable(found.join(u' ')));
    QCOMPARE(found.removeDuplicates(), 0);
}

void PinyinTest::table() {
    namespace table = txl::text::pinyin_table;
    // The unified ideographs of every block and the compatibility ones; the syllables are
    // Mandarin's few hundred; the polyphones those a reader of today knows.
    QVERIFY(table::CharacterCount > 40000);
    QVERIFY(table::SyllableCount > 400 && table::SyllableCount < 600);
    QVERIFY(table::PolyphoneCount > 400 && table::PolyphoneCount < 2000);
    const char32_t end = table::First + (static_cast<char32_t>(table::PageCount) << table::PageShift);
    QVERIFY(end > 0x30000);   // Extension G
    int covered = 0;
    for (char32_t c = 0; c < end + 64; ++c) {
        const auto readings = txl::text::pinyinReadings(c);
        covered += readings.empty() ? 0 : 1;
        if (c < table::First || c >= end)
            QVERIFY(readings.empty());
        for (const std::string_view r : readings) {
            QVERIFY(!r.empty() && r.size() <= 6);
            QVERIFY(std::all_of(r.begin(), r.end(), [](char l) { return l >= 'a' && l <= 'z'; }));
        }
    }
    QCOMPARE(covered, table::CharacterCount);
    QVERIFY(txl::text::pinyinReadings(0x10FFFF).empty());
    QVERIFY(txl::text::pinyinReadings(0xFFFFFFFF).empty());
}

void PinyinTest::longSearchText() {
    // Beyond 64 letters the matcher's position sets take several words.
    const QString address = u"浙江省杭州市西湖区文三路浙江省杭州市西湖区文三路一百号"_s;
    const std::string typed = "zhejiangshenghangzhoushixihuquwensanluzhejiangshenghangzhoushixihuquwensanluyibaihao";
    QVERIFY(typed.size() > 64);
    const auto full = PinyinPattern::compile(typed);
    QVERIFY(full);
    QVERIFY(full->matches(address.toStdString()));
    QVERIFY(!full->matches(address.chopped(1).toStdString()));
    const auto initials = PinyinPattern::compile(typed.substr(0, 70) + "wsl");
    QVERIFY(!initials->matches(address.toStdString()));
}

QTEST_APPLESS_MAIN(PinyinTest)
#include "test_text.moc"
