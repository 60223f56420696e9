#include "birthdays/UBirthdays.h"

#include "assets/Assets.h"
#include "birthdays/BirthdayCalendar.h"
#include "contacts/Unit3.h"
#include "data/Schema.h"
#include "data/U2.h"
#include "main/UStu.h"
#include "platform/os/Regional.h"
#include "platform/print/FileDialog.h"
#include "platform/ui/Design.h"
#include "platform/ui/Guard.h"
#include "platform/ui/MessageBoxes.h"

#include <QAbstractTableModel>
#include <QCheckBox>
#include <QFileInfo>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>
#include <QTableView>

using namespace Qt::StringLiterals;
using txl::birthdays::Birthday;
using txl::ui::placed;

TBirthdays *Birthdays = nullptr;
std::function<QDate()> TBirthdays::today = &QDate::currentDate;

// The listed birthdays as the table shows them, read in place.
class BirthdayModel : public QAbstractTableModel {
public:
    using QAbstractTableModel::QAbstractTableModel;

    void setBirthdays(const QList<Birthday> *birthdays) {
        beginResetModel();
        m_birthdays = birthdays;
        endResetModel();
    }

    int rowCount(const QModelIndex &parent = {}) const override {
        return parent.isValid() || !m_birthdays ? 0 : static_cast<int>(m_birthdays->size());
    }
    int columnCount(const QModelIndex &parent = {}) const override { return parent.isValid() ? 0 : 4; }

    QVariant data(const QModelIndex &index, int role) const override {
        if (!index.isValid() || (role != Qt::DisplayRole && role != Qt::TextAlignmentRole))
            return {};
        if (role == Qt::TextAlignmentRole)
            return index.column() >= 2 ? QVariant(Qt::AlignCenter) : QVariant();
        const Birthday &b = m_birthdays->at(index.row());
        switch (index.column()) {
        case 0:
            return b.name();
        case 1:
            return txl::os::fullYearDate(b.birth);   // as the contact dialog shows it
        case 2:
            return b.age;
        default:
            return b.daysLeft == 0 ? u"今天"_s : QString::number(b.daysLeft);
        }
    }

    QVariant headerData(int section, Qt::Orientation orientation, int role) const override {
        static const QString titles[4] = {u"姓名"_s, u"出生日期"_s, u"将满周岁"_s, u"还有几天"_s};
        if (orientation == Qt::Horizontal && role == Qt::DisplayRole && section >= 0 && section < 4)
            return titles[section];
        return QAbstractTableModel::headerData(section, orientation, role);
    }

private:
    const QList<Birthday> *m_birthdays = nullptr;
};

namespace {

QFont songTi() {
    return QFont(u"宋体"_s, 9);
}

}   // namespace

TBirthdays::TBirthdays() : Form(u"Birthdays"_s) {
    setWindowTitle(u"生日提醒"_s);
    setClientSize(420, 360);
    setBorder(Border::FixedSingle);
    setWindowIcon(txl::assets::programIcon());
    setFont(songTi());

    Label1 = txl::ui::label(this, u"Label1"_s, u"今天起(&N)"_s, {12, 16});
    seDays = placed(new QSpinBox(this), u"seDays"_s, {60, 11, 60, 22});
    seDays->setRange(1, txl::birthdays::MaxSpanDays);
    seDays->setValue(30);
    Label2 = txl::ui::label(this, u"Label2"_s, u"天内过生日的同学（含今天）"_s, {128, 16});
    Label1->setBuddy(seDays);
    // The caption runs on both sides of the number: heard whole, before the number.
    const QString caption = u"今天起几天内过生日的同学（含今天）"_s;
    Label1->setAccessibleName(caption);
    seDays->setAccessibleName(caption);

    lvBirthdays = placed(new QTableView(this), u"lvBirthdays"_s, {12, 42, 396, 246});
    m_model = new BirthdayModel(lvBirthdays);
    lvBirthdays->setModel(m_model);
    lvBirthdays->setEditTriggers(QAbstractItemView::NoEditTriggers);
    lvBirthdays->setSelectionBehavior(QAbstractItemView::SelectRows);
    lvBirthdays->setSelectionMode(QAbstractItemView::SingleSelection);
    lvBirthdays->verticalHeader()->hide();
    lvBirthdays->verticalHeader()->setDefaultSectionSize(18);
    lvBirthdays->setToolTip(u"双击修改好友信息"_s);
    lvBirthdays->setAccessibleName(u"过生日的同学"_s);
    lvBirthdays->setTabKeyNavigation(false);   // Tab goes on to the next control, not the next cell
    const int widths[4] = {120, 100, 70, 80};
    for (int c = 0; c < 4; ++c)
        lvBirthdays->setColumnWidth(c, widths[c]);
    lvBirthdays->horizontalHeader()->setStretchLastSection(true);

    lbUndated = placed(new QLabel(this), u"lbUndated"_s, {12, 294, 396, 18});
    lbCount = placed(new QLabel(this), u"lbCount"_s, {300, 16, 108, 18});
    lbCount->setAlignment(Qt::AlignRight | Qt::AlignVCenter);

    cbAll = placed(new QCheckBox(u"导出全部同学的生日(&A)"_s, this), u"cbAll"_s, {12, 326, 180, 22});
    btExport = txl::ui::pushButton(this, u"btExport"_s, u"导出日历(&E)"_s, {210, 324, 95, 25});
    btClose = txl::ui::pushButton(this, u"btClose"_s, u"关闭(&C)"_s, {313, 324, 95, 25});
    cbAll->setAccessibleName(u"导出全部同学的生日"_s);
    btExport->setAccessibleName(u"导出日历"_s);
    btClose->setAccessibleName(u"关闭"_s);
    setDialogKeys(btClose, btClose);
    QWidget::setTabOrder(seDays, lvBirthdays);
    QWidget::setTabOrder(lvBirthdays, cbAll);
    QWidget::setTabOrder(cbAll, btExport);
    QWidget::setTabOrder(btExport, btClose);

    connect(seDays, &QSpinBox::valueChanged, this, txl::ui::guard(this, &TBirthdays::seDaysChange));
    connect(lvBirthdays, &QTableView::doubleClicked, this, [this](const QModelIndex &index) {
        txl::ui::guarded([this, row = index.row()] { lvBirthdaysDblClick(row); });
    });
    connect(btExport, &QPushButton::clicked, this, txl::ui::guard(this, &TBirthdays::btExportClick));
    connect(btClose, &QPushButton::clicked, this, txl::ui::guard(this, &TBirthdays::btCloseClick));

    showList();
    centreOnScreen();
    runCreate();
}

TBirthdays::~TBirthdays() {
    // The model points into m_list, which goes first.
    m_model->setBirthdays(nullptr);
}

void TBirthdays::FormShow() {
    readBook();
}

void TBirthdays::readBook() {
    m_contacts = txl::birthdays::readContacts(DataModule1->con);
    showList();
}

void TBirthdays::showList() {
    m_model->setBirthdays(nullptr);
    m_list = txl::birthdays::birthdaysWithin(m_contacts, today(), seDays->value());
    m_model->setBirthdays(&m_list.birthdays);
    lbCount->setText(u"共 %1 位同学"_s.arg(m_list.birthdays.size()));
    lbUndated->setText(u"出生日期为空或无效、未列出的同学：%1 位"_s.arg(m_list.undated));
}

void TBirthdays::seDaysChange() {
    showList();
}

void TBirthdays::lvBirthdaysDblClick(int row) {
    if (row < 0 || row >= m_list.birthdays.size())
        return;
    // The contact dialog changes the current row of the main list: the list is moved to this
    // contact for it, or, when it does not hold it, shows the contacts of this name; afterwards
    // the main list shows again what it showed (its search, its count, its row), the change
    // included.
    const Birthday chosen = m_list.birthdays.at(row);
    txl::db::Query &query = DataModule1->query;
    const TDataModule1::Shown before = TDataModule1::shown(query);
    const QString panel = Form1->panelText(2);
    const bool found = Form1->showContact(chosen.contact);
    if (!found)
        txl::ui::notice(u"通讯录中已没有这位同学，可能已被修改或删除！"_s);
    else
        TAdd::openForChange();
    TDataModule1::restore(query, before);
    Form1->setPanelText(2, panel);
    // Whatever the dialog changed shows at once, with the same classmate chosen.
    readBook();
    select(chosen, row);
}

bool TBirthdays::enterPressed() {
    // Enter on a classmate of the list opens that classmate, as a double-click does.
    if (!lvBirthdays->hasFocus() || !lvBirthdays->currentIndex().isValid())
        return false;
    txl::ui::guarded([this] { lvBirthdaysDblClick(lvBirthdays->currentIndex().row()); });
    return true;
}

void TBirthdays::select(const Birthday &chosen, int row) {
    for (qsizetype i = 0; i < m_list.birthdays.size(); ++i) {
        const Birthday &b = m_list.birthdays.at(i);
        if (b.name() == chosen.name() && b.birth == chosen.birth) {
            lvBirthdays->selectRow(static_cast<int>(i));
            return;
        }
    }
    // Renamed in the dialog: the same place in the list, which goes by the days left.
    if (row < m_list.birthdays.size())
        lvBirthdays->selectRow(row);
}

void TBirthdays::btExportClick() {
    const QList<Birthday> chosen =
        cbAll->isChecked() ? txl::birthdays::birthdaysWithin(m_contacts, today(), txl::birthdays::MaxSpanDays).birthdays
                           : m_list.birthdays;
    if (chosen.isEmpty()) {
        txl::ui::notice(u"没有可以导出的生日！"_s);
        return;
    }
    QString path = txl::print::FileDialog::saveFileName(this, u"导出日历"_s, u"iCalendar 日历 (*.ics)"_s, nullptr,
                                                        u"calendar"_s);
    if (path.isEmpty())
        return;
    if (QFileInfo(path).suffix().isEmpty())
        path += u".ics"_s;
    QString error;
    if (!txl::birthdays::saveCalendar(path, chosen, &error)) {
        txl::ui::notice(u"导出失败：%1"_s.arg(error), u"错误"_s);
        return;
    }
    txl::ui::notice(u"已导出 %1 位同学的生日。"_s.arg(chosen.size()));
}

void TBirthdays::btCloseClick() {
    close();
}
