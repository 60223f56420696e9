#pragma once

#include "exchange/Records.h"

#include <QByteArray>
#include <QString>
#include <QStringEncoder>

class QIODevice;

#include <optional>

namespace txl::exchange {

// The text of a text file as UTF-8: UTF-8 when the bytes start with its byte-order mark (dropped)
// or are valid UTF-8 throughout, GB18030 (a superset of GBK and GB2312) otherwise. Bytes that are
// neither, or a NUL byte, mean the file is no text file: returns nothing and sets `error`. (Other
// control characters are the rules' business: they cost the row that holds them.)
std::optional<QByteArray> textAsUtf8(const QByteArray &bytes, Encoding &encoding, QString &error);

// Collects the lines of a text file and hands them to the device in large blocks: UTF-8 as it
// is, text encoded. Throws ExchangeError when the device refuses them.
class BlockWriter {
public:
    BlockWriter(QIODevice &out, Encoding encoding, bool byteOrderMark);
    void add(const QString &text);
    void add(const QByteArray &utf8);
    void flush();

private:
    void flushWhenFull();

    static constexpr qsizetype BlockSize = 1 << 16;
    QIODevice &m_out;
    QStringEncoder m_encoder;
    QByteArray m_block;
};

}   // namespace txl::exchange
