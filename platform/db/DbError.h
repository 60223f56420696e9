#pragma once

#include <QString>
#include <stdexcept>

namespace txl::db {

// Every failure of the data layer. The message is what the user sees in the error report.
class DbError : public std::runtime_error {
public:
    explicit DbError(const QString &message, int sqliteCode = 0, int extendedCode = 0)
        : std::runtime_error(message.toStdString()),
          m_code(sqliteCode),
          m_extended(extendedCode ? extendedCode : sqliteCode) {}

    QString message() const { return QString::fromUtf8(what()); }
    // The SQLite result code behind the error, or 0 for errors of the dataset itself.
    int sqliteCode() const { return m_code; }
    // The extended result code (SQLITE_CONSTRAINT_CHECK, SQLITE_READONLY_DBMOVED, ...) when known,
    // else the primary one.
    int extendedCode() const { return m_extended; }

private:
    int m_code;
    int m_extended;
};

}   // namespace txl::db
