#include "platform/print/PageRenderer.h"

#include <QFontMetricsF>
#include <QPageLayout>
#include <QPageSize>
#include <QPagedPaintDevice>
#include <QPainter>

#include <algorithm>
#include <cmath>
#include <optional>

namespace txl::print {

namespace {

// Edges go to whole device pixels.
int snap(qreal mm, qreal scale, qreal origin) {
    return int(std::lround(origin + mm * scale));
}

QRect deviceRect(const Item &item, qreal scale, const QPointF &origin) {
    const int left = snap(item.x, scale, origin.x());
    const int top = snap(item.y, scale, origin.y());
    const int right = snap(item.x + item.w, scale, origin.x());
    const int bottom = snap(item.y + item.h, scale, origin.y());
    return QRect(QPoint(left, top), QPoint(std::max(left, right - 1), std::max(top, bottom - 1)));
}

// A line thickness in device pixels, never thinner than one pixel.
int thickness(qreal mm, qreal scale) {
    return std::max(1, int(std::lround(mm * scale)));
}

// The ruled lines of one page along one axis, each on one device pixel. Cells share their borders,
// but not at exactly the same millimetre: side by side the design's positions are rounded to
// 0.01 mm, and one row starts 0.02 mm below the bottom of the row above. Rounded one by one, two
// such borders fall on neighbouring pixels at some scales and the line shows 2 or 3 pixels wide.
// So a page's lines are gathered first, and lines closer than half a design pixel are one line.
class Rules {
public:
    void add(float mm) { m_marks.push_back(mm); }

    void place(qreal scale, qreal origin) {
        std::sort(m_marks.begin(), m_marks.end());
        m_starts.clear();
        m_pixels.clear();
        for (const float mm : m_marks) {
            if (!m_starts.empty() && mm - m_starts.back() < Same)
                continue;
            m_starts.push_back(mm);
            m_pixels.push_back(snap(mm, scale, origin));
        }
    }

    // The pixel of the line at `mm`, which was added before place().
    int pixel(float mm) const {
        const auto after = std::upper_bound(m_starts.begin(), m_starts.end(), mm);
        return m_pixels[std::size_t(std::max<std::ptrdiff_t>(0, after - m_starts.begin() - 1))];
    }

private:
    static constexpr float Same = float(OutlineMm / 2);
    std::vector<float> m_marks;
    std::vector<float> m_starts;
    std::vector<int> m_pixels;
};

}   // namespace

QFont fontFor(const QPainter &painter, const QString &family, qreal pointSize, qreal pixelsPerMm) {
    QFont font(family);
    // The wanted height in device pixels, expressed in the device's own points.
    const qreal dpi = painter.device() != nullptr ? painter.device()->logicalDpiY() : 96;
    font.setPointSizeF(pointSize * pixelsPerMm * 25.4 / dpi);
    return font;
}

void renderPage(QPainter &painter, const Page &page, qreal pixelsPerMm, const QPointF &origin) {
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.setRenderHint(QPainter::TextAntialiasing, true);
    painter.setPen(Qt::black);

    const int outline = thickness(OutlineMm, pixelsPerMm);
    Rules across, down;
    for (const Item &item : page.items()) {
        if (item.kind == Item::Kind::Cell) {
            across.add(item.x);
            across.add(item.x + item.w - float(OutlineMm));
            down.add(item.y);
            down.add(item.y + item.h);
        }
    }
    across.place(pixelsPerMm, origin.x());
    down.place(pixelsPerMm, origin.y());
    // Two sizes at most in a report; keep the last font and its metrics.
    int currentHalfPoints = -1;
    QFont font;
    std::optional<QFontMetricsF> metrics;

    for (const Item &item : page.items()) {
        switch (item.kind) {
        case Item::Kind::Cell: {
            // Side by side, cells overlap by one design pixel, which is the outline: drawn inside
            // the cell, the two vertical borders fall on each other. One above the other, a row
            // starts a hair below the one before: drawn across the edge, the two horizontal
            // borders fall on each other too, and the whole is one ruled table. The outline is
            // the cell's black rectangle with the white inside laid over it.
            const int left = across.pixel(item.x);
            const int right = across.pixel(item.x + item.w - float(OutlineMm)) + outline;
            const int top = down.pixel(item.y) - outline / 2;
            const int bottom = down.pixel(item.y + item.h) - outline / 2 + outline;
            painter.fillRect(QRect(left, top, right - left, bottom - top), Qt::black);
            if (right - left > 2 * outline && bottom - top > 2 * outline)
                painter.fillRect(
                    QRect(left + outline, top + outline, right - left - 2 * outline, bottom - top - 2 * outline),
                    Qt::white);
            break;
        }
        case Item::Kind::Bar:
            painter.fillRect(deviceRect(item, pixelsPerMm, origin), Qt::black);
            break;
        case Item::Kind::Text: {
            if (item.halfPoints != currentHalfPoints) {
                currentHalfPoints = item.halfPoints;
                font = fontFor(painter, page.fontFamily(), item.pointSize(), pixelsPerMm);
                painter.setFont(font);
                metrics.emplace(painter.font(), painter.device());
            }
            const QString text = page.text(item).toString();
            const QPointF at(origin.x() + item.x * pixelsPerMm, origin.y() + item.y * pixelsPerMm);
            painter.fillRect(QRectF(at, QSizeF(metrics->horizontalAdvance(text), metrics->height())), Qt::white);
            painter.drawText(QPointF(at.x(), at.y() + metrics->ascent()), text);
            break;
        }
        }
    }
    painter.restore();
}

void preparePagedDevice(QPagedPaintDevice &device, const QSizeF &paper) {
    // Page sizes are named upright; a wide paper is the upright size turned.
    const bool wide = paper.width() > paper.height();
    const QPageSize size(wide ? paper.transposed() : paper, QPageSize::Millimeter);
    const QPageLayout::Orientation orientation = wide ? QPageLayout::Landscape : QPageLayout::Portrait;
    device.setPageLayout(QPageLayout(size, orientation, QMarginsF(0, 0, 0, 0)));
}

}   // namespace txl::print
