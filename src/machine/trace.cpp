#include "machine/trace.h"

#include <algorithm>
#include <array>
#include <cstdlib>
#include <cstring>
#include <future>
#include <new>
#include <memory>

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

// Whether the register columns of a row show the machine's current registers (szapc is not compared).
bool sameRegisters(const TraceRow& row, const Machine& m) {
    return row.regsFilled && row.a == m.a && row.b == m.b && row.c == m.c && row.d == m.d && row.e == m.e &&
           row.f == m.f && row.h == m.h && row.l == m.l && row.m == m.byteAtHL() && row.pc == m.pc &&
           row.sp == m.sp;
}

void appendFlags(std::string& out, uint8_t f) {
    out.push_back(f & kFlagS ? '1' : '0');
    out.push_back(f & kFlagZ ? '1' : '0');
    out.push_back(f & kFlagAC ? '1' : '0');
    out.push_back(f & kFlagP ? '1' : '0');
    out.push_back(f & kFlagCY ? '1' : '0');
}

void fillRegisters(TraceRow& row, const Machine& m) {
    row.a = m.a;
    row.b = m.b;
    row.c = m.c;
    row.d = m.d;
    row.e = m.e;
    row.f = m.f;
    row.h = m.h;
    row.l = m.l;
    row.m = m.byteAtHL();
    row.pc = m.pc;
    row.sp = m.sp;
    row.regsFilled = 1;
}

// The file writer formats straight into a character buffer: a line is at most kMaxLine characters.
constexpr size_t kMaxLine = 128;

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
        for (int i = 0; i < 3; ++i) {
            if (i < row.length) {
                p = put2(p, row.bytes[i]);
                *p++ = ' ';
            } else {
                p[0] = p[1] = p[2] = ' ';
                p += 3;
            }
        }
        *p++ = '\t';
        p = putInstructionText(p, {row.bytes[0], row.bytes[1], row.bytes[2]});
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

void TraceRows::FreeBlock::operator()(TraceRow* block) const {
    std::free(block);
}

void TraceRows::addBlock() {
    // calloc of a block this large maps fresh zero pages without writing them.
    auto* block = static_cast<TraceRow*>(std::calloc(kBlockRows, sizeof(TraceRow)));
    if (!block) throw std::bad_alloc();
    blocks_.emplace_back(block);
}

void Trace::clear() {
    rows_.clear();
}

// The fields are written in place: a row built elsewhere and copied in would cost a store-forwarding
// stall per step.
void Trace::listainstru(const Machine& m) {
    if (rows_.empty() || !sameRegisters(rows_.back(), m)) {
        TraceRow& start = rows_.append();
        start = TraceRow{};
        fillRegisters(start, m);
    }
    TraceRow& row = rows_.append();
    row.dir = m.pc;
    // Operand bytes past FFFF come from 0000 and 0001, as the wrap-around cells give them.
    row.bytes[0] = m.mem[m.pc];
    row.bytes[1] = m.mem[static_cast<uint16_t>(m.pc + 1)];
    row.bytes[2] = m.mem[static_cast<uint16_t>(m.pc + 2)];
    row.length = static_cast<uint8_t>(opcodeLength(row.bytes[0]));
    row.regsFilled = 0;
}

void Trace::listareg(const Machine& m) {
    if (rows_.empty()) rows_.append() = TraceRow{};
    fillRegisters(rows_.back(), m);
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

std::string txtflags(uint8_t f) {
    std::string text;
    appendFlags(text, f);
    return text;
}

}  // namespace vandor
