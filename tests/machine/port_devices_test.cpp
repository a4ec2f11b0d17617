// Devices on the ports of a run: input queues read by IN, the log of every OUT, and the serial terminal
// on SOD and SID driven by the T-state count — each the same through single steps and the continuous
// run, and the serial line read from real bit-banging routines assembled by our assembler.
#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "assembler/driver.h"
#include "machine/port_io.h"
#include "machine/simulator.h"

namespace vandor {
namespace {

std::string readSource(const std::string& relative) {
    std::ifstream in(std::string(VANDOR_SOURCE_DIR) + "/" + relative, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

// Assembles `source` and loads its code into the simulator's memory; PC at 0.
void assembleInto(Simulator& sim, const std::string& source) {
    StringSink listing, object;
    CollectingMessages messages;
    AssemblyRun run;
    ASSERT_TRUE(assembleSource(source, listing, object, messages, run)) << listing.text;
    for (size_t i = 0; i < run.image->size(); ++i)
        if ((*run.image)[i] >= 0) sim.setMemory(static_cast<uint16_t>(i), static_cast<uint8_t>((*run.image)[i]));
    sim.setPC(0);
}

// Counts the HLTs reached; each leaves the machine halted (a run stops there).
struct Halts final : HaltDialog {
    int count = 0;
    HaltChoice chooseHaltExit(bool) override {
        ++count;
        HaltChoice c;
        c.leaveHalted = true;
        return c;
    }
};

// A simulator that notes its HLTs.
struct Machine8085 {
    Simulator sim;
    Halts halts;
    Machine8085() { sim.haltDialog = &halts; }
    bool halted() const { return halts.count > 0; }
};

// Runs up to `steps` steps, by single steps or by the continuous run in batches, stopping at a HLT.
void advance(Machine8085& k, uint64_t steps, bool continuous) {
    Simulator& sim = k.sim;
    if (continuous) {
        sim.startRun();
        while (steps > 0 && sim.running()) {
            const uint64_t batch = std::min<uint64_t>(steps, 997);
            sim.run(batch);
            steps -= batch;
        }
        if (sim.running()) sim.stopRun();
    } else {
        for (uint64_t i = 0; i < steps && !k.halted(); ++i) sim.step();
    }
}

std::string takeText(SerialDecoder& rx) {
    std::string text;
    for (const SerialByte& b : rx.take()) {
        text.push_back(static_cast<char>(b.value));
        if (b.framingError) text += "<!>";
    }
    return text;
}

TEST(InputQueues, ValuesInOrderThenTheLastAgain) {
    struct Case {
        std::vector<std::vector<uint8_t>> given;  // add() calls for port 00
        std::vector<uint8_t> reads;               // successive next(00)
    };
    const Case cases[] = {
        {{{0x05, 0x07, 0x09}}, {0x05, 0x07, 0x09, 0x09, 0x09}},
        {{{0x42}}, {0x42, 0x42}},
        {{{0x01}, {0x02, 0x03}}, {0x01, 0x02, 0x03, 0x03}},  // a port given again: queued after
        {{{}, {0xAA}}, {0xAA, 0xAA}},
    };
    for (const Case& c : cases) {
        InputQueues q;
        for (const auto& values : c.given) q.add(0x00, values);
        ASSERT_TRUE(q.has(0x00));
        EXPECT_FALSE(q.has(0x01));
        std::vector<uint8_t> reads;
        for (size_t i = 0; i < c.reads.size(); ++i) reads.push_back(q.next(0x00));
        EXPECT_EQ(reads, c.reads);
    }
    InputQueues none;
    none.add(0x10, {});
    EXPECT_TRUE(none.empty());
    EXPECT_FALSE(none.has(0x10));
}

TEST(OutputLog, RecordsEveryPortOrOnlyThoseKept) {
    OutputLog all;
    all.record(2, 0x01, 0x05);
    all.record(4, 0x02, 0xFF);
    all.record(9, 0x01, 0x07);
    EXPECT_EQ(all.records(), (std::vector<OutputRecord>{{2, 0x01, 0x05}, {4, 0x02, 0xFF}, {9, 0x01, 0x07}}));
    EXPECT_EQ(all.valuesOf(0x01), (std::vector<uint8_t>{0x05, 0x07}));
    EXPECT_TRUE(all.valuesOf(0x03).empty());

    OutputLog few;
    few.keepAtMost(2);
    for (uint8_t v = 1; v <= 5; ++v) few.record(v, 0x01, v);
    few.record(6, 0x02, 0x66);
    EXPECT_EQ(few.valuesOf(0x01), (std::vector<uint8_t>{1, 2}));
    EXPECT_EQ(few.valuesOf(0x02), (std::vector<uint8_t>{0x66}));  // each port has its own room
    EXPECT_EQ(few.leftOut(), 3u);

    OutputLog some;
    some.keepOnly({0x02});
    some.record(1, 0x01, 0x05);
    some.record(2, 0x02, 0x06);
    EXPECT_EQ(some.records(), (std::vector<OutputRecord>{{2, 0x02, 0x06}}));
}

// IN from queued ports, OUT logged with the number of its step, through steps and through the run.
TEST(PortDevices, QueuesAndLogAlikeThroughStepsAndTheRun) {
    const std::string source =
        "\tORG 0\n"
        "OTRO:\tIN 00H\n"        // steps 1, 8, 15, 22
        "\tORA A\n"
        "\tJZ FIN\n"
        "\tOUT 01H\n"            // steps 4, 11, 18
        "\tIN 20H\n"             // not queued: reads the port as it is
        "\tOUT 02H\n"
        "\tJMP OTRO\n"
        "FIN:\tHLT\n";
    for (bool continuous : {false, true}) {
        SCOPED_TRACE(continuous ? "run" : "steps");
        Machine8085 k;
        Simulator& sim = k.sim;
        assembleInto(sim, source);
        sim.setPort(0x20, 0x5A);
        InputQueues in;
        in.add(0x00, {0x05, 0x07, 0x09, 0x00});
        OutputLog out;
        sim.inputs = &in;
        sim.outputs = &out;
        advance(k, 100, continuous);
        EXPECT_TRUE(k.halted());
        EXPECT_EQ(sim.m.ports[0x00], 0x00);  // the last value read stays in the port
        EXPECT_EQ(out.valuesOf(0x01), (std::vector<uint8_t>{0x05, 0x07, 0x09}));
        EXPECT_EQ(out.valuesOf(0x02), (std::vector<uint8_t>{0x5A, 0x5A, 0x5A}));
        ASSERT_EQ(out.records().size(), 6u);
        EXPECT_EQ(out.records()[0], (OutputRecord{4, 0x01, 0x05}));
        EXPECT_EQ(out.records()[1], (OutputRecord{6, 0x02, 0x5A}));
        EXPECT_EQ(out.records()[2], (OutputRecord{11, 0x01, 0x07}));
        EXPECT_EQ(in.readCount(0x00), 4u);
    }
}

// Step numbers go on from the steps done before the log was attached, as the run counts them.
TEST(PortDevices, StepNumbersCountFromTheFirstStepOfTheMachine) {
    Machine8085 k;
    Simulator& sim = k.sim;
    assembleInto(sim, "\tORG 0\n\tMVI A,11H\n\tOUT 01H\n\tOUT 01H\n\tHLT\n");
    sim.step();
    sim.step();
    OutputLog out;
    sim.outputs = &out;
    advance(k, 5, true);
    EXPECT_EQ(out.records(), (std::vector<OutputRecord>{{3, 0x01, 0x11}}));
}

// A step undone gives the port back the value it held before the queue's value was put there, and the
// output log keeps what ran.
TEST(PortDevices, StepBackUndoesAQueuedInput) {
    for (bool continuous : {false, true}) {
        SCOPED_TRACE(continuous ? "run" : "steps");
        Machine8085 k;
        Simulator& sim = k.sim;
        assembleInto(sim, "\tORG 0\n\tIN 00H\n\tIN 00H\n\tHLT\n");
        sim.setPort(0x00, 0x33);
        sim.setHistoryLimit(100);
        InputQueues in;
        in.add(0x00, {0x05, 0x07});
        sim.inputs = &in;
        advance(k, 2, continuous);
        EXPECT_EQ(sim.m.a, 0x07);
        ASSERT_TRUE(sim.stepBack());
        EXPECT_EQ(sim.m.ports[0x00], 0x05);
        EXPECT_EQ(sim.m.a, 0x05);
        ASSERT_TRUE(sim.stepBack());
        EXPECT_EQ(sim.m.ports[0x00], 0x33);
        EXPECT_EQ(sim.m.a, 0x00);
    }
}

// A routine that sends each character of a text on SOD at `baud`, its bit time from a 16-bit delay loop
// (24 T-states a turn) so that every baud rate at 3.072 MHz is within reach.
std::string bitBanger(const SerialFormat& f, const std::string& text) {
    const double bit = f.bitTStates();
    // The T-states between two SIMs besides the delay's turns.
    const long turns = std::lround((bit - 51) / 24);
    std::string bytes;
    for (char ch : text) bytes += std::to_string(static_cast<unsigned char>(ch)) + ", ";
    return "\tORG 0\n"
           "\tLXI SP,0F000H\n"
           "\tMVI A,0C0H\n"
           "\tSIM\n"
           "\tLXI H,TEXTO\n"
           "OTRO:\tMOV A,M\n"
           "\tORA A\n"
           "\tJZ FIN\n"
           "\tCALL ENVIA\n"
           "\tINX H\n"
           "\tJMP OTRO\n"
           "FIN:\tHLT\n"
           "ENVIA:\tMOV C,A\n"
           "\tXRA A\n"          // the start bit
           "\tMVI B,9\n"
           "\tJMP ESTE\n"
           "BIT:\tMOV A,C\n"
           "\tRRC\n"
           "\tMOV C,A\n"
           "ESTE:\tANI 80H\n"
           "\tORI 40H\n"
           "\tSIM\n"
           "\tLXI D," + std::to_string(turns) + "\n"
           "ESPERA:\tDCX D\n"
           "\tMOV A,D\n"
           "\tORA E\n"
           "\tJNZ ESPERA\n"
           "\tDCR B\n"
           "\tJNZ BIT\n"
           "\tMVI A,0C0H\n"     // stop bits: two bit times of rest
           "\tSIM\n"
           "\tLXI D," + std::to_string(2 * turns + 3) + "\n"
           "PARADA:\tDCX D\n"
           "\tMOV A,D\n"
           "\tORA E\n"
           "\tJNZ PARADA\n"
           "\tRET\n"
           "TEXTO:\tDFB " + bytes + "0\n";
}

TEST(PortDevices, BitBangingRoutineReadAtEveryBaudRateAndFormat) {
    const std::string text = std::string("HOLA\r\n") + '\x01' + '\xFF' + '\xA5' + '\x80';  // 00 ends the text
    for (unsigned baud : kBaudRates) {
        for (unsigned stopBits : {1u, 2u}) {
            for (bool continuous : {false, true}) {
                const SerialFormat format{baud, stopBits, kDefaultClockHz};
                SCOPED_TRACE(std::to_string(baud) + " baudios, " + std::to_string(stopBits) + " de parada, " +
                             (continuous ? "run" : "steps"));
                Machine8085 k;
        Simulator& sim = k.sim;
                assembleInto(sim, bitBanger(format, text));
                SerialTerminal terminal;
                terminal.setFormat(format);
                sim.attachTerminal(&terminal);
                advance(k, 5'000'000, continuous);
                ASSERT_TRUE(k.halted());
                terminal.received.advance(sim.m.tstates);
                EXPECT_EQ(takeText(terminal.received), text);
            }
        }
    }
}

// The same routine read at the wrong speed is not the text: the decoder really follows the bit time.
TEST(PortDevices, WrongBaudRateIsNotTheText) {
    const SerialFormat sent{9600, 1, kDefaultClockHz};
    Machine8085 k;
    Simulator& sim = k.sim;
    assembleInto(sim, bitBanger(sent, "HOLA"));
    SerialTerminal terminal;
    terminal.setFormat({4800, 1, kDefaultClockHz});
    sim.attachTerminal(&terminal);
    advance(k, 1'000'000, true);
    terminal.received.advance(sim.m.tstates);
    EXPECT_NE(takeText(terminal.received), "HOLA");
}

// The example under examples/: greets, then echoes what is typed on SID, a carriage return with a line feed.
TEST(PortDevices, SerialExampleGreetsAndEchoes) {
    for (unsigned stopBits : {1u, 2u}) {
        for (bool continuous : {false, true}) {
            SCOPED_TRACE(std::to_string(stopBits) + (continuous ? " run" : " steps"));
            Machine8085 k;
        Simulator& sim = k.sim;
            assembleInto(sim, readSource("examples/serie.asm"));
            SerialTerminal terminal;
            terminal.setFormat({9600, stopBits, kDefaultClockHz});
            sim.attachTerminal(&terminal);
            advance(k, 20'000, continuous);
            terminal.received.advance(sim.m.tstates);
            EXPECT_EQ(takeText(terminal.received), "HOLA\r\n");
            for (char ch : std::string("ab\r")) terminal.typed.send(static_cast<uint8_t>(ch), sim.m.tstates);
            advance(k, 60'000, continuous);
            terminal.received.advance(sim.m.tstates);
            EXPECT_EQ(takeText(terminal.received), "ab\r\n");
            EXPECT_EQ(terminal.typed.pending(), 0u);
        }
    }
}

// Detached, the line is left alone: SIM still sets SOD, nothing is read.
TEST(PortDevices, DetachedTerminalHearsNothing) {
    Machine8085 k;
    Simulator& sim = k.sim;
    assembleInto(sim, bitBanger({9600, 1, kDefaultClockHz}, "A"));
    SerialTerminal terminal;
    sim.attachTerminal(&terminal);
    sim.detachTerminal(&terminal);
    EXPECT_EQ(sim.terminal(), nullptr);
    advance(k, 100'000, true);
    terminal.received.advance(sim.m.tstates);
    EXPECT_TRUE(terminal.received.take().empty());
    EXPECT_TRUE(k.halted());
}

}  // namespace
}  // namespace vandor
