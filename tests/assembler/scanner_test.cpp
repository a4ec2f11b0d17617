#include "assembler/scanner.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <string_view>
#include <vector>

namespace vandor {
namespace {

TEST(ScannerReading, LineEndsRawLinesAndStatementNumbers) {
    const std::string bytes = "; cabecera\r\n  nop\t; uno\r\n\r\n\t \r\nhlt\nRET\r\n  last\tone  ";
    const SourceText src = readSource(bytes);
    ASSERT_EQ(src.rawLines.size(), 7u);
    EXPECT_EQ(src.rawLines[0], "; cabecera");
    EXPECT_EQ(src.rawLines[1], "  nop\t; uno");
    EXPECT_EQ(src.rawLines[2], "");
    EXPECT_EQ(src.rawLines[3], "\t ");
    EXPECT_EQ(src.rawLines[4], "hlt");
    EXPECT_EQ(src.rawLines[6], "  last\tone  ");
    ASSERT_EQ(src.statements.size(), 4u);
    const char* texts[] = {"NOP", "HLT", "RET", "LAST ONE"};
    const int lines[] = {1, 4, 5, 6};
    for (int k = 0; k < 4; ++k) {
        EXPECT_EQ(src.statements[k].text, texts[k]);
        EXPECT_EQ(src.statements[k].line, lines[k]);
    }
}

// How the bytes of a file fall into raw lines: every kind of line end, a byte-order mark, the edges.
TEST(ScannerReading, LineEndsAndEdgesOfTheFile) {
    const struct {
        std::string_view bytes;
        std::vector<std::string_view> lines;
    } cases[] = {
        {"", {}},
        {"\r\n", {""}},
        {"NOP\r\n", {"NOP"}},
        {"NOP", {"NOP"}},
        {"A\nB\n", {"A", "B"}},
        {"A\rB\r", {"A", "B"}},                        // lone CR, as old Macintosh editors save
        {"A\rB\r\nC\nD", {"A", "B", "C", "D"}},        // all three mixed
        {"A\r\rB", {"A", "", "B"}},
        {"A\r\r\nB", {"A", "", "B"}},                   // a CR, then a CR LF
        {"A\n\rB", {"A", "", "B"}},
        {"\r\r\r", {"", "", ""}},
        {"\xEF\xBB\xBFNOP\r\nHLT", {"NOP", "HLT"}},     // the byte-order mark is skipped
        {"\xEF\xBB\xBF", {}},
        {"\xEF\xBBNOP", {"\xEF\xBBNOP"}},               // not a whole mark: text as it stands
        {"NOP\r\n\xEF\xBB\xBF", {"NOP", "\xEF\xBB\xBF"}},  // only at the start
        {std::string_view("N\0P\n", 4), {std::string_view("N\0P", 3)}},
    };
    for (const auto& c : cases) {
        const SourceText src = readSource(c.bytes);
        EXPECT_EQ(src.rawLines, c.lines) << testing::PrintToString(std::string(c.bytes));
    }
    const SourceText mac = readSource("; uno\r  nop\rhlt\r");
    ASSERT_EQ(mac.statements.size(), 2u);
    EXPECT_EQ(mac.statements[0].text, "NOP");
    EXPECT_EQ(mac.statements[1].line, 2);
    const SourceText nul = readSource(std::string_view("N\0P\n", 4));
    ASSERT_EQ(nul.statements.size(), 1u);
    EXPECT_EQ(nul.statements[0].text, std::string("N\0P", 3));
}

TEST(ScannerReading, CleaningUpperCasesAsciiOnlyAndCutsAtTheFirstSemicolon) {
    EXPECT_EQ(cleanLine("  mvi  a ,  5   ; carga"), "MVI  A ,  5");
    EXPECT_EQ(cleanLine("\tdfb\t1;2;3"), "DFB 1");
    EXPECT_EQ(cleanLine("; solo comentario"), "");
    EXPECT_EQ(cleanLine("  \t  "), "");
    EXPECT_EQ(cleanLine("et\xc3\xa1: nop"), "ET\xc3\xa1: NOP");
    EXPECT_EQ(cleanLine("\xe1z"), "\xe1Z");
}

struct SplitCase {
    const char* text;
    const char* label;
    const char* key;  // expected key of the row found, a directive word, or "" for none
    const char* operand;
    std::vector<std::string_view> errors;
};

class ScannerSplit : public ::testing::Test {
protected:
    void SetUp() override { table.creatabla(messages); }
    EncodingTable table;
    CollectingMessages messages;
};

TEST_F(ScannerSplit, EveryRuleAndMessage) {
    const SplitCase cases[] = {
        {"MVI  A ,  5", "", "MVIA,", "5", {}},
        {"ADDA", "", "ADDA", "", {}},
        {"MOVA,B", "", "", "", {kMsgSintaxis}},
        {"MOV A,B", "", "MOVA,B", "", {}},
        {"CM A", "", "CMA", "", {}},
        {"JP E", "", "JPE", "", {}},
        {"RET 5", "", "RET", "5", {}},
        {"END INICIO", "", "END", "INICIO", {}},
        {"CPU 8085", "", "CPU", "8085", {}},
        {"X EQU 5", "", "", "", {kMsgCodigo}},
        {"X: EQU 5", "X", "EQU", "5", {}},
        {": NOP", "", "NOP", "", {kMsgEtiquetaNula}},
        {":", "", "", "", {kMsgEtiquetaNula}},
        {": MOVA,B", "", "", "", {kMsgEtiquetaNula, kMsgSintaxis}},
        {": FOO", "", "", "", {kMsgEtiquetaNula, kMsgCodigo}},
        {"BUCLE:", "BUCLE", "", "", {}},
        {"MI  ETIQUETA: NOP", "MI ETIQUETA", "NOP", "", {}},
        {"1A,B: HLT", "1A,B", "HLT", "", {}},
        {"A:B: NOP", "A", "", "", {kMsgCodigo}},
        {"LXI SP,2000H", "", "LXISP,", "2000H", {}},
        {"LXI  H , TABLA + 2", "", "LXIH,", "TABLA+2", {}},
        {"DFB 1, 2", "", "DFB", "1, 2", {}},
        {"DFB  1 ,  2", "", "DFB", "1 , 2", {}},
        {"JMP INICIO", "", "JMP", "INICIO", {}},
        {"ORG 100H", "", "ORG", "100H", {}},
        {"ORG 1 0", "", "ORG", "1 0", {}},
        {"ADD B", "", "ADDB", "", {}},
        {"PUSH PSW", "", "PUSHPSW", "", {}},
        {"RST 5", "", "RST5", "", {}},
        {"O RG", "", "ORG", "", {}},
        {"FOO", "", "", "", {kMsgCodigo}},
        {"FOO BAR", "", "", "", {kMsgCodigo}},
        {"FOO B,C", "", "", "", {kMsgCodigo}},
        {"HLT,", "", "", "", {kMsgSintaxis}},
        {",", "", "", "", {kMsgSintaxis}},
        {"MVI A,", "", "MVIA,", "", {}},
        {"NOP X", "", "NOP", "X", {}},
        {"E: :", "E", "", "", {kMsgCodigo}},
    };
    for (const SplitCase& c : cases) {
        Statement st;
        st.text = c.text;
        const SplitErrors errors = splitStatement(st, table);
        SCOPED_TRACE(c.text);
        EXPECT_EQ(st.label, c.label);
        EXPECT_EQ(st.operand, c.operand);
        ASSERT_EQ(errors.count, static_cast<int>(c.errors.size()));
        for (int e = 0; e < errors.count; ++e) EXPECT_EQ(errors.messages[e], c.errors[e]);
        if (std::string_view(c.key).empty()) {
            EXPECT_EQ(st.code, kCodeNone);
        } else {
            EXPECT_EQ(st.code, table.busca(c.key));
        }
    }
}

// The highlighting splits lines whose blank runs are not collapsed: the split must decide the same there,
// and its parts must be the same texts once collapsed. Random statements over a small alphabet of
// mnemonic pieces, registers, commas, colons and blanks.
TEST_F(ScannerSplit, BlankRunsDoNotChangeTheSplit) {
    const char* pieces[] = {"MOV", "MVI", "A", "B", "SP", "H", "LXI", "ADD", "DFB", "ORG", "EQU", "RST", "5",
                            "0FFH", "X", "JP", "E", "CM", ",", ":", "+", " ", "  ", "   "};
    std::mt19937 rng(17);
    for (int round = 0; round < 20000; ++round) {
        std::string text;
        const int n = 1 + static_cast<int>(rng() % 7);
        for (int k = 0; k < n; ++k) text += pieces[rng() % std::size(pieces)];
        const std::string_view trimmed = statementPart(text);
        if (trimmed.empty()) continue;
        Statement st;
        st.text = std::string(trimmed);
        const StatementParts wide = splitParts(st.text, table);
        const SplitErrors errors = splitStatement(st, table);  // collapses st.text
        SCOPED_TRACE(text);
        EXPECT_EQ(wide.code, st.code);
        ASSERT_EQ(wide.errors.count, errors.count);
        for (int e = 0; e < errors.count; ++e) EXPECT_EQ(wide.errors.messages[e], errors.messages[e]);
        const auto collapsed = [](std::string_view s) {
            std::string out;
            for (char ch : s)
                if (ch != ' ' || (!out.empty() && out.back() != ' ')) out.push_back(ch);
            return out;
        };
        const std::string_view w = trimmed;
        EXPECT_EQ(collapsed(w.substr(wide.labelBegin, wide.labelEnd - wide.labelBegin)), st.label);
        std::string operand(w.substr(wide.operandBegin, wide.operandEnd - wide.operandBegin));
        if (wide.key == StatementParts::Key::CompactToComma) std::erase(operand, ' ');
        EXPECT_EQ(collapsed(operand), st.operand);
    }
}

}  // namespace
}  // namespace vandor
