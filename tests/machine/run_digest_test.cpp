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

#include "machine/simulator.h"

namespace vandor {
namespace {

// A generator whose sequence does not depend on the standard library's distributions.
class SplitMix {
public:
    explicit SplitMix(uint64_t seed) : state_(seed) {}
    uint64_t next() {
        uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }
    unsigned below(unsigned n) { return static_cast<unsigned>(next() % n); }
    uint8_t byte() { return static_cast<uint8_t>(next()); }
    uint16_t word() { return static_cast<uint16_t>(next()); }

private:
    uint64_t state_;
};

class Digest {
public:
    void add(uint64_t v) {
        for (int i = 0; i < 8; ++i) {
            h_ ^= (v >> (8 * i)) & 0xFF;
            h_ *= 0x100000001B3ull;
        }
    }
    void add(const std::string& s) {
        for (unsigned char ch : s) {
            h_ ^= ch;
            h_ *= 0x100000001B3ull;
        }
        add(s.size());
    }
    uint64_t value() const { return h_; }

private:
    uint64_t h_ = 0xCBF29CE484222325ull;
};

struct GridLog final : MachineObserver {
    Digest* digest = nullptr;
    void memoryWritten(uint16_t address, uint8_t value) override { digest->add(0x10000u | address << 8 | value); }
    void portWritten(uint8_t port, uint8_t value) override { digest->add(0x20000u | port << 8 | value); }
};

// Answers every HLT from the generator: any option, continuing or not, sometimes a new INTR vector.
struct RandomHalt final : HaltDialog {
    SplitMix* random = nullptr;
    Simulator* sim = nullptr;
    Digest* digest = nullptr;
    HaltChoice chooseHaltExit(bool runInProgress) override {
        digest->add(runInProgress ? 0xA1u : 0xA0u);
        HaltChoice choice;
        choice.option = static_cast<HaltOption>(random->below(6));
        choice.continueRun = random->below(4) != 0;
        choice.leaveHalted = random->below(8) == 0;
        if (random->below(3) == 0) sim->setVector(random->byte());
        return choice;
    }
};

// Opcodes that take the run off its plain path, given a higher weight than random bytes would.
constexpr uint8_t kSpecial[] = {0x76, 0xFB, 0xF3, 0x30, 0x20, 0xFB, 0x30, 0xC7, 0xFF, 0xC9, 0x3E, 0x3E};

void fillProgram(Simulator& sim, SplitMix& random) {
    // Code somewhere, now and then across FFFF; data and a stack elsewhere.
    const uint16_t base = random.below(4) == 0 ? static_cast<uint16_t>(0xFF00 + random.below(256)) : random.word();
    for (int i = 0; i < 384; ++i) {
        const uint8_t op = random.below(6) == 0 ? kSpecial[random.below(sizeof kSpecial)] : random.byte();
        sim.setMemory(static_cast<uint16_t>(base + i), op);
    }
    for (int i = 0; i < 64; ++i) sim.setMemory(random.word(), random.byte());
    // Interrupt vectors: a mix of EI, SIM and returns so that the automatic RST 7.5 comes round.
    for (uint16_t v : {0x0024, 0x002C, 0x0034, 0x003C, 0x0000, 0x0008, 0x0038})
        for (int i = 0; i < 4; ++i) sim.setMemory(static_cast<uint16_t>(v + i), kSpecial[random.below(sizeof kSpecial)]);
    for (int r = 0; r < 8; ++r) sim.setRegister(static_cast<Register>(r), random.byte());
    sim.setPC(base);
    sim.setSP(random.below(3) == 0 ? static_cast<uint16_t>(random.below(4)) : random.word());
    for (int p = 0; p < 8; ++p) sim.setPort(random.byte(), random.byte());
    for (int i = 0; i < 3; ++i) sim.setBreakpoint(static_cast<uint16_t>(base + random.below(384)), true);
    sim.setVector(random.below(2) ? static_cast<uint8_t>(0xC7 | random.below(8) << 3) : random.byte());
    sim.chkSID_Click(random.below(2) != 0);
    if (random.below(2)) sim.setShown(CheckBox::CHKEI, true);
    if (random.below(2)) sim.setShown(CheckBox::CHK75, false);
    if (random.below(2)) sim.setShown(CheckBox::CHK55, false);
    sim.regen();
}

// Something a user does between two batches of a run.
void actBetweenBatches(Simulator& sim, SplitMix& random) {
    switch (random.below(10)) {
    case 0: sim.press(static_cast<HaltOption>(1 + random.below(5))); break;
    case 1: sim.setShown(static_cast<CheckBox>(random.below(4)), random.below(2) != 0); break;
    case 2: sim.chkSID_Click(random.below(2) != 0); break;
    case 3: sim.setRegister(static_cast<Register>(random.below(8)), random.byte()); break;
    case 4: sim.setMemory(random.word(), random.byte()); sim.regen(); break;
    case 5: sim.step(); break;
    default: break;
    }
}

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
