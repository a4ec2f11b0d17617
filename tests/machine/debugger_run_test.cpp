// The run with the debugger's stops: watchpoints for every kind of data read and write (and never for
// operand bytes, untaken conditionals or interrupt pushes), WATCH before BREAK, step over a recursive
// call, step out, run to here, and each of them obeying breakpoints and HLT like the plain run.
#include <gtest/gtest.h>

#include <initializer_list>
#include <string>

#include "machine/simulator.h"

namespace vandor {
namespace {

void load(Simulator& sim, uint16_t at, std::initializer_list<uint8_t> bytes) {
    for (uint8_t b : bytes) sim.setMemory(at++, b);
    sim.regen();
}

StopReason runFor(Simulator& sim, uint64_t steps, const RunTarget& target = {}) {
    sim.startRun(target);
    const StopReason why = sim.run(steps);
    if (sim.running()) sim.stopRun();
    return why;
}

struct WatchCase {
    const char* what;
    std::initializer_list<uint8_t> program;  // at 0100, NOPs after it
    const char* watch;
    bool stops;
    uint16_t cell = 0;
    bool read = false, write = false;
};

// Registers for every case: HL = 3000, BC = 3100, DE = 3200, SP = 4000, F with Z and CY set.
TEST(WatchRun, EveryReadAndWriteKind) {
    const WatchCase cases[] = {
        {"MOV A,M", {0x7E}, "3000:r", true, 0x3000, true, false},
        {"MOV A,M not a write", {0x7E}, "3000:w", false},
        {"ADD M", {0x86}, "3000:r", true, 0x3000, true, false},
        {"CMP M", {0xBE}, "3000:rw", true, 0x3000, true, false},
        {"INR M", {0x34}, "3000:rw", true, 0x3000, true, true},
        {"DCR M write", {0x35}, "3000", true, 0x3000, false, true},
        {"LDA", {0x3A, 0x34, 0x12}, "1234:r", true, 0x1234, true, false},
        {"LDAX B", {0x0A}, "3100:r", true, 0x3100, true, false},
        {"LDAX D", {0x1A}, "3200:r", true, 0x3200, true, false},
        {"LHLD second byte", {0x2A, 0xFF, 0x12}, "1300:r", true, 0x1300, true, false},
        {"POP B", {0xC1}, "4001:r", true, 0x4001, true, false},
        {"RET", {0xC9}, "4000:r", true, 0x4000, true, false},
        {"RZ taken", {0xC8}, "4000-4001:r", true, 0x4000, true, false},
        {"RNZ not taken", {0xC0}, "4000-4001:rw", false},
        {"XTHL", {0xE3}, "4001:rw", true, 0x4001, true, true},
        {"IN", {0xDB, 0x20}, "P20:r", true, 0x20, true, false},
        {"MOV M,A", {0x77}, "3000", true, 0x3000, false, true},
        {"MOV M,A not a read", {0x77}, "3000:r", false},
        {"MVI M", {0x36, 0x55}, "3000:w", true, 0x3000, false, true},
        {"STA", {0x32, 0x00, 0x50}, "5000", true, 0x5000, false, true},
        {"STAX B", {0x02}, "3100", true, 0x3100, false, true},
        {"STAX D", {0x12}, "3200", true, 0x3200, false, true},
        {"SHLD", {0x22, 0x00, 0x50}, "5001", true, 0x5001, false, true},
        {"PUSH PSW", {0xF5}, "3FFE", true, 0x3FFE, false, true},
        {"CALL", {0xCD, 0x00, 0x02}, "3F00-3FFF", true, 0x3FFF, false, true},
        {"CC taken", {0xDC, 0x00, 0x02}, "3FFE", true, 0x3FFE, false, true},
        {"CNC not taken", {0xD4, 0x00, 0x02}, "3FFE-3FFF:rw", false},
        {"RST 1", {0xCF}, "3FFF", true, 0x3FFF, false, true},
        {"OUT", {0xD3, 0x21}, "P21", true, 0x21, false, true},
        {"OUT not the port read", {0xD3, 0x21}, "P21:r", false},
        {"operand bytes are no data", {0x3A, 0x00, 0x60}, "0100-0102:r", false},
        {"NOP", {0x00}, "0000-FFFF:rw", false},
    };
    for (const WatchCase& c : cases) {
        Simulator sim;
        load(sim, 0x0100, c.program);
        sim.setPC(0x0100);
        sim.setPair(Pair::HL, 0x3000);
        sim.setPair(Pair::BC, 0x3100);
        sim.setPair(Pair::DE, 0x3200);
        sim.setSP(0x4000);
        sim.setFlags(kFlagZ | kFlagCY);
        sim.watches.add(*parseWatchpoint(c.watch));
        const StopReason why = runFor(sim, 5);
        if (!c.stops) {
            EXPECT_EQ(why, StopReason::Steps) << c.what;
            EXPECT_FALSE(sim.lastWatchHit()) << c.what;
            continue;
        }
        EXPECT_EQ(why, StopReason::Watch) << c.what;
        EXPECT_EQ(sim.stepsExecuted(), 1u) << c.what;  // stopped after the step that touched the cell
        ASSERT_TRUE(sim.lastWatchHit()) << c.what;
        const WatchHit& hit = *sim.lastWatchHit();
        EXPECT_EQ(hit.cell, c.cell) << c.what;
        EXPECT_EQ(hit.read, c.read) << c.what;
        EXPECT_EQ(hit.write, c.write) << c.what;
        EXPECT_EQ(hit.instructionAddress, 0x0100) << c.what;
        EXPECT_EQ(hit.instruction.opcode, *c.program.begin()) << c.what;
    }
}

TEST(WatchRun, MessageAndWatchBeforeBreak) {
    Simulator sim;
    load(sim, 0x0100, {0x32, 0x00, 0x20, 0x00});  // STA 2000
    sim.setPC(0x0100);
    sim.setBreakpoint(0x0103, true);
    sim.watches.add(*parseWatchpoint("2000"));
    EXPECT_EQ(runFor(sim, 10), StopReason::Watch);
    EXPECT_EQ(sim.m.pc, 0x0103);
    EXPECT_EQ(watchHitMessage(*sim.lastWatchHit()), "Vigilancia: STA 2000 en 0100 escribió la dirección 2000");
    // Run again from the breakpoint's address: the next step touches nothing.
    EXPECT_EQ(runFor(sim, 3), StopReason::Steps);
    EXPECT_FALSE(sim.lastWatchHit());
}

// The pushes of TRAP and RST 7.5 pressed between batches, of the Halt dialog's way out, and of the CALL
// that INTR supplies are the interrupt's, not an instruction's: they are never watched.
TEST(WatchRun, InterruptPushesAreNotWatched) {
    struct Answer final : HaltDialog {
        HaltOption option = HaltOption::Trap;
        HaltChoice chooseHaltExit(bool) override { return {option, true, false}; }
    } answer;
    Simulator sim;
    sim.haltDialog = &answer;
    sim.setSP(0x4000);
    sim.setPC(0x0100);
    load(sim, 0x0100, {0x00, 0x00, 0x76, 0x00, 0x00});  // NOP, NOP, HLT, NOP
    sim.watches.add(*parseWatchpoint("3F00-3FFF:rw"));
    sim.startRun();
    sim.press(HaltOption::Trap);  // between two batches
    EXPECT_EQ(sim.m.sp, 0x3FFE);
    sim.setPC(0x0100);
    EXPECT_EQ(sim.run(4), StopReason::Steps);  // NOP, NOP, HLT (TRAP taken inside it), NOP
    EXPECT_EQ(sim.m.sp, 0x3FFC);

    answer.option = HaltOption::Intr;
    sim.setShown(CheckBox::CHKEI, true);
    sim.setVector(0xCD);  // CALL 0000 from the bytes after the HLT
    sim.setPC(0x0100);
    EXPECT_EQ(sim.run(3), StopReason::Steps);  // NOP, NOP, HLT with INTR: CALL 0000
    EXPECT_EQ(sim.m.sp, 0x3FFA);
    EXPECT_EQ(sim.m.pc, 0x0000);
    sim.stopRun();
}

// A recursive routine: step over its inner call stops only when that call has returned at the same
// depth, although the same address is reached deeper first.
//   0000 LXI SP,2000 / MVI A,04 / CALL 0010 / HLT
//   0010 DCR A / JZ 0017 / CALL 0010 / 0017 RET
const std::initializer_list<uint8_t> kRecursive = {0x31, 0x00, 0x20, 0x3E, 0x04, 0xCD, 0x10, 0x00, 0x76};
const std::initializer_list<uint8_t> kRoutine = {0x3D, 0xCA, 0x17, 0x00, 0xCD, 0x10, 0x00, 0xC9};

Simulator& recursive(Simulator& sim) {
    load(sim, 0x0000, kRecursive);
    load(sim, 0x0010, kRoutine);
    sim.setPC(0);
    return sim;
}

TEST(StepOver, RecursiveCallReturnsAtItsOwnDepth) {
    Simulator sim;
    recursive(sim);
    // To the inner CALL at depth 1 (A = 3 after the DCR).
    for (int i = 0; i < 5; ++i) sim.step();
    ASSERT_EQ(sim.m.pc, 0x0014);
    const uint16_t sp = sim.m.sp;
    ASSERT_EQ(sp, 0x1FFE);
    const size_t rowsBefore = sim.trace.size();
    const uint64_t stepsBefore = sim.stepsExecuted();
    const RunTarget over = stepOverTarget(sim.m);
    ASSERT_TRUE(over.any());
    EXPECT_EQ(runFor(sim, 1000, over), StopReason::Target);
    EXPECT_EQ(sim.m.pc, 0x0017);
    EXPECT_EQ(sim.m.sp, sp);
    // Depths 2, 3 and 4 ran in between: CALL, then 3 × (DCR, JZ) + 2 × CALL + 3 × RET.
    const uint64_t steps = sim.stepsExecuted() - stepsBefore;
    EXPECT_EQ(steps, 1u + 6 + 2 + 3);
    EXPECT_EQ(sim.trace.size(), rowsBefore + steps);  // every step recorded
    EXPECT_EQ(sim.m.a, 0);
}

TEST(StepOver, OnlyCallsHaveATarget) {
    Simulator sim;
    struct Case {
        std::initializer_list<uint8_t> bytes;
        uint8_t f;
        bool target;
        uint16_t after;
    };
    const Case cases[] = {
        {{0xCD, 0x00, 0x30}, 0, true, 0x0103},          // CALL
        {{0xCC, 0x00, 0x30}, kFlagZ, true, 0x0103},     // CZ taken
        {{0xCC, 0x00, 0x30}, 0, false, 0},              // CZ not taken: one step
        {{0xEF}, 0, true, 0x0101},                      // RST 5
        {{0xC3, 0x00, 0x30}, 0, false, 0},              // JMP
        {{0xC9}, 0, false, 0},                          // RET
    };
    for (const Case& c : cases) {
        load(sim, 0x0100, c.bytes);
        sim.setPC(0x0100);
        sim.setFlags(c.f);
        const RunTarget t = stepOverTarget(sim.m);
        EXPECT_EQ(t.any(), c.target);
        if (c.target) {
            EXPECT_EQ(t.pc, c.after);
        }
    }
}

TEST(StepOver, ObeysBreakpointsAndHalt) {
    Simulator sim;
    recursive(sim);
    sim.step();
    sim.step();
    ASSERT_EQ(sim.m.pc, 0x0005);
    sim.setBreakpoint(0x0017, true);
    EXPECT_EQ(runFor(sim, 1000, stepOverTarget(sim.m)), StopReason::Breakpoint);
    EXPECT_EQ(sim.m.pc, 0x0017);
    sim.setBreakpoint(0x0017, false);

    // A HLT inside the routine ends the run as it ends "Ejecutar" (no Halt dialog: stays halted).
    Simulator halting;
    load(halting, 0x0000, {0x31, 0x00, 0x20, 0xCD, 0x10, 0x00, 0x00});
    load(halting, 0x0010, {0x76, 0xC9});
    halting.step();
    EXPECT_EQ(runFor(halting, 1000, stepOverTarget(halting.m)), StopReason::Halt);
    EXPECT_EQ(halting.m.pc, 0x0011);
}

TEST(StepOut, LeavesTheCurrentRoutine) {
    Simulator sim;
    recursive(sim);
    // Down to depth 4 (A = 0 after its DCR): PC at its JZ.
    while (!(sim.m.pc == 0x0011 && sim.m.a == 0)) sim.step();
    const uint16_t sp = sim.m.sp;
    EXPECT_EQ(runFor(sim, 1000, stepOutTarget(sim.m)), StopReason::Target);
    EXPECT_EQ(sim.m.pc, 0x0017);  // back in depth 3, after its CALL
    EXPECT_EQ(sim.m.sp, sp + 2);
    // Out of everything: the RETs of depths 3, 2 and 1 one at a time.
    for (int depth = 3; depth >= 1; --depth) {
        const uint16_t before = sim.m.sp;
        EXPECT_EQ(runFor(sim, 1000, stepOutTarget(sim.m)), StopReason::Target) << depth;
        EXPECT_EQ(sim.m.sp, before + 2) << depth;
    }
    EXPECT_EQ(sim.m.pc, 0x0008);
    EXPECT_EQ(sim.m.sp, 0x2000);

    // A push and pop in between, or an untaken return, does not end it.
    Simulator other;
    load(other, 0x0000, {0x31, 0xFE, 0x1F, 0xC5, 0xC1, 0xC0, 0x00, 0xC9});  // SP = 1FFE; PUSH B; POP B; RNZ (Z set); NOP; RET
    other.step();
    other.setFlags(kFlagZ);
    EXPECT_EQ(runFor(other, 1000, stepOutTarget(other.m)), StopReason::Target);
    EXPECT_EQ(other.stepsExecuted(), 1u + 5);
    EXPECT_EQ(other.m.sp, 0x2000);
}

TEST(RunToHere, ArrivesAfterAtLeastOneStep) {
    Simulator sim;
    recursive(sim);
    EXPECT_EQ(runFor(sim, 1000, runToTarget(0x0017)), StopReason::Target);
    EXPECT_EQ(sim.m.pc, 0x0017);
    EXPECT_EQ(sim.m.a, 0);  // the first arrival is the deepest
    // Started on the address itself, it runs on until PC is there again.
    EXPECT_EQ(runFor(sim, 1000, runToTarget(0x0017)), StopReason::Target);
    EXPECT_EQ(sim.m.sp, 0x1FFA);
    // An address never reached: the run ends by the HLT.
    EXPECT_EQ(runFor(sim, 1000, runToTarget(0x0200)), StopReason::Halt);
}

}  // namespace
}  // namespace vandor
