// A headless run of a program: the options of `vandor-cli run` applied to a Simulator, the continuous run
// with interrupt presses before given steps and a fixed answer to HLT, and the one-line final state.
// `vandor-cli check` runs its cases through the same function.
//
//   Simulator sim;
//   if (!loadObject(sim, "suma.hex", messages)) return 2;
//   RunOptions o; o.maxSteps = 5000; o.onHlt = HltAnswer::Stop;
//   RunResult r = runProgram(sim, o);   // r.end == RunEnd::Halt
//   std::cout << stateLine(sim, r) << "\n";
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "common/sinks.h"
#include "machine/port_io.h"
#include "machine/simulator.h"

namespace vandor::cli {

// What HLT does: Stop ends the run after the HLT step; the others are the Halt dialog's options, taken
// with "Continuar ejecución" checked (a disabled option performs RESET, as the dialog does).
enum class HltAnswer { Stop, Reset, Trap, Rst55, Rst65, Rst75, Intr };

// A button pressed before step `beforeStep` (1-based) of the run, exactly as its click would.
struct IrqPress {
    uint64_t beforeStep = 1;
    HaltOption button = HaltOption::Trap;
};

struct RunOptions {
    std::optional<uint16_t> pc, sp;  // typed into txtPC / txtSP before the first step
    uint64_t maxSteps = 1000000;
    std::optional<bool> sid;         // chkSID
    std::optional<uint8_t> vec;      // txtVec
    std::vector<IrqPress> irqs;      // any order; presses for the same step in the given order
    HltAnswer onHlt = HltAnswer::Stop;
    std::vector<uint16_t> breakpoints;
    std::vector<Watchpoint> watches;  // --watch: the run ends after a step that touched one
    uint64_t back = 0;                // --back: steps undone after the run (at most kMaxBack)
    bool recordTrace = false;        // fill sim.trace (only when a trace file is wanted)
    bool countTStates = false;       // count T-states and show them in the state line
    std::vector<PortValues> inputs;  // --in: what successive IN from each port read
    OutputLog* outputs = nullptr;    // --out-log: every OUT of the run is recorded there
};

// The most steps --back can undo: the history the simulator keeps.
inline constexpr uint64_t kMaxBack = History::kMaxSteps;

enum class RunEnd { Halt, Steps, Break, Watch };

struct RunResult {
    uint64_t steps = 0;  // steps executed by the run, less those undone by --back
    RunEnd end = RunEnd::Steps;
    std::vector<std::string> warnings;  // presses that were not possible when their step came
    std::optional<uint64_t> tstates;    // the T-states of the run, when counted
};

// Loads an object file into the simulator's memory as the load command does (carga, then regen).
// False after a failed load, whose message went to messages.
bool loadObject(Simulator& sim, const std::string& path, MessageSink& messages);

// Applies the options to the simulator and runs it. The simulator's HLT answer is installed for the run
// and removed afterwards.
RunResult runProgram(Simulator& sim, const RunOptions& options);

// "A=00 B=00 ... SOD=0 PASOS=n FIN=HLT|PASOS|BREAK|WATCH", and " T=n" when the T-states were counted
std::string stateLine(const Simulator& sim, const RunResult& result);
std::string_view endText(RunEnd end);

// Parses the names of --irq and --on-hlt (either case); nullopt when not one of them.
std::optional<HaltOption> parseButtonName(std::string_view name);
std::optional<HltAnswer> parseHltAnswer(std::string_view name);
std::string_view buttonName(HaltOption button);

// Writes the 65536 memory bytes and then the 256 port bytes (through a temporary renamed over the file).
// False when the file could not be written; an older file is then left as it was.
bool writeDump(const Machine& m, const std::string& path);

}  // namespace vandor::cli
