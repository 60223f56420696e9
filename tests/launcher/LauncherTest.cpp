#include "tests/support/TestSupport.h"

#include "data/PasswordHash.h"
#include "data/Statements.h"
#include "data/U2.h"
#include "launcher/DataFolder.h"
#include "launcher/Launcher.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <sys/resource.h>
#include <sys/stat.h>

#include <csignal>
#include <optional>

using namespace txl;
using namespace Qt::StringLiterals;

namespace {

QString sourcePictures() {
    return QDir(qEnvironmentVariable("TXL_SOURCE_DIR")).filePath(u"images"_s);
}

QByteArray contents(const QString &path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void write(const QString &path, const QByteArray &bytes) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

QString bookOf(const QString &folder) {
    return QDir(folder).filePath(u"DataBase/txl.mdb"_s);
}

// The accounts of the book in `folder`, each as "name:password ok?".
QStringList accountsOf(const QString &folder) {
    TDataModule1 module(bookOf(folder));
    TDataModule1::reload(module.query, sql::AllAccounts);
    QStringList accounts;
    for (int row = 0; row < module.query.recordCount(); ++row) {
        module.query.moveTo(row);
        accounts << module.query.fieldByName(u"Name"_s) + u':' +
                        (password::verify(module.query.fieldByName(u"Pwd"_s), u"123456"_s) ? u"123456"_s : u"?"_s);
    }
    return accounts;
}

// Everything under `folder` except the book, as relative paths.
QStringList leftovers(const QString &folder) {
    QStringList found;
    const QDir dir(folder);
    for (const QString &name : dir.entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden))
        found << name;
    return found;
}

// A stand-in for txl: notes the folder it was started in.
QString writeProgram(const QString &dir) {
    const QString program = QDir(dir).filePath(u"program"_s);
    write(program, u"#!/bin/sh\npwd -P > '%1/started-in'\n"_s.arg(dir).toUtf8());
    QFile::setPermissions(program, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    return program;
}

// While alive, no file the process writes may grow past `bytes` (a nearly full disk).
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes) {
        getrlimit(RLIMIT_FSIZE, &m_saved);
        m_handler = std::signal(SIGXFSZ, SIG_IGN);
        rlimit limit = m_saved;
        limit.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~FileSizeLimit() {
        setrlimit(RLIMIT_FSIZE, &m_saved);
        std::signal(SIGXFSZ, m_handler);
    }

private:
    rlimit m_saved{};
    void (*m_handler)(int) = nullptr;
};

}   // namespace

class LauncherTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void dataFolderFollowsXdg_data();
    void dataFolderFollowsXdg();
    void firstStartMakesFolderPicturesAndBook();
    void existingBookIsNeverTouched();
    void deletedBookIsMadeAgainAndPicturesKept();
    void failuresLeaveNoBook_data();
    void failuresLeaveNoBook();
    void launchTellsOnceAndStartsInFolder_data();
    void launchTellsOnceAndStartsInFolder();
    void launchReportsWhatStopsIt();
};

void LauncherTest::dataFolderFollowsXdg_data() {
    QTest::addColumn<QString>("xdgDataHome");   // "-" = unset
    QTest::addColumn<QString>("expected");
    QTest::newRow("unset") << u"-"_s << u"/home/li/.local/share/txl"_s;
    QTest::newRow("empty") << QString() << u"/home/li/.local/share/txl"_s;
    QTest::newRow("absolute") << u"/data/li"_s << u"/data/li/txl"_s;
    QTest::newRow("trailing slash") << u"/data/li/"_s << u"/data/li/txl"_s;
    QTest::newRow("relative is ignored") << u"data"_s << u"/home/li/.local/share/txl"_s;
}

void LauncherTest::dataFolderFollowsXdg() {
    QFETCH(QString, xdgDataHome);
    QFETCH(QString, expected);
    QProcessEnvironment environment;
    environment.insert(u"HOME"_s, u"/home/li"_s);
    if (xdgDataHome != u"-")
        environment.insert(u"XDG_DATA_HOME"_s, xdgDataHome);
    QCOMPARE(launcher::dataFolder(environment), expected);
}

void LauncherTest::firstStartMakesFolderPicturesAndBook() {
    QTemporaryDir home;
    const QString folder = home.filePath(u".local/share/txl"_s);
    QCOMPARE(launcher::prepareDataFolder(folder, sourcePictures()), launcher::Preparation::CreatedFirst);

    struct stat info {};
    QCOMPARE(::stat(QFile::encodeName(folder).constData(), &info), 0);
    QCOMPARE(info.st_mode & 0777, 0700u);
    for (const QString &name : {u"02.bmp"_s, u"02_1.bmp"_s})
        QCOMPARE(contents(QDir(folder).filePath(u"images/"_s + name)), contents(QDir(sourcePictures()).filePath(name)));
    QCOMPARE(accountsOf(folder), QStringList{u"chief:123456"_s});
    QCOMPARE(leftovers(QDir(folder).filePath(u"DataBase"_s)), QStringList{u"txl.mdb"_s});
}

void LauncherTest::existingBookIsNeverTouched() {
    QTemporaryDir folder;
    data::NewDatabase options;
    options.adminPassword = u"mine"_s;
    options.sampleContacts = 3;
    data::createDatabase(bookOf(folder.path()), options);
    const QByteArray before = contents(bookOf(folder.path()));
    const QDateTime modified = QFileInfo(bookOf(folder.path())).lastModified();

    QCOMPARE(launcher::prepareDataFolder(folder.path(), sourcePictures()), launcher::Preparation::Ready);
    QCOMPARE(contents(bookOf(folder.path())), before);
    QCOMPARE(QFileInfo(bookOf(folder.path())).lastModified(), modified);
    QCOMPARE(accountsOf(folder.path()), QStringList{u"chief:?"_s});
    // A missing picture is put back, or the login window's exit button would fail on every move.
    QVERIFY(QFileInfo::exists(QDir(folder.path()).filePath(u"images/02_1.bmp"_s)));
}

void LauncherTest::deletedBookIsMadeAgainAndPicturesKept() {
    QTemporaryDir folder;
    const QString mine = QDir(folder.path()).filePath(u"images/02.bmp"_s);
    write(mine, "the user's own picture");
    QDir(folder.path()).mkdir(u"DataBase"_s);

    QCOMPARE(launcher::prepareDataFolder(folder.path(), sourcePictures()), launcher::Preparation::CreatedAgain);
    QCOMPARE(contents(mine), QByteArray("the user's own picture"));
    QCOMPARE(contents(QDir(folder.path()).filePath(u"images/02_1.bmp"_s)),
             contents(QDir(sourcePictures()).filePath(u"02_1.bmp"_s)));
    QCOMPARE(accountsOf(folder.path()), QStringList{u"chief:123456"_s});
}

void LauncherTest::failuresLeaveNoBook_data() {
    QTest::addColumn<QString>("fault");
    QTest::addColumn<QString>("message");
    QTest::newRow("parent is a file") << u"parent"_s << u"无法创建文件夹"_s;
    QTest::newRow("folder is a file") << u"folder"_s << u"不是文件夹"_s;
    QTest::newRow("pictures missing") << u"pictures"_s << u"无法把图片"_s;
    QTest::newRow("disk full") << u"full"_s << u"无法在"_s;
}

void LauncherTest::failuresLeaveNoBook() {
    QFETCH(QString, fault);
    QFETCH(QString, message);
    QTemporaryDir home;
    QString folder = home.filePath(u"txl"_s);
    QString pictures = sourcePictures();
    if (fault == u"parent") {
        write(home.filePath(u"share"_s), "a file");
        folder = home.filePath(u"share/txl"_s);
    } else if (fault == u"folder") {
        write(folder, "a file");
    } else if (fault == u"pictures") {
        pictures = home.filePath(u"nowhere"_s);
    } else if (fault == u"full") {
        for (const QString &name : {u"02.bmp"_s, u"02_1.bmp"_s})
            write(QDir(folder).filePath(u"images/"_s + name), "picture");
    }

    try {
        // Room for one page of the book, not for the whole of it.
        std::optional<FileSizeLimit> limit;
        if (fault == u"full")
            limit.emplace(1024);
        launcher::prepareDataFolder(folder, pictures);
        QFAIL("no error reported");
    } catch (const launcher::PrepareError &e) {
        QVERIFY2(e.message().contains(message), qPrintable(e.message()));
    }
    const QString database = QDir(folder).filePath(u"DataBase"_s);
    QVERIFY(!QFileInfo::exists(bookOf(folder)));
    QCOMPARE(leftovers(database), QStringList());
}

void LauncherTest::launchTellsOnceAndStartsInFolder_data() {
    QTest::addColumn<QString>("before");   // what the folder holds before the start
    QTest::addColumn<QString>("told");     // a text the one box holds; empty: no box
    QTest::newRow("first start") << u"nothing"_s << u"欢迎使用同学录"_s;
    QTest::newRow("book deleted") << u"folder"_s << u"没有找到通讯录"_s;
    QTest::newRow("later start") << u"book"_s << QString();
}

void LauncherTest::launchTellsOnceAndStartsInFolder() {
    QFETCH(QString, before);
    QFETCH(QString, told);
    QTemporaryDir home;
    const QString folder = home.filePath(u"data/txl"_s);
    if (before != u"nothing")
        QVERIFY(QDir().mkpath(folder));
    if (before == u"book")
        data::createDatabase(bookOf(folder));
    const QString program = writeProgram(home.path());

    test::BoxRecorder boxes;
    QVERIFY(launcher::launch(folder, sourcePictures(), program));
    if (told.isEmpty()) {
        QVERIFY(boxes.empty());
    } else {
        QCOMPARE(boxes.boxes().size(), 1u);
        QCOMPARE(boxes.last().kind, ui::BoxKind::Information);
        for (const QString &part : {told, u"chief"_s, u"123456"_s, u"密码设置"_s, bookOf(folder), u"备份"_s})
            QVERIFY2(boxes.last().text.contains(part), qPrintable(part));
    }
    const QString startedIn = home.filePath(u"started-in"_s);
    QTRY_VERIFY(QFileInfo(startedIn).size() > 0);
    QCOMPARE(QString::fromLocal8Bit(contents(startedIn)).trimmed(), QFileInfo(folder).canonicalFilePath());
}

void LauncherTest::launchReportsWhatStopsIt() {
    QTemporaryDir home;
    const QString program = writeProgram(home.path());
    test::BoxRecorder boxes;

    write(home.filePath(u"blocked"_s), "a file where the folder should be");
    QVERIFY(!launcher::launch(home.filePath(u"blocked"_s), sourcePictures(), program));
    QCOMPARE(boxes.boxes().size(), 1u);
    QCOMPARE(boxes.last().kind, ui::BoxKind::Notice);
    QCOMPARE(boxes.last().caption, u"错误"_s);

    boxes.clear();
    const QString missing = home.filePath(u"no-such-program"_s);
    QVERIFY(!launcher::launch(home.filePath(u"txl"_s), sourcePictures(), missing));
    QCOMPARE(boxes.last().text, u"无法启动同学录程序“%1”。"_s.arg(missing));
    QCOMPARE(boxes.last().caption, u"错误"_s);
    QVERIFY(!QFileInfo::exists(home.filePath(u"started-in"_s)));
}

TXL_TEST_MAIN(LauncherTest)
#include "LauncherTest.moc"
