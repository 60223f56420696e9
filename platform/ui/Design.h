#pragma once

#include <QPixmap>
#include <QPoint>
#include <QRect>
#include <QString>

class QFrame;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QWidget;

// What the windows' constructors build their designs from: controls at their design places, each
// with its design name, and a window's place in the middle of the screen.
namespace txl::ui {

// A group box whose frame runs through its caption, as the windows' designs place their controls
// for: the default style puts the caption above the frame, into the room of the top row.
QGroupBox *groupBox(QWidget *parent, const QString &name, const QString &caption,
                    const QRect &place);

// A caption whose top left corner is at `at`, sized to its text.
QLabel *label(QWidget *parent, const QString &name, const QString &caption, const QPoint &at);

// A text field.
QLineEdit *lineEdit(QWidget *parent, const QString &name, const QRect &place);

// A push button.
QPushButton *pushButton(QWidget *parent, const QString &name, const QString &caption, const QRect &place);

// A picture control; the picture sits in its top left corner unless `alignment` says otherwise.
QLabel *picture(QWidget *parent, const QString &name, const QRect &place, const QPixmap &pixmap = {},
                Qt::Alignment alignment = Qt::AlignLeft | Qt::AlignTop);

// A sunken horizontal line, two pixels high, as the designs separate their parts with.
QFrame *sunkenLine(QWidget *parent, const QString &name, const QRect &place);

// Moves a top-level window so that the whole of it, frame and title bar included, sits in the
// middle of its screen's available area.
void centreOnScreen(QWidget *window);

} // namespace txl::ui
