// The simulator: interrupt buttons and their enabling rule, the check-box actions with the automatic
// RST 7.5, the way out of a HLT through a scripted Halt dialog, breakpoints and the trace in the run.
#include <gtest/gtest.h>

#include <initializer_list>
#include <vector>

#include "machine/simulator.h"

namespace vandor {
namespace {

void load(Simulator& sim, uint16_t at, std::initializer_list<uint8_t> bytes) {
    for (uint8_t b : bytes) sim.m.savmem(at++, b);
    sim.regen();
}

std::vector<HaltOption> usableButtons(const Simulator& sim) {
    std::vector<HaltOption> out;
    for (int i = 0; i < 6; ++i)
        if (sim.usable(HaltOption(i))) out.push_back(HaltOption(i));
    return out;
}

const std::vector<HaltOption> kOnlyTrapAndReset = {HaltOption::Reset, HaltOption::Trap};

struct ScriptedHalt final : HaltDialog {
    HaltChoice answer;
    std::vector<bool> asked;  // runInProgress of every showing
    HaltChoice chooseHaltExit(bool runInProgress) override {
        asked.push_back(runInProgress);
        return answer;
    }
};

struct Recorder final : MachineObserver {
    std::vector<std::pair<uint16_t, uint8_t>> memory;
    void memoryWritten(uint16_t address, uint8_t value) override { memory.emplace_back(address, value); }
    void portWritten(uint8_t, uint8_t) override {}
};

TEST(Interrupts, ResetStateAndEnablingRule) {
    Simulator sim;
    EXPECT_FALSE(sim.shown(CheckBox::CHKEI));
    EXPECT_TRUE(sim.shown(CheckBox::CHK55) && sim.shown(CheckBox::CHK65) && sim.shown(CheckBox::CHK75));
    EXPECT_EQ(usableButtons(sim), kOnlyTrapAndReset);
    sim.setShown(CheckBox::CHKEI, true);
    EXPECT_EQ(usableButtons(sim), (std::vector<HaltOption>{HaltOption::Reset, HaltOption::Trap, HaltOption::Intr}));
    sim.setShown(CheckBox::CHK65, false);
    EXPECT_FALSE(sim.m.m65);
    EXPECT_TRUE(sim.usable(HaltOption::Rst65));
    EXPECT_FALSE(sim.usable(HaltOption::Rst55));

    sim.m.pc = 0x0105;
    sim.m.sp = 0x2000;
    sim.press(HaltOption::Rst65);
    EXPECT_EQ(sim.m.mem[0x1FFF], 0x01);
    EXPECT_EQ(sim.m.mem[0x1FFE], 0x05);
    EXPECT_EQ(sim.m.sp, 0x1FFE);
    EXPECT_EQ(sim.m.pc, 0x0034);
    EXPECT_FALSE(sim.m.ie);
    EXPECT_FALSE(sim.shown(CheckBox::CHKEI));
    EXPECT_EQ(usableButtons(sim), kOnlyTrapAndReset);

    sim.press(HaltOption::Rst65);  // not usable: nothing happens
    EXPECT_EQ(sim.m.pc, 0x0034);
    sim.press(HaltOption::Trap);   // always usable
    EXPECT_EQ(sim.m.pc, 0x0024);
    EXPECT_EQ(sim.m.sp, 0x1FFC);
}

TEST(Interrupts, IntrExecutesTheVectorWithoutStoringIt) {
    Simulator sim;
    Recorder seen;
    sim.m.observer = &seen;
    load(sim, 0x0200, {0x3C});
    seen.memory.clear();
    sim.m.pc = 0x0200;
    sim.m.sp = 0x3000;
    sim.setShown(CheckBox::CHKEI, true);
    sim.setVector(0xEF);
    sim.press(HaltOption::Intr);
    EXPECT_EQ(sim.m.mem[0x0200], 0x3C);
    EXPECT_EQ(sim.m.pc, 0x0028);
    EXPECT_EQ(sim.m.mem[0x2FFF], 0x02);
    EXPECT_EQ(sim.m.mem[0x2FFE], 0x00);
    EXPECT_FALSE(sim.m.ie);
    EXPECT_EQ(seen.memory, (std::vector<std::pair<uint16_t, uint8_t>>{{0x2FFF, 0x02}, {0x2FFE, 0x00}}));

    // A push over the vector's own cell: memory gets the byte back and the grid is told so.
    seen.memory.clear();
    sim.m.pc = 0x2000;
    sim.m.sp = 0x2002;
    sim.m.mem[0x2000] = 0x99;
    sim.setShown(CheckBox::CHKEI, true);
    sim.setVector(0xC7);
    sim.press(HaltOption::Intr);
    EXPECT_EQ(sim.m.mem[0x2000], 0x99);
    ASSERT_FALSE(seen.memory.empty());
    EXPECT_EQ(seen.memory.back(), (std::pair<uint16_t, uint8_t>{0x2000, 0x99}));
}

TEST(Interrupts, EiTakesLatchedRst75AgainUnlessSimClearedIt) {
    for (const bool clearLatch : {false, true}) {
        Simulator sim;
        load(sim, 0x0000, {0x3E, 0x08, 0x30, 0xFB, 0x00});  // MVI A,08 / SIM (unmask all) / EI / NOP
        if (clearLatch) load(sim, 0x003C, {0x3E, 0x10, 0x30, 0xFB});  // MVI A,10 / SIM / EI
        else load(sim, 0x003C, {0xFB});                               // EI
        sim.m.sp = 0x2000;
        for (int i = 0; i < 3; ++i) sim.step();
        EXPECT_TRUE(sim.shown(CheckBox::CHKEI));
        EXPECT_TRUE(sim.usable(HaltOption::Rst75));
        sim.press(HaltOption::Rst75);
        EXPECT_TRUE(sim.m.rst75Latch);
        EXPECT_EQ(sim.m.pc, 0x003C);
        EXPECT_EQ(sim.m.sp, 0x1FFE);
        for (int i = 0; i < (clearLatch ? 3 : 1); ++i) sim.step();
        if (clearLatch) {
            EXPECT_EQ(sim.m.pc, 0x0040);
            EXPECT_TRUE(sim.m.ie);
            EXPECT_FALSE(sim.m.rst75Latch);
        } else {
            // Taken again at once after the EI: the return address is the byte after the EI.
            EXPECT_EQ(sim.m.pc, 0x003C);
            EXPECT_EQ(sim.m.sp, 0x1FFC);
            EXPECT_EQ(sim.m.mem[0x1FFC], 0x3D);
            EXPECT_FALSE(sim.m.ie);
            EXPECT_FALSE(sim.shown(CheckBox::CHKEI));
        }
    }
}

TEST(Interrupts, UnmaskingRst75TakesTheLatchAndDiSimFollowAfterTheStep) {
    Simulator sim;
    sim.m.sp = 0x2000;
    sim.m.rst75Latch = true;
    sim.setShown(CheckBox::CHKEI, true);
    EXPECT_EQ(sim.m.pc, 0x0000);  // still masked
    sim.setShown(CheckBox::CHK75, false);
    EXPECT_EQ(sim.m.pc, 0x003C);
    EXPECT_FALSE(sim.m.ie);

    load(sim, 0x003C, {0xFB, 0xF3, 0x3E, 0xC0, 0x30, 0x3E, 0x80, 0x30});  // EI DI MVI A,C0 SIM MVI A,80 SIM
    sim.m.rst75Latch = false;
    sim.step();
    EXPECT_TRUE(sim.usable(HaltOption::Intr));
    sim.step();
    EXPECT_EQ(usableButtons(sim), kOnlyTrapAndReset);
    sim.step();
    sim.step();
    EXPECT_TRUE(sim.m.sod);
    EXPECT_TRUE(sim.shown(CheckBox::ChkSOD));
    sim.step();
    sim.step();
    EXPECT_TRUE(sim.m.sod);
    sim.setShown(CheckBox::ChkSOD, false);  // disabled box: no effect
    EXPECT_TRUE(sim.shown(CheckBox::ChkSOD));
}

TEST(Halt, WaysOutOfTheHalt) {
    struct Case {
        const char* name;
        bool run;
        HaltChoice answer;
        bool ie;
        uint16_t pc;
        bool stillRunning;
    };
    const Case cases[] = {
        {"reset, continuing", true, {HaltOption::Reset, true, false}, false, 0x0000, true},
        {"reset, unchecked", true, {HaltOption::Reset, false, false}, false, 0x0000, false},
        {"single step reset", false, {HaltOption::Reset, false, false}, false, 0x0000, false},
        {"intr CF", true, {HaltOption::Intr, true, false}, true, 0x0008, true},
        {"intr disabled does reset", true, {HaltOption::Intr, true, false}, false, 0x0000, true},
        {"trap", false, {HaltOption::Trap, false, false}, true, 0x0024, false},
        {"left halted", true, {HaltOption::Reset, true, true}, true, 0x0101, false},
    };
    for (const Case& c : cases) {
        Simulator sim;
        ScriptedHalt dialog;
        dialog.answer = c.answer;
        sim.haltDialog = &dialog;
        load(sim, 0x0100, {0x76});
        sim.m.pc = 0x0100;
        sim.m.sp = 0x2000;
        sim.m.ie = c.ie;
        sim.setVector(0xCF);
        sim.regen();
        if (c.run) {
            sim.startRun();
            const StopReason why = sim.run(1);
            EXPECT_EQ(why, c.stillRunning ? StopReason::Steps : StopReason::Halt) << c.name;
        } else {
            sim.step();
        }
        EXPECT_EQ(dialog.asked, std::vector<bool>{c.run}) << c.name;
        EXPECT_EQ(sim.m.pc, c.pc) << c.name;
        EXPECT_EQ(sim.running(), c.stillRunning) << c.name;
        if (c.pc == 0x0008 || c.pc == 0x0024) {  // the interrupt returns after the HLT
            EXPECT_EQ(sim.m.sp, 0x1FFE) << c.name;
            EXPECT_EQ(sim.m.mem[0x1FFE] | sim.m.mem[0x1FFF] << 8, 0x0101) << c.name;
        }
    }
}

TEST(Halt, WithoutDialogTheRunStopsAndNestedHaltsEnd) {
    Simulator sim;
    load(sim, 0x0000, {0x76});
    sim.startRun();
    EXPECT_EQ(sim.run(10), StopReason::Halt);
    EXPECT_EQ(sim.m.pc, 0x0001);

    // INTR supplying HLT halts again from inside the halt; INTR is disabled by then, so that inner
    // answer performs RESET and the nesting ends.
    ScriptedHalt dialog;
    dialog.answer = {HaltOption::Intr, true, false};
    sim.haltDialog = &dialog;
    sim.setVector(0x76);
    sim.m.pc = 0x0000;
    sim.setShown(CheckBox::CHKEI, true);
    sim.startRun();
    EXPECT_EQ(sim.run(1), StopReason::Steps);
    EXPECT_EQ(dialog.asked, (std::vector<bool>{true, true}));
    EXPECT_EQ(sim.m.pc, 0x0000);
    EXPECT_EQ(sim.m.mem[0x0001], 0x00);
}

TEST(Run, BreakpointsStepsAndTrace) {
    Simulator sim;
    load(sim, 0x0000, {0x3C, 0x3C, 0x3C, 0xC3, 0x00, 0x00});  // INR A x3 / JMP 0000
    sim.m.breakpoints[0x0000] = 1;
    sim.m.breakpoints[0x0002] = 1;
    EXPECT_EQ(sim.run(5), StopReason::Stopped);  // not running
    sim.startRun();
    EXPECT_EQ(sim.run(100), StopReason::Breakpoint);  // starts on a breakpoint, stops at the next
    EXPECT_EQ(sim.m.pc, 0x0002);
    EXPECT_FALSE(sim.running());
    EXPECT_EQ(sim.stepsExecuted(), 2u);
    // One register-only row, then one row per step.
    ASSERT_EQ(sim.trace.size(), 3u);
    EXPECT_EQ(sim.trace.row(0).length, 0);
    EXPECT_EQ(sim.trace.row(2).dir, 0x0001);
    EXPECT_EQ(sim.trace.row(2).a, 2);

    sim.m.breakpoints.fill(0);
    sim.recordTrace = false;
    sim.startRun();
    EXPECT_EQ(sim.run(7), StopReason::Steps);
    EXPECT_TRUE(sim.running());
    EXPECT_EQ(sim.trace.size(), 3u);
    EXPECT_EQ(sim.stepsExecuted(), 9u);

    // A full trace drops its oldest rows and never stops the run; the rows kept are the latest.
    sim.recordTrace = true;
    sim.trace.setCapacity(10);
    EXPECT_EQ(sim.run(100), StopReason::Steps);
    EXPECT_TRUE(sim.running());
    EXPECT_EQ(sim.trace.size(), 10u);
    EXPECT_EQ(sim.trace.dropped(), 3u + 1u + 100u - 10u);  // earlier rows, the register row, the steps
    EXPECT_EQ(sim.trace.row(9).pc, sim.m.pc);
    EXPECT_EQ(sim.trace.row(9).a, sim.m.a);

    // A HLT that stops the run on a breakpoint address leaves the run stopped.
    Simulator halt;
    load(halt, 0x0000, {0x76});
    halt.m.breakpoints[0x0001] = 1;
    halt.startRun();
    EXPECT_EQ(halt.run(5), StopReason::Halt);
    EXPECT_FALSE(halt.running());
}

}  // namespace
}  // namespace vandor

namespace vandor {
namespace {

struct Views final : RegenListener {
    int regens = 0;
    void regenerated() override { ++regens; }
};

struct PortRecorder final : MachineObserver {
    std::vector<std::pair<uint16_t, uint8_t>> memory, ports;
    void memoryWritten(uint16_t address, uint8_t value) override { memory.emplace_back(address, value); }
    void portWritten(uint8_t port, uint8_t value) override { ports.emplace_back(port, value); }
};

// Each register door: what it writes, and the pair that follows. A5 into B while C is 3C makes BC A53C.
TEST(EditingDoors, RegistersAndTheirPairs) {
    struct Case { Register r; uint8_t value; uint16_t bc, de, hl, psw; };
    const Case cases[] = {
        {Register::A, 0x12, 0x003C, 0x0000, 0x0000, 0x1200}, {Register::F, 0xD5, 0x003C, 0x0000, 0x0000, 0x00D5},
        {Register::B, 0xA5, 0xA53C, 0x0000, 0x0000, 0x0000}, {Register::C, 0x01, 0x0001, 0x0000, 0x0000, 0x0000},
        {Register::D, 0x80, 0x003C, 0x8000, 0x0000, 0x0000}, {Register::E, 0x7F, 0x003C, 0x007F, 0x0000, 0x0000},
        {Register::H, 0xFF, 0x003C, 0x0000, 0xFF00, 0x0000}, {Register::L, 0xEE, 0x003C, 0x0000, 0x00EE, 0x0000},
    };
    for (const Case& c : cases) {
        Simulator sim;
        sim.setRegister(Register::C, 0x3C);
        sim.setRegister(c.r, c.value);
        const Machine& m = sim.m;
        const uint8_t regs[8] = {m.a, m.b, m.c, m.d, m.e, m.f, m.h, m.l};
        EXPECT_EQ(regs[static_cast<int>(c.r)], c.value) << int(c.r);
        EXPECT_EQ(m.bc, c.bc) << int(c.r);
        EXPECT_EQ(m.de, c.de) << int(c.r);
        EXPECT_EQ(m.hl, c.hl) << int(c.r);
        EXPECT_EQ(m.psw, c.psw) << int(c.r);
    }
}

TEST(EditingDoors, PairsWriteBothHalves) {
    Simulator sim;
    sim.setPair(Pair::BC, 0x1234);
    sim.setPair(Pair::DE, 0xABCD);
    sim.setPair(Pair::HL, 0xFFFF);
    const Machine& m = sim.m;
    EXPECT_EQ(m.b, 0x12);
    EXPECT_EQ(m.c, 0x34);
    EXPECT_EQ(m.d, 0xAB);
    EXPECT_EQ(m.e, 0xCD);
    EXPECT_EQ(m.h, 0xFF);
    EXPECT_EQ(m.l, 0xFF);
    EXPECT_EQ(m.bc, 0x1234);
    EXPECT_EQ(m.de, 0xABCD);
    EXPECT_EQ(m.hl, 0xFFFF);
    sim.setMemory(0xFFFF, 0x5A);
    EXPECT_EQ(m.byteAtHL(), 0x5A);  // M follows the new HL
}

// M is stored through savmem (the grid hears of it) at H and L, then everything is refreshed; the flag,
// PC and SP doors write only their register.
TEST(EditingDoors, MemoryFlagsPcSp) {
    Simulator sim;
    Views views;
    PortRecorder grid;
    sim.views = &views;
    sim.m.observer = &grid;
    sim.setRegister(Register::H, 0x20);
    sim.setRegister(Register::L, 0x01);
    const int before = views.regens;
    sim.storeAtHL(0x77);
    EXPECT_EQ(sim.m.mem[0x2001], 0x77);
    EXPECT_EQ(grid.memory, (std::vector<std::pair<uint16_t, uint8_t>>{{0x2001, 0x77}}));
    EXPECT_EQ(views.regens, before + 1);

    sim.setFlags(0xD5);
    EXPECT_EQ(sim.m.f, 0xD5);
    sim.setPC(0xFFFE);
    sim.setSP(0x1000);
    EXPECT_EQ(sim.m.pc, 0xFFFE);
    EXPECT_EQ(sim.m.sp, 0x1000);
    EXPECT_EQ(sim.m.a, 0);
    EXPECT_EQ(views.regens, before + 1);  // none of these refreshes by itself

    sim.setMemory(0x0000, 0x11);
    sim.setPort(0xFE, 0x22);
    EXPECT_EQ(sim.m.mem[0x0000], 0x11);
    EXPECT_EQ(sim.m.ports[0xFE], 0x22);
    EXPECT_EQ(grid.ports, (std::vector<std::pair<uint16_t, uint8_t>>{{0xFE, 0x22}}));
    sim.m.observer = nullptr;
    sim.views = nullptr;
}

TEST(EditingDoors, BreakpointsStopTheRun) {
    Simulator sim;  // memory of NOPs
    sim.toggleBreakpoint(0x0003);
    EXPECT_TRUE(sim.m.breakpoints[0x0003]);
    sim.startRun();
    EXPECT_EQ(sim.run(100), StopReason::Breakpoint);
    EXPECT_EQ(sim.m.pc, 0x0003);
    sim.toggleBreakpoint(0x0003);
    sim.setBreakpoint(0x0005, true);
    sim.setBreakpoint(0x0005, true);  // setting twice keeps it set
    sim.startRun();
    EXPECT_EQ(sim.run(100), StopReason::Breakpoint);
    EXPECT_EQ(sim.m.pc, 0x0005);
    sim.setBreakpoint(0x0005, false);
    sim.startRun();
    EXPECT_EQ(sim.run(10), StopReason::Steps);
}

// During a step h and l are authoritative: M read by the trace and by byteAtHL is the byte at H, L even
// when the pair hl was not yet rebuilt.
TEST(EditingDoors, ByteAtHlFollowsTheSingleRegisters) {
    Machine m;
    m.mem[0x1234] = 0xAA;
    m.mem[0x0000] = 0x55;
    m.h = 0x12;
    m.l = 0x34;  // hl still 0000
    EXPECT_EQ(m.byteAtHL(), 0xAA);
}

}  // namespace
}  // namespace vandor
