#include "main/ContactExport.h"

#include "exchange/ContactFile.h"
#include "main/ExchangeProgress.h"
#include "platform/print/FileDialog.h"
#include "platform/ui/MessageBoxes.h"

#include <QFileInfo>

using namespace Qt::StringLiterals;
using namespace txl::exchange;

namespace {

struct Choice {
    QString filter;
    Format format;
    Encoding encoding;
    QString suffix;
};

const QList<Choice> &choices() {
    static const QList<Choice> list = {
        {u"Excel 工作簿 (*.xlsx)"_s, Format::Xlsx, Encoding::Utf8, u"xlsx"_s},
        {u"CSV 文件，UTF-8 编码 (*.csv)"_s, Format::Csv, Encoding::Utf8, u"csv"_s},
        {u"CSV 文件，GB18030 编码 (*.csv)"_s, Format::Csv, Encoding::Gb18030, u"csv"_s},
        {u"vCard 名片 (*.vcf)"_s, Format::VCard, Encoding::Utf8, u"vcf"_s},
    };
    return list;
}

}   // namespace

void exportContacts(QWidget *parent, const txl::db::Query &query) {
    QStringList filters;
    for (const Choice &c : choices())
        filters << c.filter;
    QString selected = filters.first();
    QString path = txl::print::FileDialog::saveFileName(parent, u"导出联系人"_s, filters.join(u";;"_s), &selected,
                                                        u"export"_s);
    if (path.isEmpty())
        return;

    // The dialog put the chosen kind's extension on a name typed without one, and asked before
    // replacing that file. A name typed with an extension of ours is written as that kind (never
    // under another name than the one asked about); any other name as the chosen kind.
    const auto chosen = std::find_if(choices().begin(), choices().end(),
                                     [&](const Choice &c) { return c.filter == selected; });
    const QString suffix = QFileInfo(path).suffix().toLower();
    const bool ours = std::any_of(choices().begin(), choices().end(),
                                  [&](const Choice &c) { return c.suffix == suffix; });
    Format format = ours || chosen == choices().end() ? formatForPath(path) : chosen->format;
    Encoding encoding = Encoding::Utf8;
    if (chosen != choices().end() && chosen->format == format)
        encoding = chosen->encoding;
    if (suffix.isEmpty() && chosen != choices().end())
        path += u'.' + chosen->suffix;   // a name the dialog did not see (a test's)

    const QueryContacts contacts(query);
    try {
        ExchangeProgress progress(parent, u"正在导出联系人……"_s);
        writeFile(path, format, encoding, contacts, progress.report());
    } catch (const Cancelled &) {
        txl::ui::notice(u"导出已取消，没有写入文件。"_s);
        return;
    } catch (const ExchangeError &e) {
        txl::ui::notice(e.message(), u"错误"_s);
        return;
    }
    txl::ui::notice(u"已导出 %1 位联系人到“%2”。"_s.arg(contacts.count()).arg(QFileInfo(path).fileName()));
}
