#include "platform/ui/Design.h"

#include <QCoreApplication>
#include <QFrame>
#include <QGroupBox>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QScreen>
#include <QStyle>
#include <QStyleFactory>

namespace txl::ui {

namespace {

QStyle *captionOnFrameStyle() {
    static QPointer<QStyle> style;
    if (style == nullptr) {
        style = QStyleFactory::create(QStringLiteral("Windows"));
        if (style != nullptr)
            style->setParent(QCoreApplication::instance());
    }
    return style;
}

} // namespace

QGroupBox *groupBox(QWidget *parent, const QString &name, const QString &caption,
                    const QRect &place) {
    auto *box = new QGroupBox(caption, parent);
    box->setObjectName(name);
    box->setGeometry(place);
    if (QStyle *style = captionOnFrameStyle())
        box->setStyle(style);
    return box;
}

QLabel *label(QWidget *parent, const QString &name, const QString &caption, const QPoint &at) {
    auto *l = new QLabel(caption, parent);
    l->setObjectName(name);
    l->move(at);
    l->adjustSize();
    return l;
}

QLineEdit *lineEdit(QWidget *parent, const QString &name, const QRect &place) {
    auto *edit = new QLineEdit(parent);
    edit->setObjectName(name);
    edit->setGeometry(place);
    return edit;
}

QPushButton *pushButton(QWidget *parent, const QString &name, const QString &caption, const QRect &place) {
    auto *button = new QPushButton(caption, parent);
    button->setObjectName(name);
    button->setGeometry(place);
    return button;
}

QLabel *picture(QWidget *parent, const QString &name, const QRect &place, const QPixmap &pixmap,
                Qt::Alignment alignment) {
    auto *p = new QLabel(parent);
    p->setObjectName(name);
    p->setGeometry(place);
    p->setAlignment(alignment);
    if (!pixmap.isNull())
        p->setPixmap(pixmap);
    return p;
}

QFrame *sunkenLine(QWidget *parent, const QString &name, const QRect &place) {
    auto *line = new QFrame(parent);
    line->setObjectName(name);
    line->setFrameShape(QFrame::HLine);
    line->setFrameShadow(QFrame::Sunken);
    line->setGeometry(place);
    return line;
}

void centreOnScreen(QWidget *window) {
    const QScreen *where = window->screen() != nullptr ? window->screen() : QGuiApplication::primaryScreen();
    if (where == nullptr)
        return;
    const QSize outer = window->frameGeometry().size();
    const QRect area = where->availableGeometry();
    window->move(area.x() + (area.width() - outer.width()) / 2,
                 area.y() + (area.height() - outer.height()) / 2);
}

} // namespace txl::ui
