#include "platform/print/QueryRowSource.h"

#include "platform/db/Query.h"

namespace txl::print {

QueryRowSource::QueryRowSource(txl::db::Query &query, const QStringList &fieldNames)
    : m_query(&query),
      m_fieldNames(fieldNames) {}

QueryRowSource::~QueryRowSource() {
    disconnectAll();
}

void QueryRowSource::disconnectAll() {
    for (const QMetaObject::Connection &c : m_connections)
        QObject::disconnect(c);
    m_connections.clear();
}

void QueryRowSource::start() {
    disconnectAll();
    m_index = 0;
    m_count = 0;
    m_replaced = false;
    m_columns.clear();
    if (m_query.isNull() || !m_query->isActive())
        return;
    txl::db::Query &q = *m_query;
    q.first();
    if (q.isEmpty())
        return;
    for (const QString &name : std::as_const(m_fieldNames)) {
        const int column = q.columnIndex(name);
        if (column < 0)
            q.fieldByName(name);   // raises the dataset's "Field '…' not found"
        m_columns.push_back(column);
    }
    m_count = q.recordCount();

    // The context object is the query itself: the lambdas never outlive it.
    m_connections.push_back(QObject::connect(&q, &txl::db::Query::opened, &q, [this] { m_replaced = true; }));
    m_connections.push_back(QObject::connect(&q, &txl::db::Query::closed, &q, [this] { m_replaced = true; }));
    m_connections.push_back(QObject::connect(&q, &txl::db::Query::rowRemoved, &q, [this](int row) {
        if (row < m_index)
            --m_index;
        --m_count;
    }));
}

bool QueryRowSource::atEnd() const {
    return m_replaced || m_query.isNull() || m_index >= m_count;
}

void QueryRowSource::fields(std::vector<QAnyStringView> &out) {
    const txl::db::Query &q = *m_query;
    out.resize(m_columns.size());
    for (std::size_t i = 0; i < m_columns.size(); ++i) {
        const std::string_view raw = q.rawValue(m_index, m_columns[i]);
        out[i] = QUtf8StringView(raw.data(), qsizetype(raw.size()));
    }
}

void QueryRowSource::next() {
    ++m_index;
}

void QueryRowSource::pause() {
    if (atEnd())
        return;
    if (m_query->currentRow() != m_index)
        m_query->moveTo(m_index);
}

void QueryRowSource::finish() {
    disconnectAll();
    if (m_replaced || m_query.isNull() || !m_query->isActive() || m_query->isEmpty())
        return;
    // Leave the cursor where a walk to the end leaves it, even if the user moved it meanwhile.
    txl::db::Query &q = *m_query;
    const int last = q.recordCount() - 1;
    if (q.currentRow() != last || !q.eof()) {
        if (q.currentRow() != last)
            q.moveTo(last);
        q.next();
    }
}

}   // namespace txl::print
