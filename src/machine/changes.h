// ChangeTracker: what one action of the user changed in the machine, so that the views can show it at a
// glance. begin() before the action (a single step, an interrupt button, a load, a whole continuous run
// with its Halt choices) keeps a copy of the state; end() after it compares the state with that copy
// once. Nothing is done per executed step, so a run costs the same with the changes shown or not.
//
// The result stays as it was found until the next begin(): later edits do not change it. Between
// begin() and end() nothing counts as changed.
//
//   ChangeTracker changes;
//   changes.begin(sim.m);
//   sim.step();
//   changes.end(sim.m);
//   changes.changed(ShownValue::A);      // the A box shows a new value
//   changes.changedAddresses();          // the memory cells written with a different byte
#pragma once

#include <array>
#include <bitset>
#include <cstdint>
#include <vector>

#include "machine/machine.h"

namespace vandor {

// The values the register boxes show: the registers, M (the byte at HL), the pairs, PC and SP.
enum class ShownValue : uint8_t { A, F, B, C, D, E, H, L, M, BC, DE, HL, PC, SP };
inline constexpr int kShownValues = 14;

class ChangeTracker {
public:
    void begin(const Machine& m);
    void end(const Machine& m);
    // Forgets the last result (a fresh machine shows nothing as changed).
    void clear();

    bool tracking() const { return tracking_; }

    bool changed(ShownValue v) const { return (shownChanged_ >> static_cast<int>(v)) & 1u; }
    // The bits of F that differ.
    uint8_t flagBits() const { return flagBits_; }
    bool memoryChanged(uint16_t address) const { return memory_[address]; }
    bool portChanged(uint8_t port) const { return ports_[port]; }
    // In increasing order.
    const std::vector<uint16_t>& changedAddresses() const { return addresses_; }
    const std::vector<uint8_t>& changedPorts() const { return portList_; }
    // Whether either byte of the stack word at this address changed.
    bool wordChanged(uint16_t address) const {
        return memory_[address] || memory_[static_cast<uint16_t>(address + 1)];
    }

private:
    struct Values {
        std::array<uint16_t, kShownValues> shown{};
    };
    static Values shownValues(const Machine& m);

    bool tracking_ = false;
    Values before_;
    std::array<uint8_t, Machine::kMemorySize> memoryBefore_{};
    std::array<uint8_t, 256> portsBefore_{};

    uint32_t shownChanged_ = 0;
    uint8_t flagBits_ = 0;
    std::bitset<Machine::kMemorySize> memory_;
    std::bitset<256> ports_;
    std::vector<uint16_t> addresses_;
    std::vector<uint8_t> portList_;
};

}  // namespace vandor
