#include "cli/run_session.h"

#include <algorithm>
#include <array>

#include "hexfile/hexfile.h"
#include "common/atomic_file.h"
#include "common/hex.h"

namespace vandor::cli {
namespace {

constexpr std::array<std::string_view, 6> kButtonNames = {"RESET", "TRAP", "RST5.5", "RST6.5", "RST7.5", "INTR"};

bool equalsIgnoringCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        char x = a[i], y = b[i];
        if (x >= 'a' && x <= 'z') x = static_cast<char>(x - 'a' + 'A');
        if (y >= 'a' && y <= 'z') y = static_cast<char>(y - 'a' + 'A');
        if (x != y) return false;
    }
    return true;
}

// The fixed answer of a headless run to the Halt dialog.
class FixedHaltAnswer final : public HaltDialog {
public:
    explicit FixedHaltAnswer(HltAnswer answer) : answer_(answer) {}
    HaltChoice chooseHaltExit(bool /*runInProgress*/) override {
        HaltChoice choice;
        if (answer_ == HltAnswer::Stop) {
            choice.leaveHalted = true;
            return choice;
        }
        choice.option = static_cast<HaltOption>(static_cast<int>(answer_) - 1);
        choice.continueRun = true;
        return choice;
    }

private:
    HltAnswer answer_;
};

void pressButton(Simulator& sim, const IrqPress& press, RunResult& result) {
    if (sim.usable(press.button)) {
        sim.press(press.button);
        return;
    }
    result.warnings.push_back("Aviso: " + std::string(buttonName(press.button)) + " no se puede pulsar antes del paso " +
                              std::to_string(press.beforeStep) + "; se ignora.");
}

}  // namespace

std::optional<HaltOption> parseButtonName(std::string_view name) {
    // RESET is not an interrupt request: --irq names only the interrupt buttons.
    for (size_t i = 1; i < kButtonNames.size(); ++i)
        if (equalsIgnoringCase(name, kButtonNames[i])) return static_cast<HaltOption>(i);
    return std::nullopt;
}

std::optional<HltAnswer> parseHltAnswer(std::string_view name) {
    if (equalsIgnoringCase(name, "STOP")) return HltAnswer::Stop;
    for (size_t i = 0; i < kButtonNames.size(); ++i)
        if (equalsIgnoringCase(name, kButtonNames[i])) return static_cast<HltAnswer>(i + 1);
    return std::nullopt;
}

std::string_view buttonName(HaltOption button) {
    return kButtonNames[static_cast<size_t>(button)];
}

std::string_view endText(RunEnd end) {
    switch (end) {
    case RunEnd::Halt: return "HLT";
    case RunEnd::Break: return "BREAK";
    case RunEnd::Watch: return "WATCH";
    case RunEnd::Steps: break;
    }
    return "PASOS";
}

bool loadObject(Simulator& sim, const std::string& path, MessageSink& messages) {
    const bool ok = carga(sim.m, path, messages);
    sim.regen();  // the load command refreshes the views whatever the result
    return ok;
}

RunResult runProgram(Simulator& sim, const RunOptions& options) {
    RunResult result;
    if (options.sid) sim.chkSID_Click(*options.sid);
    if (options.vec) sim.setVector(*options.vec);
    if (options.pc) {
        sim.setPC(*options.pc);
        sim.regen();
    }
    if (options.sp) {
        sim.setSP(*options.sp);
        sim.regen();
    }
    for (uint16_t address : options.breakpoints) sim.setBreakpoint(address, true);
    for (const Watchpoint& w : options.watches) sim.watches.add(w);
    // Only the steps that will be undone are recorded.
    sim.setHistoryLimit(static_cast<size_t>(std::min(options.back, kMaxBack)));

    std::vector<IrqPress> presses = options.irqs;
    std::stable_sort(presses.begin(), presses.end(),
                     [](const IrqPress& x, const IrqPress& y) { return x.beforeStep < y.beforeStep; });
    auto nextPress = presses.begin();

    FixedHaltAnswer answer(options.onHlt);
    HaltDialog* previousDialog = sim.haltDialog;
    const bool previousRecord = sim.recordTrace;
    const bool previousCount = sim.m.countTStates;
    sim.haltDialog = &answer;
    sim.recordTrace = options.recordTrace;
    sim.m.countTStates = options.countTStates;
    // The devices are attached only when asked for: without them the run is the plain loop.
    InputQueues queues;
    queues.add(options.inputs);
    InputQueues* const previousInputs = sim.inputs;
    OutputLog* const previousOutputs = sim.outputs;
    sim.inputs = queues.empty() ? nullptr : &queues;
    sim.outputs = options.outputs;

    sim.startRun();
    uint64_t done = 0;
    result.end = RunEnd::Steps;
    while (done < options.maxSteps) {
        while (nextPress != presses.end() && nextPress->beforeStep <= done + 1) {
            if (nextPress->beforeStep == done + 1) pressButton(sim, *nextPress, result);
            ++nextPress;
        }
        uint64_t batch = options.maxSteps - done;
        if (nextPress != presses.end()) batch = std::min(batch, nextPress->beforeStep - 1 - done);

        const uint64_t before = sim.stepsExecuted();
        const StopReason why = sim.run(batch);
        done += sim.stepsExecuted() - before;
        if (why == StopReason::Halt) {
            result.end = RunEnd::Halt;
            break;
        }
        if (why == StopReason::Breakpoint) {
            result.end = RunEnd::Break;
            break;
        }
        if (why == StopReason::Watch) {
            result.end = RunEnd::Watch;
            break;
        }
        if (why != StopReason::Steps) break;
    }
    if (sim.running()) sim.stopRun();

    // --back: each undone step takes its trace rows, T-states and everything it and the presses after
    // it changed; FIN stays that of the run.
    const uint64_t wanted = std::min(options.back, done);
    uint64_t undone = 0;
    while (undone < wanted && sim.stepBack()) ++undone;
    if (undone < wanted) {
        result.warnings.push_back("Aviso: solo se pudieron deshacer " + std::to_string(undone) + " pasos de " +
                                  std::to_string(wanted) + ".");
    }
    sim.setHistoryLimit(0);

    sim.haltDialog = previousDialog;
    sim.recordTrace = previousRecord;
    sim.m.countTStates = previousCount;
    sim.inputs = previousInputs;
    sim.outputs = previousOutputs;
    result.steps = done - undone;
    if (options.countTStates) result.tstates = sim.m.tstates;
    return result;
}

std::string stateLine(const Simulator& sim, const RunResult& result) {
    const Machine& m = sim.m;
    struct Field {
        const char* name;
        unsigned value;
        int digits;  // 2 for bytes, 4 for words, 1 for the flags (0 or 1)
    };
    const Field fields[] = {
        {"A=", m.a, 2},          {"B=", m.b, 2},          {"C=", m.c, 2},          {"D=", m.d, 2},
        {"E=", m.e, 2},          {"F=", m.f, 2},          {"H=", m.h, 2},          {"L=", m.l, 2},
        {"M=", m.byteAtHL(), 2}, {"BC=", unsigned(m.b << 8 | m.c), 4},             {"DE=", unsigned(m.d << 8 | m.e), 4},
        {"HL=", m.addressHL(), 4}, {"PC=", m.pc, 4},      {"SP=", m.sp, 4},        {"IE=", m.ie, 1},
        {"M5.5=", m.m55, 1},     {"M6.5=", m.m65, 1},     {"M7.5=", m.m75, 1},     {"I7.5=", m.rst75Latch, 1},
        {"SID=", m.sid, 1},      {"SOD=", m.sod, 1},
    };
    std::string line;
    line.reserve(160);
    for (const Field& field : fields) {
        line.append(field.name);
        line.append(hexa(field.value, field.digits));
        line.push_back(' ');
    }
    line.append("PASOS=" + std::to_string(result.steps) + " FIN=");
    line.append(endText(result.end));
    if (result.tstates) line.append(" T=" + std::to_string(*result.tstates));
    return line;
}

bool writeDump(const Machine& m, const std::string& path) {
    const auto bytes = [](const auto& cells, size_t size) {
        return std::string_view(reinterpret_cast<const char*>(cells.data()), size);
    };
    return writeFileReplacing(path, {bytes(m.mem, Machine::kMemorySize), bytes(m.ports, m.ports.size())});
}

}  // namespace vandor::cli
