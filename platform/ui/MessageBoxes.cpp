#include "platform/ui/MessageBoxes.h"

#include "platform/ui/Application.h"
#include "platform/ui/Design.h"

#include <QMessageBox>
#include <QPushButton>

#include <vector>

using namespace Qt::StringLiterals;

namespace txl::ui {

namespace {

Answerer &answerer() {
    static Answerer installed;
    return installed;
}

QString applicationTitle() {
    if (const Application *app = Application::instance())
        return app->title();
    return Application::titleFromExecutable(QCoreApplication::applicationFilePath());
}

QMessageBox::Icon boxIcon(BoxIcon icon) {
    switch (icon) {
    case BoxIcon::Information: return QMessageBox::Information;
    case BoxIcon::Question: return QMessageBox::Question;
    case BoxIcon::Stop: return QMessageBox::Critical;
    case BoxIcon::None: break;
    }
    return QMessageBox::NoIcon;
}

Answer answerOf(const QString &button) {
    if (button == u"&Yes")
        return Answer::Yes;
    if (button == u"&No")
        return Answer::No;
    return Answer::Ok;
}

// A message box that centres itself on the screen once it knows its final size.
class CentredBox : public QMessageBox {
protected:
    void showEvent(QShowEvent *event) override {
        QMessageBox::showEvent(event);
        centreOnScreen(this);
    }
};

// Shows the box modally, centred on the screen, and returns the answer given.
Answer show(const BoxRecord &record) {
    if (answerer())
        return answerer()(record);

    CentredBox box;
    box.setWindowTitle(record.caption);
    box.setText(record.text);
    box.setTextFormat(Qt::PlainText);
    box.setIcon(boxIcon(record.icon));
    box.setWindowModality(Qt::ApplicationModal);

    std::vector<std::pair<QPushButton *, Answer>> buttons;
    for (const QString &caption : record.buttons) {
        const Answer answer = answerOf(caption);
        QPushButton *button = box.addButton(
            caption, answer == Answer::No ? QMessageBox::NoRole
                                          : (answer == Answer::Yes ? QMessageBox::YesRole
                                                                   : QMessageBox::AcceptRole));
        buttons.emplace_back(button, answer);
    }
    for (const auto &[button, answer] : buttons) {
        if (answer == record.enterAnswer)
            box.setDefaultButton(button);
        if (answer == record.escapeAnswer)
            box.setEscapeButton(button);
    }

    box.exec();

    const QAbstractButton *clicked = box.clickedButton();
    for (const auto &[button, answer] : buttons) {
        if (button == clicked)
            return answer;
    }
    return record.escapeAnswer;   // closed without a button: the close box counts as Esc
}

} // namespace

BoxRecord describe(BoxKind kind, const QString &text, bool yesNo, const QString &noticeCaption,
                   bool withIcon) {
    const QStringList ok{u"OK"_s};
    const QStringList yesNoButtons{u"&Yes"_s, u"&No"_s};
    switch (kind) {
    case BoxKind::Information:
        if (yesNo)
            return {kind, u"Information"_s, text, BoxIcon::Information, yesNoButtons, Answer::Yes,
                    Answer::No};
        return {kind, u"Information"_s, text, BoxIcon::Information, ok, Answer::Ok, Answer::Ok};
    case BoxKind::Confirmation:
        return {kind, u"Confirm"_s, text, BoxIcon::Question, yesNoButtons, Answer::Yes, Answer::No};
    case BoxKind::Notice:
        return {kind, noticeCaption, text, withIcon ? BoxIcon::Information : BoxIcon::None, ok,
                Answer::Ok, Answer::Ok};
    case BoxKind::Plain:
        return {kind, applicationTitle(), text, BoxIcon::None, ok, Answer::Ok, Answer::Ok};
    case BoxKind::Error:
        return {kind, applicationTitle(), errorReportText(text), BoxIcon::Stop, ok, Answer::Ok,
                Answer::Ok};
    }
    return {kind, QString(), text, BoxIcon::None, ok, Answer::Ok, Answer::Ok};
}

void information(const QString &text) {
    show(describe(BoxKind::Information, text));
}

Answer informationYesNo(const QString &text) {
    return show(describe(BoxKind::Information, text, true));
}

Answer confirm(const QString &text) {
    return show(describe(BoxKind::Confirmation, text));
}

void notice(const QString &text, const QString &caption, bool withIcon) {
    show(describe(BoxKind::Notice, text, false, caption, withIcon));
}

void plainMessage(const QString &text) {
    show(describe(BoxKind::Plain, text));
}

void errorReport(const QString &message) {
    show(describe(BoxKind::Error, message));
}

QString errorReportText(const QString &message) {
    if (!message.isEmpty() && message.back() > u'.')
        return message + u'.';
    return message;
}

void setAnswerer(Answerer installed) {
    answerer() = std::move(installed);
}

} // namespace txl::ui
