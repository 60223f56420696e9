#pragma once

class QLineEdit;

namespace txl::ui {

// Password fields show one "*" for every character typed (the platform's own echo is a bullet).
void echoStars(QLineEdit *field);

}   // namespace txl::ui
