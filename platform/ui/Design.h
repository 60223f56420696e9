#pragma once

#include <QMargins>
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

// `widget` with its design name, at its design place.
template <class W>
W *placed(W *widget, const QString &name, const QRect &place) {
    widget->setObjectName(name);
    widget->setGeometry(place);
    return widget;
}

// A group box whose frame runs through its caption, as the windows' designs place their controls
// for: the default style puts the caption above the frame, into the room of the top row.
QGroupBox *groupBox(QWidget *parent, const QString &name, const QString &caption, const QRect &place);

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

// Names a field whose caption only a picture shows, for assistive technology: by its own name, and
// by a caption that is not drawn, for it to be labelled by (how a chooser is named on Linux).
void nameField(QWidget *field, const QString &caption);

// A panel of a status bar: its text inside a sunken, one-pixel bevel.
QLabel *statusPanel(QWidget *parent, const QString &name, const QRect &place);

// Keeps a top-level window in the middle of its screen's available area by the whole of it, frame
// and title bar included: it is placed now, each time the program shows it, and again when the
// window manager has framed it elsewhere (with another frame than expected, or where it was first).
void centreOnScreen(QWidget *window);

// The frame the window manager draws around `window` (title bar and borders): its own once it is
// framed, else that of another framed window of the program, else none. Before a window is first
// shown the window manager has not told its frame yet.
QMargins expectedFrame(const QWidget *window);

}   // namespace txl::ui
