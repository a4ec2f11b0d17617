#include "assembler/assembler.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include "support/test_files.h"

namespace fs = std::filesystem;

namespace vandor {
namespace {

using vandor::test::readFile;
using vandor::test::writeFile;

class AssemblerFiles : public ::testing::Test {
protected:
    void SetUp() override {
        dir = fs::temp_directory_path() / ("vandor_asm_" + std::to_string(std::random_device{}()));
        fs::create_directories(dir);
    }
    void TearDown() override { fs::remove_all(dir); }
    std::vector<std::string> filesIn(const fs::path& d) {
        std::vector<std::string> names;
        for (const auto& e : fs::directory_iterator(d)) names.push_back(e.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }
    fs::path dir;
};

TEST(AssemblyPaths, FinalAsmInAnyCaseIsReplaced) {
    struct Case {
        const char* source;
        const char* object;
        const char* listing;
    };
    const Case cases[] = {
        {"C:\\P\\UNO.asm", "C:\\P\\UNO.HEX", "C:\\P\\UNO.LST"},
        {"dir/Prog.ASM", "dir/Prog.HEX", "dir/Prog.LST"},
        {"prog.aSm", "prog.HEX", "prog.LST"},
        {"UNO.TXT", "UNO.TXT.HEX", "UNO.TXT.LST"},
        {"xasm", "xHEX", "xLST"},
        {"as", "as.HEX", "as.LST"},
        {"", ".HEX", ".LST"},
    };
    for (const Case& c : cases) {
        const AssemblyPaths p = assemblyPaths(c.source);
        EXPECT_EQ(p.source, c.source);
        EXPECT_EQ(p.object, c.object);
        EXPECT_EQ(p.listing, c.listing);
    }
}

TEST_F(AssemblerFiles, SuccessfulRunWritesTheObjectAndShowsItsRecords) {
    writeFile(dir / "uno.asm", "ORG 3\r\nDFB 1,2,3,4,5,6,7,8,9,10,11,12,13,14,15,16,17,18,19,20\r\n");
    const AssemblyPaths p = assemblyPaths((dir / "uno.asm").string());
    StringSink lst, hex;
    CollectingMessages boxes;
    ASSERT_TRUE(Ensambla(p.source, p.object, lst, hex, boxes));
    EXPECT_EQ(hex.text,
              ":100003000102030405060708090A0B0C0D0E0F1065\r\n"
              ":04001300111213149F\r\n"
              ":00000001FF\r\n");
    EXPECT_EQ(readFile(p.object), hex.text);
    ASSERT_TRUE(creafilelst(lst.text, p.listing, boxes));
    EXPECT_EQ(readFile(p.listing), lst.text + "\r\n");
    EXPECT_TRUE(boxes.messages.empty());
    EXPECT_EQ(filesIn(dir), (std::vector<std::string>{"uno.HEX", "uno.LST", "uno.asm"}));
}

TEST_F(AssemblerFiles, FilesThatCannotBeWrittenOrRead) {
    writeFile(dir / "tres.asm", "NOP\r\n");
    StringSink lst, hex;
    CollectingMessages boxes;
    const std::string missingDir = (dir / "no" / "tres.HEX").string();
    EXPECT_FALSE(Ensambla((dir / "tres.asm").string(), missingDir, lst, hex, boxes));
    EXPECT_EQ(boxes.messages, std::vector<std::string>{"Error creando fichero"});

    boxes.messages.clear();
    EXPECT_FALSE(creafilelst(lst.text, (dir / "no" / "tres.LST").string(), boxes));
    EXPECT_EQ(boxes.messages, std::vector<std::string>{"Error creando fichero"});

    boxes.messages.clear();
    EXPECT_FALSE(Ensambla(dir.string(), (dir / "x.HEX").string(), lst, hex, boxes));
    EXPECT_EQ(boxes.messages, std::vector<std::string>{"Error en lectura"});
    EXPECT_FALSE(fs::exists(dir / "x.HEX"));
}

// The teaching programs under examples/ assemble to their committed listings and object files.
TEST_F(AssemblerFiles, ExamplesMatchTheirExpectedListingAndObjectFiles) {
    const fs::path examples = fs::path(VANDOR_SOURCE_DIR) / "examples";
    int count = 0;
    for (const auto& e : fs::directory_iterator(examples)) {
        if (e.path().extension() != ".asm") continue;
        ++count;
        const std::string stem = e.path().stem().string();
        fs::copy_file(e.path(), dir / e.path().filename());
        const AssemblyPaths p = assemblyPaths((dir / e.path().filename()).string());
        StringSink lst, hex;
        CollectingMessages boxes;
        EXPECT_TRUE(Ensambla(p.source, p.object, lst, hex, boxes)) << stem << "\n" << hex.text;
        ASSERT_TRUE(creafilelst(lst.text, p.listing, boxes));
        EXPECT_EQ(readFile(p.listing), readFile(examples / (stem + ".LST"))) << stem;
        EXPECT_EQ(readFile(p.object), readFile(examples / (stem + ".HEX"))) << stem;
    }
    EXPECT_GE(count, 6);
}

}  // namespace
}  // namespace vandor
