// Helper of the crash test: appends rows through Query::execSql until it is killed, printing the
// id of every insert as soon as execSql has returned (the moment the user would be told "saved").
//   txl_db_crash_writer <database> <key> <first id>

#include "platform/db/Connection.h"
#include "platform/db/DbError.h"
#include "platform/db/Query.h"

#include <QString>

#include <cstdio>
#include <cstdlib>

using namespace Qt::StringLiterals;

int main(int argc, char **argv) {
    if (argc != 4) {
        std::fprintf(stderr, "usage: %s <database> <key> <first id>\n", argv[0]);
        return 2;
    }
    txl::db::Connection con({QString::fromLocal8Bit(argv[1]), QByteArray(argv[2]), {u"Crash"_s}, 5000});
    txl::db::Query query(con, u"query"_s);
    // Large rows: each commit spans many pages, so a kill often lands inside one.
    const QString payload = QString(4000, u'档');
    try {
        for (long long id = std::atoll(argv[3]);; ++id) {
            query.setSql(u"insert into Crash (id, payload) values (:id, :payload)"_s);
            query.setParam(u"id"_s, QString::number(id));
            query.setParam(u"payload"_s, payload + QString::number(id));
            query.execSql();
            std::printf("%lld\n", id);
            std::fflush(stdout);
        }
    } catch (const txl::db::DbError &e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 1;
    }
}
