// The disassembler and the number helpers shared by every view: instruction text and length at an
// address, the program-view line, where the program view starts, the lines it lists, the stack words.
//
//   std::string text = desensambla(m, 0x0100, &len);   // "MVI A,0F", len 2
//   std::string line = linea(m, 0x0100, &len);         // "0100 3E 0F     MVI A,0F"
//   ProgramLines v = dispmem(m, inidisp(m, m.pc), m.pc);
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "machine/machine.h"

namespace vandor {

// The opcode text table (one entry per opcode, "byte"/"palabra" placeholders, "?" for undefined ones).
const std::array<std::string_view, 256>& tabla();

// Upper-case hexadecimal of exactly `digits` digits (the low ones; negatives as two's complement).
std::string hexa(long value, int digits);
void appendHex2(std::string& out, uint8_t value);
void appendHex4(std::string& out, uint16_t value);

// The leading hexadecimal digits of a text, either case; 0 when there are none. Texts too long for 32 bits
// keep the low 32 bits of their value (no overflow).
int32_t dec(std::string_view text);

// The bytes an instruction may use: its opcode and the next two bytes (used or not).
struct InstructionBytes {
    uint8_t opcode = 0, low = 0, high = 0;
};

// Instruction text from its bytes alone (the trace keeps only the bytes of a row).
std::string instructionText(const InstructionBytes& bytes, int* length = nullptr);
void appendInstructionText(std::string& out, const InstructionBytes& bytes);

// Instruction text at an address; refreshes the wrap-around cells first (hence the non-const machine).
std::string desensambla(Machine& m, uint16_t address, int* length = nullptr);

// Program-view line: address, "*" or blank, the bytes padded to 8 characters, two blanks, the text.
std::string linea(Machine& m, uint16_t address, int* length = nullptr);

// Start address of the program view so that a few instructions before p are visible and the decoding
// falls exactly on p.
uint16_t inidisp(Machine& m, uint16_t p);

struct ProgramLines {
    std::vector<std::string> lines;       // at most 29
    std::vector<uint16_t> addresses;      // the address of each line
    int selected = -1;                    // index of the line of the selected address, or -1
};
inline constexpr int kProgramViewLines = 29;

// The lines the program view lists from address a, selecting q (pass -1 to select nothing).
ProgramLines dispmem(Machine& m, uint16_t a, long q);

// The eight stack words at SP, SP+2, ..., SP+14 (addresses wrap).
std::array<uint16_t, 8> regenpila(Machine& m);

}  // namespace vandor
