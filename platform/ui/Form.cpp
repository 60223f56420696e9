#include "platform/ui/Form.h"

#include "platform/ui/Application.h"
#include "platform/ui/Design.h"
#include "platform/ui/Guard.h"

#include <QCloseEvent>
#include <QEventLoop>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPushButton>
#include <QShowEvent>
#include <QWindow>

namespace txl::ui {

namespace {

Form::ModalDriver &modalDriver() {
    static Form::ModalDriver driver;
    return driver;
}

}   // namespace

Form::Form(const QString &designName, QWidget *parent) : QWidget(parent, Qt::Window) {
    setObjectName(designName);
    if (Application *app = Application::instance())
        app->formCreated(this);
}

Form::~Form() {
    if (m_modalLoop != nullptr)
        m_modalLoop->quit();
}

void Form::setClientSize(int width, int height) {
    setFixedSize(width, height);
}

void Form::setBorder(Border border, bool minimizeButton) {
    Qt::WindowFlags flags = Qt::Window;
    if (border == Border::None) {
        flags |= Qt::FramelessWindowHint;
    } else {
        // A fixed single border: title bar with the system menu and close box, minimise only if
        // designed, never maximise; the size cannot be dragged.
        flags |= Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint;
        if (minimizeButton)
            flags |= Qt::WindowMinimizeButtonHint;
    }
    setWindowFlags(flags);
    setFixedSize(size());
}

void Form::centreOnScreen() {
    ui::centreOnScreen(this);
}

void Form::dragWindowFrom(QWidget *surface) {
    surface->installEventFilter(this);
    m_dragSurfaces.append(surface);
}

bool Form::eventFilter(QObject *watched, QEvent *event) {
    if (event->type() == QEvent::MouseButtonPress && static_cast<QMouseEvent *>(event)->button() == Qt::LeftButton) {
        for (const QPointer<QWidget> &surface : std::as_const(m_dragSurfaces)) {
            if (surface == watched) {
                Q_EMIT systemMoveRequested();
                if (QWindow *handle = window()->windowHandle())
                    handle->startSystemMove();
                break;
            }
        }
    }
    return QWidget::eventFilter(watched, event);
}

void Form::setDialogKeys(QPushButton *accept, QPushButton *reject) {
    m_accept = accept;
    m_reject = reject;
    // Enter on a button presses that button, as in any dialog; elsewhere, the default one.
    for (QPushButton *button : findChildren<QPushButton *>())
        button->setAutoDefault(true);
    if (accept)
        accept->setDefault(true);
}

void Form::keyPressEvent(QKeyEvent *event) {
    // Keys the focused control left unused come here.
    const int key = event->key();
    if (key == Qt::Key_Return || key == Qt::Key_Enter) {
        if (enterPressed())
            return;
        if (m_accept) {
            if (m_accept->isEnabled())
                m_accept->click();
            return;
        }
    }
    if (key == Qt::Key_Escape && m_reject) {
        m_reject->click();
        return;
    }
    QWidget::keyPressEvent(event);
}

void Form::runCreate() {
    guarded([this] { FormCreate(); });
}

void Form::showEvent(QShowEvent *event) {
    QWidget::showEvent(event);
    // Only when the program shows the window, not when the window system restores it. A failing
    // show handler is reported and the window is shown all the same.
    if (!event->spontaneous())
        guarded([this] { FormShow(); });
}

void Form::closeEvent(QCloseEvent *event) {
    bool mayClose = false;
    if (!guarded([this, &mayClose] { mayClose = FormCloseQuery(); }) || !mayClose) {
        event->ignore();
        return;
    }
    guarded([this] { FormClose(); });
    event->accept();
    hide();
    if (m_modalLoop != nullptr)
        m_modalLoop->quit();
    if (Application *app = Application::instance())
        app->formClosed(this);
}

void Form::setModalDriver(ModalDriver driver) {
    modalDriver() = std::move(driver);
}

void Form::showModal() {
    const QPointer<Form> self(this);
    QEventLoop loop;
    m_modalLoop = &loop;
    setWindowModality(Qt::ApplicationModal);
    show();
    if (self && isVisible()) {
        if (ModalDriver driver = modalDriver()) {
            driver(*this);
            if (self && isVisible())
                close();
        } else {
            loop.exec(QEventLoop::DialogExec);
        }
    }
    if (!self)
        return;   // freed while it was showing
    m_modalLoop = nullptr;
    if (isVisible())
        hide();   // the run was terminated while the window was open
    setWindowModality(Qt::NonModal);
}

}   // namespace txl::ui
