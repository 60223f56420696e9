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

bool isBlank(const QString &cell) {
    return QStringView(cell).trimmed().isEmpty();
}

bool isBlank(const QByteArray &cell) {
    for (const char c : cell) {
        if (c & 0x80)
            return QString::fromUtf8(cell).trimmed().isEmpty();   // a space beyond ASCII (　) or a letter
        if (!QChar(QLatin1Char(c)).isSpace())
            return false;
    }
    return true;
}

QString text(const QString &cell) {
    return cell;
}

QString text(const QByteArray &cell) {
    return QString::fromUtf8(cell);
}

}   // namespace

void TableReader::addRow(const QStringList &cells, int line) {
    addCells(cells, cells.size(), line);
}

void TableReader::addRow(const QList<QByteArray> &cells, qsizetype count, int line) {
    addCells(cells, std::min(count, cells.size()), line);
}

template <class Cells>
void TableReader::addCells(const Cells &cells, qsizetype count, int line) {
    if (std::all_of(cells.cbegin(), cells.cbegin() + count, [](const auto &c) { return isBlank(c); }))
        return;
    if (!m_haveTitles) {
        QStringList titles;
        for (qsizetype i = 0; i < count; ++i)
            titles << text(cells.at(i));
        takeTitles(titles);
        return;
    }
    for (const int cell : m_cellOf) {
        if (cell >= 0 && cell < count)
            m_builder.add(cells.at(cell));
        else
            m_builder.add(QByteArrayView());
    }
    m_result.records.append(m_builder.take(line));
}

void TableReader::takeTitles(const QStringList &cells) {
    m_haveTitles = true;
    m_result.titles = cells;
    m_cellOf.fill(-1);
    for (const QString &title : cells) {
        int column = columnForTitle(title);
        if (column >= 0 && m_cellOf[static_cast<std::size_t>(column)] >= 0)
            column = -1;   // a second column of the same meaning: the first one counts
        if (column >= 0)
            m_cellOf[static_cast<std::size_t>(column)] = static_cast<int>(m_result.mapping.size());
        else if (!title.trimmed().isEmpty())
            m_result.ignoredColumns << title.trimmed();
        m_result.mapping << column;
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
