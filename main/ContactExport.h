#pragma once

class QWidget;

namespace txl::db {
class Query;
}

// 导出: writes exactly the rows `query` holds (the full list or the last search) to a file the
// user names, as an Excel workbook, CSV in UTF-8 or GB18030, or vCards, then tells how many.
void exportContacts(QWidget *parent, const txl::db::Query &query);
