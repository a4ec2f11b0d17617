#include "assembler/driver.h"

#include <gtest/gtest.h>

#include <map>
#include <random>
#include <string>
#include <vector>

namespace vandor {
namespace {

struct Result {
    bool ok = false;
    StringSink lst, hex;
    CollectingMessages messages;
    AssemblyRun run;
    std::string source;
};

// Lines joined with CR LF, the source form of the examples below.
std::string crlf(std::initializer_list<std::string_view> lines) {
    std::string text;
    for (std::string_view l : lines) text.append(l).append("\r\n");
    return text;
}

std::unique_ptr<Result> assemble(std::string source) {
    auto r = std::make_unique<Result>();
    r->source = std::move(source);
    r->ok = assembleSource(r->source, r->lst, r->hex, r->messages, r->run);
    return r;
}

// The used entries of the image, as address -> byte.
std::map<int, int> usedBytes(const CodeImage& image) {
    std::map<int, int> used;
    for (int a = 0; a < 0x10000; ++a)
        if (image[a] >= 0) used[a] = image[a];
    return used;
}

std::string errorLog(std::initializer_list<std::pair<std::string_view, std::string_view>> lineAndMessage,
                     const std::vector<int>& numbers) {
    std::string log;
    size_t k = 0;
    for (auto [raw, message] : lineAndMessage) {
        log.append("==>").append(raw).append("\r\n");
        log.append("Línea: ").append(std::to_string(numbers[k++])).append(" - ERROR: ").append(message).append("\r\n");
    }
    return log;
}

TEST(Driver, TheListingExampleByteForByte) {
    auto r = assemble(crlf({"; ejemplo", "        ORG 100H", "INICIO: MVI A, 5", "        JMP INICIO",
                            "DATOS:  DFB 1, 2, 3, 4"}));
    ASSERT_TRUE(r->ok);
    EXPECT_EQ(r->lst.text,
              "0100                    ORG 100H\r\n"
              "0100 3E05       INICIO: MVI A, 5\r\n"
              "0102 C30001             JMP INICIO\r\n"
              "0105 01020304\r\n"
              "                DATOS:  DFB 1, 2, 3, 4\r\n"
              "----------------------------------------\r\n"
              "TABLA DE SIMBOLOS\r\n"
              "----------------------------------------\r\n"
              "INICIO\t0100\r\n"
              "DATOS\t0105\r\n");
    EXPECT_EQ(r->hex.text, "");
    EXPECT_EQ(r->run.lastPass, 3);
    const std::map<int, int> expected = {{0x100, 0x3E}, {0x101, 0x05}, {0x102, 0xC3}, {0x103, 0x00},
                                         {0x104, 0x01}, {0x105, 1},    {0x106, 2},    {0x107, 3},
                                         {0x108, 4}};
    EXPECT_EQ(usedBytes(*r->run.image), expected);
}

struct BytesCase {
    const char* name;
    std::vector<std::string_view> lines;
    std::map<int, int> bytes;
};

TEST(Driver, ProgramsThatAssemble) {
    const BytesCase cases[] = {
        {"forward references", {"JMP FIN", "DFW FIN, FIN+1", "FIN: HLT"},
         {{0, 0xC3}, {1, 7}, {2, 0}, {3, 7}, {4, 0}, {5, 8}, {6, 0}, {7, 0x76}}},
        {"EQU gives its value, ORG label its address", {"ORG 10H", "AQUI: ORG 20H", "V: EQU 1234H", "LXI H, V", "LXI D, AQUI"},
         {{0x20, 0x21}, {0x21, 0x34}, {0x22, 0x12}, {0x23, 0x11}, {0x24, 0x20}, {0x25, 0}}},
        {"ORG backwards, later byte wins", {"ORG 5", "DFB 1, 2, 3", "ORG 6", "DFB 9"},
         {{5, 1}, {6, 9}, {7, 3}}},
        {"DFW low byte first", {"DFW 1234H, 5"}, {{0, 0x34}, {1, 0x12}, {2, 5}, {3, 0}}},
        {"statements after END", {"NOP", "END", "HLT"}, {{0, 0}, {1, 0x76}}},
        {"operands ignored where none is taken", {"RET 5", "CPU 8085", "HOF X", "END INICIO"}, {{0, 0xC9}}},
        {"differences of labels", {"INICIO: NOP", "LXI H, FIN-INICIO", "MVI A, FIN-INICIO", "FIN:"},
         {{0, 0}, {1, 0x21}, {2, 6}, {3, 0}, {4, 0x3E}, {5, 6}}},
        {"symbol spelled like a register", {"B: EQU 7", "MVI A, B", "MOV A, B"}, {{0, 0x3E}, {1, 7}, {2, 0x78}}},
        {"lower case source", {"inicio: mvi a, 0ffh", "  jmp inicio"}, {{0, 0x3E}, {1, 0xFF}, {2, 0xC3}, {3, 0}, {4, 0}}},
        {"last byte of memory", {"ORG 0FFFEH", "DFB 1, 2", "TRAS:"}, {{0xFFFE, 1}, {0xFFFF, 2}}},
        {"MVI M and HLT's byte for MOV M,M", {"MVI M, 1", "MOV M, M"}, {{0, 0x36}, {1, 1}, {2, 0x76}}},
        {"EQU without label does nothing", {"EQU 1 0", "NOP"}, {{0, 0}}},
    };
    for (const BytesCase& c : cases) {
        std::string source;
        for (std::string_view l : c.lines) source.append(l).append("\r\n");
        auto r = assemble(source);
        ASSERT_TRUE(r->ok) << c.name << "\n" << r->hex.text;
        EXPECT_EQ(usedBytes(*r->run.image), c.bytes) << c.name;
    }
}

struct ErrorCase {
    const char* name;
    std::vector<std::string_view> lines;
    int pass;
    std::vector<std::pair<int, std::string_view>> errors;  // line number (from 1), message
};

TEST(Driver, ProgramsThatFailReportEveryErrorOfTheStoppingPass) {
    const ErrorCase cases[] = {
        {"first pass errors only", {"FOO", "JMP NADA", ": NOP", "MOV A,B", "MOVA,B"}, 1,
         {{1, kMsgCodigo}, {3, kMsgEtiquetaNula}, {5, kMsgSintaxis}}},
        {"label without colon", {"X EQU 5"}, 1, {{1, kMsgCodigo}}},
        {"three definitions", {"L: NOP", "L: NOP", "; c", "L: NOP"}, 2,
         {{2, kMsgDuplicada}, {4, kMsgDuplicada}, {4, kMsgDuplicada}}},
        {"ORG and EQU take no symbols", {"FIN: NOP", "ORG FIN", "V: EQU FIN", "W: EQU 5-10", "ORG"}, 2,
         {{2, kMsgDireccion}, {3, kMsgDireccion}, {4, kMsgDireccion}, {5, kMsgDireccion}}},
        {"duplicate before the EQU value", {"V: NOP", "V: EQU X"}, 2, {{2, kMsgDuplicada}, {2, kMsgDireccion}}},
        {"ORG out of range", {"ORG 10000H", "ORG 0FFFFH+1"}, 2, {{1, kMsgDireccion}, {2, kMsgDireccion}}},
        {"operands", {"MVI A, 256", "MVI A, 5-10", "LXI H, 10000H", "DFB 1,,2", "JMP NADA", "JP E", "DFB 300", "DFW"}, 3,
         {{1, kMsgOperando}, {2, kMsgOperando}, {3, kMsgOperando}, {4, kMsgOperando}, {5, kMsgOperando},
          {6, kMsgOperando}, {7, kMsgOperando}, {8, kMsgOperando}}},
        {"a byte operand from a 16-bit label", {"ORG 1234H", "T: MVI A, T", "MVI A, T-1230H"}, 3, {{2, kMsgOperando}}},
        {"bytes beyond FFFF", {"ORG 0FFFFH", "DFW 1", "NOP", "FIN:"}, 3, {{2, kMsgDireccion}, {3, kMsgDireccion}}},
        {"own operand error first", {"ORG 0FFFEH", "JMP NADA"}, 3, {{2, kMsgOperando}, {2, kMsgDireccion}}},
        {"a jump to a label beyond FFFF", {"ORG 0FFFFH", "NOP", "FIN:", "ORG 0", "JMP FIN"}, 3, {{5, kMsgOperando}}},
    };
    for (const ErrorCase& c : cases) {
        std::string source;
        for (std::string_view l : c.lines) source.append(l).append("\r\n");
        auto r = assemble(source);
        SCOPED_TRACE(c.name);
        EXPECT_FALSE(r->ok);
        EXPECT_EQ(r->run.lastPass, c.pass);
        EXPECT_EQ(r->run.image, nullptr);
        std::string log;
        for (auto [line, message] : c.errors) {
            log.append("==>").append(c.lines[line - 1]).append("\r\n");
            log.append("Línea: ").append(std::to_string(line)).append(" - ERROR: ").append(message).append("\r\n");
        }
        EXPECT_EQ(r->hex.text, log);
    }
}

TEST(Driver, FirstAndSecondPassListingsAreRawLinesWithErrorsBelow) {
    auto r = assemble(crlf({"; cabecera", "\tFOO\t; uno", "", "  NOP ; dos", "; final"}));
    EXPECT_EQ(r->lst.text,
              "\tFOO\t; uno\r\n"
              "==> ERROR: Código de operación no valido\r\n"
              "\r\n"
              "  NOP ; dos\r\n");
    auto r2 = assemble(crlf({"A: NOP", "; c", "A: HLT"}));
    EXPECT_EQ(r2->run.lastPass, 2);
    EXPECT_EQ(r2->lst.text, "A: NOP\r\n; c\r\nA: HLT\r\n==> ERROR: Etiqueta duplicada\r\n");
}

TEST(Driver, ThirdPassListingPutsErrorsAboveTheStatementAndItsComments) {
    auto r = assemble(crlf({"NOP", "; antes", "\tMVI A, 256", "DFB 1, 2, 3", "X: DFB 1,2,3,4,5", "F:"}));
    EXPECT_FALSE(r->ok);
    EXPECT_EQ(r->lst.text,
              "0000 00         NOP\r\n"
              "==> ERROR: Operando incorrecto\r\n"
              "                ; antes\r\n"
              "0001 3EFE       \tMVI A, 256\r\n"
              "0003 010203     DFB 1, 2, 3\r\n"
              "0006 0102030405\r\n"
              "                X: DFB 1,2,3,4,5\r\n"
              "000B            F:\r\n"
              "----------------------------------------\r\n"
              "TABLA DE SIMBOLOS\r\n"
              "----------------------------------------\r\n"
              "X\t0006\r\n"
              "F\t000B\r\n");
}

TEST(Driver, RejectedValuesAreLaidOutFromTheirNegativeNumber) {
    auto r = assemble(crlf({"MVI A, NADA", "LXI H, NADA", "DFW 5-10, 5-400H", "CPI 0-300"}));
    EXPECT_FALSE(r->ok);
    EXPECT_NE(r->lst.text.find("0000 3EFF       MVI A, NADA"), std::string::npos);
    EXPECT_NE(r->lst.text.find("0002 21FF00     LXI H, NADA"), std::string::npos);
    EXPECT_NE(r->lst.text.find("0005 FB0005FD\r\n"), std::string::npos);  // -5 and -1019
    EXPECT_NE(r->lst.text.find("0009 FED4       CPI 0-300"), std::string::npos);
}

TEST(Driver, SourcesWithoutStatements) {
    for (const std::string& source : {std::string(), std::string("; solo\r\n\r\n\t\r\n"), std::string("\n\n")}) {
        auto r = assemble(source);
        EXPECT_TRUE(r->ok);
        EXPECT_EQ(r->lst.text,
                  "----------------------------------------\r\nTABLA DE SIMBOLOS\r\n"
                  "----------------------------------------\r\n");
        EXPECT_TRUE(usedBytes(*r->run.image).empty());
    }
}

// The listing and the error log are in the source's encoding throughout: a Windows-1252 source gets the
// program's own texts in Windows-1252 too, so that the files never mix two encodings.
TEST(Driver, ListingAndLogAreInTheSourcesEncoding) {
    struct Case {
        const char* name;
        std::string comment;  // a comment line holding one accented letter
        TextEncoding encoding;
        std::string codigo, linea;  // the message and "Línea" as they must be written
    };
    const Case cases[] = {
        {"ascii", "; anadir", TextEncoding::Utf8, "Código de operación no valido", "Línea"},
        {"utf-8", "; añadir", TextEncoding::Utf8, "Código de operación no valido", "Línea"},
        {"windows-1252", "; a\xF1" "adir", TextEncoding::Windows1252,
         "C\xF3" "digo de operaci\xF3" "n no valido", "L\xED" "nea"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto r = assemble(crlf({"NOP", c.comment, "FOO"}));
        EXPECT_FALSE(r->ok);
        EXPECT_EQ(r->run.encoding, c.encoding);
        EXPECT_EQ(r->lst.encoding, c.encoding);
        EXPECT_EQ(r->hex.encoding, c.encoding);
        EXPECT_EQ(r->lst.text, "NOP\r\n" + c.comment + "\r\nFOO\r\n==> ERROR: " + c.codigo + "\r\n");
        EXPECT_EQ(r->hex.text, "==>FOO\r\n" + c.linea + ": 3 - ERROR: " + c.codigo + "\r\n");
        EXPECT_EQ(detectEncoding(r->lst.text), c.encoding == TextEncoding::Windows1252 ? TextEncoding::Windows1252
                                                                                       : TextEncoding::Utf8);
    }
}

// Each report is recorded with the lines where it stands in the listing and in the log, for every form
// of the listing: errors below their line (passes one and two) and above it (pass three).
TEST(Driver, ErrorReportsKnowTheirListingAndLogLines) {
    const std::vector<std::string> sources = {
        crlf({"; c", "FOO", "", "NOP", "BAR: BAZ", "MOVA,B"}),
        crlf({"L: NOP", "; c", "L: NOP", "L: HLT"}),
        crlf({"NOP", "; antes", "MVI A, 256", "DFB 1,2,3,4,5", "JMP NADA", "X: DFB 1,,2"}),
    };
    for (const std::string& source : sources) {
        auto r = assemble(source);
        SCOPED_TRACE(source);
        ASSERT_FALSE(r->ok);
        ASSERT_FALSE(r->run.errors.empty());
        std::vector<std::string> lst, log;
        for (std::string* text : {&r->lst.text, &r->hex.text}) {
            std::vector<std::string>& lines = text == &r->lst.text ? lst : log;
            for (size_t pos = 0; pos < text->size();) {
                const size_t end = text->find("\r\n", pos);
                lines.push_back(text->substr(pos, end - pos));
                pos = end + 2;
            }
        }
        const SourceText src = readSource(source);
        EXPECT_EQ(r->run.errors.size(), static_cast<size_t>(r->run.errorCount));
        for (const AssemblyError& e : r->run.errors) {
            ASSERT_LT(e.listingLine, lst.size());
            ASSERT_LT(e.logLine + 1, log.size());
            EXPECT_EQ(lst[e.listingLine], "==> ERROR: " + e.message);
            EXPECT_EQ(log[e.logLine], "==>" + std::string(src.rawLines[e.line]));
            EXPECT_EQ(log[e.logLine + 1], "Línea: " + std::to_string(e.line + 1) + " - ERROR: " + e.message);
        }
    }
}

TEST(Driver, LineNumbersCountEveryRawLine) {
    auto r = assemble("\n; x\r\n\r\n   bad  thing ;c\nNOP\n" + std::string(1000, '\n') + "ZZ");
    EXPECT_EQ(r->hex.text, errorLog({{"   bad  thing ;c", kMsgCodigo}, {"ZZ", kMsgCodigo}}, {4, 1006}));
}

// Duplicate reports and symbol values through the index must equal those of the searches from the
// first entry that the listing rules are written for.
TEST(Driver, IndexedSymbolsMatchSearchesFromTheFirstEntry) {
    std::mt19937 rng(85);
    for (int round = 0; round < 30; ++round) {
        std::vector<std::string> names;
        std::string source;
        const int count = 1 + static_cast<int>(rng() % 60);
        for (int i = 0; i < count; ++i) {
            names.push_back(std::string(1, static_cast<char>('A' + rng() % 6)) + (rng() % 2 ? "1" : ""));
            source += names.back() + ": NOP\r\n";
        }
        auto r = assemble(source);
        std::string expectedLog;
        for (int i = 0; i < count; ++i) {
            int earlier = 0;
            for (int k = 0; k < i; ++k) earlier += names[k] == names[i];
            for (int e = 0; e < earlier; ++e)
                expectedLog += "==>" + names[i] + ": NOP\r\nLínea: " + std::to_string(i + 1) +
                               " - ERROR: Etiqueta duplicada\r\n";
        }
        EXPECT_EQ(r->hex.text, expectedLog);
        EXPECT_EQ(r->ok, expectedLog.empty());
        for (int i = 0; i < count; ++i) {
            int first = 0;
            while (names[first] != names[i]) ++first;
            EXPECT_EQ(r->run.symbols.find(names[i])->value, first);
        }
    }
}

}  // namespace
}  // namespace vandor
