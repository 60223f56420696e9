#include "exchange/ContactFile.h"

#include "exchange/Csv.h"
#include "exchange/OdsReader.h"
#include "exchange/VCard.h"
#include "exchange/XlsxReader.h"
#include "exchange/XlsxWriter.h"
#include "platform/os/OutOfMemory.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QTemporaryFile>

#include <QLocale>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace txl::exchange {

namespace {

bool startsWithVCard(const QByteArray &bytes) {
    QByteArrayView head(bytes.constData(), std::min<qsizetype>(bytes.size(), 64));
    if (head.startsWith("\xEF\xBB\xBF"))
        head = head.sliced(3);
    return head.trimmed().startsWith("BEGIN:VCARD") || head.trimmed().startsWith("begin:vcard");
}

ReadResult refused(Format format, const QString &error) {
    ReadResult result;
    result.format = format;
    result.error = error;
    return result;
}

}   // namespace

Format formatForPath(const QString &path) {
    const QString suffix = QFileInfo(path).suffix().toLower();
    if (suffix == u"xlsx"_s)
        return Format::Xlsx;
    if (suffix == u"ods"_s)
        return Format::Ods;
    if (suffix == u"vcf"_s || suffix == u"vcard"_s)
        return Format::VCard;
    return Format::Csv;
}

namespace {

ReadResult readContent(const QByteArray &bytes, const QString &fileName, const ReadOptions &options,
                       const Progress &progress) {
    if (bytes.startsWith("PK\x03\x04")) {
        if (ods::isSpreadsheet(bytes))
            return ods::read(bytes, options, progress);
        return xlsx::read(bytes, options, progress);
    }
    if (bytes.startsWith("\xD0\xCF\x11\xE0"))
        return refused(Format::Xlsx,
                       u"这是旧版 Excel 或 WPS 表格文件（.xls、.et）。请在 Excel、WPS 或 LibreOffice 中另存为 "
                       ".xlsx 后再导入。"_s);
    if (startsWithVCard(bytes))
        return vcard::read(bytes);
    switch (formatForPath(fileName)) {
    case Format::Xlsx:
        return xlsx::read(bytes, options, progress);
    case Format::Ods:
        return ods::read(bytes, options, progress);
    case Format::VCard:
        return vcard::read(bytes);
    case Format::Csv:
        break;
    }
    return csv::read(bytes, options, progress);
}

// Progress of one stage of two, as part of the whole: reading the file is the first fifth.
Progress stage(const Progress &progress, int from, int to) {
    if (!progress)
        return {};
    return [progress, from, to](qint64 done, qint64 total) {
        const qint64 part = total > 0 ? std::min(done, total) * (to - from) / total : 0;
        return progress(from + part, 1000);
    };
}

QString sizeText(qint64 bytes) {
    return u"%1 字节"_s.arg(QLocale(QLocale::Chinese, QLocale::China).toString(bytes));
}

}   // namespace

ReadResult readBytes(const QByteArray &bytes, const QString &fileName, const Progress &progress,
                     const ReadOptions &options) {
    ReadResult result;
    try {
        result = readContent(bytes, fileName, options, progress);
    } catch (const Cancelled &) {
        result = refused(formatForPath(fileName), u"已取消。"_s);
    } catch (const std::bad_alloc &) {
        result = refused(formatForPath(fileName), os::outOfMemoryText());
    }
    if (!result.ok()) {
        result.records.clear();
        result.firstRows.clear();
    }
    return result;
}

FileBytes readDeviceBytes(QIODevice &device, const Progress &progress) {
    const qint64 size = device.isSequential() ? 0 : device.size();
    const auto tooBig = [&](qint64 bytes, bool atLeast) {
        return FileBytes{{},
                         u"文件太大（%1%2），最多只能导入 %3 MB（%4）的文件。"_s
                             .arg(atLeast ? u"超过 "_s : QString(), sizeText(bytes))
                             .arg(MaxFileBytes >> 20)
                             .arg(sizeText(MaxFileBytes))};
    };
    if (size > MaxFileBytes)
        return tooBig(size, false);
    FileBytes file;
    QByteArray &bytes = file.bytes;
    bytes.reserve(size);
    constexpr qint64 Chunk = 1 << 20;
    for (;;) {
        if (progress && !progress(bytes.size(), size))
            return {{}, u"已取消。"_s};
        const qsizetype at = bytes.size();
        bytes.resize(at + Chunk);
        const qint64 read = device.read(bytes.data() + at, Chunk);
        if (read < 0)
            return {{}, u"读取文件时出错：%1"_s.arg(device.errorString())};
        bytes.resize(at + read);
        if (read == 0)
            break;
        if (bytes.size() > MaxFileBytes)
            return tooBig(MaxFileBytes, true);
    }
    return file;
}

FileBytes readFileBytes(const QString &path, const Progress &progress) {
    // Opened without waiting, then looked at: a FIFO or a device would block a plain open, or
    // a read, for ever. Only a regular file is read.
    const QByteArray name = QFile::encodeName(path);
    const int fd = ::open(name.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    const auto cannotOpen = [&](const QString &why) { return FileBytes{{}, u"无法打开文件“%1”：%2"_s.arg(path, why)}; };
    if (fd < 0) {
        const int error = errno;
        return cannotOpen(error == EISDIR ? u"这是一个文件夹"_s : QString::fromLocal8Bit(std::strerror(error)));
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        const bool folder = S_ISDIR(st.st_mode);
        ::close(fd);
        return cannotOpen(folder ? u"这是一个文件夹"_s : u"它不是普通文件（而是管道、设备或套接字）"_s);
    }
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    QFile file;
    if (!file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        return cannotOpen(file.errorString());
    }
    return readDeviceBytes(file, progress);
}

ReadResult readDevice(QIODevice &device, const QString &fileName, const Progress &progress) {
    const FileBytes file = readDeviceBytes(device, stage(progress, 0, 200));
    if (!file.error.isEmpty())
        return refused(formatForPath(fileName), file.error);
    return readBytes(file.bytes, fileName, stage(progress, 200, 1000));
}

ReadResult readFile(const QString &path, const Progress &progress, const ReadOptions &options) {
    const FileBytes file = readFileBytes(path, stage(progress, 0, 200));
    if (!file.error.isEmpty())
        return refused(formatForPath(path), file.error);
    return readBytes(file.bytes, path, stage(progress, 200, 1000), options);
}

void writeFile(const QString &path, Format format, Encoding encoding, const ContactSource &contacts,
               const Progress &progress) {
    if (format == Format::Xlsx) {
        // The workbook library writes a file by name: a temporary one beside the target, which
        // takes the target's name only once it is complete.
        QTemporaryFile part(QFileInfo(path).absolutePath() + u"/.txl-export-XXXXXX.xlsx"_s);
        if (!part.open())
            throw ExchangeError(u"无法写入“%1”：%2"_s.arg(path, part.errorString()));
        part.close();
        xlsx::write(contacts, part.fileName(), progress);
        // As any new file of the user's: readable by others unless the user's mask says otherwise.
        QFile::setPermissions(part.fileName(), QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                                   QFileDevice::ReadGroup | QFileDevice::ReadOther);
        if (std::rename(QFile::encodeName(part.fileName()).constData(), QFile::encodeName(path).constData()) != 0)
            throw ExchangeError(u"无法写入“%1”。"_s.arg(path));
        part.setAutoRemove(false);
        return;
    }
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        throw ExchangeError(u"无法写入“%1”：%2"_s.arg(path, file.errorString()));
    if (format == Format::VCard)
        vcard::write(contacts, file, progress);
    else
        csv::write(contacts, encoding, file, progress);
    if (!file.commit())
        throw ExchangeError(u"写入“%1”失败：%2"_s.arg(path, file.errorString()));
}

}   // namespace txl::exchange
