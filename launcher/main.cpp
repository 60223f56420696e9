// txl-start: starts txl from the desktop menu in the user's own data folder, making that folder
// and a new book on the first start.

#include "launcher/Launcher.h"
#include "platform/ui/Application.h"
#include "platform/ui/Fonts.h"

#include <QDir>

#ifndef TXL_SHARE_FROM_BIN
#error "TXL_SHARE_FROM_BIN must name the installed share folder relative to the program folder"
#endif

int main(int argc, char **argv) {
    txl::ui::Application app(argc, argv);
    txl::ui::installFontSubstitutions();
    // txl is installed beside this program; the pictures in its share folder. Both are found
    // from where this program is, so the installed tree can be moved as a whole.
    const QDir bin(QCoreApplication::applicationDirPath());
    const QString pictures = QDir::cleanPath(bin.filePath(QStringLiteral(TXL_SHARE_FROM_BIN "/images")));
    const QString folder = txl::launcher::dataFolder(QProcessEnvironment::systemEnvironment());
    return txl::launcher::launch(folder, pictures, bin.filePath(QStringLiteral("txl"))) ? 0 : 1;
}
