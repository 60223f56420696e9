#pragma once

#include <QByteArray>
#include <QString>

namespace txl::data {

// What stands for one classmate in the files other programs keep (a calendar's events, a
// vCard's UID): the name and the birth date as stored, so that the same classmate exported
// twice is the same entry there.
inline QByteArray contactKey(const QString &name, const QString &birth) {
    return name.toUtf8() + '\n' + birth.toLatin1();
}

}   // namespace txl::data
