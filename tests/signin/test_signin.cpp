// The login window and the loading window: the sign-in check, the three attempts, the keys the
// window sees first, the exit button's pictures, and the loading ticks that hand over to the main
// window.

#include "tests/support/Windows.h"

#include "app/HandOver.h"
#include "data/PasswordHash.h"
#include "data/U2.h"
#include "main/UStu.h"
#include "signin/Ufirst.h"
#include "signin/Ulogin.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QSignalSpy>
#include <QStyle>
#include <QTimer>

#include <memory>

using namespace Qt::StringLiterals;
using txl::test::WindowFixture;
using txl::ui::Application;
using txl::ui::BoxKind;

// What one press of the login action did.
enum class Outcome { SignedIn, Blank, Wrong };
Q_DECLARE_METATYPE(Outcome)

namespace {

const QString Blank = u"请你输入密码！"_s;
const QString Wrong = u"你输入的密码不正确，请重新输入！"_s;
const QString UsedUp = u"对不起！你已经达到三次了，请在启动本软件！"_s;

void copyExitPictures() {
    QDir().mkpath(u"images"_s);
    for (const QString &name : {u"02.bmp"_s, u"02_1.bmp"_s})
        QVERIFY(QFile::copy(QStringLiteral(TXL_IMAGES_DIR) + u'/' + name, u"images/"_s + name));
}

void sendMouse(QWidget *target, QEvent::Type type, Qt::MouseButton button = Qt::LeftButton) {
    const QPointF at(target->width() / 2.0, target->height() / 2.0);
    const Qt::MouseButtons held = type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::MouseButtons(button);
    QMouseEvent event(type, at, target->mapToGlobal(at), type == QEvent::MouseMove ? Qt::NoButton : button, held,
                      Qt::NoModifier);
    QCoreApplication::sendEvent(target, &event);
}

}   // namespace

class SigninTest : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<WindowFixture> m_fixture;

    // The start of a run: the login window is the first form, and it is shown.
    TForm2 *openLogin() {
        Form2 = Application::instance()->createForm<TForm2>();
        Form2->show();
        return Form2;
    }

    static void choose(const QString &account) {
        const int index = Form2->ComboBox2->findText(account, Qt::MatchExactly);
        QVERIFY2(index >= 0, qPrintable(u"no entry "_s + account));
        Form2->ComboBox2->setCurrentIndex(index);
    }

    static void press() { QTest::mouseClick(Form2->Image2, Qt::LeftButton); }

    // Types `password` for `account` and presses the login button once.
    void attempt(const QString &account, const QString &password) {
        choose(account);
        Form2->Edit2->setText(password);
        QCOMPARE(Form2->Edit2->text(), password);   // the field keeps every character
        press();
    }

    static bool signedIn() { return First != nullptr && First->isVisible() && !Form2->isVisible(); }

private Q_SLOTS:
    void init() {
        m_fixture = std::make_unique<WindowFixture>();
        txl::app::installHandOver();   // a sign-in goes on to the loading window, as in a run
    }

    void cleanup() { m_fixture.reset(); }

    void design() {
        openLogin();
        QCOMPARE(Form2->size(), QSize(311, 210));
        QVERIFY(Form2->windowFlags().testFlag(Qt::FramelessWindowHint));
        QVERIFY(!Form2->ComboBox2->isEditable());
        QCOMPARE(Form2->Edit2->echoMode(), QLineEdit::Password);
        QCOMPARE(Form2->Edit2->style()->styleHint(QStyle::SH_LineEdit_PasswordCharacter, nullptr, Form2->Edit2),
                 int(u'*'));
        QVERIFY(!Form2->Edit2->hasFrame());
        QCOMPARE(Form2->Edit2->font().pixelSize(), 13);
        QCOMPARE(Form2->Edit2->maxLength(), 32767);   // no limit of its own

        // The first control that Tab reaches is the password field.
        QWidget *first = Form2->nextInFocusChain();
        while (first != Form2 && !(first->focusPolicy() & Qt::TabFocus && first->isEnabled()))
            first = first->nextInFocusChain();
        QCOMPARE(first, Form2->Edit2);

        // Only a left-button press on the background moves the window.
        QSignalSpy moves(Form2, &txl::ui::Form::systemMoveRequested);
        sendMouse(Form2->Image1, QEvent::MouseButtonPress, Qt::RightButton);
        QCOMPARE(moves.count(), 0);
        sendMouse(Form2->Image1, QEvent::MouseButtonPress);
        QCOMPARE(moves.count(), 1);
    }

    void places_data() {
        QTest::addColumn<QString>("window");
        QTest::addColumn<QString>("control");
        QTest::addColumn<QRect>("place");   // an empty size: only the position is fixed
        const QString login = u"login"_s;
        QTest::newRow("login background") << login << u"Image1"_s << QRect(-1, -2, 312, 212);
        QTest::newRow("login account chooser") << login << u"ComboBox2"_s << QRect(107, 80, 139, 21);
        QTest::newRow("login password") << login << u"Edit2"_s << QRect(109, 123, 121, 16);
        QTest::newRow("login button") << login << u"Image2"_s << QRect(60, 177, 73, 25);
        QTest::newRow("login exit button") << login << u"Image3"_s << QRect(189, 178, 65, 25);
        QTest::newRow("login close mark") << login << u"Image4"_s << QRect(288, 0, 25, 16);
        QTest::newRow("login unused chooser") << login << u"ComboBox1"_s << QRect(107, 82, 139, 19);
        const QString loading = u"loading"_s;
        QTest::newRow("loading title picture") << loading << u"Image1"_s << QRect(0, 0, 397, 283);
        QTest::newRow("loading caption") << loading << u"Label1"_s << QRect(16, 152, 0, 0);
        QTest::newRow("loading dots") << loading << u"Label2"_s << QRect(93, 152, 0, 0);
    }

    void places() {
        QFETCH(QString, window);
        QFETCH(QString, control);
        QFETCH(QRect, place);
        std::unique_ptr<QWidget> form;
        if (window == u"login")
            form.reset(Application::instance()->createForm<TForm2>());
        else
            form.reset(new TFirst);
        txl::test::comparePlace(form.get(), control, place);
    }

    // The captions are drawn in the picture; assistive technology hears them as the controls'
    // names, and presses the picture buttons.
    void accessible_data() {
        QTest::addColumn<QString>("control");
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("button");
        QTest::addColumn<QString>("pressed");   // what pressing the button did
        QTest::newRow("account chooser") << u"ComboBox2"_s << u"用户名称"_s << false << QString();
        QTest::newRow("password") << u"Edit2"_s << u"用户密码"_s << false << QString();
        QTest::newRow("login button") << u"Image2"_s << u"登录"_s << true << Blank;
        QTest::newRow("exit button") << u"Image3"_s << u"退出"_s << true << u"closed"_s;
        QTest::newRow("close mark") << u"Image4"_s << u"关闭"_s << true << u"closed"_s;
    }

    void accessible() {
        QFETCH(QString, control);
        QFETCH(QString, name);
        QFETCH(bool, button);
        QFETCH(QString, pressed);
        copyExitPictures();
        openLogin();
        txl::test::compareAccessible(Form2, control, name, button);
        if (pressed == u"closed")
            QVERIFY(!Form2->isVisible());
        else
            QCOMPARE(m_fixture->boxes.texts(), pressed.isEmpty() ? QStringList() : QStringList{pressed});
    }

    void loadingDesign() {
        const std::unique_ptr<TFirst> loading(new TFirst);
        QCOMPARE(loading->size(), QSize(398, 283));
        QVERIFY(loading->windowFlags().testFlag(Qt::FramelessWindowHint));
        QCOMPARE(loading->Label1->text(), u"正在加载中："_s);
        QCOMPARE(loading->Label1->font().pixelSize(), 12);
        QCOMPARE(loading->Label2->text(), QString());
        QCOMPARE(loading->Label2->font().pixelSize(), 13);
        QVERIFY(loading->Label2->font().bold());
        QVERIFY(!loading->Label1->autoFillBackground() && !loading->Label2->autoFillBackground());
        QVERIFY(!loading->Timer1->isActive());   // started by the show handler
        QCOMPARE(loading->Timer1->interval(), 1000);
    }

    // The chooser lists the accounts in the table's order, not sorted, the first one selected.
    void chooserFilledOnShow() {
        m_fixture->addAccount(u"zhang"_s, u"a"_s);
        m_fixture->addAccount(u"abc"_s, u"b"_s);
        m_fixture->addAccount(u"zhang"_s, u"c"_s);
        openLogin();
        QStringList entries;
        for (int i = 0; i < Form2->ComboBox2->count(); ++i)
            entries << Form2->ComboBox2->itemText(i);
        QCOMPARE(entries, QStringList({u"chief"_s, u"zhang"_s, u"abc"_s, u"zhang"_s}));
        QCOMPARE(Form2->ComboBox2->currentIndex(), 0);
        QCOMPARE(Form2->attemptsLeft(), 3);
        QVERIFY(m_fixture->boxes.empty());
    }

    void login_data() {
        QTest::addColumn<QString>("account");
        QTest::addColumn<QString>("password");
        QTest::addColumn<Outcome>("outcome");

        const QString chief = u"chief"_s;
        QTest::newRow("right password") << chief << u"123456"_s << Outcome::SignedIn;
        QTest::newRow("right password surrounded by spaces") << chief << u"  123456\t "_s << Outcome::SignedIn;
        QTest::newRow("second account, its own password") << u"张三"_s << u"密码 word"_s << Outcome::SignedIn;
        QTest::newRow("empty") << chief << QString() << Outcome::Blank;
        QTest::newRow("spaces only") << chief << u"   "_s << Outcome::Blank;
        QTest::newRow("wrong password") << chief << u"654321"_s << Outcome::Wrong;
        QTest::newRow("another account's password") << u"张三"_s << u"123456"_s << Outcome::Wrong;
        QTest::newRow("letter case differs") << u"张三"_s << u"密码 WORD"_s << Outcome::Wrong;
        QTest::newRow("space inside") << chief << u"123 456"_s << Outcome::Wrong;
        QTest::newRow("quote: or 1=1") << chief << u"' or '1'='1"_s << Outcome::Wrong;
        QTest::newRow("quote: comment out the rest") << chief << u"chief'--"_s << Outcome::Wrong;
        QTest::newRow("double quotes: or \"\"=\"") << chief << u"\" or \"\"=\""_s << Outcome::Wrong;
        QTest::newRow("right password, then a quoted or") << chief << u"123456' or '1'='1"_s << Outcome::Wrong;
        QTest::newRow("statement after a quote") << chief << u"x'; delete from LoginInfo; --"_s << Outcome::Wrong;
        QTest::newRow("NUL after the right password") << chief << u"123456"_s + QChar(0) + u"x"_s << Outcome::Wrong;
        QTest::newRow("10,000 characters starting with the right password")
            << chief << u"123456"_s + QString(9994, u'9') << Outcome::Wrong;
        QTest::newRow("full-width quotes") << chief << u"＇ or ＇1＇=＇1"_s << Outcome::Wrong;
        QTest::newRow("curly quotes") << chief << u"’ or ‘1’=‘1"_s << Outcome::Wrong;
        QTest::newRow("stored hash typed as password") << chief << u"$argon2id$"_s << Outcome::Wrong;
        QTest::newRow("parameter marker") << chief << u":p1"_s << Outcome::Wrong;
    }

    // One press: it signs in, or it is refused with its message; either way it uses one attempt.
    void login() {
        QFETCH(QString, account);
        QFETCH(QString, password);
        QFETCH(Outcome, outcome);
        m_fixture->addAccount(u"张三"_s, u"密码 word"_s);
        const int accounts = m_fixture->count(u"select count(*) from LoginInfo"_s);
        openLogin();

        attempt(account, password);

        QCOMPARE(Form2->attemptsLeft(), 2);
        QCOMPARE(m_fixture->count(u"select count(*) from LoginInfo"_s), accounts);
        QVERIFY(!Application::instance()->terminated());
        switch (outcome) {
        case Outcome::SignedIn:
            QVERIFY(m_fixture->boxes.empty());
            QVERIFY(signedIn());
            QCOMPARE(Form2->signedInUser(), account);
            break;
        case Outcome::Blank:
            QCOMPARE(m_fixture->boxes.texts(), QStringList{Blank});
            QCOMPARE(m_fixture->boxes.last().kind, BoxKind::Information);
            QCOMPARE(Form2->Edit2->text(), password);   // kept as typed
            QVERIFY(First == nullptr && Form2->isVisible());
            break;
        case Outcome::Wrong:
            QCOMPARE(m_fixture->boxes.texts(), QStringList{Wrong});
            QCOMPARE(m_fixture->boxes.last().kind, BoxKind::Information);
            QVERIFY(Form2->Edit2->text().isEmpty());   // emptied for the next try
            QVERIFY(First == nullptr && Form2->isVisible());
            QVERIFY(Form2->signedInUser().isEmpty());
            break;
        }
    }

    // Accounts may share a name; the password of any of them signs in under that name.
    void sharedName_data() {
        QTest::addColumn<QString>("password");
        QTest::newRow("the first account's") << u"123456"_s;
        QTest::newRow("the second account's") << u"other"_s;
    }

    void sharedName() {
        QFETCH(QString, password);
        m_fixture->addAccount(u"chief"_s, u"other"_s);
        openLogin();
        Form2->ComboBox2->setCurrentIndex(1);   // either entry: the check is by name
        Form2->Edit2->setText(password);
        press();
        QVERIFY(m_fixture->boxes.empty());
        QVERIFY(signedIn());
        QCOMPARE(Form2->signedInUser(), u"chief"_s);
    }

    void threeFailures_data() {
        QTest::addColumn<QStringList>("passwords");
        QTest::addColumn<QStringList>("messages");
        QTest::newRow("wrong, wrong, wrong") << QStringList{u"1"_s, u"2"_s, u"3"_s} << QStringList{Wrong, Wrong, Wrong};
        QTest::newRow("blank, wrong, blank")
            << QStringList{u" "_s, u"x"_s, QString()} << QStringList{Blank, Wrong, Blank};
        QTest::newRow("quote, blank, wrong")
            << QStringList{u"' or '1'='1"_s, QString(), u"12345"_s} << QStringList{Wrong, Blank, Wrong};
    }

    // The third failed press shows its own message, then the closing one, and the run ends.
    void threeFailures() {
        QFETCH(QStringList, passwords);
        QFETCH(QStringList, messages);
        openLogin();
        for (int i = 0; i < 3; ++i) {
            QVERIFY(!Application::instance()->terminated());
            attempt(u"chief"_s, passwords[i]);
            QCOMPARE(m_fixture->boxes.texts().mid(i, 1), QStringList{messages[i]});
        }
        QCOMPARE(m_fixture->boxes.texts(), messages + QStringList{UsedUp});
        QCOMPARE(m_fixture->boxes.last().kind, BoxKind::Information);
        QVERIFY(!Form2->isVisible());
        QVERIFY(Application::instance()->terminated());
        QVERIFY(First == nullptr);
    }

    // Each message comes at its own step: the press is counted before its box, a wrong password
    // is emptied after its box, and the window closes only after the last message.
    void stepsAroundTheBoxes() {
        openLogin();
        QStringList seen;
        txl::ui::setAnswerer([&seen](const txl::ui::BoxRecord &box) {
            seen << u"%1 | %2 left, field \"%3\", %4, %5"_s.arg(box.text)
                        .arg(Form2->attemptsLeft())
                        .arg(Form2->Edit2->text(), Form2->isVisible() ? u"shown"_s : u"hidden"_s,
                             Application::instance()->terminated() ? u"ended"_s : u"running"_s);
            return box.enterAnswer;
        });
        attempt(u"chief"_s, u"  "_s);
        attempt(u"chief"_s, u"wrong"_s);
        attempt(u"chief"_s, u"bad"_s);
        QCOMPARE(seen, QStringList({Blank + u" | 2 left, field \"  \", shown, running"_s,
                                    Wrong + u" | 1 left, field \"wrong\", shown, running"_s,
                                    Wrong + u" | 0 left, field \"bad\", shown, running"_s,
                                    UsedUp + u" | 0 left, field \"\", shown, running"_s}));
        QVERIFY(Application::instance()->terminated());
    }

    // The last press allowed still enters the program when it is right.
    void successfulThirdPress() {
        openLogin();
        attempt(u"chief"_s, u"wrong"_s);
        attempt(u"chief"_s, QString());
        attempt(u"chief"_s, u" 123456 "_s);
        QCOMPARE(m_fixture->boxes.texts(), QStringList({Wrong, Blank}));
        QCOMPARE(Form2->attemptsLeft(), 0);
        QVERIFY(signedIn());
        QVERIFY(!Application::instance()->terminated());
    }

    void keys_data() {
        QTest::addColumn<QString>("focus");
        QTest::addColumn<int>("key");
        QTest::newRow("F4 in the password field") << u"Edit2"_s << int(Qt::Key_F4);
        QTest::newRow("F4 in the chooser") << u"ComboBox2"_s << int(Qt::Key_F4);
        QTest::newRow("F4 in the chooser's open list") << u"list"_s << int(Qt::Key_F4);
        QTest::newRow("F5 in the password field") << u"Edit2"_s << int(Qt::Key_F5);
        QTest::newRow("F5 in the chooser") << u"ComboBox2"_s << int(Qt::Key_F5);
        QTest::newRow("F5 in the chooser's open list") << u"list"_s << int(Qt::Key_F5);
    }

    // The window sees F5 and F4 before the control with the focus; other keys reach the control.
    void keys() {
        QFETCH(QString, focus);
        QFETCH(int, key);
        openLogin();
        QTest::keyClicks(Form2->Edit2, u"123456"_s);
        QCOMPARE(Form2->Edit2->text(), u"123456"_s);
        QWidget *target = nullptr;
        if (focus == u"list") {
            Form2->ComboBox2->showPopup();
            target = Form2->ComboBox2->view();
            QVERIFY(target->isVisible());
        } else {
            target = Form2->findChild<QWidget *>(focus);
            QVERIFY(target);
            target->setFocus();
        }

        QTest::keyClick(target, Qt::Key(key));

        if (key == Qt::Key_F4) {
            QVERIFY(!Form2->isVisible());
            QVERIFY(Application::instance()->terminated());
            QVERIFY(First == nullptr);
        } else {
            QVERIFY(signedIn());
            QVERIFY(!Application::instance()->terminated());
        }
        QVERIFY(m_fixture->boxes.empty());
    }

    // With no account at all, the chooser is empty and no password signs in.
    void emptyLoginInfo() {
        m_fixture->exec(u"delete from LoginInfo"_s);
        openLogin();
        QCOMPARE(Form2->ComboBox2->count(), 0);
        QVERIFY(m_fixture->boxes.empty());
        Form2->Edit2->setText(u"123456"_s);
        press();
        QCOMPARE(m_fixture->boxes.texts(), QStringList{Wrong});
        QCOMPARE(Form2->attemptsLeft(), 2);
        QVERIFY(First == nullptr);
    }

    // A look-up that cannot run, not even as a command, is the default error report: the press is
    // used, the typed password stays, and the action ends there, before the count is looked at.
    void lookUpFails() {
        openLogin();
        DataModule1->con.close();
        QVERIFY(QFile::rename(u"DataBase/txl.mdb"_s, u"DataBase/away.mdb"_s));
        for (int i = 0; i < 3; ++i)
            attempt(u"chief"_s, u"123456"_s);
        QVERIFY(QFile::rename(u"DataBase/away.mdb"_s, u"DataBase/txl.mdb"_s));

        QCOMPARE(m_fixture->boxes.boxes().size(), std::size_t(3));
        for (const txl::ui::BoxRecord &box : m_fixture->boxes.boxes())
            QCOMPARE(box.kind, BoxKind::Error);
        QCOMPARE(Form2->attemptsLeft(), 0);
        QCOMPARE(Form2->Edit2->text(), u"123456"_s);
        QVERIFY(Form2->isVisible() && First == nullptr);
        QVERIFY(!Application::instance()->terminated());
    }

    // The exit button takes its looks from the working folder's pictures.
    void exitButtonPictures() {
        copyExitPictures();
        openLogin();
        const QImage idle = Form2->Image3->pixmap().toImage();

        sendMouse(Form2->Image3, QEvent::MouseMove);
        const QImage hover = Form2->Image3->pixmap().toImage();
        QCOMPARE(hover, QImage(u"images/02.bmp"_s).convertToFormat(hover.format()));
        QVERIFY(hover != idle);

        sendMouse(Form2->Image3, QEvent::MouseButtonPress);
        const QImage pressed = Form2->Image3->pixmap().toImage();
        QCOMPARE(pressed, QImage(u"images/02_1.bmp"_s).convertToFormat(pressed.format()));
        QVERIFY(m_fixture->boxes.empty());
        QVERIFY(Form2->Image3->hasMouseTracking());   // moves count without a button held
    }

    // Without the picture files every movement and press over the button is reported.
    void exitButtonPicturesMissing() {
        openLogin();
        sendMouse(Form2->Image3, QEvent::MouseMove);
        sendMouse(Form2->Image3, QEvent::MouseMove);
        sendMouse(Form2->Image3, QEvent::MouseButtonPress);
        QCOMPARE(m_fixture->boxes.boxes().size(), std::size_t(3));
        for (const txl::ui::BoxRecord &box : m_fixture->boxes.boxes())
            QCOMPARE(box.kind, BoxKind::Error);
        QVERIFY(m_fixture->boxes.texts()[0].contains(u"02.bmp"_s));
        QVERIFY(m_fixture->boxes.texts()[2].contains(u"02_1.bmp"_s));
        QVERIFY(Form2->isVisible());
    }

    void leaving_data() {
        QTest::addColumn<QString>("picture");
        QTest::newRow("exit button") << u"Image3"_s;
        QTest::newRow("close mark") << u"Image4"_s;
    }

    // Leaving the login window ends the run; it is the main form.
    void leaving() {
        QFETCH(QString, picture);
        copyExitPictures();
        openLogin();
        QTest::mouseClick(Form2->findChild<QLabel *>(picture), Qt::LeftButton);
        QVERIFY(!Form2->isVisible());
        QVERIFY(Application::instance()->terminated());
        QVERIFY(m_fixture->boxes.empty());
    }

    // The loading window counts ticks for the whole run: ".", "..", "...", ".", "..", then the
    // sixth tick closes it and the main window takes over from the login window.
    void loadingTicks() {
        QCOMPARE(TFirst::ticks(), 0);   // nothing else in this program ticks
        openLogin();
        Form2->Edit2->setText(u"123456"_s);
        press();
        QVERIFY(signedIn());
        QVERIFY(First->Timer1->isActive());
        QCOMPARE(First->Timer1->interval(), 1000);
        QCOMPARE(First->Label2->text(), QString());

        QStringList dots;
        for (int i = 0; i < 5; ++i) {
            First->Timer1Timer();
            dots << First->Label2->text();
        }
        QCOMPARE(dots, QStringList({u"."_s, u".."_s, u"..."_s, u"."_s, u".."_s}));
        QVERIFY(First->isVisible());
        QVERIFY(Form1 == nullptr);

        First->Timer1Timer();
        QVERIFY(!First->isVisible());
        QVERIFY(!First->Timer1->isActive());
        QVERIFY(Form1 != nullptr && Form1->isVisible());
        QCOMPARE(Form1->user, u"chief"_s);
        QVERIFY(Form2 == nullptr);   // freed once the main window had its copy of the user
        QVERIFY(!Application::instance()->terminated());
        QCOMPARE(TFirst::ticks(), 5);

        // The count is never reset: another loading window would close on its first tick.
        TForm1 *mainWindow = Form1;
        Form1 = nullptr;
        TFirst *firstLoading = First;
        First = new TFirst;
        First->show();
        First->Timer1Timer();
        QVERIFY(!First->isVisible());
        QCOMPARE(First->Label2->text(), QString());
        delete firstLoading;
        delete mainWindow;
        QVERIFY(m_fixture->boxes.empty());
    }
};

TXL_TEST_MAIN(SigninTest)
#include "test_signin.moc"
