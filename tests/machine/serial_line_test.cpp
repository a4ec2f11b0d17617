// The serial line on SOD and SID: frames read at every baud rate and both stop-bit formats, bits sent a
// little fast or slow, framing errors, breaks and glitches, and the encoder's frames read back.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <utility>
#include <vector>

#include "machine/serial_line.h"

namespace vandor {
namespace {

using Edges = std::vector<std::pair<uint64_t, bool>>;

// The levels of one frame as a sender whose bits last `bit` T-states puts them on the line from t0:
// start bit, the data bits from bit 0 up, then `stopBits` stop bits.
void appendFrame(Edges& edges, double t0, double bit, uint8_t byte, unsigned stopBits, bool stopLevel = true) {
    edges.push_back({static_cast<uint64_t>(std::llround(t0)), false});
    for (unsigned k = 0; k < 8; ++k)
        edges.push_back({static_cast<uint64_t>(std::llround(t0 + (k + 1) * bit)), ((byte >> k) & 1) != 0});
    for (unsigned k = 0; k < stopBits; ++k)
        edges.push_back({static_cast<uint64_t>(std::llround(t0 + (9 + k) * bit)), stopLevel});
}

std::string decode(SerialDecoder& rx, const Edges& edges, uint64_t end) {
    for (auto [t, level] : edges) rx.level(t, level);
    rx.advance(end);
    std::string text;
    for (SerialByte b : rx.take()) {
        text.push_back(static_cast<char>(b.value));
        if (b.framingError) text += "<!>";
    }
    return text;
}

// A sender of `text` whose bits are `stretch` times as long as the receiver's, frames back to back.
std::string sendAndRead(const SerialFormat& format, const std::string& text, double stretch = 1.0) {
    const double bit = format.bitTStates() * stretch;
    Edges edges{{100, true}};
    double t = 1000;
    for (char ch : text) {
        appendFrame(edges, t, bit, static_cast<uint8_t>(ch), format.stopBits);
        t += format.frameBits() * bit;
    }
    SerialDecoder rx(format);
    return decode(rx, edges, static_cast<uint64_t>(t) + 1);
}

const std::string kSample = std::string("HOLA\r\n") + '\x00' + '\xFF' + '\x55' + '\xAA' + '\x80' + '\x01';

TEST(SerialDecoder, ReadsEveryBaudRateAndStopFormat) {
    for (double clock : {kDefaultClockHz, 1'000'000.0, 6'144'000.0})
        for (unsigned baud : kBaudRates)
            for (unsigned stop : {1u, 2u}) {
                SCOPED_TRACE(std::to_string(baud) + " baud, " + std::to_string(stop) + " stop bits, clock " +
                             std::to_string(clock));
                EXPECT_EQ(sendAndRead({baud, stop, clock}, kSample), kSample);
            }
}

TEST(SerialDecoder, ToleratesSendersSlightlyOffSpeedButNotFarOff) {
    const SerialFormat format{9600, 1, kDefaultClockHz};
    for (double stretch : {0.96, 0.98, 1.02, 1.04}) {
        SCOPED_TRACE(stretch);
        EXPECT_EQ(sendAndRead(format, kSample, stretch), kSample);
    }
    // A tenth off: the last bits are read in the wrong bit time.
    EXPECT_NE(sendAndRead(format, "HOLA", 1.10), "HOLA");
    EXPECT_NE(sendAndRead(format, "HOLA", 0.90), "HOLA");
}

TEST(SerialDecoder, FramingErrorsBreaksAndGlitches) {
    const SerialFormat format{1200, 1, kDefaultClockHz};
    const double bit = format.bitTStates();
    struct Case {
        const char* what;
        Edges edges;
        std::string expected;
    };
    std::vector<Case> cases;
    {
        Edges e{{0, true}};
        appendFrame(e, 1000, bit, 'A', 1, /*stopLevel=*/false);
        e.push_back({static_cast<uint64_t>(1000 + 11 * bit), true});
        appendFrame(e, 1000 + 12 * bit, bit, 'B', 1);
        cases.push_back({"stop bit at 0, then a good frame", e, "A<!>B"});
    }
    {
        // The line held at 0 for many frames reads as one NUL with a framing error, nothing more until
        // it has rested at 1.
        Edges e{{0, true}, {1000, false}, {static_cast<uint64_t>(1000 + 50 * bit), true}};
        appendFrame(e, 1000 + 52 * bit, bit, 'Z', 1);
        cases.push_back({"break", e, std::string("\0<!>Z", 5)});
    }
    {
        Edges e{{0, true}, {1000, false}, {static_cast<uint64_t>(1000 + 0.3 * bit), true}};
        appendFrame(e, 1000 + 3 * bit, bit, 'x', 1);
        cases.push_back({"a 0 shorter than half a bit is no start bit", e, "x"});
    }
    {
        // SOD is 0 after power-on: a line that has never rested at 1 holds no start bit.
        cases.push_back({"line low from the start", Edges{{0, false}, {static_cast<uint64_t>(30 * bit), false}}, ""});
        Edges f{{0, false}, {static_cast<uint64_t>(2 * bit), true}};
        appendFrame(f, 3 * bit, bit, 'Q', 1);
        cases.push_back({"line raised, then a frame", f, "Q"});
    }
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        SerialDecoder rx(format);
        EXPECT_EQ(decode(rx, c.edges, static_cast<uint64_t>(c.edges.back().first + 20 * bit)), c.expected);
    }
}

TEST(SerialDecoder, TwoStopBitsCatchFramesSentWithOne) {
    SerialFormat one{2400, 1, kDefaultClockHz};
    SerialFormat two{2400, 2, kDefaultClockHz};
    const double bit = one.bitTStates();
    Edges e{{0, true}};
    appendFrame(e, 1000, bit, 'a', 1);
    appendFrame(e, 1000 + 10 * bit, bit, 'b', 1);  // starts where a second stop bit should be
    e.push_back({static_cast<uint64_t>(1000 + 20 * bit), true});
    SerialDecoder rx1(one), rx2(two);
    EXPECT_EQ(decode(rx1, e, 1000 + 30 * bit), "ab");
    EXPECT_EQ(decode(rx2, e, 1000 + 30 * bit).substr(0, 4), "a<!>");
}

TEST(SerialDecoder, CharacterEndsWithItsLastSampleNotWithTheNextEdge) {
    const SerialFormat format{9600, 1, kDefaultClockHz};
    const double bit = format.bitTStates();
    SerialDecoder rx(format);
    Edges e{{0, true}};
    appendFrame(e, 1000, bit, 'K', 1);
    for (auto [t, level] : e) rx.level(t, level);
    rx.advance(static_cast<uint64_t>(1000 + 9.4 * bit));
    EXPECT_TRUE(rx.take().empty());
    EXPECT_TRUE(rx.reading());
    rx.advance(static_cast<uint64_t>(1000 + 9.6 * bit));
    EXPECT_EQ(rx.take(), (std::vector<SerialByte>{{'K', false}}));
    EXPECT_FALSE(rx.reading());
}

TEST(SerialDecoder, CountGoingBackForgetsTheCharacterBeingRead) {
    const SerialFormat format{4800, 1, kDefaultClockHz};
    const double bit = format.bitTStates();
    SerialDecoder rx(format);
    rx.level(0, true);
    rx.level(10000, false);
    rx.level(static_cast<uint64_t>(10000 + 2 * bit), true);
    rx.level(500, true);  // the machine stepped back
    EXPECT_FALSE(rx.reading());
    Edges e;
    appendFrame(e, 1000, bit, 'r', 1);
    EXPECT_EQ(decode(rx, e, static_cast<uint64_t>(1000 + 12 * bit)), "r");
}

// What a program polling SID every `poll` T-states sees, fed to a decoder as the level changes it saw.
std::string pollAndRead(SerialEncoder& tx, const SerialFormat& format, uint64_t from, uint64_t to, unsigned poll) {
    SerialDecoder rx(format);
    for (uint64_t t = from; t <= to; t += poll) rx.level(t, tx.levelAt(t));
    rx.advance(to);
    std::string text;
    for (SerialByte b : rx.take()) text.push_back(static_cast<char>(b.value));
    return text;
}

TEST(SerialEncoder, FramesReadBackAtEveryBaudRate) {
    for (unsigned baud : kBaudRates)
        for (unsigned stop : {1u, 2u}) {
            SCOPED_TRACE(std::to_string(baud) + " baud, " + std::to_string(stop) + " stop bits");
            const SerialFormat format{baud, stop, kDefaultClockHz};
            SerialEncoder tx(format);
            for (char ch : kSample) tx.send(static_cast<uint8_t>(ch), 5000);
            EXPECT_EQ(tx.pending(), kSample.size());
            const auto end = static_cast<uint64_t>(5000 + (kSample.size() + 1) * 2 * 20 * format.bitTStates());
            EXPECT_EQ(pollAndRead(tx, format, 0, end, 18), kSample);
            EXPECT_EQ(tx.pending(), 0u);
        }
}

TEST(SerialEncoder, LevelsOfOneFrameAndTheRestBetweenFrames) {
    const SerialFormat format{9600, 1, 960'000.0};  // 100 T-states a bit
    SerialEncoder tx(format);
    tx.gapBits = 3;
    tx.send(0x35, 1000);  // 0011 0101
    tx.send(0xFF, 1000);
    EXPECT_TRUE(tx.levelAt(999));
    const bool frame[10] = {false, true, false, true, false, true, true, false, false, true};
    for (int k = 0; k < 10; ++k) {
        EXPECT_EQ(tx.levelAt(1000 + 100 * k + 50), frame[k]) << "bit " << k;
    }
    // The second character waits for the first and for three bit times of rest.
    EXPECT_TRUE(tx.levelAt(2000));
    EXPECT_TRUE(tx.levelAt(2299));
    EXPECT_FALSE(tx.levelAt(2300));
    EXPECT_TRUE(tx.levelAt(2400));
    EXPECT_EQ(tx.pending(), 1u);
    EXPECT_TRUE(tx.levelAt(3300));
    EXPECT_EQ(tx.pending(), 0u);
    // A character typed long after starts at once.
    tx.send('x', 90000);
    EXPECT_FALSE(tx.levelAt(90010));
}

}  // namespace
}  // namespace vandor
