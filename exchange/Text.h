#pragma once

#include "exchange/Records.h"

#include <QByteArray>
#include <QString>

#include <optional>

namespace txl::exchange {

// Decodes the bytes of a text file: UTF-8 when they start with its byte-order mark (dropped) or
// are valid UTF-8 throughout, GB18030 (a superset of GBK and GB2312) otherwise. Bytes that are
// neither, NUL bytes or other control characters mean the file is no text file: returns nothing
// and sets `error`.
std::optional<QString> decodeText(const QByteArray &bytes, Encoding &encoding, QString &error);

}   // namespace txl::exchange
