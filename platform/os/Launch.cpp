#include "platform/os/Launch.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>

using namespace Qt::StringLiterals;

namespace txl::os {

CalculatorSearch CalculatorSearch::standard() {
    return {{u"/usr/bin"_s, u"/usr/local/bin"_s},
            {u"gnome-calculator"_s, u"kcalc"_s, u"galculator"_s, u"mate-calc"_s, u"qalculate-gtk"_s, u"xcalc"_s}};
}

QString findCalculator(const CalculatorSearch &search) {
    // Folder by folder: any calculator of the system folder is preferred to one installed locally.
    for (const QString &folder : search.folders) {
        for (const QString &program : search.programs) {
            const QFileInfo file(QDir(folder).filePath(program));
            if (file.isFile() && file.isExecutable())
                return file.absoluteFilePath();
        }
    }
    return {};
}

bool startDetached(const QString &program) {
    return QProcess::startDetached(program, {});
}

}   // namespace txl::os
