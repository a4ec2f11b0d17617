// Generated programs for whole-run tests: random code mixed with the instructions that leave the plain
// path of the run (HLT, EI, DI, SIM), and what a user does between two batches of a run. The sequence
// of everything made here depends only on the seed, so recorded digests stay valid.
#pragma once

#include <cstdint>
#include <string>

#include "machine/simulator.h"

namespace vandor::test {

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
inline constexpr uint8_t kSpecial[] = {0x76, 0xFB, 0xF3, 0x30, 0x20, 0xFB, 0x30, 0xC7, 0xFF, 0xC9, 0x3E, 0x3E};

inline void fillProgram(Simulator& sim, SplitMix& random) {
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
inline void actBetweenBatches(Simulator& sim, SplitMix& random) {
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

}  // namespace vandor::test
