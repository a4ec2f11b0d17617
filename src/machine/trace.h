// Trace: the step trace, one compact row per executed instruction plus register-only rows for the state
// at the start of a trace and after the state was changed between steps. Rows hold the few bytes that
// make them; cell texts are formatted only when asked (the trace window's model, the "Salvar" file).
//
// The trace keeps the most recent rows only, at most capacity() of them (ten million unless set): a long
// run never stops and never exhausts memory because of its trace; dropped() tells how many older rows
// went. Rows live in fixed blocks that never move; a block whose rows were all dropped is used again for
// new rows, and clear() gives every block back to the system.
//
// streamTo() hands each block of rows to a TraceSink as soon as the block is full, and keeps only the
// block being filled: vandor-cli writes a trace of any length that way in bounded memory (TraceStream).
//
// The order for one step is fixed: listainstru(m) before EjecutaPASO, listareg(m) after regen. The run
// loop records the same rows through noteState() once, then writes each step's row in place
// (openRows, startInstruction, the registers after the step, closeRows).
//
//   Trace t;
//   t.listainstru(m); m.EjecutaPASO(false); /* regen */ t.listareg(m);
//   t.cellText(1, kColIns);   // "MVI A,0F"
//   t.save("pasos.txt");
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <memory>
#include <string>
#include <string_view>

#include "common/opcodes.h"
#include "machine/machine.h"

namespace vandor {

// "DIR |DAT      |INS         |A |B |C |D |E |F |szapc|H |L |M |PC  |SP  "
inline constexpr std::string_view kTraceHeader =
    "DIR |DAT      |INS         |A |B |C |D |E |F |szapc|H |L |M |PC  |SP  ";
inline constexpr int kTraceColumns = 15;
enum TraceColumn {
    kColDir, kColDat, kColIns, kColA, kColB, kColC, kColD, kColE, kColF, kColFlags,
    kColH, kColL, kColM, kColPC, kColSP
};

// How many rows a trace keeps unless told otherwise.
inline constexpr size_t kDefaultTraceCapacity = 10'000'000;

// One row. length 0 marks a register-only row (columns 0-2 empty); regsFilled is false for an instruction
// row whose step has not finished yet (columns 3-14 empty). tstates is what the row's step counted, 0 when
// T-states were not counted; the trace window shows it, the text file does not.
struct TraceRow {
    uint16_t dir;     // PC before the step
    uint16_t pc, sp;  // after the step
    uint8_t bytes[3];
    uint8_t length;   // 0, 1, 2, 3
    // In the Machine's order, so that the eight registers are copied and compared as one word.
    uint8_t a, b, d, h, c, e, f, l;
    uint8_t m;
    uint8_t regsFilled : 1;
    uint8_t tstates : 7;  // a step counts at most a few dozen (a HLT and its way out)
};
static_assert(sizeof(TraceRow) <= 24);

// Where a streamed trace's full blocks go. exchange() takes a block of rows (every one complete) and gives
// back an empty block to fill next, or null for the trace to make one; blocks are made and released with
// TraceRows::newBlock / freeBlock.
class TraceSink {
public:
    virtual ~TraceSink() = default;
    virtual TraceRow* exchange(TraceRow* full, size_t rows) = 0;
    // The rows from number `row` on (counted from the first row ever handed over) are taken back: a step
    // was undone. False when some of them are already beyond recall.
    virtual bool cut(uint64_t row) {
        (void)row;
        return false;
    }
};

// The rows in fixed blocks of kBlockRows, at most `capacity` of them kept. Index 0 is the oldest row
// kept; an index is a shift and a mask.
class TraceRows {
public:
    static constexpr size_t kBlockShift = 18;
    static constexpr size_t kBlockRows = size_t{1} << kBlockShift;
    static constexpr size_t kBlockMask = kBlockRows - 1;

    TraceRows() = default;
    TraceRows(const TraceRows&) = delete;
    TraceRows& operator=(const TraceRows&) = delete;
    ~TraceRows();

    size_t size() const { return static_cast<size_t>(end_ - begin_); }
    bool empty() const { return end_ == begin_; }
    // Rows dropped from the front (or streamed away) since the trace was last cleared.
    uint64_t dropped() const { return begin_; }

    const TraceRow& operator[](size_t i) const { return rowAt(begin_ + i); }
    TraceRow& operator[](size_t i) { return rowAt(begin_ + i); }
    TraceRow& back() { return *last_; }
    const TraceRow& back() const { return *last_; }

    // A new last row, its fields for the caller to write (a reused block holds old bytes). When the
    // rows kept would pass the capacity, the oldest goes.
    TraceRow& append() {
        if ((end_ & kBlockMask) == 0) [[unlikely]]
            startBlock();
        TraceRow& row = current_[end_ & kBlockMask];
        last_ = &row;
        ++end_;
        if (end_ - begin_ > capacity_) [[unlikely]]
            dropOldest();
        return row;
    }

    // Rows written in place by a loop: open() gives the room left in the block being filled (a new block
    // when it is full); close(next) makes the rows written from the room's start up to next the trace's
    // last rows. Nothing else may touch the rows between the two.
    struct Room {
        TraceRow* next = nullptr;
        TraceRow* end = nullptr;
    };
    Room open() {
        if ((end_ & kBlockMask) == 0) [[unlikely]]
            startBlock();
        roomStart_ = current_ + (end_ & kBlockMask);
        return {roomStart_, current_ + kBlockRows};
    }
    void close(TraceRow* next) {
        if (!roomStart_) return;
        if (next != roomStart_) last_ = next - 1;
        end_ += static_cast<uint64_t>(next - roomStart_);
        roomStart_ = nullptr;
        if (end_ - begin_ > capacity_) dropTo(end_ - capacity_);
    }

    size_t capacity() const { return capacity_; }
    // At least one row; rows beyond a smaller capacity are dropped at once, oldest first.
    void setCapacity(size_t rows);
    // Every block back to the system; the count of dropped rows starts again.
    void clear();
    // The rows from number `row` on (dropped() + index) go; those already dropped from the front stay
    // gone, those streamed away are taken back from the sink. False when some could not be taken back.
    bool truncateTo(uint64_t row);
    // The number the next row appended will have.
    uint64_t endRow() const { return end_; }

    // Full blocks go to sink from now on (null: kept again, as by default); rows already kept are cleared
    // first. finishStream() hands over the block being filled too.
    void streamTo(TraceSink* sink);
    void finishStream();

    static TraceRow* newBlock(bool populate = false);
    static void freeBlock(TraceRow* block);

private:
    TraceRow& rowAt(uint64_t n) const {
        return blocks_[static_cast<size_t>((n >> kBlockShift) - (begin_ >> kBlockShift))][n & kBlockMask];
    }
    void startBlock();
    void dropOldest();
    void dropTo(uint64_t newBegin);
    void releaseAll();

    std::deque<TraceRow*> blocks_;  // the block holding row begin_ first
    TraceRow* current_ = nullptr;   // the last block, where rows are appended
    TraceRow* spare_ = nullptr;     // a block whose rows were all dropped, kept for the next new block
    TraceRow* roomStart_ = nullptr; // the start of the room given by open(), until close()
    TraceRow* last_ = nullptr;      // the last row, while there is one
    uint64_t begin_ = 0, end_ = 0;  // absolute row numbers since the last clear
    size_t capacity_ = kDefaultTraceCapacity;
    TraceSink* sink_ = nullptr;
};

class Trace {
public:
    // The rows kept, below the header (the header row is not stored).
    size_t size() const { return rows_.size(); }
    bool empty() const { return rows_.empty(); }
    const TraceRow& row(size_t i) const { return rows_[i]; }
    // How many older rows were dropped to keep at most capacity() rows.
    uint64_t dropped() const { return rows_.dropped(); }
    size_t capacity() const { return rows_.capacity(); }
    void setCapacity(size_t rows) { rows_.setCapacity(rows); }
    void clear();  // back to the header row only ("Borrar", closing the window); the memory goes back
    // How many times the trace was cleared: rows seen before a clear are other rows now.
    uint64_t generation() const { return generation_; }
    // Where the trace ends now, and going back there: the rows recorded since go (a step undone takes
    // its rows away). False when some of them had been streamed out beyond recall.
    uint64_t endRow() const { return rows_.endRow(); }
    bool truncateTo(uint64_t row) { return rows_.truncateTo(row); }

    void listainstru(const Machine& m) {
        noteState(m);
        startInstruction(rows_.append(), m.pc, m.mem.data());
    }
    void listareg(const Machine& m) {
        if (rows_.empty()) rows_.append() = TraceRow{};
        fillRegisters(rows_.back(), m);
    }

    // The run loop's way of recording the same rows: noteState() before its first step (the register
    // row that listainstru would add), then the rows of its steps written in place (TraceRows::open,
    // startInstruction, fillRegisters, TraceRows::close).
    void noteState(const Machine& m) {
        if (rows_.empty() || !showsRegisters(rows_.back(), m)) [[unlikely]] {
            TraceRow& start = rows_.append();
            start = TraceRow{};
            fillRegisters(start, m);
        }
    }
    TraceRows::Room openRows() { return rows_.open(); }
    void closeRows(TraceRow* next) { rows_.close(next); }
    // The columns of an instruction row known before its step: address, bytes and length.
    static void startInstruction(TraceRow& row, uint16_t pc, const uint8_t* mem) {
        row.dir = pc;
        // Operand bytes past FFFF come from 0000 and 0001.
        row.bytes[0] = mem[pc];
        row.bytes[1] = mem[static_cast<uint16_t>(pc + 1)];
        row.bytes[2] = mem[static_cast<uint16_t>(pc + 2)];
        row.length = kOpcodeLength[row.bytes[0]];
        row.regsFilled = 0;
        row.tstates = 0;
    }
    // What the last row's step counted, once it has ended (its registers filled in).
    void setLastTStates(unsigned tstates) {
        if (!rows_.empty() && rows_.back().length != 0) rows_.back().tstates = static_cast<uint8_t>(std::min(tstates, 127u));
    }
    static constexpr int kTStatesColumn = kTraceColumns;  // the trace window's column after the file's 15
    // The text of that column: the row's T-states, or nothing.
    std::string tstatesText(size_t row) const;

    // Text of a data cell (row 0 is the first data row) or of a header title (the segments of kTraceHeader).
    std::string cellText(size_t row, int column) const;
    static std::string_view headerTitle(int column);

    // One line of the text file, without its CR LF: the 15 cells joined by tabs.
    std::string lineText(size_t row) const;
    static std::string headerLine();

    // Streams the header and every row kept to the file (CR LF line ends), through a temporary renamed
    // over it. False when the file could not be created or written; an older file is then left as it was.
    bool save(const std::string& path) const;

    // Columns 3-14 of a row: the registers after its step (szapc is made from F).
    static void fillRegisters(TraceRow& row, const Machine& m) {
        row.a = m.a;
        row.b = m.b;
        row.d = m.d;
        row.h = m.h;
        row.c = m.c;
        row.e = m.e;
        row.f = m.f;
        row.l = m.l;
        row.m = m.byteAtHL();
        row.pc = m.pc;
        row.sp = m.sp;
        row.regsFilled = 1;
    }
    // Whether the register columns of a row show the machine's registers now (szapc takes no part).
    static bool showsRegisters(const TraceRow& row, const Machine& m) {
        return row.regsFilled && registerWord(row) == registerWord(m) && row.m == m.byteAtHL() && row.pc == m.pc &&
               row.sp == m.sp;
    }
    // The eight registers as one word, in the order both structures hold them (read as one load).
    template <class T>
    static uint64_t registerWord(const T& x) {
        return uint64_t{x.a} | uint64_t{x.b} << 8 | uint64_t{x.d} << 16 | uint64_t{x.h} << 24 | uint64_t{x.c} << 32 |
               uint64_t{x.e} << 40 | uint64_t{x.f} << 48 | uint64_t{x.l} << 56;
    }

    // Full blocks of rows go to sink as the trace grows (see TraceRows::streamTo).
    void streamTo(TraceSink* sink) { rows_.streamTo(sink); }
    void finishStream() { rows_.finishStream(); }

private:
    TraceRows rows_;
    uint64_t generation_ = 0;
};

// The five-character flag text: S, Z, AC, P, CY as "1"/"0". F = 54 gives "01110".
std::string txtflags(uint8_t f);

// One line of the trace file with its CR LF, written at out; returns its end. out must have room for
// kMaxTraceLine characters.
inline constexpr size_t kMaxTraceLine = 128;
char* formatTraceLine(char* out, const TraceRow& row);

// Writes a trace file as the trace grows: the header at once, then each block of rows handed over by the
// trace, formatted and written on a thread of its own while the run goes on. Memory stays bounded: when
// the writer falls behind by a few blocks, the run waits for it. The file replaces its target only when
// finish() succeeds (through AtomicFile).
//
//   TraceStream out("pasos.txt");
//   if (!out.isOpen()) return 2;          // a folder, a missing folder, no permission
//   sim.trace.streamTo(&out);
//   ... run ...
//   sim.trace.finishStream();
//   bool ok = out.finish();               // false: a write failed, the old file is kept
class TraceStream final : public TraceSink {
public:
    explicit TraceStream(const std::string& path);
    ~TraceStream() override;

    bool isOpen() const;
    TraceRow* exchange(TraceRow* full, size_t rows) override;
    // Waits for every block handed over to be written, then completes the file.
    bool finish();

private:
    void writeBlocks();

    struct Impl;
    std::unique_ptr<Impl> impl_;
};

}  // namespace vandor
