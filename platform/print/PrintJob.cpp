#include "platform/print/PrintJob.h"

#include "platform/print/PageRenderer.h"
#include "platform/print/PrintProgress.h"
#include "platform/ui/MessageBoxes.h"

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

} // namespace

PrintJob::PrintJob(const ReportJob &job, QPrinter &printer, QWidget *window)
    : m_printer(printer), m_window(window), m_job(job) {}

PrintJob::PrintJob(QPdfDocument &document, QPrinter &printer, QWidget *window)
    : m_printer(printer), m_window(window), m_document(&document) {}

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

void PrintJob::printPage(const Page &page) {
    if (m_pages > 0)
        m_printer.newPage();
    renderPage(m_painter, page, m_printer.resolution() / 25.4);
    ++m_pages;
    Q_EMIT pagePrinted(m_pages);
}

void PrintJob::printDocumentPage() {
    if (m_document.isNull() || m_cancelled || m_documentPage >= m_document->pageCount()) {
        finish();
        return;
    }
    const QSizeF points = m_document->pagePointSize(m_documentPage);
    const QSize image((points * (DocumentDpi / 72.0)).toSize());
    const QImage picture = m_document->render(m_documentPage, image);
    if (m_pages > 0)
        m_printer.newPage();
    const qreal scale = m_printer.resolution() / 72.0;
    m_painter.drawImage(QRectF(QPointF(0, 0), points * scale), picture);
    ++m_pages;
    ++m_documentPage;
    Q_EMIT pagePrinted(m_pages);
    setPercent(m_documentPage * 100 / std::max(1, m_document->pageCount()));
    if (m_documentPage >= m_document->pageCount())
        finish();
}

void PrintJob::finish() {
    if (m_over)
        return;
    m_over = true;
    if (m_documentTimer != nullptr)
        m_documentTimer->stop();
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
    const QSizeF paper = m_job ? m_job->definition.paper
                               : (m_document ? documentPaper(*m_document) : QSizeF(210, 297));
    m_printer.setFullPage(true);
    preparePagedDevice(m_printer, paper);
    if (!m_painter.begin(&m_printer)) {
        txl::ui::errorReport(u"Printing could not be started"_s);
        return 0;
    }

    m_progress = new PrintProgress(m_window);
    connect(m_progress, &PrintProgress::cancelRequested, this, &PrintJob::cancel);

    if (m_job) {
        m_build = std::make_unique<ReportBuild>(*m_job, [this](Page &&page) { printPage(page); });
        // The pages already went to the printer: new rows under the walk end it there.
        m_build->setRestartOnReplace(false);
        connect(m_build.get(), &ReportBuild::progress, this, &PrintJob::setPercent);
        connect(m_build.get(), &ReportBuild::over, this, [this] {
            setPercent(m_build->percent());
            finish();
        });
        m_build->start();
    } else {
        m_documentTimer = new QTimer(this);
        m_documentTimer->setInterval(0);
        connect(m_documentTimer, &QTimer::timeout, this, &PrintJob::printDocumentPage);
        m_documentTimer->start();
    }

    m_progress->show();
    if (startHook())
        startHook()(*this);
    if (!m_over)
        m_progress->exec();
    m_painter.end();
    return m_pages;
}

} // namespace txl::print
