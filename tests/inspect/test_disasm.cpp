#include <gtest/gtest.h>

#include <initializer_list>

#include "inspect/disasm.h"
#include "inspect/opcodes.h"

namespace vandor {
namespace {

void put(Machine& m, uint16_t address, std::initializer_list<uint8_t> bytes) {
    for (uint8_t b : bytes) m.mem[address++] = b;
}

TEST(Hexa, PadsCutsAndWrapsNegatives) {
    struct Case { long value; int digits; const char* text; };
    for (const Case& c : {Case{0, 2, "00"}, Case{0x0F, 2, "0F"}, Case{0xAB, 4, "00AB"}, Case{0x1234, 2, "34"},
                          Case{0xFFFF, 4, "FFFF"}, Case{-1, 4, "FFFF"}, Case{-2, 2, "FE"}, Case{0x12345, 4, "2345"}}) {
        EXPECT_EQ(hexa(c.value, c.digits), c.text) << c.value;
    }
}

TEST(Dec, ReadsLeadingHexDigits) {
    struct Case { const char* text; int32_t value; };
    for (const Case& c : {Case{"", 0}, Case{"ffff", 65535}, Case{"FFFF", 65535}, Case{"8000", 32768}, Case{"1G", 1},
                          Case{"G1", 0}, Case{"12345", 74565}, Case{" 12", 0}, Case{"0a", 10}}) {
        EXPECT_EQ(dec(c.text), c.value) << c.text;
    }
}

TEST(Dec, LongTextsKeepTheLow32Bits) {
    EXPECT_EQ(dec("FFFFFFFF"), -1);
    EXPECT_EQ(dec("123456789"), 0x23456789);
    EXPECT_EQ(dec(std::string(1000, 'F') + "12"), static_cast<int32_t>(0xFFFFFF12u));
}

TEST(Desensambla, DecodesOperandsWithoutPrefix) {
    struct Case { std::initializer_list<uint8_t> bytes; const char* text; int length; };
    const Case cases[] = {
        {{0x3E, 0x0F}, "MVI A,0F", 2},  {{0xC3, 0x00, 0x01}, "JMP 0100", 3}, {{0xDB, 0x20}, "IN 20", 2},
        {{0x08}, "?", 1},               {{0xFF}, "RST 7", 1},               {{0x76}, "HLT", 1},
        {{0x20}, "RIM", 1},             {{0x30}, "SIM", 1},                 {{0x31, 0xCD, 0xAB}, "LXI SP,ABCD", 3},
        {{0xF5}, "PUSH PSW", 1},        {{0xD3, 0xFE}, "OUT FE", 2},        {{0x36, 0x7F}, "MVI M,7F", 2},
    };
    for (const Case& c : cases) {
        Machine m;
        put(m, 0x0200, c.bytes);
        int length = 0;
        EXPECT_EQ(desensambla(m, 0x0200, &length), c.text);
        EXPECT_EQ(length, c.length) << c.text;
    }
}

TEST(Desensambla, UndefinedOpcodesAreOneByteQuestionMarks) {
    Machine m;
    for (uint8_t op : {0x08, 0x10, 0x18, 0x28, 0x38, 0xCB, 0xD9, 0xDD, 0xED, 0xFD}) {
        m.mem[0] = op;
        int length = 0;
        EXPECT_EQ(desensambla(m, 0, &length), "?");
        EXPECT_EQ(length, 1);
    }
}

TEST(Desensambla, OperandsPastFFFFComeFromTheStartOfMemory) {
    Machine m;
    put(m, 0xFFFF, {0xC3});
    put(m, 0x0000, {0x00, 0x20});
    int length = 0;
    EXPECT_EQ(desensambla(m, 0xFFFF, &length), "JMP 2000");
    EXPECT_EQ(length, 3);

    put(m, 0xFFFF, {0x3E});
    m.mem[0] = 0x41;
    EXPECT_EQ(desensambla(m, 0xFFFF, &length), "MVI A,41");
    EXPECT_EQ(length, 2);
}

TEST(Desensambla, EveryOpcodeAgreesWithTheTableLength) {
    Machine m;
    for (int op = 0; op < 256; ++op) {
        m.mem[0x10] = static_cast<uint8_t>(op);
        int length = 0;
        const std::string text = desensambla(m, 0x10, &length);
        EXPECT_EQ(length, opcodeLength(static_cast<uint8_t>(op)));
        EXPECT_EQ(text.find("byte"), std::string::npos);
        EXPECT_EQ(text.find("palabra"), std::string::npos);
    }
}

TEST(Linea, LaysOutAddressMarkBytesAndText) {
    Machine m;
    put(m, 0x0100, {0x3E, 0x0F, 0xC3, 0x00, 0x01, 0x76});
    m.breakpoints[0x0102] = 1;
    int length = 0;
    EXPECT_EQ(linea(m, 0x0100, &length), "0100 3E 0F     MVI A,0F");
    EXPECT_EQ(length, 2);
    EXPECT_EQ(linea(m, 0x0102, &length), "0102*C3 00 01  JMP 0100");
    EXPECT_EQ(length, 3);
    EXPECT_EQ(linea(m, 0x0105, &length), "0105 76        HLT");
    EXPECT_EQ(length, 1);

    Machine nop;
    nop.breakpoints[0x0100] = 1;
    EXPECT_EQ(linea(nop, 0x0100), "0100*00        NOP");
}

TEST(Inidisp, StartsSoThatDecodingLandsOnTheAddress) {
    Machine m;  // all NOPs
    EXPECT_EQ(inidisp(m, 0x0000), 0x0000);
    EXPECT_EQ(inidisp(m, 0x0005), 0x0000);
    EXPECT_EQ(inidisp(m, 0x0100), 0x0100 - 12);

    // JMPs at 00F0, 00F3, ... 00FF: 00F3 (= 00FF - 12) decodes onto 00FF.
    for (uint16_t a = 0x00F0; a < 0x0100; a += 3) put(m, a, {0xC3, 0x00, 0x00});
    EXPECT_EQ(inidisp(m, 0x00FF), 0x00F3);
}

TEST(Inidisp, MovesTheStartUntilDecodingLandsOnTheAddress) {
    Machine m;
    for (uint16_t a = 0x00F0; a < 0x0100; ++a) m.mem[a] = 0x01;  // LXI B, three bytes
    m.mem[0x00F4] = 0x3E;                                          // MVI A, two bytes
    // From 00F4, 00F5 and 00F6 decoding passes over 0100; from 00F7 it lands on it.
    EXPECT_EQ(inidisp(m, 0x0100), 0x00F7);
}

TEST(Inidisp, FallsBackToTheAddressItself) {
    Machine m;
    // Whatever the start, the last instruction before 0100 begins at 00FE or 00FF and runs past 0100.
    m.mem[0x00FE] = 0x01;  // LXI B
    m.mem[0x00FF] = 0x01;
    EXPECT_EQ(inidisp(m, 0x0100), 0x0100);
}

TEST(Dispmem, ListsTwentyNineLinesAndFindsTheSelection) {
    Machine m;
    ProgramLines view = dispmem(m, 0x0000, 0x0005);
    ASSERT_EQ(view.lines.size(), 29u);
    EXPECT_EQ(view.selected, 5);
    EXPECT_EQ(view.lines[5], "0005 00        NOP");
    EXPECT_EQ(view.addresses[28], 0x001C);

    EXPECT_EQ(dispmem(m, 0x0000, 0x0100).selected, -1);
    EXPECT_EQ(dispmem(m, 0x0000, -1).selected, -1);
}

TEST(Dispmem, StopsAtTheEndOfMemory) {
    Machine m;
    put(m, 0xFFF0, {0xC3, 0x00, 0x00});  // FFF0 JMP, then NOPs, FFFE: LXI B with operands past FFFF
    put(m, 0xFFFE, {0x01});
    ProgramLines view = dispmem(m, inidisp(m, 0xFFF0), 0xFFF0);
    ASSERT_FALSE(view.lines.empty());
    EXPECT_EQ(view.addresses.back(), 0xFFFE);
    EXPECT_EQ(view.lines.back(), "FFFE 01 00 00  LXI B,0000");
    EXPECT_EQ(view.lines[static_cast<size_t>(view.selected)].substr(0, 4), "FFF0");
    for (uint16_t a : view.addresses) EXPECT_LE(a, 0xFFFF);
}

TEST(Regenpila, ReadsEightWordsAndWraps) {
    Machine m;
    m.sp = 0xFFFF;
    m.mem[0xFFFF] = 0x34;
    m.mem[0x0000] = 0x12;
    m.mem[0x0001] = 0x78;
    m.mem[0x0002] = 0x56;
    const auto words = regenpila(m);
    EXPECT_EQ(words[0], 0x1234);
    EXPECT_EQ(words[1], 0x5678);

    m.sp = 0x2000;
    m.mem[0x2000] = 0xCD;
    m.mem[0x2001] = 0xAB;
    m.mem[0x200E] = 0x01;
    m.mem[0x200F] = 0x02;
    const auto more = regenpila(m);
    EXPECT_EQ(more[0], 0xABCD);
    EXPECT_EQ(more[7], 0x0201);
}

}  // namespace
}  // namespace vandor
