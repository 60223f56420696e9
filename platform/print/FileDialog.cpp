#include "platform/print/FileDialog.h"

#include <QFileDialog>

#include <optional>

namespace txl::print {

namespace {

std::optional<QString> &nextName() {
    static std::optional<QString> name;
    return name;
}

QString &nextFilter() {
    static QString filter;
    return filter;
}

std::optional<QString> takeNextName() {
    std::optional<QString> name = nextName();
    nextName().reset();
    return name;
}

}   // namespace

QString FileDialog::openFileName(QWidget *parent, const QString &caption, const QString &filter) {
    if (std::optional<QString> name = takeNextName())
        return *name;
    return QFileDialog::getOpenFileName(parent, caption, QString(), filter);
}

QString FileDialog::saveFileName(QWidget *parent, const QString &caption, const QString &filters,
                                 QString *selectedFilter) {
    if (std::optional<QString> name = takeNextName()) {
        if (selectedFilter != nullptr)
            *selectedFilter = nextFilter();
        return *name;
    }
    return QFileDialog::getSaveFileName(parent, caption, QString(), filters, selectedFilter);
}

void FileDialog::setNextFileName(const QString &name, const QString &selectedFilter) {
    nextName() = name;
    nextFilter() = selectedFilter;
}

}   // namespace txl::print
