// The step history's own rules: records undone newest first with their cells in reverse order of writing,
// cells noted with no record ignored, and the limits by steps and by bytes dropping the oldest records.
#include <gtest/gtest.h>

#include <vector>

#include "machine/history.h"

namespace vandor {
namespace {

Snapshot numbered(uint16_t n) {
    Snapshot s;
    s.pc = n;
    s.tstates = n * 10u;
    return s;
}

TEST(History, UndoesNewestFirstWithCellsInReverse) {
    History h;
    h.noteMemory(0x1000, 1);  // no record yet: not kept
    EXPECT_TRUE(h.empty());
    h.begin(numbered(1));
    h.noteMemory(0x2000, 0xAA);
    h.notePort(0x10, 0xBB);
    h.begin(numbered(2));
    h.noteMemory(0x2000, 0xCC);
    h.noteMemory(0x2000, 0xDD);
    ASSERT_EQ(h.size(), 2u);

    std::vector<UndoCell> restored;
    auto keep = [&](const UndoCell& c) { restored.push_back(c); };
    EXPECT_EQ(h.undo(keep).pc, 2);
    ASSERT_EQ(restored.size(), 2u);
    EXPECT_EQ(restored[0].value, 0xDD);  // the later write's old value first, so the earliest ends in place
    EXPECT_EQ(restored[1].value, 0xCC);
    restored.clear();
    EXPECT_EQ(h.undo(keep).tstates, 10u);
    ASSERT_EQ(restored.size(), 2u);
    EXPECT_EQ(restored[0].port, 1);
    EXPECT_EQ(restored[0].address, 0x10);
    EXPECT_EQ(restored[1].address, 0x2000);
    EXPECT_TRUE(h.empty());
    EXPECT_EQ(h.bytes(), 0u);
}

TEST(History, StepLimitKeepsTheLatest) {
    History h;
    h.setStepLimit(3);
    for (uint16_t n = 1; n <= 5; ++n) {
        h.begin(numbered(n));
        h.noteMemory(n, static_cast<uint8_t>(n));
    }
    ASSERT_EQ(h.size(), 3u);
    std::vector<uint16_t> order;
    while (!h.empty()) {
        uint16_t cell = 0;
        order.push_back(h.undo([&](const UndoCell& c) { cell = c.address; }).pc);
        EXPECT_EQ(cell, order.back());  // each record kept its own cells
    }
    EXPECT_EQ(order, (std::vector<uint16_t>{5, 4, 3}));

    h.setStepLimit(0);
    h.begin(numbered(1));
    EXPECT_TRUE(h.empty());
    EXPECT_FALSE(h.recording());
    h.setStepLimit(5'000'000);
    EXPECT_EQ(h.stepLimit(), History::kMaxSteps);
}

// Steps that each write many cells reach the byte budget before the step limit; a single record larger
// than the budget stays, being the step just made.
TEST(History, ByteBudgetDropsTheOldest) {
    History h;
    const size_t cellsPerStep = 64 * 1024;
    size_t steps = 0;
    for (; steps < 400; ++steps) {
        h.begin(numbered(static_cast<uint16_t>(steps)));
        for (size_t i = 0; i < cellsPerStep; ++i) h.noteMemory(static_cast<uint16_t>(i), 0);
        ASSERT_LE(h.bytes(), History::kMaxBytes + sizeof(Snapshot) * 2 + cellsPerStep * sizeof(UndoCell));
    }
    EXPECT_LT(h.size(), steps);
    EXPECT_GE(h.bytes() + cellsPerStep * sizeof(UndoCell) + 64, History::kMaxBytes);
    EXPECT_EQ(h.undo([](const UndoCell&) {}).pc, steps - 1);

    h.clear();
    h.begin(numbered(7));
    for (size_t i = 0; i < History::kMaxBytes / sizeof(UndoCell) + 10; ++i) h.noteMemory(0, 0);
    EXPECT_EQ(h.size(), 1u);
    EXPECT_GT(h.bytes(), History::kMaxBytes);
}

TEST(History, AMillionPlainStepsFitTheBudget) {
    History h;
    for (size_t n = 0; n < History::kMaxSteps + 10; ++n) {
        h.begin(numbered(static_cast<uint16_t>(n)));
        h.noteMemory(static_cast<uint16_t>(n), 0);  // a PUSH writes two; most steps none
        h.noteMemory(static_cast<uint16_t>(n + 1), 0);
    }
    EXPECT_EQ(h.size(), History::kMaxSteps);
    EXPECT_LE(h.bytes(), History::kMaxBytes);
}

}  // namespace
}  // namespace vandor
