#include "data/DatabaseFile.h"

#include "data/PasswordHash.h"
#include "data/Schema.h"
#include "data/Statements.h"
#include "data/U2.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QScopeGuard>

#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <unistd.h>

namespace txl::data {

namespace {

using db::DbError;
using namespace Qt::StringLiterals;

void insertRow(sqlite3 *db, sqlite3_stmt *stmt, const QStringList &values) {
    sqlite3_reset(stmt);
    for (int i = 0; i < values.size(); ++i)
        db::sqlite::bindText(db, stmt, i + 1, values[i]);
    db::sqlite::runToEnd(db, stmt);
}

QString systemError() {
    return QString::fromLocal8Bit(std::strerror(errno));
}

// Only the owner may look into the folder of the book: the key is the same in every copy of the
// program. A folder that is there already keeps its mode.
bool makeFolder(const QString &folder) {
    const QFileInfo info(folder);
    if (info.isDir())
        return false;
    if (!QDir().mkpath(info.absolutePath()) ||
        !QDir(info.absolutePath()).mkdir(info.fileName(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner))
        throw DbError(u"Could not create the folder '%1': %2"_s.arg(folder, systemError()), SQLITE_CANTOPEN);
    return true;
}

// An empty file only the owner may read and write; SQLite takes it for a new database, and its
// journal gets the same mode.
void makePrivateFile(const QString &path) {
    const int fd = ::open(QFile::encodeName(path).constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd < 0)
        throw DbError(u"Could not create '%1': %2"_s.arg(path, systemError()), SQLITE_CANTOPEN);
    ::close(fd);
}

void fill(const QString &path, const NewDatabase &options, const QString &adminPassword) {
    const db::sqlite::Database db = db::sqlite::openFile(path, SQLITE_OPEN_READWRITE);
    db::sqlite::setKey(db.get(), TDataModule1::DatabaseKey);
    db::sqlite::exec(db.get(), "PRAGMA synchronous=FULL");
    db::sqlite::Transaction transaction(db.get());
    for (const QString &statement : schema::createStatements())
        db::sqlite::exec(db.get(), statement);
    {
        const db::sqlite::Statement account = db::sqlite::prepare(db.get(), sql::InsertAccount.toUtf8());
        insertRow(db.get(), account.get(), {schema::Administrator, password::hash(adminPassword)});
        const db::sqlite::Statement contact = db::sqlite::prepare(db.get(), sql::InsertContact.toUtf8());
        unsigned state = options.seed;
        for (int i = 0; i < options.sampleContacts; ++i)
            insertRow(db.get(), contact.get(), sampleContact(state));
    }
    transaction.commit();
}

unsigned nextRandom(unsigned &state) {
    state = state * 1103515245u + 12345u;
    return (state >> 8) & 0xFFFFFFu;
}

QString pick(unsigned &state, const QStringList &from) {
    return from[static_cast<int>(nextRandom(state) % static_cast<unsigned>(from.size()))];
}

QString digits(unsigned &state, int count) {
    QString s;
    for (int i = 0; i < count; ++i)
        s += QChar(u'0' + static_cast<char16_t>(nextRandom(state) % 10));
    return s;
}

}   // namespace

QStringList sampleContact(unsigned &state) {
    static const QStringList surnames = {
        QStringLiteral("王"),   QStringLiteral("李"),  QStringLiteral("张"), QStringLiteral("刘"), QStringLiteral("陈"),
        QStringLiteral("杨"),   QStringLiteral("赵"),  QStringLiteral("黄"), QStringLiteral("周"), QStringLiteral("吴"),
        QStringLiteral("徐"),   QStringLiteral("孙"),  QStringLiteral("胡"), QStringLiteral("朱"), QStringLiteral("高"),
        QStringLiteral("林"),   QStringLiteral("何"),  QStringLiteral("郭"), QStringLiteral("马"), QStringLiteral("罗"),
        QStringLiteral("欧阳"), QStringLiteral("司马")};
    static const QStringList maleChars = {
        QStringLiteral("伟"), QStringLiteral("强"), QStringLiteral("磊"), QStringLiteral("军"),
        QStringLiteral("洋"), QStringLiteral("勇"), QStringLiteral("杰"), QStringLiteral("涛"),
        QStringLiteral("明"), QStringLiteral("超"), QStringLiteral("浩"), QStringLiteral("宇"),
        QStringLiteral("鹏"), QStringLiteral("建"), QStringLiteral("志"), QStringLiteral("海")};
    static const QStringList femaleChars = {
        QStringLiteral("芳"), QStringLiteral("娜"), QStringLiteral("敏"), QStringLiteral("静"),
        QStringLiteral("丽"), QStringLiteral("艳"), QStringLiteral("娟"), QStringLiteral("霞"),
        QStringLiteral("婷"), QStringLiteral("雪"), QStringLiteral("慧"), QStringLiteral("颖"),
        QStringLiteral("琳"), QStringLiteral("玲"), QStringLiteral("燕"), QStringLiteral("倩")};
    static const QStringList mobilePrefixes = {QStringLiteral("130"), QStringLiteral("133"), QStringLiteral("135"),
                                               QStringLiteral("138"), QStringLiteral("139"), QStringLiteral("150"),
                                               QStringLiteral("158"), QStringLiteral("186"), QStringLiteral("189"),
                                               QStringLiteral("177")};
    static const QStringList areaCodes = {QStringLiteral("0571"), QStringLiteral("0574"), QStringLiteral("0591"),
                                          QStringLiteral("0731"), QStringLiteral("0551"), QStringLiteral("0371")};
    static const QStringList places = {
        QStringLiteral("浙江省杭州市西湖区文三路"),   QStringLiteral("浙江省宁波市海曙区中山西路"),
        QStringLiteral("福建省福州市鼓楼区五四路"),   QStringLiteral("湖南省长沙市岳麓区麓山南路"),
        QStringLiteral("安徽省合肥市蜀山区长江西路"), QStringLiteral("河南省郑州市金水区花园路"),
        QStringLiteral("江苏省南京市鼓楼区汉口路"),   QStringLiteral("上海市徐汇区漕溪北路")};
    static const QStringList mailHosts = {QStringLiteral("qq.com"), QStringLiteral("163.com"),
                                          QStringLiteral("126.com"), QStringLiteral("sina.com")};

    const bool male = nextRandom(state) % 2 == 0;
    const QStringList &given = male ? maleChars : femaleChars;
    QString name = pick(state, surnames) + pick(state, given);
    if (nextRandom(state) % 3 != 0)
        name += pick(state, given);
    const int year = 1984 + static_cast<int>(nextRandom(state) % 7);
    const int month = 1 + static_cast<int>(nextRandom(state) % 12);
    const int day = 1 + static_cast<int>(nextRandom(state) % 28);
    const QString qq = QString::number(10000 + nextRandom(state) % 90000) + digits(state, 4);
    return {name,
            male ? QStringLiteral("男") : QStringLiteral("女"),
            QStringLiteral("%1-%2-%3").arg(year).arg(month, 2, 10, QChar(u'0')).arg(day, 2, 10, QChar(u'0')),
            pick(state, mobilePrefixes) + digits(state, 8),
            QStringLiteral("%1-%2").arg(1 + nextRandom(state) % 12).arg(101 + nextRandom(state) % 520),
            pick(state, areaCodes) + digits(state, 7),
            qq,
            QStringLiteral("u%1@%2").arg(qq, pick(state, mailHosts)),
            pick(state, places) + QString::number(1 + nextRandom(state) % 300) + QStringLiteral("号")};
}

void createDatabase(const QString &path, const NewDatabase &options) {
    // Sign-in trims what is typed: an untrimmed password could never be used.
    const QString adminPassword = options.adminPassword.trimmed();
    if (adminPassword.isEmpty())
        throw DbError(u"The administrator password must not be blank."_s);
    const QFileInfo target(path);
    if (target.exists())
        throw DbError(u"'%1' already exists; it is left as it is."_s.arg(path));
    const bool madeFolder = makeFolder(target.absolutePath());

    // Build the whole file under a temporary name, then give it its name in one step, so that a
    // half-made file never carries the real name and an existing file is never replaced. Whatever
    // happens, nothing else is left behind.
    const QString temporary = target.absoluteFilePath() + u".new"_s;
    const auto removeTemporary = [&] {
        QFile::remove(temporary);
        QFile::remove(temporary + u"-journal"_s);
    };
    removeTemporary();   // left by a run that was killed
    bool named = false;
    const auto cleanUp = qScopeGuard([&] {
        removeTemporary();
        if (madeFolder && !named)
            QDir().rmdir(target.absolutePath());
    });
    makePrivateFile(temporary);
    fill(temporary, options, adminPassword);
    const QByteArray from = QFile::encodeName(temporary);
    const QByteArray to = QFile::encodeName(target.absoluteFilePath());
    if (::link(from.constData(), to.constData()) != 0)
        throw DbError(u"Could not create '%1': %2"_s.arg(path, systemError()), SQLITE_CANTOPEN);
    named = true;
}

}   // namespace txl::data
