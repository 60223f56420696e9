#pragma once

struct sqlite3;

namespace txl::data {

// Registers pinyin_match(search text, column text) on `db`: 1 when the column text spells the
// search text in pinyin (see txl::text::PinyinPattern), otherwise 0; 0 as well for a search text
// that is not pinyin and for NULL. The search text is compiled once per statement. Throws
// txl::db::DbError when SQLite refuses the function.
void registerPinyinMatch(sqlite3 *db);

}   // namespace txl::data
