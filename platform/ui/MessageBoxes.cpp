#include "platform/ui/MessageBoxes.h"

#include "platform/ui/Application.h"
#include "platform/ui/Design.h"

#include <QDialogButtonBox>
#include <QFontDatabase>
#include <QGridLayout>
#include <QMessageBox>
#include <QPushButton>

#include <algorithm>

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
    case BoxIcon::Information:
        return QMessageBox::Information;
    case BoxIcon::Question:
        return QMessageBox::Question;
    case BoxIcon::Stop:
        return QMessageBox::Critical;
    case BoxIcon::None:
        break;
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

// The width a title bar needs to show `caption` whole: the caption in the bold face window managers
// draw titles in, and beside it the bar's icon and its buttons (minimise, maximise, close) with their
// spacing, each about as wide as the bar is high.
int captionRoom(const QWidget *box, const QString &caption) {
    QFont font = QFontDatabase::systemFont(QFontDatabase::TitleFont);
    font.setBold(true);
    const QFontMetrics metrics(font);
    const int bar = std::max(metrics.height() + 6, expectedFrame(box).top());
    return metrics.horizontalAdvance(caption) + 5 * bar;
}

// A message box that is as wide as its caption needs, like the system's (sized to its text alone,
// a box shows "Inf…" or nothing of its caption), and sits in the middle of the screen.
class CaptionedBox : public QMessageBox {
public:
    // Call once the box has its caption, text, icon and buttons.
    void makeRoomForCaption() {
        // The box sizes itself to its layout whenever that changes: a row as wide as the caption
        // needs, under the buttons, keeps it at least that wide.
        auto *grid = qobject_cast<QGridLayout *>(layout());
        auto *buttons = findChild<QDialogButtonBox *>();
        if (grid == nullptr || buttons == nullptr)
            return;
        int row = 0, column = 0, rows = 0, columns = 0;
        grid->getItemPosition(grid->indexOf(buttons), &row, &column, &rows, &columns);
        const QMargins margins = grid->contentsMargins();
        const int width = captionRoom(this, windowTitle()) - margins.left() - margins.right();
        grid->addItem(new QSpacerItem(width, 0, QSizePolicy::Fixed, QSizePolicy::Minimum), row, 0, rows,
                      grid->columnCount());
        // Placed by this box once it knows its size, not by the dialog's own guess.
        setAttribute(Qt::WA_Moved);
    }

protected:
    void showEvent(QShowEvent *event) override {
        QMessageBox::showEvent(event);   // sizes the box
        centreOnScreen(this);
    }
};

// Shows the box modally, centred on the screen, and returns the answer given.
Answer show(const BoxRecord &record) {
    if (answerer())
        return answerer()(record);

    CaptionedBox box;
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
                                          : (answer == Answer::Yes ? QMessageBox::YesRole : QMessageBox::AcceptRole));
        buttons.emplace_back(button, answer);
    }
    for (const auto &[button, answer] : buttons) {
        if (answer == record.enterAnswer)
            box.setDefaultButton(button);
        if (answer == record.escapeAnswer)
            box.setEscapeButton(button);
    }

    box.makeRoomForCaption();
    box.exec();

    const QAbstractButton *clicked = box.clickedButton();
    for (const auto &[button, answer] : buttons) {
        if (button == clicked)
            return answer;
    }
    return record.escapeAnswer;   // closed without a button: the close box counts as Esc
}

}   // namespace

BoxRecord describe(BoxKind kind, const QString &text, bool yesNo, const QString &noticeCaption, bool withIcon) {
    const QStringList ok{u"OK"_s};
    const QStringList yesNoButtons{u"&Yes"_s, u"&No"_s};
    switch (kind) {
    case BoxKind::Information:
        if (yesNo)
            return {kind, u"Information"_s, text, BoxIcon::Information, yesNoButtons, Answer::Yes, Answer::No};
        return {kind, u"Information"_s, text, BoxIcon::Information, ok, Answer::Ok, Answer::Ok};
    case BoxKind::Confirmation:
        return {kind, u"Confirm"_s, text, BoxIcon::Question, yesNoButtons, Answer::Yes, Answer::No};
    case BoxKind::Notice:
        return {kind, noticeCaption, text, withIcon ? BoxIcon::Information : BoxIcon::None, ok, Answer::Ok, Answer::Ok};
    case BoxKind::Plain:
        return {kind, applicationTitle(), text, BoxIcon::None, ok, Answer::Ok, Answer::Ok};
    case BoxKind::Error:
        return {kind, applicationTitle(), errorReportText(text), BoxIcon::Stop, ok, Answer::Ok, Answer::Ok};
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

}   // namespace txl::ui
