#pragma once

#include <QStringList>

namespace txl::tools {

// txldb birthdays [--days N] [--today DATE] [--ics FILE] [DIR]: the contacts of DIR/DataBase/txl.mdb
// whose birthday falls within N days (default 30) from today, one line per contact; with --ics
// also writes them as an iCalendar file. Returns the exit code.
int birthdaysCommand(QStringList args);

}   // namespace txl::tools
