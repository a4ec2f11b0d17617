// The assembler's instruction table: 247 rows, one per mnemonic-and-register combination, each mapping a
// lookup key (mnemonic and register operands written together, "MOVA,B", "MVIA,", "JMP") to its code
// template ("78", "3E00", "C30000"). The rows are made from the one opcode table (common/opcodes.h): each
// defined opcode's text without blanks and placeholders is its key, plus "MOVM,M" for HLT's byte. The
// keys are stored in ascending character order, which the binary search of busca relies on. Directive
// words are not rows; busca gives them fixed negative codes.
//
//   EncodingTable table;
//   table.creatabla(messages);          // "Error en tabla" if the row order were ever broken
//   int16_t k = table.busca("MVIA,");   // row index; table.size(k) == 2, table.opcode(k) == 0x3E
//   table.busca("ORG");                 // kCodeOrg (-4)
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "common/sinks.h"

namespace vandor {

inline constexpr int kTableRows = 247;

// Statement codes below 0: none (or a label-only statement) and the seven directives.
inline constexpr int16_t kCodeNone = -1;
inline constexpr int16_t kCodeCpu = -2;
inline constexpr int16_t kCodeHof = -3;
inline constexpr int16_t kCodeOrg = -4;
inline constexpr int16_t kCodeEqu = -5;
inline constexpr int16_t kCodeDfb = -6;
inline constexpr int16_t kCodeDfw = -7;
inline constexpr int16_t kCodeEnd = -8;

// The rows as text, in key order: key, "{1}"/"{2}" for one or two operand bytes, "^", the code template
// ("MVIA,{1}^3E00").
const std::array<std::string_view, kTableRows>& encodingRowTexts();

// The key of an opcode's instruction text: blanks and the placeholders "byte" and "palabra" removed
// ("LXI SP,palabra" gives "LXISP,").
std::string encodingKey(std::string_view text);

// How many characters of a key are the mnemonic, the rest being register operands: the longest
// mnemonic of the opcode table that begins the key ("MOVA,B" 3, "CMA" 3, "JPE" 3, "RST5" 3, "LDAXB" 4).
// 0 when no mnemonic begins it.
size_t mnemonicLength(std::string_view key);

class EncodingTable {
public:
    // Builds the key and template arrays from rows; reports "Error en tabla" for every row whose key sorts
    // before the previous one, and goes on building.
    void creatabla(MessageSink& messages, const std::array<std::string_view, kTableRows>& rows = encodingRowTexts());

    // Row index of the key equal to cad, a directive code -2..-8, or -1.
    int16_t busca(std::string_view cad) const;

    const std::string& key(int row) const { return keys_[row]; }
    const std::string& codeTemplate(int row) const { return templates_[row]; }
    // Instruction size in bytes (1, 2 or 3) and opcode of a row.
    int size(int row) const { return static_cast<int>(templates_[row].size() / 2); }
    uint8_t opcode(int row) const { return opcodes_[row]; }

private:
    std::array<std::string, kTableRows> keys_;
    std::array<std::string, kTableRows> templates_;
    std::array<uint8_t, kTableRows> opcodes_{};
};

}  // namespace vandor
