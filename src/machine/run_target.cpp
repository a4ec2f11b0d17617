#include "machine/run_target.h"

#include "common/opcodes.h"
#include "machine/executor.h"

namespace vandor {
namespace {

// How far SP has come back up from where it was: negative while deeper in the stack.
int16_t rise(uint16_t sp, uint16_t from) { return static_cast<int16_t>(static_cast<uint16_t>(sp - from)); }

}  // namespace

bool RunTarget::reached(uint16_t afterPc, uint16_t afterSp, bool returned) const {
    switch (kind) {
    case Kind::None: return false;
    case Kind::StepOver: return afterPc == pc && rise(afterSp, sp) >= 0;
    case Kind::StepOut: return returned && rise(afterSp, sp) > 0;
    case Kind::RunTo: return afterPc == pc;
    }
    return false;
}

RunTarget stepOverTarget(const Machine& m) {
    const uint8_t op = m.mem[m.pc];
    const bool call = op == 0xCD || (op & 0xC7) == 0xC7 || ((op & 0xC7) == 0xC4 && executor::condition(m.f, (op >> 3) & 7));
    if (!call) return {};
    return {RunTarget::Kind::StepOver, static_cast<uint16_t>(m.pc + opcodeLength(op)), m.sp};
}

RunTarget stepOutTarget(const Machine& m) { return {RunTarget::Kind::StepOut, 0, m.sp}; }

RunTarget runToTarget(uint16_t address) { return {RunTarget::Kind::RunTo, address, 0}; }

bool isReturnTaken(const Machine& m) {
    const uint8_t op = m.mem[m.pc];
    return op == 0xC9 || ((op & 0xC7) == 0xC0 && executor::condition(m.f, (op >> 3) & 7));
}

}  // namespace vandor
