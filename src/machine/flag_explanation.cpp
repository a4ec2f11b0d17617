#include "machine/flag_explanation.h"

#include "common/hex.h"

namespace vandor {
namespace {

constexpr std::string_view kUnchanged = "no cambia los indicadores";
constexpr std::string_view kOthersKept = "; S, Z, AC y P no cambian";

int bit(uint8_t f, uint8_t mask) { return (f & mask) ? 1 : 0; }
char digit(int value) { return static_cast<char>('0' + value); }
char nibble(uint8_t x) { return kHexDigits[x & 0x0F]; }

// The register numbered as in the opcodes (0 B, 1 C, 2 D, 3 E, 4 H, 5 L, 6 M, 7 A).
uint8_t registerValue(const StepRegisters& r, int code) {
    switch (code & 7) {
    case 0: return r.b;
    case 1: return r.c;
    case 2: return r.d;
    case 3: return r.e;
    case 4: return r.h;
    case 5: return r.l;
    case 6: return r.m;
    default: return r.a;
    }
}

// Builds one explanation: the formula first, then the flags separated by ", ".
class Line {
public:
    Line& text(std::string_view s) {
        out_.append(s);
        return *this;
    }
    Line& hex2(uint8_t v) {
        appendHex2(out_, v);
        return *this;
    }
    Line& hex4(uint16_t v) {
        appendHex4(out_, v);
        return *this;
    }
    Line& ch(char c) {
        out_.push_back(c);
        return *this;
    }
    // "F=v" after the formula's colon or after the previous flag's comma.
    Line& flag(std::string_view name, int value) {
        out_.append(flags_++ ? ", " : ": ");
        out_.append(name);
        out_.push_back('=');
        out_.push_back(digit(value));
        return *this;
    }
    Line& reason(std::string_view why) {
        out_.append(" (");
        out_.append(why);
        out_.push_back(')');
        return *this;
    }
    // S, Z and P of a result, as every arithmetic and logical operation sets them.
    Line& sign(uint8_t f) {
        flag("S", bit(f, kFlagS));
        text(" (bit 7 a ").ch(digit(bit(f, kFlagS))).ch(')');
        return *this;
    }
    Line& zero(uint8_t f) {
        flag("Z", bit(f, kFlagZ));
        if (f & kFlagZ) reason("resultado 00");
        return *this;
    }
    Line& parity(uint8_t f) {
        flag("P", bit(f, kFlagP));
        reason(f & kFlagP ? "número par de unos" : "número impar de unos");
        return *this;
    }
    std::string take() { return std::move(out_); }

private:
    std::string out_;
    int flags_ = 0;
};

// AC of a subtraction is 1 when the low nibble needs no borrow: "AC=0 (préstamo del bit 4: 0 < 1)".
void subtractionAC(Line& line, uint8_t f, uint8_t a, uint8_t operand, int carryIn, bool withCarry) {
    line.flag("AC", bit(f, kFlagAC));
    line.text(f & kFlagAC ? " (sin préstamo del bit 4: " : " (préstamo del bit 4: ");
    line.ch(nibble(a)).text(f & kFlagAC ? " ≥ " : " < ").ch(nibble(operand));
    if (withCarry) line.text(" + ").ch(digit(carryIn));
    line.ch(')');
}

std::string addition(uint8_t a, uint8_t operand, int carryIn, bool withCarry, uint8_t result, uint8_t f) {
    Line line;
    line.hex2(a).text(" + ").hex2(operand);
    if (withCarry) line.text(" + ").ch(digit(carryIn));
    line.text(" = ").hex2(result);
    line.sign(f).zero(f);
    line.flag("AC", bit(f, kFlagAC));
    if (f & kFlagAC) line.reason("acarreo del bit 3 al 4");
    line.parity(f);
    line.flag("CY", bit(f, kFlagCY));
    if (f & kFlagCY) line.reason("acarreo del bit 7");
    return line.take();
}

std::string subtraction(uint8_t a, uint8_t operand, int carryIn, bool withCarry, bool compare, uint8_t result,
                        uint8_t f) {
    Line line;
    line.hex2(a).text(" - ").hex2(operand);
    if (withCarry) line.text(" - ").ch(digit(carryIn));
    line.text(" = ").hex2(result);
    if (compare) line.text(" (A no cambia)");
    line.sign(f).zero(f);
    subtractionAC(line, f, a, operand, carryIn, withCarry);
    line.parity(f);
    line.flag("CY", bit(f, kFlagCY));
    if (f & kFlagCY) {
        line.text(" (préstamo: ").hex2(a).text(" < ").hex2(operand);
        if (withCarry) line.text(" + ").ch(digit(carryIn));
        line.ch(')');
    }
    return line.take();
}

std::string logical(std::string_view name, uint8_t a, uint8_t operand, uint8_t result, uint8_t f) {
    Line line;
    line.hex2(a).ch(' ').text(name).ch(' ').hex2(operand).text(" = ").hex2(result);
    line.sign(f).zero(f);
    line.flag("AC", bit(f, kFlagAC)).text(" (siempre a ").ch(digit(bit(f, kFlagAC))).text(" en ").text(name).ch(')');
    line.parity(f);
    line.flag("CY", bit(f, kFlagCY)).text(" (siempre a 0 en ").text(name).ch(')');
    return line.take();
}

std::string incrementOrDecrement(bool increment, uint8_t x, uint8_t result, uint8_t f) {
    Line line;
    line.hex2(x).text(increment ? " + 1 = " : " - 1 = ").hex2(result);
    line.sign(f).zero(f);
    if (increment) {
        line.flag("AC", bit(f, kFlagAC));
        if (f & kFlagAC) line.reason("acarreo del bit 3 al 4");
    } else {
        subtractionAC(line, f, x, 1, 0, false);
    }
    line.parity(f);
    line.flag("CY", bit(f, kFlagCY)).text(increment ? " (INR no lo cambia)" : " (DCR no lo cambia)");
    return line.take();
}

std::string doubleAdd(uint16_t hl, uint16_t operand, uint16_t result, uint8_t f) {
    Line line;
    line.hex4(hl).text(" + ").hex4(operand).text(" = ").hex4(result);
    line.flag("CY", bit(f, kFlagCY));
    if (f & kFlagCY) line.reason("acarreo del bit 15");
    line.text(kOthersKept);
    return line.take();
}

// This machine's decimal adjust: the low correction adds 6 to the low digit and carries into the high
// digit only when that digit was above 9; the high correction adds 6 to the high digit and sets CY.
std::string decimalAdjust(const StepRegisters& before, const StepRegisters& after) {
    const int lo = before.a & 0x0F;
    int hi = before.a >> 4;
    Line line;
    line.text("DAA de ").hex2(before.a).text(" (AC=").ch(digit(bit(before.f, kFlagAC)));
    line.text(", CY=").ch(digit(bit(before.f, kFlagCY))).text("): ");
    bool corrected = false;
    if ((before.f & kFlagAC) || lo > 9) {
        if (lo > 9) {
            line.text("bajo ").ch(nibble(static_cast<uint8_t>(lo))).text(" > 9, +6 y lleva 1");
            ++hi;
        } else {
            line.text("bajo con AC=1, +6 sin llevar");
        }
        corrected = true;
    }
    const bool high = (before.f & kFlagCY) || hi > 9;
    if (high) {
        if (corrected) line.text("; ");
        if (before.f & kFlagCY) {
            line.text("alto con CY=1, +6");
        } else {
            line.text("alto ").text(hexa(hi, hi > 15 ? 2 : 1)).text(" > 9, +6");
        }
        corrected = true;
    }
    if (!corrected) line.text("sin corrección");
    line.text("; queda ").hex2(after.a);
    const uint8_t f = after.f;
    line.sign(f).zero(f);
    line.flag("AC", bit(f, kFlagAC)).reason("no cambia");
    line.parity(f);
    line.flag("CY", bit(f, kFlagCY)).reason(high ? "corrección alta" : "sin corrección alta");
    return line.take();
}

std::string rotate(uint8_t op, const StepRegisters& before, const StepRegisters& after) {
    static constexpr std::string_view names[4] = {"RLC", "RRC", "RAL", "RAR"};
    const int kind = (op >> 3) & 3;  // 07 RLC, 0F RRC, 17 RAL, 1F RAR
    const bool left = kind == 0 || kind == 2;
    Line line;
    line.text(names[kind]).text(" de ").hex2(before.a);
    if (kind >= 2) line.text(" con CY=").ch(digit(bit(before.f, kFlagCY)));
    line.text(" = ").hex2(after.a);
    line.flag("CY", bit(after.f, kFlagCY)).reason(left ? "el bit 7 que sale" : "el bit 0 que sale");
    line.text(kOthersKept);
    return line.take();
}

// F loaded whole from the stack: every flag as it came, bits 5, 3 and 1 included.
std::string poppedFlags(uint8_t f) {
    Line line;
    line.text("POP PSW carga F = ").hex2(f).text(" de la pila");
    line.flag("S", bit(f, kFlagS)).flag("Z", bit(f, kFlagZ)).flag("AC", bit(f, kFlagAC));
    line.flag("P", bit(f, kFlagP)).flag("CY", bit(f, kFlagCY));
    return line.take();
}

}  // namespace

StepRegisters stepRegisters(const Machine& m) {
    return {m.a, m.b, m.c, m.d, m.e, m.f, m.h, m.l, m.byteAtHL(), m.sp};
}

StepRegisters stepRegisters(const TraceRow& row) {
    return {row.a, row.b, row.c, row.d, row.e, row.f, row.h, row.l, row.m, row.sp};
}

InstructionBytes instructionAt(const Machine& m, uint16_t address) {
    return {m.mem[address], m.mem[static_cast<uint16_t>(address + 1)], m.mem[static_cast<uint16_t>(address + 2)]};
}

std::string explainFlags(const InstructionBytes& instruction, const StepRegisters& before,
                         const StepRegisters& after) {
    const uint8_t op = instruction.opcode;
    const int carryIn = bit(before.f, kFlagCY);
    const uint8_t f = after.f;

    // ADD..CMP with a register or M (80-BF) and with an immediate byte (C6, CE, ..., FE).
    const bool registerForm = op >= 0x80 && op <= 0xBF;
    const bool immediateForm = (op & 0xC7) == 0xC6;
    if (registerForm || immediateForm) {
        const uint8_t operand = registerForm ? registerValue(before, op) : instruction.low;
        const uint8_t a = before.a;
        switch ((op >> 3) & 7) {
        case 0: return addition(a, operand, 0, false, after.a, f);
        case 1: return addition(a, operand, carryIn, true, after.a, f);
        case 2: return subtraction(a, operand, 0, false, false, after.a, f);
        case 3: return subtraction(a, operand, carryIn, true, false, after.a, f);
        case 4: return logical("AND", a, operand, after.a, f);
        case 5: return logical("XOR", a, operand, after.a, f);
        case 6: return logical("OR", a, operand, after.a, f);
        default: return subtraction(a, operand, 0, false, true, static_cast<uint8_t>(a - operand), f);
        }
    }
    if ((op & 0xC6) == 0x04) {  // INR r (00rrr100) and DCR r (00rrr101)
        const int code = (op >> 3) & 7;
        return incrementOrDecrement((op & 1) == 0, registerValue(before, code), registerValue(after, code), f);
    }
    if ((op & 0xCF) == 0x09) {  // DAD rp
        const uint16_t hl = static_cast<uint16_t>(before.h << 8 | before.l);
        uint16_t operand = before.sp;
        switch ((op >> 4) & 3) {
        case 0: operand = static_cast<uint16_t>(before.b << 8 | before.c); break;
        case 1: operand = static_cast<uint16_t>(before.d << 8 | before.e); break;
        case 2: operand = hl; break;
        default: break;
        }
        return doubleAdd(hl, operand, static_cast<uint16_t>(after.h << 8 | after.l), f);
    }
    switch (op) {
    case 0x27: return decimalAdjust(before, after);
    case 0x07: case 0x0F: case 0x17: case 0x1F: return rotate(op, before, after);
    case 0x37: return std::string("STC: CY=1").append(kOthersKept);
    case 0x3F: {
        std::string text = "CMC: CY de ";
        text.push_back(digit(carryIn));
        text.append(" a ");
        text.push_back(digit(bit(f, kFlagCY)));
        return text.append(kOthersKept);
    }
    case 0xF1: return poppedFlags(f);
    case 0x76:
        // The way out of the halt (RESET, or an instruction INTR supplied) may have set F.
        if (before.f != f) return "HLT no cambia los indicadores; la salida del HLT deja F = " + hexa(f, 2);
        break;
    default: break;
    }
    return std::string(kUnchanged);
}

std::string explainTraceRow(const Trace& trace, size_t row) {
    if (row == 0 || row >= trace.size()) return {};
    const TraceRow& current = trace.row(row);
    const TraceRow& previous = trace.row(row - 1);
    if (!current.length || !current.regsFilled || !previous.regsFilled) return {};
    return explainFlags({current.bytes[0], current.bytes[1], current.bytes[2]}, stepRegisters(previous),
                        stepRegisters(current));
}

}  // namespace vandor
