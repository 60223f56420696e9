#include "signin/Ufirst.h"

#include "platform/ui/Design.h"
#include "platform/ui/Guard.h"
#include "platform/ui/JpegImage.h"

#include <QLabel>
#include <QPixmap>
#include <QTimer>

using namespace Qt::StringLiterals;

TFirst *First = nullptr;

int TFirst::s_ticks = 0;

TFirst::TFirst() : Form(QStringLiteral("First")) {
    setClientSize(398, 283);
    setBorder(Border::None);
    setAccessibleName(QStringLiteral("同学录"));   // the title its picture draws

    Image1 = txl::ui::picture(this, u"Image1"_s, {0, 0, 397, 283},
                              QPixmap::fromImage(txl::ui::loadJpeg(u":/title.jpg"_s)));

    Label1 = new QLabel(QStringLiteral("正在加载中："), this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->move(16, 152);
    QFont small = Label1->font();
    small.setPixelSize(12);
    Label1->setFont(small);
    Label1->adjustSize();

    Label2 = new QLabel(this);
    Label2->setObjectName(QStringLiteral("Label2"));
    Label2->setGeometry(93, 152, 60, 16);
    QFont dots = Label2->font();
    dots.setPixelSize(13);
    dots.setBold(true);
    Label2->setFont(dots);

    Timer1 = new QTimer(this);
    Timer1->setObjectName(QStringLiteral("Timer1"));
    Timer1->setInterval(1000);
    connect(Timer1, &QTimer::timeout, this, txl::ui::guard(this, &TFirst::Timer1Timer));

    centreOnScreen();
    runCreate();
}

void TFirst::FormShow() {
    Timer1->start();
}

void TFirst::FormClose() {
    if (onLoadingFinished)
        onLoadingFinished();
}

void TFirst::Timer1Timer() {
    if (s_ticks <= 4) {
        ++s_ticks;
        // ".", "..", "...", then again from "."
        if (Label2->text().trimmed() == u"...")
            Label2->setText(u"."_s);
        else
            Label2->setText(Label2->text() + u'.');
    } else {
        close();
    }
}
