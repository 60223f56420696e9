#include "exchange/XmlScanner.h"

#include <algorithm>
#include <array>
#include <cstring>

using namespace Qt::StringLiterals;

namespace txl::exchange {

namespace {

// What each byte can be, looked up once per byte: the scanner's loops run over every byte of a
// sheet of tens of megabytes.
enum : unsigned char { Space = 1, NameChar = 2 };
constexpr std::array<unsigned char, 256> ByteClass = [] {
    std::array<unsigned char, 256> classes{};
    for (int c = 0; c < 256; ++c) {
        const bool space = c == ' ' || c == '\t' || c == '\n' || c == '\r';
        const bool delimiter = c == '>' || c == '/' || c == '=' || c == '<' || c == '"' || c == '\'';
        classes[static_cast<std::size_t>(c)] = space ? Space : delimiter ? 0 : NameChar;
    }
    return classes;
}();

bool isSpace(char c) {
    return ByteClass[static_cast<unsigned char>(c)] & Space;
}

bool isNameChar(char c) {
    return ByteClass[static_cast<unsigned char>(c)] & NameChar;
}

// Names are a few bytes long: comparing them in place beats a call to memcmp.
bool same(const char *a, const char *b, std::size_t size) {
    for (std::size_t i = 0; i < size; ++i) {
        if (a[i] != b[i])
            return false;
    }
    return true;
}

bool same(QByteArrayView a, QByteArrayView b) {
    return a.size() == b.size() && same(a.data(), b.data(), static_cast<std::size_t>(a.size()));
}

bool same(std::string_view a, QByteArrayView b) {
    return a.size() == static_cast<std::size_t>(b.size()) && same(a.data(), b.data(), a.size());
}

}   // namespace

XmlScanner::Token XmlScanner::fail(const QString &message) {
    if (m_token != Invalid || m_error.isEmpty())
        m_error = message;
    m_token = Invalid;
    return m_token;
}

// The bytes at hand end inside a token: more may come from the source; otherwise the document
// itself ends there, which is the error `message` names.
XmlScanner::Step XmlScanner::incomplete(const QString &message) {
    if (!m_sourceDone)
        return Step::NeedMore;
    fail(message);
    return Step::Done;
}

// Drops what lies before `keepFrom` (the start of the token being read) and appends what the
// source gives next: a piece, or as much again as is kept, so that one long token is read in
// a few rounds rather than many.
void XmlScanner::readMore(qsizetype keepFrom) {
    // Before the first piece there is nothing at all, not even an address: the C functions
    // below must not see it.
    const qsizetype kept = m_xml.size() - keepFrom;
    if (keepFrom > 0) {
        for (const char *p = m_xml.data(), *end = p + keepFrom;
             (p = static_cast<const char *>(std::memchr(p, '\n', static_cast<size_t>(end - p)))); ++p)
            ++m_linesDropped;
    }
    const qsizetype room = std::max(m_piece, kept);
    if (m_buffer.size() < kept + room) {
        QByteArray grown(kept + room, Qt::Uninitialized);
        if (kept > 0)
            std::memcpy(grown.data(), m_xml.data() + keepFrom, static_cast<size_t>(kept));
        m_buffer.swap(grown);
    } else if (kept > 0) {
        std::memmove(m_buffer.data(), m_xml.data() + keepFrom, static_cast<size_t>(kept));
    }
    m_xml = QByteArrayView(m_buffer.constData(), kept);
    m_pos = 0;
    const qsizetype got = m_source(m_buffer.data() + kept, room);
    if (got <= 0)
        m_sourceDone = true;
    else
        m_xml = QByteArrayView(m_buffer.constData(), kept + std::min(got, room));
}

int XmlScanner::lineNumber() const {
    const qsizetype end = std::min(m_pos, m_xml.size());
    return 1 + m_linesDropped + static_cast<int>(std::count(m_xml.begin(), m_xml.begin() + end, '\n'));
}

QByteArrayView XmlScanner::localName(QByteArrayView name) {
    for (qsizetype i = name.size(); i-- > 0;) {
        if (name.at(i) == ':')
            return name.sliced(i + 1);
    }
    return name;
}

QByteArrayView XmlScanner::attribute(QByteArrayView local) const {
    for (const auto &[name, value] : m_attributes) {
        if (same(name, local))
            return value;
    }
    return {};
}

XmlScanner::Token XmlScanner::next() {
    if (failed())
        return m_token;
    if (m_pendingEnd) {
        m_pendingEnd = false;
        m_open.pop();
        m_token = EndElement;
        return m_token;
    }
    for (;;) {
        const qsizetype start = m_pos;
        switch (scan()) {
        case Step::Done:
            return m_token;
        case Step::Skipped:
            break;
        case Step::NeedMore:
            readMore(start);
            break;
        }
    }
}

// Reads the token at m_pos; on NeedMore nothing has changed but m_pos, which next() puts back.
XmlScanner::Step XmlScanner::scan() {
    if (m_pos >= m_xml.size()) {
        if (!m_sourceDone)
            return Step::NeedMore;
        if (!m_open.empty())
            fail(u"文档不完整（<%1> 没有结束）"_s.arg(
                QString::fromUtf8(m_open.back().data(), static_cast<qsizetype>(m_open.back().size()))));
        else
            m_token = EndOfDocument;
        return Step::Done;
    }
    if (m_xml.at(m_pos) != '<') {
        const void *lt = std::memchr(m_xml.data() + m_pos, '<', static_cast<size_t>(m_xml.size() - m_pos));
        if (!lt && !m_sourceDone)
            return Step::NeedMore;   // the text may go on: it is read whole, up to the next tag
        const qsizetype end = lt ? static_cast<const char *>(lt) - m_xml.data() : m_xml.size();
        m_text = m_xml.sliced(m_pos, end - m_pos);
        m_textIsCdata = false;
        m_pos = end;
        if (m_open.empty()) {
            if (std::all_of(m_text.begin(), m_text.end(), isSpace))
                return Step::Skipped;   // white space around the root element
            fail(u"根元素之外有文字"_s);
            return Step::Done;
        }
        m_token = Text;
        return Step::Done;
    }
    if (m_pos + 1 < m_xml.size() && m_xml.at(m_pos + 1) != '!' && m_xml.at(m_pos + 1) != '?')
        return readTag();
    return scanMarkup();
}

// At "<!" or "<?" (or a '<' at the end of the bytes at hand): a comment, a processing
// instruction, CDATA, a document type declaration (refused) or a tag.
XmlScanner::Step XmlScanner::scanMarkup() {
    const QByteArrayView rest = m_xml.sliced(m_pos);
    if (rest.size() < 9 && !m_sourceDone)
        return Step::NeedMore;   // enough to tell "<!--", "<?" and "<![CDATA[" apart
    if (rest.startsWith("<!--")) {
        const qsizetype end = rest.indexOf("-->");
        if (end < 0)
            return incomplete(u"注释没有结束"_s);
        m_pos += end + 3;
        return Step::Skipped;
    }
    if (rest.startsWith("<?")) {
        const qsizetype end = rest.indexOf("?>");
        if (end < 0)
            return incomplete(u"处理指令没有结束"_s);
        m_pos += end + 2;
        return Step::Skipped;
    }
    if (rest.startsWith("<![CDATA[")) {
        const qsizetype end = rest.indexOf("]]>");
        if (end < 0)
            return incomplete(u"CDATA 没有结束"_s);
        if (m_open.empty()) {
            fail(u"根元素之外有文字"_s);
            return Step::Done;
        }
        m_text = rest.sliced(9, end - 9);
        m_textIsCdata = true;
        m_pos += end + 3;
        m_token = Text;
        return Step::Done;
    }
    if (rest.startsWith("<!")) {
        fail(u"不接受文档类型声明"_s);
        return Step::Done;
    }
    return readTag();
}

XmlScanner::Step XmlScanner::readTag() {
    qsizetype pos = m_pos + 1;
    const bool closing = pos < m_xml.size() && m_xml.at(pos) == '/';
    if (closing)
        ++pos;
    const qsizetype start = pos;
    while (pos < m_xml.size() && isNameChar(m_xml.at(pos)))
        ++pos;
    if (pos >= m_xml.size())
        return incomplete(pos == start ? u"标签没有名字"_s : closing ? u"结束标签不完整"_s : u"标签不完整"_s);
    if (pos == start) {
        fail(u"标签没有名字"_s);
        return Step::Done;
    }
    const QByteArrayView fullName = m_xml.sliced(start, pos - start);
    const std::string_view written(fullName.data(), static_cast<size_t>(fullName.size()));
    m_name = localName(fullName);
    if (closing) {
        while (pos < m_xml.size() && isSpace(m_xml.at(pos)))
            ++pos;
        if (pos >= m_xml.size())
            return incomplete(u"结束标签不完整"_s);
        if (m_xml.at(pos) != '>')
            fail(u"结束标签不完整"_s);
        else if (m_open.empty() || !same(m_open.back(), fullName))
            fail(u"结束标签 </%1> 与开始标签不配对"_s.arg(QString::fromUtf8(fullName)));
        if (failed())
            return Step::Done;
        m_open.pop();
        m_pos = pos + 1;
        m_token = EndElement;
        return Step::Done;
    }
    if (const Step step = readAttributes(pos); step != Step::Done || failed())
        return step;
    const bool selfClosing = m_xml.at(pos) == '/';
    if (selfClosing && pos + 1 >= m_xml.size())
        return incomplete(u"标签不完整"_s);
    if (selfClosing && m_xml.at(pos + 1) != '>')
        fail(u"标签不完整"_s);
    else if (m_open.empty() && m_seenRoot)
        fail(u"文档有不止一个根元素"_s);
    if (failed())
        return Step::Done;
    m_seenRoot = true;
    m_open.push(written);
    m_pendingEnd = selfClosing;
    m_pos = pos + (selfClosing ? 2 : 1);
    m_token = StartElement;
    return Step::Done;
}

// Reads the attributes up to the tag's '/' or '>', leaving `pos` on it. Done when they are read
// or broken (failed() tells which).
XmlScanner::Step XmlScanner::readAttributes(qsizetype &pos) {
    m_attributes.clear();
    for (;;) {
        while (pos < m_xml.size() && isSpace(m_xml.at(pos)))
            ++pos;
        if (pos >= m_xml.size())
            return incomplete(u"标签不完整"_s);
        const char c = m_xml.at(pos);
        if (c == '>' || c == '/')
            return Step::Done;
        const qsizetype nameStart = pos;
        while (pos < m_xml.size() && isNameChar(m_xml.at(pos)))
            ++pos;
        const QByteArrayView name = m_xml.sliced(nameStart, pos - nameStart);
        while (pos < m_xml.size() && isSpace(m_xml.at(pos)))
            ++pos;
        if (!name.isEmpty() && pos >= m_xml.size())
            return incomplete(u"属性不完整"_s);
        if (name.isEmpty() || m_xml.at(pos) != '=') {
            fail(u"属性不完整"_s);
            return Step::Done;
        }
        ++pos;
        while (pos < m_xml.size() && isSpace(m_xml.at(pos)))
            ++pos;
        if (pos >= m_xml.size())
            return incomplete(u"属性值没有引号"_s);
        if (m_xml.at(pos) != '"' && m_xml.at(pos) != '\'') {
            fail(u"属性值没有引号"_s);
            return Step::Done;
        }
        const char quote = m_xml.at(pos++);
        const qsizetype valueStart = pos;
        const void *close = std::memchr(m_xml.data() + pos, quote, static_cast<size_t>(m_xml.size() - pos));
        if (!close)
            return incomplete(u"属性值没有结束"_s);
        pos = static_cast<const char *>(close) - m_xml.data();
        m_attributes.emplace_back(localName(name), m_xml.sliced(valueStart, pos - valueStart));
        ++pos;
    }
}

bool XmlScanner::appendDecoded(QByteArray &out, QByteArrayView raw) {
    qsizetype from = 0;
    for (;;) {
        const qsizetype amp = raw.indexOf('&', from);
        out.append(raw.sliced(from, (amp < 0 ? raw.size() : amp) - from));
        if (amp < 0)
            return true;
        const qsizetype semi = raw.indexOf(';', amp);
        if (semi < 0)
            return false;
        const QByteArrayView entity = raw.sliced(amp + 1, semi - amp - 1);
        if (entity == "lt")
            out += '<';
        else if (entity == "gt")
            out += '>';
        else if (entity == "amp")
            out += '&';
        else if (entity == "quot")
            out += '"';
        else if (entity == "apos")
            out += '\'';
        else if (entity.startsWith('#')) {
            bool ok = false;
            const uint code = entity.startsWith("#x") ? entity.sliced(2).toUInt(&ok, 16)
                                                      : entity.sliced(1).toUInt(&ok, 10);
            if (!ok || code == 0 || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF))
                return false;
            out += QString::fromUcs4(reinterpret_cast<const char32_t *>(&code), 1).toUtf8();
        } else {
            return false;
        }
        from = semi + 1;
    }
}

void XmlScanner::appendText(QByteArray &out) {
    if (m_textIsCdata || !m_text.contains('&'))
        out.append(m_text);
    else if (!appendDecoded(out, m_text))
        fail(u"无法识别的字符实体"_s);
}

QString XmlScanner::text() {
    QByteArray out;
    appendText(out);
    return QString::fromUtf8(out);
}

template <class F>
void XmlScanner::readElement(F &&eachText) {
    for (int depth = 1;;) {
        switch (next()) {
        case StartElement:
            ++depth;
            break;
        case EndElement:
            if (--depth == 0)
                return;
            break;
        case Text:
            eachText();
            break;
        default:
            return;
        }
    }
}

bool XmlScanner::takeSimpleText(QByteArrayView &text) {
    if (m_token != StartElement || m_pendingEnd)
        return false;
    const char *from = m_xml.data() + m_pos;
    const char *end = m_xml.data() + m_xml.size();
    const auto *lt = static_cast<const char *>(std::memchr(from, '<', static_cast<size_t>(end - from)));
    const std::string_view name = m_open.back();
    const auto nameSize = static_cast<qsizetype>(name.size());
    if (!lt || end - lt < nameSize + 3 || lt[1] != '/' || lt[nameSize + 2] != '>' ||
        !same(lt + 2, name.data(), name.size()))
        return false;
    text = QByteArrayView(from, lt - from);
    if (text.contains('&'))
        return false;   // entities: the general way expands them
    m_open.pop();
    m_pos = lt + nameSize + 3 - m_xml.data();
    m_token = EndElement;
    return true;
}

void XmlScanner::appendElementText(QByteArray &out) {
    if (QByteArrayView simple; takeSimpleText(simple)) {
        out.append(simple);
        return;
    }
    readElement([&] { appendText(out); });
}

void XmlScanner::skipElement() {
    readElement([] {});
}

}   // namespace txl::exchange
