#include "machine/changes.h"

#include <cstring>

namespace vandor {

ChangeTracker::Values ChangeTracker::shownValues(const Machine& m) {
    Values v;
    auto set = [&v](ShownValue which, unsigned value) { v.shown[static_cast<size_t>(which)] = static_cast<uint16_t>(value); };
    set(ShownValue::A, m.a);
    set(ShownValue::F, m.f);
    set(ShownValue::B, m.b);
    set(ShownValue::C, m.c);
    set(ShownValue::D, m.d);
    set(ShownValue::E, m.e);
    set(ShownValue::H, m.h);
    set(ShownValue::L, m.l);
    set(ShownValue::M, m.byteAtHL());
    // The pair boxes show the pairs as the registers make them.
    set(ShownValue::BC, unsigned(m.b) << 8 | m.c);
    set(ShownValue::DE, unsigned(m.d) << 8 | m.e);
    set(ShownValue::HL, unsigned(m.h) << 8 | m.l);
    set(ShownValue::PC, m.pc);
    set(ShownValue::SP, m.sp);
    return v;
}

void ChangeTracker::clear() {
    tracking_ = false;
    shownChanged_ = 0;
    flagBits_ = 0;
    memory_.reset();
    ports_.reset();
    addresses_.clear();
    portList_.clear();
}

void ChangeTracker::begin(const Machine& m) {
    clear();
    tracking_ = true;
    before_ = shownValues(m);
    std::memcpy(memoryBefore_.data(), m.mem.data(), memoryBefore_.size());
    portsBefore_ = m.ports;
}

void ChangeTracker::end(const Machine& m) {
    if (!tracking_) return;
    tracking_ = false;
    const Values after = shownValues(m);
    for (int i = 0; i < kShownValues; ++i)
        if (after.shown[static_cast<size_t>(i)] != before_.shown[static_cast<size_t>(i)]) shownChanged_ |= 1u << i;
    flagBits_ = static_cast<uint8_t>(after.shown[static_cast<size_t>(ShownValue::F)] ^
                                     before_.shown[static_cast<size_t>(ShownValue::F)]);

    // Eight bytes compared at a time: a step changes a handful of cells among 65,536.
    constexpr size_t kWord = sizeof(uint64_t);
    for (size_t at = 0; at < memoryBefore_.size(); at += kWord) {
        uint64_t was, is;
        std::memcpy(&was, memoryBefore_.data() + at, kWord);
        std::memcpy(&is, m.mem.data() + at, kWord);
        if (was == is) continue;
        for (size_t i = at; i < at + kWord; ++i) {
            if (memoryBefore_[i] != m.mem[i]) {
                memory_.set(i);
                addresses_.push_back(static_cast<uint16_t>(i));
            }
        }
    }
    for (size_t p = 0; p < portsBefore_.size(); ++p) {
        if (portsBefore_[p] != m.ports[p]) {
            ports_.set(p);
            portList_.push_back(static_cast<uint8_t>(p));
        }
    }
}

}  // namespace vandor
