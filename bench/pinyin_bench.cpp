// The fuzzy search on 姓名 and 家庭住址 over 100,000 generated contacts: typed in pinyin (the
// contains match and pinyin_match in one scan) against the plain contains search, in the same run.

#include "bench/Fixtures.h"
#include "bench/Harness.h"

#include "data/Statements.h"
#include "data/U2.h"
#include "platform/db/Query.h"

#include <cstdio>
#include <stdexcept>
#include <string>

using namespace Qt::StringLiterals;

namespace {

using namespace txl::bench;

constexpr int Contacts = 100000;
constexpr int Repetitions = 9;

int search(txl::db::Query &q, const QString &column, const QString &text) {
    const txl::sql::Search s = txl::sql::fuzzySearchFor(column, text);
    TDataModule1::reload(q, s.statement, s.params);
    keep(static_cast<std::size_t>(q.recordCount()));
    return q.recordCount();
}

// Times the search for `typed` against the search for `plain` on `column`, both through the data
// module's query; `sameRows` requires both to find the same number of contacts.
double pinyinAgainstPlain(TDataModule1 &module, const QString &column, const QString &typed, const QString &plain,
                          bool sameRows) {
    txl::db::Query &q = module.query;
    const std::string label = u"%1 '%2' / '%3'"_s.arg(column, typed, plain).toStdString();
    const double ratio = compare(
        label, Repetitions, [&] { search(q, column, typed); }, [&] { search(q, column, plain); }, [&] { q.close(); });
    const int pinyinRows = search(q, column, typed);
    const int plainRows = search(q, column, plain);
    if (sameRows && pinyinRows != plainRows)
        throw std::runtime_error("the pinyin and the plain search found different contacts");
    report("rows found", std::to_string(pinyinRows) + " / " + std::to_string(plainRows));
    return ratio;
}

}   // namespace

TXL_BENCH_CASE("pinyin: fuzzy search on 姓名 and 家庭住址") {
    GeneratedBook book(Contacts);
    TDataModule1 module(book.path());
    module.con.open();
    char shown[32];

    // The same contacts found both ways: what the match costs on top of the scan.
    double ratio = pinyinAgainstPlain(module, u"姓名"_s, u"zhang"_s, u"张"_s, true);
    std::snprintf(shown, sizeof shown, "%.3f", ratio);
    verdict("pinyin 'zhang' / plain '张'", ratio, 1.5, shown);

    // Nothing found either way: the scan alone, the pinyin match run on every row.
    ratio = pinyinAgainstPlain(module, u"姓名"_s, u"qqq"_s, u"孙七"_s, true);
    std::snprintf(shown, sizeof shown, "%.3f", ratio);
    verdict("pinyin 'qqq' / plain '孙七' (no rows)", ratio, 1.5, shown);

    // Initials, which find more contacts than one character does.
    ratio = pinyinAgainstPlain(module, u"姓名"_s, u"zw"_s, u"张"_s, false);
    std::snprintf(shown, sizeof shown, "%.3f", ratio);
    report("pinyin 'zw' / plain '张'", shown);

    // Addresses are longer: every character of every row is looked up in the table.
    ratio = pinyinAgainstPlain(module, u"家庭住址"_s, u"hangzhou"_s, u"杭州"_s, true);
    std::snprintf(shown, sizeof shown, "%.3f", ratio);
    verdict("pinyin 'hangzhou' / plain '杭州' on 家庭住址", ratio, 1.5, shown);
}
