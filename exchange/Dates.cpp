#include "exchange/Dates.h"

namespace txl::exchange {

namespace {

char16_t unit(QChar c) {
    return c.unicode();
}

char16_t unit(char c) {
    return static_cast<unsigned char>(c);
}

template <class Text>
int digitsAt(Text text, qsizetype from, qsizetype count) {
    int value = 0;
    for (qsizetype i = from; i < from + count; ++i) {
        const char16_t c = unit(text.at(i));
        if (c < u'0' || c > u'9')
            return -1;
        value = value * 10 + (c - u'0');
    }
    return value;
}

template <class Text>
QDate dateOf(Text text) {
    if (text.size() != 10 || unit(text.at(4)) != u'-' || unit(text.at(7)) != u'-')
        return {};
    const int year = digitsAt(text, 0, 4), month = digitsAt(text, 5, 2), day = digitsAt(text, 8, 2);
    if (year < 0 || month < 0 || day < 0)
        return {};
    return QDate(year, month, day);   // invalid for 1986-02-30 and the like
}

}   // namespace

QDate storedDate(QStringView text) {
    return dateOf(text);
}

QDate storedDate(QByteArrayView utf8) {
    return dateOf(utf8);
}

QString storedDateText(QDate date) {
    if (!date.isValid() || date.year() < 0 || date.year() > 9999)
        return {};
    char16_t out[10] = {};
    const auto put = [&](int at, int value, int width) {
        for (int i = width - 1; i >= 0; --i, value /= 10)
            out[at + i] = static_cast<char16_t>(u'0' + value % 10);
    };
    put(0, date.year(), 4);
    out[4] = u'-';
    put(5, date.month(), 2);
    out[7] = u'-';
    put(8, date.day(), 2);
    return QString(reinterpret_cast<const QChar *>(out), 10);
}

}   // namespace txl::exchange
