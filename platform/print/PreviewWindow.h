#pragma once

#include "platform/print/ReportBuild.h"

#include <QMainWindow>

#include <functional>
#include <memory>
#include <optional>

class QAction;
class QEventLoop;
class QLabel;
class QPrinter;
class QScrollArea;

namespace txl::print {

class BuiltPages;
class DocumentPages;
class PageSource;
class PageView;

// The print preview: a window of its own (never modal) that shows a report's pages while they are
// being built, one page at a time, with zoom, page moves, printer setup, print, save and load.
// It frees itself (and its pages) when closed; closing it during the build cancels the build.
class PreviewWindow : public QMainWindow {
    Q_OBJECT

public:
    enum class Zoom { Fit, Actual, Width };
    enum class Command {
        ZoomFit,
        Zoom100,
        ZoomWidth,
        First,
        Prior,
        Next,
        Last,
        PrinterSetup,
        Print,
        Save,
        Load,
        Close
    };

    explicit PreviewWindow(QWidget *parent = nullptr);
    ~PreviewWindow() override;

    // Shows the window maximised and starts building the report's pages into it.
    void preview(const ReportJob &job);
    // Returns when the window is closed. With a driver installed (tests), runs it instead.
    void waitUntilClosed();
    using Driver = std::function<void(PreviewWindow &)>;
    static void setDriver(Driver driver);

    // --- commands
    void zoomToFit();
    void zoomTo100();
    void zoomToWidth();
    void firstPage();
    void priorPage();
    void nextPage();
    void lastPage();
    void printerSetup();
    void print();
    void save();
    void load();
    // Writes the built pages into a PDF file, with the progress of printing and its "Cancel";
    // false when cancelled or when the file cannot be written (reported).
    bool saveTo(const QString &path);
    bool loadFrom(const QString &path);

    // --- state
    QAction *action(Command command) const;
    bool isBuilding() const;
    // Runs the build to its end now (tests and the benchmark; the event loop does it otherwise).
    void finishBuild();
    int percent() const;
    int pageCount() const;
    int currentPage() const { return m_current; }   // 0-based
    Zoom zoom() const { return m_zoom; }
    qreal pixelsPerMm() const;
    QString progressText() const;
    QString pageText() const;
    // The built pages; nullptr while a loaded file is shown.
    const std::vector<Page> *builtPages() const;
    PageView *pageView() const { return m_view; }
    ReportBuild *build() const { return m_build.get(); }

protected:
    void closeEvent(QCloseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QAction *addCommand(Command command, const QString &text, const QString &tip, int icon,
                        void (PreviewWindow::*slot)());
    bool handleKey(const QKeyEvent &event);
    void setSource(std::unique_ptr<PageSource> source);
    void goTo(int page);
    void applyZoom();
    void updateState();
    void onPageMade();
    void onRestarted();
    QString documentTitle() const;

    QScrollArea *m_scroll;
    PageView *m_view;
    QLabel *m_progressLabel;
    QLabel *m_pageLabel;
    std::vector<QAction *> m_actions;

    std::unique_ptr<PageSource> m_source;
    BuiltPages *m_built = nullptr;         // m_source, when it holds built pages
    DocumentPages *m_document = nullptr;   // m_source, when it holds a loaded file
    QString m_documentPath;                // the loaded file
    std::optional<ReportJob> m_job;
    std::unique_ptr<ReportBuild> m_build;
    std::unique_ptr<QPrinter> m_printer;   // chosen in printer setup
    QEventLoop *m_waitLoop = nullptr;

    Zoom m_zoom = Zoom::Width;
    int m_current = 0;
    bool m_printing = false;
};

}   // namespace txl::print
