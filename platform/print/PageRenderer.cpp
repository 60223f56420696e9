#include "platform/print/PageRenderer.h"

#include <QFontMetricsF>
#include <QPageLayout>
#include <QPageSize>
#include <QPagedPaintDevice>
#include <QPainter>
#include <QPdfWriter>

#include <algorithm>
#include <cmath>
#include <optional>

namespace txl::print {

namespace {

// Edges go to whole device pixels.
int snap(qreal mm, qreal scale, qreal origin) {
    return int(std::lround(origin + mm * scale));
}

// Cell edges go to the grid of the design's pixels first, then to the device's: the table was laid
// out in those pixels, so neighbouring cells, which overlap by exactly one of them, share their
// border, and a row's top border lies right on the row above (instead of a hair's breadth below
// it) on every device alike.
int snapToDesign(qreal mm, qreal scale, qreal origin) {
    return snap(std::round(mm / OutlineMm) * OutlineMm, scale, origin);
}

QRect deviceRect(const Item &item, qreal scale, const QPointF &origin, bool designGrid) {
    const auto edge = designGrid ? snapToDesign : snap;
    const int left = edge(item.x, scale, origin.x());
    const int top = edge(item.y, scale, origin.y());
    const int right = edge(item.x + item.w, scale, origin.x());
    const int bottom = edge(item.y + item.h, scale, origin.y());
    return QRect(QPoint(left, top), QPoint(std::max(left, right - 1), std::max(top, bottom - 1)));
}

// A line thickness in device pixels, never thinner than one pixel.
int thickness(qreal mm, qreal scale) {
    return std::max(1, int(std::lround(mm * scale)));
}

} // namespace

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
    // Two sizes at most in a report; keep the last font and its metrics.
    int currentHalfPoints = -1;
    QFont font;
    std::optional<QFontMetricsF> metrics;

    for (const Item &item : page.items()) {
        switch (item.kind) {
        case Item::Kind::Cell: {
            const QRect r = deviceRect(item, pixelsPerMm, origin, true);
            painter.fillRect(r, Qt::white);
            const int t = std::min({outline, r.width(), r.height()});
            painter.fillRect(QRect(r.left(), r.top(), r.width(), t), Qt::black);
            painter.fillRect(QRect(r.left(), r.bottom() - t + 1, r.width(), t), Qt::black);
            painter.fillRect(QRect(r.left(), r.top(), t, r.height()), Qt::black);
            painter.fillRect(QRect(r.right() - t + 1, r.top(), t, r.height()), Qt::black);
            break;
        }
        case Item::Kind::Bar:
            painter.fillRect(deviceRect(item, pixelsPerMm, origin, false), Qt::black);
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
            painter.fillRect(QRectF(at, QSizeF(metrics->horizontalAdvance(text), metrics->height())),
                             Qt::white);
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

bool writePdf(const QString &path, const std::vector<Page> &pages) {
    QPdfWriter writer(path);
    writer.setCreator(QStringLiteral("txl"));
    writer.setTitle(QStringLiteral("同学录"));
    writer.setResolution(1200);
    const QSizeF paper = pages.empty() ? QSizeF(210, 297) : pages.front().paper();
    preparePagedDevice(writer, paper);
    QPainter painter;
    if (!painter.begin(&writer))
        return false;
    const qreal scale = writer.resolution() / 25.4;
    for (std::size_t i = 0; i < pages.size(); ++i) {
        if (i > 0)
            writer.newPage();
        renderPage(painter, pages[i], scale);
    }
    return painter.end();
}

} // namespace txl::print
