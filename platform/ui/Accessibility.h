#pragma once

#include <QAccessible>
#include <QAccessibleWidget>
#include <QKeySequence>
#include <QPointer>

class QWidget;

// What assistive technology (a screen reader, through the platform's accessibility bus) is told of
// the windows, beyond what the toolkit tells by itself.
namespace txl::ui {

// Presses `button` (an object with a click() slot) once the call asking for it has returned. A
// press through assistive technology comes inside the screen reader's call: a modal window opened
// there would keep the screen reader waiting until the window closed.
void pressLater(QObject *button);

// A control assistive technology presses, later (above): a picture or a tool bar button.
class AccessiblePressable : public QAccessibleWidget {
public:
    // `button` is what is pressed (`widget` itself when it has a click() slot); `key` is the key
    // that presses it too, when there is one.
    AccessiblePressable(QWidget *widget, QObject *button, const QKeySequence &key = {});

    QString text(QAccessible::Text t) const override;
    QStringList actionNames() const override;
    void doAction(const QString &action) override;
    QStringList keyBindingsForAction(const QString &action) const override;

private:
    QPointer<QObject> m_button;
    QKeySequence m_key;
};

// The text of a control as assistive technology reads it: `shownText()`, which need not be what the
// control holds (a password field's stars, a chooser's entry). Places on screen are not told.
class AccessibleShownText : public QAccessibleTextInterface {
public:
    virtual QString shownText() const = 0;

    QString text(int startOffset, int endOffset) const override;
    int characterCount() const override;
    QString attributes(int offset, int *startOffset, int *endOffset) const override;
    QRect characterRect(int) const override { return {}; }
    int offsetAtPoint(const QPoint &) const override { return -1; }
    void scrollToSubstring(int, int) override {}
};

// The role assistive technology is told for `widget` in place of its own (a frame of labels that
// is the window's status bar).
void setAccessibleRole(QWidget *widget, QAccessible::Role role);

// Tells assistive technology the new text of `notification` (a control given the notification
// role), as a notification appearing: screen readers speak it wherever the focus is.
void announce(QWidget *notification);

// Keeps `widget` out of what assistive technology is told of its window: a control of the design
// that nothing uses and that lies hidden under another.
void hideFromAssistiveTechnology(QWidget *widget);

// Installs the interfaces for the program's windows, tool bar buttons, menu items and the widgets
// given a role above. The application object calls it once.
void installAccessibleInterfaces();

}   // namespace txl::ui
