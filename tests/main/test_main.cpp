#include "accounts/UShezhi.h"
#include "accounts/Uxt.h"
#include "assets/Assets.h"
#include "contacts/Unit3.h"
#include "data/U2.h"
#include "main/U4.h"
#include "main/UStu.h"
#include "platform/os/Regional.h"
#include "platform/ui/Application.h"
#include "platform/ui/DataGrid.h"
#include "signin/Ulogin.h"
#include "tests/support/Windows.h"

#include <QAction>
#include <QButtonGroup>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTimer>
#include <QToolBar>
#include <QToolTip>

#include <memory>
#include <optional>

using namespace Qt::StringLiterals;
using txl::ui::Answer;
using txl::ui::BoxIcon;
using txl::ui::BoxKind;

Q_DECLARE_METATYPE(txl::ui::Answer)
Q_DECLARE_METATYPE(std::optional<txl::ui::Answer>)

namespace {

// 姓名, 性别, 出生日期, 手机号码, 宿舍号码, 家庭电话, QQ, 电子邮箱, 家庭住址
const QList<QStringList> Classmates = {
    {u"张三"_s, u"男"_s, u"1990-01-02"_s, u"13800001111"_s, u"A101"_s, u"0101234567"_s, u"10001"_s, u"zs@example.com"_s,
     u"北京"_s},
    {u"李四"_s, u"女"_s, u"1990-03-04"_s, u"15913000000"_s, u"B202"_s, u"0201234567"_s, u"10002"_s, u"ls@example.com"_s,
     u"上海"_s},
    {u"王五"_s, u"女"_s, u"1991-05-06"_s, u"18600000000"_s, u"C303"_s, u"0301234567"_s, u"10003"_s, u"ww@example.com"_s,
     u"广州"_s},
    {u"O'Neil"_s, u"男"_s, u"1989-07-08"_s, u"17700000000"_s, u"D404"_s, u"0401234567"_s, u"10004"_s,
     u"on@example.com"_s, u"深圳"_s},
    {u"赵六"_s, u"男"_s, u"1992-09-10"_s, u"13"_s, u"E505"_s, u"0501234567"_s, u"10005"_s, u"zl@example.com"_s,
     u"成都"_s},
};

QList<QStringList> firstOf(qsizetype n) {
    return Classmates.mid(0, n);
}

// The main window over the classmates, with what the tests read off it.
class MainWindow : public txl::test::MainWindowFixture {
public:
    explicit MainWindow(const QList<QStringList> &contacts = Classmates, const QString &signedIn = u"chief"_s)
        : MainWindowFixture(contacts, signedIn) {}
    txl::db::Query &query() const { return DataModule1->query; }

    // The names the grid shows, top to bottom.
    QStringList gridNames() const {
        QStringList names;
        const QAbstractItemModel *model = Form1->grid->model();
        for (int row = 0; row < model->rowCount(); ++row)
            names << model->index(row, 0).data().toString();
        return names;
    }
    QStringList storedNames() const {
        txl::db::Query q(DataModule1->con, u"check"_s);
        q.setSql(u"select 姓名 from UsersInfo order by rowid"_s);
        q.open();
        QStringList names;
        for (int row = 0; row < q.recordCount(); ++row)
            names << q.value(row, 0);
        return names;
    }
    int gridCurrentRow() const {
        const QModelIndex current = Form1->grid->currentIndex();
        return current.isValid() ? current.row() : -1;
    }
    void search(int mode, int column, const QString &text) const {
        Form1->setSearchMode(mode);
        Form1->ComboBox1->setCurrentIndex(column);
        Form1->Edit1->setText(text);
        Form1->btserach->click();
    }
};

// "kind text" for each box, with the details the navigation and deletion rules distinguish.
QStringList describe(const txl::test::BoxRecorder &boxes) {
    QStringList out;
    for (const txl::ui::BoxRecord &b : boxes.boxes()) {
        QString kind;
        switch (b.kind) {
        case BoxKind::Information:
            kind = b.buttons.size() == 2 ? u"yes/no"_s : u"info"_s;
            break;
        case BoxKind::Confirmation:
            kind = u"confirm"_s;
            break;
        case BoxKind::Notice:
            kind = b.icon == BoxIcon::None ? u"notice-no-icon"_s : u"notice"_s;
            break;
        case BoxKind::Plain:
            kind = u"plain"_s;
            break;
        case BoxKind::Error:
            kind = u"error"_s;
            break;
        }
        out << kind + u' ' + b.text;
    }
    return out;
}

// What the global reference of `form`'s class holds.
const QObject *globalReferenceOf(const txl::ui::Form &form) {
    if (qobject_cast<const TAdd *>(&form) != nullptr)
        return Add;
    if (qobject_cast<const TForm4 *>(&form) != nullptr)
        return Form4;
    if (qobject_cast<const TShezhi *>(&form) != nullptr)
        return Shezhi;
    if (qobject_cast<const TAbout *>(&form) != nullptr)
        return About;
    return nullptr;
}

// The main window as the hand-over leaves it for `account`, created but not yet shown; with
// `reloadFails`, the contacts' table is gone, so the list's first reload fails.
TForm1 &mainWindowBeforeShow(txl::test::WindowFixture &fixture, const QString &account, bool reloadFails) {
    Form2 = new TForm2();
    Form2->setSignedInUser(account);
    Form1 = new TForm1();
    fixture.boxes.clear();
    if (reloadFails)
        fixture.exec(u"drop table UsersInfo"_s);
    return *Form1;
}

// Enabled states of 第一条, 上一条, 下一条, 最后一条 as "1"/"0".
QString navigationStates(const TForm1 &w) {
    QString s;
    for (const QPushButton *b : {w.Button3, w.Button5, w.Button4, w.Button6})
        s += b->isEnabled() ? u'1' : u'0';
    return s;
}

}   // namespace

class MainWindowTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void administrator_data();
    void administrator();
    void statusPanels_data();
    void statusPanels();
    void clock();
    void failingShowHandler();
    void places_data();
    void places();
    void toolBar_data();
    void toolBar();
    void contextMenu_data();
    void contextMenu();
    void columnWidths();
    void valuesAtEntryLimitShowWhole_data();
    void valuesAtEntryLimitShowWhole();
    void statusPanelsSunken();
    void accessible_data();
    void accessible();

    void searchFinds_data();
    void searchFinds();
    void blankSearchText();
    void returnResetsList();
    void addAfterSearch();
    void noColumnSelected_data();
    void noColumnSelected();
    void enterPressesSearch_data();
    void enterPressesSearch();

    void navigation_data();
    void navigation();

    void deletion_data();
    void deletion();

    void closeRequest_data();
    void closeRequest();
    void commandsOpenTheirWindows_data();
    void commandsOpenTheirWindows();

    void calculator_data();
    void calculator();
    void about();
};

// --- window and status bar ------------------------------------------------------------------

void MainWindowTest::administrator_data() {
    QTest::addColumn<QString>("account");
    QTest::addColumn<bool>("reloadFails");
    QTest::addColumn<bool>("administrator");   // 系统设置 enabled, and the manager opens
    QTest::newRow("chief, reload succeeds: enabled") << u"chief"_s << false << true;
    QTest::newRow("chief, reload fails: enabled") << u"chief"_s << true << true;
    QTest::newRow("zhangsan, reload succeeds: greyed") << u"zhangsan"_s << false << false;
    QTest::newRow("zhangsan, reload fails: greyed") << u"zhangsan"_s << true << false;
    QTest::newRow("Chief (letter case counts), reload succeeds: greyed") << u"Chief"_s << false << false;
    QTest::newRow("chief with a trailing space, reload succeeds: greyed") << u"chief "_s << false << false;
}

void MainWindowTest::administrator() {
    QFETCH(QString, account);
    QFETCH(bool, reloadFails);
    QFETCH(bool, administrator);
    txl::test::WindowFixture fixture;
    TForm1 &w = mainWindowBeforeShow(fixture, account, reloadFails);
    w.show();

    QCOMPARE(w.ToolButton3->isEnabled(), administrator);
    QCOMPARE(w.popupItems[5]->isEnabled(), administrator);
    // Every other command stays usable.
    for (std::size_t i = 0; i < w.toolBarEntries.size(); ++i) {
        if (i != 6)
            QVERIFY2(w.toolBarEntries[i]->isEnabled(), qPrintable(QString::number(i)));
    }
    for (std::size_t i = 0; i < w.popupItems.size(); ++i) {
        if (i != 5)
            QVERIFY2(w.popupItems[i]->isEnabled(), qPrintable(QString::number(i)));
    }
    // A failed reload is reported and skips the caption and the user's copy.
    QCOMPARE(fixture.boxes.boxes().size(), std::size_t(reloadFails ? 1 : 0));
    if (reloadFails)
        QCOMPARE(fixture.boxes.last().kind, BoxKind::Error);
    QCOMPARE(w.windowTitle(), reloadFails ? QString() : account + u"的同学录"_s);
    QCOMPARE(w.user, reloadFails ? QString() : account);

    // Past the button, straight to its handler: the manager asks again at its door.
    fixture.boxes.clear();
    QStringList shown;
    txl::ui::Form::setModalDriver([&shown](txl::ui::Form &form) {
        const auto *manager = qobject_cast<TForm4 *>(&form);
        shown << (manager != nullptr ? u"TForm4 listing %1 account"_s.arg(manager->DBListBox1->count()) : u"?"_s);
    });
    const auto noDriver = qScopeGuard([] { txl::ui::Form::setModalDriver({}); });
    w.ToolButton3Click();

    if (administrator) {
        QCOMPARE(shown, QStringList{u"TForm4 listing 1 account"_s});
        QVERIFY(fixture.boxes.empty());
    } else {
        QCOMPARE(shown, QStringList());
        QCOMPARE(describe(fixture.boxes), QStringList{u"notice 只有管理员才能使用这一功能"_s});
    }
    QVERIFY(Form4 == nullptr);
}

void MainWindowTest::statusPanels_data() {
    QTest::addColumn<int>("contacts");
    QTest::addColumn<QString>("account");
    QTest::newRow("three contacts") << 3 << u"chief"_s;
    QTest::newRow("empty table") << 0 << u"李老师"_s;
}

void MainWindowTest::statusPanels() {
    QFETCH(int, contacts);
    QFETCH(QString, account);
    MainWindow m(firstOf(contacts), account);

    QCOMPARE(m.w().panelText(0), u"^_^欢迎"_s + account + u"到来!^_^"_s);
    QCOMPARE(m.w().panelText(1), u"当前的用户是["_s + account + u"]"_s);
    QCOMPARE(m.w().panelText(2), u"通讯录的总人数为："_s + QString::number(contacts));
    QCOMPARE(m.w().panelText(3), QString());   // the clock's, until its first tick
    QCOMPARE(m.gridNames().size(), contacts);
    QCOMPARE(m.w().focusWidget(), m.w().Edit1);
    QCOMPARE(m.w().ComboBox1->currentText(), u"姓名"_s);
    QVERIFY(m.boxes.empty());
}

void MainWindowTest::clock() {
    MainWindow m;
    QVERIFY(m.w().Timer1->isActive());
    QCOMPARE(m.w().Timer1->interval(), 1000);

    const QString before = txl::os::dateTimeText(QDateTime::currentDateTime());
    QVERIFY(QTest::qWaitFor([&] { return !m.w().panelText(3).isEmpty(); }, 3000));
    const QString after = txl::os::dateTimeText(QDateTime::currentDateTime());
    const QString shown = m.w().panelText(3);
    QVERIFY2(shown == u"现在的时间是："_s + before || shown == u"现在的时间是："_s + after, qPrintable(shown));
    // The clock writes panel 3 only.
    QCOMPARE(m.w().panelText(2), u"通讯录的总人数为：5"_s);
}

void MainWindowTest::failingShowHandler() {
    txl::test::WindowFixture fixture;
    mainWindowBeforeShow(fixture, u"zhangsan"_s, true);
    Form1->ComboBox1->setCurrentIndex(3);

    Form1->show();

    QCOMPARE(fixture.boxes.boxes().size(), std::size_t(1));
    QCOMPARE(fixture.boxes.last().kind, BoxKind::Error);
    QVERIFY2(fixture.boxes.last().text.contains(u"UsersInfo"_s), qPrintable(fixture.boxes.last().text));
    // The first step ran before the reload failed: the focus and the first column are set.
    QCOMPARE(Form1->focusWidget(), Form1->Edit1);
    QCOMPARE(Form1->ComboBox1->currentIndex(), 0);
    // The steps after the reload did not run; the window is shown with an empty list. (系统设置
    // was settled before the reload: see administrator.)
    QVERIFY(Form1->isVisible());
    QVERIFY(Form1->windowTitle().isEmpty());
    QVERIFY(Form1->user.isEmpty());
    for (int panel = 0; panel < 3; ++panel)
        QCOMPARE(Form1->panelText(panel), QString());
    QCOMPARE(Form1->grid->model()->rowCount(), 0);
}

void MainWindowTest::places_data() {
    QTest::addColumn<QString>("control");
    QTest::addColumn<QRect>("place");   // in the window's client area

    QTest::newRow("toolbar") << u"ToolBar1"_s << QRect(0, 0, 704, 39);
    QTest::newRow("line under the toolbar") << u"Bevel1"_s << QRect(0, 41, 704, 2);
    QTest::newRow("search group") << u"GroupBox1"_s << QRect(5, 50, 692, 54);
    QTest::newRow("mode chooser") << u"RadioGroup1"_s << QRect(12, 62, 183, 33);
    QTest::newRow("column chooser") << u"ComboBox1"_s << QRect(270, 71, 82, 21);
    QTest::newRow("search text") << u"Edit1"_s << QRect(437, 71, 77, 21);
    QTest::newRow("查找") << u"btserach"_s << QRect(524, 69, 75, 25);
    QTest::newRow("返回") << u"Button2"_s << QRect(608, 69, 75, 25);
    QTest::newRow("navigation group") << u"GroupBox2"_s << QRect(5, 104, 692, 41);
    QTest::newRow("第一条") << u"Button3"_s << QRect(91, 115, 75, 25);
    QTest::newRow("上一条") << u"Button5"_s << QRect(229, 114, 81, 26);
    QTest::newRow("下一条") << u"Button4"_s << QRect(367, 115, 75, 25);
    QTest::newRow("最后一条") << u"Button6"_s << QRect(498, 115, 75, 25);
    QTest::newRow("line under the navigation") << u"Bevel2"_s << QRect(0, 147, 704, 2);
    QTest::newRow("list group") << u"GroupBox3"_s << QRect(5, 160, 696, 316);
    QTest::newRow("grid") << u"grid"_s << QRect(13, 174, 677, 292);
    QTest::newRow("line over the status bar") << u"Bevel3"_s << QRect(0, 479, 704, 2);
    QTest::newRow("status bar") << u"sb"_s << QRect(0, 495, 704, 16);
    // Panels of 140, 150 and 200 pixels with their gaps; the last one takes the rest.
    QTest::newRow("panel 0") << u"panel0"_s << QRect(0, 495, 138, 16);
    QTest::newRow("panel 1") << u"panel1"_s << QRect(140, 495, 148, 16);
    QTest::newRow("panel 2") << u"panel2"_s << QRect(290, 495, 198, 16);
    QTest::newRow("panel 3") << u"panel3"_s << QRect(490, 495, 214, 16);
}

void MainWindowTest::places() {
    QFETCH(QString, control);
    QFETCH(QRect, place);
    MainWindow m;
    QCOMPARE(m.w().size(), QSize(704, 511));
    const auto *widget = m.w().findChild<QWidget *>(control);
    QVERIFY(widget != nullptr);
    QVERIFY(widget->isVisible());
    QCOMPARE(QRect(widget->mapTo(&m.w(), QPoint(0, 0)), widget->size()), place);
}

void MainWindowTest::toolBar_data() {
    QTest::addColumn<int>("index");
    QTest::addColumn<QString>("caption");   // empty: a separator
    QTest::addColumn<QString>("tooltip");
    QTest::addColumn<int>("image");

    const struct {
        const char *name;
        QString caption, tooltip;
        int image;
    } entries[22] = {
        {"ToolButton1", u"添加好友"_s, u"添加好友"_s, 9},
        {"ToolButton2", {}, {}, -1},
        {"ToolButton5", u"删除好友"_s, u"删除好友"_s, 6},
        {"ToolButton6", {}, {}, -1},
        {"ToolButton7", u"打印报表"_s, u"导出Excel"_s, 4},
        {"ToolButton4", {}, {}, -1},
        {"ToolButton3", u"系统设置"_s, u"只有管理员才能使用这一功能"_s, 8},
        {"ToolButton12", {}, {}, -1},
        {"ToolButton13", u"密码设置"_s, u"密码设置"_s, 14},
        {"ToolButton8", {}, {}, -1},
        {"ToolButton16", u"计算器"_s, {}, 15},
        {"ToolButton14", {}, {}, -1},
        {"ToolButton11", u"关于"_s, u"关于"_s, 10},
        {"ToolButton10", {}, {}, -1},
        {"ToolButtonImport", u"导入"_s, u"从 Excel、CSV 或 vCard 文件导入联系人"_s, 17},
        {"ToolButtonImportSep", {}, {}, -1},
        {"ToolButtonExport", u"导出"_s, u"把列表中的联系人导出为 Excel、CSV 或 vCard 文件"_s, 18},
        {"ToolButtonExportSep", {}, {}, -1},
        {"ToolButtonBirthdays", u"生日提醒"_s, u"看看谁的生日快到了"_s, 19},
        {"ToolButtonBirthdaysSep", {}, {}, -1},
        {"ToolButton9", u"退出系统"_s, u"退出系统"_s, 12},   // leaving stays last
        {"ToolButton17", {}, {}, -1},
    };
    for (int i = 0; i < 22; ++i) {
        const auto &e = entries[i];
        QTest::newRow(e.name) << i << e.caption << e.tooltip << e.image;
    }
}

void MainWindowTest::toolBar() {
    QFETCH(int, index);
    QFETCH(QString, caption);
    QFETCH(QString, tooltip);
    QFETCH(int, image);
    MainWindow m;
    const QList<QAction *> actions = m.w().ToolBar1->actions();
    QCOMPARE(actions.size(), 22);
    QAction *entry = actions.at(index);
    QCOMPARE(entry, m.w().toolBarEntries[std::size_t(index)]);
    QCOMPARE(entry->objectName(), QString::fromLatin1(QTest::currentDataTag()));
    QCOMPARE(entry->isSeparator(), caption.isEmpty());
    if (entry->isSeparator())
        return;

    QCOMPARE(entry->text(), caption);
    QWidget *button = m.w().ToolBar1->widgetForAction(entry);
    QVERIFY(button != nullptr);
    QCOMPARE(button->size(), QSize(55, 35));
    const QImage expected = txl::assets::toolbarImage(image).toImage();
    QCOMPARE(entry->icon().pixmap(16, 16).toImage().convertToFormat(expected.format()), expected);

    // What a hover shows: the tooltip, or nothing at all for the calculator.
    QToolTip::hideText();
    QHelpEvent hover(QEvent::ToolTip, QPoint(10, 10), button->mapToGlobal(QPoint(10, 10)));
    QApplication::sendEvent(button, &hover);
    QCOMPARE(QToolTip::isVisible() ? QToolTip::text() : QString(), tooltip);
    QToolTip::hideText();
    if (index == 0)
        QCOMPARE(entry->property("hint").toString(), u"添加好友|请你添加好友"_s);
}

void MainWindowTest::contextMenu_data() {
    QTest::addColumn<QString>("account");
    QTest::addColumn<QString>("where");
    QTest::newRow("chief, on a row") << u"chief"_s << u"row"_s;
    QTest::newRow("chief, on the titles") << u"chief"_s << u"titles"_s;
    QTest::newRow("chief, on the indicator") << u"chief"_s << u"indicator"_s;
    QTest::newRow("another account, on a row") << u"zhangsan"_s << u"row"_s;
}

void MainWindowTest::contextMenu() {
    QFETCH(QString, account);
    QFETCH(QString, where);
    MainWindow m(Classmates, account);
    const bool chief = account == u"chief";

    // The items as shown: separators only between items, 系统设置 greyed for everyone but chief.
    const QStringList expected{
        u"添加好友"_s, u"修改好友"_s, u"删除好友"_s, u"打印报表"_s, chief ? u"系统设置"_s : u"(系统设置)"_s,
        u"密码设置"_s, u"计 算 器"_s, u"-"_s,        u"关    于"_s, u"-"_s,
        u"导入"_s,     u"导出"_s,     u"生日提醒"_s, u"-"_s,        u"退出系统"_s};
    QWidget *surface = where == u"row"      ? m.w().grid->viewport()
                       : where == u"titles" ? m.w().grid->horizontalHeader()->viewport()
                                            : m.w().grid->verticalHeader()->viewport();
    const QPoint at = where == u"indicator" ? QPoint(5, 5) : QPoint(100, 5);
    QContextMenuEvent request(QContextMenuEvent::Mouse, at, surface->mapToGlobal(at));
    QApplication::sendEvent(surface, &request);
    QTRY_VERIFY(m.w().PopupMenu1->isVisible());

    QStringList shown;
    for (QAction *item : m.w().PopupMenu1->actions()) {
        if (m.w().PopupMenu1->actionGeometry(item).isEmpty())
            continue;
        const QString text = item->isSeparator() ? u"-"_s : item->text();
        shown << (item->isEnabled() ? text : u'(' + text + u')');
    }
    m.w().PopupMenu1->hide();
    QCOMPARE(shown, expected);
    QCOMPARE(m.w().PopupMenu1->actions().size(), 17);
    QCOMPARE(m.w().PopupMenu1->actions().at(15), m.w().popupItems[15]);
    QCOMPARE(m.w().popupItems[15]->text(), u"退出系统"_s);
}

void MainWindowTest::columnWidths() {
    MainWindow m;
    const std::pair<QString, int> widths[] = {{u"姓名"_s, 64},     {u"性别"_s, 30},     {u"出生日期"_s, 75},
                                              {u"手机号码"_s, 75}, {u"宿舍号码"_s, 75}, {u"家庭电话"_s, 75},
                                              {u"QQ"_s, 75},       {u"电子邮箱"_s, 75}, {u"家庭住址"_s, 100}};
    // After the show handler's reload, and again after a search replaced the result.
    for (int pass = 0; pass < 2; ++pass) {
        const QAbstractItemModel *model = m.w().grid->model();
        QCOMPARE(model->columnCount(), 9);
        for (int column = 0; column < 9; ++column) {
            QCOMPARE(model->headerData(column, Qt::Horizontal).toString(), widths[column].first);
            QCOMPARE(m.w().grid->columnWidth(column), widths[column].second);
        }
        m.search(1, 0, u"张"_s);
    }
}

void MainWindowTest::valuesAtEntryLimitShowWhole_data() {
    QTest::addColumn<int>("column");
    QTest::addColumn<QString>("value");
    QTest::newRow("five Chinese characters in 姓名") << 0 << u"欧阳张三丰"_s;
    QTest::newRow("ten Latin letters in 姓名") << 0 << u"Wolfgangus"_s;
    QTest::newRow("eleven digits in 手机号码") << 3 << u"13800138000"_s;
    QTest::newRow("twelve digits in 宿舍号码") << 4 << u"123456789012"_s;
}

void MainWindowTest::valuesAtEntryLimitShowWhole() {
    QFETCH(int, column);
    QFETCH(QString, value);
    QStringList contact = Classmates.first();
    contact[column] = value;
    MainWindow m({Classmates.at(1), contact});
    txl::ui::DataGrid *grid = m.w().grid;
    QVERIFY(QTest::qWaitForWindowExposed(&m.w()));

    // The cell in its designed width, grid lines left out, and the same cell with room to spare.
    const QModelIndex cell = grid->model()->index(1, column);
    const int width = grid->columnWidth(column) - 1;
    const auto drawn = [&] {
        const QRect rect = grid->visualRect(cell);
        return grid->viewport()->grab(QRect(rect.topLeft(), QSize(rect.width() - 1, rect.height() - 1))).toImage();
    };
    const QImage designed = drawn();
    grid->setColumnWidth(column, 400);
    const QImage roomy = drawn();

    // With room to spare the text stays inside the designed width, and the designed width shows
    // it just as it does then: whole, not cut and not shortened.
    const QRgb background = roomy.pixel(roomy.width() - 2, roomy.height() / 2);
    for (int y = 0; y < roomy.height(); ++y) {
        for (int x = width; x < roomy.width(); ++x)
            QVERIFY2(roomy.pixel(x, y) == background, qPrintable(u"ink at x %1"_s.arg(x)));
    }
    QCOMPARE(designed, roomy.copy(0, 0, designed.width(), designed.height()));
}

void MainWindowTest::statusPanelsSunken() {
    MainWindow m;
    QVERIFY(QTest::qWaitForWindowExposed(&m.w()));
    for (QLabel *panel : m.w().sbPanels) {
        // Shadow along the top and left edges, light along the bottom and right ones.
        const QImage drawn = panel->grab().toImage();
        const int face = qGray(panel->palette().color(QPalette::Window).rgb());
        const int w = drawn.width(), h = drawn.height();
        for (int x = 1; x < w - 1; ++x) {
            QVERIFY2(qGray(drawn.pixel(x, 0)) < face, qPrintable(panel->objectName()));
            QVERIFY2(qGray(drawn.pixel(x, h - 1)) > face, qPrintable(panel->objectName()));
        }
        for (int y = 1; y < h - 1; ++y) {
            QVERIFY2(qGray(drawn.pixel(0, y)) < face, qPrintable(panel->objectName()));
            QVERIFY2(qGray(drawn.pixel(w - 1, y)) > face, qPrintable(panel->objectName()));
        }
    }
}

void MainWindowTest::accessible_data() {
    QTest::addColumn<QString>("control");
    QTest::addColumn<QString>("name");
    QTest::newRow("list") << u"grid"_s << u"用户浏览"_s;
    QTest::newRow("column chooser") << u"ComboBox1"_s << u"查找字段："_s;
    QTest::newRow("search text") << u"Edit1"_s << u"查找内容："_s;
    QTest::newRow("添加好友") << u"ToolButton1"_s << u"添加好友"_s;
    QTest::newRow("计算器, no tooltip") << u"ToolButton16"_s << u"计算器"_s;
    QTest::newRow("第一条") << u"Button3"_s << u"第一条"_s;
}

void MainWindowTest::accessible() {
    QFETCH(QString, control);
    QFETCH(QString, name);
    MainWindow m;
    QWidget *widget = m.w().findChild<QWidget *>(control);
    QVERIFY(widget != nullptr);
    QCOMPARE(txl::test::heardName(widget), name);
}

// --- search ---------------------------------------------------------------------------------

void MainWindowTest::searchFinds_data() {
    QTest::addColumn<int>("mode");     // 0 exact, 1 fuzzy
    QTest::addColumn<int>("column");   // index in the chooser
    QTest::addColumn<QString>("text");
    QTest::addColumn<QStringList>("found");
    QTest::addColumn<QString>("fieldAfter");
    QTest::addColumn<QStringList>("boxes");

    const QStringList none;
    const QStringList noMatch{u"notice 对不起!没有找到相关记录！"_s};
    QTest::newRow("exact 性别 女") << 0 << 1 << u"女"_s << QStringList{u"李四"_s, u"王五"_s} << QString() << none;
    QTest::newRow("exact text is trimmed")
        << 0 << 1 << u"  女 "_s << QStringList{u"李四"_s, u"王五"_s} << QString() << none;
    QTest::newRow("fuzzy 13 on 手机号码")
        << 1 << 3 << u"13"_s << QStringList{u"张三"_s, u"李四"_s, u"赵六"_s} << u"13"_s << none;
    QTest::newRow("exact 13 on 手机号码") << 0 << 3 << u"13"_s << QStringList{u"赵六"_s} << QString() << none;
    QTest::newRow("quote in an exact search") << 0 << 0 << u"O'Neil"_s << QStringList{u"O'Neil"_s} << QString() << none;
    QTest::newRow("quote in a fuzzy search") << 1 << 0 << u"'"_s << QStringList{u"O'Neil"_s} << u"'"_s << none;
    QTest::newRow("quote and comment in an exact search")
        << 0 << 0 << u"' or 1=1 --"_s << QStringList() << QString() << noMatch;
    QTest::newRow("exact no match") << 0 << 0 << u"孙七"_s << QStringList() << QString() << noMatch;
    QTest::newRow("fuzzy no match") << 1 << 5 << u"西安"_s << QStringList() << u"西安"_s << noMatch;
    // Letters typed into a fuzzy search on 姓名 or 家庭住址 also find their pinyin.
    QTest::newRow("pinyin initials on 姓名") << 1 << 0 << u" zs "_s << QStringList{u"张三"_s} << u" zs "_s << none;
    QTest::newRow("pinyin and plain text on 姓名") << 1 << 0 << u"n"_s << QStringList{u"O'Neil"_s} << u"n"_s << none;
    QTest::newRow("pinyin on 家庭住址") << 1 << 5 << u"shanghai"_s << QStringList{u"李四"_s} << u"shanghai"_s << none;
    QTest::newRow("pinyin no match") << 1 << 0 << u"zx"_s << QStringList() << u"zx"_s << noMatch;
    QTest::newRow("no pinyin on 性别") << 1 << 1 << u"nv"_s << QStringList() << u"nv"_s << noMatch;
    QTest::newRow("no pinyin in an exact search") << 0 << 0 << u"zs"_s << QStringList() << QString() << noMatch;
}

void MainWindowTest::searchFinds() {
    QFETCH(int, mode);
    QFETCH(int, column);
    QFETCH(QString, text);
    QFETCH(QStringList, found);
    QFETCH(QString, fieldAfter);
    QFETCH(QStringList, boxes);
    MainWindow m;
    m.w().btserach->setFocus();

    m.search(mode, column, text);

    QCOMPARE(describe(m.boxes), boxes);
    QCOMPARE(m.gridNames(), found);
    QCOMPARE(m.w().panelText(2), u"总共找到%1条记录"_s.arg(found.size()));
    QCOMPARE(m.w().Edit1->text(), fieldAfter);
    // Only an exact search puts the focus back into the field.
    QCOMPARE(m.w().focusWidget(), mode == 0 ? static_cast<QWidget *>(m.w().Edit1) : m.w().btserach);
    // Only the list changed: the table still holds every contact.
    QCOMPARE(m.storedNames().size(), Classmates.size());
    // A fuzzy search that is not pinyin on 姓名 or 家庭住址 runs the plain contains statement.
    const QString plain = u"select * from UsersInfo where "_s + m.w().ComboBox1->itemText(column) + u" like :p1"_s;
    const bool pinyin = (column == 0 || column == 5) &&
                        text.contains(QRegularExpression(u"^[A-Za-z' ]*[A-Za-z][A-Za-z' ]*$"_s));
    if (mode == 1)
        QCOMPARE(m.query().sql().join(QString()).startsWith(plain + u" or pinyin_match("_s), pinyin);
    if (mode == 1 && !pinyin)
        QCOMPARE(m.query().sql(), QStringList{plain});
}

void MainWindowTest::blankSearchText() {
    MainWindow m;
    m.search(0, 1, u"女"_s);
    m.boxes.clear();

    m.search(1, 0, u"   "_s);

    QCOMPARE(describe(m.boxes), QStringList{u"notice 请你输入查询内容！"_s});
    QCOMPARE(m.gridNames(), (QStringList{u"李四"_s, u"王五"_s}));
    QCOMPARE(m.w().panelText(2), u"总共找到2条记录"_s);
}

void MainWindowTest::returnResetsList() {
    MainWindow m;
    m.search(1, 0, u"四"_s);
    QCOMPARE(m.gridNames(), QStringList{u"李四"_s});
    QCOMPARE(m.w().Edit1->text(), u"四"_s);

    m.w().Button2->click();
    QCOMPARE(m.gridNames().size(), Classmates.size());
    QCOMPARE(m.w().panelText(2), u"通讯录的总人数为：5"_s);
    QCOMPARE(m.w().Edit1->text(), QString());

    // With the field already empty, and after a contact was added behind the list's back.
    m.addContact({u"孙七"_s});
    m.w().Button2->click();
    QCOMPARE(m.gridNames().size(), Classmates.size() + 1);
    QCOMPARE(m.w().panelText(2), u"通讯录的总人数为：6"_s);
    QVERIFY(m.boxes.empty());
}

// Adding a contact after a search shows the whole list again; the count stays the search's.
void MainWindowTest::addAfterSearch() {
    MainWindow m;
    m.search(0, 1, u"女"_s);
    QCOMPARE(m.w().panelText(2), u"总共找到2条记录"_s);

    txl::ui::Form::setModalDriver([](txl::ui::Form &form) {
        auto &dialog = static_cast<TAdd &>(form);
        dialog.edname->setText(u"孙七"_s);
        dialog.Button1->click();
    });
    m.w().ToolButton1->trigger();
    txl::ui::Form::setModalDriver({});

    QCOMPARE(m.gridNames().size(), Classmates.size() + 1);
    QVERIFY(m.gridNames().contains(u"孙七"_s));
    QCOMPARE(m.w().panelText(2), u"总共找到2条记录"_s);
}

void MainWindowTest::noColumnSelected_data() {
    QTest::addColumn<int>("mode");
    QTest::addColumn<QString>("typed");   // into the chooser instead of picking
    QTest::newRow("exact, a column name typed") << 0 << u"手机"_s;
    QTest::newRow("fuzzy, a column name typed") << 1 << u"手机"_s;
    QTest::newRow("exact, a non-searchable column typed") << 0 << u"出生日期"_s;
    QTest::newRow("exact, chooser emptied") << 0 << QString();
}

void MainWindowTest::noColumnSelected() {
    QFETCH(int, mode);
    QFETCH(QString, typed);
    MainWindow m;
    m.w().setSearchMode(mode);
    m.w().ComboBox1->setEditText(typed);
    m.w().Edit1->setText(u"张三"_s);

    m.w().btserach->click();

    QCOMPARE(m.boxes.boxes().size(), std::size_t(1));
    QCOMPARE(m.boxes.last().kind, BoxKind::Error);
    // The list was closed before the statement failed, and stays empty.
    QVERIFY(!m.query().isActive());
    QCOMPARE(m.w().grid->model()->rowCount(), 0);
    QCOMPARE(m.w().panelText(2), u"通讯录的总人数为：5"_s);

    m.w().Button2->click();
    QCOMPARE(m.gridNames().size(), Classmates.size());
}

void MainWindowTest::enterPressesSearch_data() {
    QTest::addColumn<QString>("control");
    QTest::newRow("in the search text") << u"Edit1"_s;
    QTest::newRow("in the column chooser") << u"ComboBox1"_s;
}

void MainWindowTest::enterPressesSearch() {
    QFETCH(QString, control);
    MainWindow m;
    m.w().ComboBox1->setCurrentIndex(1);
    m.w().Edit1->setText(u"女"_s);
    QWidget *target = m.w().findChild<QWidget *>(control);
    QVERIFY(target != nullptr);

    QTest::keyClick(target, Qt::Key_Return);

    QCOMPARE(m.gridNames(), (QStringList{u"李四"_s, u"王五"_s}));
    QCOMPARE(m.w().ComboBox1->count(), 6);   // Enter added no entry to the chooser
    QCOMPARE(m.w().ComboBox1->currentText(), u"性别"_s);
}

// --- navigation -----------------------------------------------------------------------------

void MainWindowTest::navigation_data() {
    QTest::addColumn<int>("contacts");
    QTest::addColumn<QStringList>("presses");
    QTest::addColumn<QStringList>("boxes");
    QTest::addColumn<int>("currentRow");
    QTest::addColumn<QString>("enabled");   // 第一条 上一条 下一条 最后一条

    const QString first = u"第一条"_s, prior = u"上一条"_s, next = u"下一条"_s, last = u"最后一条"_s, back = u"返回"_s;
    const QString atFirst = u"info 已到第一条"_s, atFirstNotice = u"notice-no-icon 已到第一条"_s,
                  atLast = u"info 已到最后一条"_s;

    QTest::newRow("three rows walked with 下一条") << 3 << QStringList{next, next} << QStringList() << 2 << u"1111"_s;
    QTest::newRow("下一条 on the last row sets end-of-data silently")
        << 3 << QStringList{next, next, next} << QStringList() << 2 << u"1111"_s;
    QTest::newRow("下一条 once more shows the message")
        << 3 << QStringList{next, next, next, next} << QStringList{atLast} << 2 << u"1110"_s;
    QTest::newRow("最后一条 twice") << 3 << QStringList{last, last} << QStringList{atLast} << 2 << u"1101"_s;
    QTest::newRow("第一条 leaves 下一条 grey")
        << 3 << QStringList{last, last, first} << QStringList{atLast} << 0 << u"1101"_s;
    QTest::newRow("上一条 re-enables 下一条")
        << 3 << QStringList{last, last, prior} << QStringList{atLast} << 1 << u"1111"_s;
    QTest::newRow("第一条 at begin-of-data") << 3 << QStringList{first} << QStringList{atFirst} << 0 << u"1011"_s;
    QTest::newRow("第一条 twice after moving")
        << 3 << QStringList{next, first, first} << QStringList{atFirst} << 0 << u"1011"_s;
    QTest::newRow("下一条 re-enables 上一条")
        << 3 << QStringList{first, next} << QStringList{atFirst} << 1 << u"1111"_s;
    QTest::newRow("上一条 at begin-of-data, no icon")
        << 3 << QStringList{prior} << QStringList{atFirstNotice} << 0 << u"0111"_s;
    QTest::newRow("下一条 re-enables 第一条")
        << 3 << QStringList{prior, next} << QStringList{atFirstNotice} << 1 << u"1111"_s;
    QTest::newRow("上一条 onto the first row, then at it")
        << 3 << QStringList{next, prior, prior, prior} << QStringList{atFirstNotice} << 0 << u"0111"_s;
    QTest::newRow("a reload resets no button, but sets begin-of-data")
        << 3 << QStringList{last, last, back, prior} << QStringList{atLast, atFirstNotice} << 0 << u"0101"_s;
    QTest::newRow("empty list: 第一条") << 0 << QStringList{first} << QStringList{atFirst} << -1 << u"1011"_s;
    QTest::newRow("empty list: 上一条") << 0 << QStringList{prior} << QStringList{atFirstNotice} << -1 << u"0111"_s;
    QTest::newRow("empty list: 下一条") << 0 << QStringList{next} << QStringList{atLast} << -1 << u"1110"_s;
    QTest::newRow("empty list: 最后一条") << 0 << QStringList{last} << QStringList{atLast} << -1 << u"1101"_s;
}

void MainWindowTest::navigation() {
    QFETCH(int, contacts);
    QFETCH(QStringList, presses);
    QFETCH(QStringList, boxes);
    QFETCH(int, currentRow);
    QFETCH(QString, enabled);
    MainWindow m(firstOf(contacts));

    for (const QString &caption : std::as_const(presses)) {
        QPushButton *b = nullptr;
        for (QPushButton *candidate : m.w().findChildren<QPushButton *>()) {
            if (candidate->text() == caption)
                b = candidate;
        }
        QVERIFY2(b != nullptr && b->isEnabled(), qPrintable(caption));
        b->click();
    }

    QCOMPARE(describe(m.boxes), boxes);
    QCOMPARE(m.query().currentRow(), currentRow);
    QCOMPARE(m.gridCurrentRow(), currentRow);   // the grid highlights the query's row
    QCOMPARE(navigationStates(m.w()), enabled);
}

// --- deletion -------------------------------------------------------------------------------

void MainWindowTest::deletion_data() {
    QTest::addColumn<QString>("setUp");
    QTest::addColumn<int>("contacts");
    QTest::addColumn<std::optional<Answer>>("answer");   // none: no question expected
    QTest::addColumn<QStringList>("boxes");
    QTest::addColumn<QStringList>("stored");
    QTest::addColumn<QStringList>("listed");
    QTest::addColumn<int>("currentRow");
    QTest::addColumn<QString>("panel");

    const QString ask = u"yes/no 你是否真的要删除此用户？"_s;
    const QString nothing = u"notice 错误：你没有选择用户或当前没有数据!"_s;
    const QStringList three{u"张三"_s, u"李四"_s, u"王五"_s};
    const QString threeTotal = u"通讯录的总人数为：3"_s;

    QTest::newRow("the last row: the one before becomes current")
        << u"last"_s << 3 << std::optional(Answer::Yes) << QStringList{ask} << QStringList{u"张三"_s, u"李四"_s}
        << QStringList{u"张三"_s, u"李四"_s} << 1 << threeTotal;
    QTest::newRow("the first row: the following becomes current")
        << u""_s << 3 << std::optional(Answer::Yes) << QStringList{ask} << QStringList{u"李四"_s, u"王五"_s}
        << QStringList{u"李四"_s, u"王五"_s} << 0 << threeTotal;
    QTest::newRow("inside a search result") << u"search 男"_s << 5 << std::optional(Answer::Yes) << QStringList{ask}
                                            << QStringList{u"李四"_s, u"王五"_s, u"O'Neil"_s, u"赵六"_s}
                                            << QStringList{u"O'Neil"_s, u"赵六"_s} << 0 << u"总共找到3条记录"_s;
    QTest::newRow("answered No") << u"last"_s << 3 << std::optional(Answer::No) << QStringList{ask} << three << three
                                 << 2 << threeTotal;
    QTest::newRow("empty list") << u""_s << 0 << std::optional<Answer>() << QStringList{nothing} << QStringList()
                                << QStringList() << -1 << u"通讯录的总人数为：0"_s;
    QTest::newRow("search found nothing")
        << u"search 无"_s << 3 << std::optional<Answer>() << QStringList{u"notice 对不起!没有找到相关记录！"_s, nothing}
        << three << QStringList() << -1 << u"总共找到0条记录"_s;
    QTest::newRow("list closed by a failed search")
        << u"typed column"_s << 3 << std::optional<Answer>()
        << QStringList{u"error '' is not a search column."_s, nothing} << three << QStringList() << -1 << threeTotal;
}

void MainWindowTest::deletion() {
    QFETCH(QString, setUp);
    QFETCH(int, contacts);
    QFETCH(std::optional<Answer>, answer);
    QFETCH(QStringList, boxes);
    QFETCH(QStringList, stored);
    QFETCH(QStringList, listed);
    QFETCH(int, currentRow);
    QFETCH(QString, panel);
    MainWindow m(firstOf(contacts));
    if (setUp == u"last")
        m.w().Button6->click();
    else if (setUp.startsWith(u"search "))
        m.search(0, 1, setUp.mid(7));
    else if (setUp == u"typed column") {
        m.w().ComboBox1->setEditText(u"手机"_s);
        m.w().Edit1->setText(u"张三"_s);
        m.w().btserach->click();
    }
    if (answer)
        m.boxes.answerNext(*answer);

    m.w().ToolButton5->trigger();

    const QStringList shown = describe(m.boxes);
    QCOMPARE(shown, boxes);
    QCOMPARE(m.storedNames(), stored);
    QCOMPARE(m.gridNames(), listed);
    QCOMPARE(m.query().currentRow(), currentRow);
    QCOMPARE(m.gridCurrentRow(), currentRow);
    QCOMPARE(m.w().panelText(2), panel);   // deletion does not touch the count
}

// --- close ----------------------------------------------------------------------------------

void MainWindowTest::closeRequest_data() {
    QTest::addColumn<QString>("way");
    QTest::addColumn<Answer>("answer");
    for (const QString &way : {u"title bar"_s, u"toolbar"_s, u"menu"_s}) {
        QTest::addRow("%s, No", qPrintable(way)) << way << Answer::No;
        QTest::addRow("%s, Yes", qPrintable(way)) << way << Answer::Yes;
    }
}

void MainWindowTest::closeRequest() {
    QFETCH(QString, way);
    QFETCH(Answer, answer);
    MainWindow m;
    m.w().Button6->click();
    const QStringList panels{m.w().panelText(0), m.w().panelText(1), m.w().panelText(2)};
    m.boxes.answerNext(answer);

    if (way == u"title bar")
        m.w().close();
    else if (way == u"toolbar")
        m.w().ToolButton9->trigger();
    else
        m.w().popupItems[15]->trigger();

    QCOMPARE(describe(m.boxes), QStringList{u"confirm 你真的想退出吗？"_s});
    QCOMPARE(m.boxes.last().caption, u"Confirm"_s);
    const bool yes = answer == Answer::Yes;
    QCOMPARE(txl::ui::Application::instance()->terminated(), yes);
    QCOMPARE(m.w().isVisible(), !yes);
    if (!yes) {
        QCOMPARE((QStringList{m.w().panelText(0), m.w().panelText(1), m.w().panelText(2)}), panels);
        QCOMPARE(m.gridNames().size(), Classmates.size());
        QCOMPARE(m.query().currentRow(), 4);
    }
}

void MainWindowTest::commandsOpenTheirWindows_data() {
    QTest::addColumn<QString>("way");
    QTest::addColumn<QString>("opened");   // the window shown modally, with what it holds
    QTest::newRow("toolbar 添加好友") << u"toolbar 0"_s << u"TAdd 提交 "_s;
    QTest::newRow("menu 添加好友") << u"menu 1"_s << u"TAdd 提交 "_s;
    QTest::newRow("menu 修改好友") << u"menu 2"_s << u"TAdd 修改 张三"_s;
    QTest::newRow("double-click on a data row") << u"double-click row"_s << u"TAdd 修改 王五"_s;
    QTest::newRow("double-click on the titles") << u"double-click titles"_s << u"TAdd 修改 张三"_s;
    QTest::newRow("double-click on the indicator") << u"double-click indicator"_s << u"TAdd 修改 李四"_s;
    QTest::newRow("double-click below the rows") << u"double-click below"_s << u"TAdd 修改 张三"_s;
    QTest::newRow("toolbar 系统设置") << u"toolbar 6"_s << u"TForm4"_s;
    QTest::newRow("menu 系统设置") << u"menu 5"_s << u"TForm4"_s;
    QTest::newRow("toolbar 密码设置") << u"toolbar 8"_s << u"TShezhi"_s;
    QTest::newRow("menu 密码设置") << u"menu 6"_s << u"TShezhi"_s;
}

void MainWindowTest::commandsOpenTheirWindows() {
    QFETCH(QString, way);
    QFETCH(QString, opened);
    MainWindow m(firstOf(3));
    QStringList shown;
    txl::ui::Form::setModalDriver([&shown](txl::ui::Form &form) {
        QString what = QString::fromLatin1(form.metaObject()->className());
        if (const auto *add = qobject_cast<TAdd *>(&form))
            what += u' ' + add->Button1->text() + u' ' + add->edname->text();
        if (globalReferenceOf(form) != &form)
            what += u" (its global reference names another window)"_s;
        shown << what;
    });

    txl::ui::DataGrid *grid = m.w().grid;
    if (way.startsWith(u"toolbar "))
        m.w().toolBarEntries[way.mid(8).toUInt()]->trigger();
    else if (way.startsWith(u"menu "))
        m.w().popupItems[way.mid(5).toUInt()]->trigger();
    else {
        // What the window system delivers for a double-click: a click, then the second press as
        // a double-click.
        QWidget *surface = grid->viewport();
        QPoint at(100, grid->viewport()->height() - 5);   // below the rows
        if (way == u"double-click row") {
            at = grid->visualRect(grid->model()->index(2, 1)).center();
        } else if (way == u"double-click titles") {
            surface = grid->horizontalHeader()->viewport();
            at = QPoint(100, 5);
        } else if (way == u"double-click indicator") {
            surface = grid->verticalHeader()->viewport();
            at = QPoint(5, grid->verticalHeader()->sectionViewportPosition(1) + 5);
        }
        QTest::mouseClick(surface, Qt::LeftButton, {}, at);
        QTest::mouseDClick(surface, Qt::LeftButton, {}, at);
    }
    txl::ui::Form::setModalDriver({});

    QCOMPARE(shown, QStringList{opened});
    QVERIFY(m.boxes.empty());
    // Freed when it returned: no reference names it any more.
    QVERIFY(Add == nullptr && Form4 == nullptr && Shezhi == nullptr);
}

// --- calculator and about -------------------------------------------------------------------

void MainWindowTest::calculator_data() {
    QTest::addColumn<QStringList>("installed");   // "system/name" or "local/name"
    QTest::addColumn<int>("presses");
    QTest::addColumn<QString>("started");   // folder/name of every start; empty: none
    QTest::addColumn<QStringList>("boxes");

    QTest::newRow("none found") << QStringList() << 1 << QString() << QStringList{u"plain No NotePad"_s};
    QTest::newRow("only a local one") << QStringList{u"local/kcalc"_s} << 1 << u"local/kcalc"_s << QStringList();
    QTest::newRow("the system folder first")
        << QStringList{u"local/gnome-calculator"_s, u"system/kcalc"_s} << 1 << u"system/kcalc"_s << QStringList();
    QTest::newRow("found, pressed twice: started twice")
        << QStringList{u"system/gnome-calculator"_s} << 2 << u"system/gnome-calculator"_s << QStringList();
    QTest::newRow("none found, pressed twice")
        << QStringList() << 2 << QString() << QStringList{u"plain No NotePad"_s, u"plain No NotePad"_s};
}

void MainWindowTest::calculator() {
    QFETCH(QStringList, installed);
    QFETCH(int, presses);
    QFETCH(QString, started);
    QFETCH(QStringList, boxes);
    MainWindow m;
    QTemporaryDir programs;
    const QDir root(programs.path());
    root.mkpath(u"system"_s);
    root.mkpath(u"local"_s);
    for (const QString &file : std::as_const(installed)) {
        QFile program(root.filePath(file));
        QVERIFY(program.open(QIODevice::WriteOnly));
        program.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }
    m.w().calculatorSearch = {{root.filePath(u"system"_s), root.filePath(u"local"_s)},
                              {u"gnome-calculator"_s, u"kcalc"_s}};
    QStringList starts;
    m.w().startProgram = [&starts](const QString &program) {
        starts << program;
        return true;
    };

    // The toolbar button and the menu item are the same command.
    for (int i = 0; i < presses; ++i)
        (i % 2 == 0 ? m.w().ToolButton16 : m.w().popupItems[7])->trigger();

    QStringList expected;
    if (!started.isEmpty()) {
        for (int i = 0; i < presses; ++i)
            expected << root.filePath(started);
    }
    QCOMPARE(starts, expected);
    QCOMPARE(describe(m.boxes), boxes);
}

void MainWindowTest::about() {
    MainWindow m;
    int shown = 0;
    txl::ui::Form::setModalDriver([&shown](txl::ui::Form &form) {
        auto *about = qobject_cast<TAbout *>(&form);
        QVERIFY(about != nullptr);
        QCOMPARE(About, about);
        ++shown;
        QCOMPARE(about->size(), QSize(398, 283));
        QVERIFY(about->windowFlags().testFlag(Qt::FramelessWindowHint));
        QVERIFY(!about->Image1->pixmap().isNull());
        QCOMPARE(about->Image1->pixmap().size(), QSize(397, 283));
        // A click anywhere closes it: the picture, and the strip of window beside it.
        if (shown == 1)
            QTest::mouseClick(about->Image1, Qt::LeftButton, {}, QPoint(200, 140));
        else
            QTest::mouseClick(about, Qt::LeftButton, {}, QPoint(397, 10));
        QVERIFY(!about->isVisible());
    });
    m.w().ToolButton11->trigger();
    m.w().popupItems[9]->trigger();
    txl::ui::Form::setModalDriver({});
    QCOMPARE(shown, 2);
    QVERIFY(m.boxes.empty());
    QVERIFY(About == nullptr);

    // A right-button click is no click; the window stays.
    TAbout about;
    about.show();
    QTest::mouseClick(about.Image1, Qt::RightButton);
    QVERIFY(about.isVisible());
    QTest::mouseClick(about.Image1, Qt::LeftButton);
    QVERIFY(!about.isVisible());
}

TXL_TEST_MAIN(MainWindowTest)
#include "test_main.moc"
