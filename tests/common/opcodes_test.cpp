// The one opcode table and the instruction texts made from it.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

#include "common/opcodes.h"

namespace vandor {
namespace {

TEST(Opcodes, LengthsOfTheInstructionSet) {
    // The 8085 has 26 three-byte instructions (LXI, SHLD, LHLD, STA, LDA, JMP, CALL and the 16
    // conditional jumps and calls), 18 two-byte ones (MVI, the eight immediate operations, IN, OUT) and
    // ten undefined opcodes.
    int three = 0, two = 0, undefined = 0;
    for (int op = 0; op < 256; ++op) {
        if (opcodeLength(static_cast<uint8_t>(op)) == 3) ++three;
        if (opcodeLength(static_cast<uint8_t>(op)) == 2) ++two;
        if (kOpcodeText[static_cast<size_t>(op)] == "?") ++undefined;
    }
    EXPECT_EQ(three, 26);
    EXPECT_EQ(two, 18);
    EXPECT_EQ(undefined, 10);
    for (uint8_t op : {0x01, 0x22, 0x2A, 0x31, 0x32, 0x3A, 0xC3, 0xCD, 0xDA, 0xFC}) EXPECT_EQ(opcodeLength(op), 3);
    for (uint8_t op : {0x06, 0x3E, 0xC6, 0xD3, 0xDB, 0xFE}) EXPECT_EQ(opcodeLength(op), 2);
    for (uint8_t op : {0x00, 0x76, 0xCB, 0xE9, 0xFF}) EXPECT_EQ(opcodeLength(op), 1);
}

TEST(Opcodes, InstructionTexts) {
    struct Case { InstructionBytes bytes; const char* text; int length; };
    const Case cases[] = {
        {{0x3E, 0x0F, 0x99}, "MVI A,0F", 2},   {{0xC3, 0x00, 0x20}, "JMP 2000", 3},
        {{0x31, 0xCD, 0xAB}, "LXI SP,ABCD", 3}, {{0xDB, 0x20, 0x00}, "IN 20", 2},
        {{0xF5, 0x12, 0x34}, "PUSH PSW", 1},    {{0xDD, 0x00, 0x00}, "?", 1},
        {{0x22, 0x34, 0x12}, "SHLD 1234", 3},   {{0xFE, 0xFF, 0x00}, "CPI FF", 2},
    };
    for (const Case& c : cases) {
        int length = 0;
        EXPECT_EQ(instructionText(c.bytes, &length), c.text);
        EXPECT_EQ(length, c.length) << c.text;
    }
}

// The fast writer stays inside the room it asks for, for every opcode, and writes the same text.
TEST(Opcodes, WriterKeepsToItsRoom) {
    for (int op = 0; op < 256; ++op) {
        char buffer[kInstructionTextRoom + 8];
        std::memset(buffer, '#', sizeof buffer);
        const InstructionBytes bytes{static_cast<uint8_t>(op), 0xAB, 0xCD};
        const char* end = putInstructionText(buffer, bytes);
        EXPECT_LE(end - buffer, static_cast<long>(kInstructionTextRoom));
        EXPECT_TRUE(std::all_of(buffer + kInstructionTextRoom, buffer + sizeof buffer, [](char c) { return c == '#'; }));
        std::string text;
        appendInstructionText(text, bytes);
        EXPECT_EQ(std::string(static_cast<const char*>(buffer), end), text);
        EXPECT_EQ(text.find("byte"), std::string::npos) << op;
        EXPECT_EQ(text.find("palabra"), std::string::npos) << op;
    }
}

}  // namespace
}  // namespace vandor
