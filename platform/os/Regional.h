#pragma once

#include <QDate>
#include <QDateTime>
#include <QString>
#include <QTime>

// Dates and times as the user's regional settings show them.
namespace txl::os {

QString shortDate(const QDate &date);
// Hours, minutes and seconds in the locale's order, without a time zone.
QString longTime(const QTime &time);
// shortDate + " " + longTime.
QString dateTimeText(const QDateTime &moment);
// Reads a date written as "yyyy-mm-dd" or in the regional short date; invalid QDate otherwise.
QDate parseDate(const QString &text);

}   // namespace txl::os
