#include "mainwindow/grid_models.h"

#include <QHeaderView>
#include <QScrollBar>
#include <QStyle>
#include <climits>

#include "common/hex.h"
#include "widgets/twips.h"

namespace vandor {
namespace {

constexpr int kColumns = 16;

Qt::Alignment alignmentOf(QChar mark) {
    if (mark == QLatin1Char('<')) return Qt::AlignLeft | Qt::AlignVCenter;
    if (mark == QLatin1Char('^')) return Qt::AlignHCenter | Qt::AlignVCenter;
    return Qt::AlignRight | Qt::AlignVCenter;
}

}  // namespace

QString gridFormatString(int rows, int rowDigits) {
    QString format;
    format.reserve(kColumns * 4 + 1 + rows * (rowDigits + 1));
    for (int d = 0; d < kColumns; ++d) format += QStringLiteral("|> ") + QString::number(d, 16).toUpper();
    format += QLatin1Char(';');
    for (int r = 0; r < rows; ++r)
        format += QLatin1Char('|') + QString::fromStdString(hexa(r * kColumns, rowDigits));
    return format;
}

GridHeadings parseFormatString(const QString& format) {
    GridHeadings headings;
    const qsizetype semicolon = format.indexOf(QLatin1Char(';'));
    const QString columns = semicolon < 0 ? format : format.left(semicolon);
    const QString rows = semicolon < 0 ? QString() : format.mid(semicolon + 1);
    QStringList cells = columns.split(QLatin1Char('|'));
    cells.removeFirst();  // the heading of the fixed column
    for (QString cell : cells) {
        Qt::Alignment alignment = Qt::AlignLeft | Qt::AlignVCenter;
        if (!cell.isEmpty() && QStringLiteral("<^>").contains(cell[0])) {
            alignment = alignmentOf(cell[0]);
            cell.remove(0, 1);
        }
        headings.columnTitles << cell;
        headings.columnAlignment << alignment;
    }
    headings.rowTitles = rows.split(QLatin1Char('|'));
    headings.rowTitles.removeFirst();  // row 0 is the heading row
    return headings;
}

GridModel::GridModel(const uint8_t* bytes, int rows, QObject* parent)
    : QAbstractTableModel(parent), bytes_(bytes), rows_(rows) {}

void GridModel::setHeadings(const GridHeadings& headings) {
    headings_ = headings;
    emit headerDataChanged(Qt::Horizontal, 0, kColumns - 1);
    emit headerDataChanged(Qt::Vertical, 0, rows_ - 1);
}

int GridModel::rowCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : rows_; }
int GridModel::columnCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : kColumns; }

QString GridModel::cellText(int address) const {
    const uint8_t v = bytes_[address];
    const QChar text[2] = {QLatin1Char(kHexDigits[v >> 4]), QLatin1Char(kHexDigits[v & 15])};
    return QString(text, 2);
}

QVariant GridModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid()) return {};
    if (role == Qt::DisplayRole) return cellText(index.row() * kColumns + index.column());
    if (role == Qt::TextAlignmentRole) return int(Qt::AlignRight | Qt::AlignVCenter);
    return {};
}

QVariant GridModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation == Qt::Horizontal) {
        if (section < 0 || section >= headings_.columnTitles.size()) return {};
        if (role == Qt::DisplayRole) return headings_.columnTitles[section];
        if (role == Qt::TextAlignmentRole) return int(headings_.columnAlignment[section]);
        return {};
    }
    if (section < 0 || section >= headings_.rowTitles.size()) return {};
    if (role == Qt::DisplayRole) return headings_.rowTitles[section];
    if (role == Qt::TextAlignmentRole) return int(Qt::AlignLeft | Qt::AlignVCenter);
    return {};
}

void GridModel::emitChanged(int low, int high) {
    const int firstRow = low / kColumns, lastRow = high / kColumns;
    if (firstRow == lastRow) {
        emit dataChanged(index(firstRow, low % kColumns), index(lastRow, high % kColumns), {Qt::DisplayRole});
    } else {
        emit dataChanged(index(firstRow, 0), index(lastRow, kColumns - 1), {Qt::DisplayRole});
    }
}

void GridModel::setDeferred(bool deferred) {
    if (!deferred) flush();
    deferred_ = deferred;
}

void GridModel::flush() {
    if (dirtyHigh_ < 0) return;
    const int low = dirtyLow_, high = dirtyHigh_;
    dirtyLow_ = INT_MAX;
    dirtyHigh_ = -1;
    emitChanged(low, high);
}

void GridModel::refreshAll() { emitChanged(0, rows_ * kColumns - 1); }

GridView::GridView(QWidget* parent) : QTableView(parent) {
    setFont(fixedFont());
    horizontalHeader()->setFont(fixedFont());
    verticalHeader()->setFont(fixedFont());
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setSelectionBehavior(QAbstractItemView::SelectItems);
    setVerticalScrollMode(QAbstractItemView::ScrollPerItem);
    setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
    setCornerButtonEnabled(false);
    setWordWrap(false);
    setTextElideMode(Qt::ElideNone);
    setTabKeyNavigation(false);

    const QFontMetrics metrics(fixedFont());
    const int rowHeight = metrics.height() + 2;
    // Two digits and the item margins (3 px a side).
    const int cellWidth = metrics.horizontalAdvance(QStringLiteral("00")) + 6;
    for (QHeaderView* header : {horizontalHeader(), verticalHeader()}) {
        header->setSectionResizeMode(QHeaderView::Fixed);
        header->setHighlightSections(false);
        header->setSectionsClickable(false);
    }
    verticalHeader()->setMinimumSectionSize(rowHeight);
    verticalHeader()->setDefaultSectionSize(rowHeight);
    horizontalHeader()->setMinimumSectionSize(cellWidth);
    horizontalHeader()->setDefaultSectionSize(cellWidth);
    horizontalHeader()->setFixedHeight(rowHeight);
    verticalHeader()->setFixedWidth(metrics.horizontalAdvance(QStringLiteral("0000")) + 6);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
}

void GridView::setGridModel(GridModel* model) { setModel(model); }

int GridView::fullWidth() const {
    return verticalHeader()->width() + 16 * horizontalHeader()->defaultSectionSize() +
           style()->pixelMetric(QStyle::PM_ScrollBarExtent) + 2 * frameWidth();
}

void GridView::setCurrentCell(int row, int column) {
    const QModelIndex cell = model()->index(row - 1, column - 1);
    selectionModel()->setCurrentIndex(cell, QItemSelectionModel::ClearAndSelect);
}

int GridView::topRow() const { return verticalScrollBar()->value() + 1; }

void GridView::setTopRow(int row) { verticalScrollBar()->setValue(row - 1); }

void GridView::updateGeometries() {
    const int value = verticalScrollBar()->value();
    QTableView::updateGeometries();
    // Scrolling per row: any data row may be the top one, down to the last.
    if (model() && model()->rowCount() > 0) {
        verticalScrollBar()->setRange(0, model()->rowCount() - 1);
        verticalScrollBar()->setValue(value);
    }
}

}  // namespace vandor
