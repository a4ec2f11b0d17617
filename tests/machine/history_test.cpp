// The step history's own rules: records undone newest first with their cells in reverse order of writing,
// cells noted with no record ignored, and the limits by steps and by bytes dropping the oldest records.
// Then step back on the simulator: over many generated programs with edits, interrupt presses, resets
// and halts between the steps, undoing K steps leaves exactly what running K fewer steps leaves.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <map>
#include <random>
#include <vector>

#include "machine/history.h"
#include "machine/simulator.h"

namespace vandor {
namespace {

Snapshot numbered(uint16_t n) {
    Snapshot s;
    s.pc = n;
    s.tstates = n * 10u;
    return s;
}

TEST(History, UndoesNewestFirstWithCellsInReverse) {
    History h;
    h.noteMemory(0x1000, 1);  // no record yet: not kept
    EXPECT_TRUE(h.empty());
    h.begin(numbered(1));
    h.noteMemory(0x2000, 0xAA);
    h.notePort(0x10, 0xBB);
    h.begin(numbered(2));
    h.noteMemory(0x2000, 0xCC);
    h.noteMemory(0x2000, 0xDD);
    ASSERT_EQ(h.size(), 2u);

    std::vector<UndoCell> restored;
    auto keep = [&](const UndoCell& c) { restored.push_back(c); };
    EXPECT_EQ(h.undo(keep).pc, 2);
    ASSERT_EQ(restored.size(), 2u);
    EXPECT_EQ(restored[0].value, 0xDD);  // the later write's old value first, so the earliest ends in place
    EXPECT_EQ(restored[1].value, 0xCC);
    restored.clear();
    EXPECT_EQ(h.undo(keep).tstates, 10u);
    ASSERT_EQ(restored.size(), 2u);
    EXPECT_EQ(restored[0].port, 1);
    EXPECT_EQ(restored[0].address, 0x10);
    EXPECT_EQ(restored[1].address, 0x2000);
    EXPECT_TRUE(h.empty());
    EXPECT_EQ(h.bytes(), 0u);
}

TEST(History, StepLimitKeepsTheLatest) {
    History h;
    h.setStepLimit(3);
    for (uint16_t n = 1; n <= 5; ++n) {
        h.begin(numbered(n));
        h.noteMemory(n, static_cast<uint8_t>(n));
    }
    ASSERT_EQ(h.size(), 3u);
    std::vector<uint16_t> order;
    while (!h.empty()) {
        uint16_t cell = 0;
        order.push_back(h.undo([&](const UndoCell& c) { cell = c.address; }).pc);
        EXPECT_EQ(cell, order.back());  // each record kept its own cells
    }
    EXPECT_EQ(order, (std::vector<uint16_t>{5, 4, 3}));

    h.setStepLimit(0);
    h.begin(numbered(1));
    EXPECT_TRUE(h.empty());
    EXPECT_FALSE(h.recording());
    h.setStepLimit(5'000'000);
    EXPECT_EQ(h.stepLimit(), History::kMaxSteps);
}

// Steps that each write many cells reach the byte budget before the step limit; a single record larger
// than the budget stays, being the step just made.
TEST(History, ByteBudgetDropsTheOldest) {
    History h;
    const size_t cellsPerStep = 64 * 1024;
    size_t steps = 0;
    for (; steps < 400; ++steps) {
        h.begin(numbered(static_cast<uint16_t>(steps)));
        for (size_t i = 0; i < cellsPerStep; ++i) h.noteMemory(static_cast<uint16_t>(i), 0);
        ASSERT_LE(h.bytes(), History::kMaxBytes + sizeof(Snapshot) * 2 + cellsPerStep * sizeof(UndoCell));
    }
    EXPECT_LT(h.size(), steps);
    EXPECT_GE(h.bytes() + cellsPerStep * sizeof(UndoCell) + 64, History::kMaxBytes);
    EXPECT_EQ(h.undo([](const UndoCell&) {}).pc, steps - 1);

    h.clear();
    h.begin(numbered(7));
    for (size_t i = 0; i < History::kMaxBytes / sizeof(UndoCell) + 10; ++i) h.noteMemory(0, 0);
    EXPECT_EQ(h.size(), 1u);
    EXPECT_GT(h.bytes(), History::kMaxBytes);
}

TEST(History, AMillionPlainStepsFitTheBudget) {
    History h;
    for (size_t n = 0; n < History::kMaxSteps + 10; ++n) {
        h.begin(numbered(static_cast<uint16_t>(n)));
        h.noteMemory(static_cast<uint16_t>(n), 0);  // a PUSH writes two; most steps none
        h.noteMemory(static_cast<uint16_t>(n + 1), 0);
    }
    EXPECT_EQ(h.size(), History::kMaxSteps);
    EXPECT_LE(h.bytes(), History::kMaxBytes);
}

// The Halt dialog's answers drawn from a generator, so two simulators given the same seed answer alike.
struct RandomHalt final : HaltDialog {
    std::mt19937 rng;
    explicit RandomHalt(unsigned seed) : rng(seed) {}
    HaltChoice chooseHaltExit(bool) override {
        HaltChoice choice;
        choice.option = static_cast<HaltOption>(rng() % 6);
        return choice;
    }
};

// Something the user does between two steps.
using Action = std::function<void(Simulator&)>;

Action randomAction(std::mt19937& rng) {
    const uint16_t address = static_cast<uint16_t>(rng() % 3 ? 0x2000 + rng() % 64 : rng());
    const uint8_t value = static_cast<uint8_t>(rng());
    switch (rng() % 11) {
    case 0: return [=](Simulator& s) { s.setMemory(address, value); };
    case 1: return [=](Simulator& s) { s.setPort(static_cast<uint8_t>(address), value); };
    case 2: return [=](Simulator& s) { s.setRegister(static_cast<Register>(value % 8), static_cast<uint8_t>(address)); };
    case 3: return [=](Simulator& s) { s.setPair(static_cast<Pair>(value % 3), address); };
    case 4: return [=](Simulator& s) { s.storeAtHL(value); };
    case 5: return [=](Simulator& s) { s.press(static_cast<HaltOption>(1 + value % 5)); };
    case 6: return [=](Simulator& s) { s.setShown(static_cast<CheckBox>(value % 4), value & 0x80); };
    case 7: return [=](Simulator& s) { s.chkSID_Click(value & 1); };
    case 8: return [=](Simulator& s) { s.Reset_Click(); };
    case 9: return [=](Simulator& s) { s.setVector(value); s.press(HaltOption::Intr); };
    default: return [=](Simulator& s) { s.setSP(address); };
    }
}

struct Scenario {
    std::vector<uint8_t> program;  // at 0000
    std::map<size_t, std::vector<Action>> before;  // actions before step j (from 1); steps + 1: after the last
    size_t steps = 0;
};

Scenario randomScenario(std::mt19937& rng) {
    Scenario sc;
    sc.steps = 50 + rng() % 250;
    sc.program.resize(256);
    for (uint8_t& b : sc.program) b = static_cast<uint8_t>(rng());
    // Calls, returns, pushes and stores, often: what writes memory is what there is to undo.
    for (int i = 0; i < 40; ++i) {
        static constexpr uint8_t kWriters[] = {0xCD, 0xC5, 0xF5, 0xE3, 0x77, 0x36, 0x34, 0x32, 0x22, 0x02, 0xD3, 0xC9, 0xFB, 0x30};
        sc.program[rng() % sc.program.size()] = kWriters[rng() % std::size(kWriters)];
    }
    for (size_t j = 1; j <= sc.steps + 1; ++j)
        if (rng() % 8 == 0) sc.before[j].push_back(randomAction(rng));
    return sc;
}

void prepare(Simulator& sim, const Scenario& sc) {
    for (size_t i = 0; i < sc.program.size(); ++i) sim.setMemory(static_cast<uint16_t>(i), sc.program[i]);
    sim.setSP(0x2040);
    sim.objectLoaded();
}

void act(Simulator& sim, const Scenario& sc, size_t j) {
    auto it = sc.before.find(j);
    if (it == sc.before.end()) return;
    for (const Action& a : it->second) a(sim);
}

// Everything a step back must give back, compared field by field.
void expectSameState(const Simulator& x, const Simulator& y, const std::string& where) {
    const Machine &a = x.m, &b = y.m;
    EXPECT_EQ(std::tuple(a.a, a.b, a.c, a.d, a.e, a.f, a.h, a.l, a.pc, a.sp),
              std::tuple(b.a, b.b, b.c, b.d, b.e, b.f, b.h, b.l, b.pc, b.sp)) << where;
    EXPECT_EQ(std::tuple(a.bc, a.de, a.hl, a.psw), std::tuple(b.bc, b.de, b.hl, b.psw)) << where;
    EXPECT_EQ(std::tuple(a.ie, a.m55, a.m65, a.m75, a.rst75Latch, a.sid, a.sod),
              std::tuple(b.ie, b.m55, b.m65, b.m75, b.rst75Latch, b.sid, b.sod)) << where;
    // (The two wrap-around cells are copies that the next regen makes current.)
    EXPECT_TRUE(std::equal(a.mem.begin(), a.mem.begin() + Machine::kMemorySize, b.mem.begin())) << where;
    EXPECT_TRUE(a.ports == b.ports) << where;
    for (int box = 0; box < 5; ++box)
        EXPECT_EQ(x.shown(CheckBox(box)), y.shown(CheckBox(box))) << where << " box " << box;
    for (int option = 0; option < 6; ++option)
        EXPECT_EQ(x.usable(HaltOption(option)), y.usable(HaltOption(option))) << where;
    ASSERT_EQ(x.trace.size(), y.trace.size()) << where;
    for (size_t r = 0; r < x.trace.size(); ++r) ASSERT_EQ(x.trace.lineText(r), y.trace.lineText(r)) << where << " row " << r;
}

TEST(StepBack, UndoingKStepsEqualsRunningKFewer) {
    std::mt19937 rng(8085);
    for (int n = 0; n < 60; ++n) {
        const Scenario sc = randomScenario(rng);
        const size_t k = n < 3 ? size_t(n) : rng() % (sc.steps + 1);
        const unsigned haltSeed = rng();

        Simulator full;
        RandomHalt fullHalt(haltSeed);
        full.haltDialog = &fullHalt;
        full.setHistoryLimit(History::kMaxSteps);
        prepare(full, sc);
        for (size_t j = 1; j <= sc.steps; ++j) {
            act(full, sc, j);
            full.step();
        }
        act(full, sc, sc.steps + 1);
        for (size_t i = 0; i < k; ++i) ASSERT_TRUE(full.stepBack());
        EXPECT_EQ(full.canStepBack(), k < sc.steps);

        Simulator shorter;
        RandomHalt shorterHalt(haltSeed);
        shorter.haltDialog = &shorterHalt;
        prepare(shorter, sc);
        for (size_t j = 1; j <= sc.steps - k; ++j) {
            act(shorter, sc, j);
            shorter.step();
        }
        act(shorter, sc, sc.steps - k + 1);  // done before the step that was undone: it stays
        expectSameState(full, shorter, "scenario " + std::to_string(n) + ", " + std::to_string(sc.steps) +
                                           " steps, back " + std::to_string(k));
    }
}

TEST(StepBack, HistoryRulesOfTheSimulator) {
    Simulator sim;
    sim.setMemory(0, 0x3C);  // INR A
    sim.step();
    EXPECT_FALSE(sim.canStepBack());  // vandor-cli's default: nothing recorded
    sim.setHistoryLimit(History::kMaxSteps);
    sim.setPC(0);
    sim.step();
    sim.setMemory(1, 0x3C);
    sim.step();
    EXPECT_EQ(sim.historySize(), 2u);
    sim.startRun();
    EXPECT_FALSE(sim.canStepBack());  // not during a run
    EXPECT_FALSE(sim.stepBack());
    sim.stopRun();
    EXPECT_TRUE(sim.stepBack());
    EXPECT_EQ(sim.m.mem[1], 0x3C);  // the edit came before the step still recorded
    EXPECT_EQ(sim.m.pc, 1);
    sim.objectLoaded();
    EXPECT_FALSE(sim.canStepBack());
    EXPECT_FALSE(sim.stepBack());
    EXPECT_EQ(sim.m.pc, 1);
}

// The automatic RST 7.5 taken by a check box's action, and an interrupt taken by the Halt dialog inside a
// step, are undone with the step; the check boxes and buttons follow.
TEST(StepBack, InterruptsInsideAndAfterAStep) {
    struct TakeTrap final : HaltDialog {
        HaltChoice chooseHaltExit(bool) override { return {HaltOption::Trap, false, false}; }
    } trap;
    Simulator sim;
    sim.haltDialog = &trap;
    sim.setHistoryLimit(10);
    sim.setMemory(0x0100, 0x76);  // HLT
    sim.setPC(0x0100);
    sim.setSP(0x3000);
    sim.step();
    EXPECT_EQ(sim.m.pc, 0x0024);
    EXPECT_EQ(sim.m.mem[0x2FFE], 0x01);
    ASSERT_TRUE(sim.stepBack());
    EXPECT_EQ(sim.m.pc, 0x0100);
    EXPECT_EQ(sim.m.sp, 0x3000);
    EXPECT_EQ(sim.m.mem[0x2FFE], 0x00);
    EXPECT_EQ(sim.m.mem[0x2FFF], 0x00);

    // A step, then RST 7.5 pressed and taken again by unmasking: all of it undone with the step.
    sim.setMemory(0x0100, 0xFB);  // EI
    sim.step();
    sim.setShown(CheckBox::CHK75, false);
    sim.press(HaltOption::Rst75);
    EXPECT_TRUE(sim.m.rst75Latch);
    sim.setShown(CheckBox::CHKEI, true);  // the latch is set and 7.5 unmasked: taken again at once
    EXPECT_EQ(sim.m.sp, 0x3000 - 4);
    ASSERT_TRUE(sim.stepBack());
    EXPECT_EQ(sim.m.sp, 0x3000);
    EXPECT_FALSE(sim.m.ie || sim.m.rst75Latch);
    EXPECT_TRUE(sim.m.m75 && sim.shown(CheckBox::CHK75));
    EXPECT_FALSE(sim.shown(CheckBox::CHKEI));
    EXPECT_FALSE(sim.usable(HaltOption::Intr));
    for (uint16_t a = 0x2FFA; a < 0x3000; ++a) EXPECT_EQ(sim.m.mem[a], 0) << a;
}

}  // namespace
}  // namespace vandor
