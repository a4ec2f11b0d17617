// Hexadecimal text, as every view shows numbers and every entry reads them: upper-case digits without
// prefix or suffix, 2 for bytes and 4 for addresses. One digit table and one digit reader for the whole
// program.
//
//   hexa(0x3E, 2);                      // "3E"
//   dec("0fz");                         // 15: the leading digits, either case
//   parseHex("1a2b", 4);                // 0x1A2B; nullopt for "", "12345", "1 2"
//   normaliseHexEntry(" a", 2);         // "0A": what a number box keeps after an accepted entry
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace vandor {

inline constexpr char kHexDigits[] = "0123456789ABCDEF";

// The value of one hexadecimal digit of either case, -1 for any other character.
constexpr int hexDigitValue(char ch) {
    if (ch >= '0' && ch <= '9') return ch - '0';
    if (ch >= 'A' && ch <= 'F') return ch - 'A' + 10;
    if (ch >= 'a' && ch <= 'f') return ch - 'a' + 10;
    return -1;
}

// Upper-case hexadecimal of exactly `digits` digits (the low ones; negatives as two's complement).
std::string hexa(long value, int digits);
void appendHex2(std::string& out, uint8_t value);
void appendHex4(std::string& out, uint16_t value);

// The leading hexadecimal digits of a text, either case; 0 when there are none. Texts too long for 32 bits
// keep the low 32 bits of their value (no overflow).
int32_t dec(std::string_view text);

// A whole text of 1 to maxDigits hexadecimal digits, either case, nothing else (no blanks, no sign).
std::optional<uint32_t> parseHex(std::string_view text, int maxDigits);

// The entry rule of the number boxes: ASCII letters upper-cased, leading blanks removed, then only
// hexadecimal digits, at most `digits` of them, zero-padded on the left to `digits`. Nothing when the
// entry is rejected.
std::optional<std::string> normaliseHexEntry(std::string_view typed, int digits);

}  // namespace vandor
