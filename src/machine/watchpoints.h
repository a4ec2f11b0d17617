// Watchpoints ("Vigilancia"): memory addresses or ranges, and ports or ranges, watched for reads, writes
// or both. A run stops after the step whose instruction read or wrote a watched cell as data (see
// data_access.h); the simulator keeps what touched it as a WatchHit for the windows and vandor-cli.
//
// A watchpoint's text is the one vandor-cli's --watch takes: HHHH or HHHH-HHHH (memory), PHH or PHH-PHH
// (ports), then optionally :r, :w or :rw (writes when left out). 1 to 4 digits for an address, 1 or 2
// for a port, either case.
//
//   WatchList watches;
//   watches.add(*parseWatchpoint("2000-20FF:rw"));
//   if (auto hit = watches.hit(dataAccesses(m))) ...      // before the step, stop after it
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "common/opcodes.h"
#include "machine/data_access.h"

namespace vandor {

inline constexpr uint8_t kWatchRead = 1;
inline constexpr uint8_t kWatchWrite = 2;

struct Watchpoint {
    bool port = false;
    uint16_t first = 0, last = 0;  // inclusive; ports 00-FF
    uint8_t access = kWatchWrite;  // kWatchRead, kWatchWrite or both

    bool operator==(const Watchpoint&) const = default;
};

// nullopt for anything but the forms above, a port above FF, or a range whose end comes before its start.
std::optional<Watchpoint> parseWatchpoint(std::string_view text);
// The canonical text: "2000-20FF:rw", "P10:w" (4 or 2 digits, the range only when it is one).
std::string watchpointText(const Watchpoint& w);
// As the Vigilancia list shows it: "Memoria 2000-20FF, lectura y escritura".
std::string watchDescription(const Watchpoint& w);

// What touched a watched cell: the instruction, its address, the cell, and how.
struct WatchHit {
    uint16_t instructionAddress = 0;
    InstructionBytes instruction;
    uint16_t cell = 0;
    bool port = false;
    bool read = false, write = false;
};

// "Vigilancia: MOV M,A en 0103 escribió la dirección 2000"
std::string watchHitMessage(const WatchHit& hit);

class WatchList {
public:
    // False when the same watchpoint is already in the list.
    bool add(const Watchpoint& w);
    void remove(size_t index);
    void clear();
    const std::vector<Watchpoint>& entries() const { return entries_; }
    bool empty() const { return entries_.empty(); }

    // The access bits watched on a memory cell or a port.
    uint8_t memory(uint16_t address) const { return memory_[address]; }
    uint8_t port(uint8_t number) const { return ports_[number]; }

    // The first watched cell among a step's accesses, with every way the step touched it; nullopt when
    // none is watched. The instruction and its address are left for the caller.
    std::optional<WatchHit> hit(const StepAccesses& accesses) const;

private:
    void rebuild();

    std::vector<Watchpoint> entries_;
    std::array<uint8_t, 0x10000> memory_{};
    std::array<uint8_t, 0x100> ports_{};
};

}  // namespace vandor
