// The continuous run against the plain definition of a run: one step() after another (listainstru,
// EjecutaPASO, regen, listareg), a breakpoint test after each. Generated programs run both ways side by
// side, in every combination of what the run can have attached (trace, T-state count, grid observer, the
// step history that makes the loop look at every step), and
// must agree after every batch: registers and pairs, interrupt state, check boxes, memory, ports, trace
// lines, grid notifications, T-states, the reason the batch ended and the steps it took.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "support/generated_programs.h"
#include "machine/simulator.h"

namespace vandor {
namespace {

using test::Digest;
using test::SplitMix;

// A run as its definition states it, step by step.
StopReason referenceRun(Simulator& sim, uint64_t maxSteps) {
    if (!sim.running()) return StopReason::Stopped;
    for (uint64_t i = 0; i < maxSteps; ++i) {
        sim.step();
        if (!sim.running()) return StopReason::Halt;  // only a HLT's way out stops a run inside a step
        if (sim.m.breakpoints[sim.m.pc]) {
            sim.stopRun();
            return StopReason::Breakpoint;
        }
    }
    return StopReason::Steps;
}

struct Log final : MachineObserver {
    std::vector<uint32_t> writes;
    void memoryWritten(uint16_t address, uint8_t value) override { writes.push_back(0x1000000u | address << 8 | value); }
    void portWritten(uint8_t port, uint8_t value) override { writes.push_back(0x2000000u | port << 8 | value); }
};

// One side of the comparison: a simulator with its own generator, so both sides make the same program
// and do the same things between batches.
struct Side {
    SplitMix random;
    Digest unused;
    Simulator sim;
    test::RandomHalt halt;
    Log log;

    Side(uint64_t seed, bool trace, bool tstates, bool grids, bool history) : random(seed) {
        halt.random = &random;
        halt.sim = &sim;
        halt.digest = &unused;
        sim.haltDialog = &halt;
        sim.recordTrace = trace;
        sim.m.countTStates = tstates;
        if (grids) sim.m.observer = &log;
        if (history) sim.setHistoryLimit(History::kMaxSteps);
        test::fillProgram(sim, random);
    }
};

// The first trace row not yet compared is `from` (the row before it is compared again: its registers may
// have been filled in since).
std::string difference(const Side& x, const Side& y, size_t& from) {
    const Machine& a = x.sim.m;
    const Machine& b = y.sim.m;
    auto regs = [](const Machine& m) {
        return std::vector<unsigned>{m.a,   m.b,   m.c,   m.d,          m.e,   m.f,   m.h,   m.l,
                                     m.bc,  m.de,  m.hl,  m.psw,        m.pc,  m.sp,  m.ie,  m.m55,
                                     m.m65, m.m75, m.sid, m.rst75Latch, m.sod, unsigned(m.tstates)};
    };
    if (regs(a) != regs(b)) return "registers or interrupt state";
    for (int box = 0; box < 5; ++box)
        if (x.sim.shown(CheckBox(box)) != y.sim.shown(CheckBox(box))) return "check box " + std::to_string(box);
    if (a.mem != b.mem) return "memory";
    if (a.ports != b.ports) return "ports";
    if (x.sim.running() != y.sim.running() || x.sim.stepsExecuted() != y.sim.stepsExecuted()) return "run state";
    if (x.sim.historySize() != y.sim.historySize() || x.sim.lastTstates() != y.sim.lastTstates())
        return "history or last T-states";
    if (x.log.writes != y.log.writes) return "grid notifications";
    if (x.sim.trace.size() != y.sim.trace.size()) return "trace size";
    for (size_t i = from == 0 ? 0 : from - 1; i < x.sim.trace.size(); ++i)
        if (x.sim.trace.lineText(i) != y.sim.trace.lineText(i) || x.sim.trace.tstatesText(i) != y.sim.trace.tstatesText(i))
            return "trace line " + std::to_string(i);
    from = x.sim.trace.size();
    return {};
}

TEST(RunLoop, AgreesWithStepByStepInEveryCombination) {
    for (unsigned extras = 0; extras < 16; ++extras) {
        const bool trace = extras & 1, tstates = extras & 2, grids = extras & 4, history = extras & 8;
        for (uint64_t program = 0; program < (history ? 40u : 100u); ++program) {
            const uint64_t seed = program * 104729u + extras;
            Side fast(seed, trace, tstates, grids, history);
            Side plain(seed, trace, tstates, grids, history);
            size_t compared = 0;
            for (int batch = 0; batch < 60; ++batch) {
                if (!fast.sim.running()) fast.sim.startRun();
                if (!plain.sim.running()) plain.sim.startRun();
                // The same draws on both sides keep their generators in step.
                auto draw = [](SplitMix& r) { return uint64_t{1} + r.below(r.below(3) == 0 ? 300 : 10); };
                const uint64_t size = draw(fast.random);
                ASSERT_EQ(draw(plain.random), size);
                const StopReason got = fast.sim.run(size);
                const StopReason want = referenceRun(plain.sim, size);
                ASSERT_EQ(got, want) << "extras " << extras << " program " << program << " batch " << batch;
                const std::string diff = difference(fast, plain, compared);
                ASSERT_EQ(diff, "") << "extras " << extras << " program " << program << " batch " << batch;
                test::actBetweenBatches(fast.sim, fast.random);
                test::actBetweenBatches(plain.sim, plain.random);
                if (history) {
                    // Some steps undone on both sides: the loop's records are the step-by-step ones.
                    const uint64_t back = fast.random.below(4);
                    ASSERT_EQ(plain.random.below(4), back);
                    for (uint64_t i = 0; i < back; ++i) ASSERT_EQ(fast.sim.stepBack(), plain.sim.stepBack());
                    ASSERT_EQ(difference(fast, plain, compared = 0), "") << "after undoing " << back;
                }
            }
        }
    }
}

// Memory written around a run, not through savmem, leaves the wrap-around cells behind; the run's first
// step still reads them as they are and the copies are current after it, as after any regen.
TEST(RunLoop, WrapAroundCellsWrittenBehindTheRunsBack) {
    for (const bool fastRun : {true, false}) {
        Simulator sim;
        sim.setMemory(0xFFFF, 0xC3);  // JMP with its operand bytes at 0000 and 0001
        sim.setMemory(0x0000, 0x00);
        sim.setMemory(0x0001, 0x20);
        sim.setPC(0xFFFF);
        sim.regen();
        sim.m.mem[0x0001] = 0x30;  // behind the copies' back
        sim.startRun();
        if (fastRun) sim.run(1); else referenceRun(sim, 1);
        EXPECT_EQ(sim.m.pc, 0x2000) << fastRun;  // the stale copy
        EXPECT_EQ(sim.m.mem[0x10001], 0x30) << fastRun;
        sim.setPC(0xFFFF);
        if (fastRun) sim.run(1); else referenceRun(sim, 1);
        EXPECT_EQ(sim.m.pc, 0x3000) << fastRun;
    }
}

}  // namespace
}  // namespace vandor
