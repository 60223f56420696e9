#pragma once

#include "exchange/ContactSource.h"
#include "exchange/Records.h"

#include <QByteArray>
#include <QString>

#include <utility>

class QIODevice;

// vCard: one card per contact.
//
// Written as vCard 3.0 in UTF-8 (what phones import best): a UID that stays the same from export
// to export, FN and N from 姓名 (N split into family and given name), X-GENDER (Male, Female,
// or the text itself for anything but 男 and 女), BDAY (a date; other text as BDAY;VALUE=text), TEL;
// TYPE=CELL (手机号码), TEL;TYPE=HOME (家庭电话), EMAIL, ADR;TYPE=HOME with 家庭住址 as its street,
// X-QQ (as Chinese phones write QQ numbers) and X-TXL-DORMITORY (宿舍号码). Values are escaped and
// lines folded at 75 octets.
//
// Read: vCard 2.1 (as older Android phones export it: CHARSET=UTF-8 or GBK, QUOTED-PRINTABLE with
// soft line breaks, bare type names), 3.0 and 4.0, any number of cards, folded lines. Properties
// the program has no column for are ignored. A birthday without a year (--0321) is left out.
namespace txl::exchange::vcard {

void write(const ContactSource &contacts, QIODevice &out, const Progress &progress = {});

// A name as a card's N holds it: family name, given name. 张三 → 张, 三; 欧阳娜娜 → 欧阳, 娜娜;
// 迪丽娜尔·阿不都拉 → 阿不都拉, 迪丽娜尔; Alexander Brown → Brown, Alexander.
std::pair<QString, QString> familyAndGiven(const QString &name);
ReadResult read(const QByteArray &bytes);

}   // namespace txl::exchange::vcard
