// The contact list report on 100,000 contacts (4,348 pages): how soon the preview shows page 1,
// how long the whole build takes, how that compares with drawing the same items straight into a
// QPicture, what the pages cost in memory, how long input waits while the pages are built, and
// how long saving them takes against printing them.

#include "bench/Fixtures.h"
#include "bench/Harness.h"

#include "data/DatabaseFile.h"
#include "data/Statements.h"
#include "data/U2.h"
#include "platform/print/PageRenderer.h"
#include "platform/print/PageView.h"
#include "platform/print/PreviewWindow.h"
#include "platform/print/Printers.h"
#include "platform/ui/DataGrid.h"
#include "platform/ui/Fonts.h"
#include "platform/ui/MessageBoxes.h"
#include "report/Unit_print.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFontMetricsF>
#include <QPainter>
#include <QPdfDocument>
#include <QPicture>
#include <QPrinter>
#include <QTemporaryDir>
#include <QTimer>

#include <cstdio>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

using namespace Qt::StringLiterals;

namespace {

using namespace txl::bench;
using txl::print::Item;
using txl::print::Page;

constexpr int Contacts = 100000;
constexpr int ExpectedPages = 4348;
constexpr int Repetitions = 3;

// An address book of its own; the main list bound to `query` comes later.
class ReportBook {
public:
    explicit ReportBook() : m_previous(DataModule1), m_book(Contacts) {
        txl::ui::installFontSubstitutions();
        DataModule1 = new TDataModule1(m_book.path());
        DataModule1->con.open();
        TDataModule1::reload(DataModule1->query, txl::sql::AllContacts);
    }
    // The main list, bound to `query` and on screen.
    void showList() {
        m_grid = std::make_unique<txl::ui::DataGrid>(DataModule1->query);
        m_grid->resize(900, 500);
        m_grid->show();
        QApplication::processEvents();
    }
    ~ReportBook() {
        m_grid.reset();
        delete DataModule1;
        DataModule1 = m_previous;
    }
    void requireNoBox() const { m_boxes.requireNone(); }

private:
    TDataModule1 *m_previous;
    BoxGuard m_boxes;
    GeneratedBook m_book;
    std::unique_ptr<txl::ui::DataGrid> m_grid;
};

// The same items drawn the plain way: a QPainter on a QPicture per page, no page lists.
std::size_t drawIntoPictures(const std::vector<Page> &pages) {
    const qreal scale = 96 / 25.4;
    std::size_t bytes = 0;
    for (const Page &page : pages) {
        QPicture picture;
        QPainter painter(&picture);
        painter.setPen(QPen(Qt::black, 1));
        painter.setBrush(Qt::white);
        QFont font(page.fontFamily());
        int halfPoints = -1;
        std::optional<QFontMetricsF> metrics;
        for (const Item &item : page.items()) {
            const QRectF r(item.x * scale, item.y * scale, item.w * scale, item.h * scale);
            switch (item.kind) {
            case Item::Kind::Cell:
                painter.drawRect(r);
                break;
            case Item::Kind::Bar:
                painter.fillRect(r, Qt::black);
                break;
            case Item::Kind::Text: {
                if (item.halfPoints != halfPoints) {
                    halfPoints = item.halfPoints;
                    font.setPointSizeF(item.pointSize());
                    painter.setFont(font);
                    metrics.emplace(painter.font(), &picture);
                }
                const QString text = page.text(item).toString();
                painter.fillRect(QRectF(r.topLeft(), QSizeF(metrics->horizontalAdvance(text), metrics->height())),
                                 Qt::white);
                painter.drawText(QPointF(r.x(), r.y() + metrics->ascent()), text);
                break;
            }
            }
        }
        painter.end();
        bytes += std::size_t(picture.size());
    }
    return bytes;
}

std::string ms(double s) {
    char text[32];
    std::snprintf(text, sizeof text, "%.0f ms", s * 1000);
    return text;
}

}   // namespace

TXL_BENCH_CASE("report: 100,000 contacts") {
    ReportBook book;
    TFrm_printer form;
    const txl::print::ReportJob job = form.reportJob();

    // --- the whole build: walking the query and laying out every page, nothing bound to the query
    std::vector<Page> pages;
    const auto buildAll = [&] {
        pages.clear();
        txl::print::ReportBuild build(job, [&pages](Page &&page) { pages.push_back(std::move(page)); });
        build.runToEnd();
    };
    releaseFreeMemory();
    const std::size_t before = residentBytes();
    buildAll();
    const std::size_t after = residentBytes();
    book.requireNoBox();
    if (int(pages.size()) != ExpectedPages)
        throw std::runtime_error("the report has " + std::to_string(pages.size()) + " pages");
    std::size_t pageBytes = 0;
    std::size_t items = 0;
    for (const Page &page : pages) {
        pageBytes += page.memoryBytes();
        items += page.items().size();
    }
    report("pages, items", std::to_string(pages.size()) + ", " + std::to_string(items));
    report("page lists in memory",
           megabytes(double(pageBytes)) + " (resident growth " + megabytes(double(after) - double(before)) + ")");

    const std::vector<Page> built = pages;   // the items the plain drawing draws
    const double building = medianSeconds(Repetitions, [&] {
        pages.clear();
        buildAll();
    });
    const double drawing = medianSeconds(Repetitions, [&] { keep(drawIntoPictures(built)); });
    pages.clear();
    report("whole build (walk and layout)", ms(building));
    report("drawing the same items into QPictures", ms(drawing));
    char shown[96];
    std::snprintf(shown, sizeof shown, "%.3f", building / drawing);
    verdict("build / QPicture drawing", building / drawing, 1.5, shown);

    // The cursor moves alone, as the walk moves it, with nothing else: what a move costs the
    // list bound to the query is measured below against this.
    auto &query = DataModule1->query;
    const double bareMoves = medianSeconds(Repetitions, [&] {
        query.first();
        while (!query.eof())
            query.next();
    });
    book.showList();
    const double listMoves = seconds([&] {
                                 query.first();
                                 for (int i = 0; i < 20000 && !query.eof(); ++i)
                                     query.next();
                             }) *
                             (Contacts / 20000.0);
    char perRow[96];
    std::snprintf(perRow, sizeof perRow, "%.2f us alone, %.1f us with the list following", bareMoves / Contacts * 1e6,
                  listMoves / Contacts * 1e6);
    report("one cursor move", perRow);

    // --- the command as the user sees it: the preview on screen, built from the event loop with the
    // list following, three times over; the medians count.
    struct Run {
        double firstPage = -1;
        double whole = -1;
        qint64 longestWait = 0;
    };
    std::vector<Run> runs;
    txl::print::PreviewWindow *preview = nullptr;
    TFrm_printer *command = nullptr;
    for (int r = 0; r < Repetitions; ++r) {
        if (preview != nullptr) {
            preview->close();
            delete command;
            QApplication::processEvents();
        }
        Run run;
        QElapsedTimer sinceCommand;
        txl::print::PreviewWindow::setDriver([&](txl::print::PreviewWindow &window) {
            preview = &window;
            QEventLoop loop;
            QObject::connect(window.pageView(), &txl::print::PageView::pagePainted, &loop, [&] {
                if (run.firstPage < 0)
                    run.firstPage = sinceCommand.nsecsElapsed() / 1e9;
            });
            // A tick every 10 ms stands for input: how long it waits shows how responsive we stay.
            QTimer ticker;
            QElapsedTimer sinceTick;
            ticker.setInterval(10);
            QObject::connect(&ticker, &QTimer::timeout, &loop, [&] {
                run.longestWait = std::max(run.longestWait, sinceTick.elapsed());
                sinceTick.restart();
            });
            QObject::connect(window.build(), &txl::print::ReportBuild::over, &loop, [&] {
                run.whole = sinceCommand.nsecsElapsed() / 1e9;
                loop.quit();
            });
            sinceTick.start();
            ticker.start();
            loop.exec();
        });
        sinceCommand.start();
        command = new TFrm_printer();
        command->previewReport();
        txl::print::PreviewWindow::setDriver({});
        book.requireNoBox();
        if (preview == nullptr || preview->pageCount() != ExpectedPages)
            throw std::runtime_error("the preview did not build every page");
        if (DataModule1->query.currentRow() != Contacts - 1 || !DataModule1->query.eof())
            throw std::runtime_error("the query is not on its last row with end-of-data set");
        runs.push_back(run);
    }
    const auto medianOf = [&runs](const auto &field) {
        std::vector<double> values;
        for (const Run &run : runs)
            values.push_back(double(field(run)));
        return median(values);
    };
    const double firstPage = medianOf([](const Run &run) { return run.firstPage; });
    const double whole = medianOf([](const Run &run) { return run.whole; });
    const double longestWait = medianOf([](const Run &run) { return run.longestWait; });
    verdict("first page on screen after the command", firstPage, 0.3, ms(firstPage));
    verdict("whole preview built (with the list following)", whole, 1.0, ms(whole));
    std::snprintf(shown, sizeof shown, "%.2f", whole / drawing);
    verdict("preview with the list / QPicture drawing", whole / drawing, 1.5, shown);
    std::string each;
    for (const Run &run : runs)
        each += (each.empty() ? "" : ", ") + std::to_string(run.longestWait);
    std::snprintf(shown, sizeof shown, "%.0f ms (runs: %s ms)", longestWait, each.c_str());
    verdict("longest wait of input during the build (ms)", longestWait, 50, shown);

    // --- saving the built pages against printing them to a PDF printer (built again from the rows),
    // taking turns; each behind its progress window, as the user runs them.
    QTemporaryDir files;
    const QString printed = files.filePath(u"printed.pdf"_s);
    txl::print::printers::setTestPrinter([printed] {
        auto printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
        printer->setOutputFormat(QPrinter::PdfFormat);
        printer->setOutputFileName(printed);
        return printer;
    });
    const QString saved = files.filePath(u"saved.pdf"_s);
    bool savedAll = true;
    const std::vector<double> outputs = interleavedMedians(
        2, {[&] { savedAll = savedAll && preview->saveTo(saved); }, [&] { preview->print(); }});
    txl::print::printers::setTestPrinter({});
    book.requireNoBox();
    QPdfDocument savedPdf, printedPdf;
    if (!savedAll || savedPdf.load(saved) != QPdfDocument::Error::None || savedPdf.pageCount() != ExpectedPages ||
        printedPdf.load(printed) != QPdfDocument::Error::None || printedPdf.pageCount() != ExpectedPages)
        throw std::runtime_error("the report was not saved and printed whole");
    report("saving the pages (PDF file)", ms(outputs[0]));
    report("printing them (PDF printer)", ms(outputs[1]));
    std::snprintf(shown, sizeof shown, "%.2f", outputs[0] / outputs[1]);
    verdict("saving / printing", outputs[0] / outputs[1], 1.5, shown);
    preview->close();
    delete command;
    QApplication::processEvents();
}
