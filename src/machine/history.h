// History: the undo records of the last executed steps, for "Paso atrás". A record is begun just before
// its step: it holds what the simulator was then (registers, interrupt state, the check boxes' shown
// values, the T-state counts, the trace's length) and, from then on, the old value of every memory and
// port cell that is written — by the step and by whatever the user does after it (editors, interrupt
// buttons), until the next step begins the next record. Undoing the latest record puts those cells
// back, newest first, and hands back the state to restore.
//
// It keeps at least the last kMaxSteps records or kMaxBytes of them, whichever is smaller, dropping the
// oldest; a smaller step limit can be set (vandor-cli keeps only as many as it will undo).
//
//   History h;
//   h.begin(snapshot);                       // before a step
//   h.noteMemory(sp - 1, m.mem[sp - 1]);     // before each write
//   Snapshot s = h.undo([&](const UndoCell& c) { /* write c.value back */ });
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>

namespace vandor {

// The state a step back restores besides memory and ports.
struct Snapshot {
    uint64_t tstates = 0;         // the T-state total
    uint64_t traceEnd = 0;        // the number of the trace's next row (Trace::endRow)
    uint32_t traceGeneration = 0; // the trace's clear count then (a cleared trace has other rows)
    uint16_t pc = 0, sp = 0;
    uint16_t lastTstates = 0;     // the count of the last instruction
    uint8_t a = 0, b = 0, c = 0, d = 0, e = 0, f = 0, h = 0, l = 0;
    uint8_t lines = 0;  // kLine* bits: IE, masks, RST 7.5 latch, SID, SOD
    uint8_t shown = 0;  // the shown value of each interrupt check box, bit = CheckBox index
};

inline constexpr uint8_t kLineIE = 1, kLineM55 = 2, kLineM65 = 4, kLineM75 = 8, kLineLatch = 16, kLineSID = 32,
                         kLineSOD = 64;

struct UndoCell {
    uint16_t address;  // memory address or port number
    uint8_t value;     // the value before the write
    uint8_t port;      // 1 for a port
};

class History {
public:
    static constexpr size_t kMaxSteps = 1'000'000;
    static constexpr size_t kMaxBytes = size_t{64} << 20;

    // Records kept at most (also capped by kMaxSteps and kMaxBytes); 0 records nothing.
    void setStepLimit(size_t steps);
    size_t stepLimit() const { return stepLimit_; }
    bool recording() const { return stepLimit_ != 0; }

    size_t size() const { return records_.size(); }
    bool empty() const { return records_.empty(); }
    // The memory the records and their cells take (the budget's measure).
    size_t bytes() const { return records_.size() * sizeof(Record) + cells_.size() * sizeof(UndoCell); }
    void clear();

    // A new latest record; the oldest go when the limits are passed.
    void begin(const Snapshot& before);
    // The old value of a cell about to be written, for the latest record; nothing without a record.
    void noteMemory(uint16_t address, uint8_t old) { note({address, old, 0}); }
    void notePort(uint8_t port, uint8_t old) { note({port, old, 1}); }

    // Removes the latest record (the history must not be empty): its cells go to restore, the latest
    // written first, and its snapshot is returned.
    template <class Restore>
    Snapshot undo(Restore&& restore) {
        const Record record = records_.back();
        records_.pop_back();
        for (uint32_t i = 0; i < record.cells; ++i) {
            restore(cells_.back());
            cells_.pop_back();
        }
        return record.before;
    }

private:
    struct Record {
        Snapshot before;
        uint32_t cells = 0;  // the last `cells` entries of cells_ that belong to this record
    };
    // A million records and the two cells a PUSH or CALL writes stay within the byte budget.
    static_assert(kMaxSteps * (sizeof(Record) + 2 * sizeof(UndoCell)) <= kMaxBytes);

    void note(const UndoCell& cell) {
        if (records_.empty()) return;
        cells_.push_back(cell);
        ++records_.back().cells;
        if (bytes() > kMaxBytes) [[unlikely]] trim();
    }
    void trim();
    void dropOldest();

    size_t stepLimit_ = kMaxSteps;
    std::deque<Record> records_;
    std::deque<UndoCell> cells_;
};

}  // namespace vandor
