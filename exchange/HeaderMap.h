#pragma once

#include "data/Schema.h"
#include "exchange/Records.h"

#include <QString>
#include <QStringList>

#include <array>

namespace txl::exchange {

// The contact column (txl::schema::Contact) a column title names, or -1. Besides the program's own
// nine titles it knows the usual alternatives (名字, Name, 手机, Mobile, E-mail, 地址 …); letter
// case, full-width forms, spaces and a trailing colon do not matter.
int columnForTitle(const QString &title);

// Turns the rows of a table (CSV, a sheet) into records: the first row that is not empty holds the
// titles, every later non-empty row is a contact.
class TableReader {
public:
    explicit TableReader(ReadResult &result) : m_result(result) {}
    // `line` is where the row stands in the file (for messages).
    void addRow(const QStringList &cells, int line);
    // The same with the first `count` of `cells`, as UTF-8 (a sheet's cells are that already).
    void addRow(const QList<QByteArray> &cells, qsizetype count, int line);
    // Refuses a table without titles or without a name column.
    void finish();

private:
    template <class Cells>
    void addCells(const Cells &cells, qsizetype count, int line);
    void takeTitles(const QStringList &cells);

    ReadResult &m_result;
    bool m_haveTitles = false;
    std::array<int, schema::ContactColumnCount> m_cellOf{};   // per contact column: its cell, or -1
    Record::Builder m_builder;
};

}   // namespace txl::exchange
