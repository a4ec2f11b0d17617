#include "inspect/trace.h"

#include <array>
#include <cstdio>
#include <memory>

#include "inspect/disasm.h"
#include "inspect/opcodes.h"

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

uint8_t byteAtHL(const Machine& m) { return m.mem[static_cast<uint16_t>(m.h << 8 | m.l)]; }

// Whether the register columns of a row show the machine's current registers (szapc is not compared).
bool sameRegisters(const TraceRow& row, const Machine& m) {
    return row.regsFilled && row.a == m.a && row.b == m.b && row.c == m.c && row.d == m.d && row.e == m.e &&
           row.f == m.f && row.h == m.h && row.l == m.l && row.m == byteAtHL(m) && row.pc == m.pc &&
           row.sp == m.sp;
}

void appendFlags(std::string& out, uint8_t f) {
    out.push_back(f & kFlagS ? '1' : '0');
    out.push_back(f & kFlagZ ? '1' : '0');
    out.push_back(f & kFlagAC ? '1' : '0');
    out.push_back(f & kFlagP ? '1' : '0');
    out.push_back(f & kFlagCY ? '1' : '0');
}

// DAT: the bytes as two digits each, padded to 9 characters.
void appendDat(std::string& out, const TraceRow& row) {
    for (int i = 0; i < 3; ++i) {
        if (i < row.length) {
            appendHex2(out, row.bytes[i]);
            out.push_back(' ');
        } else {
            out.append("   ");
        }
    }
}

void appendCell(std::string& out, const TraceRow& row, int column) {
    const bool instruction = row.length != 0;
    switch (column) {
    case kColDir: if (instruction) appendHex4(out, row.dir); return;
    case kColDat: if (instruction) appendDat(out, row); return;
    case kColIns:
        if (instruction) appendInstructionText(out, {row.bytes[0], row.bytes[1], row.bytes[2]});
        return;
    default: break;
    }
    if (!row.regsFilled) return;
    switch (column) {
    case kColA: appendHex2(out, row.a); break;
    case kColB: appendHex2(out, row.b); break;
    case kColC: appendHex2(out, row.c); break;
    case kColD: appendHex2(out, row.d); break;
    case kColE: appendHex2(out, row.e); break;
    case kColF: appendHex2(out, row.f); break;
    case kColFlags: appendFlags(out, row.f); break;
    case kColH: appendHex2(out, row.h); break;
    case kColL: appendHex2(out, row.l); break;
    case kColM: appendHex2(out, row.m); break;
    case kColPC: appendHex4(out, row.pc); break;
    case kColSP: appendHex4(out, row.sp); break;
    default: break;
    }
}

void appendLine(std::string& out, const TraceRow& row) {
    for (int column = 0; column < kTraceColumns; ++column) {
        if (column) out.push_back('\t');
        appendCell(out, row, column);
    }
}

}  // namespace

void Trace::clear() {
    rows_.clear();
}

void Trace::listainstru(const Machine& m) {
    if (rows_.empty() || !sameRegisters(rows_.back(), m)) {
        rows_.push_back(TraceRow{});
        listareg(m);
    }
    TraceRow row{};
    row.dir = m.pc;
    // Operand bytes past FFFF come from 0000 and 0001, as the wrap-around cells give them.
    row.bytes[0] = m.mem[m.pc];
    row.bytes[1] = m.mem[static_cast<uint16_t>(m.pc + 1)];
    row.bytes[2] = m.mem[static_cast<uint16_t>(m.pc + 2)];
    row.length = static_cast<uint8_t>(opcodeLength(row.bytes[0]));
    rows_.push_back(row);
}

void Trace::listareg(const Machine& m) {
    if (rows_.empty()) rows_.push_back(TraceRow{});
    TraceRow& row = rows_.back();
    row.a = m.a;
    row.b = m.b;
    row.c = m.c;
    row.d = m.d;
    row.e = m.e;
    row.f = m.f;
    row.h = m.h;
    row.l = m.l;
    row.m = byteAtHL(m);
    row.pc = m.pc;
    row.sp = m.sp;
    row.regsFilled = 1;
}

std::string Trace::cellText(size_t row, int column) const {
    std::string text;
    if (row < rows_.size() && column >= 0 && column < kTraceColumns) appendCell(text, rows_[row], column);
    return text;
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
    struct FileCloser {
        void operator()(std::FILE* f) const { std::fclose(f); }
    };
    std::unique_ptr<std::FILE, FileCloser> file(std::fopen(path.c_str(), "wb"));
    if (!file) return false;

    // Rows are formatted into one large buffer that is written whenever it fills.
    constexpr size_t kChunk = 1 << 20;
    std::string buffer;
    buffer.reserve(kChunk + 256);
    auto flush = [&] {
        const bool ok = std::fwrite(buffer.data(), 1, buffer.size(), file.get()) == buffer.size();
        buffer.clear();
        return ok;
    };

    buffer.append(headerLine());
    buffer.append("\r\n");
    for (const TraceRow& row : rows_) {
        appendLine(buffer, row);
        buffer.append("\r\n");
        if (buffer.size() >= kChunk && !flush()) return false;
    }
    if (!flush()) return false;
    return std::fclose(file.release()) == 0;
}

std::string txtflags(uint8_t f) {
    std::string text;
    appendFlags(text, f);
    return text;
}

}  // namespace vandor
