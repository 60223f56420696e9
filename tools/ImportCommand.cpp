// txldb import FILE [DIR] [--duplicates skip|add]
//
// Adds the contacts of FILE (.xlsx, CSV or vCard, told by its content) to DIR/DataBase/txl.mdb
// (DIR defaults to the working folder), by the rules of the contact dialog, in one transaction.
// Prints "imported N, skipped M, refused K", then one line per refused row with its line (or
// row) number and the reason. A name already in the book or met earlier in the file is skipped
// unless --duplicates add is given. A file that cannot be read changes nothing and exits 1.

#include "tools/ImportCommand.h"

#include "data/U2.h"
#include "exchange/ContactFile.h"
#include "exchange/ContactImport.h"
#include "platform/db/DbError.h"

#include <QDir>
#include <QTextStream>

#include <cstdio>

using namespace Qt::StringLiterals;

namespace {

int usage(const char *why) {
    std::fprintf(stderr, "txldb import: %s\nusage: txldb import FILE [DIR] [--duplicates skip|add]\n", why);
    return 2;
}

}   // namespace

int importCommand(QStringList args) {
    QStringList places;
    txl::exchange::Duplicates duplicates = txl::exchange::Duplicates::Skip;
    while (!args.isEmpty()) {
        const QString arg = args.takeFirst();
        if (arg == u"--duplicates"_s && !args.isEmpty()) {
            const QString choice = args.takeFirst();
            if (choice != u"skip"_s && choice != u"add"_s)
                return usage("--duplicates takes skip or add");
            duplicates = choice == u"add"_s ? txl::exchange::Duplicates::Add : txl::exchange::Duplicates::Skip;
        } else if (!arg.startsWith(u"--"_s) && places.size() < 2) {
            places << arg;
        } else {
            return usage("unknown argument");
        }
    }
    if (places.isEmpty())
        return usage("no file given");

    const txl::exchange::ReadResult read = txl::exchange::readFile(places.at(0));
    if (!read.ok()) {
        QTextStream(stderr) << "txldb import: " << read.error << "\n";
        return 1;
    }
    try {
        TDataModule1 module(QDir(places.value(1, u"."_s)).filePath(TDataModule1::DatabasePath));
        module.con.open();
        const txl::exchange::ImportSummary summary = txl::exchange::importContacts(module.con, read, duplicates);
        QTextStream out(stdout);
        out << "imported " << summary.imported << ", skipped " << summary.skipped.count() << ", refused "
            << summary.refused.count() << "\n";
        for (const txl::exchange::Problem &p : summary.refused.listed())
            out << txl::exchange::placeName(p.line) << u"："_s << p.reason << "\n";
        if (summary.refused.unlisted() > 0)
            out << u"……另有 %1 行被拒绝，没有列出\n"_s.arg(summary.refused.unlisted());
    } catch (const txl::db::DbError &e) {
        std::fprintf(stderr, "txldb import: %s\n", e.what());
        return 1;
    }
    return 0;
}
