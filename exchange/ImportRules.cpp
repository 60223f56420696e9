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

QString checkContact(QStringList &values) {
    if (values.size() != schema::ContactColumnCount)
        values.resize(schema::ContactColumnCount);
    for (int c = 0; c < schema::ContactColumnCount; ++c) {
        if (QStringView(values.at(c)).trimmed().size() != values.at(c).size())
            values[c] = values.at(c).trimmed();
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

ImportPlan planImport(const QList<Record> &records, const QSet<QString> &namesInBook, Duplicates duplicates) {
    ImportPlan plan;
    plan.rows.reserve(records.size());
    // Name → the line that brought it. The names point into the rows taken, which stay put.
    QHash<QByteArrayView, int> seen;
    if (duplicates == Duplicates::Skip)
        seen.reserve(records.size());
    for (const Record &record : records) {
        const QStringList read = record.values();
        QStringList values = read;
        if (const QString problem = checkContact(values); !problem.isEmpty()) {
            plan.refused.append({record.line, problem});
            continue;
        }
        // The rules touch a value only to change it: a row already in its stored form still shares
        // the list it was read into, and its record serves as it is.
        Record row = values.constData() == read.constData() ? record : Record(record.line, values);
        if (duplicates == Duplicates::Skip) {
            const QString &name = values.at(schema::Name);
            if (namesInBook.contains(name)) {
                plan.skipped.append({record.line, u"通讯录中已有%1"_s.arg(quoted(name))});
                continue;
            }
            if (const auto earlier = seen.constFind(row.utf8(schema::Name)); earlier != seen.constEnd()) {
                plan.skipped.append({record.line, u"%1与第%2行重名"_s.arg(quoted(name)).arg(*earlier)});
                continue;
            }
            seen.insert(row.utf8(schema::Name), record.line);   // the row's block moves with it, unchanged
        }
        plan.rows.append(std::move(row));
    }
    return plan;
}

}   // namespace txl::exchange
