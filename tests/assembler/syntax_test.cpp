// The classification of source lines that the editor highlights with, held against the assembler
// itself: every row of the instruction table written as a student would, the example programs, and a
// table of lines the assembler accepts or rejects.
#include "assembler/syntax.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "assembler/driver.h"
#include "common/opcodes.h"
#include "support/test_files.h"

namespace vandor {
namespace {

// One letter per byte of the line: m mnemonic, d directive, r register, n number, x bad number,
// l label, s symbol, c comment, i ignored, ! invalid, . plain.
std::string classMask(const std::vector<SyntaxSpan>& spans, size_t size) {
    static const std::map<SyntaxClass, char> letters = {
        {SyntaxClass::Mnemonic, 'm'}, {SyntaxClass::Directive, 'd'}, {SyntaxClass::Register, 'r'},
        {SyntaxClass::Number, 'n'},   {SyntaxClass::BadNumber, 'x'}, {SyntaxClass::Label, 'l'},
        {SyntaxClass::Symbol, 's'},   {SyntaxClass::Comment, 'c'},   {SyntaxClass::Ignored, 'i'},
        {SyntaxClass::Invalid, '!'}};
    std::string mask(size, '.');
    uint32_t previousEnd = 0;
    for (const SyntaxSpan& s : spans) {
        EXPECT_GE(s.begin, previousEnd) << "spans overlap or are out of order";
        EXPECT_LE(s.begin + s.length, size);
        for (uint32_t i = s.begin; i < s.begin + s.length && i < size; ++i) mask[i] = letters.at(s.cls);
        previousEnd = s.begin + s.length;
    }
    return mask;
}

// The text of every span of one class, upper-cased and without blanks, joined.
std::string textOf(std::string_view raw, const std::vector<SyntaxSpan>& spans, SyntaxClass cls) {
    std::string out;
    for (const SyntaxSpan& s : spans) {
        if (s.cls != cls) continue;
        for (char ch : raw.substr(s.begin, s.length))
            if (ch != ' ' && ch != '\t') out.push_back(ch >= 'a' && ch <= 'z' ? static_cast<char>(ch - 32) : ch);
    }
    return out;
}

std::vector<std::string> spanTexts(std::string_view raw, const std::vector<SyntaxSpan>& spans, SyntaxClass cls) {
    std::vector<std::string> out;
    for (const SyntaxSpan& s : spans) {
        if (s.cls != cls) continue;
        std::string t;
        for (char ch : raw.substr(s.begin, s.length))
            if (ch != ' ' && ch != '\t') t.push_back(ch >= 'a' && ch <= 'z' ? static_cast<char>(ch - 32) : ch);
        out.push_back(t);
    }
    return out;
}

// The assembler's verdict on a program: the messages of the pass that stopped it, or none.
std::vector<std::string> assemblerErrors(const std::string& source) {
    StringSink lst, hex;
    CollectingMessages messages;
    AssemblyRun run;
    assembleSource(source, lst, hex, messages, run);
    std::vector<std::string> out;
    for (const AssemblyError& e : run.errors) out.push_back(e.message);
    return out;
}

// Every row of the instruction table, written from the opcode table's text with an operand, in upper
// and lower case, with blanks and tabs, a label and a comment: the assembler's split finds the row
// that the text names, and the classification shows that row's mnemonic and registers and the
// operand as a number.
TEST(Syntax, EveryRowOfTheInstructionTable) {
    SyntaxClassifier classifier;
    const EncodingTable& table = classifier.table();
    std::vector<std::string> texts;
    for (std::string_view t : kOpcodeText)
        if (t != "?") texts.emplace_back(t);
    texts.emplace_back("MOV M,M");  // HLT's byte, a row of its own
    ASSERT_EQ(texts.size(), static_cast<size_t>(kTableRows));

    for (const std::string& text : texts) {
        const std::string mnemonic = text.substr(0, text.find(' '));
        std::string operands = text.size() > mnemonic.size() ? text.substr(mnemonic.size() + 1) : "";
        const bool word = operands.find("palabra") != std::string::npos;
        const bool byte = operands.find("byte") != std::string::npos;
        std::string registers;  // the letters of the register operands, as the key holds them
        for (char ch : operands.substr(0, operands.find_first_of("bp")))
            if (ch >= 'A' && ch <= 'Z') registers.push_back(ch);
        const std::string keyDigits = mnemonic == "RST" ? operands : "";
        if (!keyDigits.empty()) registers.clear();
        // The operand written in: "MVI A,12H", "JMP 1234H".
        std::string written = text;
        if (word) written.replace(written.find("palabra"), 7, "1234H");
        if (byte) written.replace(written.find("byte"), 4, "12H");
        std::string lower = written;
        for (char& ch : lower)
            if (ch >= 'A' && ch <= 'Z') ch = static_cast<char>(ch + 32);
        std::string spaced;  // a tab and a blank after the mnemonic, blanks around the comma
        for (char ch : lower) {
            if (ch == ',')
                spaced += "  ,  ";
            else if (ch == ' ' && spaced.find('\t') == std::string::npos)
                spaced += "\t ";
            else
                spaced += ch;
        }

        for (const std::string& line : {written, "ETQ: " + lower + " ; c", "\t" + spaced + "\t;" + text}) {
            SCOPED_TRACE(line);
            Statement st;
            st.text = cleanLine(line);
            ASSERT_EQ(splitStatement(st, table).count, 0);
            ASSERT_GE(st.code, 0);
            EXPECT_EQ(table.key(st.code), encodingKey(text));  // the assembler takes the row the text names

            const std::vector<SyntaxSpan>& spans = classifier.classify(line);
            EXPECT_EQ(textOf(line, spans, SyntaxClass::Mnemonic), mnemonic);
            EXPECT_EQ(textOf(line, spans, SyntaxClass::Register), registers);
            std::string numbers = keyDigits;
            if (word) numbers += "1234H";
            if (byte) numbers += "12H";
            EXPECT_EQ(textOf(line, spans, SyntaxClass::Number), numbers);
            EXPECT_EQ(textOf(line, spans, SyntaxClass::Label), st.label);
            for (SyntaxClass wrong : {SyntaxClass::BadNumber, SyntaxClass::Invalid, SyntaxClass::Symbol,
                                      SyntaxClass::Ignored, SyntaxClass::Directive})
                EXPECT_EQ(textOf(line, spans, wrong), "");
            const std::string mask = classMask(spans, line.size());
            EXPECT_EQ(mask.find('c'), line.find(';'));
        }
    }
}

// The example programs, line by line, against what the assembler made of them: labels where it
// defined them, the mnemonic of the row it chose, every number a literal it accepts, every name one of
// its symbols, comments from the first ";".
TEST(Syntax, TheExamplesAsTheAssemblerReadsThem) {
    SyntaxClassifier classifier;
    const EncodingTable& table = classifier.table();
    int files = 0, statements = 0, symbolsSeen = 0;
    for (const auto& entry : std::filesystem::directory_iterator(std::filesystem::path(VANDOR_SOURCE_DIR) / "examples")) {
        if (entry.path().extension() != ".asm") continue;
        ++files;
        const std::string bytes = test::readFile(entry.path());
        StringSink lst, hex;
        CollectingMessages messages;
        AssemblyRun run;
        ASSERT_TRUE(assembleSource(bytes, lst, hex, messages, run)) << entry.path();
        std::map<int32_t, const Statement*> byLine;
        for (const Statement& st : run.source.statements) byLine[st.line] = &st;

        for (size_t n = 0; n < run.source.rawLines.size(); ++n) {
            const std::string_view raw = run.source.rawLines[n];
            SCOPED_TRACE(entry.path().filename().string() + ": " + std::string(raw));
            const std::vector<SyntaxSpan> spans = classifier.classify(raw);
            const size_t semicolon = raw.find(';');
            const std::string mask = classMask(spans, raw.size());
            EXPECT_EQ(mask.find('c'), semicolon == std::string_view::npos ? std::string::npos : semicolon);
            for (char bad : {'x', '!'}) EXPECT_EQ(mask.find(bad), std::string::npos);

            const auto it = byLine.find(static_cast<int32_t>(n));
            if (it == byLine.end()) {
                EXPECT_EQ(mask.find_first_not_of(".c"), std::string::npos);
                continue;
            }
            const Statement& st = *it->second;
            ++statements;
            EXPECT_EQ(textOf(raw, spans, SyntaxClass::Label), st.label);
            if (st.code >= 0) {
                const std::string& key = table.key(st.code);
                const size_t m = mnemonicLength(key);
                EXPECT_EQ(textOf(raw, spans, SyntaxClass::Mnemonic), key.substr(0, m));
                std::string letters;
                for (char ch : key.substr(m))
                    if (ch >= 'A' && ch <= 'Z') letters.push_back(ch);
                EXPECT_EQ(textOf(raw, spans, SyntaxClass::Register), letters);
            } else if (st.code != kCodeNone) {
                EXPECT_EQ(textOf(raw, spans, SyntaxClass::Mnemonic), "");
                EXPECT_FALSE(textOf(raw, spans, SyntaxClass::Directive).empty());
            }
            // RST's digit is part of the key; every other number is a literal the assembler accepts.
            for (const std::string& number : spanTexts(raw, spans, SyntaxClass::Number)) {
                if (st.code >= 0 && table.key(st.code).starts_with("RST")) continue;
                EXPECT_GE(cmpnum(number, true), 0) << number;
            }
            for (const std::string& name : spanTexts(raw, spans, SyntaxClass::Symbol)) {
                EXPECT_NE(run.symbols.find(name), nullptr) << name;
                ++symbolsSeen;
            }
        }
    }
    EXPECT_GE(files, 6);
    EXPECT_GT(statements, 100);
    EXPECT_GT(symbolsSeen, 20);
}

struct LineCase {
    const char* line;
    const char* mask;      // see classMask
    const char* verdict;   // the assembler's first message for a program of this line, or "" for none
};

// Lines the assembler accepts and rejects: what each part is classed as, and the assembler's own
// verdict on the line (in a program where INICIO and FIN are labels). A line with a bad number or an
// invalid part is one the assembler rejects, and the other way round.
TEST(Syntax, LinesAndTheAssemblersVerdict) {
    const LineCase cases[] = {
        {"BUCLE: MVI A, 0FFH ; carga", "lllll..mmm.r..nnnn.ccccccc", ""},
        {"  mvi\tb ,  5", "..mmm.r....n", ""},
        {"MVI A, FFH", "mmm.r..xxx", "Operando incorrecto"},
        {"MVI A, 12H3", "mmm.r..xxxx", "Operando incorrecto"},
        {"MVI A, 256", "mmm.r..xxx", "Operando incorrecto"},
        {"LXI H, 10000H", "mmm.r..xxxxxx", "Operando incorrecto"},
        {"LXI SP, 0FFFFH", "mmm.rr..nnnnnn", ""},
        {"MVI A, 12B", "mmm.r..xxx", "Operando incorrecto"},
        {"DFB 1, 10B, 0AH, 12D", "ddd.n..nnn..nnn..nnn", ""},
        {"DFB 300, 2", "ddd.xxx..n", "Operando incorrecto"},
        {"DFW 300, INICIO+2", "ddd.nnn..ssssss.n", ""},
        {"MVI A, INICIO-FIN", "mmm.r..ssssss.sss", "Operando incorrecto"},
        {"MVI A, 5+", "mmm.r..n!", "Operando incorrecto"},
        {"MVI A, -5", "mmm.r..!n", "Operando incorrecto"},
        {"DFB -", "ddd.!", "Operando incorrecto"},
        {"DFB 1--2", "ddd.n.!n", "Operando incorrecto"},
        {"ORG -", "ddd.!", "Dirección incorrecta"},
        {"JMP FIN", "mmm.sss", ""},
        {"jmp inicio ; bucle", "mmm.ssssss.ccccccc", ""},
        {"JMP NADA", "mmm.ssss", "Operando incorrecto"},
        {"MOV A, B", "mmm.r..r", ""},
        {"MOVA,B", "!!!!!!", "Sintaxis incorrecta"},
        {"ADDA", "mmmr", ""},
        {"CM A", "mm.m", ""},
        {"JP E", "mm.m", "Operando incorrecto"},
        {"RST 5", "mmm.n", ""},
        {"PUSH PSW", "mmmm.rrr", ""},
        {"RET 5", "mmm.i", ""},
        {"MOOV A, B", "!!!!.....", "Código de operación no valido"},
        {"X EQU 5", "!......", "Código de operación no valido"},
        {": NOP", "!.mmm", "Etiqueta nula"},
        {"ORG 100H", "ddd.nnnn", ""},
        {"ORG FIN", "ddd.!!!", "Dirección incorrecta"},
        {"ORG 1 0", "ddd.xxx", "Dirección incorrecta"},
        {"ORG 100H+10H", "ddd.nnnn.nnn", ""},
        {"V: EQU 5", "l..ddd.n", ""},
        {"EQU 5", "ddd.i", ""},
        {"END INICIO", "ddd.iiiiii", ""},
        {"CPU 8085", "ddd.iiii", ""},
        {"SOLO:", "llll.", ""},
        {"; solo un comentario", "cccccccccccccccccccc", ""},
        {"MI ETIQUETA: NOP", "lllllllllll..mmm", ""},
        {"E N D", "d.d.d", ""},
        {"MVI A, 1 0", "mmm.r..nnn", ""},
        {"", "", ""},
    };
    SyntaxClassifier classifier;
    for (const LineCase& c : cases) {
        SCOPED_TRACE(c.line);
        const std::string line = c.line;
        ASSERT_EQ(std::string(c.mask).size(), line.size());
        EXPECT_EQ(classMask(classifier.classify(line), line.size()), c.mask);
        const std::vector<std::string> errors = assemblerErrors("INICIO: NOP\r\n" + line + "\r\nFIN: NOP\r\n");
        EXPECT_EQ(errors.empty() ? std::string() : errors.front(), c.verdict);
        // A mark of rejection in the classification exactly when the assembler rejects the line, but
        // for what only the whole program tells: a name not defined, a sum out of range, an operand
        // missing after the mnemonic.
        const std::string mask = c.mask;
        const bool marked = mask.find_first_of("x!") != std::string::npos;
        const bool knownOnlyFromTheProgram = line == "JMP NADA" || line == "JP E" || line == "MVI A, INICIO-FIN";
        if (!knownOnlyFromTheProgram) {
            EXPECT_EQ(marked, !errors.empty());
        }
    }
}

}  // namespace
}  // namespace vandor
