#include "platform/db/SqlText.h"

#include <string_view>

namespace txl::db::sqltext {

using namespace Qt::StringLiterals;

namespace {

// A marker's name runs up to one of these (or the end of the text).
bool endsName(QChar c) {
    return c == u'\n' || c == u'\r' || c == u' ' || c == u')' || c == u',' || c == u';';
}

bool isQuote(QChar c) {
    return c == u'\'' || c == u'"' || c == u'`';
}

bool isSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f' || c == '\v';
}

bool isWordChar(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' ||
           static_cast<unsigned char>(c) >= 0x80;
}

// `word` (lower case) at `at` as a whole word, in any letter case.
bool wordAt(std::string_view text, std::size_t at, std::string_view word) {
    if (at + word.size() > text.size())
        return false;
    for (std::size_t i = 0; i < word.size(); ++i) {
        char c = text[at + i];
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
        if (c != word[i])
            return false;
    }
    const bool startsWord = at == 0 || !isWordChar(text[at - 1]);
    const bool endsWord = at + word.size() == text.size() || !isWordChar(text[at + word.size()]);
    return startsWord && endsWord;
}

std::size_t skipSpace(std::string_view text, std::size_t at) {
    while (at < text.size() && isSpace(text[at]))
        ++at;
    return at;
}

}   // namespace

MarkedStatement markParameters(const QString &text) {
    MarkedStatement result;
    QString out;
    out.reserve(text.size() + 8);
    QChar quote;
    const qsizetype n = text.size();
    for (qsizetype i = 0; i < n; ++i) {
        const QChar c = text[i];
        if (!quote.isNull()) {
            out += c;
            if (c == quote)
                quote = QChar();
            continue;
        }
        if (isQuote(c)) {
            quote = c;
            out += c;
            continue;
        }
        if (c != u':') {
            out += c;
            continue;
        }
        if (i + 1 < n && text[i + 1] == u':') {
            // Spaced apart so that it joins no neighbour: 'a'':' would be one literal, X':' a blob.
            out += u" ':' "_s;
            ++i;
            continue;
        }
        qsizetype end = i + 1;
        while (end < n && !endsName(text[end]))
            ++end;
        if (end == i + 1) {   // a colon with no name is no marker
            out += c;
            continue;
        }
        const QString name = text.mid(i + 1, end - i - 1);
        qsizetype index = 0;
        while (index < result.names.size() && result.names[index].compare(name, Qt::CaseInsensitive) != 0)
            ++index;
        if (index == result.names.size())
            result.names.append(name);
        out += u'?' + QString::number(index + 1);
        i = end - 1;
    }
    result.command = out.toUtf8();
    return result;
}

std::optional<QByteArray> withRowid(const QByteArray &command) {
    const std::string_view text(command.constData(), static_cast<std::size_t>(command.size()));
    const std::size_t n = text.size();
    std::size_t at = skipSpace(text, 0);
    if (!wordAt(text, at, "select"))
        return std::nullopt;
    at = skipSpace(text, at + 6);
    if (wordAt(text, at, "distinct"))
        return std::nullopt;

    std::size_t from = std::string_view::npos;
    int depth = 0;
    for (std::size_t i = at; i < n;) {
        const char c = text[i];
        if (c == '\'' || c == '"' || c == '`' || c == '[') {
            const std::size_t close = text.find(c == '[' ? ']' : c, i + 1);
            i = close == std::string_view::npos ? n : close + 1;
        } else if (c == '-' && i + 1 < n && text[i + 1] == '-') {
            const std::size_t end = text.find('\n', i);
            i = end == std::string_view::npos ? n : end + 1;
        } else if (c == '/' && i + 1 < n && text[i + 1] == '*') {
            const std::size_t end = text.find("*/", i + 2);
            i = end == std::string_view::npos ? n : end + 2;
        } else {
            if (c == '(')
                ++depth;
            else if (c == ')')
                --depth;
            else if (depth == 0 && from == std::string_view::npos && wordAt(text, i, "from"))
                from = i;
            else if (depth == 0 && wordAt(text, i, "group") && wordAt(text, skipSpace(text, i + 5), "by"))
                return std::nullopt;
            ++i;
        }
    }
    if (from == std::string_view::npos)
        return std::nullopt;
    QByteArray variant = command.left(static_cast<qsizetype>(from));
    variant += ", rowid ";
    variant += command.mid(static_cast<qsizetype>(from));
    return variant;
}

}   // namespace txl::db::sqltext
