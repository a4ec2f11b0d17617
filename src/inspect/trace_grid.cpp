#include "inspect/trace_grid.h"

#include <QElapsedTimer>
#include <QHeaderView>
#include <QPainter>
#include <QScrollBar>
#include <algorithm>

namespace vandor {

TraceGrid::TraceGrid(QWidget* parent) : QAbstractItemView(parent), header_(new QHeaderView(Qt::Horizontal, this)) {
    header_->setSectionsClickable(false);
    header_->setHighlightSections(false);
    connect(header_, &QHeaderView::sectionResized, this, [this] {
        updateGeometries();
        viewport()->update();
    });
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setSelectionBehavior(QAbstractItemView::SelectItems);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
    setVerticalScrollMode(QAbstractItemView::ScrollPerItem);
}

void TraceGrid::setModel(QAbstractItemModel* model) {
    QAbstractItemView::setModel(model);
    header_->setModel(model);
    updateGeometries();
}

void TraceGrid::setRowHeight(int height) {
    rowHeight_ = std::max(1, height);
    updateGeometries();
    viewport()->update();
}

int TraceGrid::columnWidth(int column) const { return header_->sectionSize(column); }

int TraceGrid::rows() const { return model() ? model()->rowCount() : 0; }

int TraceGrid::topRow() const { return verticalScrollBar()->value(); }

int TraceGrid::rowsInView() const { return std::max(1, viewport()->height() / rowHeight_); }

int TraceGrid::rowAt(int y) const {
    if (y < 0) return -1;
    const int row = topRow() + y / rowHeight_;
    return row < rows() ? row : -1;
}

void TraceGrid::scrollToTopRow(int row) {
    updateGeometries();
    verticalScrollBar()->setValue(row);
}

QRect TraceGrid::visualRect(const QModelIndex& index) const {
    if (!index.isValid()) return {};
    return QRect(header_->sectionViewportPosition(index.column()), (index.row() - topRow()) * rowHeight_,
                 header_->sectionSize(index.column()), rowHeight_);
}

void TraceGrid::scrollTo(const QModelIndex& index, ScrollHint hint) {
    if (!index.isValid()) return;
    const int row = index.row();
    const int inView = rowsInView();
    int top = topRow();
    switch (hint) {
    case PositionAtTop: top = row; break;
    case PositionAtBottom: top = row - inView + 1; break;
    case PositionAtCenter: top = row - inView / 2; break;
    case EnsureVisible:
        if (row < top) top = row;
        else if (row >= top + inView) top = row - inView + 1;
        break;
    }
    verticalScrollBar()->setValue(top);
    const QRect cell = visualRect(index);
    QScrollBar* across = horizontalScrollBar();
    if (cell.left() < 0) across->setValue(across->value() + cell.left());
    else if (cell.right() > viewport()->width()) across->setValue(across->value() + cell.right() - viewport()->width());
}

QModelIndex TraceGrid::indexAt(const QPoint& point) const {
    const int row = rowAt(point.y());
    const int column = header_->logicalIndexAt(point.x());
    if (row < 0 || column < 0 || !model()) return {};
    return model()->index(row, column);
}

QModelIndex TraceGrid::moveCursor(CursorAction cursorAction, Qt::KeyboardModifiers) {
    if (!model() || rows() == 0) return {};
    const QModelIndex current = currentIndex();
    int row = current.isValid() ? current.row() : topRow();
    int column = current.isValid() ? current.column() : 0;
    const int columns = model()->columnCount();
    switch (cursorAction) {
    case MoveUp: --row; break;
    case MoveDown: ++row; break;
    case MoveLeft:
    case MovePrevious: --column; break;
    case MoveRight:
    case MoveNext: ++column; break;
    case MovePageUp: row -= rowsInView(); break;
    case MovePageDown: row += rowsInView(); break;
    case MoveHome: row = 0; break;
    case MoveEnd: row = rows() - 1; break;
    }
    return model()->index(std::clamp(row, 0, rows() - 1), std::clamp(column, 0, columns - 1));
}

int TraceGrid::horizontalOffset() const { return horizontalScrollBar()->value(); }

int TraceGrid::verticalOffset() const { return topRow() * rowHeight_; }

bool TraceGrid::isIndexHidden(const QModelIndex&) const { return false; }

void TraceGrid::setSelection(const QRect& rect, QItemSelectionModel::SelectionFlags command) {
    if (!model() || !selectionModel()) return;
    const QRect r = rect.normalized();
    const int firstRow = std::max(0, rowAt(std::max(0, r.top())));
    int lastRow = rowAt(r.bottom());
    if (lastRow < 0) lastRow = rows() - 1;
    int firstColumn = header_->logicalIndexAt(std::max(0, r.left()));
    int lastColumn = header_->logicalIndexAt(r.right());
    if (firstColumn < 0) firstColumn = 0;
    if (lastColumn < 0) lastColumn = model()->columnCount() - 1;
    if (lastRow < firstRow || rows() == 0) return;
    const QItemSelection selection(model()->index(firstRow, firstColumn), model()->index(lastRow, lastColumn));
    selectionModel()->select(selection, command);
}

QRegion TraceGrid::visualRegionForSelection(const QItemSelection& selection) const {
    QRegion region;
    const int top = topRow(), bottom = top + rowsInView() + 1;
    for (const QItemSelectionRange& range : selection) {
        const int first = std::max(range.top(), top), last = std::min(range.bottom(), bottom);
        if (first > last) continue;
        const QRect from = visualRect(model()->index(first, range.left()));
        const QRect to = visualRect(model()->index(last, range.right()));
        region += from.united(to);
    }
    return region;
}

void TraceGrid::updateGeometries() {
    const int headerHeight = header_->sizeHint().height();
    setViewportMargins(0, headerHeight, 0, 0);
    const QRect area = viewport()->geometry();
    header_->setGeometry(area.left(), area.top() - headerHeight, area.width(), headerHeight);
    header_->setOffset(horizontalScrollBar()->value());

    QScrollBar* down = verticalScrollBar();
    down->setSingleStep(1);
    down->setPageStep(rowsInView());
    down->setRange(0, std::max(0, rows() - rowsInView()));
    QScrollBar* across = horizontalScrollBar();
    across->setSingleStep(20);
    across->setPageStep(viewport()->width());
    across->setRange(0, std::max(0, header_->length() - viewport()->width()));
    QAbstractItemView::updateGeometries();
}

void TraceGrid::scrollContentsBy(int dx, int) {
    if (dx != 0) header_->setOffset(horizontalScrollBar()->value());
    viewport()->update();
}

void TraceGrid::paintEvent(QPaintEvent*) {
    QElapsedTimer clock;
    clock.start();
    QPainter painter(viewport());
    if (!model()) return;
    QStyleOptionViewItem option;
    initViewItemOption(&option);
    const int top = topRow();
    const int last = std::min(rows() - 1, top + rowsInView());
    const int columns = model()->columnCount();
    const QModelIndex current = currentIndex();
    const QColor gridColor = palette().color(QPalette::Mid);
    for (int row = top; row <= last; ++row) {
        for (int column = 0; column < columns; ++column) {
            const QModelIndex index = model()->index(row, column);
            QStyleOptionViewItem cell = option;
            cell.rect = visualRect(index);
            if (cell.rect.right() < 0 || cell.rect.left() > viewport()->width()) continue;
            if (selectionModel() && selectionModel()->isSelected(index)) cell.state |= QStyle::State_Selected;
            if (index == current && hasFocus()) cell.state |= QStyle::State_HasFocus;
            itemDelegate()->paint(&painter, cell, index);
            painter.setPen(gridColor);
            painter.drawLine(cell.rect.topRight(), cell.rect.bottomRight());
            painter.drawLine(cell.rect.bottomLeft(), cell.rect.bottomRight());
        }
    }
    paintCost_ = clock.elapsed();
}

void TraceGrid::dataChanged(const QModelIndex& topLeft, const QModelIndex& bottomRight, const QList<int>& roles) {
    // Only the rows in view are drawn: a change over more rows than that (a full trace's rows all moving
    // up) is one repaint, where the item view's own handling would measure every cell of the range.
    if (bottomRight.row() - topLeft.row() > rowsInView()) {
        viewport()->update();
        return;
    }
    QAbstractItemView::dataChanged(topLeft, bottomRight, roles);
}

void TraceGrid::rowsInserted(const QModelIndex& parent, int start, int end) {
    // Only the scroll range changes: nothing is kept per row.
    QAbstractItemView::rowsInserted(parent, start, end);
    updateGeometries();
    viewport()->update();
}

void TraceGrid::rowsAboutToBeRemoved(const QModelIndex& parent, int start, int end) {
    QAbstractItemView::rowsAboutToBeRemoved(parent, start, end);
    viewport()->update();
}

void TraceGrid::reset() {
    QAbstractItemView::reset();
    updateGeometries();
    viewport()->update();
}

}  // namespace vandor
