#include "platform/ui/PictureButton.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QLabel>
#include <QMouseEvent>
#include <QPointer>

namespace txl::ui {

namespace {

// A picture button as assistive technology sees it: a button, not a graphic, that can be pressed.
class AccessiblePictureButton : public QAccessibleWidget {
public:
    AccessiblePictureButton(QLabel *picture, PictureButton *button)
        : QAccessibleWidget(picture, QAccessible::Button),
          m_button(button) {}

    QStringList actionNames() const override { return {pressAction()}; }

    void doAction(const QString &action) override {
        if (action == pressAction() && m_button != nullptr)
            m_button->click();
    }

private:
    QPointer<PictureButton> m_button;
};

QAccessibleInterface *accessiblePictureButton(const QString &, QObject *object) {
    auto *picture = qobject_cast<QLabel *>(object);
    if (picture == nullptr)
        return nullptr;
    auto *button = picture->findChild<PictureButton *>(QString(), Qt::FindDirectChildrenOnly);
    return button != nullptr ? new AccessiblePictureButton(picture, button) : nullptr;
}

}   // namespace

PictureButton::PictureButton(QLabel *picture, const QString &caption) : QObject(picture), m_picture(picture) {
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
