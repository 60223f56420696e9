// Windows under a real window manager: an X server of their own (Xvfb) with openbox drawing title
// bars and borders. Where a window sits and what its title bar has room for depend on a frame the
// window manager tells only once it has framed the window, which no headless platform shows.

#include "platform/ui/Application.h"
#include "platform/ui/Form.h"
#include "platform/ui/MessageBoxes.h"
#include "tests/support/TestSupport.h"

#include <QApplication>
#include <QFile>
#include <QMessageBox>
#include <QScreen>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QWindow>

#include <csignal>
#include <cstdlib>
#include <memory>
#include <optional>
#include <vector>

#include <fcntl.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace Qt::StringLiterals;
using namespace txl::ui;

namespace {

// A program started in the background, ended when the object goes (or when this process ends).
class Child {
public:
    explicit Child(const QList<QByteArray> &arguments) {
        std::vector<char *> argv;
        for (const QByteArray &a : arguments)
            argv.push_back(const_cast<char *>(a.constData()));
        argv.push_back(nullptr);
        m_pid = fork();
        if (m_pid == 0) {
            prctl(PR_SET_PDEATHSIG, SIGTERM);
            const int quiet = open("/dev/null", O_WRONLY);
            dup2(quiet, STDOUT_FILENO);
            dup2(quiet, STDERR_FILENO);
            execvp(argv[0], argv.data());
            _exit(127);
        }
    }
    ~Child() {
        if (m_pid > 0) {
            kill(m_pid, SIGTERM);
            waitpid(m_pid, nullptr, 0);
        }
    }
    Child(const Child &) = delete;
    Child &operator=(const Child &) = delete;

    bool running() {
        if (m_pid > 0 && waitpid(m_pid, nullptr, WNOHANG) != 0)
            m_pid = -1;   // ended
        return m_pid > 0;
    }

private:
    pid_t m_pid = -1;
};

// Whether the display DISPLAY names takes clients, and whether a window manager has announced
// itself there.
bool displayAnswers() {
    return std::system("xprop -root >/dev/null 2>&1") == 0;
}

bool managerRuns() {
    // The list of the windows it manages is the last thing openbox announces when it starts.
    return std::system("xprop -root _NET_CLIENT_LIST 2>/dev/null | grep -q 'window id'") == 0;
}

// Waits up to five seconds for `ready`, while `child` runs.
bool waitFor(Child &child, bool (*ready)()) {
    for (int i = 0; i < 100 && child.running(); ++i) {
        if (ready())
            return true;
        usleep(50'000);
    }
    return false;
}

// An X server on the first free display, with openbox managing it (its own settings, none of the
// user's); DISPLAY names it while the object lives.
class WindowManagedDisplay {
public:
    WindowManagedDisplay() {
        for (int display = 200; display < 400 && m_server == nullptr; ++display) {
            if (QFile::exists(u"/tmp/.X%1-lock"_s.arg(display)))
                continue;
            const QByteArray name = ':' + QByteArray::number(display);
            qputenv("DISPLAY", name);
            auto server = std::make_unique<Child>(
                QList<QByteArray>{"Xvfb", name, "-screen", "0", "1280x1024x24", "-nolisten", "tcp", "-noreset"});
            if (waitFor(*server, displayAnswers))
                m_server = std::move(server);
        }
        if (m_server == nullptr)
            return;
        qputenv("HOME", QFile::encodeName(m_home.path()));
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(m_home.path()));
        auto manager = std::make_unique<Child>(QList<QByteArray>{"openbox", "--sm-disable"});
        // Qt learns what the window manager supports when it connects: not before it runs.
        if (waitFor(*manager, managerRuns))
            m_manager = std::move(manager);
    }

    bool ready() const { return m_manager != nullptr; }

private:
    QTemporaryDir m_home;
    std::unique_ptr<Child> m_server;
    std::unique_ptr<Child> m_manager;
};

QPoint screenCentre() {
    return QGuiApplication::primaryScreen()->availableGeometry().center();
}

// How far the middle of `window`'s frame is from the middle of the screen, once the window manager
// has framed it and shown it; nothing until then. (Asked before the window is shown, Qt would keep
// an empty frame until the window next changes place or size.)
std::optional<QPoint> offCentre(const QWidget *window) {
    const QWindow *handle = window->windowHandle();
    if (handle == nullptr || !handle->isExposed() || handle->frameMargins().isNull())
        return std::nullopt;
    return handle->frameGeometry().center() - screenCentre();
}

bool centred(const std::optional<QPoint> &off) {
    return off && off->manhattanLength() <= 1;
}

// A window with a title bar, as the main window and the dialogs are made.
class TitledForm : public Form {
public:
    TitledForm() : Form(u"Titled"_s) {
        setWindowTitle(u"同学录"_s);
        setClientSize(704, 511);
        setBorder(Border::FixedSingle, true);
        centreOnScreen();
    }
};

// What a real message box looked like once the window manager had framed it, then closed.
struct FramedBox {
    std::optional<QPoint> offCentre;
    int width = 0;   // frame included
    int titleBar = 0;
};

void watchNextBox(FramedBox &seen) {
    auto *timer = new QTimer(qApp);
    timer->setInterval(20);
    QObject::connect(timer, &QTimer::timeout, timer, [timer, &seen, waited = 0]() mutable {
        auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
        if (box == nullptr || !box->isVisible())
            return;
        seen.offCentre = offCentre(box);
        if (!centred(seen.offCentre) && ++waited < 100)
            return;   // not framed yet, or not yet where it is going
        timer->stop();
        timer->deleteLater();
        seen.width = box->windowHandle()->frameGeometry().width();
        seen.titleBar = box->windowHandle()->frameMargins().top();
        box->done(0);
    });
    timer->start();
}

}   // namespace

Q_DECLARE_METATYPE(txl::ui::BoxKind)

class FramesTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void cleanup();

    void formCentredByItsFrame();
    void messageBoxes_data();
    void messageBoxes();

private:
    std::unique_ptr<TitledForm> m_first;
};

void FramesTest::initTestCase() {
    QCOMPARE(QGuiApplication::platformName(), u"xcb"_s);
    // The window manager runs once it frames a window.
    TitledForm probe;
    probe.show();
    QTRY_VERIFY_WITH_TIMEOUT(offCentre(&probe).has_value(), 10000);
}

void FramesTest::cleanup() {
    m_first.reset();
}

// The first window with a title bar: nothing tells its frame before the window manager has framed
// it, and then it moves to where its frame is in the middle.
void FramesTest::formCentredByItsFrame() {
    m_first = std::make_unique<TitledForm>();
    m_first->show();
    QTRY_VERIFY2_WITH_TIMEOUT(centred(offCentre(m_first.get())), "frame not in the middle", 5000);
    QVERIFY(m_first->windowHandle()->frameMargins().top() > 0);
}

void FramesTest::messageBoxes_data() {
    QTest::addColumn<BoxKind>("kind");
    QTest::addColumn<QString>("caption");
    const QString title = Application::instance()->title();
    QTest::newRow("information") << BoxKind::Information << u"Information"_s;
    QTest::newRow("confirmation") << BoxKind::Confirmation << u"Confirm"_s;
    QTest::newRow("notice without icon") << BoxKind::Notice << u"提示"_s;
    QTest::newRow("plain message") << BoxKind::Plain << title;
    QTest::newRow("default error report") << BoxKind::Error << title;
}

// Each kind of box sits in the middle by its frame, and its title bar has room for the caption in
// openbox's title font beside the icon and the three buttons openbox draws there.
void FramesTest::messageBoxes() {
    QFETCH(BoxKind, kind);
    QFETCH(QString, caption);
    m_first = std::make_unique<TitledForm>();   // the window the program shows boxes over
    m_first->show();
    QTRY_VERIFY_WITH_TIMEOUT(offCentre(m_first.get()).has_value(), 5000);

    FramedBox seen;
    watchNextBox(seen);
    switch (kind) {
    case BoxKind::Information:
        information(u"已到第一条"_s);
        break;
    case BoxKind::Confirmation:
        confirm(u"你真的想退出吗？"_s);
        break;
    case BoxKind::Notice:
        notice(u"已到第一条"_s, u"提示"_s, false);
        break;
    case BoxKind::Plain:
        plainMessage(u"No NotePad"_s);
        break;
    case BoxKind::Error:
        errorReport(u"disk I/O error"_s);
        break;
    }
    QVERIFY2(centred(seen.offCentre), "frame not in the middle");
    const QFont title(u"Sans"_s, 8, QFont::Bold);   // openbox's own settings
    const int room = seen.width - 4 * seen.titleBar;
    QVERIFY2(room >= QFontMetrics(title).horizontalAdvance(caption),
             qPrintable(u"%1 pixels beside the buttons"_s.arg(room)));
}

int main(int argc, char **argv) {
    WindowManagedDisplay display;
    if (!display.ready()) {
        qCritical("test_frames: could not start Xvfb and openbox");
        return 1;
    }
    qputenv("QT_QPA_PLATFORM", "xcb");
    Application app(argc, argv);
    txl::test::prepareApplication();
    FramesTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "test_frames.moc"
