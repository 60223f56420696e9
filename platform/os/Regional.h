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
// The regional short date with the year in full (a birth date is no date of this century alone):
// the contact dialog's picker shows dates so, and lists of birth dates follow it.
QString fullYearDateFormat();
QString fullYearDate(const QDate &date);
// Reads a date written as "yyyy-mm-dd" or in the regional short date; invalid QDate otherwise.
QDate parseDate(const QString &text);

}   // namespace txl::os
