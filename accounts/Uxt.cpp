#include "accounts/Uxt.h"

#include "assets/Assets.h"
#include "data/PasswordHash.h"
#include "data/Schema.h"
#include "data/Statements.h"
#include "data/U2.h"
#include "main/UStu.h"
#include "platform/ui/Design.h"
#include "platform/ui/Guard.h"
#include "platform/ui/MessageBoxes.h"
#include "platform/ui/PasswordEcho.h"

#include <QButtonGroup>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>

#include <stdexcept>

using namespace Qt::StringLiterals;
using txl::ui::label;
using txl::ui::lineEdit;
using txl::ui::pushButton;

TForm4 *Form4 = nullptr;

TForm4::TForm4() : Form(QStringLiteral("Form4")) {
    setWindowTitle(QStringLiteral("系统设置"));
    setWindowIcon(txl::assets::programIcon());
    setClientSize(235, 311);
    setBorder(Border::FixedSingle, true);

    RadioGroup1 = txl::ui::groupBox(this, u"RadioGroup1"_s, u"请你选择设置前提"_s, {13, 8, 212, 41});
    RadioGroup1Items = new QButtonGroup(RadioGroup1);
    const QStringList modes{u"添加好友"_s, u"删除好友"_s};
    for (int i = 0; i < modes.size(); ++i) {
        auto *item = new QRadioButton(modes[i], RadioGroup1);
        item->setObjectName(u"RadioGroup1Item%1"_s.arg(i));
        item->setGeometry(8 + i * 102, 17, 98, 19);   // two columns
        RadioGroup1Items->addButton(item, i);
    }
    RadioGroup1Items->button(0)->setChecked(true);

    GroupBox1 = txl::ui::groupBox(this, u"GroupBox1"_s, u"添加新用户"_s, {13, 51, 212, 86});
    Label1 = label(GroupBox1, u"Label1"_s, u"用户名："_s, {16, 29});
    Edit1 = lineEdit(GroupBox1, u"Edit1"_s, {64, 25, 121, 21});
    Label2 = label(GroupBox1, u"Label2"_s, u"密码："_s, {17, 56});
    Edit2 = lineEdit(GroupBox1, u"Edit2"_s, {64, 56, 121, 21});
    txl::ui::echoStars(Edit2);
    // The captions sit on the fields' text line.
    Label1->move(16, Edit1->y() + (Edit1->height() - Label1->height()) / 2);
    Label2->move(17, Edit2->y() + (Edit2->height() - Label2->height()) / 2);
    // The captions name their fields, not the group around them.
    Edit1->setAccessibleName(u"用户名"_s);
    Edit2->setAccessibleName(u"密码"_s);

    GroupBox2 = txl::ui::groupBox(this, u"GroupBox2"_s, u"删除好友"_s, {13, 141, 212, 105});
    Label3 = label(GroupBox2, u"Label3"_s, u"选择用户："_s, {8, 24});
    DBListBox1 = new QListWidget(GroupBox2);
    DBListBox1->setObjectName(u"DBListBox1"_s);
    DBListBox1->setGeometry(64, 24, 121, 65);
    DBListBox1->setSelectionMode(QAbstractItemView::SingleSelection);
    DBListBox1->setAccessibleName(u"选择用户"_s);

    Bevel1 = txl::ui::sunkenLine(this, u"Bevel1"_s, {4, 253, 229, 2});

    GroupBox3 = txl::ui::groupBox(this, u"GroupBox3"_s, u"操作"_s, {13, 257, 212, 48});
    Button1 = pushButton(GroupBox3, u"Button1"_s, u"添加"_s, {17, 16, 75, 25});
    Button2 = pushButton(GroupBox3, u"Button2"_s, u"删除"_s, {114, 16, 75, 25});

    // The form follows the chosen item, however it was chosen: mouse, keys or assistive technology.
    connect(RadioGroup1Items, &QButtonGroup::idToggled, this, [this](int, bool checked) {
        if (checked)
            txl::ui::guarded([this] { RadioGroup1Click(); });
    });
    connect(Button1, &QPushButton::clicked, this, txl::ui::guard(this, &TForm4::Button1Click));
    connect(Button2, &QPushButton::clicked, this, txl::ui::guard(this, &TForm4::Button2Click));

    centreOnScreen();
    runCreate();
}

int TForm4::modeIndex() const {
    return RadioGroup1Items->checkedId();
}

void TForm4::setModeIndex(int index) {
    if (QAbstractButton *item = RadioGroup1Items->button(index))
        item->setChecked(true);
}

void TForm4::setVisible(bool visible) {
    // The main window greys 系统设置 for everyone else; this is the check behind it, for whatever
    // other way asks for the manager.
    if (visible && (Form1 == nullptr || !Form1->isAdministrator())) {
        txl::ui::notice(u"只有管理员才能使用这一功能"_s);
        return;
    }
    Form::setVisible(visible);
}

void TForm4::FormCreate() {
    DBListBox1->clear();
}

void TForm4::FormShow() {
    setModeIndex(0);
    DBListBox1->setEnabled(false);
    Button2->setEnabled(false);
    DBListBox1->clear();
    txl::db::Query &q = DataModule1->query_shezhi;
    TDataModule1::reload(q, txl::sql::AccountNames);
    DBListBox1->addItems(TDataModule1::columnTexts(q, txl::schema::accountColumn(txl::schema::AccountName)));
}

void TForm4::RadioGroup1Click() {
    const bool adding = modeIndex() == 0;
    const bool deleting = modeIndex() == 1;
    Edit1->setEnabled(adding);
    Edit2->setEnabled(adding);
    Button1->setEnabled(adding);
    DBListBox1->setEnabled(deleting);
    Button2->setEnabled(deleting);
}

void TForm4::Button1Click() {
    // An account without a name, or whose password is blank once the login window trims what is
    // typed, could never sign in.
    const QString name = Edit1->text();
    const QString password = Edit2->text().trimmed();
    if (name.isEmpty() || password.isEmpty()) {
        txl::ui::plainMessage(u"请你输入用户名或密码！"_s);
        return;
    }
    TDataModule1::reloadExec(DataModule1->query_shezhi, txl::sql::InsertAccount,
                             {{u"p1"_s, name}, {u"p2"_s, txl::password::hash(password)}});
    txl::ui::plainMessage(u"添加成功！"_s);
    Edit1->clear();
    Edit2->clear();
    close();
}

void TForm4::Button2Click() {
    const QList<QListWidgetItem *> chosen = DBListBox1->selectedItems();
    const int index = chosen.isEmpty() ? -1 : DBListBox1->row(chosen.first());
    if (index < 0 || index >= DBListBox1->count())
        throw std::out_of_range("List index out of bounds (" + std::to_string(index) + ")");
    if (DBListBox1->item(index)->text() == txl::schema::Administrator) {   // exactly, as written
        txl::ui::notice(u"不能删除系统管理员"_s);
        return;
    }

    try {
        // The row goes first: while it is still in the database, its entry stays in the list,
        // so every entry keeps naming the row at its own position.
        txl::db::Query &q = DataModule1->query_shezhi;
        q.moveTo(index);
        q.deleteRow();
        delete DBListBox1->takeItem(index);
        close();
        txl::ui::notice(u"删除成功!"_s);
    } catch (const std::exception &) {
        txl::ui::notice(u"删除失败"_s);
    }
}
