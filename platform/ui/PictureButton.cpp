#include "platform/ui/PictureButton.h"

#include <QLabel>
#include <QMouseEvent>

namespace txl::ui {

PictureButton::PictureButton(QLabel *picture) : QObject(picture), m_picture(picture) {
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

} // namespace txl::ui
