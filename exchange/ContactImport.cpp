#include "exchange/ContactImport.h"

#include "data/Schema.h"
#include "data/Statements.h"
#include "platform/db/Connection.h"
#include "platform/db/Sqlite.h"

#include <sqlite3.h>

#include <QStringEncoder>

#include <array>

using namespace Qt::StringLiterals;

namespace txl::exchange {

namespace sqlite = db::sqlite;

QSet<QString> namesInBook(db::Connection &connection) {
    connection.ensureOpen();
    sqlite3 *db = connection.handle();
    const QByteArray sql = u"select %1 from %2"_s.arg(schema::contactColumn(schema::Name), schema::ContactsTable).toUtf8();
    const sqlite::Statement stmt = sqlite::prepare(db, std::string_view(sql.constData(), static_cast<std::size_t>(sql.size())));
    QSet<QString> names;
    int rc;
    while ((rc = sqlite3_step(stmt.get())) == SQLITE_ROW) {
        const auto *text = static_cast<const char *>(sqlite3_column_blob(stmt.get(), 0));
        names.insert(QString::fromUtf8(text, sqlite3_column_bytes(stmt.get(), 0)));
    }
    sqlite::check(db, rc);
    return names;
}

ImportSummary importContacts(db::Connection &connection, const QList<Record> &records, Duplicates duplicates,
                             const Progress &progress) {
    connection.ensureOpen();
    sqlite3 *db = connection.handle();
    sqlite::Transaction transaction(db);
    ImportSummary summary{planImport(records, duplicates == Duplicates::Skip ? namesInBook(connection) : QSet<QString>(),
                                     duplicates)};
    const QByteArray sql = sql::InsertContact.toUtf8();
    const sqlite::Statement insert = sqlite::prepare(db, std::string_view(sql.constData(), static_cast<std::size_t>(sql.size())));
    const qint64 total = summary.plan.rows.size();
    qint64 done = 0;
    // A row's values as UTF-8, one after the other in one buffer that serves every row; they are
    // bound where they lie and read by the step that follows.
    QStringEncoder utf8(QStringEncoder::Utf8, QStringEncoder::Flag::Stateless);
    QByteArray encoded;
    std::array<qsizetype, schema::ContactColumnCount + 1> ends{};
    for (const AcceptedRow &row : summary.plan.rows) {
        if (progress && done % ProgressStep == 0 && !progress(done, total))
            throw Cancelled();
        qsizetype room = 0;
        for (const QString &value : row.values)
            room += utf8.requiredSpace(value.size());
        if (encoded.size() < room)
            encoded.resize(room);
        char *end = encoded.data();
        for (int c = 0; c < schema::ContactColumnCount; ++c) {
            end = utf8.appendToBuffer(end, row.values.at(c));
            ends[c + 1] = end - encoded.constData();
        }
        for (int c = 0; c < schema::ContactColumnCount; ++c) {
            sqlite::check(db, sqlite3_bind_text(insert.get(), c + 1, encoded.constData() + ends[c],
                                                static_cast<int>(ends[c + 1] - ends[c]), SQLITE_STATIC));
        }
        sqlite::runToEnd(db, insert.get());
        sqlite3_reset(insert.get());
        ++done;
    }
    if (progress && !progress(total, total))
        throw Cancelled();
    transaction.commit();
    return summary;
}

} // namespace txl::exchange
