#include "exchange/ContactImport.h"

#include "data/Schema.h"
#include "data/Statements.h"
#include "platform/db/Connection.h"
#include "platform/db/Sqlite.h"

#include <sqlite3.h>

using namespace Qt::StringLiterals;

namespace txl::exchange {

namespace sqlite = db::sqlite;

NameSet namesInBook(db::Connection &connection) {
    connection.ensureOpen();
    sqlite3 *db = connection.handle();
    const QByteArray sql =
        u"select %1 from %2"_s.arg(schema::contactColumn(schema::Name), schema::ContactsTable).toUtf8();
    const sqlite::Statement stmt = sqlite::prepare(db, sql);
    NameSet names;
    int rc;
    while ((rc = sqlite3_step(stmt.get())) == SQLITE_ROW) {
        const auto *text = static_cast<const char *>(sqlite3_column_blob(stmt.get(), 0));
        names.insert(QByteArray(text, sqlite3_column_bytes(stmt.get(), 0)));
    }
    sqlite::check(db, rc);
    return names;
}

ImportSummary importContacts(db::Connection &connection, const ReadResult &read, Duplicates duplicates,
                             const Progress &progress) {
    connection.ensureOpen();
    sqlite3 *db = connection.handle();
    sqlite::Transaction transaction(db);
    ImportPlan plan = planImport(read, duplicates == Duplicates::Skip ? namesInBook(connection) : NameSet(),
                                 duplicates);
    const sqlite::Statement insert = sqlite::prepare(db, sql::InsertContact.toUtf8());
    const qint64 total = plan.rows;
    qint64 done = 0;
    for (qsizetype i = 0; i < read.records.size(); ++i) {
        if (!plan.adds(i))
            continue;
        const Record row = read.records.at(i);
        reportStep(progress, done, total);
        // The values are bound where they lie; the step that follows reads them.
        for (int c = 0; c < schema::ContactColumnCount; ++c) {
            const QByteArrayView value = row.utf8(c);
            sqlite::check(db, sqlite3_bind_text(insert.get(), c + 1, value.data() ? value.data() : "",
                                                static_cast<int>(value.size()), SQLITE_STATIC));
        }
        sqlite::runToEnd(db, insert.get());
        sqlite3_reset(insert.get());
        ++done;
    }
    if (progress && !progress(total, total))
        throw Cancelled();
    transaction.commit();
    return {plan.rows, std::move(plan.skipped), read.refused, read.warnings};
}

}   // namespace txl::exchange
