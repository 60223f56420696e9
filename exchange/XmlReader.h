#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include <functional>

// Reading the XML parts of a workbook through expat, as pieces of a document come in: the
// handler is told of each element's start and end and of the text between, by local name
// (prefixes dropped; the parts read give each name they need a local name of its own). Every part is read so, and
// nothing that the file sets can make it recurse, allocate without bound or run for long:
// - a document type declaration (and with it any entity of the file's own) is refused;
// - elements nest at most MaxDepth deep;
// - no single piece of markup (a tag with its attributes, a comment) may run past MaxTokenBytes,
//   so expat never keeps more than that of a document in hand.
namespace txl::exchange::xml {

inline constexpr int MaxDepth = 64;
inline constexpr qsizetype MaxTokenBytes = 1 << 20;

// Writes up to `room` further bytes of the document to `into` and returns how many, 0 once the
// document is over; reports a failure by throwing.
using Source = std::function<qsizetype(char *into, qsizetype room)>;

// Attributes as expat hands them: name, value, name, value, …, null.
class Attributes {
public:
    explicit Attributes(const char **list) : m_list(list) {}
    // The value of the attribute with this local name; empty when there is none.
    QByteArrayView value(QByteArrayView localName) const;

private:
    const char **m_list;
};

class Handler {
public:
    virtual ~Handler() = default;
    virtual void startElement(QByteArrayView name, const Attributes &attributes) = 0;
    virtual void endElement(QByteArrayView name) = 0;
    // Text inside an element, in pieces of any size (entities expanded, UTF-8).
    virtual void text(QByteArrayView utf8) = 0;
};

// Where a document broke and why, for a message.
struct Error {
    qint64 line = 0;
    qint64 column = 0;
    QString reason;
};

// Thrown by read() when the document is not well-formed or breaks a limit above.
class Malformed : public std::exception {
public:
    explicit Malformed(Error error) : m_error(std::move(error)) {}
    const Error &error() const { return m_error; }
    const char *what() const noexcept override { return "malformed XML"; }

private:
    Error m_error;
};

// Reads the whole document from `source`, calling `handler` as it goes. What the handler or the
// source throws passes out (the handler's after expat has stopped); a broken document throws
// Malformed. `pieceRead` is called after each piece with the bytes read so far.
void read(const Source &source, Handler &handler, const std::function<void(qint64)> &pieceRead = {});
// The same for a document in memory.
void read(QByteArrayView document, Handler &handler);

}   // namespace txl::exchange::xml
