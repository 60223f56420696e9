// pinyin_table_gen: turns the Unihan readings into the compact pinyin table the program is built
// with.
//
//   pinyin_table_gen READINGS OUT.cpp
//
// READINGS is Unihan_Readings.txt, or Unihan_Readings.txt.bz2 (read through `bzip2 -dc`). Every
// ideograph of U+4E00..U+9FFF gets each reading any of the Mandarin fields gives it, without tones,
// ü written as "v"; a reading that cannot be spelt that way stops the build.

#include <QCoreApplication>
#include <QFile>
#include <QHash>
#include <QList>
#include <QMap>
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

constexpr char32_t First = 0x4E00;
constexpr char32_t Last = 0x9FFF;
constexpr int MaxSyllable = 7;   // letters; the longest Mandarin syllable has 6

// The fields that give Mandarin readings, most common reading first. kMandarin holds the usual
// reading; the dictionary fields add the others of a polyphone (乐 yue, 单 shan).
const QStringList Fields = {u"kMandarin"_s, u"kHanyuPinlu"_s, u"kXHC1983"_s, u"kTGHZ2013"_s, u"kHanyuPinyin"_s};

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

// "lǚ" -> "lv", "zhāng" -> "zhang", "ê̄" -> "e", "ḿ" -> "m".
QByteArray toneless(const QString &reading) {
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
            return {};   // not a letter nor a tone or vowel mark
        }
    }
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

}   // namespace

int main(int argc, char **argv) {
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() != 3)
        fail(u"usage: pinyin_table_gen READINGS OUT.cpp"_s);

    // Per code point, per field (in Fields' order), the readings as the file lists them.
    std::map<char32_t, std::map<int, QStringList>> found;
    const QStringList lines = QString::fromUtf8(readAll(args[1])).split(u'\n');
    for (const QString &line : lines) {
        if (!line.startsWith(u"U+"_s))
            continue;
        const QStringList parts = line.split(u'\t');
        if (parts.size() < 3)
            continue;
        const int field = static_cast<int>(Fields.indexOf(parts[1]));
        if (field < 0)
            continue;
        bool ok = false;
        const auto cp = static_cast<char32_t>(parts[0].mid(2).toUInt(&ok, 16));
        if (!ok)
            fail(u"bad code point in: %1"_s.arg(line));
        if (cp < First || cp > Last)
            continue;
        found[cp][field] += readingsOf(parts[2].trimmed());
    }
    if (found.empty())
        fail(u"%1 holds no Mandarin reading"_s.arg(args[1]));

    // Each character's distinct toneless readings, most common first.
    std::map<char32_t, std::vector<QByteArray>> readings;
    std::set<QByteArray> syllables;
    for (const auto &[cp, fields] : found) {
        std::vector<QByteArray> &list = readings[cp];
        for (const auto &[field, values] : fields) {
            for (const QString &value : values) {
                const QByteArray syllable = toneless(value);
                if (syllable.isEmpty() || syllable.size() > MaxSyllable)
                    fail(u"U+%1: cannot spell the reading '%2' in letters"_s.arg(QString::number(cp, 16).toUpper(),
                                                                                 value));
                if (std::find(list.begin(), list.end(), syllable) == list.end())
                    list.push_back(syllable);
                syllables.insert(syllable);
            }
        }
    }

    const std::vector<QByteArray> ordered(syllables.begin(), syllables.end());
    QHash<QByteArray, int> idOf;
    for (int i = 0; i < static_cast<int>(ordered.size()); ++i)
        idOf.insert(ordered[i], i);

    std::vector<int> offsets;   // per code point of the block, and one past the last
    std::vector<int> ids;
    int polyphones = 0;
    for (char32_t cp = First; cp <= Last; ++cp) {
        offsets.push_back(static_cast<int>(ids.size()));
        const auto it = readings.find(cp);
        if (it == readings.end())
            continue;
        for (const QByteArray &syllable : it->second)
            ids.push_back(idOf.value(syllable));
        if (it->second.size() > 1)
            ++polyphones;
    }
    offsets.push_back(static_cast<int>(ids.size()));
    if (ids.size() > 0xFFFF || ordered.size() > 0xFFFF)
        fail(u"the table outgrows 16-bit indexes"_s);

    QFile out(args[2]);
    if (!out.open(QIODevice::WriteOnly | QIODevice::Truncate))
        fail(u"could not write %1: %2"_s.arg(args[2], out.errorString()));
    QTextStream s(&out);
    s << "// Generated by pinyin_table_gen from " << args[1] << ". Do not edit.\n"
      << "#include \"platform/text/PinyinTable.h\"\n\n"
      << "namespace txl::text::pinyin_table {\n\n"
      << "const int SyllableCount = " << ordered.size() << ";\n"
      << "const int CharacterCount = " << readings.size() << ";\n"
      << "const int PolyphoneCount = " << polyphones << ";\n\n"
      << "const char Syllables[][8] = {";
    for (std::size_t i = 0; i < ordered.size(); ++i)
        s << (i % 12 ? " " : "\n    ") << '"' << ordered[i] << "\",";
    auto numbers = [&s](const char *name, const std::vector<int> &values) {
        s << "\n};\n\nconst std::uint16_t " << name << "[] = {";
        for (std::size_t i = 0; i < values.size(); ++i)
            s << (i % 20 ? " " : "\n    ") << values[i] << ',';
    };
    numbers("Offsets", offsets);
    numbers("Readings", ids);
    s << "\n};\n\n} // namespace txl::text::pinyin_table\n";
    s.flush();
    if (out.error() != QFileDevice::NoError)
        fail(u"could not write %1: %2"_s.arg(args[2], out.errorString()));

    const std::size_t bytes = ordered.size() * 8 + offsets.size() * 2 + ids.size() * 2;
    std::printf("pinyin table: %zu of %u characters, %d polyphones, %zu syllables, %zu readings, "
                "%zu bytes\n",
                readings.size(), static_cast<unsigned>(Last - First + 1), polyphones, ordered.size(), ids.size(),
                bytes);
    return 0;
}
