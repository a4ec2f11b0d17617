#include <gtest/gtest.h>

#include <initializer_list>

#include "inspect/disasm.h"

namespace vandor {
namespace {

void put(Machine& m, uint16_t address, std::initializer_list<uint8_t> bytes) {
    for (uint8_t b : bytes) m.mem[address++] = b;
}

TEST(Desensambla, TextAndLength) {
    struct Case { uint16_t at; std::initializer_list<uint8_t> bytes; const char* text; int length; };
    const Case cases[] = {
        {0x0200, {0x3E, 0x0F}, "MVI A,0F", 2},  {0x0200, {0xC3, 0x00, 0x01}, "JMP 0100", 3},
        {0x0200, {0xDB, 0x20}, "IN 20", 2},     {0x0200, {0x31, 0xCD, 0xAB}, "LXI SP,ABCD", 3},
        {0x0200, {0xFF}, "RST 7", 1},           {0x0200, {0xF5}, "PUSH PSW", 1},
        {0x0200, {0x20}, "RIM", 1},             {0x0200, {0x36, 0x7F}, "MVI M,7F", 2},
        {0xFFFF, {0xC3}, "JMP 2041", 3},        {0xFFFF, {0x3E}, "MVI A,41", 2},  // operands from 0000, 0001
    };
    for (const Case& c : cases) {
        Machine m;
        put(m, 0x0000, {0x41, 0x20});
        put(m, c.at, c.bytes);
        int length = 0;
        EXPECT_EQ(desensambla(m, c.at, &length), c.text);
        EXPECT_EQ(length, c.length) << c.text;
    }
    Machine m;
    for (uint8_t op : {0x08, 0x10, 0x18, 0x28, 0x38, 0xCB, 0xD9, 0xDD, 0xED, 0xFD}) {
        m.mem[0] = op;
        int length = 0;
        EXPECT_EQ(desensambla(m, 0, &length), "?");
        EXPECT_EQ(length, 1);
    }
}

TEST(Linea, AddressMarkBytesAndText) {
    Machine m;
    put(m, 0x0100, {0x3E, 0x0F, 0xC3, 0x00, 0x01, 0x76, 0x00});
    m.breakpoints[0x0102] = m.breakpoints[0x0106] = 1;
    EXPECT_EQ(linea(m, 0x0100), "0100 3E 0F     MVI A,0F");
    EXPECT_EQ(linea(m, 0x0102), "0102*C3 00 01  JMP 0100");
    EXPECT_EQ(linea(m, 0x0105), "0105 76        HLT");
    EXPECT_EQ(linea(m, 0x0106), "0106*00        NOP");
}

TEST(Inidisp, StartWhoseDecodingLandsOnTheAddress) {
    Machine nops;
    EXPECT_EQ(inidisp(nops, 0x0000), 0x0000);
    EXPECT_EQ(inidisp(nops, 0x0005), 0x0000);
    EXPECT_EQ(inidisp(nops, 0x0100), 0x00F4);

    Machine m;
    for (uint16_t a = 0x00F0; a < 0x0100; ++a) m.mem[a] = 0x01;  // LXI B, three bytes
    m.mem[0x00F4] = 0x3E;                                          // MVI A, two bytes
    // From 00F4, 00F5 and 00F6 decoding passes over 0100; from 00F7 it lands on it.
    EXPECT_EQ(inidisp(m, 0x0100), 0x00F7);

    Machine none;
    none.mem[0x00FE] = none.mem[0x00FF] = 0x01;  // every start runs past 0100 but 0100 itself
    EXPECT_EQ(inidisp(none, 0x0100), 0x0100);
}

TEST(Dispmem, LinesFromAStartAndTheSelection) {
    Machine m;
    ProgramLines view = dispmem(m, 0x0000, 0x0005);
    ASSERT_EQ(view.lines.size(), 29u);
    EXPECT_EQ(view.selected, 5);
    EXPECT_EQ(view.lines[5].text, "0005 00        NOP");
    EXPECT_EQ(view.lines[28].address, 0x001C);
    EXPECT_EQ(dispmem(m, 0x0000, 0x0100).selected, -1);

    // Near the end of memory the list stops at the last instruction before 10000; it never wraps.
    put(m, 0xFFFE, {0x01});
    view = dispmem(m, inidisp(m, 0xFFF0), 0xFFF0);
    EXPECT_EQ(view.lines.back().text, "FFFE 01 00 00  LXI B,0000");
    EXPECT_EQ(view.lines.back().length, 3);
    EXPECT_EQ(view.lines.back().bytes.opcode, 0x01);
    EXPECT_EQ(view.lines[static_cast<size_t>(view.selected)].address, 0xFFF0);
}

TEST(Regenpila, EightWordsFromSpWrapping) {
    Machine m;
    m.sp = 0xFFFF;
    put(m, 0xFFFF, {0x34});
    put(m, 0x0000, {0x12, 0x78, 0x56});
    put(m, 0x000D, {0xCD, 0xAB});
    const auto words = regenpila(m);
    EXPECT_EQ(words[0], 0x1234);
    EXPECT_EQ(words[1], 0x5678);
    EXPECT_EQ(words[7], 0xABCD);
}

// A taller view lists more lines and reads more stack words, by the same rules.
TEST(LongerViews, MoreLinesAndMoreWordsAlike) {
    Machine m;
    put(m, 0x0010, {0x3E, 0x0F});
    const ProgramLines longer = dispmem(m, 0x0000, 0x0012, 60);
    ASSERT_EQ(longer.lines.size(), 60u);
    const ProgramLines usual = dispmem(m, 0x0000, 0x0012);
    for (size_t i = 0; i < usual.lines.size(); ++i) EXPECT_EQ(longer.lines[i].text, usual.lines[i].text);
    EXPECT_EQ(longer.selected, usual.selected);
    EXPECT_EQ(longer.lines[59].address, 59 + 1);  // one two-byte instruction among one-byte ones
    // Still no line past FFFF.
    EXPECT_EQ(dispmem(m, 0xFFF0, -1, 60).lines.back().address, 0xFFFF);

    m.sp = 0xFFFC;
    put(m, 0xFFFC, {0x11, 0x22, 0x33, 0x44});
    put(m, 0x0000, {0x55, 0x66});
    const std::vector<uint16_t> words = stackWords(m, 20);
    ASSERT_EQ(words.size(), 20u);
    const std::array<uint16_t, 8> eight = regenpila(m);
    for (size_t i = 0; i < eight.size(); ++i) EXPECT_EQ(words[i], eight[i]);
    EXPECT_EQ(words[2], 0x6655);
    EXPECT_EQ(stackAddress(m, 2), 0x0000);
}

}  // namespace
}  // namespace vandor
