#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>

#include "hexfile/hexfile.h"
#include "support/test_files.h"

namespace vandor {
namespace {

using vandor::test::readFile;
using vandor::test::writeFile;

namespace fs = std::filesystem;

CodeImage emptyImage() {
    CodeImage image;
    image.fill(-1);
    return image;
}

// A scratch folder per test, removed afterwards.
class HexFileTest : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = fs::temp_directory_path() /
               ("vandor_hexfile_" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
        fs::remove_all(dir_);
        fs::create_directories(dir_);
    }
    void TearDown() override { fs::remove_all(dir_); }
    fs::path dir_;
};

TEST(HexRecords, CutsRunsOfUsedAddressesIntoRecords) {
    struct Case { const char* what; std::vector<std::pair<int, int>> used; std::vector<std::string> starts; };
    const Case cases[] = {
        {"nothing", {}, {}},
        {"one byte", {{0x0000, 0x0000}}, {":010000003EC1"}},
        {"twenty bytes", {{0x0003, 0x0016}}, {":10000300", ":04001300"}},
        {"a gap", {{0x0010, 0x0012}, {0x0014, 0x0014}}, {":03001000", ":01001400"}},
        {"end of memory", {{0xFFF8, 0xFFFF}}, {":08FFF800"}},
        {"exactly sixteen", {{0x0100, 0x010F}}, {":10010000"}},
        {"seventeen", {{0x0100, 0x0110}}, {":10010000", ":01011000"}},
    };
    for (const Case& c : cases) {
        CodeImage image = emptyImage();
        for (auto [from, to] : c.used)
            for (int a = from; a <= to; ++a) image[static_cast<size_t>(a)] = 0x3E;
        std::istringstream text(hexRecords(image));
        std::vector<std::string> lines;
        for (std::string line; std::getline(text, line);) {
            ASSERT_TRUE(line.ends_with('\r')) << c.what;
            line.pop_back();
            lines.push_back(line);
        }
        ASSERT_EQ(lines.size(), c.starts.size() + 1) << c.what;
        for (size_t i = 0; i < c.starts.size(); ++i) EXPECT_TRUE(lines[i].starts_with(c.starts[i])) << c.what << i;
        EXPECT_EQ(lines.back(), ":00000001FF") << c.what;
    }
}

TEST_F(HexFileTest, CreafilehexWritesTheFileAndTheBox) {
    CodeImage image = emptyImage();
    image[0] = 0x3E;
    const fs::path path = dir_ / "PROG.HEX";
    writeFile(path, "an older object file that is longer than the new one\r\n");
    StringSink box;
    box.text = "left over";
    CollectingMessages messages;
    ASSERT_TRUE(creafilehex(image, path.string(), box, messages));
    EXPECT_TRUE(messages.messages.empty());
    EXPECT_EQ(readFile(path), ":010000003EC1\r\n:00000001FF\r\n");
    EXPECT_EQ(box.text, ":010000003EC1\r\n:00000001FF\r\n");
    EXPECT_EQ(std::distance(fs::directory_iterator(dir_), fs::directory_iterator()), 1);  // no temporary left
}

TEST_F(HexFileTest, CreafilehexReportsWhatCannotBeWritten) {
    // A missing folder, and a folder standing where the file should go (it stays as it was).
    fs::create_directories(dir_ / "P.HEX" / "inside");
    for (const fs::path& path : {dir_ / "missing" / "P.HEX", dir_ / "P.HEX"}) {
        StringSink box;
        CollectingMessages messages;
        EXPECT_FALSE(creafilehex(emptyImage(), path.string(), box, messages));
        EXPECT_EQ(messages.messages, std::vector<std::string>{"Error creando fichero"});
    }
    EXPECT_TRUE(fs::is_directory(dir_ / "P.HEX" / "inside"));
    EXPECT_EQ(std::distance(fs::directory_iterator(dir_), fs::directory_iterator()), 1);
}

struct LoadCase {
    const char* what;
    std::string contents;
    bool ok;
    std::string reason;  // "" none, "lectura" for "Error en lectura", else the reason after the CR
    std::vector<std::pair<uint16_t, uint8_t>> memory;  // bytes that must be there afterwards
};

TEST(Carga, OutcomesOfEveryKindOfFile) {
    const LoadCase cases[] = {
        {"only the end record", ":00000001FF\r\n", true, "", {}},
        {"one byte", ":010000003EC1\r\n:00000001FF\r\n", true, "", {{0x0000, 0x3E}}},
        {"lower case", ":0201000021ab31\r\n:00000001ff\r\n", true, "", {{0x0100, 0x21}, {0x0101, 0xAB}}},
        {"LF line ends", ":010000003EC1\n:00000001FF\n", true, "", {{0x0000, 0x3E}}},
        {"CR line ends", ":010000003EC1\r:00000001FF\r", true, "", {{0x0000, 0x3E}}},
        {"no last line end", ":010000003EC1\r\n:00000001FF", true, "", {{0x0000, 0x3E}}},
        {"address 8000 and up", ":01FFFE0042C0\r\n:00000001FF\r\n", true, "", {{0xFFFE, 0x42}}},
        {"type 02", ":020000021000EC\r\n:00000001FF\r\n", false, "Formato incorrecto.", {}},
        {"type 04", ":020000040000FA\r\n:00000001FF\r\n", false, "Formato incorrecto.", {}},
        {"no colon", "010000003EC1\r\n:00000001FF\r\n", false, "Formato incorrecto.", {}},
        {"blank line", ":010000003EC1\r\n\r\n:00000001FF\r\n", false, "Formato incorrecto.", {{0x0000, 0x3E}}},
        {"bad data checksum", ":010000003EC2\r\n:010001004FAF\r\n:00000001FF\r\n", false, "Error de checksum.",
         {{0x0000, 0x3E}, {0x0001, 0x4F}}},
        {"bad end checksum", ":010000003EC1\r\n:00000001FE\r\n", false, "No hay código de fin.", {{0x0000, 0x3E}}},
        {"bad end, good end", ":00000001FE\r\n:010000003EC1\r\n:00000001FF\r\n", false, "Error de checksum.",
         {{0x0000, 0x3E}}},
        {"no end record", ":010000003EC1\r\n", false, "No hay código de fin.", {{0x0000, 0x3E}}},
        {"text after the end", ":00000001FF\r\nnot a record\r\n:010000003EC1\r\n", true, "", {{0x0000, 0x00}}},
        {"empty file", "", false, "lectura", {}},
        {"record past FFFF", ":02FFFF00AABB9B\r\n:00000001FF\r\n", false, "lectura", {{0xFFFF, 0xAA}, {0x0000, 0x00}}},
        {"nothing after the colon", ":\r\n:00000001FF\r\n", false, "lectura", {}},
        {"one character after it", ":0\r\n:00000001FF\r\n", false, "lectura", {}},
        {"length longer than the line", ":0400000011EB\r\n:00000001FF\r\n", true, "",
         {{0x0000, 0x11}, {0x0001, 0x00}, {0x0003, 0x00}}},
        {"length longer, checksum off", ":0400000011EC\r\n:00000001FF\r\n", false, "Error de checksum.",
         {{0x0000, 0x11}}},
        {"garbage in a field", ":0G0000003EC1\r\n:00000001FF\r\n", false, "Error de checksum.", {}},
    };
    for (const LoadCase& c : cases) {
        Machine m;
        CollectingMessages messages;
        EXPECT_EQ(cargaText(m, c.contents, "P.HEX", messages), c.ok) << c.what;
        std::vector<std::string> expected;
        if (c.reason == "lectura") expected.push_back("Error en lectura");
        else if (!c.reason.empty()) expected.push_back("Error en fichero P.HEX.\r" + c.reason);
        EXPECT_EQ(messages.messages, expected) << c.what;
        for (auto [address, value] : c.memory) EXPECT_EQ(m.mem[address], value) << c.what << " at " << address;
        EXPECT_EQ(m.mem[0x10000], m.mem[0]) << c.what;
        EXPECT_EQ(m.mem[0x10001], m.mem[1]) << c.what;
    }
}

TEST(Carga, StoresThroughSavmemAndKeepsOtherMemory) {
    struct Counter final : MachineObserver {
        void memoryWritten(uint16_t address, uint8_t) override { written.push_back(address); }
        void portWritten(uint8_t, uint8_t) override {}
        std::vector<uint16_t> written;
    } counter;
    Machine m;
    m.mem[0x0500] = 0x77;
    m.a = 0x12;
    m.pc = 0x0300;
    m.observer = &counter;
    CollectingMessages messages;
    ASSERT_TRUE(cargaText(m, ":0201000021AB31\r\n:00000001FF\r\n", "P.HEX", messages));
    EXPECT_EQ(counter.written, (std::vector<uint16_t>{0x0100, 0x0101}));
    EXPECT_EQ(m.mem[0x0500], 0x77);
    EXPECT_EQ(m.a, 0x12);
    EXPECT_EQ(m.pc, 0x0300);
}

TEST_F(HexFileTest, CargaReadsFilesAndReportsMissingOnes) {
    Machine m;
    CollectingMessages messages;
    EXPECT_FALSE(carga(m, (dir_ / "none.hex").string(), messages));
    EXPECT_EQ(messages.messages, std::vector<std::string>{"Error en lectura"});

    const fs::path path = dir_ / "p.hex";
    writeFile(path, ":020000040000FA\r\n");
    messages.messages.clear();
    EXPECT_FALSE(carga(m, path.string(), messages));
    ASSERT_EQ(messages.messages.size(), 1u);
    EXPECT_EQ(messages.messages[0], "Error en fichero " + path.string() + ".\rFormato incorrecto.");
    EXPECT_TRUE(isRightAlignedLoadMessage(messages.messages[0]));
    EXPECT_FALSE(isRightAlignedLoadMessage("Error en lectura"));
}

TEST_F(HexFileTest, WrittenImagesLoadBackExactly) {
    std::mt19937 random(8085);
    for (int round = 0; round < 20; ++round) {
        CodeImage image = emptyImage();
        for (int run = 0; run < 40; ++run) {
            const int start = static_cast<int>(random() % 0x10000);
            const int length = static_cast<int>(random() % 80);
            for (int a = start; a < start + length && a < 0x10000; ++a)
                image[static_cast<size_t>(a)] = static_cast<int16_t>(random() % 256);
        }
        if (round == 0) for (auto& e : image) e = static_cast<int16_t>(random() % 256);  // all of memory
        const fs::path path = dir_ / "image.hex";
        StringSink box;
        CollectingMessages messages;
        ASSERT_TRUE(creafilehex(image, path.string(), box, messages));

        Machine m;
        m.mem.fill(0xEE);
        ASSERT_TRUE(carga(m, path.string(), messages)) << round;
        for (size_t a = 0; a < 0x10000; ++a) {
            const int expected = image[a] < 0 ? 0xEE : image[a];
            ASSERT_EQ(m.mem[a], expected) << round << " at " << a;
        }
    }
}

}  // namespace
}  // namespace vandor
