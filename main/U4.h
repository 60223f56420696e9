#pragma once

#include "platform/ui/Form.h"

class QLabel;

// The about window: the program's title picture, borderless; any click closes it.
class TAbout : public txl::ui::Form {
    Q_OBJECT

public:
    TAbout();

    QLabel *Image1;   // the title picture

    void Image1Click();
    void FormClick();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
};

extern TAbout *About;
