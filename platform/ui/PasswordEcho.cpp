#include "platform/ui/PasswordEcho.h"

#include "platform/ui/Accessibility.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QApplication>
#include <QLineEdit>
#include <QProxyStyle>
#include <QStyleFactory>

namespace txl::ui {

namespace {

// Draws like the application's style in every other respect.
class StarEchoStyle : public QProxyStyle {
public:
    StarEchoStyle() : QProxyStyle(QStyleFactory::create(QApplication::style()->name())) {}

    int styleHint(StyleHint hint, const QStyleOption *option, const QWidget *widget,
                  QStyleHintReturn *returnData) const override {
        if (hint == SH_LineEdit_PasswordCharacter)
            return u'*';
        return QProxyStyle::styleHint(hint, option, widget, returnData);
    }
};

bool hidesText(const QObject *object) {
    const auto *field = qobject_cast<const QLineEdit *>(object);
    return field != nullptr && field->echoMode() != QLineEdit::Normal;
}

// What the field shows for a text of `length` characters.
QString stars(qsizetype length) {
    return QString(length, u'*');
}

// A field that hides what is typed, as assistive technology reads it: its text is the stars it
// shows, and it is a password field.
class AccessiblePasswordField : public QAccessibleWidget, public AccessibleShownText {
public:
    explicit AccessiblePasswordField(QLineEdit *field) : QAccessibleWidget(field, QAccessible::EditableText) {}

    void *interface_cast(QAccessible::InterfaceType t) override {
        if (t == QAccessible::TextInterface)
            return static_cast<QAccessibleTextInterface *>(this);
        return QAccessibleWidget::interface_cast(t);
    }

    QString text(QAccessible::Text t) const override {
        if (t == QAccessible::Value)
            return shownText();
        return QAccessibleWidget::text(t);
    }

    QAccessible::State state() const override {
        QAccessible::State s = QAccessibleWidget::state();
        s.editable = !field()->isReadOnly();
        s.readOnly = field()->isReadOnly();
        s.passwordEdit = true;
        s.selectableText = true;
        return s;
    }

    // --- the text, as shown
    using AccessibleShownText::text;
    QString shownText() const override { return stars(field()->text().size()); }
    int cursorPosition() const override { return field()->cursorPosition(); }
    void setCursorPosition(int position) override { field()->setCursorPosition(position); }
    int selectionCount() const override { return field()->hasSelectedText() ? 1 : 0; }
    void selection(int index, int *startOffset, int *endOffset) const override {
        *startOffset = *endOffset = 0;
        if (index == 0 && field()->hasSelectedText()) {
            *startOffset = field()->selectionStart();
            *endOffset = *startOffset + field()->selectionLength();
        }
    }
    void addSelection(int startOffset, int endOffset) override { setSelection(0, startOffset, endOffset); }
    void removeSelection(int) override { field()->deselect(); }
    void setSelection(int, int startOffset, int endOffset) override {
        field()->setSelection(startOffset, endOffset - startOffset);
    }

private:
    QLineEdit *field() const { return static_cast<QLineEdit *>(widget()); }
};

QAccessibleInterface *accessiblePasswordField(const QString &className, QObject *object) {
    if (className == u"QLineEdit" && hidesText(object))
        return new AccessiblePasswordField(static_cast<QLineEdit *>(object));
    return nullptr;
}

// The toolkit tells assistive technology every text change of a field with the characters that
// went in or out, also in a password field. Text changes of such fields go on with stars instead;
// every other event goes on as it came.
QAccessible::UpdateHandler previousHandler = nullptr;

void maskPasswordText(QAccessibleEvent *event);

void forward(QAccessibleEvent *event) {
    if (previousHandler != nullptr) {
        previousHandler(event);
        return;
    }
    // The toolkit has applied a table's model change before handing the event over, and its
    // platform bridge tells nothing of it; sent again, the change would be applied twice.
    if (event->type() == QAccessible::TableModelChanged)
        return;
    QAccessible::installUpdateHandler(nullptr);
    QAccessible::updateAccessibility(event);
    QAccessible::installUpdateHandler(maskPasswordText);
}

void maskPasswordText(QAccessibleEvent *event) {
    if (!hidesText(event->object())) {
        forward(event);
        return;
    }
    QObject *field = event->object();
    switch (event->type()) {
    case QAccessible::TextInserted: {
        const auto *e = static_cast<QAccessibleTextInsertEvent *>(event);
        QAccessibleTextInsertEvent masked(field, e->changePosition(), stars(e->textInserted().size()));
        masked.setCursorPosition(e->cursorPosition());
        forward(&masked);
        break;
    }
    case QAccessible::TextRemoved: {
        const auto *e = static_cast<QAccessibleTextRemoveEvent *>(event);
        QAccessibleTextRemoveEvent masked(field, e->changePosition(), stars(e->textRemoved().size()));
        masked.setCursorPosition(e->cursorPosition());
        forward(&masked);
        break;
    }
    case QAccessible::TextUpdated: {
        const auto *e = static_cast<QAccessibleTextUpdateEvent *>(event);
        QAccessibleTextUpdateEvent masked(field, e->changePosition(), stars(e->textRemoved().size()),
                                          stars(e->textInserted().size()));
        masked.setCursorPosition(e->cursorPosition());
        forward(&masked);
        break;
    }
    default:
        forward(event);
        break;
    }
}

}   // namespace

void echoStars(QLineEdit *field) {
    // From the first password field on, for as long as the program runs.
    static const bool masking = [] {
        QAccessible::installFactory(accessiblePasswordField);
        previousHandler = QAccessible::installUpdateHandler(maskPasswordText);
        return true;
    }();
    Q_UNUSED(masking);

    auto *style = new StarEchoStyle;
    style->setParent(field);   // freed with the field
    field->setStyle(style);
    field->setEchoMode(QLineEdit::Password);
    // An interface made while the field still showed its text would go on telling it.
    if (QAccessible::isActive()) {
        QAccessibleInterface *heard = QAccessible::queryAccessibleInterface(field);
        if (heard != nullptr && dynamic_cast<AccessiblePasswordField *>(heard) == nullptr)
            QAccessible::deleteAccessibleInterface(QAccessible::uniqueId(heard));
    }
}

}   // namespace txl::ui
