#pragma once

#include <QStringList>

// txldb import FILE [DIR] [--duplicates skip|add]
int importCommand(QStringList args);
