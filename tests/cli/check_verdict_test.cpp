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
