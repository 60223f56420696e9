#include "exchange/Csv.h"

#include "exchange/HeaderMap.h"
#include "exchange/Text.h"

#include <QIODevice>

#include <type_traits>

using namespace Qt::StringLiterals;

namespace txl::exchange::csv {

namespace {

// The characters that matter here are ASCII, the same in a QString and in UTF-8.
char16_t unit(QChar c) {
    return c.unicode();
}

char16_t unit(char c) {
    return static_cast<unsigned char>(c);
}

void put(QString &out, char16_t c) {
    out.append(QChar(c));
}

void put(QByteArray &out, char16_t c) {
    out.append(static_cast<char>(c));
}

bool startsFormula(char16_t c) {
    return c == u'=' || c == u'+' || c == u'-' || c == u'@';
}

// Apostrophes followed by a formula character: the values that carry one apostrophe more.
template <class Text>
bool apostrophesThenFormula(Text value, qsizetype from) {
    qsizetype i = from;
    while (i < value.size() && unit(value[i]) == u'\'')
        ++i;
    return i < value.size() && startsFormula(unit(value[i]));
}

template <class Text>
bool needsQuotes(Text value) {
    for (const auto c : value) {
        const char16_t u = unit(c);
        if (u == u',' || u == u'"' || u == u'\n' || u == u'\r')
            return true;
    }
    return false;
}

// Appends `value` to a line as one field: text (QStringView into a QString) or UTF-8 (a
// QByteArrayView into a QByteArray).
template <class Line, class Text>
void appendField(Line &line, Text value) {
    const bool quoted = needsQuotes(value);
    if (quoted)
        put(line, u'"');
    if (apostrophesThenFormula(value, 0))
        put(line, u'\'');
    if (!quoted) {
        line.append(value);
        return;
    }
    qsizetype from = 0;
    for (qsizetype i = 0; i < value.size(); ++i) {
        if (unit(value[i]) == u'"') {
            line.append(value.sliced(from, i + 1 - from));
            put(line, u'"');
            from = i + 1;
        }
    }
    line.append(value.sliced(from));
    put(line, u'"');
}

// The titles, then a line per contact. `Line` is QByteArray when the values go over as UTF-8
// straight from the source, QString when they are encoded otherwise.
template <class Line>
void writeLines(const ContactSource &contacts, BlockWriter &writer, const Progress &progress) {
    constexpr bool utf8 = std::is_same_v<Line, QByteArray>;
    Line line;
    QByteArray scratch;
    const auto addLine = [&](const auto &valueOf) {
        line.truncate(0);
        for (int c = 0; c < schema::ContactColumnCount; ++c) {
            if (c > 0)
                put(line, u',');
            appendField(line, valueOf(static_cast<schema::Contact>(c)));
        }
        put(line, u'\r');
        put(line, u'\n');
        writer.add(line);
    };
    addLine([&](schema::Contact c) {
        if constexpr (utf8)
            return QByteArray(schema::ContactColumns[c].name.toUtf8());
        else
            return schema::ContactColumns[c].name;
    });
    const int rows = contacts.count();
    for (int r = 0; r < rows; ++r) {
        reportStep(progress, r, rows);
        addLine([&](schema::Contact c) {
            if constexpr (utf8)
                return contacts.utf8(r, c, scratch);
            else
                return contacts.value(r, c);
        });
    }
    writer.flush();
}

// Reads the UTF-8 text of a file, a record (which quoted line breaks may carry over several
// lines) at a time.
class Parser {
public:
    Parser(QByteArrayView text, ReadResult &result, const ReadOptions &options, const Progress &progress)
        : m_text(text),
          m_result(result),
          m_intake(result),
          m_table(m_intake, result, options),
          m_progress(progress) {
        m_delimiter = guessDelimiter();
    }

    void run() {
        TableRow row;
        for (qint64 records = 0; m_pos < m_text.size() && m_result.ok(); ++records) {
            if (m_progress && records % ProgressStep == 0 && !m_progress(m_pos, m_text.size()))
                throw Cancelled();
            const int line = m_line;
            readRecord(row);
            if (!m_result.ok())
                return;
            m_table.addRow(row, line);
        }
        m_table.finish();
        m_intake.finish();
        requireTable(m_result);
    }

private:
    // The first lines decide (a title above the table may hold no separator at all): commas unless
    // they hold none but semicolons or tabs.
    char guessDelimiter() const {
        int commas = 0, semicolons = 0, tabs = 0;
        int lines = 0;
        for (qsizetype i = 0; i < m_text.size() && lines < TableReader::TitleSearchRows; ++i) {
            const char c = m_text[i];
            commas += c == ',';
            semicolons += c == ';';
            tabs += c == '\t';
            lines += c == '\n';
        }
        if (commas == 0 && (semicolons > 0 || tabs > 0))
            return semicolons >= tabs ? ';' : '\t';
        return ',';
    }

    bool atLineEnd() const { return m_pos >= m_text.size() || m_text[m_pos] == '\n' || m_text[m_pos] == '\r'; }

    // Steps over one line end (CR LF, LF or CR alone).
    void skipLineEnd() {
        if (m_pos < m_text.size() && m_text[m_pos] == '\r')
            ++m_pos;
        if (m_pos < m_text.size() && m_text[m_pos] == '\n')
            ++m_pos;
        ++m_line;
    }

    void readRecord(TableRow &row) {
        row.clear();
        for (int column = 0;; ++column) {
            QByteArray &cell = row.add(column);
            readField(cell);
            if (!m_result.ok())
                return;
            unprotectFormula(cell);
            if (cell.isEmpty())
                row.dropLast();
            if (m_pos < m_text.size() && m_text[m_pos] == m_delimiter) {
                ++m_pos;
                continue;
            }
            skipLineEnd();
            return;
        }
    }

    void readField(QByteArray &value) {
        if (m_pos >= m_text.size() || m_text[m_pos] != '"') {
            const qsizetype start = m_pos;
            while (!atLineEnd() && m_text[m_pos] != m_delimiter)
                ++m_pos;
            value.append(m_text.sliced(start, m_pos - start));
            return;
        }
        const int openedOn = m_line;
        ++m_pos;
        for (;;) {
            const qsizetype quote = m_text.indexOf('"', m_pos);
            if (quote < 0) {
                m_result.error = u"第%1行：引号没有结束（缺少与之配对的 \"），文件可能不完整。"_s.arg(openedOn);
                return;
            }
            const QByteArrayView part = m_text.sliced(m_pos, quote - m_pos);
            m_line += static_cast<int>(lineBreaks(part));
            value.append(part);
            m_pos = quote + 1;
            if (m_pos < m_text.size() && m_text[m_pos] == '"') {
                value.append('"');
                ++m_pos;
                continue;
            }
            if (!atLineEnd() && m_text[m_pos] != m_delimiter) {
                m_result.error = u"第%1行：引号后面直接跟着别的字符，字段的引号不成对。"_s.arg(m_line);
                return;
            }
            return;
        }
    }

    // Line breaks inside a quoted field: CR LF, LF or CR alone each count once.
    static qsizetype lineBreaks(QByteArrayView text) {
        qsizetype n = 0;
        for (qsizetype i = 0; i < text.size(); ++i) {
            if (text[i] == '\n' || (text[i] == '\r' && (i + 1 == text.size() || text[i + 1] != '\n')))
                ++n;
        }
        return n;
    }

    static void unprotectFormula(QByteArray &value) {
        if (value.startsWith('\'') && apostrophesThenFormula(QByteArrayView(value), 1))
            value.remove(0, 1);
    }

    QByteArrayView m_text;
    ReadResult &m_result;
    Intake m_intake;
    TableReader m_table;
    const Progress &m_progress;
    char m_delimiter = ',';
    qsizetype m_pos = 0;
    int m_line = 1;
};

}   // namespace

QString protectFormula(const QString &value) {
    return apostrophesThenFormula(QStringView(value), 0) ? u'\'' + value : value;
}

QString unprotectFormula(const QString &value) {
    return value.startsWith(u'\'') && apostrophesThenFormula(QStringView(value), 1) ? value.mid(1) : value;
}

void write(const ContactSource &contacts, Encoding encoding, QIODevice &out, const Progress &progress) {
    BlockWriter writer(out, encoding, encoding == Encoding::Utf8);   // Excel needs the mark to see UTF-8
    if (encoding == Encoding::Utf8)
        writeLines<QByteArray>(contacts, writer, progress);
    else
        writeLines<QString>(contacts, writer, progress);
}

ReadResult read(const QByteArray &bytes, const ReadOptions &options, const Progress &progress) {
    ReadResult result;
    result.format = Format::Csv;
    const std::optional<QByteArray> text = textAsUtf8(bytes, result.encoding, result.error);
    if (!text)
        return result;
    Parser(*text, result, options, progress).run();
    if (!result.ok())
        result.records.clear();
    return result;
}

}   // namespace txl::exchange::csv
