#pragma once

#include "exchange/XmlReader.h"

#include <QByteArray>
#include <QString>

#include <functional>
#include <memory>

struct zip;

// A zip package of XML parts (an Excel workbook, an OpenDocument spreadsheet) held in memory.
// A part is read through expat as it is unpacked, on a thread of its own a few pieces ahead, so
// that the sheet of a big list is never held whole; no part may unpack to more than
// MaxPartBytes, whatever its header claims.
namespace txl::exchange {

class ZipPackage {
public:
    static constexpr qint64 MaxPartBytes = 512ll << 20;

    // `notThis` words a refusal: "这个文件不是 Excel 工作簿（.xlsx）：%1".
    ZipPackage(const QByteArray &bytes, const QString &notThis);
    ~ZipPackage();
    ZipPackage(const ZipPackage &) = delete;
    ZipPackage &operator=(const ZipPackage &) = delete;

    bool isOpen() const { return m_zip != nullptr; }
    bool contains(const QString &name) const;
    // What the zip says the part unpacks to (it may lie; reading goes by what comes), 0 when it
    // does not say or there is no such part.
    qint64 claimedSize(const QString &name) const;
    // The whole of a small part (at most `limit` bytes), or nothing when it is not there or larger.
    QByteArray small(const QString &name, qsizetype limit) const;

    // Reads part `name` through `handler`; `unpacked` is told the bytes unpacked so far after each
    // piece. Throws ExchangeError when the part is missing, damaged or too big, xml::Malformed
    // when it is no well-formed XML, and passes on what the handler and `unpacked` throw.
    void read(const QString &name, xml::Handler &handler, const std::function<void(qint64)> &unpacked = {}) const;

    // The refusal `notThis` words, with `detail`.
    QString refusal(const QString &detail) const { return m_notThis.arg(detail); }

private:
    struct Closer {
        void operator()(zip *z) const noexcept;
    };
    std::unique_ptr<zip, Closer> m_zip;
    QString m_notThis;
};

// Where a part broke, in a message: the sheet and the row near which (when it is a sheet), the
// part, its line and column.
QString malformedText(const xml::Error &error, const QString &part, const QString &sheet, qint64 row);

}   // namespace txl::exchange
