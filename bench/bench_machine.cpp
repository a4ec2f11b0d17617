// The machine core: the continuous run (step, regen and breakpoint test per step) on a loop that never
// halts, with and without the step trace, and the executor alone.
#include <benchmark/benchmark.h>

#include <cstdint>

#include "machine/simulator.h"

namespace {

using vandor::Machine;
using vandor::Simulator;
using vandor::StopReason;

// LXI H,2000 / loop: INR A, ADD M, INX H, DCR B, JNZ loop / JMP 0000
constexpr uint8_t kLoop[] = {0x21, 0x00, 0x20, 0x3C, 0x86, 0x23, 0x05, 0xC2, 0x03, 0x00, 0xC3, 0x00, 0x00};

void load(Machine& m) {
    for (size_t i = 0; i < sizeof kLoop; ++i) m.mem[i] = kLoop[i];
    for (int i = 0; i < 256; ++i) m.mem[0x2000 + i] = static_cast<uint8_t>(i * 7);
    m.synmem();
}

constexpr uint64_t kBatch = 1'000'000;

void BM_RunWithoutTrace(benchmark::State& state) {
    Simulator sim;
    load(sim.m);
    sim.recordTrace = false;
    sim.startRun();
    for (auto _ : state) {
        if (sim.run(kBatch) != StopReason::Steps) state.SkipWithError("the run stopped");
    }
    benchmark::DoNotOptimize(sim.m.a);
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * kBatch));
}
BENCHMARK(BM_RunWithoutTrace)->Unit(benchmark::kMillisecond);

void BM_RunWithTrace(benchmark::State& state) {
    Simulator sim;
    load(sim.m);
    sim.recordTrace = true;
    sim.startRun();
    // The trace is full after the first ten batches: every step then drops the oldest row.
    for (auto _ : state) {
        if (sim.run(kBatch) != StopReason::Steps) state.SkipWithError("the run stopped");
    }
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * kBatch));
}
BENCHMARK(BM_RunWithTrace)->Unit(benchmark::kMillisecond);

void BM_RunWithSmallTrace(benchmark::State& state) {
    Simulator sim;
    load(sim.m);
    sim.recordTrace = true;
    sim.trace.setCapacity(static_cast<size_t>(state.range(0)));
    sim.startRun();
    for (auto _ : state) {
        if (sim.run(kBatch) != StopReason::Steps) state.SkipWithError("the run stopped");
    }
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * kBatch));
}
BENCHMARK(BM_RunWithSmallTrace)->Arg(30000)->Arg(1000000)->Unit(benchmark::kMillisecond);

void BM_EjecutaPASO(benchmark::State& state) {
    Machine m;
    m.resetState();
    load(m);
    for (auto _ : state) {
        for (uint64_t i = 0; i < kBatch; ++i) m.EjecutaPASO(false);
    }
    benchmark::DoNotOptimize(m.a);
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * kBatch));
}
BENCHMARK(BM_EjecutaPASO)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
