// The assembler on generated sources of 20,000 to 200,000 statements (one label per five statements):
// the three passes with the listing and log collected as strings, and the whole Ensambla with its files.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <string>

#include "assembler/assembler.h"
#include "assembler/driver.h"

namespace {

std::string generatedSource(int blocks) {
    std::mt19937 rng(8085);
    std::string s = "; programa generado\r\n\tORG 0\r\n";
    for (int k = 0; k < blocks; ++k) {
        if (k > 0 && k % 5000 == 0) s += "\tORG 0\r\n";
        std::string label = "L";
        label += std::to_string(k);
        s += label + ":\tMVI A, " + std::to_string(rng() % 256) + "\t; carga\r\n";
        s += "\tADD B\r\n";
        s += "\tLXI H, L";
        s += std::to_string(rng() % blocks);
        s += "\r\n";
        s += "\tJNZ " + label + "\r\n";
        s += k % 7 == 0 ? "\tDFB 1, 2+3, 0FFH\r\n" : "\tMOV M, A\r\n";
        if (k % 10 == 0) s += "\r\n";
    }
    return s;
}

void BM_AssembleSource(benchmark::State& state) {
    const std::string source = generatedSource(static_cast<int>(state.range(0)) / 5);
    for (auto _ : state) {
        vandor::StringSink lst, hex;
        vandor::CollectingMessages boxes;
        vandor::AssemblyRun run;
        if (!vandor::assembleSource(source, lst, hex, boxes, run)) state.SkipWithError("does not assemble");
        benchmark::DoNotOptimize(lst.text.data());
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
    state.SetLabel("statements");
}
BENCHMARK(BM_AssembleSource)->Arg(20000)->Arg(100000)->Arg(200000)->Unit(benchmark::kMillisecond);

void BM_EnsamblaWithFiles(benchmark::State& state) {
    namespace fs = std::filesystem;
    const fs::path dir = fs::temp_directory_path() / ("vandor_bench_asm_" + std::to_string(std::random_device{}()));
    fs::create_directories(dir);
    const vandor::AssemblyPaths paths = vandor::assemblyPaths((dir / "gen.asm").string());
    {
        std::ofstream(paths.source, std::ios::binary) << generatedSource(static_cast<int>(state.range(0)) / 5);
    }
    for (auto _ : state) {
        vandor::StringSink lst, hex;
        vandor::CollectingMessages boxes;
        const bool ok = vandor::Ensambla(paths.source, paths.object, lst, hex, boxes);
        if (!ok || !vandor::creafilelst(lst.text, paths.listing, boxes)) state.SkipWithError("failed");
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
    fs::remove_all(dir);
}
BENCHMARK(BM_EnsamblaWithFiles)->Arg(100000)->Arg(200000)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
