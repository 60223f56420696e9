#include "launcher/DataFolder.h"

#include "data/DatabaseFile.h"
#include "data/U2.h"
#include "platform/db/DbError.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <sys/stat.h>

#include <cerrno>
#include <cstring>

using namespace Qt::StringLiterals;

namespace txl::launcher {

namespace {

const QStringList pictureNames{u"02.bmp"_s, u"02_1.bmp"_s};

QString systemError(int error) {
    return QString::fromLocal8Bit(std::strerror(error));
}

// Creates the folder itself with mode 0700 (the book is the user's private data), its parents as
// the system makes them.
void createFolder(const QString &folder) {
    const QFileInfo info(folder);
    if (info.exists() && !info.isDir())
        throw PrepareError(u"“%1”已经存在，但不是文件夹。"_s.arg(folder));
    const QString parent = info.absolutePath();
    if (!QDir().mkpath(parent))
        throw PrepareError(u"无法创建文件夹“%1”。"_s.arg(parent));
    if (::mkdir(QFile::encodeName(folder).constData(), 0700) != 0 && errno != EEXIST)
        throw PrepareError(u"无法创建数据文件夹“%1”：%2"_s.arg(folder, systemError(errno)));
}

void copyMissingPictures(const QDir &folder, const QString &pictureSource) {
    const QDir images(folder.filePath(u"images"_s));
    if (!QDir().mkpath(images.path()))
        throw PrepareError(u"无法创建文件夹“%1”。"_s.arg(images.path()));
    for (const QString &name : pictureNames) {
        const QString target = images.filePath(name);
        if (QFileInfo::exists(target))
            continue;
        QFile source(QDir(pictureSource).filePath(name));
        // QFile::copy writes a temporary file and renames it at the end, so a failed copy leaves
        // no half picture.
        if (!source.copy(target))
            throw PrepareError(u"无法把图片“%1”复制到“%2”：%3"_s.arg(source.fileName(), target, source.errorString()));
    }
}

}   // namespace

QString dataFolder(const QProcessEnvironment &environment) {
    QString base = environment.value(u"XDG_DATA_HOME"_s);
    if (base.isEmpty() || QDir::isRelativePath(base))
        base = QDir(environment.value(u"HOME"_s, QDir::homePath())).filePath(u".local/share"_s);
    return QDir::cleanPath(QDir(base).filePath(u"txl"_s));
}

Preparation prepareDataFolder(const QString &folder, const QString &pictureSource) {
    const bool folderExisted = QFileInfo(folder).isDir();
    if (!folderExisted)
        createFolder(folder);
    const QDir dir(folder);
    copyMissingPictures(dir, pictureSource);

    const QString book = dir.filePath(TDataModule1::DatabasePath);
    // A dangling link counts as present too: createDatabase would refuse it, and it is the user's.
    if (const QFileInfo info(book); info.exists() || info.isSymLink())
        return Preparation::Ready;
    try {
        data::createDatabase(book);
    } catch (const db::DbError &e) {
        throw PrepareError(u"无法在“%1”中新建通讯录：%2"_s.arg(folder, e.message()));
    }
    return folderExisted ? Preparation::CreatedAgain : Preparation::CreatedFirst;
}

}   // namespace txl::launcher
