#include "main/ImportPreview.h"

#include "assets/Assets.h"

#include "data/Schema.h"
#include "data/U2.h"
#include "exchange/ContactFile.h"
#include "exchange/ContactImport.h"
#include "exchange/HeaderMap.h"
#include "main/ExchangeProgress.h"
#include "platform/db/DbError.h"
#include "platform/print/FileDialog.h"
#include "platform/ui/Design.h"
#include "platform/ui/Guard.h"
#include "platform/ui/MessageBoxes.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFileInfo>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>

#include <memory>

using namespace Qt::StringLiterals;
using namespace txl::exchange;

namespace {

QTableWidget *table(QWidget *parent, const QString &name, const QStringList &titles, const QRect &place) {
    auto *t = new QTableWidget(0, static_cast<int>(titles.size()), parent);
    t->setObjectName(name);
    t->setGeometry(place);
    t->setHorizontalHeaderLabels(titles);
    t->setEditTriggers(QAbstractItemView::NoEditTriggers);
    t->setSelectionBehavior(QAbstractItemView::SelectRows);
    t->verticalHeader()->setVisible(false);
    t->verticalHeader()->setDefaultSectionSize(18);
    t->horizontalHeader()->setStretchLastSection(true);
    t->setTabKeyNavigation(false);   // Tab goes on to the next control, not the next cell
    return t;
}

void addRow(QTableWidget *t, const QStringList &cells) {
    const int row = t->rowCount();
    t->insertRow(row);
    for (int c = 0; c < cells.size(); ++c)
        t->setItem(row, c, new QTableWidgetItem(cells.at(c)));
}

// A line of text across the window, filled in later.
QLabel *textLine(QWidget *parent, const QString &name, int top) {
    QLabel *l = txl::ui::label(parent, name, QString(), {12, top});
    l->resize(616, 18);
    return l;
}

// What a vCard's properties fill, shown in place of a title row.
const QList<std::pair<QString, QString>> VCardMapping = {
    {u"FN（或 N）"_s, u"姓名"_s},
    {u"GENDER"_s, u"性别"_s},
    {u"BDAY"_s, u"出生日期"_s},
    {u"TEL;TYPE=CELL"_s, u"手机号码"_s},
    {u"X-TXL-DORMITORY"_s, u"宿舍号码"_s},
    {u"TEL;TYPE=HOME"_s, u"家庭电话"_s},
    {u"X-QQ"_s, u"QQ"_s},
    {u"EMAIL"_s, u"电子邮箱"_s},
    {u"ADR"_s, u"家庭住址"_s},
};

}   // namespace

TImportPreview::TImportPreview(const QString &path, QByteArray bytes, ReadResult read, NameSet namesInBook)
    : Form(u"ImportPreview"_s),
      m_path(path),
      m_bytes(std::move(bytes)),
      m_read(std::move(read)),
      m_names(std::move(namesInBook)) {
    setWindowTitle(u"导入联系人"_s);
    setClientSize(760, 560);
    setBorder(Border::FixedSingle);
    setFont(QFont(u"宋体"_s, 9));

    LabelFile = textLine(this, u"LabelFile"_s, 8);
    LabelFile->setText(u"文件：%1"_s.arg(QFileInfo(path).fileName()));
    LabelFormat = textLine(this, u"LabelFormat"_s, 28);

    GroupBox1 = txl::ui::groupBox(this, u"GroupBox1"_s, u"列的对应"_s, {8, 52, 330, 230});
    TableMapping = table(GroupBox1, u"TableMapping"_s, {u"文件中的列"_s, u"导入为"_s}, {8, 18, 314, 204});
    TableMapping->setColumnWidth(0, 120);
    TableMapping->setAccessibleName(GroupBox1->title());
    GroupBox2 = txl::ui::groupBox(this, u"GroupBox2"_s, u"文件的前几行（按导入后的样子）"_s, {344, 52, 408, 230});
    TableRows = table(GroupBox2, u"TableRows"_s, QStringList{u"位置"_s} + txl::schema::contactColumnNames(),
                      {8, 18, 392, 204});
    TableRows->horizontalHeader()->setStretchLastSection(false);
    TableRows->setAccessibleName(GroupBox2->title());
    TableRows->setColumnWidth(0, 150);

    LabelCounts = textLine(this, u"LabelCounts"_s, 290);
    LabelCounts->resize(736, 18);
    GroupBox3 = txl::ui::groupBox(this, u"GroupBox3"_s, u"跳过、拒绝和警告"_s, {8, 312, 744, 200});
    TableProblems = table(GroupBox3, u"TableProblems"_s, {u"位置"_s, u"处理"_s, u"原因"_s}, {8, 18, 728, 174});
    TableProblems->setColumnWidth(0, 150);
    TableProblems->setColumnWidth(1, 50);
    TableProblems->setAccessibleName(GroupBox3->title());

    CheckDuplicates = new QCheckBox(u"重名的联系人也导入(&D)"_s, this);
    CheckDuplicates->setAccessibleName(u"重名的联系人也导入"_s);
    CheckDuplicates->setObjectName(u"CheckDuplicates"_s);
    CheckDuplicates->setGeometry(12, 526, 200, 20);
    Button1 = txl::ui::pushButton(this, u"Button1"_s, u"导入(&I)"_s, {572, 524, 75, 25});
    Button2 = txl::ui::pushButton(this, u"Button2"_s, u"取消(&C)"_s, {668, 524, 75, 25});
    Button1->setAccessibleName(u"导入"_s);
    Button2->setAccessibleName(u"取消"_s);
    setDialogKeys(Button1, Button2);
    setWindowIcon(txl::assets::programIcon());

    connect(CheckDuplicates, &QCheckBox::toggled, this, txl::ui::guard([this] { updatePlan(); }));
    connect(Button1, &QPushButton::clicked, this, txl::ui::guard(this, &TImportPreview::Button1Click));
    connect(Button2, &QPushButton::clicked, this, txl::ui::guard(this, &TImportPreview::Button2Click));

    showRead();
    centreOnScreen();
    runCreate();
}

Duplicates TImportPreview::duplicates() const {
    return CheckDuplicates->isChecked() ? Duplicates::Add : Duplicates::Skip;
}

void TImportPreview::showRead() {
    LabelFormat->setText(m_read.format == Format::Csv
                             ? u"格式：%1，编码 %2"_s.arg(formatName(m_read.format), encodingName(m_read.encoding))
                             : u"格式：%1"_s.arg(formatName(m_read.format)));
    fillMapping();
    fillRows();
    updatePlan();
    setTabOrder();
}

void TImportPreview::chooseTarget(int table, const QString &title, int target) {
    Q_UNUSED(table)   // a title means the same in every sheet of a file
    m_options.targets.insert(comparableTitle(title), target);
    ReadResult again = readBytes(m_bytes, m_path, {}, m_options);
    if (!again.ok()) {
        m_options.targets.remove(comparableTitle(title));
        txl::ui::notice(again.error, u"错误"_s);
    } else {
        m_read = std::move(again);
    }
    showRead();
}

void TImportPreview::fillMapping() {
    TableMapping->setRowCount(0);
    if (m_read.format == Format::VCard) {
        for (const auto &[property, column] : VCardMapping)
            addRow(TableMapping, {property, column});
        return;
    }
    const bool sheets = m_read.tables.size() > 1;
    for (qsizetype t = 0; t < m_read.tables.size(); ++t) {
        const Table &table = m_read.tables.at(t);
        if (sheets)
            addRow(TableMapping, {u"工作表“%1”"_s.arg(table.sheet), table.absent});
        for (qsizetype i = 0; i < table.titles.size(); ++i) {
            const QString &title = table.titles.at(i);
            const int target = table.meanings.value(i).target;
            if (title.trimmed().isEmpty() && target < 0)
                continue;
            const int row = TableMapping->rowCount();
            addRow(TableMapping, {title, targetName(target)});
            // The user may take the column as another or leave it out.
            auto *choice = new QComboBox(TableMapping);
            choice->setObjectName(u"ChooseTarget"_s);
            choice->setAccessibleName(u"“%1”导入为"_s.arg(title));
            choice->addItem(targetName(-1), -1);
            for (int p = 0; p < PartEnd; ++p)
                choice->addItem(targetName(p), p);
            choice->setCurrentIndex(choice->findData(target));
            TableMapping->setCellWidget(row, 1, choice);
            connect(choice, &QComboBox::activated, this, txl::ui::guard([this, choice, t, title] {
                        chooseTarget(static_cast<int>(t), title, choice->currentData().toInt());
                    }));
        }
    }
}

// Tab goes through the window in reading order: the columns and their choices, the rows, the
// problems, the check box, the buttons.
void TImportPreview::setTabOrder() {
    QList<QWidget *> chain{TableMapping};
    for (int r = 0; r < TableMapping->rowCount(); ++r) {
        if (QWidget *choice = TableMapping->cellWidget(r, 1))
            chain << choice;
    }
    chain << TableRows << TableProblems << CheckDuplicates << Button1 << Button2;
    for (qsizetype i = 0; i + 1 < chain.size(); ++i)
        QWidget::setTabOrder(chain.at(i), chain.at(i + 1));
}

void TImportPreview::fillRows() {
    TableRows->setRowCount(0);
    for (const ReadResult::Sample &sample : m_read.firstRows) {
        // Shown as they will be stored; a refused row as it stands in the file.
        const QStringList values = sample.record >= 0 ? m_read.records.at(sample.record).values() : sample.values;
        addRow(TableRows, QStringList{placeName(m_read, sample.table, sample.line)} + values);
    }
}

void TImportPreview::updatePlan() {
    m_plan = planImport(m_read, m_names, duplicates());
    LabelCounts->setText(u"可以导入 %1 位联系人；重名跳过 %2 位；有误拒绝 %3 行；警告 %4 条。"_s.arg(m_plan.rows)
                             .arg(m_plan.skipped.count())
                             .arg(m_read.refused.count())
                             .arg(m_read.warnings.count()));
    TableProblems->setRowCount(0);
    QList<std::pair<Problem, QString>> problems;
    for (const Problem &p : m_read.remarks.listed())
        problems.append({p, u"说明"_s});
    for (const Problem &p : m_read.refused.listed())
        problems.append({p, u"拒绝"_s});
    for (const Problem &p : m_plan.skipped.listed())
        problems.append({p, u"跳过"_s});
    for (const Problem &p : m_read.warnings.listed())
        problems.append({p, u"警告"_s});
    std::stable_sort(problems.begin(), problems.end(), [](const auto &a, const auto &b) {
        return std::pair(a.first.table, a.first.line) < std::pair(b.first.table, b.first.line);
    });
    for (const auto &[p, what] : problems)
        addRow(TableProblems, {placeName(m_read, p.table, p.line), what, p.reason});
    const qsizetype more = m_read.refused.unlisted() + m_plan.skipped.unlisted() + m_read.warnings.unlisted();
    if (more > 0)
        addRow(TableProblems, {u"……"_s, QString(), u"另有 %1 行没有列出"_s.arg(more)});
    Button1->setEnabled(m_plan.rows > 0);
}

void TImportPreview::Button1Click() {
    m_accepted = true;
    close();
}

void TImportPreview::Button2Click() {
    close();
}

std::optional<ImportSummary> TImportPreview::run(QWidget *parent) {
    const QString path = txl::print::FileDialog::openFileName(
        parent, u"导入联系人"_s, u"联系人文件 (*.xlsx *.ods *.csv *.vcf *.vcard *.txt);;所有文件 (*)"_s, u"import"_s);
    if (path.isEmpty())
        return std::nullopt;

    FileBytes file;
    ReadResult read;
    {
        ExchangeProgress progress(parent, u"正在读取文件……"_s);
        const Progress report = progress.report();
        file = readFileBytes(path,
                             [&](qint64 done, qint64 total) { return report(done / 5, std::max<qint64>(total, 1)); });
        if (file.error.isEmpty())
            read = readBytes(file.bytes, path, [&](qint64 done, qint64 total) {
                return report(total / 5 + done * 4 / 5, std::max<qint64>(total, 1));
            });
    }
    if (!file.error.isEmpty() || !read.ok()) {
        txl::ui::notice(file.error.isEmpty() ? read.error : file.error, u"错误"_s);
        return std::nullopt;
    }

    txl::db::Connection &con = DataModule1->con;
    const std::unique_ptr<TImportPreview> form(
        new TImportPreview(path, std::move(file.bytes), std::move(read), namesInBook(con)));
    form->showModal();
    if (!form->accepted())
        return std::nullopt;

    ImportSummary summary;
    try {
        ExchangeProgress progress(parent, u"正在导入联系人……"_s);
        summary = importContacts(con, form->read(), form->duplicates(), progress.report());
    } catch (const Cancelled &) {
        txl::ui::notice(u"导入已取消，通讯录没有改变。"_s);
        return std::nullopt;
    } catch (const txl::db::DbError &e) {
        txl::ui::notice(u"导入失败，通讯录没有改变：%1"_s.arg(e.message()), u"错误"_s);
        return std::nullopt;
    }
    return summary;
}

QString TImportPreview::doneText(const ImportSummary &summary) {
    const QString done = u"导入完成：导入 %1 位联系人，跳过 %2 位，拒绝 %3 行。"_s.arg(summary.imported)
                             .arg(summary.skipped.count())
                             .arg(summary.refused.count());
    if (summary.warnings.isEmpty())
        return done;
    return done + u"有 %1 位联系人的个别内容无法读出，已留空（见导入前的警告）。"_s.arg(summary.warnings.count());
}
