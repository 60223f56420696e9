#include "tests/support/PdfPrinter.h"
#include "tests/support/TestSupport.h"

#include "contacts/Unit3.h"
#include "data/Statements.h"
#include "data/U2.h"
#include "platform/os/Regional.h"
#include "platform/print/FileDialog.h"
#include "platform/print/PageRenderer.h"
#include "platform/print/PreviewWindow.h"
#include "platform/print/PrintJob.h"
#include "platform/print/PrintProgress.h"
#include "platform/print/Printers.h"
#include "platform/ui/DataGrid.h"
#include "report/Unit_print.h"

#include <QImage>
#include <QLineEdit>
#include <QPainter>
#include <QPdfDocument>
#include <QPointer>
#include <QPrinterInfo>
#include <QProcess>
#include <QPushButton>
#include <QTimer>

#include <cmath>

using namespace Qt::StringLiterals;
using txl::print::Item;
using txl::print::Page;
using txl::print::PreviewWindow;

namespace {

constexpr double Tolerance = 0.001;   // mm

bool near(double a, double b) {
    return std::abs(a - b) < Tolerance;
}

// Where a text or cell should be, in millimetres on the sheet.
struct Expected {
    Item::Kind kind;
    double x, y, w, h;   // w, h: 0 for texts
    QString text;        // texts only
    double points = 0;
};

QString describe(const Item &item, const Page &page) {
    return u"%1 at %2,%3 size %4x%5 \"%6\" %7pt"_s.arg(int(item.kind))
        .arg(item.x, 0, 'f', 3)
        .arg(item.y, 0, 'f', 3)
        .arg(item.w, 0, 'f', 3)
        .arg(item.h, 0, 'f', 3)
        .arg(page.text(item).toString())
        .arg(item.pointSize());
}

// What a page holds, read back from its items.
struct PageSummary {
    bool title = false;
    bool columnHeader = false;
    bool footer = false;
    int bars = 0;
    int detailRows = 0;
    QList<double> detailTops;
    QStringList names;   // 姓名 of each row, top to bottom
    QString footerTime;
};

PageSummary summarize(const Page &page) {
    PageSummary s;
    for (const Item &item : page.items()) {
        const QString text = page.text(item).toString();
        switch (item.kind) {
        case Item::Kind::Bar:
            ++s.bars;
            break;
        case Item::Kind::Cell:
            // The first column's cell marks a band of the table.
            if (near(item.x, 10.0) && near(item.w, 23.55))
                s.detailTops.append(item.y);
            break;
        case Item::Kind::Text:
            if (text == u"同学录" && near(item.x, 96.78) && near(item.y, 14.23))
                s.title = true;
            else if (text == u"姓名" && near(item.x, 11.85) && near(item.y, 24.84))
                s.columnHeader = true;
            else if (text == u"打印时间：" && near(item.x, 137.0) && near(item.y, 280.63))
                s.footer = true;
            else if (near(item.x, 153.93) && near(item.y, 280.63))
                s.footerTime = text;
            else if (near(item.x, 11.85))
                s.names.append(text);
            break;
        }
    }
    // The band at 21.4 is the column header when its titles are there, else the empty row.
    if (s.columnHeader && !s.detailTops.isEmpty() && near(s.detailTops.front(), 21.4))
        s.detailTops.removeFirst();
    s.detailRows = int(s.detailTops.size());
    return s;
}

QStringList contact(int n) {
    return {u"同学%1"_s.arg(n, 3, 10, QChar(u'0')),
            n % 2 ? u"男"_s : u"女"_s,
            u"1990-01-02"_s,
            u"1380000%1"_s.arg(n, 4, 10, QChar(u'0')),
            u"%1号楼"_s.arg(n),
            u"010-1234567"_s,
            u"%1"_s.arg(10000 + n),
            u"user%1@example.com"_s.arg(n),
            u"北京市海淀区%1号"_s.arg(n)};
}

std::vector<QStringList> contacts(int count) {
    std::vector<QStringList> rows;
    for (int n = 1; n <= count; ++n)
        rows.push_back(contact(n));
    return rows;
}

QString pdfText(const QString &path) {
    QProcess p;
    p.start(u"pdftotext"_s, {u"-layout"_s, path, u"-"_s});
    if (!p.waitForFinished(60000))
        return {};
    return QString::fromUtf8(p.readAllStandardOutput());
}

// Checks that `names` appear in `text` in this order.
bool inOrder(const QString &text, const QStringList &names) {
    qsizetype from = 0;
    for (const QString &name : names) {
        const qsizetype at = text.indexOf(name, from);
        if (at < 0)
            return false;
        from = at + name.size();
    }
    return true;
}

}   // namespace

class ReportTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();

    void pagesOfRows_data();
    void pagesOfRows();
    void positionsOfEveryItem();
    void longValueIsCoveredByNextCell();
    void ruledLinesOneThickness_data();
    void ruledLinesOneThickness();

    void printTimeStampedAtCreation();
    void previewWalksQuery();
    void previewOfFoundRowsOnly();
    void closedQueryPrintsEmpty();
    void userMovesCursorDuringBuild();
    void reloadDuringBuildStartsOver();
    void closingPreviewCancelsBuild();
    void changeDialogDuringBuild();
    void formPerCommandKeptUntilEnd();

    void pdfOf24Rows();
    void saveThenLoad();
    void laterPrintKeepsTime();
    void cancelledPrintKeepsPagesMade();
    void noPrinterInstalled();

private:
    // A fresh database holding contacts 1 to `count`, the list showing them all.
    void withContacts(int count);
    // Runs the print command as the main window does, with the preview captured, not waited for.
    PreviewWindow *runCommand(bool finish = true);

    std::unique_ptr<txl::test::ModuleFixture> m_fixture;
    QList<QPointer<TFrm_printer>> m_forms;
};

void ReportTest::init() {
    txl::ui::Application::instance()->resetForTest();
}

void ReportTest::cleanup() {
    PreviewWindow::setDriver({});
    txl::print::PrintJob::setStartHook({});
    txl::print::printers::setTestPrinter({});
    for (const QPointer<TFrm_printer> &form : std::as_const(m_forms))
        delete form.data();
    m_forms.clear();
    m_fixture.reset();
}

void ReportTest::withContacts(int count) {
    m_fixture = std::make_unique<txl::test::ModuleFixture>();
    for (int n = 1; n <= count; ++n)
        m_fixture->addContact(contact(n));
    TDataModule1::reload(DataModule1->query, txl::sql::AllContacts);
}

PreviewWindow *ReportTest::runCommand(bool finish) {
    QPointer<PreviewWindow> captured;
    PreviewWindow::setDriver([&captured, finish](PreviewWindow &window) {
        captured = &window;
        if (finish)
            window.finishBuild();
    });
    auto *form = txl::ui::Application::instance()->createForm<TFrm_printer>();
    m_forms.append(form);
    form->previewReport();
    return captured.data();
}

// --- layout ----------------------------------------------------------------------------------

void ReportTest::pagesOfRows_data() {
    QTest::addColumn<int>("rows");
    QTest::addColumn<QList<int>>("rowsPerPage");
    QTest::addColumn<bool>("columnHeader");
    QTest::newRow("no rows: one empty row of cells") << 0 << QList<int>{1} << false;
    QTest::newRow("one row") << 1 << QList<int>{1} << true;
    QTest::newRow("23 rows fill page 1") << 23 << QList<int>{23} << true;
    QTest::newRow("the 24th row starts page 2") << 24 << QList<int>{23, 1} << true;
    QTest::newRow("47 rows") << 47 << QList<int>{23, 23, 1} << true;
}

void ReportTest::pagesOfRows() {
    QFETCH(int, rows);
    QFETCH(QList<int>, rowsPerPage);
    QFETCH(bool, columnHeader);

    TFrm_printer form;
    const std::vector<Page> pages = txl::print::layOut(form.Report1, contacts(rows));
    QCOMPARE(int(pages.size()), int(rowsPerPage.size()));
    int row = 1;
    for (std::size_t p = 0; p < pages.size(); ++p) {
        const PageSummary s = summarize(pages[p]);
        QVERIFY2(s.title, qPrintable(u"page %1 has no title"_s.arg(p + 1)));
        QCOMPARE(s.columnHeader, columnHeader);
        QVERIFY(s.footer);
        QCOMPARE(s.footerTime, form.printTimeText());
        QCOMPARE(s.bars, 4);
        QCOMPARE(s.detailRows, rowsPerPage[qsizetype(p)]);
        // Rows start below the column header (or straight below the title when there is none)
        // and follow each other at 10.6 mm.
        const double first = columnHeader ? 32.0 : 21.4;
        for (int r = 0; r < s.detailRows; ++r)
            QVERIFY2(near(s.detailTops[r], first + 10.6 * r),
                     qPrintable(u"page %1 row %2 at %3"_s.arg(p + 1).arg(r + 1).arg(s.detailTops[r])));
        for (const QString &name : s.names)
            QCOMPARE(name, contact(row++).front());
        // The border is drawn last, over everything else.
        const auto &items = pages[p].items();
        for (std::size_t i = items.size() - 4; i < items.size(); ++i)
            QCOMPARE(items[i].kind, Item::Kind::Bar);
    }
    QCOMPARE(row - 1, rows);
}

void ReportTest::positionsOfEveryItem() {
    TFrm_printer form;
    const QStringList row = contact(7);
    const std::vector<Page> pages = txl::print::layOut(form.Report1, {row});
    QCOMPARE(pages.size(), std::size_t(1));
    const Page &page = pages.front();

    // The table of the design: cell left and width, title left and top, value left and top.
    struct Column {
        const char16_t *title;
        double left, width, titleLeft, titleTop, valueLeft, valueTop;
    };
    const Column columns[] = {
        {u"姓名", 0.00, 23.55, 1.85, 3.44, 1.85, 3.70},
        {u"性别", 23.28, 10.85, 23.81, 3.44, 23.81, 3.70},
        {u"出生日期", 33.87, 19.31, 35.19, 3.44, 34.92, 3.70},
        {u"手机号码", 52.92, 21.43, 53.71, 3.70, 53.71, 3.70},
        {u"宿舍号码", 74.08, 21.43, 75.14, 3.70, 74.88, 3.70},
        {u"家庭电话", 95.25, 23.55, 96.84, 3.70, 96.31, 3.70},
        {u"QQ", 118.53, 19.31, 120.12, 3.70, 119.59, 3.70},
        {u"电子邮箱", 137.58, 23.55, 138.64, 3.70, 138.38, 3.70},
        {u"家庭住址", 160.87, 28.84, 161.66, 3.97, 161.66, 3.44},
    };
    const double pt = 25.4 / 72;
    std::vector<Expected> expected;
    expected.push_back({Item::Kind::Text, 96.78, 14.23, 0, 0, u"同学录"_s, 10});
    for (const Column &c : columns) {
        expected.push_back({Item::Kind::Cell, 10 + c.left, 21.4, c.width, 10.58, {}, 0});
        expected.push_back(
            {Item::Kind::Text, 10 + c.titleLeft, 21.4 + c.titleTop, 0, 0, QString::fromUtf16(c.title), 9});
    }
    int field = 0;
    for (const Column &c : columns) {
        expected.push_back({Item::Kind::Cell, 10 + c.left, 32.0, c.width, 10.58, {}, 0});
        expected.push_back({Item::Kind::Text, 10 + c.valueLeft, 32.0 + c.valueTop, 0, 0, row[field++], 9});
    }
    expected.push_back({Item::Kind::Text, 137.00, 280.63, 0, 0, u"打印时间："_s, 9});
    expected.push_back({Item::Kind::Text, 153.93, 280.63, 0, 0, form.printTimeText(), 9});
    expected.push_back({Item::Kind::Bar, 10, 10, 190, pt, {}, 0});
    expected.push_back({Item::Kind::Bar, 10, 287 - pt, 190, pt, {}, 0});
    expected.push_back({Item::Kind::Bar, 10, 10, pt, 277, {}, 0});
    expected.push_back({Item::Kind::Bar, 200 - pt, 10, pt, 277, {}, 0});

    const auto &items = page.items();
    QCOMPARE(items.size(), expected.size());
    for (std::size_t i = 0; i < items.size(); ++i) {
        const Item &item = items[i];
        const Expected &e = expected[i];
        const bool same = item.kind == e.kind && near(item.x, e.x) && near(item.y, e.y) &&
                          (e.kind == Item::Kind::Text ? page.text(item) == e.text && item.pointSize() == e.points
                                                      : near(item.w, e.w) && near(item.h, e.h));
        QVERIFY2(same, qPrintable(u"item %1: %2, expected %3 at %4,%5 \"%6\""_s.arg(i)
                                      .arg(describe(item, page))
                                      .arg(int(e.kind))
                                      .arg(e.x)
                                      .arg(e.y)
                                      .arg(e.text)));
    }
    QCOMPARE(page.paper(), QSizeF(210, 297));
    QCOMPARE(page.fontFamily(), u"Arial"_s);
}

void ReportTest::longValueIsCoveredByNextCell() {
    // A name far wider than its cell: the next cell, drawn after it, hides what runs over.
    TFrm_printer form;
    QStringList row = contact(1);
    row[0] = u"WWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWW"_s;
    const std::vector<Page> pages = txl::print::layOut(form.Report1, {row});
    QImage image(QSize(210 * 4, 297 * 4), QImage::Format_RGB32);
    image.fill(Qt::white);
    {
        QPainter painter(&image);
        txl::print::renderPage(painter, pages.front(), 4.0);
    }
    // 4 pixels a millimetre. Inside the 性别 cell of the row (border at 33.28 mm, its own text
    // from 33.81 mm), from the cell's top border to its bottom one: white, no letter of the name.
    const auto inkIn = [&image](int left, int right) {
        for (int x = left; x <= right; ++x)
            for (int y = 131; y <= 166; ++y)
                if (QColor(image.pixel(x, y)).lightness() < 128)
                    return true;
        return false;
    };
    QVERIFY(!inkIn(134, 134));
    // Inside the name's own cell the letters are drawn.
    QVERIFY(inkIn(60, 120));
}

void ReportTest::ruledLinesOneThickness_data() {
    QTest::addColumn<double>("pixelsPerMm");
    // Zooms to width on common screens, 100 % and a printer's 600 dpi.
    for (const double scale : {3.7795, 4.113, 4.3, 4.61, 5.17, 5.5, 6.02, 7.31, 23.622})
        QTest::newRow(qPrintable(u"%1 px/mm"_s.arg(scale))) << scale;
}

void ReportTest::ruledLinesOneThickness() {
    // A full page drawn at a scale that puts the design's millimetres between pixels: every
    // border the cells share stays one line as thick as one cell's outline.
    QFETCH(double, pixelsPerMm);
    TFrm_printer form;
    const std::vector<Page> pages = txl::print::layOut(form.Report1, contacts(23));
    QImage image((QSizeF(210, 297) * pixelsPerMm).toSize(), QImage::Format_RGB32);
    image.fill(Qt::white);
    {
        QPainter painter(&image);
        txl::print::renderPage(painter, pages.front(), pixelsPerMm);
    }
    const int outline = std::max(1, int(std::lround(txl::print::OutlineMm * pixelsPerMm)));
    const auto px = [pixelsPerMm](double mm) { return int(mm * pixelsPerMm); };
    const auto black = [&image](int x, int y) { return QColor(image.pixel(x, y)).lightness() < 128; };
    // The widths of the black runs met along a scan.
    const auto runs = [&](int from, int to, const auto &at) {
        QList<int> widths;
        for (int i = from; i <= to; ++i) {
            if (!at(i))
                continue;
            int width = 0;
            while (i <= to && at(i)) {
                ++width;
                ++i;
            }
            widths.append(width);
        }
        return widths;
    };
    // Down the 姓名 column, left of its texts: the border under the column header and under
    // every row but the last.
    const QList<int> across = runs(px(21.4 + 1), px(32.0 + 23 * 10.6 - 1), [&](int y) { return black(px(11.0), y); });
    // Along the first row, above its texts: the eight borders between the nine columns.
    const QList<int> down = runs(px(11.0), px(10 + 189.71 - 1), [&](int x) { return black(x, px(32.0 + 1.5)); });
    QCOMPARE(across, QList<int>(23, outline));
    QCOMPARE(down, QList<int>(8, outline));
}

// --- the command ------------------------------------------------------------------------------

void ReportTest::printTimeStampedAtCreation() {
    const QDateTime before = QDateTime::currentDateTime().addSecs(-1);
    TFrm_printer form;
    const QDateTime after = QDateTime::currentDateTime().addSecs(1);
    QVERIFY(form.printTime() >= before && form.printTime() <= after);
    QCOMPARE(form.printTimeText(), txl::os::dateTimeText(form.printTime()));
    QCOMPARE(form.Report1.pageFooter.find(u"QRLabel_time"_s)->text, form.printTimeText());
}

void ReportTest::previewWalksQuery() {
    withContacts(30);
    auto &query = DataModule1->query;
    txl::ui::DataGrid grid(query);

    PreviewWindow *preview = runCommand(false);
    QVERIFY(preview != nullptr);
    QCOMPARE(preview->windowTitle(), u"Print Preview"_s);
    QVERIFY(preview->isVisible());
    QVERIFY(preview->windowState().testFlag(Qt::WindowMaximized));
    QVERIFY(!preview->isModal());
    QVERIFY(preview->isBuilding());
    QVERIFY(!preview->action(PreviewWindow::Command::Print)->isEnabled());
    QVERIFY(!preview->action(PreviewWindow::Command::PrinterSetup)->isEnabled());

    // The first slice ends with page 1, closed by the 24th row; the list follows the cursor the
    // walk moves, now on the 25th.
    preview->build()->runSlice();
    QCOMPARE(preview->pageCount(), 1);
    QCOMPARE(query.currentRow(), 24);
    QCOMPARE(grid.currentIndex().row(), 24);
    QCOMPARE(preview->progressText(), u"Built 80%"_s);
    QCOMPARE(preview->pageText(), u"Page 1 of 1"_s);

    preview->finishBuild();
    QCOMPARE(preview->pageCount(), 2);
    QCOMPARE(preview->progressText(), u"Built 100%"_s);
    QCOMPARE(preview->pageText(), u"Page 1 of 2"_s);
    QVERIFY(preview->action(PreviewWindow::Command::Print)->isEnabled());
    QVERIFY(preview->action(PreviewWindow::Command::PrinterSetup)->isEnabled());
    // Afterwards: the last row, end-of-data set, and the list shows it.
    QCOMPARE(query.currentRow(), 29);
    QVERIFY(query.eof());
    QCOMPARE(grid.currentIndex().row(), 29);
    preview->close();
}

void ReportTest::previewOfFoundRowsOnly() {
    withContacts(30);
    // A search for the women: the even numbers.
    TDataModule1::reload(DataModule1->query, txl::sql::exactSearch(u"性别"_s), {{u"p1"_s, u"女"_s}});
    PreviewWindow *preview = runCommand();
    QVERIFY(preview != nullptr);
    const std::vector<Page> &pages = *preview->builtPages();
    QCOMPARE(pages.size(), std::size_t(1));
    QStringList expected;
    for (int n = 2; n <= 30; n += 2)
        expected.append(contact(n).front());
    QCOMPARE(summarize(pages.front()).names, expected);
    preview->close();
}

void ReportTest::closedQueryPrintsEmpty() {
    withContacts(1);
    DataModule1->query.close();
    PreviewWindow *preview = runCommand();
    QVERIFY(preview != nullptr);
    QCOMPARE(preview->pageCount(), 1);
    const PageSummary s = summarize(preview->builtPages()->front());
    QVERIFY(s.title);
    QVERIFY(!s.columnHeader);
    QCOMPARE(s.detailRows, 1);
    QVERIFY(s.names.isEmpty());
    QVERIFY(!DataModule1->query.isActive());   // not opened by the report
    preview->close();
}

void ReportTest::userMovesCursorDuringBuild() {
    // Input is handled between rows: a click on the list moves the cursor under the walk. The
    // report still lists every row once, in order, and ends on the last row.
    withContacts(30);
    auto &query = DataModule1->query;
    txl::ui::DataGrid grid(query);

    PreviewWindow *preview = runCommand(false);
    preview->build()->runSlice();
    grid.selectRow(2);   // as a click on the third row does
    QCOMPARE(query.currentRow(), 2);
    preview->finishBuild();

    QStringList names;
    for (const Page &page : *preview->builtPages())
        names += summarize(page).names;
    QStringList expected;
    for (int n = 1; n <= 30; ++n)
        expected.append(contact(n).front());
    QCOMPARE(names, expected);
    QCOMPARE(query.currentRow(), 29);
    QVERIFY(query.eof());
    preview->close();
}

void ReportTest::reloadDuringBuildStartsOver() {
    // A search while the pages are built: the report shows the new result, not half of each.
    withContacts(30);
    auto &query = DataModule1->query;

    PreviewWindow *preview = runCommand(false);
    preview->build()->runSlice();
    QCOMPARE(preview->pageCount(), 1);
    TDataModule1::reload(query, txl::sql::exactSearch(u"性别"_s), {{u"p1"_s, u"男"_s}});
    preview->finishBuild();

    QStringList names;
    for (const Page &page : *preview->builtPages())
        names += summarize(page).names;
    QStringList expected;
    for (int n = 1; n <= 30; n += 2)
        expected.append(contact(n).front());
    QCOMPARE(names, expected);
    QCOMPARE(query.currentRow(), 14);
    QVERIFY(query.eof());
    preview->close();
}

void ReportTest::closingPreviewCancelsBuild() {
    withContacts(60);

    QPointer<PreviewWindow> captured;
    txl::print::ReportBuild::State state = txl::print::ReportBuild::State::Waiting;
    PreviewWindow::setDriver([&](PreviewWindow &window) {
        captured = &window;
        window.build()->runSlice();   // page 1 is up
        connect(window.build(), &txl::print::ReportBuild::over, &window,
                [&state, &window] { state = window.build()->state(); });
        window.close();
    });
    auto *form = new TFrm_printer();
    m_forms.append(form);
    form->previewReport();   // returns: the window was closed
    QCOMPARE(state, txl::print::ReportBuild::State::Cancelled);
    QVERIFY(DataModule1->query.currentRow() < 59);
    QVERIFY(!DataModule1->query.eof());
    // The closed preview goes away with its pages.
    QTRY_VERIFY(captured.isNull());
}

void ReportTest::changeDialogDuringBuild() {
    // The main window stays usable while the pages are built. A contact changed meanwhile is the
    // one the dialog shows, not whichever row the walk has moved the cursor to.
    withContacts(60);
    auto &query = DataModule1->query;

    PreviewWindow *preview = runCommand(false);
    preview->build()->runSlice();   // page 1 is up; the event loop builds the rest
    query.moveTo(2);                // the user picks the third contact and opens it
    txl::test::BoxRecorder boxes;
    bool stillBuilding = false;
    txl::ui::Form::setModalDriver([&](txl::ui::Form &form) {
        auto &dialog = static_cast<TAdd &>(form);
        QCOMPARE(dialog.edname->text(), contact(3).front());
        QTest::qWait(200);   // the user types, and events go on being handled
        stillBuilding = preview->isBuilding();
        dialog.edname->setText(u"改了名"_s);
        dialog.Button1->click();
    });
    TAdd::openForChange();
    txl::ui::Form::setModalDriver({});
    QVERIFY(stillBuilding);
    QCOMPARE(boxes.texts(), QStringList{u"修改成功！"_s});

    // Once the dialog is gone the build goes on to the end.
    QTRY_VERIFY(!preview->isBuilding());
    QCOMPARE(preview->pageCount(), 3);
    QCOMPARE(query.currentRow(), 59);
    QVERIFY(query.eof());
    txl::db::Query stored(DataModule1->con, u"check"_s);
    stored.setSql(u"select 姓名 from UsersInfo order by rowid"_s);
    stored.open();
    QStringList names;
    for (int r = 0; r < stored.recordCount(); ++r)
        names.append(stored.value(r, 0));
    QStringList expected;
    for (int n = 1; n <= 60; ++n)
        expected.append(n == 3 ? u"改了名"_s : contact(n).front());
    QCOMPARE(names, expected);
    preview->close();
}

void ReportTest::formPerCommandKeptUntilEnd() {
    withContacts(0);
    PreviewWindow *first = runCommand();
    QPointer<TFrm_printer> firstForm = m_forms.back();
    first->close();
    PreviewWindow *second = runCommand();
    QPointer<TFrm_printer> secondForm = m_forms.back();
    QVERIFY(firstForm != secondForm);
    QCOMPARE(Frm_printer, secondForm.data());
    second->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(!firstForm.isNull());
    QVERIFY(!secondForm.isNull());
    QVERIFY(firstForm->isHidden());
}

// --- files and printing -----------------------------------------------------------------------

void ReportTest::pdfOf24Rows() {
    withContacts(24);
    PreviewWindow *preview = runCommand();
    const QString path = m_fixture->path() + u"/report"_s;
    txl::print::FileDialog::setNextFileName(path);
    preview->save();
    preview->close();

    QPdfDocument pdf;
    QCOMPARE(pdf.load(path + u".pdf"_s), QPdfDocument::Error::None);
    QCOMPARE(pdf.pageCount(), 2);
    QCOMPARE(pdf.metaData(QPdfDocument::MetaDataField::Title).toString(),
             u"同学录 "_s + m_forms.back()->printTimeText());
    const QString text = pdfText(path + u".pdf"_s);
    QStringList names;
    for (int n = 1; n <= 24; ++n)
        names.append(contact(n).front());
    QVERIFY2(inOrder(text, names), qPrintable(text.left(2000)));
    QVERIFY(text.contains(u"同学录"_s));
    QVERIFY(text.contains(u"打印时间："_s));
    QVERIFY(text.contains(u"家庭住址"_s));
}

void ReportTest::saveThenLoad() {
    withContacts(47);
    PreviewWindow *preview = runCommand();
    QCOMPARE(preview->pageCount(), 3);
    const QString path = m_fixture->path() + u"/saved.pdf"_s;
    QVERIFY(preview->saveTo(path));

    PreviewWindow *other = runCommand();
    txl::print::FileDialog::setNextFileName(path);
    other->load();
    QCOMPARE(other->pageCount(), 3);
    QVERIFY(other->builtPages() == nullptr);
    QCOMPARE(other->pageText(), u"Page 1 of 3"_s);
    other->lastPage();
    QCOMPARE(other->pageText(), u"Page 3 of 3"_s);
    // Saving the loaded report again gives the same file.
    const QString again = m_fixture->path() + u"/again.pdf"_s;
    QVERIFY(other->saveTo(again));
    QPdfDocument pdf;
    QCOMPARE(pdf.load(again), QPdfDocument::Error::None);
    QCOMPARE(pdf.pageCount(), 3);
    preview->close();
    other->close();
}

void ReportTest::laterPrintKeepsTime() {
    withContacts(30);
    const QString printed = m_fixture->path() + u"/printed.pdf"_s;
    txl::test::printIntoPdf(printed);
    PreviewWindow *preview = runCommand();
    const QString stamped = m_forms.back()->printTimeText();
    for (const Page &page : *preview->builtPages())
        QCOMPARE(summarize(page).footerTime, stamped);

    // Printed a while after the command: the footer still shows the command's moment.
    QTRY_VERIFY(txl::os::dateTimeText(QDateTime::currentDateTime()) != stamped);
    int percentSeen = -1;
    txl::print::PrintJob::setStartHook([&percentSeen](txl::print::PrintJob &job) {
        QCOMPARE(job.progressWindow()->windowTitle(), u"Printing progress"_s);
        QVERIFY(job.progressWindow()->findChild<QPushButton *>(u"Cancel"_s) != nullptr);
        connect(&job, &txl::print::PrintJob::progress, &job, [&percentSeen](int percent) { percentSeen = percent; });
    });
    preview->print();
    QCOMPARE(percentSeen, 100);
    QPdfDocument pdf;
    QCOMPARE(pdf.load(printed), QPdfDocument::Error::None);
    QCOMPARE(pdf.pageCount(), 2);
    // The job is named after the report and the moment of the command, as its footer is.
    QCOMPARE(pdf.metaData(QPdfDocument::MetaDataField::Title).toString(), u"同学录 "_s + stamped);
    const QString text = pdfText(printed);
    QCOMPARE(text.count(stamped), 2);
    // Printing walked the rows once more and left them as the preview did.
    QCOMPARE(DataModule1->query.currentRow(), 29);
    QVERIFY(DataModule1->query.eof());
    preview->close();
}

void ReportTest::cancelledPrintKeepsPagesMade() {
    withContacts(70);
    const QString printed = m_fixture->path() + u"/cancelled.pdf"_s;
    txl::test::printIntoPdf(printed);
    PreviewWindow *preview = runCommand();
    QCOMPARE(preview->pageCount(), 4);

    int pagesPrinted = 0;
    txl::print::PrintJob::setStartHook([&pagesPrinted](txl::print::PrintJob &job) {
        QPushButton *cancel = job.progressWindow()->findChild<QPushButton *>(u"Cancel"_s);
        // The user presses Cancel once the first page is out, between two slices.
        connect(&job, &txl::print::PrintJob::pagePrinted, cancel, [cancel](int pages) {
            if (pages == 1)
                QTimer::singleShot(0, cancel, &QPushButton::click);
        });
        connect(&job, &txl::print::PrintJob::over, &job, [&pagesPrinted, &job] { pagesPrinted = job.pagesPrinted(); });
    });
    preview->print();
    QVERIFY(pagesPrinted >= 1 && pagesPrinted < 4);
    QPdfDocument pdf;
    QCOMPARE(pdf.load(printed), QPdfDocument::Error::None);
    QCOMPARE(pdf.pageCount(), pagesPrinted);
    const QString text = pdfText(printed);
    QVERIFY(text.contains(contact(1).front()));
    QVERIFY(!text.contains(contact(70).front()));
    preview->close();
}

void ReportTest::noPrinterInstalled() {
    if (!QPrinterInfo::defaultPrinter().isNull())
        QSKIP("this machine has a default printer");
    withContacts(1);
    txl::test::BoxRecorder boxes;
    bool printStarted = false;
    txl::print::PrintJob::setStartHook([&printStarted](txl::print::PrintJob &) { printStarted = true; });
    PreviewWindow *preview = runCommand();
    QCOMPARE(preview->pageCount(), 1);   // the preview works

    preview->action(PreviewWindow::Command::Print)->trigger();
    QVERIFY(!printStarted);
    QVERIFY(boxes.empty());

    preview->action(PreviewWindow::Command::PrinterSetup)->trigger();
    QCOMPARE(int(boxes.boxes().size()), 1);
    QCOMPARE(boxes.last().kind, txl::ui::BoxKind::Error);
    QCOMPARE(boxes.last().text, u"There is no default printer currently selected."_s);
    preview->close();
}

TXL_TEST_MAIN(ReportTest)

#include "test_report.moc"
