// The main window over an address book of 100,000 generated contacts: its show handler (reload,
// grid binding, status bar) against the query's own open, and scrolling and moving the current
// row at the top and at the bottom of the list.

#include "bench/Fixtures.h"
#include "bench/Harness.h"

#include "data/DatabaseFile.h"
#include "data/Statements.h"
#include "data/U2.h"
#include "main/UStu.h"
#include "platform/db/Query.h"
#include "platform/ui/DataGrid.h"
#include "platform/ui/Fonts.h"
#include "platform/ui/MessageBoxes.h"
#include "signin/Ulogin.h"

#include <QApplication>
#include <QDir>
#include <QPushButton>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QWindow>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

using namespace Qt::StringLiterals;

namespace {

using namespace txl::bench;

constexpr int Contacts = 100000;
constexpr int Repetitions = 7;
constexpr int Batch = 200;   // moves or scroll steps per timed sample

// The signed-in main window on its own address book, as the hand-over leaves it.
class MainWindowBook {
public:
    static MainWindowBook &get() {
        static MainWindowBook book;
        return book;
    }
    TForm1 &window() { return *Form1; }
    txl::db::Query &query() { return DataModule1->query; }
    // Painting needs the window on the (off-screen) display again after it was shown anew.
    void waitUntilExposed() {
        for (int i = 0; i < 1000 && !(Form1->windowHandle() && Form1->windowHandle()->isExposed()); ++i)
            QApplication::processEvents(QEventLoop::AllEvents, 10);
        QApplication::processEvents();
        if (!Form1->windowHandle()->isExposed())
            throw std::runtime_error("the main window is not on the display");
    }
    void requireNoBox() const { m_boxes.requireNone(); }

private:
    MainWindowBook() : m_book(Contacts) {
        txl::ui::installFontSubstitutions();
        QDir::setCurrent(m_book.folder());
        DataModule1 = new TDataModule1(m_book.path());
        DataModule1->con.open();
        TDataModule1::reload(DataModule1->query, txl::sql::AllAccounts);
        Form2 = new TForm2();
        Form2->setSignedInUser(u"chief"_s);
        Form1 = new TForm1();
        Form1->show();
        QApplication::processEvents();
        if (Form1->grid->model()->rowCount() != Contacts)
            throw std::runtime_error("the grid does not list every contact");
    }
    BoxGuard m_boxes;
    GeneratedBook m_book;
};

// Seconds per step of `step(i)` over a batch, the median of several batches; the view is painted
// after every step, as the screen would show it.
double perStep(const std::function<void(int)> &step) {
    TForm1 &w = MainWindowBook::get().window();
    return medianSeconds(3 * Repetitions,
                         [&] {
                             for (int i = 0; i < Batch; ++i) {
                                 step(i);
                                 w.grid->viewport()->repaint();
                             }
                         }) /
           Batch;
}

void topAgainstBottom(const std::string &what, double top, double bottom) {
    char shown[96];
    std::snprintf(shown, sizeof shown, "row 1 %7.1f us   row 100,000 %7.1f us   ratio %.2f", top * 1e6, bottom * 1e6,
                  bottom / top);
    report(what, shown);
    std::snprintf(shown, sizeof shown, "%.2f", std::max(bottom / top, top / bottom));
    verdict(what + ": far / near", std::max(bottom / top, top / bottom), 1.5, shown);
}

}   // namespace

TXL_BENCH_CASE("main window: show handler") {
    MainWindowBook &book = MainWindowBook::get();
    TForm1 &w = book.window();
    txl::db::Query own(DataModule1->con, u"own"_s);
    const double ratio = compare(
        "show handler / the query's own open", Repetitions,
        [&] {
            // Hiding runs nothing; showing runs the show handler: the reload, the grid taking the
            // new result, the status panels.
            w.hide();
            w.show();
            keep(static_cast<std::size_t>(w.grid->model()->rowCount()));
        },
        [&] {
            own.setSql(txl::sql::AllContacts);
            own.open();
            keep(static_cast<std::size_t>(own.recordCount()));
        },
        [&] { own.close(); });
    if (w.panelText(2) != u"通讯录的总人数为：%1"_s.arg(Contacts))
        throw std::runtime_error("the status bar does not show the total");
    char shown[32];
    std::snprintf(shown, sizeof shown, "%.3f", ratio);
    verdict("show handler / query open", ratio, 1.5, shown);
    book.requireNoBox();
}

TXL_BENCH_CASE("main window: scrolling and moving the current row") {
    MainWindowBook &book = MainWindowBook::get();
    TForm1 &w = book.window();
    txl::db::Query &q = book.query();
    const int lastRow = q.recordCount() - 1;
    book.waitUntilExposed();
    const double paint = perStep([](int) {});

    // The grid's selection moving the query, one row back and forth.
    const double moveTop = perStep([&](int i) { q.moveTo(i % 2); });
    const double moveBottom = perStep([&](int i) { q.moveTo(lastRow - i % 2); });
    topAgainstBottom("grid row change", moveTop, moveBottom);

    // 下一条 and 上一条 alternately, from the first row and from the one before the last.
    q.moveTo(1);
    const double navTop = perStep([&](int i) { (i % 2 ? w.Button5 : w.Button4)->click(); });
    q.moveTo(lastRow - 2);
    const double navBottom = perStep([&](int i) { (i % 2 ? w.Button5 : w.Button4)->click(); });
    topAgainstBottom("下一条 / 上一条", navTop, navBottom);

    // Scrolling by a page, down and back up, at the top and at the bottom of the list.
    QScrollBar *bar = w.grid->verticalScrollBar();
    const int page = bar->pageStep();
    const double scrollTop = perStep([&](int i) { bar->setValue(i % 2 ? 0 : page); });
    const double scrollBottom = perStep([&](int i) { bar->setValue(i % 2 ? bar->maximum() : bar->maximum() - page); });
    topAgainstBottom("scrolling a page", scrollTop, scrollBottom);

    // First and last: the far jumps of 第一条 and 最后一条, each with the view following.
    const double jump = perStep([&](int i) { i % 2 ? q.first() : q.last(); });
    char shown[48];
    std::snprintf(shown, sizeof shown, "%.1f us", jump * 1e6);
    report("first / last jump across 100,000 rows", shown);
    std::snprintf(shown, sizeof shown, "%.1f us", paint * 1e6);
    report("painting the list alone (in every figure above)", shown);
    book.requireNoBox();
}
