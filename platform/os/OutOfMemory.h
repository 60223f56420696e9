#pragma once

#include <QString>

namespace txl::os {

// What the user is told when memory runs out, in place of the library's own words.
inline QString outOfMemoryText() {
    return QStringLiteral("内存不足，无法完成这项操作。请关闭其他程序后再试，或把文件分成几个小文件。");
}

}   // namespace txl::os
