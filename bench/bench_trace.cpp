// Step trace: recording rows as the run does (listainstru before a step, listareg after it) and writing
// the "Salvar" text file of a long trace.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>

#include "machine/trace.h"

namespace {

using vandor::Machine;
using vandor::Trace;

// A loop of MVI / INR / JMP bytes so rows have one, two and three bytes.
void fillProgram(Machine& m) {
    const uint8_t program[] = {0x3E, 0x0F, 0x3C, 0xC3, 0x00, 0x00};
    for (size_t a = 0; a < 0x10000; ++a) m.mem[a] = program[a % sizeof program];
}

void BM_RecordRows(benchmark::State& state) {
    Machine m;
    fillProgram(m);
    Trace t;
    t.reserve(1 << 20);
    for (auto _ : state) {
        t.listainstru(m);
        m.pc = static_cast<uint16_t>(m.pc + 2);
        ++m.a;
        t.listareg(m);
        if (t.size() >= (1u << 20)) t.clear();
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_RecordRows);

void BM_SaveMillionRows(benchmark::State& state) {
    Machine m;
    fillProgram(m);
    Trace t;
    t.reserve(1000001);
    while (t.size() < 1000000) {
        t.listainstru(m);
        m.pc = static_cast<uint16_t>(m.pc + 1 + (m.pc % 3));
        m.a = static_cast<uint8_t>(m.a + 3);
        t.listareg(m);
    }
    const auto path = std::filesystem::temp_directory_path() / "vandor_bench_trace.txt";
    for (auto _ : state) {
        if (!t.save(path.string())) state.SkipWithError("the trace file could not be written");
    }
    state.counters["rows"] = static_cast<double>(t.size());
    state.counters["MB"] = static_cast<double>(std::filesystem::file_size(path)) / 1e6;
    std::filesystem::remove(path);
}
BENCHMARK(BM_SaveMillionRows)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
