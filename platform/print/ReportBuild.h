#pragma once

#include "platform/print/ReportLayout.h"
#include "platform/print/RowSource.h"

#include <QObject>

#include <chrono>
#include <functional>
#include <memory>

namespace txl::print {

// Half a frame of the screen (at least a millisecond): work done from the event loop runs no longer
// at a time, so the other half draws the windows, what follows the work moves as smoothly as the
// screen can show it, and input never waits longer than a frame.
std::chrono::milliseconds sliceTime();

// A report ready to be built, as often as needed: its design and where its rows come from.
struct ReportJob {
    ReportDefinition definition;
    // Makes a fresh walk over the rows; may return nullptr for "no rows".
    std::function<std::unique_ptr<RowSource>()> rows;
    // The document's name: the title of a print job and of a saved file.
    QString title;
};

// One build of a report, run in slices from the event loop so that the window stays responsive
// and other input is handled between rows. Finished pages go to the sink as they are made.
//
// Builds over the same rows (the same cursor) take turns: a build waits until the ones started
// before it on that cursor are finished.
class ReportBuild : public QObject {
    Q_OBJECT

public:
    enum class State { Waiting, Running, Finished, Cancelled };

    ReportBuild(const ReportJob &job, PageBuilder::Sink sink, QObject *parent = nullptr);
    ~ReportBuild() override;

    // Schedules the slices on the event loop. While a modal window other than the printing
    // progress is open, no slice runs, so the cursor stays on the row that window acts on.
    void start();
    // Stops reading rows; the page in progress is closed and handed to the sink. Called from the
    // sink or a signal during a slice, it takes effect as soon as the current row is placed.
    void cancel();

    // Runs one slice now: rows for about `budget`, and no further than the end of the first page.
    // Returns false once the build is over (or while it has to wait its turn). From the event
    // loop a slice lasts one frame of the screen.
    bool runSlice(std::chrono::milliseconds budget = std::chrono::milliseconds(16));
    // Runs the whole build now, without handling any events (returns at once while it has to wait
    // its turn).
    void runToEnd();
    // What to do when the rows are replaced under the walk: start over (the preview, whose pages
    // can be thrown away), or end there (a printer, which has the pages already).
    void setRestartOnReplace(bool restart) { m_restartOnReplace = restart; }

    State state() const { return m_state; }
    bool isOver() const { return m_state == State::Finished || m_state == State::Cancelled; }
    int percent() const { return m_percent; }
    int pagesMade() const { return m_builder ? m_builder->pagesFinished() : 0; }
    int rowsRead() const { return m_builder ? m_builder->rows() : 0; }

Q_SIGNALS:
    void pageMade(int pageCount);
    void progress(int percent);
    // The rows were replaced while they were being read: every page made so far is void and
    // the build starts over on the new rows.
    void restarted();
    void over();

private:
    bool mayRun() const;
    void begin();
    void end(State state);
    void leaveQueue();
    void scheduleNext();
    void setPercent(int percent);
    void stopCancelled();

    ReportJob m_job;
    PageBuilder::Sink m_sink;
    std::unique_ptr<RowSource> m_source;
    std::unique_ptr<PageBuilder> m_builder;
    std::vector<QAnyStringView> m_fields;
    State m_state = State::Waiting;
    bool m_began = false;
    bool m_scheduled = false;
    bool m_autoRun = false;
    bool m_restartOnReplace = true;
    bool m_inSlice = false;
    bool m_cancelRequested = false;
    int m_percent = 0;
    const void *m_key = nullptr;
};

}   // namespace txl::print
