#include "platform/print/Printers.h"

#include <QPrintDialog>
#include <QPrinter>
#include <QPrinterInfo>

namespace txl::print::printers {

namespace {

std::function<std::unique_ptr<QPrinter>()> &testPrinter() {
    static std::function<std::unique_ptr<QPrinter>()> factory;
    return factory;
}

} // namespace

bool haveDefault() {
    if (testPrinter())
        return true;
    return !QPrinterInfo::defaultPrinter().isNull();
}

std::unique_ptr<QPrinter> makeDefault() {
    if (testPrinter())
        return testPrinter()();
    const QPrinterInfo info = QPrinterInfo::defaultPrinter();
    if (info.isNull())
        return nullptr;
    return std::make_unique<QPrinter>(info, QPrinter::HighResolution);
}

bool setUp(QPrinter &printer, QWidget *parent) {
    if (testPrinter())
        return true;
    QPrintDialog dialog(&printer, parent);
    dialog.setWindowTitle(QStringLiteral("Print Setup"));
    return dialog.exec() == QDialog::Accepted;
}

void setTestPrinter(std::function<std::unique_ptr<QPrinter>()> factory) {
    testPrinter() = std::move(factory);
}

} // namespace txl::print::printers
