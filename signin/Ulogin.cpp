#include "signin/Ulogin.h"

#include "platform/ui/JpegImage.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPixmap>

TForm2 *Form2 = nullptr;

namespace {

QLabel *picture(QWidget *parent, const QString &name, const QRect &place) {
    auto *label = new QLabel(parent);
    label->setObjectName(name);
    label->setGeometry(place);
    return label;
}

} // namespace

TForm2::TForm2() : Form(QStringLiteral("Form2")) {
    setClientSize(311, 210);
    setBorder(Border::None);

    Image1 = picture(this, QStringLiteral("Image1"), {-1, -2, 312, 212});
    Image1->setPixmap(QPixmap::fromImage(txl::ui::loadJpeg(QStringLiteral(":/login_bg.jpg"))));

    ComboBox1 = new QComboBox(this);
    ComboBox1->setObjectName(QStringLiteral("ComboBox1"));
    ComboBox1->setGeometry(107, 82, 139, 19);
    ComboBox1->setFocusPolicy(Qt::NoFocus);
    ComboBox1->setEnabled(false);

    ComboBox2 = new QComboBox(this);
    ComboBox2->setObjectName(QStringLiteral("ComboBox2"));
    ComboBox2->setGeometry(107, 80, 139, 21);
    ComboBox2->setEditable(false);

    Edit2 = new QLineEdit(this);
    Edit2->setObjectName(QStringLiteral("Edit2"));
    Edit2->setGeometry(109, 123, 121, 16);
    Edit2->setFrame(false);
    Edit2->setEchoMode(QLineEdit::Password);

    Image2 = picture(this, QStringLiteral("Image2"), {60, 177, 73, 25});
    Image2->setAlignment(Qt::AlignCenter);
    Image2->setPixmap(QPixmap(QStringLiteral(":/login_button.bmp")));
    Image3 = picture(this, QStringLiteral("Image3"), {189, 178, 65, 25});
    Image3->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    Image3->setPixmap(QPixmap(QStringLiteral(":/login_exit.bmp")));
    Image4 = picture(this, QStringLiteral("Image4"), {288, 0, 25, 16});
    Image4->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    Image4->setPixmap(QPixmap(QStringLiteral(":/login_close.bmp")));

    setTabOrder(Edit2, ComboBox2);
    dragWindowFrom(Image1);
    centreOnScreen();
    runCreate();
}

void TForm2::FormCreate() {}
