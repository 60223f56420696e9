#pragma once

#include "data/Schema.h"
#include "exchange/ImportRules.h"
#include "exchange/Records.h"

#include <QString>
#include <QStringList>

#include <optional>
#include <utility>
#include <vector>

namespace txl::exchange {

// The parts of a contact column that several columns of a table make together, numbered after
// the nine contact columns (ColumnMeaning::target).
enum Part : int {
    FamilyName = schema::ContactColumnCount,   // 姓, Last Name, Family Name
    GivenName,                                 // 名, First Name, Given Name
    MiddleName,                                // Middle Name, Additional Name
    BirthYear,                                 // Birth Year, Birth Month, Birth Day: one birth date
    BirthMonth,
    BirthDay,
    PhoneLabel,   // Phone 1 - Label: what the number beside it is (Mobile, Home, Work)
    PhoneValue,   // Phone 1 - Value
    Street,       // an address in parts
    Street2,
    City,
    Region,
    Postcode,
    Country,
    PartEnd
};

// A title in the form it is compared in: compatibility forms folded (ＱＱ, full-width colon),
// letter case folded, every space and punctuation mark dropped ("E-mail Address" is
// "emailaddress", "手机/电话" is "手机电话").
QString comparableTitle(const QString &title);

// What a column with this title fills. Besides the program's own nine titles it knows the usual
// alternatives (名字, Name, 手机, Mobile, E-mail, 地址 …) and the layouts of other address books'
// exports (Google, Outlook, Thunderbird).
ColumnMeaning meaningOfTitle(const QString &title);
// The contact column a title names, or -1 (a part counts as none).
int columnForTitle(const QString &title);
// What a target is called where the user chooses one: "姓名", "姓（与名合成姓名）" …; "不导入" for -1.
QString targetName(int target);
// The target a user names: by targetName() or its words before the bracket ("姓"); -1 for
// 不导入; nothing for a name of no target.
std::optional<int> targetNamed(const QString &name);
// What was read from each table, a line each: "工作表“2班”：45 位联系人，拒绝 1 行",
// "工作表“说明”：没有通讯录表格（…）". Nothing for a CSV or a vCard.
QStringList tableLines(const ReadResult &read);

// The last row and column a sheet can have.
inline constexpr qint64 MaxSheetRow = 1048576;
inline constexpr int MaxSheetColumn = 16384;

// The cells of one row of a table that hold something, each with its column, as UTF-8, in the
// order the file gives them. A row is as long as what it holds: a cell in the last column of a
// sheet costs no more than one in the first.
class TableRow {
public:
    void clear() { m_count = 0; }
    // The room for the text of the cell in `column`, emptied; it serves again from row to row.
    QByteArray &add(int column);
    void dropLast() { --m_count; }
    qsizetype size() const { return m_count; }
    int column(qsizetype i) const { return m_cells[static_cast<std::size_t>(i)].first; }
    const QByteArray &text(qsizetype i) const { return m_cells[static_cast<std::size_t>(i)].second; }

private:
    std::vector<std::pair<int, QByteArray>> m_cells;
    qsizetype m_count = 0;
};

// Finds the table in the rows of a CSV or a sheet and turns the rows below its titles into
// contacts, which go through the import rules:
// - the titles are the first row among the first 20 that are not empty whose cells name a name
//   column (or a name in parts) and at least one other known column (else the first that names
//   a name column alone); rows above it are passed over as titles;
// - a row right below the titles that holds only titles and no name (手机 and QQ under a merged
//   联系方式) names those columns instead;
// - a row below that holds a single cell reading like a note ("合计：45人") is passed over.
class TableReader {
public:
    // Adds a table to `result` (named `sheet`, empty for a CSV) and reads its rows into `intake`.
    // The cells are valid UTF-8.
    TableReader(Intake &intake, ReadResult &result, const ReadOptions &options, const QString &sheet = {});
    // `line` is where the row stands in the file (for messages).
    void addRow(const TableRow &row, int line);
    // Whether the text of a cell in `column` is wanted: any until the titles are settled, then
    // only those of the columns that fill something.
    bool wants(int column) const;
    // The end of the table: one without titles is marked as holding none (Table::absent).
    void finish();

    // How many non-empty rows the titles are looked for in.
    static constexpr int TitleSearchRows = 20;

private:
    enum class Stage { Titles, SubTitles, Rows, None };
    struct Candidate {
        QStringList titles;
        QList<ColumnMeaning> meanings;
        int line = 0;
        bool full = false;   // a name and another known column
    };

    Candidate candidate(const TableRow &row, int line) const;
    void takeTitles(Candidate titles);
    void settleNameOnly();
    bool takeSubTitles(const TableRow &row);
    bool isNote(const TableRow &row) const;
    void addContact(const TableRow &row, int line);
    QString where() const;   // "工作表“2班”" for a sheet

    ReadResult &m_result;
    const ReadOptions &m_options;
    int m_table;
    Intake &m_intake;
    Stage m_stage = Stage::Titles;
    int m_searched = 0;                                // non-empty rows looked at for titles
    std::optional<Candidate> m_nameOnly;               // the first row naming a name column alone
    std::vector<std::pair<TableRow, int>> m_waiting;   // the rows after it while others may be titles
    int m_firstLine = 0, m_lastLine = 0;               // the non-empty rows above the titles
    std::vector<int> m_targetOf;                       // per column of the file: its target, or -1
    std::vector<int> m_groupOf;                        // per column: its number (numbered columns)
    bool m_direct = false;                             // every column fills a contact column as it is
};

// Refuses a file none of whose tables holds contacts: an empty one, or one without a name column.
void requireTable(ReadResult &result);

}   // namespace txl::exchange
