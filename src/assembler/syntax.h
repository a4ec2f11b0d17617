// What each part of a source line is to the assembler, for the editor's highlighting. A line is read by
// the scanner's own functions (statementPart, normalizeStatement, splitParts), its key by the
// instruction table, its operand terms by the rules of numbers.h, and each term is classed as the pass
// that evaluates it would take it: an instruction's operand and the items of DFB and DFW are operand
// values (literals or names), the operands of ORG and of a labelled EQU are numbers (literals only),
// and what no pass reads (an operand after RET, END, CPU, HOF or an EQU without label) is ignored.
//
//   SyntaxClassifier classifier;
//   for (const SyntaxSpan& s : classifier.classify("BUCLE: MVI A, 0FFH ; carga"))
//       ...;   // Label "BUCLE", Mnemonic "MVI", Register "A", Number "0FFH", Comment "; carga"
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "assembler/encoding_table.h"

namespace vandor {

enum class SyntaxClass : uint8_t {
    Mnemonic,   // the mnemonic of an instruction row
    Directive,  // ORG, EQU, DFB, DFW, END, CPU, HOF
    Register,   // a register or pair that is part of the row's key ("A" of MOV A,B; "SP" of LXI SP,)
    Number,     // a literal the assembler accepts where it stands (RST's digit too)
    BadNumber,  // a literal it rejects: bad digits ("12H3", "12B"), too large, or "FFH" without its 0
    Label,      // a label where it is defined
    Symbol,     // a name used as an operand value
    Comment,    // from the first ";" on
    Ignored,    // operand text no pass reads
    Invalid,    // what the first pass rejects: an unknown mnemonic, a comma without blank, an empty
                // label, a sign without its term; a name where only numbers are allowed
};

struct SyntaxSpan {
    uint32_t begin;   // byte offset in the raw line
    uint32_t length;  // bytes
    SyntaxClass cls;
};

class SyntaxClassifier {
public:
    SyntaxClassifier();

    // The classed parts of one raw line (without its line end), in order; bytes in no span (blanks,
    // commas, signs, the ":" of a label) are plain. The result stays valid until the next call.
    const std::vector<SyntaxSpan>& classify(std::string_view raw);

    const EncodingTable& table() const { return table_; }

private:
    void add(size_t begin, size_t end, SyntaxClass cls);
    void classifyKey(size_t begin, size_t end, int16_t code);
    // An operand value (sacaoperando): blanks deleted, a sum of terms, literals or names.
    void operandValue(size_t begin, size_t end, bool sixteenBits);
    // A number (cmpnum): a sum of trimmed literal terms, no names, blanks inside a term not allowed.
    void numberValue(size_t begin, size_t end);
    // One term: the text as the pass would evaluate it.
    void term(size_t begin, size_t end, const std::string& value, int64_t limit, bool namesAllowed);

    EncodingTable table_;
    std::string text_;  // the line's statement part, normalized as the scanner does
    size_t base_ = 0;   // offset of text_ in the raw line
    std::vector<SyntaxSpan> spans_;
};

}  // namespace vandor
