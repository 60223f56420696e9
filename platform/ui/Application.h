#pragma once

#include "platform/ui/Form.h"

#include <QApplication>
#include <QPointer>

namespace txl::ui {

// The application object. The first form created becomes the main form: closing it ends the run.
// Any other window ends the run only through terminate(); closing the last window does not.
class Application : public QApplication {
    Q_OBJECT

public:
    Application(int &argc, char **argv);
    ~Application() override;

    static Application *instance();

    // The title derived from the executable's name: no folder, cut at the first full stop, every
    // character after the first in lower case ("TXL.bin" -> "Txl").
    static QString titleFromExecutable(const QString &executablePath);
    QString title() const;

    Form *mainForm() const { return m_mainForm; }
    // Called by every form's constructor; the first becomes the main form.
    void formCreated(Form *form);
    // Called when a form's close is accepted.
    void formClosed(Form *form);

    // Ends the run: every event loop returns. Tests check terminated() instead of exiting.
    void terminate();
    bool terminated() const { return m_terminated; }
    // Tests start each case with a clean slate.
    void resetForTest();

    // Creates a form "through the application" (the way every window of the program is made).
    template <class F, class... Args>
    F *createForm(Args &&...args) {
        return new F(std::forward<Args>(args)...);
    }

    // Safety net behind the handler guard: an error escaping an event still gets reported.
    bool notify(QObject *receiver, QEvent *event) override;

private:
    QPointer<Form> m_mainForm;
    bool m_mainFormTaken = false;
    bool m_terminated = false;
};

}   // namespace txl::ui
