// TraceModel: the table model of the trace window's grid. It reads the simulator's Trace and formats a
// cell only when a view asks for it (and its tool tip, why the row's instruction left the flags so), so a
// trace of millions of rows costs the view nothing but its rows' count. Row i of the model is row i of the trace. The model keeps the rows it has announced; sync()
// announces what the trace did since: the rows it gained (one insertion at the end), a refresh of the
// last announced row, whose registers may have been filled in after it was announced, and, once the
// trace has begun dropping its oldest rows, a refresh of every row (each now shows the row that moved up
// into its place). A trace cleared meanwhile resets the model.
//
//   TraceModel model(sim.trace);
//   view->setModel(&model);
//   sim.step(); model.sync();   // the new rows appear
#pragma once

#include <QAbstractTableModel>

#include "machine/trace.h"

namespace vandor {

class TraceModel final : public QAbstractTableModel {
    Q_OBJECT
public:
    explicit TraceModel(const Trace& trace, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

    // Whether the trace differs from what the model last announced in a way sync() must report.
    bool outOfDate() const;
    // Brings the announced rows up to the trace; true when rows were added at the end or moved up (or the
    // model was reset with rows).
    bool sync();
    // Announces the whole trace afresh (after it was cleared or replaced).
    void reload();

    static constexpr int kColumns = Trace::kTStatesColumn + 1;

private:
    // Rows are announced as int; a trace beyond that range shows its first INT_MAX rows.
    int traceRows() const;

    const Trace& trace_;
    int announced_ = 0;
    uint64_t firstAnnounced_ = 0;  // the trace's count of dropped rows when its first row was announced
    uint64_t generation_ = 0;      // the trace's count of clears when the rows were announced
    bool lastRowFilled_ = false;  // regsFilled of the last announced row when it was announced
};

}  // namespace vandor
