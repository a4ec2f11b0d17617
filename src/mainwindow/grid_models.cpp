#include "mainwindow/grid_models.h"

#include <QHeaderView>
#include <QKeyEvent>
#include <QPainter>
#include <QStyleOptionHeader>
#include <QScrollBar>
#include <QStyle>
#include <climits>

#include "common/hex.h"
#include "widgets/twips.h"
#include "widgets/compact_lines.h"

namespace vandor {
namespace {

constexpr int kColumns = GridModel::kByteColumns;
// Cell text margins: the item view's 3 pixels a side, and the grid line.
constexpr int kCellMargins = 7;

Qt::Alignment alignmentOf(QChar mark) {
    if (mark == QLatin1Char('<')) return Qt::AlignLeft | Qt::AlignVCenter;
    if (mark == QLatin1Char('^')) return Qt::AlignHCenter | Qt::AlignVCenter;
    return Qt::AlignRight | Qt::AlignVCenter;
}

int hexDigitValue(QChar c) {
    const ushort u = c.unicode();
    if (u >= '0' && u <= '9') return u - '0';
    if (u >= 'A' && u <= 'F') return u - 'A' + 10;
    if (u >= 'a' && u <= 'f') return u - 'a' + 10;
    return -1;
}

// A heading row or column whose titles are drawn on the rows' compact baseline: the style's own
// margins would leave a short row's title too little height.
class GridHeader final : public QHeaderView {
public:
    using QHeaderView::QHeaderView;

protected:
    void paintSection(QPainter* painter, const QRect& rect, int logicalIndex) const override {
        if (!rect.isValid()) return;
        QStyleOptionHeader option;
        initStyleOption(&option);
        option.rect = rect;
        option.section = logicalIndex;
        style()->drawControl(QStyle::CE_HeaderSection, &option, painter, this);
        const QVariant text = model()->headerData(logicalIndex, orientation(), Qt::DisplayRole);
        const QVariant alignment = model()->headerData(logicalIndex, orientation(), Qt::TextAlignmentRole);
        painter->save();
        painter->setPen(palette().color(QPalette::ButtonText));
        drawCompactText(painter, rect.adjusted(kCellMargins / 2, 0, -kCellMargins / 2, 0), font(), text.toString(),
                        alignment.isValid() ? Qt::Alignment(alignment.toInt()) : Qt::AlignCenter);
        painter->restore();
    }
};

}  // namespace

QChar shownCharacter(uint8_t byte) { return byte >= 0x20 && byte <= 0x7E ? QChar(byte) : QLatin1Char('.'); }

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

GridModel::GridModel(const uint8_t* bytes, int rows, Text text, QObject* parent)
    : QAbstractTableModel(parent),
      bytes_(bytes),
      rows_(rows),
      text_(text),
      changed_(static_cast<size_t>(rows * kColumns), 0) {}

void GridModel::setHeadings(const GridHeadings& headings) {
    headings_ = headings;
    emit headerDataChanged(Qt::Horizontal, 0, columnCount() - 1);
    emit headerDataChanged(Qt::Vertical, 0, rows_ - 1);
}

int GridModel::rowCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : rows_; }
int GridModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : kColumns + (hasTextColumn() ? 1 : 0);
}

QString GridModel::cellText(int address) const {
    const uint8_t v = bytes_[address];
    const QChar text[2] = {QLatin1Char(kHexDigits[v >> 4]), QLatin1Char(kHexDigits[v & 15])};
    return QString(text, 2);
}

QString GridModel::rowText(int row) const {
    QString text(kColumns, QLatin1Char(' '));
    for (int c = 0; c < kColumns; ++c) text[c] = shownCharacter(bytes_[row * kColumns + c]);
    return text;
}

QVariant GridModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid()) return {};
    if (index.column() >= kColumns) {
        if (role == Qt::DisplayRole) return rowText(index.row());
        if (role == Qt::TextAlignmentRole) return int(Qt::AlignLeft | Qt::AlignVCenter);
        // Not a cell to select: drawn in the text colour all the same.
        if (role == Qt::ForegroundRole && colors_.text.isValid()) return colors_.text;
        if (role == Qt::AccessibleTextRole)
            return QStringLiteral("Texto de la fila %1: %2").arg(headings_.rowTitles.value(index.row()), rowText(index.row()));
        if (role == Qt::AccessibleDescriptionRole) return QStringLiteral("Los 16 bytes de la fila como caracteres");
        return {};
    }
    const int address = index.row() * kColumns + index.column();
    switch (role) {
    case Qt::DisplayRole:
        if (address == pendingAddress_) return QString(pendingDigit_) + QLatin1Char('_');
        return cellText(address);
    case Qt::TextAlignmentRole: return int(Qt::AlignRight | Qt::AlignVCenter);
    case Qt::FontRole:
        if (isChanged(address)) {
            QFont bold;
            bold.setBold(true);
            return bold;
        }
        return {};
    case Qt::BackgroundRole:
        if (isChanged(address) && colors_.background.isValid()) return colors_.background;
        return {};
    case Qt::ForegroundRole:
        if (isChanged(address) && colors_.text.isValid()) return colors_.text;
        return {};
    case Qt::AccessibleTextRole: {
        const int digits = rows_ * kColumns > 256 ? 4 : 2;
        return QStringLiteral("%1 %2: %3").arg(noun_, QString::fromLatin1(hexa(address, digits)), cellText(address));
    }
    case Qt::AccessibleDescriptionRole:
        return isChanged(address) ? QStringLiteral("Cambiado por la última acción. Escriba dos cifras hexadecimales para cambiarlo")
                                  : QStringLiteral("Escriba dos cifras hexadecimales para cambiarlo");
    default: return {};
    }
}

QVariant GridModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation == Qt::Horizontal) {
        if (section == kColumns && hasTextColumn()) {
            if (role == Qt::DisplayRole) return QStringLiteral("Texto");
            if (role == Qt::TextAlignmentRole) return int(Qt::AlignLeft | Qt::AlignVCenter);
            return {};
        }
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

Qt::ItemFlags GridModel::flags(const QModelIndex& index) const {
    if (!index.isValid() || index.column() >= kColumns) return Qt::NoItemFlags;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable;
}

void GridModel::emitChanged(int low, int high) {
    const int firstRow = low / kColumns, lastRow = high / kColumns;
    if (firstRow == lastRow) {
        emit dataChanged(index(firstRow, low % kColumns), index(lastRow, high % kColumns));
    } else {
        emit dataChanged(index(firstRow, 0), index(lastRow, kColumns - 1));
    }
    // The rows' text column shows the same bytes.
    if (hasTextColumn()) emit dataChanged(index(firstRow, textColumn()), index(lastRow, textColumn()));
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

void GridModel::refreshAll() { emitChanged(0, cells() - 1); }

void GridModel::setChanged(std::vector<int> addresses) {
    if (addresses.empty() && changedList_.empty()) return;
    int low = INT_MAX, high = -1;
    for (int a : changedList_) changed_[static_cast<size_t>(a)] = 0;
    for (const std::vector<int>* list : {&changedList_, &addresses}) {
        if (list->empty()) continue;
        low = std::min(low, list->front());
        high = std::max(high, list->back());
    }
    changedList_ = std::move(addresses);
    for (int a : changedList_) changed_[static_cast<size_t>(a)] = 1;
    emitChanged(low, high);
}

void GridModel::setHighlightColors(const HighlightColors& colors) {
    colors_ = colors;
    if (!changedList_.empty() || hasTextColumn()) refreshAll();
}

void GridModel::setPendingDigit(int address, QChar digit) {
    clearPendingDigit();
    pendingAddress_ = address;
    pendingDigit_ = digit.toUpper();
    emitChanged(address, address);
}

void GridModel::clearPendingDigit() {
    if (pendingAddress_ < 0) return;
    const int address = pendingAddress_;
    pendingAddress_ = -1;
    emitChanged(address, address);
}

GridView::GridView(QWidget* parent) : QTableView(parent) {
    setHorizontalHeader(new GridHeader(Qt::Horizontal, this));
    setVerticalHeader(new GridHeader(Qt::Vertical, this));
    setItemDelegate(new CompactLineDelegate(this));
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setSelectionBehavior(QAbstractItemView::SelectItems);
    setVerticalScrollMode(QAbstractItemView::ScrollPerItem);
    setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
    setCornerButtonEnabled(false);
    setWordWrap(false);
    setTextElideMode(Qt::ElideNone);
    setTabKeyNavigation(false);
    for (QHeaderView* header : {horizontalHeader(), verticalHeader()}) {
        header->setSectionResizeMode(QHeaderView::Fixed);
        header->setHighlightSections(false);
        header->setSectionsClickable(false);
    }
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setTextFont(fixedFont());
}

void GridView::setGridModel(GridModel* model) {
    model_ = model;
    setModel(model);
    model->setHighlightColors(highlightColors(palette()));
    setTextFont(font());
}

void GridView::setTextFont(const QFont& font) {
    setFont(font);
    horizontalHeader()->setFont(font);
    verticalHeader()->setFont(font);
    const QFontMetrics metrics(font);
    // A pixel more than a list's line: the grid line under each row.
    const int rowHeight = compactLineHeight(font) + 1;
    const int cellWidth = metrics.horizontalAdvance(QStringLiteral("00")) + kCellMargins;
    verticalHeader()->setMinimumSectionSize(rowHeight);
    verticalHeader()->setDefaultSectionSize(rowHeight);
    horizontalHeader()->setMinimumSectionSize(cellWidth);
    horizontalHeader()->setDefaultSectionSize(cellWidth);
    horizontalHeader()->setFixedHeight(rowHeight);
    verticalHeader()->setFixedWidth(metrics.horizontalAdvance(QStringLiteral("0000")) + kCellMargins);
    textColumnWidth_ = metrics.horizontalAdvance(QString(kColumns, QLatin1Char('0'))) + kCellMargins;
    if (model_ && model_->hasTextColumn()) {
        const bool hidden = isColumnHidden(model_->textColumn());
        horizontalHeader()->resizeSection(model_->textColumn(), textColumnWidth_);
        setColumnHidden(model_->textColumn(), hidden);
    }
}

int GridView::rowHeight() const { return verticalHeader()->defaultSectionSize(); }

int GridView::fullWidth(bool withText) const {
    int width = verticalHeader()->width() + kColumns * horizontalHeader()->defaultSectionSize() +
                style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, this) + 2 * frameWidth();
    if (withText && model_ && model_->hasTextColumn()) width += textColumnWidth_;
    return width;
}

int GridView::heightFor(int rows) const { return horizontalHeader()->height() + rows * rowHeight() + 2 * frameWidth(); }

int GridView::rowsInView() const { return viewport()->height() / std::max(1, rowHeight()); }

void GridView::setTextColumnShown(bool shown) {
    if (model_ && model_->hasTextColumn()) setColumnHidden(model_->textColumn(), !shown);
}

bool GridView::textColumnShown() const {
    return model_ && model_->hasTextColumn() && !isColumnHidden(model_->textColumn());
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

void GridView::cancelEntry() {
    if (model_) model_->clearPendingDigit();
}

// A digit typed into the current cell: the first waits in the cell, the second stores the byte and
// moves on to the next cell (the next row after the last column; the last cell stays).
bool GridView::typeDigit(QChar key) {
    const QModelIndex cell = currentIndex();
    if (!model_ || !cell.isValid() || cell.column() >= kColumns) return false;
    const int address = cell.row() * kColumns + cell.column();
    const int digit = hexDigitValue(key);
    if (model_->pendingAddress() != address) {
        model_->setPendingDigit(address, key);
        return true;
    }
    const int value = hexDigitValue(model_->data(cell, Qt::DisplayRole).toString().at(0)) * 16 + digit;
    model_->clearPendingDigit();
    if (storeByte) storeByte(address, static_cast<uint8_t>(value));
    const int next = address + 1;
    if (next < model_->rowCount() * kColumns) setCurrentCell(next / kColumns + 1, next % kColumns + 1);
    return true;
}

void GridView::keyPressEvent(QKeyEvent* event) {
    const bool entering = model_ && model_->pendingAddress() >= 0;
    if (entering && (event->key() == Qt::Key_Backspace || event->key() == Qt::Key_Escape)) {
        cancelEntry();
        return;
    }
    const QString text = event->text();
    const bool plainKey = !(event->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier));
    if (plainKey && text.size() == 1 && text[0].isPrint()) {
        if (hexDigitValue(text[0]) >= 0 && typeDigit(text[0])) return;
        if (beep) beep();
        return;
    }
    QTableView::keyPressEvent(event);
}

void GridView::focusOutEvent(QFocusEvent* event) {
    cancelEntry();
    QTableView::focusOutEvent(event);
}

void GridView::currentChanged(const QModelIndex& current, const QModelIndex& previous) {
    if (model_ && model_->pendingAddress() >= 0 && current != previous) cancelEntry();
    QTableView::currentChanged(current, previous);
}

void GridView::changeEvent(QEvent* event) {
    QTableView::changeEvent(event);
    if (event->type() == QEvent::PaletteChange && model_) model_->setHighlightColors(highlightColors(palette()));
}

}  // namespace vandor
