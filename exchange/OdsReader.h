#pragma once

#include "exchange/Records.h"

#include <QByteArray>

// Reading OpenDocument spreadsheets (.ods), as LibreOffice saves them by default: every sheet
// that holds a table of contacts (TableReader), under the same rules and limits as an Excel
// workbook. A number cell gives its value (a phone number stored as a number reads
// 13574470463), a date cell its date, a text cell its paragraphs one per line; notes attached to
// cells are no part of their text.
namespace txl::exchange::ods {

ReadResult read(const QByteArray &bytes, const ReadOptions &options = {}, const Progress &progress = {});

// Whether a zip is an OpenDocument spreadsheet (by the mimetype it starts with, or by its parts).
bool isSpreadsheet(const QByteArray &zipBytes);

}   // namespace txl::exchange::ods
