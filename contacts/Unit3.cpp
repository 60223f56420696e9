#include "contacts/Unit3.h"

#include "assets/Assets.h"
#include "data/Schema.h"
#include "data/Statements.h"
#include "data/U2.h"
#include "platform/os/Regional.h"
#include "platform/ui/Design.h"
#include "platform/ui/EntryLimit.h"
#include "platform/ui/Guard.h"
#include "platform/ui/MessageBoxes.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QDateEdit>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPointer>
#include <QPushButton>
#include <QStyle>

#include <stdexcept>

using namespace Qt::StringLiterals;

TAdd *Add = nullptr;

namespace {

constexpr int FieldHeight = 20;
constexpr int FirstLabelLeft = 16;
constexpr int SecondLabelLeft = 232;

// The birth date travels as text in this form, both ways.
const QString StoredDateFormat = u"yyyy-MM-dd"_s;

// The picker shows the regional short date, always with the whole year: a two-digit year would
// make the picker guess the century of a date it reads back.
// A date picker that Tab leaves at once, like every other field; the parts of the date are
// reached with the arrow keys.
class DatePicker : public QDateEdit {
public:
    using QDateEdit::QDateEdit;

protected:
    bool focusNextPrevChild(bool next) override { return QWidget::focusNextPrevChild(next); }
};

using namespace txl::schema;

int entryLimit(Contact column) {
    return ContactColumns[column].entryLimit;
}

QString param(Contact column) {
    return txl::sql::contactParameter(column);
}

QLineEdit *textField(QWidget *parent, const char *name, int left, int top, int width, int limit) {
    QLineEdit *edit = txl::ui::lineEdit(parent, QString::fromLatin1(name), {left, top, width, FieldHeight});
    if (limit > 0)
        txl::ui::setEntryLimit(edit, limit);
    return edit;
}

// A label of the design stands four pixels below the top of the field it names.
QLabel *fieldLabel(QWidget *parent, const char *name, const QString &text, int left, int fieldTop, QWidget *buddy) {
    QLabel *label = txl::ui::label(parent, QString::fromLatin1(name), text, {left, fieldTop + 4});
    label->setBuddy(buddy);
    return label;
}

}   // namespace

TAdd::TAdd() : Form(u"Add"_s) {
    setClientSize(424, 238);
    setBorder(Border::FixedSingle);
    setWindowIcon(txl::assets::contactIcon());
    setFont(QFont(u"宋体"_s, 9));

    GroupBox1 = txl::ui::groupBox(this, u"GroupBox1"_s, QString(), {8, 4, 409, 184});
    GroupBox1->setFont(QFont(u"宋体"_s, 9));

    edname = textField(GroupBox1, "edname", 80, 20, 97, entryLimit(Name));

    cbsex = new QComboBox(GroupBox1);
    cbsex->setObjectName(u"cbsex"_s);
    cbsex->setGeometry(296, 20, 41, FieldHeight);
    cbsex->setEditable(true);
    cbsex->setInsertPolicy(QComboBox::NoInsert);   // free text is stored, not added to the list
    cbsex->addItems({u"男"_s, u"女"_s});
    cbsex->setCurrentIndex(0);

    eddate2 = new DatePicker(GroupBox1);
    eddate2->setObjectName(u"eddate2"_s);
    eddate2->setGeometry(80, 51, 97, FieldHeight);
    eddate2->setCalendarPopup(true);
    eddate2->setDateRange(FirstBirthDate, LastBirthDate);
    eddate2->setDisplayFormat(txl::os::fullYearDateFormat());
    eddate2->setDate(QDate(1986, 3, 21));

    edqq = textField(GroupBox1, "edqq", 296, 52, 97, entryLimit(QQ));
    edmobel = textField(GroupBox1, "edmobel", 80, 86, 97, entryLimit(Mobile));
    edxl = textField(GroupBox1, "edxl", 296, 86, 97, entryLimit(HomePhone));
    edss = textField(GroupBox1, "edss", 80, 119, 97, entryLimit(Dormitory));
    edmail = textField(GroupBox1, "edmail", 296, 119, 97, entryLimit(Email));
    edadress = textField(GroupBox1, "edadress", 80, 152, 313, entryLimit(Address));

    Label1 = fieldLabel(GroupBox1, "Label1", u"姓名："_s, FirstLabelLeft, 20, edname);
    Label2 = fieldLabel(GroupBox1, "Label2", u"性别："_s, SecondLabelLeft, 20, cbsex);
    Label3 = fieldLabel(GroupBox1, "Label3", u"出生日期："_s, FirstLabelLeft, 51, eddate2);
    Label4 = fieldLabel(GroupBox1, "Label4", u"QQ:"_s, SecondLabelLeft, 52, edqq);
    Label5 = fieldLabel(GroupBox1, "Label5", u"手机号码："_s, FirstLabelLeft, 86, edmobel);
    Label6 = fieldLabel(GroupBox1, "Label6", u"家庭电话："_s, SecondLabelLeft, 86, edxl);
    Label7 = fieldLabel(GroupBox1, "Label7", u"宿舍号码："_s, FirstLabelLeft, 119, edss);
    Label8 = fieldLabel(GroupBox1, "Label8", u"电子邮箱："_s, SecondLabelLeft, 119, edmail);
    Label9 = fieldLabel(GroupBox1, "Label9", u"家庭住址："_s, FirstLabelLeft, 152, edadress);

    GroupBox2 = txl::ui::groupBox(this, u"GroupBox2"_s, u"操作"_s, {8, 190, 409, 44});

    Button1 = txl::ui::pushButton(GroupBox2, u"Button1"_s, u"提交"_s, {80, 14, 75, 25});
    Button2 = txl::ui::pushButton(GroupBox2, u"Button2"_s, u"取消"_s, {248, 14, 75, 25});
    // Like the buttons of a form, neither is a default button that Enter in a field would press.
    Button1->setAutoDefault(false);
    Button2->setAutoDefault(false);

    // The design's tab order: the fields in their own order, then the two buttons.
    QWidget *const tabOrder[] = {edname, cbsex, edmobel, edss, edqq, edxl, edmail, edadress, eddate2, Button1, Button2};
    for (std::size_t i = 1; i < std::size(tabOrder); ++i)
        setTabOrder(tabOrder[i - 1], tabOrder[i]);

    connect(Button1, &QPushButton::clicked, this, txl::ui::guard(this, &TAdd::Button1Click));
    connect(Button2, &QPushButton::clicked, this, txl::ui::guard(this, &TAdd::Button2Click));

    centreOnScreen();
    runCreate();
}

QList<QLineEdit *> TAdd::textFields() const {
    return {edname, edmobel, edss, edqq, edxl, edmail, edadress};
}

void TAdd::setMode(const QString &caption, const QString &buttonCaption) {
    setWindowTitle(caption);
    GroupBox1->setTitle(caption);
    Button1->setText(buttonCaption);
}

void TAdd::clearTextFields() {
    for (QLineEdit *field : textFields())
        field->clear();
}

void TAdd::openForAdd() {
    txl::ui::showModalForm(Add, [](TAdd &form) {
        form.setMode(u"添加好友"_s, u"提交"_s);
        form.clearTextFields();
    });
}

void TAdd::openForChange() {
    const txl::db::Query &q = DataModule1->query;
    // A closed list (after a failed reload) has no row to change either.
    if (!q.hasCurrentRow()) {
        txl::ui::notice(u"错误：你没有选择用户或当前没有数据!"_s);
        return;
    }
    // Only making and filling the dialog can fail here: what happens while it is open goes
    // through the handler guard.
    try {
        txl::ui::showModalForm(Add, [](TAdd &form) {
            form.fillFromCurrentRow();
            form.setMode(u"修改好友"_s, u"修改"_s);
        });
    } catch (const std::exception &) {
        txl::ui::notice(u"打开错误！"_s, u"错误"_s);
    }
}

void TAdd::fillFromCurrentRow() {
    const txl::db::Query &q = DataModule1->query;
    edname->setText(q.fieldByName(contactColumn(Name)));

    // The picker cannot hold a date it has no day for; showing some other date instead would
    // write that date back on the next change.
    const QString birth = q.fieldByName(contactColumn(Birth));
    const QDate date = txl::os::parseDate(birth);
    if (!date.isValid() || date < eddate2->minimumDate() || date > eddate2->maximumDate())
        throw std::runtime_error("'" + birth.toStdString() + "' is not a valid date");
    eddate2->setDate(date);

    const QString sex = q.fieldByName(contactColumn(Sex));
    const int item = cbsex->findText(sex, Qt::MatchExactly | Qt::MatchCaseSensitive);
    if (item >= 0)
        cbsex->setCurrentIndex(item);
    cbsex->setEditText(sex);

    edqq->setText(q.fieldByName(contactColumn(QQ)));
    edmobel->setText(q.fieldByName(contactColumn(Mobile)));
    edss->setText(q.fieldByName(contactColumn(Dormitory)));
    edxl->setText(q.fieldByName(contactColumn(HomePhone)));
    edmail->setText(q.fieldByName(contactColumn(Email)));
    edadress->setText(q.fieldByName(contactColumn(Address)));
    // A text longer than its field shows its beginning, not its end.
    for (QLineEdit *field : textFields())
        field->setCursorPosition(0);
}

void TAdd::Button1Click() {
    // Two tests in a row, add then change; a successful add leaves the caption at 提交, so one
    // press does at most one of them.
    if (Button1->text() == u"提交")
        submitNew();
    if (Button1->text() == u"修改")
        saveChange();
}

void TAdd::submitNew() {
    const QString name = edname->text().trimmed();
    if (name.isEmpty()) {
        txl::ui::notice(u"请你输入姓名!"_s);
        return;
    }
    txl::db::Query &q = DataModule1->query;
    const TDataModule1::Shown before = TDataModule1::shown(q);
    try {
        // The look-up stays in the list: a refused name shows the contacts that already have it.
        TDataModule1::reload(q, txl::sql::ContactByName, {{u"p1"_s, name}});
        if (q.recordCount() > 0) {
            txl::ui::notice(u"该用户已经存在!"_s);
            return;
        }
        TDataModule1::reloadExec(q, txl::sql::InsertContact,
                                 {{param(Name), name},
                                  {param(Sex), cbsex->currentText()},
                                  {param(Birth), eddate2->date().toString(StoredDateFormat)},
                                  {param(Mobile), edmobel->text().trimmed()},
                                  {param(Dormitory), edss->text().trimmed()},
                                  {param(HomePhone), edxl->text().trimmed()},
                                  {param(QQ), edqq->text().trimmed()},
                                  {param(Email), edmail->text().trimmed()},
                                  {param(Address), edadress->text().trimmed()}});
    } catch (const std::exception &) {
        // Nothing was stored: the list behind shows again what it showed.
        try {
            TDataModule1::restore(q, before);
        } catch (const std::exception &) {
        }
        txl::ui::notice(u"提交失败！"_s);
        return;
    }
    // The contact is stored: a failure from here on is no failed submission, and goes to the
    // error report as what it is.
    TDataModule1::reload(q, txl::sql::AllContacts);
    txl::ui::notice(u"提交成功！"_s);
    Button2Click();
}

void TAdd::saveChange() {
    if (edname->text().trimmed().isEmpty()) {
        txl::ui::plainMessage(u"姓名不能为空！"_s);
        return;
    }
    // The texts go in as typed; the row cuts each to its column's length.
    txl::db::Query &q = DataModule1->query;
    try {
        q.edit();
        q.setFieldByName(contactColumn(Name), edname->text());
        q.setFieldByName(contactColumn(Sex), cbsex->currentText());
        q.setFieldByName(contactColumn(Birth), eddate2->date().toString(StoredDateFormat));
        q.setFieldByName(contactColumn(Mobile), edmobel->text());
        q.setFieldByName(contactColumn(Dormitory), edss->text());
        q.setFieldByName(contactColumn(HomePhone), edxl->text());
        q.setFieldByName(contactColumn(QQ), edqq->text());
        q.setFieldByName(contactColumn(Email), edmail->text());
        q.setFieldByName(contactColumn(Address), edadress->text());
        q.post();
    } catch (...) {
        // The user is told the change failed: leave no pending edit that a later move in the
        // list would save behind their back. The error itself goes to the error report.
        if (q.isEditing())
            q.cancel();
        throw;
    }
    txl::ui::plainMessage(u"修改成功！"_s);
    Button2Click();
}

void TAdd::Button2Click() {
    clearTextFields();
    close();
}
