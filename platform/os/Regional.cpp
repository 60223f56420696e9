#include "platform/os/Regional.h"

#include <QLocale>
#include <QRegularExpression>

using namespace Qt::StringLiterals;

namespace txl::os {

namespace {

// The locale's long time format without its time-zone field: the clock and the reports show the
// local time only. Quoted literal text is kept as it is.
QString longTimeFormat() {
    const QString format = QLocale::system().timeFormat(QLocale::LongFormat);
    QString result;
    bool quoted = false;
    for (qsizetype i = 0; i < format.size(); ++i) {
        const QChar c = format.at(i);
        if (c == u'\'') {
            quoted = !quoted;
            result += c;
            continue;
        }
        if (quoted || c != u't') {
            result += c;
            continue;
        }
        while (i + 1 < format.size() && format.at(i + 1) == u't')
            ++i;
        // Drop the blanks on both sides; keep one when the field stood between two others.
        bool spaceBefore = false;
        while (!result.isEmpty() && result.back().isSpace()) {
            result.chop(1);
            spaceBefore = true;
        }
        bool spaceAfter = false;
        while (i + 1 < format.size() && format.at(i + 1).isSpace()) {
            ++i;
            spaceAfter = true;
        }
        if (spaceBefore && spaceAfter && !result.isEmpty() && i + 1 < format.size())
            result += u' ';
    }
    return result.trimmed();
}

}   // namespace

QString fullYearDateFormat() {
    QString format = QLocale::system().dateFormat(QLocale::ShortFormat);
    if (!format.contains(u"yyyy"_s))
        format.replace(u"yy"_s, u"yyyy"_s);
    return format;
}

QString fullYearDate(const QDate &date) {
    return QLocale::system().toString(date, fullYearDateFormat());
}

QString shortDate(const QDate &date) {
    return QLocale::system().toString(date, QLocale::ShortFormat);
}

QString longTime(const QTime &time) {
    return QLocale::system().toString(time, longTimeFormat());
}

QString dateTimeText(const QDateTime &moment) {
    return shortDate(moment.date()) + u' ' + longTime(moment.time());
}

QDate parseDate(const QString &text) {
    // The database form, also with one-digit months and days as older entries may hold them.
    static const QRegularExpression iso(u"^\\s*(\\d{4})-(\\d{1,2})-(\\d{1,2})\\s*$"_s);
    if (const auto match = iso.match(text); match.hasMatch())
        return QDate(match.captured(1).toInt(), match.captured(2).toInt(), match.captured(3).toInt());
    return QLocale::system().toDate(text.trimmed(), QLocale::ShortFormat);
}

}   // namespace txl::os
