#include "tests/support/PdfPrinter.h"
#include "tests/support/TestSupport.h"

#include "data/Statements.h"
#include "data/U2.h"
#include "platform/print/FileDialog.h"
#include "platform/print/PageRenderer.h"
#include "platform/print/PageView.h"
#include "platform/print/PreviewWindow.h"
#include "platform/print/PrintJob.h"
#include "platform/print/Printers.h"
#include "platform/print/QueryRowSource.h"
#include "platform/print/ReportBuild.h"

#include <QAction>
#include <QFile>
#include <QImage>
#include <QPainter>
#include <QPdfDocument>
#include <QPointer>
#include <QScrollArea>
#include <QSignalSpy>
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
    d.detail.elements = {Element::shape(u"cell"_s, {0, 0, 60, 40}),
                         Element::dataField(u"value"_s, {1, 2}, 0, 9)};
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
    return {smallReport(), [rows] { return std::make_unique<ListRows>(names(rows)); }};
}

ReportJob queryJob() {
    return {smallReport(), [] {
                return std::make_unique<QueryRowSource>(DataModule1->query, QStringList{u"姓名"_s});
            }};
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

} // namespace

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
    QTest::keyClick(w->findChild<QScrollArea *>(u"PreviewPages"_s), Qt::Key(key),
                    Qt::KeyboardModifiers(modifiers));
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
        QVERIFY2(button != nullptr && button->isVisible() &&
                     bar->rect().contains(button->geometry()),
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
    QCOMPARE(w->progressText(), u"30%"_s);   // 6 of 20 rows read: the 6th began page 2
    for (C c : {C::PrinterSetup, C::Print, C::Save, C::Load})
        QVERIFY(!w->action(c)->isEnabled());
    QVERIFY(w->action(C::ZoomFit)->isEnabled());
    QVERIFY(w->action(C::Close)->isEnabled());

    w->finishBuild();
    QCOMPARE(w->progressText(), u"100%"_s);
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
    query.deleteRow();           // name003 goes, after it was printed
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

TXL_TEST_MAIN(PrintTest)

#include "test_print.moc"
