#include "platform/db/Query.h"

#include "platform/db/DbError.h"
#include "platform/db/Sqlite.h"

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
const QString NotAddressable =
    u"The rows of this statement cannot be changed: they do not come from one table"_s;

// A marker's name runs up to one of these (or the end of the text).
bool endsName(QChar c) {
    return c == u'\n' || c == u'\r' || c == u' ' || c == u')' || c == u',' || c == u';';
}

bool isQuote(QChar c) {
    return c == u'\'' || c == u'"' || c == u'`';
}

bool isSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f' || c == '\v';
}

bool isWordChar(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_'
        || static_cast<unsigned char>(c) >= 0x80;
}

bool wordAt(std::string_view text, std::size_t at, std::string_view word) {
    if (at + word.size() > text.size())
        return false;
    for (std::size_t i = 0; i < word.size(); ++i) {
        char c = text[at + i];
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
        if (c != word[i])
            return false;
    }
    const bool startsWord = at == 0 || !isWordChar(text[at - 1]);
    const bool endsWord = at + word.size() == text.size() || !isWordChar(text[at + word.size()]);
    return startsWord && endsWord;
}

// "select <columns> from <rest>" → "select <columns>, rowid from <rest>": the same rows in the same
// order (ORDER BY 1 still means the first column), each with the rowid of its table. None for
// statements whose rows do not each stand for one stored row: DISTINCT and GROUP BY (a rowid read
// with such a row names just one of the rows behind it). Joins and aggregates get a variant that
// does not prepare, or whose columns do not all come from one table; open() then falls back to
// the statement as written.
std::optional<QByteArray> withRowid(const QByteArray &command) {
    const std::string_view text(command.constData(), static_cast<std::size_t>(command.size()));
    const std::size_t n = text.size();
    std::size_t at = 0;
    while (at < n && isSpace(text[at]))
        ++at;
    if (!wordAt(text, at, "select"))
        return std::nullopt;
    at += 6;
    while (at < n && isSpace(text[at]))
        ++at;
    if (wordAt(text, at, "distinct"))
        return std::nullopt;

    std::size_t from = std::string_view::npos;
    int depth = 0;
    for (std::size_t i = at; i < n;) {
        const char c = text[i];
        if (c == '\'' || c == '"' || c == '`' || c == '[') {
            const std::size_t close = text.find(c == '[' ? ']' : c, i + 1);
            i = close == std::string_view::npos ? n : close + 1;
        } else if (c == '-' && i + 1 < n && text[i + 1] == '-') {
            const std::size_t end = text.find('\n', i);
            i = end == std::string_view::npos ? n : end + 1;
        } else if (c == '/' && i + 1 < n && text[i + 1] == '*') {
            const std::size_t end = text.find("*/", i + 2);
            i = end == std::string_view::npos ? n : end + 2;
        } else {
            if (c == '(')
                ++depth;
            else if (c == ')')
                --depth;
            else if (depth == 0 && from == std::string_view::npos && wordAt(text, i, "from"))
                from = i;
            else if (depth == 0 && wordAt(text, i, "group")) {
                std::size_t j = i + 5;
                while (j < n && isSpace(text[j]))
                    ++j;
                if (wordAt(text, j, "by"))
                    return std::nullopt;
            }
            ++i;
        }
    }
    if (from == std::string_view::npos)
        return std::nullopt;
    QByteArray variant = command.left(static_cast<qsizetype>(from));
    variant += ", rowid ";
    variant += command.mid(static_cast<qsizetype>(from));
    return variant;
}

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

} // namespace

Query::Query(Connection &connection, const QString &name, QObject *parent)
    : QObject(parent), m_connection(connection) {
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

// Finds the markers and rewrites each as SQLite's numbered parameter ?N, N being the position of
// its name in the parameter list; a name used twice is one parameter. Values already set survive
// for names that are still there.
void Query::parseParameters() {
    const QString text = m_sql.join(u'\n');
    std::vector<Parameter> params;
    QString out;
    out.reserve(text.size() + 8);
    QChar quote;
    const qsizetype n = text.size();
    for (qsizetype i = 0; i < n; ++i) {
        const QChar c = text[i];
        if (!quote.isNull()) {
            out += c;
            if (c == quote)
                quote = QChar();
            continue;
        }
        if (isQuote(c)) {
            quote = c;
            out += c;
            continue;
        }
        if (c != u':') {
            out += c;
            continue;
        }
        if (i + 1 < n && text[i + 1] == u':') {   // "::" is a colon
            out += c;
            ++i;
            continue;
        }
        qsizetype end = i + 1;
        while (end < n && !endsName(text[end]))
            ++end;
        if (end == i + 1) {   // a colon with no name is no marker
            out += c;
            continue;
        }
        const QString paramName = text.mid(i + 1, end - i - 1);
        std::size_t index = 0;
        while (index < params.size()
               && params[index].name.compare(paramName, Qt::CaseInsensitive) != 0)
            ++index;
        if (index == params.size()) {
            Parameter p{paramName, std::nullopt};
            for (const Parameter &old : m_params) {
                if (old.name.compare(paramName, Qt::CaseInsensitive) == 0)
                    p.value = old.value;
            }
            params.push_back(std::move(p));
        }
        out += u'?' + QString::number(index + 1);
        i = end - 1;
    }
    m_params = std::move(params);
    m_command = out.toUtf8();
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
        if (const auto variant = withRowid(m_command)) {
            if (sqlite::tryPrepare(db, std::string_view(variant->constData(),
                                                        static_cast<std::size_t>(variant->size())),
                                   stmt) == SQLITE_OK
                && stmt && takeBaseTable(stmt.get()))
                rowids = true;
            else
                stmt.reset();
        }
        if (!stmt)
            stmt = sqlite::prepare(db, std::string_view(m_command.constData(),
                                                        static_cast<std::size_t>(m_command.size())));
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
        if (!t || !d || qstrcmp(t, table) != 0 || qstrcmp(d, database) != 0
            || !sqlite3_column_origin_name(stmt, c))
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

    m_text.reserve(64 * 1024);
    m_offsets.assign(1, 0);
    int rc;
    std::size_t rows = 0;
    while ((rc = sqlite3_step(stmt)) == SQLITE_ROW) {
        if (withRowid)
            m_rowids.push_back(sqlite3_column_int64(stmt, count));
        for (int c = 0; c < count; ++c) {
            const bool isNull = sqlite3_column_type(stmt, c) == SQLITE_NULL;
            const std::string_view text = isNull ? std::string_view() : columnText(stmt, c);
            appendCell(text.data(), text.size(), isNull);
        }
        ++rows;
        if (rows > static_cast<std::size_t>(std::numeric_limits<int>::max()))
            throw DbError(u"The result has too many rows to hold in memory."_s, SQLITE_TOOBIG);
    }
    sqlite::check(db, rc);
    // Growing doubles the buffers; give the slack back, the result may stay open for long.
    m_text.shrink_to_fit();
    m_offsets.shrink_to_fit();
    m_rowids.shrink_to_fit();
    m_nulls.shrink_to_fit();
    m_rows.resize(rows);
    std::iota(m_rows.begin(), m_rows.end(), 0u);
    m_rowCount = static_cast<int>(rows);
    m_edits.clear();
}

void Query::appendCell(const char *text, std::size_t size, bool isNull) {
    if (m_text.size() + size > std::numeric_limits<std::uint32_t>::max())
        throw DbError(u"The result is too large to hold in memory."_s, SQLITE_TOOBIG);
    if (size > 0)
        m_text.insert(m_text.end(), text, text + size);
    m_offsets.push_back(static_cast<std::uint32_t>(m_text.size()));
    m_nulls.push_back(isNull);
}

void Query::execSql() {
    m_rowsAffected = 0;
    m_connection.ensureOpen();
    sqlite3 *db = m_connection.handle();
    sqlite::Statement stmt = sqlite::prepare(
        db, std::string_view(m_command.constData(), static_cast<std::size_t>(m_command.size())));
    if (!stmt)
        fail(u"There is no statement to run"_s);
    bindParameters(db, stmt.get());
    if (sqlite3_stmt_readonly(stmt.get())) {
        // Reads and transaction control need no transaction of their own.
        sqlite::runToEnd(db, stmt.get());
        return;
    }
    sqlite::Transaction transaction(db);
    sqlite::runToEnd(db, stmt.get());
    const int changed = sqlite3_changes(db);
    stmt.reset();
    transaction.commit();
    m_rowsAffected = changed;
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
    // Swapping with empty vectors hands the memory back (clear() would keep the capacity).
    std::vector<char>().swap(m_text);
    std::vector<std::uint32_t>().swap(m_offsets);
    std::vector<std::int64_t>().swap(m_rowids);
    std::vector<bool>().swap(m_nulls);
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
    return m_rows[static_cast<std::size_t>(row)] * static_cast<std::uint32_t>(m_columns.size())
        + static_cast<std::uint32_t>(column);
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
        if (m_nulls[cellIndex(m_current, c)])
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
    m_connection.ensureOpen();
    sqlite3 *db = m_connection.handle();

    // Each written column once (the last value written to it wins), then the row must still
    // hold exactly what was read: another running copy may have changed or removed it.
    std::vector<std::pair<QString, QString>> assignments;
    for (std::size_t c = 0; c < m_columns.size(); ++c) {
        if (!m_edits[c])
            continue;
        auto same = std::find_if(assignments.begin(), assignments.end(),
                                 [&](const auto &a) { return a.first == m_columns[c].origin; });
        if (same != assignments.end())
            same->second = *m_edits[c];
        else
            assignments.emplace_back(m_columns[c].origin, *m_edits[c]);
    }
    QString update = u"UPDATE "_s + qualifiedTable() + u" SET "_s;
    for (std::size_t i = 0; i < assignments.size(); ++i)
        update += (i ? u", "_s : QString()) + sqlite::quoteIdentifier(assignments[i].first)
            + u"=?"_s + QString::number(i + 1);
    update += unchangedCondition(static_cast<int>(assignments.size()) + 1);

    QString reread = u"SELECT "_s;
    for (std::size_t c = 0; c < m_columns.size(); ++c)
        reread += (c ? u", "_s : QString()) + sqlite::quoteIdentifier(m_columns[c].origin);
    reread += u" FROM "_s + qualifiedTable() + u" WHERE rowid=?1"_s;

    const std::int64_t rowid = m_rowids[m_rows[static_cast<std::size_t>(m_current)]];
    std::vector<std::optional<std::string>> values;
    {
        sqlite::Transaction transaction(db);
        {
            const QByteArray sql = update.toUtf8();
            sqlite::Statement stmt = sqlite::prepare(db, std::string_view(sql.constData(),
                                                                          static_cast<std::size_t>(sql.size())));
            for (std::size_t i = 0; i < assignments.size(); ++i)
                sqlite::bindText(db, stmt.get(), static_cast<int>(i + 1), assignments[i].second);
            bindUnchanged(db, stmt.get(), static_cast<int>(assignments.size()) + 1);
            sqlite::runToEnd(db, stmt.get());
            if (sqlite3_changes(db) == 0)
                throw DbError(u"Row cannot be located for updating. Some values may have been "
                              "changed since it was last read."_s);
        }
        {
            const QByteArray sql = reread.toUtf8();
            sqlite::Statement stmt = sqlite::prepare(db, std::string_view(sql.constData(),
                                                                          static_cast<std::size_t>(sql.size())));
            sqlite::check(db, sqlite3_bind_int64(stmt.get(), 1, rowid));
            const int rc = sqlite3_step(stmt.get());
            sqlite::check(db, rc);
            if (rc != SQLITE_ROW)
                throw DbError(u"Row cannot be located after updating."_s);
            for (int c = 0; c < columnCount(); ++c) {
                if (sqlite3_column_type(stmt.get(), c) == SQLITE_NULL)
                    values.emplace_back(std::nullopt);
                else
                    values.emplace_back(std::string(columnText(stmt.get(), c)));
            }
        }
        transaction.commit();
    }

    // The new values go in as a new physical row; the old one stays unused until the result
    // is closed.
    const auto physical = static_cast<std::uint32_t>(m_rowids.size());
    const std::size_t textSize = m_text.size();
    try {
        for (const auto &v : values)
            appendCell(v ? v->data() : nullptr, v ? v->size() : 0, !v);
    } catch (...) {
        m_text.resize(textSize);
        m_offsets.resize(static_cast<std::size_t>(physical) * m_columns.size() + 1);
        m_nulls.resize(static_cast<std::size_t>(physical) * m_columns.size());
        throw;
    }
    m_rowids.push_back(rowid);
    m_rows[static_cast<std::size_t>(m_current)] = physical;
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
    m_connection.ensureOpen();
    sqlite3 *db = m_connection.handle();
    {
        sqlite::Transaction transaction(db);
        const QByteArray sql = (u"DELETE FROM "_s + qualifiedTable() + unchangedCondition(1)).toUtf8();
        sqlite::Statement stmt = sqlite::prepare(db, std::string_view(sql.constData(),
                                                                      static_cast<std::size_t>(sql.size())));
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
    std::size_t bytes = m_text.capacity() + m_offsets.capacity() * sizeof(std::uint32_t)
        + m_rowids.capacity() * sizeof(std::int64_t) + m_nulls.capacity() / 8
        + m_rows.capacity() * sizeof(std::uint32_t) + m_columns.capacity() * sizeof(Column);
    for (const Column &c : m_columns)
        bytes += static_cast<std::size_t>(c.name.capacity() + c.origin.capacity()) * sizeof(QChar);
    return bytes;
}

} // namespace txl::db
