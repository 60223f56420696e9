#include "tests/support/TestSupport.h"

#include "app/Startup.h"
#include "data/U2.h"
#include "main/UStu.h"
#include "signin/HandOver.h"
#include "signin/Ufirst.h"
#include "signin/Ulogin.h"

#include <QComboBox>
#include <QFile>
#include <QTimer>

using namespace txl;

class StartupTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init() { ui::Application::instance()->resetForTest(); }
    void cleanup();
    void missingDatabaseIsReportedAndStartUpGoesOn();
    void loginWindowIsTheMainForm();
    void handOverRunsInOrder();
};

void StartupTest::cleanup() {
    delete Form1;
    Form1 = nullptr;
    delete First;
    First = nullptr;
    app::shutDown();
}

void StartupTest::missingDatabaseIsReportedAndStartUpGoesOn() {
    test::Workspace ws(false);
    test::BoxRecorder boxes;
    app::startUp();

    QVERIFY(!boxes.empty());
    QCOMPARE(boxes.boxes().front().kind, ui::BoxKind::Error);
    QVERIFY2(boxes.boxes().front().text.contains(QStringLiteral("txl.mdb")),
             qPrintable(boxes.boxes().front().text));
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

    handover::signInSucceeded(QStringLiteral("chief"));
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

TXL_TEST_MAIN(StartupTest)
#include "test_app.moc"
