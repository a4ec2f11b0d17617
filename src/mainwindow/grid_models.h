// The memory and port grids: a model over the machine's memory or ports (16 bytes a row, headings from
// the grid's format string) and the table view that shows it with the grid's row and column numbering.
//
// Grid numbering counts the heading row and column as 0, as the window's procedures do: the byte at
// address a is in row a div 16 + 1, column a mod 16 + 1; the top row is the first data row in view.
//
//   GridModel mem(machine.mem.data(), 4096, 4);   // rows headed "0000" ... "FFF0"
//   mem.cellWritten(0x1234);                        // dataChanged for row 291, column 4
//   view.setCurrentCell(292, 5); view.setTopRow(291);
#pragma once

#include <QAbstractTableModel>
#include <QStringList>
#include <QTableView>
#include <QVector>
#include <climits>

namespace vandor {

// The format string of a grid: "|> 0|> 1 … |> F;" and then "|" + each row's first address in
// `rowDigits` hexadecimal digits.
QString gridFormatString(int rows, int rowDigits);

// The headings a format string gives: cells separated by "|", column headings before ";" and row
// headings after it; a leading "<", "^" or ">" in a column heading sets its alignment.
struct GridHeadings {
    QStringList columnTitles;            // data columns only (the corner cell is dropped)
    QVector<Qt::Alignment> columnAlignment;
    QStringList rowTitles;               // data rows only
};
GridHeadings parseFormatString(const QString& format);

class GridModel final : public QAbstractTableModel {
    Q_OBJECT
public:
    // `bytes` is the machine's memory or ports, read whenever a cell is drawn.
    GridModel(const uint8_t* bytes, int rows, QObject* parent = nullptr);

    void setHeadings(const GridHeadings& headings);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

    // One byte was written: its cell changes at once, or at the next flush while deferred.
    void cellWritten(int address) {
        if (!deferred_) {
            emitChanged(address, address);
            return;
        }
        if (address < dirtyLow_) dirtyLow_ = address;
        if (address > dirtyHigh_) dirtyHigh_ = address;
    }
    void setDeferred(bool deferred);
    void flush();
    // Every cell drawn again (after the bytes changed without a write being told).
    void refreshAll();

    QString cellText(int address) const;

private:
    void emitChanged(int low, int high);

    const uint8_t* bytes_;
    int rows_;
    GridHeadings headings_;
    bool deferred_ = false;
    int dirtyLow_ = INT_MAX;
    int dirtyHigh_ = -1;
};

// The view: fixed heading row and column, single-cell selection, and a scroll range that lets the top
// row go down to the last data row (as the grid's top row may be set to any row).
class GridView final : public QTableView {
    Q_OBJECT
public:
    explicit GridView(QWidget* parent = nullptr);

    void setGridModel(GridModel* model);
    // The width that shows the heading column, the 16 data columns and the scroll bar.
    int fullWidth() const;

    int currentRowNumber() const { return currentIndex().row() + 1; }
    int currentColumnNumber() const { return currentIndex().column() + 1; }
    void setCurrentCell(int row, int column);
    int topRow() const;
    void setTopRow(int row);

protected:
    void updateGeometries() override;
};

}  // namespace vandor
