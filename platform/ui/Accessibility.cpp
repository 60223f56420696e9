#include "platform/ui/Accessibility.h"

#include "platform/ui/Form.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QAction>
#include <QComboBox>
#include <QFocusFrame>
#include <QLabel>
#include <QMenu>
#include <QToolBar>
#include <QToolButton>

using namespace Qt::StringLiterals;

namespace txl::ui {

namespace {

const char RoleProperty[] = "txlAccessibleRole";
const char HiddenProperty[] = "txlHiddenFromAssistiveTechnology";

// A caption as it is spoken: without the mnemonic marks, and without the spaces that only pad
// Chinese characters apart ("计 算 器", "关    于"); spaces between words stay.
QString spokenCaption(const QString &caption) {
    QString text;
    for (qsizetype i = 0; i < caption.size(); ++i) {
        const QChar c = caption.at(i);
        if (c == u'&') {
            if (i + 1 < caption.size() && caption.at(i + 1) == u'&')
                text += caption.at(++i);
            continue;
        }
        text += c;
    }
    text = text.simplified();
    QString spoken;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const bool padding = text.at(i) == u' ' && i > 0 && i + 1 < text.size() &&
                             text.at(i - 1).script() == QChar::Script_Han &&
                             text.at(i + 1).script() == QChar::Script_Han;
        if (!padding)
            spoken += text.at(i);
    }
    return spoken;
}

// A window: a window or, while it is shown modally, a dialog; named by its title (or by the
// accessible name of a window that has no title bar to show one). Controls hidden from assistive
// technology are left out of its children.
class AccessibleForm : public QAccessibleWidget {
public:
    explicit AccessibleForm(Form *form) : QAccessibleWidget(form, QAccessible::Window) {}

    QAccessible::Role role() const override {
        return widget()->windowModality() != Qt::NonModal ? QAccessible::Dialog : QAccessible::Window;
    }

    int childCount() const override { return static_cast<int>(exposedChildren().size()); }

    QAccessibleInterface *child(int index) const override {
        const QList<QWidget *> children = exposedChildren();
        return index >= 0 && index < children.size() ? QAccessible::queryAccessibleInterface(children.at(index))
                                                     : nullptr;
    }

    int indexOfChild(const QAccessibleInterface *child) const override {
        if (child == nullptr)
            return -1;
        return static_cast<int>(exposedChildren().indexOf(qobject_cast<QWidget *>(child->object())));
    }

    QAccessibleInterface *childAt(int x, int y) const override {
        for (QWidget *w : exposedChildren()) {
            if (w->isVisible() && QRect(w->mapToGlobal(QPoint(0, 0)), w->size()).contains(x, y))
                return QAccessible::queryAccessibleInterface(w);
        }
        return nullptr;
    }

private:
    // The widgets the toolkit would list, less the hidden ones.
    QList<QWidget *> exposedChildren() const {
        QList<QWidget *> children;
        for (QObject *o : widget()->children()) {
            auto *w = qobject_cast<QWidget *>(o);
            if (w == nullptr || w->isWindow() || qobject_cast<QFocusFrame *>(w) != nullptr ||
                qobject_cast<QMenu *>(w) != nullptr || w->property(HiddenProperty).toBool())
                continue;
            children.append(w);
        }
        return children;
    }
};

// A drop-down list (no typing): named by its current entry, labelled by its caption, showing that
// entry as its text, selected whole (where screen readers read a chooser's value), and telling a
// change of entry as a change of value and as the new entry replacing the old in its text, which
// screen readers speak for the control in focus.
class AccessibleChooser : public QAccessibleWidget, public QAccessibleValueInterface, public AccessibleShownText {
public:
    explicit AccessibleChooser(QComboBox *chooser) : QAccessibleWidget(chooser, QAccessible::ComboBox) {
        QObject::connect(chooser, &QComboBox::currentTextChanged, chooser,
                         [chooser, shown = chooser->currentText()](const QString &now) mutable {
                             // The new entry goes in before the old one goes: it is what is heard.
                             QAccessibleTextInsertEvent come(chooser, 0, now);
                             QAccessible::updateAccessibility(&come);
                             QAccessibleTextRemoveEvent gone(chooser, static_cast<int>(now.size()), shown);
                             QAccessible::updateAccessibility(&gone);
                             shown = now;
                         });
    }

    void *interface_cast(QAccessible::InterfaceType t) override {
        if (t == QAccessible::ValueInterface)
            return static_cast<QAccessibleValueInterface *>(this);
        if (t == QAccessible::TextInterface)
            return static_cast<QAccessibleTextInterface *>(this);
        return QAccessibleWidget::interface_cast(t);
    }

    QString text(QAccessible::Text t) const override {
        if (t == QAccessible::Name || t == QAccessible::Value)
            return chooser()->currentText();
        return QAccessibleWidget::text(t);
    }

    QAccessible::State state() const override {
        QAccessible::State s = QAccessibleWidget::state();
        s.expandable = true;
        s.expanded = chooser()->view()->isVisible();
        s.collapsed = !s.expanded;
        return s;
    }

    // The entries are read from the drop-down list once it is open (a window of its own).
    int childCount() const override { return 0; }
    QAccessibleInterface *child(int) const override { return nullptr; }
    int indexOfChild(const QAccessibleInterface *) const override { return -1; }

    QStringList actionNames() const override { return {showMenuAction()}; }
    void doAction(const QString &action) override {
        if (action == showMenuAction() && chooser()->isEnabled())
            QMetaObject::invokeMethod(
                chooser(), [c = chooser()] { c->showPopup(); }, Qt::QueuedConnection);
    }

    // --- the value: the entry's place in the list
    QVariant currentValue() const override { return chooser()->currentIndex(); }
    void setCurrentValue(const QVariant &value) override { chooser()->setCurrentIndex(value.toInt()); }
    QVariant maximumValue() const override { return std::max(0, chooser()->count() - 1); }
    QVariant minimumValue() const override { return 0; }
    QVariant minimumStepSize() const override { return 1; }

    // --- the text: the entry shown, read only, selected whole
    using AccessibleShownText::text;
    QString shownText() const override { return chooser()->currentText(); }
    int cursorPosition() const override { return 0; }
    void setCursorPosition(int) override {}
    int selectionCount() const override { return characterCount() > 0 ? 1 : 0; }
    void selection(int, int *startOffset, int *endOffset) const override {
        *startOffset = 0;
        *endOffset = characterCount();
    }
    void addSelection(int, int) override {}
    void removeSelection(int) override {}
    void setSelection(int, int, int) override {}

private:
    QComboBox *chooser() const { return static_cast<QComboBox *>(widget()); }
};

// An entry of a pop-up menu, spoken without the spaces that pad its caption, and pressed later.
class AccessibleMenuItem : public QAccessibleInterface, public QAccessibleActionInterface {
public:
    explicit AccessibleMenuItem(QAction *action) : m_action(action) {}

    bool isValid() const override { return m_action != nullptr && menu() != nullptr; }
    QObject *object() const override { return m_action; }
    QWindow *window() const override { return menu() != nullptr ? menu()->window()->windowHandle() : nullptr; }
    QAccessibleInterface *childAt(int, int) const override { return nullptr; }
    QAccessibleInterface *parent() const override { return QAccessible::queryAccessibleInterface(menu()); }
    QAccessibleInterface *child(int) const override { return nullptr; }
    int childCount() const override { return 0; }
    int indexOfChild(const QAccessibleInterface *) const override { return -1; }
    void setText(QAccessible::Text, const QString &) override {}

    QString text(QAccessible::Text t) const override {
        if (t == QAccessible::Name)
            return spokenCaption(m_action->text());
        if (t == QAccessible::Accelerator)
            return m_action->shortcut().toString(QKeySequence::NativeText);
        return {};
    }

    QRect rect() const override {
        QMenu *m = menu();
        if (m == nullptr)
            return {};
        const QRect r = m->actionGeometry(m_action);
        return {m->mapToGlobal(r.topLeft()), r.size()};
    }

    QAccessible::Role role() const override {
        return m_action->isSeparator() ? QAccessible::Separator : QAccessible::MenuItem;
    }

    QAccessible::State state() const override {
        QAccessible::State s;
        QMenu *m = menu();
        s.disabled = !m_action->isEnabled();
        s.invisible = m == nullptr || !m->isVisible() || !m_action->isVisible();
        s.focusable = !m_action->isSeparator();
        s.focused = m != nullptr && m->activeAction() == m_action;
        s.selected = s.focused;
        s.checkable = m_action->isCheckable();
        s.checked = m_action->isChecked();
        s.hasPopup = m_action->menu() != nullptr;
        return s;
    }

    void *interface_cast(QAccessible::InterfaceType t) override {
        return t == QAccessible::ActionInterface ? static_cast<QAccessibleActionInterface *>(this) : nullptr;
    }

    QStringList actionNames() const override {
        return m_action->isSeparator() ? QStringList() : QStringList{pressAction()};
    }

    void doAction(const QString &action) override {
        if (action != pressAction() || !m_action->isEnabled() || m_action->isSeparator())
            return;
        if (QMenu *m = menu())
            m->hide();
        QMetaObject::invokeMethod(m_action, "trigger", Qt::QueuedConnection);
    }

    QStringList keyBindingsForAction(const QString &) const override {
        const QKeySequence key = m_action->shortcut();
        return key.isEmpty() ? QStringList() : QStringList{key.toString(QKeySequence::NativeText)};
    }

private:
    QMenu *menu() const {
        if (m_action == nullptr)
            return nullptr;
        for (QObject *o : m_action->associatedObjects()) {
            if (auto *m = qobject_cast<QMenu *>(o))
                return m;
        }
        return nullptr;
    }

    QPointer<QAction> m_action;
};

// A widget given a role of its own; a caption keeps its text as its name.
class AccessibleRoled : public QAccessibleWidget {
public:
    AccessibleRoled(QWidget *widget, QAccessible::Role role) : QAccessibleWidget(widget, role) {}

    QString text(QAccessible::Text t) const override {
        QString s = QAccessibleWidget::text(t);
        if (t == QAccessible::Name && s.isEmpty()) {
            if (auto *caption = qobject_cast<QLabel *>(widget()))
                s = caption->text();
        }
        return s;
    }
};

QAccessibleInterface *accessibleInterface(const QString &className, QObject *object) {
    if (auto *widget = qobject_cast<QWidget *>(object)) {
        if (const QVariant role = widget->property(RoleProperty); role.isValid())
            return new AccessibleRoled(widget, static_cast<QAccessible::Role>(role.toInt()));
    }
    if (className == u"txl::ui::Form") {
        if (auto *form = qobject_cast<Form *>(object))
            return new AccessibleForm(form);
    } else if (className == u"QToolButton") {
        auto *button = qobject_cast<QToolButton *>(object);
        if (button != nullptr && qobject_cast<QToolBar *>(button->parentWidget()) != nullptr)
            return new AccessiblePressable(button, button, button->shortcut());
    } else if (className == u"QComboBox") {
        auto *chooser = qobject_cast<QComboBox *>(object);
        if (chooser != nullptr && !chooser->isEditable())
            return new AccessibleChooser(chooser);
    } else if (className == u"QAction") {
        auto *action = qobject_cast<QAction *>(object);
        if (action != nullptr) {
            for (QObject *o : action->associatedObjects()) {
                if (qobject_cast<QMenu *>(o) != nullptr)
                    return new AccessibleMenuItem(action);
            }
        }
    }
    return nullptr;
}

}   // namespace

QString AccessibleShownText::text(int startOffset, int endOffset) const {
    return startOffset <= endOffset ? shownText().mid(startOffset, endOffset - startOffset) : QString();
}

int AccessibleShownText::characterCount() const {
    return static_cast<int>(shownText().size());
}

QString AccessibleShownText::attributes(int offset, int *startOffset, int *endOffset) const {
    *startOffset = *endOffset = offset;
    return {};
}

void pressLater(QObject *button) {
    QMetaObject::invokeMethod(button, "click", Qt::QueuedConnection);
}

AccessiblePressable::AccessiblePressable(QWidget *widget, QObject *button, const QKeySequence &key)
    : QAccessibleWidget(widget, QAccessible::Button),
      m_button(button),
      m_key(key) {}

QString AccessiblePressable::text(QAccessible::Text t) const {
    QString s = QAccessibleWidget::text(t);
    if (!s.isEmpty())
        return s;
    if (t == QAccessible::Name) {
        if (auto *b = qobject_cast<QAbstractButton *>(widget()))
            s = spokenCaption(b->text());
    } else if (t == QAccessible::Accelerator) {
        s = m_key.toString(QKeySequence::NativeText);
    }
    return s;
}

QStringList AccessiblePressable::actionNames() const {
    return {pressAction()};
}

void AccessiblePressable::doAction(const QString &action) {
    if (action == pressAction() && m_button != nullptr && widget()->isEnabled())
        pressLater(m_button);
}

QStringList AccessiblePressable::keyBindingsForAction(const QString &action) const {
    if (action != pressAction() || m_key.isEmpty())
        return {};
    return {m_key.toString(QKeySequence::NativeText)};
}

void setAccessibleRole(QWidget *widget, QAccessible::Role role) {
    widget->setProperty(RoleProperty, static_cast<int>(role));
}

void announce(QWidget *notification) {
    QAccessibleEvent gone(notification, QAccessible::ObjectHide);
    QAccessible::updateAccessibility(&gone);
    QAccessibleEvent shown(notification, QAccessible::ObjectShow);
    QAccessible::updateAccessibility(&shown);
}

void hideFromAssistiveTechnology(QWidget *widget) {
    widget->setProperty(HiddenProperty, true);
}

void installAccessibleInterfaces() {
    QAccessible::installFactory(accessibleInterface);
}

}   // namespace txl::ui
