#include "tests/support/PdfPrinter.h"

#include "platform/print/Printers.h"

#include <QPrinter>

namespace txl::test {

void printIntoPdf(const QString &path) {
    print::printers::setTestPrinter([path] {
        auto printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
        printer->setOutputFormat(QPrinter::PdfFormat);
        printer->setOutputFileName(path);
        return printer;
    });
}

} // namespace txl::test
