#pragma once

#include <QString>

// Byte lengths of texts in their GB18030 form (identical to GBK for every GBK character: ASCII 1
// byte, a Chinese character 2, anything GBK lacks 4). The entry limits count these bytes.
namespace txl::os {

int gb18030Length(const QString &text);
// The longest prefix of `text`, cut at a character boundary, whose GB18030 form fits `bytes`.
QString cutToGb18030(const QString &text, int bytes);

}   // namespace txl::os
