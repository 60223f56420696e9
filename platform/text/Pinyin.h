#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace txl::text {

// A search text typed in pinyin ("zs", "zhangsan", "zhang'san", "lv"), ready to be matched against
// column texts.
//
// A column text matches when a run of consecutive characters, starting at any character, spells
// the search text: each Chinese character by a non-empty beginning of one of its readings, each
// Latin letter by itself, letter case ignored. "v" spells ü, and so does "u". An apostrophe or a
// space in the search text marks where one character ends: "xi'an" finds 西安 but not 先.
class PinyinPattern {
public:
    // nullopt unless `text` is Latin letters, apostrophes and spaces with at least one letter.
    static std::optional<PinyinPattern> compile(std::string_view text);

    // Whether the UTF-8 `text` matches. One pattern is not for concurrent use: it keeps its
    // working state between calls so that matching a row allocates nothing.
    bool matches(std::string_view text) const;

    const std::string &letters() const { return m_letters; }

private:
    using Bits = std::vector<std::uint64_t>;   // one bit per position in m_letters, and the end

    std::string m_letters;   // lower case, separators removed
    int m_syllables = 0;
    // Per position and syllable id: how many letters from that position the syllable's beginning
    // spells (0 = none), never running across a separator.
    std::vector<std::uint8_t> m_spans;
    std::array<Bits, 26> m_letterAt;   // per letter: the positions holding it
    mutable Bits m_reached;            // positions a run of characters has spelt up to
    mutable Bits m_next;
};

// Whether `text` can be matched as pinyin: see PinyinPattern::compile().
bool isPinyinText(std::string_view text);

// The readings of one ideograph (a code point, so Extension B onward too), the most common first;
// none for anything else.
std::vector<std::string_view> pinyinReadings(char32_t c);

}   // namespace txl::text
