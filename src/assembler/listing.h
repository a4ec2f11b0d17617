// The listing's line formats. Passes one and two list the raw lines as they are; the third pass lists
// every statement with its address and object bytes, then the symbol table.
//
//   std::string out;
//   appendThirdPassStatement(out, 0x0100, bytes, rawLine);   // "0100 3E05       INICIO: MVI A, 5\r\n"
//   appendSymbolHeading(out);
//   for (const SymbolTable::Entry& e : symbols.entries()) appendSymbolLine(out, e);
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "assembler/numbers.h"

namespace vandor {

inline constexpr std::string_view kCrLf = "\r\n";
inline constexpr std::string_view kListingIndent = "                ";  // 16 blanks: column 17

// A raw line of the first- or second-pass listing (indented false) or of the third (indented true).
void appendRawLine(std::string& out, std::string_view raw, bool indented);

// A statement of the third pass: address, object bytes (one char each), raw line (two lines past three
// bytes).
void appendThirdPassStatement(std::string& out, int64_t address, std::string_view object, std::string_view raw);

// The heading of the symbol table and one line per symbol, in the order of definition.
void appendSymbolHeading(std::string& out);
void appendSymbolLine(std::string& out, const SymbolTable::Entry& entry);

}  // namespace vandor
