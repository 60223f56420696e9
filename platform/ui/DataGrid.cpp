#include "platform/ui/DataGrid.h"

#include "platform/db/Query.h"
#include "platform/ui/Guard.h"

#include <QAbstractButton>
#include <QApplication>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QStyledItemDelegate>

using namespace Qt::StringLiterals;

namespace txl::ui {

// --- QueryModel -----------------------------------------------------------------------------

QueryModel::QueryModel(txl::db::Query &query, QObject *parent) : QAbstractTableModel(parent), m_query(query) {
    connect(&m_query, &txl::db::Query::opened, this, &QueryModel::reload);
    connect(&m_query, &txl::db::Query::closed, this, &QueryModel::reload);
    connect(&m_query, &txl::db::Query::rowRemoved, this, &QueryModel::removeRow);
    connect(&m_query, &txl::db::Query::rowChanged, this, [this](int row) {
        if (row >= 0 && row < m_rows && m_columns > 0)
            Q_EMIT dataChanged(index(row, 0), index(row, m_columns - 1));
    });
    connect(&m_query, &txl::db::Query::currentChanged, this, &QueryModel::moveIndicator);
    reload();
}

void QueryModel::reload() {
    m_changing = true;
    beginResetModel();
    m_rows = m_query.isActive() ? m_query.recordCount() : 0;
    m_columns = m_query.isActive() ? m_query.columnCount() : 0;
    m_indicatorRow = m_query.isActive() ? m_query.currentRow() : -1;
    endResetModel();
    m_changing = false;
}

void QueryModel::removeRow(int row) {
    if (row < 0 || row >= m_rows) {
        reload();
        return;
    }
    m_changing = true;
    beginRemoveRows({}, row, row);
    --m_rows;
    endRemoveRows();
    m_changing = false;
    moveIndicator(m_query.currentRow());
}

void QueryModel::moveIndicator(int row) {
    const int previous = m_indicatorRow;
    m_indicatorRow = row;
    if (row != previous)
        Q_EMIT indicatorMoved(previous, row);
}

int QueryModel::rowCount(const QModelIndex &parent) const {
    return parent.isValid() ? 0 : m_rows;
}

int QueryModel::columnCount(const QModelIndex &parent) const {
    return parent.isValid() ? 0 : m_columns;
}

QVariant QueryModel::data(const QModelIndex &index, int role) const {
    if (role != Qt::DisplayRole || !index.isValid() || index.row() >= m_rows || index.column() >= m_columns)
        return {};
    return m_query.value(index.row(), index.column());
}

QVariant QueryModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation == Qt::Horizontal) {
        if (role == Qt::DisplayRole && section >= 0 && section < m_columns)
            return m_query.columnName(section);
        return {};
    }
    // The indicator column: a mark beside the current row, nothing beside the others.
    if (role == Qt::DisplayRole)
        return section == m_indicatorRow ? u"▶"_s : QString();
    if (role == Qt::TextAlignmentRole)
        return int(Qt::AlignCenter);
    return {};
}

// --- cells ----------------------------------------------------------------------------------

namespace {

// Draws a cell's text two pixels from its left edge, as the grid's design has it: with the style's
// wider margins a value at its entry limit (five Chinese characters in 64 pixels, twelve digits in
// 75) would lose its end in the designed widths. What does not fit ends in an ellipsis.
class CellDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    static constexpr int TextMargin = 2;

    void paint(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const override {
        QStyleOptionViewItem cell = option;
        initStyleOption(&cell, index);
        const QString text = cell.text;
        cell.text.clear();
        const QStyle *style = cell.widget != nullptr ? cell.widget->style() : QApplication::style();
        style->drawControl(QStyle::CE_ItemViewItem, &cell, painter, cell.widget);   // fill, selection

        const QRect room = cell.rect.adjusted(TextMargin, 0, 0, 0);
        const QPalette::ColorGroup group = !cell.state.testFlag(QStyle::State_Enabled) ? QPalette::Disabled
                                           : cell.state.testFlag(QStyle::State_Active) ? QPalette::Active
                                                                                       : QPalette::Inactive;
        const QPalette::ColorRole role = cell.state.testFlag(QStyle::State_Selected) ? QPalette::HighlightedText
                                                                                     : QPalette::Text;
        painter->save();
        painter->setFont(cell.font);
        painter->setPen(cell.palette.color(group, role));
        painter->drawText(room, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine,
                          cell.fontMetrics.elidedText(text, Qt::ElideRight, room.width()));
        painter->restore();
    }
};

}   // namespace

// --- DataGrid -------------------------------------------------------------------------------

DataGrid::DataGrid(txl::db::Query &query, QWidget *parent) : QTableView(parent), m_model(new QueryModel(query, this)) {
    setModel(m_model);
    setItemDelegate(new CellDelegate(this));
    setEditTriggers(NoEditTriggers);
    setSelectionBehavior(SelectRows);
    setSelectionMode(SingleSelection);
    setWordWrap(false);
    setCornerButtonEnabled(false);

    // Every row has the same height and nothing is measured per row, so a long result scrolls
    // as quickly as a short one.
    QHeaderView *rows = verticalHeader();
    rows->setSectionResizeMode(QHeaderView::Fixed);
    rows->setDefaultSectionSize(fontMetrics().height() + 6);
    rows->setFixedWidth(fontMetrics().horizontalAdvance(u"▶"_s) + 10);
    rows->setHighlightSections(false);

    QHeaderView *titles = horizontalHeader();
    titles->setSectionResizeMode(QHeaderView::Interactive);
    titles->setSectionsMovable(true);
    titles->setHighlightSections(false);
    titles->setStretchLastSection(false);

    // A double-click on the titles, the indicator column or the corner counts as one on the grid.
    titles->viewport()->installEventFilter(this);
    rows->viewport()->installEventFilter(this);
    for (QAbstractButton *corner : findChildren<QAbstractButton *>())
        corner->installEventFilter(this);

    // After a new result or a removed row the view is put back on the query's current row; the
    // model's own handlers have run by then.
    connect(m_model, &QAbstractItemModel::modelReset, this, [this] {
        applyColumnWidths();
        followQuery();
    });
    connect(m_model, &QAbstractItemModel::rowsRemoved, this, &DataGrid::followQuery);
    connect(&query, &txl::db::Query::currentChanged, this, &DataGrid::followQuery);
    connect(m_model, &QueryModel::indicatorMoved, this, [this](int previous, int current) {
        repaintIndicator(previous);
        repaintIndicator(current);
    });
    applyColumnWidths();
    followQuery();
}

void DataGrid::setColumnWidthFor(const QString &field, int width) {
    m_widths.insert(field, width);
    const int column = query().isActive() ? query().columnIndex(field) : -1;
    if (column >= 0)
        setColumnWidth(column, width);
}

void DataGrid::applyColumnWidths() {
    if (!query().isActive())
        return;
    for (auto it = m_widths.cbegin(); it != m_widths.cend(); ++it) {
        const int column = query().columnIndex(it.key());
        if (column >= 0)
            setColumnWidth(column, it.value());
    }
}

void DataGrid::repaintIndicator(int row) {
    if (row < 0 || row >= m_model->rowCount())
        return;
    QHeaderView *rows = verticalHeader();
    rows->viewport()->update(0, rows->sectionViewportPosition(row), rows->viewport()->width(), rows->sectionSize(row));
}

void DataGrid::followQuery() {
    m_following = true;
    const int row = query().isActive() ? query().currentRow() : -1;
    if (row >= 0 && row < m_model->rowCount()) {
        const int column = currentIndex().isValid() ? currentIndex().column() : 0;
        const QModelIndex target = m_model->index(row, column);
        selectionModel()->setCurrentIndex(target, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
        scrollTo(target);
    } else {
        selectionModel()->clearSelection();
        selectionModel()->setCurrentIndex({}, QItemSelectionModel::NoUpdate);
    }
    m_following = false;
}

void DataGrid::currentChanged(const QModelIndex &current, const QModelIndex &previous) {
    QTableView::currentChanged(current, previous);
    // Only the user's choice of a row moves the query; changes the view makes to follow the query
    // or the model do not.
    if (m_following || m_model->isChanging() || !current.isValid())
        return;
    if (current.row() == query().currentRow())
        return;
    const int row = current.row();
    if (!guarded([this, row] { query().moveTo(row); })) {
        // The move failed (a pending change could not be saved): back to where the query is.
        QMetaObject::invokeMethod(this, &DataGrid::followQuery, Qt::QueuedConnection);
    }
}

void DataGrid::mouseDoubleClickEvent(QMouseEvent *event) {
    QTableView::mouseDoubleClickEvent(event);
    Q_EMIT gridDblClick();
}

bool DataGrid::eventFilter(QObject *watched, QEvent *event) {
    if (event->type() == QEvent::MouseButtonDblClick &&
        (watched == horizontalHeader()->viewport() || watched == verticalHeader()->viewport() ||
         qobject_cast<QAbstractButton *>(watched) != nullptr)) {
        Q_EMIT gridDblClick();
        return true;   // a double-click on a title edge must not resize the column either
    }
    return QTableView::eventFilter(watched, event);
}

void DataGrid::keyPressEvent(QKeyEvent *event) {
    // The grid is read-only: Delete does nothing here (deleting is a command of the window).
    if (event->key() == Qt::Key_Delete) {
        event->accept();
        return;
    }
    QTableView::keyPressEvent(event);
}

}   // namespace txl::ui
