// pinyin_table_gen: turns the Unihan readings into the compact pinyin table the program is built
// with.
//
//   pinyin_table_gen READINGS OUT.cpp
//
// READINGS is Unihan_Readings.txt, or Unihan_Readings.txt.bz2 (read through `bzip2 -dc`). Every
// ideograph gets the readings people mean today, without tones, ü written as "v"; a reading that
// cannot be spelt that way stops the build.

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QHash>
#include <QProcess>
#include <QStringList>
#include <QTextStream>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <set>
#include <vector>

using namespace Qt::StringLiterals;

namespace {

constexpr char32_t First = 0x3400;   // CJK Extension A; Unihan reads nothing below it
constexpr int PageShift = 6;
constexpr int MaxSyllable = 7;   // letters; the longest Mandarin syllable has 6

// Where readings come from, each group only for the characters the groups before it leave
// without one. First what a reader of today says: the usual reading (kMandarin), the readings
// counted in modern texts (kHanyuPinlu) and the 2013 standard dictionary (kTGHZ2013). Then the
// 1983 modern dictionary (kXHC1983), which also lists confusions such as 市 fú (for 巿). Last
// the great historical dictionary (kHanyuPinyin), whose readings (省 xiǎn, 治 chí, 大 tài) no
// one means today, for the rare character nothing else reads.
const QList<QStringList> Sources = {
    {u"kMandarin"_s, u"kHanyuPinlu"_s, u"kTGHZ2013"_s},
    {u"kXHC1983"_s},
    {u"kHanyuPinyin"_s},
};

// Readings of place names and surnames that people type and the modern fields leave out (or
// that the table keeps even if a later Unihan should drop them), after the character's others.
struct Addition {
    char32_t character;
    const char16_t *reading;
};
const Addition Additions[] = {
    {U'六', u"lù"},      // 六安 (Anhui), 六合 (Nanjing)
    {U'乐', u"lào"},     // 乐亭 (Hebei)
    {U'樂', u"lào"},     // 乐亭 in traditional characters
    {U'晟', u"shèng"},   // given names, where 晟 (bright) is mostly said shèng
    {U'能', u"nài"},     // the surname 能
    {U'蚌', u"bèng"},    // 蚌埠 (Anhui)
    {U'单', u"shàn"},    // the surname 单, 单县 (Shandong)
    {U'單', u"shàn"},    // the same in traditional characters
    {U'單', u"chán"},    // 單于, as 单 chán
    {U'解', u"xiè"},     // the surname 解, 解州 (Shanxi)
    {U'区', u"ōu"},      // the surname 区
    {U'區', u"ōu"},      // the same in traditional characters
    {U'仇', u"qiú"},     // the surname 仇
    {U'朴', u"piáo"},    // the surname 朴 (Korean Park)
    {U'查', u"zhā"},     // the surname 查
    {U'曾', u"zēng"},    // the surname 曾
    {U'盖', u"gě"},      // the surname 盖
    {U'蓋', u"gě"},      // the same in traditional characters
    {U'缪', u"miào"},    // the surname 缪
    {U'繆', u"miào"},    // the same in traditional characters
    {U'谌', u"shèn"},    // the surname 谌, said shèn as often as chén
    {U'諶', u"shèn"},    // the same in traditional characters
    {U'廈', u"xià"},     // 廈門, traditional 厦门
    {U'镐', u"hào"},     // 镐京 (Xi'an), and Korean names such as 李敏镐
    {U'隽', u"jùn"},     // given names, where 隽 stands for 俊
    {U'雋', u"jùn"},     // the same in traditional characters
};

// The compatibility ideographs: each is read as the unified ideograph it stands for.
const std::pair<char32_t, char32_t> CompatibilityBlocks[] = {{0xF900, 0xFAFF}, {0x2F800, 0x2FA1F}};

[[noreturn]] void fail(const QString &message) {
    std::fprintf(stderr, "pinyin_table_gen: %s\n", qPrintable(message));
    std::exit(1);
}

QByteArray readAll(const QString &path) {
    if (path.endsWith(u".bz2"_s)) {
        QProcess bzip2;
        bzip2.start(u"bzip2"_s, {u"-dc"_s, path});
        if (!bzip2.waitForFinished(-1) || bzip2.exitStatus() != QProcess::NormalExit || bzip2.exitCode() != 0)
            fail(u"could not decompress %1 with bzip2: %2"_s.arg(
                path, bzip2.errorString() + QString::fromLocal8Bit(bzip2.readAllStandardError())));
        return bzip2.readAllStandardOutput();
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        fail(u"could not read %1: %2"_s.arg(path, file.errorString()));
    return file.readAll();
}

QString codePoint(char32_t cp) {
    return u"U+%1"_s.arg(QString::number(cp, 16).toUpper(), 4, u'0');
}

// "lǚ" -> "lv", "zhāng" -> "zhang", "ê̄" -> "e", "ḿ" -> "m".
QByteArray toneless(char32_t cp, const QString &reading) {
    QByteArray out;
    for (const QChar c : reading.normalized(QString::NormalizationForm_D)) {
        const char16_t u = c.unicode();
        if (u >= u'a' && u <= u'z') {
            out += static_cast<char>(u);
        } else if (u >= u'A' && u <= u'Z') {
            out += static_cast<char>(u - u'A' + u'a');
        } else if (u == 0x0308 && out.endsWith('u')) {
            out.back() = 'v';   // ü
        } else if (u < 0x0300 || u > 0x036F) {
            out.clear();   // not a letter nor a tone or vowel mark
            break;
        }
    }
    if (out.isEmpty() || out.size() > MaxSyllable)
        fail(u"%1: cannot spell the reading '%2' in letters"_s.arg(codePoint(cp), reading));
    return out;
}

// The readings in one field value: "10577.120:lǚ", "21521.030:zēng,céng", "lè(283) yuè(54)",
// "0117.100:chán 0207.100:dān".
QStringList readingsOf(const QString &value) {
    QStringList readings;
    for (QString token : value.split(u' ', Qt::SkipEmptyParts)) {
        if (const qsizetype paren = token.indexOf(u'('); paren >= 0)
            token.truncate(paren);
        if (const qsizetype colon = token.lastIndexOf(u':'); colon >= 0)
            token = token.mid(colon + 1);
        readings += token.split(u',', Qt::SkipEmptyParts);
    }
    return readings;
}

void addReading(std::vector<QByteArray> &list, const QByteArray &syllable) {
    if (std::find(list.begin(), list.end(), syllable) == list.end())
        list.push_back(syllable);
}

using Readings = std::map<char32_t, std::vector<QByteArray>>;

// Each character's distinct toneless readings, most common first, from the Unihan file's lines.
Readings unihanReadings(const QStringList &lines) {
    // Per code point, per field, the readings as the file lists them.
    std::map<char32_t, QHash<QString, QStringList>> found;
    for (const QString &line : lines) {
        if (!line.startsWith(u"U+"_s))
            continue;
        const QStringList parts = line.split(u'\t');
        if (parts.size() < 3)
            continue;
        if (std::none_of(Sources.begin(), Sources.end(), [&](const QStringList &s) { return s.contains(parts[1]); }))
            continue;
        bool ok = false;
        const auto cp = static_cast<char32_t>(parts[0].mid(2).toUInt(&ok, 16));
        if (!ok || cp < First)
            fail(u"unexpected code point in: %1"_s.arg(line));
        found[cp][parts[1]] += readingsOf(parts[2].trimmed());
    }

    Readings readings;
    for (const auto &[cp, fields] : found) {
        for (const QStringList &source : Sources) {
            std::vector<QByteArray> list;
            for (const QString &field : source) {
                for (const QString &value : fields.value(field))
                    addReading(list, toneless(cp, value));
            }
            if (!list.empty()) {
                readings[cp] = list;
                break;
            }
        }
    }
    return readings;
}

// Gives each compatibility ideograph without readings of its own those of the ideograph it
// stands for.
void readCompatibilityIdeographs(Readings &readings) {
    for (const auto &[from, to] : CompatibilityBlocks) {
        for (char32_t cp = from; cp <= to; ++cp) {
            if (readings.contains(cp))
                continue;
            const QList<uint> unified = QString::fromUcs4(&cp, 1).normalized(QString::NormalizationForm_D).toUcs4();
            if (unified.size() != 1 || unified[0] == cp)
                continue;
            if (const auto it = readings.find(unified[0]); it != readings.end())
                readings[cp] = it->second;
        }
    }
}

// The table's arrays, as described in PinyinTable.h.
struct Table {
    int characters = 0;
    int polyphones = 0;
    std::vector<QByteArray> syllables;
    std::vector<int> pages;
    std::vector<int> characterSets = std::vector<int>(1 << PageShift, 0);   // block 0: no readings
    std::vector<int> setStart{0, 0};                                        // set 0: the empty set
    std::vector<int> setReadings;

    std::size_t bytes() const {
        return syllables.size() * 8 + (pages.size() + characterSets.size() + setStart.size() + setReadings.size()) * 2;
    }
};

Table tableOf(const Readings &readings) {
    Table t;
    std::set<QByteArray> distinct;
    for (const auto &[cp, list] : readings)
        distinct.insert(list.begin(), list.end());
    t.syllables.assign(distinct.begin(), distinct.end());
    QHash<QByteArray, int> idOf;
    for (int i = 0; i < static_cast<int>(t.syllables.size()); ++i)
        idOf.insert(t.syllables[i], i);

    std::map<std::vector<int>, int> setOf = {{{}, 0}};
    const char32_t last = readings.rbegin()->first;
    t.pages.assign(((last - First) >> PageShift) + 1, 0);
    for (const auto &[cp, list] : readings) {
        const std::size_t page = (cp - First) >> PageShift;
        if (t.pages[page] == 0) {
            t.pages[page] = static_cast<int>(t.characterSets.size() >> PageShift);
            t.characterSets.resize(t.characterSets.size() + (1 << PageShift), 0);
        }
        std::vector<int> ids;
        for (const QByteArray &syllable : list)
            ids.push_back(idOf.value(syllable));
        const auto [it, added] = setOf.try_emplace(ids, static_cast<int>(setOf.size()));
        if (added) {
            t.setReadings.insert(t.setReadings.end(), ids.begin(), ids.end());
            t.setStart.push_back(static_cast<int>(t.setReadings.size()));
        }
        t.characterSets[(static_cast<std::size_t>(t.pages[page]) << PageShift) +
                        ((cp - First) & ((1 << PageShift) - 1))] = it->second;
        ++t.characters;
        if (list.size() > 1)
            ++t.polyphones;
    }
    if (t.characterSets.size() >> PageShift > 0xFFFF || t.setStart.size() > 0xFFFF || t.setReadings.size() > 0xFFFF)
        fail(u"the table outgrows 16-bit indexes"_s);
    return t;
}

void writeArray(QTextStream &s, const char *type, const char *name, const std::vector<int> &values) {
    s << "\nconst " << type << ' ' << name << "[] = {";
    for (std::size_t i = 0; i < values.size(); ++i)
        s << (i % 16 ? " " : "\n    ") << values[i] << ',';
    s << "\n};\n";
}

void writeTable(const QString &path, const QString &source, const Table &t) {
    QFile out(path);
    if (!out.open(QIODevice::WriteOnly | QIODevice::Truncate))
        fail(u"could not write %1: %2"_s.arg(path, out.errorString()));
    QTextStream s(&out);
    s << "// Generated by pinyin_table_gen from " << source << ". Do not edit.\n"
      << "#include \"platform/text/PinyinTable.h\"\n\n"
      << "namespace txl::text::pinyin_table {\n\n"
      << "const int SyllableCount = " << t.syllables.size() << ";\n"
      << "const int CharacterCount = " << t.characters << ";\n"
      << "const int PolyphoneCount = " << t.polyphones << ";\n"
      << "const int PageCount = " << t.pages.size() << ";\n\n"
      << "const char Syllables[][8] = {";
    for (std::size_t i = 0; i < t.syllables.size(); ++i)
        s << (i % 12 ? " " : "\n    ") << '"' << t.syllables[i] << "\",";
    s << "\n};\n";
    writeArray(s, "std::uint16_t", "Pages", t.pages);
    writeArray(s, "std::uint16_t", "CharacterSets", t.characterSets);
    writeArray(s, "std::uint16_t", "SetStart", t.setStart);
    writeArray(s, "std::uint16_t", "SetReadings", t.setReadings);
    s << "\n}   // namespace txl::text::pinyin_table\n";
    s.flush();
    if (out.error() != QFileDevice::NoError)
        fail(u"could not write %1: %2"_s.arg(path, out.errorString()));
}

}   // namespace

int main(int argc, char **argv) {
    QCoreApplication app(argc, argv);
    QElapsedTimer timer;
    timer.start();
    const QStringList args = app.arguments();
    if (args.size() != 3)
        fail(u"usage: pinyin_table_gen READINGS OUT.cpp"_s);

    Readings readings = unihanReadings(QString::fromUtf8(readAll(args[1])).split(u'\n'));
    if (readings.empty())
        fail(u"%1 holds no Mandarin reading"_s.arg(args[1]));
    for (const Addition &a : Additions)
        addReading(readings[a.character], toneless(a.character, QString::fromUtf16(a.reading)));
    readCompatibilityIdeographs(readings);

    const Table t = tableOf(readings);
    writeTable(args[2], args[1], t);
    std::printf("pinyin table: %d characters, %d polyphones, %zu syllables, %zu reading sets, %zu bytes, "
                "made in %lld ms\n",
                t.characters, t.polyphones, t.syllables.size(), t.setStart.size() - 2, t.bytes(),
                static_cast<long long>(timer.elapsed()));
    return 0;
}
