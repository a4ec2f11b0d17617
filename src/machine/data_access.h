// The data cells one instruction reads and writes: memory bytes addressed by HL, BC, DE, its operand
// word or SP, and ports. Operand bytes fetched with the instruction are not data. Worked out from the
// state before the step (the registers and flags then decide every address and whether a conditional
// call or return is taken), so a caller can look before the step: the watchpoints test them, the step
// history keeps the old values of the cells about to be written.
//
//   StepAccesses acc = dataAccesses(m);   // before m.EjecutaPASO(false)
//   for (int i = 0; i < acc.count; ++i) if (acc.cells[i].write) keep(acc.cells[i].address);
#pragma once

#include <cstdint>

#include "machine/machine.h"

namespace vandor {

struct DataAccess {
    uint16_t address = 0;  // a memory address, or a port number (0-255)
    bool port = false;
    bool write = false;  // false: a read
};

// At most four: XTHL reads and writes two stack bytes.
struct StepAccesses {
    DataAccess cells[4];
    int count = 0;
};

// The accesses of the instruction whose opcode is at PC, as EjecutaPASO(false) will make them, in the
// order it makes them.
StepAccesses dataAccesses(const Machine& m);

// The same for an opcode and operand bytes given apart from memory (the instruction INTR supplies).
StepAccesses dataAccesses(const Machine& m, uint8_t opcode, uint8_t low, uint8_t high);

}  // namespace vandor
