#pragma once

#include "data/Schema.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <QString>
#include <QStringList>

#include <vector>

namespace txl::db {
class Query;
}

namespace txl::exchange {

// The contacts an export writes, read by row and column (txl::schema::Contact).
class ContactSource {
public:
    virtual ~ContactSource() = default;
    virtual int count() const = 0;
    virtual QString value(int row, schema::Contact column) const = 0;
    // The same as UTF-8, for a writer that wants it so: valid until the next call or until
    // `scratch` changes. A source that holds UTF-8 gives it without a copy.
    virtual QByteArrayView utf8(int row, schema::Contact column, QByteArray &scratch) const;
};

// Contacts held in a list, each row the nine values in column order (missing values are empty).
class ContactList : public ContactSource {
public:
    explicit ContactList(QList<QStringList> rows) : m_rows(std::move(rows)) {}
    int count() const override { return static_cast<int>(m_rows.size()); }
    QString value(int row, schema::Contact column) const override;

private:
    QList<QStringList> m_rows;
};

// The rows an open query holds, read in place without moving its cursor. The columns are found
// by name; a closed query gives no rows.
class QueryContacts : public ContactSource {
public:
    explicit QueryContacts(const db::Query &query);
    int count() const override { return m_count; }
    QString value(int row, schema::Contact column) const override;
    QByteArrayView utf8(int row, schema::Contact column, QByteArray &scratch) const override;

private:
    const db::Query &m_query;
    std::vector<int> m_columns;   // per contact column: the query's column, -1 when absent
    int m_count = 0;
};

}   // namespace txl::exchange
