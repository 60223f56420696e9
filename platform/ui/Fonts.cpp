#include "platform/ui/Fonts.h"

#include <QFont>
#include <QStringList>

using namespace Qt::StringLiterals;

namespace txl::ui {

void installFontSubstitutions() {
    // The windows ask for the fonts of their designs by name. Without these substitutions
    // fontconfig hands 宋体 to a Latin font, which has no Chinese characters.
    const QStringList song{u"AR PL UMing CN"_s, u"WenQuanYi Micro Hei"_s};
    QFont::insertSubstitutions(u"宋体"_s, song);
    QFont::insertSubstitutions(u"SimSun"_s, song);
    QFont::insertSubstitutions(u"Arial"_s, {u"Liberation Sans"_s, u"WenQuanYi Micro Hei"_s});
    QFont::insertSubstitutions(u"MS Sans Serif"_s, {u"WenQuanYi Micro Hei"_s, u"Liberation Sans"_s});
}

}   // namespace txl::ui
