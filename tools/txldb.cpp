// txldb: makes a new address-book file for txl, moves contacts in and out of one, and lists the
// coming birthdays.
//
//   txldb init [--password P] [--sample N] [DIR]
//   txldb export FILE [DIR] [--encoding gb18030] [--search COLUMN=TEXT]
//   txldb import FILE [DIR] [--duplicates skip|add]
//   txldb birthdays [--days N] [--today YYYY-MM-DD] [--ics FILE] [DIR]
//
// init creates DIR/DataBase/txl.mdb (DIR defaults to the working folder) holding the administrator
// account "chief" and, with --sample, N generated contacts. An existing file is never touched.

#include "data/DatabaseFile.h"
#include "data/U2.h"
#include "tools/BirthdaysCommand.h"
#include "tools/ExportCommand.h"
#include "tools/ImportCommand.h"

#include <QCoreApplication>
#include <QDir>
#include <QTextStream>

#include <cstdio>
#include <exception>

namespace {

int usage() {
    std::fputs("usage: txldb init [--password P] [--sample N] [DIR]\n"
               "       txldb export FILE [DIR] [--encoding gb18030] [--search COLUMN=TEXT]\n"
               "       txldb import FILE [DIR] [--duplicates skip|add]\n"
               "       txldb birthdays [--days N] [--today YYYY-MM-DD] [--ics FILE] [DIR]\n",
               stderr);
    return 2;
}

}   // namespace

int main(int argc, char **argv) {
    QCoreApplication app(argc, argv);
    QStringList args = app.arguments().mid(1);
    const QString command = args.isEmpty() ? QString() : args.takeFirst();
    if (command == QStringLiteral("export"))
        return exportCommand(args);
    if (command == QStringLiteral("import"))
        return importCommand(args);
    if (command == QStringLiteral("birthdays"))
        return txl::tools::birthdaysCommand(args);
    if (command != QStringLiteral("init"))
        return usage();

    txl::data::NewDatabase options;
    QString dir = QStringLiteral(".");
    bool dirGiven = false;
    while (!args.isEmpty()) {
        const QString arg = args.takeFirst();
        if (arg == QStringLiteral("--password") && !args.isEmpty()) {
            options.adminPassword = args.takeFirst();
        } else if (arg == QStringLiteral("--sample") && !args.isEmpty()) {
            bool ok = false;
            options.sampleContacts = args.takeFirst().toInt(&ok);
            if (!ok || options.sampleContacts < 0)
                return usage();
        } else if (!arg.startsWith(QStringLiteral("--")) && !dirGiven) {
            dir = arg;
            dirGiven = true;
        } else {
            return usage();
        }
    }
    // The password is stored trimmed, as sign-in compares it: blank once trimmed is no password.
    if (options.adminPassword.trimmed().isEmpty()) {
        std::fputs("txldb: the administrator password must not be blank\n", stderr);
        return 2;
    }

    const QString path = QDir(dir).filePath(TDataModule1::DatabasePath);
    try {
        txl::data::createDatabase(path, options);
    } catch (const std::exception &e) {   // the file's errors and the hashing's alike
        std::fprintf(stderr, "txldb: %s\n", e.what());
        return 1;
    }
    QTextStream(stdout) << "txldb: created " << QDir::cleanPath(path) << " with " << options.sampleContacts
                        << " contacts\n";
    return 0;
}
