#include "common/text_encoding.h"

#include <array>
#include <cstdint>

namespace vandor {
namespace {

// Code points of the bytes 80 to 9F; the rest of the code page equals Latin-1. The undefined bytes 81,
// 8D, 8F, 90 and 9D keep their own value.
constexpr std::array<char16_t, 32> kHigh = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,  // 80-87
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,  // 88-8F
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,  // 90-97
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,  // 98-9F
};

void appendCodePoint(std::string& out, uint32_t cp) {
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | cp >> 6);
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xE0 | cp >> 12);
        out += static_cast<char>(0x80 | (cp >> 6 & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

// The Windows-1252 byte of a code point, or -1.
int windows1252Byte(uint32_t cp) {
    if (cp < 0x80 || (cp >= 0xA0 && cp <= 0xFF)) return static_cast<int>(cp);
    for (size_t i = 0; i < kHigh.size(); ++i)
        if (kHigh[i] == cp) return static_cast<int>(0x80 + i);
    return -1;
}

// Length of the well-formed UTF-8 sequence at p[i], or 0.
size_t sequenceLength(const unsigned char* p, size_t i, size_t n) {
    const unsigned char lead = p[i];
    if (lead < 0x80) return 1;
    size_t extra;
    unsigned char low = 0x80, high = 0xBF;  // the allowed range of the first continuation byte
    if (lead >= 0xC2 && lead <= 0xDF) {
        extra = 1;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        extra = 2;
        if (lead == 0xE0) low = 0xA0;   // overlong
        if (lead == 0xED) high = 0x9F;  // surrogates
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        extra = 3;
        if (lead == 0xF0) low = 0x90;   // overlong
        if (lead == 0xF4) high = 0x8F;  // past U+10FFFF
    } else {
        return 0;
    }
    if (i + extra >= n) return 0;  // cut short at the end
    if (p[i + 1] < low || p[i + 1] > high) return 0;
    for (size_t k = 2; k <= extra; ++k)
        if ((p[i + k] & 0xC0) != 0x80) return 0;
    return extra + 1;
}

}  // namespace

bool isValidUtf8(std::string_view bytes) {
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
    const size_t n = bytes.size();
    size_t i = 0;
    while (i < n) {
        // Runs of ASCII, the common case, eight bytes at a time.
        while (i + 8 <= n) {
            uint64_t word = 0;
            for (size_t k = 0; k < 8; ++k) word |= static_cast<uint64_t>(p[i + k]) << (8 * k);
            if (word & 0x8080808080808080ULL) break;
            i += 8;
        }
        if (i >= n) break;
        const size_t length = sequenceLength(p, i, n);
        if (length == 0) return false;
        i += length;
    }
    return true;
}

TextEncoding detectEncoding(std::string_view bytes) {
    if (!isValidUtf8(bytes)) return TextEncoding::Windows1252;
    return bytes.starts_with(kUtf8Bom) ? TextEncoding::Utf8WithBom : TextEncoding::Utf8;
}

void appendWindows1252AsUtf8(std::string& out, unsigned char byte) {
    appendCodePoint(out, byte >= 0x80 && byte < 0xA0 ? kHigh[byte - 0x80] : byte);
}

std::string toUtf8(std::string_view bytes, TextEncoding encoding) {
    if (encoding != TextEncoding::Windows1252) return std::string(bytes);
    std::string out;
    out.reserve(bytes.size() + bytes.size() / 4);
    for (char ch : bytes) appendWindows1252AsUtf8(out, static_cast<unsigned char>(ch));
    return out;
}

std::string toUtf8(std::string_view bytes) {
    return toUtf8(bytes, isValidUtf8(bytes) ? TextEncoding::Utf8 : TextEncoding::Windows1252);
}

std::optional<std::string> fromUtf8(std::string_view utf8, TextEncoding encoding) {
    const auto* p = reinterpret_cast<const unsigned char*>(utf8.data());
    const size_t n = utf8.size();
    if (encoding != TextEncoding::Windows1252) {
        if (!isValidUtf8(utf8)) return std::nullopt;
        return std::string(utf8);
    }
    std::string out;
    out.reserve(n);
    for (size_t i = 0; i < n;) {
        const size_t length = sequenceLength(p, i, n);
        if (length == 0) return std::nullopt;
        uint32_t cp = length == 1 ? p[i] : p[i] & (0x7F >> length);
        for (size_t k = 1; k < length; ++k) cp = cp << 6 | (p[i + k] & 0x3F);
        const int byte = windows1252Byte(cp);
        if (byte < 0) return std::nullopt;
        out += static_cast<char>(byte);
        i += length;
    }
    return out;
}

}  // namespace vandor
