#include "exchange/HeaderMap.h"

#include "data/Schema.h"

#include <QHash>
#include <QMap>
#include <QRegularExpression>

using namespace Qt::StringLiterals;

namespace txl::exchange {

namespace {

using namespace txl::schema;

// Titles with their spaces kept, for the few that differ from another only by a space:
// Thunderbird's "Birth Day" is one part of a date, "Birthday" the whole of one.
QString spaced(const QString &title) {
    return title.normalized(QString::NormalizationForm_KC).toCaseFolded().simplified();
}

const QHash<QString, int> &spacedTitles() {
    static const QHash<QString, int> map = {
        {u"birth year"_s, BirthYear}, {u"birth month"_s, BirthMonth}, {u"birth day"_s, BirthDay}};
    return map;
}

// Every title a column of a table may carry, by what it fills, in the form they are compared in.
const QHash<QString, int> &titles() {
    static const QHash<QString, int> map = [] {
        const QList<std::pair<int, QStringList>> table = {
            {Name,
             {u"姓名"_s, u"名字"_s, u"名称"_s, u"联系人"_s, u"学生姓名"_s, u"同学姓名"_s, u"name"_s, u"full name"_s,
              u"display name"_s, u"显示名称"_s}},
            {FamilyName, {u"姓"_s, u"姓氏"_s, u"family name"_s, u"last name"_s, u"surname"_s}},
            {GivenName, {u"名"_s, u"given name"_s, u"first name"_s}},
            {MiddleName, {u"middle name"_s, u"additional name"_s, u"中间名"_s}},
            {Sex, {u"性别"_s, u"性別"_s, u"gender"_s, u"sex"_s}},
            {Birth,
             {u"出生日期"_s, u"生日"_s, u"出生年月日"_s, u"出生年月"_s, u"出生"_s, u"birthday"_s, u"birth date"_s,
              u"date of birth"_s, u"dob"_s}},
            {Mobile,
             {u"手机号码"_s, u"手机"_s, u"手机号"_s, u"移动电话"_s, u"联系电话"_s, u"联系方式"_s, u"手机/电话"_s,
              u"mobile"_s, u"mobile phone"_s, u"mobile number"_s, u"cell"_s, u"cell phone"_s, u"cellphone"_s}},
            {Dormitory,
             {u"宿舍号码"_s, u"宿舍"_s, u"宿舍号"_s, u"寝室"_s, u"寝室号"_s, u"dormitory"_s, u"dorm"_s,
              u"dorm room"_s}},
            {HomePhone,
             {u"家庭电话"_s, u"电话"_s, u"电话号码"_s, u"住宅电话"_s, u"固定电话"_s, u"座机"_s, u"home phone"_s,
              u"phone"_s, u"telephone"_s, u"tel"_s}},
            {QQ, {u"qq"_s, u"qq号"_s, u"qq号码"_s}},
            {Email,
             {u"电子邮箱"_s, u"邮箱"_s, u"电子邮件"_s, u"电子邮件地址"_s, u"邮件"_s, u"e-mail"_s, u"mail"_s,
              u"e-mail address"_s, u"primary email"_s}},
            {Address, {u"家庭住址"_s, u"地址"_s, u"住址"_s, u"家庭地址"_s, u"通讯地址"_s, u"联系地址"_s, u"address"_s}},
            // An address in parts: Thunderbird's and Outlook's home address, in English and in
            // Chinese Windows' words.
            {Street, {u"home address"_s, u"home street"_s, u"住宅所在街道"_s}},
            {Street2, {u"home address 2"_s}},
            {City, {u"home city"_s, u"住宅所在地的市/县"_s}},
            {Region, {u"home state"_s, u"住宅所在地的省/市/自治区"_s}},
            {Postcode, {u"home zipcode"_s, u"home postal code"_s, u"住宅所在地的邮政编码"_s}},
            {Country, {u"home country"_s, u"home country/region"_s, u"住宅所在国家/地区"_s}},
        };
        QHash<QString, int> m;
        for (const auto &[target, names] : table) {
            for (const QString &n : names)
                m.insert(comparableTitle(n), target);
        }
        return m;
    }();
    return map;
}

// Numbered columns of other address books' exports: "Phone 1 - Label", "E-mail 2 - Value",
// "Address 1 - Formatted", compared without spaces and punctuation.
ColumnMeaning numbered(const QString &comparable) {
    static const QRegularExpression pattern(
        u"^(phone|email|address)(\\d{1,2})(label|type|value|formatted|street|city|region|postalcode|country)$"_s);
    const QRegularExpressionMatch m = pattern.match(comparable);
    if (!m.hasMatch())
        return {};
    const QString kind = m.captured(1), field = m.captured(3);
    const int group = m.captured(2).toInt();
    if (kind == u"phone"_s) {
        if (field == u"label"_s || field == u"type"_s)
            return {PhoneLabel, group};
        if (field == u"value"_s)
            return {PhoneValue, group};
        return {};
    }
    if (kind == u"email"_s)
        return field == u"value"_s ? ColumnMeaning{Email, group} : ColumnMeaning{};
    if (group != 1)
        return {};   // one address a contact
    static const QHash<QString, int> addressParts = {{u"formatted"_s, Address},   {u"street"_s, Street},
                                                     {u"city"_s, City},           {u"region"_s, Region},
                                                     {u"postalcode"_s, Postcode}, {u"country"_s, Country}};
    return {addressParts.value(field, -1), group};
}

// Whether a cell holds nothing but spaces (ASCII ones, and the ones beyond: a no-break space
// U+00A0, the ideographic U+3000, the spaces of U+2000–U+200A), told from its UTF-8 bytes: this
// runs for every cell of a file.
bool isBlank(QByteArrayView cell) {
    for (qsizetype i = 0; i < cell.size();) {
        const auto b = static_cast<unsigned char>(cell[i]);
        if (b == ' ' || (b >= '\t' && b <= '\r')) {
            ++i;
        } else if (b == 0xc2 && i + 1 < cell.size() && static_cast<unsigned char>(cell[i + 1]) == 0xa0) {
            i += 2;
        } else if (b == 0xe3 && i + 2 < cell.size() && cell[i + 1] == '\x80' && cell[i + 2] == '\x80') {
            i += 3;
        } else if (b == 0xe2 && i + 2 < cell.size() && cell[i + 1] == '\x80' &&
                   static_cast<unsigned char>(cell[i + 2]) <= 0x8a) {
            i += 3;
        } else {
            return false;
        }
    }
    return true;
}

bool isNameTarget(int target) {
    return target == Name || target == FamilyName || target == GivenName;
}

// "第 3 行", "第 1–2 行"
QString lines(int first, int last) {
    return first == last ? u"第 %1 行"_s.arg(first) : u"第 %1–%2 行"_s.arg(first).arg(last);
}

bool hasHan(const QString &text) {
    return std::any_of(text.begin(), text.end(), [](QChar c) { return c.unicode() >= 0x2e80; });
}

}   // namespace

QString comparableTitle(const QString &title) {
    QString s = title.normalized(QString::NormalizationForm_KC).toCaseFolded();
    s.removeIf([](QChar c) { return c.isSpace() || c.isPunct() || c.isSymbol(); });
    return s;
}

ColumnMeaning meaningOfTitle(const QString &title) {
    if (const auto it = spacedTitles().constFind(spaced(title)); it != spacedTitles().constEnd())
        return {*it, 0};
    const QString c = comparableTitle(title);
    if (const auto it = titles().constFind(c); it != titles().constEnd())
        return {*it, 0};
    return numbered(c);
}

int columnForTitle(const QString &title) {
    const int target = meaningOfTitle(title).target;
    return target < ContactColumnCount ? target : -1;
}

QString targetName(int target) {
    if (target >= 0 && target < ContactColumnCount)
        return ContactColumns[target].name;
    switch (target) {
    case FamilyName:
        return u"姓（与名合成姓名）"_s;
    case GivenName:
        return u"名（与姓合成姓名）"_s;
    case MiddleName:
        return u"中间名（合成姓名）"_s;
    case BirthYear:
        return u"出生年（合成出生日期）"_s;
    case BirthMonth:
        return u"出生月（合成出生日期）"_s;
    case BirthDay:
        return u"出生日（合成出生日期）"_s;
    case PhoneLabel:
        return u"电话类别（手机、住宅……）"_s;
    case PhoneValue:
        return u"电话（按类别填入手机号码或家庭电话）"_s;
    case Street:
        return u"街道（合成家庭住址）"_s;
    case Street2:
        return u"街道第二行（合成家庭住址）"_s;
    case City:
        return u"城市（合成家庭住址）"_s;
    case Region:
        return u"省份（合成家庭住址）"_s;
    case Postcode:
        return u"邮政编码（合成家庭住址）"_s;
    case Country:
        return u"国家（合成家庭住址）"_s;
    default:
        return u"不导入"_s;
    }
}

std::optional<int> targetNamed(const QString &name) {
    const QString wanted = name.trimmed();
    if (wanted == u"不导入"_s || wanted == u"none"_s || wanted == u"-"_s)
        return -1;
    for (int t = 0; t < PartEnd; ++t) {
        const QString n = targetName(t);
        if (wanted == n || wanted == n.section(u'（', 0, 0))
            return t;
    }
    return std::nullopt;
}

QStringList tableLines(const ReadResult &read) {
    QStringList lines;
    for (const Table &t : read.tables) {
        if (t.sheet.isEmpty())
            continue;
        if (!t.absent.isEmpty())
            lines << u"工作表“%1”：%2"_s.arg(t.sheet, t.absent);
        else
            lines << u"工作表“%1”：%2 位联系人，拒绝 %3 行"_s.arg(t.sheet).arg(t.contacts).arg(t.refused);
    }
    return lines;
}

QByteArray &TableRow::add(int column) {
    if (static_cast<std::size_t>(m_count) == m_cells.size())
        m_cells.emplace_back();
    auto &cell = m_cells[static_cast<std::size_t>(m_count++)];
    cell.first = column;
    cell.second.truncate(0);
    return cell.second;
}

TableReader::TableReader(Intake &intake, ReadResult &result, const ReadOptions &options, const QString &sheet)
    : m_result(result),
      m_options(options),
      m_table(static_cast<int>(result.tables.size())),
      m_intake(intake) {
    Table table;
    table.sheet = sheet;
    m_result.tables.append(table);
}

QString TableReader::where() const {
    const QString &sheet = m_result.tables.at(m_table).sheet;
    return sheet.isEmpty() ? QString() : u"工作表“%1”"_s.arg(sheet);
}

bool TableReader::wants(int column) const {
    if (m_stage == Stage::Titles)
        return true;
    // Sub-titles stand under a title that fills something or under none (a merged one).
    if (m_stage == Stage::SubTitles) {
        const QStringList &titles = m_result.tables.at(m_table).titles;
        return column >= 0 && column < titles.size() &&
               (titles.at(column).isEmpty() || m_targetOf[static_cast<std::size_t>(column)] >= 0);
    }
    // Every column under a title: a note below the table may stand in one that fills nothing.
    return column >= 0 && static_cast<std::size_t>(column) < m_targetOf.size();
}

TableReader::Candidate TableReader::candidate(const TableRow &row, int line) const {
    Candidate c;
    c.line = line;
    int columns = 0;
    for (qsizetype i = 0; i < row.size(); ++i)
        columns = std::max(columns, row.column(i) + 1);
    c.titles = QStringList(columns, QString());
    c.meanings = QList<ColumnMeaning>(columns, ColumnMeaning{});
    bool name = false, other = false;
    for (qsizetype i = 0; i < row.size(); ++i) {
        const QString title = QString::fromUtf8(row.text(i)).trimmed();
        ColumnMeaning meaning = meaningOfTitle(title);
        if (const auto chosen = m_options.targets.constFind(comparableTitle(title));
            chosen != m_options.targets.constEnd())
            meaning = {*chosen, meaning.group};
        c.titles[row.column(i)] = title;
        c.meanings[row.column(i)] = meaning;
        name = name || isNameTarget(meaning.target);
        other = other || (meaning.target >= 0 && !isNameTarget(meaning.target) && meaning.target != MiddleName);
    }
    c.full = name && other;
    if (!name)
        c.meanings.clear();   // no titles of a table
    return c;
}

void TableReader::addRow(const TableRow &row, int line) {
    bool blank = true;
    for (qsizetype i = 0; i < row.size() && blank; ++i)
        blank = isBlank(row.text(i));
    if (blank)
        return;
    switch (m_stage) {
    case Stage::Titles: {
        Candidate c = candidate(row, line);
        if (c.full) {
            takeTitles(std::move(c));
            return;
        }
        if (!m_nameOnly && !c.meanings.isEmpty())
            m_nameOnly = std::move(c);
        else if (m_nameOnly)
            m_waiting.push_back({row, line});
        if (m_firstLine == 0)
            m_firstLine = line;
        m_lastLine = line;
        if (++m_searched == TitleSearchRows) {
            if (m_nameOnly)
                settleNameOnly();
            else
                m_stage = Stage::None;
        }
        return;
    }
    case Stage::SubTitles:
        m_stage = Stage::Rows;
        if (takeSubTitles(row))
            return;
        break;
    case Stage::Rows:
        break;
    case Stage::None:
        return;
    }
    if (isNote(row)) {
        QString text;
        for (qsizetype i = 0; i < row.size() && text.isEmpty(); ++i)
            text = QString::fromUtf8(row.text(i)).trimmed();
        m_result.remarks.add(m_table, line,
                             u"%1%2是备注（“%3”），已跳过"_s.arg(where(), lines(line, line), text.left(30)));
        return;
    }
    // A row with nothing in a column that fills something (a 序号 without a name) is no contact.
    for (qsizetype i = 0; i < row.size(); ++i) {
        const auto c = static_cast<std::size_t>(row.column(i));
        if (c < m_targetOf.size() && m_targetOf[c] >= 0 && !isBlank(row.text(i))) {
            addContact(row, line);
            return;
        }
    }
}

void TableReader::takeTitles(Candidate titles) {
    Table &table = m_result.tables[m_table];
    table.titleLine = titles.line;
    table.titles = titles.titles;
    table.meanings = titles.meanings;
    // Rows above the titles: a banner, a note.
    if (m_firstLine > 0 && m_firstLine < titles.line) {
        const int last = m_lastLine < titles.line ? m_lastLine : m_firstLine;
        m_result.remarks.add(m_table, m_firstLine, u"%1%2是标题，已跳过"_s.arg(where(), lines(m_firstLine, last)));
    }
    m_targetOf.assign(static_cast<std::size_t>(titles.meanings.size()), -1);
    m_groupOf.assign(static_cast<std::size_t>(titles.meanings.size()), 0);
    for (qsizetype i = 0; i < titles.meanings.size(); ++i) {
        m_targetOf[static_cast<std::size_t>(i)] = titles.meanings.at(i).target;
        m_groupOf[static_cast<std::size_t>(i)] = titles.meanings.at(i).group;
    }
    m_direct = std::all_of(m_targetOf.cbegin(), m_targetOf.cend(), [](int t) { return t < ContactColumnCount; });
    m_stage = Stage::SubTitles;
    m_nameOnly.reset();
}

void TableReader::settleNameOnly() {
    std::vector<std::pair<TableRow, int>> waiting = std::move(m_waiting);
    m_waiting.clear();
    const int searchedFirst = m_firstLine;
    m_firstLine = searchedFirst < m_nameOnly->line ? searchedFirst : 0;
    m_lastLine = m_nameOnly->line - 1;
    takeTitles(std::move(*m_nameOnly));
    for (const auto &[row, line] : waiting)
        addRow(row, line);
}

bool TableReader::takeSubTitles(const TableRow &row) {
    QList<std::pair<int, ColumnMeaning>> found;
    for (qsizetype i = 0; i < row.size(); ++i) {
        const QString title = QString::fromUtf8(row.text(i)).trimmed();
        if (title.isEmpty())
            continue;
        const ColumnMeaning meaning = meaningOfTitle(title);
        if (meaning.target < 0 || isNameTarget(meaning.target))
            return false;
        found.append({row.column(i), meaning});
    }
    if (found.isEmpty())
        return false;
    Table &table = m_result.tables[m_table];
    for (const auto &[column, meaning] : found) {
        const auto c = static_cast<std::size_t>(column);
        if (c >= m_targetOf.size()) {
            m_targetOf.resize(c + 1, -1);
            m_groupOf.resize(c + 1, 0);
            table.titles.resize(column + 1);
            table.meanings.resize(column + 1);
        }
        // The sub-title names the column; a merged title above it only grouped them.
        m_targetOf[c] = meaning.target;
        m_groupOf[c] = meaning.group;
        table.meanings[column] = meaning;
    }
    for (qsizetype i = 0; i < row.size(); ++i) {
        const QString title = QString::fromUtf8(row.text(i)).trimmed();
        if (!title.isEmpty())
            table.titles[row.column(i)] = table.titles.at(row.column(i)).isEmpty()
                                              ? title
                                              : table.titles.at(row.column(i)) + u'/' + title;
    }
    m_direct = std::all_of(m_targetOf.cbegin(), m_targetOf.cend(), [](int t) { return t < ContactColumnCount; });
    return true;
}

// A row below the table that holds one cell of words about it, not a contact: "合计：45人",
// "制表人：王老师  2026年9月". A name holds no colon.
bool TableReader::isNote(const TableRow &row) const {
    qsizetype filled = 0;
    for (qsizetype i = 0; i < row.size(); ++i)
        filled += isBlank(row.text(i)) ? 0 : 1;
    if (filled != 1)
        return false;
    QString text;
    for (qsizetype i = 0; i < row.size() && text.isEmpty(); ++i)
        text = QString::fromUtf8(row.text(i)).trimmed();
    static const QRegularExpression note(
        u"[:：]|^(合计|总计|共计|小计|制表|填表|审核|备注|说明|注[:：]?)|^共\\s*\\d+\\s*人"_s);
    return note.match(text).hasMatch();
}

void TableReader::addContact(const TableRow &row, int line) {
    if (m_direct) {
        // Every column fills a contact column as it is: the values go on as they lie.
        Utf8Values values{};
        for (qsizetype i = 0; i < row.size(); ++i) {
            const auto c = static_cast<std::size_t>(row.column(i));
            if (c >= m_targetOf.size() || m_targetOf[c] < 0)
                continue;
            QByteArrayView &v = values[static_cast<std::size_t>(m_targetOf[c])];
            if (v.isEmpty())   // of two columns of one meaning, the first that holds something
                v = row.text(i);
        }
        m_intake.add(m_table, line, values);
        return;
    }
    QStringList values(ContactColumnCount, QString());
    std::array<QString, static_cast<std::size_t>(int(PartEnd) - int(ContactColumnCount))> parts;
    QMap<int, std::pair<QString, QString>> phones;   // by number: label, value
    for (qsizetype i = 0; i < row.size(); ++i) {
        const auto c = static_cast<std::size_t>(row.column(i));
        if (c >= m_targetOf.size() || m_targetOf[c] < 0)
            continue;
        const int target = m_targetOf[c];
        const QString text = QString::fromUtf8(row.text(i)).trimmed();
        if (target < ContactColumnCount) {
            if (values[target].isEmpty())
                values[target] = text;
        } else if (target == PhoneLabel) {
            phones[m_groupOf[c]].first = text;
        } else if (target == PhoneValue) {
            phones[m_groupOf[c]].second = text;
        } else if (QString &part = parts[static_cast<std::size_t>(target - ContactColumnCount)]; part.isEmpty()) {
            part = text;
        }
    }
    const auto part = [&](int target) -> const QString & {
        return parts[static_cast<std::size_t>(target - ContactColumnCount)];
    };
    if (values[Name].isEmpty()) {
        const QString &family = part(FamilyName), &given = part(GivenName), &middle = part(MiddleName);
        if (hasHan(family + given + middle))
            values[Name] = family + given + middle;
        else
            values[Name] = QStringList({given, middle, family}).filter(QRegularExpression(u"\\S"_s)).join(u' ');
    }
    if (values[Birth].isEmpty()) {
        QStringList date;
        for (const int p : {BirthYear, BirthMonth, BirthDay}) {
            if (!part(p).isEmpty())
                date << part(p);
        }
        values[Birth] = date.join(u'-');
    }
    if (values[Address].isEmpty()) {
        const QString street =
            QStringList({part(Street), part(Street2)}).filter(QRegularExpression(u"\\S"_s)).join(u' ');
        values[Address] = addressFromParts(street, {}, part(City), part(Region), part(Postcode), part(Country));
    }
    // Numbered phones by their labels: the one marked first ("* Mobile") before the others.
    QList<std::pair<QString, QString>> ordered;
    for (auto it = phones.cbegin(); it != phones.cend(); ++it) {
        QString label = it->first.toCaseFolded();
        const QString value = it->second.section(u" ::: "_s, 0, 0).trimmed();   // several in one cell
        if (value.isEmpty())
            continue;
        if (label.startsWith(u"* "_s))
            ordered.prepend({label.mid(2), value});
        else
            ordered.append({label, value});
    }
    placePhones(ordered, values);
    m_intake.add(m_table, line, values);
}

void TableReader::finish() {
    if (m_stage == Stage::Titles && m_nameOnly)
        settleNameOnly();
    if (m_stage == Stage::Titles || m_stage == Stage::None) {
        Table &table = m_result.tables[m_table];
        table.absent = m_searched == 0 ? u"空白"_s : u"没有通讯录表格（找不到“姓名”等列标题）"_s;
    }
}

void requireTable(ReadResult &result) {
    if (!result.ok() ||
        std::any_of(result.tables.cbegin(), result.tables.cend(), [](const Table &t) { return t.absent.isEmpty(); }))
        return;
    const bool empty = std::all_of(result.tables.cbegin(), result.tables.cend(),
                                   [](const Table &t) { return t.absent == u"空白"_s; });
    if (empty)
        result.error = u"文件是空的：没有列标题，也没有联系人。"_s;
    else if (result.tables.size() == 1)
        result.error = u"文件中没有姓名列（列标题应为“姓名”、“名字”或“Name”），无法导入。"_s;
    else
        result.error = u"工作簿的各个工作表中都没有姓名列（列标题应为“姓名”、“名字”或“Name”），无法导入。"_s;
}

}   // namespace txl::exchange
