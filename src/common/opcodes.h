// The 8085 opcode text table: one entry per opcode, Intel mnemonics, "byte" standing for an 8-bit
// operand and "palabra" for a 16-bit one, "?" for the ten opcodes the 8085 does not define. The length of
// every instruction follows from its entry; the executor, the disassembler, the trace and the assembler's
// encoding table all use it. The instruction text with its operand written in ("MVI A,0F") is made here
// too, for the program view and the trace alike.
//
//   kOpcodeText[0x3E]                          // "MVI A,byte"
//   opcodeLength(0xC3)                         // 3
//   instructionText({0xC3, 0x00, 0x20})        // "JMP 2000"
#pragma once

#include <array>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

#include "common/hex.h"

namespace vandor {

inline constexpr std::array<std::string_view, 256> kOpcodeText = {
    "NOP", "LXI B,palabra", "STAX B", "INX B", "INR B", "DCR B", "MVI B,byte", "RLC", "?", "DAD B", "LDAX B", "DCX B", "INR C", "DCR C", "MVI C,byte", "RRC",  // 00-0F
    "?", "LXI D,palabra", "STAX D", "INX D", "INR D", "DCR D", "MVI D,byte", "RAL", "?", "DAD D", "LDAX D", "DCX D", "INR E", "DCR E", "MVI E,byte", "RAR",  // 10-1F
    "RIM", "LXI H,palabra", "SHLD palabra", "INX H", "INR H", "DCR H", "MVI H,byte", "DAA", "?", "DAD H", "LHLD palabra", "DCX H", "INR L", "DCR L", "MVI L,byte", "CMA",  // 20-2F
    "SIM", "LXI SP,palabra", "STA palabra", "INX SP", "INR M", "DCR M", "MVI M,byte", "STC", "?", "DAD SP", "LDA palabra", "DCX SP", "INR A", "DCR A", "MVI A,byte", "CMC",  // 30-3F
    "MOV B,B", "MOV B,C", "MOV B,D", "MOV B,E", "MOV B,H", "MOV B,L", "MOV B,M", "MOV B,A", "MOV C,B", "MOV C,C", "MOV C,D", "MOV C,E", "MOV C,H", "MOV C,L", "MOV C,M", "MOV C,A",  // 40-4F
    "MOV D,B", "MOV D,C", "MOV D,D", "MOV D,E", "MOV D,H", "MOV D,L", "MOV D,M", "MOV D,A", "MOV E,B", "MOV E,C", "MOV E,D", "MOV E,E", "MOV E,H", "MOV E,L", "MOV E,M", "MOV E,A",  // 50-5F
    "MOV H,B", "MOV H,C", "MOV H,D", "MOV H,E", "MOV H,H", "MOV H,L", "MOV H,M", "MOV H,A", "MOV L,B", "MOV L,C", "MOV L,D", "MOV L,E", "MOV L,H", "MOV L,L", "MOV L,M", "MOV L,A",  // 60-6F
    "MOV M,B", "MOV M,C", "MOV M,D", "MOV M,E", "MOV M,H", "MOV M,L", "HLT", "MOV M,A", "MOV A,B", "MOV A,C", "MOV A,D", "MOV A,E", "MOV A,H", "MOV A,L", "MOV A,M", "MOV A,A",  // 70-7F
    "ADD B", "ADD C", "ADD D", "ADD E", "ADD H", "ADD L", "ADD M", "ADD A", "ADC B", "ADC C", "ADC D", "ADC E", "ADC H", "ADC L", "ADC M", "ADC A",  // 80-8F
    "SUB B", "SUB C", "SUB D", "SUB E", "SUB H", "SUB L", "SUB M", "SUB A", "SBB B", "SBB C", "SBB D", "SBB E", "SBB H", "SBB L", "SBB M", "SBB A",  // 90-9F
    "ANA B", "ANA C", "ANA D", "ANA E", "ANA H", "ANA L", "ANA M", "ANA A", "XRA B", "XRA C", "XRA D", "XRA E", "XRA H", "XRA L", "XRA M", "XRA A",  // A0-AF
    "ORA B", "ORA C", "ORA D", "ORA E", "ORA H", "ORA L", "ORA M", "ORA A", "CMP B", "CMP C", "CMP D", "CMP E", "CMP H", "CMP L", "CMP M", "CMP A",  // B0-BF
    "RNZ", "POP B", "JNZ palabra", "JMP palabra", "CNZ palabra", "PUSH B", "ADI byte", "RST 0", "RZ", "RET", "JZ palabra", "?", "CZ palabra", "CALL palabra", "ACI byte", "RST 1",  // C0-CF
    "RNC", "POP D", "JNC palabra", "OUT byte", "CNC palabra", "PUSH D", "SUI byte", "RST 2", "RC", "?", "JC palabra", "IN byte", "CC palabra", "?", "SBI byte", "RST 3",  // D0-DF
    "RPO", "POP H", "JPO palabra", "XTHL", "CPO palabra", "PUSH H", "ANI byte", "RST 4", "RPE", "PCHL", "JPE palabra", "XCHG", "CPE palabra", "?", "XRI byte", "RST 5",  // E0-EF
    "RP", "POP PSW", "JP palabra", "DI", "CP palabra", "PUSH PSW", "ORI byte", "RST 6", "RM", "SPHL", "JM palabra", "EI", "CM palabra", "?", "CPI byte", "RST 7",  // F0-FF
};

constexpr int opcodeLengthFromText(std::string_view text) {
    if (text.find("palabra") != std::string_view::npos) return 3;
    if (text.find("byte") != std::string_view::npos) return 2;
    return 1;
}

inline constexpr std::array<uint8_t, 256> kOpcodeLength = [] {
    std::array<uint8_t, 256> lengths{};
    for (int op = 0; op < 256; ++op) lengths[op] = static_cast<uint8_t>(opcodeLengthFromText(kOpcodeText[op]));
    return lengths;
}();

constexpr int opcodeLength(uint8_t opcode) { return kOpcodeLength[opcode]; }

// The bytes an instruction may use: its opcode and the next two bytes (used or not).
struct InstructionBytes {
    uint8_t opcode = 0, low = 0, high = 0;
};

// Per opcode: the text before the operand (the whole text when there is none), its size and the
// instruction's length. The text is a fixed array so that a formatter copies it as one block.
struct InstructionPrefix {
    char text[16];
    uint8_t size;
    uint8_t length;
};

inline constexpr std::array<InstructionPrefix, 256> kInstructionPrefix = [] {
    std::array<InstructionPrefix, 256> table{};
    for (int op = 0; op < 256; ++op) {
        const std::string_view entry = kOpcodeText[static_cast<size_t>(op)];
        const int length = kOpcodeLength[static_cast<size_t>(op)];
        const std::string_view shown =
            length == 1 ? entry : entry.substr(0, entry.find(length == 2 ? "byte" : "palabra"));
        InstructionPrefix& p = table[static_cast<size_t>(op)];
        for (size_t i = 0; i < shown.size(); ++i) p.text[i] = shown[i];
        p.size = static_cast<uint8_t>(shown.size());
        p.length = static_cast<uint8_t>(length);
    }
    return table;
}();

inline constexpr size_t kInstructionTextRoom = sizeof(InstructionPrefix::text) + 4;

// Writes the instruction text at p and returns its end: the operand in place of "byte" (2 digits) or
// "palabra" (4 digits, high byte first). p must have room for kInstructionTextRoom characters; those
// past the returned end hold no text.
inline char* putInstructionText(char* p, const InstructionBytes& bytes) {
    const InstructionPrefix& prefix = kInstructionPrefix[bytes.opcode];
    std::memcpy(p, prefix.text, sizeof prefix.text);  // whole array: the excess is overwritten after
    p += prefix.size;
    // Four digits are always written and only those of the operand kept: the length changes from one
    // instruction to the next, and a branch on it would often be guessed wrong.
    const uint8_t first = prefix.length == 3 ? bytes.high : bytes.low;
    p[0] = kHexDigits[first >> 4];
    p[1] = kHexDigits[first & 0xF];
    p[2] = kHexDigits[bytes.low >> 4];
    p[3] = kHexDigits[bytes.low & 0xF];
    return p + 2 * (prefix.length - 1);
}

inline void appendInstructionText(std::string& out, const InstructionBytes& bytes) {
    char text[kInstructionTextRoom];
    out.append(text, static_cast<size_t>(putInstructionText(text, bytes) - text));
}

inline std::string instructionText(const InstructionBytes& bytes, int* length = nullptr) {
    if (length) *length = opcodeLength(bytes.opcode);
    std::string text;
    appendInstructionText(text, bytes);
    return text;
}

}  // namespace vandor
