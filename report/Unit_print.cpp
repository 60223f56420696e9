#include "report/Unit_print.h"

#include "data/Schema.h"
#include "data/U2.h"
#include "platform/os/Regional.h"
#include "platform/print/PreviewWindow.h"
#include "platform/print/QueryRowSource.h"

#include <QCoreApplication>

using namespace Qt::StringLiterals;
using txl::print::Band;
using txl::print::Element;

TFrm_printer *Frm_printer = nullptr;

namespace {

// The time label of the page footer.
const QString TimeLabel = u"QRLabel_time"_s;

constexpr qreal CellHeight = 10.58;

// One column of the table, in millimetres from the band's left edge and top.
struct ColumnDesign {
    txl::schema::Contact column;   // its title is the column's name
    qreal cellLeft;
    qreal cellWidth;
    qreal titleLeft;
    qreal valueLeft;
    qreal titleTop;
    qreal valueTop;
};

// Neighbouring cells overlap by one design pixel, so they share their borders.
using namespace txl::schema;
const ColumnDesign Columns[] = {
    {Name, 0.00, 23.55, 1.85, 1.85, 3.44, 3.70},          {Sex, 23.28, 10.85, 23.81, 23.81, 3.44, 3.70},
    {Birth, 33.87, 19.31, 35.19, 34.92, 3.44, 3.70},      {Mobile, 52.92, 21.43, 53.71, 53.71, 3.70, 3.70},
    {Dormitory, 74.08, 21.43, 75.14, 74.88, 3.70, 3.70},  {HomePhone, 95.25, 23.55, 96.84, 96.31, 3.70, 3.70},
    {QQ, 118.53, 19.31, 120.12, 119.59, 3.70, 3.70},      {Email, 137.58, 23.55, 138.64, 138.38, 3.70, 3.70},
    {Address, 160.87, 28.84, 161.66, 161.66, 3.97, 3.44},
};
static_assert(std::size(Columns) == ContactColumnCount, "every contact column is printed");

}   // namespace

TFrm_printer::TFrm_printer() : txl::ui::Form(u"Frm_printer"_s) {
    setWindowTitle(u"Frm_printer"_s);
    designReport();
    Frm_printer = this;
    // Never freed by the command that made it: it goes when the program ends.
    if (QCoreApplication *app = QCoreApplication::instance())
        connect(app, &QCoreApplication::aboutToQuit, this, &QObject::deleteLater);
    runCreate();
}

TFrm_printer::~TFrm_printer() {
    if (Frm_printer == this)
        Frm_printer = nullptr;
}

void TFrm_printer::designReport() {
    Report1.paper = QSizeF(210, 297);
    Report1.margins = QMarginsF(10, 10, 10, 10);
    Report1.fontFamily = u"Arial"_s;
    Report1.borderPoints = 1;

    Report1.pageHeader.height = 11.38;
    Report1.pageHeader.elements = {Element::label(u"QRLabel_title"_s, {86.78, 4.23}, u"同学录"_s, 10)};

    Report1.columnHeader.height = CellHeight;
    Report1.detail.height = CellHeight;
    Report1.fields.clear();
    int index = 0;
    for (const ColumnDesign &c : Columns) {
        const QString &field = contactColumn(c.column);
        const QRectF cell(c.cellLeft, 0, c.cellWidth, CellHeight);
        // Cell before text, column by column: a value wider than its cell is covered at the
        // next cell's border.
        Report1.columnHeader.elements.push_back(Element::shape(u"QRShape_t%1"_s.arg(index + 1), cell));
        Report1.columnHeader.elements.push_back(
            Element::label(u"QRLabel_t%1"_s.arg(index + 1), {c.titleLeft, c.titleTop}, field, 9));
        Report1.detail.elements.push_back(Element::shape(u"QRShape_d%1"_s.arg(index + 1), cell));
        Report1.detail.elements.push_back(
            Element::dataField(u"QRDBText_%1"_s.arg(index + 1), {c.valueLeft, c.valueTop}, index, 9));
        Report1.fields.append(field);
        ++index;
    }

    Report1.pageFooter.height = CellHeight;
    Report1.pageFooter.elements = {Element::label(u"QRLabel_printed"_s, {127.00, 4.23}, u"打印时间："_s, 9),
                                   Element::label(TimeLabel, {143.93, 4.23}, QString(), 9)};
}

void TFrm_printer::FormCreate() {
    // The time the command was given: the same on every page and in every later print.
    m_printTime = QDateTime::currentDateTime();
    Report1.pageFooter.find(TimeLabel)->text = printTimeText();
}

QString TFrm_printer::printTimeText() const {
    return txl::os::dateTimeText(m_printTime);
}

txl::print::ReportJob TFrm_printer::reportJob() const {
    txl::print::ReportJob job;
    job.definition = Report1;
    // The print queue and a saved file name the report with the moment it was made.
    job.title = u"同学录 %1"_s.arg(printTimeText());
    job.rows = [fields = Report1.fields]() -> std::unique_ptr<txl::print::RowSource> {
        if (DataModule1 == nullptr)
            return nullptr;
        return std::make_unique<txl::print::QueryRowSource>(DataModule1->query, fields);
    };
    return job;
}

void TFrm_printer::previewReport() {
    // The preview belongs to this form; it frees itself (and its pages) when it is closed.
    auto *preview = new txl::print::PreviewWindow(this);
    preview->preview(reportJob());
    preview->waitUntilClosed();
}
