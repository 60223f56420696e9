#include "contacts/Unit3.h"

TAdd *Add = nullptr;

TAdd::TAdd() : Form(QStringLiteral("Add")) {
    setClientSize(424, 238);
    setBorder(Border::FixedSingle);
    centreOnScreen();
    runCreate();
}

void TAdd::openForAdd() {}

void TAdd::openForChange() {}
