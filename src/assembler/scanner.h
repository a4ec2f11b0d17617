// The source line scanner: raw lines kept byte for byte for the listing and the error reports, cleaned
// statement texts (tabs to blanks, trimmed, ASCII upper case, comment cut at the first ";"), and the split
// of a statement into label, instruction-table row or directive, and operand text.
//
//   SourceText src = readSource(bytes);        // src.rawLines[i], src.statements[k].text / .line
//   SplitErrors errors = splitStatement(src.statements[0], table);
//
// The editor's highlighting reads lines through the same functions (statementPart, normalizeStatement,
// splitParts), so that it shows every line as the assembler takes it.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "assembler/encoding_table.h"

namespace vandor {

inline constexpr std::string_view kMsgEtiquetaNula = "Etiqueta nula";
inline constexpr std::string_view kMsgSintaxis = "Sintaxis incorrecta";
inline constexpr std::string_view kMsgCodigo = "Código de operación no valido";

struct Statement {
    std::string text;       // cleaned line (blank runs collapsed by the split)
    int32_t line = 0;       // index of its raw line
    std::string label;      // empty if none
    std::string operand;    // empty if none
    int16_t code = kCodeNone;
    int64_t address = 0;    // location counter (may pass FFFF; such bytes are rejected)
    int64_t size = 0;       // object bytes
    std::string object;     // object bytes, one char each (short ones need no allocation)
};

struct SourceText {
    std::vector<std::string_view> rawLines;  // views into the caller's bytes
    std::vector<Statement> statements;
};

// Lines end in CR LF, LF or a lone CR; a last line without an end counts, a UTF-8 byte-order mark at the
// start is not part of the first line. An empty text has no line.
SourceText readSource(std::string_view bytes);

// The cleaned text of one raw line; empty when the line is blank or only a comment.
std::string cleanLine(std::string_view raw);
// The part of a raw line that cleaning keeps, still in its own letters and tabs: the text before the
// first ";", without blanks and tabs at its ends.
std::string_view statementPart(std::string_view raw);
// Cleaning's change of every character in place, which keeps the length: tabs become blanks, ASCII
// letters upper case.
void normalizeStatement(std::string& text);

struct SplitErrors {
    std::string_view messages[2];
    int count = 0;
    void add(std::string_view m) { messages[count++] = m; }
    bool has(std::string_view m) const { return (count > 0 && messages[0] == m) || (count > 1 && messages[1] == m); }
};

// Where the split found the parts of a statement's text, as positions in that text. The decisions do
// not depend on how many blanks stand together, so a text whose blank runs are not collapsed yet gives
// the same parts at its own positions.
struct StatementParts {
    // Which lookup found the code: the text without blanks, that text up to its first ",", or the word
    // before the first blank.
    enum class Key { None, Compact, CompactToComma, FirstWord };

    bool hasColon = false;
    size_t colon = 0;
    size_t labelBegin = 0, labelEnd = 0;      // the label, trimmed
    size_t bodyBegin = 0, bodyEnd = 0;        // what follows the ":" (or the whole text), trimmed
    Key key = Key::None;
    size_t keyEnd = 0;                        // the key's text runs from bodyBegin to here
    size_t operandBegin = 0, operandEnd = 0;  // the operand text, blanks included
    int16_t code = kCodeNone;
    SplitErrors errors;
};

StatementParts splitParts(std::string_view text, const EncodingTable& table);

// Sets label, code and operand of a statement from its text.
SplitErrors splitStatement(Statement& st, const EncodingTable& table);

}  // namespace vandor
