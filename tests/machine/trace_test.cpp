#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>

#include "machine/trace.h"

namespace vandor {
namespace {

// One recorded step: the row before, the change the instruction makes, the registers after.
void step(Trace& t, Machine& m, const std::function<void(Machine&)>& execute = [](Machine& x) { ++x.pc; }) {
    t.listainstru(m);
    execute(m);
    t.listareg(m);
}

TEST(Trace, FirstStepAddsTheStartingRegisterRow) {
    Machine m;
    m.mem[0x0000] = 0x3E;  // MVI A,0F
    m.mem[0x0001] = 0x0F;
    m.f = 0x54;
    Trace t;
    step(t, m, [](Machine& x) { x.a = 0x0F; x.pc = 2; });
    ASSERT_EQ(t.size(), 2u);
    EXPECT_EQ(t.lineText(0), "\t\t\t00\t00\t00\t00\t00\t54\t01110\t00\t00\t3E\t0000\t0000");
    EXPECT_EQ(t.lineText(1), "0000\t3E 0F    \tMVI A,0F\t0F\t00\t00\t00\t00\t54\t01110\t00\t00\t3E\t0002\t0000");
    EXPECT_EQ(t.cellText(1, kColIns), "MVI A,0F");
    EXPECT_EQ(t.cellText(1, kColFlags), "01110");
    EXPECT_EQ(Trace::headerTitle(kColDir), "DIR ");
    EXPECT_EQ(Trace::headerLine(),
              "DIR \tDAT      \tINS         \tA \tB \tC \tD \tE \tF \tszapc\tH \tL \tM \tPC  \tSP  ");
}

TEST(Trace, DatIsAlwaysNineCharacters) {
    struct Case { uint16_t at; uint8_t op, b1, b2; const char* dat; const char* ins; };
    for (const Case& c : {Case{0x0100, 0x76, 0, 0, "76       ", "HLT"}, Case{0x0100, 0x3E, 0x0F, 0, "3E 0F    ", "MVI A,0F"},
                          Case{0x0100, 0xC3, 0x00, 0x01, "C3 00 01 ", "JMP 0100"},
                          Case{0xFFFF, 0xC3, 0x00, 0x20, "C3 00 20 ", "JMP 2000"}}) {  // operands from 0000, 0001
        Machine m;
        m.pc = c.at;
        m.mem[c.at] = c.op;
        m.mem[static_cast<uint16_t>(c.at + 1)] = c.b1;
        m.mem[static_cast<uint16_t>(c.at + 2)] = c.b2;
        Trace t;
        t.listainstru(m);
        EXPECT_EQ(t.cellText(1, kColDat), c.dat);
        EXPECT_EQ(t.cellText(1, kColIns), c.ins);
        EXPECT_EQ(t.cellText(1, kColA), "");  // registers of an unfinished step are still empty
    }
}

TEST(Trace, ChangesBetweenStepsAddARegisterRow) {
    Machine plain;
    Trace steps;
    for (int i = 0; i < 5; ++i) step(steps, plain);
    EXPECT_EQ(steps.size(), 6u);

    const std::function<void(Machine&)> edits[] = {
        [](Machine& x) { x.a = 1; }, [](Machine& x) { x.b = 1; }, [](Machine& x) { x.c = 1; },
        [](Machine& x) { x.d = 1; }, [](Machine& x) { x.e = 1; }, [](Machine& x) { x.f = 0x02; },
        [](Machine& x) { x.h = 1; }, [](Machine& x) { x.l = 1; }, [](Machine& x) { x.mem[0] = 0x99; },
        [](Machine& x) { x.pc = 0x0200; }, [](Machine& x) { x.sp = 0x2000; },
    };
    for (size_t i = 0; i < std::size(edits); ++i) {
        Machine m;
        Trace t;
        step(t, m);
        edits[i](m);
        step(t, m);
        ASSERT_EQ(t.size(), 4u) << i;
        EXPECT_TRUE(t.lineText(2).starts_with("\t\t\t")) << i;
        EXPECT_EQ(t.row(3).length, 1) << i;
    }

    steps.clear();
    step(steps, plain);
    ASSERT_EQ(steps.size(), 2u);
    EXPECT_EQ(steps.cellText(0, kColPC), "0005");
}

TEST(Trace, TxtflagsShowsSZAPC) {
    EXPECT_EQ(txtflags(0x54), "01110");
    EXPECT_EQ(txtflags(0x81), "10001");
    EXPECT_EQ(txtflags(0x2A), "00000");
}

TEST(Trace, SaveWritesEveryLineWithCrLf) {
    Machine m;
    Trace t;
    for (int i = 0; i < 70000; ++i) step(t, m, [](Machine& x) { x.pc = static_cast<uint16_t>(x.pc + 1); ++x.a; });
    const auto path = std::filesystem::temp_directory_path() / "vandor_trace_save_test.txt";
    ASSERT_TRUE(t.save(path.string()));
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    std::string expected = Trace::headerLine() + "\r\n";
    for (size_t i = 0; i < t.size(); ++i) expected += t.lineText(i) + "\r\n";
    EXPECT_TRUE(s.str() == expected);
    std::filesystem::remove(path);

    EXPECT_FALSE(t.save((std::filesystem::temp_directory_path() / "no-such-dir" / "x.txt").string()));
}

}  // namespace
}  // namespace vandor
