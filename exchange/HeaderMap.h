#pragma once

#include "data/Schema.h"
#include "exchange/ImportRules.h"
#include "exchange/Records.h"

#include <QString>
#include <QStringList>

#include <utility>
#include <vector>

namespace txl::exchange {

// The contact column (txl::schema::Contact) a column title names, or -1. Besides the program's own
// nine titles it knows the usual alternatives (名字, Name, 手机, Mobile, E-mail, 地址 …); letter
// case, full-width forms, spaces and a trailing colon do not matter.
int columnForTitle(const QString &title);

// The cells of one row of a table that hold something, each with its column, as UTF-8, in the
// order the file gives them. A row is as long as what it holds: a cell in the last column of a
// sheet costs no more than one in the first.
class TableRow {
public:
    void clear() { m_count = 0; }
    // The room for the text of the cell in `column`, emptied; it serves again from row to row.
    QByteArray &add(int column);
    void dropLast() { --m_count; }
    qsizetype size() const { return m_count; }
    int column(qsizetype i) const { return m_cells[static_cast<std::size_t>(i)].first; }
    const QByteArray &text(qsizetype i) const { return m_cells[static_cast<std::size_t>(i)].second; }

private:
    std::vector<std::pair<int, QByteArray>> m_cells;
    qsizetype m_count = 0;
};

// Turns the rows of a table (CSV, a sheet) into records: the first row that is not empty holds the
// titles, every later non-empty row is a contact, which goes through the import rules.
class TableReader {
public:
    // The cells are valid UTF-8.
    explicit TableReader(ReadResult &result) : m_result(result), m_intake(result) {}
    // `line` is where the row stands in the file (for messages).
    void addRow(const TableRow &row, int line);
    // Whether the text of a cell in `column` is wanted: any before the titles, then only those
    // of the columns that fill a contact column.
    bool wants(int column) const {
        return !m_haveTitles || (column >= 0 && column < m_result.mapping.size() && m_result.mapping.at(column) >= 0);
    }
    // Refuses a table without titles or without a name column.
    void finish();

private:
    void takeTitles(const TableRow &row);

    ReadResult &m_result;
    Intake m_intake;
    bool m_haveTitles = false;
};

}   // namespace txl::exchange
