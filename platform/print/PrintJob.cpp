#include "platform/print/PrintJob.h"

#include "platform/print/PageRenderer.h"
#include "platform/print/PrintProgress.h"
#include "platform/ui/MessageBoxes.h"

#include <QElapsedTimer>
#include <QPdfDocument>
#include <QPrinter>
#include <QTimer>

#include <algorithm>

using namespace Qt::StringLiterals;

namespace txl::print {

namespace {

std::function<void(PrintJob &)> &startHook() {
    static std::function<void(PrintJob &)> hook;
    return hook;
}

// A loaded document is printed as pictures of its pages; this keeps one page's picture small.
constexpr int DocumentDpi = 300;

QSizeF documentPaper(const QPdfDocument &document) {
    const QSizeF points = document.pageCount() > 0 ? document.pagePointSize(0) : QSizeF(595, 842);
    return points * (25.4 / 72.0);
}

}   // namespace

PrintJob::PrintJob(QPagedPaintDevice &device, QPrinter *printer, QWidget *window)
    : m_device(device),
      m_printer(printer),
      m_window(window) {}

PrintJob::PrintJob(const ReportJob &job, QPrinter &printer, QWidget *window) : PrintJob(printer, &printer, window) {
    m_job = job;
    m_title = job.title;
}

PrintJob::PrintJob(QPdfDocument &document, const QString &title, QPrinter &printer, QWidget *window)
    : PrintJob(printer, &printer, window) {
    m_document = &document;
    m_title = title;
}

PrintJob::PrintJob(const std::vector<Page> &pages, QPagedPaintDevice &device, QWidget *window)
    : PrintJob(device, nullptr, window) {
    m_pagesToWrite = &pages;
}

PrintJob::~PrintJob() {
    if (m_painter.isActive())
        m_painter.end();
    delete m_progress;
}

void PrintJob::setStartHook(std::function<void(PrintJob &)> hook) {
    startHook() = std::move(hook);
}

void PrintJob::setPercent(int percent) {
    if (percent == m_percent)
        return;
    m_percent = percent;
    if (m_progress != nullptr)
        m_progress->setPercent(percent);
    Q_EMIT progress(percent);
}

// Page numbers count from 1. Without a range chosen in printer setup every page is wanted.
bool PrintJob::wanted(int number) const {
    return !m_range || m_range->contains(number);
}

bool PrintJob::pastRange(int number) const {
    return m_range && !m_range->isEmpty() && number >= m_range->lastPage();
}

void PrintJob::outputPage(const Page &page) {
    if (m_pages > 0)
        m_device.newPage();
    renderPage(m_painter, page, m_device.logicalDpiX() / 25.4);
    ++m_pages;
    Q_EMIT pagePrinted(m_pages);
}

// A page of the report built again for the printer.
void PrintJob::madePage(const Page &page) {
    ++m_made;
    if (wanted(m_made))
        outputPage(page);
    // The rest of the report would not be printed: the build ends here.
    if (pastRange(m_made) && m_build)
        m_build->cancel();
}

// The next page of a document, or the next built pages for about one frame.
void PrintJob::step() {
    if (m_cancelled) {
        finish();
        return;
    }
    if (m_pagesToWrite == nullptr) {
        if (!stepDocument())
            finish();
        return;
    }
    const std::vector<Page> &pages = *m_pagesToWrite;
    QElapsedTimer clock;
    clock.start();
    const auto budget = sliceTime().count();
    do {
        if (std::size_t(m_made) >= pages.size())
            break;
        outputPage(pages[std::size_t(m_made)]);
        ++m_made;
    } while (clock.elapsed() < budget);
    setPercent(int(qint64(m_made) * 100 / qint64(std::max<std::size_t>(1, pages.size()))));
    if (std::size_t(m_made) >= pages.size())
        finish();
}

// One page of the loaded document, rendered as a picture; false once there is none left.
bool PrintJob::stepDocument() {
    if (m_document.isNull())
        return false;
    const int count = m_document->pageCount();
    while (m_made < count && !wanted(m_made + 1))
        ++m_made;
    if (m_made >= count || (m_made > 0 && pastRange(m_made)))
        return false;
    const QSizeF points = m_document->pagePointSize(m_made);
    const QImage picture = m_document->render(m_made, (points * (DocumentDpi / 72.0)).toSize());
    if (m_pages > 0)
        m_device.newPage();
    const qreal scale = m_device.logicalDpiX() / 72.0;
    m_painter.drawImage(QRectF(QPointF(0, 0), points * scale), picture);
    ++m_pages;
    ++m_made;
    Q_EMIT pagePrinted(m_pages);
    setPercent(m_made * 100 / std::max(1, count));
    return m_made < count && !pastRange(m_made);
}

void PrintJob::finish() {
    if (m_over)
        return;
    m_over = true;
    if (m_timer != nullptr)
        m_timer->stop();
    if (!m_cancelled)
        setPercent(100);
    if (m_progress != nullptr)
        m_progress->accept();
    Q_EMIT over();
}

void PrintJob::cancel() {
    if (m_over)
        return;
    m_cancelled = true;
    if (m_build)
        m_build->cancel();   // the page in progress is closed and printed: over() follows
    else
        finish();
}

int PrintJob::run() {
    QSizeF paper(210, 297);
    if (m_job)
        paper = m_job->definition.paper;
    else if (m_document)
        paper = documentPaper(*m_document);
    else if (m_pagesToWrite != nullptr && !m_pagesToWrite->empty())
        paper = m_pagesToWrite->front().paper();
    if (m_printer != nullptr) {
        m_printer->setFullPage(true);
        // The name the print queue shows, and the title of a PDF printed to a file.
        m_printer->setDocName(m_title);
        if (m_printer->printRange() == QPrinter::PageRange)
            m_range = m_printer->pageRanges();
    }
    preparePagedDevice(m_device, paper);
    if (!m_painter.begin(&m_device)) {
        if (m_printer != nullptr)
            txl::ui::errorReport(u"Printing could not be started"_s);
        return 0;
    }

    m_progress = new PrintProgress(m_window, m_printer != nullptr ? u"Printing progress"_s : u"Saving progress"_s);
    connect(m_progress, &PrintProgress::cancelRequested, this, &PrintJob::cancel);

    if (m_job) {
        m_build = std::make_unique<ReportBuild>(*m_job, [this](Page &&page) { madePage(page); });
        // The pages already went to the printer: new rows under the walk end it there.
        m_build->setRestartOnReplace(false);
        connect(m_build.get(), &ReportBuild::progress, this, &PrintJob::setPercent);
        connect(m_build.get(), &ReportBuild::over, this, [this] {
            setPercent(m_build->percent());
            finish();
        });
        m_build->start();
    } else {
        m_timer = new QTimer(this);
        m_timer->setInterval(0);
        connect(m_timer, &QTimer::timeout, this, &PrintJob::step);
        m_timer->start();
    }

    m_progress->show();
    if (startHook())
        startHook()(*this);
    if (!m_over)
        m_progress->exec();
    m_painter.end();
    return m_pages;
}

}   // namespace txl::print
