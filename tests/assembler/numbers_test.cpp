#include "assembler/numbers.h"

#include <gtest/gtest.h>

#include <string>

namespace vandor {
namespace {

struct NumberCase {
    const char* text;
    bool tipo;
    int32_t expected;
};

TEST(Numbers, LiteralsAndSumsThroughCmpnum) {
    const NumberCase cases[] = {
        {"0FFH", false, 255},      {"FFH", true, -1},        {"H", true, -1},          {"B", true, -1},
        {"D", true, -1},           {"10B", false, 2},        {"12B", true, -1},        {"0BH", false, 11},
        {"12D", false, 12},        {"12", false, 12},        {"255", false, 255},      {"256", false, -2},
        {"0FFFFH", true, 65535},   {"10000H", true, -2},     {"1 + 2", false, 3},      {"1 0", true, -1},
        {"300-100", false, 200},   {"100H+100H", false, -2}, {"5-10", true, -5},       {"-5", true, -1},
        {"5+", true, -1},          {"5+-3", true, -1},       {"", true, -1},           {"TABLA+2", true, -1},
        {"0FFH+1", false, -2},     {"0FFH+1", true, 256},    {"65535+1", true, -2},    {"5-6", true, -1},
        {"1A", true, -1},          {"0AG", true, -1},        {"0ah", true, -1},        {"1111111111111111B", true, 65535},
        {"7FFFFFFFH", true, -2},   {"80000000H", true, -1},  {"2147483647", true, -2}, {"2147483648", true, -1},
        {"99999999999999999999", true, -1},                  {"0000000000000000000001H", false, 1},
        {"10000H-1", true, -1},    {"  7  ", false, -1},     {"1+2+3-4", false, 2},    {"0-0", false, 0},
    };
    for (const NumberCase& c : cases) EXPECT_EQ(cmpnum(c.text, c.tipo), c.expected) << '"' << c.text << '"';
}

TEST(Numbers, ConvertersGiveMinusOneAboveTheSigned32BitRange) {
    EXPECT_EQ(bintodec("1011"), 11);
    EXPECT_EQ(bintodec(std::string(31, '1')), 0x7FFFFFFF);
    EXPECT_EQ(bintodec("1" + std::string(31, '0')), -1);
    EXPECT_EQ(bintodec(std::string(200, '0') + "1"), 1);
    EXPECT_EQ(hextodec("7FFFFFFF"), 0x7FFFFFFF);
    EXPECT_EQ(hextodec("80000000"), -1);
    EXPECT_EQ(hextodec("ABCDEF"), 0xABCDEF);
    EXPECT_EQ(dectodec("2147483647"), 2147483647);
    EXPECT_EQ(dectodec("2147483648"), -1);
    EXPECT_EQ(dectodec(std::string(100000, '9')), -1);
}

TEST(Numbers, OperandValuesWithSymbols) {
    SymbolTable symbols;
    symbols.add("TABLA", 0x1234);
    symbols.add("FIN", 0x0110);
    symbols.add("INICIO", 0x0100);
    symbols.add("FFH", 0x42);
    symbols.add("12", 0x99);
    symbols.add("TABLA", 0x5555);  // a later definition never wins
    symbols.add("ALTO", 0x10002);  // a label after the end of memory
    const NumberCase cases[] = {
        {"TABLA", true, 0x1234},      {"TABLA", false, -2},        {"TABLA+2", true, 0x1236},
        {"TABLA-1230H", false, 4},    {"TABLA + 2", true, 0x1236}, {"FIN-INICIO", false, 0x10},
        {"INICIO-FIN", true, -16},    {"FFH", false, 0x42},        {"12", false, 12},
        {"1 0", true, 10},            {"NADA", true, -1},          {"NADA+1", true, -1},
        {"256", false, -2},           {"0FFFFH", true, 65535},     {"", false, -1},
        {"ALTO", true, -2},           {"ALTO-2", true, -1},        {"-TABLA", true, -1},
        {"TABLA+TABLA", false, -2},   {"FIN+FIN+FIN", true, 0x330},
    };
    for (const NumberCase& c : cases) {
        std::string text = c.text;
        EXPECT_EQ(sacaoperando(text, c.tipo, symbols), c.expected) << '"' << c.text << '"';
        EXPECT_EQ(text.find(' '), std::string::npos) << "blanks are deleted in place: " << c.text;
    }
    std::string none = "X";
    EXPECT_EQ(sacaoperando(none, true, SymbolTable{}), -1);
}

TEST(Numbers, SymbolTableKeepsOrderCountsEarlierNamesAndFindsTheFirst) {
    SymbolTable t;
    EXPECT_EQ(t.add("A", 1), 0);
    EXPECT_EQ(t.add("B", 2), 0);
    EXPECT_EQ(t.add("A", 3), 1);
    EXPECT_EQ(t.add("A", 4), 2);
    ASSERT_EQ(t.entries().size(), 4u);
    EXPECT_EQ(t.entries()[2].value, 3);
    EXPECT_EQ(t.find("A")->value, 1);
    EXPECT_EQ(t.find("a"), nullptr);
    t.clear();
    EXPECT_TRUE(t.empty());
    EXPECT_EQ(t.find("A"), nullptr);
}

TEST(Numbers, LongSumsAreReadWithoutOverflow) {
    std::string sum = "1";
    for (int i = 0; i < 200000; ++i) sum += "+0FFFFH";
    EXPECT_EQ(cmpnum(sum, true), -2);
    std::string difference = "0";
    for (int i = 0; i < 200000; ++i) difference += "-0FFFFH";
    EXPECT_LT(cmpnum(difference, true), 0);
    std::string balanced;
    for (int i = 0; i < 50000; ++i) balanced += "7+";
    balanced += "0";
    for (int i = 0; i < 50000; ++i) balanced += "-7";
    EXPECT_EQ(cmpnum(balanced, false), 0);
}

}  // namespace
}  // namespace vandor
