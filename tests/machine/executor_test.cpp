// The executor: instruction lengths, stack and operand addresses across FFFF/0000, the undefined opcodes,
// flag bits kept or lost per instruction, memory writes seen by the observer, and a whole program.
#include <gtest/gtest.h>

#include <algorithm>
#include <initializer_list>
#include <random>
#include <utility>
#include <vector>

#include "machine/machine.h"

namespace vandor {
namespace {

struct Recorder final : MachineObserver {
    std::vector<std::pair<uint16_t, uint8_t>> memory, ports;
    void memoryWritten(uint16_t address, uint8_t value) override { memory.emplace_back(address, value); }
    void portWritten(uint8_t port, uint8_t value) override { ports.emplace_back(port, value); }
};

Machine machineWith(uint16_t at, std::initializer_list<uint8_t> bytes) {
    Machine m;
    m.resetState();
    uint16_t address = at;
    for (uint8_t b : bytes) m.mem[address++] = b;
    m.synmem();
    m.pc = at;
    return m;
}

TEST(Executor, LengthsAdvancePc) {
    // Two- and three-byte opcodes, written out independently of the opcode table.
    const std::vector<int> two = {0x06, 0x0E, 0x16, 0x1E, 0x26, 0x2E, 0x36, 0x3E, 0xC6, 0xCE,
                                  0xD6, 0xDE, 0xE6, 0xEE, 0xF6, 0xFE, 0xDB, 0xD3};
    const std::vector<int> three = {0x01, 0x11, 0x21, 0x31, 0x22, 0x2A, 0x32, 0x3A};
    for (int op : {0x00, 0x3C, 0x80, 0x2F, 0x08, 0xCB, 0xFD, 0x06, 0xD3, 0x01, 0x22}) {
        Machine m = machineWith(0x1000, {uint8_t(op), 0x00, 0x30});
        m.setHL(0x3000);
        m.EjecutaPASO(false);
        const int n = std::count(two.begin(), two.end(), op) ? 2 : std::count(three.begin(), three.end(), op) ? 3 : 1;
        EXPECT_EQ(m.pc, 0x1000 + n) << std::hex << op;
    }
    Machine last = machineWith(0xFFFF, {0x00});
    last.EjecutaPASO(false);
    EXPECT_EQ(last.pc, 0x0000);
    Machine lxi = machineWith(0xFFFE, {0x21, 0x34});  // high operand byte from 0000
    lxi.mem[0] = 0x12;
    lxi.synmem();
    lxi.EjecutaPASO(false);
    EXPECT_EQ(lxi.pc, 0x0001);
    EXPECT_EQ(lxi.hl, 0x1234);
}

TEST(Executor, OperandsAtFfffComeFromTheStartOfMemory) {
    Machine m = machineWith(0xFFFF, {0xC3});
    m.mem[0] = 0x34;
    m.mem[1] = 0x12;
    m.synmem();
    m.EjecutaPASO(false);
    EXPECT_EQ(m.pc, 0x1234);
    // In interrupt mode PC is not advanced: a supplied CALL returns to the interrupted address.
    Machine call = machineWith(0x0200, {0xCD, 0x00, 0x30});
    call.sp = 0x2000;
    call.EjecutaPASO(true);
    EXPECT_EQ(call.pc, 0x3000);
    EXPECT_EQ(call.mem[0x1FFF], 0x02);
    EXPECT_EQ(call.mem[0x1FFE], 0x00);
}

TEST(Executor, StackAndWordAccessWrapAround) {
    Recorder seen;
    Machine call = machineWith(0x1000, {0xCD, 0x00, 0x20});
    call.observer = &seen;
    call.EjecutaPASO(false);
    EXPECT_EQ(call.mem[0xFFFF], 0x10);
    EXPECT_EQ(call.mem[0xFFFE], 0x03);
    EXPECT_EQ(call.sp, 0xFFFE);
    EXPECT_EQ(call.pc, 0x2000);
    EXPECT_EQ(seen.memory, (std::vector<std::pair<uint16_t, uint8_t>>{{0xFFFF, 0x10}, {0xFFFE, 0x03}}));

    Machine ret = machineWith(0x1000, {0xC9});
    ret.sp = 0xFFFF;
    ret.mem[0xFFFF] = 0x78;
    ret.mem[0x0000] = 0x56;
    ret.EjecutaPASO(false);
    EXPECT_EQ(ret.pc, 0x5678);
    EXPECT_EQ(ret.sp, 0x0001);

    Machine lhld = machineWith(0x1000, {0x2A, 0xFF, 0xFF});
    lhld.mem[0xFFFF] = 0xCD;
    lhld.mem[0x0000] = 0xAB;
    lhld.EjecutaPASO(false);
    EXPECT_EQ(lhld.hl, 0xABCD);

    Machine shld = machineWith(0x1000, {0x22, 0xFF, 0xFF});
    shld.setHL(0x1122);
    shld.EjecutaPASO(false);
    EXPECT_EQ(shld.mem[0xFFFF], 0x22);
    EXPECT_EQ(shld.mem[0x0000], 0x11);

    Machine xthl = machineWith(0x1000, {0xE3});
    xthl.sp = 0xFFFF;
    xthl.setHL(0x1122);
    xthl.mem[0xFFFF] = 0x44;
    xthl.mem[0x0000] = 0x33;
    xthl.EjecutaPASO(false);
    EXPECT_EQ(xthl.hl, 0x3344);
    EXPECT_EQ(xthl.mem[0xFFFF], 0x22);
    EXPECT_EQ(xthl.mem[0x0000], 0x11);
    EXPECT_EQ(xthl.sp, 0xFFFF);

    Machine push = machineWith(0x1000, {0xF5, 0xC1, 0xE1});  // PUSH PSW, POP B, POP H
    push.sp = 0x0001;
    push.a = 0x9C;
    push.f = 0xD7;
    push.mem[0xFFFF] = 0x00;
    push.EjecutaPASO(false);
    EXPECT_EQ(push.sp, 0xFFFF);
    EXPECT_EQ(push.mem[0x0000], 0x9C);
    EXPECT_EQ(push.mem[0xFFFF], 0xD7);
    push.EjecutaPASO(false);
    EXPECT_EQ(push.bc, 0x9CD7);
    EXPECT_EQ(push.sp, 0x0001);
}

TEST(Executor, UndefinedOpcodesOnlyAdvancePc) {
    for (int op : {0x08, 0x10, 0x18, 0x28, 0x38, 0xCB, 0xD9, 0xDD, 0xED, 0xFD}) {
        Machine m = machineWith(0x4000, {uint8_t(op), 0x12, 0x34});
        m.a = 0x81; m.f = 0xFF; m.setBC(0x1234); m.setDE(0x5678); m.setHL(0x9ABC); m.sp = 0x2000;
        m.recomputePairs();
        Machine before = m;
        m.EjecutaPASO(false);
        before.pc = 0x4001;
        EXPECT_EQ(m.pc, before.pc);
        EXPECT_TRUE(m.a == before.a && m.f == before.f && m.bc == before.bc && m.de == before.de &&
                    m.hl == before.hl && m.sp == before.sp && m.mem == before.mem && m.ie == before.ie)
            << std::hex << op;
    }
}

TEST(Executor, JumpsCallsReturnsAndRst) {
    struct Case {
        uint8_t op, f;
        uint16_t pc, sp;
    };
    const Case cases[] = {
        {0xC2, 0, 0x3000, 0x2000}, {0xC2, kFlagZ, 0x1003, 0x2000},      // JNZ
        {0xDA, kFlagCY, 0x3000, 0x2000}, {0xEA, 0, 0x1003, 0x2000},     // JC, JPE
        {0xFA, kFlagS, 0x3000, 0x2000}, {0xF2, kFlagS, 0x1003, 0x2000}, // JM, JP
        {0xCC, kFlagZ, 0x3000, 0x1FFE}, {0xD4, kFlagCY, 0x1003, 0x2000}, // CZ, CNC
        {0xE4, 0, 0x3000, 0x1FFE}, {0xFC, 0, 0x1003, 0x2000},           // CPO, CM
        {0xC0, 0, 0x5678, 0x2002}, {0xD8, 0, 0x1001, 0x2000},           // RNZ, RC
        {0xE8, kFlagP, 0x5678, 0x2002}, {0xF0, kFlagS, 0x1001, 0x2000}, // RPE, RP
        {0xC7, 0, 0x0000, 0x1FFE}, {0xCF, 0, 0x0008, 0x1FFE}, {0xEF, 0, 0x0028, 0x1FFE}, {0xFF, 0, 0x0038, 0x1FFE},
        {0xE9, 0, 0x9ABC, 0x2000},                                      // PCHL
    };
    for (const Case& c : cases) {
        Machine m = machineWith(0x1000, {c.op, 0x00, 0x30});
        m.f = c.f;
        m.sp = 0x2000;
        m.mem[0x2000] = 0x78;
        m.mem[0x2001] = 0x56;
        m.setHL(0x9ABC);
        m.EjecutaPASO(false);
        EXPECT_EQ(m.pc, c.pc) << std::hex << int(c.op);
        EXPECT_EQ(m.sp, c.sp) << std::hex << int(c.op);
    }
}

TEST(Executor, FlagBitsWithoutMeaningLostOrKept) {
    // POP PSW loads F = FF, then the instruction runs: rebuilding operations drop bits 5, 3 and 1.
    const std::pair<uint8_t, bool> cases[] = {
        {0x80, false}, {0x88, false}, {0x90, false}, {0x98, false}, {0xA0, false}, {0xA8, false},
        {0xB0, false}, {0xB8, false}, {0x04, false}, {0x0D, false}, {0xC6, false}, {0xFE, false},
        {0x09, true},  {0x07, true},  {0x0F, true},  {0x17, true},  {0x1F, true},  {0x27, true},
        {0x37, true},  {0x3F, true},  {0x2F, true},  {0x23, true},  {0x3E, true},
    };
    for (const auto& [op, kept] : cases) {
        Machine m = machineWith(0x1000, {0xF1, op, 0x01});
        m.sp = 0x2000;
        m.mem[0x2000] = 0xFF;
        m.EjecutaPASO(false);
        EXPECT_EQ(m.f, 0xFF);
        EXPECT_EQ(m.psw, m.a << 8 | 0xFF);
        m.EjecutaPASO(false);
        EXPECT_EQ((m.f & 0x2A) == 0x2A, kept) << std::hex << int(op);
    }
}

TEST(Executor, PairsFollowTheRegistersAfterEveryOpcode) {
    std::mt19937 random(8085);
    for (int op = 0; op < 256; ++op) {
        if (op == 0x76) continue;
        Machine m = machineWith(0x4000, {uint8_t(op), uint8_t(random()), uint8_t(random())});
        m.a = uint8_t(random()); m.b = uint8_t(random()); m.c = uint8_t(random()); m.d = uint8_t(random());
        m.e = uint8_t(random()); m.f = uint8_t(random()); m.h = uint8_t(random()); m.l = uint8_t(random());
        m.sp = uint16_t(random());
        m.EjecutaPASO(false);
        EXPECT_EQ(m.psw, m.a << 8 | m.f) << std::hex << op;
        EXPECT_EQ(m.bc, m.b << 8 | m.c) << std::hex << op;
        EXPECT_EQ(m.de, m.d << 8 | m.e) << std::hex << op;
        EXPECT_EQ(m.hl, m.h << 8 | m.l) << std::hex << op;
    }
    Machine inr = machineWith(0x1000, {0x2C, 0x23});  // INR L from FF: H stays; INX H carries into H
    inr.setHL(0x12FF);
    inr.EjecutaPASO(false);
    EXPECT_EQ(inr.hl, 0x1200);
    inr.setHL(0x12FF);
    inr.EjecutaPASO(false);
    EXPECT_EQ(inr.hl, 0x1300);
    EXPECT_EQ(inr.h, 0x13);
}

TEST(Executor, MemoryAndPortWritesReachTheObserver) {
    Recorder seen;
    Machine m = machineWith(0x1000, {0x77, 0x34, 0x36, 0x5A, 0xD3, 0xFF, 0x02});  // MOV M,A INR M MVI M OUT STAX B
    m.observer = &seen;
    m.setHL(0x2000);
    m.setBC(0x2001);
    m.a = 0x41;
    for (int i = 0; i < 5; ++i) m.EjecutaPASO(false);
    EXPECT_EQ(seen.memory, (std::vector<std::pair<uint16_t, uint8_t>>{
                               {0x2000, 0x41}, {0x2000, 0x42}, {0x2000, 0x5A}, {0x2001, 0x41}}));
    EXPECT_EQ(seen.ports, (std::vector<std::pair<uint16_t, uint8_t>>{{0xFF, 0x41}}));
    EXPECT_EQ(m.ports[0xFF], 0x41);
}

TEST(Executor, MultiplicationProgram) {
    // HL = D x E by repeated addition, with the loop counter in C:
    //   LXI H,0 / MVI D,0 / MVI E,0D / MVI C,0B / loop: DAD D / DCR C / JNZ loop / SHLD 3000 / HLT
    Machine m = machineWith(0x0100, {0x21, 0x00, 0x00, 0x16, 0x00, 0x1E, 0x0D, 0x0E, 0x0B,
                                     0x19, 0x0D, 0xC2, 0x09, 0x01, 0x22, 0x00, 0x30, 0x76});
    int steps = 0;
    while (m.mem[m.pc] != 0x76 && steps < 1000) {
        m.EjecutaPASO(false);
        ++steps;
    }
    EXPECT_EQ(m.hl, 13 * 11);
    EXPECT_EQ(m.mem[0x3000], 13 * 11);
    EXPECT_EQ(m.mem[0x3001], 0);
    EXPECT_EQ(steps, 4 + 3 * 11 + 1);
}

}  // namespace
}  // namespace vandor
