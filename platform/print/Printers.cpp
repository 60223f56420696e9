#include "platform/print/Printers.h"

#include <QDialogButtonBox>
#include <QPrintDialog>
#include <QPrinter>
#include <QPrinterInfo>
#include <QPushButton>

#include <algorithm>

namespace txl::print::printers {

namespace {

std::function<std::unique_ptr<QPrinter>()> &testPrinter() {
    static std::function<std::unique_ptr<QPrinter>()> factory;
    return factory;
}

}   // namespace

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

std::unique_ptr<QPrintDialog> setupDialog(QPrinter &printer, int pages, QWidget *parent) {
    auto dialog = std::make_unique<QPrintDialog>(&printer, parent);
    dialog->setWindowTitle(QStringLiteral("Print Setup"));
    dialog->setMinMax(1, std::max(1, pages));
    // The dialog only chooses; printing is the preview's own command.
    if (auto *buttons = dialog->findChild<QDialogButtonBox *>()) {
        if (QPushButton *accept = buttons->button(QDialogButtonBox::Ok))
            accept->setText(QStringLiteral("OK"));
    }
    return dialog;
}

bool setUp(QPrinter &printer, int pages, QWidget *parent) {
    if (testPrinter())
        return true;
    return setupDialog(printer, pages, parent)->exec() == QDialog::Accepted;
}

void setTestPrinter(std::function<std::unique_ptr<QPrinter>()> factory) {
    testPrinter() = std::move(factory);
}

}   // namespace txl::print::printers
