#include "exchange/XlsxReader.h"

#include "exchange/Dates.h"
#include "exchange/HeaderMap.h"
#include "exchange/XmlReader.h"
#include "exchange/ZipPackage.h"

#include <QDate>
#include <QHash>

#include <cmath>
#include <memory>

using namespace Qt::StringLiterals;

namespace txl::exchange::xlsx {

namespace {

const QString NotAWorkbook = u"这个文件不是 Excel 工作簿（.xlsx）：%1"_s;

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

int hexDigit(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

// Spreadsheets write a character XML cannot carry (a control character) as _xHHHH_, its UTF-16
// code in hex, and a text that itself looks so with its first _ written as _x005F_. Turns them
// back into what they stand for; half a surrogate pair stays as written.
void decodeEscapes(QByteArray &text) {
    if (!text.contains("_x"))
        return;
    QByteArray out;
    out.reserve(text.size());
    const auto codeAt = [&](qsizetype i) -> int {
        if (i + 7 > text.size() || text[i] != '_' || text[i + 1] != 'x' || text[i + 6] != '_')
            return -1;
        int code = 0;
        for (qsizetype k = i + 2; k < i + 6; ++k) {
            const int d = hexDigit(text[k]);
            if (d < 0)
                return -1;
            code = code * 16 + d;
        }
        return code;
    };
    for (qsizetype i = 0; i < text.size();) {
        const int code = codeAt(i);
        if (code < 0 || (code >= 0xd800 && code <= 0xdfff)) {
            out.append(text[i++]);
            continue;
        }
        out.append(QString(QChar(static_cast<char16_t>(code))).toUtf8());
        i += 7;
    }
    text = out;
}

// "B12" → column 1 and row 12; false when it is no cell reference within a sheet.
bool parseReference(QByteArrayView reference, int &column, qint64 &row) {
    qsizetype i = 0;
    column = 0;
    for (; i < reference.size() && reference[i] >= 'A' && reference[i] <= 'Z'; ++i) {
        column = column * 26 + (reference[i] - 'A' + 1);
        if (column > MaxSheetColumn)
            return false;
    }
    if (i == 0)
        return false;
    --column;
    row = 0;
    const qsizetype digits = i;
    for (; i < reference.size() && reference[i] >= '0' && reference[i] <= '9'; ++i) {
        row = row * 10 + (reference[i] - '0');
        if (row > MaxSheetRow)
            return false;
    }
    return i == reference.size() && i > digits && row >= 1;
}

// A row number as written ("12"); 0 when it is no row of a sheet.
qint64 parseRow(QByteArrayView text) {
    qint64 row = 0;
    for (const char c : text) {
        if (c < '0' || c > '9')
            return 0;
        row = row * 10 + (c - '0');
        if (row > MaxSheetRow)
            return 0;
    }
    return row;
}

QString columnName(int column) {
    QString name;
    for (int c = column + 1; c > 0; c = (c - 1) / 26)
        name.prepend(QChar(u'A' + (c - 1) % 26));
    return name;
}

// The text of the string items (<si>, <is>) of a part: the <t> of each, or of each run (<r>),
// without the phonetic readings (<rPh>) that East Asian spreadsheets add.
class StringItem {
public:
    // Whether the element starts or ends text to keep; `target` is where it goes.
    void start(QByteArrayView name) {
        if (name == "rPh")
            ++m_phonetic;
        else if (name == "t" && m_phonetic == 0)
            m_inText = true;
    }
    void end(QByteArrayView name) {
        if (name == "rPh")
            --m_phonetic;
        else if (name == "t")
            m_inText = false;
    }
    bool inText() const { return m_inText; }

private:
    int m_phonetic = 0;
    bool m_inText = false;
};

class WorkbookReader {
public:
    WorkbookReader(const ZipPackage &zip, qint64 fileBytes, ReadResult &result, const ReadOptions &options,
                   const Progress &progress)
        : m_zip(zip),
          m_result(result),
          m_options(options),
          m_progress(progress),
          m_budget(fileBytes),
          m_intake(result) {}

    // Every sheet in order: those that hold a table of contacts are read.
    void run() {
        if (!m_zip.contains(u"xl/workbook.xml"_s))
            throw ExchangeError(NotAWorkbook.arg(u"其中没有工作簿（xl/workbook.xml）。"_s));
        readWorkbook();
        if (m_sheets.isEmpty())
            throw ExchangeError(NotAWorkbook.arg(u"工作簿里没有工作表。"_s));
        const QHash<QString, QString> targets = relationTargets();
        if (m_zip.contains(u"xl/sharedStrings.xml"_s))
            readSharedStrings();
        if (m_zip.contains(u"xl/styles.xml"_s))
            readStyles();
        QList<std::pair<QString, QString>> sheets;   // name, part
        for (const Sheet &sheet : std::as_const(m_sheets)) {
            const QString target = targets.value(sheet.relation);
            const QString part = target.startsWith(u'/') ? target.mid(1) : u"xl/"_s + target;
            sheets.append({sheet.name, target.isEmpty() ? QString() : part});
            m_total += m_zip.claimedSize(part);
        }
        for (const auto &[name, part] : sheets)
            readSheet(name, part);
        m_intake.finish();
        requireTable(m_result);
    }

private:
    struct Sheet {
        QString name;
        QString relation;
    };

    // Reads a part through `handler`. `sheet` names the sheet for messages, when the part is one;
    // the sheets count towards the progress.
    void readPart(const QString &name, xml::Handler &handler, const QString &sheet = {}) {
        const qint64 before = m_done;
        try {
            m_zip.read(name, handler, [&](qint64 done) {
                if (sheet.isEmpty())
                    return;
                m_done = before + done;
                if (m_progress && !m_progress(std::min(m_done, m_total), std::max<qint64>(m_total, 1)))
                    throw Cancelled();
            });
        } catch (const xml::Malformed &e) {
            throw ExchangeError(m_zip.refusal(malformedText(e.error(), name, sheet, m_rowNumber)));
        }
    }

    // The sheets in order, and whether days count from 1904.
    void readWorkbook() {
        struct Handler : xml::Handler {
            WorkbookReader &r;
            explicit Handler(WorkbookReader &reader) : r(reader) {}
            void startElement(QByteArrayView name, const xml::Attributes &a) override {
                if (name == "workbookPr") {
                    const QByteArrayView v = a.value("date1904");
                    r.m_1904 = v == "1" || v == "true";
                } else if (name == "sheet") {
                    const Sheet sheet{QString::fromUtf8(a.value("name")), QString::fromUtf8(a.value("id"))};
                    r.m_budget.charge(ExpansionBudget::PerRow + sheet.name.size() + sheet.relation.size());
                    r.m_sheets.append(sheet);
                }
            }
            void endElement(QByteArrayView) override {}
            void text(QByteArrayView) override {}
        } handler(*this);
        readPart(u"xl/workbook.xml"_s, handler);
    }

    // Relation → the part it names, from the workbook's relationships.
    QHash<QString, QString> relationTargets() {
        struct Handler : xml::Handler {
            WorkbookReader &r;
            QHash<QString, QString> targets;
            explicit Handler(WorkbookReader &reader) : r(reader) {}
            void startElement(QByteArrayView name, const xml::Attributes &a) override {
                if (name != "Relationship")
                    return;
                const QString id = QString::fromUtf8(a.value("Id"));
                const QString target = QString::fromUtf8(a.value("Target"));
                r.m_budget.charge(ExpansionBudget::PerRow + id.size() + target.size());
                targets.insert(id, target);
            }
            void endElement(QByteArrayView) override {}
            void text(QByteArrayView) override {}
        } handler(*this);
        readPart(u"xl/_rels/workbook.xml.rels"_s, handler);
        return handler.targets;
    }

    void readSharedStrings() {
        struct Handler : xml::Handler {
            WorkbookReader &r;
            StringItem item;
            QByteArray current;
            bool inItem = false;
            explicit Handler(WorkbookReader &reader) : r(reader) {}
            void startElement(QByteArrayView name, const xml::Attributes &) override {
                if (name == "si") {
                    inItem = true;
                    current.clear();
                } else if (inItem) {
                    item.start(name);
                }
            }
            void endElement(QByteArrayView name) override {
                if (name == "si") {
                    inItem = false;
                    decodeEscapes(current);
                    r.m_budget.charge(ExpansionBudget::PerRow);
                    r.m_strings.append(current);
                } else if (inItem) {
                    item.end(name);
                }
            }
            void text(QByteArrayView utf8) override {
                if (inItem && item.inText()) {
                    r.m_budget.charge(utf8.size());
                    current.append(utf8);
                }
            }
        } handler(*this);
        readPart(u"xl/sharedStrings.xml"_s, handler);
    }

    void readStyles() {
        struct Handler : xml::Handler {
            WorkbookReader &r;
            QHash<int, QString> codes;
            bool inCellFormats = false;
            explicit Handler(WorkbookReader &reader) : r(reader) {}
            void startElement(QByteArrayView name, const xml::Attributes &a) override {
                if (name == "numFmt") {
                    const QString code = QString::fromUtf8(a.value("formatCode"));
                    r.m_budget.charge(ExpansionBudget::PerRow + code.size());
                    codes.insert(a.value("numFmtId").toInt(), code);
                } else if (name == "cellXfs") {
                    inCellFormats = true;
                } else if (inCellFormats && name == "xf") {
                    const int id = a.value("numFmtId").toInt();
                    r.m_budget.charge(1);
                    r.m_dateStyles.push_back(isDateFormat(id, codes.value(id)));
                }
            }
            void endElement(QByteArrayView name) override {
                if (name == "cellXfs")
                    inCellFormats = false;
            }
            void text(QByteArrayView) override {}
        } handler(*this);
        readPart(u"xl/styles.xml"_s, handler);
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
        return numberText(value);
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

    // The rows of a sheet, each as the cells it holds: a cell's text is kept only when the table
    // wants its column, so cells nobody reads cost nothing but their markup.
    class SheetHandler : public xml::Handler {
    public:
        SheetHandler(WorkbookReader &reader, const QString &sheet)
            : r(reader),
              m_sheet(sheet),
              m_table(reader.m_intake, reader.m_result, reader.m_options, sheet) {}

        void startElement(QByteArrayView name, const xml::Attributes &a) override {
            if (name == "row") {
                const QByteArrayView given = a.value("r");
                const qint64 number = given.isEmpty() ? r.m_rowNumber + 1 : parseRow(given);
                if (number < 1 || number > MaxSheetRow)
                    throw ExchangeError(NotAWorkbook.arg(
                        u"工作表“%1”第%2行之后的行号“%3”不是有效的行号。"_s.arg(m_sheet)
                            .arg(r.m_rowNumber)
                            .arg(QString::fromUtf8(given.first(std::min<qsizetype>(given.size(), 20))))));
                r.m_rowNumber = number;
                m_row.clear();
                m_inRow = true;
                m_nextColumn = 0;
            } else if (name == "c" && m_inRow) {
                startCell(a);
            } else if (m_cell) {
                if (name == "v") {
                    m_raw.clear();
                    m_target = &m_raw;
                } else if (name == "is") {
                    m_inInline = true;
                    m_haveInline = true;
                } else if (m_inInline) {
                    m_item.start(name);
                    m_target = m_item.inText() ? m_cell : nullptr;
                }
            }
        }

        void endElement(QByteArrayView name) override {
            if (name == "row" && m_inRow) {
                m_inRow = false;
                r.m_budget.charge(ExpansionBudget::PerRow);
                m_table.addRow(m_row, static_cast<int>(r.m_rowNumber));
            } else if (name == "c" && m_cell) {
                finishCell();
            } else if (m_cell) {
                if (name == "v" || name == "is")
                    m_inInline = false;
                else if (m_inInline)
                    m_item.end(name);
                m_target = nullptr;
            }
        }

        void text(QByteArrayView utf8) override {
            if (m_target) {
                r.m_budget.charge(utf8.size());
                m_target->append(utf8);
            }
        }

        void finish() { m_table.finish(); }

    private:
        void startCell(const xml::Attributes &a) {
            m_cell = nullptr;   // (a cell inside another is as good as a new one)
            m_target = nullptr;
            const QByteArrayView reference = a.value("r");
            int column = m_nextColumn;
            qint64 row = r.m_rowNumber;
            if (!reference.isEmpty() && (!parseReference(reference, column, row) || row != r.m_rowNumber))
                throw ExchangeError(NotAWorkbook.arg(
                    u"工作表“%1”第%2行的单元格位置“%3”有误。"_s.arg(m_sheet)
                        .arg(r.m_rowNumber)
                        .arg(QString::fromUtf8(reference.first(std::min<qsizetype>(reference.size(), 20))))));
            if (column >= MaxSheetColumn)
                throw ExchangeError(
                    NotAWorkbook.arg(u"工作表“%1”第%2行的单元格超出了最后一列。"_s.arg(m_sheet).arg(r.m_rowNumber)));
            m_nextColumn = column + 1;
            if (!m_table.wants(column))
                return;
            m_column = column;
            m_type = cellType(a.value("t"));
            const int style = a.value("s").toInt();
            m_dateStyle = style >= 0 && static_cast<std::size_t>(style) < r.m_dateStyles.size() &&
                          r.m_dateStyles[static_cast<std::size_t>(style)];
            m_cell = &m_row.add(column);
            m_raw.clear();
            m_haveInline = false;
            m_inInline = false;
            m_item = StringItem();
        }

        // The cell's value, as UTF-8.
        void finishCell() {
            QByteArray &out = *m_cell;
            m_cell = nullptr;
            m_target = nullptr;
            switch (m_type) {
            case CellType::SharedString: {
                bool ok = false;
                const qsizetype index = m_raw.trimmed().toLongLong(&ok);
                if (!ok || index < 0 || index >= r.m_strings.size())
                    throw ExchangeError(
                        NotAWorkbook.arg(u"工作表“%1”的 %2%3 单元格引用了不存在的共享文字（第 %4 条，共 %5 条）。"_s
                                             .arg(m_sheet, columnName(m_column))
                                             .arg(r.m_rowNumber)
                                             .arg(QString::fromUtf8(m_raw.left(20)))
                                             .arg(r.m_strings.size())));
                const QByteArray &text = r.m_strings.at(index);
                r.m_budget.charge(text.size());   // each use, as it is unpacked
                out = text;
                break;
            }
            case CellType::InlineString:
                if (!m_haveInline)
                    out = m_raw;
                decodeEscapes(out);
                break;
            case CellType::Formula:
                out = m_raw;
                decodeEscapes(out);
                break;
            case CellType::Error:
                out = m_raw;
                break;
            case CellType::Boolean:
                out = m_raw == "1" ? "TRUE" : "FALSE";
                break;
            case CellType::Date:
                out = m_raw.left(10);
                break;
            case CellType::Number:
                if (!m_raw.isEmpty())
                    out = r.number(m_raw, m_dateStyle).toUtf8();
                break;
            }
            if (out.isEmpty())
                m_row.dropLast();
        }

        WorkbookReader &r;
        QString m_sheet;
        TableReader m_table;
        TableRow m_row;
        bool m_inRow = false;
        int m_nextColumn = 0;
        // The cell being read, when its column is wanted.
        QByteArray *m_cell = nullptr;
        int m_column = 0;
        CellType m_type = CellType::Number;
        bool m_dateStyle = false;
        QByteArray m_raw;   // the text of <v>: mostly a number or an index
        bool m_inInline = false;
        bool m_haveInline = false;
        StringItem m_item;
        QByteArray *m_target = nullptr;   // where text goes now
    };

    void readSheet(const QString &sheet, const QString &part) {
        m_rowNumber = 0;
        SheetHandler handler(*this, sheet);
        if (!part.isEmpty() && m_zip.contains(part))
            readPart(part, handler, sheet);
        handler.finish();
    }

    const ZipPackage &m_zip;
    ReadResult &m_result;
    const ReadOptions &m_options;
    const Progress &m_progress;
    ExpansionBudget m_budget;
    Intake m_intake;
    qint64 m_total = 0;   // the sheets' bytes unpacked, as the zip claims them
    qint64 m_done = 0;
    QList<Sheet> m_sheets;
    QList<QByteArray> m_strings;   // shared strings, as UTF-8
    std::vector<bool> m_dateStyles;
    bool m_1904 = false;
    qint64 m_rowNumber = 0;   // of the sheet being read
};

}   // namespace

QString numberText(double value) {
    if (std::isfinite(value) && value == std::floor(value) && std::fabs(value) < 1e15)
        return QString::number(static_cast<qint64>(value));
    return QString::number(value, 'g', 15);
}

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

ReadResult read(const QByteArray &bytes, const ReadOptions &options, const Progress &progress) {
    ReadResult result;
    result.format = Format::Xlsx;
    const ZipPackage zip(bytes, NotAWorkbook);
    if (!zip.isOpen()) {
        result.error = NotAWorkbook.arg(u"它不是完整的 zip 压缩文件，也许文件不完整或已损坏。"_s);
        return result;
    }
    try {
        WorkbookReader(zip, bytes.size(), result, options, progress).run();
    } catch (const ExchangeError &e) {
        result.error = e.message();
    }
    if (!result.ok())
        result.records.clear();
    return result;
}

}   // namespace txl::exchange::xlsx
