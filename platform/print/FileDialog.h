#pragma once

#include <QString>

class QWidget;

namespace txl::print {

// The program's file dialogs (a report, an import, an export, a calendar). Each starts in the
// folder last used for its `purpose` (remembered across runs), else in the user's documents; a
// save dialog puts the extension of the chosen kind on a name typed without one before it asks
// about replacing a file. Tests name the file the next dialog answers with, so no dialog ever
// waits for them.
class FileDialog {
public:
    // An empty result means the dialog was cancelled. `filters` may offer several (";;"-separated);
    // `selectedFilter`, when given, gets the one chosen.
    static QString saveFileName(QWidget *parent, const QString &caption, const QString &filters,
                                QString *selectedFilter = nullptr, const QString &purpose = {});
    static QString openFileName(QWidget *parent, const QString &caption, const QString &filter,
                                const QString &purpose = {});

    // Test hook: the next dialog is not shown and answers `name` ("" = cancelled), chosen under
    // `selectedFilter`.
    static void setNextFileName(const QString &name, const QString &selectedFilter = {});
};

}   // namespace txl::print
