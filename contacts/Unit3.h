#pragma once

#include "platform/ui/Form.h"

#include <QList>

class QComboBox;
class QDateEdit;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;

// The contact dialog, for adding a contact and for changing the current one of the main list.
// The caption of the mode button says which: "提交" adds, "修改" changes.
class TAdd : public txl::ui::Form {
    Q_OBJECT

public:
    TAdd();

    // The main window's two ways in: each creates the dialog, shows it modally and frees it.
    static void openForAdd();
    static void openForChange();

    QGroupBox *GroupBox1;
    QLabel *Label1;   // 姓名：
    QLabel *Label2;   // 性别：
    QLabel *Label3;   // 出生日期：
    QLabel *Label4;   // QQ:
    QLabel *Label5;   // 手机号码：
    QLabel *Label6;   // 家庭电话：
    QLabel *Label7;   // 宿舍号码：
    QLabel *Label8;   // 电子邮箱：
    QLabel *Label9;   // 家庭住址：
    QLineEdit *edname;
    QComboBox *cbsex;
    QDateEdit *eddate2;
    QLineEdit *edqq;
    QLineEdit *edmobel;
    QLineEdit *edxl;
    QLineEdit *edss;
    QLineEdit *edmail;
    QLineEdit *edadress;
    QGroupBox *GroupBox2;
    QPushButton *Button1;   // the mode button
    QPushButton *Button2;   // 取消

    // The seven text fields; the sex chooser and the date picker are not among them.
    QList<QLineEdit *> textFields() const;

    // The mode button: adds or changes, as its caption says.
    void Button1Click();
    // 取消: empties the text fields and closes.
    void Button2Click();

private:
    void setMode(const QString &caption, const QString &buttonCaption);
    void clearTextFields();
    // Copies the current row of the contact query into the fields; throws when it cannot.
    void fillFromCurrentRow();
    void submitNew();
    void saveChange();
};

extern TAdd *Add;
