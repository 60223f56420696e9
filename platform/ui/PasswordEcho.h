#pragma once

class QLineEdit;

namespace txl::ui {

// Password fields show one "*" for every character typed (the platform's own echo is a bullet),
// and assistive technology hears them as password fields holding those stars: neither what it
// reads of the field nor the changes it is told of while the user types carry a character of the
// password.
void echoStars(QLineEdit *field);

}   // namespace txl::ui
