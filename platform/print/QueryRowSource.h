#pragma once

#include "platform/print/RowSource.h"

#include <QMetaObject>
#include <QPointer>
#include <QStringList>

namespace txl::db {
class Query;
}

namespace txl::print {

// The rows of a query, walked with the query's own cursor so that whatever is bound to it (the
// main list) follows the walk. A closed query is not opened: it gives no rows.
//
// Rows are read in place by their index; the cursor is put on the walk's row whenever the walk
// pauses, which is as often as the screen can show it. Moving the cursor for every row would make
// the list follow each one, many times a frame, for nothing anyone can see.
//
// Input is handled between slices of the walk, so the user may move the cursor meanwhile (a click
// on the list); the walk goes on at its own position and puts the cursor back there at its next
// pause. A row deleted meanwhile shifts the walk with it. A new result (a reload) ends the walk's
// claim on the old rows: replaced() turns true.
//
// Afterwards the query is on its last row with end-of-data set.
class QueryRowSource : public RowSource {
public:
    QueryRowSource(txl::db::Query &query, const QStringList &fieldNames);
    ~QueryRowSource() override;

    void start() override;
    bool atEnd() const override;
    void fields(std::vector<QAnyStringView> &out) override;
    void next() override;
    void pause() override;
    void finish() override;
    int position() const override { return m_index; }
    int count() const override { return m_count; }
    bool replaced() const override { return m_replaced; }
    const void *key() const override { return m_query.data(); }

private:
    void disconnectAll();

    QPointer<txl::db::Query> m_query;
    QStringList m_fieldNames;
    std::vector<int> m_columns;
    int m_index = 0;
    int m_count = 0;
    bool m_replaced = false;
    std::vector<QMetaObject::Connection> m_connections;
};

}   // namespace txl::print
