// The instruction executor, written once for every way the machine runs: Machine::EjecutaPASO (one step
// with the state in the Machine itself), and the continuous run's loop (the state in locals, the extras it
// needs chosen at compile time). Both instantiate executeInstruction() over their own view of the state.
//
// A view X provides the registers as members a, b, c, d, e, h, l, f, pc, sp (values or references), the
// Machine m (interrupt state), mem (the 65,538 memory cells, read for opcode and operands), and:
//   load(address)                 a data read (M operands, LDA, LDAX, LHLD, POP, RET, XTHL)
//   store(address, value)         a data write, as savmem
//   input(port), output(port, v)  IN and OUT, the latter as savport
//   tick(n)                       n T-states (the figure of the instruction, then any taken extra)
//   halt()                        HLT, with PC already past it: the way out is performed before it returns
//   interruptStateChanged()       EI, DI or SIM changed IE, a mask, the RST 7.5 latch or SOD
// Data reads and writes go through load/store only, so a view can watch them; the operand bytes of the
// instruction are fetched from mem directly and are no data reads.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

#include "machine/machine.h"

namespace vandor::executor {

// S, Z and P of every byte, so a flag-setting operation costs one table read.
inline constexpr std::array<uint8_t, 256> kSignZeroParity = [] {
    std::array<uint8_t, 256> table{};
    for (int x = 0; x < 256; ++x) {
        // Parity by weights: count the one bits from 128 down to 1.
        int ones = 0;
        for (int weight = 128, rest = x; weight >= 1; weight /= 2) {
            if (rest >= weight) {
                ++ones;
                rest -= weight;
            }
        }
        table[static_cast<std::size_t>(x)] = static_cast<uint8_t>((x == 0 ? kFlagZ : 0) | (x & 0x80 ? kFlagS : 0) |
                                                             (ones % 2 == 0 ? kFlagP : 0));
    }
    return table;
}();

// T-states of every opcode by the 8085 data sheet; for the conditional jumps, calls and returns the figure
// when the condition fails (a taken one adds 3, 9 and 6).
inline constexpr std::array<uint8_t, 256> kTStates = [] {
    std::array<uint8_t, 256> t{};
    t.fill(4);  // NOP, the undefined opcodes, MOV r,r, the register arithmetic, rotates, CMA, CMC, STC, DAA...
    for (int op = 0x40; op < 0x80; ++op)
        if ((op & 7) == 6 || (op & 0x38) == 0x30) t[static_cast<std::size_t>(op)] = 7;  // MOV r,M and MOV M,r
    t[0x76] = 5;                                                                  // HLT
    for (int op = 0x86; op < 0xC0; op += 8) t[static_cast<std::size_t>(op)] = 7;     // ADD M ... CMP M
    for (int r = 0; r < 8; ++r) {
        const size_t mvi = static_cast<std::size_t>(r << 3 | 6);
        t[mvi] = 7;                                                               // MVI r
        t[static_cast<std::size_t>(0xC6 | r << 3)] = 7;                                // ADI ... CPI
        t[static_cast<std::size_t>(0xC2 | r << 3)] = 7;                                // Jcc, not taken
        t[static_cast<std::size_t>(0xC4 | r << 3)] = 9;                                // Ccc, not taken
        t[static_cast<std::size_t>(0xC0 | r << 3)] = 6;                                // Rcc, not taken
        t[static_cast<std::size_t>(0xC7 | r << 3)] = 12;                               // RST
    }
    t[0x36] = 10;                                                                 // MVI M
    t[0x34] = t[0x35] = 10;                                                       // INR M, DCR M
    for (int rp = 0; rp < 4; ++rp) {
        const int o = rp << 4;
        t[static_cast<std::size_t>(o | 0x01)] = 10;                                    // LXI
        t[static_cast<std::size_t>(o | 0x03)] = t[static_cast<std::size_t>(o | 0x0B)] = 6;  // INX, DCX
        t[static_cast<std::size_t>(o | 0x09)] = 10;                                    // DAD
        t[static_cast<std::size_t>(0xC5 | o)] = 12;                                    // PUSH
        t[static_cast<std::size_t>(0xC1 | o)] = 10;                                    // POP
    }
    t[0x02] = t[0x12] = t[0x0A] = t[0x1A] = 7;                                    // STAX, LDAX
    t[0x22] = t[0x2A] = 16;                                                       // SHLD, LHLD
    t[0x32] = t[0x3A] = 13;                                                       // STA, LDA
    t[0xC3] = 10;                                                                 // JMP
    t[0xCD] = 18;                                                                 // CALL
    t[0xC9] = 10;                                                                 // RET
    t[0xE3] = 16;                                                                 // XTHL
    t[0xE9] = t[0xF9] = 6;                                                        // PCHL, SPHL
    t[0xDB] = t[0xD3] = 10;                                                       // IN, OUT
    return t;
}();

// What an interrupt taken (TRAP, RST 5.5, 6.5, 7.5) adds to the count.
inline constexpr unsigned kInterruptTStates = 12;

constexpr uint8_t lowNibble(unsigned x) { return x & 0x0F; }
constexpr uint16_t pair(uint8_t high, uint8_t low) { return static_cast<uint16_t>(high << 8 | low); }

// The operations of the flag rules, on the accumulator's value and F; each returns the result.
inline uint8_t add(uint8_t a, uint8_t v, uint8_t& f) {
    const unsigned s = a + v;
    f = static_cast<uint8_t>((lowNibble(a) + lowNibble(v) >= 16 ? kFlagAC : 0) | (s > 0xFF ? kFlagCY : 0) |
                             kSignZeroParity[s & 0xFF]);
    return static_cast<uint8_t>(s);
}
inline uint8_t adc(uint8_t a, uint8_t v, uint8_t& f) {
    const unsigned carry = f & kFlagCY;
    const unsigned s = a + v + carry;
    f = static_cast<uint8_t>((lowNibble(a) + lowNibble(v) + carry >= 16 ? kFlagAC : 0) | (s > 0xFF ? kFlagCY : 0) |
                             kSignZeroParity[s & 0xFF]);
    return static_cast<uint8_t>(s);
}
// AC of a subtraction is the inverse of a borrow out of the low nibble.
inline uint8_t sub(uint8_t a, uint8_t v, uint8_t& f) {
    const int d = a - v;
    f = static_cast<uint8_t>((lowNibble(a) >= lowNibble(v) ? kFlagAC : 0) | (d < 0 ? kFlagCY : 0) |
                             kSignZeroParity[d & 0xFF]);
    return static_cast<uint8_t>(d);
}
inline uint8_t sbb(uint8_t a, uint8_t v, uint8_t& f) {
    const int borrow = f & kFlagCY;
    const int d = a - v - borrow;
    f = static_cast<uint8_t>((lowNibble(a) - lowNibble(v) - borrow >= 0 ? kFlagAC : 0) | (d < 0 ? kFlagCY : 0) |
                             kSignZeroParity[d & 0xFF]);
    return static_cast<uint8_t>(d);
}
inline void cmp(uint8_t a, uint8_t v, uint8_t& f) { sub(a, v, f); }
inline uint8_t ana(uint8_t a, uint8_t v, uint8_t& f) {
    const uint8_t r = a & v;
    f = static_cast<uint8_t>(kFlagAC | kSignZeroParity[r]);
    return r;
}
inline uint8_t ora(uint8_t a, uint8_t v, uint8_t& f) {
    const uint8_t r = a | v;
    f = kSignZeroParity[r];
    return r;
}
inline uint8_t xra(uint8_t a, uint8_t v, uint8_t& f) {
    const uint8_t r = a ^ v;
    f = kSignZeroParity[r];
    return r;
}
// INR and DCR keep CY.
inline void inr(uint8_t& x, uint8_t& f) {
    const uint8_t ac = lowNibble(x) == 0x0F ? kFlagAC : 0;
    ++x;
    f = static_cast<uint8_t>((f & kFlagCY) | ac | kSignZeroParity[x]);
}
inline void dcr(uint8_t& x, uint8_t& f) {
    const uint8_t ac = lowNibble(x) != 0 ? kFlagAC : 0;
    --x;
    f = static_cast<uint8_t>((f & kFlagCY) | ac | kSignZeroParity[x]);
}
// DAD touches only CY of F.
inline void dad(uint8_t& h, uint8_t& l, uint16_t v, uint8_t& f) {
    const uint32_t sum = uint32_t{pair(h, l)} + v;
    f = static_cast<uint8_t>((f & ~kFlagCY) | (sum > 0xFFFF ? kFlagCY : 0));
    h = static_cast<uint8_t>(sum >> 8);
    l = static_cast<uint8_t>(sum);
}
inline uint8_t daa(uint8_t a, uint8_t& f) {
    int lo = lowNibble(a);
    int hi = a >> 4;
    if ((f & kFlagAC) || lo > 9) {
        // The six goes into hi only when the low digit itself overflowed.
        if (lo > 9) ++hi;
        lo = (lo + 6) % 16;
    }
    if ((f & kFlagCY) || hi > 9) {
        hi = (hi + 6) % 16;
        f |= kFlagCY;
    }
    const uint8_t result = static_cast<uint8_t>(hi * 16 + lo);
    f = static_cast<uint8_t>((f & ~(kFlagS | kFlagZ | kFlagP)) | kSignZeroParity[result]);
    return result;
}
// The rotates change only CY.
inline void rlc(uint8_t& a, uint8_t& f) {
    const int carry = a >> 7;
    a = static_cast<uint8_t>(a << 1 | carry);
    f = static_cast<uint8_t>((f & ~kFlagCY) | carry);
}
inline void rrc(uint8_t& a, uint8_t& f) {
    const int carry = a & 1;
    a = static_cast<uint8_t>(a >> 1 | carry << 7);
    f = static_cast<uint8_t>((f & ~kFlagCY) | carry);
}
inline void ral(uint8_t& a, uint8_t& f) {
    const int carry = a >> 7;
    a = static_cast<uint8_t>(a << 1 | (f & kFlagCY));
    f = static_cast<uint8_t>((f & ~kFlagCY) | carry);
}
inline void rar(uint8_t& a, uint8_t& f) {
    const int carry = a & 1;
    a = static_cast<uint8_t>(a >> 1 | (f & kFlagCY) << 7);
    f = static_cast<uint8_t>((f & ~kFlagCY) | carry);
}
inline uint8_t rim(const Machine& m) {
    return static_cast<uint8_t>((m.m55 ? 0x01 : 0) | (m.m65 ? 0x02 : 0) | (m.m75 ? 0x04 : 0) | (m.ie ? 0x08 : 0) |
                                (m.rst75Latch ? 0x40 : 0) | (m.sid ? 0x80 : 0));
}
inline void sim(Machine& m, uint8_t a) {
    if (a & 0x40) m.sod = (a & 0x80) != 0;
    if (a & 0x08) {
        m.m55 = (a & 0x01) != 0;
        m.m65 = (a & 0x02) != 0;
        m.m75 = (a & 0x04) != 0;
    }
    if (a & 0x10) m.rst75Latch = false;
}
// Condition codes: 0 NZ, 1 Z, 2 NC, 3 C, 4 PO, 5 PE, 6 P, 7 M.
inline bool condition(uint8_t f, int cc) {
    constexpr uint8_t kFlag[4] = {kFlagZ, kFlagCY, kFlagP, kFlagS};
    return ((f & kFlag[cc >> 1]) != 0) == ((cc & 1) != 0);
}

// The pieces the instructions share, forced inline: the executor is one large function and the loop
// around it keeps the registers in locals only when nothing it calls takes them by address.
#define VANDOR_EXEC_INLINE [[gnu::always_inline]] inline

// The operand word of the instruction at `at`; at FFFE and FFFF its bytes come from the wrap-around cells.
VANDOR_EXEC_INLINE uint16_t operandWord(const uint8_t* mem, uint16_t at) { return pair(mem[at + 2], mem[at + 1]); }

template <class X>
VANDOR_EXEC_INLINE uint16_t addressHL(const X& x) {
    return pair(x.h, x.l);
}
template <class X>
VANDOR_EXEC_INLINE bool taken(X& x, int cc, unsigned extra) {
    const bool yes = condition(x.f, cc);
    if (yes) x.tick(extra);
    return yes;
}
VANDOR_EXEC_INLINE void pairStep(uint8_t& high, uint8_t& low, int delta) {
    const auto v = static_cast<uint16_t>(pair(high, low) + delta);
    high = static_cast<uint8_t>(v >> 8);
    low = static_cast<uint8_t>(v);
}
template <class X>
VANDOR_EXEC_INLINE void push(X& x, uint8_t high, uint8_t low) {
    x.store(--x.sp, high);
    x.store(--x.sp, low);
}
template <class X>
VANDOR_EXEC_INLINE void pop(X& x, uint8_t& high, uint8_t& low) {
    low = x.load(x.sp++);
    high = x.load(x.sp++);
}
template <class X>
VANDOR_EXEC_INLINE void call(X& x, uint16_t target) {
    push(x, static_cast<uint8_t>(x.pc >> 8), static_cast<uint8_t>(x.pc));
    x.pc = target;
}
template <class X>
VANDOR_EXEC_INLINE void ret(X& x) {
    uint8_t high, low;
    pop(x, high, low);
    x.pc = pair(high, low);
}
template <class X>
VANDOR_EXEC_INLINE void shld(X& x, uint16_t to) {
    x.store(to, x.l);
    x.store(static_cast<uint16_t>(to + 1), x.h);
}
template <class X>
VANDOR_EXEC_INLINE void lhld(X& x, uint16_t from) {
    x.l = x.load(from);
    x.h = x.load(static_cast<uint16_t>(from + 1));
}
// INR M and DCR M work on a copy of the byte, which is then written back.
template <class X>
VANDOR_EXEC_INLINE void incrementM(X& x, bool up) {
    const uint16_t address = addressHL(x);
    uint8_t v = x.load(address);
    if (up) inr(v, x.f); else dcr(v, x.f);
    x.store(address, v);
}
template <class X>
VANDOR_EXEC_INLINE void xthl(X& x) {
    const uint8_t oldH = x.h, oldL = x.l;
    const auto above = static_cast<uint16_t>(x.sp + 1);
    x.l = x.load(x.sp);
    x.h = x.load(above);
    x.store(above, oldH);
    x.store(x.sp, oldL);
}
template <class X>
VANDOR_EXEC_INLINE void xchg(X& x) {
    const uint8_t d = x.d, e = x.e;
    x.d = x.h;
    x.e = x.l;
    x.h = d;
    x.l = e;
}

// One instruction at x.pc. kInterrupt: supplied by an interrupting device, PC is not advanced first.
template <bool kInterrupt, class X>
VANDOR_EXEC_INLINE void executeInstruction(X& x) {
    const uint16_t at = x.pc;
    const uint8_t op = x.mem[at];
    x.tick(kTStates[op]);
    // PC moves past the instruction before it acts: every jump, call and RST uses it as the return address.
    auto adv = [&](int length) __attribute__((always_inline)) {
        if constexpr (!kInterrupt) x.pc = static_cast<uint16_t>(at + length);
    };
    auto w = [&]() __attribute__((always_inline)) { return operandWord(x.mem, at); };
    auto hl = [&]() __attribute__((always_inline)) { return addressHL(x); };

    switch (op) {
    case 0x00: adv(1); break;                                                             // NOP
    case 0x01: adv(3); x.b = x.mem[at + 2]; x.c = x.mem[at + 1]; break;                   // LXI B
    case 0x02: adv(1); x.store(pair(x.b, x.c), x.a); break;                               // STAX B
    case 0x03: adv(1); pairStep(x.b, x.c, 1); break;                                      // INX B
    case 0x04: adv(1); inr(x.b, x.f); break;                                              // INR B
    case 0x05: adv(1); dcr(x.b, x.f); break;                                              // DCR B
    case 0x06: adv(2); x.b = x.mem[at + 1]; break;                                        // MVI B
    case 0x07: adv(1); rlc(x.a, x.f); break;                                              // RLC
    case 0x08: adv(1); break;                                                             // no instruction
    case 0x09: adv(1); dad(x.h, x.l, pair(x.b, x.c), x.f); break;                         // DAD B
    case 0x0A: adv(1); x.a = x.load(pair(x.b, x.c)); break;                               // LDAX B
    case 0x0B: adv(1); pairStep(x.b, x.c, -1); break;                                     // DCX B
    case 0x0C: adv(1); inr(x.c, x.f); break;                                              // INR C
    case 0x0D: adv(1); dcr(x.c, x.f); break;                                              // DCR C
    case 0x0E: adv(2); x.c = x.mem[at + 1]; break;                                        // MVI C
    case 0x0F: adv(1); rrc(x.a, x.f); break;                                              // RRC
    case 0x10: adv(1); break;                                                             // no instruction
    case 0x11: adv(3); x.d = x.mem[at + 2]; x.e = x.mem[at + 1]; break;                   // LXI D
    case 0x12: adv(1); x.store(pair(x.d, x.e), x.a); break;                               // STAX D
    case 0x13: adv(1); pairStep(x.d, x.e, 1); break;                                      // INX D
    case 0x14: adv(1); inr(x.d, x.f); break;                                              // INR D
    case 0x15: adv(1); dcr(x.d, x.f); break;                                              // DCR D
    case 0x16: adv(2); x.d = x.mem[at + 1]; break;                                        // MVI D
    case 0x17: adv(1); ral(x.a, x.f); break;                                              // RAL
    case 0x18: adv(1); break;                                                             // no instruction
    case 0x19: adv(1); dad(x.h, x.l, pair(x.d, x.e), x.f); break;                         // DAD D
    case 0x1A: adv(1); x.a = x.load(pair(x.d, x.e)); break;                               // LDAX D
    case 0x1B: adv(1); pairStep(x.d, x.e, -1); break;                                     // DCX D
    case 0x1C: adv(1); inr(x.e, x.f); break;                                              // INR E
    case 0x1D: adv(1); dcr(x.e, x.f); break;                                              // DCR E
    case 0x1E: adv(2); x.e = x.mem[at + 1]; break;                                        // MVI E
    case 0x1F: adv(1); rar(x.a, x.f); break;                                              // RAR
    case 0x20: adv(1); x.a = rim(x.m); break;                                             // RIM
    case 0x21: adv(3); x.h = x.mem[at + 2]; x.l = x.mem[at + 1]; break;                   // LXI H
    case 0x22: adv(3); shld(x, w()); break;                                                  // SHLD
    case 0x23: adv(1); pairStep(x.h, x.l, 1); break;                                      // INX H
    case 0x24: adv(1); inr(x.h, x.f); break;                                              // INR H
    case 0x25: adv(1); dcr(x.h, x.f); break;                                              // DCR H
    case 0x26: adv(2); x.h = x.mem[at + 1]; break;                                        // MVI H
    case 0x27: adv(1); x.a = daa(x.a, x.f); break;                                        // DAA
    case 0x28: adv(1); break;                                                             // no instruction
    case 0x29: adv(1); dad(x.h, x.l, pair(x.h, x.l), x.f); break;                         // DAD H
    case 0x2A: adv(3); lhld(x, w()); break;                                                  // LHLD
    case 0x2B: adv(1); pairStep(x.h, x.l, -1); break;                                     // DCX H
    case 0x2C: adv(1); inr(x.l, x.f); break;                                              // INR L
    case 0x2D: adv(1); dcr(x.l, x.f); break;                                              // DCR L
    case 0x2E: adv(2); x.l = x.mem[at + 1]; break;                                        // MVI L
    case 0x2F: adv(1); x.a = static_cast<uint8_t>(~x.a); break;                           // CMA
    case 0x30: adv(1); sim(x.m, x.a); x.interruptStateChanged(); break;                   // SIM
    case 0x31: adv(3); x.sp = w(); break;                                                 // LXI SP
    case 0x32: adv(3); x.store(w(), x.a); break;                                          // STA
    case 0x33: adv(1); ++x.sp; break;                                                     // INX SP
    case 0x34: adv(1); incrementM(x, true); break;                                           // INR M
    case 0x35: adv(1); incrementM(x, false); break;                                          // DCR M
    case 0x36: adv(2); x.store(hl(), x.mem[at + 1]); break;                               // MVI M
    case 0x37: adv(1); x.f |= kFlagCY; break;                                             // STC
    case 0x38: adv(1); break;                                                             // no instruction
    case 0x39: adv(1); dad(x.h, x.l, x.sp, x.f); break;                                   // DAD SP
    case 0x3A: adv(3); x.a = x.load(w()); break;                                          // LDA
    case 0x3B: adv(1); --x.sp; break;                                                     // DCX SP
    case 0x3C: adv(1); inr(x.a, x.f); break;                                              // INR A
    case 0x3D: adv(1); dcr(x.a, x.f); break;                                              // DCR A
    case 0x3E: adv(2); x.a = x.mem[at + 1]; break;                                        // MVI A
    case 0x3F: adv(1); x.f ^= kFlagCY; break;                                             // CMC
    case 0x40: adv(1); x.b = x.b; break;                                                  // MOV B,B
    case 0x41: adv(1); x.b = x.c; break;                                                  // MOV B,C
    case 0x42: adv(1); x.b = x.d; break;                                                  // MOV B,D
    case 0x43: adv(1); x.b = x.e; break;                                                  // MOV B,E
    case 0x44: adv(1); x.b = x.h; break;                                                  // MOV B,H
    case 0x45: adv(1); x.b = x.l; break;                                                  // MOV B,L
    case 0x46: adv(1); x.b = x.load(hl()); break;                                         // MOV B,M
    case 0x47: adv(1); x.b = x.a; break;                                                  // MOV B,A
    case 0x48: adv(1); x.c = x.b; break;                                                  // MOV C,B
    case 0x49: adv(1); x.c = x.c; break;                                                  // MOV C,C
    case 0x4A: adv(1); x.c = x.d; break;                                                  // MOV C,D
    case 0x4B: adv(1); x.c = x.e; break;                                                  // MOV C,E
    case 0x4C: adv(1); x.c = x.h; break;                                                  // MOV C,H
    case 0x4D: adv(1); x.c = x.l; break;                                                  // MOV C,L
    case 0x4E: adv(1); x.c = x.load(hl()); break;                                         // MOV C,M
    case 0x4F: adv(1); x.c = x.a; break;                                                  // MOV C,A
    case 0x50: adv(1); x.d = x.b; break;                                                  // MOV D,B
    case 0x51: adv(1); x.d = x.c; break;                                                  // MOV D,C
    case 0x52: adv(1); x.d = x.d; break;                                                  // MOV D,D
    case 0x53: adv(1); x.d = x.e; break;                                                  // MOV D,E
    case 0x54: adv(1); x.d = x.h; break;                                                  // MOV D,H
    case 0x55: adv(1); x.d = x.l; break;                                                  // MOV D,L
    case 0x56: adv(1); x.d = x.load(hl()); break;                                         // MOV D,M
    case 0x57: adv(1); x.d = x.a; break;                                                  // MOV D,A
    case 0x58: adv(1); x.e = x.b; break;                                                  // MOV E,B
    case 0x59: adv(1); x.e = x.c; break;                                                  // MOV E,C
    case 0x5A: adv(1); x.e = x.d; break;                                                  // MOV E,D
    case 0x5B: adv(1); x.e = x.e; break;                                                  // MOV E,E
    case 0x5C: adv(1); x.e = x.h; break;                                                  // MOV E,H
    case 0x5D: adv(1); x.e = x.l; break;                                                  // MOV E,L
    case 0x5E: adv(1); x.e = x.load(hl()); break;                                         // MOV E,M
    case 0x5F: adv(1); x.e = x.a; break;                                                  // MOV E,A
    case 0x60: adv(1); x.h = x.b; break;                                                  // MOV H,B
    case 0x61: adv(1); x.h = x.c; break;                                                  // MOV H,C
    case 0x62: adv(1); x.h = x.d; break;                                                  // MOV H,D
    case 0x63: adv(1); x.h = x.e; break;                                                  // MOV H,E
    case 0x64: adv(1); x.h = x.h; break;                                                  // MOV H,H
    case 0x65: adv(1); x.h = x.l; break;                                                  // MOV H,L
    case 0x66: adv(1); x.h = x.load(hl()); break;                                         // MOV H,M
    case 0x67: adv(1); x.h = x.a; break;                                                  // MOV H,A
    case 0x68: adv(1); x.l = x.b; break;                                                  // MOV L,B
    case 0x69: adv(1); x.l = x.c; break;                                                  // MOV L,C
    case 0x6A: adv(1); x.l = x.d; break;                                                  // MOV L,D
    case 0x6B: adv(1); x.l = x.e; break;                                                  // MOV L,E
    case 0x6C: adv(1); x.l = x.h; break;                                                  // MOV L,H
    case 0x6D: adv(1); x.l = x.l; break;                                                  // MOV L,L
    case 0x6E: adv(1); x.l = x.load(hl()); break;                                         // MOV L,M
    case 0x6F: adv(1); x.l = x.a; break;                                                  // MOV L,A
    case 0x70: adv(1); x.store(hl(), x.b); break;                                         // MOV M,B
    case 0x71: adv(1); x.store(hl(), x.c); break;                                         // MOV M,C
    case 0x72: adv(1); x.store(hl(), x.d); break;                                         // MOV M,D
    case 0x73: adv(1); x.store(hl(), x.e); break;                                         // MOV M,E
    case 0x74: adv(1); x.store(hl(), x.h); break;                                         // MOV M,H
    case 0x75: adv(1); x.store(hl(), x.l); break;                                         // MOV M,L
    case 0x76: adv(1); x.halt(); break;                                                   // HLT
    case 0x77: adv(1); x.store(hl(), x.a); break;                                         // MOV M,A
    case 0x78: adv(1); x.a = x.b; break;                                                  // MOV A,B
    case 0x79: adv(1); x.a = x.c; break;                                                  // MOV A,C
    case 0x7A: adv(1); x.a = x.d; break;                                                  // MOV A,D
    case 0x7B: adv(1); x.a = x.e; break;                                                  // MOV A,E
    case 0x7C: adv(1); x.a = x.h; break;                                                  // MOV A,H
    case 0x7D: adv(1); x.a = x.l; break;                                                  // MOV A,L
    case 0x7E: adv(1); x.a = x.load(hl()); break;                                         // MOV A,M
    case 0x7F: adv(1); x.a = x.a; break;                                                  // MOV A,A
    case 0x80: adv(1); x.a = add(x.a, x.b, x.f); break;                                   // ADD B
    case 0x81: adv(1); x.a = add(x.a, x.c, x.f); break;                                   // ADD C
    case 0x82: adv(1); x.a = add(x.a, x.d, x.f); break;                                   // ADD D
    case 0x83: adv(1); x.a = add(x.a, x.e, x.f); break;                                   // ADD E
    case 0x84: adv(1); x.a = add(x.a, x.h, x.f); break;                                   // ADD H
    case 0x85: adv(1); x.a = add(x.a, x.l, x.f); break;                                   // ADD L
    case 0x86: adv(1); x.a = add(x.a, x.load(hl()), x.f); break;                          // ADD M
    case 0x87: adv(1); x.a = add(x.a, x.a, x.f); break;                                   // ADD A
    case 0x88: adv(1); x.a = adc(x.a, x.b, x.f); break;                                   // ADC B
    case 0x89: adv(1); x.a = adc(x.a, x.c, x.f); break;                                   // ADC C
    case 0x8A: adv(1); x.a = adc(x.a, x.d, x.f); break;                                   // ADC D
    case 0x8B: adv(1); x.a = adc(x.a, x.e, x.f); break;                                   // ADC E
    case 0x8C: adv(1); x.a = adc(x.a, x.h, x.f); break;                                   // ADC H
    case 0x8D: adv(1); x.a = adc(x.a, x.l, x.f); break;                                   // ADC L
    case 0x8E: adv(1); x.a = adc(x.a, x.load(hl()), x.f); break;                          // ADC M
    case 0x8F: adv(1); x.a = adc(x.a, x.a, x.f); break;                                   // ADC A
    case 0x90: adv(1); x.a = sub(x.a, x.b, x.f); break;                                   // SUB B
    case 0x91: adv(1); x.a = sub(x.a, x.c, x.f); break;                                   // SUB C
    case 0x92: adv(1); x.a = sub(x.a, x.d, x.f); break;                                   // SUB D
    case 0x93: adv(1); x.a = sub(x.a, x.e, x.f); break;                                   // SUB E
    case 0x94: adv(1); x.a = sub(x.a, x.h, x.f); break;                                   // SUB H
    case 0x95: adv(1); x.a = sub(x.a, x.l, x.f); break;                                   // SUB L
    case 0x96: adv(1); x.a = sub(x.a, x.load(hl()), x.f); break;                          // SUB M
    case 0x97: adv(1); x.a = sub(x.a, x.a, x.f); break;                                   // SUB A
    case 0x98: adv(1); x.a = sbb(x.a, x.b, x.f); break;                                   // SBB B
    case 0x99: adv(1); x.a = sbb(x.a, x.c, x.f); break;                                   // SBB C
    case 0x9A: adv(1); x.a = sbb(x.a, x.d, x.f); break;                                   // SBB D
    case 0x9B: adv(1); x.a = sbb(x.a, x.e, x.f); break;                                   // SBB E
    case 0x9C: adv(1); x.a = sbb(x.a, x.h, x.f); break;                                   // SBB H
    case 0x9D: adv(1); x.a = sbb(x.a, x.l, x.f); break;                                   // SBB L
    case 0x9E: adv(1); x.a = sbb(x.a, x.load(hl()), x.f); break;                          // SBB M
    case 0x9F: adv(1); x.a = sbb(x.a, x.a, x.f); break;                                   // SBB A
    case 0xA0: adv(1); x.a = ana(x.a, x.b, x.f); break;                                   // ANA B
    case 0xA1: adv(1); x.a = ana(x.a, x.c, x.f); break;                                   // ANA C
    case 0xA2: adv(1); x.a = ana(x.a, x.d, x.f); break;                                   // ANA D
    case 0xA3: adv(1); x.a = ana(x.a, x.e, x.f); break;                                   // ANA E
    case 0xA4: adv(1); x.a = ana(x.a, x.h, x.f); break;                                   // ANA H
    case 0xA5: adv(1); x.a = ana(x.a, x.l, x.f); break;                                   // ANA L
    case 0xA6: adv(1); x.a = ana(x.a, x.load(hl()), x.f); break;                          // ANA M
    case 0xA7: adv(1); x.a = ana(x.a, x.a, x.f); break;                                   // ANA A
    case 0xA8: adv(1); x.a = xra(x.a, x.b, x.f); break;                                   // XRA B
    case 0xA9: adv(1); x.a = xra(x.a, x.c, x.f); break;                                   // XRA C
    case 0xAA: adv(1); x.a = xra(x.a, x.d, x.f); break;                                   // XRA D
    case 0xAB: adv(1); x.a = xra(x.a, x.e, x.f); break;                                   // XRA E
    case 0xAC: adv(1); x.a = xra(x.a, x.h, x.f); break;                                   // XRA H
    case 0xAD: adv(1); x.a = xra(x.a, x.l, x.f); break;                                   // XRA L
    case 0xAE: adv(1); x.a = xra(x.a, x.load(hl()), x.f); break;                          // XRA M
    case 0xAF: adv(1); x.a = xra(x.a, x.a, x.f); break;                                   // XRA A
    case 0xB0: adv(1); x.a = ora(x.a, x.b, x.f); break;                                   // ORA B
    case 0xB1: adv(1); x.a = ora(x.a, x.c, x.f); break;                                   // ORA C
    case 0xB2: adv(1); x.a = ora(x.a, x.d, x.f); break;                                   // ORA D
    case 0xB3: adv(1); x.a = ora(x.a, x.e, x.f); break;                                   // ORA E
    case 0xB4: adv(1); x.a = ora(x.a, x.h, x.f); break;                                   // ORA H
    case 0xB5: adv(1); x.a = ora(x.a, x.l, x.f); break;                                   // ORA L
    case 0xB6: adv(1); x.a = ora(x.a, x.load(hl()), x.f); break;                          // ORA M
    case 0xB7: adv(1); x.a = ora(x.a, x.a, x.f); break;                                   // ORA A
    case 0xB8: adv(1); cmp(x.a, x.b, x.f); break;                                         // CMP B
    case 0xB9: adv(1); cmp(x.a, x.c, x.f); break;                                         // CMP C
    case 0xBA: adv(1); cmp(x.a, x.d, x.f); break;                                         // CMP D
    case 0xBB: adv(1); cmp(x.a, x.e, x.f); break;                                         // CMP E
    case 0xBC: adv(1); cmp(x.a, x.h, x.f); break;                                         // CMP H
    case 0xBD: adv(1); cmp(x.a, x.l, x.f); break;                                         // CMP L
    case 0xBE: adv(1); cmp(x.a, x.load(hl()), x.f); break;                                // CMP M
    case 0xBF: adv(1); cmp(x.a, x.a, x.f); break;                                         // CMP A
    case 0xC0: adv(1); if (taken(x, 0, 6)) ret(x); break;                                     // RNZ
    case 0xC1: adv(1); pop(x, x.b, x.c); break;                                              // POP B
    case 0xC2: adv(3); if (taken(x, 0, 3)) x.pc = w(); break;                                // JNZ
    case 0xC3: adv(3); x.pc = w(); break;                                                 // JMP
    case 0xC4: adv(3); if (taken(x, 0, 9)) call(x, w()); break;                                 // CNZ
    case 0xC5: adv(1); push(x, x.b, x.c); break;                                             // PUSH B
    case 0xC6: adv(2); x.a = add(x.a, x.mem[at + 1], x.f); break;                         // ADI
    case 0xC7: adv(1); call(x, 0x0000); break;                                               // RST 0
    case 0xC8: adv(1); if (taken(x, 1, 6)) ret(x); break;                                     // RZ
    case 0xC9: adv(1); ret(x); break;                                                      // RET
    case 0xCA: adv(3); if (taken(x, 1, 3)) x.pc = w(); break;                                // JZ
    case 0xCB: adv(1); break;                                                             // no instruction
    case 0xCC: adv(3); if (taken(x, 1, 9)) call(x, w()); break;                                 // CZ
    case 0xCD: adv(3); call(x, w()); break;                                                  // CALL
    case 0xCE: adv(2); x.a = adc(x.a, x.mem[at + 1], x.f); break;                         // ACI
    case 0xCF: adv(1); call(x, 0x0008); break;                                               // RST 1
    case 0xD0: adv(1); if (taken(x, 2, 6)) ret(x); break;                                     // RNC
    case 0xD1: adv(1); pop(x, x.d, x.e); break;                                              // POP D
    case 0xD2: adv(3); if (taken(x, 2, 3)) x.pc = w(); break;                                // JNC
    case 0xD3: adv(2); x.output(x.mem[at + 1], x.a); break;                               // OUT
    case 0xD4: adv(3); if (taken(x, 2, 9)) call(x, w()); break;                                 // CNC
    case 0xD5: adv(1); push(x, x.d, x.e); break;                                             // PUSH D
    case 0xD6: adv(2); x.a = sub(x.a, x.mem[at + 1], x.f); break;                         // SUI
    case 0xD7: adv(1); call(x, 0x0010); break;                                               // RST 2
    case 0xD8: adv(1); if (taken(x, 3, 6)) ret(x); break;                                     // RC
    case 0xD9: adv(1); break;                                                             // no instruction
    case 0xDA: adv(3); if (taken(x, 3, 3)) x.pc = w(); break;                                // JC
    case 0xDB: adv(2); x.a = x.input(x.mem[at + 1]); break;                               // IN
    case 0xDC: adv(3); if (taken(x, 3, 9)) call(x, w()); break;                                 // CC
    case 0xDD: adv(1); break;                                                             // no instruction
    case 0xDE: adv(2); x.a = sbb(x.a, x.mem[at + 1], x.f); break;                         // SBI
    case 0xDF: adv(1); call(x, 0x0018); break;                                               // RST 3
    case 0xE0: adv(1); if (taken(x, 4, 6)) ret(x); break;                                     // RPO
    case 0xE1: adv(1); pop(x, x.h, x.l); break;                                              // POP H
    case 0xE2: adv(3); if (taken(x, 4, 3)) x.pc = w(); break;                                // JPO
    case 0xE3: adv(1); xthl(x); break;                                                     // XTHL
    case 0xE4: adv(3); if (taken(x, 4, 9)) call(x, w()); break;                                 // CPO
    case 0xE5: adv(1); push(x, x.h, x.l); break;                                             // PUSH H
    case 0xE6: adv(2); x.a = ana(x.a, x.mem[at + 1], x.f); break;                         // ANI
    case 0xE7: adv(1); call(x, 0x0020); break;                                               // RST 4
    case 0xE8: adv(1); if (taken(x, 5, 6)) ret(x); break;                                     // RPE
    case 0xE9: adv(1); x.pc = hl(); break;                                                // PCHL
    case 0xEA: adv(3); if (taken(x, 5, 3)) x.pc = w(); break;                                // JPE
    case 0xEB: adv(1); xchg(x); break;                                                     // XCHG
    case 0xEC: adv(3); if (taken(x, 5, 9)) call(x, w()); break;                                 // CPE
    case 0xED: adv(1); break;                                                             // no instruction
    case 0xEE: adv(2); x.a = xra(x.a, x.mem[at + 1], x.f); break;                         // XRI
    case 0xEF: adv(1); call(x, 0x0028); break;                                               // RST 5
    case 0xF0: adv(1); if (taken(x, 6, 6)) ret(x); break;                                     // RP
    case 0xF1: adv(1); pop(x, x.a, x.f); break;                                              // POP PSW: all eight bits of F
    case 0xF2: adv(3); if (taken(x, 6, 3)) x.pc = w(); break;                                // JP
    case 0xF3: adv(1); x.m.ie = false; x.interruptStateChanged(); break;                  // DI
    case 0xF4: adv(3); if (taken(x, 6, 9)) call(x, w()); break;                                 // CP
    case 0xF5: adv(1); push(x, x.a, x.f); break;                                             // PUSH PSW
    case 0xF6: adv(2); x.a = ora(x.a, x.mem[at + 1], x.f); break;                         // ORI
    case 0xF7: adv(1); call(x, 0x0030); break;                                               // RST 6
    case 0xF8: adv(1); if (taken(x, 7, 6)) ret(x); break;                                     // RM
    case 0xF9: adv(1); x.sp = hl(); break;                                                // SPHL
    case 0xFA: adv(3); if (taken(x, 7, 3)) x.pc = w(); break;                                // JM
    case 0xFB: adv(1); x.m.ie = true; x.interruptStateChanged(); break;                   // EI
    case 0xFC: adv(3); if (taken(x, 7, 9)) call(x, w()); break;                                 // CM
    case 0xFD: adv(1); break;                                                             // no instruction
    case 0xFE: adv(2); cmp(x.a, x.mem[at + 1], x.f); break;                               // CPI
    case 0xFF: adv(1); call(x, 0x0038); break;                                               // RST 7
    }
}

#undef VANDOR_EXEC_INLINE

}  // namespace vandor::executor
