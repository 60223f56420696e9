#include "exchange/Records.h"

#include <QStringEncoder>

#include <algorithm>
#include <cstring>
#include <limits>

using namespace Qt::StringLiterals;

namespace txl::exchange {

namespace {

// Lengths and line numbers as little-endian base-128 numbers: a short value costs one byte.
char *putNumber(char *out, quint32 n) {
    while (n >= 0x80) {
        *out++ = static_cast<char>((n & 0x7f) | 0x80);
        n >>= 7;
    }
    *out++ = static_cast<char>(n);
    return out;
}

const char *getNumber(const char *in, quint32 &n) {
    n = 0;
    for (int shift = 0;; shift += 7) {
        const auto byte = static_cast<unsigned char>(*in++);
        n |= static_cast<quint32>(byte & 0x7f) << shift;
        if (!(byte & 0x80))
            return in;
    }
}

constexpr qsizetype MaxNumberBytes = 5;

}   // namespace

QString formatName(Format format) {
    switch (format) {
    case Format::Csv:
        return u"CSV"_s;
    case Format::Xlsx:
        return u"Excel 工作簿 (.xlsx)"_s;
    case Format::Ods:
        return u"OpenDocument 电子表格 (.ods)"_s;
    case Format::VCard:
        return u"vCard 名片"_s;
    }
    return {};
}

QString encodingName(Encoding encoding) {
    return encoding == Encoding::Gb18030 ? u"GB18030"_s : u"UTF-8"_s;
}

QByteArrayView Record::utf8(int column) const {
    if (column < 0 || column >= schema::ContactColumnCount)
        return {};
    return m_values[static_cast<std::size_t>(column)];
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

RecordList::RecordList() = default;
RecordList::RecordList(RecordList &&) noexcept = default;
RecordList &RecordList::operator=(RecordList &&) noexcept = default;
RecordList::~RecordList() = default;

char *RecordList::room(qsizetype bytes) {
    if (m_used + bytes <= BlockBytes) {
        char *at = m_blocks.back().get() + m_used;
        m_used += bytes;
        return at;
    }
    const qsizetype blocks = (bytes + BlockBytes - 1) / BlockBytes;
    if (static_cast<quint64>(m_blocks.size() + static_cast<std::size_t>(blocks)) * BlockBytes >
        std::numeric_limits<quint32>::max())
        throw std::bad_alloc();
    m_blocks.emplace_back(new char[static_cast<std::size_t>(blocks * BlockBytes)]);
    for (qsizetype i = 1; i < blocks; ++i)
        m_blocks.emplace_back();   // taken by the record that began above
    m_used = blocks == 1 ? bytes : BlockBytes;
    return m_blocks[m_blocks.size() - static_cast<std::size_t>(blocks)].get();
}

void RecordList::append(int table, int line, const Utf8Values &values) {
    qsizetype bytes = 2 * MaxNumberBytes + 2;
    quint16 present = 0;
    for (std::size_t c = 0; c < values.size(); ++c) {
        if (!values[c].isEmpty()) {
            present |= static_cast<quint16>(1u << c);
            bytes += MaxNumberBytes + values[c].size();
        }
    }
    char *start = room(bytes);
    char *out = putNumber(start, static_cast<quint32>(std::max(table, 0)));
    out = putNumber(out, static_cast<quint32>(std::max(line, 0)));
    *out++ = static_cast<char>(present & 0xff);
    *out++ = static_cast<char>(present >> 8);
    for (const QByteArrayView v : values) {
        if (!v.isEmpty())
            out = putNumber(out, static_cast<quint32>(v.size()));
    }
    for (const QByteArrayView v : values) {
        if (!v.isEmpty()) {
            std::memcpy(out, v.data(), static_cast<std::size_t>(v.size()));
            out += v.size();
        }
    }
    // Give back what the lengths took less than their room; a record larger than a block keeps
    // its blocks to itself.
    if (bytes <= BlockBytes)
        m_used -= bytes - (out - start);
    const qsizetype block = static_cast<qsizetype>(m_blocks.size()) -
                            (bytes <= BlockBytes ? 1 : (bytes + BlockBytes - 1) / BlockBytes);
    m_starts.push_back(
        static_cast<quint32>(block * BlockBytes + (start - m_blocks[static_cast<std::size_t>(block)].get())));
}

void RecordList::replace(qsizetype i, const QStringList &values) {
    const Record old = at(i);
    append(old.table, old.line, values);
    m_starts[static_cast<std::size_t>(i)] = m_starts.back();
    m_starts.pop_back();
}

void RecordList::append(int table, int line, const QStringList &values) {
    Utf8Values views{};
    std::array<QByteArray, schema::ContactColumnCount> utf8;
    for (qsizetype c = 0; c < std::min<qsizetype>(values.size(), schema::ContactColumnCount); ++c) {
        utf8[static_cast<std::size_t>(c)] = values.at(c).toUtf8();
        views[static_cast<std::size_t>(c)] = utf8[static_cast<std::size_t>(c)];
    }
    append(table, line, views);
}

Record RecordList::at(qsizetype i) const {
    const quint32 offset = m_starts.at(static_cast<std::size_t>(i));
    const char *in = m_blocks[offset / BlockBytes].get() + offset % BlockBytes;
    Record record;
    quint32 n = 0;
    in = getNumber(in, n);
    record.table = static_cast<int>(n);
    in = getNumber(in, n);
    record.line = static_cast<int>(n);
    const quint16 present = static_cast<quint16>(static_cast<unsigned char>(in[0]) |
                                                 (static_cast<unsigned char>(in[1]) << 8));
    in += 2;
    std::array<quint32, schema::ContactColumnCount> lengths{};
    for (std::size_t c = 0; c < lengths.size(); ++c) {
        if (present & (1u << c))
            in = getNumber(in, lengths[c]);
    }
    for (std::size_t c = 0; c < lengths.size(); ++c) {
        if (present & (1u << c)) {
            record.m_values[c] = QByteArrayView(in, lengths[c]);
            in += lengths[c];
        } else {
            record.m_values[c] = QByteArrayView("", 0);
        }
    }
    return record;
}

void RecordList::clear() {
    m_blocks.clear();
    m_starts.clear();
    m_used = BlockBytes;
}

qint64 RecordList::heldBytes() const {
    return static_cast<qint64>(m_blocks.size()) * BlockBytes + static_cast<qint64>(m_starts.size() * sizeof(quint32));
}

void ProblemList::add(int table, int line, const QString &reason) {
    addLazily(table, line, [&] { return reason; });
}

void ExpansionBudget::exceeded() const {
    throw ExchangeError(u"文件解开后的文字太多（超过 %1 字节，即 8 MB 加上文件大小的 8 倍），不像是一份通讯录，"
                        "不予导入。"_s.arg(m_limit));
}

QString placeName(int line) {
    return u"第%1行"_s.arg(line);
}

QString placeName(const ReadResult &read, int table, int line) {
    const bool several = std::count_if(read.tables.cbegin(), read.tables.cend(),
                                       [](const Table &t) { return t.absent.isEmpty(); }) > 1;
    if (!several || table < 0 || table >= read.tables.size() || read.tables.at(table).sheet.isEmpty())
        return placeName(line);
    return u"工作表“%1”第%2行"_s.arg(read.tables.at(table).sheet).arg(line);
}

}   // namespace txl::exchange
