#include "accounts/Uxt.h"

TForm4 *Form4 = nullptr;

TForm4::TForm4() : Form(QStringLiteral("Form4")) {
    setWindowTitle(QStringLiteral("系统设置"));
    setClientSize(235, 311);
    setBorder(Border::FixedSingle, true);
    centreOnScreen();
    runCreate();
}
