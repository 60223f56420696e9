#include "main/UStu.h"

#include "signin/Ulogin.h"

TForm1 *Form1 = nullptr;

TForm1::TForm1() : Form(QStringLiteral("Form1")) {
    setClientSize(704, 511);
    setBorder(Border::FixedSingle, true);
    centreOnScreen();
    runCreate();
}

void TForm1::FormShow() {
    user = Form2 ? Form2->signedInUser() : QString();
    setWindowTitle(user + QStringLiteral("的同学录"));
}
