// Comparing a finished machine with a case's expectations.
#include <gtest/gtest.h>

#include <functional>

#include "cli/check_verdict.h"

using namespace vandor;
using namespace vandor::check;

namespace {

Machine sampleMachine() {
    Machine m;
    m.a = 0x0F;
    m.b = 0x02;
    m.c = 0x03;
    m.d = 0x04;
    m.e = 0x05;
    m.f = 0x54;  // Z, AC, P
    m.h = 0x0A;
    m.l = 0x0B;
    m.pc = 0x0105;
    m.sp = 0xFFF0;
    m.sod = true;
    for (int i = 0; i < 32; ++i) m.mem[0x0900 + i] = static_cast<uint8_t>(i);
    m.ports[0x20] = 0x77;
    m.ports[0xFF] = 0x01;
    m.recomputePairs();
    return m;
}

struct JudgeCase {
    const char* what;
    std::function<void(Expectations&)> expect;
    EndKind end;
    Outcome outcome;
    const char* expectation;
    const char* expected;
    const char* obtained;
};

const JudgeCase kJudgeCases[] = {
    {"nothing expected", [](Expectations&) {}, EndKind::Hlt, Outcome::Apto, "", "", ""},
    {"all right",
     [](Expectations& e) {
         e.registers[kRegA] = 0x0F;
         e.registers[kRegF] = 0x54;
         e.hl = 0x0A0B;
         e.flags[1] = true;   // Z
         e.flags[4] = false;  // CY
         e.sod = true;
         e.memory = {{0x0900, {0, 1, 2, 3}}};
         e.ports = {{0x20, {0x77}}};
     },
     EndKind::Hlt, Outcome::Apto, "", "", ""},
    {"register", [](Expectations& e) { e.registers[kRegB] = 0x20; }, EndKind::Hlt, Outcome::NoApto, "b", "20", "02"},
    {"register l", [](Expectations& e) { e.registers[kRegL] = 0x00; }, EndKind::Hlt, Outcome::NoApto, "l", "00", "0B"},
    {"pair", [](Expectations& e) { e.de = 0x0504; }, EndKind::Hlt, Outcome::NoApto, "de", "0504", "0405"},
    {"pc", [](Expectations& e) { e.pc = 0x0106; }, EndKind::Hlt, Outcome::NoApto, "pc", "0106", "0105"},
    {"sp", [](Expectations& e) { e.sp = 0xFFFF; }, EndKind::Hlt, Outcome::NoApto, "sp", "FFFF", "FFF0"},
    {"flag set", [](Expectations& e) { e.flags[0] = true; }, EndKind::Hlt, Outcome::NoApto, "S", "1", "0"},
    {"flag clear", [](Expectations& e) { e.flags[2] = false; }, EndKind::Hlt, Outcome::NoApto, "AC", "0", "1"},
    {"parity", [](Expectations& e) { e.flags[3] = false; }, EndKind::Hlt, Outcome::NoApto, "P", "0", "1"},
    {"sod", [](Expectations& e) { e.sod = false; }, EndKind::Hlt, Outcome::NoApto, "sod", "0", "1"},
    {"short memory block shown whole",
     [](Expectations& e) { e.memory = {{0x0901, {1, 2, 9}}}; }, EndKind::Hlt, Outcome::NoApto, "memoria 0901",
     "01 02 09", "01 02 03"},
    {"long memory block shown from the first difference",
     [](Expectations& e) {
         std::vector<uint8_t> want(32);
         for (int i = 0; i < 32; ++i) want[i] = static_cast<uint8_t>(i);
         want[20] = 0xEE;
         e.memory = {{0x0900, want}};
     },
     EndKind::Hlt, Outcome::NoApto, "memoria 0914", "EE 15 16 17 18 19 1A 1B 1C 1D 1E 1F",
     "14 15 16 17 18 19 1A 1B 1C 1D 1E 1F"},
    {"later memory block", [](Expectations& e) { e.memory = {{0x0900, {0}}, {0x0000, {0x76}}}; }, EndKind::Hlt,
     Outcome::NoApto, "memoria 0000", "76", "00"},
    {"port", [](Expectations& e) { e.ports = {{0xFE, {0x00, 0x02}}}; }, EndKind::Hlt, Outcome::NoApto,
     "puertos FE", "00 02", "00 01"},
    // The order of the comparison: the end first, then registers before flags before memory.
    {"first failure wins",
     [](Expectations& e) {
         e.memory = {{0x0900, {9}}};
         e.flags[0] = true;
         e.registers[kRegC] = 0;
     },
     EndKind::Hlt, Outcome::NoApto, "c", "00", "03"},
    {"step limit while HLT expected", [](Expectations& e) { e.registers[kRegA] = 0; }, EndKind::Steps,
     Outcome::NoTermina, "fin", "HLT", "PASOS"},
    {"step limit while a breakpoint expected", [](Expectations& e) { e.end = EndKind::Break; }, EndKind::Steps,
     Outcome::NoTermina, "fin", "BREAK", "PASOS"},
    {"HLT while the step limit expected", [](Expectations& e) { e.end = EndKind::Steps; }, EndKind::Hlt,
     Outcome::NoApto, "fin", "PASOS", "HLT"},
    {"breakpoint while HLT expected", [](Expectations&) {}, EndKind::Break, Outcome::NoApto, "fin", "HLT", "BREAK"},
    {"step limit expected and reached", [](Expectations& e) { e.end = EndKind::Steps; }, EndKind::Steps,
     Outcome::Apto, "", "", ""},
};

// salidas: both sequences whole while short, else 16 values of each from the first difference.
TEST(CheckVerdict, OutputSequences) {
    const Machine m = sampleMachine();
    auto log = [](std::vector<uint8_t> values, uint8_t port = 0x01) {
        OutputLog out;
        uint64_t step = 1;
        out.record(step++, 0x05, 0x99);  // another port: not part of port 01's sequence
        for (uint8_t v : values) out.record(step++, port, v);
        return out;
    };
    std::vector<uint8_t> long40(40);
    for (int i = 0; i < 40; ++i) long40[i] = static_cast<uint8_t>(i);
    std::vector<uint8_t> long40b = long40;
    long40b[30] = 0xEE;
    std::vector<uint8_t> long20(long40.begin(), long40.begin() + 20);
    struct Case {
        const char* what;
        std::vector<uint8_t> expected;
        OutputLog obtained;
        Outcome outcome;
        const char* shownExpected;
        const char* shownObtained;
    };
    const Case cases[] = {
        {"same", {1, 2, 4, 8}, log({1, 2, 4, 8}), Outcome::Apto, "", ""},
        {"one more", {5, 7, 9}, log({5, 7, 9, 0}), Outcome::NoApto, "05 07 09", "05 07 09 00"},
        {"one fewer", {5, 7, 9}, log({5, 7}), Outcome::NoApto, "05 07 09", "05 07"},
        {"a wrong value", {5, 7, 9}, log({5, 8, 9}), Outcome::NoApto, "05 07 09", "05 08 09"},
        {"nothing written", {5}, log({}), Outcome::NoApto, "05", "ningún valor"},
        {"written to another port", {5}, log({5}, 0x02), Outcome::NoApto, "05", "ningún valor"},
        {"nothing asked", {}, log({3}), Outcome::NoApto, "ningún valor", "03"},
        {"nothing asked, nothing written", {}, log({}), Outcome::Apto, "", ""},
        {"long, a difference inside", long40, log(long40b), Outcome::NoApto,
         "… 1E 1F 20 21 22 23 24 25 26 27", "… EE 1F 20 21 22 23 24 25 26 27"},
        {"long, stops early", long40, log(long20), Outcome::NoApto, "… 14 15 16 17 18 19 1A 1B 1C 1D 1E 1F 20 21 22 23 …",
         "… (nada más)"},
        {"long from the start", long40, log({0xFF}), Outcome::NoApto,
         "00 01 02 03 04 05 06 07 08 09 0A 0B 0C 0D 0E 0F …", "FF"},
    };
    for (const Case& c : cases) {
        Expectations e;
        e.outputs = {{0x01, c.expected}};
        const CaseResult r = judge(e, m, EndKind::Hlt, 10, &c.obtained);
        EXPECT_EQ(r.outcome, c.outcome) << c.what;
        if (c.outcome == Outcome::Apto) continue;
        EXPECT_EQ(r.expectation, "salidas 01") << c.what;
        EXPECT_EQ(r.expected, c.shownExpected) << c.what;
        EXPECT_EQ(r.obtained, c.shownObtained) << c.what;
    }
    // Checked after everything else: a wrong port value is told first.
    Expectations e;
    e.outputs = {{0x01, {1}}};
    e.ports = {{0x20, {0x00}}};
    const OutputLog none;
    EXPECT_EQ(judge(e, m, EndKind::Hlt, 1, &none).expectation, "puertos 20");
    // With no log at all, the program wrote nothing.
    EXPECT_EQ(judge(e, m, EndKind::Hlt, 1).obtained, "77");
}

TEST(CheckVerdict, Judge) {
    const Machine m = sampleMachine();
    for (const JudgeCase& jc : kJudgeCases) {
        Expectations e;
        jc.expect(e);
        const CaseResult r = judge(e, m, jc.end, 42);
        EXPECT_EQ(r.outcome, jc.outcome) << jc.what;
        EXPECT_EQ(r.expectation, jc.expectation) << jc.what;
        EXPECT_EQ(r.expected, jc.expected) << jc.what;
        EXPECT_EQ(r.obtained, jc.obtained) << jc.what;
        EXPECT_EQ(r.steps, 42u) << jc.what;
    }
}

}  // namespace
