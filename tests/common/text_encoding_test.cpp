#include "common/text_encoding.h"

#include <gtest/gtest.h>

#include <string>

namespace vandor {
namespace {

// Every byte of Windows-1252 against the code point the code page gives it (the undefined five keep
// their value), through the codec both ways.
TEST(TextEncoding, EveryWindows1252ByteDecodesAndEncodesBack) {
    // The code points of 80-9F written out, independently of the codec's own table.
    const char32_t high[32] = {U'€', 0x81,   U'‚', U'ƒ', U'„', U'…', U'†', U'‡', U'ˆ', U'‰', U'Š',
                               U'‹', U'Œ', 0x8D, U'Ž', 0x8F, 0x90, U'‘', U'’', U'“', U'”', U'•',
                               U'–', U'—', U'˜', U'™', U'š', U'›', U'œ', 0x9D, U'ž', U'Ÿ'};
    for (int b = 0; b < 256; ++b) {
        const char32_t expected = b >= 0x80 && b < 0xA0 ? high[b - 0x80] : static_cast<char32_t>(b);
        const std::string byte(1, static_cast<char>(b));
        const std::string utf8 = toUtf8(byte, TextEncoding::Windows1252);
        // Decode the UTF-8 by hand: one to three bytes.
        char32_t cp;
        const auto u = [&](size_t i) { return static_cast<unsigned char>(utf8[i]); };
        if (utf8.size() == 1) cp = u(0);
        else if (utf8.size() == 2) cp = (u(0) & 0x1F) << 6 | (u(1) & 0x3F);
        else cp = (u(0) & 0x0F) << 12 | (u(1) & 0x3F) << 6 | (u(2) & 0x3F);
        EXPECT_EQ(cp, expected) << "byte " << b;
        EXPECT_EQ(fromUtf8(utf8, TextEncoding::Windows1252), byte) << "byte " << b;
    }
}

struct DetectCase {
    std::string bytes;
    TextEncoding encoding;
    const char* why;
};

TEST(TextEncoding, DetectionAndConversionToUtf8) {
    const DetectCase cases[] = {
        {"", TextEncoding::Utf8, "empty"},
        {"MVI A, 5\r\n", TextEncoding::Utf8, "ASCII"},
        {"; Línea ñ €\r\n", TextEncoding::Utf8, "UTF-8"},
        {"\xEF\xBB\xBF; ñ", TextEncoding::Utf8WithBom, "byte order mark"},
        {"\xEF\xBB\xBF; a\xF1" "o", TextEncoding::Windows1252, "a mark before bytes that are not UTF-8"},
        {"; a\xF1" "adir", TextEncoding::Windows1252, "Windows-1252 letter"},
        {"\xC3", TextEncoding::Windows1252, "a lead byte without its continuation"},
        {"ab\xE2\x82", TextEncoding::Windows1252, "a sequence cut short at the end"},
        {"\xC0\xAF", TextEncoding::Windows1252, "an overlong form"},
        {"\xE0\x80\xAF", TextEncoding::Windows1252, "an overlong three-byte form"},
        {"\xED\xA0\x80", TextEncoding::Windows1252, "a UTF-16 surrogate"},
        {"\xF4\x90\x80\x80", TextEncoding::Windows1252, "past U+10FFFF"},
        {"\xF5\x80\x80\x80", TextEncoding::Windows1252, "a lead byte that never starts a sequence"},
        {"\xF0\x9F\x98\x80", TextEncoding::Utf8, "four bytes"},
        {std::string("0123456789abcdef0123456789\xE9", 27), TextEncoding::Windows1252,
         "a foreign byte after a long ASCII run"},
    };
    for (const DetectCase& c : cases) {
        EXPECT_EQ(detectEncoding(c.bytes), c.encoding) << c.why;
        EXPECT_EQ(isValidUtf8(c.bytes), c.encoding != TextEncoding::Windows1252) << c.why;
        // Guessing gives the same text as converting with the detected encoding.
        EXPECT_EQ(toUtf8(c.bytes), toUtf8(c.bytes, c.encoding)) << c.why;
        EXPECT_TRUE(isValidUtf8(toUtf8(c.bytes))) << c.why;
    }
    EXPECT_EQ(toUtf8("\x80 \x93x\x94 \xE1"), "€ “x” á");
    EXPECT_EQ(toUtf8("\xC3"), "Ã");
    EXPECT_EQ(toUtf8("\xED\xA0\x80"), "í\xC2\xA0€");
    EXPECT_EQ(toUtf8("\x81\x8D\x8F\x90\x9D"), "\u0081\u008D\u008F\u0090\u009D");
}

TEST(TextEncoding, Utf8ToWindows1252) {
    EXPECT_EQ(fromUtf8("Código de operación no valido", TextEncoding::Windows1252),
              "C\xF3" "digo de operaci\xF3n no valido");
    EXPECT_EQ(fromUtf8("Línea: ", TextEncoding::Windows1252), "L\xEDnea: ");
    // Characters outside the code page, and text that is not UTF-8, have no Windows-1252 form.
    EXPECT_FALSE(fromUtf8("α", TextEncoding::Windows1252));
    EXPECT_FALSE(fromUtf8("\xF0\x9F\x98\x80", TextEncoding::Windows1252));
    EXPECT_FALSE(fromUtf8("\xF1", TextEncoding::Windows1252));
    // UTF-8 stays UTF-8, and must be valid.
    EXPECT_EQ(fromUtf8("año", TextEncoding::Utf8), "año");
    EXPECT_EQ(fromUtf8("año", TextEncoding::Utf8WithBom), "año");
    EXPECT_FALSE(fromUtf8("a\xF1" "o", TextEncoding::Utf8));
}

}  // namespace
}  // namespace vandor
