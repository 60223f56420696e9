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
NameSet namesInBook(db::Connection &connection);

struct ImportSummary {
    qsizetype imported = 0;
    ProblemList skipped;    // duplicates
    ProblemList refused;    // rows that break a rule
    ProblemList warnings;   // contacts added with a value left out
};

// Adds the records of a file that was read, all in one transaction: all of them or, when
// anything fails (a full disk, another error) or `progress` asks to stop, none. The names in the
// book are read inside the transaction, so the duplicate check sees what it writes beside.
// Throws txl::db::DbError, or Cancelled after rolling back.
ImportSummary importContacts(db::Connection &connection, const ReadResult &read, Duplicates duplicates,
                             const Progress &progress = {});

}   // namespace txl::exchange
