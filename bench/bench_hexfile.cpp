// Intel HEX files: loading an object file that fills all 64 KiB, and writing it.
#include <benchmark/benchmark.h>

#include <filesystem>

#include "hexfile/hexfile.h"

namespace {

using namespace vandor;

CodeImage fullImage() {
    CodeImage image;
    for (size_t a = 0; a < image.size(); ++a) image[a] = static_cast<int16_t>((a * 7 + 3) & 0xFF);
    return image;
}

void BM_LoadFullMemory(benchmark::State& state) {
    const auto path = std::filesystem::temp_directory_path() / "vandor_bench_full.hex";
    StringSink box;
    CollectingMessages messages;
    if (!creafilehex(fullImage(), path.string(), box, messages)) {
        state.SkipWithError("the object file could not be written");
        return;
    }
    Machine m;
    for (auto _ : state) {
        if (!carga(m, path.string(), messages)) state.SkipWithError("the object file did not load");
    }
    state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(std::filesystem::file_size(path)));
    std::filesystem::remove(path);
}
BENCHMARK(BM_LoadFullMemory)->Unit(benchmark::kMillisecond);

void BM_WriteFullMemory(benchmark::State& state) {
    const auto path = std::filesystem::temp_directory_path() / "vandor_bench_write.hex";
    const CodeImage image = fullImage();
    for (auto _ : state) {
        StringSink box;
        CollectingMessages messages;
        if (!creafilehex(image, path.string(), box, messages)) state.SkipWithError("the object file could not be written");
    }
    std::filesystem::remove(path);
}
BENCHMARK(BM_WriteFullMemory)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
