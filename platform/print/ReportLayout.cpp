#include "platform/print/ReportLayout.h"

#include <QStringDecoder>

#include <cmath>

namespace txl::print {

namespace {

// Band positions are sums of values given to 0.01 mm; a little slack keeps a band that ends
// exactly on the footer's top from being pushed to the next page by rounding.
constexpr qreal Slack = 1e-6;

// Thickness of one point in millimetres.
constexpr qreal PointMm = 25.4 / 72.0;

}   // namespace

// --- the design -------------------------------------------------------------------------------

Element Element::shape(const QString &name, const QRectF &rect) {
    Element e;
    e.kind = Kind::Shape;
    e.name = name;
    e.rect = rect;
    return e;
}

Element Element::label(const QString &name, const QPointF &pos, const QString &text, qreal pointSize) {
    Element e;
    e.kind = Kind::Label;
    e.name = name;
    e.pos = pos;
    e.text = text;
    e.pointSize = pointSize;
    return e;
}

Element Element::dataField(const QString &name, const QPointF &pos, int field, qreal pointSize) {
    Element e;
    e.kind = Kind::Field;
    e.name = name;
    e.pos = pos;
    e.field = field;
    e.pointSize = pointSize;
    return e;
}

qreal Band::advance() const {
    return std::round(height * 10.0) / 10.0;
}

Element *Band::find(const QString &name) {
    for (Element &e : elements)
        if (e.name == name)
            return &e;
    return nullptr;
}

const Element *Band::find(const QString &name) const {
    return const_cast<Band *>(this)->find(name);
}

QRectF ReportDefinition::frame() const {
    return QRectF(QPointF(0, 0), paper).marginsRemoved(margins);
}

qreal ReportDefinition::footerTop() const {
    return frame().bottom() - pageFooter.advance();
}

// --- pages ------------------------------------------------------------------------------------

Page::Page(const QSizeF &paper, const QString &fontFamily) : m_paper(paper), m_fontFamily(fontFamily) {}

QStringView Page::text(const Item &item) const {
    return QStringView(m_text).mid(item.textOffset, item.textLength);
}

void Page::addCell(const QRectF &rect) {
    Item item;
    item.kind = Item::Kind::Cell;
    item.x = float(rect.x());
    item.y = float(rect.y());
    item.w = float(rect.width());
    item.h = float(rect.height());
    m_items.push_back(item);
}

void Page::addBar(const QRectF &rect) {
    addCell(rect);
    m_items.back().kind = Item::Kind::Bar;
}

void Page::addText(const QPointF &pos, QAnyStringView text, qreal pointSize) {
    if (text.isEmpty())
        return;
    const qsizetype start = m_text.size();
    text.visit([this, start](auto view) {
        using View = decltype(view);
        if constexpr (std::is_same_v<View, QStringView>) {
            m_text.append(view);
        } else if constexpr (std::is_same_v<View, QLatin1StringView>) {
            m_text.append(view);
        } else {
            // UTF-8 straight from the data set into the page's text, without a QString per field.
            static QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
            m_text.resize(start + view.size());
            QChar *end = decoder.appendToBuffer(m_text.data() + start, QByteArrayView(view.data(), view.size()));
            m_text.resize(end - m_text.constData());
        }
    });
    Item item;
    item.kind = Item::Kind::Text;
    item.halfPoints = std::uint8_t(std::lround(pointSize * 2));
    item.x = float(pos.x());
    item.y = float(pos.y());
    item.textOffset = std::uint32_t(start);
    item.textLength = std::uint32_t(m_text.size() - start);
    m_items.push_back(item);
}

std::size_t Page::memoryBytes() const {
    return sizeof(Page) + m_items.capacity() * sizeof(Item) + std::size_t(m_text.capacity()) * sizeof(QChar);
}

// --- layout -----------------------------------------------------------------------------------

PageBuilder::PageBuilder(const ReportDefinition &definition, Sink sink) : m_def(definition), m_sink(std::move(sink)) {}

void PageBuilder::startPage() {
    m_page = Page(m_def.paper, m_def.fontFamily);
    m_pageOpen = true;
    m_y = m_def.frame().top();
    placeBand(m_def.pageHeader, {});
}

void PageBuilder::closePage() {
    const QRectF frame = m_def.frame();
    m_y = m_def.footerTop();
    placeBand(m_def.pageFooter, {});
    if (m_def.borderPoints > 0) {
        // Four bars just inside the frame, drawn last so nothing covers them.
        const qreal t = m_def.borderPoints * PointMm;
        m_page.addBar(QRectF(frame.left(), frame.top(), frame.width(), t));
        m_page.addBar(QRectF(frame.left(), frame.bottom() - t, frame.width(), t));
        m_page.addBar(QRectF(frame.left(), frame.top(), t, frame.height()));
        m_page.addBar(QRectF(frame.right() - t, frame.top(), t, frame.height()));
    }
    m_pageOpen = false;
    ++m_pagesFinished;
    m_sink(std::move(m_page));
    m_page = Page();
}

void PageBuilder::placeBand(const Band &band, std::span<const QAnyStringView> fields) {
    const qreal left = m_def.frame().left();
    const QPointF origin(left, m_y);
    for (const Element &e : band.elements) {
        switch (e.kind) {
        case Element::Kind::Shape:
            m_page.addCell(e.rect.translated(origin));
            break;
        case Element::Kind::Label:
            m_page.addText(e.pos + origin, e.text, e.pointSize);
            break;
        case Element::Kind::Field:
            if (e.field >= 0 && std::size_t(e.field) < fields.size())
                m_page.addText(e.pos + origin, fields[std::size_t(e.field)], e.pointSize);
            break;
        }
    }
    m_y += band.advance();
}

void PageBuilder::addRow(std::span<const QAnyStringView> fields) {
    if (m_finished)
        return;
    if (!m_pageOpen) {
        startPage();
        placeBand(m_def.columnHeader, {});
    } else if (m_y + m_def.detail.advance() > m_def.footerTop() + Slack) {
        closePage();
        startPage();
        placeBand(m_def.columnHeader, {});
    }
    placeBand(m_def.detail, fields);
    ++m_rows;
}

void PageBuilder::finish() {
    if (m_finished)
        return;
    if (!m_pageOpen) {
        // No rows: the page header and one detail band with every field empty.
        startPage();
        placeBand(m_def.detail, {});
    }
    closePage();
    m_finished = true;
}

std::vector<Page> layOut(const ReportDefinition &definition, const std::vector<QStringList> &rows) {
    std::vector<Page> pages;
    PageBuilder builder(definition, [&pages](Page &&page) { pages.push_back(std::move(page)); });
    std::vector<QAnyStringView> fields;
    for (const QStringList &row : rows) {
        fields.assign(row.cbegin(), row.cend());
        builder.addRow(fields);
    }
    builder.finish();
    return pages;
}

}   // namespace txl::print
