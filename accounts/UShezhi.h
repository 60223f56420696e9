#pragma once

#include "platform/ui/Form.h"

// The password window ("密码设置"): the signed-in user sets a new password.
class TShezhi : public txl::ui::Form {
    Q_OBJECT

public:
    TShezhi();
};

extern TShezhi *Shezhi;
