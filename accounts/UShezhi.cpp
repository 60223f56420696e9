#include "accounts/UShezhi.h"

#include "data/PasswordHash.h"
#include "data/Statements.h"
#include "data/U2.h"
#include "main/UStu.h"
#include "platform/ui/Design.h"
#include "platform/ui/EntryLimit.h"
#include "platform/ui/Guard.h"
#include "platform/ui/JpegImage.h"
#include "platform/ui/MessageBoxes.h"
#include "platform/ui/PasswordEcho.h"
#include "platform/ui/PictureButton.h"

#include <QLabel>
#include <QLineEdit>
#include <QPixmap>

using namespace Qt::StringLiterals;
using txl::ui::guard;
using txl::ui::picture;
using txl::ui::PictureButton;

TShezhi *Shezhi = nullptr;

namespace {

QLineEdit *passwordField(QWidget *parent, const QString &name, const QRect &place) {
    QLineEdit *edit = txl::ui::lineEdit(parent, name, place);
    edit->setFrame(false);
    txl::ui::echoStars(edit);
    txl::ui::setEntryLimit(edit, 8);
    return edit;
}

// The main window's copy of the signed-in user name.
QString signedInUser() {
    return Form1 != nullptr ? Form1->user : QString();
}

}   // namespace

TShezhi::TShezhi() : Form(QStringLiteral("Shezhi")) {
    setWindowTitle(QStringLiteral("密码设置"));
    setClientSize(267, 205);
    setBorder(Border::None);

    Image1 = picture(this, u"Image1"_s, {-1, -1, 267, 206},
                     QPixmap::fromImage(txl::ui::loadJpeg(u":/password_bg.jpg"_s)));

    Label1 = new QLabel(this);
    Label1->setObjectName(u"Label1"_s);
    Label1->move(101, 39);
    QPalette blue = Label1->palette();
    blue.setColor(QPalette::WindowText, Qt::blue);
    Label1->setPalette(blue);

    Edit1 = passwordField(this, u"Edit1"_s, {102, 64, 116, 17});
    Edit2 = passwordField(this, u"Edit2"_s, {102, 96, 116, 17});

    Image4 = picture(this, u"Image4"_s, {36, 165, 58, 23}, QPixmap(u":/password_confirm.bmp"_s));
    Image3 = picture(this, u"Image3"_s, {160, 166, 63, 23}, QPixmap(u":/password_exit.bmp"_s));
    Image2 = picture(this, u"Image2"_s, {243, 2, 18, 19}, QPixmap(u":/password_close.bmp"_s));

    // The captions beside the user and the fields are drawn in the background picture: assistive
    // technology hears them from here.
    Label1->setAccessibleName(u"操作员"_s);
    txl::ui::nameField(Edit1, u"新密码"_s);
    txl::ui::nameField(Edit2, u"再次输入"_s);

    dragWindowFrom(Image1);
    connect(new PictureButton(Image4, u"确认"_s), &PictureButton::clicked, this, guard(this, &TShezhi::Image4Click));
    connect(new PictureButton(Image3, u"退出"_s), &PictureButton::clicked, this, guard(this, &TShezhi::Image3Click));
    connect(new PictureButton(Image2, u"关闭"_s), &PictureButton::clicked, this, guard(this, &TShezhi::Image2Click));

    centreOnScreen();
    runCreate();
}

void TShezhi::FormShow() {
    Label1->setText(signedInUser());
    Label1->setAccessibleDescription(signedInUser());
    Label1->adjustSize();
}

void TShezhi::Image4Click() {
    // A password of spaces only would be stored as an empty one, which can never sign in.
    if (Edit1->text().trimmed().isEmpty() || Edit2->text().trimmed().isEmpty()) {
        txl::ui::notice(u"请你输入密码!"_s);
        return;
    }
    if (Edit1->text().trimmed() != Edit2->text().trimmed()) {
        txl::ui::information(u"两次输入的不同，请再一次输入！"_s);
        close();
        return;
    }
    // Every account of the signed-in name, exactly as it signed in.
    txl::db::Query &q = DataModule1->query_pwd;
    TDataModule1::reloadExec(q, txl::sql::UpdatePassword,
                             {{u"p1"_s, txl::password::hash(Edit2->text().trimmed())}, {u"p2"_s, signedInUser()}});
    if (q.rowsAffected() == 0) {
        txl::ui::notice(u"更新失败！"_s);
        return;
    }
    txl::ui::information(u"更新成功！"_s);
    Image3Click();
    close();
}

void TShezhi::Image3Click() {
    Edit1->clear();
    Edit2->clear();
    close();
}

void TShezhi::Image2Click() {
    close();
}
