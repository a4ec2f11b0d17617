#include "inspect/trace_model.h"

#include <climits>

#include "machine/flag_explanation.h"

namespace vandor {

TraceModel::TraceModel(const Trace& trace, QObject* parent) : QAbstractTableModel(parent), trace_(trace) {
    announced_ = traceRows();
    firstAnnounced_ = trace_.dropped();
    generation_ = trace_.generation();
    lastRowFilled_ = announced_ > 0 && trace_.row(announced_ - 1).regsFilled;
}

int TraceModel::traceRows() const {
    return trace_.size() > static_cast<size_t>(INT_MAX) ? INT_MAX : static_cast<int>(trace_.size());
}

int TraceModel::rowCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : announced_; }

// The file's 15 columns and, on screen only, the T-states of each step.
int TraceModel::columnCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : kColumns; }

QVariant TraceModel::data(const QModelIndex& index, int role) const {
    // A view may still ask for a row the trace has lost until the model's reset reaches it.
    if (!index.isValid() || static_cast<size_t>(index.row()) >= trace_.size()) return {};
    switch (role) {
    case Qt::DisplayRole:
        if (index.column() == Trace::kTStatesColumn)
            return QString::fromLatin1(trace_.tstatesText(static_cast<size_t>(index.row())));
        return QString::fromLatin1(trace_.cellText(static_cast<size_t>(index.row()), index.column()));
    case Qt::ToolTipRole: {
        // Why the row's instruction left the flags as they are; register-only rows have none.
        const std::string why = explainTraceRow(trace_, static_cast<size_t>(index.row()));
        if (why.empty()) return {};
        return QString::fromStdString(why);
    }
    default:
        return {};
    }
}

QVariant TraceModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || section < 0 || section >= kColumns) {
        return QAbstractTableModel::headerData(section, orientation, role);
    }
    switch (role) {
    case Qt::DisplayRole: {
        if (section == Trace::kTStatesColumn) return QStringLiteral("T ");
        const std::string_view title = Trace::headerTitle(section);
        return QString::fromLatin1(title.data(), static_cast<qsizetype>(title.size()));
    }
    case Qt::TextAlignmentRole:
        return QVariant::fromValue(Qt::Alignment(Qt::AlignLeft | Qt::AlignVCenter));
    default:
        return {};
    }
}

Qt::ItemFlags TraceModel::flags(const QModelIndex& index) const {
    return index.isValid() ? Qt::ItemIsEnabled | Qt::ItemIsSelectable : Qt::NoItemFlags;
}

bool TraceModel::outOfDate() const {
    if (trace_.generation() != generation_ || trace_.dropped() != firstAnnounced_ || traceRows() != announced_)
        return true;
    return announced_ > 0 && static_cast<bool>(trace_.row(announced_ - 1).regsFilled) != lastRowFilled_;
}

bool TraceModel::sync() {
    if (trace_.generation() != generation_) {
        reload();
        return announced_ > 0;
    }
    // Rows dropped at the top move every row kept up. The grid's rows keep their numbers and show the
    // rows now under them: for a grid of millions of rows that costs a repaint, where removing rows at
    // its top would cost a walk over all of them.
    const bool shifted = trace_.dropped() != firstAnnounced_;
    firstAnnounced_ = trace_.dropped();
    const int rows = traceRows();
    if (rows < announced_) {
        beginRemoveRows({}, rows, announced_ - 1);
        announced_ = rows;
        endRemoveRows();
    }
    if (shifted && announced_ > 0) {
        emit dataChanged(index(0, 0), index(announced_ - 1, kColumns - 1));
    } else if (announced_ > 0 && static_cast<bool>(trace_.row(announced_ - 1).regsFilled) != lastRowFilled_) {
        emit dataChanged(index(announced_ - 1, 0), index(announced_ - 1, kColumns - 1));
    }
    const bool added = rows > announced_;
    if (added) {
        beginInsertRows({}, announced_, rows - 1);
        announced_ = rows;
        endInsertRows();
    }
    lastRowFilled_ = announced_ > 0 && trace_.row(announced_ - 1).regsFilled;
    return added || shifted;
}

void TraceModel::reload() {
    beginResetModel();
    announced_ = traceRows();
    firstAnnounced_ = trace_.dropped();
    generation_ = trace_.generation();
    lastRowFilled_ = announced_ > 0 && trace_.row(announced_ - 1).regsFilled;
    endResetModel();
}

}  // namespace vandor
