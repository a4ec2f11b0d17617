// Real-time speed: a run paced by its T-states against the wall clock for ten seconds at 3.072 MHz, the
// way the main window paces it (a turn runs what is due, a machine that has caught up sleeps at least a
// millisecond). Reports how far the T-states executed are from the clock's (drift, in percent of the
// T-states due) and the CPU the pacing leaves free. The program is the lights example's delay loop.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cmath>
#include <ctime>
#include <thread>

#include "machine/paced_run.h"
#include "machine/simulator.h"

namespace {

using vandor::PacedRun;
using vandor::PacedTurn;
using vandor::Simulator;

// LXI D,FFFF / loop: DCX D, MOV A,D, ORA E, JNZ loop / JMP 0000
constexpr uint8_t kDelay[] = {0x11, 0xFF, 0xFF, 0x1B, 0x7A, 0xB3, 0xC2, 0x03, 0x00, 0xC3, 0x00, 0x00};

int64_t nowNs() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

double cpuSeconds() {
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) / 1e9;
}

void BM_RealTimePacing(benchmark::State& state) {
    const double clockHz = static_cast<double>(state.range(0)) * 1000.0;
    const int64_t span = 10'000'000'000;  // ten seconds
    for (auto _ : state) {
        Simulator sim;
        for (size_t i = 0; i < sizeof kDelay; ++i) sim.setMemory(static_cast<uint16_t>(i), kDelay[i]);
        sim.setPC(0);
        sim.startRun();
        PacedRun paced(vandor::Speed::RealTime, clockHz);
        const double cpu0 = cpuSeconds();
        const int64_t start = nowNs();
        paced.start(sim, start);
        int64_t now = start;
        while (now - start < span) {
            const PacedTurn turn = paced.turn(sim, now);
            if (turn.why != vandor::StopReason::Steps) state.SkipWithError("the run stopped");
            if (turn.waitNs > 0)
                std::this_thread::sleep_for(std::chrono::nanoseconds(std::max<int64_t>(turn.waitNs, 1'000'000)));
            now = nowNs();
        }
        const double elapsed = static_cast<double>(now - start) / 1e9;
        const double due = clockHz * elapsed;
        state.counters["drift_pct"] = 100.0 * (static_cast<double>(sim.m.tstates) - due) / due;
        state.counters["cpu_pct"] = 100.0 * (cpuSeconds() - cpu0) / elapsed;
        state.counters["seconds"] = elapsed;
    }
}
BENCHMARK(BM_RealTimePacing)->Arg(3072)->Iterations(1)->Unit(benchmark::kSecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
