// ProgramListing: the lines the program view shows and the rules that move them — listing around an
// address, going past the first or the last line with the arrow keys or the scroll bar, listing again in
// place after an edit — plus the texts of the entry row for a selected line. The window only mirrors the
// lines and selects the row each rule returns.
//
//   ProgramListing listing;
//   int row = listing.listAround(m, m.pc);       // dispmem(inidisp(pc), pc); row of PC
//   if (listing.forwardOneLine(m)) row = listing.size() - 1;
//   EntryRow entry = entryRow(listing.line(row)); // "0100", "3E", "0F", "", " MVI A,0F"
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "inspect/disasm.h"
#include "machine/machine.h"

namespace vandor {

class ProgramListing {
public:
    const std::vector<ProgramLine>& lines() const { return lines_; }
    int size() const { return static_cast<int>(lines_.size()); }
    bool empty() const { return lines_.empty(); }
    const ProgramLine& line(int row) const { return lines_[static_cast<size_t>(row)]; }
    std::vector<std::string> texts() const;
    std::vector<uint16_t> addresses() const;

    // How many lines a listing holds (29, more in a taller view); the next listing follows it.
    int lineCount() const { return lineCount_; }
    void setLineCount(int count) { lineCount_ = count; }

    // dispmem: the lines from `first`; the row of selectedAddress, or -1 (pass -1 to select nothing).
    int list(Machine& m, uint16_t first, long selectedAddress);
    // The lines around an address, from where inidisp starts them; the row of the address.
    int listAround(Machine& m, uint16_t address);
    // The same first line listed again (after a byte or a breakpoint changed); the row of the line that
    // had the address of selectedRow, or -1 (also for selectedRow -1).
    int relist(Machine& m, int selectedRow);

    // Up arrow on the first line: listed again from one byte back (not one instruction). False, nothing
    // changed, when the first line is 0000.
    bool backOneByte(Machine& m);
    // Scroll bar used on the first line: listed again from the nearest earlier address whose instruction
    // is one byte long, or from 0000. False when the first line is 0000.
    bool backToShortInstruction(Machine& m);
    // Down arrow or scroll bar on the last line: the instruction after it appended and the first line
    // dropped. False, nothing changed, when that instruction would start past FFFF.
    bool forwardOneLine(Machine& m);

private:
    std::vector<ProgramLine> lines_;
    int lineCount_ = kProgramViewLines;
};

// What the entry row shows for a selected line: txtDIR, INSCO, INSOP1, INSOP2 (empty for operands the
// instruction does not have) and the caption of INS (the line from its 15th character).
struct EntryRow {
    std::string address, opcode, operand1, operand2, caption;
};
EntryRow entryRow(const ProgramLine& line);

}  // namespace vandor
