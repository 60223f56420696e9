#pragma once

#include <QString>
#include <QStringList>

namespace txl::os {

// Where to look for a desktop calculator, and under which names. Tests inject their own.
struct CalculatorSearch {
    QStringList folders;   // the system program folder first, then the local one
    QStringList programs;
    static CalculatorSearch standard();   // /usr/bin, then /usr/local/bin; gnome-calculator, ...
};

// The first calculator found (folder by folder), or empty text.
QString findCalculator(const CalculatorSearch &search);
// Starts a program on its own, without waiting for it. Returns false if it could not start.
bool startDetached(const QString &program);

}   // namespace txl::os
