#pragma once

#include <QRect>
#include <QString>

class QGroupBox;
class QWidget;

namespace txl::ui {

// A group box whose frame runs through its caption, as the windows' designs place their controls
// for: the default style puts the caption above the frame, into the room of the top row.
QGroupBox *groupBox(QWidget *parent, const QString &name, const QString &caption,
                    const QRect &place);

} // namespace txl::ui
