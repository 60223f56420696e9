#include "tests/support/PdfPrinter.h"
#include "tests/support/TestSupport.h"

#include "data/Statements.h"
#include "data/U2.h"
#include "platform/print/FileDialog.h"
#include "platform/print/PageRenderer.h"
#include "platform/print/PageView.h"
#include "platform/print/PreviewWindow.h"
#include "platform/print/PrintJob.h"
#include "platform/print/PrintProgress.h"
#include "platform/print/Printers.h"
#include "platform/print/QueryRowSource.h"
#include "platform/print/ReportBuild.h"

#include <QAction>
#include <QDialogButtonBox>
#include <QFile>
#include <QImage>
#include <QPainter>
#include <QPdfDocument>
#include <QPdfSelection>
#include <QPointer>
#include <QPrintDialog>
#include <QPrinter>
#include <QPushButton>
#include <QRegularExpression>
#include <QScrollArea>
#include <QSignalSpy>
#include <QSpinBox>
#include <QToolBar>

using namespace Qt::StringLiterals;
using namespace txl::print;

namespace {

// A small report: a title, one ruled cell with the first field per row, five rows a page.
ReportDefinition smallReport() {
    ReportDefinition d;
    d.pageHeader.height = 20;
    d.pageHeader.elements = {Element::label(u"title"_s, {5, 5}, u"Title"_s, 10)};
    d.columnHeader.height = 10;
    d.columnHeader.elements = {Element::shape(u"head"_s, {0, 0, 60, 10}),
                               Element::label(u"headText"_s, {1, 2}, u"Name"_s, 9)};
    d.detail.height = 40;
    d.detail.elements = {Element::shape(u"cell"_s, {0, 0, 60, 40}), Element::dataField(u"value"_s, {1, 2}, 0, 9)};
    d.pageFooter.height = 10;
    d.pageFooter.elements = {Element::label(u"foot"_s, {1, 1}, u"Footer"_s, 9)};
    d.fields = {u"姓名"_s};
    return d;
}

// Rows from a plain list.
class ListRows : public RowSource {
public:
    explicit ListRows(QStringList names) : m_names(std::move(names)) {}
    void start() override { m_index = 0; }
    bool atEnd() const override { return m_index >= m_names.size(); }
    void fields(std::vector<QAnyStringView> &out) override { out = {m_names[m_index]}; }
    void next() override { ++m_index; }
    int position() const override { return int(m_index); }
    int count() const override { return int(m_names.size()); }

private:
    QStringList m_names;
    qsizetype m_index = 0;
};

QStringList names(int count) {
    QStringList list;
    for (int n = 1; n <= count; ++n)
        list.append(u"name%1"_s.arg(n, 3, 10, QChar(u'0')));
    return list;
}

ReportJob listJob(int rows) {
    return {smallReport(), [rows] { return std::make_unique<ListRows>(names(rows)); }, u"Small report"_s};
}

ReportJob queryJob() {
    return {smallReport(), [] { return std::make_unique<QueryRowSource>(DataModule1->query, QStringList{u"姓名"_s}); },
            u"Small report"_s};
}

// The first field of every row in a PDF file, in order.
QStringList valuesIn(const QString &path) {
    QPdfDocument pdf;
    if (pdf.load(path) != QPdfDocument::Error::None)
        return {u"(cannot load %1)"_s.arg(path)};
    QStringList values;
    for (int page = 0; page < pdf.pageCount(); ++page) {
        const QStringList words = pdf.getAllText(page).text().split(QRegularExpression(u"\\s+"_s));
        for (const QString &word : words)
            if (word.startsWith(u"name"))
                values.append(word);
    }
    return values;
}

// The first field of every row on the pages, in order.
QStringList valuesOf(const std::vector<Page> &pages) {
    QStringList values;
    for (const Page &page : pages)
        for (const Item &item : page.items())
            if (item.kind == Item::Kind::Text && page.text(item).startsWith(u"name"))
                values.append(page.text(item).toString());
    return values;
}

}   // namespace

class PrintTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();

    void zoomModes();
    void pageKeys_data();
    void pageKeys();
    void escapeCloses();
    void everyCommandOnTheToolBar();
    void commandsFollowTheBuild();

    void renderedCellsShareBorders();

    void buildsOnOneCursorTakeTurns();
    void twoPreviewsAtOnce();
    void rowDeletedDuringWalk();
    void failedWalkIsReported();

    void loadRefusesOtherFiles();
    void saveToUnwritablePlace();
    void printLoadedReport();
    void printedPageRange_data();
    void printedPageRange();
    void setupDialogOnlyChooses();
    void saveShowsProgress_data();
    void saveShowsProgress();

private:
    PreviewWindow *open(const ReportJob &job, bool finish = true);

    QList<QPointer<PreviewWindow>> m_windows;
    std::unique_ptr<txl::test::ModuleFixture> m_fixture;
};

void PrintTest::init() {
    txl::ui::Application::instance()->resetForTest();
}

void PrintTest::cleanup() {
    printers::setTestPrinter({});
    PrintJob::setStartHook({});
    for (const QPointer<PreviewWindow> &w : std::as_const(m_windows))
        delete w.data();
    m_windows.clear();
    m_fixture.reset();
}

PreviewWindow *PrintTest::open(const ReportJob &job, bool finish) {
    auto *window = new PreviewWindow();
    m_windows.append(window);
    window->preview(job);
    if (finish)
        window->finishBuild();
    return window;
}

// --- the preview window ----------------------------------------------------------------------

void PrintTest::zoomModes() {
    PreviewWindow *w = open(listJob(20));
    QVERIFY(QTest::qWaitForWindowExposed(w));
    auto *pages = w->findChild<QScrollArea *>(u"PreviewPages"_s);
    const QSize room = pages->maximumViewportSize();
    const QRect sheet = w->pageView()->sheetRect();

    // Initially the page fills the width (leaving room for the scroll bar).
    QCOMPARE(w->zoom(), PreviewWindow::Zoom::Width);
    QVERIFY2(sheet.width() <= room.width() && sheet.width() > room.width() - 60,
             qPrintable(u"%1 in %2"_s.arg(sheet.width()).arg(room.width())));
    QVERIFY(sheet.height() > room.height());

    w->action(PreviewWindow::Command::ZoomFit)->trigger();
    const QRect fit = w->pageView()->sheetRect();
    QVERIFY(fit.width() <= room.width() && fit.height() <= room.height());
    QVERIFY(fit.width() == room.width() - 2 * PageView::Gap ||
            std::abs(fit.height() - (room.height() - 2 * PageView::Gap)) <= 1);

    w->action(PreviewWindow::Command::Zoom100)->trigger();
    QCOMPARE(w->pixelsPerMm(), w->pageView()->logicalDpiX() / 25.4);

    w->action(PreviewWindow::Command::ZoomWidth)->trigger();
    QCOMPARE(w->pageView()->sheetRect().width(), sheet.width());
}

void PrintTest::pageKeys_data() {
    QTest::addColumn<int>("from");
    QTest::addColumn<int>("key");
    QTest::addColumn<int>("modifiers");
    QTest::addColumn<int>("to");
    const int none = Qt::NoModifier;
    const int ctrl = Qt::ControlModifier;
    QTest::newRow("Home") << 2 << int(Qt::Key_Home) << none << 0;
    QTest::newRow("Ctrl+PgUp") << 2 << int(Qt::Key_PageUp) << ctrl << 0;
    QTest::newRow("PgUp") << 2 << int(Qt::Key_PageUp) << none << 1;
    QTest::newRow("PgUp on the first page") << 0 << int(Qt::Key_PageUp) << none << 0;
    QTest::newRow("PgDn") << 0 << int(Qt::Key_PageDown) << none << 1;
    QTest::newRow("PgDn on the last page") << 3 << int(Qt::Key_PageDown) << none << 3;
    QTest::newRow("End") << 0 << int(Qt::Key_End) << none << 3;
    QTest::newRow("Ctrl+PgDn") << 1 << int(Qt::Key_PageDown) << ctrl << 3;
}

void PrintTest::pageKeys() {
    QFETCH(int, from);
    QFETCH(int, key);
    QFETCH(int, modifiers);
    QFETCH(int, to);
    PreviewWindow *w = open(listJob(20));   // 5 rows a page: 4 pages
    QCOMPARE(w->pageCount(), 4);
    for (int i = 0; i < from; ++i)
        w->nextPage();
    QCOMPARE(w->currentPage(), from);
    // The keys reach the page area first, which would otherwise scroll with them.
    QTest::keyClick(w->findChild<QScrollArea *>(u"PreviewPages"_s), Qt::Key(key), Qt::KeyboardModifiers(modifiers));
    QCOMPARE(w->currentPage(), to);
    QCOMPARE(w->pageView()->page(), to);
    QCOMPARE(w->pageText(), u"Page %1 of 4"_s.arg(to + 1));
    QCOMPARE(w->action(PreviewWindow::Command::Prior)->isEnabled(), to > 0);
    QCOMPARE(w->action(PreviewWindow::Command::Next)->isEnabled(), to < 3);
}

void PrintTest::escapeCloses() {
    QPointer<PreviewWindow> w = open(listJob(3));
    QVERIFY(w->isVisible());
    QTest::keyClick(w->findChild<QScrollArea *>(u"PreviewPages"_s), Qt::Key_Escape);
    QVERIFY(w.isNull() || !w->isVisible());
    QTRY_VERIFY(w.isNull());   // freed, with its pages
}

void PrintTest::everyCommandOnTheToolBar() {
    // On the smallest screen the program is meant for, no command hides behind the tool bar's
    // extension button.
    PreviewWindow *w = open(listJob(3));
    w->showNormal();
    w->setGeometry(0, 0, 1024, 768);
    QVERIFY(QTest::qWaitForWindowExposed(w));
    auto *bar = w->findChild<QToolBar *>(u"PreviewToolBar"_s);
    QTRY_COMPARE(bar->width(), 1024);
    for (int c = 0; c <= int(PreviewWindow::Command::Close); ++c) {
        QAction *command = w->action(PreviewWindow::Command(c));
        const QWidget *button = bar->widgetForAction(command);
        QVERIFY2(button != nullptr && button->isVisible() && bar->rect().contains(button->geometry()),
                 qPrintable(command->text()));
    }
}

void PrintTest::commandsFollowTheBuild() {
    PreviewWindow *w = open(listJob(20), false);
    using C = PreviewWindow::Command;
    QVERIFY(w->isBuilding());
    QCOMPARE(w->pageText(), u"Page 0 of 0"_s);
    for (C c : {C::PrinterSetup, C::Print, C::Save, C::Load})
        QVERIFY(!w->action(c)->isEnabled());
    w->build()->runSlice();
    QCOMPARE(w->pageCount(), 1);
    QCOMPARE(w->progressText(), u"Built 30%"_s);   // 6 of 20 rows read: the 6th began page 2
    for (C c : {C::PrinterSetup, C::Print, C::Save, C::Load})
        QVERIFY(!w->action(c)->isEnabled());
    QVERIFY(w->action(C::ZoomFit)->isEnabled());
    QVERIFY(w->action(C::Close)->isEnabled());

    w->finishBuild();
    QCOMPARE(w->progressText(), u"Built 100%"_s);
    QCOMPARE(w->pageText(), u"Page 1 of 4"_s);
    for (C c : {C::PrinterSetup, C::Print, C::Save, C::Load, C::Next, C::Last})
        QVERIFY(w->action(c)->isEnabled());
    for (C c : {C::First, C::Prior})
        QVERIFY(!w->action(c)->isEnabled());
    // The page on screen is drawn when it is painted, from its items.
    QVERIFY(QTest::qWaitForWindowExposed(w));
    QSignalSpy painted(w->pageView(), &PageView::pagePainted);
    w->lastPage();
    w->pageView()->repaint();
    QCOMPARE(painted.count(), 1);
    QCOMPARE(painted.front().front().toInt(), 3);
}

// --- drawing ---------------------------------------------------------------------------------

void PrintTest::renderedCellsShareBorders() {
    // Two cells overlapping by one design pixel, a row below them 0.02 mm further down (the band
    // advance is rounded up), and a bar; drawn at 25 pixels a millimetre.
    Page page({60, 40}, u"Arial"_s);
    page.addCell({1, 1, 20, 10});
    page.addCell({21 - OutlineMm, 1, 20, 10});
    page.addCell({1, 11.02, 20, 10});
    page.addBar({0, 0, 60, 0.5});
    QImage image(1500, 1000, QImage::Format_RGB32);
    image.fill(Qt::gray);
    {
        QPainter painter(&image);
        renderPage(painter, page, 25);
    }
    const auto black = [&image](int x, int y) { return QColor(image.pixel(x, y)).lightness() < 64; };
    // Lines met along a scan: a run of black pixels counts once.
    const auto linesAcross = [&](int y) {
        int lines = 0;
        for (int x = 1; x < 1100; ++x)
            lines += black(x, y) && !black(x - 1, y) ? 1 : 0;
        return lines;
    };
    const auto linesDown = [&](int x) {
        int lines = 0;
        for (int y = 20; y < 600; ++y)
            lines += black(x, y) && !black(x, y - 1) ? 1 : 0;
        return lines;
    };
    QCOMPARE(linesAcross(150), 3);   // left edge, the shared border, right edge
    QCOMPARE(linesDown(250), 3);     // top, the border between the rows (no hair between), bottom
    QCOMPARE(QColor(image.pixel(250, 150)), QColor(Qt::white));
    QVERIFY(black(700, 5) && black(1499, 5) && !black(700, 14));   // the bar: 0.5 mm
}

// --- walking a query -------------------------------------------------------------------------

void PrintTest::buildsOnOneCursorTakeTurns() {
    m_fixture = std::make_unique<txl::test::ModuleFixture>();
    for (const QString &name : names(30))
        m_fixture->addContact({name});
    TDataModule1::reload(DataModule1->query, txl::sql::AllContacts);

    std::vector<Page> first, second;
    ReportBuild a(queryJob(), [&first](Page &&p) { first.push_back(std::move(p)); });
    ReportBuild b(queryJob(), [&second](Page &&p) { second.push_back(std::move(p)); });
    QVERIFY(a.runSlice());
    QVERIFY(!b.runSlice());   // waits: the cursor is a's until it is done
    QCOMPARE(b.state(), ReportBuild::State::Waiting);
    a.runToEnd();
    b.runToEnd();
    QCOMPARE(valuesOf(first), names(30));
    QCOMPARE(valuesOf(second), names(30));
}

void PrintTest::twoPreviewsAtOnce() {
    // Started one after the other and left to the event loop: the second waits for the first.
    m_fixture = std::make_unique<txl::test::ModuleFixture>();
    for (const QString &name : names(40))
        m_fixture->addContact({name});
    TDataModule1::reload(DataModule1->query, txl::sql::AllContacts);
    PreviewWindow *first = open(queryJob(), false);
    PreviewWindow *second = open(queryJob(), false);
    QVERIFY(first->isVisible() && second->isVisible());
    QTRY_VERIFY(!first->isBuilding() && !second->isBuilding());
    QCOMPARE(valuesOf(*first->builtPages()), names(40));
    QCOMPARE(valuesOf(*second->builtPages()), names(40));
    QCOMPARE(DataModule1->query.currentRow(), 39);
    QVERIFY(DataModule1->query.eof());
}

void PrintTest::rowDeletedDuringWalk() {
    m_fixture = std::make_unique<txl::test::ModuleFixture>();
    for (const QString &name : names(30))
        m_fixture->addContact({name});
    auto &query = DataModule1->query;
    TDataModule1::reload(query, txl::sql::AllContacts);

    std::vector<Page> pages;
    ReportBuild build(queryJob(), [&pages](Page &&p) { pages.push_back(std::move(p)); });
    QVERIFY(build.runSlice());   // page 1 made: rows 1-6 read
    QCOMPARE(query.currentRow(), 6);
    query.moveTo(2);
    query.deleteRow();   // name003 goes, after it was printed
    build.runToEnd();
    QCOMPARE(valuesOf(pages), names(30));   // every row once, none skipped
    QCOMPARE(query.currentRow(), 28);
    QVERIFY(query.eof());
}

void PrintTest::failedWalkIsReported() {
    m_fixture = std::make_unique<txl::test::ModuleFixture>();
    m_fixture->addContact({u"someone"_s});
    TDataModule1::reload(DataModule1->query, u"select 性别 from UsersInfo"_s);
    txl::test::BoxRecorder boxes;
    PreviewWindow *w = open(queryJob());
    QCOMPARE(w->build()->state(), ReportBuild::State::Cancelled);
    QCOMPARE(boxes.texts(), QStringList{u"query: Field '姓名' not found."_s});
    QVERIFY(!w->isBuilding());
}

// --- files and printing ----------------------------------------------------------------------

void PrintTest::loadRefusesOtherFiles() {
    txl::test::Workspace place(false);
    QFile other(place.path() + u"/notes.pdf"_s);
    QVERIFY(other.open(QIODevice::WriteOnly));
    other.write("these are not the pages of a report");
    other.close();
    txl::test::BoxRecorder boxes;
    PreviewWindow *w = open(listJob(10));
    FileDialog::setNextFileName(other.fileName());
    w->load();
    QCOMPARE(boxes.boxes().size(), std::size_t(1));
    QCOMPARE(boxes.last().kind, txl::ui::BoxKind::Error);
    QVERIFY(boxes.last().text.contains(u"notes.pdf"_s));
    // The built pages are still there.
    QCOMPARE(w->pageCount(), 2);
    QVERIFY(w->builtPages() != nullptr);
}

void PrintTest::saveToUnwritablePlace() {
    txl::test::Workspace place(false);
    txl::test::BoxRecorder boxes;
    PreviewWindow *w = open(listJob(10));
    const QString path = place.path() + u"/no such folder/report.pdf"_s;
    QVERIFY(!w->saveTo(path));
    QCOMPARE(boxes.boxes().size(), std::size_t(1));
    QCOMPARE(boxes.last().kind, txl::ui::BoxKind::Error);
    QVERIFY(boxes.last().text.startsWith(u"Cannot create file"_s));
    QVERIFY(!QFile::exists(path));
}

void PrintTest::printLoadedReport() {
    txl::test::Workspace place(false);
    const QString saved = place.path() + u"/saved.pdf"_s;
    const QString printed = place.path() + u"/printed.pdf"_s;
    QVERIFY(open(listJob(20))->saveTo(saved));
    txl::test::printIntoPdf(printed);
    PreviewWindow *w = open(listJob(1));
    QVERIFY(w->loadFrom(saved));
    QCOMPARE(w->pageCount(), 4);
    int pages = -1;
    PrintJob::setStartHook([&pages](PrintJob &job) {
        QObject::connect(&job, &PrintJob::over, &job, [&pages, &job] { pages = job.pagesPrinted(); });
    });
    w->print();
    QCOMPARE(pages, 4);
    QPdfDocument pdf;
    QCOMPARE(pdf.load(printed), QPdfDocument::Error::None);
    QCOMPARE(pdf.pageCount(), 4);
}

void PrintTest::printedPageRange_data() {
    QTest::addColumn<bool>("loaded");
    QTest::addColumn<int>("from");   // 0: every page
    QTest::addColumn<int>("to");
    QTest::addColumn<QStringList>("printed");
    const QStringList all = names(20);   // 5 a page: 4 pages
    for (const bool loaded : {false, true}) {
        const QString from = loaded ? u"loaded file, "_s : u"report, "_s;
        QTest::newRow(qPrintable(from + u"every page"_s)) << loaded << 0 << 0 << all;
        QTest::newRow(qPrintable(from + u"page 2 to 2"_s)) << loaded << 2 << 2 << all.mid(5, 5);
        QTest::newRow(qPrintable(from + u"pages 2 to 3"_s)) << loaded << 2 << 3 << all.mid(5, 10);
        QTest::newRow(qPrintable(from + u"page 4 to 4"_s)) << loaded << 4 << 4 << all.mid(15, 5);
    }
}

void PrintTest::printedPageRange() {
    // The range chosen in printer setup is what goes to the printer, named after the report.
    QFETCH(bool, loaded);
    QFETCH(int, from);
    QFETCH(int, to);
    QFETCH(QStringList, printed);
    txl::test::Workspace place(false);
    const QString output = place.path() + u"/printed.pdf"_s;
    printers::setTestPrinter([output, from, to] {
        auto printer = txl::test::pdfPrinter(output);
        if (from > 0) {
            printer->setPrintRange(QPrinter::PageRange);
            printer->setFromTo(from, to);
        }
        return printer;
    });
    PreviewWindow *w = open(listJob(20));
    if (loaded) {
        const QString saved = place.path() + u"/saved.pdf"_s;
        QVERIFY(w->saveTo(saved));
        QVERIFY(w->loadFrom(saved));
    }
    w->printerSetup();
    int percent = -1;
    PrintJob::setStartHook([&percent](PrintJob &job) {
        QObject::connect(&job, &PrintJob::progress, &job, [&percent](int p) { percent = p; });
    });
    w->print();
    QCOMPARE(percent, 100);
    QPdfDocument pdf;
    QCOMPARE(pdf.load(output), QPdfDocument::Error::None);
    // A loaded file is printed as pictures of its pages: they can be counted, not read.
    QCOMPARE(pdf.pageCount(), int(printed.size()) / 5);
    if (!loaded)
        QCOMPARE(valuesIn(output), printed);
    // A loaded file keeps the name it was saved with.
    QCOMPARE(pdf.metaData(QPdfDocument::MetaDataField::Title).toString(), u"Small report"_s);
}

void PrintTest::setupDialogOnlyChooses() {
    // Printer setup chooses the printer, the pages and the copies; printing is the preview's own
    // command, so its button does not say "Print". Pages go from 1 to the report's last.
    txl::test::Workspace place(false);
    auto printer = txl::test::pdfPrinter(place.path() + u"/unused.pdf"_s);
    auto dialog = printers::setupDialog(*printer, 4, nullptr);
    dialog->show();
    QCOMPARE(dialog->windowTitle(), u"Print Setup"_s);
    auto *buttons = dialog->findChild<QDialogButtonBox *>();
    QVERIFY(buttons != nullptr);
    QCOMPARE(buttons->button(QDialogButtonBox::Ok)->text(), u"OK"_s);
    for (const QAbstractButton *button : buttons->buttons())
        QVERIFY2(!button->text().contains(u"Print"_s), qPrintable(button->text()));
    QCOMPARE(dialog->minPage(), 1);
    QCOMPARE(dialog->maxPage(), 4);
    dialog->reject();
}

void PrintTest::saveShowsProgress_data() {
    QTest::addColumn<bool>("cancel");
    QTest::newRow("saved") << false;
    QTest::newRow("cancelled: the file there before stays") << true;
}

void PrintTest::saveShowsProgress() {
    QFETCH(bool, cancel);
    txl::test::Workspace place(false);
    const QString path = place.path() + u"/report.pdf"_s;
    QFile before(path);
    QVERIFY(before.open(QIODevice::WriteOnly));
    before.write("the report saved before");
    before.close();
    txl::test::BoxRecorder boxes;
    PreviewWindow *w = open(listJob(20));
    QString title;
    int percent = -1;
    bool commandsOff = false;
    PrintJob::setStartHook([&](PrintJob &job) {
        title = job.progressWindow()->windowTitle();
        commandsOff = !w->action(PreviewWindow::Command::Save)->isEnabled() &&
                      !w->action(PreviewWindow::Command::Print)->isEnabled();
        QObject::connect(&job, &PrintJob::progress, &job, [&percent](int p) { percent = p; });
        if (cancel)
            job.progressWindow()->findChild<QPushButton *>(u"Cancel"_s)->click();
    });
    QCOMPARE(w->saveTo(path), !cancel);
    QCOMPARE(title, u"Saving progress"_s);
    QVERIFY(commandsOff);
    QVERIFY(boxes.empty());   // a cancel is no failure
    QVERIFY(w->action(PreviewWindow::Command::Save)->isEnabled());
    if (cancel) {
        QFile after(path);
        QVERIFY(after.open(QIODevice::ReadOnly));
        QCOMPARE(after.readAll(), QByteArray("the report saved before"));
        return;
    }
    QCOMPARE(percent, 100);
    QCOMPARE(valuesIn(path), names(20));
    QPdfDocument pdf;
    QCOMPARE(pdf.load(path), QPdfDocument::Error::None);
    QCOMPARE(pdf.metaData(QPdfDocument::MetaDataField::Title).toString(), u"Small report"_s);
}

TXL_TEST_MAIN(PrintTest)

#include "test_print.moc"
