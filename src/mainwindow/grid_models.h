// The memory and port grids: a model over the machine's memory or ports (16 bytes a row, headings from
// the grid's format string, for memory a 17th column with the row's bytes as characters) and the table
// view that shows it with the grid's row and column numbering and lets the user type bytes into it like
// a hex editor.
//
// Grid numbering counts the heading row and column as 0, as the window's procedures do: the byte at
// address a is in row a div 16 + 1, column a mod 16 + 1; the top row is the first data row in view.
//
//   GridModel mem(machine.mem.data(), 4096, GridModel::Text::Shown);   // rows headed "0000" ... "FFF0"
//   mem.cellWritten(0x1234);                        // dataChanged for row 291, column 4 (and its text)
//   view.setCurrentCell(292, 5); view.setTopRow(291);
//   view.storeByte = [&](int a, uint8_t v) { sim.setMemory(a, v); };   // typing "3E" stores 3E
#pragma once

#include <QAbstractTableModel>
#include <QStringList>
#include <QTableView>
#include <QVector>
#include <climits>
#include <functional>
#include <vector>

#include "widgets/highlight.h"

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

// A byte as the grid's text column shows it: 20 to 7E as themselves, anything else ".".
QChar shownCharacter(uint8_t byte);

class GridModel final : public QAbstractTableModel {
    Q_OBJECT
public:
    static constexpr int kByteColumns = 16;
    enum class Text { None, Shown };  // the column of characters after the 16 bytes

    // `bytes` is the machine's memory or ports, read whenever a cell is drawn.
    GridModel(const uint8_t* bytes, int rows, Text text = Text::None, QObject* parent = nullptr);

    void setHeadings(const GridHeadings& headings);
    bool hasTextColumn() const { return text_ == Text::Shown; }
    int textColumn() const { return kByteColumns; }
    // How the cell of an address is read out: "dirección 0010, valor 3E" (and the memory or port word).
    void setAccessibleNoun(const QString& noun) { noun_ = noun; }

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

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
    // The row's 16 bytes as characters.
    QString rowText(int row) const;

    // The cells the last action changed, drawn bold on the highlight colours (a sorted list).
    void setChanged(std::vector<int> addresses);
    bool isChanged(int address) const { return changed_[static_cast<size_t>(address)] != 0; }
    void setHighlightColors(const HighlightColors& colors);

    // A byte being typed: its first digit shown in the cell ("3_") until the second completes it.
    void setPendingDigit(int address, QChar digit);
    void clearPendingDigit();
    int pendingAddress() const { return pendingAddress_; }

private:
    void emitChanged(int low, int high);
    int cells() const { return rows_ * kByteColumns; }

    const uint8_t* bytes_;
    int rows_;
    Text text_;
    QString noun_;
    GridHeadings headings_;
    bool deferred_ = false;
    int dirtyLow_ = INT_MAX;
    int dirtyHigh_ = -1;
    std::vector<uint8_t> changed_;
    std::vector<int> changedList_;
    HighlightColors colors_;
    int pendingAddress_ = -1;
    QChar pendingDigit_;
};

// The view: fixed heading row and column, single-cell selection, a scroll range that lets the top row go
// down to the last data row (as the grid's top row may be set to any row), and hex-editor typing: two
// hexadecimal digits store the selected cell's byte through storeByte and move to the next cell.
class GridView final : public QTableView {
    Q_OBJECT
public:
    explicit GridView(QWidget* parent = nullptr);

    void setGridModel(GridModel* model);
    GridModel* gridModel() const { return model_; }
    // The font of cells and headings; rows and columns sized to it.
    void setTextFont(const QFont& font);
    // The width that shows the heading column, the 16 byte columns (and the text column, when asked)
    // and the scroll bar; the height that shows the heading row and `rows` rows.
    int fullWidth(bool withText) const;
    int heightFor(int rows) const;
    int rowHeight() const;
    // Whether the text column is in view (it shows only when it fits whole).
    void setTextColumnShown(bool shown);
    bool textColumnShown() const;
    // Data rows wholly in view.
    int rowsInView() const;

    int currentRowNumber() const { return currentIndex().row() + 1; }
    int currentColumnNumber() const { return currentIndex().column() + 1; }
    void setCurrentCell(int row, int column);
    int topRow() const;
    void setTopRow(int row);

    // Stores a typed byte (the window's editing door); beep answers a key that is not a digit.
    std::function<void(int address, uint8_t value)> storeByte;
    std::function<void()> beep;

protected:
    void updateGeometries() override;
    void keyPressEvent(QKeyEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void currentChanged(const QModelIndex& current, const QModelIndex& previous) override;
    void changeEvent(QEvent* event) override;

private:
    bool typeDigit(QChar key);
    void cancelEntry();

    GridModel* model_ = nullptr;
    int textColumnWidth_ = 0;
};

}  // namespace vandor
