// txldb import FILE [DIR] [--duplicates skip|add] [--map TITLE=COLUMN]...
//
// Adds the contacts of FILE (.xlsx, .ods, CSV or vCard, told by its content) to
// DIR/DataBase/txl.mdb (DIR defaults to the working folder), by the import rules, in one
// transaction. Prints "imported N, skipped M, refused K, warnings W"; for a workbook a line for
// each sheet; then one line per refused row with its place and the reason, one per warning (a
// contact added with a value left out), and one per row passed over (titles, notes). A name
// already in the book or met earlier in the file is skipped unless --duplicates add is given.
// --map takes the file's column TITLE as COLUMN (a column of the book, a part such as 姓 or 名,
// or 不导入). A file that cannot be read changes nothing and exits 1.

#include "tools/ImportCommand.h"

#include "data/U2.h"
#include "exchange/ContactFile.h"
#include "exchange/ContactImport.h"
#include "exchange/HeaderMap.h"
#include "platform/db/DbError.h"

#include <QDir>
#include <QTextStream>

#include <cstdio>

using namespace Qt::StringLiterals;

namespace {

int usage(const char *why) {
    std::fprintf(stderr,
                 "txldb import: %s\nusage: txldb import FILE [DIR] [--duplicates skip|add] [--map TITLE=COLUMN]...\n",
                 why);
    return 2;
}

// The lines of a list of problems, with the ones not listed counted.
void print(QTextStream &out, const txl::exchange::ReadResult &read, const txl::exchange::ProblemList &problems,
           const QString &prefix, const QString &what) {
    for (const txl::exchange::Problem &p : problems.listed())
        out << prefix << txl::exchange::placeName(read, p.table, p.line) << u"："_s << p.reason << "\n";
    if (problems.unlisted() > 0)
        out << u"……另有 %1 行%2，没有列出\n"_s.arg(problems.unlisted()).arg(what);
}

}   // namespace

int importCommand(QStringList args) {
    QStringList places;
    txl::exchange::Duplicates duplicates = txl::exchange::Duplicates::Skip;
    txl::exchange::ReadOptions options;
    while (!args.isEmpty()) {
        const QString arg = args.takeFirst();
        if (arg == u"--map"_s && !args.isEmpty()) {
            const QString map = args.takeFirst();
            const qsizetype eq = map.lastIndexOf(u'=');
            const std::optional<int> target = eq > 0 ? txl::exchange::targetNamed(map.mid(eq + 1)) : std::nullopt;
            if (!target)
                return usage(
                    "--map takes TITLE=COLUMN, COLUMN a column of the book (姓名 …), a part (姓, 名 …) or 不导入");
            options.targets.insert(txl::exchange::comparableTitle(map.left(eq)), *target);
        } else if (arg == u"--duplicates"_s && !args.isEmpty()) {
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

    const txl::exchange::ReadResult read = txl::exchange::readFile(places.at(0), {}, options);
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
            << summary.refused.count() << ", warnings " << summary.warnings.count() << "\n";
        for (const QString &line : txl::exchange::tableLines(read))
            out << line << "\n";
        print(out, read, summary.refused, {}, u"被拒绝"_s);
        print(out, read, summary.skipped, u"跳过："_s, u"被跳过"_s);
        print(out, read, summary.warnings, u"警告："_s, u"有警告"_s);
        for (const txl::exchange::Problem &p : read.remarks.listed())
            out << u"说明："_s << p.reason << "\n";
    } catch (const txl::db::DbError &e) {
        std::fprintf(stderr, "txldb import: %s\n", e.what());
        return 1;
    }
    return 0;
}
