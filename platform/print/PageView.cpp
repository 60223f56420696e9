#include "platform/print/PageView.h"

#include "platform/print/PageSource.h"

#include <QPaintEvent>
#include <QPainter>

#include <cmath>

namespace txl::print {

PageView::PageView(QWidget *parent) : QWidget(parent) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    setFocusPolicy(Qt::NoFocus);
}

void PageView::setSource(PageSource *source) {
    m_source = source;
    refresh();
}

void PageView::setPage(int index) {
    if (index == m_page)
        return;
    m_page = index;
    refresh();
}

void PageView::setScale(qreal pixelsPerMm) {
    if (qFuzzyCompare(pixelsPerMm, m_scale))
        return;
    m_scale = pixelsPerMm;
    refresh();
}

QSize PageView::sheetSize() const {
    const QSizeF paper = m_source != nullptr && m_source->pageCount() > 0 ? m_source->paper(std::max(0, m_page))
                                                                          : QSizeF(210, 297);
    return QSize(int(std::lround(paper.width() * m_scale)), int(std::lround(paper.height() * m_scale)));
}

QRect PageView::sheetRect() const {
    const QSize sheet = sheetSize();
    return QRect(QPoint(std::max(Gap, (width() - sheet.width()) / 2), Gap), sheet);
}

void PageView::refresh() {
    const QSize wanted = sheetSize() + QSize(2 * Gap, 2 * Gap);
    if (size() != wanted)
        resize(wanted);
    update();
}

void PageView::paintEvent(QPaintEvent *event) {
    QPainter painter(this);
    painter.fillRect(event->rect(), palette().color(QPalette::Dark));
    const QRect sheet = sheetRect();
    painter.fillRect(sheet.translated(3, 3), QColor(0, 0, 0, 90));   // a shadow under the sheet
    painter.fillRect(sheet, Qt::white);
    if (m_source == nullptr || m_page < 0 || m_page >= m_source->pageCount())
        return;
    painter.setClipRect(sheet);
    m_source->paint(painter, m_page, sheet);
    Q_EMIT pagePainted(m_page);
}

}   // namespace txl::print
