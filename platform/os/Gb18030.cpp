#include "platform/os/Gb18030.h"

#include <iconv.h>

#include <array>
#include <cerrno>
#include <stdexcept>

namespace txl::os {

namespace {

// One converter per thread, opened on first use and kept: entry limits ask on every keystroke.
class Gb18030Encoder {
public:
    Gb18030Encoder() : m_cd(iconv_open("GB18030", "UTF-32LE")) {
        if (m_cd == reinterpret_cast<iconv_t>(-1))
            throw std::runtime_error("GB18030 conversion is not available on this system");
    }
    ~Gb18030Encoder() { iconv_close(m_cd); }
    Gb18030Encoder(const Gb18030Encoder &) = delete;
    Gb18030Encoder &operator=(const Gb18030Encoder &) = delete;

    // Bytes of one code point in GB18030. Every code point has a form there: ASCII takes one byte,
    // the characters of GBK two, everything else four.
    int length(char32_t codePoint) {
        if (codePoint < 0x80)
            return 1;
        if (codePoint >= 0x10000)
            return 4;
        std::array<char, 4> in{char(codePoint & 0xff), char((codePoint >> 8) & 0xff), 0, 0};
        std::array<char, 8> out{};
        char *inPtr = in.data();
        char *outPtr = out.data();
        std::size_t inLeft = in.size();
        std::size_t outLeft = out.size();
        iconv(m_cd, nullptr, nullptr, nullptr, nullptr);
        if (iconv(m_cd, &inPtr, &inLeft, &outPtr, &outLeft) == static_cast<std::size_t>(-1))
            return 4;   // unpaired surrogates and the like: no character of GBK
        return static_cast<int>(out.size() - outLeft);
    }

private:
    iconv_t m_cd;
};

int codePointLength(char32_t codePoint) {
    if (codePoint < 0x80)
        return 1;
    if (codePoint >= 0x4E00 && codePoint <= 0x9FA5)
        return 2;   // the CJK ideographs GBK holds, nearly every character of a Chinese text
    thread_local Gb18030Encoder encoder;
    return encoder.length(codePoint);
}

// Length in UTF-16 units of the character starting at `i` (a surrogate pair counts as one).
qsizetype unitsAt(const QString &text, qsizetype i) {
    return (text.at(i).isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate()) ? 2 : 1;
}

char32_t codePointAt(const QString &text, qsizetype i, qsizetype units) {
    if (units == 2)
        return QChar::surrogateToUcs4(text.at(i), text.at(i + 1));
    return text.at(i).unicode();
}

}   // namespace

int gb18030Length(const QString &text) {
    int bytes = 0;
    for (qsizetype i = 0; i < text.size();) {
        const qsizetype units = unitsAt(text, i);
        bytes += codePointLength(codePointAt(text, i, units));
        i += units;
    }
    return bytes;
}

QString cutToGb18030(const QString &text, int bytes) {
    int used = 0;
    qsizetype i = 0;
    while (i < text.size()) {
        const qsizetype units = unitsAt(text, i);
        const int length = codePointLength(codePointAt(text, i, units));
        if (used + length > bytes)
            break;
        used += length;
        i += units;
    }
    return text.left(i);
}

}   // namespace txl::os
