#pragma once

#include "exchange/ContactSource.h"
#include "exchange/Records.h"

#include <QByteArray>
#include <QString>

class QIODevice;

// Contact files as a whole: which format a file is in, reading it with a size limit, and writing
// one so that an existing file is replaced only by a complete new one.
namespace txl::exchange {

// Bigger files are refused before they are read: a class list is a few hundred kilobytes, and a
// file of this size is not one.
inline constexpr qint64 MaxFileBytes = 32ll << 20;

// By extension: .xlsx, .ods, .vcf/.vcard, anything else CSV.
Format formatForPath(const QString &path);

// Reads the bytes: the content decides the format (a zip is a workbook, BEGIN:VCARD a vCard),
// the name only when the content does not. A stop asked for through `progress`, or memory that
// runs out, gives a result with its error set.
ReadResult readBytes(const QByteArray &bytes, const QString &fileName, const Progress &progress = {},
                     const ReadOptions &options = {});

// The bytes of a file to read contacts from, or why they cannot be had (a read error, more than
// MaxFileBytes, a stop asked for).
struct FileBytes {
    QByteArray bytes;
    QString error;
};
FileBytes readDeviceBytes(QIODevice &device, const Progress &progress = {});
// Of a regular file only: anything else (a folder, a FIFO, a device) is refused before it is read.
FileBytes readFileBytes(const QString &path, const Progress &progress = {});

// Reads a whole device (an open file) or file and then its content; `progress` counts to 1000
// over both.
ReadResult readDevice(QIODevice &device, const QString &fileName, const Progress &progress = {});
ReadResult readFile(const QString &path, const Progress &progress = {}, const ReadOptions &options = {});

// Writes `path` in `format` (encoding: CSV only). Throws ExchangeError or Cancelled; either way an
// existing file at `path` is left as it was and no partial file remains.
void writeFile(const QString &path, Format format, Encoding encoding, const ContactSource &contacts,
               const Progress &progress = {});

}   // namespace txl::exchange
