#include "machine/trace.h"

#include <sys/mman.h>

#include <algorithm>
#include <array>
#include <condition_variable>
#include <cstring>
#include <filesystem>
#include <future>
#include <mutex>
#include <new>
#include <memory>
#include <thread>
#include <utility>
#include <vector>

#include "common/atomic_file.h"
#include "common/opcodes.h"

namespace vandor {
namespace {

// The titles are the segments of the header string between its bars, blanks included.
constexpr std::array<std::string_view, kTraceColumns> kTitles = [] {
    std::array<std::string_view, kTraceColumns> titles{};
    size_t start = 0;
    for (int i = 0; i < kTraceColumns; ++i) {
        size_t end = kTraceHeader.find('|', start);
        if (end == std::string_view::npos) end = kTraceHeader.size();
        titles[static_cast<size_t>(i)] = kTraceHeader.substr(start, end - start);
        start = end + 1;
    }
    return titles;
}();

void appendFlags(std::string& out, uint8_t f) {
    out.push_back(f & kFlagS ? '1' : '0');
    out.push_back(f & kFlagZ ? '1' : '0');
    out.push_back(f & kFlagAC ? '1' : '0');
    out.push_back(f & kFlagP ? '1' : '0');
    out.push_back(f & kFlagCY ? '1' : '0');
}

constexpr size_t kMaxLine = kMaxTraceLine;

// Two hexadecimal digits per byte value, and "\t" + two digits, as whole words to copy.
struct HexTables {
    char hex2[256][2];
    char tabHex2[256][4];  // the fourth character is slack, overwritten by what follows
    char tabFlags[256][8]; // "\t" + szapc, two characters of slack
};
constexpr HexTables kHex = [] {
    HexTables t{};
    for (int v = 0; v < 256; ++v) {
        t.hex2[v][0] = t.tabHex2[v][1] = kHexDigits[v >> 4];
        t.hex2[v][1] = t.tabHex2[v][2] = kHexDigits[v & 0xF];
        t.tabHex2[v][0] = '\t';
        t.tabFlags[v][0] = '\t';
        const uint8_t bits[5] = {kFlagS, kFlagZ, kFlagAC, kFlagP, kFlagCY};
        for (int i = 0; i < 5; ++i) t.tabFlags[v][1 + i] = (v & bits[i]) ? '1' : '0';
    }
    return t;
}();

inline char* put2(char* p, uint8_t v) {
    std::memcpy(p, kHex.hex2[v], 2);
    return p + 2;
}
inline char* put4(char* p, uint16_t v) { return put2(put2(p, static_cast<uint8_t>(v >> 8)), static_cast<uint8_t>(v)); }
inline char* putTab2(char* p, uint8_t v) {
    std::memcpy(p, kHex.tabHex2[v], 4);
    return p + 3;
}

// One line of the file with its CR LF.
char* formatLine(char* p, const TraceRow& row) {
    if (row.length) {
        p = put4(p, row.dir);
        *p++ = '\t';
        // DAT: the three bytes are written whatever the length, then the ones the instruction does not
        // have are blanked; the blanks that run on past the cell are overwritten by what follows. No
        // branch on the length, which changes from row to row.
        for (int i = 0; i < 3; ++i) {
            put2(p + 3 * i, row.bytes[i]);
            p[3 * i + 2] = ' ';
        }
        std::memcpy(p + 3 * row.length, "         ", 9);
        p[9] = '\t';
        p = putInstructionText(p + 10, {row.bytes[0], row.bytes[1], row.bytes[2]});
    } else {
        *p++ = '\t';
        *p++ = '\t';
    }
    if (row.regsFilled) {
        p = putTab2(p, row.a);
        p = putTab2(p, row.b);
        p = putTab2(p, row.c);
        p = putTab2(p, row.d);
        p = putTab2(p, row.e);
        p = putTab2(p, row.f);
        std::memcpy(p, kHex.tabFlags[row.f], 8);
        p += 6;
        p = putTab2(p, row.h);
        p = putTab2(p, row.l);
        p = putTab2(p, row.m);
        *p++ = '\t';
        p = put4(p, row.pc);
        *p++ = '\t';
        p = put4(p, row.sp);
    } else {
        for (int i = 0; i < kTraceColumns - 3; ++i) *p++ = '\t';
    }
    *p++ = '\r';
    *p++ = '\n';
    return p;
}

void appendLine(std::string& out, const TraceRow& row) {
    char line[kMaxLine];
    const char* end = formatLine(line, row);
    out.append(line, static_cast<size_t>(end - line) - 2);  // without CR LF
}

}  // namespace

TraceRow* TraceRows::newBlock(bool populate) {
    // Pages straight from the system, given back whole on free. A trace that grows past its first block
    // has its next ones made at once, which is cheaper than one fault at a time as the rows reach them; a
    // short trace touches only the pages its rows need.
    void* block = ::mmap(nullptr, kBlockRows * sizeof(TraceRow), PROT_READ | PROT_WRITE,
                         MAP_PRIVATE | MAP_ANONYMOUS | (populate ? MAP_POPULATE : 0), -1, 0);
    if (block == MAP_FAILED) throw std::bad_alloc();
    return static_cast<TraceRow*>(block);
}

void TraceRows::freeBlock(TraceRow* block) {
    if (block) ::munmap(block, kBlockRows * sizeof(TraceRow));
}

TraceRows::~TraceRows() { releaseAll(); }

void TraceRows::releaseAll() {
    for (TraceRow* block : blocks_) freeBlock(block);
    blocks_.clear();
    freeBlock(spare_);
    spare_ = nullptr;
    current_ = nullptr;
}

void TraceRows::clear() {
    releaseAll();
    begin_ = end_ = 0;
    roomStart_ = nullptr;
    last_ = nullptr;
}

void TraceRows::startBlock() {
    TraceRow* next = std::exchange(spare_, nullptr);
    if (sink_ && current_) {
        // Every row of the full block is complete: only the last row appended can still wait for its
        // registers, and that one is the first of the new block.
        TraceRow* given = sink_->exchange(current_, kBlockRows);
        blocks_.pop_front();
        begin_ = end_;
        last_ = nullptr;
        if (!next) next = given; else freeBlock(given);
    }
    if (!next) next = newBlock(end_ != 0);
    blocks_.push_back(next);
    current_ = next;
}

void TraceRows::dropOldest() {
    ++begin_;
    if ((begin_ & kBlockMask) == 0) {
        // The front block holds no kept row any more: it becomes the next new block.
        freeBlock(spare_);
        spare_ = blocks_.front();
        blocks_.pop_front();
    }
}

void TraceRows::dropTo(uint64_t newBegin) {
    while (begin_ < newBegin) {
        const uint64_t blockEnd = (begin_ | kBlockMask) + 1;
        if (newBegin < blockEnd) {
            begin_ = newBegin;
            return;
        }
        begin_ = blockEnd - 1;
        dropOldest();  // the last row of the front block: the block goes
    }
}

bool TraceRows::truncateTo(uint64_t row) {
    if (row >= end_) return true;
    bool complete = true;
    if (row < begin_) {
        // Rows before the first kept one were dropped (a bounded trace) or streamed (a sink may hand them
        // back); the kept ones all go.
        if (sink_) complete = sink_->cut(row);
        row = begin_;
    }
    // The blocks that hold the rows kept, and the one the next row goes into when it is not the start of
    // a new block.
    const uint64_t first = begin_ >> kBlockShift;
    const uint64_t needed = (row & kBlockMask) == 0 ? (row >> kBlockShift) : (row >> kBlockShift) + 1;
    while (blocks_.size() > needed - first) {
        freeBlock(spare_);
        spare_ = blocks_.back();
        blocks_.pop_back();
    }
    current_ = blocks_.empty() ? nullptr : blocks_.back();
    end_ = row;
    last_ = end_ > begin_ ? &rowAt(end_ - 1) : nullptr;
    return complete;
}

void TraceRows::setCapacity(size_t rows) {
    capacity_ = std::max<size_t>(rows, 1);
    if (size() > capacity_) dropTo(end_ - capacity_);
}

void TraceRows::streamTo(TraceSink* sink) {
    if (!empty()) clear();
    sink_ = sink;
}

void TraceRows::finishStream() {
    if (!sink_ || !current_ || end_ == begin_) return;
    const size_t rows = static_cast<size_t>(((end_ - 1) & kBlockMask) + 1);
    freeBlock(sink_->exchange(current_, rows));
    blocks_.clear();
    current_ = nullptr;
    last_ = nullptr;
    begin_ = end_ = 0;
}

void Trace::clear() {
    rows_.clear();
    ++generation_;
}

std::string Trace::cellText(size_t row, int column) const {
    if (row >= rows_.size() || column < 0 || column >= kTraceColumns) return {};
    char line[kMaxLine];
    const char* end = formatLine(line, rows_[row]) - 2;
    const char* cell = line;
    for (int i = 0; i < column; ++i) cell = static_cast<const char*>(std::memchr(cell, '\t', end - cell)) + 1;
    const auto* tab = static_cast<const char*>(std::memchr(cell, '\t', end - cell));
    return std::string(cell, tab ? tab : end);
}

std::string Trace::tstatesText(size_t row) const {
    if (row >= rows_.size()) return {};
    const TraceRow& r = rows_[row];
    if (!r.regsFilled || r.tstates == 0) return {};
    return std::to_string(r.tstates);
}

std::string_view Trace::headerTitle(int column) {
    if (column < 0 || column >= kTraceColumns) return {};
    return kTitles[static_cast<size_t>(column)];
}

std::string Trace::lineText(size_t row) const {
    std::string text;
    if (row < rows_.size()) appendLine(text, rows_[row]);
    return text;
}

std::string Trace::headerLine() {
    std::string text;
    for (int column = 0; column < kTraceColumns; ++column) {
        if (column) text.push_back('\t');
        text.append(kTitles[static_cast<size_t>(column)]);
    }
    return text;
}

bool Trace::save(const std::string& path) const {
    AtomicFile file(path);
    if (!file.isOpen()) return false;
    auto write = [&](const char* data, size_t size) { return size == 0 || file.write(data, size); };

    const std::string header = headerLine() + "\r\n";
    if (!write(header.data(), header.size())) return false;

    // Rows are formatted a batch at a time into a buffer that is written whole. Formatting, not writing,
    // bounds the speed of a large trace, so a second thread formats every other batch alongside.
    constexpr size_t kBatchRows = size_t{1} << 15;
    auto format = [this](size_t from, size_t to, char* out) {
        char* p = out;
        for (size_t i = from; i < to; ++i) p = formatLine(p, rows_[i]);
        return static_cast<size_t>(p - out);
    };
    const size_t n = rows_.size();
    std::unique_ptr<char[]> first(new char[kBatchRows * kMaxLine]);
    std::unique_ptr<char[]> second(n > kBatchRows ? new char[kBatchRows * kMaxLine] : nullptr);
    for (size_t i = 0; i < n;) {
        const size_t mid = std::min(n, i + kBatchRows);
        const size_t end = std::min(n, mid + kBatchRows);
        std::future<size_t> other;
        if (mid < end) other = std::async(std::launch::async, format, mid, end, second.get());
        const size_t firstSize = format(i, mid, first.get());
        const size_t secondSize = other.valid() ? other.get() : 0;
        if (!write(first.get(), firstSize) || !write(second.get(), secondSize)) return false;
        i = end;
    }
    return file.commit();
}

char* formatTraceLine(char* out, const TraceRow& row) { return formatLine(out, row); }

std::string txtflags(uint8_t f) {
    std::string text;
    appendFlags(text, f);
    return text;
}

struct TraceStream::Impl {
    // Blocks in circulation between the trace and the writer at most: the run waits beyond that.
    static constexpr size_t kMaxBlocks = 4;

    explicit Impl(const std::string& path) : file(path) {}

    AtomicFile file;
    bool open = false;
    std::thread writer;
    std::mutex lock;
    std::condition_variable work, freed;
    std::deque<std::pair<TraceRow*, size_t>> queue;
    std::vector<TraceRow*> free;
    size_t blocks = 1;  // the trace's own first block
    bool done = false;
    bool failed = false;
    static constexpr size_t kPieceRows = 4096;
    std::unique_ptr<char[]> text{new char[kPieceRows * kMaxLine]};
};

TraceStream::TraceStream(const std::string& path) : impl_(std::make_unique<Impl>(path)) {
    std::error_code ec;
    // A folder by that name would only be found when the finished file is renamed over it.
    if (!impl_->file.isOpen() || std::filesystem::is_directory(path, ec)) return;
    const std::string header = Trace::headerLine() + "\r\n";
    if (!impl_->file.write(header)) return;
    impl_->open = true;
    impl_->writer = std::thread([this] { writeBlocks(); });
}

TraceStream::~TraceStream() {
    if (impl_->writer.joinable()) {
        {
            std::lock_guard<std::mutex> hold(impl_->lock);
            impl_->done = true;
        }
        impl_->work.notify_one();
        impl_->writer.join();
    }
    for (auto& [block, rows] : impl_->queue) TraceRows::freeBlock(block);
    for (TraceRow* block : impl_->free) TraceRows::freeBlock(block);
}

bool TraceStream::isOpen() const { return impl_->open; }

TraceRow* TraceStream::exchange(TraceRow* full, size_t rows) {
    Impl& s = *impl_;
    std::unique_lock<std::mutex> hold(s.lock);
    if (!s.open) {
        // Nothing is written: the block comes straight back.
        return full;
    }
    s.queue.emplace_back(full, rows);
    s.work.notify_one();
    s.freed.wait(hold, [&] { return !s.free.empty() || s.blocks < Impl::kMaxBlocks; });
    if (s.free.empty()) {
        ++s.blocks;
        return nullptr;  // the trace makes a new one
    }
    TraceRow* block = s.free.back();
    s.free.pop_back();
    return block;
}

void TraceStream::writeBlocks() {
    Impl& s = *impl_;
    for (;;) {
        std::pair<TraceRow*, size_t> job;
        {
            std::unique_lock<std::mutex> hold(s.lock);
            s.work.wait(hold, [&] { return !s.queue.empty() || s.done; });
            if (s.queue.empty()) return;
            job = s.queue.front();
            s.queue.pop_front();
        }
        // A piece of the block at a time, so that the text stays in the cache until it is written. After a
        // failed write the run goes on; nothing more is written and finish() reports it.
        for (size_t from = 0; from < job.second && !s.failed; from += Impl::kPieceRows) {
            const size_t to = std::min(job.second, from + Impl::kPieceRows);
            char* p = s.text.get();
            for (size_t i = from; i < to; ++i) p = formatLine(p, job.first[i]);
            if (!s.file.write(s.text.get(), static_cast<size_t>(p - s.text.get()))) s.failed = true;
        }
        {
            std::lock_guard<std::mutex> hold(s.lock);
            s.free.push_back(job.first);
        }
        s.freed.notify_one();
    }
}

bool TraceStream::finish() {
    Impl& s = *impl_;
    if (!s.open) return false;
    {
        std::lock_guard<std::mutex> hold(s.lock);
        s.done = true;
    }
    s.work.notify_one();
    s.writer.join();
    return !s.failed && s.file.commit();
}

}  // namespace vandor
