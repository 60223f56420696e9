#include "tools/BirthdaysCommand.h"

#include "birthdays/BirthdayCalendar.h"
#include "birthdays/Birthdays.h"
#include "data/Schema.h"
#include "data/U2.h"
#include "platform/db/DbError.h"

#include <QDir>
#include <QTextStream>

#include <cstdio>

namespace txl::tools {

namespace {

int usage() {
    std::fputs("usage: txldb birthdays [--days N] [--today YYYY-MM-DD] [--ics FILE] [DIR]\n"
               "  N from 1 to 366 (default 30); DIR holds DataBase/txl.mdb (default: here)\n",
               stderr);
    return 2;
}

}   // namespace

int birthdaysCommand(QStringList args) {
    int days = 30;
    QDate today = QDate::currentDate();
    QString ics;
    QString dir = QStringLiteral(".");
    bool dirGiven = false;
    while (!args.isEmpty()) {
        const QString arg = args.takeFirst();
        if (arg == QStringLiteral("--days") && !args.isEmpty()) {
            bool ok = false;
            days = args.takeFirst().toInt(&ok);
            if (!ok || days < 1 || days > birthdays::MaxSpanDays)
                return usage();
        } else if (arg == QStringLiteral("--today") && !args.isEmpty()) {
            today = QDate::fromString(args.takeFirst(), Qt::ISODate);
            if (!today.isValid())
                return usage();
        } else if (arg == QStringLiteral("--ics") && !args.isEmpty()) {
            ics = args.takeFirst();
        } else if (!arg.startsWith(QStringLiteral("--")) && !dirGiven) {
            dir = arg;
            dirGiven = true;
        } else {
            return usage();
        }
    }

    birthdays::BirthdayList list;
    try {
        TDataModule1 module(QDir(dir).filePath(TDataModule1::DatabasePath));
        module.con.open();
        list = birthdays::birthdaysWithin(birthdays::readContacts(module.con), today, days);
    } catch (const db::DbError &e) {
        std::fprintf(stderr, "txldb: %s\n", e.what());
        return 1;
    }

    // One line per contact, as the birthday window lists them: name, birth date, the age turned,
    // days left ("今天" for today).
    QTextStream out(stdout);
    for (const birthdays::Birthday &b : list.birthdays) {
        out << b.name() << '\t' << b.contact.value(schema::Birth).trimmed() << '\t' << b.age << '\t'
            << (b.daysLeft == 0 ? QStringLiteral("今天") : QString::number(b.daysLeft)) << '\n';
    }
    out.flush();
    if (list.undated > 0)
        std::fprintf(stderr, "txldb: %d contacts without a usable birth date are left out\n", list.undated);

    if (!ics.isEmpty()) {
        QString error;
        if (!birthdays::saveCalendar(ics, list.birthdays, &error)) {
            std::fprintf(stderr, "txldb: could not write %s: %s\n", qPrintable(ics), qPrintable(error));
            return 1;
        }
        std::fprintf(stderr, "txldb: wrote %lld birthdays to %s\n", static_cast<long long>(list.birthdays.size()),
                     qPrintable(ics));
    }
    return 0;
}

}   // namespace txl::tools
