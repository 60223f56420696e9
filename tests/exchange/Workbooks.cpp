#include "tests/exchange/Workbooks.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtEndian>

#include <zip.h>

using namespace Qt::StringLiterals;

namespace txl::test {

QByteArray zipped(const QList<std::pair<QString, QByteArray>> &parts, Packing packing) {
    QTemporaryDir dir;
    const QByteArray path = QFile::encodeName(dir.filePath(u"w.zip"_s));
    int error = 0;
    zip_t *z = zip_open(path.constData(), ZIP_CREATE | ZIP_TRUNCATE, &error);
    for (const auto &[name, content] : parts) {
        zip_source_t *s = zip_source_buffer(z, content.constData(), static_cast<zip_uint64_t>(content.size()), 0);
        const zip_int64_t index = zip_file_add(z, name.toUtf8().constData(), s, ZIP_FL_ENC_UTF_8);
        if (packing == Packing::Stored)
            zip_set_file_compression(z, static_cast<zip_uint64_t>(index), ZIP_CM_STORE, 0);
    }
    zip_close(z);
    QFile f(QString::fromUtf8(path));
    f.open(QIODevice::ReadOnly);
    return f.readAll();
}

QByteArray workbook(const QByteArray &sheet, const QByteArray &strings, const QByteArray &styles,
                    const QByteArray &workbookPr, Packing packing) {
    QList<std::pair<QString, QByteArray>> parts = {
        {u"[Content_Types].xml"_s, "<Types/>"},
        {u"xl/workbook.xml"_s, "<workbook xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\" "
                               "xmlns:r=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships\">" +
                                   workbookPr +
                                   "<sheets><sheet name=\"A\" sheetId=\"1\" r:id=\"rId7\"/><sheet name=\"B\" "
                                   "sheetId=\"2\" r:id=\"rId8\"/></sheets></workbook>"},
        {u"xl/_rels/workbook.xml.rels"_s,
         "<Relationships><Relationship Id=\"rId8\" Target=\"worksheets/other.xml\"/>"
         "<Relationship Id=\"rId7\" Target=\"/xl/worksheets/first.xml\"/></Relationships>"},
        {u"xl/worksheets/first.xml"_s, "<worksheet><sheetData>" + sheet + "</sheetData></worksheet>"},
        {u"xl/worksheets/other.xml"_s, "<worksheet><sheetData><row r=\"1\"><c "
                                       "t=\"inlineStr\"><is><t>不是这张</t></is></c></row></sheetData></worksheet>"},
    };
    if (!strings.isEmpty())
        parts.append({u"xl/sharedStrings.xml"_s, "<sst>" + strings + "</sst>"});
    if (!styles.isEmpty())
        parts.append({u"xl/styles.xml"_s, "<styleSheet>" + styles + "</styleSheet>"});
    return zipped(parts, packing);
}

QByteArray withClaimedSize(QByteArray zip, const QString &part, quint32 claimed) {
    const QByteArray name = part.toUtf8();
    // A local header: signature, then the unpacked size at 22 and the name's length at 26, the
    // name at 30. A central directory entry: the unpacked size at 24, the name's length at 28,
    // the name at 46.
    for (const auto &[signature, sizeAt, lengthAt, nameAt] :
         {std::tuple<QByteArray, int, int, int>{QByteArray("PK\x03\x04"), 22, 26, 30},
          std::tuple<QByteArray, int, int, int>{QByteArray("PK\x01\x02"), 24, 28, 46}}) {
        for (qsizetype at = zip.indexOf(signature); at >= 0; at = zip.indexOf(signature, at + 4)) {
            const auto length = qFromLittleEndian<quint16>(zip.constData() + at + lengthAt);
            if (zip.mid(at + nameAt, length) == name)
                qToLittleEndian<quint32>(claimed, zip.data() + at + sizeAt);
        }
    }
    return zip;
}

}   // namespace txl::test
