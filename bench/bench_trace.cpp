// Step trace: recording rows as a single step does (listainstru before a step, listareg after it), the
// trace's text formatted alone, a stream of rows written as a run makes them, and the "Salvar" text file
// of a long trace.
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
    t.setCapacity(1 << 20);  // a full trace drops its oldest row for every new one, as in a long run
    for (auto _ : state) {
        t.listainstru(m);
        m.pc = static_cast<uint16_t>(m.pc + 2);
        ++m.a;
        t.listareg(m);
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_RecordRows);

// The same into a trace emptied every million rows (the shape of this benchmark before the trace had a
// capacity): fresh memory for the rows each time.
void BM_RecordRowsClearedEveryMillion(benchmark::State& state) {
    Machine m;
    fillProgram(m);
    Trace t;
    for (auto _ : state) {
        t.listainstru(m);
        m.pc = static_cast<uint16_t>(m.pc + 2);
        ++m.a;
        t.listareg(m);
        if (t.size() >= (1u << 20)) t.clear();
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_RecordRowsClearedEveryMillion);

// A trace of 1 M rows of every kind.
void fillTrace(Trace& t, Machine& m) {
    fillProgram(m);
    while (t.size() < 1000000) {
        t.listainstru(m);
        m.pc = static_cast<uint16_t>(m.pc + 1 + (m.pc % 3));
        m.a = static_cast<uint8_t>(m.a + 3);
        t.listareg(m);
    }
}

// The text of the rows alone, as the file writers format it (lineText makes a string per row on top).
void BM_FormatRows(benchmark::State& state) {
    Machine m;
    Trace t;
    fillTrace(t, m);
    // A buffer of 2,048 lines that stays in the cache, as the writers use it.
    static char text[2048 * vandor::kMaxTraceLine];
    size_t bytes = 0;
    for (auto _ : state) {
        char* p = text;
        for (size_t i = 0; i < t.size(); ++i) {
            p = vandor::formatTraceLine(p, t.row(i));
            if ((i & 2047) == 2047) {
                bytes += static_cast<size_t>(p - text);
                p = text;
            }
        }
        benchmark::DoNotOptimize(text);
    }
    benchmark::DoNotOptimize(bytes);
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * t.size()));
}
BENCHMARK(BM_FormatRows)->Unit(benchmark::kMillisecond);

void BM_SaveMillionRows(benchmark::State& state) {
    Machine m;
    Trace t;
    fillTrace(t, m);
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
