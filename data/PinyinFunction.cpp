#include "data/PinyinFunction.h"

#include "platform/db/DbError.h"
#include "platform/text/Pinyin.h"

#include <sqlite3.h>

#include <new>
#include <string_view>

namespace txl::data {

namespace {

using text::PinyinPattern;

std::string_view textOf(sqlite3_value *value) {
    const auto *bytes = reinterpret_cast<const char *>(sqlite3_value_text(value));
    return bytes ? std::string_view(bytes, static_cast<std::size_t>(sqlite3_value_bytes(value))) : std::string_view();
}

void pinyinMatch(sqlite3_context *context, int, sqlite3_value **args) {
    if (sqlite3_value_type(args[0]) == SQLITE_NULL || sqlite3_value_type(args[1]) == SQLITE_NULL) {
        sqlite3_result_int(context, 0);
        return;
    }
    try {
        // The search text is a bound parameter, the same on every row: SQLite keeps the compiled
        // pattern with it until the statement ends.
        auto *pattern = static_cast<PinyinPattern *>(sqlite3_get_auxdata(context, 0));
        bool compiledHere = false;
        if (!pattern) {
            auto compiled = PinyinPattern::compile(textOf(args[0]));
            if (!compiled) {
                sqlite3_result_int(context, 0);
                return;
            }
            pattern = new PinyinPattern(std::move(*compiled));
            compiledHere = true;
        }
        sqlite3_result_int(context, pattern->matches(textOf(args[1])) ? 1 : 0);
        // Handed over last: SQLite may free it at once when it cannot keep it.
        if (compiledHere)
            sqlite3_set_auxdata(context, 0, pattern, [](void *p) { delete static_cast<PinyinPattern *>(p); });
    } catch (const std::bad_alloc &) {
        sqlite3_result_error_nomem(context);
    }
}

}   // namespace

void registerPinyinMatch(sqlite3 *db) {
    const int rc = sqlite3_create_function(db, "pinyin_match", 2, SQLITE_UTF8 | SQLITE_DETERMINISTIC, nullptr,
                                           &pinyinMatch, nullptr, nullptr);
    if (rc != SQLITE_OK)
        throw db::DbError(
            QStringLiteral("Could not register pinyin_match: %1").arg(QString::fromUtf8(sqlite3_errmsg(db))), rc);
}

}   // namespace txl::data
