#include "main/ImportPreview.h"

#include "data/Schema.h"
#include "data/U2.h"
#include "exchange/ContactFile.h"
#include "exchange/ContactImport.h"
#include "main/ExchangeProgress.h"
#include "platform/db/DbError.h"
#include "platform/print/FileDialog.h"
#include "platform/ui/Design.h"
#include "platform/ui/Guard.h"
#include "platform/ui/MessageBoxes.h"

#include <QCheckBox>
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

TImportPreview::TImportPreview(const QString &path, const ReadResult &read, NameSet namesInBook)
    : Form(u"ImportPreview"_s),
      m_read(read),
      m_names(std::move(namesInBook)) {
    setWindowTitle(u"导入联系人"_s);
    setClientSize(640, 520);
    setBorder(Border::FixedSingle);
    setFont(QFont(u"宋体"_s, 9));

    LabelFile = textLine(this, u"LabelFile"_s, 8);
    LabelFile->setText(u"文件：%1"_s.arg(QFileInfo(path).fileName()));
    LabelFormat = textLine(this, u"LabelFormat"_s, 28);
    LabelFormat->setText(read.format == Format::Xlsx
                             ? u"格式：%1"_s.arg(formatName(read.format))
                             : u"格式：%1，编码 %2"_s.arg(formatName(read.format), encodingName(read.encoding)));

    GroupBox1 = txl::ui::groupBox(this, u"GroupBox1"_s, u"列的对应"_s, {8, 52, 230, 210});
    TableMapping = table(GroupBox1, u"TableMapping"_s, {u"文件中的列"_s, u"导入为"_s}, {8, 18, 214, 184});
    TableMapping->setColumnWidth(0, 110);
    TableMapping->setAccessibleName(GroupBox1->title());
    GroupBox2 = txl::ui::groupBox(this, u"GroupBox2"_s, u"文件的前几行"_s, {244, 52, 388, 210});
    TableRows = table(GroupBox2, u"TableRows"_s, txl::schema::contactColumnNames(), {8, 18, 372, 184});
    TableRows->setAccessibleName(GroupBox2->title());

    LabelCounts = textLine(this, u"LabelCounts"_s, 270);
    GroupBox3 = txl::ui::groupBox(this, u"GroupBox3"_s, u"跳过和拒绝的行"_s, {8, 292, 624, 180});
    TableProblems = table(GroupBox3, u"TableProblems"_s, {u"位置"_s, u"处理"_s, u"原因"_s}, {8, 18, 608, 154});
    TableProblems->setColumnWidth(0, 80);
    TableProblems->setColumnWidth(1, 50);
    TableProblems->setAccessibleName(GroupBox3->title());

    CheckDuplicates = new QCheckBox(u"重名的联系人也导入"_s, this);
    CheckDuplicates->setObjectName(u"CheckDuplicates"_s);
    CheckDuplicates->setGeometry(12, 486, 200, 20);
    Button1 = txl::ui::pushButton(this, u"Button1"_s, u"导入"_s, {452, 484, 75, 25});
    Button2 = txl::ui::pushButton(this, u"Button2"_s, u"取消"_s, {548, 484, 75, 25});

    connect(CheckDuplicates, &QCheckBox::toggled, this, txl::ui::guard([this] { updatePlan(); }));
    connect(Button1, &QPushButton::clicked, this, txl::ui::guard(this, &TImportPreview::Button1Click));
    connect(Button2, &QPushButton::clicked, this, txl::ui::guard(this, &TImportPreview::Button2Click));

    fillMapping();
    fillRows();
    updatePlan();
    centreOnScreen();
    runCreate();
}

Duplicates TImportPreview::duplicates() const {
    return CheckDuplicates->isChecked() ? Duplicates::Add : Duplicates::Skip;
}

void TImportPreview::fillMapping() {
    if (m_read.format == Format::VCard) {
        for (const auto &[property, column] : VCardMapping)
            addRow(TableMapping, {property, column});
        return;
    }
    for (qsizetype i = 0; i < m_read.titles.size(); ++i) {
        const int column = m_read.mapping.value(i, -1);
        if (m_read.titles.at(i).trimmed().isEmpty() && column < 0)
            continue;
        addRow(TableMapping,
               {m_read.titles.at(i), column < 0 ? u"（不导入）"_s : txl::schema::ContactColumns[column].name});
    }
}

void TImportPreview::fillRows() {
    for (const QStringList &row : m_read.firstRows)
        addRow(TableRows, row);
}

void TImportPreview::updatePlan() {
    m_plan = planImport(m_read.records, m_names, duplicates());
    LabelCounts->setText(u"可以导入 %1 位联系人；重名跳过 %2 位；有误拒绝 %3 行。"_s.arg(m_plan.rows)
                             .arg(m_plan.skipped.count())
                             .arg(m_read.refused.count()));
    TableProblems->setRowCount(0);
    QList<std::pair<Problem, QString>> problems;
    for (const Problem &p : m_read.refused.listed())
        problems.append({p, u"拒绝"_s});
    for (const Problem &p : m_plan.skipped.listed())
        problems.append({p, u"跳过"_s});
    std::stable_sort(problems.begin(), problems.end(),
                     [](const auto &a, const auto &b) { return a.first.line < b.first.line; });
    for (const auto &[p, what] : problems)
        addRow(TableProblems, {placeName(p.line), what, p.reason});
    if (const qsizetype more = m_read.refused.unlisted() + m_plan.skipped.unlisted(); more > 0)
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
        parent, u"导入联系人"_s, u"联系人文件 (*.xlsx *.csv *.vcf *.vcard *.txt);;所有文件 (*)"_s);
    if (path.isEmpty())
        return std::nullopt;

    ReadResult read;
    {
        ExchangeProgress progress(parent, u"正在读取文件……"_s);
        read = readFile(path, progress.report());
    }
    if (!read.ok()) {
        txl::ui::notice(read.error, u"错误"_s);
        return std::nullopt;
    }

    txl::db::Connection &con = DataModule1->con;
    Duplicates choice = Duplicates::Skip;
    {
        const std::unique_ptr<TImportPreview> form(new TImportPreview(path, read, namesInBook(con)));
        form->showModal();
        if (!form->accepted())
            return std::nullopt;
        choice = form->duplicates();
    }

    ImportSummary summary;
    try {
        ExchangeProgress progress(parent, u"正在导入联系人……"_s);
        summary = importContacts(con, read, choice, progress.report());
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
    return u"导入完成：导入 %1 位联系人，跳过 %2 位，拒绝 %3 行。"_s.arg(summary.imported)
        .arg(summary.skipped.count())
        .arg(summary.refused.count());
}
