// Data accesses and watchpoints: the accesses worked out before a step against what every opcode really
// writes (observed) and reads (a cell read is one whose value changes the outcome); the --watch texts;
// the watch list's bits and hits.
#include <gtest/gtest.h>

#include <random>
#include <set>
#include <tuple>
#include <vector>

#include "machine/data_access.h"
#include "machine/executor.h"
#include "machine/watchpoints.h"

namespace vandor {
namespace {

struct Writes final : MachineObserver {
    std::vector<DataAccess> seen;
    void memoryWritten(uint16_t address, uint8_t) override { seen.push_back({address, false, true}); }
    void portWritten(uint8_t port, uint8_t) override { seen.push_back({port, true, true}); }
};

// Every cell an instruction could use besides its own bytes: the bytes at HL, BC, DE, the operand word
// and the byte after it, around SP, and the port named by its second byte.
std::vector<DataAccess> candidates(const Machine& m) {
    const uint16_t w = static_cast<uint16_t>(m.mem[m.pc + 2] << 8 | m.mem[m.pc + 1]);
    std::vector<DataAccess> out;
    for (uint16_t a : {m.addressHL(), uint16_t(m.b << 8 | m.c), uint16_t(m.d << 8 | m.e), w, uint16_t(w + 1), m.sp,
                       uint16_t(m.sp + 1), uint16_t(m.sp - 1), uint16_t(m.sp - 2)})
        out.push_back({a, false, false});
    out.push_back({m.mem[m.pc + 1], true, false});
    return out;
}

uint8_t& cellOf(Machine& m, const DataAccess& cell) {
    return cell.port ? m.ports[cell.address & 0xFF] : m.mem[cell.address];
}

// What one step left: the registers and the candidate cells. The machine is put back as it was after.
std::vector<int> outcome(Machine& m, const std::vector<DataAccess>& cells, Writes* writes = nullptr) {
    const auto saved = std::tuple{m.a, m.b, m.c, m.d, m.e, m.f, m.h, m.l, m.pc, m.sp, m.ie, m.m55, m.m65, m.m75, m.sod};
    std::vector<uint8_t> old;
    for (const DataAccess& cell : cells) old.push_back(cellOf(m, cell));
    m.observer = writes;
    m.EjecutaPASO(false);
    m.observer = nullptr;
    std::vector<int> out = {m.a, m.b, m.c, m.d, m.e, m.f, m.h, m.l, m.pc, m.sp, m.ie, m.m55, m.m65, m.m75, m.sod};
    for (const DataAccess& cell : cells) out.push_back(cellOf(m, cell));
    std::tie(m.a, m.b, m.c, m.d, m.e, m.f, m.h, m.l, m.pc, m.sp, m.ie, m.m55, m.m65, m.m75, m.sod) = saved;
    for (size_t i = cells.size(); i-- > 0;) cellOf(m, cells[i]) = old[i];
    m.synmem();
    return out;
}

bool isInstructionByte(const Machine& m, const DataAccess& cell) {
    if (cell.port) return false;
    for (int i = 0; i < 3; ++i)
        if (cell.address == static_cast<uint16_t>(m.pc + i)) return true;
    return false;
}

TEST(DataAccess, EveryOpcodeWritesExactlyWhatWasForetoldAndReadsNothingElse) {
    std::mt19937 rng(85);
    std::uniform_int_distribution<int> byte(0, 255);
    Machine m;
    for (auto& cell : m.mem) cell = static_cast<uint8_t>(byte(rng));
    for (auto& port : m.ports) port = static_cast<uint8_t>(byte(rng));
    for (int op = 0; op < 256; ++op) {
        if (op == 0x76) continue;  // HLT: the way out of a halt is not the instruction's own access
        std::set<std::pair<uint16_t, bool>> influential, foretoldReads;
        for (int trial = 0; trial < 60; ++trial) {
            // Random registers and flags, the instruction at a random address; small SP values now and
            // then, so that the stack wraps at FFFF.
            m.a = byte(rng); m.b = byte(rng); m.c = byte(rng); m.d = byte(rng);
            m.e = byte(rng); m.f = byte(rng); m.h = byte(rng); m.l = byte(rng);
            m.sp = static_cast<uint16_t>(byte(rng) < 32 ? byte(rng) & 3 : byte(rng) << 8 | byte(rng));
            m.pc = static_cast<uint16_t>(byte(rng) << 8 | byte(rng));
            m.mem[m.pc] = static_cast<uint8_t>(op);
            m.mem[static_cast<uint16_t>(m.pc + 1)] = static_cast<uint8_t>(byte(rng));
            m.mem[static_cast<uint16_t>(m.pc + 2)] = static_cast<uint8_t>(byte(rng));
            m.synmem();
            m.recomputePairs();

            const StepAccesses acc = dataAccesses(m);
            std::vector<DataAccess> foretoldWrites;
            std::set<std::pair<uint16_t, bool>> reads;
            for (int i = 0; i < acc.count; ++i) {
                if (acc.cells[i].write) foretoldWrites.push_back(acc.cells[i]);
                else reads.insert({acc.cells[i].address, acc.cells[i].port});
            }
            const std::vector<DataAccess> cells = candidates(m);
            Writes writes;
            const std::vector<int> plain = outcome(m, cells, &writes);
            ASSERT_EQ(writes.seen.size(), foretoldWrites.size()) << std::hex << op;
            for (size_t i = 0; i < writes.seen.size(); ++i) {
                EXPECT_EQ(writes.seen[i].address, foretoldWrites[i].address) << std::hex << op;
                EXPECT_EQ(writes.seen[i].port, foretoldWrites[i].port) << std::hex << op;
            }
            // A cell whose value changes the outcome (other than itself) was read: it must be foretold.
            for (size_t k = 0; k < cells.size(); ++k) {
                const DataAccess& cell = cells[k];
                if (isInstructionByte(m, cell)) continue;
                cellOf(m, cell) ^= 0xA5;
                m.synmem();
                std::vector<int> changed = outcome(m, cells);
                cellOf(m, cell) ^= 0xA5;
                m.synmem();
                // The cell itself (and its copies in the list) may differ by the change alone.
                std::vector<int> expected = plain;
                for (size_t j = 0; j < cells.size(); ++j) {
                    if (cells[j].address == cell.address && cells[j].port == cell.port) {
                        changed[15 + j] = expected[15 + j] = 0;
                    }
                }
                if (changed != expected) {
                    EXPECT_TRUE(reads.count({cell.address, cell.port}))
                        << std::hex << "opcode " << op << " read " << cell.address << (cell.port ? " (port)" : "");
                    influential.insert({cell.address, cell.port});
                }
            }
            foretoldReads.insert(reads.begin(), reads.end());
        }
        // And the reads foretold are real: over the trials each opcode that reads had some read matter.
        EXPECT_EQ(foretoldReads.empty(), influential.empty()) << std::hex << "opcode " << op;
    }
}

TEST(DataAccess, ConditionalCallsAndReturnsTouchTheStackOnlyWhenTaken) {
    Machine m;
    m.sp = 0x2000;
    for (int cc = 0; cc < 8; ++cc) {
        for (uint8_t f : {uint8_t{0}, uint8_t{0xFF}}) {
            m.f = f;
            const bool taken = executor::condition(f, cc);
            m.mem[m.pc] = static_cast<uint8_t>(0xC4 | cc << 3);  // Ccc
            EXPECT_EQ(dataAccesses(m).count, taken ? 2 : 0) << cc;
            m.mem[m.pc] = static_cast<uint8_t>(0xC0 | cc << 3);  // Rcc
            EXPECT_EQ(dataAccesses(m).count, taken ? 2 : 0) << cc;
        }
    }
}

TEST(WatchpointText, TheFormsOfTheOption) {
    struct Case {
        const char* text;
        std::optional<Watchpoint> parsed;
    };
    const uint8_t R = kWatchRead, W = kWatchWrite;
    const Case cases[] = {
        {"2000", Watchpoint{false, 0x2000, 0x2000, W}},
        {"2000:r", Watchpoint{false, 0x2000, 0x2000, R}},
        {"2000:W", Watchpoint{false, 0x2000, 0x2000, W}},
        {"2000-20ff:rw", Watchpoint{false, 0x2000, 0x20FF, R | W}},
        {"0-FFFF", Watchpoint{false, 0x0000, 0xFFFF, W}},
        {"f", Watchpoint{false, 0x000F, 0x000F, W}},
        {"P10", Watchpoint{true, 0x10, 0x10, W}},
        {"p0-pFF:R", Watchpoint{true, 0x00, 0xFF, R}},
        {"P10-P10:rw", Watchpoint{true, 0x10, 0x10, R | W}},
        {"", std::nullopt},
        {":r", std::nullopt},
        {"2000:", std::nullopt},
        {"2000:x", std::nullopt},
        {"2000:rwx", std::nullopt},
        {"2000:r:w", std::nullopt},
        {"12345", std::nullopt},
        {"20 00", std::nullopt},
        {"G000", std::nullopt},
        {"2000-", std::nullopt},
        {"-2000", std::nullopt},
        {"3000-2000", std::nullopt},
        {"2000-3000-4000", std::nullopt},
        {"P", std::nullopt},
        {"P100", std::nullopt},
        {"P10-20", std::nullopt},
        {"10-P20", std::nullopt},
        {"PF-P1", std::nullopt},
        {"+2000", std::nullopt},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(parseWatchpoint(c.text), c.parsed) << c.text;
        if (c.parsed) {
            EXPECT_EQ(parseWatchpoint(watchpointText(*c.parsed)), c.parsed) << watchpointText(*c.parsed);
        }
    }
    EXPECT_EQ(watchpointText(*parseWatchpoint("p1-pa:rw")), "P01-P0A:rw");
    EXPECT_EQ(watchDescription(*parseWatchpoint("2000-20FF:rw")), "Memoria 2000-20FF, lectura y escritura");
    EXPECT_EQ(watchDescription(*parseWatchpoint("P7:r")), "Puerto 07, lectura");
}

TEST(WatchList, OverlappingEntriesAndRemoval) {
    WatchList list;
    EXPECT_TRUE(list.add(*parseWatchpoint("2000-2FFF:r")));
    EXPECT_TRUE(list.add(*parseWatchpoint("2800-3000:w")));
    EXPECT_FALSE(list.add(*parseWatchpoint("2800-3000:w")));  // already there
    EXPECT_TRUE(list.add(*parseWatchpoint("P80-P81:rw")));
    EXPECT_EQ(list.memory(0x1FFF), 0);
    EXPECT_EQ(list.memory(0x2000), kWatchRead);
    EXPECT_EQ(list.memory(0x2900), kWatchRead | kWatchWrite);
    EXPECT_EQ(list.memory(0x3000), kWatchWrite);
    EXPECT_EQ(list.port(0x81), kWatchRead | kWatchWrite);
    EXPECT_EQ(list.memory(0x0081), 0);
    list.remove(0);
    EXPECT_EQ(list.memory(0x2000), 0);
    EXPECT_EQ(list.memory(0x2900), kWatchWrite);
    list.remove(7);  // no such entry: nothing
    EXPECT_EQ(list.entries().size(), 2u);
    list.clear();
    EXPECT_TRUE(list.empty());
    EXPECT_EQ(list.port(0x80), 0);
}

TEST(WatchList, HitsTellTheCellAndEveryWayItWasTouched) {
    Machine m;
    m.sp = 0x2000;
    m.h = 0x30;
    m.mem[0] = 0xE3;  // XTHL: reads and writes 2000 and 2001
    WatchList list;
    list.add(*parseWatchpoint("2001:rw"));
    auto hit = list.hit(dataAccesses(m));
    ASSERT_TRUE(hit);
    EXPECT_EQ(hit->cell, 0x2001);
    EXPECT_TRUE(hit->read && hit->write);

    list.clear();
    list.add(*parseWatchpoint("2000:w"));
    hit = list.hit(dataAccesses(m));
    ASSERT_TRUE(hit);
    EXPECT_TRUE(hit->write && !hit->read);

    m.mem[0] = 0x7E;  // MOV A,M at 3000: a read, not watched for writes
    list.add(*parseWatchpoint("3000:w"));
    EXPECT_FALSE(list.hit(dataAccesses(m)));
    list.add(*parseWatchpoint("3000:r"));
    EXPECT_TRUE(list.hit(dataAccesses(m)));

    hit->instructionAddress = 0x0103;
    hit->instruction = {0x77, 0, 0};
    hit->cell = 0x2000;
    hit->read = false;
    EXPECT_EQ(watchHitMessage(*hit), "Vigilancia: MOV M,A en 0103 escribió la dirección 2000");
    hit->instruction = {0xDB, 0x10, 0};
    hit->port = true;
    hit->cell = 0x10;
    hit->read = true;
    hit->write = false;
    EXPECT_EQ(watchHitMessage(*hit), "Vigilancia: IN 10 en 0103 leyó el puerto 10");
}

}  // namespace
}  // namespace vandor
