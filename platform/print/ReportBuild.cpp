#include "platform/print/ReportBuild.h"

#include "platform/print/PrintProgress.h"
#include "platform/ui/MessageBoxes.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QPointer>
#include <QScreen>
#include <QTimer>

#include <algorithm>
#include <exception>

namespace txl::print {

namespace {

// Every build not yet over, oldest first: the order in which builds on one cursor take turns.
std::vector<ReportBuild *> &pendingBuilds() {
    static std::vector<ReportBuild *> builds;
    return builds;
}

// How often a build held back by a modal window looks again.
constexpr std::chrono::milliseconds ModalPoll(50);

// While a message box or a dialog is open, the walk leaves the cursor where it is: that window
// acts on the current row the user saw when it opened (the contact being changed, the one to be
// deleted). The printing progress window is the exception, since it waits for a walk itself.
bool heldByModalWindow() {
    const QWidget *modal = QApplication::activeModalWidget();
    return modal != nullptr && qobject_cast<const PrintProgress *>(modal) == nullptr;
}

}   // namespace

std::chrono::milliseconds sliceTime() {
    const QScreen *screen = QGuiApplication::primaryScreen();
    const qreal hertz = screen != nullptr && screen->refreshRate() >= 24 ? screen->refreshRate() : 60;
    return std::chrono::milliseconds(std::max(1, int(500 / hertz)));
}

ReportBuild::ReportBuild(const ReportJob &job, PageBuilder::Sink sink, QObject *parent)
    : QObject(parent),
      m_job(job),
      m_sink(std::move(sink)) {
    if (m_job.rows)
        m_source = m_job.rows();
    m_key = m_source ? m_source->key() : nullptr;
    pendingBuilds().push_back(this);
}

ReportBuild::~ReportBuild() {
    if (!isOver())
        leaveQueue();
}

void ReportBuild::leaveQueue() {
    auto &builds = pendingBuilds();
    builds.erase(std::remove(builds.begin(), builds.end(), this), builds.end());
    // Builds that waited for this one may go on now.
    const std::vector<ReportBuild *> waiting = builds;
    for (ReportBuild *build : waiting)
        if (build->m_key == m_key && build->m_autoRun)
            build->scheduleNext();
}

bool ReportBuild::mayRun() const {
    if (m_key == nullptr)
        return true;
    for (const ReportBuild *build : pendingBuilds()) {
        if (build == this)
            return true;
        if (build->m_key == m_key && !build->isOver())
            return false;
    }
    return true;
}

void ReportBuild::start() {
    m_autoRun = true;
    scheduleNext();
}

void ReportBuild::scheduleNext() {
    if (m_scheduled || isOver())
        return;
    m_scheduled = true;
    // A zero timer fires once the window system's events are handled: input and painting come
    // between two slices.
    QTimer::singleShot(0, this, [this] {
        if (heldByModalWindow()) {
            QTimer::singleShot(ModalPoll, this, [this] {
                m_scheduled = false;
                scheduleNext();
            });
            return;
        }
        m_scheduled = false;
        // Half a frame: the list, the pages and whatever input came meanwhile are drawn in the other
        // half, so the list still moves every frame.
        if (runSlice(sliceTime()))
            scheduleNext();
    });
}

void ReportBuild::begin() {
    m_builder = std::make_unique<PageBuilder>(m_job.definition, [this](Page &&page) {
        m_sink(std::move(page));
        Q_EMIT pageMade(m_builder->pagesFinished());
    });
    m_state = State::Running;
    m_began = true;
    if (m_source)
        m_source->start();
    setPercent(0);
}

void ReportBuild::setPercent(int percent) {
    if (percent == m_percent)
        return;
    m_percent = percent;
    Q_EMIT progress(percent);
}

void ReportBuild::end(State state) {
    m_state = state;
    leaveQueue();
    if (state == State::Finished)
        setPercent(100);
    Q_EMIT over();
}

void ReportBuild::cancel() {
    // Once only: stopping closes the page in progress, whose sink may ask again.
    if (isOver() || m_cancelRequested)
        return;
    if (m_inSlice) {
        m_cancelRequested = true;   // the builder is busy placing a row
        return;
    }
    stopCancelled();
}

void ReportBuild::stopCancelled() {
    m_cancelRequested = true;
    // The page in progress is finished with the rows it has.
    if (m_builder && !m_builder->isFinished() && m_builder->rows() > 0)
        m_builder->finish();
    end(State::Cancelled);
}

bool ReportBuild::runSlice(std::chrono::milliseconds budget) {
    if (isOver() || !mayRun())
        return false;
    const QPointer<ReportBuild> self(this);
    struct SliceMark {
        QPointer<ReportBuild> build;
        explicit SliceMark(ReportBuild *b) : build(b) { build->m_inSlice = true; }
        ~SliceMark() {
            if (build)
                build->m_inSlice = false;
        }
    };
    try {
        SliceMark mark(this);
        if (!m_began)
            begin();
        QElapsedTimer clock;
        clock.start();
        const int pagesBefore = m_builder->pagesFinished();
        for (int n = 1;; ++n) {
            if (m_source && m_source->replaced() && m_restartOnReplace) {
                // A new result under the walk: what was made belongs to the old one.
                m_builder.reset();
                Q_EMIT restarted();
                if (!self)
                    return false;
                begin();
            }
            if (m_cancelRequested) {
                m_inSlice = false;
                stopCancelled();
                return false;
            }
            if (!m_source || m_source->atEnd()) {
                m_builder->finish();
                if (!self)
                    return false;
                if (m_source)
                    m_source->finish();
                end(State::Finished);
                return false;
            }
            m_source->fields(m_fields);
            m_builder->addRow(m_fields);
            if (!self || isOver())
                return false;
            m_source->next();
            if (m_cancelRequested) {
                m_inSlice = false;
                stopCancelled();
                return false;
            }
            if (m_source->count() > 0)
                setPercent(std::min(99, int(qint64(m_source->position()) * 100 / m_source->count())));
            // The first page is shown the moment it is made.
            if ((pagesBefore == 0 && m_builder->pagesFinished() > 0) ||
                (n % 16 == 0 && clock.elapsed() >= budget.count())) {
                m_source->pause();
                return true;
            }
        }
    } catch (const std::exception &error) {
        if (!self)
            return false;
        m_inSlice = false;
        if (m_builder && !m_builder->isFinished() && m_builder->rows() > 0)
            m_builder->finish();
        end(State::Cancelled);
        txl::ui::errorReport(QString::fromUtf8(error.what()));
        return false;
    }
}

void ReportBuild::runToEnd() {
    while (runSlice(std::chrono::hours(1))) {
    }
}

}   // namespace txl::print
