// The asynchronous serial line of a trainer kit's terminal, on the 8085's SOD and SID pins: a frame is a
// start bit (0), eight data bits, least significant first, and one or two stop bits (1); the line rests
// at 1 between frames. Time is counted in T-states of the machine, so a frame lasts the same number of
// instructions whatever the speed the program runs at.
//
// SerialDecoder reads what a program sends by toggling SOD: it is told each level the line takes, with
// the T-state from which it holds, and samples every bit in its middle. SerialEncoder drives SID for a
// program that polls it with RIM: a byte handed to it is sent from a given T-state on, and levelAt()
// says what the line reads at any later T-state.
//
//   SerialDecoder rx(SerialFormat{9600, 1, 3'072'000});
//   rx.level(1000, true);          // idle
//   rx.level(2000, false);         // a start bit...
//   rx.advance(6000);              // ...and 4000 T-states later the whole frame has been read
//   for (SerialByte b : rx.take()) show(b.value);
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <vector>

namespace vandor {

inline constexpr std::array<unsigned, 6> kBaudRates = {110, 300, 1200, 2400, 4800, 9600};
inline constexpr double kDefaultClockHz = 3'072'000.0;

struct SerialFormat {
    unsigned baud = 9600;
    unsigned stopBits = 1;  // 1 (8N1) or 2 (8N2)
    double clockHz = kDefaultClockHz;

    // The length of one bit in T-states.
    double bitTStates() const { return clockHz / baud; }
    // Start bit, eight data bits, the stop bits.
    unsigned frameBits() const { return 9 + stopBits; }
    bool operator==(const SerialFormat&) const = default;
};

// One character read off the line; framingError when a stop bit read 0.
struct SerialByte {
    uint8_t value = 0;
    bool framingError = false;
    bool operator==(const SerialByte&) const = default;
};

class SerialDecoder {
public:
    explicit SerialDecoder(SerialFormat format = {});

    const SerialFormat& format() const { return format_; }
    // A new format forgets any character being read.
    void setFormat(const SerialFormat& format);

    // The line holds `high` from T-state t on. Calls come in time order; a time before the last one (the
    // machine's count went back) forgets any character being read.
    void level(uint64_t t, bool high);
    // The line kept its level up to and including t: a character whose last bit is read by then ends.
    void advance(uint64_t t);

    // The characters read since the last take(), oldest first.
    std::vector<SerialByte> take();
    bool reading() const { return state_ == State::Frame; }

private:
    enum class State { WaitIdle, Idle, Frame };
    // Reads the samples due before t (before or at t when `through`) with the line's present level.
    void sampleUpTo(uint64_t t, bool through);
    void restart();

    SerialFormat format_;
    double bit_ = 0;
    State state_ = State::WaitIdle;  // a line that starts low has to rest at 1 before a frame can begin
    bool high_ = false;
    uint64_t last_ = 0;
    double start_ = 0;  // T-state of the start bit's falling edge
    unsigned next_ = 0; // the bit whose middle is sampled next: 0 start, 1-8 data, then the stop bits
    unsigned data_ = 0;
    bool framingError_ = false;
    std::vector<SerialByte> out_;
};

class SerialEncoder {
public:
    explicit SerialEncoder(SerialFormat format = {});

    const SerialFormat& format() const { return format_; }
    // A new format drops the characters not yet sent.
    void setFormat(const SerialFormat& format);

    // Sends a byte from T-state t on, or once the character before it has been sent and the line has
    // rested for `gapBits` bit times after it, so that a program echoing each character it reads has
    // the time to send it back before the next one starts.
    void send(uint8_t byte, uint64_t t);
    // The line's level at T-state t (1 when nothing is being sent). Frames wholly before t are done and
    // dropped, so the times asked should not go back past a finished frame.
    bool levelAt(uint64_t t);
    // Characters still to be sent, the one being sent included.
    size_t pending() const { return frames_.size(); }
    void clear() { frames_.clear(); }

    unsigned gapBits = kEchoGapBits;
    // Rest after each character: a whole frame for the program to read it, another to send it back.
    static constexpr unsigned kEchoGapBits = 20;

private:
    struct Frame {
        double start;
        uint8_t byte;
    };
    SerialFormat format_;
    double bit_ = 0;
    std::deque<Frame> frames_;
    double lastEnd_ = 0;  // when the last frame queued ends, gap included
};

// A terminal on the machine's serial lines: what the program sends on SOD is read by `received`, what the
// user types goes to SID through `typed`. The simulator drives both with its T-state count while one is
// attached (Simulator::terminal).
struct SerialTerminal {
    SerialDecoder received;
    SerialEncoder typed;

    const SerialFormat& format() const { return received.format(); }
    void setFormat(const SerialFormat& format) {
        received.setFormat(format);
        typed.setFormat(format);
    }
};

}  // namespace vandor
