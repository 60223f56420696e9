#include "exchange/ZipPackage.h"

#include "exchange/ReadAhead.h"
#include "exchange/Records.h"

#include <zip.h>

using namespace Qt::StringLiterals;

namespace txl::exchange {

namespace {

struct FileCloser {
    void operator()(zip_file_t *f) const noexcept { zip_fclose(f); }
};

// One part, unpacked piece by piece.
class Part {
public:
    Part(zip_t *zip, const QString &name, const ZipPackage &package) : m_name(name), m_package(package) {
        const QByteArray utf8 = name.toUtf8();
        zip_stat_t stat;
        zip_stat_init(&stat);
        if (zip_stat(zip, utf8.constData(), 0, &stat) != 0)
            throw ExchangeError(package.refusal(u"缺少 %1。"_s.arg(name)));
        if ((stat.valid & ZIP_STAT_SIZE) && stat.size > static_cast<zip_uint64_t>(ZipPackage::MaxPartBytes))
            throw tooBig();
        m_file.reset(zip_fopen(zip, utf8.constData(), 0));
        if (!m_file)
            throw damaged();
    }
    // Up to `room` bytes at `into`, 0 at the end; throws when the part is damaged (its checksum
    // is checked at the end) or unpacks to more than a package of contacts holds.
    qsizetype read(char *into, qsizetype room) {
        const zip_int64_t got = zip_fread(m_file.get(), into, static_cast<zip_uint64_t>(room));
        if (got < 0)
            throw damaged();
        m_read += got;
        if (m_read > ZipPackage::MaxPartBytes)
            throw tooBig();
        return static_cast<qsizetype>(got);
    }

private:
    ExchangeError damaged() const { return ExchangeError(m_package.refusal(u"%1 已损坏。"_s.arg(m_name))); }
    ExchangeError tooBig() const { return ExchangeError(m_package.refusal(u"%1 解压后过大。"_s.arg(m_name))); }

    QString m_name;
    const ZipPackage &m_package;
    std::unique_ptr<zip_file_t, FileCloser> m_file;
    qint64 m_read = 0;
};

}   // namespace

void ZipPackage::Closer::operator()(zip *z) const noexcept {
    zip_discard(z);
}

ZipPackage::ZipPackage(const QByteArray &bytes, const QString &notThis) : m_notThis(notThis) {
    zip_error_t error;
    zip_error_init(&error);
    zip_source_t *source = zip_source_buffer_create(bytes.constData(), static_cast<zip_uint64_t>(bytes.size()), 0,
                                                    &error);
    if (source) {
        m_zip.reset(zip_open_from_source(source, ZIP_RDONLY, &error));
        if (!m_zip)
            zip_source_free(source);
    }
    zip_error_fini(&error);
}

ZipPackage::~ZipPackage() = default;

bool ZipPackage::contains(const QString &name) const {
    return zip_name_locate(m_zip.get(), name.toUtf8().constData(), 0) >= 0;
}

qint64 ZipPackage::claimedSize(const QString &name) const {
    zip_stat_t stat;
    zip_stat_init(&stat);
    if (zip_stat(m_zip.get(), name.toUtf8().constData(), 0, &stat) != 0 || !(stat.valid & ZIP_STAT_SIZE))
        return 0;
    return static_cast<qint64>(std::min<zip_uint64_t>(stat.size, MaxPartBytes));
}

QByteArray ZipPackage::small(const QString &name, qsizetype limit) const {
    if (!contains(name))
        return {};
    Part part(m_zip.get(), name, *this);
    QByteArray data(limit + 1, Qt::Uninitialized);
    qsizetype size = 0;
    for (qsizetype got; size <= limit && (got = part.read(data.data() + size, limit + 1 - size)) > 0;)
        size += got;
    if (size > limit)
        return {};
    data.truncate(size);
    return data;
}

void ZipPackage::read(const QString &name, xml::Handler &handler, const std::function<void(qint64)> &unpacked) const {
    Part part(m_zip.get(), name, *this);
    ReadAhead ahead([&part](char *into, qsizetype room) { return part.read(into, room); });
    xml::read([&ahead](char *into, qsizetype room) { return ahead.read(into, room); }, handler, unpacked);
}

QString malformedText(const xml::Error &error, const QString &part, const QString &sheet, qint64 row) {
    const QString where = u"%1 第%2行第%3列"_s.arg(part).arg(error.line).arg(error.column);
    if (sheet.isEmpty())
        return u"%1有错：%2。"_s.arg(where, error.reason);
    return u"工作表“%1”在第%2行附近有错：%3（%4）。"_s.arg(sheet).arg(row).arg(error.reason, where);
}

}   // namespace txl::exchange
