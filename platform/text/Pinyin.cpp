#include "platform/text/Pinyin.h"

#include "platform/text/PinyinTable.h"

#include <algorithm>
#include <bit>
#include <utility>

namespace txl::text {

namespace {

namespace table = pinyin_table;

bool isLetter(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

bool isSeparator(char c) {
    return c == '\'' || c == ' ';
}

char lower(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

// A typed letter against a letter of a reading: "u" also stands for ü ("v" in the table).
bool spells(char typed, char reading) {
    return typed == reading || (typed == 'u' && reading == 'v');
}

// The next code point of UTF-8 `text` from `pos`, advancing it; a malformed sequence gives one
// U+FFFD per byte, which matches nothing.
char32_t nextCodePoint(std::string_view text, std::size_t &pos) {
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
    const unsigned char lead = byte(pos);
    int length = 0;
    char32_t cp = 0;
    if (lead < 0x80) {
        ++pos;
        return lead;
    } else if ((lead & 0xE0) == 0xC0) {
        length = 2;
        cp = lead & 0x1F;
    } else if ((lead & 0xF0) == 0xE0) {
        length = 3;
        cp = lead & 0x0F;
    } else if ((lead & 0xF8) == 0xF0) {
        length = 4;
        cp = lead & 0x07;
    } else {
        ++pos;
        return 0xFFFD;
    }
    if (pos + static_cast<std::size_t>(length) > text.size()) {
        ++pos;
        return 0xFFFD;
    }
    for (int i = 1; i < length; ++i) {
        const unsigned char next = byte(pos + static_cast<std::size_t>(i));
        if ((next & 0xC0) != 0x80) {
            ++pos;
            return 0xFFFD;
        }
        cp = (cp << 6) | (next & 0x3F);
    }
    pos += static_cast<std::size_t>(length);
    return cp;
}

void setBit(std::vector<std::uint64_t> &bits, std::size_t i) {
    bits[i / 64] |= std::uint64_t{1} << (i % 64);
}

}   // namespace

bool isPinyinText(std::string_view text) {
    bool letter = false;
    for (const char c : text) {
        if (isLetter(c))
            letter = true;
        else if (!isSeparator(c))
            return false;
    }
    return letter;
}

std::optional<PinyinPattern> PinyinPattern::compile(std::string_view text) {
    if (!isPinyinText(text))
        return std::nullopt;
    PinyinPattern p;
    std::vector<bool> separatorBefore;
    bool separator = false;
    for (const char c : text) {
        if (isSeparator(c)) {
            separator = true;
            continue;
        }
        p.m_letters += lower(c);
        separatorBefore.push_back(separator && p.m_letters.size() > 1);
        separator = false;
    }

    const std::size_t m = p.m_letters.size();
    const std::size_t words = m / 64 + 1;
    for (Bits &bits : p.m_letterAt)
        bits.assign(words, 0);
    for (std::size_t i = 0; i < m; ++i)
        setBit(p.m_letterAt[static_cast<std::size_t>(p.m_letters[i] - 'a')], i);

    p.m_syllables = table::SyllableCount;
    p.m_spans.assign(m * static_cast<std::size_t>(p.m_syllables), 0);
    for (std::size_t i = 0; i < m; ++i) {
        for (int s = 0; s < p.m_syllables; ++s) {
            const char *syllable = table::Syllables[s];
            std::size_t k = 0;
            while (syllable[k] && i + k < m && spells(p.m_letters[i + k], syllable[k]) &&
                   (k == 0 || !separatorBefore[i + k]))
                ++k;
            p.m_spans[i * static_cast<std::size_t>(p.m_syllables) + static_cast<std::size_t>(s)] =
                static_cast<std::uint8_t>(k);
        }
    }
    p.m_reached.assign(words, 0);
    p.m_next.assign(words, 0);
    return p;
}

bool PinyinPattern::matches(std::string_view text) const {
    const std::size_t m = m_letters.size();
    const std::size_t words = m_reached.size();
    const std::size_t syllables = static_cast<std::size_t>(m_syllables);
    const std::uint64_t endBit = std::uint64_t{1} << (m % 64);

    // m_reached holds the positions that runs ending at the previous character have spelt up to,
    // and position 0: a run may start at any character.
    std::fill(m_reached.begin(), m_reached.end(), 0);
    m_reached[0] = 1;
    std::size_t pos = 0;
    while (pos < text.size()) {
        const char32_t c = nextCodePoint(text, pos);
        std::fill(m_next.begin(), m_next.end(), 0);

        if (c < 0x80 && isLetter(static_cast<char>(c))) {
            // A Latin letter spells itself: every reached position holding it moves on by one.
            const Bits &at = m_letterAt[static_cast<std::size_t>(lower(static_cast<char>(c)) - 'a')];
            std::uint64_t carry = 0;
            for (std::size_t w = 0; w < words; ++w) {
                const std::uint64_t moved = m_reached[w] & at[w];
                m_next[w] = (moved << 1) | carry;
                carry = moved >> 63;
            }
        } else if (const auto ids = table::readingIds(c); !ids.empty()) {
            // A Chinese character spells a beginning of one of its readings: from each reached
            // position, every length up to what the reading spells there.
            for (std::size_t w = 0; w < words; ++w) {
                for (std::uint64_t bits = m_reached[w]; bits; bits &= bits - 1) {
                    const std::size_t i = w * 64 + static_cast<std::size_t>(std::countr_zero(bits));
                    const std::uint8_t *spans = m_spans.data() + i * syllables;
                    for (const std::uint16_t id : ids) {
                        for (std::size_t k = spans[id]; k > 0; --k)
                            setBit(m_next, i + k);
                    }
                }
            }
        }
        // Anything else ends every run.

        if (m_next[words - 1] & endBit)
            return true;
        std::swap(m_reached, m_next);
        m_reached[0] |= 1;
    }
    return false;
}

std::vector<std::string_view> pinyinReadings(char32_t c) {
    std::vector<std::string_view> readings;
    for (const std::uint16_t id : table::readingIds(c))
        readings.emplace_back(table::Syllables[id]);
    return readings;
}

}   // namespace txl::text
