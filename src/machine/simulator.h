// Simulator: the one machine of the program with everything the windows and vandor-cli drive it by —
// reset, the interrupt buttons and check boxes with their enabling rule, the INTR vector, one step of
// the run with its trace rows, the continuous run and the way out of a HLT.
//
// The interrupt check boxes ("HAB INT", "RST 5.5", "RST 6.5", "RST 7.5", SOD) are remembered here as the
// values they show. regen() sets them from the machine state in the order CHKEI, CHK55, CHK65, CHK75,
// ChkSOD and runs a box's action exactly when its shown value changes (the action of CHK75 and CHKEI may
// take RST 7.5 at once, which calls regen() again). A user's click on a box calls setShown(), which runs
// the same action. Windows mirror this state; they never decide anything themselves.
//
// A window's views register as the RegenListener and refresh when regen() runs; vandor-cli has none.
// During run() the views hear of a batch of steps once, when it ends (and whenever a step took a slow
// way: a HLT, or EI, DI or SIM changing what a check box shows): each step still leaves the state that
// listainstru, EjecutaPASO, regen and listareg would, the grids still hear of every write.
//
// run() keeps the registers in locals and does only the work that changes something: the trace rows, the
// T-state count and the grids' notifications are compiled into the loop only when attached, and the
// check-box follow-up of regen runs only after an instruction that changed IE, a mask, the latch or SOD.
// The debugger's per-step work (watchpoints, the step history, a run target) is one more compile-time
// choice of that loop, so a run without them keeps the plain loop's speed.
//
// Every change of the machine from outside the executor comes through the editing doors below (the
// register, flag, memory and port editors, the breakpoint toggle, vandor-cli's set-up): code outside the
// core reads `m` but does not write it.
//
//   Simulator sim;               // fresh machine, then Reset_Click
//   sim.setMemory(0, 0x76);      // HLT
//   sim.setPC(0);
//   sim.startRun();
//   StopReason why = sim.run(1000000);
#pragma once

#include <cstdint>
#include <optional>

#include "machine/history.h"
#include "machine/machine.h"
#include "machine/port_io.h"
#include "machine/run_target.h"
#include "machine/serial_line.h"
#include "machine/trace.h"
#include "machine/watchpoints.h"

namespace vandor {

enum class StopReason {
    Steps,       // the batch of steps asked for is done, the run goes on
    Breakpoint,  // PC arrived at an address with its breakpoint flag set
    Halt,        // a HLT was left with "Continuar ejecución" unchecked
    Stopped,     // the run was stopped from outside (the "&Parar" button)
    Watch,       // the step's instruction read or wrote a watched cell (lastWatchHit() tells which)
    Target,      // step over, step out or run to here arrived
};

// The interrupt check boxes whose shown value the simulator remembers.
enum class CheckBox { CHKEI, CHK55, CHK65, CHK75, ChkSOD };

// The interrupt buttons and, with the same indexes from 0, the Halt dialog's options.
enum class HaltOption { Reset = 0, Trap = 1, Rst55 = 2, Rst65 = 3, Rst75 = 4, Intr = 5 };

struct HaltChoice {
    // The way out to perform; Reset when no option is selected. A disabled option performs Reset.
    HaltOption option = HaltOption::Reset;
    bool continueRun = false;  // the dialog's "Continuar ejecución" (only meaningful during a run)
    bool leaveHalted = false;  // vandor-cli --on-hlt STOP: perform nothing, the run ends after the HLT
};

// Asked by the simulator when a HLT executes. The Halt window shows itself modally; vandor-cli answers
// from its options. runInProgress tells whether "Continuar ejecución" is enabled and checked at first.
// The handler may change the INTR vector (setVector) before it returns.
class HaltDialog {
public:
    virtual ~HaltDialog() = default;
    virtual HaltChoice chooseHaltExit(bool runInProgress) = 0;
};

// The 8-bit registers of the register editors, and the three pairs.
enum class Register { A, B, C, D, E, F, H, L };
enum class Pair { BC, DE, HL };

class RegenListener {
public:
    virtual ~RegenListener() = default;
    virtual void regenerated() = 0;
};

class Simulator final : private HaltHandler {
public:
    // A fresh machine: memory and ports 00, SID and SOD false, then Reset_Click.
    Simulator();
    Simulator(const Simulator&) = delete;
    Simulator& operator=(const Simulator&) = delete;

    Machine m;
    Trace trace;
    // The watched cells ("Vigilancia"); a run stops after a step that touched one.
    WatchList watches;

    RegenListener* views = nullptr;
    HaltDialog* haltDialog = nullptr;  // none: HLT leaves the machine halted and stops a run

    // Whether steps are recorded in the trace (vandor-cli records only with --trace). The trace keeps its
    // most recent rows: a run never stops because of it.
    bool recordTrace = true;

    // Devices on the ports for a run: input queues that IN reads and a log of every OUT (vandor-cli's
    // --in and --out-log, an exercise's entradas and salidas). Steps and runs honour them while attached;
    // a run with none of them (and no terminal) is the plain loop.
    InputQueues* inputs = nullptr;
    OutputLog* outputs = nullptr;

    // A terminal on SOD and SID (the serial console): what SIM puts on SOD is handed to it with the T-state
    // count, and RIM reads SID from it. Attaching one starts the T-state count.
    void attachTerminal(SerialTerminal* terminal);
    // Takes it off, if it is the one attached.
    void detachTerminal(const SerialTerminal* terminal);
    SerialTerminal* terminal() const { return terminal_; }

    // The value of txtVec: the byte that INTR supplies.
    uint8_t vector() const { return vector_; }
    void setVector(uint8_t v) { vector_ = v; }

    // Editing doors. A single register also sets its pair (B and C make BC, and so on; A and F make PSW),
    // a pair sets both halves, so the pairs always match the registers.
    void setRegister(Register r, uint8_t value);
    void setPair(Pair p, uint16_t value);
    void setFlags(uint8_t f) { setRegister(Register::F, f); }
    // M: the byte at HL stored through savmem, then regen.
    void storeAtHL(uint8_t value);
    void setPC(uint16_t value) { m.pc = value; }
    void setSP(uint16_t value) { m.sp = value; }
    // A memory or port byte stored through savmem / savport (its grid cell follows); nothing else.
    void setMemory(uint16_t address, uint8_t value) {
        noteMemory(address);
        m.savmem(address, value);
    }
    void setPort(uint8_t port, uint8_t value) {
        notePort(port);
        m.savport(port, value);
    }
    void setBreakpoint(uint16_t address, bool set) { m.breakpoints[address] = set ? 1 : 0; }
    void toggleBreakpoint(uint16_t address) { setBreakpoint(address, !m.breakpoints[address]); }

    // Buttons.
    void Reset_Click();
    void Trap_Click();
    void Rst55_Click();
    void Rst65_Click();
    void Rst75_Click();
    // Executes the vector byte at PC (interrupcion true) and puts the memory byte back directly; the
    // observer hears of that byte only when the supplied instruction itself stored into that cell.
    void Intr_Click();
    // The button or Halt option by index; does nothing when it is not usable now.
    void press(HaltOption button);

    // Enabling rule: which buttons and Halt options are usable now.
    bool usable(HaltOption button) const;

    // Check boxes: the value each shows, and a user's click (runs the action when the value changes).
    // ChkSOD is disabled: setShown ignores it.
    bool shown(CheckBox box) const;
    void setShown(CheckBox box, bool checked);
    void chkSID_Click(bool checked) { m.sid = checked; }

    // Step back ("Paso atrás"). The history records the steps while its limit is not 0 (the windows keep
    // History::kMaxSteps; vandor-cli only as many as it will undo). stepBack() undoes the latest step
    // and whatever was done after it: registers, flags, memory, ports, interrupt state, SID and SOD,
    // the check boxes, the T-states and the trace return to what they were just before that step
    // began, and the views refresh. False (nothing done) during a run or with an empty history.
    void setHistoryLimit(size_t steps) { history_.setStepLimit(steps); }
    bool canStepBack() const { return !running_ && !history_.empty(); }
    size_t historySize() const { return history_.size(); }
    bool stepBack();
    // Whether an undone step's trace rows had already been streamed beyond recall (the trace then holds
    // more rows than the state it leads to).
    bool traceCutShort() const { return traceCutShort_; }
    // An object file was loaded into memory: the steps before it can no longer be undone.
    void objectLoaded() { history_.clear(); }

    // The core side of regen: wrap-around cells, the check boxes from the state (with their actions),
    // then the views.
    void regen();

    // One step of the single-step button or of the run: listainstru, EjecutaPASO(false), regen, listareg.
    void step();

    // The running flag carried by the caption of Ejecutar ("&Parar" while true).
    bool running() const { return running_; }
    // Ejecutar_Click in the stopped state, before its loop; with a target, the run also stops where the
    // target says (step over, step out, run to here).
    void startRun(const RunTarget& target = {});
    void stopRun();   // Ejecutar_Click in the running state

    // Up to maxSteps steps of the continuous run, each followed by the breakpoint test. Returns why it
    // came back; on Breakpoint and Halt the run has been stopped (running() is false).
    // Needs running() true; returns Stopped at once otherwise.
    StopReason run(uint64_t maxSteps);
    // The same batch ending also after the step that brings the T-state count to untilTStates or past it
    // (a run paced against the wall clock). The T-states are counted during the batch.
    StopReason run(uint64_t maxSteps, uint64_t untilTStates);
    uint64_t stepsExecuted() const { return steps_; }
    // What touched a watched cell in the last step that did (a run stopped with Watch, or a single step).
    const std::optional<WatchHit>& lastWatchHit() const { return watchHit_; }
    // The T-states the last step counted (its instruction, and any interrupt taken in its way out of a
    // HLT), while m.countTStates is set; the door that sets the count to 0 on its own.
    unsigned lastTstates() const { return lastTstates_; }
    void resetTStates() {
        m.tstates = 0;
        lastTstates_ = 0;
    }
    // What a step that began with the total at `start` counted, the total now at `now`: a RESET in its
    // way out of a HLT zeroed the total, and then only what came after it counts.
    static unsigned stepTStates(uint64_t start, uint64_t now) {
        return static_cast<unsigned>(now >= start ? now - start : now);
    }

private:
    // The old value of a cell about to be written from outside a step, for the latest history record.
    void noteMemory(uint16_t address) {
        if (history_.recording()) history_.noteMemory(address, m.mem[address]);
    }
    void notePort(uint8_t port) {
        if (history_.recording()) history_.notePort(port, m.ports[port]);
    }
    void noteAccesses(const StepAccesses& accesses, uint16_t replacedAt, uint8_t replacedValue);
    // Begins the history record of the step about to run at PC.
    void recordStep();
    // Before a step of the debugger's kind: the watched cells its instruction will touch (kept in
    // watchHit_) and its history record.
    void beforeDebugStep();
    Snapshot snapshot() const;
    void restore(const Snapshot& s);
    template <unsigned kExtras>
    StopReason runLoop(uint64_t maxSteps);
    // Whether a check box shows a value other than the state's: regen has an action to run.
    bool checkBoxesBehind() const;
    bool devicesAttached() const { return inputs || outputs || terminal_; }
    // Around an instruction with devices attached: IN from a queued port finds the queue's next value
    // in the port, RIM finds the terminal's SID level; then OUT is logged as step `step`, and SIM hands
    // SOD to the terminal. `t` is the T-state count at the end of the instruction.
    void devicesBefore(uint8_t op, uint8_t operand, uint64_t t);
    void devicesAfter(uint8_t op, uint8_t operand, uint8_t a, uint64_t step, uint64_t t);

    void halted() override;
    void perform(HaltOption button);
    void callInterrupt(uint16_t vectorAddress);
    void applyShown(CheckBox box, bool checked);
    void takeRst75IfPending();

    bool shown_[5] = {false, false, false, false, false};
    uint8_t vector_ = 0;
    bool running_ = false;
    bool haltStopped_ = false;  // the run in progress was stopped by a HLT
    uint64_t steps_ = 0;
    SerialTerminal* terminal_ = nullptr;
    static constexpr uint64_t kNoTLimit = ~uint64_t{0};
    uint64_t tLimit_ = kNoTLimit;  // the T-state count that ends a paced batch
    History history_;
    RunTarget target_;
    std::optional<WatchHit> watchHit_;
    unsigned lastTstates_ = 0;
    bool traceCutShort_ = false;  // a step undone could not take back all its streamed trace rows
};

}  // namespace vandor
