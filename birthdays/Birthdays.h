#pragma once

#include <QDate>
#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

namespace txl::db {
class Connection;
}

// Whose birthday is coming: the date arithmetic, and the whole book read for it.
namespace txl::birthdays {

// The birth date in a contact's 出生日期 text: "yyyy-mm-dd" as the contact dialog writes it, also
// with one-digit month or day and "/" or "." between. Empty, not such a date, or a day that does
// not exist: nullopt.
std::optional<QDate> parseBirthDate(const QString &text);

// The day a birthday falls on in `year`: 29 February falls on 28 February in years without it.
QDate birthdayIn(const QDate &birth, int year);

// The first birthday on or after `today`.
QDate nextBirthday(const QDate &birth, const QDate &today);

struct Birthday {
    QStringList contact;   // the nine columns, as stored
    QDate birth;
    QDate day;          // the coming birthday
    int daysLeft = 0;   // 0: today
    int age = 0;        // the age turned on `day`

    QString name() const;
};

struct BirthdayList {
    QList<Birthday> birthdays;   // by days left, then in the book's order
    int undated = 0;             // contacts whose birth date is empty, not a date or after today
};

// The longest span: every birthday falls within it.
inline constexpr int MaxSpanDays = 366;

// The contacts (nine columns each) whose birthday falls today or within the next `days` days.
BirthdayList birthdaysWithin(const QList<QStringList> &contacts, const QDate &today, int days);

// Every contact of the book, nine columns each, in the book's order, read with a query of its own
// on `con`: the shared queries are left as they are. Throws txl::db::DbError.
QList<QStringList> readContacts(db::Connection &con);

}   // namespace txl::birthdays
