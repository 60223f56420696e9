#include "exchange/OdsReader.h"

#include "exchange/HeaderMap.h"
#include "exchange/XlsxReader.h"
#include "exchange/XmlReader.h"
#include "exchange/ZipPackage.h"

using namespace Qt::StringLiterals;

namespace txl::exchange::ods {

namespace {

const QString NotASpreadsheet = u"这个文件不是 OpenDocument 电子表格（.ods）：%1"_s;
const QString Content = u"content.xml"_s;

// A count of repeated rows or columns as written ("3"); 1 when none, at most `limit`.
qint64 repeats(QByteArrayView text, qint64 limit) {
    if (text.isEmpty())
        return 1;
    qint64 n = 0;
    for (const char c : text) {
        if (c < '0' || c > '9')
            return 1;
        n = n * 10 + (c - '0');
        if (n > limit)
            return limit;
    }
    return std::max<qint64>(n, 1);
}

// The sheets of content.xml, row by row, each cell's text kept only where the table wants its
// column.
class ContentHandler : public xml::Handler {
public:
    ContentHandler(ReadResult &result, const ReadOptions &options, qint64 fileBytes)
        : m_result(result),
          m_options(options),
          m_budget(fileBytes),
          m_intake(result) {}

    void startElement(QByteArrayView name, const xml::Attributes &a) override {
        if (m_annotation > 0) {
            ++m_annotation;
            return;
        }
        if (name == "table") {
            if (m_table)
                ++m_nestedTables;   // a table inside a cell: its text is the cell's
            else
                startTable(QString::fromUtf8(a.value("name")));
        } else if (!m_table || m_nestedTables > 0) {
            if (m_cell && name == "p" && !m_cell->isEmpty())
                append("\n");
        } else if (name == "table-row") {
            m_row.clear();
            m_column = 0;
            m_rowRepeats = repeats(a.value("number-rows-repeated"), MaxSheetRow);
            m_inRow = true;
        } else if ((name == "table-cell" || name == "covered-table-cell") && m_inRow) {
            startCell(a);
        } else if (name == "annotation") {
            m_annotation = 1;   // a note on the cell, not its text
        } else if (m_cell) {
            if (name == "p" && !m_cell->isEmpty())
                append("\n");
            else if (name == "s")
                append(QByteArray(static_cast<qsizetype>(repeats(a.value("c"), 1000)), ' '));
            else if (name == "tab")
                append("\t");
            else if (name == "line-break")
                append("\n");
        }
    }

    void endElement(QByteArrayView name) override {
        if (m_annotation > 0) {
            --m_annotation;
            return;
        }
        if (name == "table") {
            if (m_nestedTables > 0)
                --m_nestedTables;
            else
                finishTable();
        } else if (m_nestedTables > 0 || !m_table) {
            return;
        } else if ((name == "table-cell" || name == "covered-table-cell") && m_inRow) {
            finishCell();
        } else if (name == "table-row" && m_inRow) {
            m_inRow = false;
            finishRow();
        }
    }

    void text(QByteArrayView utf8) override {
        if (m_cell && m_annotation == 0 && m_cellIsText)
            append(utf8);
    }

    void finish() {
        m_intake.finish();
        requireTable(m_result);
    }

    qint64 row() const { return m_rowNumber; }
    const QString &sheet() const { return m_sheet; }

private:
    void append(QByteArrayView text) {
        m_budget.charge(text.size());
        m_cell->append(text);
    }

    void startTable(const QString &name) {
        m_sheet = name;
        m_budget.charge(ExpansionBudget::PerRow + name.size());
        m_table.emplace(m_intake, m_result, m_options, name);
        m_rowNumber = 0;
    }

    void finishTable() {
        m_table->finish();
        m_table.reset();
    }

    void startCell(const xml::Attributes &a) {
        m_cellRepeats = repeats(a.value("number-columns-repeated"), MaxSheetColumn);
        m_cell = nullptr;
        m_cellIsText = false;
        bool wanted = false;
        for (qint64 c = m_column; c < std::min<qint64>(m_column + m_cellRepeats, MaxSheetColumn) && !wanted; ++c)
            wanted = m_table->wants(static_cast<int>(c));
        if (!wanted || m_column >= MaxSheetColumn)
            return;
        m_cell = &m_row.add(static_cast<int>(m_column));
        const QByteArrayView type = a.value("value-type");
        if (type == "float" || type == "percentage" || type == "currency") {
            bool ok = false;
            const double value = a.value("value").toDouble(&ok);
            if (ok)
                append(xlsx::numberText(value).toUtf8());
            else
                m_cellIsText = true;
        } else if (type == "date") {
            append(a.value("date-value").first(std::min<qsizetype>(a.value("date-value").size(), 10)));
        } else if (type == "boolean") {
            append(a.value("boolean-value") == "true" ? "TRUE" : "FALSE");
        } else {
            m_cellIsText = true;   // text, a time: as shown
        }
    }

    void finishCell() {
        if (m_cell) {
            if (m_cell->isEmpty()) {
                m_row.dropLast();
            } else {
                // A value repeated along the row stands in each of its columns.
                const QByteArray value = *m_cell;
                for (qint64 c = m_column + 1; c < std::min<qint64>(m_column + m_cellRepeats, MaxSheetColumn); ++c) {
                    m_budget.charge(value.size());
                    m_row.add(static_cast<int>(c)) = value;
                }
            }
        }
        m_cell = nullptr;
        m_column += m_cellRepeats;
    }

    void finishRow() {
        // An empty row repeated (LibreOffice ends a sheet with a million of them) costs one step.
        if (m_row.size() == 0) {
            m_rowNumber = std::min(m_rowNumber + m_rowRepeats, MaxSheetRow);
            return;
        }
        for (qint64 i = 0; i < m_rowRepeats && m_rowNumber < MaxSheetRow; ++i) {
            ++m_rowNumber;
            m_budget.charge(ExpansionBudget::PerRow);
            m_table->addRow(m_row, static_cast<int>(m_rowNumber));
        }
    }

    ReadResult &m_result;
    const ReadOptions &m_options;
    ExpansionBudget m_budget;
    Intake m_intake;
    std::optional<TableReader> m_table;   // of the sheet being read
    QString m_sheet;
    int m_nestedTables = 0;
    int m_annotation = 0;   // depth inside a note
    bool m_inRow = false;
    TableRow m_row;
    qint64 m_rowNumber = 0;
    qint64 m_rowRepeats = 1;
    qint64 m_column = 0;
    qint64 m_cellRepeats = 1;
    QByteArray *m_cell = nullptr;   // the cell being read, when its column is wanted
    bool m_cellIsText = false;
};

}   // namespace

bool isSpreadsheet(const QByteArray &zipBytes) {
    // The first part of an OpenDocument file is its mimetype, stored as it is.
    static const QByteArray mimetype = "mimetypeapplication/vnd.oasis.opendocument.spreadsheet";
    if (zipBytes.size() > 30 + mimetype.size() && QByteArrayView(zipBytes).sliced(30, mimetype.size()) == mimetype)
        return true;
    const ZipPackage zip(zipBytes, NotASpreadsheet);
    return zip.isOpen() && zip.contains(Content) && !zip.contains(u"xl/workbook.xml"_s);
}

ReadResult read(const QByteArray &bytes, const ReadOptions &options, const Progress &progress) {
    ReadResult result;
    result.format = Format::Ods;
    const ZipPackage zip(bytes, NotASpreadsheet);
    if (!zip.isOpen()) {
        result.error = zip.refusal(u"它不是完整的 zip 压缩文件，也许文件不完整或已损坏。"_s);
        return result;
    }
    try {
        if (!zip.contains(Content))
            throw ExchangeError(zip.refusal(u"其中没有表格内容（content.xml）。"_s));
        ContentHandler handler(result, options, bytes.size());
        const qint64 total = std::max<qint64>(zip.claimedSize(Content), 1);
        try {
            zip.read(Content, handler, [&](qint64 done) {
                if (progress && !progress(std::min(done, total), total))
                    throw Cancelled();
            });
        } catch (const xml::Malformed &e) {
            throw ExchangeError(zip.refusal(malformedText(e.error(), Content, handler.sheet(), handler.row())));
        }
        handler.finish();
    } catch (const ExchangeError &e) {
        result.error = e.message();
    }
    if (!result.ok())
        result.records.clear();
    return result;
}

}   // namespace txl::exchange::ods
