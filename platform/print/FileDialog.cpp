#include "platform/print/FileDialog.h"

#include <QFileDialog>

#include <optional>

namespace txl::print {

namespace {

std::optional<QString> &nextName() {
    static std::optional<QString> name;
    return name;
}

std::optional<QString> takeNextName() {
    std::optional<QString> name = nextName();
    nextName().reset();
    return name;
}

} // namespace

QString FileDialog::saveFileName(QWidget *parent, const QString &caption, const QString &filter) {
    if (std::optional<QString> name = takeNextName())
        return *name;
    return QFileDialog::getSaveFileName(parent, caption, QString(), filter);
}

QString FileDialog::openFileName(QWidget *parent, const QString &caption, const QString &filter) {
    if (std::optional<QString> name = takeNextName())
        return *name;
    return QFileDialog::getOpenFileName(parent, caption, QString(), filter);
}

void FileDialog::setNextFileName(const QString &name) {
    nextName() = name;
}

} // namespace txl::print
