#pragma once

#include "tests/support/TestSupport.h"

#include <QRect>
#include <QString>

#include <utility>

class QWidget;
class TForm1;

// The program's windows in tests: they reach each other through global references, so a test
// that made some must free them before the next test (and before the data module they show).
namespace txl::test {

// Frees the window `global` holds, if any, and clears the reference.
template <class W>
void release(W *&global) {
    delete std::exchange(global, nullptr);
}

// Frees every window a global reference holds, the last made first, and clears the references.
void freeWindows();

// What a test of the windows runs in: a clean application (no main form yet, not terminated), a
// fresh database with the data module on it, and every message box recorded. When it goes, the
// windows the test made go first, before the data module they show, also when a check stopped
// the test early.
class WindowFixture : public ModuleFixture {
public:
    explicit WindowFixture(const data::NewDatabase &options = {});
    ~WindowFixture();
    WindowFixture(const WindowFixture &) = delete;
    WindowFixture &operator=(const WindowFixture &) = delete;

    BoxRecorder boxes;
};

// A signed-in main window over a fresh database holding `contacts`: the login window holds the
// user name, as the hand-over leaves it, and the main window has been created and shown.
class MainWindowFixture : public WindowFixture {
public:
    explicit MainWindowFixture(const QList<QStringList> &contacts = {},
                               const QString &signedIn = QStringLiteral("chief"));
    TForm1 &w() const;
};

// Checks the place of the control `name` of `window`: the whole geometry, or only the position
// when `place` has an empty size.
void comparePlace(const QWidget *window, const QString &name, const QRect &place);

// The name assistive technology hears for `control`: the caption it is labelled by (not a group
// around it), else its own.
QString heardName(QWidget *control);

// Checks what assistive technology hears of the control `name` of `window`: its name, and whether
// it is a button; a button is then pressed the way assistive technology presses it, and the press
// has come when this returns.
void compareAccessible(QWidget *window, const QString &name, const QString &accessibleName, bool button);

}   // namespace txl::test
