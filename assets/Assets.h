#pragma once

#include <QIcon>
#include <QPixmap>
#include <QString>

// The window pictures built into the program.
namespace txl::assets {

// Resource path of a picture, e.g. path("login_bg.jpg") is ":/login_bg.jpg".
QString path(const char *name);

// The program icon, in 16, 32, 48 and 256 pixels.
QIcon programIcon();

// The contact dialog's own 16 x 16 icon.
QIcon contactIcon();

// Number of toolbar and menu images.
inline constexpr int toolbarImageCount = 20;

// One 16 x 16 toolbar and menu image by its index; a null pixmap outside 0 .. toolbarImageCount - 1.
QPixmap toolbarImage(int index);

}   // namespace txl::assets
