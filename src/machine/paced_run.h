// A run held at a speed against the wall clock, one turn at a time between two looks at the user's
// input: the real-time speed runs the steps whose T-states are due at the machine's clock frequency, the
// slow speed one step when its turn has come. A turn with nothing due says how long to wait instead.
// The caller reads a steady clock (nanoseconds) and does the waiting, so that the windows keep taking
// clicks while the machine waits, and a benchmark can pace the core alone.
//
//   PacedRun paced(Speed::RealTime, 3'072'000.0);
//   paced.start(sim, now());
//   while (sim.running()) {
//       const PacedTurn turn = paced.turn(sim, now());
//       if (turn.why != StopReason::Steps) break;
//       if (turn.waitNs > 0) sleepOrTakeEvents(turn.waitNs);
//   }
#pragma once

#include <cstdint>

#include "machine/pacer.h"
#include "machine/simulator.h"

namespace vandor {

enum class Speed { Maximum, RealTime, Slow };

inline constexpr double kMinClockMHz = 1.0;
inline constexpr double kMaxClockMHz = 10.0;
inline constexpr double kDefaultClockMHz = 3.072;
inline constexpr int kMinStepsPerSecond = 1;
inline constexpr int kMaxStepsPerSecond = 1000;
inline constexpr int kDefaultStepsPerSecond = 10;

struct PacedTurn {
    StopReason why = StopReason::Steps;
    int64_t waitNs = 0;  // > 0: nothing was due; the next step is due this much later
};

class PacedRun {
public:
    // rate: the clock in Hz for RealTime, steps per second for Slow.
    PacedRun(Speed speed, double rate) : speed_(speed), pacer_(rate, maxLagNs(speed, rate)) {}
    Speed speed() const { return speed_; }
    double rate() const { return pacer_.rate(); }

    // Counts from the machine as it is at nowNs.
    void start(const Simulator& sim, int64_t nowNs) { pacer_.start(units(sim), nowNs); }

    // Runs what is due by nowNs (at most one step at the slow speed), or says how long to wait.
    PacedTurn turn(Simulator& sim, int64_t nowNs) {
        const uint64_t done = units(sim);
        const uint64_t due = pacer_.due(done, nowNs);
        if (done >= due) return {StopReason::Steps, pacer_.waitNs(done, nowNs)};
        if (speed_ == Speed::Slow) return {sim.run(1), 0};
        return {sim.run(kMaxTurnSteps, due), 0};
    }

private:
    // A turn of the real-time speed runs at most this many steps (a few milliseconds at 10 MHz).
    static constexpr uint64_t kMaxTurnSteps = 50'000;

    // The slow speed catches up on a few late steps (one per turn) rather than starting again at once.
    static int64_t maxLagNs(Speed speed, double rate) {
        const int64_t fourSteps = static_cast<int64_t>(4e9 / rate);
        return speed == Speed::Slow && fourSteps > Pacer::kDefaultMaxLagNs ? fourSteps : Pacer::kDefaultMaxLagNs;
    }
    uint64_t units(const Simulator& sim) const { return speed_ == Speed::Slow ? sim.stepsExecuted() : sim.m.tstates; }

    Speed speed_;
    Pacer pacer_;
};

}  // namespace vandor
