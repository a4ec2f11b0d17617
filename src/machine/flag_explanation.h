// Why each flag is what it is: a one-line Spanish explanation of the flags one executed instruction
// set, made from its operands and its result. The main window shows it after a single step; the trace
// window shows it for any instruction row, from that row and the one before it (which always holds the
// registers just before the step, see Trace::listainstru).
//
// Only the numbers of the registers before and after the step are read, so the explanation of a row of a
// long trace costs nothing until it is asked for.
//
//   StepRegisters before = stepRegisters(sim.m);
//   InstructionBytes ins = instructionAt(sim.m, sim.m.pc);
//   sim.step();
//   explainFlags(ins, before, stepRegisters(sim.m));
//   // ADD B with A = 0F, B = 01: "0F + 01 = 10: S=0 (bit 7 a 0), Z=0, AC=1 (acarreo del bit 3 al 4), ..."
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "common/opcodes.h"
#include "machine/machine.h"
#include "machine/trace.h"

namespace vandor {

// The registers an explanation reads: the eight single registers, M (the byte at HL) and SP.
struct StepRegisters {
    uint8_t a = 0, b = 0, c = 0, d = 0, e = 0, f = 0, h = 0, l = 0, m = 0;
    uint16_t sp = 0;
};

StepRegisters stepRegisters(const Machine& m);
StepRegisters stepRegisters(const TraceRow& row);

// The opcode at an address and the two bytes after it (wrapping past FFFF).
InstructionBytes instructionAt(const Machine& m, uint16_t address);

// The explanation of the flags that the instruction left, given the registers just before and just
// after its step. "no cambia los indicadores" for the instructions that set no flag.
std::string explainFlags(const InstructionBytes& instruction, const StepRegisters& before,
                         const StepRegisters& after);

// The explanation for one row of the trace: empty for a register-only row, a row whose step has not
// finished, and a first row (which has no registers before it).
std::string explainTraceRow(const Trace& trace, size_t row);

}  // namespace vandor
