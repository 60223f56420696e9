#pragma once

#include "platform/print/ReportBuild.h"

#include <QObject>
#include <QPainter>
#include <QPointer>

#include <functional>
#include <memory>
#include <optional>

class QPdfDocument;
class QPrinter;
class QTimer;

namespace txl::print {

class PrintProgress;

// One print run behind the "Printing progress" window. A report is built again, directly for the
// printer, each page going to the printer as soon as it is made; a loaded document is printed
// page by page. Cancelling stops there: the pages made so far are printed.
class PrintJob : public QObject {
    Q_OBJECT

public:
    PrintJob(const ReportJob &job, QPrinter &printer, QWidget *window = nullptr);
    PrintJob(QPdfDocument &document, QPrinter &printer, QWidget *window = nullptr);
    ~PrintJob() override;

    // Prints, showing the progress window modally; returns the number of pages printed.
    int run();
    void cancel();

    int percent() const { return m_percent; }
    int pagesPrinted() const { return m_pages; }
    bool wasCancelled() const { return m_cancelled; }
    PrintProgress *progressWindow() const { return m_progress; }

    // Test hook: called once the job runs and its window is up.
    static void setStartHook(std::function<void(PrintJob &)> hook);

Q_SIGNALS:
    void pagePrinted(int pages);
    void progress(int percent);
    void over();

private:
    void printPage(const Page &page);
    void printDocumentPage();
    void setPercent(int percent);
    void finish();

    QPrinter &m_printer;
    QPointer<QWidget> m_window;
    std::optional<ReportJob> m_job;
    QPointer<QPdfDocument> m_document;
    std::unique_ptr<ReportBuild> m_build;
    QTimer *m_documentTimer = nullptr;
    int m_documentPage = 0;
    QPainter m_painter;
    PrintProgress *m_progress = nullptr;
    int m_pages = 0;
    int m_percent = 0;
    bool m_cancelled = false;
    bool m_over = false;
};

} // namespace txl::print
