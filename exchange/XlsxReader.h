#pragma once

#include "exchange/Records.h"

#include <QByteArray>

// Reading Excel workbooks (.xlsx): every sheet that holds a table of contacts (TableReader). Cells may
// hold shared or inline strings, numbers, booleans or dates; a number in a date-formatted cell
// becomes yyyy-mm-dd, a whole number its digits (a phone number a spreadsheet stored as a number
// reads 13574470463, never 1.3574470463E10). Every part is read through expat, in bounded time
// and memory: what a small file may unpack into is limited (ExpansionBudget).
namespace txl::exchange::xlsx {

ReadResult read(const QByteArray &bytes, const ReadOptions &options = {}, const Progress &progress = {});

// A number of a spreadsheet's cell as people read it: a whole number as its digits (a phone
// number stored as a number reads 13574470463), others with up to 15 digits.
QString numberText(double value);

// The date a spreadsheet's day number stands for, as yyyy-mm-dd ("" when it is none): days since
// 1899-12-30 (counting Excel's 29 February 1900 that never was), or since 1904-01-01.
QString serialDate(double serial, bool from1904 = false);

}   // namespace txl::exchange::xlsx
