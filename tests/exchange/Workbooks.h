#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

#include <utility>

// Workbooks made by hand in a test, to the byte: what a spreadsheet program would never write.
namespace txl::test {

// How a part is packed: deflated as usual, or stored, its bytes as they are for a test to alter.
enum class Packing { Deflated, Stored };

// A zip holding the given parts.
QByteArray zipped(const QList<std::pair<QString, QByteArray>> &parts, Packing packing = Packing::Deflated);

// A workbook whose first sheet (named "A") holds `sheet` inside its <sheetData>, with the shared
// strings `strings` (inside <sst>) and the styles `styles` (inside <styleSheet>) when given. A
// second sheet follows that holds other rows.
QByteArray workbook(const QByteArray &sheet, const QByteArray &strings = {}, const QByteArray &styles = {},
                    const QByteArray &workbookPr = {}, Packing packing = Packing::Deflated);

// The same zip with the unpacked size of `part` given as `claimed` in its headers, as a damaged
// or malicious file may say.
QByteArray withClaimedSize(QByteArray zip, const QString &part, quint32 claimed);

}   // namespace txl::test
