// Pacing a run against the wall clock: what is due when, the wait of a machine ahead, a machine far
// behind or gone back starting again, and a whole simulated run holding its rate.
#include <gtest/gtest.h>

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

}  // namespace
}  // namespace vandor
