#include "exchange/VCard.h"

#include "data/ContactKey.h"
#include "exchange/Dates.h"
#include "exchange/ImportRules.h"
#include "exchange/Text.h"

#include <QDate>
#include <QHash>
#include <QIODevice>
#include <QRegularExpression>
#include <QSet>
#include <QStringDecoder>
#include <QUuid>

using namespace Qt::StringLiterals;

namespace txl::exchange::vcard {

namespace {

using schema::Contact;

// ---- writing

QString escaped(const QString &value) {
    QString out;
    out.reserve(value.size());
    for (qsizetype i = 0; i < value.size(); ++i) {
        const QChar c = value.at(i);
        if (c == u'\\' || c == u',' || c == u';') {
            out += u'\\';
            out += c;
        } else if (c == u'\r') {
            out += u"\\n"_s;
            if (i + 1 < value.size() && value.at(i + 1) == u'\n')
                ++i;
        } else if (c == u'\n') {
            out += u"\\n"_s;
        } else {
            out += c;
        }
    }
    return out;
}

// Appends one content line, folded so no line is longer than 75 octets: a continuation line
// starts with a space, and no UTF-8 character is split.
void appendFolded(QByteArray &out, const QString &line) {
    const QByteArray utf8 = line.toUtf8();
    qsizetype start = 0;
    int room = 75;
    while (utf8.size() - start > room) {
        qsizetype end = start + room;
        while ((static_cast<unsigned char>(utf8.at(end)) & 0xC0) == 0x80)
            --end;   // back to the first byte of a character
        out.append(utf8.constData() + start, end - start);
        out.append("\r\n ");
        start = end;
        room = 74;
    }
    out.append(utf8.constData() + start, utf8.size() - start);
    out.append("\r\n");
}

bool hasCjk(const QString &text) {
    for (const QChar c : text) {
        if (c.unicode() >= 0x2E80)
            return true;
    }
    return false;
}

// Family names of two characters, as the name of a card splits them off.
const QSet<QString> &compoundSurnames() {
    static const QSet<QString> names = [] {
        QSet<QString> set;
        const QString all =
            u"欧阳 司马 诸葛 上官 长孙 东方 皇甫 尉迟 公孙 慕容 令狐 宇文 夏侯 轩辕 司徒 端木 独孤 南宫 "
            "西门 万俟 闻人 澹台 公冶 宗政 濮阳 太史 申屠 钟离 呼延 赫连 百里 东郭 第五 左丘 拓跋 "
            "单于 司空 仲孙 羊舌 微生 梁丘 段干 谷梁 乐正 漆雕 壤驷 公良 巫马 公西 颛孙 子车 亓官 "
            "司寇 南门 太叔 鲜于 闾丘 公羊"_s;
        for (const QString &n : all.split(u' ', Qt::SkipEmptyParts))
            set.insert(n);
        return set;
    }();
    return names;
}

}   // namespace

std::pair<QString, QString> familyAndGiven(const QString &name) {
    if (name.contains(u'·')) {   // 迪丽娜尔·阿不都拉: the name before, the father's after
        const qsizetype dot = name.lastIndexOf(u'·');
        return {name.mid(dot + 1), name.left(dot)};
    }
    if (hasCjk(name) && !name.contains(u' ')) {
        if (name.size() >= 3 && compoundSurnames().contains(name.left(2)))
            return {name.left(2), name.mid(2)};
        return {name.left(1), name.mid(1)};
    }
    const qsizetype space = name.lastIndexOf(u' ');
    if (space < 0)
        return {name, QString()};
    return {name.mid(space + 1), name.left(space)};   // Alexander Brown
}

namespace {

// The card's UID: the same classmate gets the same one in every export (a phone that imports
// the file again updates the card instead of adding another); a second card of the same name
// and birth date gets one of its own.
QString cardUid(const QString &name, const QString &birth, QHash<QByteArray, int> &used) {
    static const QUuid space(u"6f7c2a51-3a0e-4c0b-9d8e-2b1f4a7e5c30"_s);
    QByteArray key = data::contactKey(name, birth);
    if (const int n = ++used[key]; n > 1)
        key += '\n' + QByteArray::number(n);
    return u"urn:uuid:"_s + QUuid::createUuidV5(space, key).toString(QUuid::WithoutBraces);
}

void appendCard(QByteArray &out, const ContactSource &contacts, int row, QHash<QByteArray, int> &used) {
    const auto value = [&](Contact c) { return contacts.value(row, c); };
    const auto property = [&](const QString &name, const QString &text) {
        if (!text.isEmpty())
            appendFolded(out, name + u':' + escaped(text));
    };
    out.append("BEGIN:VCARD\r\nVERSION:3.0\r\n");
    const QString name = value(schema::Name);
    const QString birth = value(schema::Birth);
    appendFolded(out, u"UID:"_s + cardUid(name, birth, used));
    appendFolded(out, u"FN:"_s + escaped(name));
    const auto [family, given] = familyAndGiven(name);
    appendFolded(out, u"N:"_s + escaped(family) + u';' + escaped(given) + u";;;"_s);

    // GENDER is vCard 4.0's; a 3.0 card says it as phones and address books do.
    const QString sex = value(schema::Sex);
    if (sex == u"男"_s)
        appendFolded(out, u"X-GENDER:Male"_s);
    else if (sex == u"女"_s)
        appendFolded(out, u"X-GENDER:Female"_s);
    else if (!sex.isEmpty())
        appendFolded(out, u"X-GENDER:"_s + escaped(sex));

    if (storedDate(birth).isValid())
        property(u"BDAY"_s, birth);
    else
        property(u"BDAY;VALUE=text"_s, birth);
    property(u"TEL;TYPE=CELL"_s, value(schema::Mobile));
    property(u"TEL;TYPE=HOME"_s, value(schema::HomePhone));
    property(u"EMAIL;TYPE=INTERNET"_s, value(schema::Email));
    if (const QString address = value(schema::Address); !address.isEmpty())
        appendFolded(out, u"ADR;TYPE=HOME:;;"_s + escaped(address) + u";;;;"_s);
    property(u"X-QQ"_s, value(schema::QQ));
    property(u"X-TXL-DORMITORY"_s, value(schema::Dormitory));
    out.append("END:VCARD\r\n");
}

// ---- reading

struct Property {
    QString name;           // upper case, group dropped
    QList<QString> types;   // lower case: TYPE values and 2.1's bare type names
    QString valueType;      // VALUE=, lower case
    QString charset;
    bool quotedPrintable = false;
    bool base64 = false;
    bool preferred = false;   // PREF=1, TYPE=pref
    QString omitYear;         // X-APPLE-OMIT-YEAR: the year written where there is none
    QString value;            // raw, after decoding quoted-printable
    QString problem;          // why the value cannot be decoded
};

// Splits "a;b\;c" at the separators that are not escaped.
QStringList splitUnescaped(const QString &value, QChar separator) {
    QStringList parts;
    QString current;
    for (qsizetype i = 0; i < value.size(); ++i) {
        const QChar c = value.at(i);
        if (c == u'\\' && i + 1 < value.size()) {
            current += c;
            current += value.at(++i);
        } else if (c == separator) {
            parts << current;
            current.clear();
        } else {
            current += c;
        }
    }
    parts << current;
    return parts;
}

QString unescaped(const QString &value) {
    QString out;
    out.reserve(value.size());
    for (qsizetype i = 0; i < value.size(); ++i) {
        const QChar c = value.at(i);
        if (c != u'\\' || i + 1 == value.size()) {
            out += c;
            continue;
        }
        const QChar n = value.at(++i);
        if (n == u'n' || n == u'N')
            out += u'\n';
        else if (n == u'\\' || n == u',' || n == u';' || n == u':')
            out += n;
        else
            out.append(c).append(n);   // not an escape: kept as written
    }
    return out;
}

int hexDigit(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

// The bytes a quoted-printable value stands for; nothing when an = is not followed by two hex
// digits (a damaged value, whose bytes cannot be told).
std::optional<QByteArray> decodeQuotedPrintable(const QString &text) {
    QByteArray out;
    const QByteArray latin = text.toUtf8();
    for (qsizetype i = 0; i < latin.size(); ++i) {
        const char c = latin.at(i);
        if (c != '=') {
            out.append(c);
            continue;
        }
        const int high = i + 2 < latin.size() ? hexDigit(latin.at(i + 1)) : -1;
        const int low = high < 0 ? -1 : hexDigit(latin.at(i + 2));
        if (low < 0)
            return std::nullopt;
        out.append(static_cast<char>(high * 16 + low));
        i += 2;
    }
    return out;
}

// The text of encoded bytes in `charset` (UTF-8 when none is named); nothing when they are not
// text in it.
std::optional<QString> decodeCharset(const QByteArray &bytes, const QString &charset) {
    const QString name = charset.isEmpty() ? u"UTF-8"_s : charset.toUpper();
    const bool chinese = name == u"GBK"_s || name == u"GB2312"_s || name == u"GB18030"_s || name == u"CP936"_s;
    QStringDecoder decoder(chinese ? "GB18030" : name.toLatin1().constData());
    if (!decoder.isValid())
        decoder = QStringDecoder(QStringDecoder::Utf8);
    QString text = decoder.decode(bytes);
    if (decoder.hasError())
        return std::nullopt;
    return text;
}

class CardBuilder {
public:
    explicit CardBuilder(int line) : m_values(schema::ContactColumnCount, QString()), m_line(line) {}

    void take(const Property &p) {
        if (p.base64)
            return;   // pictures and the like
        if (p.name == u"FN"_s) {
            setOnce(schema::Name, unescaped(p.value).trimmed());
        } else if (p.name == u"N"_s) {
            const QStringList parts = splitUnescaped(p.value, u';');
            const QString family = unescaped(parts.value(0)).trimmed();
            const QString given = unescaped(parts.value(1)).trimmed();
            m_nameFromN = hasCjk(family + given) ? family + given : QStringList({given, family}).join(u' ').trimmed();
        } else if (p.name == u"GENDER"_s || p.name == u"X-GENDER"_s) {
            takeSex(p);
        } else if (p.name == u"BDAY"_s) {
            QString v = unescaped(p.value).trimmed();
            if (p.valueType != u"text"_s)
                v = v.section(u'T', 0, 0);
            // A phone that keeps no year writes one it never means (iOS: 1604) and says so.
            if (!p.omitYear.isEmpty() && v.startsWith(p.omitYear))
                v = u"--"_s + v.mid(p.omitYear.size()).remove(u'-');
            setOnce(schema::Birth, v);   // the rules tell a date without a year
        } else if (p.name == u"TEL"_s) {
            QString v = unescaped(p.value).trimmed();
            if (v.startsWith(u"tel:"_s, Qt::CaseInsensitive))
                v = v.mid(4).section(u';', 0, 0);
            if (p.preferred)
                m_phones.insert(m_preferredPhones++, {p.types.join(u','), v});
            else
                m_phones.append({p.types.join(u','), v});
        } else if (p.name == u"EMAIL"_s) {
            if (m_values[schema::Email].isEmpty() || (p.preferred && !m_preferredEmail)) {
                m_values[schema::Email] = unescaped(p.value).trimmed();
                m_preferredEmail = p.preferred;
            }
        } else if (p.name == u"ADR"_s) {
            if (m_address.isEmpty() || (!m_homeAddress && p.types.contains(u"home"_s))) {
                m_address = address(p.value);
                m_homeAddress = p.types.contains(u"home"_s);
            }
        } else if (p.name == u"X-QQ"_s) {
            setOnce(schema::QQ, unescaped(p.value).trimmed());
        } else if (p.name == u"IMPP"_s && p.value.startsWith(u"qq:"_s, Qt::CaseInsensitive)) {
            setOnce(schema::QQ, unescaped(p.value.mid(3)).trimmed());
        } else if (p.name == u"X-TXL-DORMITORY"_s) {
            setOnce(schema::Dormitory, unescaped(p.value).trimmed());
        }
    }

    QStringList finish() {
        if (m_values[schema::Name].isEmpty())
            m_values[schema::Name] = m_nameFromN;
        m_values[schema::Address] = m_address;
        placePhones(m_phones, m_values);
        return m_values;
    }

    int line() const { return m_line; }
    // Why the card cannot be taken (a value that cannot be decoded); empty when it can.
    QString problem;

private:
    void setOnce(Contact c, const QString &value) {
        if (m_values[c].isEmpty())
            m_values[c] = value;
    }

    void takeSex(const Property &p) {
        const QStringList parts = splitUnescaped(p.value, u';');
        const QString sex = unescaped(parts.value(0)).trimmed();
        const QString identity = unescaped(parts.mid(1).join(u';')).trimmed();
        const QString s = sex.toLower();
        if (s == u"m"_s || s == u"male"_s || sex == u"男"_s)
            setOnce(schema::Sex, u"男"_s);
        else if (s == u"f"_s || s == u"female"_s || sex == u"女"_s)
            setOnce(schema::Sex, u"女"_s);
        else if (!identity.isEmpty())
            setOnce(schema::Sex, identity);
        else if (p.name == u"X-GENDER"_s)
            setOnce(schema::Sex, sex);
    }

    static QString address(const QString &value) {
        QStringList parts;
        for (const QString &part : splitUnescaped(value, u';'))
            parts << unescaped(part).trimmed();
        parts.resize(7);
        const QString extended = QStringList({parts[1], parts[0]}).filter(QRegularExpression(u"\\S"_s)).join(u' ');
        return addressFromParts(parts[2], extended, parts[3], parts[4], parts[5], parts[6]);
    }

    QStringList m_values;
    int m_line;
    QString m_nameFromN;
    QString m_address;
    bool m_homeAddress = false;
    QList<std::pair<QString, QString>> m_phones;   // types, number; the preferred ones first
    qsizetype m_preferredPhones = 0;
    bool m_preferredEmail = false;
};

class Reader {
public:
    Reader(const QString &text, ReadResult &result) : m_result(result), m_intake(result) {
        m_result.tables.append(Table());
        m_lines = text.split(u'\n');
        for (QString &l : m_lines) {
            if (l.endsWith(u'\r'))
                l.chop(1);
        }
    }

    void run() {
        std::optional<CardBuilder> card;
        int cardLine = 0;
        while (m_next < m_lines.size()) {
            const int line = m_next + 1;
            Property p;
            if (!nextProperty(p))
                return;
            if (p.name.isEmpty())
                continue;   // a blank line
            if (p.name == u"BEGIN"_s && p.value.trimmed().compare(u"VCARD"_s, Qt::CaseInsensitive) == 0) {
                if (card)
                    return fail(cardLine, u"名片没有 END:VCARD 就开始了下一张名片，文件可能已损坏。"_s);
                card.emplace(line);
                cardLine = line;
            } else if (!card) {
                return fail(line, u"不是名片的内容（名片应以 BEGIN:VCARD 开始）。"_s);
            } else if (p.name == u"END"_s) {
                if (card->problem.isEmpty())
                    m_intake.add(0, card->line(), card->finish());
                else
                    m_intake.refuse(0, card->line(), card->problem);
                card.reset();
                ++m_cards;
            } else if (p.name == u"VERSION"_s) {
                const QString v = p.value.trimmed();
                if (v != u"2.1"_s && v != u"3.0"_s && v != u"4.0"_s)
                    return fail(line, u"不支持的 vCard 版本 %1（可以读 2.1、3.0 和 4.0）。"_s.arg(v));
            } else if (!p.problem.isEmpty()) {
                if (card->problem.isEmpty())
                    card->problem = u"第%1行的 %2：%3"_s.arg(line).arg(p.name, p.problem);
            } else {
                card->take(p);
            }
        }
        if (card)
            return fail(cardLine, u"名片没有 END:VCARD，文件不完整。"_s);
        if (m_cards == 0)
            fail(1, u"文件里没有名片（BEGIN:VCARD）。"_s);
        m_intake.finish();
    }

private:
    void fail(int line, const QString &reason) { m_result.error = u"第%1行：%2"_s.arg(line).arg(reason); }

    // One logical line: folded continuations (a leading space or tab) joined, and for a
    // quoted-printable value the soft line breaks (a trailing =) as well.
    bool nextProperty(Property &p) {
        const int line = m_next + 1;
        QString text = m_lines.at(m_next++);
        while (m_next < m_lines.size() && !m_lines.at(m_next).isEmpty() &&
               (m_lines.at(m_next).at(0) == u' ' || m_lines.at(m_next).at(0) == u'\t'))
            text += m_lines.at(m_next++).mid(1);
        if (text.trimmed().isEmpty())
            return true;
        const qsizetype colon = valueStart(text);
        if (colon < 0) {
            fail(line, u"这一行不是“名称:值”的形式。"_s);
            return false;
        }
        parseHead(text.left(colon), p);
        p.value = text.mid(colon + 1);
        if (p.quotedPrintable) {
            while (p.value.endsWith(u'=') && m_next < m_lines.size()) {
                p.value.chop(1);
                p.value += m_lines.at(m_next++);
            }
            // The charset names the encoded bytes; text that was not encoded was already decoded
            // with the file's own encoding.
            const std::optional<QByteArray> bytes = decodeQuotedPrintable(p.value);
            const std::optional<QString> decoded = bytes ? decodeCharset(*bytes, p.charset) : std::nullopt;
            if (!bytes)
                p.problem = u"quoted-printable 编码已损坏（= 后面应是两位十六进制数）"_s;
            else if (!decoded)
                p.problem = u"编码后的字节不是有效的 %1 文字"_s.arg(p.charset.isEmpty() ? u"UTF-8"_s : p.charset);
            else
                p.value = *decoded;
        }
        return true;
    }

    // The colon that ends the name and parameters (a colon inside a quoted parameter value does not).
    static qsizetype valueStart(const QString &text) {
        bool quoted = false;
        for (qsizetype i = 0; i < text.size(); ++i) {
            if (text.at(i) == u'"')
                quoted = !quoted;
            else if (text.at(i) == u':' && !quoted)
                return i;
        }
        return -1;
    }

    static void parseHead(const QString &head, Property &p) {
        const QStringList parts = splitUnescaped(head, u';');
        p.name = parts.first().section(u'.', -1).trimmed().toUpper();
        for (qsizetype i = 1; i < parts.size(); ++i) {
            const QString param = parts.at(i).trimmed();
            const qsizetype eq = param.indexOf(u'=');
            const QString key = (eq < 0 ? u"TYPE"_s : param.left(eq)).trimmed().toUpper();
            QString value = eq < 0 ? param : param.mid(eq + 1);
            value.remove(u'"');
            if (key == u"ENCODING"_s ||
                (eq < 0 && (value.toUpper() == u"QUOTED-PRINTABLE"_s || value.toUpper() == u"BASE64"_s))) {
                const QString e = value.toUpper();
                p.quotedPrintable = e == u"QUOTED-PRINTABLE"_s;
                p.base64 = e == u"BASE64"_s || e == u"B"_s;
            } else if (key == u"CHARSET"_s) {
                p.charset = value;
            } else if (key == u"VALUE"_s) {
                p.valueType = value.toLower();
            } else if (key == u"TYPE"_s) {
                for (const QString &t : value.split(u','))
                    p.types << t.trimmed().toLower();
                p.preferred = p.preferred || p.types.contains(u"pref"_s);
            } else if (key == u"PREF"_s) {
                p.preferred = true;
            } else if (key == u"X-APPLE-OMIT-YEAR"_s) {
                p.omitYear = value.trimmed();
            }
        }
    }

    ReadResult &m_result;
    Intake m_intake;
    QStringList m_lines;
    qsizetype m_next = 0;
    qsizetype m_cards = 0;
};

}   // namespace

void write(const ContactSource &contacts, QIODevice &out, const Progress &progress) {
    BlockWriter writer(out, Encoding::Utf8, false);
    QByteArray card;
    QHash<QByteArray, int> used;
    const int rows = contacts.count();
    for (int r = 0; r < rows; ++r) {
        reportStep(progress, r, rows);
        card.truncate(0);
        appendCard(card, contacts, r, used);
        writer.add(card);
    }
    writer.flush();
}

ReadResult read(const QByteArray &bytes) {
    ReadResult result;
    result.format = Format::VCard;
    const std::optional<QByteArray> text = textAsUtf8(bytes, result.encoding, result.error);
    if (!text)
        return result;
    Reader(QString::fromUtf8(*text), result).run();
    if (!result.ok())
        result.records.clear();
    return result;
}

}   // namespace txl::exchange::vcard
