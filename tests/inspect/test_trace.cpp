#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>

#include "inspect/trace.h"

namespace vandor {
namespace {

// One recorded step: the row before, the change the instruction makes, the registers after.
void step(Trace& t, Machine& m, const std::function<void(Machine&)>& execute) {
    t.listainstru(m);
    execute(m);
    t.listareg(m);
}

std::string readFile(const std::filesystem::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

TEST(Trace, HeaderTitlesAreTheSegmentsOfTheHeaderString) {
    EXPECT_EQ(Trace::headerTitle(kColDir), "DIR ");
    EXPECT_EQ(Trace::headerTitle(kColDat), "DAT      ");
    EXPECT_EQ(Trace::headerTitle(kColIns), "INS         ");
    EXPECT_EQ(Trace::headerTitle(kColFlags), "szapc");
    EXPECT_EQ(Trace::headerTitle(kColSP), "SP  ");
    EXPECT_EQ(Trace::headerLine(),
              "DIR \tDAT      \tINS         \tA \tB \tC \tD \tE \tF \tszapc\tH \tL \tM \tPC  \tSP  ");
}

TEST(Trace, FirstStepAddsTheStartingRegisterRow) {
    Machine m;
    m.mem[0x0000] = 0x3E;  // MVI A,0F
    m.mem[0x0001] = 0x0F;
    Trace t;
    step(t, m, [](Machine& x) { x.a = 0x0F; x.pc = 2; });
    ASSERT_EQ(t.size(), 2u);
    EXPECT_EQ(t.lineText(0), "\t\t\t00\t00\t00\t00\t00\t00\t00000\t00\t00\t3E\t0000\t0000");
    EXPECT_EQ(t.lineText(1), "0000\t3E 0F    \tMVI A,0F\t0F\t00\t00\t00\t00\t00\t00000\t00\t00\t3E\t0002\t0000");
    EXPECT_EQ(t.cellText(1, kColDat).size(), 9u);
}

TEST(Trace, DatIsAlwaysNineCharacters) {
    struct Case { uint8_t op, b1, b2; const char* dat; const char* ins; };
    for (const Case& c : {Case{0x76, 0, 0, "76       ", "HLT"}, Case{0x3E, 0x0F, 0, "3E 0F    ", "MVI A,0F"},
                          Case{0xC3, 0x00, 0x01, "C3 00 01 ", "JMP 0100"}}) {
        Machine m;
        m.pc = 0x0100;
        m.mem[0x0100] = c.op;
        m.mem[0x0101] = c.b1;
        m.mem[0x0102] = c.b2;
        Trace t;
        t.listainstru(m);
        EXPECT_EQ(t.cellText(1, kColDir), "0100");
        EXPECT_EQ(t.cellText(1, kColDat), c.dat);
        EXPECT_EQ(t.cellText(1, kColIns), c.ins);
        // The registers of an unfinished step are still empty.
        EXPECT_EQ(t.cellText(1, kColA), "");
        EXPECT_EQ(t.cellText(1, kColFlags), "");
    }
}

TEST(Trace, OperandsPastFFFFComeFromTheStartOfMemory) {
    Machine m;
    m.pc = 0xFFFF;
    m.mem[0xFFFF] = 0xC3;
    m.mem[0x0000] = 0x00;
    m.mem[0x0001] = 0x20;
    Trace t;
    t.listainstru(m);
    EXPECT_EQ(t.cellText(1, kColDat), "C3 00 20 ");
    EXPECT_EQ(t.cellText(1, kColIns), "JMP 2000");
}

TEST(Trace, StepsWithoutEditsAddOneRowEach) {
    Machine m;  // NOPs
    Trace t;
    for (int i = 0; i < 5; ++i) step(t, m, [](Machine& x) { ++x.pc; });
    EXPECT_EQ(t.size(), 6u);
}

TEST(Trace, StateChangedBetweenStepsAddsARegisterRow) {
    struct Case { const char* what; std::function<void(Machine&)> edit; };
    const Case cases[] = {
        {"A", [](Machine& x) { x.a = 1; }},        {"B", [](Machine& x) { x.b = 1; }},
        {"C", [](Machine& x) { x.c = 1; }},        {"D", [](Machine& x) { x.d = 1; }},
        {"E", [](Machine& x) { x.e = 1; }},        {"F", [](Machine& x) { x.f = 0x02; }},
        {"H", [](Machine& x) { x.h = 1; }},        {"L", [](Machine& x) { x.l = 1; }},
        {"M", [](Machine& x) { x.mem[0] = 0x99; }}, {"PC", [](Machine& x) { x.pc = 0x0200; }},
        {"SP", [](Machine& x) { x.sp = 0x2000; }},
    };
    for (const Case& c : cases) {
        Machine m;
        m.mem[0x0000] = 0x00;
        Trace t;
        step(t, m, [](Machine& x) { ++x.pc; });
        c.edit(m);
        step(t, m, [](Machine& x) { ++x.pc; });
        ASSERT_EQ(t.size(), 4u) << c.what;
        EXPECT_EQ(t.row(2).length, 0) << c.what;
        EXPECT_TRUE(t.lineText(2).starts_with("\t\t\t")) << c.what;
        EXPECT_EQ(t.row(3).length, 1) << c.what;
    }
}

TEST(Trace, ClearStartsAgainWithARegisterRow) {
    Machine m;
    Trace t;
    step(t, m, [](Machine& x) { ++x.pc; });
    t.clear();
    EXPECT_TRUE(t.empty());
    step(t, m, [](Machine& x) { ++x.pc; });
    ASSERT_EQ(t.size(), 2u);
    EXPECT_EQ(t.row(0).length, 0);
    EXPECT_EQ(t.cellText(0, kColPC), "0001");
}

TEST(Txtflags, ShowsSZAPCInThisOrder) {
    EXPECT_EQ(txtflags(0x54), "01110");
    EXPECT_EQ(txtflags(0x81), "10001");
    EXPECT_EQ(txtflags(0x2A), "00000");  // bits 5, 3 and 1 carry no flag
    EXPECT_EQ(txtflags(0xFF), "11111");
}

TEST(TraceSave, WritesHeaderAndRowsWithTabsAndCrLf) {
    Machine m;
    m.mem[0x0000] = 0x76;
    m.f = 0x54;
    Trace t;
    step(t, m, [](Machine& x) { x.pc = 1; });
    const auto path = std::filesystem::temp_directory_path() / "vandor_trace_save_test.txt";
    ASSERT_TRUE(t.save(path.string()));
    const std::string expected = Trace::headerLine() + "\r\n" +
                                 "\t\t\t00\t00\t00\t00\t00\t54\t01110\t00\t00\t76\t0000\t0000\r\n" +
                                 "0000\t76       \tHLT\t00\t00\t00\t00\t00\t54\t01110\t00\t00\t76\t0001\t0000\r\n";
    EXPECT_EQ(readFile(path), expected);
    std::filesystem::remove(path);
}

TEST(TraceSave, LargeTracesAreWrittenWhole) {
    Machine m;
    Trace t;
    for (int i = 0; i < 50000; ++i) step(t, m, [](Machine& x) { ++x.pc; });
    const auto path = std::filesystem::temp_directory_path() / "vandor_trace_large_test.txt";
    ASSERT_TRUE(t.save(path.string()));
    const std::string text = readFile(path);
    size_t lines = 0;
    for (size_t p = text.find("\r\n"); p != std::string::npos; p = text.find("\r\n", p + 2)) ++lines;
    EXPECT_EQ(lines, t.size() + 1);
    EXPECT_TRUE(text.ends_with(t.lineText(t.size() - 1) + "\r\n"));
    std::filesystem::remove(path);
}

TEST(TraceSave, FailsWhenTheFileCannotBeCreated) {
    Machine m;
    Trace t;
    step(t, m, [](Machine& x) { ++x.pc; });
    EXPECT_FALSE(t.save((std::filesystem::temp_directory_path() / "no-such-dir" / "x.txt").string()));
}

}  // namespace
}  // namespace vandor
