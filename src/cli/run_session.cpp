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

    std::vector<IrqPress> presses = options.irqs;
    std::stable_sort(presses.begin(), presses.end(),
                     [](const IrqPress& x, const IrqPress& y) { return x.beforeStep < y.beforeStep; });
    auto nextPress = presses.begin();

    FixedHaltAnswer answer(options.onHlt);
    HaltDialog* previousDialog = sim.haltDialog;
    const bool previousRecord = sim.recordTrace;
    sim.haltDialog = &answer;
    sim.recordTrace = options.recordTrace;

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
        if (why != StopReason::Steps) break;
    }
    if (sim.running()) sim.stopRun();

    sim.haltDialog = previousDialog;
    sim.recordTrace = previousRecord;
    result.steps = done;
    return result;
}

std::string stateLine(const Simulator& sim, const RunResult& result) {
    const Machine& m = sim.m;
    const auto bc = static_cast<uint16_t>(m.b << 8 | m.c);
    const auto de = static_cast<uint16_t>(m.d << 8 | m.e);
    const uint16_t hl = m.addressHL();
    std::string line;
    line.reserve(160);
    auto reg = [&](const char* name, uint8_t v) {
        line.append(name);
        appendHex2(line, v);
        line.push_back(' ');
    };
    auto pair = [&](const char* name, uint16_t v) {
        line.append(name);
        appendHex4(line, v);
        line.push_back(' ');
    };
    auto flag = [&](const char* name, bool v) {
        line.append(name);
        line.push_back(v ? '1' : '0');
        line.push_back(' ');
    };
    reg("A=", m.a);
    reg("B=", m.b);
    reg("C=", m.c);
    reg("D=", m.d);
    reg("E=", m.e);
    reg("F=", m.f);
    reg("H=", m.h);
    reg("L=", m.l);
    reg("M=", m.byteAtHL());
    pair("BC=", bc);
    pair("DE=", de);
    pair("HL=", hl);
    pair("PC=", m.pc);
    pair("SP=", m.sp);
    flag("IE=", m.ie);
    flag("M5.5=", m.m55);
    flag("M6.5=", m.m65);
    flag("M7.5=", m.m75);
    flag("I7.5=", m.rst75Latch);
    flag("SID=", m.sid);
    flag("SOD=", m.sod);
    line.append("PASOS=" + std::to_string(result.steps) + " FIN=");
    line.append(endText(result.end));
    return line;
}

bool writeDump(const Machine& m, const std::string& path) {
    const auto bytes = [](const auto& cells, size_t size) {
        return std::string_view(reinterpret_cast<const char*>(cells.data()), size);
    };
    return writeFileReplacing(path, {bytes(m.mem, Machine::kMemorySize), bytes(m.ports, m.ports.size())});
}

}  // namespace vandor::cli
