// vandor-cli asm as a whole process: its output to the byte, its exit status, the files it writes.
#include <gtest/gtest.h>
#include <pty.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

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
    // vandor-cli asm with its standard output (and error) on a pseudo-terminal that passes bytes through
    // unchanged: what the terminal received, and the exit status.
    CliRun asmOnTerminal(const std::string& name) {
        termios raw{};
        cfmakeraw(&raw);
        int terminal = -1;
        const pid_t child = forkpty(&terminal, nullptr, &raw, nullptr);
        if (child < 0) return {-1, "", "forkpty"};
        if (child == 0) {
            if (chdir((dir / "src").c_str()) == 0) execl(VANDOR_CLI_PATH, "vandor-cli", "asm", name.c_str(), nullptr);
            _exit(127);
        }
        std::string received;
        char buffer[4096];
        for (ssize_t n; (n = read(terminal, buffer, sizeof buffer)) > 0;) received.append(buffer, static_cast<size_t>(n));
        close(terminal);
        int raw_status = 0;
        waitpid(child, &raw_status, 0);
        return {WIFEXITED(raw_status) ? WEXITSTATUS(raw_status) : -1, received, ""};
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

// Lines that end in a lone CR (old Macintosh editors) or begin with a UTF-8 byte-order mark assemble
// like CR LF lines: same records, same listing.
TEST_F(AsmCommand, LoneCrLineEndsAndAByteOrderMark) {
    const std::string lines[] = {"\tORG 100H", "INICIO:\tMVI A, 3EH ; carga", "\tJMP INICIO"};
    auto joined = [&](std::string_view head, std::string_view end) {
        std::string text(head);
        for (const std::string& line : lines) text.append(line).append(end);
        return text;
    };
    writeFile(dir / "src/crlf.asm", joined("", "\r\n"));
    const CliRun reference = asmRun("crlf.asm");
    ASSERT_EQ(reference.status, 0) << reference.out;
    const std::string listing = readFile(dir / "src/crlf.LST");
    const std::pair<const char*, std::string> variants[] = {
        {"cr.asm", joined("", "\r")},
        {"lf.asm", joined("", "\n")},
        {"bom.asm", joined("\xEF\xBB\xBF", "\r\n")},
        {"bomcr.asm", joined("\xEF\xBB\xBF", "\r")},
    };
    for (const auto& [name, text] : variants) {
        writeFile(dir / "src" / name, text);
        const CliRun r = asmRun(name);
        EXPECT_EQ(r.status, 0) << name << "\n" << r.out;
        EXPECT_EQ(r.out, reference.out) << name;
        const std::string stem = std::string(name).substr(0, std::string(name).size() - 4);
        EXPECT_EQ(readFile(dir / "src" / (stem + ".LST")), listing) << name;
    }
}

// Control characters of echoed source lines reach a terminal as "?" (a tab as it is), and a pipe or a
// file byte for byte.
TEST_F(AsmCommand, ControlCharactersOfEchoedLinesOnlyOffTheTerminal) {
    const std::string bad = std::string("MVI A,\x1B[2J\x07\t\x7F", 13) + std::string(1, '\0') + "\x08X";
    writeFile(dir / "src/ctl.asm", "NOP\r\n" + bad + "\r\nHLT\r\n");
    const std::string log = "Línea: 2 - ERROR: Operando incorrecto\r\nEnsamblado incorrecto\r\n";

    const CliRun piped = asmRun("ctl.asm");
    EXPECT_EQ(piped.status, 1);
    EXPECT_EQ(piped.out, "==>" + bad + "\r\n" + log);

    const CliRun shown = asmOnTerminal("ctl.asm");
    EXPECT_EQ(shown.status, 1);
    EXPECT_EQ(shown.out, "==>MVI A,?[2J?\t???X\r\n" + log);

    // C1 controls, from a UTF-8 line or from a Windows-1252 byte the code page leaves undefined (9D,
    // shown as U+009D), are shown as "?" too; an accent is not.
    writeFile(dir / "src/c1.asm", "MOOV ; \xC2\x9B[2J a\xC3\xB1o\r\n");
    EXPECT_EQ(asmOnTerminal("c1.asm").out,
              "==>MOOV ; ?[2J año\r\nLínea: 1 - ERROR: Código de operación no valido\r\nEnsamblado incorrecto\r\n");
    writeFile(dir / "src/c1w.asm", "MOOV ; \x9D" "]0;x\x07 a\xF1o\r\n");
    EXPECT_EQ(asmOnTerminal("c1w.asm").out,
              "==>MOOV ; ?]0;x? año\r\nLínea: 1 - ERROR: Código de operación no valido\r\nEnsamblado incorrecto\r\n");
    EXPECT_EQ(asmRun("c1w.asm").out,
              "==>MOOV ; \xC2\x9D]0;x\x07 año\r\nLínea: 1 - ERROR: Código de operación no valido\r\nEnsamblado incorrecto\r\n");

    // A correct run shows its records on the terminal unchanged.
    writeFile(dir / "src/ok.asm", "\tMVI A, 1\r\n\tHLT\r\n");
    const CliRun ok = asmOnTerminal("ok.asm");
    EXPECT_EQ(ok.status, 0);
    EXPECT_EQ(ok.out, ":03000000" "3E0176" "48\r\n:00000001FF\r\nEnsamblado correcto\r\n");
}

}  // namespace
