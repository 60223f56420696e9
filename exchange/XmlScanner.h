#pragma once

#include <QByteArrayView>
#include <QString>

#include <utility>
#include <vector>

namespace txl::exchange {

// A small, strict pull reader for the bulk parts of a workbook (the sheet, its shared strings),
// which can run to tens of megabytes: it works on the UTF-8 bytes in place and makes a QString
// only of the text asked for, several times faster than a general XML reader there. It knows
// elements, attributes, text, the five named entities and character references, CDATA,
// comments and processing instructions; a document type declaration (and with it any entity
// of its own) is refused, as are tags that do not match.
class XmlScanner {
public:
    enum Token { StartElement, EndElement, Text, EndOfDocument, Invalid };

    explicit XmlScanner(QByteArrayView xml) : m_xml(xml) {}

    Token next();
    Token token() const { return m_token; }

    // The element's local name (any prefix dropped), for StartElement and EndElement.
    QByteArrayView name() const { return m_name; }
    // A StartElement's attribute by local name, as written (entities not expanded); empty when absent.
    QByteArrayView attribute(QByteArrayView localName) const;
    // The text of a Text token, entities expanded.
    QString text();
    // At a StartElement: all the text inside it, up to its end (which becomes the current token).
    QString readElementText();
    // At a StartElement: goes past its end.
    void skipElement();
    // At a StartElement: calls `child` at each of its child elements, which reads that child to
    // its end (skipElement() at least), and returns at the element's end. False when the
    // document broke or ended inside.
    template <class F>
    bool forEachChild(F &&child) {
        for (;;) {
            switch (next()) {
            case StartElement:
                child();
                break;
            case EndElement:
                return true;
            case Text:
                break;
            default:
                return false;
            }
        }
    }

    bool hasError() const { return m_token == Invalid; }
    QString errorString() const { return m_error; }
    int lineNumber() const;   // of the current position, from 1

private:
    Token fail(const QString &message);
    Token readTag();
    bool readAttributes(qsizetype &pos);
    static QByteArrayView localName(QByteArrayView name);
    bool appendDecoded(QString &out, QByteArrayView raw) const;

    QByteArrayView m_xml;
    qsizetype m_pos = 0;
    Token m_token = Invalid;
    QByteArrayView m_name;
    QByteArrayView m_text;
    bool m_textIsCdata = false;
    bool m_pendingEnd = false;   // a self-closing element's end comes next
    bool m_seenRoot = false;
    std::vector<std::pair<QByteArrayView, QByteArrayView>> m_attributes;
    std::vector<QByteArrayView> m_open;
    QString m_error;
};

} // namespace txl::exchange
