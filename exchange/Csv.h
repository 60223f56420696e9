#pragma once

#include "exchange/ContactSource.h"
#include "exchange/Records.h"

#include <QByteArray>

class QIODevice;

// CSV as RFC 4180 has it: fields separated by commas, quoted when they hold a comma, a quote or a
// line break, quotes inside doubled, lines ended by CR LF. The first line holds the titles (a
// file of another program's may have rows above them: see TableReader).
//
// A value that a spreadsheet would run as a formula (its first character is =, +, - or @) is
// written with an apostrophe in front, so a spreadsheet shows it as text and never runs it; a
// value that already starts with apostrophes before such a character gets one more. The reader
// takes exactly one apostrophe off such a value, so what was written reads back unchanged.
namespace txl::exchange::csv {

// Written as UTF-8 with a byte-order mark (so Excel on Windows reads it right) or as GB18030.
// Throws ExchangeError when the device refuses the bytes, Cancelled when `progress` says stop.
void write(const ContactSource &contacts, Encoding encoding, QIODevice &out, const Progress &progress = {});

// Reads UTF-8 (with or without a byte-order mark) or GB18030/GBK, whichever the bytes are.
// Commas separate the fields; a file whose first line has no comma but semicolons or tabs is read
// with those. The table is found as TableReader says.
ReadResult read(const QByteArray &bytes, const ReadOptions &options = {}, const Progress &progress = {});

QString protectFormula(const QString &value);
QString unprotectFormula(const QString &value);

}   // namespace txl::exchange::csv
