#pragma once

#include <QString>

#include <memory>

class QPrinter;

namespace txl::test {

// A printer that writes a PDF file at `path`.
std::unique_ptr<QPrinter> pdfPrinter(const QString &path);

// Makes the default printer one that writes a PDF file at `path`, until the test printer is
// removed (txl::print::printers::setTestPrinter({})).
void printIntoPdf(const QString &path);

}   // namespace txl::test
