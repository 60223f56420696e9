#include "platform/print/PageSource.h"

#include "platform/print/PageRenderer.h"

#include <QPainter>
#include <QPdfDocument>

namespace txl::print {

QSizeF BuiltPages::paper(int index) const {
    if (index < 0 || index >= pageCount())
        return QSizeF(210, 297);
    return m_pages[std::size_t(index)].paper();
}

void BuiltPages::paint(QPainter &painter, int index, const QRect &target) {
    if (index < 0 || index >= pageCount())
        return;
    const Page &page = m_pages[std::size_t(index)];
    painter.fillRect(target, Qt::white);
    renderPage(painter, page, target.width() / page.paper().width(), target.topLeft());
}

DocumentPages::DocumentPages(std::unique_ptr<QPdfDocument> document) : m_document(std::move(document)) {}

DocumentPages::~DocumentPages() = default;

int DocumentPages::pageCount() const {
    return m_document->pageCount();
}

QSizeF DocumentPages::paper(int index) const {
    return m_document->pagePointSize(index) * (25.4 / 72.0);
}

void DocumentPages::paint(QPainter &painter, int index, const QRect &target) {
    if (index < 0 || index >= pageCount())
        return;
    // Rendered at the device's own pixels, so the page stays sharp on a high-density screen.
    const qreal ratio = painter.device() != nullptr ? painter.device()->devicePixelRatioF() : 1.0;
    const QSize size = (QSizeF(target.size()) * ratio).toSize();
    if (m_cachedIndex != index || m_cached.size() != size) {
        m_cached = m_document->render(index, size);
        m_cached.setDevicePixelRatio(ratio);
        m_cachedIndex = index;
    }
    painter.fillRect(target, Qt::white);
    painter.drawImage(target.topLeft(), m_cached);
}

}   // namespace txl::print
