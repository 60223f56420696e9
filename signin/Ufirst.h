#pragma once

#include "platform/ui/Form.h"

#include <functional>

class QLabel;
class QTimer;

// The loading window between a successful sign-in and the main window.
class TFirst : public txl::ui::Form {
    Q_OBJECT

public:
    TFirst();

    QLabel *Image1;   // the title picture
    QLabel *Label1;   // "正在加载中："
    QLabel *Label2;   // the dots
    QTimer *Timer1;

    // One tick of the loading animation; the sixth tick of the run closes the window.
    void Timer1Timer();
    // Ticks counted since the program started; never reset.
    static int ticks() { return s_ticks; }

    // What the close handler reports to: the program's start-up installs its hand-over to the
    // main window here.
    static inline std::function<void()> onLoadingFinished;

protected:
    void FormShow() override;
    void FormClose() override;

private:
    static int s_ticks;
};

extern TFirst *First;
