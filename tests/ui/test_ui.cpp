#include "data/U2.h"
#include "platform/db/Query.h"
#include "platform/ui/Application.h"
#include "platform/ui/DataGrid.h"
#include "platform/ui/EntryLimit.h"
#include "platform/ui/Fonts.h"
#include "platform/ui/Form.h"
#include "platform/ui/Guard.h"
#include "platform/ui/JpegImage.h"
#include "platform/ui/MessageBoxes.h"
#include "tests/support/TestSupport.h"

#include <QBuffer>
#include <QClipboard>
#include <QEventLoop>
#include <QFile>
#include <QFontDatabase>
#include <QFontInfo>
#include <QHeaderView>
#include <QInputMethodEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QSignalSpy>
#include <QTimer>

#include <optional>
#include <stdexcept>

using namespace Qt::StringLiterals;
using namespace txl::ui;
using txl::test::BoxRecorder;

Q_DECLARE_METATYPE(txl::ui::Answer)
Q_DECLARE_METATYPE(txl::ui::BoxIcon)

namespace {

// A form whose handlers count their calls and can be told to fail or refuse.
class ProbeForm : public Form {
public:
    explicit ProbeForm(const QString &name = u"TProbe"_s) : Form(name) {}

    void create() { runCreate(); }

    int shows = 0;
    int closes = 0;
    bool refuseClose = false;
    bool failCreate = false;
    bool failShow = false;
    bool failCloseQuery = false;
    bool failClose = false;

protected:
    void FormCreate() override {
        if (failCreate)
            throw std::runtime_error("create failed");
    }
    void FormShow() override {
        ++shows;
        if (failShow)
            throw std::runtime_error("show failed");
    }
    bool FormCloseQuery() override {
        if (failCloseQuery)
            throw std::runtime_error("query failed");
        return !refuseClose;
    }
    void FormClose() override {
        ++closes;
        if (failClose)
            throw std::runtime_error("close failed");
    }
};

// Throws from its event handler: an error escaping an event.
class Thrower : public QObject {
public:
    bool event(QEvent *event) override {
        if (event->type() == QEvent::User)
            throw std::runtime_error("escaped an event");
        return QObject::event(event);
    }
};

enum class Call { Information, InformationYesNo, Confirm, Notice, NoticeError, NoticeNoIcon, Plain, Error };
enum class Key { Enter, Escape, CloseBox };

std::optional<Answer> callBox(Call call, const QString &text) {
    switch (call) {
    case Call::Information:
        information(text);
        return std::nullopt;
    case Call::InformationYesNo:
        return informationYesNo(text);
    case Call::Confirm:
        return confirm(text);
    case Call::Notice:
        notice(text);
        return std::nullopt;
    case Call::NoticeError:
        notice(text, u"错误"_s);
        return std::nullopt;
    case Call::NoticeNoIcon:
        notice(text, u"提示"_s, false);
        return std::nullopt;
    case Call::Plain:
        plainMessage(text);
        return std::nullopt;
    case Call::Error:
        errorReport(text);
        return std::nullopt;
    }
    return std::nullopt;
}

// What a real message box looked like, and which button the key or the close box pressed.
struct SeenBox {
    bool shown = false;
    QString caption;
    QString text;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QStringList buttons;
    bool applicationModal = false;
    bool centred = false;
    int width = 0;   // frame included
    QString answeredBy;
};

// Once the next real box is showing, notes its looks and answers it with `key`.
void answerRealBox(Key key, SeenBox &seen) {
    auto *timer = new QTimer(qApp);
    timer->setInterval(5);
    QObject::connect(timer, &QTimer::timeout, timer, [timer, key, &seen] {
        auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
        if (box == nullptr || !box->isVisible())
            return;
        timer->stop();
        timer->deleteLater();
        seen.shown = true;
        seen.caption = box->windowTitle();
        seen.text = box->text();
        seen.icon = box->icon();
        for (const QAbstractButton *button : box->buttons())
            seen.buttons << button->text();
        seen.applicationModal = box->windowModality() == Qt::ApplicationModal;
        const QPoint centre = box->screen()->availableGeometry().center();
        seen.centred = (box->frameGeometry().center() - centre).manhattanLength() <= 2;
        seen.width = box->frameGeometry().width();
        QWidget *focus = box->focusWidget() != nullptr ? box->focusWidget() : box;
        switch (key) {
        case Key::Enter:
            QTest::keyClick(focus, Qt::Key_Return);
            break;
        case Key::Escape:
            QTest::keyClick(focus, Qt::Key_Escape);
            break;
        case Key::CloseBox:
            box->close();
            break;
        }
        if (box->clickedButton() != nullptr)
            seen.answeredBy = box->clickedButton()->text();
    });
    timer->start();
}

// The width a title bar needs to show `caption` whole: the caption in bold, as window managers draw
// titles, and beside it the bar's icon and three buttons, each about as wide as the bar is high.
int titleBarNeeds(const QString &caption) {
    QFont font = QFontDatabase::systemFont(QFontDatabase::TitleFont);
    font.setBold(true);
    const QFontMetrics metrics(font);
    return metrics.horizontalAdvance(caption) + 4 * (metrics.height() + 4);
}

Answer answerOfButton(const QString &text) {
    return text == u"&Yes" ? Answer::Yes : (text == u"&No" ? Answer::No : Answer::Ok);
}

QString appTitle() {
    return Application::instance()->title();
}

}   // namespace

Q_DECLARE_METATYPE(Call)

class UiTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();

    void title_data();
    void title();

    void messageBoxes_data();
    void messageBoxes();
    void errorReportText_data();
    void errorReportText();

    void guardReportsOnceAndLoopGoesOn_data();
    void guardReportsOnceAndLoopGoesOn();
    void errorEscapingAnEventIsReported();

    void mainFormRule();
    void mainFormSlotClearsOnDestruction();
    void terminateLeavesModalLoops();

    void formHandlers_data();
    void formHandlers();
    void failingShowHandlerStillShows();
    void failingCreateHandlerIsReported();
    void showModalWithDriver();
    void showModalRealLoop();
    void windowDesign();
    void dragOnLeftButtonOnly_data();
    void dragOnLeftButtonOnly();

    void jpegDecodes_data();
    void jpegDecodes();
    void badJpegThrows_data();
    void badJpegThrows();

    void entryLimit_data();
    void entryLimit();

    void fontSubstitutions_data();
    void fontSubstitutions();

    void gridFollowsQueryBothWays();
    void gridTracksResults();
    void gridDoubleClickAnywhere_data();
    void gridDoubleClickAnywhere();
};

void UiTest::init() {
    Application::instance()->resetForTest();
    Form::setModalDriver({});
}

void UiTest::cleanup() {
    Form::setModalDriver({});
    setAnswerer({});
}

// --- application title ------------------------------------------------------------------------

void UiTest::title_data() {
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("title");
    QTest::newRow("upper case with extension") << u"/opt/TXL.bin"_s << u"Txl"_s;
    QTest::newRow("first letter kept as it is") << u"/usr/bin/txl"_s << u"txl"_s;
    QTest::newRow("cut at the first full stop") << u"/x/MyProg.Exe.bak"_s << u"Myprog"_s;
    QTest::newRow("folder dots ignored") << u"/a.b/c.d/Name"_s << u"Name"_s;
    QTest::newRow("leading dot leaves nothing") << u"/x/.hidden"_s << QString();
    QTest::newRow("Chinese name") << u"/x/同学录.exe"_s << u"同学录"_s;
}

void UiTest::title() {
    QFETCH(QString, path);
    QFETCH(QString, title);
    QCOMPARE(Application::titleFromExecutable(path), title);
}

// --- message boxes ----------------------------------------------------------------------------

void UiTest::messageBoxes_data() {
    QTest::addColumn<Call>("call");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QString>("shownText");
    QTest::addColumn<BoxIcon>("icon");
    QTest::addColumn<QStringList>("buttons");
    QTest::addColumn<Answer>("enter");
    QTest::addColumn<Answer>("escape");
    QTest::addColumn<Answer>("closeBox");

    const QStringList ok{u"OK"_s};
    const QStringList yesNo{u"&Yes"_s, u"&No"_s};
    const QString app = u"test_ui"_s;
    QTest::newRow("information") << Call::Information << u"已保存"_s << u"Information"_s << u"已保存"_s
                                 << BoxIcon::Information << ok << Answer::Ok << Answer::Ok << Answer::Ok;
    QTest::newRow("information yes/no") << Call::InformationYesNo << u"继续吗？"_s << u"Information"_s << u"继续吗？"_s
                                        << BoxIcon::Information << yesNo << Answer::Yes << Answer::No << Answer::No;
    QTest::newRow("confirmation") << Call::Confirm << u"你真的想退出吗？"_s << u"Confirm"_s << u"你真的想退出吗？"_s
                                  << BoxIcon::Question << yesNo << Answer::Yes << Answer::No << Answer::No;
    QTest::newRow("notice") << Call::Notice << u"添加成功"_s << u"提示"_s << u"添加成功"_s << BoxIcon::Information << ok
                            << Answer::Ok << Answer::Ok << Answer::Ok;
    QTest::newRow("notice 错误") << Call::NoticeError << u"更新失败！"_s << u"错误"_s << u"更新失败！"_s
                                 << BoxIcon::Information << ok << Answer::Ok << Answer::Ok << Answer::Ok;
    QTest::newRow("notice without icon") << Call::NoticeNoIcon << u"好"_s << u"提示"_s << u"好"_s << BoxIcon::None << ok
                                         << Answer::Ok << Answer::Ok << Answer::Ok;
    QTest::newRow("plain message") << Call::Plain << u"No NotePad"_s << app << u"No NotePad"_s << BoxIcon::None << ok
                                   << Answer::Ok << Answer::Ok << Answer::Ok;
    QTest::newRow("default error report") << Call::Error << u"disk full"_s << app << u"disk full."_s << BoxIcon::Stop
                                          << ok << Answer::Ok << Answer::Ok << Answer::Ok;
}

void UiTest::messageBoxes() {
    QFETCH(Call, call);
    QFETCH(QString, text);
    QFETCH(QString, caption);
    QFETCH(QString, shownText);
    QFETCH(BoxIcon, icon);
    QFETCH(QStringList, buttons);
    QFETCH(Answer, enter);
    QFETCH(Answer, escape);
    QFETCH(Answer, closeBox);
    QCOMPARE(appTitle(), u"test_ui"_s);

    // Through the test hook: the record the answerer gets.
    {
        BoxRecorder recorder;
        callBox(call, text);
        QCOMPARE(recorder.boxes().size(), std::size_t(1));
        const BoxRecord &box = recorder.last();
        QCOMPARE(box.caption, caption);
        QCOMPARE(box.text, shownText);
        QCOMPARE(box.icon, icon);
        QCOMPARE(box.buttons, buttons);
        QCOMPARE(box.enterAnswer, enter);
        QCOMPARE(box.escapeAnswer, escape);
        // The scripted answer is what the call returns.
        recorder.answerNext(Answer::No);
        const std::optional<Answer> scripted = callBox(call, text);
        if (scripted)
            QCOMPARE(*scripted, Answer::No);
    }

    // The real box, answered from the keyboard and by its close box.
    const QMessageBox::Icon realIcon = icon == BoxIcon::Information ? QMessageBox::Information
                                       : icon == BoxIcon::Question  ? QMessageBox::Question
                                       : icon == BoxIcon::Stop      ? QMessageBox::Critical
                                                                    : QMessageBox::NoIcon;
    const std::pair<Key, Answer> keys[] = {{Key::Enter, enter}, {Key::Escape, escape}, {Key::CloseBox, closeBox}};
    for (const auto &[key, expected] : keys) {
        SeenBox seen;
        answerRealBox(key, seen);
        const std::optional<Answer> returned = callBox(call, text);
        QVERIFY(seen.shown);
        QCOMPARE(seen.caption, caption);
        QCOMPARE(seen.text, shownText);
        QCOMPARE(seen.icon, realIcon);
        QCOMPARE(seen.buttons, buttons);
        QVERIFY(seen.applicationModal);
        QVERIFY(seen.centred);
        QVERIFY2(seen.width >= titleBarNeeds(caption), qPrintable(QString::number(seen.width)));
        QCOMPARE(answerOfButton(seen.answeredBy), expected);
        if (returned)
            QCOMPARE(*returned, expected);
    }
}

void UiTest::errorReportText_data() {
    QTest::addColumn<QString>("message");
    QTest::addColumn<QString>("shown");
    QTest::newRow("letter") << u"no such table"_s << u"no such table."_s;
    QTest::newRow("full stop already") << u"Failed."_s << u"Failed."_s;
    QTest::newRow("digit") << u"code 26"_s << u"code 26."_s;
    QTest::newRow("slash sorts after") << u"a/"_s << u"a/."_s;
    QTest::newRow("hyphen sorts before") << u"a-"_s << u"a-"_s;
    QTest::newRow("exclamation sorts before") << u"Oops!"_s << u"Oops!"_s;
    QTest::newRow("closing parenthesis sorts before") << u"(x)"_s << u"(x)"_s;
    QTest::newRow("Chinese") << u"数据库打不开"_s << u"数据库打不开."_s;
    QTest::newRow("Chinese full stop sorts after") << u"失败。"_s << u"失败。."_s;
    QTest::newRow("empty") << QString() << QString();
}

void UiTest::errorReportText() {
    QFETCH(QString, message);
    QFETCH(QString, shown);
    QCOMPARE(txl::ui::errorReportText(message), shown);
}

// --- the handler guard ------------------------------------------------------------------------

void UiTest::guardReportsOnceAndLoopGoesOn_data() {
    QTest::addColumn<bool>("standardError");
    QTest::addColumn<QString>("shown");
    QTest::newRow("std::exception") << true << u"磁盘已满."_s;
    QTest::newRow("anything else") << false << u"Unknown error."_s;
}

void UiTest::guardReportsOnceAndLoopGoesOn() {
    QFETCH(bool, standardError);
    QFETCH(QString, shown);
    BoxRecorder recorder;

    QPushButton button(u"按钮"_s);
    button.show();
    int partsRun = 0;
    connect(&button, &QPushButton::clicked, &button, guard([&partsRun, standardError] {
        ++partsRun;
        if (standardError)
            throw std::runtime_error("磁盘已满");
        throw 42;
        ++partsRun;   // never reached: the rest of the action is abandoned
    }));

    // A user's click, then the loop goes on to later events.
    QEventLoop loop;
    bool laterEventHandled = false;
    QTimer::singleShot(0, &button, [&button] { QTest::mouseClick(&button, Qt::LeftButton); });
    QTimer::singleShot(30, &loop, [&] {
        laterEventHandled = true;
        loop.quit();
    });
    loop.exec();

    QVERIFY(laterEventHandled);
    QCOMPARE(partsRun, 1);
    QCOMPARE(recorder.boxes().size(), std::size_t(1));
    QCOMPARE(recorder.last().kind, BoxKind::Error);
    QCOMPARE(recorder.last().text, shown);
    QCOMPARE(recorder.last().caption, appTitle());
    QCOMPARE(recorder.last().icon, BoxIcon::Stop);

    // guarded() says whether the handler went through.
    QVERIFY(guarded([] {}));
    QCOMPARE(recorder.boxes().size(), std::size_t(1));
}

void UiTest::errorEscapingAnEventIsReported() {
    BoxRecorder recorder;
    Thrower thrower;
    QEvent event(QEvent::User);
    QCOMPARE(QCoreApplication::sendEvent(&thrower, &event), false);
    QCOMPARE(recorder.texts(), QStringList{u"escaped an event."_s});

    QCoreApplication::postEvent(&thrower, new QEvent(QEvent::User));
    QCoreApplication::processEvents();
    QCOMPARE(recorder.boxes().size(), std::size_t(2));
}

// --- main form and terminate ------------------------------------------------------------------

void UiTest::mainFormRule() {
    Application *app = Application::instance();
    ProbeForm login(u"TForm2"_s);
    ProbeForm loading(u"TFirst"_s);
    ProbeForm mainWindow(u"TForm1"_s);
    QCOMPARE(app->mainForm(), &login);
    QCOMPARE(login.objectName(), u"TForm2"_s);

    // Closing other windows only hides them, even when no window is left showing.
    loading.show();
    loading.close();
    QVERIFY(!loading.isVisible());
    mainWindow.show();
    mainWindow.close();
    QVERIFY(!app->terminated());

    // A refused close of the main form does not end the run.
    login.refuseClose = true;
    login.show();
    login.close();
    QVERIFY(login.isVisible());
    QVERIFY(!app->terminated());

    // Closing the main form ends the run, even while hidden behind the loading window.
    login.refuseClose = false;
    login.hide();
    loading.show();
    login.close();
    QVERIFY(app->terminated());

    // terminate() ends the run from any window.
    app->resetForTest();
    QVERIFY(!app->terminated());
    app->terminate();
    QVERIFY(app->terminated());
}

void UiTest::mainFormSlotClearsOnDestruction() {
    Application *app = Application::instance();
    auto *login = new ProbeForm(u"TForm2"_s);
    QCOMPARE(app->mainForm(), login);
    delete login;
    QCOMPARE(app->mainForm(), nullptr);

    // A window created after the main form was freed does not take its place.
    ProbeForm about(u"TAbout"_s);
    QCOMPARE(app->mainForm(), nullptr);
    about.show();
    about.close();
    QVERIFY(!app->terminated());
}

void UiTest::terminateLeavesModalLoops() {
    Application *app = Application::instance();
    ProbeForm dialog;
    QTimer::singleShot(10, app, [app] { app->terminate(); });
    dialog.showModal();   // would never return if terminate did not leave the modal loop
    QVERIFY(app->terminated());
    QVERIFY(!dialog.isVisible());

    // After the reset, event loops wait for their events again.
    app->resetForTest();
    QEventLoop loop;
    bool timerFired = false;
    QTimer::singleShot(10, &loop, [&] {
        timerFired = true;
        loop.quit();
    });
    loop.exec();
    QVERIFY(timerFired);
}

// --- forms ------------------------------------------------------------------------------------

void UiTest::formHandlers_data() {
    QTest::addColumn<bool>("refuse");
    QTest::addColumn<bool>("failQuery");
    QTest::addColumn<bool>("failClose");
    QTest::addColumn<bool>("stillVisible");
    QTest::addColumn<int>("closeHandlerRuns");
    QTest::addColumn<QStringList>("reports");
    QTest::newRow("close accepted") << false << false << false << false << 1 << QStringList();
    QTest::newRow("close refused") << true << false << false << true << 0 << QStringList();
    QTest::newRow("close query fails") << false << true << false << true << 0 << QStringList{u"query failed."_s};
    QTest::newRow("close handler fails") << false << false << true << false << 1 << QStringList{u"close failed."_s};
}

void UiTest::formHandlers() {
    QFETCH(bool, refuse);
    QFETCH(bool, failQuery);
    QFETCH(bool, failClose);
    QFETCH(bool, stillVisible);
    QFETCH(int, closeHandlerRuns);
    QFETCH(QStringList, reports);
    BoxRecorder recorder;
    ProbeForm form;
    form.refuseClose = refuse;
    form.failCloseQuery = failQuery;
    form.failClose = failClose;
    form.show();
    QCOMPARE(form.shows, 1);
    form.close();
    QCOMPARE(form.isVisible(), stillVisible);
    QCOMPARE(form.closes, closeHandlerRuns);
    QCOMPARE(recorder.texts(), reports);
}

void UiTest::failingShowHandlerStillShows() {
    BoxRecorder recorder;
    ProbeForm form;
    form.failShow = true;
    form.show();
    QVERIFY(form.isVisible());
    QCOMPARE(recorder.texts(), QStringList{u"show failed."_s});
    // Shown again after hiding: the show handler runs again.
    form.hide();
    form.show();
    QCOMPARE(form.shows, 2);
}

void UiTest::failingCreateHandlerIsReported() {
    BoxRecorder recorder;
    ProbeForm form;
    form.failCreate = true;
    form.create();
    QCOMPARE(recorder.texts(), QStringList{u"create failed."_s});
}

void UiTest::showModalWithDriver() {
    bool visibleInDriver = false;
    bool modalInDriver = false;
    bool namedInDriver = false;
    ProbeForm *probe = nullptr;   // the window class's global reference
    QPointer<ProbeForm> made;
    Form::setModalDriver([&](Form &form) {
        visibleInDriver = form.isVisible();
        modalInDriver = form.isModalShowing() && form.windowModality() == Qt::ApplicationModal;
        namedInDriver = probe == &form;
    });
    showModalForm(probe, [&made](ProbeForm &form) { made = &form; });
    QVERIFY(visibleInDriver);
    QVERIFY(modalInDriver);
    QVERIFY(namedInDriver);
    QVERIFY(made.isNull());   // freed when the modal showing returned
    QVERIFY(probe == nullptr);

    // A set-up that fails: the window is freed, its reference cleared, and the error goes on.
    bool failed = false;
    try {
        showModalForm(probe, [&made](ProbeForm &form) {
            made = &form;
            throw std::runtime_error("set-up failed");
        });
    } catch (const std::runtime_error &) {
        failed = true;
    }
    QVERIFY(failed);
    QVERIFY(made.isNull());
    QVERIFY(probe == nullptr);

    // A driver that closes the window itself: one close, nothing more.
    ProbeForm form;
    Form::setModalDriver([](Form &shown) { shown.close(); });
    form.showModal();
    QCOMPARE(form.closes, 1);
    QCOMPARE(form.shows, 1);
    QVERIFY(!form.isVisible());
    QVERIFY(!form.isModalShowing());
}

void UiTest::showModalRealLoop() {
    ProbeForm form;
    bool modalWhileOpen = false;
    QTimer::singleShot(10, &form, [&form, &modalWhileOpen] {
        modalWhileOpen = form.isModalShowing() && QApplication::activeModalWidget() == &form;
        form.close();
    });
    form.showModal();
    QVERIFY(modalWhileOpen);
    QVERIFY(!form.isVisible());
    QCOMPARE(form.closes, 1);
    QCOMPARE(form.windowModality(), Qt::NonModal);
}

void UiTest::windowDesign() {
    ProbeForm main;
    main.setClientSize(704, 511);
    main.setBorder(Form::Border::FixedSingle, true);
    main.centreOnScreen();
    QCOMPARE(main.size(), QSize(704, 511));
    QCOMPARE(main.minimumSize(), main.maximumSize());
    const Qt::WindowFlags flags = main.windowFlags();
    QVERIFY(flags.testFlag(Qt::WindowMinimizeButtonHint));
    QVERIFY(flags.testFlag(Qt::WindowCloseButtonHint));
    QVERIFY(!flags.testFlag(Qt::WindowMaximizeButtonHint));
    QVERIFY(!flags.testFlag(Qt::FramelessWindowHint));
    const QRect screen = main.screen()->availableGeometry();
    main.show();
    QVERIFY((main.frameGeometry().center() - screen.center()).manhattanLength() <= 2);

    ProbeForm dialog;
    dialog.setBorder(Form::Border::FixedSingle);
    QVERIFY(!dialog.windowFlags().testFlag(Qt::WindowMinimizeButtonHint));

    ProbeForm about;
    about.setClientSize(398, 283);
    about.setBorder(Form::Border::None);
    QVERIFY(about.windowFlags().testFlag(Qt::FramelessWindowHint));
    QCOMPARE(about.size(), QSize(398, 283));
}

void UiTest::dragOnLeftButtonOnly_data() {
    QTest::addColumn<Qt::MouseButton>("button");
    QTest::addColumn<bool>("onSurface");
    QTest::addColumn<int>("moves");
    QTest::newRow("left on the picture") << Qt::LeftButton << true << 1;
    QTest::newRow("right on the picture") << Qt::RightButton << true << 0;
    QTest::newRow("middle on the picture") << Qt::MiddleButton << true << 0;
    QTest::newRow("left elsewhere") << Qt::LeftButton << false << 0;
}

void UiTest::dragOnLeftButtonOnly() {
    QFETCH(Qt::MouseButton, button);
    QFETCH(bool, onSurface);
    QFETCH(int, moves);
    ProbeForm form;
    form.setClientSize(200, 100);
    auto *picture = new QLabel(&form);
    picture->setGeometry(0, 0, 100, 100);
    auto *other = new QLabel(&form);
    other->setGeometry(100, 0, 100, 100);
    form.dragWindowFrom(picture);
    form.show();
    QSignalSpy spy(&form, &Form::systemMoveRequested);
    QTest::mousePress(onSurface ? picture : other, button, {}, QPoint(50, 50));
    QTest::mouseRelease(onSurface ? picture : other, button, {}, QPoint(50, 50));
    QCOMPARE(spy.count(), moves);
}

// --- JPEG pictures ----------------------------------------------------------------------------

void UiTest::jpegDecodes_data() {
    QTest::addColumn<bool>("grey");
    QTest::newRow("colour") << false;
    QTest::newRow("greyscale") << true;
}

void UiTest::jpegDecodes() {
    QFETCH(bool, grey);
    QTemporaryDir dir;
    const QString path = dir.filePath(u"picture.jpg"_s);
    QImage source(64, 48, grey ? QImage::Format_Grayscale8 : QImage::Format_RGB32);
    source.fill(grey ? QColor(128, 128, 128) : QColor(200, 30, 30));
    if (!grey) {
        for (int y = 0; y < 48; ++y)
            for (int x = 32; x < 64; ++x)
                source.setPixelColor(x, y, QColor(20, 40, 220));
    }
    QVERIFY(source.save(path, "JPG", 95));

    const QImage image = loadJpeg(path);
    QCOMPARE(image.size(), QSize(64, 48));
    QCOMPARE(image.format(), QImage::Format_RGB888);
    const auto near = [](QColor a, QColor b) {
        return qAbs(a.red() - b.red()) < 12 && qAbs(a.green() - b.green()) < 12 && qAbs(a.blue() - b.blue()) < 12;
    };
    if (grey) {
        QVERIFY(near(image.pixelColor(10, 10), QColor(128, 128, 128)));
    } else {
        QVERIFY(near(image.pixelColor(8, 24), QColor(200, 30, 30)));
        QVERIFY(near(image.pixelColor(56, 24), QColor(20, 40, 220)));
    }
}

void UiTest::badJpegThrows_data() {
    QTest::addColumn<QString>("damage");
    QTest::newRow("missing file") << u"missing"_s;
    QTest::newRow("empty file") << u"empty"_s;
    QTest::newRow("not a picture") << u"garbage"_s;
    QTest::newRow("cut in the header") << u"header"_s;
    QTest::newRow("cut in the picture data") << u"data"_s;
}

void UiTest::badJpegThrows() {
    QFETCH(QString, damage);
    QTemporaryDir dir;
    QImage source(64, 64, QImage::Format_RGB32);
    for (int y = 0; y < 64; ++y)
        for (int x = 0; x < 64; ++x)
            source.setPixelColor(x, y, QColor(x * 4, y * 4, (x * y) % 256));
    QByteArray good;
    {
        QBuffer buffer(&good);
        buffer.open(QIODevice::WriteOnly);
        QVERIFY(source.save(&buffer, "JPG", 95));
    }
    const QString path = dir.filePath(u"bad picture.jpg"_s);
    if (damage != u"missing") {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        if (damage == u"garbage")
            file.write("This is a text file, not a picture.\n");
        else if (damage == u"header")
            file.write(good.left(20));
        else if (damage == u"data")
            file.write(good.left(good.size() * 3 / 5));
    }

    try {
        loadJpeg(path);
        QFAIL("a bad picture was decoded");
    } catch (const std::runtime_error &error) {
        const QString message = QString::fromUtf8(error.what());
        QVERIFY2(message.contains(path), qPrintable(message));
    }
}

// --- entry limits -----------------------------------------------------------------------------

void UiTest::entryLimit_data() {
    QTest::addColumn<QString>("initial");
    QTest::addColumn<int>("cursor");    // -1: select everything
    QTest::addColumn<QString>("how");   // "keys", "ime" (committed composition) or "paste"
    QTest::addColumn<QString>("input");
    QTest::addColumn<int>("limit");
    QTest::addColumn<QString>("expected");
    QTest::addColumn<int>("expectedCursor");
    QTest::newRow("typing Latin past 10")
        << QString() << 0 << u"keys"_s << u"abcdefghijkl"_s << 10 << u"abcdefghij"_s << 10;
    QTest::newRow("typing Chinese: five in 10")
        << QString() << 0 << u"ime"_s << u"张三李四王五"_s << 10 << u"张三李四王"_s << 5;
    QTest::newRow("no half character in an odd room")
        << u"abcdefghi"_s << 9 << u"ime"_s << u"张"_s << 10 << u"abcdefghi"_s << 9;
    QTest::newRow("paste cut to the room, tail kept")
        << u"abcdef"_s << 3 << u"paste"_s << u"张三李四"_s << 10 << u"abc张三def"_s << 5;
    QTest::newRow("emoji not split") << u"abcdefgh"_s << 8 << u"paste"_s << u"😀😀"_s << 11 << u"abcdefgh"_s << 8;
    QTest::newRow("emoji fits") << u"abcdef"_s << 6 << u"paste"_s << u"😀x"_s << 10 << u"abcdef😀"_s << 8;
    QTest::newRow("replacing the selection")
        << u"张三李四王"_s << -1 << u"paste"_s << u"abcdefghijklmn"_s << 10 << u"abcdefghij"_s << 10;
    QTest::newRow("within the limit") << u"ab"_s << 2 << u"paste"_s << u"张三"_s << 12 << u"ab张三"_s << 4;
    QTest::newRow("program's longer text stays, typing adds nothing")
        << u"abcdefghijklmn"_s << 14 << u"keys"_s << u"x"_s << 10 << u"abcdefghijklmn"_s << 14;
}

void UiTest::entryLimit() {
    QFETCH(QString, initial);
    QFETCH(int, cursor);
    QFETCH(QString, how);
    QFETCH(QString, input);
    QFETCH(int, limit);
    QFETCH(QString, expected);
    QFETCH(int, expectedCursor);

    QLineEdit edit;
    setEntryLimit(&edit, limit);
    edit.setText(initial);
    QCOMPARE(edit.text(), initial);   // the program's own text is not cut
    edit.show();
    if (cursor < 0)
        edit.selectAll();
    else
        edit.setCursorPosition(cursor);

    if (how == u"keys") {
        QTest::keyClicks(&edit, input);
    } else if (how == u"ime") {
        for (const QChar c : input) {
            QInputMethodEvent event;
            event.setCommitString(QString(c));
            QCoreApplication::sendEvent(&edit, &event);
        }
    } else {
        QGuiApplication::clipboard()->setText(input);
        edit.paste();
    }
    QCOMPARE(edit.text(), expected);
    QCOMPARE(edit.cursorPosition(), expectedCursor);

    // Deleting still works, and the freed room can be used again.
    QTest::keyClick(&edit, Qt::Key_End);
    QTest::keyClick(&edit, Qt::Key_Backspace);
    QCOMPARE(edit.text(), expected.chopped(expected.back().isLowSurrogate() ? 2 : 1));
}

// --- fonts ------------------------------------------------------------------------------------

void UiTest::fontSubstitutions_data() {
    QTest::addColumn<QString>("asked");
    QTest::addColumn<QString>("resolved");
    QTest::addColumn<bool>("chinese");
    QTest::newRow("宋体") << u"宋体"_s << u"AR PL UMing CN"_s << true;
    QTest::newRow("SimSun") << u"SimSun"_s << u"AR PL UMing CN"_s << true;
    QTest::newRow("Arial") << u"Arial"_s << u"Liberation Sans"_s << false;
    QTest::newRow("MS Sans Serif") << u"MS Sans Serif"_s << u"WenQuanYi Micro Hei"_s << true;
}

void UiTest::fontSubstitutions() {
    QFETCH(QString, asked);
    QFETCH(QString, resolved);
    QFETCH(bool, chinese);
    installFontSubstitutions();
    QVERIFY2(QFontDatabase::hasFamily(resolved), qPrintable(resolved + u" is not installed"_s));
    const QFont font(asked, 9);
    // QFontInfo may give the family's localised name: compare with what the family itself gives.
    QCOMPARE(QFontInfo(font).family(), QFontInfo(QFont(resolved, 9)).family());
    if (chinese)
        QVERIFY(QFontMetrics(font).inFontUcs4(U'张'));
    // Every substitute is an installed font, so a missing glyph falls back to a real one.
    for (const QString &family : QFont::substitutes(asked))
        QVERIFY2(QFontDatabase::hasFamily(family), qPrintable(family));
}

// --- data grid --------------------------------------------------------------------------------

namespace {

void openContacts(txl::db::Query &query) {
    TDataModule1::reload(query, u"select * from UsersInfo"_s);
}

QString indicatorOf(const QueryModel &model, int row) {
    return model.headerData(row, Qt::Vertical, Qt::DisplayRole).toString();
}

}   // namespace

void UiTest::gridFollowsQueryBothWays() {
    txl::test::ModuleFixture fixture;
    for (const QString &name : {u"张三"_s, u"李四"_s, u"王五"_s, u"赵六"_s})
        fixture.addContact({name, u"男"_s});
    txl::db::Query &query = fixture.module().query;
    openContacts(query);

    DataGrid grid(query);
    grid.resize(600, 300);
    grid.show();
    QVERIFY(QTest::qWaitForWindowExposed(&grid));
    QueryModel &model = *grid.queryModel();
    QCOMPARE(model.rowCount(), 4);
    QCOMPARE(model.columnCount(), 9);
    QCOMPARE(model.headerData(0, Qt::Horizontal, Qt::DisplayRole).toString(), u"姓名"_s);
    QCOMPARE(model.data(model.index(2, 0), Qt::DisplayRole).toString(), u"王五"_s);
    QCOMPARE(grid.currentIndex().row(), 0);
    QCOMPARE(indicatorOf(model, 0), u"▶"_s);
    QCOMPARE(indicatorOf(model, 1), QString());

    // The query moves: the view and the indicator follow.
    query.next();
    query.next();
    QCOMPARE(grid.currentIndex().row(), 2);
    QCOMPARE(grid.selectionModel()->selectedRows().size(), 1);
    QCOMPARE(grid.selectionModel()->selectedRows().first().row(), 2);
    QCOMPARE(indicatorOf(model, 2), u"▶"_s);
    QCOMPARE(indicatorOf(model, 0), QString());

    // A click on a row moves the query, once.
    QSignalSpy moves(&query, &txl::db::Query::currentChanged);
    QTest::mouseClick(grid.viewport(), Qt::LeftButton, {}, grid.visualRect(model.index(1, 3)).center());
    QCOMPARE(query.currentRow(), 1);
    QCOMPARE(moves.count(), 1);
    QCOMPARE(indicatorOf(model, 1), u"▶"_s);

    // The keyboard and the indicator column move it as well.
    QTest::keyClick(&grid, Qt::Key_Down);
    QCOMPARE(query.currentRow(), 2);
    const QHeaderView *indicators = grid.verticalHeader();
    const int top = indicators->sectionViewportPosition(3) + indicators->sectionSize(3) / 2;
    QTest::mouseClick(grid.verticalHeader()->viewport(), Qt::LeftButton, {}, QPoint(4, top));
    QCOMPARE(query.currentRow(), 3);
    QCOMPARE(grid.currentIndex().row(), 3);

    // Delete does nothing in the grid.
    QTest::keyClick(&grid, Qt::Key_Delete);
    QCOMPARE(query.recordCount(), 4);
    QCOMPARE(model.rowCount(), 4);
    QCOMPARE(grid.editTriggers(), QAbstractItemView::NoEditTriggers);
}

void UiTest::gridTracksResults() {
    txl::test::ModuleFixture fixture;
    for (const QString &name : {u"张三"_s, u"李四"_s, u"王五"_s})
        fixture.addContact({name, u"女"_s});
    txl::db::Query &query = fixture.module().query;
    openContacts(query);
    DataGrid grid(query);
    grid.setColumnWidthFor(u"姓名"_s, 64);
    grid.setColumnWidthFor(u"家庭住址"_s, 100);
    grid.show();
    QueryModel &model = *grid.queryModel();
    QCOMPARE(grid.columnWidth(0), 64);

    // A new result replaces the rows; the designed widths stay.
    TDataModule1::reload(query, u"select * from UsersInfo where 姓名 = :n"_s, {{u"n"_s, u"李四"_s}});
    QCOMPARE(model.rowCount(), 1);
    QCOMPARE(model.data(model.index(0, 0), Qt::DisplayRole).toString(), u"李四"_s);
    QCOMPARE(grid.columnWidth(0), 64);
    QCOMPARE(grid.columnWidth(8), 100);
    QCOMPARE(grid.currentIndex().row(), 0);

    query.close();
    QCOMPARE(model.rowCount(), 0);
    QCOMPARE(model.columnCount(), 0);

    // A post re-reads the row; a delete removes it and the view stays on the query's row.
    openContacts(query);
    query.moveTo(1);
    QSignalSpy changed(&model, &QAbstractItemModel::dataChanged);
    query.edit();
    query.setFieldByName(u"姓名"_s, u"李四四"_s);
    query.post();
    QCOMPARE(changed.count(), 1);
    QCOMPARE(model.data(model.index(1, 0), Qt::DisplayRole).toString(), u"李四四"_s);

    QSignalSpy moves(&query, &txl::db::Query::currentChanged);
    query.deleteRow();
    QCOMPARE(model.rowCount(), 2);
    QCOMPARE(model.data(model.index(1, 0), Qt::DisplayRole).toString(), u"王五"_s);
    QCOMPARE(grid.currentIndex().row(), query.currentRow());
    QCOMPARE(indicatorOf(model, query.currentRow()), u"▶"_s);
    QCOMPARE(moves.count(), 1);   // only the query's own move; the view did not move it again
}

void UiTest::gridDoubleClickAnywhere_data() {
    QTest::addColumn<QString>("where");
    QTest::newRow("data row") << u"row"_s;
    QTest::newRow("title row") << u"titles"_s;
    QTest::newRow("indicator column") << u"indicator"_s;
    QTest::newRow("empty area below the rows") << u"empty"_s;
}

void UiTest::gridDoubleClickAnywhere() {
    QFETCH(QString, where);
    txl::test::ModuleFixture fixture;
    for (const QString &name : {u"张三"_s, u"李四"_s, u"王五"_s})
        fixture.addContact({name});
    txl::db::Query &query = fixture.module().query;
    openContacts(query);
    DataGrid grid(query);
    grid.resize(600, 300);
    grid.show();
    QVERIFY(QTest::qWaitForWindowExposed(&grid));

    int rowAtDoubleClick = -1;
    int doubleClicks = 0;
    connect(&grid, &DataGrid::gridDblClick, &grid, [&] {
        ++doubleClicks;
        rowAtDoubleClick = query.currentRow();
    });
    const QueryModel &model = *grid.queryModel();
    if (where == u"row") {
        QTest::mouseDClick(grid.viewport(), Qt::LeftButton, {}, grid.visualRect(model.index(2, 1)).center());
        QCOMPARE(rowAtDoubleClick, 2);   // the first click already made the row current
    } else if (where == u"titles") {
        const QHeaderView *titles = grid.horizontalHeader();
        QTest::mouseDClick(
            titles->viewport(), Qt::LeftButton, {},
            QPoint(titles->sectionViewportPosition(1) + titles->sectionSize(1) / 2, titles->height() / 2));
    } else if (where == u"indicator") {
        QTest::mouseDClick(
            grid.verticalHeader()->viewport(), Qt::LeftButton, {},
            QPoint(4, grid.verticalHeader()->sectionViewportPosition(1) + grid.verticalHeader()->sectionSize(1) / 2));
    } else {
        QTest::mouseDClick(grid.viewport(), Qt::LeftButton, {}, QPoint(20, grid.viewport()->height() - 5));
        QCOMPARE(rowAtDoubleClick, 0);
    }
    QCOMPARE(doubleClicks, 1);
}

TXL_TEST_MAIN(UiTest)
#include "test_ui.moc"
