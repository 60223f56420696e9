#include "platform/print/PreviewWindow.h"

#include "platform/print/FileDialog.h"
#include "platform/print/PageRenderer.h"
#include "platform/print/PageSource.h"
#include "platform/print/PageView.h"
#include "platform/print/PrintJob.h"
#include "platform/print/Printers.h"
#include "platform/ui/Guard.h"
#include "platform/ui/MessageBoxes.h"

#include <QAction>
#include <QCloseEvent>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QPdfDocument>
#include <QPdfWriter>
#include <QPrinter>
#include <QSaveFile>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QStatusBar>
#include <QStyle>
#include <QToolBar>

#include <algorithm>

using namespace Qt::StringLiterals;

namespace txl::print {

namespace {

PreviewWindow::Driver &driver() {
    static PreviewWindow::Driver installed;
    return installed;
}

constexpr int NoIcon = -1;

const QString FileFilter = u"PDF files (*.pdf)"_s;

}   // namespace

PreviewWindow::PreviewWindow(QWidget *parent)
    : QMainWindow(parent, Qt::Window),
      m_scroll(new QScrollArea(this)),
      m_view(new PageView),
      m_progressLabel(new QLabel(this)),
      m_pageLabel(new QLabel(this)) {
    setObjectName(u"PreviewWindow"_s);
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(u"Print Preview"_s);
    resize(900, 700);

    auto *bar = addToolBar(u"Preview"_s);
    bar->setObjectName(u"PreviewToolBar"_s);
    bar->setMovable(false);
    bar->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    m_actions.resize(std::size_t(Command::Close) + 1, nullptr);
    addCommand(Command::ZoomFit, u"Zoom to fit"_s, u"Whole page"_s, NoIcon, &PreviewWindow::zoomToFit);
    addCommand(Command::Zoom100, u"100 %"_s, u"Actual size"_s, NoIcon, &PreviewWindow::zoomTo100);
    addCommand(Command::ZoomWidth, u"Zoom to width"_s, u"Page width"_s, NoIcon, &PreviewWindow::zoomToWidth);
    bar->addSeparator();
    addCommand(Command::First, u"First page"_s, u"First page (Home, Ctrl+PgUp)"_s, QStyle::SP_MediaSkipBackward,
               &PreviewWindow::firstPage);
    addCommand(Command::Prior, u"Previous page"_s, u"Previous page (PgUp)"_s, QStyle::SP_MediaSeekBackward,
               &PreviewWindow::priorPage);
    addCommand(Command::Next, u"Next page"_s, u"Next page (PgDn)"_s, QStyle::SP_MediaSeekForward,
               &PreviewWindow::nextPage);
    addCommand(Command::Last, u"Last page"_s, u"Last page (End, Ctrl+PgDn)"_s, QStyle::SP_MediaSkipForward,
               &PreviewWindow::lastPage);
    bar->addSeparator();
    addCommand(Command::PrinterSetup, u"Printer setup"_s, u"Printer setup"_s, NoIcon, &PreviewWindow::printerSetup);
    addCommand(Command::Print, u"Print"_s, u"Print the report"_s, NoIcon, &PreviewWindow::print);
    bar->addSeparator();
    addCommand(Command::Save, u"Save"_s, u"Save the report to a file"_s, QStyle::SP_DialogSaveButton,
               &PreviewWindow::save);
    addCommand(Command::Load, u"Load"_s, u"Load a saved report"_s, QStyle::SP_DialogOpenButton, &PreviewWindow::load);
    bar->addSeparator();
    addCommand(Command::Close, u"Close"_s, u"Close the preview (Esc)"_s, QStyle::SP_DialogCloseButton, nullptr);
    connect(action(Command::Close), &QAction::triggered, this, &QWidget::close);
    // The page moves show their icons only, so that every command fits on a screen 1024 pixels
    // wide; their names and keys are in their tips.
    for (Command c : {Command::First, Command::Prior, Command::Next, Command::Last})
        action(c)->setPriority(QAction::LowPriority);
    for (QAction *a : std::as_const(m_actions))
        bar->addAction(a);

    m_scroll->setObjectName(u"PreviewPages"_s);
    m_scroll->setBackgroundRole(QPalette::Dark);
    m_scroll->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    m_scroll->setWidgetResizable(false);
    m_scroll->setWidget(m_view);
    m_scroll->setFocusPolicy(Qt::StrongFocus);
    m_scroll->installEventFilter(this);
    m_scroll->viewport()->installEventFilter(this);
    setCentralWidget(m_scroll);
    m_scroll->setFocus();

    statusBar()->addWidget(m_progressLabel);
    statusBar()->addWidget(m_pageLabel);

    setSource(std::make_unique<BuiltPages>());
}

PreviewWindow::~PreviewWindow() {
    // The build goes first: it hands its last page to the page list.
    m_build.reset();
    m_view->setSource(nullptr);
    if (m_waitLoop != nullptr)
        m_waitLoop->quit();
}

QAction *PreviewWindow::addCommand(Command command, const QString &text, const QString &tip, int icon,
                                   void (PreviewWindow::*slot)()) {
    auto *a = icon == NoIcon ? new QAction(text, this)
                             : new QAction(style()->standardIcon(QStyle::StandardPixmap(icon)), text, this);
    a->setToolTip(tip);
    if (slot != nullptr)
        connect(a, &QAction::triggered, this, txl::ui::guard(this, slot));
    m_actions[std::size_t(command)] = a;
    return a;
}

QAction *PreviewWindow::action(Command command) const {
    return m_actions[std::size_t(command)];
}

void PreviewWindow::setDriver(Driver installed) {
    driver() = std::move(installed);
}

// --- the report ------------------------------------------------------------------------------

void PreviewWindow::setSource(std::unique_ptr<PageSource> source) {
    m_view->setSource(nullptr);
    m_source = std::move(source);
    m_built = dynamic_cast<BuiltPages *>(m_source.get());
    m_document = dynamic_cast<DocumentPages *>(m_source.get());
    m_current = 0;
    m_view->setPage(0);
    m_view->setSource(m_source.get());
    applyZoom();
    updateState();
}

void PreviewWindow::preview(const ReportJob &job) {
    m_job = job;
    setSource(std::make_unique<BuiltPages>());
    m_build = std::make_unique<ReportBuild>(job, [this](Page &&page) { m_built->pages().push_back(std::move(page)); });
    connect(m_build.get(), &ReportBuild::pageMade, this, &PreviewWindow::onPageMade);
    connect(m_build.get(), &ReportBuild::progress, this, &PreviewWindow::updateState);
    connect(m_build.get(), &ReportBuild::over, this, &PreviewWindow::updateState);
    connect(m_build.get(), &ReportBuild::restarted, this, &PreviewWindow::onRestarted);
    // The whole screen even where no window manager honours the maximised state.
    if (const QScreen *where = screen() != nullptr ? screen() : QGuiApplication::primaryScreen())
        setGeometry(where->availableGeometry());
    showMaximized();
    // The keys work at once, also where no window manager hands the new window the focus.
    activateWindow();
    updateState();
    m_build->start();
}

void PreviewWindow::waitUntilClosed() {
    if (Driver run = driver()) {
        run(*this);
        return;
    }
    if (!isVisible())
        return;
    const QPointer<PreviewWindow> self(this);
    QEventLoop loop;
    m_waitLoop = &loop;
    loop.exec();
    if (self)
        m_waitLoop = nullptr;
}

void PreviewWindow::onPageMade() {
    const int count = pageCount();
    if (count == 1)
        applyZoom();   // the paper is known now
    if (m_current == count - 1)
        m_view->refresh();
    updateState();
}

void PreviewWindow::onRestarted() {
    m_built->pages().clear();
    m_current = 0;
    m_view->setPage(0);
    m_view->refresh();
    updateState();
}

bool PreviewWindow::isBuilding() const {
    return m_build && !m_build->isOver();
}

void PreviewWindow::finishBuild() {
    if (m_build)
        m_build->runToEnd();
}

int PreviewWindow::percent() const {
    return m_build ? m_build->percent() : 100;
}

int PreviewWindow::pageCount() const {
    return m_source ? m_source->pageCount() : 0;
}

const std::vector<Page> *PreviewWindow::builtPages() const {
    return m_built != nullptr ? &m_built->pages() : nullptr;
}

QString PreviewWindow::progressText() const {
    return u"Built %1%"_s.arg(percent());
}

QString PreviewWindow::pageText() const {
    const int count = pageCount();
    return u"Page %1 of %2"_s.arg(count == 0 ? 0 : m_current + 1).arg(count);
}

void PreviewWindow::updateState() {
    const int count = pageCount();
    const bool building = isBuilding();
    const bool ready = !building && !m_printing;
    action(Command::First)->setEnabled(m_current > 0);
    action(Command::Prior)->setEnabled(m_current > 0);
    action(Command::Next)->setEnabled(m_current + 1 < count);
    action(Command::Last)->setEnabled(m_current + 1 < count);
    action(Command::PrinterSetup)->setEnabled(ready);
    action(Command::Print)->setEnabled(ready && count > 0);
    action(Command::Save)->setEnabled(ready && count > 0);
    action(Command::Load)->setEnabled(ready);
    m_progressLabel->setText(progressText());
    m_pageLabel->setText(pageText());
}

// --- pages and zoom --------------------------------------------------------------------------

void PreviewWindow::goTo(int page) {
    const int count = pageCount();
    if (count == 0)
        return;
    page = std::clamp(page, 0, count - 1);
    if (page == m_current)
        return;
    m_current = page;
    m_view->setPage(page);
    m_scroll->verticalScrollBar()->setValue(0);
    updateState();
}

void PreviewWindow::firstPage() {
    goTo(0);
}
void PreviewWindow::priorPage() {
    goTo(m_current - 1);
}
void PreviewWindow::nextPage() {
    goTo(m_current + 1);
}
void PreviewWindow::lastPage() {
    goTo(pageCount() - 1);
}

void PreviewWindow::zoomToFit() {
    m_zoom = Zoom::Fit;
    applyZoom();
}

void PreviewWindow::zoomTo100() {
    m_zoom = Zoom::Actual;
    applyZoom();
}

void PreviewWindow::zoomToWidth() {
    m_zoom = Zoom::Width;
    applyZoom();
}

qreal PreviewWindow::pixelsPerMm() const {
    return m_view->scale();
}

void PreviewWindow::applyZoom() {
    const QSizeF paper = pageCount() > 0 ? m_source->paper(m_current) : QSizeF(210, 297);
    const QSize room = m_scroll->maximumViewportSize() - QSize(2 * PageView::Gap, 2 * PageView::Gap);
    qreal scale = 1;
    switch (m_zoom) {
    case Zoom::Actual:
        scale = m_view->logicalDpiX() / 25.4;
        break;
    case Zoom::Width: {
        // Leave room for the vertical scroll bar a page wider than it is tall-fitting needs.
        const int bar = style()->pixelMetric(QStyle::PM_ScrollBarExtent);
        scale = (room.width() - bar) / paper.width();
        break;
    }
    case Zoom::Fit:
        scale = std::min(room.width() / paper.width(), room.height() / paper.height());
        break;
    }
    m_view->setScale(std::max(scale, 0.5));
}

// --- printing, files -------------------------------------------------------------------------

void PreviewWindow::printerSetup() {
    if (!printers::haveDefault()) {
        txl::ui::errorReport(u"There is no default printer currently selected"_s);
        return;
    }
    if (!m_printer)
        m_printer = printers::makeDefault();
    if (m_printer)
        printers::setUp(*m_printer, pageCount(), this);
}

void PreviewWindow::print() {
    if (isBuilding() || m_printing || pageCount() == 0)
        return;
    if (!m_printer) {
        if (!printers::haveDefault())
            return;   // nothing to print on
        m_printer = printers::makeDefault();
        if (!m_printer)
            return;
    }
    m_printing = true;
    updateState();
    const QPointer<PreviewWindow> self(this);
    if (m_document != nullptr) {
        PrintJob job(m_document->document(), documentTitle(), *m_printer, this);
        job.run();
    } else if (m_job) {
        // The report is built again, straight for the printer, from the rows as they are now.
        PrintJob job(*m_job, *m_printer, this);
        job.run();
    }
    if (!self)
        return;
    m_printing = false;
    updateState();
}

void PreviewWindow::save() {
    QString name = FileDialog::saveFileName(this, u"Save Report"_s, FileFilter, nullptr, u"report"_s);
    if (name.isEmpty())
        return;
    if (QFileInfo(name).suffix().isEmpty())
        name += u".pdf"_s;
    saveTo(name);
}

bool PreviewWindow::saveTo(const QString &path) {
    if (isBuilding() || m_printing)
        return false;
    bool written = false;
    bool cancelled = false;
    if (m_built != nullptr) {
        // Written beside the file and put in its place once complete: a cancelled or failed save
        // leaves whatever was there before.
        QSaveFile file(path);
        if (file.open(QIODevice::WriteOnly)) {
            m_printing = true;
            updateState();
            const QPointer<PreviewWindow> self(this);
            {
                QPdfWriter writer(&file);
                writer.setCreator(u"txl"_s);
                writer.setTitle(m_job ? m_job->title : QString());
                writer.setResolution(1200);
                PrintJob job(m_built->pages(), writer, this);
                job.run();
                cancelled = job.wasCancelled();
                written = !cancelled && job.pagesPrinted() == int(m_built->pages().size());
            }
            if (!self)
                return false;
            m_printing = false;
            updateState();
            written = written && file.commit();
        }
    } else if (m_document != nullptr) {
        const QString &from = m_documentPath;
        if (QFileInfo(from) == QFileInfo(path)) {
            written = true;
        } else {
            QFile::remove(path);
            written = QFile::copy(from, path);
        }
    }
    if (!written && !cancelled)
        txl::ui::errorReport(u"Cannot create file \"%1\""_s.arg(QFileInfo(path).absoluteFilePath()));
    return written;
}

QString PreviewWindow::documentTitle() const {
    if (m_document == nullptr)
        return {};
    const QString title = m_document->document().metaData(QPdfDocument::MetaDataField::Title).toString();
    return title.isEmpty() ? QFileInfo(m_documentPath).completeBaseName() : title;
}

void PreviewWindow::load() {
    const QString name = FileDialog::openFileName(this, u"Load Report"_s, FileFilter, u"report"_s);
    if (name.isEmpty())
        return;
    loadFrom(name);
}

bool PreviewWindow::loadFrom(const QString &path) {
    if (isBuilding())
        return false;
    auto document = std::make_unique<QPdfDocument>();
    const QPdfDocument::Error error = document->load(path);
    if (error != QPdfDocument::Error::None || document->pageCount() == 0) {
        txl::ui::errorReport(u"Cannot load \"%1\": it is not a saved report"_s.arg(QFileInfo(path).fileName()));
        return false;
    }
    // What is shown now is the file: printing prints its pages, not the rows again.
    m_build.reset();
    m_job.reset();
    setSource(std::make_unique<DocumentPages>(std::move(document)));
    m_documentPath = QFileInfo(path).absoluteFilePath();
    return true;
}

// --- window ----------------------------------------------------------------------------------

void PreviewWindow::closeEvent(QCloseEvent *event) {
    if (m_printing) {
        // The print run below holds this window; its own window is the one to cancel.
        event->ignore();
        return;
    }
    if (m_build)
        m_build->cancel();
    QMainWindow::closeEvent(event);
    if (m_waitLoop != nullptr)
        m_waitLoop->quit();
}

bool PreviewWindow::handleKey(const QKeyEvent &event) {
    const bool ctrl = event.modifiers().testFlag(Qt::ControlModifier);
    switch (event.key()) {
    case Qt::Key_Home:
        firstPage();
        return true;
    case Qt::Key_End:
        lastPage();
        return true;
    case Qt::Key_PageUp:
        ctrl ? firstPage() : priorPage();
        return true;
    case Qt::Key_PageDown:
        ctrl ? lastPage() : nextPage();
        return true;
    case Qt::Key_Escape:
        close();
        return true;
    default:
        return false;
    }
}

void PreviewWindow::keyPressEvent(QKeyEvent *event) {
    if (handleKey(*event))
        return;
    QMainWindow::keyPressEvent(event);
}

bool PreviewWindow::eventFilter(QObject *watched, QEvent *event) {
    if (event->type() == QEvent::KeyPress && (watched == m_scroll || watched == m_scroll->viewport())) {
        // Before the scroll area takes the page keys for scrolling.
        if (handleKey(*static_cast<QKeyEvent *>(event)))
            return true;
    }
    if (event->type() == QEvent::Resize && watched == m_scroll && m_zoom != Zoom::Actual)
        applyZoom();
    return QMainWindow::eventFilter(watched, event);
}

}   // namespace txl::print
