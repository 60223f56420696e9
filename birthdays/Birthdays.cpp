#include "birthdays/Birthdays.h"

#include "data/Schema.h"
#include "data/Statements.h"
#include "platform/db/Query.h"

#include <QRegularExpression>

#include <algorithm>

namespace txl::birthdays {

std::optional<QDate> parseBirthDate(const QString &text) {
    static const QRegularExpression form(QStringLiteral("^(\\d{4})([-/.])(\\d{1,2})\\2(\\d{1,2})$"));
    const QRegularExpressionMatch m = form.match(text.trimmed());
    if (!m.hasMatch())
        return std::nullopt;
    const QDate date(m.captured(1).toInt(), m.captured(3).toInt(), m.captured(4).toInt());
    if (!date.isValid())
        return std::nullopt;
    return date;
}

QDate birthdayIn(const QDate &birth, int year) {
    if (birth.month() == 2 && birth.day() == 29 && !QDate::isLeapYear(year))
        return QDate(year, 2, 28);
    return QDate(year, birth.month(), birth.day());
}

QDate nextBirthday(const QDate &birth, const QDate &today) {
    const QDate thisYear = birthdayIn(birth, today.year());
    return thisYear >= today ? thisYear : birthdayIn(birth, today.year() + 1);
}

QString Birthday::name() const {
    return contact.value(schema::Name);
}

BirthdayList birthdaysWithin(const QList<QStringList> &contacts, const QDate &today, int days) {
    BirthdayList list;
    for (const QStringList &contact : contacts) {
        const std::optional<QDate> birth = parseBirthDate(contact.value(schema::Birth));
        // A birth date still to come cannot be right; it is counted with the unusable ones.
        if (!birth || *birth > today) {
            ++list.undated;
            continue;
        }
        const QDate day = nextBirthday(*birth, today);
        const auto left = static_cast<int>(today.daysTo(day));
        if (left < days)   // today and the days after it: `days` days in all
            list.birthdays.append({contact, *birth, day, left, day.year() - birth->year()});
    }
    std::stable_sort(list.birthdays.begin(), list.birthdays.end(),
                     [](const Birthday &a, const Birthday &b) { return a.daysLeft < b.daysLeft; });
    return list;
}

QList<QStringList> readContacts(db::Connection &con) {
    db::Query q(con, QStringLiteral("birthdays"));
    q.setSql(sql::AllContacts);
    q.open();
    const QStringList columns = schema::contactColumnNames();
    QList<QStringList> contacts;
    contacts.reserve(q.recordCount());
    for (int row = 0; row < q.recordCount(); ++row) {
        QStringList values;
        for (const QString &column : columns)
            values << q.value(row, q.columnIndex(column));
        contacts << values;
    }
    return contacts;
}

}   // namespace txl::birthdays
