// The data layer against raw SQLite on one address book of 100,000 generated contacts: opening the
// full list, the fuzzy search, walking the result, and what the open result costs in memory.

#include "bench/Fixtures.h"
#include "bench/Harness.h"

#include "data/DatabaseFile.h"
#include "data/U2.h"
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
#include <vector>

using namespace Qt::StringLiterals;

namespace {

using namespace txl::bench;
using txl::db::Connection;
using txl::db::Query;

constexpr int Contacts = 100000;
constexpr int Repetitions = 7;

const QString AllContacts = u"select * from UsersInfo"_s;
const QString FuzzyMobile = u"select * from UsersInfo where 手机号码 like :p1"_s;
const QString FuzzyText = u"%13%"_s;

// One generated address book for the whole run, with the connection the program would have.
class AddressBook {
public:
    static AddressBook &get() {
        static AddressBook book;
        return book;
    }
    Connection &connection() { return *m_connection; }

private:
    AddressBook() : m_book(Contacts) {
        m_connection = std::make_unique<Connection>(TDataModule1::connectionSettings(m_book.path()));
        m_connection->open();
    }
    GeneratedBook m_book;
    std::unique_ptr<Connection> m_connection;
};

// What SQLite itself costs: prepare, bind, step, and look at every column's text in place.
struct RawResult {
    std::vector<std::string> cells;   // filled only by the copying read
    std::size_t textBytes = 0;
    std::size_t rows = 0;
};

enum class Raw { Touch, Copy };

void rawRead(sqlite3 *db, const QString &sql, const QString &param, RawResult &out, Raw how = Raw::Touch) {
    const QByteArray utf8 = sql.toUtf8();
    // The raw side gets the statement the way SQLite wants it, parameters already numbered.
    QByteArray text = utf8;
    text.replace(":p1", "?1");
    sqlite3_stmt *raw = nullptr;
    if (sqlite3_prepare_v2(db, text.constData(), static_cast<int>(text.size()), &raw, nullptr) != SQLITE_OK)
        throw std::runtime_error(sqlite3_errmsg(db));
    std::unique_ptr<sqlite3_stmt, decltype(&sqlite3_finalize)> stmt(raw, &sqlite3_finalize);
    if (!param.isNull()) {
        const QByteArray value = param.toUtf8();
        sqlite3_bind_text(stmt.get(), 1, value.constData(), static_cast<int>(value.size()), SQLITE_TRANSIENT);
    }
    const int columns = sqlite3_column_count(stmt.get());
    while (sqlite3_step(stmt.get()) == SQLITE_ROW) {
        for (int c = 0; c < columns; ++c) {
            const auto *p = reinterpret_cast<const char *>(sqlite3_column_text(stmt.get(), c));
            const auto n = static_cast<std::size_t>(sqlite3_column_bytes(stmt.get(), c));
            if (how == Raw::Copy)
                out.cells.emplace_back(p ? p : "", n);
            else if (p && n)
                keep(static_cast<unsigned char>(p[n - 1]));   // the text is there to be read
            out.textBytes += n;
        }
        ++out.rows;
    }
}

void openQuery(Query &q, const QString &sql, const QString &param) {
    q.setSql(sql);
    if (!param.isNull())
        q.setParam(u"p1"_s, param);
    q.open();
    keep(static_cast<std::size_t>(q.recordCount()));
}

// Both sides read the same statement the same number of times, interleaved: the query against
// SQLite reading every cell in place (the target), and against a copy of every cell into a string
// of its own (for comparison only).
void compareOpen(const std::string &label, const QString &sql, const QString &param) {
    Connection &con = AddressBook::get().connection();
    Query q(con, u"query"_s);
    RawResult raw;
    auto cleanup = [&] {
        q.close();
        keep(raw.rows);
        raw = RawResult();
    };
    const double ratio = compare(
        label, Repetitions, [&] { openQuery(q, sql, param); },
        [&] { rawRead(con.handle(), sql, param, raw, Raw::Touch); }, cleanup);
    const double copying = compare(
        label + " (raw copies)", Repetitions, [&] { openQuery(q, sql, param); },
        [&] { rawRead(con.handle(), sql, param, raw, Raw::Copy); }, cleanup);
    openQuery(q, sql, param);
    rawRead(con.handle(), sql, param, raw);
    if (static_cast<std::size_t>(q.recordCount()) != raw.rows)
        throw std::runtime_error("the two sides read different rows");
    report("rows", std::to_string(raw.rows));
    char shown[32];
    std::snprintf(shown, sizeof shown, "%.3f", copying);
    report("query / raw copying every cell", shown);
    std::snprintf(shown, sizeof shown, "%.3f", ratio);
    verdict("query / raw reading every cell in place", ratio, 1.2, shown);
}

}   // namespace

// First, while the heap is fresh: the resident memory an open result of all contacts takes.
TXL_BENCH_CASE("db: memory of the open result") {
    Connection &con = AddressBook::get().connection();
    // A raw pass first: it counts the text and leaves SQLite's page cache as full as it gets, so
    // the differences below are the results alone.
    RawResult counted;
    rawRead(con.handle(), AllContacts, QString(), counted);
    const double text = static_cast<double>(counted.textBytes);
    counted = RawResult();
    releaseFreeMemory();

    const std::size_t before = residentBytes();
    auto q = std::make_unique<Query>(con, u"query"_s);
    openQuery(*q, AllContacts, QString());
    releaseFreeMemory();
    const double queryRss = static_cast<double>(residentBytes()) - static_cast<double>(before);
    const double held = static_cast<double>(q->memoryBytes());
    q.reset();
    releaseFreeMemory();

    const std::size_t rawBefore = residentBytes();
    RawResult raw;
    rawRead(con.handle(), AllContacts, QString(), raw, Raw::Copy);
    releaseFreeMemory();
    const double rawRss = static_cast<double>(residentBytes()) - static_cast<double>(rawBefore);

    char shown[64];
    report("raw text bytes (UTF-8, all cells)", megabytes(text));
    std::snprintf(shown, sizeof shown, "%s = %.2f x text", megabytes(queryRss).c_str(), queryRss / text);
    verdict("resident growth, query open", queryRss / text, 2.0, shown);
    std::snprintf(shown, sizeof shown, "%s = %.2f x text", megabytes(held).c_str(), held / text);
    verdict("memoryBytes()", held / text, 2.0, shown);
    std::snprintf(shown, sizeof shown, "%s = %.2f x text", megabytes(rawRss).c_str(), rawRss / text);
    report("resident growth, raw vector<std::string>", shown);
}

TXL_BENCH_CASE("db: open all contacts") {
    compareOpen("select * from UsersInfo", AllContacts, QString());
}

TXL_BENCH_CASE("db: fuzzy search") {
    compareOpen("手机号码 like '%13%'", FuzzyMobile, FuzzyText);
}

// Walking the open result row by row, as the report and the navigation buttons do. The time per
// row must not grow with the way into the list: the same number of rows is walked at its start, in
// its middle and at its end, the three taking turns, so that each walk reads as much memory as the
// others and a busy moment of the machine falls on all three alike.
TXL_BENCH_CASE("db: walk with next") {
    Connection &con = AddressBook::get().connection();
    Query q(con, u"query"_s);
    openQuery(q, AllContacts, QString());
    const QStringList fields = {u"姓名"_s,     u"性别"_s, u"出生日期"_s, u"手机号码"_s, u"宿舍号码"_s,
                                u"家庭电话"_s, u"QQ"_s,   u"电子邮箱"_s, u"家庭住址"_s};
    constexpr int Window = 10000;
    const std::vector<int> ends = {10000, 50000, 100000};
    std::vector<std::function<void()>> walks, reads;
    for (const int end : ends) {
        const int start = end - Window;
        walks.push_back([&q, start] {
            std::size_t bytes = 0;
            q.moveTo(start);
            for (int i = 1; i < Window; ++i) {
                q.next();
                bytes += q.rawValue(q.currentRow(), 0).size();
            }
            keep(bytes);
        });
        reads.push_back([&q, &fields, start] {
            std::size_t chars = 0;
            q.moveTo(start);
            for (int i = 0; i < Window; ++i, q.next()) {
                for (const QString &f : fields)
                    chars += static_cast<std::size_t>(q.fieldByName(f).size());
            }
            keep(chars);
        });
    }
    const std::vector<double> walk = interleavedMedians(3 * Repetitions, walks);
    const std::vector<double> read = interleavedMedians(3 * Repetitions, reads);
    std::vector<double> perRow;
    for (std::size_t k = 0; k < ends.size(); ++k) {
        char label[64], shown[96];
        std::snprintf(label, sizeof label, "rows %d-%d", ends[k] - Window + 1, ends[k]);
        std::snprintf(shown, sizeof shown, "next %6.1f ns/row   next + 9 x fieldByName %7.1f ns/row",
                      walk[k] / Window * 1e9, read[k] / Window * 1e9);
        report(label, shown);
        perRow.push_back(read[k] / Window);
    }
    const auto [lo, hi] = std::minmax_element(perRow.begin(), perRow.end());
    char shown[32];
    std::snprintf(shown, sizeof shown, "%.2f", *hi / *lo);
    verdict("slowest / fastest per-row time (1 = linear)", *hi / *lo, 1.5, shown);
}
