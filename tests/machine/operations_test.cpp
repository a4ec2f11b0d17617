// Flag rules of the arithmetic and logical operations: the worked examples, which bits survive each
// operation, every input of the byte operations against a plain re-statement of the rules, and the
// decimal adjust against answers worked out by hand and against decimal arithmetic.
#include <gtest/gtest.h>

#include <bit>

#include "machine/machine.h"

namespace vandor {
namespace {

constexpr uint8_t S = kFlagS, Z = kFlagZ, AC = kFlagAC, P = kFlagP, CY = kFlagCY;

enum class Op { ADD, ADC, SUB, SBB, ANA, ORA, XRA, CMP, INR, DCR };

struct ByteCase {
    Op op;
    uint8_t a, f, operand;
    uint8_t result, flags;
};

uint8_t apply(Machine& m, Op op, uint8_t x) {
    switch (op) {
    case Op::ADD: return m.OPADD(x);
    case Op::ADC: return m.OPADC(x);
    case Op::SUB: return m.OPSUB(x);
    case Op::SBB: return m.OPSBB(x);
    case Op::ANA: return m.OPAND(x);
    case Op::ORA: return m.OPOR(x);
    case Op::XRA: return m.OPXOR(x);
    case Op::CMP: m.OPCMP(x); return m.a;
    case Op::INR: m.OPINR(x); return x;
    case Op::DCR: m.OPDCR(x); return x;
    }
    return 0;
}

TEST(Operations, WorkedExamples) {
    const ByteCase cases[] = {
        {Op::ADD, 0x0F, 0, 0x01, 0x10, AC},
        {Op::ADD, 0xFF, 0, 0x01, 0x00, AC | CY | Z | P},
        {Op::ADC, 0x0E, CY, 0x01, 0x10, AC},
        {Op::SUB, 0x10, 0, 0x01, 0x0F, P},
        {Op::SUB, 0x00, 0, 0x01, 0xFF, CY | S | P},
        {Op::SUB, 0x05, 0, 0x05, 0x00, Z | P | AC},
        {Op::SBB, 0x05, CY, 0x04, 0x00, Z | P | AC},
        {Op::CMP, 0x05, 0, 0x06, 0x05, CY | S | P},  // A unchanged, F as SUB
        {Op::ANA, 0xF0, CY, 0x0F, 0x00, AC | Z | P},
        {Op::ORA, 0x01, CY | AC, 0x02, 0x03, P},
        {Op::XRA, 0xFF, CY | AC, 0x0F, 0xF0, S | P},
        {Op::INR, 0, CY, 0xFF, 0x00, Z | AC | P | CY},
        {Op::DCR, 0, CY, 0x00, 0xFF, S | P | CY},
        {Op::DCR, 0, 0, 0x10, 0x0F, P},
    };
    for (const ByteCase& c : cases) {
        Machine m;
        m.a = c.a;
        m.f = c.f;
        EXPECT_EQ(apply(m, c.op, c.operand), c.result) << int(c.op) << " " << int(c.a) << "," << int(c.operand);
        EXPECT_EQ(m.f, c.flags) << int(c.op) << " " << int(c.a) << "," << int(c.operand);
    }
}

TEST(Operations, DadSetsOnlyCarry) {
    Machine m;
    m.setHL(0xFFFF);
    m.f = 0;
    m.OPDAD(0x0001);
    EXPECT_EQ(m.hl, 0x0000);
    EXPECT_EQ(m.h, 0);
    EXPECT_EQ(m.f, CY);  // Z not set by DAD
    m.f = Z | S | 0x2A | CY;
    m.OPDAD(0x1000);
    EXPECT_EQ(m.hl, 0x1000);
    EXPECT_EQ(m.f, Z | S | 0x2A);
}

TEST(Operations, ParityAndFlagsTable) {
    for (int x = 0; x < 256; ++x) {
        const auto v = static_cast<uint8_t>(x);
        const uint8_t want = (x == 0 ? Z : 0) | (x & 0x80 ? S : 0) | (std::popcount(v) % 2 == 0 ? P : 0);
        EXPECT_EQ(Machine::flags(v), want);
    }
}

// The rules once more, written out directly, to compare every input with.
uint8_t szp(int r) {
    r &= 0xFF;
    return static_cast<uint8_t>((r == 0 ? Z : 0) | (r >= 128 ? S : 0) | (std::popcount(unsigned(r)) % 2 ? 0 : P));
}

struct Expected {
    uint8_t result, flags;
};

Expected reference(Op op, int a, int x, int f) {
    const int cy = f & 1;
    const int lo = a % 16, xlo = x % 16;
    auto sum = [&](int carry) {
        const int s = a + x + carry;
        return Expected{uint8_t(s % 256), uint8_t((lo + xlo + carry >= 16 ? AC : 0) | (s > 255 ? CY : 0) | szp(s))};
    };
    auto diff = [&](int borrow) {
        const int d = a - x - borrow;
        return Expected{uint8_t((d + 256) % 256),
                        uint8_t((lo - xlo - borrow >= 0 ? AC : 0) | (d < 0 ? CY : 0) | szp(d + 256))};
    };
    if (op == Op::ADD) return sum(0);
    if (op == Op::ADC) return sum(cy);
    if (op == Op::SUB) return diff(0);
    if (op == Op::SBB) return diff(cy);
    if (op == Op::CMP) return {uint8_t(a), diff(0).flags};
    if (op == Op::INR) return {uint8_t((x + 1) % 256), uint8_t(cy | (xlo == 15 ? AC : 0) | szp(x + 1))};
    return {uint8_t((x + 255) % 256), uint8_t(cy | (xlo != 0 ? AC : 0) | szp(x + 255))};  // DCR
}

TEST(Operations, EveryInputAgreesWithTheRules) {
    Machine m;
    for (const Op op : {Op::ADD, Op::ADC, Op::SUB, Op::SBB, Op::CMP, Op::INR, Op::DCR}) {
        int failures = 0;
        for (int a = 0; a < 256 && failures < 5; ++a) {
            for (int x = 0; x < 256 && failures < 5; ++x) {
                // CY in and out, and junk in the flag-less bits that must be dropped or kept.
                for (const int f : {0x00, 0x01, 0xFE, 0xFF, 0x10, 0x2B}) {
                    m.a = uint8_t(a);
                    m.f = uint8_t(f);
                    const uint8_t got = apply(m, op, uint8_t(x));
                    const Expected want = reference(op, a, x, f);
                    if (got != want.result || m.f != want.flags) {
                        ADD_FAILURE() << int(op) << " a=" << a << " x=" << x << " f=" << f << ": got " << int(got) << "/"
                                      << int(m.f) << ", want " << int(want.result) << "/" << int(want.flags);
                        ++failures;
                    }
                }
            }
        }
    }
}

struct DaaCase {
    uint8_t a, f;
    uint8_t result, flags;
};

// Each answer worked out by hand from the adjustment rule: the low digit first (a carry into the high
// digit only when the low digit itself passed 9), then the high digit; CY set, never cleared; S, Z and P
// from the result; AC and the flag-less bits kept.
TEST(Operations, DecimalAdjustKnownAnswers) {
    const DaaCase cases[] = {
        {0x9A, 0, 0x00, CY | Z | P},            // both digits pass 9
        {0xFA, 0, 0x60, CY | P},                // high digit F, then 16 after the low digit's carry
        {0x15, AC, 0x1B, AC | P},               // AC alone: six added to the low digit, nothing carried
        {0x19, AC, 0x1F, AC},
        {0x93, AC, 0x99, AC | S | P},
        {0x9A, AC, 0x00, AC | CY | Z | P},      // AC and a low digit past 9
        {0x00, 0, 0x00, Z | P},
        {0x09, 0, 0x09, P},
        {0x0A, 0, 0x10, 0},                     // the low digit's carry makes the high digit 1
        {0x99, 0, 0x99, S | P},                 // already decimal
        {0x99, CY, 0xF9, S | P | CY},           // CY adds six to the high digit even when it is 9
        {0x9F, 0, 0x05, CY | P},                // the carry takes the high digit from 9 to 10
        {0xA0, 0, 0x00, CY | Z | P},
        {0xF0, 0, 0x50, CY | P},
        {0xFF, AC | CY, 0x65, AC | CY | P},
        {0x01, CY | 0x2A, 0x61, CY | 0x2A},     // bits 5, 3 and 1 survive
        {0x01, S | Z | P, 0x01, 0},             // S, Z and P are cleared as well as set
        {0x7D, 0, 0x83, S},                     // after ADD 38 + 45
        {0x42, AC, 0x48, AC | P},               // after ADD 29 + 19 (AC from 9 + 9)
        {0x32, AC | CY, 0x98, S | AC | CY},     // after ADD 99 + 99 (binary 132)
    };
    for (const DaaCase& c : cases) {
        Machine m;
        m.a = c.a;
        m.f = c.f;
        EXPECT_EQ(m.OPDAA(), c.result) << std::hex << int(c.a) << " f=" << int(c.f);
        EXPECT_EQ(m.f, c.flags) << std::hex << int(c.a) << " f=" << int(c.f);
    }
}

// What DAA is for: two-digit decimal numbers added in binary (ADD, or ADC with a carry in) and adjusted
// give their decimal sum, with CY as the hundreds. The oracle is decimal arithmetic.
TEST(Operations, DecimalAdjustAfterAdditionGivesTheDecimalSum) {
    auto bcd = [](int n) { return static_cast<uint8_t>(n / 10 * 16 + n % 10); };
    Machine m;
    int failures = 0;
    for (int x = 0; x < 100 && failures < 5; ++x) {
        for (int y = 0; y < 100 && failures < 5; ++y) {
            for (const int carry : {0, 1}) {
                m.a = bcd(x);
                m.f = carry ? CY : 0;
                m.a = carry ? m.OPADC(bcd(y)) : m.OPADD(bcd(y));
                const uint8_t got = m.OPDAA();
                const int sum = x + y + carry;
                if (got != bcd(sum % 100) || ((m.f & CY) != 0) != (sum >= 100) || ((m.f & Z) != 0) != (sum % 100 == 0)) {
                    ADD_FAILURE() << x << " + " << y << " + " << carry << ": got " << std::hex << int(got) << " f=" << int(m.f);
                    ++failures;
                }
            }
        }
    }
}

TEST(Operations, RimAndSim) {
    Machine m;
    m.resetState();
    m.OPRIM();
    EXPECT_EQ(m.a, 0x07);
    m.sid = true;
    m.OPRIM();
    EXPECT_EQ(m.a, 0x87);
    m.ie = true;
    m.rst75Latch = true;
    m.OPRIM();
    EXPECT_EQ(m.a, 0xCF);

    struct SimCase {
        uint8_t a;
        bool m55, m65, m75, latch, sod;
    };
    const SimCase cases[] = {
        {0x18, false, false, false, false, false},  // unmask all, clear the latch
        {0x07, true, true, true, true, false},      // bit 3 clear: masks unchanged
        {0x0A, false, true, false, true, false},
        {0xC0, true, true, true, true, true},       // SOD from bit 7
        {0x80, true, true, true, true, false},      // bit 6 clear: SOD unchanged
    };
    for (const SimCase& c : cases) {
        m.resetState();
        m.rst75Latch = true;
        m.sod = false;
        m.a = c.a;
        m.f = 0x5A;
        m.OPSIM();
        EXPECT_EQ(m.m55, c.m55) << int(c.a);
        EXPECT_EQ(m.m65, c.m65) << int(c.a);
        EXPECT_EQ(m.m75, c.m75) << int(c.a);
        EXPECT_EQ(m.rst75Latch, c.latch) << int(c.a);
        EXPECT_EQ(m.sod, c.sod) << int(c.a);
        EXPECT_EQ(m.a, c.a);
        EXPECT_EQ(m.f, 0x5A);
    }
}

}  // namespace
}  // namespace vandor
