// The flag explanations: every operand pair (and carry in) of ADD, ADC, SUB, SBB and CMP read back from
// the text and checked against the flags the executor really set and against the arithmetic done here
// independently; the other kinds of instruction by worked cases; the trace rows' explanations.
#include <gtest/gtest.h>

#include <bit>
#include <optional>
#include <string>
#include <string_view>

#include "machine/flag_explanation.h"
#include "machine/simulator.h"

namespace vandor {
namespace {

int hexValue(std::string_view text) {
    int value = 0;
    for (char ch : text) {
        const int d = hexDigitValue(ch);
        if (d < 0) return -1;
        value = value * 16 + d;
    }
    return text.empty() ? -1 : value;
}

// What a text says, read back without knowing how it was made.
struct Reading {
    int first = -1, second = -1, carryIn = -1, result = -1;
    char sign = 0;  // '+' or '-'
    bool compareNote = false;
    std::string flagPart;

    // The value written after "NAME=" (the names are preceded by ": " or ", ").
    int flag(std::string_view name) const {
        for (std::string_view lead : {": ", ", "}) {
            const std::string key = std::string(lead) + std::string(name) + "=";
            const size_t at = (": " + flagPart).find(key);
            if (at != std::string::npos) return (": " + flagPart)[at + key.size()] - '0';
        }
        return -1;
    }
    // The text in parentheses right after "NAME=v", or nullopt when there is none.
    std::optional<std::string> reason(std::string_view name) const {
        const std::string whole = ": " + flagPart;
        for (std::string_view lead : {": ", ", "}) {
            const size_t at = whole.find(std::string(lead) + std::string(name) + "=");
            if (at == std::string::npos) continue;
            const size_t after = at + lead.size() + name.size() + 2;
            if (whole.compare(after, 2, " (") != 0) return std::nullopt;
            return whole.substr(after + 2, whole.find(')', after) - after - 2);
        }
        return std::nullopt;
    }
};

// "XX op YY [op c] = RR[ (A no cambia)]: flags"
std::optional<Reading> read(const std::string& text) {
    Reading r;
    const size_t colon = text.find(": ");
    if (colon == std::string::npos) return std::nullopt;
    std::string formula = text.substr(0, colon);
    r.flagPart = text.substr(colon + 2);
    const std::string note = " (A no cambia)";
    if (formula.ends_with(note)) {
        r.compareNote = true;
        formula.resize(formula.size() - note.size());
    }
    // Tokens separated by blanks.
    std::vector<std::string> t;
    for (size_t i = 0; i < formula.size();) {
        const size_t end = std::min(formula.find(' ', i), formula.size());
        t.push_back(formula.substr(i, end - i));
        i = end + 1;
    }
    if (t.size() != 5 && t.size() != 7) return std::nullopt;
    if (t[1] != "+" && t[1] != "-") return std::nullopt;
    r.sign = t[1][0];
    r.first = hexValue(t[0]);
    r.second = hexValue(t[2]);
    if (t.size() == 7) {
        if (t[3] != t[1]) return std::nullopt;
        r.carryIn = hexValue(t[4]);
    }
    if (t[t.size() - 2] != "=") return std::nullopt;
    r.result = hexValue(t.back());
    return r;
}

enum class Op { ADD, ADC, SUB, SBB, CMP };

// Reads "x < y[ + c]" or "x ≥ y[ + c]" after a prefix; the two sides as numbers, and which relation.
struct Comparison {
    int left = -1, right = -1, carry = -1;
    bool less = false;
};
std::optional<Comparison> comparison(const std::string& text, std::string_view prefix) {
    if (!text.starts_with(prefix)) return std::nullopt;
    std::string rest = text.substr(prefix.size());
    Comparison c;
    size_t op = rest.find(" < ");
    size_t width = 3;
    c.less = op != std::string::npos;
    if (!c.less) {
        op = rest.find(" ≥ ");
        width = std::string_view(" ≥ ").size();
    }
    if (op == std::string::npos) return std::nullopt;
    c.left = hexValue(rest.substr(0, op));
    std::string right = rest.substr(op + width);
    const size_t plus = right.find(" + ");
    if (plus != std::string::npos) {
        c.carry = hexValue(right.substr(plus + 3));
        right.resize(plus);
    }
    c.right = hexValue(right);
    return c;
}

TEST(FlagExplanation, TheIssuesExample) {
    Simulator sim;
    sim.setRegister(Register::A, 0x0F);
    sim.setRegister(Register::B, 0x01);
    sim.setMemory(0, 0x80);  // ADD B
    const StepRegisters before = stepRegisters(sim.m);
    const InstructionBytes ins = instructionAt(sim.m, 0);
    sim.step();
    EXPECT_EQ(explainFlags(ins, before, stepRegisters(sim.m)),
              "0F + 01 = 10: S=0 (bit 7 a 0), Z=0, AC=1 (acarreo del bit 3 al 4), P=0 (número impar de unos), CY=0");
}

// Every operand pair, and both carries in for ADC and SBB, executed by the machine and explained; the text
// must agree with the flags set and with the arithmetic done here.
TEST(FlagExplanation, EveryOperandPairOfTheAdditionsAndSubtractions) {
    static constexpr uint8_t kOpcodes[] = {0x80, 0x88, 0x90, 0x98, 0xB8};  // ADD B, ADC B, SUB B, SBB B, CMP B
    int checked = 0;
    Machine m;
    for (int kind = 0; kind < 5; ++kind) {
        const Op op = static_cast<Op>(kind);
        const bool withCarry = op == Op::ADC || op == Op::SBB;
        const bool subtract = op == Op::SUB || op == Op::SBB || op == Op::CMP;
        for (int cin = 0; cin <= (withCarry ? 1 : 0); ++cin) {
            for (int a = 0; a < 256; ++a) {
                for (int x = 0; x < 256; ++x) {
                    m.pc = 0;
                    m.a = static_cast<uint8_t>(a);
                    m.b = static_cast<uint8_t>(x);
                    // Carry in from F, with the bits that no flag uses set too: they must not matter.
                    m.f = static_cast<uint8_t>(cin | 0x2A);
                    m.mem[0] = kOpcodes[kind];
                    const StepRegisters before = stepRegisters(m);
                    m.EjecutaPASO(false);
                    const std::string text = explainFlags({kOpcodes[kind], 0, 0}, before, stepRegisters(m));

                    const int sum = subtract ? a - x - cin : a + x + cin;
                    const int result = sum & 0xFF;
                    const auto where = [&] {
                        return text + " | a=" + std::to_string(a) + " x=" + std::to_string(x) +
                               " cin=" + std::to_string(cin) + " op=" + std::to_string(kind);
                    };
                    const auto r = read(text);
                    ASSERT_TRUE(r) << where();
                    // The numbers of the formula.
                    ASSERT_EQ(r->first, a) << where();
                    ASSERT_EQ(r->second, x) << where();
                    ASSERT_EQ(r->sign, subtract ? '-' : '+') << where();
                    ASSERT_EQ(r->carryIn, withCarry ? cin : -1) << where();
                    ASSERT_EQ(r->result, result) << where();
                    ASSERT_EQ(r->compareNote, op == Op::CMP) << where();
                    ASSERT_EQ(m.a, op == Op::CMP ? a : result) << where();

                    // Each flag as written, as set by the executor, as the arithmetic says.
                    const int s = result >> 7, z = result == 0, p = std::popcount(unsigned(result)) % 2 == 0;
                    const int cy = subtract ? sum < 0 : sum > 255;
                    const int lowSum = subtract ? (a & 15) - (x & 15) - cin : (a & 15) + (x & 15) + cin;
                    const int ac = subtract ? lowSum >= 0 : lowSum > 15;
                    const int expected[5] = {s, z, ac, p, cy};
                    const uint8_t masks[5] = {kFlagS, kFlagZ, kFlagAC, kFlagP, kFlagCY};
                    const char* names[5] = {"S", "Z", "AC", "P", "CY"};
                    for (int i = 0; i < 5; ++i) {
                        ASSERT_EQ(r->flag(names[i]), expected[i]) << names[i] << " " << where();
                        ASSERT_EQ((m.f & masks[i]) != 0, expected[i] != 0) << names[i] << " " << where();
                    }
                    ASSERT_EQ(m.f & 0x2A, 0) << where();

                    // The reasons.
                    ASSERT_EQ(r->reason("S"), "bit 7 a " + std::to_string(s)) << where();
                    ASSERT_EQ(r->reason("Z").has_value(), z == 1) << where();
                    ASSERT_EQ(r->reason("P"), p ? "número par de unos" : "número impar de unos") << where();
                    if (!subtract) {
                        ASSERT_EQ(r->reason("AC").has_value(), ac == 1) << where();
                        ASSERT_EQ(r->reason("CY").has_value(), cy == 1) << where();
                        continue;
                    }
                    // AC: the low nibbles compared, in the borrow reading.
                    const auto acWhy = r->reason("AC");
                    ASSERT_TRUE(acWhy) << where();
                    const auto nib = comparison(*acWhy, ac ? "sin préstamo del bit 4: " : "préstamo del bit 4: ");
                    ASSERT_TRUE(nib) << where();
                    ASSERT_EQ(nib->left, a & 15) << where();
                    ASSERT_EQ(nib->right, x & 15) << where();
                    ASSERT_EQ(nib->carry, withCarry ? cin : -1) << where();
                    ASSERT_EQ(nib->less, nib->left < nib->right + std::max(nib->carry, 0)) << where();
                    ASSERT_EQ(nib->less, ac == 0) << where();
                    // CY: explained by the whole bytes compared when there was a borrow.
                    const auto cyWhy = r->reason("CY");
                    ASSERT_EQ(cyWhy.has_value(), cy == 1) << where();
                    if (cy) {
                        const auto whole = comparison(*cyWhy, "préstamo: ");
                        ASSERT_TRUE(whole && whole->less) << where();
                        ASSERT_EQ(whole->left, a) << where();
                        ASSERT_EQ(whole->right, x) << where();
                        ASSERT_LT(whole->left, whole->right + std::max(whole->carry, 0)) << where();
                    }
                    ++checked;
                }
            }
        }
    }
    EXPECT_EQ(checked, 3 * 65536 + 65536);  // SUB, SBB twice, CMP
}

struct Worked {
    const char* what;
    std::initializer_list<uint8_t> program;  // at 0000
    uint8_t a, f, b, h, l, m;                // before; m is stored at HL
    uint16_t sp;
    const char* text;
};

TEST(FlagExplanation, WorkedCasesOfEveryKind) {
    const Worked cases[] = {
        {"ADI", {0xC6, 0x01}, 0xFF, 0, 0, 0, 0, 0, 0, "FF + 01 = 00: S=0 (bit 7 a 0), Z=1 (resultado 00), AC=1 (acarreo del bit 3 al 4), P=1 (número par de unos), CY=1 (acarreo del bit 7)"},
        {"ADC M", {0x8E}, 0x0E, 0x01, 0, 0x20, 0x00, 0x01, 0, "0E + 01 + 1 = 10: S=0 (bit 7 a 0), Z=0, AC=1 (acarreo del bit 3 al 4), P=0 (número impar de unos), CY=0"},
        {"SUB", {0x90}, 0x10, 0, 0x01, 0, 0, 0, 0, "10 - 01 = 0F: S=0 (bit 7 a 0), Z=0, AC=0 (préstamo del bit 4: 0 < 1), P=1 (número par de unos), CY=0"},
        {"SBI", {0xDE, 0x00}, 0x00, 0x01, 0, 0, 0, 0, 0, "00 - 00 - 1 = FF: S=1 (bit 7 a 1), Z=0, AC=0 (préstamo del bit 4: 0 < 0 + 1), P=1 (número par de unos), CY=1 (préstamo: 00 < 00 + 1)"},
        {"CPI", {0xFE, 0x05}, 0x05, 0, 0, 0, 0, 0, 0, "05 - 05 = 00 (A no cambia): S=0 (bit 7 a 0), Z=1 (resultado 00), AC=1 (sin préstamo del bit 4: 5 ≥ 5), P=1 (número par de unos), CY=0"},
        {"ANA", {0xA0}, 0xF0, 0x01, 0x0F, 0, 0, 0, 0, "F0 AND 0F = 00: S=0 (bit 7 a 0), Z=1 (resultado 00), AC=1 (siempre a 1 en AND), P=1 (número par de unos), CY=0 (siempre a 0 en AND)"},
        {"ORI", {0xF6, 0x02}, 0x01, 0x11, 0, 0, 0, 0, 0, "01 OR 02 = 03: S=0 (bit 7 a 0), Z=0, AC=0 (siempre a 0 en OR), P=1 (número par de unos), CY=0 (siempre a 0 en OR)"},
        {"XRA A", {0xAF}, 0x5A, 0x01, 0, 0, 0, 0, 0, "5A XOR 5A = 00: S=0 (bit 7 a 0), Z=1 (resultado 00), AC=0 (siempre a 0 en XOR), P=1 (número par de unos), CY=0 (siempre a 0 en XOR)"},
        {"INR A", {0x3C}, 0xFF, 0x01, 0, 0, 0, 0, 0, "FF + 1 = 00: S=0 (bit 7 a 0), Z=1 (resultado 00), AC=1 (acarreo del bit 3 al 4), P=1 (número par de unos), CY=1 (INR no lo cambia)"},
        {"DCR M", {0x35}, 0, 0, 0, 0x30, 0x00, 0x10, 0, "10 - 1 = 0F: S=0 (bit 7 a 0), Z=0, AC=0 (préstamo del bit 4: 0 < 1), P=1 (número par de unos), CY=0 (DCR no lo cambia)"},
        {"DCR B", {0x05}, 0, 0x01, 0x00, 0, 0, 0, 0, "00 - 1 = FF: S=1 (bit 7 a 1), Z=0, AC=0 (préstamo del bit 4: 0 < 1), P=1 (número par de unos), CY=1 (DCR no lo cambia)"},
        {"DAD H", {0x29}, 0, 0x44, 0, 0x80, 0x01, 0, 0, "8001 + 8001 = 0002: CY=1 (acarreo del bit 15); S, Z, AC y P no cambian"},
        {"DAD SP", {0x39}, 0, 0x01, 0, 0x12, 0x34, 0, 0x0001, "1234 + 0001 = 1235: CY=0; S, Z, AC y P no cambian"},
        {"DAA both", {0x27}, 0x9A, 0, 0, 0, 0, 0, 0, "DAA de 9A (AC=0, CY=0): bajo A > 9, +6 y lleva 1; alto A > 9, +6; queda 00: S=0 (bit 7 a 0), Z=1 (resultado 00), AC=0 (no cambia), P=1 (número par de unos), CY=1 (corrección alta)"},
        {"DAA AC", {0x27}, 0x15, 0x10, 0, 0, 0, 0, 0, "DAA de 15 (AC=1, CY=0): bajo con AC=1, +6 sin llevar; queda 1B: S=0 (bit 7 a 0), Z=0, AC=1 (no cambia), P=1 (número par de unos), CY=0 (sin corrección alta)"},
        {"DAA F+1", {0x27}, 0xFA, 0, 0, 0, 0, 0, 0, "DAA de FA (AC=0, CY=0): bajo A > 9, +6 y lleva 1; alto 10 > 9, +6; queda 60: S=0 (bit 7 a 0), Z=0, AC=0 (no cambia), P=1 (número par de unos), CY=1 (corrección alta)"},
        {"DAA CY", {0x27}, 0x12, 0x01, 0, 0, 0, 0, 0, "DAA de 12 (AC=0, CY=1): alto con CY=1, +6; queda 72: S=0 (bit 7 a 0), Z=0, AC=0 (no cambia), P=1 (número par de unos), CY=1 (corrección alta)"},
        {"DAA none", {0x27}, 0x45, 0, 0, 0, 0, 0, 0, "DAA de 45 (AC=0, CY=0): sin corrección; queda 45: S=0 (bit 7 a 0), Z=0, AC=0 (no cambia), P=0 (número impar de unos), CY=0 (sin corrección alta)"},
        {"RLC", {0x07}, 0x81, 0, 0, 0, 0, 0, 0, "RLC de 81 = 03: CY=1 (el bit 7 que sale); S, Z, AC y P no cambian"},
        {"RRC", {0x0F}, 0x02, 0x01, 0, 0, 0, 0, 0, "RRC de 02 = 01: CY=0 (el bit 0 que sale); S, Z, AC y P no cambian"},
        {"RAL", {0x17}, 0x81, 0, 0, 0, 0, 0, 0, "RAL de 81 con CY=0 = 02: CY=1 (el bit 7 que sale); S, Z, AC y P no cambian"},
        {"RAR", {0x1F}, 0x01, 0x01, 0, 0, 0, 0, 0, "RAR de 01 con CY=1 = 80: CY=1 (el bit 0 que sale); S, Z, AC y P no cambian"},
        {"STC", {0x37}, 0, 0, 0, 0, 0, 0, 0, "STC: CY=1; S, Z, AC y P no cambian"},
        {"CMC", {0x3F}, 0, 0x01, 0, 0, 0, 0, 0, "CMC: CY de 1 a 0; S, Z, AC y P no cambian"},
        {"POP PSW", {0xF1}, 0, 0, 0, 0, 0, 0, 0x2000, "POP PSW carga F = FF de la pila: S=1, Z=1, AC=1, P=1, CY=1"},
        {"MOV", {0x78}, 0x12, 0xD5, 0x34, 0, 0, 0, 0, "no cambia los indicadores"},
        {"CMA", {0x2F}, 0x12, 0x00, 0, 0, 0, 0, 0, "no cambia los indicadores"},
        {"INX", {0x23}, 0, 0, 0, 0xFF, 0xFF, 0, 0, "no cambia los indicadores"},
        {"undefined", {0x08}, 0, 0, 0, 0, 0, 0, 0, "no cambia los indicadores"},
    };
    for (const Worked& c : cases) {
        Simulator sim;
        uint16_t at = 0;
        for (uint8_t byte : c.program) sim.setMemory(at++, byte);
        sim.setMemory(0x2000, 0xFF);
        sim.setMemory(0x2001, 0x00);
        sim.setRegister(Register::A, c.a);
        sim.setRegister(Register::F, c.f);
        sim.setRegister(Register::B, c.b);
        sim.setRegister(Register::H, c.h);
        sim.setRegister(Register::L, c.l);
        if (c.h || c.l) sim.storeAtHL(c.m);
        sim.setSP(c.sp);
        const StepRegisters before = stepRegisters(sim.m);
        const InstructionBytes ins = instructionAt(sim.m, 0);
        sim.step();
        EXPECT_EQ(explainFlags(ins, before, stepRegisters(sim.m)), c.text) << c.what;
    }
}

// HLT leaves F alone, unless the way out of the halt changed it (RESET clears F).
TEST(FlagExplanation, HaltTellsWhenItsWayOutChangedTheFlags) {
    struct ResetOut final : HaltDialog {
        HaltChoice chooseHaltExit(bool) override { return {}; }
    } resetOut;
    Simulator sim;
    sim.setMemory(0, 0x76);
    sim.setRegister(Register::F, 0x55);
    StepRegisters before = stepRegisters(sim.m);
    sim.step();  // no dialog: stays halted
    EXPECT_EQ(explainFlags({0x76, 0, 0}, before, stepRegisters(sim.m)), "no cambia los indicadores");

    sim.haltDialog = &resetOut;
    sim.setPC(0);
    before = stepRegisters(sim.m);
    sim.step();
    EXPECT_EQ(explainFlags({0x76, 0, 0}, before, stepRegisters(sim.m)),
              "HLT no cambia los indicadores; la salida del HLT deja F = 00");
}

// A trace row is explained from its own registers and those of the row before it, also after the state
// was edited between two steps (a register-only row stands between them then).
TEST(FlagExplanation, TraceRowsAreExplainedFromTheRowBefore) {
    Simulator sim;
    const uint8_t program[] = {0x3E, 0x0F, 0x80, 0x80};  // MVI A,0F; ADD B; ADD B
    for (uint16_t i = 0; i < sizeof program; ++i) sim.setMemory(i, program[i]);
    sim.setRegister(Register::B, 0x01);
    sim.step();
    sim.step();
    sim.setRegister(Register::B, 0xF0);  // an edit: the next step starts with a register-only row
    sim.step();
    ASSERT_EQ(sim.trace.size(), 5u);
    EXPECT_EQ(explainTraceRow(sim.trace, 0), "");  // the starting row
    EXPECT_EQ(explainTraceRow(sim.trace, 1), "no cambia los indicadores");
    EXPECT_EQ(explainTraceRow(sim.trace, 2),
              "0F + 01 = 10: S=0 (bit 7 a 0), Z=0, AC=1 (acarreo del bit 3 al 4), P=0 (número impar de unos), CY=0");
    EXPECT_EQ(explainTraceRow(sim.trace, 3), "");  // register-only
    EXPECT_EQ(explainTraceRow(sim.trace, 4),
              "10 + F0 = 00: S=0 (bit 7 a 0), Z=1 (resultado 00), AC=0, P=1 (número par de unos), CY=1 (acarreo del bit 7)");
    EXPECT_EQ(explainTraceRow(sim.trace, 5), "");  // past the end
}

}  // namespace
}  // namespace vandor
