#include "accounts/UShezhi.h"

TShezhi *Shezhi = nullptr;

TShezhi::TShezhi() : Form(QStringLiteral("Shezhi")) {
    setWindowTitle(QStringLiteral("密码设置"));
    setClientSize(267, 205);
    setBorder(Border::None);
    centreOnScreen();
    runCreate();
}
