#pragma once

#include "platform/print/ReportBuild.h"

#include <QObject>
#include <QPageRanges>
#include <QPainter>
#include <QPointer>

#include <functional>
#include <memory>
#include <optional>

class QPagedPaintDevice;
class QPdfDocument;
class QPrinter;
class QTimer;

namespace txl::print {

class PrintProgress;

// One run of pages onto a paged device behind a progress window with "Cancel", while the event
// loop goes on: a report built again, directly for the printer, each page going out as soon as it
// is made; a loaded document printed page by page; or built pages written into a PDF file.
//
// On a printer the job carries the document's name and prints only the pages of the range chosen
// in printer setup. Cancelling stops there: the pages made so far are printed (a file being
// written is left for the caller to throw away).
class PrintJob : public QObject {
    Q_OBJECT

public:
    PrintJob(const ReportJob &job, QPrinter &printer, QWidget *window = nullptr);
    PrintJob(QPdfDocument &document, const QString &title, QPrinter &printer, QWidget *window = nullptr);
    // Saving: `pages` into `device` (a PDF writer), which the caller has named.
    PrintJob(const std::vector<Page> &pages, QPagedPaintDevice &device, QWidget *window = nullptr);
    ~PrintJob() override;

    // Runs the job, showing the progress window modally; returns the number of pages output.
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
    PrintJob(QPagedPaintDevice &device, QPrinter *printer, QWidget *window);
    bool wanted(int number) const;
    bool pastRange(int number) const;
    void outputPage(const Page &page);
    void madePage(const Page &page);
    void step();
    bool stepDocument();
    void setPercent(int percent);
    void finish();

    QPagedPaintDevice &m_device;
    QPrinter *m_printer;                  // m_device, when it is a printer
    std::optional<QPageRanges> m_range;   // the pages chosen in printer setup, if any
    QPointer<QWidget> m_window;
    QString m_title;
    std::optional<ReportJob> m_job;
    QPointer<QPdfDocument> m_document;
    const std::vector<Page> *m_pagesToWrite = nullptr;
    std::unique_ptr<ReportBuild> m_build;
    QTimer *m_timer = nullptr;
    int m_made = 0;   // pages made or read so far, whether in the range or not
    QPainter m_painter;
    PrintProgress *m_progress = nullptr;
    int m_pages = 0;
    int m_percent = 0;
    bool m_cancelled = false;
    bool m_over = false;
};

}   // namespace txl::print
