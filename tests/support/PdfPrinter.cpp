#include "tests/support/PdfPrinter.h"

#include "platform/print/Printers.h"

#include <QPrinter>

namespace txl::test {

std::unique_ptr<QPrinter> pdfPrinter(const QString &path) {
    auto printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
    printer->setOutputFormat(QPrinter::PdfFormat);
    printer->setOutputFileName(path);
    return printer;
}

void printIntoPdf(const QString &path) {
    print::printers::setTestPrinter([path] { return pdfPrinter(path); });
}

}   // namespace txl::test
