#pragma once

#include <QImage>
#include <QString>

namespace txl::ui {

// Decodes a JPEG through libjpeg. Throws std::runtime_error naming the file when it is missing or
// not a valid JPEG.
QImage loadJpeg(const QString &path);
QImage decodeJpeg(const QByteArray &data, const QString &nameForErrors);

}   // namespace txl::ui
