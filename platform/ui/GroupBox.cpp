#include "platform/ui/GroupBox.h"

#include <QCoreApplication>
#include <QGroupBox>
#include <QPointer>
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

} // namespace txl::ui
