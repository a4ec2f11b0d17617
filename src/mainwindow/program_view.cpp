#include "mainwindow/program_view.h"

#include <QFont>
#include <QKeyEvent>
#include <QWheelEvent>
#include <QScrollBar>

#include <algorithm>
#include <cstdlib>

#include "widgets/compact_lines.h"
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
    if (!index.isValid() || index.row() >= size()) return {};
    const int row = index.row();
    switch (role) {
    case Qt::DisplayRole: return QString::fromLatin1(line(row));
    case Qt::SizeHintRole:
        if (lineHeight_ > 0) return QSize(1, lineHeight_);
        return {};
    case Qt::FontRole:
        if (isHighlighted(row)) {
            QFont bold;
            bold.setBold(true);
            return bold;
        }
        return {};
    case Qt::BackgroundRole:
        if (isHighlighted(row) && colors_.background.isValid()) return colors_.background;
        return {};
    case Qt::ForegroundRole:
        if (isHighlighted(row) && colors_.text.isValid()) return colors_.text;
        return {};
    case Qt::AccessibleTextRole:
        if (accessibleText) return accessibleText(row);
        return QString::fromLatin1(line(row));
    case Qt::AccessibleDescriptionRole:
        return isHighlighted(row) ? QStringLiteral("Cambiado por la última acción") : QString();
    default: return {};
    }
}

void LinesModel::setLineHeight(int height) {
    if (height == lineHeight_) return;
    lineHeight_ = height;
    if (!lines_.empty()) emit dataChanged(index(0), index(size() - 1), {Qt::SizeHintRole});
    emit layoutChanged();
}

void LinesModel::setHighlightedRows(std::vector<bool> rows) {
    if (rows == highlighted_) return;
    const size_t n = std::max(rows.size(), highlighted_.size());
    highlighted_ = std::move(rows);
    if (n > 0 && !lines_.empty()) emit dataChanged(index(0), index(std::min(int(n), size()) - 1));
}

ProgramView::ProgramView(QWidget* parent) : QListView(parent) {
    setFont(fixedFont());
    setItemDelegate(new CompactLineDelegate(this));
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setUniformItemSizes(true);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    // The listing holds as many lines as the list shows: the text has the whole width.
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
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

void ProgramView::wheelEvent(QWheelEvent* event) {
    wheelRest_ += event->angleDelta().y();
    while (std::abs(wheelRest_) >= 120) {
        const bool up = wheelRest_ > 0;
        wheelRest_ += up ? -120 : 120;
        if (wheelTurned) wheelTurned(up);
    }
    event->accept();
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
    case Qt::Key_F9:
        if (toggleBreakpoint) toggleBreakpoint();
        return;
    default: break;
    }
    QListView::keyPressEvent(event);
}

}  // namespace vandor
