#include "main/UStu.h"

#include "accounts/UShezhi.h"
#include "accounts/Uxt.h"
#include "assets/Assets.h"
#include "birthdays/UBirthdays.h"
#include "contacts/Unit3.h"
#include "data/Schema.h"
#include "data/Statements.h"
#include "data/U2.h"
#include "main/ContactExport.h"
#include "main/ImportPreview.h"
#include "main/U4.h"
#include "platform/os/Regional.h"
#include "platform/ui/Accessibility.h"
#include "platform/ui/Application.h"
#include "platform/ui/DataGrid.h"
#include "platform/ui/Design.h"
#include "platform/ui/Guard.h"
#include "platform/ui/MessageBoxes.h"
#include "report/Unit_print.h"
#include "signin/Ulogin.h"

#include <QAction>
#include <QButtonGroup>
#include <QComboBox>
#include <QCoreApplication>
#include <QDateTime>
#include <QFrame>
#include <QGroupBox>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QStyle>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>

using namespace Qt::StringLiterals;
using txl::ui::guard;

TForm1 *Form1 = nullptr;

namespace {

QFont songTi() {
    return QFont(u"宋体"_s, 9);
}

// A hint "tooltip|long text": the part before the bar is the tooltip.
QString tooltipOf(const QString &hint) {
    return hint.section(u'|', 0, 0);
}

QPushButton *button(QWidget *parent, const QString &name, const QString &caption, const QRect &place,
                    const QString &hint) {
    QPushButton *b = txl::ui::pushButton(parent, name, caption, place);
    b->setFont(songTi());
    b->setToolTip(tooltipOf(hint));
    return b;
}

}   // namespace

TForm1::TForm1() : Form(u"Form1"_s) {
    setClientSize(704, 511);
    setBorder(Border::FixedSingle, true);
    setWindowIcon(txl::assets::programIcon());
    setFont(songTi());

    buildToolBar();
    txl::ui::sunkenLine(this, u"Bevel1"_s, {0, 41, 704, 2});
    buildSearchBar();
    buildNavigationBar();
    txl::ui::sunkenLine(this, u"Bevel2"_s, {0, 147, 704, 2});
    buildList();
    txl::ui::sunkenLine(this, u"Bevel3"_s, {0, 479, 704, 2});
    buildStatusBar();

    Timer1 = new QTimer(this);
    Timer1->setObjectName(u"Timer1"_s);
    Timer1->setInterval(1000);
    connect(Timer1, &QTimer::timeout, this, guard(this, &TForm1::Timer1Timer));
    Timer1->start();

    centreOnScreen();
    runCreate();
}

TForm1::~TForm1() {
    if (Form1 == this)
        Form1 = nullptr;
}

// --- design -------------------------------------------------------------------------------

void TForm1::buildToolBar() {
    ToolBar1 = new QToolBar(this);
    ToolBar1->setObjectName(u"ToolBar1"_s);
    ToolBar1->setGeometry(0, 0, 704, 39);
    ToolBar1->setMovable(false);
    ToolBar1->setFloatable(false);
    ToolBar1->setIconSize(QSize(16, 16));
    ToolBar1->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    ToolBar1->setContentsMargins(0, 0, 0, 0);

    struct Entry {
        const char16_t *name;
        const char16_t *caption;   // nullptr: a separator
        const char16_t *hint;
        int image;
        void (TForm1::*handler)();
    };
    static const Entry entries[22] = {
        {u"ToolButton1", u"添加好友", u"添加好友|请你添加好友", 9, &TForm1::ToolButton1Click},
        {u"ToolButton2", nullptr, nullptr, -1, nullptr},
        {u"ToolButton5", u"删除好友", u"删除好友", 6, &TForm1::ToolButton5Click},
        {u"ToolButton6", nullptr, nullptr, -1, nullptr},
        {u"ToolButton7", u"打印报表", u"导出Excel", 4, &TForm1::ToolButton7Click},
        {u"ToolButton4", nullptr, nullptr, -1, nullptr},
        {u"ToolButton3", u"系统设置", u"只有管理员才能使用这一功能", 8, &TForm1::ToolButton3Click},
        {u"ToolButton12", nullptr, nullptr, -1, nullptr},
        {u"ToolButton13", u"密码设置", u"密码设置", 14, &TForm1::ToolButton13Click},
        {u"ToolButton8", nullptr, nullptr, -1, nullptr},
        {u"ToolButton16", u"计算器", u"", 15, &TForm1::ToolButton16Click},
        {u"ToolButton14", nullptr, nullptr, -1, nullptr},
        {u"ToolButton11", u"关于", u"关于", 10, &TForm1::ToolButton11Click},
        {u"ToolButton10", nullptr, nullptr, -1, nullptr},
        // The program's own commands, before leaving, which stays last.
        {u"ToolButtonImport", u"导入", u"从 Excel、CSV 或 vCard 文件导入联系人", 17, &TForm1::ImportClick},
        {u"ToolButtonImportSep", nullptr, nullptr, -1, nullptr},
        {u"ToolButtonExport", u"导出", u"把列表中的联系人导出为 Excel、CSV 或 vCard 文件", 18, &TForm1::ExportClick},
        {u"ToolButtonExportSep", nullptr, nullptr, -1, nullptr},
        {u"ToolButtonBirthdays", u"生日提醒", u"看看谁的生日快到了", 19, &TForm1::BirthdaysClick},
        {u"ToolButtonBirthdaysSep", nullptr, nullptr, -1, nullptr},
        {u"ToolButton9", u"退出系统", u"退出系统", 12, &TForm1::ToolButton9Click},
        {u"ToolButton17", nullptr, nullptr, -1, nullptr},
    };

    for (std::size_t i = 0; i < std::size(entries); ++i) {
        const Entry &e = entries[i];
        QAction *action = nullptr;
        if (e.caption == nullptr) {
            action = ToolBar1->addSeparator();
        } else {
            action = ToolBar1->addAction(QIcon(txl::assets::toolbarImage(e.image)), QString::fromUtf16(e.caption));
            const QString hint = QString::fromUtf16(e.hint);
            action->setToolTip(tooltipOf(hint));
            action->setProperty("hint", hint);
            connect(action, &QAction::triggered, this, guard(this, e.handler));
            if (QWidget *widget = ToolBar1->widgetForAction(action)) {
                widget->setObjectName(QString::fromUtf16(e.name));
                widget->setFixedSize(55, 35);
                widget->setFont(songTi());
            }
        }
        action->setObjectName(QString::fromUtf16(e.name));
        toolBarEntries[i] = action;
    }
    // A button without a tooltip of its own would show its caption; the calculator shows none.
    if (QWidget *calc = ToolBar1->widgetForAction(toolBarEntries[10]))
        calc->installEventFilter(this);

    ToolButton1 = toolBarEntries[0];
    ToolButton5 = toolBarEntries[2];
    ToolButton7 = toolBarEntries[4];
    ToolButton3 = toolBarEntries[6];
    ToolButton13 = toolBarEntries[8];
    ToolButton16 = toolBarEntries[10];
    ToolButton11 = toolBarEntries[12];
    ToolButtonImport = toolBarEntries[14];
    ToolButtonExport = toolBarEntries[16];
    ToolButtonBirthdays = toolBarEntries[18];
    ToolButton9 = toolBarEntries[20];
}

void TForm1::buildSearchBar() {
    GroupBox1 = txl::ui::groupBox(this, u"GroupBox1"_s, u"查询"_s, {5, 50, 692, 54});

    RadioGroup1 = txl::ui::groupBox(GroupBox1, u"RadioGroup1"_s, QString(), {7, 12, 183, 33});
    RadioGroup1->setFont(songTi());
    RadioGroup1Items = new QButtonGroup(RadioGroup1);
    const QString items[2] = {u"精确查找"_s, u"模糊查找"_s};
    // Two columns sharing the group's inside evenly.
    const int columnWidth = (183 - 8) / 2;
    for (int i = 0; i < 2; ++i) {
        auto *radio = txl::ui::placed(new QRadioButton(items[i], RadioGroup1),
                                      i == 0 ? u"RadioGroup1Exact"_s : u"RadioGroup1Fuzzy"_s,
                                      {4 + i * columnWidth, 9, columnWidth, 20});
        RadioGroup1Items->addButton(radio, i);
    }
    RadioGroup1Items->button(0)->setChecked(true);

    Label1 = txl::ui::label(GroupBox1, u"Label1"_s, u"查找字段："_s, {197, 25});

    ComboBox1 = txl::ui::placed(new QComboBox(GroupBox1), u"ComboBox1"_s, {265, 21, 82, 21});
    ComboBox1->setEditable(true);
    // Typing into the chooser never adds an entry: the list is the design's six columns.
    ComboBox1->setInsertPolicy(QComboBox::NoInsert);
    ComboBox1->addItems(txl::sql::SearchColumns);

    Label2 = txl::ui::label(GroupBox1, u"Label2"_s, u"查找内容："_s, {366, 25});

    Edit1 = txl::ui::lineEdit(GroupBox1, u"Edit1"_s, {432, 21, 77, 21});
    Edit1->setToolTip(u"请你输入查询内容！"_s);
    Label1->setBuddy(ComboBox1);   // the captions name their fields to assistive technology
    Label2->setBuddy(Edit1);

    btserach = button(GroupBox1, u"btserach"_s, u"查找"_s, {519, 19, 75, 25}, u"查找"_s);
    btserach->setDefault(true);
    Button2 = button(GroupBox1, u"Button2"_s, u"返回"_s, {603, 19, 75, 25}, u"返回|请你返回"_s);

    connect(btserach, &QPushButton::clicked, this, guard(this, &TForm1::btserachClick));
    connect(Button2, &QPushButton::clicked, this, guard(this, &TForm1::Button2Click));
}

void TForm1::buildNavigationBar() {
    GroupBox2 = txl::ui::groupBox(this, u"GroupBox2"_s, QString(), {5, 104, 692, 41});
    Button3 = button(GroupBox2, u"Button3"_s, u"第一条"_s, {86, 11, 75, 25}, u"第一条"_s);
    Button5 = button(GroupBox2, u"Button5"_s, u"上一条"_s, {224, 10, 81, 26}, u"上一条"_s);
    Button4 = button(GroupBox2, u"Button4"_s, u"下一条"_s, {362, 11, 75, 25}, u"下一条"_s);
    Button6 = button(GroupBox2, u"Button6"_s, u"最后一条"_s, {493, 11, 75, 25}, u"最后一条"_s);
    connect(Button3, &QPushButton::clicked, this, guard(this, &TForm1::Button3Click));
    connect(Button5, &QPushButton::clicked, this, guard(this, &TForm1::Button5Click));
    connect(Button4, &QPushButton::clicked, this, guard(this, &TForm1::Button4Click));
    connect(Button6, &QPushButton::clicked, this, guard(this, &TForm1::Button6Click));
}

void TForm1::buildList() {
    GroupBox3 = txl::ui::groupBox(this, u"GroupBox3"_s, u"用户浏览"_s, {5, 160, 696, 316});

    grid = txl::ui::placed(new txl::ui::DataGrid(DataModule1->query, GroupBox3), u"grid"_s, {8, 14, 677, 292});
    grid->setFont(songTi());
    grid->horizontalHeader()->setFont(QFont(u"MS Sans Serif"_s, 8));
    grid->setShowGrid(true);
    grid->setCursor(Qt::PointingHandCursor);
    grid->viewport()->setCursor(Qt::PointingHandCursor);
    grid->setToolTip(u"双击修改好友信息"_s);
    grid->setAccessibleName(GroupBox3->title());
    connect(grid, &txl::ui::DataGrid::gridDblClick, this, guard(this, &TForm1::gridDblClick));

    PopupMenu1 = new QMenu(this);
    PopupMenu1->setObjectName(u"PopupMenu1"_s);
    // Separators at the start, at the end or next to another separator are not shown.
    PopupMenu1->setSeparatorsCollapsible(true);
    struct Item {
        const char16_t *name;
        const char16_t *caption;   // nullptr: a separator
        void (TForm1::*handler)();
    };
    static const Item items[17] = {
        {u"N1", nullptr, nullptr},
        {u"N2", u"添加好友", &TForm1::ToolButton1Click},
        {u"N3", u"修改好友", &TForm1::ChangeClick},
        {u"N4", u"删除好友", &TForm1::ToolButton5Click},
        {u"N5", u"打印报表", &TForm1::ToolButton7Click},
        {u"N6", u"系统设置", &TForm1::ToolButton3Click},
        {u"N7", u"密码设置", &TForm1::ToolButton13Click},
        {u"N8", u"计 算 器", &TForm1::ToolButton16Click},
        {u"N9", nullptr, nullptr},
        {u"N10", u"关    于", &TForm1::ToolButton11Click},
        {u"N11", nullptr, nullptr},
        // The program's own commands, before leaving, which stays last.
        {u"NImport", u"导入", &TForm1::ImportClick},
        {u"NExport", u"导出", &TForm1::ExportClick},
        {u"NBirthdays", u"生日提醒", &TForm1::BirthdaysClick},
        {u"NBirthdaysSep", nullptr, nullptr},
        {u"N12", u"退出系统", &TForm1::ToolButton9Click},
        {u"N13", nullptr, nullptr},
    };
    for (std::size_t i = 0; i < std::size(items); ++i) {
        const Item &item = items[i];
        QAction *action = nullptr;
        if (item.caption == nullptr) {
            action = PopupMenu1->addSeparator();
        } else {
            action = PopupMenu1->addAction(QString::fromUtf16(item.caption));
            connect(action, &QAction::triggered, this, guard(this, item.handler));
        }
        action->setObjectName(QString::fromUtf16(item.name));
        popupItems[i] = action;
    }

    // The menu belongs to the whole grid: the rows, the titles and the indicator column.
    const auto offerMenu = [this](QWidget *area, QWidget *surface) {
        area->setContextMenuPolicy(Qt::CustomContextMenu);
        connect(area, &QWidget::customContextMenuRequested, this,
                [this, surface](const QPoint &pos) { PopupMenu1->popup(surface->mapToGlobal(pos)); });
    };
    offerMenu(grid, grid->viewport());
    offerMenu(grid->horizontalHeader(), grid->horizontalHeader()->viewport());
    offerMenu(grid->verticalHeader(), grid->verticalHeader()->viewport());
}

void TForm1::buildStatusBar() {
    sb = new QFrame(this);
    sb->setObjectName(u"sb"_s);
    sb->setGeometry(0, 511 - 16, 704, 16);
    const int widths[4] = {140, 150, 200, 704 - 140 - 150 - 200};
    int left = 0;
    for (int i = 0; i < 4; ++i) {
        sbPanels[static_cast<std::size_t>(i)] = txl::ui::statusPanel(sb, u"panel%1"_s.arg(i),
                                                                     {left, 0, i < 3 ? widths[i] - 2 : widths[i], 16});
        left += widths[i];
    }
    // A status bar to assistive technology, whose count of contacts is told as it changes (the
    // clock stays quiet: it changes every second).
    txl::ui::setAccessibleRole(sb, QAccessible::StatusBar);
    txl::ui::setAccessibleRole(sbPanels[2], QAccessible::Notification);
}

QString TForm1::panelText(int panel) const {
    return sbPanels.at(static_cast<std::size_t>(panel))->text();
}

void TForm1::setPanelText(int panel, const QString &text) {
    QLabel *label = sbPanels.at(static_cast<std::size_t>(panel));
    label->setText(text);
    if (panel == 2)
        txl::ui::announce(label);
}

int TForm1::searchMode() const {
    return RadioGroup1Items->checkedId();
}

void TForm1::setSearchMode(int item) {
    RadioGroup1Items->button(item)->setChecked(true);
}

// --- start-up, clock, close -----------------------------------------------------------------

void TForm1::FormCreate() {
    // The list is open from sign-in; making it active runs nothing.
    DataModule1->query.setActive(true);
    using namespace txl::schema;
    const std::pair<Contact, int> widths[] = {{Name, 64},      {Sex, 30}, {Birth, 75}, {Mobile, 75},  {Dormitory, 75},
                                              {HomePhone, 75}, {QQ, 75},  {Email, 75}, {Address, 100}};
    for (const auto &[column, width] : widths)
        grid->setColumnWidthFor(contactColumn(column), width);
}

void TForm1::FormShow() {
    Edit1->setFocus();
    ComboBox1->setCurrentIndex(0);

    // Settled before the reload: a failing reload must not leave 系统设置 open to everyone.
    const QString name = Form2 != nullptr ? Form2->signedInUser() : QString();
    m_administrator = name == txl::schema::Administrator;
    ToolButton3->setEnabled(m_administrator);
    popupItems[5]->setEnabled(m_administrator);

    // A failure here ends the handler: the caption, the user's copy and the status bar stay as
    // designed, and the list stays empty.
    TDataModule1::reload(DataModule1->query, txl::sql::AllContacts);

    setWindowTitle(name + u"的同学录"_s);
    user = name;

    setPanelText(0, u"^_^欢迎"_s + user + u"到来!^_^"_s);
    setPanelText(1, u"当前的用户是["_s + user + u"]"_s);
    showTotal();
}

void TForm1::Timer1Timer() {
    setPanelText(3, u"现在的时间是："_s + txl::os::dateTimeText(QDateTime::currentDateTime()));
}

bool TForm1::FormCloseQuery() {
    if (txl::ui::confirm(u"你真的想退出吗？"_s) != txl::ui::Answer::Yes)
        return false;
    // This window is not the application's main form: only terminating ends the run.
    txl::ui::Application::instance()->terminate();
    return true;
}

void TForm1::ToolButton9Click() {
    close();
}

void TForm1::keyPressEvent(QKeyEvent *event) {
    // Enter that no control used presses the default button 查找; a focused push button takes
    // Enter for itself.
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        auto *focused = qobject_cast<QPushButton *>(focusWidget());
        QPushButton *target = focused != nullptr ? focused : btserach;
        if (target->isEnabled() && target->isVisible()) {
            target->click();
            event->accept();
            return;
        }
    }
    Form::keyPressEvent(event);
}

bool TForm1::eventFilter(QObject *watched, QEvent *event) {
    if (event->type() == QEvent::ToolTip && watched == ToolBar1->widgetForAction(ToolButton16))
        return true;
    return Form::eventFilter(watched, event);
}

// --- commands of other windows --------------------------------------------------------------

void TForm1::ToolButton1Click() {
    TAdd::openForAdd();
}

void TForm1::ChangeClick() {
    TAdd::openForChange();
}

void TForm1::gridDblClick() {
    TAdd::openForChange();
}

void TForm1::ToolButton7Click() {
    Frm_printer = txl::ui::Application::instance()->createForm<TFrm_printer>();
    Frm_printer->previewReport();
}

void TForm1::ToolButton3Click() {
    txl::ui::showModalForm(Form4);
}

void TForm1::ToolButton13Click() {
    txl::ui::showModalForm(Shezhi);
}

void TForm1::ToolButton11Click() {
    txl::ui::showModalForm(About);
}

void TForm1::ImportClick() {
    const std::optional<txl::exchange::ImportSummary> done = TImportPreview::run(this);
    if (!done)
        return;
    // As after an add: the full list, the new total, then the notice.
    showWholeBook();
    txl::ui::notice(TImportPreview::doneText(*done));
}

void TForm1::ExportClick() {
    exportContacts(this, DataModule1->query);
}

void TForm1::BirthdaysClick() {
    txl::ui::showModalForm(Birthdays);
}

bool TForm1::showContact(const QStringList &contact) {
    txl::db::Query &query = DataModule1->query;
    const QStringList columns = txl::schema::contactColumnNames();
    const auto rowOf = [&]() -> int {
        if (!query.isActive())
            return -1;
        QList<int> at;
        for (const QString &column : columns)
            at << query.columnIndex(column);
        if (at.contains(-1))
            return -1;
        for (int row = 0; row < query.recordCount(); ++row) {
            bool same = true;
            for (int c = 0; c < columns.size() && same; ++c)
                same = query.value(row, at[c]) == contact.value(c);
            if (same)
                return row;
        }
        return -1;
    };
    int row = rowOf();
    if (row < 0) {
        TDataModule1::reload(query, txl::sql::exactSearch(txl::schema::contactColumn(txl::schema::Name)),
                             {{u"p1"_s, contact.value(txl::schema::Name)}});
        setPanelText(2, u"总共找到"_s + QString::number(query.recordCount()) + u"条记录"_s);
        row = rowOf();
    }
    if (row < 0)
        return false;
    query.moveTo(row);
    return true;
}

// --- search ---------------------------------------------------------------------------------

void TForm1::btserachClick() {
    const QString text = Edit1->text().trimmed();
    if (text.isEmpty()) {
        txl::ui::notice(u"请你输入查询内容！"_s);
        return;
    }
    // The chosen list entry; text typed into the chooser is no entry.
    const int index = ComboBox1->currentIndex();
    const QString column = index >= 0 && ComboBox1->currentText() == ComboBox1->itemText(index)
                               ? ComboBox1->itemText(index)
                               : QString();

    txl::db::Query &query = DataModule1->query;
    // The list is closed before the statement is made, so a column that is not a search column
    // leaves the list empty until the next successful reload, like any other failed search.
    query.close();
    if (searchMode() == 1) {
        // Contains the text; on 姓名 and 家庭住址 also spells it in pinyin.
        const txl::sql::Search search = txl::sql::fuzzySearchFor(column.trimmed(), text);
        TDataModule1::reload(query, search.statement, search.params);
    } else {
        TDataModule1::reload(query, txl::sql::exactSearch(column), {{u"p1"_s, text}});
        Edit1->clear();
        Edit1->setFocus();
    }

    const int found = query.recordCount();
    setPanelText(2, u"总共找到"_s + QString::number(found) + u"条记录"_s);
    if (found == 0)
        txl::ui::notice(u"对不起!没有找到相关记录！"_s);
}

void TForm1::Button2Click() {
    showWholeBook();
    Edit1->clear();
}

void TForm1::showWholeBook() {
    TDataModule1::reload(DataModule1->query, txl::sql::AllContacts);
    showTotal();
}

void TForm1::showTotal() {
    setPanelText(2, u"通讯录的总人数为："_s + QString::number(DataModule1->query.recordCount()));
}

// --- navigation -----------------------------------------------------------------------------

void TForm1::Button3Click() {
    txl::db::Query &query = DataModule1->query;
    if (query.bof()) {
        Button5->setEnabled(false);
        Button4->setEnabled(true);
        txl::ui::information(u"已到第一条"_s);
    } else {
        Button6->setEnabled(true);
        query.first();
    }
}

void TForm1::Button5Click() {
    txl::db::Query &query = DataModule1->query;
    if (query.bof()) {
        Button3->setEnabled(false);
        txl::ui::notice(u"已到第一条"_s, u"提示"_s, false);
    } else {
        Button6->setEnabled(true);
        Button4->setEnabled(true);
        query.prior();
    }
}

void TForm1::Button4Click() {
    txl::db::Query &query = DataModule1->query;
    if (query.eof()) {
        Button6->setEnabled(false);
        txl::ui::information(u"已到最后一条"_s);
        Button5->setEnabled(true);
        query.next();
    } else {
        Button3->setEnabled(true);
        Button5->setEnabled(true);
        query.next();
    }
}

void TForm1::Button6Click() {
    txl::db::Query &query = DataModule1->query;
    if (query.eof()) {
        Button4->setEnabled(false);
        txl::ui::information(u"已到最后一条"_s);
    } else {
        Button5->setEnabled(true);
        query.last();
    }
}

// --- deletion -------------------------------------------------------------------------------

void TForm1::ToolButton5Click() {
    txl::db::Query &query = DataModule1->query;
    if (!query.hasCurrentRow()) {
        txl::ui::notice(u"错误：你没有选择用户或当前没有数据!"_s);
        return;
    }
    if (txl::ui::informationYesNo(u"你是否真的要删除此用户？"_s) == txl::ui::Answer::Yes)
        query.deleteRow();
}

// --- calculator -----------------------------------------------------------------------------

void TForm1::ToolButton16Click() {
    const QString program = txl::os::findCalculator(calculatorSearch);
    if (program.isEmpty()) {
        txl::ui::plainMessage(u"No NotePad"_s);
        return;
    }
    // The calculator runs on its own; whether it started is not examined.
    startProgram(program);
}
