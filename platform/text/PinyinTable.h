#pragma once

#include <cstdint>
#include <span>

// The pinyin readings of the CJK ideographs, generated at build time from the Unihan database:
// every unified ideograph from Extension A (U+3400) up through the supplementary planes, and the
// compatibility ideographs by the character they stand for. Readings are toneless, in lower case,
// ü written as "v".
namespace txl::text::pinyin_table {

inline constexpr char32_t First = 0x3400;
// Code points are looked up in pages of 64: the pages without readings (most of the space
// between the blocks, and much of Extension B) share one block of CharacterSets.
inline constexpr int PageShift = 6;
inline constexpr std::uint32_t PageSize = 1u << PageShift;

extern const int SyllableCount;
extern const int CharacterCount;   // characters with at least one reading
extern const int PolyphoneCount;   // characters with more than one
extern const int PageCount;        // pages from First up to the last character with readings
// Every distinct reading, NUL-terminated, in alphabetical order; a syllable id indexes it.
extern const char Syllables[][8];
// Per page of 64 code points from First: its block of 64 entries in CharacterSets. Block 0 holds
// only the empty set.
extern const std::uint16_t Pages[];
// Per code point of a block: its set of readings, 0 (the empty set) for none. Characters share
// sets, a few hundred of them polyphones.
extern const std::uint16_t CharacterSets[];
// The syllable ids of set s are SetReadings[SetStart[s]] up to SetReadings[SetStart[s + 1]], the
// most common first.
extern const std::uint16_t SetStart[];
extern const std::uint16_t SetReadings[];

// The syllable ids of `c`'s readings, empty when it has none.
inline std::span<const std::uint16_t> readingIds(char32_t c) {
    const std::uint32_t offset = c - First;   // wraps round below First
    if (c < First || offset >> PageShift >= static_cast<std::uint32_t>(PageCount))
        return {};
    const std::uint32_t block = std::uint32_t{Pages[offset >> PageShift]} << PageShift;
    const std::uint16_t set = CharacterSets[block | (offset & (PageSize - 1))];
    return {SetReadings + SetStart[set], SetReadings + SetStart[set + 1]};
}

}   // namespace txl::text::pinyin_table
