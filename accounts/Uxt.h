#pragma once

#include "platform/ui/Form.h"

// The account manager ("系统设置"), reachable by the administrator only.
class TForm4 : public txl::ui::Form {
    Q_OBJECT

public:
    TForm4();
};

extern TForm4 *Form4;
