#pragma once

#include "platform/ui/Form.h"

class QButtonGroup;
class QFrame;
class QGroupBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;

// The account manager ("系统设置"), reachable by the administrator only.
class TForm4 : public txl::ui::Form {
    Q_OBJECT

public:
    TForm4();

    QGroupBox *RadioGroup1;   // mode chooser: 0 添加好友, 1 删除好友
    QButtonGroup *RadioGroup1Items;
    QGroupBox *GroupBox1;   // 添加新用户
    QLabel *Label1;
    QLineEdit *Edit1;   // name
    QLabel *Label2;
    QLineEdit *Edit2;       // password
    QGroupBox *GroupBox2;   // 删除好友
    QLabel *Label3;
    QListWidget *DBListBox1;   // entry i is row i of query_shezhi
    QFrame *Bevel1;
    QGroupBox *GroupBox3;   // 操作
    QPushButton *Button1;   // 添加
    QPushButton *Button2;   // 删除

    int modeIndex() const;
    void setModeIndex(int index);

    // Shows the window only while the administrator is signed in; anyone else is told so, and the
    // window stays hidden without reading an account name.
    void setVisible(bool visible) override;

protected:
    void FormCreate() override;
    void FormShow() override;
    void RadioGroup1Click();
    void Button1Click();
    void Button2Click();
};

extern TForm4 *Form4;
