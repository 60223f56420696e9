// Import and export of 100,000 contacts against what a program without them would do with the
// same rows: a raw insert (one transaction, one prepared statement) and a raw select. Also the
// resident memory while an .xlsx is written, which must not grow with the number of rows.

#include "bench/Fixtures.h"
#include "bench/Harness.h"

#include "data/DatabaseFile.h"
#include "data/Schema.h"
#include "data/Statements.h"
#include "data/U2.h"
#include "exchange/ContactFile.h"
#include "exchange/ContactImport.h"
#include "platform/db/Connection.h"
#include "platform/db/Query.h"

#include <sqlite3.h>

#include <QDir>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <stdexcept>
#include <string>

using namespace Qt::StringLiterals;

namespace {

using namespace txl::bench;
using namespace txl::exchange;
using txl::db::Connection;
using txl::db::Query;

constexpr int Contacts = 100000;
constexpr int Repetitions = 5;

std::unique_ptr<Connection> connect(const QString &path) {
    auto con = std::make_unique<Connection>(TDataModule1::connectionSettings(path));
    con->open();
    return con;
}

void exec(sqlite3 *db, const char *sql) {
    if (sqlite3_exec(db, sql, nullptr, nullptr, nullptr) != SQLITE_OK)
        throw std::runtime_error(sqlite3_errmsg(db));
}

// 100,000 generated contacts, each name made unique so that no row is skipped as a duplicate.
QList<QStringList> generatedRows(int count) {
    QList<QStringList> rows;
    unsigned state = 20061;
    for (int i = 0; i < count; ++i) {
        QStringList row = txl::data::sampleContact(state);
        row[txl::schema::Name] = row[txl::schema::Name].left(1) + QString::number(i);
        rows << row;
    }
    return rows;
}

// The raw side of an import: the rows already in memory, inserted with one prepared statement
// in one transaction.
void rawInsert(sqlite3 *db, const QList<QStringList> &rows) {
    sqlite3_stmt *raw = nullptr;
    const QByteArray sql = u"insert into UsersInfo values(?,?,?,?,?,?,?,?,?)"_s.toUtf8();
    if (sqlite3_prepare_v2(db, sql.constData(), static_cast<int>(sql.size()), &raw, nullptr) != SQLITE_OK)
        throw std::runtime_error(sqlite3_errmsg(db));
    std::unique_ptr<sqlite3_stmt, decltype(&sqlite3_finalize)> stmt(raw, &sqlite3_finalize);
    exec(db, "BEGIN");
    for (const QStringList &row : rows) {
        for (int c = 0; c < row.size(); ++c) {
            const QByteArray utf8 = row[c].toUtf8();
            sqlite3_bind_text(stmt.get(), c + 1, utf8.constData(), static_cast<int>(utf8.size()), SQLITE_TRANSIENT);
        }
        if (sqlite3_step(stmt.get()) != SQLITE_DONE)
            throw std::runtime_error(sqlite3_errmsg(db));
        sqlite3_reset(stmt.get());
    }
    exec(db, "COMMIT");
}

// The raw side of an export: select every row and read every column's text.
void rawSelect(sqlite3 *db) {
    sqlite3_stmt *raw = nullptr;
    if (sqlite3_prepare_v2(db, "select * from UsersInfo", -1, &raw, nullptr) != SQLITE_OK)
        throw std::runtime_error(sqlite3_errmsg(db));
    std::unique_ptr<sqlite3_stmt, decltype(&sqlite3_finalize)> stmt(raw, &sqlite3_finalize);
    std::size_t bytes = 0;
    const int columns = sqlite3_column_count(stmt.get());
    while (sqlite3_step(stmt.get()) == SQLITE_ROW) {
        for (int c = 0; c < columns; ++c) {
            const auto *p = reinterpret_cast<const char *>(sqlite3_column_text(stmt.get(), c));
            const std::string copy(p ? p : "", static_cast<std::size_t>(sqlite3_column_bytes(stmt.get(), c)));
            bytes += copy.size();
        }
    }
    keep(bytes);
}

void printRatio(const char *what, double ratio, double target) {
    char shown[32];
    std::snprintf(shown, sizeof shown, "%.3f", ratio);
    verdict(what, ratio, target, shown);
}

void compareImport(const char *label, Format format) {
    QTemporaryDir dir;
    const QString file = dir.filePath(format == Format::Xlsx ? u"in.xlsx"_s : u"in.csv"_s);
    const QList<QStringList> rows = generatedRows(Contacts);
    writeFile(file, format, Encoding::Utf8, ContactList(rows));
    GeneratedBook book(0);
    const std::unique_ptr<Connection> con = connect(book.path());
    int imported = 0;
    const double ratio = compare(
        label, Repetitions,
        [&] {
            const ReadResult read = readFile(file);
            imported = static_cast<int>(importContacts(*con, read, Duplicates::Skip).imported);
        },
        [&] { rawInsert(con->handle(), rows); }, [&] { exec(con->handle(), "delete from UsersInfo"); });
    if (imported != Contacts)
        throw std::runtime_error("the import left rows out");
    report("rows", std::to_string(Contacts));
    printRatio("import (read file + rules + insert) / raw insert", ratio, 2.0);
}

// The export as txldb runs it: the full list opened in the dataset, then written.
void compareExport(const char *label, Format format, double target) {
    GeneratedBook book(Contacts);
    const std::unique_ptr<Connection> con = connect(book.path());
    QTemporaryDir dir;
    const QString file = dir.filePath(format == Format::Xlsx ? u"out.xlsx"_s : u"out.csv"_s);
    Query q(*con, u"query"_s);
    const double ratio = compare(
        label, Repetitions,
        [&] {
            q.setSql(txl::sql::AllContacts);
            q.open();
            writeFile(file, format, Encoding::Utf8, QueryContacts(q));
        },
        [&] { rawSelect(con->handle()); }, [&] { q.close(); });
    printRatio("export (open + write file) / raw select", ratio, target);
}

}   // namespace

TXL_BENCH_CASE("exchange: import CSV") {
    compareImport("import 100,000 contacts from CSV", Format::Csv);
}

TXL_BENCH_CASE("exchange: import .xlsx") {
    compareImport("import 100,000 contacts from .xlsx", Format::Xlsx);
}

TXL_BENCH_CASE("exchange: export CSV") {
    compareExport("export 100,000 contacts to CSV", Format::Csv, 2.0);
}

TXL_BENCH_CASE("exchange: export .xlsx") {
    compareExport("export 100,000 contacts to .xlsx", Format::Xlsx, 4.0);
}

// Resident memory while the workbook is written: the highest reading during the write, over the
// reading before it, for a tenth of the rows and for all of them. The rows themselves are in
// memory before the write starts (as `query` holds them), so only what the writer adds counts.
TXL_BENCH_CASE("exchange: memory of the .xlsx export") {
    QTemporaryDir dir;
    const QList<QStringList> rows = generatedRows(Contacts);
    std::vector<double> growth;
    for (const int count : {Contacts / 10, Contacts}) {
        const ContactList contacts(rows.mid(0, count));
        releaseFreeMemory();
        const std::size_t before = residentBytes();
        std::size_t peak = before;
        writeFile(dir.filePath(u"m.xlsx"_s), Format::Xlsx, Encoding::Utf8, contacts, [&](qint64, qint64) {
            peak = std::max(peak, residentBytes());
            return true;
        });
        growth.push_back(static_cast<double>(peak) - static_cast<double>(before));
        char label[64];
        std::snprintf(label, sizeof label, "resident growth writing %d rows", count);
        report(label, megabytes(growth.back()));
    }
    // Flat: ten times the rows may not cost more than a megabyte over the smaller export.
    const double extra = growth[1] - growth[0];
    verdict("extra for 10 x the rows", extra / (1 << 20), 1.0, megabytes(extra));
}
