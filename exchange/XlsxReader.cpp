#include "exchange/XlsxReader.h"

#include "exchange/Dates.h"
#include "exchange/HeaderMap.h"
#include "exchange/ReadAhead.h"
#include "exchange/XmlScanner.h"

#include <QDate>
#include <QHash>
#include <QSet>
#include <QXmlStreamReader>

#include <zip.h>

#include <cmath>
#include <memory>

using namespace Qt::StringLiterals;

namespace txl::exchange::xlsx {

namespace {

// No part of a workbook of contacts comes near this once unpacked; a bigger one is a zip bomb.
constexpr zip_uint64_t MaxPartBytes = 512ull << 20;

struct ZipCloser {
    void operator()(zip_t *z) const noexcept { zip_discard(z); }
};
struct ZipFileCloser {
    void operator()(zip_file_t *f) const noexcept { zip_fclose(f); }
};

const QString NotAWorkbook = u"这个文件不是 Excel 工作簿（.xlsx）：%1"_s;

class Archive {
public:
    explicit Archive(const QByteArray &bytes) {
        zip_error_t error;
        zip_error_init(&error);
        zip_source_t *source = zip_source_buffer_create(bytes.constData(), static_cast<zip_uint64_t>(bytes.size()), 0,
                                                        &error);
        if (source) {
            m_zip.reset(zip_open_from_source(source, ZIP_RDONLY, &error));
            if (!m_zip)
                zip_source_free(source);
        }
        if (!m_zip)
            m_error = QString::fromUtf8(zip_error_strerror(&error));
        zip_error_fini(&error);
    }
    bool isOpen() const { return m_zip != nullptr; }
    const QString &error() const { return m_error; }

    bool contains(const QString &name) const { return zip_name_locate(m_zip.get(), name.toUtf8().constData(), 0) >= 0; }

    // The unpacked bytes of one part; throws ExchangeError when it is damaged or too big.
    QByteArray part(const QString &name) const {
        Part part(m_zip.get(), name);
        QByteArray data;
        for (qsizetype got; (got = part.read(data)) > 0;) {
        }
        return data;
    }

    // One part, unpacked piece by piece: the sheet of a big list is read in pieces the cache holds
    // rather than as one block of tens of megabytes.
    class Part {
    public:
        Part(zip_t *zip, const QString &name) : m_name(name) {
            const QByteArray utf8 = name.toUtf8();
            zip_stat_t stat;
            zip_stat_init(&stat);
            if (zip_stat(zip, utf8.constData(), 0, &stat) != 0)
                throw ExchangeError(NotAWorkbook.arg(u"缺少 %1。"_s.arg(name)));
            if ((stat.valid & ZIP_STAT_SIZE) && stat.size > MaxPartBytes)
                throw tooBig();
            m_file.reset(zip_fopen(zip, utf8.constData(), 0));
            if (!m_file)
                throw damaged();
        }
        // Up to `room` bytes at `into`, 0 at the end; throws when the part is damaged (its
        // checksum is checked at the end) or unpacks to more than a workbook of contacts holds.
        qsizetype read(char *into, qsizetype room) {
            const zip_int64_t got = zip_fread(m_file.get(), into, static_cast<zip_uint64_t>(room));
            if (got < 0)
                throw damaged();
            m_read += static_cast<zip_uint64_t>(got);
            if (m_read > MaxPartBytes)
                throw tooBig();
            return static_cast<qsizetype>(got);
        }
        // Appends the next piece to `data`.
        qsizetype read(QByteArray &data) {
            constexpr qsizetype Piece = 64 << 10;
            const qsizetype at = data.size();
            data.resize(at + Piece);
            const qsizetype got = read(data.data() + at, Piece);
            data.resize(at + got);
            return got;
        }

    private:
        ExchangeError damaged() const { return ExchangeError(NotAWorkbook.arg(u"%1 已损坏。"_s.arg(m_name))); }
        ExchangeError tooBig() const { return ExchangeError(NotAWorkbook.arg(u"%1 解压后过大。"_s.arg(m_name))); }

        QString m_name;
        std::unique_ptr<zip_file_t, ZipFileCloser> m_file;
        zip_uint64_t m_read = 0;
    };

    Part open(const QString &name) const { return Part(m_zip.get(), name); }

private:
    std::unique_ptr<zip_t, ZipCloser> m_zip;
    QString m_error;
};

void checkXml(const QXmlStreamReader &xml, const QString &part) {
    if (xml.hasError() && xml.error() != QXmlStreamReader::PrematureEndOfDocumentError)
        throw ExchangeError(
            NotAWorkbook.arg(u"%1 第%2行有错：%3"_s.arg(part).arg(xml.lineNumber()).arg(xml.errorString())));
    if (xml.hasError())
        throw ExchangeError(NotAWorkbook.arg(u"%1 不完整。"_s.arg(part)));
}

// Whether the scanner stands at the element `name` (compared without a call: it runs for every
// cell of a sheet).
template <qsizetype N>
bool isElement(const XmlScanner &xml, const char (&name)[N]) {
    const QByteArrayView n = xml.name();
    if (n.size() != N - 1)
        return false;
    for (qsizetype i = 0; i < N - 1; ++i) {
        if (n[i] != name[i])
            return false;
    }
    return true;
}

// The text of a string item (<si>, <is>), appended to `out` as UTF-8: its <t>, or the <t> of each
// run (<r>), without the phonetic readings (<rPh>) that East Asian spreadsheets add.
void stringItem(XmlScanner &xml, QByteArray &out) {
    xml.forEachChild([&] {
        if (isElement(xml, "t"))
            xml.appendElementText(out);
        else if (isElement(xml, "r"))
            stringItem(xml, out);
        else
            xml.skipElement();
    });
}

void checkXml(const XmlScanner &xml, const QString &part) {
    if (xml.hasError())
        throw ExchangeError(
            NotAWorkbook.arg(u"%1 第%2行有错：%3"_s.arg(part).arg(xml.lineNumber()).arg(xml.errorString())));
}

// Whether a number format shows a date: built-in formats 14–22 and the East Asian date formats,
// or a format code with a day, month or year part outside quotes and brackets.
bool isDateFormat(int id, const QString &code) {
    if ((id >= 14 && id <= 22) || (id >= 27 && id <= 36) || (id >= 45 && id <= 47) || (id >= 50 && id <= 58))
        return !(id >= 18 && id <= 21) && id != 45 && id != 46 && id != 47;   // times of day only
    bool quoted = false;
    int bracket = 0;
    for (qsizetype i = 0; i < code.size(); ++i) {
        const QChar c = code.at(i);
        if (c == u'\\') {
            ++i;
            continue;
        }
        if (c == u'"')
            quoted = !quoted;
        else if (!quoted && c == u'[')
            ++bracket;
        else if (!quoted && c == u']')
            bracket = std::max(0, bracket - 1);
        else if (!quoted && bracket == 0) {
            const QChar l = c.toLower();
            if (l == u'y' || l == u'd')
                return true;
        }
    }
    return false;
}

class WorkbookReader {
public:
    WorkbookReader(const Archive &zip, ReadResult &result) : m_zip(zip), m_result(result) {}

    void run() {
        if (!m_zip.contains(u"xl/workbook.xml"_s))
            throw ExchangeError(NotAWorkbook.arg(u"其中没有工作簿（xl/workbook.xml）。"_s));
        const QString sheet = firstSheet();
        if (m_zip.contains(u"xl/sharedStrings.xml"_s))
            readSharedStrings();
        if (m_zip.contains(u"xl/styles.xml"_s))
            readStyles();
        readSheet(sheet);
    }

private:
    // The part of the first sheet, through the workbook's relationships.
    QString firstSheet() {
        QString relationId;
        {
            QXmlStreamReader xml(m_zip.part(u"xl/workbook.xml"_s));
            while (!xml.atEnd()) {
                if (xml.readNext() != QXmlStreamReader::StartElement)
                    continue;
                if (xml.name() == "workbookPr"_L1) {
                    const auto v = xml.attributes().value("date1904"_L1);
                    m_1904 = v == "1"_L1 || v == "true"_L1;
                } else if (xml.name() == "sheet"_L1 && relationId.isEmpty()) {
                    for (const QXmlStreamAttribute &a : xml.attributes()) {
                        if (a.name() == "id"_L1)
                            relationId = a.value().toString();
                    }
                }
            }
            checkXml(xml, u"xl/workbook.xml"_s);
        }
        if (relationId.isEmpty())
            throw ExchangeError(NotAWorkbook.arg(u"工作簿里没有工作表。"_s));
        QXmlStreamReader xml(m_zip.part(u"xl/_rels/workbook.xml.rels"_s));
        QString target;
        while (!xml.atEnd()) {
            if (xml.readNext() == QXmlStreamReader::StartElement && xml.name() == "Relationship"_L1 &&
                xml.attributes().value("Id"_L1) == relationId)
                target = xml.attributes().value("Target"_L1).toString();
        }
        checkXml(xml, u"xl/_rels/workbook.xml.rels"_s);
        if (target.isEmpty())
            throw ExchangeError(NotAWorkbook.arg(u"找不到第一个工作表。"_s));
        return target.startsWith(u'/') ? target.mid(1) : u"xl/"_s + target;
    }

    // A bulk part, read through the scanner as it is unpacked (on another thread, ahead).
    template <class F>
    void scanPart(const QString &name, F &&eachElement) {
        Archive::Part part = m_zip.open(name);
        ReadAhead unpacked([&part](char *into, qsizetype room) { return part.read(into, room); });
        XmlScanner xml([&unpacked](char *into, qsizetype room) { return unpacked.read(into, room); });
        for (XmlScanner::Token t; (t = xml.next()) != XmlScanner::EndOfDocument && t != XmlScanner::Invalid;) {
            if (t == XmlScanner::StartElement)
                eachElement(xml);
        }
        checkXml(xml, name);
    }

    void readSharedStrings() {
        scanPart(u"xl/sharedStrings.xml"_s, [&](XmlScanner &xml) {
            if (isElement(xml, "si")) {
                QByteArray text;
                stringItem(xml, text);
                m_strings << text;
            }
        });
    }

    void readStyles() {
        QXmlStreamReader xml(m_zip.part(u"xl/styles.xml"_s));
        QHash<int, QString> codes;
        bool inCellFormats = false;
        while (!xml.atEnd()) {
            const auto token = xml.readNext();
            if (token == QXmlStreamReader::EndElement && xml.name() == "cellXfs"_L1)
                inCellFormats = false;
            if (token != QXmlStreamReader::StartElement)
                continue;
            if (xml.name() == "numFmt"_L1) {
                codes.insert(xml.attributes().value("numFmtId"_L1).toInt(),
                             xml.attributes().value("formatCode"_L1).toString());
            } else if (xml.name() == "cellXfs"_L1) {
                inCellFormats = true;
            } else if (inCellFormats && xml.name() == "xf"_L1) {
                const int id = xml.attributes().value("numFmtId"_L1).toInt();
                m_dateStyles << isDateFormat(id, codes.value(id));
                xml.skipCurrentElement();
            }
        }
        checkXml(xml, u"xl/styles.xml"_s);
    }

    // "B12" → column 1, row 12.
    static int columnOf(QByteArrayView reference) {
        int column = 0;
        for (const char c : reference) {
            if (c < 'A' || c > 'Z')
                break;
            column = column * 26 + (c - 'A' + 1);
            if (column > 16384)
                break;
        }
        return column - 1;
    }

    static int rowOf(QByteArrayView reference) {
        qsizetype i = 0;
        while (i < reference.size() && reference.at(i) >= 'A' && reference.at(i) <= 'Z')
            ++i;
        return reference.sliced(i).toInt();
    }

    QString number(const QByteArray &text, bool dateStyle) const {
        bool ok = false;
        const double value = text.toDouble(&ok);
        if (!ok)
            return QString::fromUtf8(text);
        if (dateStyle) {
            if (const QString date = serialDate(value, m_1904); !date.isEmpty())
                return date;
        }
        if (std::isfinite(value) && value == std::floor(value) && std::fabs(value) < 1e15)
            return QString::number(static_cast<qint64>(value));
        return QString::number(value, 'g', 15);
    }

    enum class CellType { Number, SharedString, InlineString, Formula, Error, Boolean, Date };

    static CellType cellType(QByteArrayView t) {
        if (t == "s")
            return CellType::SharedString;
        if (t == "inlineStr")
            return CellType::InlineString;
        if (t == "str")
            return CellType::Formula;
        if (t == "e")
            return CellType::Error;
        if (t == "b")
            return CellType::Boolean;
        if (t == "d")
            return CellType::Date;
        return CellType::Number;
    }

    // Appends the cell's value to `out`, as UTF-8.
    void cell(XmlScanner &xml, QByteArray &out) {
        // The attributes are read before the children: reading on moves what they point into.
        const CellType type = cellType(xml.attribute("t"));
        const int style = xml.attribute("s").toInt();
        m_raw.truncate(0);      // the text of <v>: mostly a number or an index
        m_inline.truncate(0);   // of <is>
        bool haveInline = false;
        xml.forEachChild([&] {
            if (isElement(xml, "v")) {
                m_raw.truncate(0);
                xml.appendElementText(m_raw);
            } else if (isElement(xml, "is")) {
                stringItem(xml, m_inline);
                haveInline = true;
            } else {
                xml.skipElement();
            }
        });
        switch (type) {
        case CellType::SharedString: {
            bool ok = false;
            const int index = m_raw.toInt(&ok);
            if (!ok || index < 0 || index >= m_strings.size())
                throw ExchangeError(NotAWorkbook.arg(u"单元格引用了不存在的文字（第%1行）。"_s.arg(xml.lineNumber())));
            out.append(m_strings.at(index));
            return;
        }
        case CellType::InlineString:
            out.append(haveInline ? m_inline : m_raw);
            return;
        case CellType::Formula:
        case CellType::Error:
            out.append(m_raw);
            return;
        case CellType::Boolean:
            out.append(m_raw == "1" ? "TRUE" : "FALSE");
            return;
        case CellType::Date:
            out.append(QString::fromUtf8(m_raw).left(10).toUtf8());
            return;
        case CellType::Number:
            break;
        }
        if (!m_raw.isEmpty())
            out.append(number(m_raw, style >= 0 && style < m_dateStyles.size() && m_dateStyles.at(style)).toUtf8());
    }

    // The cells of one <row>, each at its column: the first `count` of `cells`, whose room serves
    // from row to row.
    void row(XmlScanner &xml, int rowNumber, QList<QByteArray> &cells, qsizetype &count) {
        count = 0;
        const auto slot = [&](qsizetype i) -> QByteArray & {
            while (cells.size() <= i)
                cells.emplace_back();
            return cells[i];
        };
        xml.forEachChild([&] {
            if (!isElement(xml, "c")) {
                xml.skipElement();
                return;
            }
            const QByteArrayView reference = xml.attribute("r");
            int column = reference.isEmpty() ? static_cast<int>(count) : columnOf(reference);
            if (!reference.isEmpty() && rowOf(reference) != rowNumber)
                column = -1;
            if (column < 0 || column > 16383)
                throw ExchangeError(NotAWorkbook.arg(u"第%1行的单元格位置有误。"_s.arg(rowNumber)));
            for (; count < column; ++count)
                slot(count).truncate(0);   // cells left out are empty
            QByteArray &value = slot(column);
            value.truncate(0);
            cell(xml, value);
            count = std::max<qsizetype>(count, column + 1);
        });
    }

    void readSheet(const QString &part) {
        TableReader table(m_result);
        int rowNumber = 0;
        QList<QByteArray> cells;
        qsizetype count = 0;
        scanPart(part, [&](XmlScanner &xml) {
            if (!isElement(xml, "row"))
                return;
            const int given = xml.attribute("r").toInt();
            rowNumber = given > 0 ? given : rowNumber + 1;
            row(xml, rowNumber, cells, count);
            if (!xml.hasError())
                table.addRow(cells, count, rowNumber);
        });
        table.finish();
    }

    const Archive &m_zip;
    ReadResult &m_result;
    QList<QByteArray> m_strings;   // shared strings, as UTF-8
    QList<bool> m_dateStyles;
    QByteArray m_raw;
    QByteArray m_inline;
    bool m_1904 = false;
};

}   // namespace

QString serialDate(double serial, bool from1904) {
    if (!std::isfinite(serial) || serial < 1 || serial >= 2958466)
        return {};
    auto days = static_cast<qint64>(std::floor(serial));
    QDate date;
    if (from1904) {
        date = QDate(1904, 1, 1).addDays(days);
    } else {
        if (days == 60)
            return {};   // 29 February 1900, a day Excel counts that never was
        date = QDate(1899, 12, days < 60 ? 31 : 30).addDays(days);
    }
    return storedDateText(date);
}

ReadResult read(const QByteArray &bytes) {
    ReadResult result;
    result.format = Format::Xlsx;
    const Archive zip(bytes);
    if (!zip.isOpen()) {
        result.error = NotAWorkbook.arg(u"它不是完整的 zip 压缩文件（%1），也许文件不完整。"_s.arg(zip.error()));
        return result;
    }
    try {
        WorkbookReader(zip, result).run();
    } catch (const ExchangeError &e) {
        result.error = e.message();
    }
    if (!result.ok())
        result.records.clear();
    return result;
}

}   // namespace txl::exchange::xlsx
