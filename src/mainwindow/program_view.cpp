#include "mainwindow/program_view.h"

#include <QKeyEvent>
#include <QScrollBar>

#include "widgets/twips.h"

namespace vandor {

bool LinesModel::setLines(std::vector<std::string> lines, std::vector<uint16_t> addresses) {
    addresses.resize(lines.size(), 0);
    if (lines.size() != lines_.size()) {
        beginResetModel();
        lines_ = std::move(lines);
        addresses_ = std::move(addresses);
        endResetModel();
        return true;
    }
    // Same number of lines: only the rows whose text changed are drawn again.
    int first = -1, last = -1;
    for (size_t i = 0; i < lines.size(); ++i) {
        if (lines[i] != lines_[i]) {
            if (first < 0) first = static_cast<int>(i);
            last = static_cast<int>(i);
        }
    }
    lines_ = std::move(lines);
    addresses_ = std::move(addresses);
    if (first >= 0) emit dataChanged(index(first), index(last), {Qt::DisplayRole});
    return false;
}

int LinesModel::rowCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : size(); }

QVariant LinesModel::data(const QModelIndex& index, int role) const {
    if (role != Qt::DisplayRole || !index.isValid() || index.row() >= size()) return {};
    return QString::fromLatin1(line(index.row()));
}

ProgramView::ProgramView(QWidget* parent) : QListView(parent) {
    setFont(fixedFont());
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setUniformItemSizes(true);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    connect(verticalScrollBar(), &QScrollBar::actionTriggered, this, [this] {
        if (scrollUsed) scrollUsed();
    });
}

void ProgramView::setCurrentLine(int row) {
    if (row < 0 || !model() || row >= model()->rowCount()) {
        selectionModel()->clear();
        return;
    }
    selectionModel()->setCurrentIndex(model()->index(row, 0), QItemSelectionModel::ClearAndSelect);
}

void ProgramView::keyPressEvent(QKeyEvent* event) {
    const int rows = model() ? model()->rowCount() : 0;
    switch (event->key()) {
    case Qt::Key_Up:
        if (rows > 0 && currentLine() == 0 && upAtFirstLine && upAtFirstLine()) return;
        break;
    case Qt::Key_Down:
        if (rows > 0 && currentLine() == rows - 1 && downAtLastLine && downAtLastLine()) return;
        break;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        if (enterPressed) enterPressed();
        return;
    default: break;
    }
    QListView::keyPressEvent(event);
}

}  // namespace vandor
