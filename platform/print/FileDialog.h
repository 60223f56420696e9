#pragma once

#include <QString>

class QWidget;

namespace txl::print {

// The file dialogs of the preview (save and load a report). Tests name the file the next dialog
// answers with, so no dialog ever waits for them.
class FileDialog {
public:
    // An empty result means the dialog was cancelled.
    static QString saveFileName(QWidget *parent, const QString &caption, const QString &filter);
    static QString openFileName(QWidget *parent, const QString &caption, const QString &filter);
    // A save dialog offering several filters (";;"-separated); `selectedFilter` gets the one chosen.
    static QString saveFileName(QWidget *parent, const QString &caption, const QString &filters,
                                QString *selectedFilter);

    // Test hook: the next dialog is not shown and answers `name` ("" = cancelled).
    static void setNextFileName(const QString &name);
    // The same, and the filter it was chosen under.
    static void setNextFileName(const QString &name, const QString &selectedFilter);
};

}   // namespace txl::print
