#include "machine/serial_line.h"

#include <algorithm>

namespace vandor {

SerialDecoder::SerialDecoder(SerialFormat format) { setFormat(format); }

void SerialDecoder::setFormat(const SerialFormat& format) {
    format_ = format;
    bit_ = format.bitTStates();
    restart();
}

void SerialDecoder::restart() { state_ = high_ ? State::Idle : State::WaitIdle; }

void SerialDecoder::sampleUpTo(uint64_t t, bool through) {
    const double now = static_cast<double>(t);
    while (state_ == State::Frame) {
        const double at = start_ + (next_ + 0.5) * bit_;
        if (through ? at > now : at >= now) return;
        if (next_ == 0) {
            // Back at 1 by the middle of the start bit: a glitch, not a character.
            if (high_) {
                state_ = State::Idle;
                return;
            }
        } else if (next_ <= 8) {
            if (high_) data_ |= 1u << (next_ - 1);
        } else if (!high_) {
            framingError_ = true;
        }
        if (++next_ == format_.frameBits()) {
            out_.push_back({static_cast<uint8_t>(data_), framingError_});
            // A line still at 0 after the stop bits (a break, or a wrong speed) must rest at 1 first.
            state_ = high_ ? State::Idle : State::WaitIdle;
            return;
        }
    }
}

void SerialDecoder::level(uint64_t t, bool high) {
    if (t < last_) restart();
    sampleUpTo(t, false);
    last_ = t;
    if (high == high_) return;
    high_ = high;
    if (state_ == State::WaitIdle && high) {
        state_ = State::Idle;
    } else if (state_ == State::Idle && !high) {
        state_ = State::Frame;
        start_ = static_cast<double>(t);
        next_ = 0;
        data_ = 0;
        framingError_ = false;
    }
}

void SerialDecoder::advance(uint64_t t) {
    if (t < last_) restart();
    sampleUpTo(t, true);
    last_ = t;
}

std::vector<SerialByte> SerialDecoder::take() {
    std::vector<SerialByte> out;
    out.swap(out_);
    return out;
}

SerialEncoder::SerialEncoder(SerialFormat format) { setFormat(format); }

void SerialEncoder::setFormat(const SerialFormat& format) {
    format_ = format;
    bit_ = format.bitTStates();
    frames_.clear();
    lastEnd_ = 0;
}

void SerialEncoder::send(uint8_t byte, uint64_t t) {
    const double now = static_cast<double>(t);
    const double frameAndGap = (format_.frameBits() + gapBits) * bit_;
    // The machine's count went back (a reset of the count, a step back): the old schedule means nothing.
    if (frames_.empty() && lastEnd_ > now + frameAndGap) lastEnd_ = now;
    const double start = std::max(now, lastEnd_);
    frames_.push_back({start, byte});
    lastEnd_ = start + frameAndGap;
}

bool SerialEncoder::levelAt(uint64_t t) {
    const double now = static_cast<double>(t);
    const double frame = format_.frameBits() * bit_;
    while (!frames_.empty() && now >= frames_.front().start + frame) frames_.pop_front();
    if (frames_.empty() || now < frames_.front().start) return true;
    const auto bit = static_cast<unsigned>((now - frames_.front().start) / bit_);
    if (bit == 0) return false;
    if (bit <= 8) return (frames_.front().byte >> (bit - 1)) & 1;
    return true;
}

}  // namespace vandor
