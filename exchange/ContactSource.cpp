#include "exchange/ContactSource.h"

#include "platform/db/Query.h"

namespace txl::exchange {

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

} // namespace txl::exchange
