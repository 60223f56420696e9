#include "signin/Ulogin.h"

#include "data/PasswordHash.h"
#include "data/Schema.h"
#include "data/Statements.h"
#include "data/U2.h"
#include "platform/ui/Accessibility.h"
#include "platform/ui/Design.h"
#include "platform/ui/Guard.h"
#include "platform/ui/JpegImage.h"
#include "platform/ui/MessageBoxes.h"
#include "platform/ui/PasswordEcho.h"
#include "platform/ui/PictureButton.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QDir>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPixmap>

#include <stdexcept>

using namespace Qt::StringLiterals;
using txl::ui::guard;
using txl::ui::picture;
using txl::ui::PictureButton;

TForm2 *Form2 = nullptr;

namespace {

// Loads a picture file of the working folder; a missing or unreadable file is an error.
QPixmap pictureFile(const QString &relativePath) {
    QPixmap pixmap;
    if (!pixmap.load(relativePath)) {
        const QString full = QDir::toNativeSeparators(QDir::current().absoluteFilePath(relativePath));
        throw std::runtime_error((u"Cannot open file \""_s + full + u"\""_s).toStdString());
    }
    return pixmap;
}

}   // namespace

TForm2::TForm2() : Form(QStringLiteral("Form2")) {
    setClientSize(311, 210);
    setBorder(Border::None);
    setAccessibleName(u"用户登录"_s);   // the title its picture draws

    Image1 = picture(this, u"Image1"_s, {-1, -2, 312, 212}, QPixmap::fromImage(txl::ui::loadJpeg(u":/login_bg.jpg"_s)));

    // The password field comes first in the tab order: it is made before the choosers.
    Edit2 = txl::ui::lineEdit(this, u"Edit2"_s, {109, 123, 121, 16});
    Edit2->setFrame(false);
    txl::ui::echoStars(Edit2);
    QFont editFont = Edit2->font();
    editFont.setPixelSize(13);
    Edit2->setFont(editFont);

    ComboBox1 = new QComboBox(this);
    ComboBox1->setObjectName(QStringLiteral("ComboBox1"));
    ComboBox1->setGeometry(107, 82, 139, 19);
    ComboBox1->setFocusPolicy(Qt::NoFocus);
    ComboBox1->setEnabled(false);
    txl::ui::hideFromAssistiveTechnology(ComboBox1);

    ComboBox2 = new QComboBox(this);
    ComboBox2->setObjectName(QStringLiteral("ComboBox2"));
    ComboBox2->setGeometry(107, 80, 139, 21);
    ComboBox2->setEditable(false);   // a drop-down list: no typing; entries stay in loading order

    Image2 = picture(this, u"Image2"_s, {60, 177, 73, 25}, QPixmap(u":/login_button.bmp"_s), Qt::AlignCenter);
    Image3 = picture(this, u"Image3"_s, {189, 178, 65, 25}, QPixmap(u":/login_exit.bmp"_s));
    Image3->setMouseTracking(true);   // every movement over the button, pressed or not
    Image4 = picture(this, u"Image4"_s, {288, 0, 25, 16}, QPixmap(u":/login_close.bmp"_s));

    // The captions of the fields are drawn in the background picture: assistive technology hears
    // them from here.
    txl::ui::nameField(ComboBox2, u"用户名称"_s);
    txl::ui::nameField(Edit2, u"用户密码"_s);

    dragWindowFrom(Image1);

    connect(new PictureButton(Image2, u"登录"_s, QKeySequence(Qt::Key_F5)), &PictureButton::clicked, this,
            guard(this, &TForm2::Image2Click));
    connect(new PictureButton(Image3, u"退出"_s, QKeySequence(Qt::Key_F4)), &PictureButton::clicked, this,
            guard(this, &TForm2::Image3Click));
    connect(new PictureButton(Image4, u"关闭"_s), &PictureButton::clicked, this, guard(this, &TForm2::Image4Click));

    // The window looks at every key press before its controls do, and at the exit button's mouse.
    installEventFilter(this);
    for (QWidget *child : findChildren<QWidget *>())
        child->installEventFilter(this);
    // The chooser's drop-down list is a window of its own and takes the keys while it is open.
    ComboBox2->view()->installEventFilter(this);

    centreOnScreen();
    runCreate();
}

void TForm2::FormCreate() {
    m_attempts = 3;
}

void TForm2::FormShow() {
    ComboBox2->clear();
    txl::db::Query &query = DataModule1->query;
    TDataModule1::reload(query, txl::sql::AllAccounts);
    ComboBox2->addItems(TDataModule1::columnTexts(query, txl::schema::accountColumn(txl::schema::AccountName)));
    ComboBox2->setCurrentIndex(0);
}

bool TForm2::eventFilter(QObject *watched, QEvent *event) {
    switch (event->type()) {
    case QEvent::KeyPress: {
        const int key = static_cast<QKeyEvent *>(event)->key();
        if (key == Qt::Key_F5 || key == Qt::Key_F4) {
            txl::ui::guarded([this, key] { FormKeyDown(key); });
            return true;
        }
        break;
    }
    case QEvent::MouseMove:
        if (watched == Image3)
            txl::ui::guarded([this] { Image3MouseMove(); });
        break;
    case QEvent::MouseButtonPress:
        if (watched == Image3)
            txl::ui::guarded([this] { Image3MouseDown(); });
        break;
    default:
        break;
    }
    return Form::eventFilter(watched, event);
}

void TForm2::FormKeyDown(int key) {
    if (key == Qt::Key_F5)
        Image2Click();
    else if (key == Qt::Key_F4)
        close();
}

void TForm2::Image2Click() {
    const QString password = Edit2->text().trimmed();
    bool signedIn = false;
    if (password.isEmpty()) {
        --m_attempts;
        txl::ui::information(u"请你输入密码！"_s);
    } else {
        --m_attempts;
        const QString account = ComboBox2->currentText();   // empty when nothing is selected
        txl::db::Query &query = DataModule1->query;
        try {
            TDataModule1::reload(query, txl::sql::AccountByName, {{u"p1"_s, account}});
        } catch (const std::exception &) {
            // One more try as a command; an error there ends the action with the default report.
            query.execSql();
        }
        // Accounts may share a name: any of them whose password matches signs in.
        query.first();
        const int rows = query.recordCount();
        for (int i = 0; i < rows && !signedIn; ++i) {
            signedIn = txl::password::verify(
                query.fieldByName(txl::schema::accountColumn(txl::schema::AccountPassword)), password);
            query.next();
        }
        if (signedIn) {
            if (onSignInSucceeded)
                onSignInSucceeded(account);
        } else {
            txl::ui::information(u"你输入的密码不正确，请重新输入！"_s);
            Edit2->clear();
        }
    }
    // A press that signs in goes on into the program, even the last one allowed.
    if (m_attempts <= 0 && !signedIn) {
        txl::ui::information(u"对不起！你已经达到三次了，请在启动本软件！"_s);
        close();
    }
}

void TForm2::Image3MouseMove() {
    Image3->setPixmap(pictureFile(u"images/02.bmp"_s));
}

void TForm2::Image3MouseDown() {
    Image3->setPixmap(pictureFile(u"images/02_1.bmp"_s));
}

void TForm2::Image3Click() {
    close();
}

void TForm2::Image4Click() {
    close();
}
