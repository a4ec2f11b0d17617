#include "common/hex.h"

namespace vandor {

std::string hexa(long value, int digits) {
    std::string text(static_cast<size_t>(digits > 0 ? digits : 0), '0');
    // Unsigned arithmetic: a negative value gives its two's-complement digits.
    unsigned long v = static_cast<unsigned long>(value);
    for (int i = digits - 1; i >= 0; --i) {
        text[static_cast<size_t>(i)] = kHexDigits[v & 0xF];
        v >>= 4;
    }
    return text;
}

void appendHex2(std::string& out, uint8_t value) {
    out.push_back(kHexDigits[value >> 4]);
    out.push_back(kHexDigits[value & 0xF]);
}

void appendHex4(std::string& out, uint16_t value) {
    appendHex2(out, static_cast<uint8_t>(value >> 8));
    appendHex2(out, static_cast<uint8_t>(value & 0xFF));
}

int32_t dec(std::string_view text) {
    // Long texts keep the low 32 bits: unsigned arithmetic wraps instead of overflowing.
    uint32_t value = 0;
    for (char ch : text) {
        const int digit = hexDigitValue(ch);
        if (digit < 0) break;
        value = (value << 4) | static_cast<uint32_t>(digit);
    }
    return static_cast<int32_t>(value);
}

std::optional<uint32_t> parseHex(std::string_view text, int maxDigits) {
    if (text.empty() || maxDigits > 8 || text.size() > static_cast<size_t>(maxDigits)) return std::nullopt;
    uint32_t value = 0;
    for (char ch : text) {
        const int digit = hexDigitValue(ch);
        if (digit < 0) return std::nullopt;
        value = value << 4 | static_cast<uint32_t>(digit);
    }
    return value;
}

std::optional<std::string> normaliseHexEntry(std::string_view typed, int digits) {
    while (!typed.empty() && typed.front() == ' ') typed.remove_prefix(1);
    if (typed.size() > static_cast<size_t>(digits)) return std::nullopt;
    std::string text(static_cast<size_t>(digits) - typed.size(), '0');
    for (char ch : typed) {
        const int digit = hexDigitValue(ch);
        if (digit < 0) return std::nullopt;
        text.push_back(kHexDigits[digit]);
    }
    return text;
}

}  // namespace vandor
