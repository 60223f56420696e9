#pragma once

#include "birthdays/Birthdays.h"
#include "platform/ui/Form.h"

#include <functional>

class QCheckBox;
class QLabel;
class QPushButton;
class QSpinBox;
class QTableView;
class BirthdayModel;

// The birthday window ("生日提醒"): whose birthday falls today or within the next days, read from
// the whole book (the main list is left as it is), and the birthdays as a calendar file.
class TBirthdays : public txl::ui::Form {
    Q_OBJECT

public:
    TBirthdays();
    ~TBirthdays() override;

    QLabel *Label1;            // 今天起
    QSpinBox *seDays;          // the span in days, 1 .. 366
    QLabel *Label2;            // 天内过生日的同学
    QTableView *lvBirthdays;   // name, birth date, age turned, days left
    QLabel *lbUndated;         // the contacts left out
    QLabel *lbCount;           // how many are listed
    QCheckBox *cbAll;          // export every birthday, not only the listed ones
    QPushButton *btExport;     // 导出日历
    QPushButton *btClose;      // 关闭

    // The day the list counts from: today, unless a test fixes it.
    static std::function<QDate()> today;

    const txl::birthdays::BirthdayList &list() const { return m_list; }

    void seDaysChange();
    void lvBirthdaysDblClick(int row);
    void btExportClick();
    void btCloseClick();

protected:
    void FormShow() override;

protected:
    bool enterPressed() override;

private:
    // The classmate chosen before the list was read again, else the row at the same place.
    void select(const txl::birthdays::Birthday &chosen, int row);
    void readBook();
    void showList();

    QList<QStringList> m_contacts;   // the whole book, read when the window shows
    txl::birthdays::BirthdayList m_list;
    BirthdayModel *m_model;
};

extern TBirthdays *Birthdays;
