#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include <functional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace txl::exchange {

// A small, strict pull reader for the bulk parts of a workbook (the sheet, its shared strings),
// which can run to hundreds of megabytes unpacked: it works on the UTF-8 bytes in place and makes
// a QString only of the text asked for, several times faster than a general XML reader there. It
// knows elements, attributes, text, the five named entities and character references, CDATA,
// comments and processing instructions; a document type declaration (and with it any entity
// of its own) is refused, as are tags that do not match.
//
// It reads either a document held whole in memory or one handed over piece by piece by a source
// (a part being unpacked), keeping only the unread rest of the current piece: memory then stays
// the same however long the document is, and the bytes are read while they are still in the cache.
class XmlScanner {
public:
    enum Token { StartElement, EndElement, Text, EndOfDocument, Invalid };

    // Writes up to `room` further bytes of the document to `into` and returns how many, 0 once
    // the document is over. It reports a failure by throwing; the exception passes out of next().
    using Source = std::function<qsizetype(char *into, qsizetype room)>;
    static constexpr qsizetype PieceBytes = 256 << 10;

    explicit XmlScanner(QByteArrayView xml) : m_sourceDone(true), m_xml(xml) {}
    // Asks `source` for `piece` bytes at a time (more for a single token that is longer).
    explicit XmlScanner(Source source, qsizetype piece = PieceBytes)
        : m_source(std::move(source)),
          m_piece(std::max<qsizetype>(piece, 1)) {}

    Token next();

    // What these return stays valid until the next call of next() (and of the functions below,
    // which call it).
    // The element's local name (any prefix dropped), for StartElement and EndElement.
    QByteArrayView name() const { return m_name; }
    // A StartElement's attribute by local name, as written (entities not expanded); empty when absent.
    QByteArrayView attribute(QByteArrayView localName) const;

    // The text of a Text token, entities expanded.
    QString text();
    // At a StartElement: all the text inside it up to its end (which becomes the current token),
    // entities expanded, appended to `out` as UTF-8 (whose room may serve again and again).
    void appendElementText(QByteArray &out);
    // At a StartElement: goes past its end.
    void skipElement();
    // At a StartElement: calls `child` at each of its child elements, which reads that child to
    // its end (skipElement() at least), and returns at the element's end, or where the document
    // broke or ended inside (hasError() tells).
    template <class F>
    void forEachChild(F &&child) {
        for (;;) {
            switch (next()) {
            case StartElement:
                child();
                break;
            case EndElement:
                return;
            case Text:
                break;
            default:
                return;
            }
        }
    }

    bool hasError() const { return m_token == Invalid; }
    QString errorString() const { return m_error; }
    int lineNumber() const;   // of the current position, from 1

private:
    // How far reading a token came: done (the token is set), a comment or the like passed over,
    // or the piece in memory ended inside the token.
    enum class Step { Done, Skipped, NeedMore };

    // At a StartElement that holds only text (no entity) and whose end tag follows it within the
    // bytes at hand, as nearly every cell of a sheet does: the text, and its end made the current
    // token, in one step. False, with nothing moved, for anything else.
    bool takeSimpleText(QByteArrayView &text);
    template <class F>
    void readElement(F &&eachText);
    Step scan();
    Step scanMarkup();
    Step readTag();
    Step readAttributes(qsizetype &pos);
    Step incomplete(const QString &message);
    void readMore(qsizetype keepFrom);
    Token fail(const QString &message);
    bool failed() const { return m_token == Invalid && !m_error.isEmpty(); }
    static QByteArrayView localName(QByteArrayView name);
    // The current Text token as UTF-8, entities expanded (a bad one fails the document).
    void appendText(QByteArray &out);
    static bool appendDecoded(QByteArray &out, QByteArrayView raw);

    Source m_source;
    qsizetype m_piece = PieceBytes;
    bool m_sourceDone = false;   // the whole document is in m_xml
    QByteArray m_buffer;         // with a source: the unread rest of the document read so far
    int m_linesDropped = 0;      // line breaks in the part of the buffer already dropped

    QByteArrayView m_xml;   // the bytes at hand: the whole document, or m_buffer
    qsizetype m_pos = 0;
    Token m_token = Invalid;
    QByteArrayView m_name;
    QByteArrayView m_text;
    bool m_textIsCdata = false;
    bool m_pendingEnd = false;   // a self-closing element's end comes next
    bool m_seenRoot = false;
    std::vector<std::pair<QByteArrayView, QByteArrayView>> m_attributes;
    // The names of the open elements as written, copied one after the other (the buffer they
    // were read from moves on).
    class OpenElements {
    public:
        bool empty() const { return m_starts.empty(); }
        std::string_view back() const { return std::string_view(m_names).substr(m_starts.back()); }
        void push(std::string_view name) {
            m_starts.push_back(m_names.size());
            m_names.append(name);
        }
        void pop() {
            m_names.resize(m_starts.back());
            m_starts.pop_back();
        }

    private:
        std::string m_names;
        std::vector<std::size_t> m_starts;
    };
    OpenElements m_open;
    QString m_error;
};

}   // namespace txl::exchange
