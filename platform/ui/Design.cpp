#include "platform/ui/Design.h"

#include "platform/ui/Accessibility.h"

#include <QApplication>
#include <QCoreApplication>
#include <QFrame>
#include <QGroupBox>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPointer>
#include <QPushButton>
#include <QScreen>
#include <QStyle>
#include <QStyleFactory>
#include <QWindow>
#include <qdrawutil.h>

using namespace Qt::StringLiterals;

namespace txl::ui {

namespace {

// Draws its bevel itself: the styles draw a sunken panel as a single line at its left, which reads as
// a separator between texts rather than as a panel.
class StatusPanel : public QLabel {
public:
    using QLabel::QLabel;

protected:
    void paintEvent(QPaintEvent *event) override {
        QLabel::paintEvent(event);
        QPainter painter(this);
        qDrawShadePanel(&painter, rect(), palette(), true, 1);
    }
};

QStyle *captionOnFrameStyle() {
    static QPointer<QStyle> style;
    if (style == nullptr) {
        style = QStyleFactory::create(QStringLiteral("Windows"));
        if (style != nullptr)
            style->setParent(QCoreApplication::instance());
    }
    return style;
}

}   // namespace

QGroupBox *groupBox(QWidget *parent, const QString &name, const QString &caption, const QRect &place) {
    auto *box = placed(new QGroupBox(caption, parent), name, place);
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
    return placed(new QLineEdit(parent), name, place);
}

QPushButton *pushButton(QWidget *parent, const QString &name, const QString &caption, const QRect &place) {
    return placed(new QPushButton(caption, parent), name, place);
}

QLabel *picture(QWidget *parent, const QString &name, const QRect &place, const QPixmap &pixmap,
                Qt::Alignment alignment) {
    auto *p = placed(new QLabel(parent), name, place);
    p->setAlignment(alignment);
    if (!pixmap.isNull())
        p->setPixmap(pixmap);
    return p;
}

QFrame *sunkenLine(QWidget *parent, const QString &name, const QRect &place) {
    auto *line = placed(new QFrame(parent), name, place);
    line->setFrameShape(QFrame::HLine);
    line->setFrameShadow(QFrame::Sunken);
    setAccessibleRole(line, QAccessible::Separator);   // not a frame, which would read as a window
    return line;
}

namespace {

bool isFramed(const QWidget *window) {
    return !window->windowFlags().testFlag(Qt::FramelessWindowHint);
}

// The frame the window manager has told for `window`. On X11 it is only asked once the window is
// on screen: asked before the window manager has framed it, Qt keeps an empty frame there until the
// window is next moved or resized. Other platforms know the frame from the start.
QMargins ownFrame(const QWidget *window) {
    const QWindow *handle = window->windowHandle();
    if (handle == nullptr || !isFramed(window))
        return {};
    if (!handle->isExposed() && QGuiApplication::platformName() == u"xcb")
        return {};
    return handle->frameMargins();
}

// Places a window by its frame, and follows it until the window manager has framed it there.
//
// Before the window manager has framed a window, what a position asked for means depends on how
// the window was made: a window placed before it was made is asked for by its frame, any other by
// its inside. Once the frame is known, Qt asks for either correctly by the frame's position. The
// window's own frame is read from its native window: the widget's copy may lag behind.
class FrameCentring : public QObject {
public:
    explicit FrameCentring(QWidget *window) : QObject(window), m_window(window) { window->installEventFilter(this); }

    void place() {
        const QMargins frame = expectedFrame(m_window);
        const QPoint topLeft = centredFrame(frame);
        QWindow *handle = m_window->windowHandle();
        if (handle == nullptr) {
            m_window->move(topLeft);
            m_placedByFrame = true;
            return;
        }
        if (handle != m_handle) {
            m_handle = handle;
            handle->installEventFilter(this);   // its exposure tells that it is on screen
        }
        const QMargins own = ownFrame(m_window);
        if (!own.isNull() && m_window->frameGeometry().size() == m_window->size().grownBy(own))
            m_window->move(topLeft);   // the widget knows its frame too
        else if (m_placedByFrame || !own.isNull())
            handle->setFramePosition(topLeft);
        else
            handle->setPosition(topLeft + QPoint(frame.left(), frame.top()));
    }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override {
        if (watched == m_handle && event->type() == QEvent::Expose) {
            follow();
            return false;
        }
        if (watched != m_window)
            return false;
        switch (event->type()) {
        case QEvent::Show:
            if (!event->spontaneous()) {
                m_framed = false;
                m_requests = 0;
                place();
            }
            break;
        case QEvent::Resize:
            if (!m_framed && m_window->isVisible())
                place();
            break;
        case QEvent::Move:
            follow();
            break;
        default:
            break;
        }
        return false;
    }

private:
    static constexpr int MaxRequests = 3;

    // Once the window is on screen: framed where it belongs, or asked once more. The frame may
    // differ from the one it was placed with, or the window manager may have kept an earlier
    // position. A frame Qt does not know yet may still come: asking again brings the window
    // manager's answer, once.
    void follow() {
        if (m_framed || m_handle == nullptr || !m_handle->isExposed())
            return;
        const QMargins frame = ownFrame(m_window);
        const bool again = frame.isNull()
                               ? isFramed(m_window) && m_placedByFrame && m_requests == 0
                               : m_handle->frameGeometry().topLeft() != centredFrame(frame) && m_requests < MaxRequests;
        if (again) {
            ++m_requests;
            place();
        } else {
            m_framed = true;
        }
    }

    QPoint centredFrame(const QMargins &frame) const {
        const QScreen *where = m_window->screen() != nullptr ? m_window->screen() : QGuiApplication::primaryScreen();
        if (where == nullptr)
            return m_window->pos();
        const QSize outer = m_window->size().grownBy(frame);
        const QRect area = where->availableGeometry();
        return {area.x() + (area.width() - outer.width()) / 2, area.y() + (area.height() - outer.height()) / 2};
    }

    QWidget *m_window;
    QPointer<QWindow> m_handle;
    bool m_placedByFrame = false;   // first placed before it was made
    bool m_framed = false;          // framed where it belongs since it was last shown
    int m_requests = 0;             // places asked for since it was shown on screen
};

}   // namespace

QMargins expectedFrame(const QWidget *window) {
    if (!isFramed(window))
        return {};
    if (const QMargins own = ownFrame(window); !own.isNull())
        return own;
    for (const QWidget *other : QApplication::topLevelWidgets()) {
        if (other != window && other->isVisible()) {
            if (const QMargins frame = ownFrame(other); !frame.isNull())
                return frame;
        }
    }
    return {};
}

void nameField(QWidget *field, const QString &caption) {
    field->setAccessibleName(caption);
    auto *unseen = new QLabel(caption, field->parentWidget());
    unseen->setObjectName(field->objectName() + u"Caption"_s);
    unseen->setBuddy(field);
    unseen->hide();
}

QLabel *statusPanel(QWidget *parent, const QString &name, const QRect &place) {
    auto *panel = placed(new StatusPanel(parent), name, place);
    panel->setContentsMargins(3, 1, 2, 1);
    panel->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    return panel;
}

void centreOnScreen(QWidget *window) {
    FrameCentring *centring = nullptr;
    for (QObject *child : window->children()) {
        if ((centring = dynamic_cast<FrameCentring *>(child)) != nullptr)
            break;
    }
    if (centring == nullptr)
        centring = new FrameCentring(window);
    centring->place();
}

}   // namespace txl::ui
