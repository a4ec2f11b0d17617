#include "machine/history.h"

#include <algorithm>

namespace vandor {

void History::setStepLimit(size_t steps) {
    stepLimit_ = std::min(steps, kMaxSteps);
    trim();
}

void History::clear() {
    records_.clear();
    cells_.clear();
    // A cleared deque keeps a block or two; a long history's memory goes back now.
    records_.shrink_to_fit();
    cells_.shrink_to_fit();
}

void History::begin(const Snapshot& before) {
    if (stepLimit_ == 0) return;
    records_.push_back({before, 0});
    trim();
}

void History::dropOldest() {
    const uint32_t cells = records_.front().cells;
    records_.pop_front();
    for (uint32_t i = 0; i < cells; ++i) cells_.pop_front();
}

// The latest record stays even when it alone passes the byte budget: it is the step just made.
void History::trim() {
    while (records_.size() > stepLimit_ || (records_.size() > 1 && bytes() > kMaxBytes)) dropOldest();
}

}  // namespace vandor
