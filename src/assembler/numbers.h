// Numbers and operand values of the assembler, and its symbol table.
//
// A number is a literal ("0FFH", "1010B", "12D", "12") or a sum and difference of literals; an operand
// value may also use the program's symbols. Results are signed 32-bit: the value when >= 0, -1 for text
// that is not valid, -2 for a value out of range for the requested width (tipo false: 8 bits, true: 16
// bits); a sum below zero is returned as it is and every caller rejects it.
//
//   SymbolTable symbols; symbols.add("TABLA", 0x1234);
//   cmpnum("100H", true);                       // 256
//   std::string op = "TABLA + 2";
//   sacaoperando(op, true, symbols);            // 0x1236, op is now "TABLA+2"
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace vandor {

inline constexpr int32_t kInvalid = -1;
inline constexpr int32_t kOutOfRange = -2;

// The symbol table: entries in the order of definition; lookups find the first entry of a name, as a
// search from the first entry would, but through an index.
class SymbolTable {
public:
    struct Entry {
        std::string name;
        int64_t value;
    };

    void clear();
    // Appends an entry and returns how many earlier entries carry the same name.
    int add(std::string_view name, int64_t value);
    // The first entry of that name, or nullptr.
    const Entry* find(std::string_view name) const;
    const std::vector<Entry>& entries() const { return entries_; }
    bool empty() const { return entries_.empty(); }

private:
    struct NameHash {
        using is_transparent = void;
        size_t operator()(std::string_view name) const { return std::hash<std::string_view>{}(name); }
    };
    struct Defined {
        size_t first;  // index of the name's first entry
        int count;     // entries of the name so far
    };

    std::vector<Entry> entries_;
    std::unordered_map<std::string, Defined, NameHash, std::equal_to<>> names_;
};

// The value of one literal before any width check (the notation's rules of the table above applied),
// or kInvalid. cmpnum gives this value held to its width.
int32_t literalValue(std::string_view cad);
// True for a text that reads as a number to the eye: it starts with a decimal digit, or it is
// hexadecimal digits followed by "H" ("FFH", which the assembler takes for a name since a hexadecimal
// literal must start with 0-9).
bool numberShaped(std::string_view cad);

// The terms of a sum, in order: the texts between "+" and "-" signs, as positions in the text (not
// trimmed). A text without signs is one term; a sign at either end gives an empty term there.
//
//   SumTerms terms("TABLA + 2");  size_t b, e;  char sign;
//   while (terms.next(b, e, sign)) ...        // "TABLA " then '+'; " 2" then '\0'
class SumTerms {
public:
    explicit SumTerms(std::string_view cad);
    // The next term as [begin, end) and the sign that ends it ('\0' after the last). False when done.
    bool next(size_t& begin, size_t& end, char& sign);

private:
    std::string_view cad_;
    size_t pos_ = 0;
    size_t plus_, minus_;
    bool done_ = false;
};

// A number: one literal, or a sum of literals through separa. Never consults symbols.
int32_t cmpnum(std::string_view cad, bool tipo);
// An operand value: deletes every blank of cad in place, then a literal, a symbol, or a sum.
int32_t sacaoperando(std::string& cad, bool tipo, const SymbolTable& symbols);
// Sums and differences of literals (separa) or of literals and symbols (sepoperando). Every term must be
// a valid 16-bit value; only the total is held to the width of tipo.
int32_t separa(std::string_view cad, bool tipo);
int32_t sepoperando(std::string_view cad, bool tipo, const SymbolTable& symbols);
// Digit converters; -1 when the value does not fit in a signed 32-bit integer.
int32_t bintodec(std::string_view cad);
int32_t hextodec(std::string_view cad);
int32_t dectodec(std::string_view cad);

namespace assembler {
// The smaller of two character positions counted from 1, where 0 means absent.
int min(int a, int b);
}  // namespace assembler

}  // namespace vandor
