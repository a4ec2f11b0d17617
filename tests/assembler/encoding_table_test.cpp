#include "assembler/encoding_table.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "common/opcodes.h"

namespace vandor {
namespace {

class EncodingTableTest : public ::testing::Test {
protected:
    void SetUp() override { table.creatabla(messages); }
    EncodingTable table;
    CollectingMessages messages;
};

// Every row must agree with the opcode table the executor and the disassembler use: same opcode, same
// length, and every defined opcode reachable from exactly one key (HLT's byte from two).
TEST_F(EncodingTableTest, RowsAgreeWithTheOpcodeTable) {
    EXPECT_TRUE(messages.messages.empty());
    int rowsPerOpcode[256] = {};
    int bySize[4] = {};
    for (int k = 0; k < kTableRows; ++k) {
        ++bySize[table.size(k)];
        const uint8_t op = table.opcode(k);
        ++rowsPerOpcode[op];
        EXPECT_EQ(table.size(k), opcodeLength(op)) << table.key(k);
        if (table.key(k) == "MOVM,M") {
            EXPECT_EQ(op, 0x76);
        } else {
            EXPECT_EQ(encodingKey(kOpcodeText[op]), table.key(k));
        }
    }
    for (int op = 0; op < 256; ++op) {
        const int expected = kOpcodeText[op] == "?" ? 0 : (op == 0x76 ? 2 : 1);
        EXPECT_EQ(rowsPerOpcode[op], expected) << "opcode " << op;
    }
    EXPECT_EQ(bySize[1], 203);
    EXPECT_EQ(bySize[2], 18);
    EXPECT_EQ(bySize[3], 26);
}

// Rows as the assembler has always had them, written out by hand: the first and the last, every kind of
// operand, and the keys that are prefixes of others.
TEST_F(EncodingTableTest, KnownRows) {
    const std::array<std::string_view, kTableRows>& rows = encodingRowTexts();
    EXPECT_EQ(rows.front(), "ACI{1}^CE00");
    EXPECT_EQ(rows.back(), "XTHL^E3");
    const std::string_view known[] = {
        "ADCA^8F", "CALL{2}^CD0000", "CM{2}^FC0000", "CMA^2F", "CMC^3F", "CMPA^BF", "DADSP^39",
        "LXISP,{2}^310000", "MOVM,L^75", "MOVM,M^76", "MVIM,{1}^3600", "POPPSW^F1", "PUSHPSW^F5",
        "RST0^C7", "SHLD{2}^220000", "SPHL^F9", "STAXD^12", "XRI{1}^EE00", "HLT^76", "IN{1}^DB00",
    };
    for (std::string_view row : known) EXPECT_NE(std::find(rows.begin(), rows.end(), row), rows.end()) << row;
    for (size_t k = 1; k < rows.size(); ++k) EXPECT_LT(table.key(int(k) - 1), table.key(int(k)));
    EXPECT_EQ(encodingKey("LXI SP,palabra"), "LXISP,");
    EXPECT_EQ(encodingKey("MVI A,byte"), "MVIA,");
    EXPECT_EQ(encodingKey("POP PSW"), "POPPSW");
}

TEST_F(EncodingTableTest, BuscaFindsRowsAndDirectives) {
    struct Case {
        const char* cad;
        int opcode;  // -1: not found
        int size;
    };
    const Case cases[] = {
        {"RST5", 0xEF, 1}, {"RST3", 0xDF, 1},  {"MVIA,", 0x3E, 2}, {"MVIA", -1, 0},   {"MVI", -1, 0},
        {"CM", 0xFC, 3},   {"CMA", 0x2F, 1},   {"ORG100H", -1, 0}, {"ACI", 0xCE, 2},  {"XTHL", 0xE3, 1},
        {"AAA", -1, 0},    {"ZZZ", -1, 0},     {"mov", -1, 0},     {"MOVA,B", 0x78, 1}, {"LXISP,", 0x31, 3},
        {"PUSHPSW", 0xF5, 1}, {"ADDA", 0x87, 1}, {"JPE", 0xEA, 3}, {"MOVM,M", 0x76, 1}, {"", -1, 0},
        {"A", -1, 0},      {"XTHLX", -1, 0},   {"\xFF\xFF", -1, 0},
    };
    for (const Case& c : cases) {
        const int16_t row = table.busca(c.cad);
        if (c.opcode < 0) {
            EXPECT_EQ(row, kCodeNone) << c.cad;
        } else {
            ASSERT_GE(row, 0) << c.cad;
            EXPECT_EQ(table.opcode(row), c.opcode) << c.cad;
            EXPECT_EQ(table.size(row), c.size) << c.cad;
        }
    }
    EXPECT_EQ(table.busca("CPU"), -2);
    EXPECT_EQ(table.busca("HOF"), -3);
    EXPECT_EQ(table.busca("ORG"), -4);
    EXPECT_EQ(table.busca("EQU"), -5);
    EXPECT_EQ(table.busca("DFB"), -6);
    EXPECT_EQ(table.busca("DFW"), -7);
    EXPECT_EQ(table.busca("END"), -8);
    EXPECT_EQ(table.busca("END "), -1);
    EXPECT_EQ(table.busca(std::string_view("NOP\0", 4)), -1);
    for (int k = 0; k < kTableRows; ++k) {
        EXPECT_EQ(table.busca(table.key(k)), k);
        EXPECT_EQ(table.busca(table.key(k) + "Z"), kCodeNone);
    }
}

TEST(EncodingTableOrder, AnOutOfOrderRowIsReportedAndBuildingGoesOn) {
    std::array<std::string_view, kTableRows> rows = encodingRowTexts();
    std::swap(rows[10], rows[11]);
    EncodingTable table;
    CollectingMessages messages;
    table.creatabla(messages, rows);
    EXPECT_EQ(messages.messages, std::vector<std::string>{"Error en tabla"});
    EXPECT_EQ(table.key(246), "XTHL");
    EXPECT_EQ(table.codeTemplate(0), "CE00");
}

}  // namespace
}  // namespace vandor
