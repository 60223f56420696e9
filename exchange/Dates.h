#pragma once

#include <QByteArrayView>
#include <QDate>
#include <QString>
#include <QStringView>

// The stored form of a birth date, yyyy-mm-dd, both ways. Done by hand: the general date parser
// and formatter cost microseconds a call, which a hundred thousand rows turn into seconds.
namespace txl::exchange {

// The date `text` holds when it is exactly yyyy-mm-dd and a real day; otherwise an invalid date.
QDate storedDate(QStringView text);
QDate storedDate(QByteArrayView utf8);
QString storedDateText(QDate date);

}   // namespace txl::exchange
