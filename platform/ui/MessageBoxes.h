#pragma once

#include <QString>
#include <QStringList>

#include <functional>

// The five kinds of box every message of the program is shown in. Each is modal and centred.
namespace txl::ui {

enum class BoxKind {
    Information,    // caption "Information", information icon, "OK" (or "&Yes"/"&No")
    Confirmation,   // caption "Confirm", question icon, "&Yes"/"&No"; Esc and close answer No
    Notice,         // caption "提示" or "错误", "OK", information icon unless told otherwise
    Plain,          // caption = application title, no icon, "OK"
    Error,          // default error report: caption = application title, stop icon, "OK"
};

enum class BoxIcon { None, Information, Question, Stop };
enum class Answer { Ok, Yes, No };

struct BoxRecord {
    BoxKind kind;
    QString caption;
    QString text;
    BoxIcon icon;
    QStringList buttons;   // as shown, e.g. {"&Yes", "&No"}
    Answer enterAnswer;    // what Enter answers
    Answer escapeAnswer;   // what Esc and the close box answer
};

void information(const QString &text);
Answer informationYesNo(const QString &text);
Answer confirm(const QString &text);
void notice(const QString &text, const QString &caption = QStringLiteral("提示"), bool withIcon = true);
void plainMessage(const QString &text);
// The default error report; appends a full stop when the last character sorts after ".".
void errorReport(const QString &message);
QString errorReportText(const QString &message);

// Test hook: while installed, no box is shown; each is passed to the answerer instead.
using Answerer = std::function<Answer(const BoxRecord &)>;
void setAnswerer(Answerer answerer);   // an empty function removes it

// Builds the record of a box without showing it (for tests of the designs).
BoxRecord describe(BoxKind kind, const QString &text, bool yesNo = false,
                   const QString &noticeCaption = QStringLiteral("提示"), bool withIcon = true);

}   // namespace txl::ui
