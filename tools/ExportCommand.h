#pragma once

#include <QStringList>

// txldb export FILE [DIR] [--encoding gb18030] [--search COLUMN=TEXT]
int exportCommand(QStringList args);
