#pragma once

#include "exchange/ContactSource.h"
#include "exchange/Records.h"

#include <QString>

// Excel workbooks (.xlsx) with one sheet: the nine titles in bold in a frozen first row with an
// autofilter, columns as wide as their content, every value a text cell (so 手机号码, 家庭电话 and
// QQ keep their leading zeros and never turn into 1.3574470463E+10) except a valid 出生日期, which
// is a real date shown as yyyy-mm-dd. Rows are streamed to disk as they are written: memory stays
// the same however many contacts there are.
namespace txl::exchange::xlsx {

// Writes `path` directly; throws ExchangeError when it cannot, Cancelled when `progress` says stop
// (the file is then incomplete: callers write to a temporary name).
void write(const ContactSource &contacts, const QString &path, const Progress &progress = {});

}   // namespace txl::exchange::xlsx
