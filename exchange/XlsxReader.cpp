#include "exchange/XlsxReader.h"

#include "exchange/Dates.h"
#include "exchange/HeaderMap.h"
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
        zip_source_t *source = zip_source_buffer_create(bytes.constData(), static_cast<zip_uint64_t>(bytes.size()), 0, &error);
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

    bool contains(const QString &name) const {
        return zip_name_locate(m_zip.get(), name.toUtf8().constData(), 0) >= 0;
    }

    // The unpacked bytes of one part; throws ExchangeError when it is damaged or too big.
    QByteArray part(const QString &name) const {
        const QByteArray utf8 = name.toUtf8();
        zip_stat_t stat;
        zip_stat_init(&stat);
        if (zip_stat(m_zip.get(), utf8.constData(), 0, &stat) != 0 || !(stat.valid & ZIP_STAT_SIZE))
            throw ExchangeError(NotAWorkbook.arg(u"缺少 %1。"_s.arg(name)));
        if (stat.size > MaxPartBytes)
            throw ExchangeError(NotAWorkbook.arg(u"%1 解压后过大。"_s.arg(name)));
        std::unique_ptr<zip_file_t, ZipFileCloser> file(zip_fopen(m_zip.get(), utf8.constData(), 0));
        QByteArray data(static_cast<qsizetype>(stat.size), Qt::Uninitialized);
        const zip_int64_t read = file ? zip_fread(file.get(), data.data(), stat.size) : -1;
        if (read != static_cast<zip_int64_t>(stat.size))
            throw ExchangeError(NotAWorkbook.arg(u"%1 已损坏。"_s.arg(name)));
        return data;
    }

private:
    std::unique_ptr<zip_t, ZipCloser> m_zip;
    QString m_error;
};

void checkXml(const QXmlStreamReader &xml, const QString &part) {
    if (xml.hasError() && xml.error() != QXmlStreamReader::PrematureEndOfDocumentError)
        throw ExchangeError(NotAWorkbook.arg(u"%1 第%2行有错：%3"_s.arg(part).arg(xml.lineNumber()).arg(xml.errorString())));
    if (xml.hasError())
        throw ExchangeError(NotAWorkbook.arg(u"%1 不完整。"_s.arg(part)));
}

// The text of a string item (<si>, <is>): its <t>, or the <t> of each run (<r>), without the
// phonetic readings (<rPh>) that East Asian spreadsheets add.
QString stringItem(XmlScanner &xml) {
    QString text;
    xml.forEachChild([&] {
        if (xml.name() == "t")
            text += xml.readElementText();
        else if (xml.name() == "r")
            text += stringItem(xml);
        else
            xml.skipElement();
    });
    return text;
}

void checkXml(const XmlScanner &xml, const QString &part) {
    if (xml.hasError())
        throw ExchangeError(NotAWorkbook.arg(u"%1 第%2行有错：%3"_s.arg(part).arg(xml.lineNumber()).arg(xml.errorString())));
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

    void readSharedStrings() {
        const QByteArray bytes = m_zip.part(u"xl/sharedStrings.xml"_s);
        XmlScanner xml(bytes);
        for (XmlScanner::Token t; (t = xml.next()) != XmlScanner::EndOfDocument && t != XmlScanner::Invalid;) {
            if (t == XmlScanner::StartElement && xml.name() == "si")
                m_strings << stringItem(xml);
        }
        checkXml(xml, u"xl/sharedStrings.xml"_s);
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

    QString number(const QString &text, bool dateStyle) const {
        bool ok = false;
        const double value = text.toDouble(&ok);
        if (!ok)
            return text;
        if (dateStyle) {
            if (const QString date = serialDate(value, m_1904); !date.isEmpty())
                return date;
        }
        if (std::isfinite(value) && value == std::floor(value) && std::fabs(value) < 1e15)
            return QString::number(static_cast<qint64>(value));
        return QString::number(value, 'g', 15);
    }

    QString cell(XmlScanner &xml) {
        const QByteArrayView type = xml.attribute("t");
        const int style = xml.attribute("s").toInt();
        QString raw;
        QString inlineText;
        bool haveInline = false;
        xml.forEachChild([&] {
            if (xml.name() == "v") {
                raw = xml.readElementText();
            } else if (xml.name() == "is") {
                inlineText = stringItem(xml);
                haveInline = true;
            } else {
                xml.skipElement();
            }
        });
        if (type == "s") {
            bool ok = false;
            const int index = raw.toInt(&ok);
            if (!ok || index < 0 || index >= m_strings.size())
                throw ExchangeError(NotAWorkbook.arg(u"单元格引用了不存在的文字（第%1行）。"_s.arg(xml.lineNumber())));
            return m_strings.at(index);
        }
        if (type == "inlineStr")
            return haveInline ? inlineText : raw;
        if (type == "str" || type == "e")
            return raw;
        if (type == "b")
            return raw == "1"_L1 ? u"TRUE"_s : u"FALSE"_s;
        if (type == "d")
            return raw.left(10);
        if (raw.isEmpty())
            return raw;
        return number(raw, style >= 0 && style < m_dateStyles.size() && m_dateStyles.at(style));
    }

    // The cells of one <row>, each at its column.
    QStringList row(XmlScanner &xml, int rowNumber) {
        QStringList cells;
        cells.reserve(m_widest);
        xml.forEachChild([&] {
            if (xml.name() != "c") {
                xml.skipElement();
                return;
            }
            const QByteArrayView reference = xml.attribute("r");
            int column = reference.isEmpty() ? static_cast<int>(cells.size()) : columnOf(reference);
            if (!reference.isEmpty() && rowOf(reference) != rowNumber)
                column = -1;
            if (column < 0 || column > 16383)
                throw ExchangeError(NotAWorkbook.arg(u"第%1行的单元格位置有误。"_s.arg(rowNumber)));
            const QString value = cell(xml);
            while (cells.size() < column)
                cells << QString();
            if (column < cells.size())
                cells[column] = value;
            else
                cells << value;
        });
        return cells;
    }

    void readSheet(const QString &part) {
        TableReader table(m_result);
        const QByteArray bytes = m_zip.part(part);
        XmlScanner xml(bytes);
        int rowNumber = 0;
        for (XmlScanner::Token t; (t = xml.next()) != XmlScanner::EndOfDocument && t != XmlScanner::Invalid;) {
            if (t != XmlScanner::StartElement || xml.name() != "row")
                continue;
            const int given = xml.attribute("r").toInt();
            rowNumber = given > 0 ? given : rowNumber + 1;
            const QStringList cells = row(xml, rowNumber);
            if (xml.hasError())
                break;
            m_widest = std::max(m_widest, cells.size());
            table.addRow(cells, rowNumber);
        }
        checkXml(xml, part);
        table.finish();
    }

    const Archive &m_zip;
    ReadResult &m_result;
    QStringList m_strings;
    QList<bool> m_dateStyles;
    qsizetype m_widest = 0;
    bool m_1904 = false;
};

} // namespace

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

} // namespace txl::exchange::xlsx
