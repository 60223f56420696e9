#include "exchange/XlsxWriter.h"

#include "exchange/Dates.h"

#include <QDate>
#include <QFile>

#include <xlsxwriter.h>

#include <algorithm>
#include <array>
#include <memory>

using namespace Qt::StringLiterals;

namespace txl::exchange::xlsx {

namespace {

struct WorkbookCloser {
    void operator()(lxw_workbook *wb) const noexcept {
        // A workbook given up half-way is closed into a file nobody uses; closing frees it.
        workbook_close(wb);
    }
};
using Workbook = std::unique_ptr<lxw_workbook, WorkbookCloser>;

void check(lxw_error error) {
    if (error != LXW_NO_ERROR)
        throw ExchangeError(u"写入 Excel 文件失败：%1"_s.arg(QString::fromUtf8(lxw_strerror(error))));
}

// Display width of a UTF-8 text in character cells: a character from U+1100 on (the full-width
// ones) takes two, one beyond the BMP four (two UTF-16 units of two), as the columns were always
// fitted.
int displayWidth(QByteArrayView utf8) {
    int width = 0;
    for (qsizetype i = 0; i < utf8.size();) {
        const auto lead = static_cast<unsigned char>(utf8[i]);
        if (lead < 0x80) {
            width += 1;
            i += 1;
        } else if (lead >= 0xC2 && lead < 0xE0) {
            width += 1;   // U+0080 to U+07FF
            i += 2;
        } else if (lead >= 0xE0 && lead < 0xF0) {
            const auto second = i + 1 < utf8.size() ? static_cast<unsigned char>(utf8[i + 1]) : 0;
            width += lead == 0xE0 || (lead == 0xE1 && second < 0x84) ? 1 : 2;   // below U+1100 or not
            i += 3;
        } else if (lead >= 0xF0 && lead < 0xF5) {
            width += 4;
            i += 4;
        } else {
            width += 2;   // a stray byte, read as the replacement character
            i += 1;
        }
    }
    return width;
}

// A valid yyyy-mm-dd that Excel can hold as a date (its calendar starts in 1900, and its first two
// months there count a day that never was).
bool excelDate(QByteArrayView text, lxw_datetime &out) {
    const QDate date = storedDate(text);
    if (!date.isValid() || date < QDate(1900, 3, 1))
        return false;
    out = lxw_datetime{date.year(), date.month(), date.day(), 0, 0, 0};
    return true;
}

}   // namespace

void write(const ContactSource &contacts, const QString &path, const Progress &progress) {
    const QByteArray file = QFile::encodeName(path);
    lxw_workbook_options options{};
    options.constant_memory = LXW_TRUE;
    Workbook workbook(workbook_new_opt(file.constData(), &options));
    if (!workbook)
        throw ExchangeError(u"无法创建 Excel 文件。"_s);
    lxw_worksheet *sheet = workbook_add_worksheet(workbook.get(), "同学录");
    if (!sheet)
        throw ExchangeError(u"无法创建 Excel 工作表。"_s);

    lxw_format *title = workbook_add_format(workbook.get());
    format_set_bold(title);
    lxw_format *text = workbook_add_format(workbook.get());
    format_set_num_format(text, "@");   // what a user types into the column later stays text
    lxw_format *date = workbook_add_format(workbook.get());
    format_set_num_format(date, "yyyy-mm-dd");

    std::array<int, schema::ContactColumnCount> widths{};
    for (int c = 0; c < schema::ContactColumnCount; ++c) {
        const QByteArray name = schema::ContactColumns[c].name.toUtf8();
        check(worksheet_write_string(sheet, 0, static_cast<lxw_col_t>(c), name.constData(), title));
        widths[c] = displayWidth(name);
    }

    // The values go over as UTF-8 straight from where the source keeps them, through one
    // terminated copy (the library takes C strings).
    QByteArray scratch;
    QByteArray terminated;
    const int rows = contacts.count();
    for (int r = 0; r < rows; ++r) {
        reportStep(progress, r, rows);
        const auto row = static_cast<lxw_row_t>(r + 1);
        for (int c = 0; c < schema::ContactColumnCount; ++c) {
            const auto column = static_cast<schema::Contact>(c);
            const QByteArrayView value = contacts.utf8(r, column, scratch);
            widths[c] = std::max(widths[c], displayWidth(value));
            if (value.isEmpty())
                continue;
            lxw_datetime when;
            if (column == schema::Birth && excelDate(value, when)) {
                check(worksheet_write_datetime(sheet, row, static_cast<lxw_col_t>(c), &when, date));
            } else {
                terminated.truncate(0);
                terminated.append(value);
                check(worksheet_write_string(sheet, row, static_cast<lxw_col_t>(c), terminated.constData(), text));
            }
        }
    }

    for (int c = 0; c < schema::ContactColumnCount; ++c) {
        // Room for the filter button beside the title, and no column wider than a screenful.
        const double width = std::min(std::max(widths[c], 4) + 3, 60);
        check(worksheet_set_column(sheet, static_cast<lxw_col_t>(c), static_cast<lxw_col_t>(c), width,
                                   c == schema::Birth ? date : text));
    }
    worksheet_freeze_panes(sheet, 1, 0);
    check(worksheet_autofilter(sheet, 0, 0, static_cast<lxw_row_t>(rows), schema::ContactColumnCount - 1));
    check(workbook_close(workbook.release()));
}

}   // namespace txl::exchange::xlsx
