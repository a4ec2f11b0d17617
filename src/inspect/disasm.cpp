#include "inspect/disasm.h"

#include "common/opcodes.h"

namespace vandor {
namespace {

constexpr char kHexDigits[] = "0123456789ABCDEF";

int hexDigitValue(char ch) {
    if (ch >= '0' && ch <= '9') return ch - '0';
    if (ch >= 'A' && ch <= 'F') return ch - 'A' + 10;
    if (ch >= 'a' && ch <= 'f') return ch - 'a' + 10;
    return -1;
}

// The three bytes of the instruction at an address, read past FFFF from the wrap-around cells.
InstructionBytes bytesAt(const Machine& m, uint16_t address) {
    return {m.mem[address], m.mem[address + 1u], m.mem[address + 2u]};
}

}  // namespace

const std::array<std::string_view, 256>& tabla() { return kOpcodeText; }

std::string hexa(long value, int digits) {
    std::string text(static_cast<size_t>(digits > 0 ? digits : 0), '0');
    // Unsigned arithmetic: a negative value gives its two's-complement digits.
    unsigned long v = static_cast<unsigned long>(value);
    for (int i = digits - 1; i >= 0; --i) {
        text[static_cast<size_t>(i)] = kHexDigits[v & 0xF];
        v >>= 4;
    }
    return text;
}

void appendHex2(std::string& out, uint8_t value) {
    out.push_back(kHexDigits[value >> 4]);
    out.push_back(kHexDigits[value & 0xF]);
}

void appendHex4(std::string& out, uint16_t value) {
    appendHex2(out, static_cast<uint8_t>(value >> 8));
    appendHex2(out, static_cast<uint8_t>(value & 0xFF));
}

int32_t dec(std::string_view text) {
    // Long texts keep the low 32 bits: unsigned arithmetic wraps instead of overflowing.
    uint32_t value = 0;
    for (char ch : text) {
        const int digit = hexDigitValue(ch);
        if (digit < 0) break;
        value = (value << 4) | static_cast<uint32_t>(digit);
    }
    return static_cast<int32_t>(value);
}

void appendInstructionText(std::string& out, const InstructionBytes& bytes) {
    const std::string_view entry = kOpcodeText[bytes.opcode];
    switch (opcodeLength(bytes.opcode)) {
    case 2:
        out.append(entry.substr(0, entry.find("byte")));
        appendHex2(out, bytes.low);
        break;
    case 3:
        out.append(entry.substr(0, entry.find("palabra")));
        appendHex2(out, bytes.high);
        appendHex2(out, bytes.low);
        break;
    default:
        out.append(entry);
        break;
    }
}

std::string instructionText(const InstructionBytes& bytes, int* length) {
    if (length) *length = opcodeLength(bytes.opcode);
    std::string text;
    text.reserve(16);
    appendInstructionText(text, bytes);
    return text;
}

std::string desensambla(Machine& m, uint16_t address, int* length) {
    m.synmem();
    return instructionText(bytesAt(m, address), length);
}

std::string linea(Machine& m, uint16_t address, int* length) {
    m.synmem();
    const InstructionBytes bytes = bytesAt(m, address);
    const int len = opcodeLength(bytes.opcode);
    if (length) *length = len;

    std::string line;
    line.reserve(32);
    appendHex4(line, address);
    line.push_back(m.breakpoints[address] ? '*' : ' ');
    appendHex2(line, bytes.opcode);
    if (len >= 2) {
        line.push_back(' ');
        appendHex2(line, bytes.low);
    }
    if (len == 3) {
        line.push_back(' ');
        appendHex2(line, bytes.high);
    }
    line.append(static_cast<size_t>(8 - (3 * len - 1)), ' ');  // bytes field: 8 characters
    line.append("  ");
    appendInstructionText(line, bytes);
    return line;
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

ProgramLines dispmem(Machine& m, uint16_t a, long q) {
    m.synmem();
    ProgramLines view;
    view.lines.reserve(kProgramViewLines);
    view.addresses.reserve(kProgramViewLines);
    long address = a;
    for (int i = 0; i < kProgramViewLines; ++i) {
        if (address == q) view.selected = i;
        int len = 1;
        view.lines.push_back(linea(m, static_cast<uint16_t>(address), &len));
        view.addresses.push_back(static_cast<uint16_t>(address));
        address += len;
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

}  // namespace vandor
