#include "exchange/Text.h"

#include <QIODevice>
#include <QStringDecoder>

using namespace Qt::StringLiterals;

namespace txl::exchange {

namespace {

std::optional<QString> decodeStrictly(QStringDecoder decoder, QByteArrayView bytes) {
    QString text = decoder.decode(bytes);
    if (decoder.hasError())
        return std::nullopt;
    return text;
}

// Line feed, carriage return, tab and form feed are what text files hold; other control characters
// only turn up in files that are not text.
bool looksBinary(const QString &text) {
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        if ((u < 0x20 && u != u'\n' && u != u'\r' && u != u'\t' && u != u'\f') || u == 0x7f)
            return true;
    }
    return false;
}

}   // namespace

std::optional<QString> decodeText(const QByteArray &bytes, Encoding &encoding, QString &error) {
    static const QByteArray bom("\xEF\xBB\xBF");
    std::optional<QString> text;
    if (bytes.startsWith(bom)) {
        encoding = Encoding::Utf8;
        text = decodeStrictly(QStringDecoder(QStringDecoder::Utf8), QByteArrayView(bytes).sliced(3));
    } else if ((text = decodeStrictly(QStringDecoder(QStringDecoder::Utf8), bytes))) {
        encoding = Encoding::Utf8;
    } else {
        encoding = Encoding::Gb18030;
        text = decodeStrictly(QStringDecoder("GB18030"), bytes);
    }
    if (!text || looksBinary(*text)) {
        error = u"这不是文本文件（既不是 UTF-8 也不是 GB18030/GBK 编码的文字），无法读取。"_s;
        return std::nullopt;
    }
    return text;
}

BlockWriter::BlockWriter(QIODevice &out, Encoding encoding, bool byteOrderMark)
    : m_out(out),
      m_encoder(encoding == Encoding::Gb18030 ? QStringEncoder("GB18030") : QStringEncoder(QStringEncoder::Utf8)) {
    if (byteOrderMark && encoding == Encoding::Utf8)
        m_block.append("\xEF\xBB\xBF");
}

void BlockWriter::add(const QString &text) {
    m_block += m_encoder.encode(text);
    flushWhenFull();
}

void BlockWriter::add(const QByteArray &utf8) {
    m_block += utf8;
    flushWhenFull();
}

void BlockWriter::flush() {
    if (!m_block.isEmpty() && m_out.write(m_block) != m_block.size())
        throw ExchangeError(u"写入文件失败：%1"_s.arg(m_out.errorString()));
    m_block.truncate(0);
}

void BlockWriter::flushWhenFull() {
    if (m_block.size() >= BlockSize)
        flush();
}

}   // namespace txl::exchange
