// Trace: the step trace, one compact row per executed instruction plus register-only rows for the state
// at the start of a trace and after the state was changed between steps. Rows hold the few bytes that
// make them; cell texts are formatted only when asked (the trace window's model, the "Salvar" file).
//
// The order for one step is fixed: listainstru(m) before EjecutaPASO, listareg(m) after regen.
//
//   Trace t;
//   t.listainstru(m); m.EjecutaPASO(false); /* regen */ t.listareg(m);
//   t.cellText(1, kColIns);   // "MVI A,0F"
//   t.save("pasos.txt");
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

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

// One row. length 0 marks a register-only row (columns 0-2 empty); regsFilled is false for an instruction
// row whose step has not finished yet (columns 3-14 empty).
struct TraceRow {
    uint16_t dir;     // PC before the step
    uint16_t pc, sp;  // after the step
    uint8_t bytes[3];
    uint8_t length;   // 0, 1, 2, 3
    uint8_t a, b, c, d, e, f, h, l, m;
    uint8_t regsFilled;
};
static_assert(sizeof(TraceRow) <= 24);

// The rows in fixed blocks: appending never moves the rows already stored (no copy of a long trace when
// it grows, no peak of twice its size), and an index is a shift and a mask. A block is zeroed memory
// that the system provides page by page as the rows reach it.
class TraceRows {
public:
    static constexpr size_t kBlockShift = 20;
    static constexpr size_t kBlockRows = size_t{1} << kBlockShift;

    size_t size() const { return size_; }
    bool empty() const { return size_ == 0; }
    const TraceRow& operator[](size_t i) const { return blocks_[i >> kBlockShift].get()[i & (kBlockRows - 1)]; }
    TraceRow& operator[](size_t i) { return blocks_[i >> kBlockShift].get()[i & (kBlockRows - 1)]; }
    TraceRow& back() { return (*this)[size_ - 1]; }
    const TraceRow& back() const { return (*this)[size_ - 1]; }

    // A new last row (zeroed when its block is new), its fields for the caller to write.
    TraceRow& append() {
        if ((size_ & (kBlockRows - 1)) == 0 && (size_ >> kBlockShift) == blocks_.size()) [[unlikely]]
            addBlock();
        return (*this)[size_++];
    }
    void clear() {
        blocks_.clear();
        size_ = 0;
    }
    // Keeps the first `rows` rows (no more than there are); blocks no longer needed are freed.
    void truncate(size_t rows) {
        if (rows >= size_) return;
        size_ = rows;
        blocks_.resize((rows + kBlockRows - 1) >> kBlockShift);
    }
    void reserve(size_t rows) { blocks_.reserve((rows + kBlockRows - 1) >> kBlockShift); }

private:
    struct FreeBlock {
        void operator()(TraceRow* block) const;
    };
    void addBlock();

    std::vector<std::unique_ptr<TraceRow, FreeBlock>> blocks_;
    size_t size_ = 0;
};

class Trace {
public:
    // The rows below the header (the header row is not stored).
    size_t size() const { return rows_.size(); }
    bool empty() const { return rows_.empty(); }
    const TraceRow& row(size_t i) const { return rows_[i]; }
    void clear();  // back to the header row only ("Borrar", closing the window)
    // Back to its first `rows` rows (a step undone takes its rows away).
    void truncate(size_t rows) { rows_.truncate(rows); }

    void listainstru(const Machine& m);
    void listareg(const Machine& m);

    // Text of a data cell (row 0 is the first data row) or of a header title (the segments of kTraceHeader).
    std::string cellText(size_t row, int column) const;
    static std::string_view headerTitle(int column);

    // One line of the text file, without its CR LF: the 15 cells joined by tabs.
    std::string lineText(size_t row) const;
    static std::string headerLine();

    // Streams the header and every row to the file (CR LF line ends), through a temporary renamed over
    // it. False when the file could not be created or written; an older file is then left as it was.
    bool save(const std::string& path) const;

    void reserve(size_t rows) { rows_.reserve(rows); }

private:
    TraceRows rows_;
};

// The five-character flag text: S, Z, AC, P, CY as "1"/"0". F = 54 gives "01110".
std::string txtflags(uint8_t f);

}  // namespace vandor
