// What the devices of a headless run put on the input ports and what the program wrote to the output
// ports: `vandor-cli run --in/--out-log` and the `entradas`/`salidas` of an exercise file.
//
// InputQueues: successive IN from a port with a queue read the queue's values in order, then the last one
// again; each value is stored in the port (as savport) before IN reads it, so the port shows what was
// read. OutputLog: one record per OUT, with the number of the step (from 1) that executed it, kept in
// memory or handed to a writer as it comes (a log file of any length). A run that has neither attached
// pays nothing for them.
//
//   InputQueues in;
//   in.add(0x00, {0x05, 0x07});
//   OutputLog out;
//   sim.inputs = &in; sim.outputs = &out;
//   sim.startRun(); sim.run(100);
//   for (const OutputRecord& r : out.records()) ...   // {step 2, port 01, value 05}
#pragma once

#include <array>
#include <bitset>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace vandor {

// Values for one port: an input queue, or the values a program must write.
struct PortValues {
    uint8_t port = 0;
    std::vector<uint8_t> values;
    bool operator==(const PortValues&) const = default;
};

class InputQueues {
public:
    // Values for a port; a port given again has these added after its earlier ones. No values: nothing.
    void add(uint8_t port, const std::vector<uint8_t>& values) {
        if (values.empty()) return;
        auto& q = queues_[port];
        q.insert(q.end(), values.begin(), values.end());
    }
    void add(const std::vector<PortValues>& queues) {
        for (const PortValues& q : queues) add(q.port, q.values);
    }
    bool has(uint8_t port) const { return !queues_[port].empty(); }
    bool empty() const {
        for (const auto& q : queues_)
            if (!q.empty()) return false;
        return true;
    }
    // The value the next IN from the port reads; needs has(port).
    uint8_t next(uint8_t port) {
        const auto& q = queues_[port];
        size_t& at = read_[port];
        const uint8_t v = q[at < q.size() ? at : q.size() - 1];
        if (at < q.size()) ++at;
        return v;
    }
    // How many values of the port's queue have been read (at most its length).
    size_t readCount(uint8_t port) const { return read_[port]; }

private:
    std::array<std::vector<uint8_t>, 256> queues_;
    std::array<size_t, 256> read_{};
};

struct OutputRecord {
    uint64_t step;
    uint8_t port;
    uint8_t value;
    bool operator==(const OutputRecord&) const = default;
};

// Takes the records of an OutputLog as they come instead of the log keeping them.
class OutputWriter {
public:
    virtual ~OutputWriter() = default;
    virtual void written(const OutputRecord& record) = 0;
};

class OutputLog {
public:
    // Every port is recorded unless only some are asked for.
    OutputLog() { kept_.set(); }
    void keepOnly(const std::vector<uint8_t>& ports) {
        kept_.reset();
        for (uint8_t p : ports) kept_.set(p);
    }
    // Keeps at most `count` records of each port; the later ones are only counted (a program that writes
    // without end in a long run does not fill the memory). A writer still gets every record.
    void keepAtMost(size_t count) { limit_ = count; }
    // Records go to `writer` from now on, not kept here.
    void streamTo(OutputWriter* writer) { writer_ = writer; }
    void record(uint64_t step, uint8_t port, uint8_t value) {
        if (!kept_.test(port)) return;
        if (writer_) {
            writer_->written({step, port, value});
        } else if (perPort_[port] < limit_) {
            ++perPort_[port];
            records_.push_back({step, port, value});
        } else {
            ++leftOut_;
        }
    }
    // Records of ports past their limit, not kept.
    uint64_t leftOut() const { return leftOut_; }
    const std::vector<OutputRecord>& records() const { return records_; }
    // The values written to one port, in order.
    std::vector<uint8_t> valuesOf(uint8_t port) const {
        std::vector<uint8_t> v;
        for (const OutputRecord& r : records_)
            if (r.port == port) v.push_back(r.value);
        return v;
    }

private:
    std::bitset<256> kept_;
    std::vector<OutputRecord> records_;
    OutputWriter* writer_ = nullptr;
    size_t limit_ = ~size_t{0};
    std::array<size_t, 256> perPort_{};
    uint64_t leftOut_ = 0;
};

}  // namespace vandor
