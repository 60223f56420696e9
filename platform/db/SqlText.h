#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <optional>

// The two scanners that read a statement's text before SQLite does. They differ on purpose: the
// marker scanner follows the dataset's own rule, which knows only quotes; the rowid rewrite must
// find the real FROM, so it also skips brackets and comments as SQLite does.
namespace txl::db::sqltext {

struct MarkedStatement {
    QByteArray command;   // UTF-8, every marker replaced by ?N and every "::" by a ':' literal
    QStringList names;    // parameter N is names[N-1], as first written
};

// A marker is ':' and a name, outside quotes (', ", `); the name runs up to a line break, space,
// ')', ',', ';' or the end. A name used twice (in any letter case) is one parameter. "::" stands
// for a colon: it goes to SQLite as the text literal ':', which SQLite cannot take for a parameter.
MarkedStatement markParameters(const QString &text);

// "select <columns> from <rest>" → "select <columns>, rowid from <rest>": the same rows in the same
// order (ORDER BY 1 still means the first column), each with the rowid of its table. None for
// statements whose rows do not each stand for one stored row: DISTINCT and GROUP BY (a rowid read
// with such a row names just one of the rows behind it), and none without a FROM. Joins and
// aggregates get a variant that does not prepare, or whose columns do not all come from one table;
// the caller then runs the statement as written.
std::optional<QByteArray> withRowid(const QByteArray &command);

}   // namespace txl::db::sqltext
