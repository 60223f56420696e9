#pragma once

#include "exchange/Records.h"

#include <QByteArray>
#include <QString>
#include <QStringEncoder>

class QIODevice;

#include <optional>

namespace txl::exchange {

// Decodes the bytes of a text file: UTF-8 when they start with its byte-order mark (dropped) or
// are valid UTF-8 throughout, GB18030 (a superset of GBK and GB2312) otherwise. Bytes that are
// neither, NUL bytes or other control characters mean the file is no text file: returns nothing
// and sets `error`.
std::optional<QString> decodeText(const QByteArray &bytes, Encoding &encoding, QString &error);

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
