#include "inspect/disasm.h"

namespace vandor {
namespace {

// The three bytes of the instruction at an address, read past FFFF from the wrap-around cells.
InstructionBytes bytesAt(const Machine& m, uint16_t address) {
    return {m.mem[address], m.mem[address + 1u], m.mem[address + 2u]};
}

}  // namespace

std::string desensambla(Machine& m, uint16_t address, int* length) {
    m.synmem();
    return instructionText(bytesAt(m, address), length);
}

ProgramLine programLine(Machine& m, uint16_t address) {
    m.synmem();
    ProgramLine line;
    line.address = address;
    line.bytes = bytesAt(m, address);
    line.length = opcodeLength(line.bytes.opcode);
    const InstructionBytes& bytes = line.bytes;
    std::string& text = line.text;
    text.reserve(32);
    appendHex4(text, address);
    text.push_back(m.breakpoints[address] ? '*' : ' ');
    appendHex2(text, bytes.opcode);
    if (line.length >= 2) {
        text.push_back(' ');
        appendHex2(text, bytes.low);
    }
    if (line.length == 3) {
        text.push_back(' ');
        appendHex2(text, bytes.high);
    }
    text.append(static_cast<size_t>(8 - (3 * line.length - 1)), ' ');  // bytes field: 8 characters
    text.append("  ");
    appendInstructionText(text, bytes);
    return line;
}

std::string linea(Machine& m, uint16_t address, int* length) {
    ProgramLine line = programLine(m, address);
    if (length) *length = line.length;
    return std::move(line.text);
}

uint16_t inidisp(Machine& m, uint16_t p) {
    m.synmem();
    long s = p >= 12 ? p - 12 : 0;
    for (;; ++s) {
        long a = s;
        while (a < p) a += opcodeLength(m.mem[static_cast<size_t>(a)]);
        if (a == p) return static_cast<uint16_t>(s);
    }
}

ProgramLines dispmem(Machine& m, uint16_t a, long q, int count) {
    m.synmem();
    ProgramLines view;
    view.lines.reserve(static_cast<size_t>(count > 0 ? count : 0));
    long address = a;
    for (int i = 0; i < count; ++i) {
        if (address == q) view.selected = i;
        view.lines.push_back(programLine(m, static_cast<uint16_t>(address)));
        address += view.lines.back().length;
        if (address >= Machine::kMemorySize) break;  // the view does not wrap past FFFF
    }
    return view;
}

std::array<uint16_t, 8> regenpila(Machine& m) {
    m.synmem();
    std::array<uint16_t, 8> words{};
    for (unsigned i = 0; i < words.size(); ++i) {
        const unsigned address = (m.sp + 2u * i) & 0xFFFFu;
        const unsigned high = m.mem[(address + 1u) & 0xFFFFu];
        words[i] = static_cast<uint16_t>(high << 8 | m.mem[address]);
    }
    return words;
}

std::vector<uint16_t> stackWords(const Machine& m, int count) {
    std::vector<uint16_t> words;
    words.reserve(static_cast<size_t>(count > 0 ? count : 0));
    for (int i = 0; i < count; ++i) {
        const uint16_t address = stackAddress(m, i);
        const unsigned high = m.mem[static_cast<uint16_t>(address + 1)];
        words.push_back(static_cast<uint16_t>(high << 8 | m.mem[address]));
    }
    return words;
}

}  // namespace vandor
