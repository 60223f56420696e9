#pragma once

#include "exchange/ContactImport.h"
#include "exchange/ImportRules.h"
#include "exchange/Records.h"
#include "platform/ui/Form.h"

#include <optional>

class QCheckBox;
class QGroupBox;
class QLabel;
class QPushButton;
class QTableWidget;

// 导入: the preview of a file before anything of it is added. It shows the format and encoding the
// file was read in, which of its columns fill which contact column (and lets the user choose
// another, or 不导入, for each), its first rows as they will be stored, and what an import would
// do: how many contacts it adds, which rows it skips as duplicates, refuses or takes with a
// warning, and which it passes over as titles or notes, each with its place and reason. A
// workbook's every sheet is listed. 导入 goes ahead, 取消 leaves the book as it is.
class TImportPreview : public txl::ui::Form {
    Q_OBJECT

public:
    // `bytes` are the file's, read again when the user changes how a column is taken.
    TImportPreview(const QString &path, QByteArray bytes, txl::exchange::ReadResult read,
                   txl::exchange::NameSet namesInBook);

    QLabel *LabelFile;
    QLabel *LabelFormat;
    QGroupBox *GroupBox1;   // 列的对应
    QTableWidget *TableMapping;
    QGroupBox *GroupBox2;   // 文件的前几行
    QTableWidget *TableRows;
    QLabel *LabelCounts;
    QGroupBox *GroupBox3;   // 跳过、拒绝和警告
    QTableWidget *TableProblems;
    QCheckBox *CheckDuplicates;   // 重名的联系人也导入
    QPushButton *Button1;         // 导入
    QPushButton *Button2;         // 取消

    bool accepted() const { return m_accepted; }
    txl::exchange::Duplicates duplicates() const;
    const txl::exchange::ImportPlan &plan() const { return m_plan; }
    const txl::exchange::ReadResult &read() const { return m_read; }
    // Takes the file's column titled `title` (in table `table`) as `target` (-1: 不导入), reads the
    // file again so and shows what it now gives.
    void chooseTarget(int table, const QString &title, int target);

    // The whole command: pick a file, read it, preview it, import it with progress. Returns what
    // was done when an import ran to its end (the book may have changed); the caller shows the
    // new list first and then the notice doneText() words.
    static std::optional<txl::exchange::ImportSummary> run(QWidget *parent);
    static QString doneText(const txl::exchange::ImportSummary &summary);

    void Button1Click();
    void Button2Click();

private:
    void showRead();
    void setTabOrder();
    void fillMapping();
    void fillRows();
    void updatePlan();

    QString m_path;
    QByteArray m_bytes;
    txl::exchange::ReadResult m_read;
    txl::exchange::ReadOptions m_options;
    txl::exchange::NameSet m_names;
    txl::exchange::ImportPlan m_plan;
    bool m_accepted = false;
};
