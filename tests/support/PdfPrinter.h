#pragma once

#include <QString>

namespace txl::test {

// Makes the default printer one that writes a PDF file at `path`, until the test printer is
// removed (txl::print::printers::setTestPrinter({})).
void printIntoPdf(const QString &path);

} // namespace txl::test
