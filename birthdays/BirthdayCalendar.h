#pragma once

#include "birthdays/Birthdays.h"

#include <QByteArray>
#include <QDateTime>

// Birthdays as an iCalendar file (RFC 5545) that calendar programs import: Thunderbird,
// Evolution, GNOME Calendar.
namespace txl::birthdays {

// The UID of a contact's birthday event: the same for the same name and birth date in every
// export, so importing again updates the events instead of doubling them.
QString eventUid(const QString &name, const QDate &birth);

// One yearly recurring all-day event per birthday, SUMMARY "<姓名> 生日", starting on the birth
// date; a 29 February birthday recurs on the last day of February. `stamp` is every event's
// DTSTAMP. Two contacts with the same name and birth date get "-2", "-3" … after their UID.
QByteArray calendar(const QList<Birthday> &birthdays, const QDateTime &stamp);

// Writes the calendar of `birthdays` to `path`, whole or not at all. On failure returns false
// with the reason in `error`; an existing file is then left as it was.
bool saveCalendar(const QString &path, const QList<Birthday> &birthdays, QString *error);

}   // namespace txl::birthdays
