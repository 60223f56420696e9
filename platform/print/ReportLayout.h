#pragma once

#include <QAnyStringView>
#include <QMarginsF>
#include <QPointF>
#include <QRectF>
#include <QSizeF>
#include <QString>
#include <QStringList>
#include <QStringView>

#include <cstdint>
#include <functional>
#include <span>
#include <vector>

// The banded report: its design (bands of shapes, labels and data fields) and the layout of rows
// into pages. Everything is in millimetres; band contents are placed relative to the band.
namespace txl::print {

// --- the design -------------------------------------------------------------------------------

struct Element {
    enum class Kind : std::uint8_t { Shape, Label, Field };

    Kind kind = Kind::Shape;
    QString name;
    QRectF rect;           // Shape: the ruled cell
    QPointF pos;           // Label, Field: the text's top-left corner
    QString text;          // Label
    int field = -1;        // Field: index into the row's fields
    qreal pointSize = 9;   // Label, Field

    static Element shape(const QString &name, const QRectF &rect);
    static Element label(const QString &name, const QPointF &pos, const QString &text, qreal pointSize);
    static Element dataField(const QString &name, const QPointF &pos, int field, qreal pointSize);
};

struct Band {
    qreal height = 0;
    std::vector<Element> elements;

    // How far the band moves the print position: its height rounded to 0.1 mm.
    qreal advance() const;
    Element *find(const QString &name);
    const Element *find(const QString &name) const;
};

struct ReportDefinition {
    QSizeF paper{210, 297};
    QMarginsF margins{10, 10, 10, 10};
    QString fontFamily = QStringLiteral("Arial");
    Band pageHeader;
    Band columnHeader;        // before the first row, and on every page a row continues on
    Band detail;              // one per row
    Band pageFooter;          // fixed at the bottom of every page
    qreal borderPoints = 1;   // thickness of the bars inside the frame; 0 = no border
    QStringList fields;       // the names of the row's fields, in the order Field elements count

    // The printable frame: the paper inside its margins.
    QRectF frame() const;
    // Where the page footer starts; the rows must end above it.
    qreal footerTop() const;
};

// --- pages ------------------------------------------------------------------------------------

// One thing drawn on a page. Kept small: a long report holds millions of them.
struct Item {
    enum class Kind : std::uint8_t {
        Cell,   // white rectangle with a thin black outline
        Text,   // one line at its top-left corner, on a white background sized to it
        Bar,    // solid black rectangle
    };

    Kind kind = Kind::Cell;
    std::uint8_t halfPoints = 0;   // Text: font size in half points
    float x = 0, y = 0, w = 0, h = 0;
    std::uint32_t textOffset = 0;   // Text: where its characters are in the page's text
    std::uint32_t textLength = 0;

    QRectF rect() const { return {x, y, w, h}; }
    QPointF pos() const { return {x, y}; }
    qreal pointSize() const { return halfPoints / 2.0; }
};

class Page {
public:
    Page() = default;
    Page(const QSizeF &paper, const QString &fontFamily);

    const QSizeF &paper() const { return m_paper; }
    const QString &fontFamily() const { return m_fontFamily; }
    const std::vector<Item> &items() const { return m_items; }
    QStringView text(const Item &item) const;

    void addCell(const QRectF &rect);
    void addBar(const QRectF &rect);
    // Empty texts draw nothing and are left out.
    void addText(const QPointF &pos, QAnyStringView text, qreal pointSize);

    // Bytes held by the page (for the benchmark).
    std::size_t memoryBytes() const;

private:
    QSizeF m_paper;
    QString m_fontFamily;
    std::vector<Item> m_items;
    QString m_text;   // every text of the page, one after another
};

// --- layout -----------------------------------------------------------------------------------

// Lays rows out into pages as they come. Each finished page goes to the sink at once, so a preview
// can show page 1 while later rows are still being read.
//
// The rules: every page starts with the page header at the top of the frame; the column header
// follows it before the first row and on every later page; each row is one detail band; a band
// that does not fit above the page footer starts a new page. Every page ends with the page footer
// at its fixed place and the border. A report without rows is one page holding the page header
// and one detail band of empty fields.
class PageBuilder {
public:
    using Sink = std::function<void(Page &&page)>;

    PageBuilder(const ReportDefinition &definition, Sink sink);

    // One row: its fields in the order of the definition's field list (missing ones are empty).
    void addRow(std::span<const QAnyStringView> fields);
    // Closes the last page. Call once, after the last row (also to end a cancelled build early).
    void finish();

    int rows() const { return m_rows; }
    int pagesFinished() const { return m_pagesFinished; }
    bool isFinished() const { return m_finished; }

private:
    void startPage();
    void closePage();
    void placeBand(const Band &band, std::span<const QAnyStringView> fields);

    const ReportDefinition &m_def;
    Sink m_sink;
    Page m_page;
    bool m_pageOpen = false;
    bool m_finished = false;
    qreal m_y = 0;
    int m_rows = 0;
    int m_pagesFinished = 0;
};

// The layout as a pure function: all pages of `rows`.
std::vector<Page> layOut(const ReportDefinition &definition, const std::vector<QStringList> &rows);

}   // namespace txl::print
