#include "machine/machine.h"

#include "machine/executor.h"

namespace vandor {
namespace {

// The executor's view of a Machine for one step: the registers are the Machine's own, every write goes
// through savmem and savport, HLT reaches the halt handler.
struct InPlace {
    Machine& m;
    uint8_t& a;
    uint8_t& b;
    uint8_t& c;
    uint8_t& d;
    uint8_t& e;
    uint8_t& h;
    uint8_t& l;
    uint8_t& f;
    uint16_t& pc;
    uint16_t& sp;
    const uint8_t* mem;

    explicit InPlace(Machine& machine)
        : m(machine), a(machine.a), b(machine.b), c(machine.c), d(machine.d), e(machine.e), h(machine.h),
          l(machine.l), f(machine.f), pc(machine.pc), sp(machine.sp), mem(machine.mem.data()) {}

    uint8_t load(uint16_t address) const { return m.mem[address]; }
    void store(uint16_t address, uint8_t value) { m.savmem(address, value); }
    uint8_t input(uint8_t port) const { return m.ports[port]; }
    void output(uint8_t port, uint8_t value) { m.savport(port, value); }
    void tick(unsigned n) {
        if (m.countTStates) m.tstates += n;
    }
    void halt() {
        // The handler performs the way out (reset, an interrupt) before the step ends.
        if (m.haltHandler) m.haltHandler->halted();
    }
    // The caller's regen follows the check boxes after the step.
    void interruptStateChanged() {}
};

}  // namespace

uint8_t Machine::flags(uint8_t dato) {
    return executor::kSignZeroParity[dato];
}

void Machine::resetState() {
    a = b = c = d = e = f = h = l = 0;
    bc = de = hl = psw = pc = sp = 0;
    ie = false;
    m55 = m65 = m75 = true;
    rst75Latch = false;
    tstates = 0;
}

void Machine::OPCALL(uint16_t dato) {
    OPDCX(sp);
    savmem(sp, static_cast<uint8_t>(pc >> 8));
    OPDCX(sp);
    savmem(sp, static_cast<uint8_t>(pc & 0xFF));
    pc = dato;
}

void Machine::OPRET() {
    const uint8_t lo = mem[sp];
    OPINX(sp);
    const uint8_t hi = mem[sp];
    OPINX(sp);
    pc = static_cast<uint16_t>(hi << 8 | lo);
}

uint8_t Machine::OPADD(uint8_t dato) { return executor::add(a, dato, f); }
uint8_t Machine::OPADC(uint8_t dato) { return executor::adc(a, dato, f); }
uint8_t Machine::OPSUB(uint8_t dato) { return executor::sub(a, dato, f); }
uint8_t Machine::OPSBB(uint8_t dato) { return executor::sbb(a, dato, f); }
uint8_t Machine::OPAND(uint8_t dato) { return executor::ana(a, dato, f); }
uint8_t Machine::OPOR(uint8_t dato) { return executor::ora(a, dato, f); }
uint8_t Machine::OPXOR(uint8_t dato) { return executor::xra(a, dato, f); }
void Machine::OPCMP(uint8_t dato) { executor::cmp(a, dato, f); }
void Machine::OPINR(uint8_t& dato) { executor::inr(dato, f); }
void Machine::OPDCR(uint8_t& dato) { executor::dcr(dato, f); }

void Machine::OPDAD(uint16_t dato) {
    executor::dad(h, l, dato, f);
    hl = addressHL();
}

uint8_t Machine::OPDAA() { return executor::daa(a, f); }
void Machine::OPRIM() { a = executor::rim(*this); }
void Machine::OPSIM() { executor::sim(*this, a); }

void Machine::EjecutaPASO(bool interrupcion) {
    InPlace view(*this);
    if (interrupcion) {
        executor::executeInstruction<true>(view);
    } else {
        executor::executeInstruction<false>(view);
    }
    recomputePairs();
}

}  // namespace vandor
