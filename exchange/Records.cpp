#include "exchange/Records.h"

using namespace Qt::StringLiterals;

namespace txl::exchange {

QString formatName(Format format) {
    switch (format) {
    case Format::Csv:
        return u"CSV"_s;
    case Format::Xlsx:
        return u"Excel 工作簿 (.xlsx)"_s;
    case Format::VCard:
        return u"vCard 名片"_s;
    }
    return {};
}

QString encodingName(Encoding encoding) {
    return encoding == Encoding::Gb18030 ? u"GB18030"_s : u"UTF-8"_s;
}

QString placeName(Format /*format*/, int line) {
    return u"第%1行"_s.arg(line);
}

} // namespace txl::exchange
