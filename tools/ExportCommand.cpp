// txldb export FILE [DIR] [--encoding gb18030] [--search COLUMN=TEXT]
//
// Writes the contacts of DIR/DataBase/txl.mdb (DIR defaults to the working folder) to FILE; the
// extension picks the format (.xlsx, .vcf, anything else CSV). CSV is UTF-8 with a byte-order mark
// unless --encoding gb18030 is given. --search writes only the rows the main window's fuzzy search
// on COLUMN (one of its search columns) would list.

#include "tools/ExportCommand.h"

#include "data/Statements.h"
#include "data/U2.h"
#include "exchange/ContactFile.h"

#include <QDir>
#include <QTextStream>

#include <cstdio>
#include <stdexcept>

using namespace Qt::StringLiterals;

namespace {

int usage(const char *why) {
    std::fprintf(stderr,
                 "txldb export: %s\nusage: txldb export FILE [DIR] [--encoding utf-8|gb18030] "
                 "[--search COLUMN=TEXT]\n",
                 why);
    return 2;
}

}   // namespace

int exportCommand(QStringList args) {
    QStringList places;
    txl::exchange::Encoding encoding = txl::exchange::Encoding::Utf8;
    bool encodingGiven = false;
    QString column;
    QString text;
    while (!args.isEmpty()) {
        const QString arg = args.takeFirst();
        if (arg == u"--encoding"_s && !args.isEmpty()) {
            const QString name = args.takeFirst().toLower();
            if (name != u"gb18030"_s && name != u"utf-8"_s && name != u"utf8"_s)
                return usage("the encoding is utf-8 or gb18030");
            encoding = name == u"gb18030"_s ? txl::exchange::Encoding::Gb18030 : txl::exchange::Encoding::Utf8;
            encodingGiven = true;
        } else if (arg == u"--search"_s && !args.isEmpty()) {
            const QString search = args.takeFirst();
            if (!search.contains(u'='))
                return usage("--search takes COLUMN=TEXT");
            column = search.section(u'=', 0, 0).trimmed();
            text = search.section(u'=', 1).trimmed();
            if (!txl::sql::SearchColumns.contains(column))
                return usage(qPrintable(u"the search columns are "_s + txl::sql::SearchColumns.join(u", "_s)));
        } else if (!arg.startsWith(u"--"_s) && places.size() < 2) {
            places << arg;
        } else {
            return usage("unknown argument");
        }
    }
    if (places.isEmpty())
        return usage("no file given");
    const QString file = places.at(0);
    const txl::exchange::Format format = txl::exchange::formatForPath(file);
    if (encodingGiven && format != txl::exchange::Format::Csv)
        return usage("--encoding applies to CSV files only");

    try {
        TDataModule1 module(QDir(places.value(1, u"."_s)).filePath(TDataModule1::DatabasePath));
        module.con.open();
        const txl::sql::Search search = column.isEmpty() ? txl::sql::Search{txl::sql::AllContacts, {}}
                                                         : txl::sql::fuzzySearchFor(column, text);
        TDataModule1::reload(module.query, search.statement, search.params);
        const txl::exchange::QueryContacts contacts(module.query);
        txl::exchange::writeFile(file, format, encoding, contacts);
        QTextStream(stdout) << "exported " << contacts.count() << " contacts to " << file << "\n";
    } catch (const std::runtime_error &e) {   // the file's or the book's error, with its message
        std::fprintf(stderr, "txldb export: %s\n", e.what());
        return 1;
    }
    return 0;
}
