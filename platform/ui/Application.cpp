#include "platform/ui/Application.h"

#include "platform/ui/Accessibility.h"
#include "platform/ui/Form.h"
#include "platform/ui/Guard.h"

#include <QFileInfo>
#include <QTimer>

using namespace Qt::StringLiterals;

namespace txl::ui {

Application::Application(int &argc, char **argv) : QApplication(argc, argv) {
    // Hiding or closing windows never ends the run by itself: the main form's close does, or an
    // explicit terminate() (the main window is not the main form).
    setQuitOnLastWindowClosed(false);
    installAccessibleInterfaces();
}

Application::~Application() = default;

Application *Application::instance() {
    return qobject_cast<Application *>(QCoreApplication::instance());
}

QString Application::titleFromExecutable(const QString &executablePath) {
    QString name = QFileInfo(executablePath).fileName();
    if (const qsizetype dot = name.indexOf(u'.'); dot >= 0)
        name.truncate(dot);
    if (name.isEmpty())
        return name;
    return name.left(1) + name.mid(1).toLower();
}

QString Application::title() const {
    return titleFromExecutable(applicationFilePath());
}

void Application::formCreated(Form *form) {
    if (m_mainFormTaken)
        return;
    m_mainForm = form;
    m_mainFormTaken = true;
}

void Application::formClosed(Form *form) {
    if (form != nullptr && form == m_mainForm)
        terminate();
}

void Application::terminate() {
    m_terminated = true;
    // exit() makes every running event loop return, the modal ones included.
    QCoreApplication::exit(0);
}

void Application::resetForTest() {
    m_mainForm = nullptr;
    m_mainFormTaken = false;
    if (m_terminated) {
        // exit() leaves a flag behind that makes every later event loop return at once; a short
        // run of the main loop clears it so the next test can wait for events again.
        QTimer::singleShot(0, this, [] { QCoreApplication::exit(0); });
        exec();
    }
    m_terminated = false;
}

bool Application::notify(QObject *receiver, QEvent *event) {
    bool handled = false;
    guarded([&] { handled = QApplication::notify(receiver, event); });
    return handled;
}

}   // namespace txl::ui
