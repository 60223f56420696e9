#include "exchange/HeaderMap.h"

#include "data/Schema.h"

#include <QHash>

using namespace Qt::StringLiterals;

namespace txl::exchange {

namespace {

// A title in the form it is compared in: compatibility forms folded (ＱＱ, full-width colon),
// letter case folded, every space and a trailing colon dropped.
QString comparable(const QString &title) {
    QString s = title.normalized(QString::NormalizationForm_KC).toCaseFolded();
    s.removeIf([](QChar c) { return c.isSpace(); });
    while (s.endsWith(u':'))
        s.chop(1);
    return s;
}

const QHash<QString, int> &titles() {
    static const QHash<QString, int> map = [] {
        using namespace txl::schema;
        const QList<std::pair<Contact, QStringList>> alternatives = {
            {Name, {u"名字"_s, u"名称"_s, u"联系人"_s, u"name"_s, u"full name"_s, u"fullname"_s, u"display name"_s}},
            {Sex, {u"性別"_s, u"gender"_s, u"sex"_s}},
            {Birth,
             {u"生日"_s, u"出生年月日"_s, u"出生年月"_s, u"birthday"_s, u"birth date"_s, u"date of birth"_s, u"dob"_s}},
            {Mobile,
             {u"手机"_s, u"手机号"_s, u"移动电话"_s, u"mobile"_s, u"mobile phone"_s, u"cell"_s, u"cell phone"_s,
              u"cellphone"_s}},
            {Dormitory, {u"宿舍"_s, u"宿舍号"_s, u"寝室"_s, u"寝室号"_s, u"dormitory"_s, u"dorm"_s, u"dorm room"_s}},
            {HomePhone,
             {u"电话"_s, u"电话号码"_s, u"住宅电话"_s, u"固定电话"_s, u"home phone"_s, u"phone"_s, u"telephone"_s,
              u"tel"_s}},
            {QQ, {u"qq号"_s, u"qq号码"_s}},
            {Email,
             {u"邮箱"_s, u"电子邮件"_s, u"邮件"_s, u"e-mail"_s, u"email"_s, u"mail"_s, u"e-mail address"_s,
              u"email address"_s}},
            {Address, {u"地址"_s, u"住址"_s, u"家庭地址"_s, u"通讯地址"_s, u"address"_s, u"home address"_s}},
        };
        QHash<QString, int> m;
        for (int c = 0; c < ContactColumnCount; ++c)
            m.insert(comparable(ContactColumns[c].name), c);
        for (const auto &[column, names] : alternatives) {
            for (const QString &n : names)
                m.insert(comparable(n), column);
        }
        return m;
    }();
    return map;
}

}   // namespace

int columnForTitle(const QString &title) {
    return titles().value(comparable(title), -1);
}

namespace {

bool isBlank(QByteArrayView cell) {
    for (const char c : cell) {
        if (c & 0x80)
            return QString::fromUtf8(cell).trimmed().isEmpty();   // a space beyond ASCII (　) or a letter
        if (!QChar(QLatin1Char(c)).isSpace())
            return false;
    }
    return true;
}

}   // namespace

QByteArray &TableRow::add(int column) {
    if (static_cast<std::size_t>(m_count) == m_cells.size())
        m_cells.emplace_back();
    auto &cell = m_cells[static_cast<std::size_t>(m_count++)];
    cell.first = column;
    cell.second.truncate(0);
    return cell.second;
}

void TableReader::addRow(const TableRow &row, int line) {
    bool blank = true;
    for (qsizetype i = 0; i < row.size() && blank; ++i)
        blank = isBlank(row.text(i));
    if (blank)
        return;
    if (!m_haveTitles) {
        takeTitles(row);
        return;
    }
    Utf8Values values{};
    for (qsizetype i = 0; i < row.size(); ++i) {
        const int column = row.column(i);
        if (column < m_result.mapping.size()) {
            if (const int c = m_result.mapping.at(column); c >= 0)
                values[static_cast<std::size_t>(c)] = row.text(i);
        }
    }
    m_intake.add(line, values);
}

void TableReader::takeTitles(const TableRow &row) {
    m_haveTitles = true;
    int columns = 0;
    for (qsizetype i = 0; i < row.size(); ++i)
        columns = std::max(columns, row.column(i) + 1);
    QStringList &titles = m_result.titles;
    titles = QStringList(columns, QString());
    for (qsizetype i = 0; i < row.size(); ++i)
        titles[row.column(i)] = QString::fromUtf8(row.text(i));
    m_result.mapping.fill(-1, columns);
    std::array<bool, schema::ContactColumnCount> taken{};
    for (int i = 0; i < columns; ++i) {
        const QString &title = titles.at(i);
        const int column = columnForTitle(title);
        if (column >= 0 && !taken[static_cast<std::size_t>(column)]) {   // of two of the same meaning, the first counts
            taken[static_cast<std::size_t>(column)] = true;
            m_result.mapping[i] = column;
        } else if (!title.trimmed().isEmpty()) {
            m_result.ignoredColumns << title.trimmed();
        }
    }
}

void TableReader::finish() {
    if (!m_result.ok())
        return;
    if (!m_haveTitles)
        m_result.error = u"文件是空的：没有列标题，也没有联系人。"_s;
    else if (!m_result.mapping.contains(schema::Name))
        m_result.error = u"文件中没有姓名列（列标题应为“姓名”、“名字”或“Name”），无法导入。"_s;
}

}   // namespace txl::exchange
