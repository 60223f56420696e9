#pragma once

#include "platform/print/ReportLayout.h"

#include <QFont>
#include <QPointF>

class QPainter;
class QPagedPaintDevice;

namespace txl::print {

// Draws pages onto any paint device: the preview's page view, a printer, a PDF file. The painter
// works in device pixels; `pixelsPerMm` is the scale and `origin` where the paper's corner lies.
void renderPage(QPainter &painter, const Page &page, qreal pixelsPerMm, const QPointF &origin = {});

// The font of a text item at that scale, for the painter's device.
QFont fontFor(const QPainter &painter, const QString &family, qreal pointSize, qreal pixelsPerMm);

// Sets a printer or PDF writer up for pages of `paper` (mm) printed from the paper's corner.
void preparePagedDevice(QPagedPaintDevice &device, const QSizeF &paper);

// The thickness of a cell's outline: one design pixel.
inline constexpr qreal OutlineMm = 25.4 / 96.0;

}   // namespace txl::print
