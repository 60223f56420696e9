#pragma once

#include "platform/db/Connection.h"
#include "platform/db/Query.h"

#include <QObject>
#include <QStringList>

#include <vector>

// The data module: the one connection and the three queries every window shares.
class TDataModule1 : public QObject {
    Q_OBJECT

public:
    // The working folder's database, relative to it, and its key.
    static const QString DatabasePath;
    static const QByteArray DatabaseKey;
    // How the program connects to the book at `path`: key, tables, version, its own functions.
    static txl::db::Connection::Settings connectionSettings(const QString &path);

    explicit TDataModule1(QObject *parent = nullptr);
    // For tests and tools: the same module on another file.
    TDataModule1(const QString &path, QObject *parent = nullptr);

    txl::db::Connection con;
    txl::db::Query query;
    txl::db::Query query_pwd;
    txl::db::Query query_shezhi;

    // The reload every caller performs: close `q`, replace its statement, bind each named
    // parameter as text, then open it (reload) or execute it (reloadExec).
    static void reload(txl::db::Query &q, const QString &statement,
                       const QList<std::pair<QString, QString>> &params = {});
    static void reloadExec(txl::db::Query &q, const QString &statement,
                           const QList<std::pair<QString, QString>> &params = {});

    // What `q` shows: its statement, its parameters and its current row. An action that reloads
    // `q` for a step of its own and then fails shows the list again as it was (restore), so that
    // a failure does not empty the list behind it.
    struct Shown {
        QStringList sql;
        std::vector<txl::db::Parameter> parameters;
        bool active = false;
        int row = -1;
    };
    static Shown shown(const txl::db::Query &q);
    // Runs the statement again and goes back to the row (or as near it as the rows now allow);
    // throws as reload() does.
    static void restore(txl::db::Query &q, const Shown &shown);

    // Copies `field` of every row of the open `q` into a list, in row order (entry i = row i),
    // walking from the first row with next(); `q` is left on its last row.
    static QStringList columnTexts(txl::db::Query &q, const QString &field);
};

extern TDataModule1 *DataModule1;
