#pragma once

class QLineEdit;

namespace txl::ui {

// Limits a field to `bytes` bytes of its text's GB18030 form. Typing or pasting past the limit is
// cut at a character boundary.
void setEntryLimit(QLineEdit *edit, int bytes);

}   // namespace txl::ui
