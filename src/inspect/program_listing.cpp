#include "inspect/program_listing.h"

namespace vandor {

std::vector<std::string> ProgramListing::texts() const {
    std::vector<std::string> out;
    out.reserve(lines_.size());
    for (const ProgramLine& line : lines_) out.push_back(line.text);
    return out;
}

std::vector<uint16_t> ProgramListing::addresses() const {
    std::vector<uint16_t> out;
    out.reserve(lines_.size());
    for (const ProgramLine& line : lines_) out.push_back(line.address);
    return out;
}

int ProgramListing::list(Machine& m, uint16_t first, long selectedAddress) {
    ProgramLines view = dispmem(m, first, selectedAddress, lineCount_);
    lines_ = std::move(view.lines);
    return view.selected;
}

int ProgramListing::listAround(Machine& m, uint16_t address) {
    return list(m, inidisp(m, address), address);
}

int ProgramListing::relist(Machine& m, int selectedRow) {
    const uint16_t first = empty() ? 0 : lines_.front().address;
    const long selected = selectedRow >= 0 && selectedRow < size() ? long(line(selectedRow).address) : -1;
    return list(m, first, selected);
}

bool ProgramListing::backOneByte(Machine& m) {
    if (empty() || lines_.front().address == 0) return false;
    list(m, static_cast<uint16_t>(lines_.front().address - 1), -1);
    return true;
}

bool ProgramListing::backToShortInstruction(Machine& m) {
    if (empty() || lines_.front().address == 0) return false;
    uint16_t a = lines_.front().address;
    int length = 0;
    do {
        --a;
        desensambla(m, a, &length);
    } while (length != 1 && a != 0);
    list(m, a, -1);
    return true;
}

bool ProgramListing::forwardOneLine(Machine& m) {
    if (empty()) return false;
    const long next = long(lines_.back().address) + lines_.back().length;
    if (next >= Machine::kMemorySize) return false;
    lines_.erase(lines_.begin());
    lines_.push_back(programLine(m, static_cast<uint16_t>(next)));
    return true;
}

EntryRow entryRow(const ProgramLine& line) {
    EntryRow row;
    row.address = hexa(line.address, 4);
    row.opcode = hexa(line.bytes.opcode, 2);
    if (line.length >= 2) row.operand1 = hexa(line.bytes.low, 2);
    if (line.length == 3) row.operand2 = hexa(line.bytes.high, 2);
    // The line's text from its 15th character: the blank before the mnemonic, then the instruction.
    if (line.text.size() > 14) row.caption = line.text.substr(14);
    return row;
}

}  // namespace vandor
