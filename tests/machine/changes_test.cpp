// What an action changed: each shown value, the flag bits, memory cells and ports, compared once
// between a copy taken before the action and the state after it.
#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "machine/changes.h"
#include "machine/simulator.h"

namespace vandor {
namespace {

struct Case {
    const char* name;
    std::vector<uint8_t> program;  // at 0100
    std::vector<ShownValue> shown;
    uint8_t flagBits;
    std::vector<uint16_t> memory;
    std::vector<uint8_t> ports;
};

// A = 5A, BC = 1234, DE = 0000, HL = 2000, SP = F000 before each instruction, memory 00.
const Case kCases[] = {
    {"MOV M,A", {0x77}, {ShownValue::M, ShownValue::PC}, 0, {0x2000}, {}},
    {"PUSH B", {0xC5}, {ShownValue::PC, ShownValue::SP}, 0, {0xEFFE, 0xEFFF}, {}},
    {"OUT 10", {0xD3, 0x10}, {ShownValue::PC}, 0, {}, {0x10}},
    // 5A + A6 = 00 with a carry: zero, half carry, parity and carry set.
    {"ADI A6", {0xC6, 0xA6}, {ShownValue::A, ShownValue::F, ShownValue::PC}, 0x55, {}, {}},
    {"INX H", {0x23}, {ShownValue::L, ShownValue::HL, ShownValue::PC}, 0, {}, {}},
    // DE 0000 and HL 2000 swap: D and H change, E and L (both 00) do not.
    {"XCHG", {0xEB}, {ShownValue::D, ShownValue::H, ShownValue::M, ShownValue::DE, ShownValue::HL, ShownValue::PC},
     0, {}, {}},
    // A store of the value already there changes nothing.
    {"MVI M,00", {0x36, 0x00}, {ShownValue::PC}, 0, {}, {}},
};

TEST(ChangeTracker, ExactlyWhatAStepChanged) {
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.name);
        Simulator sim;
        for (size_t i = 0; i < c.program.size(); ++i) sim.setMemory(static_cast<uint16_t>(0x0100 + i), c.program[i]);
        sim.setMemory(0x0000, 0x99);  // M after XCHG reads DE's old value 0000
        sim.setRegister(Register::A, 0x5A);
        sim.setPair(Pair::BC, 0x1234);
        sim.setPair(Pair::HL, 0x2000);
        sim.setSP(0xF000);
        sim.setPC(0x0100);
        ChangeTracker changes;
        changes.begin(sim.m);
        EXPECT_TRUE(changes.tracking());
        sim.step();
        changes.end(sim.m);
        EXPECT_FALSE(changes.tracking());
        for (int v = 0; v < kShownValues; ++v) {
            const bool expected = std::find(c.shown.begin(), c.shown.end(), ShownValue(v)) != c.shown.end();
            EXPECT_EQ(changes.changed(ShownValue(v)), expected) << "shown value " << v;
        }
        EXPECT_EQ(changes.flagBits(), c.flagBits);
        EXPECT_EQ(changes.changedAddresses(), c.memory);
        EXPECT_EQ(changes.changedPorts(), c.ports);
        for (uint16_t a : c.memory) EXPECT_TRUE(changes.memoryChanged(a));
        EXPECT_FALSE(changes.memoryChanged(0x1234));
    }
}

// The result stays as found until the next begin; between begin and end nothing counts as changed.
TEST(ChangeTracker, ResultHoldsUntilTheNextAction) {
    Simulator sim;
    ChangeTracker changes;
    changes.begin(sim.m);
    sim.setMemory(0xFFFF, 1);
    sim.setMemory(0x0000, 2);
    sim.setPort(0xFF, 3);
    changes.end(sim.m);
    EXPECT_EQ(changes.changedAddresses(), (std::vector<uint16_t>{0x0000, 0xFFFF}));
    // A stack word at FFFF spans FFFF and 0000.
    EXPECT_TRUE(changes.wordChanged(0xFFFF));
    EXPECT_TRUE(changes.wordChanged(0xFFFE));
    EXPECT_FALSE(changes.wordChanged(0x0001));
    sim.setMemory(0x1000, 4);  // an edit after the action
    EXPECT_FALSE(changes.memoryChanged(0x1000));
    changes.begin(sim.m);
    EXPECT_TRUE(changes.changedAddresses().empty());
    EXPECT_FALSE(changes.portChanged(0xFF));
    changes.end(sim.m);
    EXPECT_TRUE(changes.changedAddresses().empty());
    // An end without a begin changes nothing.
    changes.end(sim.m);
    EXPECT_TRUE(changes.changedPorts().empty());
}

// Every byte of memory is compared, eight at a time and one by one: a change in any position of a word.
TEST(ChangeTracker, EveryPositionOfMemory) {
    Simulator sim;
    ChangeTracker changes;
    for (uint16_t a : {0x0000, 0x0007, 0x0008, 0x7FFF, 0xFFF8, 0xFFFF}) {
        changes.begin(sim.m);
        sim.setMemory(a, static_cast<uint8_t>(sim.m.mem[a] + 1));
        changes.end(sim.m);
        EXPECT_EQ(changes.changedAddresses(), std::vector<uint16_t>{a});
    }
}

}  // namespace
}  // namespace vandor
