#pragma once

#include <functional>
#include <memory>

class QPrintDialog;
class QPrinter;
class QWidget;

// The printers the system offers.
namespace txl::print::printers {

// Whether a default printer is selected (none on a system without printers).
bool haveDefault();
// A printer set up for the default printer; nullptr without one.
std::unique_ptr<QPrinter> makeDefault();
// The printer setup dialog for `printer` and a report of `pages` pages; true when it was accepted.
bool setUp(QPrinter &printer, int pages, QWidget *parent);
// That dialog, not yet shown. It prints nothing itself: its accept button says "OK". The range
// "Pages from … to" goes from 1 to `pages`.
std::unique_ptr<QPrintDialog> setupDialog(QPrinter &printer, int pages, QWidget *parent);

// Test hook: while set, the default printer is whatever `factory` makes (for instance a printer
// writing a PDF file), and the setup dialog is accepted without being shown. Empty = the system's.
void setTestPrinter(std::function<std::unique_ptr<QPrinter>()> factory);

}   // namespace txl::print::printers
