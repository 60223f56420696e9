#pragma once

#include <QAbstractTableModel>
#include <QHash>
#include <QTableView>

namespace txl::db {
class Query;
}

namespace txl::ui {

// A table model that reads a query's rows in place (nothing is copied) and tracks its result.
class QueryModel : public QAbstractTableModel {
    Q_OBJECT

public:
    explicit QueryModel(txl::db::Query &query, QObject *parent = nullptr);

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

    txl::db::Query &query() const { return m_query; }
    // True while the model is taking over a new result or dropping a row.
    bool isChanging() const { return m_changing; }

Q_SIGNALS:
    // The row indicator moved from one row to another (either may be -1). Views repaint those two
    // header sections; a headerDataChanged() would make the header re-measure itself on every move.
    void indicatorMoved(int previous, int current);

private:
    void reload();
    void removeRow(int row);
    void moveIndicator(int row);

    txl::db::Query &m_query;
    int m_rows = 0;
    int m_columns = 0;
    int m_indicatorRow = -1;
    bool m_changing = false;
};

// The data grid: a read-only view bound to a query. The selected row follows the query's current
// row and a click moves the query, both ways. It shows a row indicator in the vertical header.
class DataGrid : public QTableView {
    Q_OBJECT

public:
    explicit DataGrid(txl::db::Query &query, QWidget *parent = nullptr);

    txl::db::Query &query() const { return m_model->query(); }
    QueryModel *queryModel() const { return m_model; }
    // Sets the width of the column showing `field` (by the query's column name).
    void setColumnWidthFor(const QString &field, int width);

Q_SIGNALS:
    // Any double-click on the grid: a row, the titles, the indicator or the empty area.
    void gridDblClick();

protected:
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void currentChanged(const QModelIndex &current, const QModelIndex &previous) override;

private:
    void followQuery();
    void repaintIndicator(int row);
    void applyColumnWidths();

    QueryModel *m_model;
    QHash<QString, int> m_widths;   // by field name, kept across new results
    bool m_following = false;
};

}   // namespace txl::ui
