#include "tests/support/TestSupport.h"
#include "tests/support/Windows.h"

#include "app/HandOver.h"
#include "app/Startup.h"
#include "data/U2.h"
#include "main/UStu.h"
#include "signin/Ufirst.h"
#include "signin/Ulogin.h"

#include <QComboBox>
#include <QEvent>
#include <QFile>
#include <QTimer>

using namespace txl;

namespace {

// Notes, in the order they happen, the steps of the start-up chain that can be seen from outside:
// a window of the chain being shown or hidden, the login window being freed, and every message box
// (answered with OK), each with the state the other windows are in at that moment.
class ChainLog : public QObject {
public:
    ChainLog() {
        qApp->installEventFilter(this);
        ui::setAnswerer([this](const ui::BoxRecord &box) {
            steps << QStringLiteral("box: ") + box.text;
            return box.enterAnswer;
        });
    }
    ~ChainLog() override {
        ui::setAnswerer({});
        qApp->removeEventFilter(this);
    }
    // The login window's destruction, once it exists.
    void watchLoginWindow() {
        connect(Form2, &QObject::destroyed, this, [this] {
            steps << QStringLiteral("login freed; main window %1")
                         .arg(Form1 != nullptr && Form1->isVisible() ? u"shown" : u"not shown");
        });
    }

    QStringList steps;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override {
        const bool show = event->type() == QEvent::Show;
        if (!show && event->type() != QEvent::Hide)
            return false;
        if (Form2 != nullptr && watched == Form2) {
            steps << (show ? QStringLiteral("login shown") : QStringLiteral("login hidden"));
        } else if (First != nullptr && watched == First && show) {
            steps << QStringLiteral("loading shown; user '%1'; login %2")
                         .arg(Form2->signedInUser(), Form2->isVisible() ? u"visible" : u"hidden");
        } else if (Form1 != nullptr && watched == Form1 && show) {
            steps << QStringLiteral("main shown; loading timer %1; login %2")
                         .arg(First->Timer1->isActive() ? u"running" : u"stopped",
                              Form2 != nullptr ? u"exists" : u"freed");
        }
        return false;
    }
};

}   // namespace

class StartupTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init() { ui::Application::instance()->resetForTest(); }
    void cleanup();
    void missingDatabaseIsReportedAndStartUpGoesOn();
    void loginWindowIsTheMainForm();
    void handOverRunsInOrder();
    void chainStepsInOrder();
};

void StartupTest::cleanup() {
    test::freeWindows();
    app::shutDown();
}

void StartupTest::missingDatabaseIsReportedAndStartUpGoesOn() {
    test::Workspace ws(false);
    {
        // The report of the failed open comes before the login window appears.
        ChainLog log;
        app::startUp();
        QVERIFY2(log.steps.size() >= 2, qPrintable(log.steps.join(u'|')));
        QVERIFY2(log.steps[0].startsWith(u"box: "), qPrintable(log.steps.join(u'|')));
        QVERIFY2(log.steps[1] == u"login shown", qPrintable(log.steps.join(u'|')));
        app::shutDown();
        ui::Application::instance()->resetForTest();
    }
    test::BoxRecorder boxes;
    app::startUp();

    QVERIFY(!boxes.empty());
    QCOMPARE(boxes.boxes().front().kind, ui::BoxKind::Error);
    QVERIFY2(boxes.boxes().front().text.contains(QStringLiteral("txl.mdb")), qPrintable(boxes.boxes().front().text));
    for (const ui::BoxRecord &box : boxes.boxes())
        QCOMPARE(box.kind, ui::BoxKind::Error);   // the login window's own reload fails the same way
    QVERIFY(Form2 != nullptr);
    QVERIFY(Form2->isVisible());
    QCOMPARE(Form2->ComboBox2->count(), 0);
    QVERIFY(!DataModule1->con.isOpen());
    QVERIFY(!QFile::exists(ws.databasePath()));
    QVERIFY(!QFile::exists(QStringLiteral("DataBase")));
}

void StartupTest::loginWindowIsTheMainForm() {
    test::Workspace ws;
    test::BoxRecorder boxes;
    app::startUp();
    QVERIFY(boxes.empty());
    QCOMPARE(ui::Application::instance()->mainForm(), Form2);
    QVERIFY(DataModule1->con.isOpen());

    Form2->close();
    QVERIFY(ui::Application::instance()->terminated());
}

void StartupTest::handOverRunsInOrder() {
    test::Workspace ws;
    test::BoxRecorder boxes;
    app::startUp();

    app::signInSucceeded(QStringLiteral("chief"));
    QVERIFY(First != nullptr);
    QVERIFY(First->isVisible());
    QVERIFY(First->Timer1->isActive());
    QVERIFY(Form2 != nullptr && !Form2->isVisible());
    QCOMPARE(ui::Application::instance()->mainForm(), Form2);   // hidden, still the main form
    QVERIFY(!ui::Application::instance()->terminated());

    // The loading window's close hands over: the main window is shown while the login window still
    // exists (it reads the user name from it), then the login window is freed.
    First->close();
    QVERIFY(Form1 != nullptr);
    QVERIFY(Form1->isVisible());
    QCOMPARE(Form1->user, QStringLiteral("chief"));
    QCOMPARE(Form1->windowTitle(), QStringLiteral("chief的同学录"));
    QVERIFY(Form2 == nullptr);
    QVERIFY(ui::Application::instance()->mainForm() == nullptr);
    QVERIFY(First != nullptr);   // kept, hidden, until the program ends
    QVERIFY(!First->isVisible());
    QVERIFY(!First->Timer1->isActive());
    QVERIFY(!ui::Application::instance()->terminated());
    QVERIFY2(boxes.empty(), qPrintable(boxes.texts().join(u'|')));
}

// Sign-in succeeded: the user is recorded, the loading window shown, then the login window hidden.
// Loading finished: the main window is shown after the loading timer stopped and while the login
// window still exists; the login window is freed last.
void StartupTest::chainStepsInOrder() {
    test::Workspace ws;
    ChainLog log;
    app::startUp();
    log.watchLoginWindow();
    app::signInSucceeded(QStringLiteral("chief"));
    First->close();
    QCOMPARE(log.steps, (QStringList{
                            QStringLiteral("login shown"),
                            QStringLiteral("loading shown; user 'chief'; login visible"),
                            QStringLiteral("login hidden"),
                            QStringLiteral("main shown; loading timer stopped; login exists"),
                            QStringLiteral("login freed; main window shown"),
                        }));
}

TXL_TEST_MAIN(StartupTest)
#include "test_app.moc"
