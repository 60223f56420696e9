#pragma once

#include <QString>

class QWidget;

namespace txl::print {

// The file dialogs of the preview (save and load a report). Tests name the file the next dialog
// answers with, so no dialog ever waits for them.
class FileDialog {
public:
    // An empty result means the dialog was cancelled. `filters` may offer several (";;"-separated);
    // `selectedFilter`, when given, gets the one chosen.
    static QString saveFileName(QWidget *parent, const QString &caption, const QString &filters,
                                QString *selectedFilter = nullptr);
    static QString openFileName(QWidget *parent, const QString &caption, const QString &filter);

    // Test hook: the next dialog is not shown and answers `name` ("" = cancelled), chosen under
    // `selectedFilter`.
    static void setNextFileName(const QString &name, const QString &selectedFilter = {});
};

}   // namespace txl::print
