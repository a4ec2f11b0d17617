// Exercise files of `vandor-cli check`: one TOML file with the start state that every case shares, the
// cases with their own inputs, and what each case must leave in the machine.
//
// readExercise() reads and validates the whole file before anything runs. Every problem is reported
// with the file name, the line and what is wrong ("ej.toml:12: clave desconocida 'pasoz' en [inicio]");
// unknown keys, wrong types, bad hexadecimal and blocks past FFFF are all errors.
//
//   ExerciseResult r = readExercise("suma.toml");
//   if (!r.errors.empty()) { for (auto& e : r.errors) std::cerr << e << "\n"; return 2; }
//   for (const Case& c : r.exercise.cases) { /* run c */ }
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "cli/run_session.h"
#include "machine/port_io.h"
#include "machine/simulator.h"

namespace vandor::check {

// Consecutive bytes from a first address (memory) or a first port.
struct ByteBlock {
    uint16_t address = 0;
    std::vector<uint8_t> bytes;
};

// Interrupt presses before a given step and the answer to HLT are those of `vandor-cli run`.
using cli::HltAnswer;
using cli::IrqPress;

// The eight registers in the order of their keys a, b, c, d, e, f, h, l.
inline constexpr std::array<std::string_view, 8> kRegisterKeys = {"a", "b", "c", "d", "e", "f", "h", "l"};
enum Register { kRegA, kRegB, kRegC, kRegD, kRegE, kRegF, kRegH, kRegL };

// The five flags by name, with their bits in F.
struct FlagName {
    std::string_view key;
    uint8_t bit;
};
inline constexpr std::array<FlagName, 5> kFlagKeys = {
    {{"S", kFlagS}, {"Z", kFlagZ}, {"AC", kFlagAC}, {"P", kFlagP}, {"CY", kFlagCY}}};

// A start state: [inicio], or the additions of one case on top of it.
struct MachineSetup {
    std::optional<uint16_t> pc, sp;
    std::array<std::optional<uint8_t>, 8> registers;
    std::vector<ByteBlock> memory;
    std::vector<ByteBlock> ports;
    std::optional<bool> sid;
    std::optional<uint8_t> vec;
    std::vector<uint16_t> breakpoints;
    std::vector<IrqPress> irqs;
    std::optional<HltAnswer> onHlt;
    std::vector<PortValues> inputs;  // entradas: the values successive IN from each port read

    // This setup followed by `later`: later values win, blocks, breakpoints and presses add up; a port's
    // input queue in `later` replaces that port's queue.
    MachineSetup then(const MachineSetup& later) const;
};

// Why a run must end: HLT (the default), the step limit (PASOS) or a breakpoint (BREAK).
enum class EndKind { Hlt, Steps, Break };
std::string_view endKindText(EndKind kind);

struct Expectations {
    EndKind end = EndKind::Hlt;
    std::array<std::optional<uint8_t>, 8> registers;
    std::optional<uint16_t> pc, sp, bc, de, hl;
    std::array<std::optional<bool>, 5> flags;  // in the order of kFlagKeys
    std::optional<bool> sod;
    std::vector<ByteBlock> memory;
    std::vector<ByteBlock> ports;
    std::vector<PortValues> outputs;  // salidas: every value written to each port, in order
};

struct Case {
    std::string name;
    int line = 0;  // where the case starts in the exercise file
    MachineSetup additions;
    Expectations expect;
    std::optional<uint64_t> maxSteps;
};

struct Exercise {
    std::string title;
    uint64_t maxSteps = 1000000;
    MachineSetup start;
    std::vector<Case> cases;

    uint64_t stepsFor(const Case& c) const { return c.maxSteps.value_or(maxSteps); }
};

struct ExerciseResult {
    Exercise exercise;
    std::vector<std::string> errors;  // "FILE:LINE: what is wrong", in line order; empty when valid
};

// Reads an exercise file. displayName is the name used in the messages (default: the path).
ExerciseResult readExercise(const std::string& path);
// The same from text already in memory (the tests, and readExercise itself).
ExerciseResult parseExercise(std::string_view text, const std::string& displayName);

// Texts shared with the comparison and the reports.
std::string hex2(uint8_t v);
std::string hex4(uint16_t v);
// "HH HH HH": bytes as the exercise file writes them.
std::string bytesText(const std::vector<uint8_t>& bytes);
// A sequence of values written to a port: bytesText, or "ningún valor" when empty.
std::string valuesText(const std::vector<uint8_t>& values);
// Parses "N:NAME" of an interrupt press (as --irq); nullopt when malformed.
std::optional<IrqPress> parseIrq(std::string_view text);

}  // namespace vandor::check
