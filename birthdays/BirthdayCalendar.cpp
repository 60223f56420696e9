#include "birthdays/BirthdayCalendar.h"

#include "data/ContactKey.h"

#include <QCryptographicHash>
#include <QSaveFile>
#include <QSet>

#include <libical/ical.h>

#include <memory>
#include <new>

namespace txl::birthdays {

namespace {

struct ComponentFree {
    void operator()(icalcomponent *c) const noexcept { icalcomponent_free(c); }
};
using Component = std::unique_ptr<icalcomponent, ComponentFree>;

struct BufferFree {
    void operator()(char *text) const noexcept { icalmemory_free_buffer(text); }
};

icaltimetype dateValue(const QDate &date) {
    icaltimetype t = icaltime_null_date();
    t.year = date.year();
    t.month = date.month();
    t.day = date.day();
    return t;
}

icalrecurrencetype yearly(const QDate &birth) {
    icalrecurrencetype rule;
    icalrecurrencetype_clear(&rule);
    rule.freq = ICAL_YEARLY_RECURRENCE;
    if (birth.month() == 2 && birth.day() == 29) {
        // A plain yearly rule skips the years without 29 February; the last day of February is
        // the day the program shows for it.
        rule.by_month[0] = 2;
        rule.by_month[1] = ICAL_RECURRENCE_ARRAY_MAX;
        rule.by_month_day[0] = -1;
        rule.by_month_day[1] = ICAL_RECURRENCE_ARRAY_MAX;
    }
    return rule;
}

icalcomponent *event(const Birthday &b, const QByteArray &uid, const icaltimetype &stamp) {
    icalcomponent *e = icalcomponent_new_vevent();
    icalcomponent_add_property(e, icalproperty_new_uid(uid.constData()));
    icalcomponent_add_property(e, icalproperty_new_dtstamp(stamp));
    icalcomponent_add_property(e, icalproperty_new_dtstart(dateValue(b.birth)));
    icalcomponent_add_property(e, icalproperty_new_dtend(dateValue(b.birth.addDays(1))));
    icalcomponent_add_property(e, icalproperty_new_rrule(yearly(b.birth)));
    const QByteArray summary = (b.name() + QStringLiteral(" 生日")).toUtf8();
    icalcomponent_add_property(e, icalproperty_new_summary(summary.constData()));
    // A birthday does not make anyone busy.
    icalcomponent_add_property(e, icalproperty_new_transp(ICAL_TRANSP_TRANSPARENT));
    return e;
}

}   // namespace

QString eventUid(const QString &name, const QDate &birth) {
    const QByteArray key = data::contactKey(name, birth.toString(Qt::ISODate));
    const QByteArray hash = QCryptographicHash::hash(key, QCryptographicHash::Sha1).toHex();
    return QStringLiteral("birthday-") + QString::fromLatin1(hash.left(24)) + QStringLiteral("@txl");
}

QByteArray calendar(const QList<Birthday> &birthdays, const QDateTime &stamp) {
    Component cal(icalcomponent_new_vcalendar());
    if (!cal)
        throw std::bad_alloc();
    icalcomponent_add_property(cal.get(), icalproperty_new_version("2.0"));
    icalcomponent_add_property(cal.get(), icalproperty_new_prodid("-//txl//同学录//ZH"));
    icalcomponent_add_property(cal.get(), icalproperty_new_calscale("GREGORIAN"));

    const QDateTime utc = stamp.toUTC();
    icaltimetype when = icaltime_null_time();
    when.year = utc.date().year();
    when.month = utc.date().month();
    when.day = utc.date().day();
    when.hour = utc.time().hour();
    when.minute = utc.time().minute();
    when.second = utc.time().second();
    when.zone = icaltimezone_get_utc_timezone();

    QSet<QString> used;
    for (const Birthday &b : birthdays) {
        const QString base = eventUid(b.name(), b.birth);
        QString uid = base;
        for (int n = 2; used.contains(uid); ++n)
            uid = base.chopped(4) + u'-' + QString::number(n) + QStringLiteral("@txl");
        used.insert(uid);
        icalcomponent_add_component(cal.get(), event(b, uid.toUtf8(), when));
    }

    const std::unique_ptr<char, BufferFree> text(icalcomponent_as_ical_string_r(cal.get()));
    if (!text)
        throw std::bad_alloc();
    return QByteArray(text.get());
}

bool saveCalendar(const QString &path, const QList<Birthday> &birthdays, QString *error) {
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        *error = file.errorString();
        return false;
    }
    file.write(calendar(birthdays, QDateTime::currentDateTimeUtc()));
    if (!file.commit()) {
        *error = file.errorString();
        return false;
    }
    return true;
}

}   // namespace txl::birthdays
