// Pacing a run against the wall clock: what is due when, the wait of a machine ahead, a machine far
// behind or gone back starting again, and a whole simulated run holding its rate.
#include <gtest/gtest.h>

#include "machine/paced_run.h"
#include "machine/pacer.h"

namespace vandor {
namespace {

constexpr int64_t kSecond = 1'000'000'000;

TEST(Pacer, DueAndWait) {
    Pacer p(3'072'000.0);
    p.start(1000, 5 * kSecond);
    EXPECT_EQ(p.due(1000, 5 * kSecond), 1000u);
    EXPECT_EQ(p.due(1000, 5 * kSecond + kSecond / 100), 1000u + 30'720);  // 10 ms later, 0.1 s allowed
    // A machine 3072 T-states ahead of the clock waits a millisecond.
    EXPECT_NEAR(static_cast<double>(p.waitNs(1000 + 3072 - 1, 5 * kSecond)), 1e6, 1.0);
    EXPECT_EQ(p.waitNs(1000 + 30'720, 5 * kSecond + kSecond / 100), 326);  // one T-state, 325.5 ns
    EXPECT_EQ(p.waitNs(1000, 6 * kSecond), 0);

    Pacer slow(10.0);  // instructions per second
    slow.start(0, 0);
    EXPECT_EQ(slow.waitNs(0, 0), kSecond / 10);
    EXPECT_EQ(slow.due(0, kSecond / 20), 0u);
    EXPECT_EQ(slow.due(0, kSecond / 10), 1u);
}

TEST(Pacer, FarBehindOrGoneBackStartsAgain) {
    Pacer p(1'000'000.0);
    p.start(0, 0);
    // 50 ms behind: catch up.
    EXPECT_EQ(p.due(0, kSecond / 20), 50'000u);
    // Half a second behind (a dialog was up): start again from where the machine is, no burst.
    EXPECT_EQ(p.due(10, kSecond / 2), 10u);
    EXPECT_EQ(p.due(10, kSecond / 2 + kSecond / 1000), 1010u);
    // The count went back to 0 (RESET).
    EXPECT_EQ(p.due(0, kSecond), 0u);
    EXPECT_EQ(p.due(0, kSecond + kSecond / 1000), 1000u);
}

// A machine that runs instructions of 4 to 18 T-states in bursts when behind, and a caller that sleeps
// the pacer's wait plus a scheduling delay: over ten seconds the count stays with the clock.
TEST(Pacer, SimulatedRunHoldsItsRate) {
    for (double clock : {1'000'000.0, 3'072'000.0, 10'000'000.0}) {
        Pacer p(clock);
        int64_t now = 0;
        uint64_t t = 0;
        p.start(t, now);
        unsigned k = 0;
        while (now < 10 * kSecond) {
            const uint64_t due = p.due(t, now);
            while (t < due) t += 4 + (k++ * 7) % 15;
            now += p.waitNs(t, now) + 150'000;  // the sleep overshoots by 0.15 ms
        }
        const double expected = clock * static_cast<double>(now) / 1e9;
        EXPECT_NEAR(static_cast<double>(t) / expected, 1.0, 0.001) << clock;
    }
}

// A delay loop on a simulator: DCR B / JNZ (14 T-states a turn, 11 the last), with a breakpoint after it.
void delayLoop(Simulator& sim) {
    const uint8_t code[] = {0x05, 0xC2, 0x00, 0x00, 0x00, 0xC3, 0x00, 0x00};  // DCR B; JNZ 0000; NOP; JMP 0000
    for (size_t i = 0; i < sizeof code; ++i) sim.setMemory(static_cast<uint16_t>(i), code[i]);
    sim.setPC(0);
}

// The real-time speed on the simulator with a clock the test moves: the T-states keep with the clock
// whatever the turns' spacing, a breakpoint ends the run as at full speed, and the T-state count is
// left as it was asked to be.
TEST(PacedRun, RealTimeFollowsTheClockAndStopsAtBreakpoints) {
    for (int64_t spacing : {int64_t{100'000}, int64_t{1'000'000}, int64_t{20'000'000}}) {
        Simulator sim;
        delayLoop(sim);
        PacedRun paced(Speed::RealTime, 1'000'000.0);
        sim.startRun();
        int64_t now = 0;
        paced.start(sim, now);
        while (now < 2 * kSecond) {
            const PacedTurn turn = paced.turn(sim, now);
            ASSERT_EQ(turn.why, StopReason::Steps);
            now += turn.waitNs > 0 ? std::min(turn.waitNs, spacing) : spacing / 10;  // a turn takes time too
        }
        paced.turn(sim, now);
        // Due by now at 1 MHz: one T-state a microsecond, overshot by at most the last instruction.
        const double due = static_cast<double>(now) / 1000.0;
        EXPECT_GE(static_cast<double>(sim.m.tstates), due - 1) << spacing;
        EXPECT_LE(static_cast<double>(sim.m.tstates), due + 14) << spacing;
        EXPECT_FALSE(sim.m.countTStates);
        sim.setBreakpoint(0x0005, true);
        PacedTurn turn;
        for (int i = 0; i < 1000 && turn.why == StopReason::Steps; ++i) turn = paced.turn(sim, now += spacing);
        EXPECT_EQ(turn.why, StopReason::Breakpoint);
        EXPECT_EQ(sim.m.pc, 0x0005);
        EXPECT_FALSE(sim.running());
    }
}

// The slow speed: one step per turn when its time has come, never two, and the wait until the next.
TEST(PacedRun, SlowSpeedStepsOneAtATime) {
    Simulator sim;
    delayLoop(sim);
    PacedRun paced(Speed::Slow, 4.0);
    sim.startRun();
    paced.start(sim, 0);
    EXPECT_EQ(paced.turn(sim, 0).waitNs, kSecond / 4);
    EXPECT_EQ(sim.stepsExecuted(), 0u);
    // Three steps due: one step per turn all the same, then the wait for the fourth.
    const int64_t late = kSecond * 3 / 4;
    PacedTurn turn = paced.turn(sim, late);
    EXPECT_EQ(turn.waitNs, 0);
    EXPECT_EQ(sim.stepsExecuted(), 1u);
    for (int i = 0; i < 10; ++i) paced.turn(sim, late);
    EXPECT_EQ(sim.stepsExecuted(), 3u);
    EXPECT_EQ(paced.turn(sim, late).waitNs, kSecond / 4);
    // Far behind (a dialog was up): no burst of steps to catch up.
    for (int i = 0; i < 10; ++i) paced.turn(sim, 60 * kSecond);
    EXPECT_LE(sim.stepsExecuted(), 4u);
}

}  // namespace
}  // namespace vandor
