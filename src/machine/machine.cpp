#include "machine/machine.h"

#include "common/opcodes.h"

namespace vandor {
namespace {

// Even parity by weights, usable at compile time to build the S/Z/P table.
constexpr bool evenParity(uint8_t dato) {
    int count = 0;
    int x = dato;
    for (int weight = 128; weight >= 1; weight /= 2) {
        if (x >= weight) {
            ++count;
            x -= weight;
        }
    }
    return count % 2 == 0;
}

// S, Z and P of every byte, so a flag-setting operation costs one table read.
constexpr std::array<uint8_t, 256> kSignZeroParity = [] {
    std::array<uint8_t, 256> table{};
    for (int x = 0; x < 256; ++x) {
        uint8_t bits = 0;
        if (x == 0) bits |= kFlagZ;
        if (x & 0x80) bits |= kFlagS;
        if (evenParity(static_cast<uint8_t>(x))) bits |= kFlagP;
        table[static_cast<size_t>(x)] = bits;
    }
    return table;
}();

constexpr uint8_t low(uint8_t x) { return x & 0x0F; }

}  // namespace

uint8_t Machine::flags(uint8_t dato) {
    return kSignZeroParity[dato];
}

void Machine::resetState() {
    a = b = c = d = e = f = h = l = 0;
    bc = de = hl = psw = pc = sp = 0;
    ie = false;
    m55 = m65 = m75 = true;
    rst75Latch = false;
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

uint8_t Machine::OPADD(uint8_t dato) {
    const int s = a + dato;
    const uint8_t result = static_cast<uint8_t>(s);
    f = static_cast<uint8_t>((low(a) + low(dato) >= 16 ? kFlagAC : 0) | (s > 255 ? kFlagCY : 0) | flags(result));
    return result;
}

uint8_t Machine::OPADC(uint8_t dato) {
    const int carry = f & kFlagCY;
    const int s = a + dato + carry;
    const uint8_t result = static_cast<uint8_t>(s);
    f = static_cast<uint8_t>((low(a) + low(dato) + carry >= 16 ? kFlagAC : 0) | (s > 255 ? kFlagCY : 0) |
                             flags(result));
    return result;
}

uint8_t Machine::OPSUB(uint8_t dato) {
    const int diff = a - dato;
    const uint8_t result = static_cast<uint8_t>(diff);
    // AC is the inverse of a borrow out of the low nibble.
    f = static_cast<uint8_t>((low(a) >= low(dato) ? kFlagAC : 0) | (diff < 0 ? kFlagCY : 0) | flags(result));
    return result;
}

uint8_t Machine::OPSBB(uint8_t dato) {
    const int borrow = f & kFlagCY;
    const int diff = a - dato - borrow;
    const uint8_t result = static_cast<uint8_t>(diff);
    f = static_cast<uint8_t>((low(a) - low(dato) - borrow >= 0 ? kFlagAC : 0) | (diff < 0 ? kFlagCY : 0) |
                             flags(result));
    return result;
}

uint8_t Machine::OPAND(uint8_t dato) {
    const uint8_t result = a & dato;
    f = static_cast<uint8_t>(kFlagAC | flags(result));
    return result;
}

uint8_t Machine::OPOR(uint8_t dato) {
    const uint8_t result = a | dato;
    f = flags(result);
    return result;
}

uint8_t Machine::OPXOR(uint8_t dato) {
    const uint8_t result = a ^ dato;
    f = flags(result);
    return result;
}

void Machine::OPCMP(uint8_t dato) {
    const int diff = a - dato;
    f = static_cast<uint8_t>((low(a) >= low(dato) ? kFlagAC : 0) | (diff < 0 ? kFlagCY : 0) |
                             flags(static_cast<uint8_t>(diff)));
}

void Machine::OPINR(uint8_t& dato) {
    const uint8_t ac = low(dato) == 0x0F ? kFlagAC : 0;
    ++dato;
    f = static_cast<uint8_t>((f & kFlagCY) | ac | flags(dato));
}

void Machine::OPDCR(uint8_t& dato) {
    const uint8_t ac = low(dato) != 0 ? kFlagAC : 0;
    --dato;
    f = static_cast<uint8_t>((f & kFlagCY) | ac | flags(dato));
}

void Machine::OPDAD(uint16_t dato) {
    const uint32_t sum = static_cast<uint32_t>(h << 8 | l) + dato;
    f = static_cast<uint8_t>((f & ~kFlagCY) | (sum > 0xFFFF ? kFlagCY : 0));
    setHL(static_cast<uint16_t>(sum));
}

uint8_t Machine::OPDAA() {
    int lo = low(a);
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
    f = static_cast<uint8_t>((f & ~(kFlagS | kFlagZ | kFlagP)) | flags(result));
    return result;
}

void Machine::OPRIM() {
    a = static_cast<uint8_t>((m55 ? 0x01 : 0) | (m65 ? 0x02 : 0) | (m75 ? 0x04 : 0) | (ie ? 0x08 : 0) |
                             (rst75Latch ? 0x40 : 0) | (sid ? 0x80 : 0));
}

void Machine::OPSIM() {
    if (a & 0x40) sod = (a & 0x80) != 0;
    if (a & 0x08) {
        m55 = (a & 0x01) != 0;
        m65 = (a & 0x02) != 0;
        m75 = (a & 0x04) != 0;
    }
    if (a & 0x10) rst75Latch = false;
}

void Machine::EjecutaPASO(bool interrupcion) {
    const uint8_t op = mem[pc];
    const uint8_t b2 = mem[pc + 1];
    const uint16_t w = static_cast<uint16_t>(mem[pc + 2] << 8 | b2);
    if (!interrupcion) pc = static_cast<uint16_t>(pc + opcodeLength(op));

    auto hlAddress = [this] { return addressHL(); };
    auto condition = [this](int cc) -> bool {
        switch (cc) {
        case 0: return !(f & kFlagZ);
        case 1: return f & kFlagZ;
        case 2: return !(f & kFlagCY);
        case 3: return f & kFlagCY;
        case 4: return !(f & kFlagP);
        case 5: return f & kFlagP;
        case 6: return !(f & kFlagS);
        default: return f & kFlagS;
        }
    };
    auto inrMemory = [this, &hlAddress](bool increment) {
        const uint16_t address = hlAddress();
        uint8_t copy = mem[address];
        if (increment) OPINR(copy); else OPDCR(copy);
        savmem(address, copy);
    };
    auto push = [this](uint8_t high, uint8_t low) {
        OPDCX(sp);
        savmem(sp, high);
        OPDCX(sp);
        savmem(sp, low);
    };
    auto pop = [this](uint8_t& high, uint8_t& low) {
        low = mem[sp];
        OPINX(sp);
        high = mem[sp];
        OPINX(sp);
    };
    auto pairInc = [](uint8_t& high, uint8_t& low, int delta) {
        const auto pair = static_cast<uint16_t>((high << 8 | low) + delta);
        high = static_cast<uint8_t>(pair >> 8);
        low = static_cast<uint8_t>(pair);
    };

    switch (op) {
    case 0x00: break;                                                     // NOP
    case 0x08: case 0x10: case 0x18: case 0x28: case 0x38:                // no instruction
    case 0xCB: case 0xD9: case 0xDD: case 0xED: case 0xFD: break;

    case 0x01: b = w >> 8; c = w & 0xFF; break;                           // LXI B
    case 0x11: d = w >> 8; e = w & 0xFF; break;                           // LXI D
    case 0x21: h = w >> 8; l = w & 0xFF; break;                           // LXI H
    case 0x31: sp = w; break;                                             // LXI SP

    case 0x02: savmem(static_cast<uint16_t>(b << 8 | c), a); break;       // STAX B
    case 0x12: savmem(static_cast<uint16_t>(d << 8 | e), a); break;       // STAX D
    case 0x0A: a = mem[static_cast<uint16_t>(b << 8 | c)]; break;         // LDAX B
    case 0x1A: a = mem[static_cast<uint16_t>(d << 8 | e)]; break;         // LDAX D

    case 0x22: {                                                          // SHLD
        uint16_t address = w;
        savmem(address, l);
        OPINX(address);
        savmem(address, h);
        break;
    }
    case 0x2A: {                                                          // LHLD
        uint16_t address = w;
        l = mem[address];
        OPINX(address);
        h = mem[address];
        break;
    }
    case 0x32: savmem(w, a); break;                                       // STA
    case 0x3A: a = mem[w]; break;                                         // LDA

    case 0x03: pairInc(b, c, 1); break;                                   // INX B
    case 0x13: pairInc(d, e, 1); break;                                   // INX D
    case 0x23: pairInc(h, l, 1); break;                                   // INX H
    case 0x33: OPINX(sp); break;                                          // INX SP
    case 0x0B: pairInc(b, c, -1); break;                                  // DCX B
    case 0x1B: pairInc(d, e, -1); break;                                  // DCX D
    case 0x2B: pairInc(h, l, -1); break;                                  // DCX H
    case 0x3B: OPDCX(sp); break;                                          // DCX SP

    case 0x09: OPDAD(static_cast<uint16_t>(b << 8 | c)); break;           // DAD B
    case 0x19: OPDAD(static_cast<uint16_t>(d << 8 | e)); break;           // DAD D
    case 0x29: OPDAD(static_cast<uint16_t>(h << 8 | l)); break;           // DAD H
    case 0x39: OPDAD(sp); break;                                          // DAD SP

    case 0x04: OPINR(b); break;                                           // INR B
    case 0x0C: OPINR(c); break;                                           // INR C
    case 0x14: OPINR(d); break;                                           // INR D
    case 0x1C: OPINR(e); break;                                           // INR E
    case 0x24: OPINR(h); break;                                           // INR H
    case 0x2C: OPINR(l); break;                                           // INR L
    case 0x34: inrMemory(true); break;                                    // INR M
    case 0x3C: OPINR(a); break;                                           // INR A
    case 0x05: OPDCR(b); break;                                           // DCR B
    case 0x0D: OPDCR(c); break;                                           // DCR C
    case 0x15: OPDCR(d); break;                                           // DCR D
    case 0x1D: OPDCR(e); break;                                           // DCR E
    case 0x25: OPDCR(h); break;                                           // DCR H
    case 0x2D: OPDCR(l); break;                                           // DCR L
    case 0x35: inrMemory(false); break;                                   // DCR M
    case 0x3D: OPDCR(a); break;                                           // DCR A

    case 0x06: b = b2; break;                                             // MVI B
    case 0x0E: c = b2; break;                                             // MVI C
    case 0x16: d = b2; break;                                             // MVI D
    case 0x1E: e = b2; break;                                             // MVI E
    case 0x26: h = b2; break;                                             // MVI H
    case 0x2E: l = b2; break;                                             // MVI L
    case 0x36: savmem(hlAddress(), b2); break;                            // MVI M
    case 0x3E: a = b2; break;                                             // MVI A

    case 0x07: {                                                          // RLC
        const int carry = a >> 7;
        a = static_cast<uint8_t>(a << 1 | carry);
        f = static_cast<uint8_t>((f & ~kFlagCY) | carry);
        break;
    }
    case 0x0F: {                                                          // RRC
        const int carry = a & 1;
        a = static_cast<uint8_t>(a >> 1 | carry << 7);
        f = static_cast<uint8_t>((f & ~kFlagCY) | carry);
        break;
    }
    case 0x17: {                                                          // RAL
        const int oldCarry = f & kFlagCY;
        const int carry = a >> 7;
        a = static_cast<uint8_t>(a << 1 | oldCarry);
        f = static_cast<uint8_t>((f & ~kFlagCY) | carry);
        break;
    }
    case 0x1F: {                                                          // RAR
        const int oldCarry = f & kFlagCY;
        const int carry = a & 1;
        a = static_cast<uint8_t>(a >> 1 | oldCarry << 7);
        f = static_cast<uint8_t>((f & ~kFlagCY) | carry);
        break;
    }
    case 0x20: OPRIM(); break;                                            // RIM
    case 0x30: OPSIM(); break;                                            // SIM
    case 0x27: a = OPDAA(); break;                                        // DAA
    case 0x2F: a = static_cast<uint8_t>(a ^ 0xFF); break;                 // CMA
    case 0x37: f |= kFlagCY; break;                                       // STC
    case 0x3F: f ^= kFlagCY; break;                                       // CMC

    case 0x76:                                                            // HLT
        // The handler performs the way out (reset, an interrupt) before the step ends.
        if (haltHandler) haltHandler->halted();
        break;

    case 0x40: b = b; break;                                              // MOV B,B
    case 0x41: b = c; break;                                              // MOV B,C
    case 0x42: b = d; break;                                              // MOV B,D
    case 0x43: b = e; break;                                              // MOV B,E
    case 0x44: b = h; break;                                              // MOV B,H
    case 0x45: b = l; break;                                              // MOV B,L
    case 0x46: b = mem[hlAddress()]; break;                               // MOV B,M
    case 0x47: b = a; break;                                              // MOV B,A
    case 0x48: c = b; break;                                              // MOV C,B
    case 0x49: c = c; break;                                              // MOV C,C
    case 0x4A: c = d; break;                                              // MOV C,D
    case 0x4B: c = e; break;                                              // MOV C,E
    case 0x4C: c = h; break;                                              // MOV C,H
    case 0x4D: c = l; break;                                              // MOV C,L
    case 0x4E: c = mem[hlAddress()]; break;                               // MOV C,M
    case 0x4F: c = a; break;                                              // MOV C,A
    case 0x50: d = b; break;                                              // MOV D,B
    case 0x51: d = c; break;                                              // MOV D,C
    case 0x52: d = d; break;                                              // MOV D,D
    case 0x53: d = e; break;                                              // MOV D,E
    case 0x54: d = h; break;                                              // MOV D,H
    case 0x55: d = l; break;                                              // MOV D,L
    case 0x56: d = mem[hlAddress()]; break;                               // MOV D,M
    case 0x57: d = a; break;                                              // MOV D,A
    case 0x58: e = b; break;                                              // MOV E,B
    case 0x59: e = c; break;                                              // MOV E,C
    case 0x5A: e = d; break;                                              // MOV E,D
    case 0x5B: e = e; break;                                              // MOV E,E
    case 0x5C: e = h; break;                                              // MOV E,H
    case 0x5D: e = l; break;                                              // MOV E,L
    case 0x5E: e = mem[hlAddress()]; break;                               // MOV E,M
    case 0x5F: e = a; break;                                              // MOV E,A
    case 0x60: h = b; break;                                              // MOV H,B
    case 0x61: h = c; break;                                              // MOV H,C
    case 0x62: h = d; break;                                              // MOV H,D
    case 0x63: h = e; break;                                              // MOV H,E
    case 0x64: h = h; break;                                              // MOV H,H
    case 0x65: h = l; break;                                              // MOV H,L
    case 0x66: h = mem[hlAddress()]; break;                               // MOV H,M
    case 0x67: h = a; break;                                              // MOV H,A
    case 0x68: l = b; break;                                              // MOV L,B
    case 0x69: l = c; break;                                              // MOV L,C
    case 0x6A: l = d; break;                                              // MOV L,D
    case 0x6B: l = e; break;                                              // MOV L,E
    case 0x6C: l = h; break;                                              // MOV L,H
    case 0x6D: l = l; break;                                              // MOV L,L
    case 0x6E: l = mem[hlAddress()]; break;                               // MOV L,M
    case 0x6F: l = a; break;                                              // MOV L,A
    case 0x70: savmem(hlAddress(), b); break;                             // MOV M,B
    case 0x71: savmem(hlAddress(), c); break;                             // MOV M,C
    case 0x72: savmem(hlAddress(), d); break;                             // MOV M,D
    case 0x73: savmem(hlAddress(), e); break;                             // MOV M,E
    case 0x74: savmem(hlAddress(), h); break;                             // MOV M,H
    case 0x75: savmem(hlAddress(), l); break;                             // MOV M,L
    case 0x77: savmem(hlAddress(), a); break;                             // MOV M,A
    case 0x78: a = b; break;                                              // MOV A,B
    case 0x79: a = c; break;                                              // MOV A,C
    case 0x7A: a = d; break;                                              // MOV A,D
    case 0x7B: a = e; break;                                              // MOV A,E
    case 0x7C: a = h; break;                                              // MOV A,H
    case 0x7D: a = l; break;                                              // MOV A,L
    case 0x7E: a = mem[hlAddress()]; break;                               // MOV A,M
    case 0x7F: a = a; break;                                              // MOV A,A

    case 0x80: a = OPADD(b); break;                                       // ADD B
    case 0x81: a = OPADD(c); break;                                       // ADD C
    case 0x82: a = OPADD(d); break;                                       // ADD D
    case 0x83: a = OPADD(e); break;                                       // ADD E
    case 0x84: a = OPADD(h); break;                                       // ADD H
    case 0x85: a = OPADD(l); break;                                       // ADD L
    case 0x86: a = OPADD(mem[hlAddress()]); break;                        // ADD M
    case 0x87: a = OPADD(a); break;                                       // ADD A
    case 0x88: a = OPADC(b); break;                                       // ADC B
    case 0x89: a = OPADC(c); break;                                       // ADC C
    case 0x8A: a = OPADC(d); break;                                       // ADC D
    case 0x8B: a = OPADC(e); break;                                       // ADC E
    case 0x8C: a = OPADC(h); break;                                       // ADC H
    case 0x8D: a = OPADC(l); break;                                       // ADC L
    case 0x8E: a = OPADC(mem[hlAddress()]); break;                        // ADC M
    case 0x8F: a = OPADC(a); break;                                       // ADC A
    case 0x90: a = OPSUB(b); break;                                       // SUB B
    case 0x91: a = OPSUB(c); break;                                       // SUB C
    case 0x92: a = OPSUB(d); break;                                       // SUB D
    case 0x93: a = OPSUB(e); break;                                       // SUB E
    case 0x94: a = OPSUB(h); break;                                       // SUB H
    case 0x95: a = OPSUB(l); break;                                       // SUB L
    case 0x96: a = OPSUB(mem[hlAddress()]); break;                        // SUB M
    case 0x97: a = OPSUB(a); break;                                       // SUB A
    case 0x98: a = OPSBB(b); break;                                       // SBB B
    case 0x99: a = OPSBB(c); break;                                       // SBB C
    case 0x9A: a = OPSBB(d); break;                                       // SBB D
    case 0x9B: a = OPSBB(e); break;                                       // SBB E
    case 0x9C: a = OPSBB(h); break;                                       // SBB H
    case 0x9D: a = OPSBB(l); break;                                       // SBB L
    case 0x9E: a = OPSBB(mem[hlAddress()]); break;                        // SBB M
    case 0x9F: a = OPSBB(a); break;                                       // SBB A
    case 0xA0: a = OPAND(b); break;                                       // ANA B
    case 0xA1: a = OPAND(c); break;                                       // ANA C
    case 0xA2: a = OPAND(d); break;                                       // ANA D
    case 0xA3: a = OPAND(e); break;                                       // ANA E
    case 0xA4: a = OPAND(h); break;                                       // ANA H
    case 0xA5: a = OPAND(l); break;                                       // ANA L
    case 0xA6: a = OPAND(mem[hlAddress()]); break;                        // ANA M
    case 0xA7: a = OPAND(a); break;                                       // ANA A
    case 0xA8: a = OPXOR(b); break;                                       // XRA B
    case 0xA9: a = OPXOR(c); break;                                       // XRA C
    case 0xAA: a = OPXOR(d); break;                                       // XRA D
    case 0xAB: a = OPXOR(e); break;                                       // XRA E
    case 0xAC: a = OPXOR(h); break;                                       // XRA H
    case 0xAD: a = OPXOR(l); break;                                       // XRA L
    case 0xAE: a = OPXOR(mem[hlAddress()]); break;                        // XRA M
    case 0xAF: a = OPXOR(a); break;                                       // XRA A
    case 0xB0: a = OPOR(b); break;                                        // ORA B
    case 0xB1: a = OPOR(c); break;                                        // ORA C
    case 0xB2: a = OPOR(d); break;                                        // ORA D
    case 0xB3: a = OPOR(e); break;                                        // ORA E
    case 0xB4: a = OPOR(h); break;                                        // ORA H
    case 0xB5: a = OPOR(l); break;                                        // ORA L
    case 0xB6: a = OPOR(mem[hlAddress()]); break;                         // ORA M
    case 0xB7: a = OPOR(a); break;                                        // ORA A
    case 0xB8: OPCMP(b); break;                                           // CMP B
    case 0xB9: OPCMP(c); break;                                           // CMP C
    case 0xBA: OPCMP(d); break;                                           // CMP D
    case 0xBB: OPCMP(e); break;                                           // CMP E
    case 0xBC: OPCMP(h); break;                                           // CMP H
    case 0xBD: OPCMP(l); break;                                           // CMP L
    case 0xBE: OPCMP(mem[hlAddress()]); break;                            // CMP M
    case 0xBF: OPCMP(a); break;                                           // CMP A

    case 0xC6: a = OPADD(b2); break;                                      // ADI
    case 0xCE: a = OPADC(b2); break;                                      // ACI
    case 0xD6: a = OPSUB(b2); break;                                      // SUI
    case 0xDE: a = OPSBB(b2); break;                                      // SBI
    case 0xE6: a = OPAND(b2); break;                                      // ANI
    case 0xEE: a = OPXOR(b2); break;                                      // XRI
    case 0xF6: a = OPOR(b2); break;                                       // ORI
    case 0xFE: OPCMP(b2); break;                                          // CPI

    case 0xC3: pc = w; break;                                             // JMP
    case 0xC2: if (condition(0)) pc = w; break;                           // JNZ
    case 0xCA: if (condition(1)) pc = w; break;                           // JZ
    case 0xD2: if (condition(2)) pc = w; break;                           // JNC
    case 0xDA: if (condition(3)) pc = w; break;                           // JC
    case 0xE2: if (condition(4)) pc = w; break;                           // JPO
    case 0xEA: if (condition(5)) pc = w; break;                           // JPE
    case 0xF2: if (condition(6)) pc = w; break;                           // JP
    case 0xFA: if (condition(7)) pc = w; break;                           // JM
    case 0xCD: OPCALL(w); break;                                          // CALL
    case 0xC4: if (condition(0)) OPCALL(w); break;                        // CNZ
    case 0xCC: if (condition(1)) OPCALL(w); break;                        // CZ
    case 0xD4: if (condition(2)) OPCALL(w); break;                        // CNC
    case 0xDC: if (condition(3)) OPCALL(w); break;                        // CC
    case 0xE4: if (condition(4)) OPCALL(w); break;                        // CPO
    case 0xEC: if (condition(5)) OPCALL(w); break;                        // CPE
    case 0xF4: if (condition(6)) OPCALL(w); break;                        // CP
    case 0xFC: if (condition(7)) OPCALL(w); break;                        // CM
    case 0xC9: OPRET(); break;                                            // RET
    case 0xC0: if (condition(0)) OPRET(); break;                          // RNZ
    case 0xC8: if (condition(1)) OPRET(); break;                          // RZ
    case 0xD0: if (condition(2)) OPRET(); break;                          // RNC
    case 0xD8: if (condition(3)) OPRET(); break;                          // RC
    case 0xE0: if (condition(4)) OPRET(); break;                          // RPO
    case 0xE8: if (condition(5)) OPRET(); break;                          // RPE
    case 0xF0: if (condition(6)) OPRET(); break;                          // RP
    case 0xF8: if (condition(7)) OPRET(); break;                          // RM
    case 0xC7: OPCALL(0x0000); break;                                     // RST 0
    case 0xCF: OPCALL(0x0008); break;                                     // RST 1
    case 0xD7: OPCALL(0x0010); break;                                     // RST 2
    case 0xDF: OPCALL(0x0018); break;                                     // RST 3
    case 0xE7: OPCALL(0x0020); break;                                     // RST 4
    case 0xEF: OPCALL(0x0028); break;                                     // RST 5
    case 0xF7: OPCALL(0x0030); break;                                     // RST 6
    case 0xFF: OPCALL(0x0038); break;                                     // RST 7

    case 0xC5: push(b, c); break;                                         // PUSH B
    case 0xD5: push(d, e); break;                                         // PUSH D
    case 0xE5: push(h, l); break;                                         // PUSH H
    case 0xF5: push(a, f); break;                                         // PUSH PSW
    case 0xC1: pop(b, c); break;                                          // POP B
    case 0xD1: pop(d, e); break;                                          // POP D
    case 0xE1: pop(h, l); break;                                          // POP H
    case 0xF1: pop(a, f); break;                                          // POP PSW (all eight bits of F)

    case 0xE3: {                                                          // XTHL
        const uint8_t oldH = h, oldL = l;
        uint16_t above = sp;
        OPINX(above);
        l = mem[sp];
        h = mem[above];
        savmem(above, oldH);
        savmem(sp, oldL);
        break;
    }
    case 0xEB: {                                                          // XCHG
        const uint8_t oldD = d, oldE = e;
        d = h; e = l;
        h = oldD; l = oldE;
        break;
    }
    case 0xE9: pc = hlAddress(); break;                                   // PCHL
    case 0xF9: sp = hlAddress(); break;                                   // SPHL
    case 0xDB: a = ports[b2]; break;                                      // IN
    case 0xD3: savport(b2, a); break;                                     // OUT
    case 0xF3: ie = false; break;                                         // DI
    case 0xFB: ie = true; break;                                          // EI
    default: break;
    }
    recomputePairs();
}

}  // namespace vandor
