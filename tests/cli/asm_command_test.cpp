// vandor-cli asm as a whole process: its output to the byte, its exit status, the files it writes.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include "support/test_files.h"

namespace fs = std::filesystem;

namespace {

using vandor::test::readFile;
using vandor::test::writeFile;

std::string quoted(const std::string& s) {
    std::string q = "'";
    for (char ch : s) q += ch == '\'' ? std::string("'\\''") : std::string(1, ch);
    return q + "'";
}

struct CliRun {
    int status;
    std::string out, err;
};

class AsmCommand : public ::testing::Test {
protected:
    void SetUp() override {
        dir = fs::temp_directory_path() / ("vandor_cli_asm_" + std::to_string(std::random_device{}()));
        fs::create_directories(dir / "src");
    }
    void TearDown() override { fs::remove_all(dir); }

    CliRun asmRun(const std::string& args) {
        const fs::path out = dir / "stdout", err = dir / "stderr";
        const std::string cmd = "cd " + quoted((dir / "src").string()) + " && " + quoted(VANDOR_CLI_PATH) + " asm " +
                                args + " >" + quoted(out.string()) + " 2>" + quoted(err.string());
        const int raw = std::system(cmd.c_str());
        CliRun r{WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, readFile(out), readFile(err)};
        fs::remove(out);
        fs::remove(err);
        return r;
    }
    std::vector<std::string> files() {
        std::vector<std::string> names;
        for (const auto& e : fs::directory_iterator(dir / "src")) names.push_back(e.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }
    fs::path dir;
};

TEST_F(AsmCommand, CorrectAssemblyPrintsTheRecordsAndWritesBothFiles) {
    writeFile(dir / "src/prog.asm", "\tORG 0\r\n\tMVI A, 3EH\r\n\tHLT\r\n");
    const CliRun r = asmRun("prog.asm");
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, ":030000003E3E760B\r\n:00000001FF\r\nEnsamblado correcto\r\n");
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(readFile(dir / "src/prog.HEX"), ":030000003E3E760B\r\n:00000001FF\r\n");
    EXPECT_EQ(readFile(dir / "src/prog.LST"),
              "0000            \tORG 0\r\n"
              "0000 3E3E       \tMVI A, 3EH\r\n"
              "0002 76         \tHLT\r\n"
              "----------------------------------------\r\n"
              "TABLA DE SIMBOLOS\r\n"
              "----------------------------------------\r\n"
              "\r\n");
    EXPECT_EQ(files(), (std::vector<std::string>{"prog.HEX", "prog.LST", "prog.asm"}));
}

TEST_F(AsmCommand, IncorrectAssemblyPrintsTheErrorLogAndKeepsTheOldObject) {
    writeFile(dir / "src/MAL.ASM", "NOP\r\n\r\n  jmp nada\r\n");
    writeFile(dir / "src/MAL.HEX", "anterior");
    const CliRun r = asmRun("MAL.ASM");
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "==>  jmp nada\r\nLínea: 3 - ERROR: Operando incorrecto\r\nEnsamblado incorrecto\r\n");
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(readFile(dir / "src/MAL.HEX"), "anterior");
    EXPECT_NE(readFile(dir / "src/MAL.LST").find("==> ERROR: Operando incorrecto\r\n                \r\n0001 C3FF00"),
              std::string::npos);
}

TEST_F(AsmCommand, OutputIsUtf8WhateverTheSourcesEncoding) {
    // The same program with its comment saved as UTF-8 and as Windows-1252: the listings keep the
    // source's encoding, the standard output is UTF-8 both times.
    const std::string utf8 = "; a\xC3\xB1" "adir\r\n  fo\xC3\xB1\r\n";
    const std::string cp1252 = "; a\xF1" "adir\r\n  fo\xF1\r\n";
    const std::string expected = "==>  foñ\r\nLínea: 2 - ERROR: Código de operación no valido\r\nEnsamblado incorrecto\r\n";
    writeFile(dir / "src/uno.asm", utf8);
    writeFile(dir / "src/dos.asm", cp1252);
    const CliRun a = asmRun("uno.asm");
    const CliRun b = asmRun("dos.asm");
    EXPECT_EQ(a.status, 1);
    EXPECT_EQ(b.status, 1);
    EXPECT_EQ(a.out, expected);
    EXPECT_EQ(b.out, expected);
    EXPECT_EQ(readFile(dir / "src/uno.LST"), "  fo\xC3\xB1\r\n==> ERROR: C\xC3\xB3" "digo de operaci\xC3\xB3n no valido\r\n\r\n");
    EXPECT_EQ(readFile(dir / "src/dos.LST"), "  fo\xF1\r\n==> ERROR: C\xF3" "digo de operaci\xF3" "n no valido\r\n\r\n");
}

TEST_F(AsmCommand, NamesWithoutAsmGetExtensionsAppended) {
    writeFile(dir / "src/uno.txt", "NOP");
    const CliRun r = asmRun("uno.txt");
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(files(), (std::vector<std::string>{"uno.txt", "uno.txt.HEX", "uno.txt.LST"}));
}

TEST_F(AsmCommand, UsageAndMissingFiles) {
    CliRun r = asmRun("nada.asm");
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, "El fichero: nada.asm no existe\n");
    fs::create_directory(dir / "src/carpeta.asm");
    r = asmRun("carpeta.asm");
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.err, "El fichero: carpeta.asm no existe\n");
    EXPECT_EQ(files(), std::vector<std::string>{"carpeta.asm"});

    for (const char* args : {"", "a.asm b.asm", "--nada x.asm"}) {
        r = asmRun(args);
        EXPECT_EQ(r.status, 2) << args;
        EXPECT_EQ(r.out, "") << args;
        EXPECT_NE(r.err.find("Uso: vandor-cli asm FUENTE"), std::string::npos) << args;
    }
    r = asmRun("--help");
    EXPECT_EQ(r.status, 0);
    EXPECT_NE(r.out.find("Uso: vandor-cli asm FUENTE"), std::string::npos);
    EXPECT_EQ(files(), std::vector<std::string>{"carpeta.asm"});
}

TEST_F(AsmCommand, FilesThatCannotBeWrittenGoToStderrAsOneLine) {
    writeFile(dir / "src/p.asm", "NOP\r\n");
    fs::create_directory(dir / "src/p.LST");
    CliRun r = asmRun("p.asm");
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.out, ":0100000000FF\r\n:00000001FF\r\nEnsamblado correcto\r\n");
    EXPECT_EQ(r.err, "Error creando fichero\n");
    EXPECT_TRUE(fs::is_directory(dir / "src/p.LST"));
    EXPECT_EQ(files(), (std::vector<std::string>{"p.HEX", "p.LST", "p.asm"}));  // no temporary file left

    fs::remove(dir / "src/p.LST");
    fs::remove(dir / "src/p.HEX");
    fs::create_directory(dir / "src/p.HEX");
    r = asmRun("p.asm");
    EXPECT_EQ(r.status, 2);
    // The records stay in the box as they were shown before the write failed.
    EXPECT_EQ(r.out, ":0100000000FF\r\n:00000001FF\r\nEnsamblado incorrecto\r\n");
    EXPECT_EQ(r.err, "Error creando fichero\n");
    EXPECT_TRUE(fs::exists(dir / "src/p.LST"));
}

}  // namespace
