#include "exchange/XmlReader.h"

#include <expat.h>

#include <cstring>
#include <exception>
#include <memory>

using namespace Qt::StringLiterals;

namespace txl::exchange::xml {

namespace {

// A name as written, its prefix dropped ("x:c" is "c"). The parts read here give every name
// they care about a local name of its own, so namespaces need not be resolved: reading a sheet
// without doing so is markedly faster.
QByteArrayView localName(const char *name) {
    const char *local = name;
    const char *p = name;
    for (; *p; ++p) {
        if (*p == ':')
            local = p + 1;
    }
    return QByteArrayView(local, p - local);
}

// Whether the NUL-terminated `name`, its prefix dropped, is `wanted`: one pass, no length first.
bool isNamed(const char *name, QByteArrayView wanted) {
    for (const char *p = name; *p; ++p) {
        if (*p == ':')
            name = p + 1;
    }
    qsizetype i = 0;
    for (; i < wanted.size(); ++i) {
        if (name[i] != wanted[i])
            return false;
    }
    return name[i] == '\0';
}

struct ParserFree {
    void operator()(XML_Parser p) const noexcept { XML_ParserFree(p); }
};

// One document being read: expat's callbacks land here and go on to the handler. Nothing may be
// thrown through expat's own frames, so what the handler throws is kept and thrown again once
// expat has returned.
class Reading {
public:
    explicit Reading(Handler &handler) : m_handler(handler), m_parser(XML_ParserCreate("UTF-8")) {
        if (!m_parser)
            throw std::bad_alloc();
        XML_Parser p = m_parser.get();
        XML_SetUserData(p, this);
        XML_SetElementHandler(p, &Reading::start, &Reading::end);
        XML_SetCharacterDataHandler(p, &Reading::characters);
        // Everything else (comments, instructions, the declaration) only shows that reading goes on.
        XML_SetDefaultHandlerExpand(p, &Reading::other);
        XML_SetStartDoctypeDeclHandler(p, &Reading::doctype);
        XML_SetEntityDeclHandler(p, &Reading::entity);
        XML_SetParamEntityParsing(p, XML_PARAM_ENTITY_PARSING_NEVER);
    }

    // Hands `bytes` (the last of the document when `last`) to expat, which reads them in place.
    void parse(qsizetype bytes, bool last) {
        const quint64 before = m_events;
        const XML_Status status = XML_ParseBuffer(m_parser.get(), static_cast<int>(bytes), last ? XML_TRUE : XML_FALSE);
        if (m_thrown)
            std::rethrow_exception(m_thrown);
        if (status != XML_STATUS_OK)
            throw Malformed(m_stopped ? *m_stopped : error(expatReason()));
        // A piece that told of nothing at all lies inside one piece of markup.
        m_quietBytes = m_events == before ? m_quietBytes + bytes : 0;
        if (m_quietBytes > MaxTokenBytes)
            throw Malformed(error(u"有一段标记超过 %1 字节，不可能是正常的工作簿"_s.arg(MaxTokenBytes)));
    }

    void *buffer(qsizetype room) {
        void *b = XML_GetBuffer(m_parser.get(), static_cast<int>(room));
        if (!b)
            throw std::bad_alloc();
        return b;
    }

private:
    Error error(const QString &reason) const {
        return {static_cast<qint64>(XML_GetCurrentLineNumber(m_parser.get())),
                static_cast<qint64>(XML_GetCurrentColumnNumber(m_parser.get())) + 1, reason};
    }

    QString expatReason() const {
        const XML_Error code = XML_GetErrorCode(m_parser.get());
        switch (code) {
        case XML_ERROR_NO_ELEMENTS:
        case XML_ERROR_UNCLOSED_TOKEN:
        case XML_ERROR_PARTIAL_CHAR:
        case XML_ERROR_UNCLOSED_CDATA_SECTION:
            return u"文档不完整"_s;
        case XML_ERROR_TAG_MISMATCH:
            return u"结束标签与开始标签不配对"_s;
        case XML_ERROR_INVALID_TOKEN:
            return u"有不合格式的字符或标记"_s;
        case XML_ERROR_UNDEFINED_ENTITY:
            return u"无法识别的字符实体"_s;
        case XML_ERROR_BAD_CHAR_REF:
            return u"字符引用指向不允许的字符"_s;
        case XML_ERROR_JUNK_AFTER_DOC_ELEMENT:
            return u"根元素之后还有内容"_s;
        case XML_ERROR_NO_MEMORY:
            throw std::bad_alloc();
        default:
            return u"格式有误（%1）"_s.arg(QString::fromUtf8(XML_ErrorString(code)));
        }
    }

    // Stops expat with `reason`, to be reported as where it stood.
    void stop(const QString &reason) {
        if (!m_stopped)
            m_stopped = std::make_unique<Error>(error(reason));
        XML_StopParser(m_parser.get(), XML_FALSE);
    }

    template <class F>
    static void call(void *data, F &&f) {
        auto *self = static_cast<Reading *>(data);
        ++self->m_events;
        if (self->m_thrown || self->m_stopped)
            return;
        try {
            f(*self);
        } catch (...) {
            self->m_thrown = std::current_exception();
            XML_StopParser(self->m_parser.get(), XML_FALSE);
        }
    }

    static void XMLCALL start(void *data, const XML_Char *name, const XML_Char **attributes) {
        call(data, [&](Reading &self) {
            if (++self.m_depth > MaxDepth)
                return self.stop(u"元素嵌套超过 %1 层"_s.arg(MaxDepth));
            self.m_handler.startElement(localName(name), Attributes(attributes));
        });
    }

    static void XMLCALL end(void *data, const XML_Char *name) {
        call(data, [&](Reading &self) {
            --self.m_depth;
            self.m_handler.endElement(localName(name));
        });
    }

    static void XMLCALL characters(void *data, const XML_Char *text, int length) {
        call(data, [&](Reading &self) { self.m_handler.text(QByteArrayView(text, length)); });
    }

    static void XMLCALL other(void *data, const XML_Char *, int) { ++static_cast<Reading *>(data)->m_events; }

    static void XMLCALL doctype(void *data, const XML_Char *, const XML_Char *, const XML_Char *, int) {
        call(data, [](Reading &self) { self.stop(u"不接受文档类型声明（DOCTYPE）"_s); });
    }

    static void XMLCALL entity(void *data, const XML_Char *, int, const XML_Char *, int, const XML_Char *,
                               const XML_Char *, const XML_Char *, const XML_Char *) {
        call(data, [](Reading &self) { self.stop(u"不接受实体声明"_s); });
    }

    Handler &m_handler;
    std::unique_ptr<XML_ParserStruct, ParserFree> m_parser;
    int m_depth = 0;
    quint64 m_events = 0;
    qsizetype m_quietBytes = 0;
    std::exception_ptr m_thrown;
    std::unique_ptr<Error> m_stopped;
};

// Expat reads from a buffer of its own; a piece of this size goes into it at a time.
constexpr qsizetype PieceBytes = 256 << 10;

}   // namespace

QByteArrayView Attributes::value(QByteArrayView name) const {
    for (const char **a = m_list; a[0]; a += 2) {
        if (isNamed(a[0], name))
            return QByteArrayView(a[1]);
    }
    return {};
}

void read(const Source &source, Handler &handler, const std::function<void(qint64)> &pieceRead) {
    Reading reading(handler);
    qint64 total = 0;
    for (;;) {
        auto *into = static_cast<char *>(reading.buffer(PieceBytes));
        const qsizetype got = source(into, PieceBytes);
        total += got;
        reading.parse(got, got == 0);
        if (got == 0)
            return;
        if (pieceRead)
            pieceRead(total);
    }
}

void read(QByteArrayView document, Handler &handler) {
    qsizetype at = 0;
    read(
        [&](char *into, qsizetype room) {
            const qsizetype n = std::min(room, document.size() - at);
            if (n > 0)
                std::memcpy(into, document.data() + at, static_cast<std::size_t>(n));
            at += n;
            return n;
        },
        handler);
}

}   // namespace txl::exchange::xml
