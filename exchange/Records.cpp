#include "exchange/Records.h"

#include <algorithm>

using namespace Qt::StringLiterals;

namespace txl::exchange {

QString formatName(Format format) {
    switch (format) {
    case Format::Csv:
        return u"CSV"_s;
    case Format::Xlsx:
        return u"Excel 工作簿 (.xlsx)"_s;
    case Format::VCard:
        return u"vCard 名片"_s;
    }
    return {};
}

QString encodingName(Encoding encoding) {
    return encoding == Encoding::Gb18030 ? u"GB18030"_s : u"UTF-8"_s;
}

Record::Record(int lineNumber, const QStringList &values) {
    Builder builder;
    for (qsizetype c = 0; c < std::min<qsizetype>(values.size(), schema::ContactColumnCount); ++c)
        builder.add(values.at(c));
    *this = builder.take(lineNumber);
}

QByteArrayView Record::utf8(int column) const {
    if (column < 0 || column >= schema::ContactColumnCount)
        return {};
    const quint32 begin = column == 0 ? 0 : m_ends[static_cast<std::size_t>(column - 1)];
    return QByteArrayView(m_utf8.constData() + begin, m_ends[static_cast<std::size_t>(column)] - begin);
}

QString Record::value(int column) const {
    return QString::fromUtf8(utf8(column));
}

QStringList Record::values() const {
    QStringList values;
    values.reserve(schema::ContactColumnCount);
    for (int c = 0; c < schema::ContactColumnCount; ++c)
        values << value(c);
    return values;
}

void Record::Builder::add(QStringView value) {
    if (m_count == schema::ContactColumnCount)
        return;
    const qsizetype at = m_utf8.size();
    m_utf8.resize(at + m_encoder.requiredSpace(value.size()));
    const char *end = m_encoder.appendToBuffer(m_utf8.data() + at, value);
    m_utf8.truncate(end - m_utf8.constData());
    m_ends[static_cast<std::size_t>(m_count++)] = static_cast<quint32>(m_utf8.size());
}

void Record::Builder::add(QByteArrayView utf8) {
    if (m_count == schema::ContactColumnCount)
        return;
    m_utf8.append(utf8);
    m_ends[static_cast<std::size_t>(m_count++)] = static_cast<quint32>(m_utf8.size());
}

Record Record::Builder::take(int lineNumber) {
    Record record;
    record.line = lineNumber;
    record.m_utf8 = QByteArray(m_utf8.constData(), m_utf8.size());
    const auto size = static_cast<quint32>(m_utf8.size());
    for (std::size_t c = 0; c < record.m_ends.size(); ++c)
        record.m_ends[c] = c < static_cast<std::size_t>(m_count) ? m_ends[c] : size;   // missing ones empty
    m_utf8.truncate(0);
    m_count = 0;
    return record;
}

QString placeName(int line) {
    return u"第%1行"_s.arg(line);
}

}   // namespace txl::exchange
