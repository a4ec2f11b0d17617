// The hexadecimal text of every view and entry, and the small text helpers.
#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "common/hex.h"
#include "common/text.h"

namespace vandor {
namespace {

TEST(HexText, HexaAndDec) {
    struct Hexa { long value; int digits; const char* text; };
    for (const Hexa& c : {Hexa{0x0F, 2, "0F"}, Hexa{0xAB, 4, "00AB"}, Hexa{0x1234, 2, "34"}, Hexa{-1, 4, "FFFF"},
                          Hexa{-2, 2, "FE"}})
        EXPECT_EQ(hexa(c.value, c.digits), c.text) << c.value;
    struct Dec { std::string text; int32_t value; };
    for (const Dec& c : {Dec{"", 0}, Dec{"ffff", 65535}, Dec{"8000", 32768}, Dec{"1G", 1}, Dec{"G1", 0},
                         Dec{"12345", 74565}, Dec{" 12", 0}, Dec{"FFFFFFFF", -1},
                         Dec{std::string(1000, 'F') + "12", static_cast<int32_t>(0xFFFFFF12u)}})
        EXPECT_EQ(dec(c.text), c.value) << c.text;
}

TEST(HexText, DigitsOfEveryCharacter) {
    for (int ch = 0; ch < 256; ++ch) {
        const char c = static_cast<char>(ch);
        int want = -1;
        if (ch >= '0' && ch <= '9') want = ch - '0';
        if (ch >= 'A' && ch <= 'F') want = ch - 'A' + 10;
        if (ch >= 'a' && ch <= 'f') want = ch - 'a' + 10;
        EXPECT_EQ(hexDigitValue(c), want) << ch;
    }
}

TEST(HexText, AppendedDigits) {
    std::string out;
    appendHex2(out, 0x0A);
    appendHex4(out, 0xBEEF);
    EXPECT_EQ(out, "0ABEEF");
}

TEST(HexText, StrictParse) {
    struct Case { const char* text; int maxDigits; std::optional<uint32_t> value; };
    const Case cases[] = {
        {"0", 4, 0u},        {"1a2B", 4, 0x1A2Bu}, {"FFFF", 4, 0xFFFFu}, {"ff", 2, 0xFFu},
        {"", 4, std::nullopt}, {"12345", 4, std::nullopt}, {"123", 2, std::nullopt},
        {" 12", 4, std::nullopt}, {"12 ", 4, std::nullopt}, {"-1", 4, std::nullopt},
        {"0x12", 4, std::nullopt}, {"G", 4, std::nullopt}, {"FFFFFFFF", 8, 0xFFFFFFFFu},
    };
    for (const Case& c : cases) EXPECT_EQ(parseHex(c.text, c.maxDigits), c.value) << c.text;
}

TEST(HexText, EntryRuleOfTheNumberBoxes) {
    struct Case { const char* typed; int digits; std::optional<std::string> result; };
    const Case cases[] = {
        {"a", 2, "0A"},              // lower case padded
        {"  7", 2, "07"},            // leading blanks dropped
        {"", 2, "00"},               // empty 2
        {"", 4, "0000"},             // empty 4
        {"   ", 4, "0000"},          // only blanks
        {"ffff", 4, "FFFF"},         // full width
        {"7 ", 2, std::nullopt},     // trailing blank
        {"1 2", 2, std::nullopt},    // inner blank
        {"G1", 2, std::nullopt},     // not hexadecimal
        {"123", 2, std::nullopt},    // too long byte
        {"12345", 4, std::nullopt},  // too long word
        {"-1", 2, std::nullopt},     // sign
        {"\t1", 2, std::nullopt},    // a tab is not a blank
        {"\xC3\xA9", 2, std::nullopt},  // non-ASCII letter
    };
    for (const Case& c : cases) EXPECT_EQ(normaliseHexEntry(c.typed, c.digits), c.result) << c.typed;
}

TEST(Text, TrimBlanks) {
    struct Case { const char* text; std::string_view blanks; const char* result; };
    const Case cases[] = {
        {"  MVI A  ", kBlanks, "MVI A"}, {"", kBlanks, ""},          {"   ", kBlanks, ""},
        {"\tX\t", kBlanks, "\tX\t"},     {"\t X \t", kBlanksAndTabs, "X"}, {"a b", kBlanks, "a b"},
        {"x\r\n ", kBlanks, "x\r\n"},
    };
    for (const Case& c : cases) EXPECT_EQ(trimBlanks(c.text, c.blanks), c.result) << c.text;
}

}  // namespace
}  // namespace vandor
