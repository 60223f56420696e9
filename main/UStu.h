#pragma once

#include "platform/ui/Form.h"

// The main window: the contact list and every command of the program.
class TForm1 : public txl::ui::Form {
    Q_OBJECT

public:
    TForm1();

    // The signed-in user name, copied from the login window when this window is shown.
    QString user;

protected:
    void FormShow() override;
};

extern TForm1 *Form1;
