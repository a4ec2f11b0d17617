// The continuous run: Simulator::run and its loop of steps.
//
// Each step of the loop leaves exactly the state that listainstru, EjecutaPASO, regen and listareg leave.
// What it saves is work that changes nothing: the registers live in locals for the whole batch (the
// pairs are rebuilt when it ends), the wrap-around cells follow each write to 0000 and 0001 instead of
// being copied after every step, the check-box follow-up of regen runs only after a step that left a
// box behind the state, and the views hear of the batch once, at its end. The trace, the T-state count
// and the grids' notifications are compiled in only when attached, so the plain loop has none of them;
// so are the debugger's checks around every step (watchpoints, the step history, a run target) and the
// devices (input queues, output log, serial terminal, the T-state limit of a paced batch).
#include "common/opcodes.h"
#include "machine/executor.h"
#include "machine/simulator.h"
#include "machine/run_target.h"

namespace vandor {
namespace {

// The extras a loop is compiled with.
enum Extra : unsigned {
    kTrace = 1u,     // trace rows before and after every step
    kTStates = 2u,   // the T-state count
    kGrids = 4u,     // the observer hears of every memory and port write
    kDebug = 8u,     // watchpoints, the step history and a run target: each step is looked at before and after
    kDevices = 16u,  // input queues, the output log, the serial terminal, the T-state limit of a paced
                     // batch (always with the T-state count)
};

}  // namespace

template <unsigned kExtras>
StopReason Simulator::runLoop(uint64_t maxSteps) {
    // What a step left for the loop to do after it.
    enum After : uint8_t { kNothing, kFullRegen, kHalted };  // the full regen: synmem, the boxes, the views

    // The executor's view of the machine during the loop: the registers are locals, written back before
    // anything outside the loop may look at the machine (a HLT's way out, the check boxes' actions). Its
    // methods only note the slow work; the loop does it, so that nothing takes the view by address and
    // the registers can stay in processor registers.
    struct Local {
        Simulator& sim;
        Machine& m;
        uint8_t* mem;
        uint8_t a = 0, b = 0, c = 0, d = 0, e = 0, h = 0, l = 0, f = 0;
        uint16_t pc = 0, sp = 0;
        uint64_t t = 0;
        After after = kNothing;
        TraceRows::Room rows{};  // where the loop writes its trace rows

        void fetch() {
            a = m.a, b = m.b, c = m.c, d = m.d, e = m.e, h = m.h, l = m.l, f = m.f;
            pc = m.pc, sp = m.sp;
            if constexpr ((kExtras & kTStates) != 0) t = m.tstates;
        }
        void put() {
            m.a = a, m.b = b, m.c = c, m.d = d, m.e = e, m.h = h, m.l = l, m.f = f;
            m.pc = pc, m.sp = sp;
            m.recomputePairs();
            if constexpr ((kExtras & kTStates) != 0) m.tstates = t;
        }
        uint8_t load(uint16_t address) const { return mem[address]; }
        void store(uint16_t address, uint8_t value) {
            mem[address] = value;
            if (address < 2) mem[Machine::kMemorySize + address] = value;
            if constexpr ((kExtras & kGrids) != 0)
                if (m.observer) m.observer->memoryWritten(address, value);
        }
        uint8_t input(uint8_t port) const { return m.ports[port]; }
        void output(uint8_t port, uint8_t value) {
            m.ports[port] = value;
            if constexpr ((kExtras & kGrids) != 0)
                if (m.observer) m.observer->portWritten(port, value);
        }
        void tick(unsigned n) {
            if constexpr ((kExtras & kTStates) != 0) t += n;
        }
        // HLT is the last thing its step does: the loop performs the way out right after it.
        void halt() { after = kHalted; }
        void interruptStateChanged() {
            if (sim.checkBoxesBehind()) after = kFullRegen;
        }
        void closeRows() {
            if (rows.next) sim.trace.closeRows(rows.next);
            rows = {};
        }
        // The row of the next step, its instruction columns written.
        TraceRow& startRow() {
            if (rows.next == rows.end) [[unlikely]] {
                closeRows();
                rows = sim.trace.openRows();
            }
            TraceRow& row = *rows.next++;
            Trace::startInstruction(row, pc, mem);
            return row;
        }
    };

    Local x{*this, m, m.mem.data()};
    x.fetch();
    // A write that bypassed savmem left the wrap-around cells behind: the first step reads them as they
    // are and ends with the full regen, as every step used to.
    if (m.mem[Machine::kMemorySize] != m.mem[0] || m.mem[Machine::kMemorySize + 1] != m.mem[1]) x.after = kFullRegen;
    // With the history the register row belongs to the step it precedes: each step notes it after its
    // record began, so that undoing the step takes the row too.
    if constexpr ((kExtras & kTrace) != 0 && (kExtras & kDebug) == 0) trace.noteState(m);

    const uint8_t* const breakpoints = m.breakpoints.data();
    StopReason why = StopReason::Steps;
    uint64_t done = 0;
    uint64_t stepStart = x.t;
    bool returned = false;
    while (done < maxSteps) {
        if constexpr ((kExtras & kDebug) != 0) {
            // The machine as the step finds it, for the watchpoints, the history and the target.
            x.put();
            if constexpr ((kExtras & kTrace) != 0) x.closeRows();
            // The step before counts as the last one in this step's record.
            if constexpr ((kExtras & kTStates) != 0)
                if (done != 0) lastTstates_ = stepTStates(stepStart, x.t);
            beforeDebugStep();
            returned = target_.watchesReturns() && isReturnTaken(m);
            if constexpr ((kExtras & kTrace) != 0) trace.noteState(m);
        }
        if constexpr ((kExtras & kTStates) != 0) stepStart = x.t;
        TraceRow* row = nullptr;
        if constexpr ((kExtras & kTrace) != 0) row = &x.startRow();
        [[maybe_unused]] uint8_t op = 0, operand = 0;
        if constexpr ((kExtras & kDevices) != 0) {
            op = x.mem[x.pc];
            operand = x.mem[x.pc + 1];  // past FFFF, the wrap-around cell
            devicesBefore(op, operand, x.t + executor::kTStates[op]);
        }
        executor::executeInstruction<false>(x);
        ++done;
        if constexpr ((kExtras & kDevices) != 0) devicesAfter(op, operand, x.a, steps_ + done, x.t);
        if (x.after != kNothing) [[unlikely]] {
            x.put();
            // The way out of a HLT or a box's action may reach the trace (a window's "Borrar"): the rows
            // so far are handed over first.
            if constexpr ((kExtras & kTrace) != 0) x.closeRows();
            if (x.after == kHalted && m.haltHandler) m.haltHandler->halted();
            x.after = kNothing;
            m.recomputePairs();
            regen();
            if constexpr ((kExtras & kTrace) != 0) trace.listareg(m);
            x.fetch();
            if constexpr ((kExtras & kTrace) != 0 && (kExtras & kTStates) != 0)
                trace.setLastTStates(stepTStates(stepStart, x.t));
            if (!running_) {
                why = haltStopped_ ? StopReason::Halt : StopReason::Stopped;
                break;
            }
        } else if constexpr ((kExtras & kTrace) != 0) {
            row->a = x.a, row->b = x.b, row->c = x.c, row->d = x.d, row->e = x.e, row->f = x.f;
            row->h = x.h, row->l = x.l, row->m = x.mem[executor::pair(x.h, x.l)];
            row->pc = x.pc, row->sp = x.sp;
            row->regsFilled = 1;
            if constexpr ((kExtras & kTStates) != 0) row->tstates = static_cast<uint8_t>(x.t - stepStart);
        }
        if constexpr ((kExtras & kDebug) != 0) {
            // A watched cell wins over a breakpoint reached by the same step.
            if (watchHit_) {
                stopRun();
                why = StopReason::Watch;
                break;
            }
        }
        if (breakpoints[x.pc]) [[unlikely]] {
            stopRun();
            why = StopReason::Breakpoint;
            break;
        }
        if constexpr ((kExtras & kDebug) != 0) {
            if (target_.reached(x.pc, x.sp, returned)) {
                stopRun();
                why = StopReason::Target;
                break;
            }
        }
        if constexpr ((kExtras & kDevices) != 0)
            if (x.t >= tLimit_) [[unlikely]] break;
    }
    if constexpr ((kExtras & kTrace) != 0) x.closeRows();
    if constexpr ((kExtras & kTStates) != 0)
        if (done != 0) lastTstates_ = stepTStates(stepStart, x.t);
    x.put();
    steps_ += done;
    if (views && done != 0) views->regenerated();
    return why;
}

StopReason Simulator::run(uint64_t maxSteps) {
    if (!running_) return StopReason::Stopped;
    haltStopped_ = false;
    watchHit_.reset();
    const bool debug = !watches.empty() || history_.recording() || target_.any();
    const unsigned extras = (recordTrace ? kTrace : 0u) | (m.countTStates ? kTStates : 0u) |
                            (m.observer ? kGrids : 0u) | (debug ? kDebug : 0u) |
                            (devicesAttached() || tLimit_ != kNoTLimit ? kDevices | kTStates : 0u);
    // The devices come with the T-state count: the loops with kDevices and without kTStates are never made.
    switch (extras) {
    case 0: return runLoop<0>(maxSteps);
    case 1: return runLoop<1>(maxSteps);
    case 2: return runLoop<2>(maxSteps);
    case 3: return runLoop<3>(maxSteps);
    case 4: return runLoop<4>(maxSteps);
    case 5: return runLoop<5>(maxSteps);
    case 6: return runLoop<6>(maxSteps);
    case 7: return runLoop<7>(maxSteps);
    case 8: return runLoop<8>(maxSteps);
    case 9: return runLoop<9>(maxSteps);
    case 10: return runLoop<10>(maxSteps);
    case 11: return runLoop<11>(maxSteps);
    case 12: return runLoop<12>(maxSteps);
    case 13: return runLoop<13>(maxSteps);
    case 14: return runLoop<14>(maxSteps);
    case 15: return runLoop<15>(maxSteps);
    case 18: return runLoop<18>(maxSteps);
    case 19: return runLoop<19>(maxSteps);
    case 22: return runLoop<22>(maxSteps);
    case 23: return runLoop<23>(maxSteps);
    case 26: return runLoop<26>(maxSteps);
    case 27: return runLoop<27>(maxSteps);
    case 30: return runLoop<30>(maxSteps);
    default: return runLoop<31>(maxSteps);
    }
}

StopReason Simulator::run(uint64_t maxSteps, uint64_t untilTStates) {
    const bool counted = m.countTStates;
    m.countTStates = true;
    tLimit_ = untilTStates;
    const StopReason why = run(maxSteps);
    tLimit_ = kNoTLimit;
    m.countTStates = counted;
    return why;
}

}  // namespace vandor
