#include "exchange/ContactFile.h"

#include "exchange/Csv.h"
#include "exchange/VCard.h"
#include "exchange/XlsxReader.h"
#include "exchange/XlsxWriter.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QTemporaryFile>

#include <cstdio>

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
    if (suffix == u"vcf"_s || suffix == u"vcard"_s)
        return Format::VCard;
    return Format::Csv;
}

ReadResult readBytes(const QByteArray &bytes, const QString &fileName) {
    if (bytes.startsWith("PK\x03\x04"))
        return xlsx::read(bytes);
    if (bytes.startsWith("\xD0\xCF\x11\xE0"))
        return refused(Format::Xlsx,
                       u"这是旧版 Excel 文件（.xls）。请在 Excel 或 LibreOffice 中另存为 .xlsx 后再导入。"_s);
    if (startsWithVCard(bytes))
        return vcard::read(bytes);
    switch (formatForPath(fileName)) {
    case Format::Xlsx:
        return xlsx::read(bytes);
    case Format::VCard:
        return vcard::read(bytes);
    case Format::Csv:
        break;
    }
    return csv::read(bytes);
}

ReadResult readDevice(QIODevice &device, const QString &fileName, const Progress &progress) {
    const Format guess = formatForPath(fileName);
    const qint64 size = device.isSequential() ? 0 : device.size();
    const auto tooBig = [&](qint64 bytes) {
        return refused(guess, u"文件太大（%1 MB），最多只能导入 %2 MB 的文件。"_s
                                  .arg(static_cast<double>(bytes) / (1 << 20), 0, 'f', 1)
                                  .arg(MaxFileBytes >> 20));
    };
    if (size > MaxFileBytes)
        return tooBig(size);
    QByteArray bytes;
    bytes.reserve(size);
    constexpr qint64 Chunk = 1 << 20;
    for (;;) {
        if (progress && !progress(bytes.size(), size))
            return refused(guess, u"已取消。"_s);
        const qsizetype at = bytes.size();
        bytes.resize(at + Chunk);
        const qint64 read = device.read(bytes.data() + at, Chunk);
        if (read < 0)
            return refused(guess, u"读取文件时出错：%1"_s.arg(device.errorString()));
        bytes.resize(at + read);
        if (read == 0)
            break;
        if (bytes.size() > MaxFileBytes)
            return tooBig(bytes.size());
    }
    return readBytes(bytes, fileName);
}

ReadResult readFile(const QString &path, const Progress &progress) {
    QFile file(path);
    if (QFileInfo(path).isDir() || !file.open(QIODevice::ReadOnly))
        return refused(
            formatForPath(path),
            u"无法打开文件“%1”：%2"_s.arg(path, QFileInfo(path).isDir() ? u"这是一个文件夹"_s : file.errorString()));
    return readDevice(file, path, progress);
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
