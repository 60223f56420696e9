#pragma once

#include "exchange/ImportRules.h"
#include "exchange/Records.h"

#include <QSet>
#include <QString>

namespace txl::db {
class Connection;
}

namespace txl::exchange {

// The names the book holds, exactly as stored (the duplicate check compares them as the contact
// dialog's look-up does: whole and case-sensitive).
QSet<QString> namesInBook(db::Connection &connection);

struct ImportSummary {
    ImportPlan plan;   // what was added (plan.rows), skipped and refused
    int imported() const { return static_cast<int>(plan.rows.size()); }
    int skipped() const { return static_cast<int>(plan.skipped.size()); }
    int refused() const { return static_cast<int>(plan.refused.size()); }
};

// Adds the records that pass the rules, all in one transaction: all of them or, when anything
// fails (a full disk, another error) or `progress` asks to stop, none. The names in the book are
// read inside the transaction, so the duplicate check sees what it writes beside. Throws
// txl::db::DbError, or Cancelled after rolling back.
ImportSummary importContacts(db::Connection &connection, const QList<Record> &records, Duplicates duplicates,
                             const Progress &progress = {});

}   // namespace txl::exchange
