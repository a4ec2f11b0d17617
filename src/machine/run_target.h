// Where "Paso por encima", "Salir de subrutina" and "Ejecutar hasta aquí" stop on their own: a run
// target, fixed when the command is given and tested after every step of the run (breakpoints,
// watchpoints, HLT and "Parar" stop the run as well, as they stop "Ejecutar").
//
// - Step over: on CALL, a taken Ccc or an RST, the instruction after it with SP back at least where it
//   was, so a recursive call that passes the same address deeper in the stack does not stop it; on any
//   other instruction there is no target (the command is one step).
// - Step out: the first return (RET or a taken Rcc) that leaves SP above where it was.
// - Run to here: PC arriving at the address, after at least one step.
// SP is compared as a distance on the 16-bit ring, so a stack that wraps past 0000 still compares right.
//
//   RunTarget t = stepOverTarget(sim.m);
//   bool ret = t.watchesReturns() && isReturnTaken(sim.m);   // before the step
//   sim.step();
//   if (t.reached(sim.m.pc, sim.m.sp, ret)) ...
#pragma once

#include <cstdint>

#include "machine/machine.h"

namespace vandor {

struct RunTarget {
    enum class Kind : uint8_t { None, StepOver, StepOut, RunTo };
    Kind kind = Kind::None;
    uint16_t pc = 0;  // StepOver, RunTo: the address to arrive at
    uint16_t sp = 0;  // StepOver, StepOut: SP when the command was given

    bool any() const { return kind != Kind::None; }
    // Step out needs to know, before each step, whether the step is a return that is taken.
    bool watchesReturns() const { return kind == Kind::StepOut; }
    // After a step that left PC and SP so: whether the run has arrived. returned: the step was a taken
    // return.
    bool reached(uint16_t pc, uint16_t sp, bool returned) const;
};

// The step-over target for the instruction at PC: none when it calls nothing.
RunTarget stepOverTarget(const Machine& m);
RunTarget stepOutTarget(const Machine& m);
RunTarget runToTarget(uint16_t address);

// Whether the instruction at PC is RET, or an Rcc whose condition holds now.
bool isReturnTaken(const Machine& m);

}  // namespace vandor
