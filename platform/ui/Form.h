#pragma once

#include <QList>
#include <QPointer>
#include <QScopeGuard>
#include <QWidget>

#include <functional>
#include <memory>

class QEventLoop;

class QPushButton;

namespace txl::ui {

// The base of every window: create, show and close handlers (run behind the handler guard),
// the design's client size, centred placement, borderless or fixed-border looks, and modal showing.
class Form : public QWidget {
    Q_OBJECT

public:
    enum class Border { None, FixedSingle };

    Form(const QString &designName, QWidget *parent = nullptr);
    ~Form() override;

    // Design helpers, used by the derived constructors.
    void setClientSize(int width, int height);
    void setBorder(Border border, bool minimizeButton = false);
    void centreOnScreen();
    // A left-button press on `surface` starts a system move of the window.
    void dragWindowFrom(QWidget *surface);
    // The keys of a dialog for a window of the program's own (not one of the designed windows):
    // Enter presses `accept` (shown as the default button) and Esc presses `reject`, unless the
    // control with the focus uses the key itself. A window may ask first (enterPressed()).
    void setDialogKeys(QPushButton *accept, QPushButton *reject);

    // The modal window pattern: show modally and return when the window closes.
    void showModal();
    bool isModalShowing() const { return m_modalLoop != nullptr; }

    // Test hook: while set, showModal() shows the form and runs the driver instead of waiting.
    using ModalDriver = std::function<void(Form &)>;
    static void setModalDriver(ModalDriver driver);

Q_SIGNALS:
    // Emitted when a left-button press on a drag surface hands the window to the system move.
    void systemMoveRequested();

protected:
    // Handlers; the derived forms override what they need. Call runCreate() at the end of the
    // derived constructor so the create handler sees the whole design.
    virtual void FormCreate() {}
    virtual void FormShow() {}
    // Return false to refuse the close (the window stays).
    virtual bool FormCloseQuery() { return true; }
    virtual void FormClose() {}
    void runCreate();

    // Enter in a window with dialog keys: return true when the window did something with it.
    virtual bool enterPressed() { return false; }

    void showEvent(QShowEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QEventLoop *m_modalLoop = nullptr;
    QList<QPointer<QWidget>> m_dragSurfaces;
    QPointer<QPushButton> m_accept;
    QPointer<QPushButton> m_reject;
};

// The modal window pattern as one call: create the window (through the application: every form
// announces itself to it) into its global reference, let `setUp` prepare it, show it modally, free
// it when the modal loop returns. The reference names the window while it exists and nothing once
// it is freed, also when creating or setting it up fails (the error goes on to the caller).
template <class F, class SetUp>
void showModalForm(F *&global, SetUp &&setUp) {
    const std::unique_ptr<F> form(new F());
    global = form.get();
    const auto release = qScopeGuard([&global] { global = nullptr; });
    setUp(*form);
    form->showModal();
}

template <class F>
void showModalForm(F *&global) {
    showModalForm(global, [](F &) {});
}

}   // namespace txl::ui
