#include "exchange/ImportRules.h"

#include "data/Schema.h"
#include "exchange/Dates.h"
#include "exchange/XlsxReader.h"

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
    if (is("unspecified"_L1) || text == u"未指定"_s)
        return {};   // what an address book writes when nobody said
    return text;
}

// Stores `value` in `values` only when it differs: a row that is already in its stored form
// (as an export of ours is) keeps sharing the list it was read into instead of copying it.
void put(QStringList &values, int column, QString value) {
    if (values.at(column) != value)
        values[column] = std::move(value);
}

// A value longer than its column's declared length (in characters) cannot be stored.
QString lengthProblem(Contact column, const QString &value) {
    const schema::ColumnDef &def = schema::ContactColumns[column];
    if (value.size() > def.length)
        return u"%1太长（%2 个字符，最多 %3 个）"_s.arg(def.name).arg(value.size()).arg(def.length);
    return {};
}

bool isHan(char32_t c) {
    return (c >= 0x3400 && c <= 0x9fff) || (c >= 0xf900 && c <= 0xfaff) || (c >= 0x20000 && c <= 0x3134f);
}

// People line two-character names up with three-character ones by typing spaces between the
// characters ("张  三"): spaces between Chinese characters are no part of the name. Spaces in
// other names ("Alexander Brown") are.
QString withoutSpacesBetweenHan(const QString &name) {
    if (!name.contains(u' ') && !name.contains(u'\u3000'))
        return name;
    const QList<uint> codes = name.toUcs4();
    QList<uint> out;
    for (qsizetype i = 0; i < codes.size(); ++i) {
        if (QChar::isSpace(codes[i])) {
            qsizetype next = i;
            while (next < codes.size() && QChar::isSpace(codes[next]))
                ++next;
            if (!out.isEmpty() && isHan(out.back()) && next < codes.size() && isHan(codes[next])) {
                i = next - 1;
                continue;
            }
        }
        out.append(codes[i]);
    }
    return QString::fromUcs4(reinterpret_cast<const char32_t *>(out.constData()), out.size());
}

bool inRange(const QDate &date) {
    return date.isValid() && date >= schema::FirstBirthDate && date <= schema::LastBirthDate;
}

bool isDigits(QStringView text) {
    return !text.isEmpty() &&
           std::all_of(text.begin(), text.end(), [](QChar c) { return c.unicode() >= u'0' && c.unicode() <= u'9'; });
}

// What a birth date costs a row that cannot have it: a warning.
QString dateWarning(const DateReading &date, const QString &text) {
    if (date.kind == DateReading::Incomplete)
        return u"出生日期%1不完整，已留空"_s.arg(quoted(text));
    return u"出生日期%1不是有效的日期，已留空"_s.arg(quoted(text));
}

struct PhoneReading {
    QString stored;
    QString warning;
};

// A number a spreadsheet showed in exponent form (1.38001E+10) has lost its last digits.
bool isRounded(const QString &text) {
    static const QRegularExpression exponent(u"^\\s*[+-]?\\d+(\\.\\d+)?[eE][+]?\\d+\\s*$"_s);
    return exponent.match(text).hasMatch();
}

// The number as stored: digits only, the trunk 0 of an area code kept after a country code.
QString storedNumber(QString digits, bool international) {
    if (digits.startsWith(u"0086"_s)) {
        digits.remove(0, 4);
        international = true;
    } else if (digits.startsWith(u"86"_s) && international) {
        digits.remove(0, 2);
    }
    if (international && !digits.startsWith(u'0') && !(digits.size() == 11 && digits.startsWith(u'1')))
        digits.prepend(u'0');   // an area code: +86 27 … is 027 … at home
    return digits;
}

PhoneReading readPhone(const QString &text, Contact column) {
    if (text.isEmpty() || (isDigits(text) && !text.startsWith("0086"_L1)))
        return {text, {}};   // as it is stored
    if (isRounded(text))
        return {{},
                u"%1%2是电子表格改写的科学计数，后面的数字已经丢失，已留空"_s.arg(schema::ContactColumns[column].name,
                                                                                  quoted(text))};
    // Full-width digits and signs count as their ASCII forms.
    const bool ascii = std::all_of(text.begin(), text.end(), [](QChar c) { return c.unicode() < 0x80; });
    QString folded = ascii ? text : text.normalized(QString::NormalizationForm_KC);
    // An extension after a word for it: 转808, ext. 808, 分机 808, x808.
    static const QRegularExpression extensionWord(u"\\s*(转|分机|ext\\.?|x|#)\\s*(\\d{1,6})\\s*$"_s,
                                                  QRegularExpression::CaseInsensitiveOption);
    QString extension;
    if (const QRegularExpressionMatch m = extensionWord.match(folded); m.hasMatch()) {
        extension = m.captured(2);
        folded.truncate(m.capturedStart());
    }
    // "(0)" after a country code is the trunk 0 written for those calling from home.
    folded.replace(u"(0)"_s, u"0"_s);
    QString digits;
    QList<qsizetype> groupStarts;   // where each group of digits begins in `digits`
    bool international = false;
    bool inGroup = false;
    for (qsizetype i = 0; i < folded.size(); ++i) {
        const QChar c = folded.at(i);
        if (c.unicode() >= u'0' && c.unicode() <= u'9') {
            if (!inGroup)
                groupStarts.append(digits.size());
            inGroup = true;
            digits += c;
        } else if (c == u'+' && digits.isEmpty() && !international) {
            international = true;
        } else if (c.isSpace() || c == u'-' || c == u'.' || c == u'(' || c == u')') {
            inGroup = false;
        } else {
            return {text, {}};   // not a phone number: left as written
        }
    }
    if (digits.isEmpty())
        return {text, {}};
    if (international && !digits.startsWith(u"86"_s))
        return {u'+' + digits, {}};   // another country's number, as dialled from here
    QString number = storedNumber(digits, international);
    // 027-87654321-808: a last group too many for one number is its extension.
    if (extension.isEmpty() && groupStarts.size() > 1) {
        const QString last = digits.mid(groupStarts.back());
        const QString before = storedNumber(digits.left(groupStarts.back()), international);
        const bool beforeIsWhole = (before.size() == 11 && before.startsWith(u'1')) ||
                                   (before.startsWith(u'0') && before.size() >= 10 && before.size() <= 12);
        if (last.size() <= 6 && number.size() > 12 && beforeIsWhole) {
            extension = last;
            number = before;
        }
    }
    if (extension.isEmpty())
        return {number, {}};
    const QString withExtension = number + u'-' + extension;
    if (withExtension.size() <= schema::ContactColumns[column].length)
        return {withExtension, {}};
    return {number, u"%1%2的分机号放不下，只存了总机号"_s.arg(schema::ContactColumns[column].name, quoted(text))};
}

}   // namespace

DateReading readDate(const QString &input) {
    DateReading r;
    QString text = input.trimmed();
    if (text.isEmpty())
        return r;
    const auto complete = [&](int y, int m, int d) {
        r.date = QDate(y, m, d);
        r.kind = inRange(r.date) ? DateReading::Complete : DateReading::Unreadable;
        return r;
    };
    if (text.size() == 10 && text.at(4) == u'-' && text.at(7) == u'-') {
        r.date = storedDate(text);   // the stored form, and the common one
        if (inRange(r.date)) {
            r.kind = DateReading::Complete;
            return r;
        }
    }
    // A time of day after the date (2008-03-05T00:00:00, 2008.03.05 00:00:00) says nothing more.
    static const QRegularExpression time(u"([T\\s]+\\d{1,2}:\\d{2}(:\\d{2}(\\.\\d+)?)?\\s*(Z|[+-]\\d{2}:?\\d{2})?)$"_s);
    if (const QRegularExpressionMatch m = time.match(text); m.hasMatch() && m.capturedStart() >= 6)
        text.truncate(m.capturedStart());
    static const QRegularExpression yearFirst(u"^(\\d{4})\\s*[-/.年]\\s*(\\d{1,2})\\s*[-/.月]\\s*(\\d{1,2})\\s*日?$"_s);
    static const QRegularExpression compact(u"^(\\d{4})(\\d{2})(\\d{2})$"_s);
    static const QRegularExpression yearLast(u"^(\\d{1,2})\\s*([-/.])\\s*(\\d{1,2})\\s*\\2\\s*(\\d{4})$"_s);
    static const QRegularExpression serial(u"^\\d{5}(\\.\\d+)?$"_s);
    static const QRegularExpression partial(
        u"^(\\d{4}\\s*[-/.年]\\s*\\d{1,2}\\s*月?|--\\d{2}-?\\d{2}|\\d{1,2}\\s*月\\s*\\d{1,2}\\s*日?|0{1,2}/0{1,2}/\\d{2,4}|\\d{4}\\s*年?)$"_s);
    QRegularExpressionMatch m;
    if ((m = yearFirst.match(text)).hasMatch() || (m = compact.match(text)).hasMatch())
        return complete(m.captured(1).toInt(), m.captured(2).toInt(), m.captured(3).toInt());
    if ((m = yearLast.match(text)).hasMatch()) {
        const int a = m.captured(1).toInt(), b = m.captured(3).toInt(), year = m.captured(4).toInt();
        if (a == 0 || b == 0) {
            r.kind = DateReading::Incomplete;
            return r;
        }
        if (m.captured(2) == u"."_s || a > 12 || a == b) {   // d.m.yyyy as Europe writes it, or settled by itself
            r.dayFirst = a > 12 ? 1 : 0;
            return complete(year, b, a);
        }
        if (b > 12) {
            r.dayFirst = -1;
            return complete(year, a, b);
        }
        r.kind = DateReading::Ambiguous;
        r.first = a;
        r.second = b;
        r.year = year;
        return r;
    }
    if (serial.match(text).hasMatch()) {
        r.date = storedDate(xlsx::serialDate(text.toDouble()));
        r.kind = inRange(r.date) ? DateReading::Complete : DateReading::Unreadable;
        return r;
    }
    r.kind = partial.match(text).hasMatch() ? DateReading::Incomplete : DateReading::Unreadable;
    return r;
}

QString normalizePhone(const QString &text) {
    return readPhone(text, schema::Mobile).stored;
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

QString addressFromParts(const QString &street, const QString &extended, const QString &city, const QString &region,
                         const QString &postcode, const QString &country) {
    const QStringList parts = {street, extended, city, region, postcode, country};
    bool chinese = false;
    for (const QString &p : parts)
        chinese = chinese || std::any_of(p.begin(), p.end(), [](QChar c) { return c.unicode() >= 0x2e80; });
    // A city that is its own province (上海市 上海市) is said once.
    const QString &town = city == region ? QString() : city;
    if (chinese)
        return country + region + town + street + extended;
    QStringList ordered;
    for (const QString &p : {street, extended, town, region, postcode, country}) {
        if (!p.isEmpty())
            ordered << p;
    }
    return ordered.join(u", "_s);
}

void placePhones(const QList<std::pair<QString, QString>> &phones, QStringList &values) {
    const auto kind = [](const QString &label) {
        static const QRegularExpression mobile(u"mobile|cell|手机|移动"_s);
        static const QRegularExpression home(u"home|住宅|家"_s);
        static const QRegularExpression work(u"work|business|office|company|fax|pager|工作|单位|公司|办公|传真"_s);
        if (mobile.match(label).hasMatch())
            return schema::Mobile;
        if (work.match(label).hasMatch())
            return schema::ContactColumnCount;   // a work number is neither
        if (home.match(label).hasMatch())
            return schema::HomePhone;
        return schema::Name;   // any kind: whichever is free
    };
    QList<int> kinds;
    for (const auto &[label, value] : phones)
        kinds << kind(label);
    for (const int wanted : {int(schema::Mobile), int(schema::HomePhone)}) {
        for (qsizetype i = 0; i < phones.size(); ++i) {
            if (kinds[i] == wanted && values[wanted].isEmpty()) {
                values[wanted] = phones[i].second;
                kinds[i] = -1;
            }
        }
    }
    for (const int free : {int(schema::Mobile), int(schema::HomePhone)}) {
        for (qsizetype i = 0; i < phones.size(); ++i) {
            if (kinds[i] == schema::Name && values[free].isEmpty()) {
                values[free] = phones[i].second;
                kinds[i] = -1;
            }
        }
    }
}

Checked checkContact(QStringList &values) {
    Checked checked;
    if (values.size() != schema::ContactColumnCount)
        values.resize(schema::ContactColumnCount);
    for (int c = 0; c < schema::ContactColumnCount; ++c) {
        if (QStringView(values.at(c)).trimmed().size() != values.at(c).size())
            values[c] = values.at(c).trimmed();
        if (QString problem = textProblem(static_cast<Contact>(c), values.at(c)); !problem.isEmpty()) {
            checked.refusal = problem;
            return checked;
        }
    }
    put(values, schema::Name, withoutSpacesBetweenHan(values.at(schema::Name)));
    if (values.at(schema::Name).isEmpty()) {
        checked.refusal = u"姓名为空"_s;
        return checked;
    }
    put(values, schema::Sex, normalizeSex(values.at(schema::Sex)));
    if (const QString birth = values.at(schema::Birth); !birth.isEmpty()) {
        const DateReading date = readDate(birth);
        checked.dayFirst = date.dayFirst;
        if (date.kind == DateReading::Complete) {
            put(values, schema::Birth, storedDateText(date.date));
        } else {
            if (date.kind == DateReading::Ambiguous) {
                checked.ambiguousBirth = date;
                checked.ambiguousText = birth;
            } else {
                checked.warnings << dateWarning(date, birth);
            }
            values[schema::Birth].clear();
        }
    }
    for (const Contact c : {schema::Mobile, schema::HomePhone}) {
        PhoneReading phone = readPhone(values.at(c), c);
        put(values, c, std::move(phone.stored));
        if (!phone.warning.isEmpty())
            checked.warnings << phone.warning;
    }
    for (int c = 0; c < schema::ContactColumnCount; ++c) {
        if (QString problem = lengthProblem(static_cast<Contact>(c), values.at(c)); !problem.isEmpty()) {
            checked.refusal = problem;
            return checked;
        }
    }
    return checked;
}

void Intake::take(int table, int line, const QStringList &read, QStringList &stored, const Utf8Values *utf8) {
    if (m_result.firstRows.size() < PreviewRows)
        m_result.firstRows.append({table, line, read});
    Checked checked = checkContact(stored);
    m_dayFirstSeen = m_dayFirstSeen || checked.dayFirst > 0;
    m_monthFirstSeen = m_monthFirstSeen || checked.dayFirst < 0;
    Table *t = table >= 0 && table < m_result.tables.size() ? &m_result.tables[table] : nullptr;
    if (!checked.refusal.isEmpty()) {
        m_result.refused.add(table, line, checked.refusal);
        if (t)
            ++t->refused;
        return;
    }
    for (const QString &w : std::as_const(checked.warnings))
        m_result.warnings.add(table, line, w);
    // The rules touch a value only to change it: a row already in stored form (as an export of
    // ours is) still shares the list it was read into, and its bytes are kept as they came.
    if (utf8 && stored.constData() == read.constData())
        m_result.records.append(table, line, *utf8);
    else
        m_result.records.append(table, line, stored);
    if (t)
        ++t->contacts;
    if (!m_result.firstRows.isEmpty() && m_result.firstRows.back().line == line &&
        m_result.firstRows.back().table == table)
        m_result.firstRows.back().record = m_result.records.size() - 1;
    if (checked.ambiguousBirth) {
        const DateReading &d = *checked.ambiguousBirth;
        m_pending.push_back({m_result.records.size() - 1, d, checked.ambiguousText});
    }
}

void Intake::add(int table, int line, QStringList values) {
    QStringList stored = values;
    take(table, line, values, stored, nullptr);
}

void Intake::add(int table, int line, const Utf8Values &values) {
    QStringList texts;
    texts.reserve(schema::ContactColumnCount);
    for (const QByteArrayView v : values)
        texts << QString::fromUtf8(v);
    QStringList stored = texts;
    take(table, line, texts, stored, &values);
}

void Intake::refuse(int table, int line, const QString &reason) {
    m_result.refused.add(table, line, reason);
    if (table >= 0 && table < m_result.tables.size())
        ++m_result.tables[table].refused;
}

void Intake::warn(int table, int line, const QString &warning) {
    m_result.warnings.add(table, line, warning);
}

void Intake::finish() {
    // Dates such as 3/5/2008 follow the order the file's other dates show (25/3/2008 is day
    // first); when they show none, or both, the day and month cannot be told apart.
    const int order = m_dayFirstSeen == m_monthFirstSeen ? 0 : m_dayFirstSeen ? 1 : -1;
    for (const Pending &p : m_pending) {
        const Record record = m_result.records.at(p.record);
        const int day = order > 0 ? p.date.first : p.date.second;
        const int month = order > 0 ? p.date.second : p.date.first;
        const QDate date(p.date.year, month, day);
        if (order != 0 && inRange(date)) {
            QStringList values = record.values();
            values[schema::Birth] = storedDateText(date);
            m_result.records.replace(p.record, values);
        } else {
            m_result.warnings.add(
                record.table, record.line,
                u"出生日期%1分不清哪个是月、哪个是日（文件中其他日期也说明不了），已留空"_s.arg(quoted(p.text)));
        }
    }
    m_pending.clear();
}

ImportPlan planImport(const ReadResult &read, const NameSet &namesInBook, Duplicates duplicates) {
    const RecordList &records = read.records;
    ImportPlan plan;
    plan.skip.assign(static_cast<std::size_t>(records.size()), false);
    plan.rows = records.size();
    if (duplicates == Duplicates::Add)
        return plan;
    // Name → the record that brought it; the names point into the records, which stay put. Its
    // size goes with the number of different names, whatever the number of rows.
    QHash<QByteArrayView, qsizetype> seen;
    for (qsizetype i = 0; i < records.size(); ++i) {
        const Record record = records.at(i);
        const QByteArrayView name = record.utf8(schema::Name);
        const auto skip = [&](auto &&reason) {
            plan.skip[static_cast<std::size_t>(i)] = true;
            --plan.rows;
            plan.skipped.addLazily(record.table, record.line, reason);
        };
        if (namesInBook.contains(QByteArray::fromRawData(name.data(), name.size()))) {
            skip([&] { return u"通讯录中已有%1"_s.arg(quoted(QString::fromUtf8(name))); });
        } else if (const auto earlier = seen.constFind(name); earlier != seen.constEnd()) {
            const Record first = records.at(*earlier);
            skip([&] {
                return u"%1与%2重名"_s.arg(quoted(QString::fromUtf8(name)), placeName(read, first.table, first.line));
            });
        } else {
            seen.insert(name, i);
        }
    }
    return plan;
}

}   // namespace txl::exchange
