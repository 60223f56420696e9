#include "platform/db/Query.h"

#include "platform/db/SqlText.h"

#include <algorithm>
#include <limits>
#include <numeric>
#include <string>

namespace txl::db {

using namespace Qt::StringLiterals;

namespace {

const QString ClosedDataset = u"Cannot perform this operation on a closed dataset"_s;
const QString EmptyDataset = u"Cannot perform this operation on an empty dataset"_s;
const QString NoResultSet = u"CommandText does not return a result set"_s;
const QString NotEditing = u"Dataset not in edit or insert mode"_s;
const QString NotAddressable = u"The rows of this statement cannot be changed: they do not come from one table"_s;

// "VARCHAR(50)" → 50 for the text types; 0 (no limit) for everything else.
int declaredLength(const char *decltype_) {
    if (!decltype_)
        return 0;
    const QString type = QString::fromUtf8(decltype_).toUpper();
    if (!type.contains(u"CHAR"_s) && !type.contains(u"TEXT"_s) && !type.contains(u"CLOB"_s))
        return 0;
    const qsizetype open = type.indexOf(u'(');
    if (open < 0)
        return 0;
    qsizetype end = open + 1;
    while (end < type.size() && type[end].isSpace())
        ++end;
    const qsizetype digits = end;
    while (end < type.size() && type[end].isDigit())
        ++end;
    bool ok = false;
    const int length = type.mid(digits, end - digits).toInt(&ok);
    return ok && length > 0 ? length : 0;
}

// The first `limit` characters (code points: a surrogate pair counts once and is never split).
QString cutToLength(const QString &text, int limit) {
    if (limit <= 0 || text.size() <= limit)
        return text;
    qsizetype at = 0;
    for (int count = 0; count < limit && at < text.size(); ++count)
        at += text[at].isHighSurrogate() && at + 1 < text.size() && text[at + 1].isLowSurrogate() ? 2 : 1;
    return text.left(at);
}

std::string_view columnText(sqlite3_stmt *stmt, int column) {
    const auto *text = reinterpret_cast<const char *>(sqlite3_column_text(stmt, column));
    const int size = sqlite3_column_bytes(stmt, column);
    return text ? std::string_view(text, static_cast<std::size_t>(size)) : std::string_view();
}

QString fromUtf8(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

}   // namespace

Query::Query(Connection &connection, const QString &name, QObject *parent) : QObject(parent), m_connection(connection) {
    setObjectName(name);
}

Query::~Query() = default;

void Query::fail(const QString &message) const {
    throw DbError(u"%1: %2"_s.arg(name(), message));
}

void Query::requireOpen() const {
    if (!m_open)
        fail(ClosedDataset);
}

void Query::requireRows() const {
    requireOpen();
    if (m_rowCount == 0)
        fail(EmptyDataset);
}

void Query::requireAddressable() const {
    if (m_baseTable.isEmpty())
        fail(NotAddressable);
}

// --- statement text --------------------------------------------------------------------------

void Query::clearSql() {
    close();
    m_sql.clear();
    parseParameters();
}

void Query::addSql(const QString &line) {
    close();
    m_sql.append(line);
    parseParameters();
}

void Query::setSql(const QString &text) {
    close();
    m_sql = QStringList{text};
    parseParameters();
}

// Values already set survive for names that are still there.
void Query::parseParameters() {
    sqltext::MarkedStatement marked = sqltext::markParameters(m_sql.join(u'\n'));
    std::vector<Parameter> params;
    params.reserve(static_cast<std::size_t>(marked.names.size()));
    for (const QString &paramName : std::as_const(marked.names)) {
        Parameter p{paramName, std::nullopt};
        for (const Parameter &old : m_params) {
            if (old.name.compare(paramName, Qt::CaseInsensitive) == 0)
                p.value = old.value;
        }
        params.push_back(std::move(p));
    }
    m_params = std::move(params);
    m_command = std::move(marked.command);
}

bool Query::hasParameter(const QString &paramName) const {
    for (const Parameter &p : m_params) {
        if (p.name.compare(paramName, Qt::CaseInsensitive) == 0)
            return true;
    }
    return false;
}

void Query::setParam(const QString &paramName, const QString &value) {
    for (Parameter &p : m_params) {
        if (p.name.compare(paramName, Qt::CaseInsensitive) == 0) {
            p.value = value;
            return;
        }
    }
    fail(u"Parameter '%1' not found"_s.arg(paramName));
}

void Query::bindParameters(sqlite3 *db, sqlite3_stmt *stmt) const {
    for (std::size_t i = 0; i < m_params.size(); ++i) {
        const int index = static_cast<int>(i + 1);
        if (m_params[i].value)
            sqlite::bindText(db, stmt, index, *m_params[i].value);
        else
            sqlite::check(db, sqlite3_bind_null(stmt, index));
    }
}

// --- running ---------------------------------------------------------------------------------

void Query::open() {
    if (m_open)
        close();
    try {
        m_connection.ensureOpen();
        sqlite3 *db = m_connection.handle();

        sqlite::Statement stmt;
        bool rowids = false;
        if (const auto variant = sqltext::withRowid(m_command)) {
            if (sqlite::tryPrepare(db, *variant, stmt) == SQLITE_OK && stmt && takeBaseTable(stmt.get()))
                rowids = true;
            else
                stmt.reset();
        }
        if (!stmt)
            stmt = sqlite::prepare(db, m_command);
        if (!stmt || sqlite3_column_count(stmt.get()) == 0)
            fail(NoResultSet);
        bindParameters(db, stmt.get());
        readResult(db, stmt.get(), rowids);
    } catch (...) {
        clearResult();
        m_open = false;
        m_bof = m_eof = true;
        m_current = -1;
        Q_EMIT closed();
        throw;
    }
    m_open = true;
    m_current = m_rowCount > 0 ? 0 : -1;
    m_bof = true;
    m_eof = m_rowCount == 0;
    Q_EMIT opened();
    Q_EMIT currentChanged(m_current);
}

// The rows are addressable when the last column is the rowid of a table and every other column
// reads a column of that same table.
bool Query::takeBaseTable(sqlite3_stmt *stmt) {
    const int rowid = sqlite3_column_count(stmt) - 1;
    const char *table = sqlite3_column_table_name(stmt, rowid);
    const char *database = sqlite3_column_database_name(stmt, rowid);
    if (rowid < 1 || !table || !database)
        return false;
    for (int c = 0; c < rowid; ++c) {
        const char *t = sqlite3_column_table_name(stmt, c);
        const char *d = sqlite3_column_database_name(stmt, c);
        if (!t || !d || qstrcmp(t, table) != 0 || qstrcmp(d, database) != 0 || !sqlite3_column_origin_name(stmt, c))
            return false;
    }
    m_baseTable = QString::fromUtf8(table);
    m_baseDatabase = QString::fromUtf8(database);
    return true;
}

void Query::readResult(sqlite3 *db, sqlite3_stmt *stmt, bool withRowid) {
    // With rowids, they come in the last column.
    const int count = sqlite3_column_count(stmt) - (withRowid ? 1 : 0);
    m_columns.clear();
    m_columns.reserve(static_cast<std::size_t>(count));
    for (int c = 0; c < count; ++c) {
        const char *origin = sqlite3_column_origin_name(stmt, c);
        m_columns.push_back({QString::fromUtf8(sqlite3_column_name(stmt, c)),
                             origin ? QString::fromUtf8(origin) : QString(),
                             declaredLength(sqlite3_column_decltype(stmt, c))});
    }

    m_offsets.push_back(0);
    int rc;
    std::size_t rows = 0;
    while ((rc = sqlite3_step(stmt)) == SQLITE_ROW) {
        if (withRowid)
            m_rowids.push_back(sqlite3_column_int64(stmt, count));
        for (int c = 0; c < count; ++c) {
            // Only NULL has no text (or a failed conversion, which says so by its code).
            const auto *text = reinterpret_cast<const char *>(sqlite3_column_text(stmt, c));
            const auto size = static_cast<std::size_t>(sqlite3_column_bytes(stmt, c));
            if (!text && sqlite3_errcode(db) == SQLITE_NOMEM)
                sqlite::raise(db, SQLITE_NOMEM);
            appendCell(text, size, !text);
        }
        ++rows;
        if (rows > static_cast<std::size_t>(std::numeric_limits<int>::max()))
            throw DbError(u"The result has too many rows to hold in memory."_s, SQLITE_TOOBIG);
    }
    sqlite::check(db, rc);
    // The result may stay open for long: the room the last doubling left goes back.
    m_text.shrinkToFit();
    m_offsets.shrinkToFit();
    m_rowids.shrinkToFit();
    m_rows.resize(rows);
    std::iota(m_rows.begin(), m_rows.end(), 0u);
    m_rowCount = static_cast<int>(rows);
    m_edits.clear();
}

void Query::appendCell(const char *text, std::size_t size, bool isNull) {
    if (m_text.size() + size > std::numeric_limits<std::uint32_t>::max())
        throw DbError(u"The result is too large to hold in memory."_s, SQLITE_TOOBIG);
    m_text.append(text, size);
    if (isNull)
        m_nullCells.push_back(static_cast<std::uint32_t>(m_offsets.size() - 1));
    m_offsets.push_back(static_cast<std::uint32_t>(m_text.size()));
}

bool Query::isNullCell(std::uint32_t cell) const {
    return std::binary_search(m_nullCells.begin(), m_nullCells.end(), cell);
}

void Query::execSql() {
    m_rowsAffected = 0;
    m_connection.ensureOpen();
    sqlite::Statement stmt = sqlite::prepare(m_connection.handle(), m_command);
    if (!stmt)
        fail(u"There is no statement to run"_s);
    const bool reads = sqlite3_stmt_readonly(stmt.get());
    if (!reads && sqlite3_db_readonly(m_connection.handle(), "main") == 1) {
        stmt.reset();   // it belongs to the handle that is about to be made anew
        stmt = sqlite::prepare(m_connection.writableHandle(), m_command);
    }
    sqlite3 *db = m_connection.handle();
    bindParameters(db, stmt.get());
    if (reads) {
        // Reads and transaction control need no transaction of their own.
        sqlite::runToEnd(db, stmt.get());
        return;
    }
    try {
        sqlite::Transaction transaction(db);
        sqlite::runToEnd(db, stmt.get());
        const int changed = sqlite3_changes(db);
        stmt.reset();
        transaction.commit();
        m_rowsAffected = changed;
    } catch (const DbError &e) {
        QStringList values;
        for (const Parameter &p : m_params)
            values << p.value.value_or(QString());
        throw m_connection.explained(e, values);
    }
}

void Query::close() {
    if (!m_open)
        return;
    clearResult();
    m_open = false;
    m_bof = m_eof = true;
    m_current = -1;
    Q_EMIT closed();
}

void Query::setActive(bool active) {
    if (active && !m_open)
        open();
    else if (!active)
        close();
}

void Query::clearResult() {
    m_baseTable.clear();
    m_baseDatabase.clear();
    m_columns.clear();
    // The room of the rows stays for the next open: a reload reads into pages already made
    // (opening hands back what it does not use). The destructor hands it all back.
    m_text.clear();
    m_offsets.clear();
    m_rowids.clear();
    // Swapping with empty vectors hands the memory back (clear() would keep the capacity).
    std::vector<std::uint32_t>().swap(m_nullCells);
    std::vector<std::uint32_t>().swap(m_rows);
    m_rowCount = 0;
    m_editing = false;
    m_modified = false;
    m_edits.clear();
}

// --- moving ----------------------------------------------------------------------------------

int Query::recordCount() const {
    requireOpen();
    return m_rowCount;
}

void Query::leaveRow() {
    if (!m_editing)
        return;
    if (m_modified)
        post();
    else
        cancel();
}

void Query::setCurrent(int row, bool bof, bool eof) {
    m_bof = bof;
    m_eof = eof;
    if (row != m_current) {
        m_current = row;
        Q_EMIT currentChanged(row);
    }
}

void Query::first() {
    requireOpen();
    leaveRow();
    const bool empty = m_rowCount == 0;
    setCurrent(empty ? -1 : 0, true, empty);
}

void Query::last() {
    requireOpen();
    leaveRow();
    const bool empty = m_rowCount == 0;
    setCurrent(m_rowCount - 1, empty, true);
}

void Query::next() {
    requireOpen();
    leaveRow();
    if (m_eof)
        return;
    if (m_current + 1 < m_rowCount)
        setCurrent(m_current + 1, false, false);
    else
        setCurrent(m_current, false, true);
}

void Query::prior() {
    requireOpen();
    leaveRow();
    if (m_bof)
        return;
    if (m_current > 0)
        setCurrent(m_current - 1, false, false);
    else
        setCurrent(m_current, true, false);
}

void Query::moveTo(int row) {
    requireOpen();
    if (row < 0 || row >= m_rowCount)
        fail(u"Row %1 does not exist"_s.arg(row));
    leaveRow();
    if (row != m_current)
        setCurrent(row, false, false);
}

// --- fields ----------------------------------------------------------------------------------

QString Query::columnName(int column) const {
    if (column < 0 || column >= columnCount())
        return QString();
    return m_columns[static_cast<std::size_t>(column)].name;
}

int Query::columnIndex(const QString &field) const {
    // Callers almost always spell the name as the result does: try that cheap match first.
    for (std::size_t c = 0; c < m_columns.size(); ++c) {
        if (m_columns[c].name == field)
            return static_cast<int>(c);
    }
    for (std::size_t c = 0; c < m_columns.size(); ++c) {
        if (m_columns[c].name.compare(field, Qt::CaseInsensitive) == 0)
            return static_cast<int>(c);
    }
    return -1;
}

std::uint32_t Query::cellIndex(int row, int column) const {
    return m_rows[static_cast<std::size_t>(row)] * static_cast<std::uint32_t>(m_columns.size()) +
           static_cast<std::uint32_t>(column);
}

std::string_view Query::rawValue(int row, int column) const {
    if (row < 0 || row >= m_rowCount || column < 0 || column >= columnCount())
        return {};
    const std::uint32_t cell = cellIndex(row, column);
    const std::uint32_t begin = m_offsets[cell];
    return std::string_view(m_text.data() + begin, m_offsets[cell + 1] - begin);
}

QString Query::value(int row, int column) const {
    return fromUtf8(rawValue(row, column));
}

QString Query::fieldByName(const QString &field) const {
    const int column = columnIndex(field);
    if (column < 0)
        fail(u"Field '%1' not found"_s.arg(field));
    if (m_editing) {
        if (const auto &edited = m_edits[static_cast<std::size_t>(column)])
            return *edited;
    }
    return m_current < 0 ? QString() : value(m_current, column);
}

void Query::setFieldByName(const QString &field, const QString &value) {
    const int column = columnIndex(field);
    if (column < 0)
        fail(u"Field '%1' not found"_s.arg(field));
    if (!m_editing)
        fail(NotEditing);
    const auto c = static_cast<std::size_t>(column);
    m_edits[c] = cutToLength(value, m_columns[c].declaredLength);
    m_modified = true;
}

// --- changes ---------------------------------------------------------------------------------

QString Query::qualifiedTable() const {
    return sqlite::quoteIdentifier(m_baseDatabase) + u'.' + sqlite::quoteIdentifier(m_baseTable);
}

QString Query::unchangedCondition(int firstIndex) const {
    QString where = u" WHERE rowid=?%1"_s.arg(firstIndex);
    for (std::size_t c = 0; c < m_columns.size(); ++c)
        where += u" AND %1 IS ?%2"_s.arg(sqlite::quoteIdentifier(m_columns[c].origin))
                     .arg(firstIndex + 1 + static_cast<int>(c));
    return where;
}

// Binds the current row's rowid and every value as it was read, from `index` on; returns the
// next free index.
int Query::bindUnchanged(sqlite3 *db, sqlite3_stmt *stmt, int index) const {
    const std::uint32_t physical = m_rows[static_cast<std::size_t>(m_current)];
    sqlite::check(db, sqlite3_bind_int64(stmt, index++, m_rowids[physical]));
    for (int c = 0; c < columnCount(); ++c, ++index) {
        if (isNullCell(cellIndex(m_current, c)))
            sqlite::check(db, sqlite3_bind_null(stmt, index));
        else
            sqlite::bindText(db, stmt, index, rawValue(m_current, c));
    }
    return index;
}

void Query::edit() {
    requireRows();
    requireAddressable();
    if (m_editing)
        return;
    m_editing = true;
    m_modified = false;
    m_edits.assign(m_columns.size(), std::nullopt);
}

void Query::cancel() {
    m_editing = false;
    m_modified = false;
    m_edits.clear();
}

Query::Update Query::buildUpdate() const {
    // Each written column once (the last value written to it wins), then the row must still
    // hold exactly what was read: another running copy may have changed or removed it.
    Update update;
    QStringList columns;
    for (std::size_t c = 0; c < m_columns.size(); ++c) {
        if (!m_edits[c])
            continue;
        const qsizetype same = columns.indexOf(m_columns[c].origin);
        if (same >= 0) {
            update.values[same] = *m_edits[c];
        } else {
            columns << m_columns[c].origin;
            update.values << *m_edits[c];
        }
    }
    QString sql = u"UPDATE "_s + qualifiedTable() + u" SET "_s;
    for (qsizetype i = 0; i < columns.size(); ++i)
        sql += (i ? u", "_s : QString()) + sqlite::quoteIdentifier(columns[i]) + u"=?"_s + QString::number(i + 1);
    sql += unchangedCondition(static_cast<int>(columns.size()) + 1);
    update.sql = sql.toUtf8();
    return update;
}

Query::StoredRow Query::rereadRow(sqlite3 *db, std::int64_t rowid) const {
    QString sql = u"SELECT "_s;
    for (std::size_t c = 0; c < m_columns.size(); ++c)
        sql += (c ? u", "_s : QString()) + sqlite::quoteIdentifier(m_columns[c].origin);
    sql += u" FROM "_s + qualifiedTable() + u" WHERE rowid=?1"_s;

    const sqlite::Statement stmt = sqlite::prepare(db, sql.toUtf8());
    sqlite::check(db, sqlite3_bind_int64(stmt.get(), 1, rowid));
    const int rc = sqlite3_step(stmt.get());
    sqlite::check(db, rc);
    if (rc != SQLITE_ROW)
        throw DbError(u"Row cannot be located after updating."_s);
    StoredRow row;
    for (int c = 0; c < columnCount(); ++c) {
        if (sqlite3_column_type(stmt.get(), c) == SQLITE_NULL)
            row.emplace_back(std::nullopt);
        else
            row.emplace_back(std::string(columnText(stmt.get(), c)));
    }
    return row;
}

// The values go in as a new physical row for the current row; the old one stays unused until the
// result is closed.
void Query::storeRow(const StoredRow &row, std::int64_t rowid) {
    const auto physical = static_cast<std::uint32_t>(m_rowids.size());
    const std::size_t textSize = m_text.size();
    try {
        for (const auto &v : row)
            appendCell(v ? v->data() : nullptr, v ? v->size() : 0, !v);
    } catch (...) {
        const std::size_t firstCell = static_cast<std::size_t>(physical) * m_columns.size();
        m_text.truncate(textSize);
        m_offsets.truncate(firstCell + 1);
        while (!m_nullCells.empty() && m_nullCells.back() >= firstCell)
            m_nullCells.pop_back();
        throw;
    }
    m_rowids.push_back(rowid);
    m_rows[static_cast<std::size_t>(m_current)] = physical;
}

void Query::post() {
    requireOpen();
    if (!m_editing)
        fail(NotEditing);
    if (!m_modified) {
        cancel();
        m_bof = m_eof = false;
        return;
    }
    requireRows();
    requireAddressable();
    sqlite3 *db = m_connection.writableHandle();

    const Update update = buildUpdate();
    const std::int64_t rowid = m_rowids[m_rows[static_cast<std::size_t>(m_current)]];
    StoredRow stored;
    try {
        sqlite::Transaction transaction(db);
        {
            const sqlite::Statement stmt = sqlite::prepare(db, update.sql);
            for (qsizetype i = 0; i < update.values.size(); ++i)
                sqlite::bindText(db, stmt.get(), static_cast<int>(i + 1), update.values[i]);
            bindUnchanged(db, stmt.get(), static_cast<int>(update.values.size()) + 1);
            sqlite::runToEnd(db, stmt.get());
            if (sqlite3_changes(db) == 0)
                throw DbError(u"Row cannot be located for updating. Some values may have been "
                              "changed since it was last read."_s);
        }
        stored = rereadRow(db, rowid);
        transaction.commit();
    } catch (const DbError &e) {
        throw m_connection.explained(e, update.values);
    }
    storeRow(stored, rowid);
    cancel();
    m_bof = m_eof = false;
    Q_EMIT rowChanged(m_current);
}

void Query::deleteRow() {
    requireOpen();
    if (m_editing)
        cancel();
    requireRows();
    requireAddressable();
    sqlite3 *db = m_connection.writableHandle();
    {
        sqlite::Transaction transaction(db);
        sqlite::Statement stmt = sqlite::prepare(
            db, (u"DELETE FROM "_s + qualifiedTable() + unchangedCondition(1)).toUtf8());
        bindUnchanged(db, stmt.get(), 1);
        sqlite::runToEnd(db, stmt.get());
        if (sqlite3_changes(db) == 0)
            throw DbError(u"Row cannot be located for deleting. Some values may have been "
                          "changed since it was last read."_s);
        stmt.reset();
        transaction.commit();
    }
    // The whole new state first: whoever follows rowRemoved reads the current row at once.
    const int row = m_current;
    m_rows.erase(m_rows.begin() + row);
    --m_rowCount;
    if (m_rowCount == 0) {
        m_current = -1;
        m_bof = m_eof = true;
    } else {
        m_current = row < m_rowCount ? row : m_rowCount - 1;
        m_bof = m_eof = false;
    }
    Q_EMIT rowRemoved(row);
    Q_EMIT currentChanged(m_current);
}

std::size_t Query::memoryBytes() const {
    std::size_t bytes = m_text.capacity() + m_offsets.capacity() * sizeof(std::uint32_t) +
                        m_rowids.capacity() * sizeof(std::int64_t) + m_nullCells.capacity() * sizeof(std::uint32_t) +
                        m_rows.capacity() * sizeof(std::uint32_t) + m_columns.capacity() * sizeof(Column);
    for (const Column &c : m_columns)
        bytes += static_cast<std::size_t>(c.name.capacity() + c.origin.capacity()) * sizeof(QChar);
    return bytes;
}

}   // namespace txl::db
