#include "platform/ui/PasswordEcho.h"

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

}   // namespace

void echoStars(QLineEdit *field) {
    auto *style = new StarEchoStyle;
    style->setParent(field);   // freed with the field
    field->setStyle(style);
    field->setEchoMode(QLineEdit::Password);
}

}   // namespace txl::ui
