#pragma once

#include "platform/print/ReportLayout.h"

#include <QImage>
#include <QRect>
#include <QSizeF>

#include <memory>
#include <vector>

class QPainter;
class QPdfDocument;

namespace txl::print {

// The pages a preview shows: built ones, or those of a loaded file. Pages are drawn when they
// are looked at; no picture of every page is kept.
class PageSource {
public:
    virtual ~PageSource() = default;
    virtual int pageCount() const = 0;
    // The paper of a page, in millimetres.
    virtual QSizeF paper(int index) const = 0;
    // Draws page `index` into `target` (device pixels of the painter).
    virtual void paint(QPainter &painter, int index, const QRect &target) = 0;
};

// Pages laid out by the report engine, drawn from their item lists.
class BuiltPages : public PageSource {
public:
    int pageCount() const override { return int(m_pages.size()); }
    QSizeF paper(int index) const override;
    void paint(QPainter &painter, int index, const QRect &target) override;

    std::vector<Page> &pages() { return m_pages; }
    const std::vector<Page> &pages() const { return m_pages; }

private:
    std::vector<Page> m_pages;
};

// The pages of a PDF file, rendered one at a time; only the page on screen is kept as a picture.
class DocumentPages : public PageSource {
public:
    explicit DocumentPages(std::unique_ptr<QPdfDocument> document);
    ~DocumentPages() override;

    int pageCount() const override;
    QSizeF paper(int index) const override;
    void paint(QPainter &painter, int index, const QRect &target) override;

    QPdfDocument &document() const { return *m_document; }

private:
    std::unique_ptr<QPdfDocument> m_document;
    int m_cachedIndex = -1;
    QImage m_cached;
};

}   // namespace txl::print
