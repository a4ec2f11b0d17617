// The disassembler: instruction text and length at an address, the program-view line, where the program
// view starts, the lines it lists, the stack words.
//
//   std::string text = desensambla(m, 0x0100, &len);   // "MVI A,0F", len 2
//   std::string line = linea(m, 0x0100, &len);         // "0100 3E 0F     MVI A,0F"
//   ProgramLines v = dispmem(m, inidisp(m, m.pc), m.pc);   // v.lines[v.selected].address == m.pc
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "common/hex.h"
#include "common/opcodes.h"
#include "machine/machine.h"

namespace vandor {

// Instruction text at an address; refreshes the wrap-around cells first (hence the non-const machine).
std::string desensambla(Machine& m, uint16_t address, int* length = nullptr);

// Program-view line: address, "*" or blank, the bytes padded to 8 characters, two blanks, the text.
std::string linea(Machine& m, uint16_t address, int* length = nullptr);

// Start address of the program view so that a few instructions before p are visible and the decoding
// falls exactly on p.
uint16_t inidisp(Machine& m, uint16_t p);

// One line of the program view: the line text and what it was made from.
struct ProgramLine {
    uint16_t address = 0;
    InstructionBytes bytes;  // the opcode and the next two bytes, used or not
    int length = 1;          // of the instruction: 1, 2 or 3
    std::string text;        // as linea writes it
};

// The program-view line at an address with its address, bytes and length.
ProgramLine programLine(Machine& m, uint16_t address);

struct ProgramLines {
    std::vector<ProgramLine> lines;  // at most the number of lines asked for
    int selected = -1;               // index of the line of the selected address, or -1
};
// The program view's lines at its default size; a taller view lists more.
inline constexpr int kProgramViewLines = 29;

// The lines the program view lists from address a, selecting q (pass -1 to select nothing).
ProgramLines dispmem(Machine& m, uint16_t a, long q, int count = kProgramViewLines);

// The eight stack words at SP, SP+2, ..., SP+14 (addresses wrap).
std::array<uint16_t, 8> regenpila(Machine& m);
// The first `count` stack words, as regenpila reads them; a taller stack view shows more than eight.
std::vector<uint16_t> stackWords(const Machine& m, int count);
// The address of stack line i (the word's low byte): SP + 2i, wrapping.
inline uint16_t stackAddress(const Machine& m, int i) { return static_cast<uint16_t>(m.sp + 2 * i); }

}  // namespace vandor
