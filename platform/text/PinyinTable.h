#pragma once

#include <cstdint>

// The pinyin readings of the CJK Unified Ideographs U+4E00..U+9FFF, generated at build time from
// the Unihan database. Readings are toneless, in lower case, ü written as "v".
namespace txl::text::pinyin_table {

inline constexpr char32_t First = 0x4E00;
inline constexpr char32_t Last = 0x9FFF;

extern const int SyllableCount;
extern const int CharacterCount;   // characters with at least one reading
extern const int PolyphoneCount;   // characters with more than one
// Every distinct reading, NUL-terminated, in alphabetical order; a syllable id indexes it.
extern const char Syllables[][8];
// The readings of code point c are the syllable ids Readings[Offsets[c - First]] up to
// Readings[Offsets[c - First + 1]], the most common first.
extern const std::uint16_t Offsets[];
extern const std::uint16_t Readings[];

}   // namespace txl::text::pinyin_table
