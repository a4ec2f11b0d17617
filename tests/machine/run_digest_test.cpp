// Whole runs of generated programs, reduced to digests and compared with digests recorded from an earlier
// build of the simulator: every trace line, every memory and port byte, every grid notification, the
// final registers and interrupt state, and why each batch of the run ended. Any change in what a step
// does, in the order of its writes or in the trace it leaves shows up here.
//
// The programs mix random code with the instructions that leave the plain path (HLT, EI, DI, SIM), run
// in batches of random sizes with button presses, check-box clicks, breakpoints and a scripted Halt
// dialog in between. To record the digests afresh after a deliberate change of behaviour, run the test
// with VANDOR_PRINT_DIGESTS=1 and paste what it prints.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "support/generated_programs.h"
#include "machine/simulator.h"

namespace vandor {
namespace {

using test::Digest;
using test::RandomHalt;
using test::SplitMix;
using test::GridLog;
using test::actBetweenBatches;
using test::fillProgram;

uint64_t runDigest(uint64_t seed, int steps) {
    SplitMix random(seed);
    Digest digest;
    Simulator sim;
    GridLog grid;
    grid.digest = &digest;
    RandomHalt halt;
    halt.random = &random;
    halt.sim = &sim;
    halt.digest = &digest;
    sim.haltDialog = random.below(5) == 0 ? nullptr : &halt;
    const bool watchGrid = random.below(2) != 0;
    if (watchGrid) sim.m.observer = &grid;
    fillProgram(sim, random);

    uint64_t done = 0;
    while (sim.stepsExecuted() < static_cast<uint64_t>(steps)) {
        if (!sim.running()) sim.startRun();
        const uint64_t before = sim.stepsExecuted();
        const StopReason why = sim.run(1 + random.below(random.below(4) == 0 ? 400 : 12));
        digest.add(static_cast<uint64_t>(why) << 32 | (sim.stepsExecuted() - before));
        actBetweenBatches(sim, random);
        if (++done > 100000) break;  // a run that never makes progress
    }
    sim.m.observer = nullptr;

    const Machine& m = sim.m;
    for (uint64_t v : {uint64_t{m.a}, uint64_t{m.b}, uint64_t{m.c}, uint64_t{m.d}, uint64_t{m.e}, uint64_t{m.f},
                       uint64_t{m.h}, uint64_t{m.l}, uint64_t{m.bc}, uint64_t{m.de}, uint64_t{m.hl},
                       uint64_t{m.psw}, uint64_t{m.pc}, uint64_t{m.sp}, uint64_t{m.ie}, uint64_t{m.m55},
                       uint64_t{m.m65}, uint64_t{m.m75}, uint64_t{m.rst75Latch}, uint64_t{m.sid}, uint64_t{m.sod},
                       uint64_t{sim.vector()}, uint64_t{sim.running()}, sim.stepsExecuted()})
        digest.add(v);
    for (int box = 0; box < 5; ++box) digest.add(sim.shown(static_cast<CheckBox>(box)));
    for (size_t i = 0; i < m.mem.size(); i += 8) {
        uint64_t word = 0;
        for (size_t k = 0; k < 8 && i + k < m.mem.size(); ++k) word |= uint64_t{m.mem[i + k]} << (8 * k);
        digest.add(word);
    }
    for (uint8_t p : m.ports) digest.add(p);
    digest.add(sim.trace.size());
    for (size_t i = 0; i < sim.trace.size(); ++i) digest.add(sim.trace.lineText(i));
    return digest.value();
}

// One digest per group of programs; the sanitizer build checks the first groups only.
constexpr int kGroups = 48;
constexpr int kProgramsPerGroup = 25;
constexpr int kSteps = 1500;

constexpr uint64_t kExpected[kGroups] = {
    0x4935661114389B32ull, 0xF104769F039AD76Full, 0xBA50594D5F08D245ull, 0xDC245705C7D4BCEDull,
    0x35C64A29412EBC2Eull, 0xFC7AD2B97E638784ull, 0x12108AF84C4FC68Aull, 0x2C7DC54CDC4B6BA7ull,
    0x04AD13C1E466B160ull, 0xB76A7CA83DAB5CD9ull, 0x0C91AC57DB7DAF87ull, 0x6C13398294856543ull,
    0x821CD00D059F599Full, 0x154A61E22C353AFDull, 0x8E822DB2A144E073ull, 0xD95B49B10E6CCCB4ull,
    0xDAD12C82806136BDull, 0x4DB938B6747ED0CFull, 0x74C5FB3C929D3FE4ull, 0x0DF55B6345502FA9ull,
    0x2C6141C9EF420893ull, 0x60EA19686CE25384ull, 0xE4B10E115164E0CFull, 0x38D07D2B9A25E220ull,
    0x44F81799E39394E1ull, 0xCC903E7A5566D2B5ull, 0xD724BC26E25BD6B4ull, 0xF43A08BF1D4CE18Full,
    0x9465696C4D4A37A6ull, 0x6492B5551BDC4450ull, 0x34DF92319B0347C5ull, 0xBE635E6838D37534ull,
    0x071371F7FCF387FAull, 0x4A0FCA33BD5917AAull, 0x7332AFF8B4266A9Bull, 0x58D07BB072369C6Eull,
    0x0AFAFC6413B04A3Bull, 0xDA12BD5872CEE264ull, 0x9797C58DBA305B2Bull, 0x176CE76D9AB63C5Cull,
    0x270A860C03F7AAFCull, 0xE4AA3C80D0897BADull, 0x521DDF48AB3D0089ull, 0x20B7BDF3F2B3237Eull,
    0x9D5C72E9EABF7090ull, 0x8F67DDC4A5260744ull, 0xF64B8A683226E91Dull, 0x3ACF7D912FE1B374ull,
};

uint64_t groupDigest(int group) {
    Digest d;
    for (int p = 0; p < kProgramsPerGroup; ++p)
        d.add(runDigest(static_cast<uint64_t>(group * kProgramsPerGroup + p) * 7919u + 1, kSteps));
    return d.value();
}

TEST(RunDigests, GeneratedProgramsRunAsRecorded) {
    const bool print = std::getenv("VANDOR_PRINT_DIGESTS") != nullptr;
    const int groups = std::getenv("VANDOR_SANITIZER_BUILD") && !print ? 6 : kGroups;
    for (int g = 0; g < groups; ++g) {
        const uint64_t got = groupDigest(g);
        if (print) {
            std::printf("    0x%016llXull,%s", static_cast<unsigned long long>(got), g % 3 == 2 ? "\n" : "");
            continue;
        }
        EXPECT_EQ(got, kExpected[g]) << "programs " << g * kProgramsPerGroup << " to "
                                     << (g + 1) * kProgramsPerGroup - 1;
    }
}

}  // namespace
}  // namespace vandor
