#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "machine/trace.h"

namespace vandor {
namespace {

// One recorded step: the row before, the change the instruction makes, the registers after.
void step(Trace& t, Machine& m, const std::function<void(Machine&)>& execute = [](Machine& x) { ++x.pc; }) {
    t.listainstru(m);
    execute(m);
    t.listareg(m);
}

TEST(Trace, FirstStepAddsTheStartingRegisterRow) {
    Machine m;
    m.mem[0x0000] = 0x3E;  // MVI A,0F
    m.mem[0x0001] = 0x0F;
    m.f = 0x54;
    Trace t;
    step(t, m, [](Machine& x) { x.a = 0x0F; x.pc = 2; });
    ASSERT_EQ(t.size(), 2u);
    EXPECT_EQ(t.lineText(0), "\t\t\t00\t00\t00\t00\t00\t54\t01110\t00\t00\t3E\t0000\t0000");
    EXPECT_EQ(t.lineText(1), "0000\t3E 0F    \tMVI A,0F\t0F\t00\t00\t00\t00\t54\t01110\t00\t00\t3E\t0002\t0000");
    EXPECT_EQ(t.cellText(1, kColIns), "MVI A,0F");
    EXPECT_EQ(t.cellText(1, kColFlags), "01110");
    EXPECT_EQ(Trace::headerTitle(kColDir), "DIR ");
    EXPECT_EQ(Trace::headerLine(),
              "DIR \tDAT      \tINS         \tA \tB \tC \tD \tE \tF \tszapc\tH \tL \tM \tPC  \tSP  ");
}

TEST(Trace, DatIsAlwaysNineCharacters) {
    struct Case { uint16_t at; uint8_t op, b1, b2; const char* dat; const char* ins; };
    for (const Case& c : {Case{0x0100, 0x76, 0, 0, "76       ", "HLT"}, Case{0x0100, 0x3E, 0x0F, 0, "3E 0F    ", "MVI A,0F"},
                          Case{0x0100, 0xC3, 0x00, 0x01, "C3 00 01 ", "JMP 0100"},
                          Case{0xFFFF, 0xC3, 0x00, 0x20, "C3 00 20 ", "JMP 2000"}}) {  // operands from 0000, 0001
        Machine m;
        m.pc = c.at;
        m.mem[c.at] = c.op;
        m.mem[static_cast<uint16_t>(c.at + 1)] = c.b1;
        m.mem[static_cast<uint16_t>(c.at + 2)] = c.b2;
        Trace t;
        t.listainstru(m);
        EXPECT_EQ(t.cellText(1, kColDat), c.dat);
        EXPECT_EQ(t.cellText(1, kColIns), c.ins);
        EXPECT_EQ(t.cellText(1, kColA), "");  // registers of an unfinished step are still empty
    }
}

TEST(Trace, ChangesBetweenStepsAddARegisterRow) {
    Machine plain;
    Trace steps;
    for (int i = 0; i < 5; ++i) step(steps, plain);
    EXPECT_EQ(steps.size(), 6u);

    const std::function<void(Machine&)> edits[] = {
        [](Machine& x) { x.a = 1; }, [](Machine& x) { x.b = 1; }, [](Machine& x) { x.c = 1; },
        [](Machine& x) { x.d = 1; }, [](Machine& x) { x.e = 1; }, [](Machine& x) { x.f = 0x02; },
        [](Machine& x) { x.h = 1; }, [](Machine& x) { x.l = 1; }, [](Machine& x) { x.mem[0] = 0x99; },
        [](Machine& x) { x.pc = 0x0200; }, [](Machine& x) { x.sp = 0x2000; },
    };
    for (size_t i = 0; i < std::size(edits); ++i) {
        Machine m;
        Trace t;
        step(t, m);
        edits[i](m);
        step(t, m);
        ASSERT_EQ(t.size(), 4u) << i;
        EXPECT_TRUE(t.lineText(2).starts_with("\t\t\t")) << i;
        EXPECT_EQ(t.row(3).length, 1) << i;
    }

    steps.clear();
    step(steps, plain);
    ASSERT_EQ(steps.size(), 2u);
    EXPECT_EQ(steps.cellText(0, kColPC), "0005");
}

TEST(Trace, TxtflagsShowsSZAPC) {
    EXPECT_EQ(txtflags(0x54), "01110");
    EXPECT_EQ(txtflags(0x81), "10001");
    EXPECT_EQ(txtflags(0x2A), "00000");
}

TEST(Trace, SaveWritesEveryLineWithCrLf) {
    Machine m;
    Trace t;
    for (int i = 0; i < 70000; ++i) step(t, m, [](Machine& x) { x.pc = static_cast<uint16_t>(x.pc + 1); ++x.a; });
    const auto path = std::filesystem::temp_directory_path() / "vandor_trace_save_test.txt";
    ASSERT_TRUE(t.save(path.string()));
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    std::string expected = Trace::headerLine() + "\r\n";
    for (size_t i = 0; i < t.size(); ++i) expected += t.lineText(i) + "\r\n";
    EXPECT_TRUE(s.str() == expected);
    std::filesystem::remove(path);

    EXPECT_FALSE(t.save((std::filesystem::temp_directory_path() / "no-such-dir" / "x.txt").string()));
}

// Step number k leaves a row that tells k: PC before the step k, PC after k + 1, A and B its high bytes.
void numberedStep(Trace& t, Machine& m, uint64_t k) {
    m.pc = static_cast<uint16_t>(k);
    m.a = static_cast<uint8_t>(k >> 16);
    m.b = static_cast<uint8_t>(k >> 24);
    t.listainstru(m);
    m.pc = static_cast<uint16_t>(k + 1);
    m.a = static_cast<uint8_t>((k + 1) >> 16);
    m.b = static_cast<uint8_t>((k + 1) >> 24);
    t.listareg(m);
}

uint64_t stepOf(const TraceRow& row) { return uint64_t{row.b} << 24 | uint64_t{row.a} << 16 | row.pc; }

// A trace that reached its capacity drops its oldest rows: it keeps the latest ones, in order, across
// block boundaries and the reuse of blocks, and counts what it dropped.
TEST(TraceRing, KeepsTheLatestRows) {
    struct Case { size_t capacity; uint64_t steps; };
    const Case cases[] = {{1, 10}, {7, 100}, {65536, 200000}, {65537, 200000}, {100000, 300001}, {500000, 1000}};
    for (const Case& c : cases) {
        Machine m;
        Trace t;
        t.setCapacity(c.capacity);
        m.pc = 0;
        m.a = m.b = 0;
        numberedStep(t, m, 0);  // the register row of the start, then the row of step 0
        for (uint64_t k = 1; k < c.steps; ++k) numberedStep(t, m, k);
        const uint64_t rows = c.steps + 1;
        const size_t kept = static_cast<size_t>(std::min<uint64_t>(rows, c.capacity));
        ASSERT_EQ(t.size(), kept) << c.capacity;
        EXPECT_EQ(t.dropped(), rows - kept) << c.capacity;
        for (size_t i = 0; i < kept; i += 1 + kept / 1000) {
            // The i-th row kept is that of this step; -1 is the register row of the start.
            const int64_t step = static_cast<int64_t>(c.steps) - static_cast<int64_t>(kept) + static_cast<int64_t>(i);
            ASSERT_EQ(stepOf(t.row(i)), static_cast<uint64_t>(step + 1)) << c.capacity << " row " << i;
            if (step >= 0) {
                ASSERT_EQ(t.row(i).dir, static_cast<uint16_t>(step)) << c.capacity << " row " << i;
            } else {
                ASSERT_EQ(t.row(i).length, 0) << c.capacity;
            }
        }
        EXPECT_EQ(stepOf(t.row(kept - 1)), c.steps);
    }
}

TEST(TraceRing, CapacityLoweredDropsAtOnceAndClearStartsAgain) {
    Machine m;
    Trace t;
    for (uint64_t k = 0; k < 150000; ++k) numberedStep(t, m, k);
    ASSERT_EQ(t.size(), 150001u);
    t.setCapacity(70000);
    EXPECT_EQ(t.size(), 70000u);
    EXPECT_EQ(t.dropped(), 80001u);
    EXPECT_EQ(stepOf(t.row(0)), 150000u - 70000u + 1);
    numberedStep(t, m, 150000);
    EXPECT_EQ(t.size(), 70000u);
    EXPECT_EQ(stepOf(t.row(69999)), 150001u);

    const uint64_t generation = t.generation();
    t.clear();
    EXPECT_EQ(t.generation(), generation + 1);
    EXPECT_EQ(t.size(), 0u);
    EXPECT_EQ(t.dropped(), 0u);
    numberedStep(t, m, 7);
    EXPECT_EQ(t.size(), 2u);  // a new trace starts with its register row
    EXPECT_EQ(t.row(0).length, 0);
}

// Rows written in place by a loop count like rows appended one by one, capacity included.
TEST(TraceRing, RowsWrittenInPlace) {
    Machine m;
    Trace t;
    t.setCapacity(100000);
    t.noteState(m);  // the register row of the start
    uint64_t instructions = 0, registerRows = 1;
    TraceRows::Room room = t.openRows();
    while (instructions < 250000) {
        if (room.next == room.end) {
            t.closeRows(room.next);
            room = t.openRows();
        }
        TraceRow& row = *room.next++;
        Trace::startInstruction(row, static_cast<uint16_t>(instructions), m.mem.data());
        row.regsFilled = 1;
        ++instructions;
        if (instructions % 70001 == 0) {  // a step recorded the usual way in between
            t.closeRows(room.next);
            numberedStep(t, m, instructions++);
            ++registerRows;  // the rows written in place did not hold m's registers
            room = t.openRows();
        }
    }
    t.closeRows(room.next);
    ASSERT_EQ(t.size(), 100000u);
    EXPECT_EQ(t.dropped(), instructions + registerRows - 100000);
    // The instruction rows kept are the latest, one after the other.
    uint16_t expected = 0;
    bool first = true;
    for (size_t i = 0; i < t.size(); ++i) {
        if (t.row(i).length == 0) continue;
        if (!first) {
            ASSERT_EQ(t.row(i).dir, expected) << i;
        }
        first = false;
        expected = static_cast<uint16_t>(t.row(i).dir + 1);
    }
    EXPECT_EQ(expected, static_cast<uint16_t>(instructions));
}

// Full blocks handed to a sink as soon as they are full: every row, complete, in order; the trace keeps
// only the block being filled.
struct Collect final : TraceSink {
    std::vector<TraceRow> rows;
    std::vector<size_t> handed;
    TraceRow* exchange(TraceRow* full, size_t count) override {
        rows.insert(rows.end(), full, full + count);
        handed.push_back(count);
        return full;  // the same block comes back to be filled again
    }
};

TEST(TraceStreaming, EveryRowReachesTheSinkOnce) {
    Machine m;
    Trace t;
    Collect sink;
    t.streamTo(&sink);
    const uint64_t steps = 3 * TraceRows::kBlockRows + 123;
    for (uint64_t k = 0; k < steps; ++k) numberedStep(t, m, k);
    EXPECT_LE(t.size(), TraceRows::kBlockRows);
    EXPECT_EQ(sink.handed.size(), 3u);
    t.finishStream();
    ASSERT_EQ(sink.rows.size(), steps + 1);
    EXPECT_EQ(sink.rows[0].length, 0);
    for (uint64_t k = 0; k < steps; ++k) {
        ASSERT_TRUE(sink.rows[k + 1].regsFilled) << k;
        ASSERT_EQ(stepOf(sink.rows[k + 1]), k + 1) << k;
    }
    EXPECT_EQ(t.size(), 0u);
}

class TraceStreamFile : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = std::filesystem::temp_directory_path() /
               ("vandor_trace_stream_" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
        std::filesystem::remove_all(dir_);
        std::filesystem::create_directories(dir_);
    }
    void TearDown() override { std::filesystem::remove_all(dir_); }
    std::filesystem::path dir_;
};

// The streamed file holds exactly what "Salvar" writes for the same rows.
TEST_F(TraceStreamFile, SameBytesAsSave) {
    Machine m;
    for (int i = 0; i < 0x10000; ++i) m.mem[static_cast<size_t>(i)] = static_cast<uint8_t>(i * 37);
    Trace kept, streamed;
    const std::string path = (dir_ / "streamed.txt").string();
    {
        std::ofstream(path) << "an older file";
        TraceStream out(path);
        ASSERT_TRUE(out.isOpen());
        streamed.streamTo(&out);
        for (Trace* t : {&kept, &streamed}) {
            Machine run = m;
            for (uint64_t k = 0; k < 2 * TraceRows::kBlockRows + 5000; ++k) {
                run.pc = static_cast<uint16_t>(k * 7919);
                if (k % 1000 == 0) ++run.sp;  // now and then a change between steps: a register row
                t->listainstru(run);
                run.pc = static_cast<uint16_t>(run.pc + 1);
                run.a = static_cast<uint8_t>(k);
                t->listareg(run);
            }
        }
        streamed.finishStream();
        ASSERT_TRUE(out.finish());
    }
    ASSERT_TRUE(kept.save((dir_ / "saved.txt").string()));
    std::ifstream a(path, std::ios::binary), b(dir_ / "saved.txt", std::ios::binary);
    std::ostringstream sa, sb;
    sa << a.rdbuf();
    sb << b.rdbuf();
    EXPECT_GT(sa.str().size(), 10'000'000u);
    EXPECT_TRUE(sa.str() == sb.str());
}

// A target that cannot take the file is found when the stream opens; a failed write is reported by
// finish() and nothing of the run waits for it.
TEST_F(TraceStreamFile, BadTargets) {
    for (const std::string& bad : {dir_.string(), (dir_ / "no" / "t.txt").string()}) {
        TraceStream out(bad);
        EXPECT_FALSE(out.isOpen()) << bad;
        EXPECT_FALSE(out.finish()) << bad;
    }
    if (std::filesystem::exists("/dev/full")) {
        Machine m;
        Trace t;
        TraceStream out("/dev/full");
        t.streamTo(&out);
        for (uint64_t k = 0; k < 3 * TraceRows::kBlockRows; ++k) numberedStep(t, m, k);
        t.finishStream();
        EXPECT_FALSE(out.finish());
    }
}

}  // namespace
}  // namespace vandor
