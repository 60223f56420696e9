#include "exchange/ContactSource.h"

#include "platform/db/Query.h"

namespace txl::exchange {

QByteArrayView ContactSource::utf8(int row, schema::Contact column, QByteArray &scratch) const {
    scratch = value(row, column).toUtf8();
    return scratch;
}

QString ContactList::value(int row, schema::Contact column) const {
    const QStringList &values = m_rows.at(row);
    return column < values.size() ? values.at(column) : QString();
}

QueryContacts::QueryContacts(const db::Query &query) : m_query(query) {
    if (!query.isActive())
        return;
    m_count = query.recordCount();
    for (const schema::ColumnDef &c : schema::ContactColumns)
        m_columns.push_back(query.columnIndex(c.name));
}

QString QueryContacts::value(int row, schema::Contact column) const {
    const int c = m_columns.at(column);
    return c < 0 ? QString() : m_query.value(row, c);
}

QByteArrayView QueryContacts::utf8(int row, schema::Contact column, QByteArray & /*scratch*/) const {
    const int c = m_columns.at(column);
    if (c < 0)
        return {};
    const std::string_view bytes = m_query.rawValue(row, c);
    return QByteArrayView(bytes.data(), static_cast<qsizetype>(bytes.size()));
}

}   // namespace txl::exchange
