#include "machine/simulator.h"

#include <algorithm>

#include "machine/data_access.h"
#include "machine/executor.h"

namespace vandor {
namespace {

constexpr uint16_t kTrapVector = 0x0024;
constexpr uint16_t kRst55Vector = 0x002C;
constexpr uint16_t kRst65Vector = 0x0034;
constexpr uint16_t kRst75Vector = 0x003C;

constexpr int index(CheckBox box) { return static_cast<int>(box); }

// Forwards writes to the real observer and notes whether one address was written through savmem.
class WriteWatch final : public MachineObserver {
public:
    WriteWatch(MachineObserver* next, uint16_t address) : next_(next), address_(address) {}
    void memoryWritten(uint16_t address, uint8_t value) override {
        if (address == address_) written_ = true;
        if (next_) next_->memoryWritten(address, value);
    }
    void portWritten(uint8_t port, uint8_t value) override {
        if (next_) next_->portWritten(port, value);
    }
    bool written() const { return written_; }

private:
    MachineObserver* next_;
    uint16_t address_;
    bool written_ = false;
};

}  // namespace

Simulator::Simulator() {
    m.haltHandler = this;
    history_.setStepLimit(0);
    Reset_Click();
}

void Simulator::setRegister(Register r, uint8_t value) {
    switch (r) {
    case Register::A: m.a = value; break;
    case Register::B: m.b = value; break;
    case Register::C: m.c = value; break;
    case Register::D: m.d = value; break;
    case Register::E: m.e = value; break;
    case Register::F: m.f = value; break;
    case Register::H: m.h = value; break;
    case Register::L: m.l = value; break;
    }
    m.recomputePairs();
}

void Simulator::setPair(Pair p, uint16_t value) {
    switch (p) {
    case Pair::BC: m.setBC(value); break;
    case Pair::DE: m.setDE(value); break;
    case Pair::HL: m.setHL(value); break;
    }
}

void Simulator::storeAtHL(uint8_t value) {
    noteMemory(m.addressHL());
    m.savmem(m.addressHL(), value);
    regen();
}

void Simulator::Reset_Click() {
    m.resetState();
    lastTstates_ = 0;
    regen();
}

void Simulator::callInterrupt(uint16_t vectorAddress) {
    m.ie = false;
    if (m.countTStates) m.tstates += executor::kInterruptTStates;
    noteMemory(static_cast<uint16_t>(m.sp - 1));
    noteMemory(static_cast<uint16_t>(m.sp - 2));
    m.OPCALL(vectorAddress);
    regen();
}

void Simulator::Trap_Click() { callInterrupt(kTrapVector); }
void Simulator::Rst55_Click() { callInterrupt(kRst55Vector); }
void Simulator::Rst65_Click() { callInterrupt(kRst65Vector); }

void Simulator::Rst75_Click() {
    m.rst75Latch = true;
    callInterrupt(kRst75Vector);
}

void Simulator::Intr_Click() {
    m.ie = false;
    // The device's byte sits at PC only while it executes; the memory grid never sees it.
    const uint16_t at = m.pc;
    const uint8_t kept = m.mem[at];
    if (history_.recording()) noteAccesses(dataAccesses(m, vector_, m.mem[at + 1], m.mem[at + 2]), at, kept);
    m.mem[at] = vector_;
    MachineObserver* const observer = m.observer;
    WriteWatch watch(observer, at);
    m.observer = &watch;
    m.EjecutaPASO(true);
    m.observer = observer;
    m.mem[at] = kept;
    // The supplied instruction stored into that very cell (a push onto it, MOV M): the grid showed
    // that store, so it must now show the byte put back.
    if (watch.written() && observer) observer->memoryWritten(at, kept);
    regen();
}

bool Simulator::usable(HaltOption button) const {
    switch (button) {
    case HaltOption::Reset:
    case HaltOption::Trap: return true;
    case HaltOption::Rst55: return m.ie && !m.m55;
    case HaltOption::Rst65: return m.ie && !m.m65;
    case HaltOption::Rst75: return m.ie && !m.m75;
    case HaltOption::Intr: return m.ie;
    }
    return false;
}

void Simulator::press(HaltOption button) {
    if (usable(button)) perform(button);
}

bool Simulator::shown(CheckBox box) const {
    return shown_[index(box)];
}

void Simulator::setShown(CheckBox box, bool checked) {
    // ChkSOD is disabled: only regen sets it.
    if (box == CheckBox::ChkSOD || shown_[index(box)] == checked) return;
    shown_[index(box)] = checked;
    applyShown(box, checked);
}

void Simulator::takeRst75IfPending() {
    if (m.ie && m.rst75Latch && !m.m75) Rst75_Click();
}

void Simulator::applyShown(CheckBox box, bool checked) {
    switch (box) {
    case CheckBox::CHKEI:
        m.ie = checked;
        takeRst75IfPending();
        break;
    case CheckBox::CHK55: m.m55 = checked; break;
    case CheckBox::CHK65: m.m65 = checked; break;
    case CheckBox::CHK75:
        m.m75 = checked;
        takeRst75IfPending();
        break;
    case CheckBox::ChkSOD: break;
    }
}

void Simulator::regen() {
    m.synmem();
    // Each box is compared with the state as it is when its turn comes: an action of an earlier box may
    // have taken RST 7.5 and refreshed everything already.
    auto follow = [this](CheckBox box, bool value) {
        if (shown_[index(box)] != value) [[unlikely]] {
            shown_[index(box)] = value;
            applyShown(box, value);
        }
    };
    follow(CheckBox::CHKEI, m.ie);
    follow(CheckBox::CHK55, m.m55);
    follow(CheckBox::CHK65, m.m65);
    follow(CheckBox::CHK75, m.m75);
    follow(CheckBox::ChkSOD, m.sod);
    if (views) views->regenerated();
}

void Simulator::attachTerminal(SerialTerminal* terminal) {
    terminal_ = terminal;
    if (!terminal) return;
    m.countTStates = true;
    // The line starts where the machine's SOD is; SID rests at 1 until a character is typed.
    terminal->received.level(m.tstates, m.sod);
    m.sid = terminal->typed.levelAt(m.tstates);
}

void Simulator::detachTerminal(const SerialTerminal* terminal) {
    if (terminal_ == terminal) terminal_ = nullptr;
}

void Simulator::devicesBefore(uint8_t op, uint8_t operand, uint64_t t) {
    if (op == 0xDB) {  // IN
        if (inputs && inputs->has(operand)) {
            notePort(operand);  // a step undone puts back what the port held
            m.savport(operand, inputs->next(operand));
        }
    } else if (op == 0x20) {  // RIM
        if (terminal_) m.sid = terminal_->typed.levelAt(t);
    }
}

void Simulator::devicesAfter(uint8_t op, uint8_t operand, uint8_t a, uint64_t step, uint64_t t) {
    if (op == 0xD3) {  // OUT
        if (outputs) outputs->record(step, operand, a);
    } else if (op == 0x30) {  // SIM
        if (terminal_) terminal_->received.level(t, m.sod);
    }
}

void Simulator::noteAccesses(const StepAccesses& accesses, uint16_t replacedAt, uint8_t replacedValue) {
    for (int i = 0; i < accesses.count; ++i) {
        const DataAccess& cell = accesses.cells[i];
        if (!cell.write) continue;
        if (cell.port) {
            history_.notePort(static_cast<uint8_t>(cell.address), m.ports[cell.address & 0xFF]);
        } else {
            history_.noteMemory(cell.address, cell.address == replacedAt ? replacedValue : m.mem[cell.address]);
        }
    }
}

void Simulator::recordStep() {
    history_.begin(snapshot());
    noteAccesses(dataAccesses(m), m.pc, m.mem[m.pc]);
}

Snapshot Simulator::snapshot() const {
    Snapshot s;
    s.tstates = m.tstates;
    s.lastTstates = static_cast<uint16_t>(std::min(lastTstates_, 0xFFFFu));
    s.traceEnd = trace.endRow();
    s.traceGeneration = static_cast<uint32_t>(trace.generation());
    s.pc = m.pc;
    s.sp = m.sp;
    s.a = m.a; s.b = m.b; s.c = m.c; s.d = m.d; s.e = m.e; s.f = m.f; s.h = m.h; s.l = m.l;
    s.lines = static_cast<uint8_t>((m.ie ? kLineIE : 0) | (m.m55 ? kLineM55 : 0) | (m.m65 ? kLineM65 : 0) |
                                   (m.m75 ? kLineM75 : 0) | (m.rst75Latch ? kLineLatch : 0) |
                                   (m.sid ? kLineSID : 0) | (m.sod ? kLineSOD : 0));
    for (int i = 0; i < 5; ++i)
        if (shown_[i]) s.shown |= static_cast<uint8_t>(1 << i);
    return s;
}

void Simulator::restore(const Snapshot& s) {
    m.pc = s.pc;
    m.sp = s.sp;
    m.a = s.a; m.b = s.b; m.c = s.c; m.d = s.d; m.e = s.e; m.f = s.f; m.h = s.h; m.l = s.l;
    m.recomputePairs();
    m.ie = s.lines & kLineIE;
    m.m55 = s.lines & kLineM55;
    m.m65 = s.lines & kLineM65;
    m.m75 = s.lines & kLineM75;
    m.rst75Latch = s.lines & kLineLatch;
    m.sid = s.lines & kLineSID;
    m.sod = s.lines & kLineSOD;
    for (int i = 0; i < 5; ++i) shown_[i] = (s.shown >> i) & 1;
    m.tstates = s.tstates;
    lastTstates_ = s.lastTstates;
    // A trace cleared since holds only rows of later steps, already undone.
    if (static_cast<uint32_t>(trace.generation()) == s.traceGeneration && !trace.truncateTo(s.traceEnd))
        traceCutShort_ = true;
}

bool Simulator::stepBack() {
    if (!canStepBack()) return false;
    const Snapshot before = history_.undo([this](const UndoCell& cell) {
        if (cell.port) {
            m.savport(static_cast<uint8_t>(cell.address), cell.value);
        } else {
            m.savmem(cell.address, cell.value);
        }
    });
    restore(before);
    regen();
    return true;
}

void Simulator::beforeDebugStep() {
    watchHit_.reset();
    if (!watches.empty()) {
        if (auto hit = watches.hit(dataAccesses(m))) {
            hit->instructionAddress = m.pc;
            hit->instruction = {m.mem[m.pc], m.mem[m.pc + 1], m.mem[m.pc + 2]};
            watchHit_ = hit;
        }
    }
    if (history_.recording()) recordStep();
}

void Simulator::step() {
    beforeDebugStep();
    const uint64_t t = m.tstates;
    if (recordTrace) trace.listainstru(m);
    const bool devices = devicesAttached();
    const uint8_t op = m.mem[m.pc];
    const uint8_t operand = m.mem[static_cast<uint16_t>(m.pc + 1)];
    if (devices) devicesBefore(op, operand, m.tstates + executor::kTStates[op]);
    m.EjecutaPASO(false);
    if (devices) devicesAfter(op, operand, m.a, steps_ + 1, m.tstates);
    regen();
    if (recordTrace) trace.listareg(m);
    if (m.countTStates) {
        lastTstates_ = stepTStates(t, m.tstates);
        if (recordTrace) trace.setLastTStates(lastTstates_);
    }
    ++steps_;
}

void Simulator::startRun(const RunTarget& target) {
    target_ = target;
    running_ = true;
    haltStopped_ = false;
}

void Simulator::stopRun() {
    running_ = false;
}

bool Simulator::checkBoxesBehind() const {
    return shown_[index(CheckBox::CHKEI)] != m.ie || shown_[index(CheckBox::CHK55)] != m.m55 ||
           shown_[index(CheckBox::CHK65)] != m.m65 || shown_[index(CheckBox::CHK75)] != m.m75 ||
           shown_[index(CheckBox::ChkSOD)] != m.sod;
}

void Simulator::perform(HaltOption option) {
    switch (option) {
    case HaltOption::Reset: Reset_Click(); break;
    case HaltOption::Trap: Trap_Click(); break;
    case HaltOption::Rst55: Rst55_Click(); break;
    case HaltOption::Rst65: Rst65_Click(); break;
    case HaltOption::Rst75: Rst75_Click(); break;
    case HaltOption::Intr: Intr_Click(); break;
    }
}

void Simulator::halted() {
    auto stopAtHalt = [this] {
        if (running_) {
            stopRun();
            haltStopped_ = true;
        }
    };
    // The INTR choice may execute a HLT from inside this one; INTR has disabled interrupts by then, so
    // that inner halt cannot choose INTR again and the nesting ends.
    if (!haltDialog) {
        stopAtHalt();
        return;
    }
    const HaltChoice choice = haltDialog->chooseHaltExit(running_);
    if (choice.leaveHalted) {
        stopAtHalt();
    } else {
        // A disabled option cannot be selected: the dialog's first option, RESET, is performed instead.
        perform(usable(choice.option) ? choice.option : HaltOption::Reset);
        if (!choice.continueRun) stopAtHalt();
    }
}

}  // namespace vandor
