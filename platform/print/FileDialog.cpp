#include "platform/print/FileDialog.h"

#include <QDir>
#include <QFileDialog>
#include <QRegularExpression>
#include <QSettings>
#include <QStandardPaths>

#include <optional>

using namespace Qt::StringLiterals;

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

// The user's settings: ${XDG_CONFIG_HOME:-~/.config}/txl/txl.conf.
QSettings settings() {
    return QSettings(QSettings::IniFormat, QSettings::UserScope, u"txl"_s, u"txl"_s);
}

// Where a dialog for `purpose` starts: the folder last used for it, else the user's documents
// (never the program's own folder beside the book).
QString startFolder(const QString &purpose) {
    const QString last = purpose.isEmpty() ? QString() : settings().value(u"folders/"_s + purpose).toString();
    if (!last.isEmpty() && QDir(last).exists())
        return last;
    const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    return QDir(documents).exists() ? documents : QDir::homePath();
}

void remember(const QString &purpose, const QString &file) {
    if (!purpose.isEmpty() && !file.isEmpty())
        settings().setValue(u"folders/"_s + purpose, QFileInfo(file).absolutePath());
}

// "Excel 工作簿 (*.xlsx)" → "xlsx"; "" when the filter names no one extension.
QString suffixOf(const QString &filter) {
    static const QRegularExpression pattern(u"\\(\\*\\.(\\w+)\\)"_s);
    return pattern.match(filter).captured(1);
}

}   // namespace

QString FileDialog::openFileName(QWidget *parent, const QString &caption, const QString &filter,
                                 const QString &purpose) {
    if (std::optional<QString> name = takeNextName())
        return *name;
    const QString name = QFileDialog::getOpenFileName(parent, caption, startFolder(purpose), filter);
    remember(purpose, name);
    return name;
}

QString FileDialog::saveFileName(QWidget *parent, const QString &caption, const QString &filters,
                                 QString *selectedFilter, const QString &purpose) {
    if (std::optional<QString> name = takeNextName()) {
        if (selectedFilter != nullptr)
            *selectedFilter = nextFilter();
        return *name;
    }
    QFileDialog dialog(parent, caption, startFolder(purpose), filters);
    dialog.setObjectName(u"SaveFileDialog"_s);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    // The extension of the chosen kind goes on a name typed without one before the dialog looks
    // for a file of that name: replacing zhou.xlsx is asked about when "zhou" is typed.
    const QString first = filters.section(u";;"_s, 0, 0);
    const QString chosen = selectedFilter != nullptr && !selectedFilter->isEmpty() ? *selectedFilter : first;
    dialog.selectNameFilter(chosen);
    dialog.setDefaultSuffix(suffixOf(chosen));
    QObject::connect(&dialog, &QFileDialog::filterSelected, &dialog,
                     [&dialog](const QString &filter) { dialog.setDefaultSuffix(suffixOf(filter)); });
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    const QString name = dialog.selectedFiles().first();
    if (selectedFilter != nullptr)
        *selectedFilter = dialog.selectedNameFilter();
    remember(purpose, name);
    return name;
}

void FileDialog::setNextFileName(const QString &name, const QString &selectedFilter) {
    nextName() = name;
    nextFilter() = selectedFilter;
}

}   // namespace txl::print
