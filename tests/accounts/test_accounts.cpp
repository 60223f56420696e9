// The account manager and the password window: adding and deleting accounts, changing the
// signed-in user's password, and what ends up in LoginInfo.

#include "tests/support/OrdinaryUser.h"
#include "tests/support/Windows.h"

#include "accounts/UShezhi.h"
#include "accounts/Uxt.h"
#include "app/HandOver.h"
#include "data/PasswordHash.h"
#include "data/U2.h"
#include "main/UStu.h"
#include "signin/Ufirst.h"
#include "signin/Ulogin.h"

#include <QAbstractButton>
#include <QButtonGroup>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMouseEvent>
#include <QPushButton>
#include <QSignalSpy>
#include <QStyle>

#include <memory>

using namespace Qt::StringLiterals;
using txl::test::WindowFixture;
using txl::ui::Application;
using txl::ui::BoxKind;

Q_DECLARE_METATYPE(txl::ui::BoxKind)

namespace {

struct Account {
    qint64 rowid;
    QString name;
    QString pwd;
};

QStringList listEntries(const QListWidget *list) {
    QStringList out;
    for (int i = 0; i < list->count(); ++i)
        out << list->item(i)->text();
    return out;
}

void pressPicture(QLabel *picture) {
    QTest::mouseClick(picture, Qt::LeftButton);
}

}   // namespace

class AccountsTest : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<WindowFixture> m_fixture;

    // LoginInfo as stored, in row order.
    QList<Account> accounts() const {
        txl::db::Query q(DataModule1->con, u"check"_s);
        q.setSql(u"select rowid, Name, Pwd from LoginInfo order by rowid"_s);
        q.open();
        QList<Account> out;
        for (int i = 0; i < q.recordCount(); ++i)
            out.push_back({q.value(i, 0).toLongLong(), q.value(i, 1), q.value(i, 2)});
        return out;
    }

    static bool signsIn(const Account &account, const QString &password) {
        return txl::password::verify(account.pwd, password);
    }

    // The main window of the administrator, as the hand-over leaves it: shown, the login window
    // freed. Only under it does the account manager open.
    static void signInAsAdministrator() {
        Form2 = Application::instance()->createForm<TForm2>();
        Form2->setSignedInUser(u"chief"_s);
        Form1 = Application::instance()->createForm<TForm1>();
        Form1->show();
        txl::test::release(Form2);
    }

    // The account manager as the administrator's main window shows it.
    static TForm4 *openManager() {
        if (Form1 == nullptr)
            signInAsAdministrator();
        Form4 = Application::instance()->createForm<TForm4>();
        Form4->show();
        return Form4;
    }

    static void deleteMode() {
        QTest::mouseClick(Form4->RadioGroup1Items->button(1), Qt::LeftButton);
        QCOMPARE(Form4->modeIndex(), 1);
    }

    // Chooses entry `entry` of the manager's list and presses 删除.
    static void deleteEntry(int entry) {
        Form4->DBListBox1->setCurrentRow(entry, QItemSelectionModel::ClearAndSelect);
        QTest::mouseClick(Form4->Button2, Qt::LeftButton);
    }

    // Types an account into the manager and presses 添加.
    static void addInManager(const QString &name, const QString &password) {
        Form4->Edit1->setText(name);
        Form4->Edit2->setText(password);
        QTest::mouseClick(Form4->Button1, Qt::LeftButton);
    }

    // Types the new password and its repetition into the password window and presses confirm.
    static void confirmPassword(const QString &first, const QString &second) {
        Shezhi->Edit1->setText(first);
        Shezhi->Edit2->setText(second);
        pressPicture(Shezhi->Image4);
    }

    // The password window of the signed-in user `user`, opened from the main window.
    static TShezhi *openPasswordWindow(const QString &user) {
        Form1 = Application::instance()->createForm<TForm1>();
        Form1->user = user;
        Shezhi = Application::instance()->createForm<TShezhi>();
        Shezhi->show();
        return Shezhi;
    }

    // A new run's login window: does `password` sign in as `name`?
    bool loginWorks(const QString &name, const QString &password) {
        Form2 = Application::instance()->createForm<TForm2>();
        Form2->show();
        bool ok = false;
        for (int i = 0; i < Form2->ComboBox2->count() && !ok; ++i) {
            if (Form2->ComboBox2->itemText(i) != name)
                continue;
            Form2->ComboBox2->setCurrentIndex(i);
            Form2->Edit2->setText(password);
            const std::size_t before = m_fixture->boxes.boxes().size();
            QTest::mouseClick(Form2->Image2, Qt::LeftButton);
            ok = First != nullptr && m_fixture->boxes.boxes().size() == before;
        }
        txl::test::release(First);
        txl::test::release(Form2);
        return ok;
    }

private Q_SLOTS:
    void init() {
        m_fixture = std::make_unique<WindowFixture>();
        txl::app::installHandOver();   // a sign-in goes on to the loading window, as in a run
        // By the time the main window opens these windows, the login window (the main form) has
        // been freed: none of them is the main form.
        delete Application::instance()->createForm<txl::ui::Form>(u"Form2"_s);
    }

    void cleanup() { m_fixture.reset(); }

    // ---- account manager ------------------------------------------------------------------

    void places_data() {
        QTest::addColumn<QString>("window");
        QTest::addColumn<QString>("control");
        QTest::addColumn<QRect>("place");   // an empty size: only the position is fixed
        const QString manager = u"manager"_s;
        QTest::newRow("manager mode chooser") << manager << u"RadioGroup1"_s << QRect(13, 8, 212, 41);
        QTest::newRow("manager add group") << manager << u"GroupBox1"_s << QRect(13, 51, 212, 86);
        QTest::newRow("manager name") << manager << u"Edit1"_s << QRect(64, 25, 121, 21);
        QTest::newRow("manager password") << manager << u"Edit2"_s << QRect(64, 56, 121, 21);
        QTest::newRow("manager delete group") << manager << u"GroupBox2"_s << QRect(13, 141, 212, 105);
        QTest::newRow("manager list caption") << manager << u"Label3"_s << QRect(8, 24, 0, 0);
        QTest::newRow("manager list") << manager << u"DBListBox1"_s << QRect(64, 24, 121, 65);
        QTest::newRow("manager line") << manager << u"Bevel1"_s << QRect(4, 253, 229, 2);
        QTest::newRow("manager buttons group") << manager << u"GroupBox3"_s << QRect(13, 257, 212, 48);
        QTest::newRow("manager add button") << manager << u"Button1"_s << QRect(17, 16, 75, 25);
        QTest::newRow("manager delete button") << manager << u"Button2"_s << QRect(114, 16, 75, 25);
        const QString password = u"password"_s;
        QTest::newRow("password background") << password << u"Image1"_s << QRect(-1, -1, 267, 206);
        QTest::newRow("password user label") << password << u"Label1"_s << QRect(101, 39, 0, 0);
        QTest::newRow("password new") << password << u"Edit1"_s << QRect(102, 64, 116, 17);
        QTest::newRow("password repeated") << password << u"Edit2"_s << QRect(102, 96, 116, 17);
        QTest::newRow("password confirm button") << password << u"Image4"_s << QRect(36, 165, 58, 23);
        QTest::newRow("password exit button") << password << u"Image3"_s << QRect(160, 166, 63, 23);
        QTest::newRow("password close mark") << password << u"Image2"_s << QRect(243, 2, 18, 19);
    }

    void places() {
        QFETCH(QString, window);
        QFETCH(QString, control);
        QFETCH(QRect, place);
        const QWidget *form = window == u"manager" ? static_cast<QWidget *>(openManager())
                                                   : openPasswordWindow(u"chief"_s);
        txl::test::comparePlace(form, control, place);
    }

    // The password window's captions are drawn in its picture; assistive technology hears them as
    // the controls' names, and presses the picture buttons.
    void passwordAccessible_data() {
        QTest::addColumn<QString>("control");
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("button");
        QTest::addColumn<QString>("pressed");   // what pressing the button did
        QTest::newRow("user") << u"Label1"_s << u"操作员"_s << false << QString();
        QTest::newRow("new password") << u"Edit1"_s << u"新密码"_s << false << QString();
        QTest::newRow("repeated password") << u"Edit2"_s << u"再次输入"_s << false << QString();
        QTest::newRow("confirm button") << u"Image4"_s << u"确认"_s << true << u"请你输入密码!"_s;
        QTest::newRow("exit button") << u"Image3"_s << u"退出"_s << true << u"closed"_s;
        QTest::newRow("close mark") << u"Image2"_s << u"关闭"_s << true << u"closed"_s;
    }

    void passwordAccessible() {
        QFETCH(QString, control);
        QFETCH(QString, name);
        QFETCH(bool, button);
        QFETCH(QString, pressed);
        openPasswordWindow(u"chief"_s);
        txl::test::compareAccessible(Shezhi, control, name, button);
        if (pressed == u"closed")
            QVERIFY(!Shezhi->isVisible());
        else
            QCOMPARE(m_fixture->boxes.texts(), pressed.isEmpty() ? QStringList() : QStringList{pressed});
        // The user it is for stays heard beside the caption.
        QCOMPARE(Shezhi->Label1->accessibleDescription(), u"chief"_s);
    }

    void managerDesign() {
        openManager();
        QCOMPARE(Form4->size(), QSize(235, 311));
        QCOMPARE(Form4->windowTitle(), u"系统设置"_s);
        const Qt::WindowFlags flags = Form4->windowFlags();
        QVERIFY(!flags.testFlag(Qt::FramelessWindowHint));
        QVERIFY(flags.testFlag(Qt::WindowSystemMenuHint) && flags.testFlag(Qt::WindowMinimizeButtonHint));
        QVERIFY(!flags.testFlag(Qt::WindowMaximizeButtonHint));
        QCOMPARE(Form4->RadioGroup1->title(), u"请你选择设置前提"_s);
        QCOMPARE(Form4->RadioGroup1Items->button(0)->text(), u"添加好友"_s);
        QCOMPARE(Form4->RadioGroup1Items->button(1)->text(), u"删除好友"_s);
        QCOMPARE(Form4->GroupBox1->title(), u"添加新用户"_s);
        QCOMPARE(Form4->GroupBox2->title(), u"删除好友"_s);
        QCOMPARE(Form4->GroupBox3->title(), u"操作"_s);
        QCOMPARE(Form4->Button1->text(), u"添加"_s);
        QCOMPARE(Form4->Button2->text(), u"删除"_s);
        QCOMPARE(Form4->Edit1->echoMode(), QLineEdit::Normal);
        QCOMPARE(Form4->Edit2->echoMode(), QLineEdit::Password);
    }

    // The list holds the names in row order and is usable only in delete mode.
    void managerModes() {
        m_fixture->addAccount(u"zhang"_s, u"1"_s);
        m_fixture->addAccount(u"abc"_s, u"2"_s);
        openManager();
        QCOMPARE(listEntries(Form4->DBListBox1), QStringList({u"chief"_s, u"zhang"_s, u"abc"_s}));

        const auto adding = [] {
            return QList<bool>{Form4->Edit1->isEnabled(), Form4->Edit2->isEnabled(), Form4->Button1->isEnabled()};
        };
        const auto deleting = [] { return QList<bool>{Form4->DBListBox1->isEnabled(), Form4->Button2->isEnabled()}; };
        QCOMPARE(Form4->modeIndex(), 0);
        QCOMPARE(adding(), QList<bool>({true, true, true}));
        QCOMPARE(deleting(), QList<bool>({false, false}));

        deleteMode();
        QCOMPARE(adding(), QList<bool>({false, false, false}));
        QCOMPARE(deleting(), QList<bool>({true, true}));

        QTest::mouseClick(Form4->RadioGroup1Items->button(0), Qt::LeftButton);
        QCOMPARE(Form4->modeIndex(), 0);
        QCOMPARE(adding(), QList<bool>({true, true, true}));
        QCOMPARE(deleting(), QList<bool>({false, false}));
        QCOMPARE(Form4->Edit2->style()->styleHint(QStyle::SH_LineEdit_PasswordCharacter, nullptr, Form4->Edit2),
                 int(u'*'));
        QVERIFY(m_fixture->boxes.empty());
    }

    void addAccount_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("password");
        QTest::addColumn<QString>("signInWith");
        QTest::newRow("new name") << u"zhang"_s << u"pw1"_s << u"pw1"_s;
        QTest::newRow("same name as an existing account") << u"chief"_s << u"abc"_s << u"abc"_s;
        QTest::newRow("name with spaces, kept as typed") << u" li "_s << u"pw"_s << u"pw"_s;
        QTest::newRow("quotes are ordinary characters") << u"o'neil"_s << u"it's\"x"_s << u"it's\"x"_s;
        QTest::newRow("password with spaces around") << u"wang"_s << u" pw "_s << u"pw"_s;
    }

    // An added account is stored as a hash, listed in the next login window's chooser after
    // those already there, and signs in.
    void addAccount() {
        QFETCH(QString, name);
        QFETCH(QString, password);
        QFETCH(QString, signInWith);
        openManager();
        addInManager(name, password);

        QCOMPARE(m_fixture->boxes.texts(), QStringList{u"添加成功！"_s});
        QCOMPARE(m_fixture->boxes.last().kind, BoxKind::Plain);
        QVERIFY(!Form4->isVisible());
        QVERIFY(Form4->Edit1->text().isEmpty() && Form4->Edit2->text().isEmpty());

        const QList<Account> stored = accounts();
        QCOMPARE(stored.size(), 2);
        QCOMPARE(stored[1].name, name);
        QVERIFY(stored[1].pwd.startsWith(u"$argon2id$"));
        QVERIFY(signsIn(stored[1], signInWith));
        QVERIFY(signsIn(stored[0], u"123456"_s));   // the administrator is untouched

        Form2 = Application::instance()->createForm<TForm2>();
        Form2->show();
        QCOMPARE(Form2->ComboBox2->count(), 2);
        QCOMPARE(Form2->ComboBox2->itemText(0), u"chief"_s);
        QCOMPARE(Form2->ComboBox2->itemText(1), name);
        Form2->ComboBox2->setCurrentIndex(1);
        Form2->Edit2->setText(signInWith);
        m_fixture->boxes.clear();
        QTest::mouseClick(Form2->Image2, Qt::LeftButton);
        QVERIFY(m_fixture->boxes.empty());
        QVERIFY(First != nullptr);
        QCOMPARE(Form2->signedInUser(), name);
    }

    void addRefused_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("password");
        QTest::newRow("both empty") << QString() << QString();
        QTest::newRow("empty name") << QString() << u"pw"_s;
        QTest::newRow("empty password") << u"zhang"_s << QString();
        QTest::newRow("password of spaces only") << u"zhang"_s << u"   "_s;
    }

    // An account that could never sign in is not stored.
    void addRefused() {
        QFETCH(QString, name);
        QFETCH(QString, password);
        openManager();
        addInManager(name, password);
        QCOMPARE(m_fixture->boxes.texts(), QStringList{u"请你输入用户名或密码！"_s});
        QCOMPARE(m_fixture->boxes.last().kind, BoxKind::Plain);
        QVERIFY(Form4->isVisible());
        QCOMPARE(accounts().size(), 1);
        QCOMPARE(Form4->Edit1->text(), name);
    }

    void addTooLong_data() {
        QTest::addColumn<bool>("unnamedChecks");
        QTest::newRow("a file made today") << false;
        QTest::newRow("a file whose checks have no names") << true;
    }

    // A name longer than the file takes is refused by the file; the default error report says
    // which field is too long and by how much it may be, and the window stays.
    void addTooLong() {
        QFETCH(bool, unnamedChecks);
        if (unnamedChecks) {   // as files were made before the checks were named
            m_fixture->exec(u"drop table LoginInfo"_s);
            m_fixture->exec(u"create table LoginInfo (Name VARCHAR(50) CHECK (length(Name) <= 50), "
                            "Pwd VARCHAR(255) CHECK (length(Pwd) <= 255))"_s);
            m_fixture->addAccount(u"chief"_s, u"123456"_s);
        }
        openManager();
        Form4->Edit1->setText(QString(51, u'名'));
        Form4->Edit2->setText(u"pw"_s);
        QTest::mouseClick(Form4->Button1, Qt::LeftButton);
        QCOMPARE(m_fixture->boxes.texts(), QStringList{u"用户名太长，不能超过 50 个字符!"_s});
        QCOMPARE(m_fixture->boxes.last().kind, BoxKind::Error);
        QVERIFY(Form4->isVisible());
        QCOMPARE(accounts().size(), 1);
    }

    // A book that may only be read opens as before; an add says why it fails, and once the file
    // may be written again the next add goes in, without starting the program again.
    void addToReadOnlyBook() {
        const QString file = m_fixture->databasePath();
        const QString folder = QFileInfo(file).absolutePath();
        QVERIFY(QFile::setPermissions(file, QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther));
        const txl::test::OrdinaryUser user({m_fixture->path(), folder, file});
        DataModule1->con.close();   // as at start-up, when SQLite finds the file read-only
        openManager();
        QCOMPARE(listEntries(Form4->DBListBox1), QStringList{u"chief"_s});
        Form4->Edit1->setText(u"zhang"_s);
        Form4->Edit2->setText(u"pw"_s);
        QTest::mouseClick(Form4->Button1, Qt::LeftButton);
        QCOMPARE(m_fixture->boxes.texts(), QStringList{u"'DataBase/txl.mdb' is read-only: the change cannot be saved. "
                                                       "Allow writing to the file and try again."_s});
        QCOMPARE(m_fixture->boxes.last().kind, BoxKind::Error);
        QVERIFY(Form4->isVisible());

        QVERIFY(QFile::setPermissions(file, QFile::permissions(file) | QFile::WriteOwner));
        QTest::mouseClick(Form4->Button1, Qt::LeftButton);
        QCOMPARE(m_fixture->boxes.texts().value(1), u"添加成功！"_s);
        QCOMPARE(accounts().size(), 2);
    }

    void deleteSameNamed_data() {
        QTest::addColumn<int>("which");   // 0: the first of the two, 1: the second
        QTest::newRow("second of two") << 1;
        QTest::newRow("first of two") << 0;
    }

    // Entry i of the list is row i: of two accounts with one name, exactly the chosen one goes.
    void deleteSameNamed() {
        QFETCH(int, which);
        m_fixture->addAccount(u"zhang"_s, u"one"_s);
        m_fixture->addAccount(u"zhang"_s, u"two"_s);
        const QList<Account> before = accounts();
        openManager();
        deleteMode();
        deleteEntry(1 + which);

        QCOMPARE(m_fixture->boxes.texts(), QStringList{u"删除成功!"_s});
        QCOMPARE(m_fixture->boxes.last().kind, BoxKind::Notice);
        QVERIFY(!Form4->isVisible());
        const QList<Account> after = accounts();
        QCOMPARE(after.size(), 2);
        QCOMPARE(after[0].rowid, before[0].rowid);
        const Account &kept = before[2 - which];
        QCOMPARE(after[1].rowid, kept.rowid);
        QCOMPARE(after[1].pwd, kept.pwd);
        QVERIFY(signsIn(after[1], which == 1 ? u"one"_s : u"two"_s));
        QCOMPARE(listEntries(Form4->DBListBox1), QStringList({u"chief"_s, u"zhang"_s}));
    }

    void deleteAdministrator_data() {
        QTest::addColumn<QString>("entry");
        QTest::addColumn<bool>("deletable");
        QTest::newRow("chief") << u"chief"_s << false;
        QTest::newRow("chief with a trailing space") << u"chief "_s << true;
        QTest::newRow("Chief in capitals") << u"Chief"_s << true;
    }

    // Only the exact name "chief" is protected.
    void deleteAdministrator() {
        QFETCH(QString, entry);
        QFETCH(bool, deletable);
        m_fixture->addAccount(u"chief "_s, u"1"_s);
        m_fixture->addAccount(u"Chief"_s, u"2"_s);
        openManager();
        deleteMode();
        const int row = int(listEntries(Form4->DBListBox1).indexOf(entry));
        QVERIFY(row >= 0);
        deleteEntry(row);

        QStringList names;
        for (const Account &a : accounts())
            names << a.name;
        if (deletable) {
            QCOMPARE(m_fixture->boxes.texts(), QStringList{u"删除成功!"_s});
            QVERIFY(!names.contains(entry));
            QCOMPARE(names.size(), 2);
        } else {
            QCOMPARE(m_fixture->boxes.texts(), QStringList{u"不能删除系统管理员"_s});
            QCOMPARE(m_fixture->boxes.last().kind, BoxKind::Notice);
            QCOMPARE(names.size(), 3);
            QVERIFY(Form4->isVisible());
        }
    }

    // 删除 with nothing chosen is the list's own index error, shown as the default report.
    void deleteWithoutSelection() {
        m_fixture->addAccount(u"zhang"_s, u"1"_s);
        openManager();
        deleteMode();
        Form4->DBListBox1->setFocus();   // a focused list may have a current entry, yet none chosen
        QTest::mouseClick(Form4->Button2, Qt::LeftButton);
        QCOMPARE(m_fixture->boxes.texts(), QStringList{u"List index out of bounds (-1)"_s});
        QCOMPARE(m_fixture->boxes.last().kind, BoxKind::Error);
        QCOMPARE(accounts().size(), 2);
        QVERIFY(Form4->isVisible());
        QCOMPARE(Form4->DBListBox1->count(), 2);
    }

    // A row that another copy of the program removed meanwhile cannot be deleted; its entry stays,
    // so the entries after it still name their own rows.
    void deleteFailure() {
        m_fixture->addAccount(u"zhang"_s, u"1"_s);
        m_fixture->addAccount(u"li"_s, u"2"_s);
        openManager();
        deleteMode();
        m_fixture->exec(u"delete from LoginInfo where Name='zhang'"_s);

        deleteEntry(1);
        QCOMPARE(m_fixture->boxes.texts(), QStringList{u"删除失败"_s});
        QCOMPARE(m_fixture->boxes.last().kind, BoxKind::Notice);
        QVERIFY(Form4->isVisible());
        QCOMPARE(listEntries(Form4->DBListBox1), QStringList({u"chief"_s, u"zhang"_s, u"li"_s}));

        m_fixture->boxes.clear();
        deleteEntry(2);
        QCOMPARE(m_fixture->boxes.texts(), QStringList{u"删除成功!"_s});
        QCOMPARE(accounts().size(), 1);
        QCOMPARE(accounts()[0].name, u"chief"_s);
    }

    // ---- password window ------------------------------------------------------------------

    void passwordDesign() {
        openPasswordWindow(u"chief"_s);
        QCOMPARE(Shezhi->size(), QSize(267, 205));
        QVERIFY(Shezhi->windowFlags().testFlag(Qt::FramelessWindowHint));
        QCOMPARE(Shezhi->Label1->text(), u"chief"_s);
        QCOMPARE(Shezhi->Label1->palette().color(QPalette::WindowText), QColor(Qt::blue));
        for (QLineEdit *field : {Shezhi->Edit1, Shezhi->Edit2}) {
            QVERIFY(!field->hasFrame());
            QCOMPARE(field->echoMode(), QLineEdit::Password);
            QCOMPARE(field->style()->styleHint(QStyle::SH_LineEdit_PasswordCharacter, nullptr, field), int(u'*'));
        }
        // Eight bytes: eight Latin letters, four Chinese characters.
        QTest::keyClicks(Shezhi->Edit1, u"123456789"_s);
        QCOMPARE(Shezhi->Edit1->text(), u"12345678"_s);
        for (const QChar c : u"一二三四五"_s)
            QTest::sendKeyEvent(QTest::Click, Shezhi->Edit2, Qt::Key_unknown, QString(c), Qt::NoModifier);
        QCOMPARE(Shezhi->Edit2->text(), u"一二三四"_s);

        // F5 and F4 are only drawn on the buttons.
        Shezhi->Edit2->setText(u"12345678"_s);
        QTest::keyClick(Shezhi->Edit1, Qt::Key_F5);
        QTest::keyClick(Shezhi->Edit1, Qt::Key_F4);
        QVERIFY(Shezhi->isVisible());
        QVERIFY(m_fixture->boxes.empty());
        QVERIFY(signsIn(accounts()[0], u"123456"_s));

        QSignalSpy moves(Shezhi, &txl::ui::Form::systemMoveRequested);
        QTest::mousePress(Shezhi->Image1, Qt::LeftButton);
        QCOMPARE(moves.count(), 1);
    }

    void passwordNotStored_data() {
        QTest::addColumn<QString>("first");
        QTest::addColumn<QString>("second");
        QTest::addColumn<QString>("message");
        QTest::addColumn<BoxKind>("kind");
        QTest::addColumn<bool>("staysOpen");
        // Nothing to store: the window stays.
        const QString refused = u"请你输入密码!"_s;
        QTest::newRow("both empty") << QString() << QString() << refused << BoxKind::Notice << true;
        QTest::newRow("new password empty") << QString() << u"abc"_s << refused << BoxKind::Notice << true;
        QTest::newRow("repeat empty") << u"abc"_s << QString() << refused << BoxKind::Notice << true;
        QTest::newRow("spaces only, both") << u"   "_s << u"   "_s << refused << BoxKind::Notice << true;
        QTest::newRow("spaces only, different counts") << u"  "_s << u"    "_s << refused << BoxKind::Notice << true;
        // Two different entries: the message, then the window closes.
        const QString differ = u"两次输入的不同，请再一次输入！"_s;
        QTest::newRow("different") << u"abc"_s << u"abd"_s << differ << BoxKind::Information << false;
        QTest::newRow("letter case") << u"abc"_s << u"ABC"_s << differ << BoxKind::Information << false;
        QTest::newRow("space inside") << u"a bc"_s << u"abc"_s << differ << BoxKind::Information << false;
    }

    // Entries that cannot be stored: one message, and the password is unchanged.
    void passwordNotStored() {
        QFETCH(QString, first);
        QFETCH(QString, second);
        QFETCH(QString, message);
        QFETCH(BoxKind, kind);
        QFETCH(bool, staysOpen);
        openPasswordWindow(u"chief"_s);
        confirmPassword(first, second);
        QCOMPARE(m_fixture->boxes.texts(), QStringList{message});
        QCOMPARE(m_fixture->boxes.last().kind, kind);
        if (kind == BoxKind::Notice)
            QCOMPARE(m_fixture->boxes.last().caption, u"提示"_s);
        QCOMPARE(Shezhi->isVisible(), staysOpen);
        QVERIFY(signsIn(accounts()[0], u"123456"_s));
    }

    void passwordChanged_data() {
        QTest::addColumn<QString>("user");
        QTest::addColumn<QList<bool>>("changed");   // per account: chief, chief, "chief ", zhang
        QTest::newRow("every account of the name") << u"chief"_s << QList<bool>{true, true, false, false};
        QTest::newRow("a name with a trailing space, exactly") << u"chief "_s << QList<bool>{false, false, true, false};
    }

    // Every account carrying the signed-in name, and only those, gets the new password's hash;
    // the new password signs in at the next run and the old one no longer does.
    void passwordChanged() {
        QFETCH(QString, user);
        QFETCH(QList<bool>, changed);
        m_fixture->addAccount(u"chief"_s, u"second"_s);
        m_fixture->addAccount(u"chief "_s, u"spaced"_s);
        m_fixture->addAccount(u"zhang"_s, u"zz"_s);
        const QList<Account> before = accounts();
        openPasswordWindow(user);
        confirmPassword(u" new1 "_s, u"new1"_s);

        QCOMPARE(m_fixture->boxes.texts(), QStringList{u"更新成功！"_s});
        QCOMPARE(m_fixture->boxes.last().kind, BoxKind::Information);
        QVERIFY(!Shezhi->isVisible());
        QVERIFY(Shezhi->Edit1->text().isEmpty() && Shezhi->Edit2->text().isEmpty());

        const QList<Account> after = accounts();
        QCOMPARE(after.size(), before.size());
        for (int i = 0; i < after.size(); ++i) {
            QCOMPARE(after[i].rowid, before[i].rowid);
            QVERIFY(after[i].pwd.startsWith(u"$argon2id$"));
            QCOMPARE(signsIn(after[i], u"new1"_s), changed[i]);
            QCOMPARE(after[i].pwd == before[i].pwd, !changed[i]);
        }

        m_fixture->boxes.clear();
        QVERIFY(loginWorks(user, u"new1"_s));
        QVERIFY(!loginWorks(u"zhang"_s, u"new1"_s));
        if (user == u"chief")
            QVERIFY(!loginWorks(u"chief"_s, u"123456"_s));
    }

    void passwordNotChanged_data() {
        QTest::addColumn<QString>("user");
        QTest::addColumn<bool>("removeAccount");
        QTest::newRow("account deleted meanwhile") << u"zhang"_s << true;
        QTest::newRow("name known only without its trailing space") << u"zhang "_s << false;
    }

    // No row of that exact name: the window says so instead of reporting success.
    void passwordNotChanged() {
        QFETCH(QString, user);
        QFETCH(bool, removeAccount);
        m_fixture->addAccount(u"zhang"_s, u"zz"_s);
        openPasswordWindow(user);
        if (removeAccount)
            m_fixture->exec(u"delete from LoginInfo where Name='zhang'"_s);
        const QList<Account> before = accounts();
        confirmPassword(u"new1"_s, u"new1"_s);

        QCOMPARE(m_fixture->boxes.texts(), QStringList{u"更新失败！"_s});
        QCOMPARE(m_fixture->boxes.last().kind, BoxKind::Notice);
        QVERIFY(Shezhi->isVisible());
        const QList<Account> after = accounts();
        QCOMPARE(after.size(), before.size());
        for (int i = 0; i < after.size(); ++i)
            QCOMPARE(after[i].pwd, before[i].pwd);
    }

    void passwordLeave_data() {
        QTest::addColumn<QString>("picture");
        QTest::addColumn<bool>("emptied");
        QTest::newRow("exit button") << u"Image3"_s << true;
        QTest::newRow("close mark") << u"Image2"_s << false;
    }

    void passwordLeave() {
        QFETCH(QString, picture);
        QFETCH(bool, emptied);
        openPasswordWindow(u"chief"_s);
        Shezhi->Edit1->setText(u"abc"_s);
        Shezhi->Edit2->setText(u"abc"_s);
        pressPicture(Shezhi->findChild<QLabel *>(picture));
        QVERIFY(!Shezhi->isVisible());
        QCOMPARE(Shezhi->Edit1->text().isEmpty(), emptied);
        QCOMPARE(Shezhi->Edit2->text().isEmpty(), emptied);
        QVERIFY(m_fixture->boxes.empty());
        QVERIFY(signsIn(accounts()[0], u"123456"_s));
        QVERIFY(!Application::instance()->terminated());
    }

    void stepsAroundTheBoxes_data() {
        QTest::addColumn<QString>("action");
        QTest::addColumn<QString>("atTheBox");
        QTest::newRow("add: the message, then the fields emptied and the window closed")
            << u"add"_s << u"添加成功！ | shown, \"zhang\" \"pw\", 2 accounts"_s;
        QTest::newRow("delete: the window closed, then the notice")
            << u"delete"_s << u"删除成功! | hidden, \"\" \"\", 1 accounts"_s;
        QTest::newRow("passwords differ: the message, then the window closed")
            << u"differ"_s << u"两次输入的不同，请再一次输入！ | shown, \"abc\" \"abd\", old password"_s;
        QTest::newRow("password changed: the message, then the exit action")
            << u"change"_s << u"更新成功！ | shown, \"new1\" \"new1\", new password"_s;
    }

    // Each message comes at its own step of the action; the window is closed in every case.
    void stepsAroundTheBoxes() {
        QFETCH(QString, action);
        QFETCH(QString, atTheBox);
        const bool manager = action == u"add" || action == u"delete";
        if (action == u"delete")
            m_fixture->addAccount(u"zhang"_s, u"1"_s);
        txl::ui::Form *form = manager ? static_cast<txl::ui::Form *>(openManager()) : openPasswordWindow(u"chief"_s);
        QStringList seen;
        txl::ui::setAnswerer([&](const txl::ui::BoxRecord &box) {
            const auto *edit1 = form->findChild<QLineEdit *>(u"Edit1"_s);
            const auto *edit2 = form->findChild<QLineEdit *>(u"Edit2"_s);
            QString stored;
            if (manager)
                stored = u"%1 accounts"_s.arg(accounts().size());
            else
                stored = signsIn(accounts()[0], u"new1"_s) ? u"new password"_s : u"old password"_s;
            seen << u"%1 | %2, \"%3\" \"%4\", %5"_s.arg(box.text, form->isVisible() ? u"shown"_s : u"hidden"_s,
                                                        edit1->text(), edit2->text(), stored);
            return box.enterAnswer;
        });
        if (action == u"add") {
            addInManager(u"zhang"_s, u"pw"_s);
        } else if (action == u"delete") {
            deleteMode();
            deleteEntry(1);
        } else {
            const bool differ = action == u"differ";
            confirmPassword(differ ? u"abc"_s : u"new1"_s, differ ? u"abd"_s : u"new1"_s);
        }
        QCOMPARE(seen, QStringList{atTheBox});
        QVERIFY(!form->isVisible());
    }

    // ---- what is stored ---------------------------------------------------------------------

    // After accounts are added and passwords changed, the decrypted LoginInfo holds hashes only.
    void noPlainPasswords() {
        const QStringList typed{u"123456"_s, u"pw-one"_s, u"pw-two"_s, u"new-chief"_s};
        for (const auto &[name, password] : {std::pair{u"zhang"_s, typed[1]}, std::pair{u"chief"_s, typed[2]}}) {
            openManager();
            addInManager(name, password);
            txl::test::release(Form4);
        }
        openPasswordWindow(u"chief"_s);
        confirmPassword(typed[3], typed[3]);
        QCOMPARE(m_fixture->boxes.texts(), QStringList({u"添加成功！"_s, u"添加成功！"_s, u"更新成功！"_s}));

        // Every column of every row, read through the database key.
        txl::db::Query q(DataModule1->con, u"check"_s);
        q.setSql(u"select * from LoginInfo"_s);
        q.open();
        QCOMPARE(q.recordCount(), 3);
        const int pwd = q.columnIndex(u"Pwd"_s);
        for (int row = 0; row < q.recordCount(); ++row) {
            QVERIFY2(q.value(row, pwd).startsWith(u"$argon2id$"), qPrintable(q.value(row, pwd)));
            for (int column = 0; column < q.columnCount(); ++column) {
                for (const QString &password : typed)
                    QVERIFY(!q.value(row, column).contains(password));
            }
        }
    }
};

TXL_TEST_MAIN(AccountsTest)
#include "test_accounts.moc"
