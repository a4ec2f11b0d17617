#include "machine/data_access.h"

#include <array>

#include "machine/executor.h"

namespace vandor {
namespace {

enum class Kind : uint8_t {
    None,
    ReadM, WriteM, ReadWriteM,   // the byte at HL
    ReadBC, ReadDE, WriteBC, WriteDE,
    ReadWord, WriteWord,         // LDA, STA
    ReadWordPair, WriteWordPair, // LHLD, SHLD: the operand and the byte after it
    Pop, PopIfTaken,             // POP, RET; Rcc
    Push, PushIfTaken,           // PUSH, CALL, RST; Ccc
    Exchange,                    // XTHL
    In, Out,
};

constexpr std::array<Kind, 256> kKinds = [] {
    std::array<Kind, 256> k{};
    for (int op = 0x40; op <= 0x7F; ++op) {
        if (op == 0x76) continue;                      // HLT
        if ((op & 7) == 6) k[op] = Kind::ReadM;        // MOV r,M
        else if ((op & 0x38) == 0x30) k[op] = Kind::WriteM;  // MOV M,r
    }
    for (int op = 0x86; op <= 0xBE; op += 8) k[op] = Kind::ReadM;  // ADD M .. CMP M
    k[0x34] = k[0x35] = Kind::ReadWriteM;              // INR M, DCR M
    k[0x36] = Kind::WriteM;                            // MVI M
    k[0x0A] = Kind::ReadBC;
    k[0x1A] = Kind::ReadDE;
    k[0x02] = Kind::WriteBC;
    k[0x12] = Kind::WriteDE;
    k[0x3A] = Kind::ReadWord;
    k[0x32] = Kind::WriteWord;
    k[0x2A] = Kind::ReadWordPair;
    k[0x22] = Kind::WriteWordPair;
    for (int op : {0xC1, 0xD1, 0xE1, 0xF1, 0xC9}) k[op] = Kind::Pop;
    for (int op : {0xC5, 0xD5, 0xE5, 0xF5, 0xCD}) k[op] = Kind::Push;
    for (int cc = 0; cc < 8; ++cc) {
        k[0xC0 | cc << 3] = Kind::PopIfTaken;          // Rcc
        k[0xC4 | cc << 3] = Kind::PushIfTaken;         // Ccc
        k[0xC7 | cc << 3] = Kind::Push;                // RST n
    }
    k[0xE3] = Kind::Exchange;
    k[0xDB] = Kind::In;
    k[0xD3] = Kind::Out;
    return k;
}();

}  // namespace

StepAccesses dataAccesses(const Machine& m, uint8_t op, uint8_t low, uint8_t high) {
    StepAccesses acc;
    auto add = [&acc](uint16_t address, bool write, bool port = false) {
        acc.cells[acc.count++] = {address, port, write};
    };
    const uint16_t word = static_cast<uint16_t>(high << 8 | low);
    const uint16_t hl = m.addressHL();
    const uint16_t sp = m.sp;
    const bool taken = executor::condition(m.f, (op >> 3) & 7);
    switch (kKinds[op]) {
    case Kind::None: break;
    case Kind::ReadM: add(hl, false); break;
    case Kind::WriteM: add(hl, true); break;
    case Kind::ReadWriteM: add(hl, false); add(hl, true); break;
    case Kind::ReadBC: add(static_cast<uint16_t>(m.b << 8 | m.c), false); break;
    case Kind::ReadDE: add(static_cast<uint16_t>(m.d << 8 | m.e), false); break;
    case Kind::WriteBC: add(static_cast<uint16_t>(m.b << 8 | m.c), true); break;
    case Kind::WriteDE: add(static_cast<uint16_t>(m.d << 8 | m.e), true); break;
    case Kind::ReadWord: add(word, false); break;
    case Kind::WriteWord: add(word, true); break;
    case Kind::ReadWordPair: add(word, false); add(static_cast<uint16_t>(word + 1), false); break;
    case Kind::WriteWordPair: add(word, true); add(static_cast<uint16_t>(word + 1), true); break;
    case Kind::PopIfTaken:
        if (!taken) break;
        [[fallthrough]];
    case Kind::Pop: add(sp, false); add(static_cast<uint16_t>(sp + 1), false); break;
    case Kind::PushIfTaken:
        if (!taken) break;
        [[fallthrough]];
    case Kind::Push: add(static_cast<uint16_t>(sp - 1), true); add(static_cast<uint16_t>(sp - 2), true); break;
    case Kind::Exchange:
        add(sp, false);
        add(static_cast<uint16_t>(sp + 1), false);
        add(static_cast<uint16_t>(sp + 1), true);
        add(sp, true);
        break;
    case Kind::In: add(low, false, true); break;
    case Kind::Out: add(low, true, true); break;
    }
    return acc;
}

StepAccesses dataAccesses(const Machine& m) {
    return dataAccesses(m, m.mem[m.pc], m.mem[m.pc + 1], m.mem[m.pc + 2]);
}

}  // namespace vandor
