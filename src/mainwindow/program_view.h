// The list views of the main window: a model of text lines (the program view's disassembled lines with
// their addresses, the stack words) and the program view `prg` with its keys and scroll bar handed to
// the window, which applies the core's rules for moving past the list's ends (ProgramListing).
//
//   LinesModel lines;
//   int row = listing.listAround(m, m.pc);
//   lines.setLines(listing.texts(), listing.addresses());   // only changed rows are redrawn
//   prg.setCurrentLine(row);
#pragma once

#include <QAbstractListModel>
#include <QListView>
#include <functional>
#include <string>
#include <vector>

#include "widgets/highlight.h"

namespace vandor {

class LinesModel final : public QAbstractListModel {
    Q_OBJECT
public:
    using QAbstractListModel::QAbstractListModel;

    // True when the number of lines changed (the views re-laid out).
    bool setLines(std::vector<std::string> lines, std::vector<uint16_t> addresses = {});

    int rowCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;

    // The height of every line (0: the font's own).
    void setLineHeight(int height);
    int lineHeight() const { return lineHeight_; }
    // Lines drawn bold on the highlight colours (the stack words the last action changed).
    void setHighlightedRows(std::vector<bool> rows);
    bool isHighlighted(int row) const { return row < int(highlighted_.size()) && highlighted_[size_t(row)]; }
    void setHighlightColors(const HighlightColors& colors) { colors_ = colors; }
    // How each line is read out: the words "Palabra en FFFE: 1234", the program lines as they are.
    std::function<QString(int row)> accessibleText;

    int size() const { return static_cast<int>(lines_.size()); }
    const std::string& line(int i) const { return lines_[static_cast<size_t>(i)]; }
    uint16_t address(int i) const { return addresses_[static_cast<size_t>(i)]; }
    const std::vector<std::string>& lines() const { return lines_; }
    const std::vector<uint16_t>& addresses() const { return addresses_; }

private:
    std::vector<std::string> lines_;
    std::vector<uint16_t> addresses_;
    std::vector<bool> highlighted_;
    HighlightColors colors_;
    int lineHeight_ = 0;
};

class ProgramView final : public QListView {
    Q_OBJECT
public:
    explicit ProgramView(QWidget* parent = nullptr);

    // The window's rules; each returns true when it handled the key (the list does not move then).
    std::function<bool()> upAtFirstLine;
    std::function<bool()> downAtLastLine;
    std::function<void()> enterPressed;
    // F9: the breakpoint of the selected line, as a double click.
    std::function<void()> toggleBreakpoint;
    // The user moved the scroll bar (by its arrows, its track or its slider).
    std::function<void()> scrollUsed;
    // The wheel turned a notch: up (true) or down. The list shows all its lines, so the wheel moves the
    // listing itself.
    std::function<void(bool up)> wheelTurned;

    int currentLine() const { return currentIndex().isValid() ? currentIndex().row() : -1; }
    void setCurrentLine(int row);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;

private:
    int wheelRest_ = 0;
};

}  // namespace vandor
