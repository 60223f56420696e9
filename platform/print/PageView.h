#pragma once

#include <QWidget>

namespace txl::print {

class PageSource;

// Shows one page of a preview at a given scale, drawing it only when it is painted.
class PageView : public QWidget {
    Q_OBJECT

public:
    explicit PageView(QWidget *parent = nullptr);

    // Grey space around the sheet, in pixels.
    static constexpr int Gap = 12;

    void setSource(PageSource *source);
    void setPage(int index);
    void setScale(qreal pixelsPerMm);
    // The page count or the paper changed: repaint and take the new size.
    void refresh();

    int page() const { return m_page; }
    qreal scale() const { return m_scale; }
    QRect sheetRect() const;

Q_SIGNALS:
    // A page was drawn on screen (the preview's first page timing listens to this).
    void pagePainted(int index);

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QSize sheetSize() const;

    PageSource *m_source = nullptr;
    int m_page = 0;
    qreal m_scale = 1;
};

}   // namespace txl::print
