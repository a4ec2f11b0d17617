#include "hexfile/hexfile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>

#include "common/atomic_file.h"
#include "common/hex.h"

namespace vandor {
namespace {

constexpr std::string_view kEndRecordLine = ":00000001FF";

// A regular file of at most kMaxObjectFileSize bytes, read whole. Opened without waiting, so that a FIFO
// named by mistake is refused instead of blocking; a device such as /dev/zero is no regular file either.
bool readObjectFile(const std::string& path, std::string& contents) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) return false;
    struct stat st {};
    bool ok = ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_size <= kMaxObjectFileSize;
    // The size may still grow while the file is read: never more than the bound plus one byte is taken.
    char buffer[1 << 16];
    while (ok) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) ok = false;
        if (n <= 0) break;
        contents.append(buffer, static_cast<size_t>(n));
        if (contents.size() > static_cast<size_t>(kMaxObjectFileSize)) ok = false;
    }
    ::close(fd);
    return ok;
}

// A field read leniently: the value of its leading hexadecimal digits; characters beyond the end of the
// line are simply absent, so a missing field reads as 0.
unsigned field(std::string_view text, size_t start, size_t width) {
    unsigned value = 0;
    for (size_t i = start; i < start + width && i < text.size(); ++i) {
        const int digit = hexDigitValue(text[i]);
        if (digit < 0) break;
        value = value << 4 | static_cast<unsigned>(digit);
    }
    return value;
}

// One record line without its line end: ":" + length + address + type + data + checksum.
void appendRecord(std::string& out, const CodeImage& memo, unsigned address, unsigned count) {
    unsigned sum = count + (address >> 8) + (address & 0xFF);
    out.push_back(':');
    appendHex2(out, static_cast<uint8_t>(count));
    appendHex4(out, static_cast<uint16_t>(address));
    out.append("00");
    for (unsigned i = 0; i < count; ++i) {
        const auto byte = static_cast<uint8_t>(memo[address + i]);
        appendHex2(out, byte);
        sum += byte;
    }
    appendHex2(out, static_cast<uint8_t>(-sum & 0xFF));
}

// Calls emit(line) for every record of the image, the end record last.
template <class Emit>
bool forEachRecord(const CodeImage& memo, Emit&& emit) {
    std::string line;
    unsigned a = 0;
    while (a < 0x10000) {
        if (memo[a] < 0) {
            ++a;
            continue;
        }
        unsigned n = 0;
        while (n < 16 && a + n < 0x10000 && memo[a + n] >= 0) ++n;
        line.clear();
        appendRecord(line, memo, a, n);
        if (!emit(std::string_view(line))) return false;
        a += n;
    }
    return emit(kEndRecordLine);
}

std::string loadMessage(const std::string& path, std::string_view reason) {
    std::string text = "Error en fichero " + path + ".";
    text.push_back('\r');
    text.append(reason);
    return text;
}

// Splits a text into lines ended by CR LF, LF or CR. A last line without an end counts as a line.
class LineSplitter {
public:
    explicit LineSplitter(std::string_view text) : text_(text) {}
    bool next(std::string_view& line) {
        if (pos_ >= text_.size()) return false;
        size_t end = pos_;
        while (end < text_.size() && text_[end] != '\n' && text_[end] != '\r') ++end;
        line = text_.substr(pos_, end - pos_);
        pos_ = end;
        if (pos_ < text_.size() && text_[pos_] == '\r') ++pos_;
        if (pos_ < text_.size() && text_[pos_] == '\n') ++pos_;
        return true;
    }

private:
    std::string_view text_;
    size_t pos_ = 0;
};

}  // namespace

bool isRightAlignedLoadMessage(std::string_view text) {
    return text.starts_with("Error en fichero ");
}

std::string hexRecords(const CodeImage& memo) {
    std::string text;
    forEachRecord(memo, [&](std::string_view line) {
        text.append(line);
        text.append("\r\n");
        return true;
    });
    return text;
}

bool creafilehex(const CodeImage& memo, const std::string& fhex, TextSink& filehex, MessageSink& messages) {
    filehex.clear();
    AtomicFile out(fhex);
    std::string text;
    const bool written = forEachRecord(memo, [&](std::string_view line) {
        text.assign(line);
        text.append("\r\n");
        if (!out.write(text)) return false;
        filehex.append(text);
        return true;
    });
    // On failure the old object file, if any, stays as it was.
    if (written && out.commit()) return true;
    messages.message("Error creando fichero");
    return false;
}

int extlinfic(Machine& m, std::string_view line, bool* readError) {
    if (readError) *readError = false;
    if (line.empty() || line.front() != ':') return kFormatError;
    const std::string_view s = line.substr(1);

    const unsigned length = field(s, 0, 2);
    const unsigned address = field(s, 2, 4);
    const unsigned type = field(s, 6, 2);
    const unsigned checksum = field(s, s.size() >= 2 ? s.size() - 2 : 0, 2);
    unsigned sum = (address >> 8) + length + (address & 0xFF) + type;

    if (type == 1) return (sum + checksum) % 256 != 0 ? kChecksumError : kEndRecord;
    if (type != 0) return kFormatError;

    if (s.size() < 2) {
        if (readError) *readError = true;
        return kFormatError;
    }
    const std::string_view data = s.size() > 10 ? s.substr(8, s.size() - 10) : std::string_view{};
    for (unsigned k = 0; k < length; ++k) sum += field(data, 2 * k, 2);
    const bool badChecksum = (sum + checksum) % 256 != 0;

    for (unsigned k = 0; k < length; ++k) {
        if (address + k > 0xFFFF) {
            m.synmem();
            if (readError) *readError = true;
            return kFormatError;
        }
        m.savmem(static_cast<uint16_t>(address + k), static_cast<uint8_t>(field(data, 2 * k, 2)));
    }
    m.synmem();
    return badChecksum ? kChecksumError : kRecordStored;
}

bool cargaText(Machine& m, std::string_view contents, const std::string& path, MessageSink& messages) {
    if (contents.empty()) {
        messages.message("Error en lectura");
        return false;
    }
    bool checksumFailed = false;
    LineSplitter lines(contents);
    std::string_view line;
    while (lines.next(line)) {
        bool readError = false;
        const int result = extlinfic(m, line, &readError);
        if (readError) {
            messages.message("Error en lectura");
            return false;
        }
        switch (result) {
        case kChecksumError: checksumFailed = true; break;
        case kFormatError: messages.message(loadMessage(path, "Formato incorrecto.")); return false;
        case kEndRecord:
            if (checksumFailed) {
                messages.message(loadMessage(path, "Error de checksum."));
                return false;
            }
            return true;
        default: break;
        }
    }
    messages.message(loadMessage(path, "No hay código de fin."));
    return false;
}

bool carga(Machine& m, const std::string& path, MessageSink& messages) {
    std::string contents;
    if (!readObjectFile(path, contents)) {
        messages.message("Error en lectura");
        return false;
    }
    return cargaText(m, contents, path, messages);
}

}  // namespace vandor
