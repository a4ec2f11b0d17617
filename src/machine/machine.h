// Machine: the simulated 8085 — registers, flags, 64 KiB of memory with two wrap-around cells, 256 ports,
// the interrupt state and one breakpoint flag per address — and the executor over it.
//
// The single registers are authoritative; the pairs bc, de, hl and psw are recomputed from them at the end
// of every EjecutaPASO (and by recomputePairs()), so during a step only h and l tell where M is. Code that
// changes a pair directly (Simulator::setPair, DAD) uses setBC/setDE/setHL, which write both halves too.
//
// Memory and port writes that must show in a grid go through savmem/savport, which tell the observer (one
// call per written address or port). Plain reads index mem/ports directly; mem[0x10000] and mem[0x10001]
// are copies of mem[0] and mem[1], so an operand read past FFFF needs no special case. savmem keeps them
// at once; synmem brings them back after a write that bypassed savmem.
//
// T-states are counted only while countTStates is set: each executed instruction adds its data-sheet
// figure (executor.h), an interrupt taken adds 12, a reset sets the count to 0.
//
//   Machine m;
//   m.savmem(0x0000, 0x3C);   // INR A
//   m.EjecutaPASO(false);     // a == 1, pc == 1
#pragma once

#include <array>
#include <cstdint>

namespace vandor {

// Flag bits of F.
inline constexpr uint8_t kFlagS = 0x80;
inline constexpr uint8_t kFlagZ = 0x40;
inline constexpr uint8_t kFlagAC = 0x10;
inline constexpr uint8_t kFlagP = 0x04;
inline constexpr uint8_t kFlagCY = 0x01;

class MachineObserver {
public:
    virtual ~MachineObserver() = default;
    virtual void memoryWritten(uint16_t address, uint8_t value) = 0;
    virtual void portWritten(uint8_t port, uint8_t value) = 0;
};

// Reached by EjecutaPASO for HLT, with PC already past the HLT byte. It performs the way out of the halt
// (reset, an interrupt, or INTR running one more instruction) before it returns.
class HaltHandler {
public:
    virtual ~HaltHandler() = default;
    virtual void halted() = 0;
};

class Machine {
public:
    static constexpr int kMemorySize = 0x10000;
    static constexpr int kMemoryCells = kMemorySize + 2;  // two wrap-around cells after FFFF

    // No pair has its two halves side by side: the pairs rebuilt after a step then read single bytes
    // just stored, which the processor forwards, instead of a word over two byte stores, which it cannot.
    uint8_t a = 0, b = 0, d = 0, h = 0, c = 0, e = 0, f = 0, l = 0;
    uint16_t bc = 0, de = 0, hl = 0, psw = 0, pc = 0, sp = 0;

    std::array<uint8_t, kMemoryCells> mem{};
    std::array<uint8_t, 256> ports{};

    bool ie = false;
    bool m55 = false, m65 = false, m75 = false;  // true = masked
    bool rst75Latch = false;
    bool sid = false, sod = false;

    bool countTStates = false;
    uint64_t tstates = 0;

    std::array<uint8_t, kMemorySize> breakpoints{};  // nonzero = breakpoint set

    MachineObserver* observer = nullptr;
    HaltHandler* haltHandler = nullptr;

    void savmem(uint16_t dir, uint8_t dat) {
        mem[dir] = dat;
        if (dir < 2) mem[kMemorySize + dir] = dat;
        if (observer) observer->memoryWritten(dir, dat);
    }
    void savport(uint8_t dir, uint8_t dat) {
        ports[dir] = dat;
        if (observer) observer->portWritten(dir, dat);
    }
    void synmem() {
        mem[kMemorySize] = mem[0];
        mem[kMemorySize + 1] = mem[1];
    }

    // The register and interrupt part of Reset_Click: every register and pair 0, IE false, all three masks
    // set, the RST 7.5 latch clear, the T-state count 0. Memory, ports, SID, SOD and breakpoints are kept.
    void resetState();

    // One instruction at PC. interrupcion true: the instruction comes from an interrupting device and PC
    // is not advanced before it executes.
    void EjecutaPASO(bool interrupcion);

    void OPCALL(uint16_t dato);
    void OPRET();

    uint8_t OPADD(uint8_t dato);
    uint8_t OPADC(uint8_t dato);
    uint8_t OPSUB(uint8_t dato);
    uint8_t OPSBB(uint8_t dato);
    uint8_t OPAND(uint8_t dato);
    uint8_t OPOR(uint8_t dato);
    uint8_t OPXOR(uint8_t dato);
    void OPCMP(uint8_t dato);
    void OPINR(uint8_t& dato);
    void OPDCR(uint8_t& dato);
    static void OPINX(uint16_t& dato) { ++dato; }
    static void OPDCX(uint16_t& dato) { --dato; }
    void OPDAD(uint16_t dato);
    uint8_t OPDAA();
    void OPRIM();
    void OPSIM();
    static uint8_t flags(uint8_t dato);

    // PSW, BC, DE, HL from A, F, B, C, D, E, H, L, in that order.
    void recomputePairs() {
        psw = static_cast<uint16_t>(a << 8 | f);
        bc = static_cast<uint16_t>(b << 8 | c);
        de = static_cast<uint16_t>(d << 8 | e);
        hl = static_cast<uint16_t>(h << 8 | l);
    }
    void setBC(uint16_t v) { bc = v; b = v >> 8; c = v & 0xFF; }
    void setDE(uint16_t v) { de = v; d = v >> 8; e = v & 0xFF; }
    void setHL(uint16_t v) { hl = v; h = v >> 8; l = v & 0xFF; }

    // M: the memory byte addressed by H and L (the pair hl is stale until the step ends).
    uint16_t addressHL() const { return static_cast<uint16_t>(h << 8 | l); }
    uint8_t byteAtHL() const { return mem[addressHL()]; }
};

}  // namespace vandor
