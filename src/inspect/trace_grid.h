// TraceGrid: the trace window's grid `lista`. An item view over the TraceModel that keeps nothing per
// row: rows all have one height, so any row's place follows from its number, and a trace of millions
// of rows costs the grid no more than a short one when rows are added or the grid is scrolled (a table
// view keeps a heading section per row, which grows with the trace and is walked again after each
// insertion). The column titles are an ordinary header; cells are drawn by the item delegate.
//
// The top row (the first in view) is the vertical scroll bar's value.
//
//   TraceGrid grid;
//   grid.setModel(&traceModel);
//   grid.setRowHeight(17);
//   grid.scrollToTopRow(rows - 10);   // the last ten rows in view
#pragma once

#include <QAbstractItemView>

class QHeaderView;

namespace vandor {

class TraceGrid final : public QAbstractItemView {
    Q_OBJECT
public:
    explicit TraceGrid(QWidget* parent = nullptr);

    void setModel(QAbstractItemModel* model) override;

    QHeaderView* horizontalHeader() const { return header_; }
    void setRowHeight(int height);
    int rowHeight() const { return rowHeight_; }
    int columnWidth(int column) const;
    // Rows wholly in view.
    int rowsInView() const;
    // The row at a height in the viewport, or -1 below the last row.
    int rowAt(int y) const;
    void scrollToTopRow(int row);

    QRect visualRect(const QModelIndex& index) const override;
    void scrollTo(const QModelIndex& index, ScrollHint hint = EnsureVisible) override;
    QModelIndex indexAt(const QPoint& point) const override;

    // How long the last repaint of the rows took (ms), part of what a catch-up costs.
    qint64 lastPaintCost() const { return paintCost_; }

protected:
    QModelIndex moveCursor(CursorAction cursorAction, Qt::KeyboardModifiers modifiers) override;
    int horizontalOffset() const override;
    int verticalOffset() const override;
    bool isIndexHidden(const QModelIndex& index) const override;
    void setSelection(const QRect& rect, QItemSelectionModel::SelectionFlags command) override;
    QRegion visualRegionForSelection(const QItemSelection& selection) const override;
    void updateGeometries() override;
    void paintEvent(QPaintEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;
    void dataChanged(const QModelIndex& topLeft, const QModelIndex& bottomRight,
                     const QList<int>& roles = QList<int>()) override;
    void rowsInserted(const QModelIndex& parent, int start, int end) override;
    void rowsAboutToBeRemoved(const QModelIndex& parent, int start, int end) override;
    void reset() override;

private:
    int rows() const;
    int topRow() const;

    QHeaderView* header_;
    int rowHeight_ = 17;
    qint64 paintCost_ = 0;
};

}  // namespace vandor
