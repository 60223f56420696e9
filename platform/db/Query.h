#pragma once

#include "platform/db/Connection.h"
#include "platform/db/GrowBuffer.h"

#include <QObject>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace txl::db {

// One named parameter of a statement, parsed from its text.
struct Parameter {
    QString name;
    std::optional<QString> value;   // unset parameters are bound as NULL
};

// A dataset over one statement: the whole result is read into memory when it opens (a client-side
// static cursor), with a current row and the begin-of-data / end-of-data flags. Every row keeps the
// rowid of its base table, so edit/post and delete address exactly that row.
//
// Errors of the dataset itself read "<name>: <message>"; errors of the database carry SQLite's text.
class Query : public QObject {
    Q_OBJECT

public:
    Query(Connection &connection, const QString &name, QObject *parent = nullptr);
    ~Query() override;

    QString name() const { return objectName(); }

    // --- statement text: a list of lines; changing it closes the query and re-parses parameters
    const QStringList &sql() const { return m_sql; }
    void clearSql();
    void addSql(const QString &line);
    void setSql(const QString &text);   // clear + add, as one line

    // --- parameters (looked up without regard to letter case)
    const std::vector<Parameter> &parameters() const { return m_params; }
    bool hasParameter(const QString &name) const;
    void setParam(const QString &name, const QString &value);   // "Parameter 'x' not found"

    // --- running
    // Row-returning statements; an open query runs its statement again. A failed open leaves the
    // query closed. A statement without result columns is refused and not run.
    void open();
    void execSql();                                       // any statement, rows discarded; open/closed state untouched
    int rowsAffected() const { return m_rowsAffected; }   // rows the last execSql() changed
    void close();
    void setActive(bool active);   // true = open (nothing runs when already open), false = close
    bool isActive() const { return m_open; }

    // --- the open result
    int recordCount() const;
    bool bof() const { return m_bof; }
    bool eof() const { return m_eof; }
    bool isEmpty() const { return m_rowCount == 0; }
    // Open with at least one row: there is a current row to change or delete.
    bool hasCurrentRow() const { return isActive() && !isEmpty(); }
    int currentRow() const { return m_current; }   // -1 when closed or empty
    void first();
    void last();
    void next();
    void prior();
    // Makes row `row` current as a grid selection does (0-based; flags cleared, as by a move; a
    // row outside the result is an error).
    void moveTo(int row);

    // --- fields of the current row, as text
    QString fieldByName(const QString &field) const;
    void setFieldByName(const QString &field, const QString &value);   // needs edit()
    int columnCount() const { return static_cast<int>(m_columns.size()); }
    QString columnName(int column) const;
    int columnIndex(const QString &field) const;   // -1 when absent
    // Reads any cell of the open result in place (for the grid); no copy of the result is made.
    QString value(int row, int column) const;
    std::string_view rawValue(int row, int column) const;   // UTF-8 bytes

    // --- changes to the current row, each in its own transaction
    bool isEditing() const { return m_editing; }
    void edit();
    void post();
    void cancel();
    void deleteRow();   // "Delete" in the dataset sense

    // Approximate bytes held by the open result (for the benchmark).
    std::size_t memoryBytes() const;

Q_SIGNALS:
    // Each is emitted once the query's new state is complete, so a receiver may read it.
    void opened();   // a new result (or none: closed) replaces the old one
    void closed();
    void currentChanged(int row);   // the current row moved
    void rowChanged(int row);       // a row's values were re-read after post
    void rowRemoved(int row);       // a row was deleted

private:
    struct Column {
        QString name;             // as the result names it
        QString origin;           // the base table's column behind it
        int declaredLength = 0;   // in characters; 0 = no limit
    };
    [[noreturn]] void fail(const QString &message) const;
    void requireOpen() const;
    void requireRows() const;
    void requireAddressable() const;
    void leaveRow();   // saves or abandons a pending edit before a move
    void setCurrent(int row, bool bof, bool eof);
    void parseParameters();
    void clearResult();
    void bindParameters(sqlite3 *db, sqlite3_stmt *stmt) const;
    bool takeBaseTable(sqlite3_stmt *stmt);
    void readResult(sqlite3 *db, sqlite3_stmt *stmt, bool withRowid);
    void appendCell(const char *text, std::size_t size, bool isNull);
    bool isNullCell(std::uint32_t cell) const;
    std::uint32_t cellIndex(int row, int column) const;
    QString qualifiedTable() const;
    // post(): the update of the written columns, the row as stored afterwards, and taking it in.
    struct Update {
        QByteArray sql;   // ?1..?k the written values, then the row as it was read
        QStringList values;
    };
    using StoredRow = std::vector<std::optional<std::string>>;
    Update buildUpdate() const;
    StoredRow rereadRow(sqlite3 *db, std::int64_t rowid) const;
    void storeRow(const StoredRow &row, std::int64_t rowid);
    // " AND "c" IS ?n" for every column: the row must still hold what was read.
    QString unchangedCondition(int firstIndex) const;
    int bindUnchanged(sqlite3 *db, sqlite3_stmt *stmt, int index) const;

    Connection &m_connection;
    QStringList m_sql;
    std::vector<Parameter> m_params;
    QByteArray m_command;   // the text as run: UTF-8, every marker replaced by ?N
    int m_rowsAffected = 0;

    bool m_open = false;
    bool m_bof = true;
    bool m_eof = true;
    int m_current = -1;
    int m_rowCount = 0;

    // The result: every cell's UTF-8 text in one buffer, addressed by offsets. Rows are stored
    // once ("physical" rows, in reading order, re-read rows appended) and listed in m_rows, so a
    // delete only removes an index. Closing keeps the buffers' room for the next open (a reload
    // reads into pages already made); an open hands back what it did not use.
    QString m_baseTable;   // empty when rows cannot be addressed (not a single-table select)
    QString m_baseDatabase;
    std::vector<Column> m_columns;
    GrowBuffer<char> m_text;
    GrowBuffer<std::uint32_t> m_offsets;      // physical rows * columns + 1 entries
    GrowBuffer<std::int64_t> m_rowids;        // per physical row
    std::vector<std::uint32_t> m_nullCells;   // the physical cells that are NULL, in order (rare)
    std::vector<std::uint32_t> m_rows;        // per row of the result: its physical row

    bool m_editing = false;
    bool m_modified = false;
    std::vector<std::optional<QString>> m_edits;   // per column, while editing
};

}   // namespace txl::db
