// T-states: every opcode's data-sheet figure, conditional jumps, calls and returns taken and not taken,
// in the single step and in the continuous run alike; the 12 of every interrupt taken (buttons, the way
// out of a HLT, the automatic RST 7.5), INTR counting the instruction it supplies, and RESET.
#include <gtest/gtest.h>

#include <string>
#include <string_view>
#include <vector>

#include "common/opcodes.h"
#include "machine/simulator.h"

namespace vandor {
namespace {

// Whether condition `cc` ("NZ", "Z", ... "M") holds for the flags f.
bool conditionHolds(std::string_view cc, uint8_t f) {
    const bool z = f & 0x40, cy = f & 0x01, p = f & 0x04, s = f & 0x80;
    if (cc == "NZ") return !z;
    if (cc == "Z") return z;
    if (cc == "NC") return !cy;
    if (cc == "C") return cy;
    if (cc == "PO") return !p;
    if (cc == "PE") return p;
    if (cc == "P") return !s;
    return s;  // "M"
}

bool isCondition(std::string_view cc) {
    for (std::string_view c : {"NZ", "Z", "NC", "C", "PO", "PE", "P", "M"})
        if (cc == c) return true;
    return false;
}

// The figure of the opcode by its mnemonic, as the data sheet lists it; f decides conditionals.
int expectedTStates(uint8_t op, uint8_t f) {
    const std::string_view text = kOpcodeText[op];
    const std::string_view name = text.substr(0, text.find(' '));
    const std::string_view operands = text.find(' ') == std::string_view::npos ? "" : text.substr(text.find(' ') + 1);
    const bool memory = operands == "M" || operands.starts_with("M,") || operands.ends_with(",M");
    struct Figure { std::string_view name; int registers, withM; };
    constexpr Figure kFigures[] = {
        {"MOV", 4, 7}, {"MVI", 7, 10}, {"LXI", 10, 10}, {"LDA", 13, 13}, {"STA", 13, 13}, {"LHLD", 16, 16},
        {"SHLD", 16, 16}, {"LDAX", 7, 7}, {"STAX", 7, 7}, {"XCHG", 4, 4}, {"ADD", 4, 7}, {"ADC", 4, 7},
        {"SUB", 4, 7}, {"SBB", 4, 7}, {"ANA", 4, 7}, {"XRA", 4, 7}, {"ORA", 4, 7}, {"CMP", 4, 7}, {"ADI", 7, 7},
        {"ACI", 7, 7}, {"SUI", 7, 7}, {"SBI", 7, 7}, {"ANI", 7, 7}, {"XRI", 7, 7}, {"ORI", 7, 7}, {"CPI", 7, 7},
        {"INR", 4, 10}, {"DCR", 4, 10}, {"INX", 6, 6}, {"DCX", 6, 6}, {"DAD", 10, 10}, {"DAA", 4, 4},
        {"RLC", 4, 4}, {"RRC", 4, 4}, {"RAL", 4, 4}, {"RAR", 4, 4}, {"CMA", 4, 4}, {"CMC", 4, 4}, {"STC", 4, 4},
        {"JMP", 10, 10}, {"CALL", 18, 18}, {"RET", 10, 10}, {"RST", 12, 12}, {"PCHL", 6, 6}, {"SPHL", 6, 6},
        {"PUSH", 12, 12}, {"POP", 10, 10}, {"XTHL", 16, 16}, {"IN", 10, 10}, {"OUT", 10, 10}, {"EI", 4, 4},
        {"DI", 4, 4}, {"RIM", 4, 4}, {"SIM", 4, 4}, {"NOP", 4, 4}, {"HLT", 5, 5}, {"?", 4, 4},
    };
    for (const Figure& fig : kFigures)
        if (name == fig.name) return memory ? fig.withM : fig.registers;
    const std::string_view cc = name.substr(1);
    EXPECT_TRUE(isCondition(cc)) << text;
    const bool taken = conditionHolds(cc, f);
    switch (name[0]) {
    case 'J': return taken ? 10 : 7;
    case 'C': return taken ? 18 : 9;
    default: return taken ? 12 : 6;  // 'R'
    }
}

// A machine with op at 1000, its operands pointing at harmless addresses, flags f.
void prepare(Simulator& sim, uint8_t op, uint8_t f) {
    sim.setMemory(0x1000, op);
    sim.setMemory(0x1001, 0x00);
    sim.setMemory(0x1002, 0x30);
    sim.setPC(0x1000);
    sim.setSP(0x8000);
    sim.setPair(Pair::HL, 0x2000);
    sim.setFlags(f);
    sim.regen();
    sim.m.countTStates = true;
    sim.m.tstates = 100;
}

TEST(TStates, EveryOpcodeTakenAndNotTaken) {
    for (int op = 0; op < 256; ++op) {
        for (const uint8_t f : {uint8_t{0x00}, uint8_t{0xD5}}) {
            const int expected = expectedTStates(static_cast<uint8_t>(op), f);
            // The single step.
            Simulator single;
            prepare(single, static_cast<uint8_t>(op), f);
            single.step();
            EXPECT_EQ(single.m.tstates, 100u + expected) << "step " << kOpcodeText[op] << " F=" << int(f);
            // The continuous run, with and without the trace.
            for (const bool trace : {false, true}) {
                Simulator run;
                prepare(run, static_cast<uint8_t>(op), f);
                run.recordTrace = trace;
                run.startRun();
                run.run(1);
                EXPECT_EQ(run.m.tstates, 100u + expected) << "run " << kOpcodeText[op] << " F=" << int(f);
            }
        }
    }
}

TEST(TStates, NotCountedUnlessAsked) {
    Simulator sim;
    sim.setMemory(0x0000, 0x3C);  // INR A
    sim.startRun();
    sim.run(1000);
    sim.step();
    sim.press(HaltOption::Trap);
    EXPECT_EQ(sim.m.tstates, 0u);
}

// A user or a HLT's way out raising an interrupt between steps.
TEST(TStates, InterruptsIntrAndReset) {
    struct Case {
        const char* what;
        uint8_t vector;        // the INTR vector
        uint8_t code;          // the instruction at 0000 (after EI and unmasking)
        HaltOption press;      // pressed before the instruction runs
        uint64_t expected;     // T-states from the press on
    };
    const Case cases[] = {
        {"trap", 0, 0x00, HaltOption::Trap, 12 + 4},
        {"rst 5.5", 0, 0x00, HaltOption::Rst55, 12 + 4},
        {"rst 6.5", 0, 0x00, HaltOption::Rst65, 12 + 4},
        {"rst 7.5", 0, 0x00, HaltOption::Rst75, 12 + 4},
        {"intr rst 1", 0xCF, 0x00, HaltOption::Intr, 12 + 4},
        {"intr call", 0xCD, 0x00, HaltOption::Intr, 18 + 4},
        {"intr inr a", 0x3C, 0x00, HaltOption::Intr, 4 + 4},
        {"intr lda", 0x3A, 0x00, HaltOption::Intr, 13 + 4},
    };
    for (const Case& c : cases) {
        Simulator sim;
        sim.setMemory(0x0100, c.code);
        for (uint16_t v : {0x0008, 0x0024, 0x002C, 0x0034, 0x003C}) sim.setMemory(v, 0x00);
        sim.setPC(0x0100);
        sim.setSP(0x8000);
        sim.setVector(c.vector);
        sim.setShown(CheckBox::CHKEI, true);
        for (CheckBox box : {CheckBox::CHK55, CheckBox::CHK65, CheckBox::CHK75}) sim.setShown(box, false);
        sim.m.countTStates = true;
        sim.press(c.press);
        sim.step();  // the first instruction after the interrupt: a NOP
        EXPECT_EQ(sim.m.tstates, c.expected) << c.what;
        sim.Reset_Click();
        EXPECT_EQ(sim.m.tstates, 0u) << c.what;
    }
}

// EI with RST 7.5 latched and unmasked takes it at once: 4 for the EI, 12 for the interrupt.
TEST(TStates, AutomaticRst75InTheRunAndTheStep) {
    for (const bool running : {false, true}) {
        Simulator sim;
        sim.setMemory(0x0000, 0xFB);  // EI
        sim.setShown(CheckBox::CHK75, false);
        sim.m.rst75Latch = true;
        sim.setSP(0x8000);
        sim.m.countTStates = true;
        if (running) {
            sim.startRun();
            sim.run(1);
        } else {
            sim.step();
        }
        EXPECT_EQ(sim.m.pc, 0x003C) << running;
        EXPECT_EQ(sim.m.tstates, 16u) << running;
    }
}

struct Answer final : HaltDialog {
    HaltChoice choice;
    HaltChoice chooseHaltExit(bool) override { return choice; }
};

// HLT counts 5, then the way out: RESET sets the count to 0, an interrupt adds 12, INTR its instruction.
TEST(TStates, WaysOutOfAHalt) {
    struct Case { HaltOption option; uint8_t vector; uint64_t expected; };
    const Case cases[] = {
        {HaltOption::Reset, 0, 0}, {HaltOption::Trap, 0, 5 + 12}, {HaltOption::Intr, 0xCD, 5 + 18},
        {HaltOption::Intr, 0xFF, 5 + 12}, {HaltOption::Rst55, 0, 5 + 12},
    };
    for (const Case& c : cases) {
        for (const bool running : {false, true}) {
            Simulator sim;
            Answer answer;
            answer.choice.option = c.option;
            answer.choice.continueRun = true;
            sim.haltDialog = &answer;
            sim.setMemory(0x0200, 0x76);
            sim.setPC(0x0200);
            sim.setSP(0x8000);
            sim.setVector(c.vector);
            sim.setShown(CheckBox::CHKEI, true);
            sim.setShown(CheckBox::CHK55, false);
            sim.m.countTStates = true;
            sim.m.tstates = 1000;
            if (running) {
                sim.startRun();
                sim.run(1);
            } else {
                sim.step();
            }
            EXPECT_EQ(sim.m.tstates, c.expected == 0 ? 0 : 1000 + c.expected)
                << static_cast<int>(c.option) << " " << running;
            // The last instruction's count is the HLT and its way out, nothing before a RESET.
            EXPECT_EQ(sim.lastTstates(), c.expected) << static_cast<int>(c.option) << " " << running;
        }
    }
}

// The last instruction's count, after a step and after a run's last step; RESET and the zeroing door set
// it to 0, a step back gives back the one before.
TEST(TStates, LastInstruction) {
    for (const bool running : {false, true}) {
        Simulator sim;
        sim.m.countTStates = true;
        sim.setHistoryLimit(10);
        const uint8_t program[] = {0x31, 0x00, 0x80,  // LXI SP,8000   10
                                   0xC5,              // PUSH B        12
                                   0xCD, 0x20, 0x00,  // CALL 0020     18
                                   0x3C};             // INR A (unreached)
        for (uint16_t i = 0; i < sizeof program; ++i) sim.setMemory(i, program[i]);
        sim.setMemory(0x0020, 0xC8);  // RZ, not taken: 6
        const unsigned expected[] = {10, 12, 18, 6};
        for (size_t i = 0; i < std::size(expected); ++i) {
            if (running) {
                sim.startRun();
                sim.run(1);
                sim.stopRun();
            } else {
                sim.step();
            }
            EXPECT_EQ(sim.lastTstates(), expected[i]) << i << " " << running;
        }
        EXPECT_EQ(sim.m.tstates, 46u);
        sim.stepBack();
        EXPECT_EQ(sim.lastTstates(), 18u) << running;
        EXPECT_EQ(sim.m.tstates, 40u) << running;
        sim.resetTStates();
        EXPECT_EQ(sim.lastTstates(), 0u) << running;
        EXPECT_EQ(sim.m.tstates, 0u) << running;
        sim.step();
        sim.Reset_Click();
        EXPECT_EQ(sim.lastTstates(), 0u) << running;
        EXPECT_EQ(sim.m.tstates, 0u) << running;
        // Undoing across the zeroing and the RESET gives back the counts the step found.
        sim.stepBack();
        EXPECT_EQ(sim.m.tstates, 0u) << running;
        sim.stepBack();
        EXPECT_EQ(sim.m.tstates, 22u) << running;
        EXPECT_EQ(sim.lastTstates(), 12u) << running;
    }
}

// Each instruction row of the trace keeps its step's count (a HLT with its way out), for the trace
// window's column; nothing when T-states are not counted, nothing on register-only rows.
TEST(TStates, TraceRows) {
    for (const bool counted : {true, false}) {
        for (const bool running : {false, true}) {
            Simulator sim;
            Answer answer;
            answer.choice.option = HaltOption::Trap;
            answer.choice.continueRun = true;
            sim.haltDialog = &answer;
            sim.m.countTStates = counted;
            const uint8_t program[] = {0x31, 0x00, 0x80,  // LXI SP,8000   10
                                       0xC2, 0x00, 0x10,  // JNZ 1000      10 (taken: Z is 0)
                                       0x76};             // HLT           5 + TRAP 12
            for (uint16_t i = 0; i < sizeof program; ++i) sim.setMemory(i, program[i]);
            sim.setMemory(0x1000, 0xCA);  // JZ 0006     7 (not taken)
            sim.setMemory(0x1001, 0x06);
            sim.setMemory(0x1002, 0x00);
            sim.setMemory(0x1003, 0xC3);  // JMP 0006    10
            sim.setMemory(0x1004, 0x06);
            sim.setMemory(0x1005, 0x00);
            if (running) {
                sim.startRun();
                sim.run(5);
            } else {
                for (int i = 0; i < 5; ++i) sim.step();
            }
            const std::vector<std::string> expected = {"", "10", "10", "7", "10", "17"};
            ASSERT_EQ(sim.trace.size(), expected.size()) << running;
            for (size_t i = 0; i < expected.size(); ++i)
                EXPECT_EQ(sim.trace.tstatesText(i), counted ? expected[i] : "") << i << " " << running;
        }
    }
}

}  // namespace
}  // namespace vandor
