#include "platform/ui/PictureButton.h"

#include "platform/ui/Accessibility.h"

#include <QLabel>
#include <QMouseEvent>

namespace txl::ui {

namespace {

QAccessibleInterface *accessiblePictureButton(const QString &, QObject *object) {
    auto *picture = qobject_cast<QLabel *>(object);
    if (picture == nullptr)
        return nullptr;
    auto *button = picture->findChild<PictureButton *>(QString(), Qt::FindDirectChildrenOnly);
    return button != nullptr ? new AccessiblePressable(picture, button, button->key()) : nullptr;
}

}   // namespace

PictureButton::PictureButton(QLabel *picture, const QString &caption, const QKeySequence &key)
    : QObject(picture),
      m_picture(picture),
      m_key(key) {
    static const bool accessible = (QAccessible::installFactory(accessiblePictureButton), true);
    Q_UNUSED(accessible);
    picture->setAccessibleName(caption);
    picture->installEventFilter(this);
}

bool PictureButton::eventFilter(QObject *watched, QEvent *event) {
    if (watched != m_picture)
        return false;
    switch (event->type()) {
    case QEvent::MouseButtonPress:
        if (static_cast<QMouseEvent *>(event)->button() == Qt::LeftButton)
            m_pressed = true;
        break;
    case QEvent::MouseButtonRelease: {
        const auto *mouse = static_cast<QMouseEvent *>(event);
        if (mouse->button() == Qt::LeftButton && m_pressed) {
            m_pressed = false;
            if (m_picture->rect().contains(mouse->position().toPoint()))
                Q_EMIT clicked();
        }
        break;
    }
    case QEvent::Hide:
        m_pressed = false;
        break;
    default:
        break;
    }
    return false;
}

}   // namespace txl::ui
