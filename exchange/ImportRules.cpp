#include "exchange/ImportRules.h"

#include "data/Schema.h"
#include "exchange/Dates.h"
#include "exchange/XlsxReader.h"
#include "platform/os/Gb18030.h"

#include <QDate>
#include <QHash>
#include <QRegularExpression>

using namespace Qt::StringLiterals;

namespace txl::exchange {

namespace {

using schema::Contact;

// A value as a message quotes it: short ones whole, long ones cut.
QString quoted(const QString &value) {
    return u"“"_s + (value.size() > 20 ? value.left(20) + u"…"_s : value) + u"”"_s;
}

QString normalizeSex(const QString &text) {
    const auto is = [&](QLatin1StringView word) { return text.compare(word, Qt::CaseInsensitive) == 0; };
    if (is("m"_L1) || is("male"_L1))
        return u"男"_s;
    if (is("f"_L1) || is("female"_L1))
        return u"女"_s;
    return text;
}

// Stores `value` in `values` only when it differs: a row that is already in its stored form
// (as an export of ours is) keeps sharing the list it was read into instead of copying it.
void put(QStringList &values, int column, QString value) {
    if (values.at(column) != value)
        values[column] = std::move(value);
}

// The first rule a value breaks: its column's declared length (characters) or the dialog's entry
// limit (GB18030 bytes).
QString lengthProblem(Contact column, const QString &value) {
    const schema::ColumnDef &def = schema::ContactColumns[column];
    if (value.size() > def.length)
        return u"%1太长（%2 个字符，最多 %3 个）"_s.arg(def.name).arg(value.size()).arg(def.length);
    if (def.entryLimit > 0) {
        if (const int bytes = os::gb18030Length(value); bytes > def.entryLimit)
            return u"%1%2太长（%3 个字节，最多 %4 个字节，即 %5 个汉字）"_s.arg(def.name, quoted(value))
                .arg(bytes)
                .arg(def.entryLimit)
                .arg(def.entryLimit / 2);
    }
    return {};
}

}   // namespace

std::optional<QString> normalizeDate(const QString &text) {
    if (text.isEmpty())
        return text;
    QDate date;
    if (text.size() == 10 && text.at(4) == u'-' && text.at(7) == u'-') {
        date = storedDate(text);   // the stored form, and the common one
        if (date.isValid() && date >= schema::FirstBirthDate && date <= schema::LastBirthDate)
            return text;
    } else {
        static const QRegularExpression separated(
            u"^(\\d{4})\\s*[-/.年]\\s*(\\d{1,2})\\s*[-/.月]\\s*(\\d{1,2})\\s*日?$"_s);
        static const QRegularExpression compact(u"^(\\d{4})(\\d{2})(\\d{2})$"_s);
        static const QRegularExpression serial(u"^\\d{5}(\\.\\d+)?$"_s);
        QRegularExpressionMatch m = separated.match(text);
        if (!m.hasMatch())
            m = compact.match(text);
        if (m.hasMatch())
            date = QDate(m.captured(1).toInt(), m.captured(2).toInt(), m.captured(3).toInt());
        else if (serial.match(text).hasMatch())
            date = storedDate(xlsx::serialDate(text.toDouble()));
    }
    if (!date.isValid() || date < schema::FirstBirthDate || date > schema::LastBirthDate)
        return std::nullopt;
    return storedDateText(date);
}

QString normalizePhone(const QString &text) {
    const bool digitsOnly = std::all_of(text.begin(), text.end(),
                                        [](QChar c) { return c.unicode() >= u'0' && c.unicode() <= u'9'; });
    if (digitsOnly && !text.startsWith("0086"_L1))
        return text;   // as it is stored
    // Full-width digits and signs count as their ASCII forms.
    const bool ascii = std::all_of(text.begin(), text.end(), [](QChar c) { return c.unicode() < 0x80; });
    const QString folded = ascii ? text : text.normalized(QString::NormalizationForm_KC);
    QString digits;
    digits.reserve(folded.size());
    for (qsizetype i = 0; i < folded.size(); ++i) {
        const QChar c = folded.at(i);
        if (c.unicode() >= u'0' && c.unicode() <= u'9')
            digits += c;
        else if (c == u'+' && i == 0)
            digits += c;
        else if (!(c.isSpace() || c == u'-' || c == u'.' || c == u'(' || c == u')'))
            return text;   // not a phone number: left as written
    }
    if (!std::any_of(digits.begin(), digits.end(), [](QChar c) { return c.isDigit(); }))
        return text;
    if (digits.startsWith(u"+86"_s))
        digits.remove(0, 3);
    else if (digits.startsWith(u"0086"_s))
        digits.remove(0, 4);
    return digits;
}

QString textProblem(Contact column, QStringView value) {
    const auto hex = [](char32_t c) { return u"U+%1"_s.arg(static_cast<uint>(c), 4, 16, QChar(u'0')).toUpper(); };
    const QString &name = schema::ContactColumns[column].name;
    for (qsizetype i = 0; i < value.size(); ++i) {
        const char16_t u = value.at(i).unicode();
        if (u < 0x20 || (u >= 0x7f && u <= 0x9f)) {
            if (column == schema::Address && (u == u'\n' || u == u'\r'))
                continue;   // an address may run over several lines
            return u"%1含有控制字符（%2）"_s.arg(name, hex(u));
        }
        if (u < 0xd800 || u > 0xdfff) {
            if ((u >= 0xfdd0 && u <= 0xfdef) || u >= 0xfffe)
                return u"%1含有非字符（%2）"_s.arg(name, hex(u));
            continue;
        }
        // A surrogate pair: both halves, in order, and no noncharacter of the planes beyond.
        if (u > 0xdbff || i + 1 == value.size() || !value.at(i + 1).isLowSurrogate())
            return u"%1含有无效的文字编码"_s.arg(name);
        const char32_t c = QChar::surrogateToUcs4(u, value.at(++i).unicode());
        if ((c & 0xfffe) == 0xfffe)
            return u"%1含有非字符（%2）"_s.arg(name, hex(c));
    }
    return {};
}

QString checkContact(QStringList &values) {
    if (values.size() != schema::ContactColumnCount)
        values.resize(schema::ContactColumnCount);
    for (int c = 0; c < schema::ContactColumnCount; ++c) {
        if (QStringView(values.at(c)).trimmed().size() != values.at(c).size())
            values[c] = values.at(c).trimmed();
        if (QString problem = textProblem(static_cast<Contact>(c), values.at(c)); !problem.isEmpty())
            return problem;
    }
    if (values.at(schema::Name).isEmpty())
        return u"姓名为空"_s;
    put(values, schema::Sex, normalizeSex(values.at(schema::Sex)));
    const std::optional<QString> birth = normalizeDate(values.at(schema::Birth));
    if (!birth)
        return u"出生日期%1不是有效的日期"_s.arg(quoted(values.at(schema::Birth)));
    put(values, schema::Birth, *birth);
    put(values, schema::Mobile, normalizePhone(values.at(schema::Mobile)));
    put(values, schema::HomePhone, normalizePhone(values.at(schema::HomePhone)));
    for (int c = 0; c < schema::ContactColumnCount; ++c) {
        if (QString problem = lengthProblem(static_cast<Contact>(c), values.at(c)); !problem.isEmpty())
            return problem;
    }
    return {};
}

void Intake::add(int line, QStringList values) {
    if (m_result.firstRows.size() < PreviewRows)
        m_result.firstRows.append(values);
    if (const QString problem = checkContact(values); !problem.isEmpty())
        m_result.refused.add(line, problem);
    else
        m_result.records.append(line, values);
}

void Intake::add(int line, const Utf8Values &values) {
    QStringList texts;
    texts.reserve(schema::ContactColumnCount);
    for (const QByteArrayView v : values)
        texts << QString::fromUtf8(v);
    if (m_result.firstRows.size() < PreviewRows)
        m_result.firstRows.append(texts);
    // The rules touch a value only to change it: a row already in stored form (as an export of
    // ours is) still shares the list it was read into, and its bytes are kept as they came.
    QStringList stored = texts;
    if (const QString problem = checkContact(stored); !problem.isEmpty())
        m_result.refused.add(line, problem);
    else if (stored.constData() == texts.constData())
        m_result.records.append(line, values);
    else
        m_result.records.append(line, stored);
}

void Intake::refuse(int line, const QString &reason) {
    m_result.refused.add(line, reason);
}

ImportPlan planImport(const RecordList &records, const NameSet &namesInBook, Duplicates duplicates) {
    ImportPlan plan;
    plan.skip.assign(static_cast<std::size_t>(records.size()), false);
    plan.rows = records.size();
    if (duplicates == Duplicates::Add)
        return plan;
    // Name → the line that brought it; the names point into the records, which stay put. Its size
    // goes with the number of different names, whatever the number of rows.
    QHash<QByteArrayView, int> seen;
    for (qsizetype i = 0; i < records.size(); ++i) {
        const Record record = records.at(i);
        const QByteArrayView name = record.utf8(schema::Name);
        const auto skip = [&](auto &&reason) {
            plan.skip[static_cast<std::size_t>(i)] = true;
            --plan.rows;
            plan.skipped.addLazily(record.line, reason);
        };
        if (namesInBook.contains(QByteArray::fromRawData(name.data(), name.size()))) {
            skip([&] { return u"通讯录中已有%1"_s.arg(quoted(QString::fromUtf8(name))); });
        } else if (const auto earlier = seen.constFind(name); earlier != seen.constEnd()) {
            const int first = *earlier;
            skip([&] { return u"%1与第%2行重名"_s.arg(quoted(QString::fromUtf8(name))).arg(first); });
        } else {
            seen.insert(name, record.line);
        }
    }
    return plan;
}

}   // namespace txl::exchange
