// vandor-cli run, through the real program: the final state line, exit codes, trace and dump files,
// interrupt presses, the answers to HLT and breakpoints.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <sstream>
#include <vector>
#include "support/test_files.h"

namespace {

using vandor::test::readFile;

namespace fs = std::filesystem;

// One Intel HEX data record.
std::string record(uint16_t address, std::initializer_list<int> bytes) {
    std::vector<int> all = {static_cast<int>(bytes.size()), address >> 8, address & 0xFF, 0};
    all.insert(all.end(), bytes);
    int sum = 0;
    std::string line = ":";
    char hex[3];
    for (int b : all) {
        sum += b;
        std::snprintf(hex, sizeof hex, "%02X", b);
        line += hex;
    }
    std::snprintf(hex, sizeof hex, "%02X", -sum & 0xFF);
    return line + hex + "\r\n";
}

struct Outcome {
    int status = -1;
    std::string out, err;
};

class RunCommand : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = fs::temp_directory_path() /
               ("vandor_cli_run_" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
        fs::remove_all(dir_);
        fs::create_directories(dir_);
    }
    void TearDown() override { fs::remove_all(dir_); }

    std::string program(const std::string& records) {
        std::ofstream(dir_ / "p.hex", std::ios::binary) << records << ":00000001FF\r\n";
        return (dir_ / "p.hex").string();
    }

    Outcome run(const std::vector<std::string>& args) {
        std::string command = "'" VANDOR_CLI_PATH "'";
        for (const std::string& a : args) command.append(" '").append(a).append("'");
        command.append(" >'").append((dir_ / "out").string()).append("' 2>'").append((dir_ / "err").string()).append("'");
        const int raw = std::system(command.c_str());
        return {WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, readFile(dir_ / "out"), readFile(dir_ / "err")};
    }

    fs::path dir_;
};

TEST_F(RunCommand, PrintsTheFinalStateLine) {
    const Outcome o = run({"run", program(record(0x0000, {0x3E, 0x42, 0x76}))});  // MVI A,42 / HLT
    EXPECT_EQ(o.status, 0);
    EXPECT_EQ(o.err, "");
    EXPECT_EQ(o.out,
              "A=42 B=00 C=00 D=00 E=00 F=00 H=00 L=00 M=3E BC=0000 DE=0000 HL=0000 PC=0003 SP=0000 IE=0 M5.5=1 "
              "M6.5=1 M7.5=1 I7.5=0 SID=0 SOD=0 PASOS=2 FIN=HLT\n");
}

// Programs run with options; every "FIELD=value" of `expect` must be in the state line.
TEST_F(RunCommand, OptionsShapeTheRun) {
    const std::string nopLoop = record(0x0000, {0, 0, 0, 0, 0, 0, 0, 0, 0xC3, 0x00, 0x00});
    const std::string nopsAndVectors = record(0x0000, {0, 0, 0, 0, 0}) + record(0x0008, {0x76}) + record(0x0024, {0x76});
    const std::string haltTwice = record(0x0000, {0x76}) + record(0x0024, {0x3E, 0x77, 0x76});
    struct Case { const char* what; std::string records; std::vector<std::string> options; std::string expect; };
    const Case cases[] = {
        {"step limit", nopLoop, {"--steps", "10"}, "PC=0001 PASOS=10 FIN=PASOS"},
        {"no steps", nopLoop, {"--steps", "0"}, "PC=0000 PASOS=0 FIN=PASOS"},
        {"breakpoint", nopLoop, {"--break", "5"}, "PC=0005 PASOS=5 FIN=BREAK"},
        {"first of two", nopLoop, {"--break", "0005", "--break", "3"}, "PC=0003 PASOS=3 FIN=BREAK"},
        {"start on a breakpoint", nopLoop, {"--pc", "5", "--break", "5", "--break", "7"}, "PC=0007 PASOS=2 FIN=BREAK"},
        {"around the loop", nopLoop, {"--pc=0005", "--break=5"}, "PC=0005 PASOS=9 FIN=BREAK"},
        {"pc sp sid", record(0x01F0, {0x20, 0xF5, 0x76}), {"--pc", "1f0", "--sp", "2000", "--sid", "1"},
         "A=87 PC=01F3 SP=1FFE SID=1 FIN=HLT"},  // RIM / PUSH PSW / HLT
        {"trap before step 2", nopsAndVectors, {"--irq", "2:TRAP"}, "PC=0025 SP=FFFE PASOS=2 FIN=HLT"},
        {"rst 5.5 not usable", nopsAndVectors, {"--irq", "3:rst5.5", "--steps", "4"}, "PC=0004 SP=0000 PASOS=4"},
        {"intr after ei", record(0x0000, {0xFB, 0, 0}) + record(0x0008, {0x76}), {"--vec", "CF", "--irq", "3:INTR"},
         "PC=0009 SP=FFFE IE=0 PASOS=3 FIN=HLT"},
        {"on hlt stop", haltTwice, {"--on-hlt", "STOP"}, "A=00 PC=0001 SP=0000 PASOS=1 FIN=HLT"},
        {"on hlt reset", haltTwice, {"--on-hlt", "RESET", "--steps", "5"}, "PC=0000 SP=0000 PASOS=5 FIN=PASOS"},
        {"on hlt trap", haltTwice, {"--on-hlt", "trap", "--steps", "3"}, "A=77 PC=0024 SP=FFFC PASOS=3 FIN=PASOS"},
        // Disabled after reset: the dialog performs RESET instead.
        {"on hlt rst6.5", haltTwice, {"--on-hlt", "RST6.5", "--steps", "5"}, "PC=0000 SP=0000 PASOS=5 FIN=PASOS"},
    };
    for (const Case& c : cases) {
        std::vector<std::string> args = {"run", program(c.records)};
        args.insert(args.end(), c.options.begin(), c.options.end());
        const Outcome o = run(args);
        EXPECT_EQ(o.status, 0) << c.what << ": " << o.err;
        std::istringstream fields(c.expect);
        for (std::string f; fields >> f;)
            EXPECT_NE((" " + o.out).find(" " + f + (f.starts_with("FIN") ? "\n" : " ")), std::string::npos)
                << c.what << ": " << f << " in " << o.out;
    }
}

TEST_F(RunCommand, WarnsAboutAButtonThatCannotBePressed) {
    const Outcome o = run({"run", program(record(0x0000, {0x76})), "--irq", "1:RST7.5"});
    EXPECT_EQ(o.status, 0);
    EXPECT_NE(o.err.find("RST7.5"), std::string::npos) << o.err;
}

TEST_F(RunCommand, WritesTheTraceFile) {
    const fs::path trace = dir_ / "pasos.txt";
    const Outcome o = run({"run", program(record(0x0000, {0x3E, 0x0F, 0x76})), "--trace", trace.string()});
    EXPECT_EQ(o.status, 0) << o.err;
    EXPECT_EQ(readFile(trace),
              "DIR \tDAT      \tINS         \tA \tB \tC \tD \tE \tF \tszapc\tH \tL \tM \tPC  \tSP  \r\n"
              "\t\t\t00\t00\t00\t00\t00\t00\t00000\t00\t00\t3E\t0000\t0000\r\n"
              "0000\t3E 0F    \tMVI A,0F\t0F\t00\t00\t00\t00\t00\t00000\t00\t00\t3E\t0002\t0000\r\n"
              "0002\t76       \tHLT\t0F\t00\t00\t00\t00\t00\t00000\t00\t00\t3E\t0003\t0000\r\n");
}

TEST_F(RunCommand, DumpHoldsMemoryThenPorts) {
    // MVI A,5A / OUT 07 / STA 8000 / EI / 0008: HLT; INTR with RST 1 (CF) at 0008 before step 5
    const std::string hex = program(record(0x0000, {0x3E, 0x5A, 0xD3, 0x07, 0x32, 0x00, 0x80, 0xFB, 0x00}) +
                                    record(0x0008, {0x76}));
    const fs::path dump = dir_ / "d.bin";
    const Outcome o = run({"run", hex, "--dump", dump.string(), "--vec", "cf", "--irq", "5:INTR"});
    EXPECT_EQ(o.status, 0) << o.err;
    const std::string bytes = readFile(dump);
    ASSERT_EQ(bytes.size(), 65536u + 256u);
    EXPECT_EQ(bytes[0x8000], 0x5A);
    EXPECT_EQ(bytes[65536 + 7], 0x5A);
    EXPECT_EQ(bytes[65536 + 6], 0x00);
    EXPECT_EQ(bytes[0x0008], 0x76);  // the HLT under the vector supplied at 0008 is back
    EXPECT_EQ(bytes[0xFFFE], 0x08);  // return address 0008
}

TEST_F(RunCommand, UsageErrorsExitTwo) {
    const std::string hex = program(record(0x0000, {0x76}));
    const std::vector<std::vector<std::string>> cases = {
        {"run"}, {"run", hex, "--bogus"}, {"run", hex, hex}, {"run", hex, "--pc"}, {"run", hex, "--pc", "12345"},
        {"run", hex, "--pc", "G1"}, {"run", hex, "--pc", ""}, {"run", hex, "--sp", "-1"}, {"run", hex, "--steps", "abc"},
        {"run", hex, "--steps", "-5"}, {"run", hex, "--steps", "99999999999999999999999"},
        {"run", hex, "--irq", "0:TRAP"}, {"run", hex, "--irq", "3:FOO"}, {"run", hex, "--irq", "TRAP"},
        {"run", hex, "--irq", "3:RESET"}, {"run", hex, "--on-hlt", "SIGUE"}, {"run", hex, "--sid", "2"},
        {"run", hex, "--vec", "100"}, {"run", hex, "--break", "10000"}, {"run", hex, "--trace", ""},
        {"run", hex, "--in", "00"}, {"run", hex, "--in", "00:"}, {"run", hex, "--in", "100:05"},
        {"run", hex, "--in", "00:05,,07"}, {"run", hex, "--in", "00:123"}, {"run", hex, "--in", ":05"},
        {"run", hex, "--out-log", ""},
    };
    for (const auto& args : cases) {
        const Outcome o = run(args);
        EXPECT_EQ(o.status, 2) << args.back();
        EXPECT_EQ(o.out, "") << args.back();
        EXPECT_FALSE(o.err.empty()) << args.back();
    }
    const Outcome help = run({"run", "--help"});
    EXPECT_EQ(help.status, 0);
    EXPECT_NE(help.out.find("--on-hlt"), std::string::npos);
}

TEST_F(RunCommand, LoadAndFileErrorsExitTwo) {
    Outcome o = run({"run", (dir_ / "missing.hex").string()});
    EXPECT_EQ(o.status, 2);
    EXPECT_EQ(o.out, "");
    EXPECT_EQ(o.err, "Error en lectura\n");

    std::ofstream(dir_ / "bad.hex", std::ios::binary) << ":020000040000FA\r\n";
    o = run({"run", (dir_ / "bad.hex").string()});
    EXPECT_EQ(o.status, 2);
    EXPECT_EQ(o.err, "Error en fichero " + (dir_ / "bad.hex").string() + ".\nFormato incorrecto.\n");

    o = run({"run", program(record(0x0000, {0x76})), "--dump", (dir_ / "no" / "d.bin").string()});
    EXPECT_EQ(o.status, 2);
    EXPECT_NE(o.err.find("Error guardando fichero"), std::string::npos);
}

// --tstates adds the T-states of the run after FIN; every other byte of the line stays.
TEST_F(RunCommand, TStatesAfterTheEnd) {
    const std::string mviHlt = record(0x0000, {0x3E, 0x42, 0x76});            // MVI A,42 (7) / HLT (5)
    const std::string loop = record(0x0000, {0x05, 0xC2, 0x00, 0x00, 0x76});  // DCR B (4) / JNZ 0000 (10 or 7)
    struct Case { const char* what; std::string records; std::vector<std::string> options; std::string end; };
    const Case cases[] = {
        {"mvi hlt", mviHlt, {}, "PASOS=2 FIN=HLT T=12\n"},
        {"loop of 256", loop, {}, "PASOS=513 FIN=HLT T=" + std::to_string(255 * 14 + 4 + 7 + 5) + "\n"},
        {"trap before step 2", mviHlt + record(0x0024, {0x76}), {"--irq", "2:TRAP"}, "PASOS=2 FIN=HLT T=24\n"},
        {"reset at the halt", mviHlt, {"--on-hlt", "RESET", "--steps", "3"}, "PASOS=3 FIN=PASOS T=7\n"},
        {"step limit", loop, {"--steps", "2"}, "PASOS=2 FIN=PASOS T=14\n"},
        {"no steps", loop, {"--steps", "0"}, "PASOS=0 FIN=PASOS T=0\n"},
    };
    for (const Case& c : cases) {
        std::vector<std::string> args = {"run", program(c.records), "--tstates"};
        args.insert(args.end(), c.options.begin(), c.options.end());
        const Outcome with = run(args);
        EXPECT_EQ(with.status, 0) << c.what << ": " << with.err;
        EXPECT_TRUE(with.out.ends_with(" " + c.end)) << c.what << ": " << with.out;
        args.erase(args.begin() + 2);
        const Outcome without = run(args);
        EXPECT_EQ(with.out, without.out.substr(0, without.out.size() - 1) + with.out.substr(with.out.find(" T="))) << c.what;
    }
    const Outcome valued = run({"run", program(mviHlt), "--tstates=1"});
    EXPECT_EQ(valued.status, 2);
    EXPECT_EQ(valued.out, "");
    EXPECT_NE(run({"run", "--help"}).out.find("--tstates"), std::string::npos);
}

// --trace or --dump naming the object file being run, under any name, is a usage error: nothing runs and
// the object file stays as it was.
TEST_F(RunCommand, OutputsNeverReplaceTheObjectFile) {
    const std::string hex = program(record(0x0000, {0x76}));
    fs::create_directories(dir_ / "sub");
    fs::create_symlink(hex, dir_ / "link.hex");
    const std::string before = readFile(hex);
    for (const std::string option : {"--trace", "--dump", "--out-log"}) {
        for (const std::string& name : {hex, (dir_ / "sub" / ".." / "p.hex").string(), (dir_ / "link.hex").string()}) {
            const Outcome o = run({"run", hex, option, name});
            EXPECT_EQ(o.status, 2) << option << " " << name;
            EXPECT_EQ(o.out, "") << option << " " << name;
            EXPECT_NE(o.err.find("objeto"), std::string::npos) << o.err;
            EXPECT_EQ(readFile(hex), before) << option << " " << name;
        }
    }
}

// --in queues what IN reads; --out-log writes a line per OUT: step, port and value, tabs, CR LF.
TEST_F(RunCommand, InputQueuesAndOutputLog) {
    // IN 00 / OUT 01 / IN 00 / OUT 02 / IN 10 / OUT 01 / HLT
    const std::string hex =
        program(record(0x0000, {0xDB, 0x00, 0xD3, 0x01, 0xDB, 0x00, 0xD3, 0x02, 0xDB, 0x10, 0xD3, 0x01, 0x76}));
    const fs::path log = dir_ / "salidas.txt";
    struct Case { const char* what; std::vector<std::string> options; std::string lines; std::string state; };
    const Case cases[] = {
        {"one value, then the last again", {"--in", "00:05"}, "2\t01\t05\r\n4\t02\t05\r\n6\t01\t00\r\n", "A=00 "},
        {"two ports, values in order", {"--in", "0:a,B", "--in", "10:ff"},
         "2\t01\t0A\r\n4\t02\t0B\r\n6\t01\tFF\r\n", "A=FF "},
        {"a port given again queues after", {"--in", "00:01", "--in", "00:02"},
         "2\t01\t01\r\n4\t02\t02\r\n6\t01\t00\r\n", "A=00 "},
        {"nothing queued: the ports as they are", {}, "2\t01\t00\r\n4\t02\t00\r\n6\t01\t00\r\n", "A=00 "},
    };
    for (const Case& c : cases) {
        std::vector<std::string> args = {"run", hex, "--out-log", log.string()};
        args.insert(args.end(), c.options.begin(), c.options.end());
        const Outcome o = run(args);
        EXPECT_EQ(o.status, 0) << c.what << ": " << o.err;
        EXPECT_EQ(readFile(log), c.lines) << c.what;
        EXPECT_EQ(o.out.rfind(c.state, 0), 0u) << c.what << ": " << o.out;
    }
    // Without --out-log the line is the one a plain run prints; --in alone changes only what IN reads.
    const Outcome plain = run({"run", hex});
    const Outcome queued = run({"run", hex, "--in", "10:00"});
    EXPECT_EQ(plain.out, queued.out);
    EXPECT_EQ(plain.out.rfind("A=00 B=00", 0), 0u);
    // A log that cannot be made is told before the run, and no state line follows; an old log is
    // replaced only by a complete one.
    const Outcome bad = run({"run", hex, "--out-log", (dir_ / "no" / "s.txt").string()});
    EXPECT_EQ(bad.status, 2);
    EXPECT_EQ(bad.out, "");
    EXPECT_EQ(bad.err, "Error guardando fichero " + (dir_ / "no" / "s.txt").string() + "\n");
    std::ofstream(log, std::ios::binary) << "viejo";
    const Outcome none = run({"run", program(record(0x0000, {0x76})), "--out-log", log.string()});
    EXPECT_EQ(none.status, 0);
    EXPECT_EQ(readFile(log), "");
}

// A trace file that cannot be made is reported before the first step: no state line.
TEST_F(RunCommand, BadTraceTargetBeforeTheRun) {
    const std::string loop = program(record(0x0000, {0x00, 0xC3, 0x00, 0x00}));
    for (const fs::path& bad : {dir_, dir_ / "no" / "t.txt"}) {
        const Outcome o = run({"run", loop, "--steps", "100000", "--trace", bad.string()});
        EXPECT_EQ(o.status, 2) << bad;
        EXPECT_EQ(o.out, "") << bad;
        EXPECT_EQ(o.err, "Error guardando fichero " + bad.string() + "\n");
    }
    // A long trace: every step's row, streamed.
    const fs::path trace = dir_ / "t.txt";
    const Outcome o = run({"run", loop, "--steps", "300000", "--trace", trace.string()});
    EXPECT_EQ(o.status, 0) << o.err;
    const std::string text = readFile(trace);
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 1 + 1 + 300000);
    EXPECT_TRUE(text.ends_with("0001\t00       \tNOP\t00\t00\t00\t00\t00\t00\t00000\t00\t00\t00\t0002\t0000\r\n") ||
                text.ends_with("\tJMP 0000\t00\t00\t00\t00\t00\t00\t00000\t00\t00\t00\t0000\t0000\r\n"));
}

// Only a regular file of at most 16 MB is read as an object file: a FIFO does not block, a device or a
// folder is no object file, and a huge file is refused.
TEST_F(RunCommand, ObjectFileMustBeASmallRegularFile) {
    const fs::path fifo = dir_ / "fifo.hex";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    const fs::path huge = dir_ / "huge.hex";
    {
        std::ofstream out(huge, std::ios::binary);
        const std::string line = record(0x0000, {0x76});
        for (size_t written = 0; written <= 16u * 1024 * 1024; written += line.size()) out << line;
        out << ":00000001FF\r\n";
    }
    for (const std::string& path : {fifo.string(), std::string("/dev/zero"), dir_.string(), huge.string()}) {
        const Outcome o = run({"run", path});
        EXPECT_EQ(o.status, 2) << path;
        EXPECT_EQ(o.out, "") << path;
        EXPECT_EQ(o.err, "Error en lectura\n") << path;
    }
}

TEST_F(RunCommand, RunsTheBundledExample) {
    const Outcome o = run({"run", VANDOR_SOURCE_DIR "/examples/suma.hex"});
    EXPECT_EQ(o.status, 0) << o.err;
    EXPECT_NE(o.out.find("A=0F "), std::string::npos) << o.out;
    EXPECT_NE(o.out.find(" PASOS=25 FIN=HLT\n"), std::string::npos) << o.out;
}

}  // namespace
