#include "main/U4.h"

#include "platform/ui/Design.h"
#include "platform/ui/Guard.h"
#include "platform/ui/JpegImage.h"

#include <QLabel>
#include <QMouseEvent>
#include <QPixmap>

using namespace Qt::StringLiterals;

TAbout *About = nullptr;

namespace {

// The desktop colour of the classic Windows scheme: the window shows it wherever the picture
// leaves a gap.
const QColor DesktopColour(0x3a, 0x6e, 0xa5);

bool isClick(const QEvent *event) {
    return event->type() == QEvent::MouseButtonRelease &&
           static_cast<const QMouseEvent *>(event)->button() == Qt::LeftButton;
}

}   // namespace

TAbout::TAbout() : Form(u"About"_s) {
    setWindowTitle(u"关于"_s);
    setClientSize(398, 283);
    setBorder(Border::None);

    QPalette colours = palette();
    colours.setColor(QPalette::Window, DesktopColour);
    setPalette(colours);
    setAutoFillBackground(true);

    Image1 = txl::ui::picture(this, u"Image1"_s, {0, 0, 397, 283},
                              QPixmap::fromImage(txl::ui::loadJpeg(u":/title.jpg"_s)));
    Image1->installEventFilter(this);

    centreOnScreen();
    runCreate();
}

void TAbout::Image1Click() {
    close();
}

void TAbout::FormClick() {
    close();
}

bool TAbout::eventFilter(QObject *watched, QEvent *event) {
    if (watched == Image1 && isClick(event)) {
        txl::ui::guarded([this] { Image1Click(); });
        return true;
    }
    return Form::eventFilter(watched, event);
}

void TAbout::mouseReleaseEvent(QMouseEvent *event) {
    if (isClick(event)) {
        txl::ui::guarded([this] { FormClick(); });
        return;
    }
    Form::mouseReleaseEvent(event);
}
