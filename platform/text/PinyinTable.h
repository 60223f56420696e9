#pragma once

#include <bit>
#include <cstdint>
#include <span>

// The pinyin readings of the CJK ideographs, generated at build time from the Unihan database:
// every unified ideograph from Extension A (U+3400) up through the supplementary planes, and the
// compatibility ideographs by the character they stand for. Readings are toneless, in lower case,
// ü written as "v".
namespace txl::text::pinyin_table {

inline constexpr char32_t First = 0x3400;
// Code points are looked up in pages of 64: a page's bits say which of its code points have
// readings, so the empty stretches between the blocks cost two bytes a page.
inline constexpr int PageShift = 6;

extern const int SyllableCount;
extern const int CharacterCount;   // characters with at least one reading
extern const int PolyphoneCount;   // characters with more than one
extern const int PageCount;        // pages from First up to the last character with readings
// Every distinct reading, NUL-terminated, in alphabetical order; a syllable id indexes it.
extern const char Syllables[][8];
// Per page of 64 code points from First: its entry in PageBits and PageStart, 0 for a page
// without readings (whose bits are 0).
extern const std::uint16_t Pages[];
extern const std::uint64_t PageBits[];
// The index in CharacterSets of the page's first character with readings.
extern const std::uint32_t PageStart[];
// Per character with readings, in code point order: its set of readings. Characters share sets,
// a few hundred of them polyphones.
extern const std::uint16_t CharacterSets[];
// The syllable ids of set s are SetReadings[SetStart[s]] up to SetReadings[SetStart[s + 1]], the
// most common first.
extern const std::uint16_t SetStart[];
extern const std::uint16_t SetReadings[];

// The syllable ids of `c`'s readings, empty when it has none.
inline std::span<const std::uint16_t> readingIds(char32_t c) {
    if (c < First)
        return {};
    const std::uint32_t offset = c - First;
    const std::uint32_t page = offset >> PageShift;
    if (page >= static_cast<std::uint32_t>(PageCount))
        return {};
    const std::uint16_t entry = Pages[page];
    const std::uint64_t bits = PageBits[entry];
    const std::uint64_t bit = std::uint64_t{1} << (offset & ((1u << PageShift) - 1));
    if (!(bits & bit))
        return {};
    const std::uint16_t set =
        CharacterSets[PageStart[entry] + static_cast<std::uint32_t>(std::popcount(bits & (bit - 1)))];
    return {SetReadings + SetStart[set], SetReadings + SetStart[set + 1]};
}

}   // namespace txl::text::pinyin_table
