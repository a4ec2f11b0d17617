// Verdicts of `vandor-cli check`: what one case and one source came to, and the comparison of a case's
// expectations with the machine a run left behind.
//
// A case is APTO when the run ended the expected way and every expectation holds; NO TERMINA when the
// step limit came first although HLT or a breakpoint was expected; NO APTO otherwise, naming the first
// expectation that failed (in a fixed order: fin, pc, sp, a, b, c, d, e, f, h, l, bc, de, hl, S, Z, AC,
// P, CY, sod, memoria, puertos, salidas). A source is NO ENSAMBLA when it gave no object to run.
//
//   CaseResult r = judge(c.expect, sim.m, EndKind::Hlt, sim.stepsExecuted());
//   if (r.outcome != Outcome::Apto) std::cout << r.expectation << ": " << r.expected << " / " << r.obtained;
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "cli/check_exercise.h"
#include "machine/machine.h"
#include "machine/port_io.h"

namespace vandor::check {

enum class Outcome { Apto, NoApto, NoEnsambla, NoTermina };

// At most this many bytes of a long block, or values of a long sequence, are shown, from the first
// difference on.
inline constexpr size_t kShownBytes = 16;
std::string_view outcomeText(Outcome outcome);  // "APTO", "NO APTO", "NO ENSAMBLA", "NO TERMINA"

struct CaseResult {
    std::string name;
    Outcome outcome = Outcome::Apto;
    uint64_t steps = 0;
    std::string expectation, expected, obtained;  // empty when APTO
};

struct SourceResult {
    std::string file;  // as given on the command line
    Outcome outcome = Outcome::Apto;
    // NO ENSAMBLA: the assembler's error log lines (or the loader's message), without line ends.
    std::vector<std::string> log;
    std::vector<CaseResult> cases;  // empty when NO ENSAMBLA

    size_t passed() const;
    const CaseResult* firstFailure() const;
};

// Compares a finished run with the expectations of its case; `outputs` holds what the run wrote with OUT
// (needed when the case expects salidas: none counts as nothing written).
CaseResult judge(const Expectations& expect, const Machine& m, EndKind end, uint64_t steps,
                 const OutputLog* outputs = nullptr);

// The source's outcome from its cases: APTO when all passed, else the outcome of the first failed case.
Outcome sourceOutcome(const std::vector<CaseResult>& cases);

// The one stdout line of a source, without its line end:
//   "a.asm: APTO (3/3 casos)"
//   "b.asm: NO APTO (2/3 casos) caso \"vacía\": a esperado 0F, obtenido 0E"
//   "c.asm: NO ENSAMBLA ==>  MVI A,ZZ | Línea: 3 - ERROR: Operando incorrecto"
std::string summaryLine(const SourceResult& r);

}  // namespace vandor::check
