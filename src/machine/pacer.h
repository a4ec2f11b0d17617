// Pacer: keeps a run at a rate against the wall clock — T-states at a clock frequency for real-time
// speed, instructions per second for the slow speed. The caller tells it how far the machine has got
// and what time it is; it says how far the machine should be by now and how long to wait before the
// next unit is due. Times are nanoseconds of a steady clock the caller reads.
//
// A machine that falls far behind (the window was busy, a dialog was up) is not raced to catch up: once
// it is more than `maxLagNs` late, the pacer starts again from where the machine is.
//
//   Pacer pacer(3'072'000.0);                 // T-states per second
//   pacer.start(sim.m.tstates, now());
//   while (running) {
//       const uint64_t due = pacer.due(sim.m.tstates, now());
//       if (sim.m.tstates < due) runUpTo(due); else sleepNs(pacer.waitNs(sim.m.tstates, now()));
//   }
#pragma once

#include <cmath>
#include <cstdint>

namespace vandor {

class Pacer {
public:
    static constexpr int64_t kDefaultMaxLagNs = 100'000'000;  // 0.1 s

    explicit Pacer(double unitsPerSecond = 1.0, int64_t maxLagNs = kDefaultMaxLagNs)
        : rate_(unitsPerSecond), maxLagNs_(maxLagNs) {}

    double rate() const { return rate_; }
    // Starts counting from `units` done at time `nowNs`.
    void start(uint64_t units, int64_t nowNs) {
        originUnits_ = units;
        originNs_ = nowNs;
    }
    // How many units should be done by `nowNs`. When the machine at `units` is more than maxLagNs
    // behind, it starts again from there.
    uint64_t due(uint64_t units, int64_t nowNs) {
        // A machine whose count went back (a reset, a step back) starts again from there.
        if (units < originUnits_) {
            start(units, nowNs);
            return units;
        }
        const uint64_t target = dueAt(nowNs);
        if (units < target && nanosFor(target - units) > static_cast<double>(maxLagNs_)) {
            start(units, nowNs);
            return units;
        }
        return target;
    }
    // How long until the unit after `units` is due; 0 when it is due already.
    int64_t waitNs(uint64_t units, int64_t nowNs) const {
        if (units + 1 <= originUnits_) return 0;
        const double at = static_cast<double>(originNs_) + static_cast<double>(units + 1 - originUnits_) * 1e9 / rate_;
        const double wait = at - static_cast<double>(nowNs);
        return wait > 0 ? static_cast<int64_t>(std::ceil(wait)) : 0;
    }

private:
    uint64_t dueAt(int64_t nowNs) const {
        if (nowNs <= originNs_) return originUnits_;
        return originUnits_ + static_cast<uint64_t>(static_cast<double>(nowNs - originNs_) * rate_ / 1e9);
    }
    double nanosFor(uint64_t units) const { return static_cast<double>(units) * 1e9 / rate_; }

    double rate_;
    int64_t maxLagNs_;
    uint64_t originUnits_ = 0;
    int64_t originNs_ = 0;
};

}  // namespace vandor
