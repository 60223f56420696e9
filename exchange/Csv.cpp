#include "exchange/Csv.h"

#include "exchange/HeaderMap.h"
#include "exchange/Text.h"

#include <QIODevice>
#include <QStringEncoder>

using namespace Qt::StringLiterals;

namespace txl::exchange::csv {

namespace {

bool startsFormula(QChar c) {
    return c == u'=' || c == u'+' || c == u'-' || c == u'@';
}

// Apostrophes followed by a formula character: the values that carry one apostrophe more.
bool apostrophesThenFormula(const QString &value, qsizetype from) {
    qsizetype i = from;
    while (i < value.size() && value.at(i) == u'\'')
        ++i;
    return i < value.size() && startsFormula(value.at(i));
}

bool needsQuotes(const QString &value) {
    for (const QChar c : value) {
        if (c == u',' || c == u'"' || c == u'\n' || c == u'\r')
            return true;
    }
    return false;
}

void appendField(QString &line, const QString &value) {
    const QString text = protectFormula(value);
    if (!needsQuotes(text)) {
        line += text;
        return;
    }
    line += u'"';
    for (const QChar c : text) {
        if (c == u'"')
            line += u'"';
        line += c;
    }
    line += u'"';
}

// Collects encoded lines and hands them to the device in large blocks.
class BlockWriter {
public:
    BlockWriter(QIODevice &out, Encoding encoding)
        : m_out(out), m_encoder(encoding == Encoding::Gb18030 ? QStringEncoder("GB18030")
                                                              : QStringEncoder(QStringEncoder::Utf8)) {
        if (encoding == Encoding::Utf8)
            m_block.append("\xEF\xBB\xBF");
    }
    void add(const QString &text) {
        m_block += m_encoder.encode(text);
        if (m_block.size() >= BlockSize)
            flush();
    }
    void flush() {
        if (!m_block.isEmpty() && m_out.write(m_block) != m_block.size())
            throw ExchangeError(u"写入文件失败：%1"_s.arg(m_out.errorString()));
        m_block.clear();
    }

private:
    static constexpr qsizetype BlockSize = 1 << 16;
    QIODevice &m_out;
    QStringEncoder m_encoder;
    QByteArray m_block;
};

class Parser {
public:
    Parser(const QString &text, ReadResult &result) : m_text(text), m_result(result), m_table(result) {
        m_delimiter = guessDelimiter();
    }

    void run() {
        while (m_pos < m_text.size() && m_result.ok()) {
            const int line = m_line;
            QStringList cells = readRecord();
            if (!m_result.ok())
                return;
            for (QString &c : cells)
                c = unprotectFormula(c);
            m_table.addRow(cells, line);
        }
        m_table.finish();
    }

private:
    // The title line (the first that is not blank) decides: commas unless it has none but
    // semicolons or tabs.
    QChar guessDelimiter() const {
        int commas = 0, semicolons = 0, tabs = 0;
        qsizetype i = 0;
        while (i < m_text.size() && m_text.at(i).isSpace())
            ++i;
        for (; i < m_text.size() && m_text.at(i) != u'\n'; ++i) {
            const QChar c = m_text.at(i);
            commas += c == u',';
            semicolons += c == u';';
            tabs += c == u'\t';
        }
        if (commas == 0 && (semicolons > 0 || tabs > 0))
            return semicolons >= tabs ? u';' : u'\t';
        return u',';
    }

    bool atLineEnd() const {
        return m_pos >= m_text.size() || m_text.at(m_pos) == u'\n' || m_text.at(m_pos) == u'\r';
    }

    // Steps over one line end (CR LF, LF or CR alone).
    void skipLineEnd() {
        if (m_pos < m_text.size() && m_text.at(m_pos) == u'\r')
            ++m_pos;
        if (m_pos < m_text.size() && m_text.at(m_pos) == u'\n')
            ++m_pos;
        ++m_line;
    }

    QStringList readRecord() {
        QStringList cells;
        for (;;) {
            cells << readField();
            if (!m_result.ok())
                return {};
            if (m_pos < m_text.size() && m_text.at(m_pos) == m_delimiter) {
                ++m_pos;
                continue;
            }
            skipLineEnd();
            return cells;
        }
    }

    QString readField() {
        if (m_pos >= m_text.size() || m_text.at(m_pos) != u'"') {
            const qsizetype start = m_pos;
            while (!atLineEnd() && m_text.at(m_pos) != m_delimiter)
                ++m_pos;
            return m_text.sliced(start, m_pos - start);
        }
        const int openedOn = m_line;
        ++m_pos;
        QString value;
        for (;;) {
            if (m_pos >= m_text.size()) {
                m_result.error = u"第%1行：引号没有结束（缺少与之配对的 \"），文件可能不完整。"_s.arg(openedOn);
                return {};
            }
            const QChar c = m_text.at(m_pos++);
            if (c == u'"') {
                if (m_pos < m_text.size() && m_text.at(m_pos) == u'"') {
                    value += u'"';
                    ++m_pos;
                    continue;
                }
                if (!atLineEnd() && m_text.at(m_pos) != m_delimiter) {
                    m_result.error = u"第%1行：引号后面直接跟着别的字符，字段的引号不成对。"_s.arg(m_line);
                    return {};
                }
                return value;
            }
            if (c == u'\n' || (c == u'\r' && (m_pos >= m_text.size() || m_text.at(m_pos) != u'\n')))
                ++m_line;
            value += c;
        }
    }

    const QString &m_text;
    ReadResult &m_result;
    TableReader m_table;
    QChar m_delimiter;
    qsizetype m_pos = 0;
    int m_line = 1;
};

} // namespace

QString protectFormula(const QString &value) {
    return apostrophesThenFormula(value, 0) ? u'\'' + value : value;
}

QString unprotectFormula(const QString &value) {
    return value.startsWith(u'\'') && apostrophesThenFormula(value, 1) ? value.mid(1) : value;
}

void write(const ContactSource &contacts, Encoding encoding, QIODevice &out, const Progress &progress) {
    BlockWriter writer(out, encoding);
    QString line;
    for (int c = 0; c < schema::ContactColumnCount; ++c) {
        if (c > 0)
            line += u',';
        appendField(line, schema::ContactColumns[c].name);
    }
    line += u"\r\n"_s;
    writer.add(line);
    const int rows = contacts.count();
    for (int r = 0; r < rows; ++r) {
        if (progress && r % ProgressStep == 0 && !progress(r, rows))
            throw Cancelled();
        line.clear();
        for (int c = 0; c < schema::ContactColumnCount; ++c) {
            if (c > 0)
                line += u',';
            appendField(line, contacts.value(r, static_cast<schema::Contact>(c)));
        }
        line += u"\r\n"_s;
        writer.add(line);
    }
    writer.flush();
}

ReadResult read(const QByteArray &bytes) {
    ReadResult result;
    result.format = Format::Csv;
    const std::optional<QString> text = decodeText(bytes, result.encoding, result.error);
    if (!text)
        return result;
    Parser(*text, result).run();
    if (!result.ok())
        result.records.clear();
    return result;
}

} // namespace txl::exchange::csv
