#include "assets/Assets.h"

using namespace Qt::StringLiterals;

namespace txl::assets {

QString path(const char *name) {
    return u":/"_s + QString::fromUtf8(name);
}

QIcon programIcon() {
    QIcon icon;
    for (const QString &file : {u":/icon/txl_16.png"_s, u":/icon/txl_32.png"_s, u":/icon/txl_48.png"_s, u":/txl.png"_s})
        icon.addFile(file);
    return icon;
}

QIcon contactIcon() {
    return QIcon(u":/contact16.png"_s);
}

QPixmap toolbarImage(int index) {
    if (index < 0 || index >= toolbarImageCount)
        return {};
    return QPixmap(u":/toolbar/%1.png"_s.arg(index, 2, 10, QLatin1Char('0')));
}

}   // namespace txl::assets
