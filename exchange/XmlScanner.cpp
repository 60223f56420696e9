#include "exchange/XmlScanner.h"

#include <cstring>

using namespace Qt::StringLiterals;

namespace txl::exchange {

namespace {

bool isSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}

bool isNameChar(char c) {
    return !isSpace(c) && c != '>' && c != '/' && c != '=' && c != '<' && c != '"' && c != '\'';
}

} // namespace

XmlScanner::Token XmlScanner::fail(const QString &message) {
    if (m_token != Invalid || m_error.isEmpty())
        m_error = message;
    m_token = Invalid;
    return m_token;
}

int XmlScanner::lineNumber() const {
    const qsizetype end = std::min(m_pos, m_xml.size());
    return 1 + static_cast<int>(std::count(m_xml.begin(), m_xml.begin() + end, '\n'));
}

QByteArrayView XmlScanner::localName(QByteArrayView name) {
    const qsizetype colon = name.lastIndexOf(':');
    return colon < 0 ? name : name.sliced(colon + 1);
}

QByteArrayView XmlScanner::attribute(QByteArrayView local) const {
    for (const auto &[name, value] : m_attributes) {
        if (name == local)
            return value;
    }
    return {};
}

XmlScanner::Token XmlScanner::next() {
    if (m_token == Invalid && !m_error.isEmpty())
        return m_token;
    if (m_pendingEnd) {
        m_pendingEnd = false;
        m_open.pop_back();
        m_token = EndElement;
        return m_token;
    }
    for (;;) {
        if (m_pos >= m_xml.size()) {
            if (!m_open.empty())
                return fail(u"文档不完整（<%1> 没有结束）"_s.arg(QString::fromUtf8(m_open.back())));
            m_token = EndOfDocument;
            return m_token;
        }
        if (m_xml.at(m_pos) != '<') {
            const void *lt = std::memchr(m_xml.data() + m_pos, '<', static_cast<size_t>(m_xml.size() - m_pos));
            const qsizetype end = lt ? static_cast<const char *>(lt) - m_xml.data() : m_xml.size();
            m_text = m_xml.sliced(m_pos, end - m_pos);
            m_textIsCdata = false;
            m_pos = end;
            if (m_open.empty()) {
                if (std::all_of(m_text.begin(), m_text.end(), isSpace))
                    continue;   // white space around the root element
                return fail(u"根元素之外有文字"_s);
            }
            m_token = Text;
            return m_token;
        }
        const QByteArrayView rest = m_xml.sliced(m_pos);
        if (rest.startsWith("<!--")) {
            const qsizetype end = rest.indexOf("-->");
            if (end < 0)
                return fail(u"注释没有结束"_s);
            m_pos += end + 3;
            continue;
        }
        if (rest.startsWith("<?")) {
            const qsizetype end = rest.indexOf("?>");
            if (end < 0)
                return fail(u"处理指令没有结束"_s);
            m_pos += end + 2;
            continue;
        }
        if (rest.startsWith("<![CDATA[")) {
            const qsizetype end = rest.indexOf("]]>");
            if (end < 0)
                return fail(u"CDATA 没有结束"_s);
            if (m_open.empty())
                return fail(u"根元素之外有文字"_s);
            m_text = rest.sliced(9, end - 9);
            m_textIsCdata = true;
            m_pos += end + 3;
            m_token = Text;
            return m_token;
        }
        if (rest.startsWith("<!"))
            return fail(u"不接受文档类型声明"_s);
        return readTag();
    }
}

XmlScanner::Token XmlScanner::readTag() {
    qsizetype pos = m_pos + 1;
    const bool closing = pos < m_xml.size() && m_xml.at(pos) == '/';
    if (closing)
        ++pos;
    const qsizetype start = pos;
    while (pos < m_xml.size() && isNameChar(m_xml.at(pos)))
        ++pos;
    if (pos == start)
        return fail(u"标签没有名字"_s);
    const QByteArrayView fullName = m_xml.sliced(start, pos - start);
    m_name = localName(fullName);
    if (closing) {
        while (pos < m_xml.size() && isSpace(m_xml.at(pos)))
            ++pos;
        if (pos >= m_xml.size() || m_xml.at(pos) != '>')
            return fail(u"结束标签不完整"_s);
        if (m_open.empty() || m_open.back() != fullName)
            return fail(u"结束标签 </%1> 与开始标签不配对"_s.arg(QString::fromUtf8(fullName)));
        m_open.pop_back();
        m_pos = pos + 1;
        m_token = EndElement;
        return m_token;
    }
    if (!readAttributes(pos))
        return m_token;
    if (m_open.empty() && m_seenRoot)
        return fail(u"文档有不止一个根元素"_s);
    m_seenRoot = true;
    m_open.push_back(fullName);
    if (m_xml.at(pos) == '/') {
        if (pos + 1 >= m_xml.size() || m_xml.at(pos + 1) != '>')
            return fail(u"标签不完整"_s);
        m_pendingEnd = true;
        ++pos;
    }
    m_pos = pos + 1;
    m_token = StartElement;
    return m_token;
}

// Reads the attributes up to the tag's '/' or '>', leaving `pos` on it.
bool XmlScanner::readAttributes(qsizetype &pos) {
    m_attributes.clear();
    for (;;) {
        while (pos < m_xml.size() && isSpace(m_xml.at(pos)))
            ++pos;
        if (pos >= m_xml.size()) {
            fail(u"标签不完整"_s);
            return false;
        }
        const char c = m_xml.at(pos);
        if (c == '>' || c == '/')
            return true;
        const qsizetype nameStart = pos;
        while (pos < m_xml.size() && isNameChar(m_xml.at(pos)))
            ++pos;
        const QByteArrayView name = m_xml.sliced(nameStart, pos - nameStart);
        while (pos < m_xml.size() && isSpace(m_xml.at(pos)))
            ++pos;
        if (name.isEmpty() || pos >= m_xml.size() || m_xml.at(pos) != '=') {
            fail(u"属性不完整"_s);
            return false;
        }
        ++pos;
        while (pos < m_xml.size() && isSpace(m_xml.at(pos)))
            ++pos;
        if (pos >= m_xml.size() || (m_xml.at(pos) != '"' && m_xml.at(pos) != '\'')) {
            fail(u"属性值没有引号"_s);
            return false;
        }
        const char quote = m_xml.at(pos++);
        const qsizetype valueStart = pos;
        while (pos < m_xml.size() && m_xml.at(pos) != quote)
            ++pos;
        if (pos >= m_xml.size()) {
            fail(u"属性值没有结束"_s);
            return false;
        }
        m_attributes.emplace_back(localName(name), m_xml.sliced(valueStart, pos - valueStart));
        ++pos;
    }
}

bool XmlScanner::appendDecoded(QString &out, QByteArrayView raw) const {
    qsizetype from = 0;
    for (;;) {
        const qsizetype amp = raw.indexOf('&', from);
        out += QString::fromUtf8(raw.sliced(from, (amp < 0 ? raw.size() : amp) - from));
        if (amp < 0)
            return true;
        const qsizetype semi = raw.indexOf(';', amp);
        if (semi < 0)
            return false;
        const QByteArrayView entity = raw.sliced(amp + 1, semi - amp - 1);
        if (entity == "lt")
            out += u'<';
        else if (entity == "gt")
            out += u'>';
        else if (entity == "amp")
            out += u'&';
        else if (entity == "quot")
            out += u'"';
        else if (entity == "apos")
            out += u'\'';
        else if (entity.startsWith('#')) {
            bool ok = false;
            const uint code = entity.startsWith("#x") ? entity.sliced(2).toUInt(&ok, 16) : entity.sliced(1).toUInt(&ok, 10);
            if (!ok || code == 0 || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF))
                return false;
            out += QString::fromUcs4(reinterpret_cast<const char32_t *>(&code), 1);
        } else {
            return false;
        }
        from = semi + 1;
    }
}

QString XmlScanner::text() {
    if (m_textIsCdata)
        return QString::fromUtf8(m_text);
    QString out;
    if (!appendDecoded(out, m_text))
        fail(u"无法识别的字符实体"_s);
    return out;
}

QString XmlScanner::readElementText() {
    // Nearly always one piece of text, or none, then the end.
    QString out;
    if (next() == Text) {
        out = text();
        if (next() == EndElement)
            return out;
    }
    for (int depth = 1;;) {
        switch (m_token) {
        case StartElement:
            ++depth;
            break;
        case EndElement:
            if (--depth == 0)
                return out;
            break;
        case Text:
            out += text();
            break;
        default:
            return out;
        }
        next();
    }
}

void XmlScanner::skipElement() {
    for (int depth = 1; depth > 0;) {
        const Token t = next();
        if (t == StartElement)
            ++depth;
        else if (t == EndElement)
            --depth;
        else if (t == EndOfDocument || t == Invalid)
            return;
    }
}

} // namespace txl::exchange
