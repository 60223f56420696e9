// What a screen reader is told of the windows: every window and every control a user acts on by
// role and name, reached from its window; password fields that never carry a typed character;
// presses through assistive technology that return at once.

#include "accounts/UShezhi.h"
#include "accounts/Uxt.h"
#include "birthdays/UBirthdays.h"
#include "contacts/Unit3.h"
#include "main/ImportPreview.h"
#include "main/U4.h"
#include "main/UStu.h"
#include "platform/print/FileDialog.h"
#include "platform/ui/DataGrid.h"
#include "platform/ui/Form.h"
#include "signin/Ufirst.h"
#include "signin/Ulogin.h"
#include "tests/support/Windows.h"

#include <QAccessible>
#include <QAction>
#include <QButtonGroup>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QToolBar>
#include <QtGui/private/qguiapplication_p.h>
#include <QtGui/qpa/qplatformaccessibility.h>
#include <QtGui/qpa/qplatformintegration.h>

#include <functional>

using namespace Qt::StringLiterals;

namespace {

// --- what the toolkit tells assistive technology, as it tells it -------------------------------

struct Told {
    QAccessible::Event type;
    QPointer<QObject> object;
    QStringList texts;   // every text the event carries or lets be read from its source
};

QList<Told> &told() {
    static QList<Told> events;
    return events;
}

void record(QAccessibleEvent *event) {
    Told t{event->type(), event->object(), {}};
    switch (event->type()) {
    case QAccessible::TextInserted:
        t.texts << static_cast<QAccessibleTextInsertEvent *>(event)->textInserted();
        break;
    case QAccessible::TextRemoved:
        t.texts << static_cast<QAccessibleTextRemoveEvent *>(event)->textRemoved();
        break;
    case QAccessible::TextUpdated:
        t.texts << static_cast<QAccessibleTextUpdateEvent *>(event)->textRemoved()
                << static_cast<QAccessibleTextUpdateEvent *>(event)->textInserted();
        break;
    case QAccessible::ValueChanged:
        t.texts << static_cast<QAccessibleValueChangeEvent *>(event)->value().toString();
        break;
    default:
        break;
    }
    if (QAccessibleInterface *source = event->accessibleInterface()) {
        t.texts << source->text(QAccessible::Name) << source->text(QAccessible::Value)
                << source->text(QAccessible::Description);
        if (QAccessibleTextInterface *text = source->textInterface())
            t.texts << text->text(0, text->characterCount());
    }
    told().append(t);
}

QList<Told> toldOf(const QObject *object, QAccessible::Event type) {
    QList<Told> found;
    for (const Told &t : std::as_const(told())) {
        if (t.object == object && t.type == type)
            found << t;
    }
    return found;
}

// --- the trees ---------------------------------------------------------------------------------

// Every interface under `root`, by the object it stands for. The contents of lists, tables and
// choosers are data, not controls: not walked.
void walk(QAccessibleInterface *root, QHash<QObject *, QAccessibleInterface *> &reached) {
    for (int i = 0; i < root->childCount(); ++i) {
        QAccessibleInterface *child = root->child(i);
        if (child == nullptr)
            continue;
        reached.insert(child->object(), child);
        const QAccessible::Role role = child->role();
        if (role != QAccessible::Table && role != QAccessible::List && role != QAccessible::ComboBox &&
            role != QAccessible::SpinBox)
            walk(child, reached);
    }
}

QString roleName(QAccessible::Role role) {
    return QString::number(role, 16);
}

// A control a user acts on, as a screen reader must find it.
struct Control {
    QString name;   // design name
    QAccessible::Role role;
    QString heard;   // its caption (the label it is labelled by) or else its own name
};

// What differs in `window` from the window role and name and the controls expected; also every
// control of an acting role reached in the window that has no name.
QStringList differences(QWidget *window, QAccessible::Role role, const QString &name, const QList<Control> &controls) {
    QStringList problems;
    QAccessibleInterface *w = QAccessible::queryAccessibleInterface(window);
    if (w->role() != role)
        problems << u"window role %1, not %2"_s.arg(roleName(w->role()), roleName(role));
    if (w->text(QAccessible::Name) != name)
        problems << u"window name '%1', not '%2'"_s.arg(w->text(QAccessible::Name), name);
    QHash<QObject *, QAccessibleInterface *> reached;
    walk(w, reached);
    for (const Control &c : controls) {
        QWidget *widget = window->findChild<QWidget *>(c.name);
        if (widget == nullptr) {
            problems << c.name + u" missing"_s;
            continue;
        }
        QAccessibleInterface *heard = reached.value(widget);
        if (heard == nullptr) {
            problems << c.name + u" not reached from its window"_s;
            continue;
        }
        if (heard->role() != c.role)
            problems << u"%1: role %2, not %3"_s.arg(c.name, roleName(heard->role()), roleName(c.role));
        if (txl::test::heardName(widget) != c.heard)
            problems << u"%1: heard '%2', not '%3'"_s.arg(c.name, txl::test::heardName(widget), c.heard);
    }
    static const QList<QAccessible::Role> acting = {
        QAccessible::Button,       QAccessible::CheckBox, QAccessible::RadioButton, QAccessible::ComboBox,
        QAccessible::EditableText, QAccessible::SpinBox,  QAccessible::List,        QAccessible::Table};
    for (auto it = reached.cbegin(); it != reached.cend(); ++it) {
        auto *widget = qobject_cast<QWidget *>(it.key());
        if (widget != nullptr && widget->isVisible() && acting.contains(it.value()->role()) &&
            txl::test::heardName(widget).isEmpty())
            problems << u"unnamed %1 %2"_s.arg(roleName(it.value()->role()), widget->objectName());
    }
    return problems;
}

QStringList namesOfItems(QAccessibleInterface *menu) {
    QStringList names;
    for (int i = 0; i < menu->childCount(); ++i) {
        QAccessibleInterface *item = menu->child(i);
        if (item != nullptr && item->role() == QAccessible::MenuItem)
            names << item->text(QAccessible::Name);
    }
    return names;
}

QAccessibleActionInterface *actionsOf(QObject *object) {
    QAccessibleInterface *heard = QAccessible::queryAccessibleInterface(object);
    return heard != nullptr ? heard->actionInterface() : nullptr;
}

const QList<QStringList> Classmates = {
    {u"张三"_s, u"男"_s, u"1986-03-21"_s, u"13800138000"_s, u"3-201"_s, u""_s, u"10001"_s, u""_s, u"杭州"_s},
    {u"李四"_s, u"女"_s, u"1987-05-02"_s, u"13912345678"_s, u"3-202"_s, u""_s, u"10002"_s, u""_s, u"宁波"_s},
};

// The main window over the classmates; the modal windows' hook goes with it.
class MainWindow : public txl::test::MainWindowFixture {
public:
    MainWindow() : MainWindowFixture(Classmates) {}
    ~MainWindow() { txl::ui::Form::setModalDriver({}); }
};

using B = QAccessible::Role;

}   // namespace

Q_DECLARE_METATYPE(QList<Control>)

class AccessibilityTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init() { told().clear(); }

    void windows_data();
    void windows();
    void passwordsNeverTold_data();
    void passwordsNeverTold();
    void chooserTellsItsAccount();
    void managerFollowsTheChosenMode_data();
    void managerFollowsTheChosenMode();
    void pressesReturnAtOnce_data();
    void pressesReturnAtOnce();
    void keysOfThePictureButtons();
    void menuItemsSpokenWithoutPadding();
    void searchCountAnnounced();
};

void AccessibilityTest::initTestCase() {
    // As when a screen reader is running. Events are recorded from before the first password
    // field is made: what the program sends on is what gets here.
    QPlatformAccessibility *platform = QGuiApplicationPrivate::platformIntegration()->accessibility();
    QVERIFY(platform != nullptr);
    platform->setActive(true);
    QVERIFY(QAccessible::isActive());
    QAccessible::installUpdateHandler(record);
}

// Each window, as it is shown, by role and name, and every control in it a user acts on.
void AccessibilityTest::windows_data() {
    QTest::addColumn<QString>("window");
    QTest::addColumn<int>("role");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QList<Control>>("controls");

    QTest::newRow("login") << u"login"_s << int(B::Window) << u"用户登录"_s
                           << QList<Control>{{u"ComboBox2"_s, B::ComboBox, u"用户名称"_s},
                                             {u"Edit2"_s, B::EditableText, u"用户密码"_s},
                                             {u"Image2"_s, B::Button, u"登录"_s},
                                             {u"Image3"_s, B::Button, u"退出"_s},
                                             {u"Image4"_s, B::Button, u"关闭"_s}};
    QTest::newRow("loading") << u"loading"_s << int(B::Window) << u"同学录"_s << QList<Control>{};
    QTest::newRow("main") << u"main"_s << int(B::Window) << u"chief的同学录"_s
                          << QList<Control>{{u"ToolButton1"_s, B::Button, u"添加好友"_s},
                                            {u"ToolButton5"_s, B::Button, u"删除好友"_s},
                                            {u"ToolButton7"_s, B::Button, u"打印报表"_s},
                                            {u"ToolButton3"_s, B::Button, u"系统设置"_s},
                                            {u"ToolButton13"_s, B::Button, u"密码设置"_s},
                                            {u"ToolButton16"_s, B::Button, u"计算器"_s},
                                            {u"ToolButton11"_s, B::Button, u"关于"_s},
                                            {u"ToolButton9"_s, B::Button, u"退出系统"_s},
                                            {u"ToolButtonImport"_s, B::Button, u"导入"_s},
                                            {u"ToolButtonExport"_s, B::Button, u"导出"_s},
                                            {u"ToolButtonBirthdays"_s, B::Button, u"生日提醒"_s},
                                            {u"RadioGroup1Exact"_s, B::RadioButton, u"精确查找"_s},
                                            {u"RadioGroup1Fuzzy"_s, B::RadioButton, u"模糊查找"_s},
                                            {u"ComboBox1"_s, B::ComboBox, u"查找字段："_s},
                                            {u"Edit1"_s, B::EditableText, u"查找内容："_s},
                                            {u"btserach"_s, B::Button, u"查找"_s},
                                            {u"Button2"_s, B::Button, u"返回"_s},
                                            {u"Button3"_s, B::Button, u"第一条"_s},
                                            {u"Button5"_s, B::Button, u"上一条"_s},
                                            {u"Button4"_s, B::Button, u"下一条"_s},
                                            {u"Button6"_s, B::Button, u"最后一条"_s},
                                            {u"Bevel1"_s, B::Separator, QString()},
                                            {u"grid"_s, B::Table, u"用户浏览"_s},
                                            {u"sb"_s, B::StatusBar, QString()},
                                            {u"panel2"_s, B::Notification, u"通讯录的总人数为：2"_s}};
    QTest::newRow("contact") << u"contact"_s << int(B::Dialog) << u"添加好友"_s
                             << QList<Control>{{u"edname"_s, B::EditableText, u"姓名："_s},
                                               {u"cbsex"_s, B::ComboBox, u"性别："_s},
                                               {u"eddate2"_s, B::SpinBox, u"出生日期："_s},
                                               {u"edqq"_s, B::EditableText, u"QQ:"_s},
                                               {u"edmobel"_s, B::EditableText, u"手机号码："_s},
                                               {u"edxl"_s, B::EditableText, u"家庭电话："_s},
                                               {u"edss"_s, B::EditableText, u"宿舍号码："_s},
                                               {u"edmail"_s, B::EditableText, u"电子邮箱："_s},
                                               {u"edadress"_s, B::EditableText, u"家庭住址："_s},
                                               {u"Button1"_s, B::Button, u"提交"_s},
                                               {u"Button2"_s, B::Button, u"取消"_s}};
    QTest::newRow("account manager") << u"manager"_s << int(B::Dialog) << u"系统设置"_s
                                     << QList<Control>{{u"RadioGroup1Item0"_s, B::RadioButton, u"添加好友"_s},
                                                       {u"RadioGroup1Item1"_s, B::RadioButton, u"删除好友"_s},
                                                       {u"Edit1"_s, B::EditableText, u"用户名"_s},
                                                       {u"Edit2"_s, B::EditableText, u"密码"_s},
                                                       {u"DBListBox1"_s, B::List, u"选择用户"_s},
                                                       {u"Button1"_s, B::Button, u"添加"_s},
                                                       {u"Button2"_s, B::Button, u"删除"_s}};
    QTest::newRow("password window") << u"password"_s << int(B::Dialog) << u"密码设置"_s
                                     << QList<Control>{{u"Edit1"_s, B::EditableText, u"新密码"_s},
                                                       {u"Edit2"_s, B::EditableText, u"再次输入"_s},
                                                       {u"Image4"_s, B::Button, u"确认"_s},
                                                       {u"Image3"_s, B::Button, u"退出"_s},
                                                       {u"Image2"_s, B::Button, u"关闭"_s}};
    QTest::newRow("about") << u"about"_s << int(B::Dialog) << u"关于"_s << QList<Control>{};
    QTest::newRow("import preview") << u"import"_s << int(B::Dialog) << u"导入联系人"_s
                                    << QList<Control>{{u"TableMapping"_s, B::Table, u"列的对应"_s},
                                                      {u"TableRows"_s, B::Table, u"文件的前几行（按导入后的样子）"_s},
                                                      {u"TableProblems"_s, B::Table, u"跳过、拒绝和警告"_s},
                                                      {u"CheckDuplicates"_s, B::CheckBox, u"重名的联系人也导入"_s},
                                                      {u"Button1"_s, B::Button, u"导入"_s},
                                                      {u"Button2"_s, B::Button, u"取消"_s}};
    QTest::newRow("birthdays") << u"birthdays"_s << int(B::Dialog) << u"生日提醒"_s
                               << QList<Control>{{u"seDays"_s, B::SpinBox, u"今天起几天内过生日的同学（含今天）"_s},
                                                 {u"lvBirthdays"_s, B::Table, u"过生日的同学"_s},
                                                 {u"cbAll"_s, B::CheckBox, u"导出全部同学的生日"_s},
                                                 {u"btExport"_s, B::Button, u"导出日历"_s},
                                                 {u"btClose"_s, B::Button, u"关闭"_s}};
}

void AccessibilityTest::windows() {
    QFETCH(QString, window);
    QFETCH(int, role);
    QFETCH(QString, name);
    QFETCH(QList<Control>, controls);

    const auto check = [&](QWidget &w) { return differences(&w, QAccessible::Role(role), name, controls); };
    QStringList problems{u"never shown"_s};
    if (window == u"login" || window == u"loading") {
        txl::test::WindowFixture fixture;
        std::unique_ptr<QWidget> form(window == u"login" ? static_cast<QWidget *>(new TForm2) : new TFirst);
        form->show();
        problems = check(*form);
        // The chooser of the design that nothing uses, under the account chooser, is not there.
        if (window == u"login") {
            QHash<QObject *, QAccessibleInterface *> reached;
            walk(QAccessible::queryAccessibleInterface(form.get()), reached);
            QVERIFY(!reached.contains(static_cast<TForm2 *>(form.get())->ComboBox1));
        }
        QVERIFY2(problems.isEmpty(), qPrintable(problems.join(u'\n')));
        return;
    }

    MainWindow m;
    if (window == u"main") {
        problems = check(m.w());
        QVERIFY2(problems.isEmpty(), qPrintable(problems.join(u'\n')));
        return;
    }
    txl::ui::Form::setModalDriver([&](txl::ui::Form &form) { problems = check(form); });
    QAction *command = nullptr;
    if (window == u"contact") {
        command = m.w().ToolButton1;
    } else if (window == u"manager") {
        command = m.w().ToolButton3;
    } else if (window == u"password") {
        command = m.w().ToolButton13;
    } else if (window == u"about") {
        command = m.w().ToolButton11;
    } else if (window == u"birthdays") {
        command = m.w().ToolButtonBirthdays;
    } else {
        QFile list(u"list.csv"_s);
        QVERIFY(list.open(QIODevice::WriteOnly));
        list.write(u"姓名,手机\n赵六,13800138001\n张三,1\n"_s.toUtf8());
        list.close();
        txl::print::FileDialog::setNextFileName(u"list.csv"_s);
        command = m.w().ToolButtonImport;
    }
    command->trigger();
    QVERIFY2(problems.isEmpty(), qPrintable(problems.join(u'\n')));
}

// Whatever is typed, deleted, replaced or set, assistive technology hears stars: in the changes
// it is told and in what it reads of the field.
void AccessibilityTest::passwordsNeverTold_data() {
    QTest::addColumn<QString>("window");
    QTest::addColumn<QString>("field");
    QTest::newRow("sign-in") << u"login"_s << u"Edit2"_s;
    QTest::newRow("account manager") << u"manager"_s << u"Edit2"_s;
    QTest::newRow("new password") << u"password"_s << u"Edit1"_s;
    QTest::newRow("password again") << u"password"_s << u"Edit2"_s;
}

void AccessibilityTest::passwordsNeverTold() {
    QFETCH(QString, window);
    QFETCH(QString, field);
    MainWindow m;
    std::unique_ptr<TForm2> login;   // the other windows go with the fixture
    QWidget *form = nullptr;
    if (window == u"login")
        form = (login = std::make_unique<TForm2>()).get();
    else if (window == u"manager")
        form = Form4 = new TForm4;
    else
        form = Shezhi = new TShezhi;
    form->show();
    auto *edit = form->findChild<QLineEdit *>(field);
    QVERIFY(edit != nullptr);
    told().clear();

    const QString secret = u"7Wq#"_s;
    QTest::keyClicks(edit, secret);
    QTest::keyClick(edit, Qt::Key_Backspace);
    QTest::keyClick(edit, Qt::Key_Left);
    QTest::keyClicks(edit, u"Z"_s);
    edit->selectAll();
    QTest::keyClicks(edit, u"k8"_s);
    edit->setText(u"Wk"_s);
    edit->insert(u"q7"_s);

    QAccessibleInterface *heard = QAccessible::queryAccessibleInterface(edit);
    QCOMPARE(heard->role(), QAccessible::EditableText);
    QVERIFY(heard->state().passwordEdit);
    QCOMPARE(edit->text(), u"Wkq7"_s);
    QCOMPARE(heard->text(QAccessible::Value), u"****"_s);
    QCOMPARE(heard->textInterface()->text(0, 4), u"****"_s);
    QCOMPARE(heard->textInterface()->characterCount(), 4);

    edit->clear();
    QVERIFY(!toldOf(edit, QAccessible::TextInserted).isEmpty());   // the typing was told, as stars
    QVERIFY(!toldOf(edit, QAccessible::TextRemoved).isEmpty());
    for (const Told &t : std::as_const(told())) {
        for (const QString &text : t.texts) {
            for (const QChar c : u"7Wq#Zk8"_s)
                QVERIFY2(!text.contains(c), qPrintable(u"event %1 told '%2'"_s.arg(QString::number(t.type, 16), text)));
        }
    }
}

// The account chooser is heard by its caption and its account (its text, where screen readers read
// a chooser's value), and a new account chosen with the keys is told as a change of its value.
void AccessibilityTest::chooserTellsItsAccount() {
    txl::test::WindowFixture fixture;
    fixture.addAccount(u"zhang"_s, u"a"_s);
    TForm2 login;
    login.show();
    QAccessibleInterface *chooser = QAccessible::queryAccessibleInterface(login.ComboBox2);
    QCOMPARE(chooser->role(), QAccessible::ComboBox);
    QCOMPARE(txl::test::heardName(login.ComboBox2), u"用户名称"_s);
    QCOMPARE(chooser->text(QAccessible::Name), u"chief"_s);
    QVERIFY(chooser->valueInterface() != nullptr);
    QCOMPARE(chooser->valueInterface()->currentValue().toInt(), 0);
    QCOMPARE(chooser->textInterface()->text(0, chooser->textInterface()->characterCount()), u"chief"_s);

    told().clear();
    QTest::keyClick(login.ComboBox2, Qt::Key_Down);
    QCOMPARE(login.ComboBox2->currentText(), u"zhang"_s);
    const QList<Told> changes = toldOf(login.ComboBox2, QAccessible::ValueChanged);
    QCOMPARE(changes.size(), 1);
    QVERIFY(changes.first().texts.contains(u"zhang"_s));
    const QList<Told> inserted = toldOf(login.ComboBox2, QAccessible::TextInserted);
    QCOMPARE(inserted.size(), 1);
    QCOMPARE(inserted.first().texts.first(), u"zhang"_s);
    QCOMPARE(chooser->text(QAccessible::Name), u"zhang"_s);
    QCOMPARE(chooser->valueInterface()->currentValue().toInt(), 1);
    QCOMPARE(chooser->textInterface()->text(0, chooser->textInterface()->characterCount()), u"zhang"_s);
}

// The account manager's form follows its mode chooser however an item is chosen.
void AccessibilityTest::managerFollowsTheChosenMode_data() {
    QTest::addColumn<QString>("how");
    QTest::newRow("assistive technology") << u"action"_s;
    QTest::newRow("arrow key") << u"key"_s;
    QTest::newRow("mouse") << u"mouse"_s;
}

void AccessibilityTest::managerFollowsTheChosenMode() {
    QFETCH(QString, how);
    MainWindow m;
    Form4 = new TForm4;
    Form4->show();
    const auto choose = [&](int item) {
        QAbstractButton *radio = Form4->RadioGroup1Items->button(item);
        if (how == u"action") {
            QAccessibleActionInterface *actions = actionsOf(radio);
            QVERIFY(actions != nullptr);
            const QStringList names = actions->actionNames();
            actions->doAction(names.contains(QAccessibleActionInterface::toggleAction())
                                  ? QAccessibleActionInterface::toggleAction()
                                  : QAccessibleActionInterface::pressAction());
        } else if (how == u"key") {
            QAbstractButton *other = Form4->RadioGroup1Items->button(1 - item);
            Form4->activateWindow();
            QVERIFY(QTest::qWaitForWindowActive(Form4));
            other->setFocus();
            QTest::keyClick(other, item == 1 ? Qt::Key_Right : Qt::Key_Left);
        } else {
            QTest::mouseClick(radio, Qt::LeftButton);
        }
    };
    choose(1);
    QTRY_COMPARE(Form4->modeIndex(), 1);
    QVERIFY(!Form4->Edit1->isEnabled() && !Form4->Edit2->isEnabled() && !Form4->Button1->isEnabled());
    QVERIFY(Form4->DBListBox1->isEnabled() && Form4->Button2->isEnabled());
    choose(0);
    QTRY_COMPARE(Form4->modeIndex(), 0);
    QVERIFY(Form4->Edit1->isEnabled() && Form4->Edit2->isEnabled() && Form4->Button1->isEnabled());
    QVERIFY(!Form4->DBListBox1->isEnabled() && !Form4->Button2->isEnabled());
}

// A press through assistive technology returns before what it does happens, so a modal window
// it opens never keeps the screen reader waiting; it happens once the call has returned.
void AccessibilityTest::pressesReturnAtOnce_data() {
    QTest::addColumn<QString>("control");
    QTest::newRow("picture button 登录") << u"login"_s;
    QTest::newRow("tool bar 密码设置") << u"toolbar"_s;
    QTest::newRow("menu 关于") << u"menu"_s;
}

void AccessibilityTest::pressesReturnAtOnce() {
    QFETCH(QString, control);
    MainWindow m;
    bool opened = false;
    txl::ui::Form::setModalDriver([&](txl::ui::Form &) { opened = true; });
    std::unique_ptr<TForm2> login;
    QObject *pressed = nullptr;
    if (control == u"login") {
        login = std::make_unique<TForm2>();
        login->show();
        pressed = login->Image2;   // empty password: an information box
    } else if (control == u"toolbar") {
        pressed = m.w().ToolBar1->widgetForAction(m.w().ToolButton13);
    } else {
        m.w().PopupMenu1->popup(m.w().grid->mapToGlobal(QPoint(10, 10)));
        pressed = m.w().popupItems[9];
    }
    QAccessibleActionInterface *actions = actionsOf(pressed);
    QVERIFY(actions != nullptr);
    actions->doAction(QAccessibleActionInterface::pressAction());
    const auto happened = [&] { return opened || !m.boxes.empty(); };
    QVERIFY(!happened());
    QTRY_VERIFY(happened());
    if (control == u"login")
        QCOMPARE(m.boxes.texts(), QStringList{u"请你输入密码！"_s});
}

// F5 signs in and F4 leaves: the buttons they press say so.
void AccessibilityTest::keysOfThePictureButtons() {
    txl::test::WindowFixture fixture;
    TForm2 login;
    const QString press = QAccessibleActionInterface::pressAction();
    QCOMPARE(actionsOf(login.Image2)->keyBindingsForAction(press), QStringList{u"F5"_s});
    QCOMPARE(actionsOf(login.Image3)->keyBindingsForAction(press), QStringList{u"F4"_s});
    QCOMPARE(actionsOf(login.Image4)->keyBindingsForAction(press), QStringList());
}

// The context menu's captions are padded with spaces to look even; they are heard as words.
void AccessibilityTest::menuItemsSpokenWithoutPadding() {
    MainWindow m;
    QMenu *menu = m.w().PopupMenu1;
    menu->popup(m.w().grid->mapToGlobal(QPoint(10, 10)));
    QCOMPARE(menu->actions().at(7)->text(), u"计 算 器"_s);   // drawn as designed
    QCOMPARE(namesOfItems(QAccessible::queryAccessibleInterface(menu)),
             (QStringList{u"添加好友"_s, u"修改好友"_s, u"删除好友"_s, u"打印报表"_s, u"系统设置"_s, u"密码设置"_s,
                          u"计算器"_s, u"关于"_s, u"导入"_s, u"导出"_s, u"生日提醒"_s, u"退出系统"_s}));
    menu->hide();
}

// The count in the status bar is announced when a search changes it; the clock is not.
void AccessibilityTest::searchCountAnnounced() {
    MainWindow m;
    told().clear();
    m.w().Timer1Timer();
    m.w().Edit1->setText(u"李四"_s);
    m.w().btserach->click();
    QLabel *count = m.w().sbPanels[2];
    const QList<Told> shown = toldOf(count, QAccessible::ObjectShow);
    QCOMPARE(shown.size(), 1);
    QVERIFY(shown.first().texts.contains(u"总共找到1条记录"_s));
    QCOMPARE(QAccessible::queryAccessibleInterface(count)->parent()->role(), QAccessible::StatusBar);
    QVERIFY(toldOf(m.w().sbPanels[3], QAccessible::ObjectShow).isEmpty());
}

TXL_TEST_MAIN(AccessibilityTest)
#include "test_a11y.moc"
