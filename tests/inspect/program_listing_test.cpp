// The program view's rules in the core: listing around an address, going past the ends with the arrow
// keys and the scroll bar, listing again in place, and the entry row of a selected line.
#include <gtest/gtest.h>

#include <initializer_list>

#include "inspect/program_listing.h"

namespace vandor {
namespace {

void put(Machine& m, uint16_t address, std::initializer_list<uint8_t> bytes) {
    for (uint8_t b : bytes) m.mem[address++] = b;
}

TEST(ProgramListing, ListsAroundAnAddress) {
    Machine m;  // all NOPs
    ProgramListing listing;
    EXPECT_EQ(listing.listAround(m, 0x0100), 12);  // inidisp starts 12 one-byte instructions before
    EXPECT_EQ(listing.size(), 29);
    EXPECT_EQ(listing.line(0).address, 0x00F4);
    EXPECT_EQ(listing.listAround(m, 0x0000), 0);
    EXPECT_EQ(listing.list(m, 0x0010, -1), -1);
    EXPECT_EQ(listing.texts()[0], "0010 00        NOP");
    EXPECT_EQ(listing.addresses()[28], 0x002C);
}

// Up arrow on the first line: one byte back, not one instruction; nothing at 0000.
TEST(ProgramListing, BackOneByte) {
    Machine m;
    put(m, 0x00FE, {0xC3, 0x00});  // JMP at 00FE: one byte back from 0100 shows its operand byte
    ProgramListing listing;
    listing.list(m, 0x0100, -1);
    ASSERT_TRUE(listing.backOneByte(m));
    EXPECT_EQ(listing.line(0).address, 0x00FF);
    listing.list(m, 0x0000, -1);
    EXPECT_FALSE(listing.backOneByte(m));
    EXPECT_EQ(listing.line(0).address, 0x0000);
}

// Scroll bar on the first line: back byte by byte to an address whose instruction is one byte long.
TEST(ProgramListing, BackToShortInstruction) {
    struct Case { std::initializer_list<uint8_t> before; uint16_t first; uint16_t expected; };
    const Case cases[] = {
        {{0x00}, 0x0100, 0x00FF},                          // NOP just before
        {{0x00, 0x3E, 0x3E}, 0x0100, 0x00FD},             // two MVI opcodes skipped
        {{0x01, 0x01, 0x01, 0x01}, 0x0100, 0x00FB},       // LXI B bytes skipped (00FB is NOP)
        {{0xC3, 0xC3}, 0x0002, 0x0000},                   // stops at 0000 whatever is there
    };
    for (const Case& c : cases) {
        Machine m;
        uint16_t at = static_cast<uint16_t>(c.first - c.before.size());
        put(m, at, c.before);
        ProgramListing listing;
        listing.list(m, c.first, -1);
        ASSERT_TRUE(listing.backToShortInstruction(m));
        EXPECT_EQ(listing.line(0).address, c.expected) << c.first;
    }
    Machine m;
    ProgramListing listing;
    listing.list(m, 0x0000, -1);
    EXPECT_FALSE(listing.backToShortInstruction(m));
}

// Down arrow or scroll bar on the last line: the next instruction appended, the first dropped; nothing
// past FFFF.
TEST(ProgramListing, ForwardOneLine) {
    Machine m;
    put(m, 0x001C, {0xC3, 0x00, 0x00});  // the 29th line from 0000 is a JMP
    ProgramListing listing;
    listing.list(m, 0x0000, -1);
    ASSERT_EQ(listing.line(28).address, 0x001C);
    ASSERT_TRUE(listing.forwardOneLine(m));
    EXPECT_EQ(listing.size(), 29);
    EXPECT_EQ(listing.line(0).address, 0x0001);
    EXPECT_EQ(listing.line(28).address, 0x001F);  // after the three bytes of the JMP

    Machine end;
    put(end, 0xFFFD, {0xC3});  // the last instruction ends exactly at FFFF
    listing.list(end, inidisp(end, 0xFFF0), 0xFFF0);
    ASSERT_EQ(listing.lines().back().address, 0xFFFD);
    EXPECT_FALSE(listing.forwardOneLine(end));
    EXPECT_EQ(listing.lines().back().address, 0xFFFD);
}

// After a byte changed, the same first line is listed again and the selected address stays selected;
// following lines may change length.
TEST(ProgramListing, RelistInPlace) {
    Machine m;
    ProgramListing listing;
    listing.list(m, 0x2000, 0x2000);
    m.mem[0x2000] = 0x3E;  // MVI A: the NOP at 2001 becomes its operand
    EXPECT_EQ(listing.relist(m, 0), 0);
    EXPECT_EQ(listing.line(0).text, "2000 3E 00     MVI A,00");
    EXPECT_EQ(listing.line(1).address, 0x2002);
    EXPECT_EQ(listing.relist(m, 1), 1);
    EXPECT_EQ(listing.relist(m, -1), -1);
    m.breakpoints[0x2002] = 1;
    listing.relist(m, 1);
    EXPECT_EQ(listing.line(1).text, "2002*00        NOP");
}

// The entry row takes the line's own bytes: operands the instruction lacks stay empty.
TEST(ProgramListing, EntryRowOfALine) {
    Machine m;
    put(m, 0x0100, {0x3E, 0x0F, 0xC3, 0x34, 0x12, 0x76});
    struct Case { uint16_t at; EntryRow row; };
    const Case cases[] = {
        {0x0100, {"0100", "3E", "0F", "", " MVI A,0F"}},
        {0x0102, {"0102", "C3", "34", "12", " JMP 1234"}},
        {0x0105, {"0105", "76", "", "", " HLT"}},
    };
    for (const Case& c : cases) {
        const EntryRow row = entryRow(programLine(m, c.at));
        EXPECT_EQ(row.address, c.row.address);
        EXPECT_EQ(row.opcode, c.row.opcode);
        EXPECT_EQ(row.operand1, c.row.operand1);
        EXPECT_EQ(row.operand2, c.row.operand2);
        EXPECT_EQ(row.caption, c.row.caption);
    }
}

}  // namespace
}  // namespace vandor
