#pragma once

#include "platform/ui/Form.h"

// The contact dialog, for adding a contact and for changing the current one of the main list.
class TAdd : public txl::ui::Form {
    Q_OBJECT

public:
    TAdd();

    // The main window's two ways in: each creates the dialog, shows it modally and frees it.
    static void openForAdd();
    static void openForChange();
};

extern TAdd *Add;
