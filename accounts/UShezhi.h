#pragma once

#include "platform/ui/Form.h"

class QLabel;
class QLineEdit;

// The password window ("密码设置"): the signed-in user sets a new password.
class TShezhi : public txl::ui::Form {
    Q_OBJECT

public:
    TShezhi();

    QLabel *Image1;     // background picture
    QLabel *Label1;     // the signed-in user
    QLineEdit *Edit1;   // new password
    QLineEdit *Edit2;   // the new password again
    QLabel *Image4;     // confirm button
    QLabel *Image3;     // exit button
    QLabel *Image2;     // close mark

protected:
    void FormShow() override;
    void Image4Click();   // confirm
    void Image3Click();   // exit
    void Image2Click();   // close mark
};

extern TShezhi *Shezhi;
