#include "exchange/Text.h"

#include <QIODevice>
#include <QStringDecoder>

using namespace Qt::StringLiterals;

namespace txl::exchange {

std::optional<QByteArray> textAsUtf8(const QByteArray &bytes, Encoding &encoding, QString &error) {
    const QByteArrayView bom("\xEF\xBB\xBF");
    std::optional<QByteArray> text;
    if (bytes.contains('\0')) {
        // no text file holds one
    } else if (bytes.startsWith(bom)) {
        encoding = Encoding::Utf8;
        if (QByteArrayView(bytes).sliced(bom.size()).isValidUtf8())
            text = bytes.sliced(bom.size());
    } else if (QByteArrayView(bytes).isValidUtf8()) {
        encoding = Encoding::Utf8;
        text = bytes;
    } else {
        encoding = Encoding::Gb18030;
        QStringDecoder decoder("GB18030");
        const QString decoded = decoder.decode(bytes);
        if (!decoder.hasError())
            text = decoded.toUtf8();
    }
    if (!text)
        error = u"这不是文本文件（既不是 UTF-8 也不是 GB18030/GBK 编码的文字），无法读取。"_s;
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
