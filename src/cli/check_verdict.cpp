#include "cli/check_verdict.h"

#include <algorithm>
#include <optional>

namespace vandor::check {

namespace {

struct Mismatch {
    std::string expectation, expected, obtained;
};

std::optional<Mismatch> compareBlock(const ByteBlock& block, const uint8_t* actual, std::string_view what,
                                     bool ports) {
    size_t first = 0;
    while (first < block.bytes.size() && block.bytes[first] == actual[block.address + first]) ++first;
    if (first == block.bytes.size()) return std::nullopt;
    size_t from = block.bytes.size() <= kShownBytes ? 0 : first;
    size_t count = std::min(kShownBytes, block.bytes.size() - from);
    std::vector<uint8_t> expected(block.bytes.begin() + from, block.bytes.begin() + from + count);
    std::vector<uint8_t> obtained(actual + block.address + from, actual + block.address + from + count);
    const uint16_t start = static_cast<uint16_t>(block.address + from);
    return Mismatch{std::string(what) + " " + (ports ? hex2(static_cast<uint8_t>(start)) : hex4(start)),
                    bytesText(expected), bytesText(obtained)};
}

// Part of a port's sequence of values from `from`: at most kShownBytes values, "…" where some are left out.
std::string sequencePart(const std::vector<uint8_t>& values, size_t from, bool cut) {
    if (!cut) return valuesText(values);
    const size_t end = std::min(values.size(), from + kShownBytes);
    std::string text = from > 0 ? "…" : "";
    if (from >= values.size()) return text + " (nada más)";
    if (!text.empty()) text += ' ';
    text += bytesText(std::vector<uint8_t>(values.begin() + static_cast<std::ptrdiff_t>(from),
                                           values.begin() + static_cast<std::ptrdiff_t>(end)));
    if (end < values.size()) text += " …";
    return text;
}

std::optional<Mismatch> compareOutputs(const PortValues& expected, const OutputLog* log) {
    const std::vector<uint8_t> obtained = log ? log->valuesOf(expected.port) : std::vector<uint8_t>();
    if (obtained == expected.values) return std::nullopt;
    size_t first = 0;
    while (first < expected.values.size() && first < obtained.size() && expected.values[first] == obtained[first])
        ++first;
    const bool cut = expected.values.size() > kShownBytes || obtained.size() > kShownBytes;
    return Mismatch{"salidas " + hex2(expected.port), sequencePart(expected.values, first, cut),
                    sequencePart(obtained, first, cut)};
}

std::optional<Mismatch> firstMismatch(const Expectations& ex, const Machine& m, const OutputLog* outputs) {
    auto word = [](std::string_view name, const std::optional<uint16_t>& want,
                   uint16_t got) -> std::optional<Mismatch> {
        if (want && *want != got) return Mismatch{std::string(name), hex4(*want), hex4(got)};
        return std::nullopt;
    };
    if (auto r = word("pc", ex.pc, m.pc)) return r;
    if (auto r = word("sp", ex.sp, m.sp)) return r;
    const uint8_t regs[8] = {m.a, m.b, m.c, m.d, m.e, m.f, m.h, m.l};
    for (size_t i = 0; i < 8; ++i)
        if (ex.registers[i] && *ex.registers[i] != regs[i])
            return Mismatch{std::string(kRegisterKeys[i]), hex2(*ex.registers[i]), hex2(regs[i])};
    if (auto r = word("bc", ex.bc, static_cast<uint16_t>(m.b << 8 | m.c))) return r;
    if (auto r = word("de", ex.de, static_cast<uint16_t>(m.d << 8 | m.e))) return r;
    if (auto r = word("hl", ex.hl, static_cast<uint16_t>(m.h << 8 | m.l))) return r;
    for (size_t i = 0; i < kFlagKeys.size(); ++i) {
        const bool got = (m.f & kFlagKeys[i].bit) != 0;
        if (ex.flags[i] && *ex.flags[i] != got)
            return Mismatch{std::string(kFlagKeys[i].key), *ex.flags[i] ? "1" : "0", got ? "1" : "0"};
    }
    if (ex.sod && *ex.sod != m.sod) return Mismatch{"sod", *ex.sod ? "1" : "0", m.sod ? "1" : "0"};
    for (const ByteBlock& b : ex.memory)
        if (auto r = compareBlock(b, m.mem.data(), "memoria", false)) return r;
    for (const ByteBlock& b : ex.ports)
        if (auto r = compareBlock(b, m.ports.data(), "puertos", true)) return r;
    for (const PortValues& expected : ex.outputs)
        if (auto r = compareOutputs(expected, outputs)) return r;
    return std::nullopt;
}

}  // namespace

std::string_view outcomeText(Outcome outcome) {
    switch (outcome) {
        case Outcome::Apto: return "APTO";
        case Outcome::NoApto: return "NO APTO";
        case Outcome::NoEnsambla: return "NO ENSAMBLA";
        case Outcome::NoTermina: return "NO TERMINA";
    }
    return "NO APTO";
}

size_t SourceResult::passed() const {
    return static_cast<size_t>(
        std::count_if(cases.begin(), cases.end(), [](const CaseResult& c) { return c.outcome == Outcome::Apto; }));
}

const CaseResult* SourceResult::firstFailure() const {
    for (const CaseResult& c : cases)
        if (c.outcome != Outcome::Apto) return &c;
    return nullptr;
}

CaseResult judge(const Expectations& expect, const Machine& m, EndKind end, uint64_t steps, const OutputLog* outputs) {
    CaseResult r;
    r.steps = steps;
    if (end != expect.end) {
        // Running out of steps while waiting for HLT or a breakpoint is the program not ending;
        // any other wrong end is a wrong program.
        r.outcome = end == EndKind::Steps ? Outcome::NoTermina : Outcome::NoApto;
        r.expectation = "fin";
        r.expected = endKindText(expect.end);
        r.obtained = endKindText(end);
        return r;
    }
    if (auto mismatch = firstMismatch(expect, m, outputs)) {
        r.outcome = Outcome::NoApto;
        r.expectation = std::move(mismatch->expectation);
        r.expected = std::move(mismatch->expected);
        r.obtained = std::move(mismatch->obtained);
    }
    return r;
}

Outcome sourceOutcome(const std::vector<CaseResult>& cases) {
    for (const CaseResult& c : cases)
        if (c.outcome != Outcome::Apto) return c.outcome;
    return Outcome::Apto;
}

std::string summaryLine(const SourceResult& r) {
    std::string line = r.file + ": " + std::string(outcomeText(r.outcome));
    if (r.outcome == Outcome::NoEnsambla) {
        for (size_t i = 0; i < r.log.size(); ++i) line += (i ? " | " : " ") + r.log[i];
        return line;
    }
    line += " (" + std::to_string(r.passed()) + "/" + std::to_string(r.cases.size()) + " casos)";
    if (const CaseResult* f = r.firstFailure()) {
        line += " caso \"" + f->name + "\": ";
        if (f->outcome == Outcome::NoTermina)
            line += std::to_string(f->steps) + " pasos sin llegar a " + f->expected;
        else
            line += f->expectation + " esperado " + f->expected + ", obtenido " + f->obtained;
    }
    return line;
}

}  // namespace vandor::check
