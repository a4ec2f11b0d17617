// vandor-cli run, through the real program: the final state line, exit codes, trace and dump files,
// interrupt presses, the answers to HLT and breakpoints.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <sstream>
#include <vector>

namespace {

namespace fs = std::filesystem;

struct Outcome {
    int status = -1;
    std::string out, err;
};

std::string readFile(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

std::string quoted(const std::string& s) {
    std::string q = "'";
    for (char ch : s) {
        if (ch == '\'') q.append("'\\''");
        else q.push_back(ch);
    }
    q.push_back('\'');
    return q;
}

// One Intel HEX data record.
std::string record(uint16_t address, std::initializer_list<uint8_t> bytes) {
    static const char* digits = "0123456789ABCDEF";
    std::vector<uint8_t> all = {static_cast<uint8_t>(bytes.size()), static_cast<uint8_t>(address >> 8),
                                static_cast<uint8_t>(address & 0xFF), 0};
    all.insert(all.end(), bytes);
    unsigned sum = 0;
    std::string line = ":";
    for (uint8_t b : all) {
        sum += b;
        line += digits[b >> 4];
        line += digits[b & 15];
    }
    const auto check = static_cast<uint8_t>(-sum & 0xFF);
    line += digits[check >> 4];
    line += digits[check & 15];
    return line + "\r\n";
}

class RunCommand : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = fs::temp_directory_path() /
               ("vandor_cli_run_" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
        fs::remove_all(dir_);
        fs::create_directories(dir_);
    }
    void TearDown() override { fs::remove_all(dir_); }

    std::string program(const std::string& records, const std::string& name = "p.hex") {
        const fs::path p = dir_ / name;
        std::ofstream(p, std::ios::binary) << records << ":00000001FF\r\n";
        return p.string();
    }

    Outcome run(const std::vector<std::string>& args) {
        std::string command = quoted(VANDOR_CLI_PATH);
        for (const std::string& a : args) command.append(" ").append(quoted(a));
        command.append(" >").append(quoted((dir_ / "out").string()));
        command.append(" 2>").append(quoted((dir_ / "err").string()));
        Outcome o;
        const int raw = std::system(command.c_str());
        o.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
        o.out = readFile(dir_ / "out");
        o.err = readFile(dir_ / "err");
        return o;
    }

    // The value of one field of the state line ("PC" gives the text after "PC=").
    static std::string field(const std::string& line, const std::string& name) {
        const size_t at = (" " + line).find(" " + name + "=");
        if (at == std::string::npos) return "?";
        const size_t start = at + name.size() + 1;
        return line.substr(start, line.find_first_of(" \n", start) - start);
    }

    fs::path dir_;
};

TEST_F(RunCommand, PrintsTheFinalStateLine) {
    const std::string hex = program(record(0x0000, {0x3E, 0x42, 0x76}));  // MVI A,42 / HLT
    const Outcome o = run({"run", hex});
    EXPECT_EQ(o.status, 0);
    EXPECT_EQ(o.err, "");
    EXPECT_EQ(o.out,
              "A=42 B=00 C=00 D=00 E=00 F=00 H=00 L=00 M=3E BC=0000 DE=0000 HL=0000 PC=0003 SP=0000 IE=0 M5.5=1 "
              "M6.5=1 M7.5=1 I7.5=0 SID=0 SOD=0 PASOS=2 FIN=HLT\n");
}

TEST_F(RunCommand, RunsTheBundledExample) {
    const fs::path dump = dir_ / "dump.bin";
    const Outcome o = run({"run", std::string(VANDOR_SOURCE_DIR) + "/examples/suma.hex", "--dump", dump.string()});
    EXPECT_EQ(o.status, 0) << o.err;
    EXPECT_EQ(field(o.out, "A"), "0F");
    EXPECT_EQ(field(o.out, "PASOS"), "25");
    EXPECT_EQ(field(o.out, "FIN"), "HLT");
    const std::string bytes = readFile(dump);
    ASSERT_EQ(bytes.size(), 65536u + 256u);
    EXPECT_EQ(static_cast<uint8_t>(bytes[0x0110]), 0x0F);
}

TEST_F(RunCommand, StepLimitAndBreakpoints) {
    const std::string loop = program(record(0x0000, {0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0xC3, 0x00, 0x00}));
    struct Case { std::vector<std::string> options; const char* pasos; const char* fin; const char* pc; };
    const Case cases[] = {
        {{"--steps", "10"}, "10", "PASOS", "0001"},
        {{"--steps", "0"}, "0", "PASOS", "0000"},
        {{"--break", "5"}, "5", "BREAK", "0005"},
        {{"--break", "0005", "--break", "3"}, "3", "BREAK", "0003"},
        // A run that starts on a breakpoint stops only at the next one reached.
        {{"--pc", "5", "--break", "5", "--break", "7"}, "2", "BREAK", "0007"},
        {{"--pc", "0005", "--break", "5", "--steps", "100"}, "9", "BREAK", "0005"},
        {{"--break", "ffff", "--steps", "7"}, "7", "PASOS", "0007"},
    };
    for (const Case& c : cases) {
        std::vector<std::string> args = {"run", loop};
        args.insert(args.end(), c.options.begin(), c.options.end());
        const Outcome o = run(args);
        EXPECT_EQ(o.status, 0) << c.options[0] << o.err;
        EXPECT_EQ(field(o.out, "PASOS"), c.pasos) << c.options[0] << " " << c.options[1];
        EXPECT_EQ(field(o.out, "FIN"), c.fin) << c.options[0] << " " << c.options[1];
        EXPECT_EQ(field(o.out, "PC"), c.pc) << c.options[0] << " " << c.options[1];
    }
}

TEST_F(RunCommand, PcSpSidAndVectorAsTyped) {
    // At 01F0: RIM / PUSH PSW / HLT.
    const std::string hex = program(record(0x01F0, {0x20, 0xF5, 0x76}));
    const Outcome o = run({"run", hex, "--pc", "1f0", "--sp", "2000", "--sid", "1", "--vec", "cf"});
    EXPECT_EQ(o.status, 0) << o.err;
    EXPECT_EQ(field(o.out, "A"), "87");
    EXPECT_EQ(field(o.out, "SID"), "1");
    EXPECT_EQ(field(o.out, "SP"), "1FFE");
    EXPECT_EQ(field(o.out, "PC"), "01F3");
}

TEST_F(RunCommand, WritesTheTraceFile) {
    const std::string hex = program(record(0x0000, {0x3E, 0x0F, 0x76}));
    const fs::path trace = dir_ / "pasos.txt";
    const Outcome o = run({"run", hex, "--trace", trace.string()});
    EXPECT_EQ(o.status, 0) << o.err;
    EXPECT_EQ(readFile(trace),
              "DIR \tDAT      \tINS         \tA \tB \tC \tD \tE \tF \tszapc\tH \tL \tM \tPC  \tSP  \r\n"
              "\t\t\t00\t00\t00\t00\t00\t00\t00000\t00\t00\t3E\t0000\t0000\r\n"
              "0000\t3E 0F    \tMVI A,0F\t0F\t00\t00\t00\t00\t00\t00000\t00\t00\t3E\t0002\t0000\r\n"
              "0002\t76       \tHLT\t0F\t00\t00\t00\t00\t00\t00000\t00\t00\t3E\t0003\t0000\r\n");
}

TEST_F(RunCommand, DumpHoldsMemoryThenPorts) {
    // MVI A,5A / OUT 07 / STA 8000 / HLT
    const std::string hex = program(record(0x0000, {0x3E, 0x5A, 0xD3, 0x07, 0x32, 0x00, 0x80, 0x76}));
    const fs::path dump = dir_ / "d.bin";
    const Outcome o = run({"run", hex, "--dump", dump.string()});
    EXPECT_EQ(o.status, 0) << o.err;
    const std::string bytes = readFile(dump);
    ASSERT_EQ(bytes.size(), 65792u);
    EXPECT_EQ(static_cast<uint8_t>(bytes[0x8000]), 0x5A);
    EXPECT_EQ(static_cast<uint8_t>(bytes[0x0001]), 0x5A);
    EXPECT_EQ(static_cast<uint8_t>(bytes[65536 + 7]), 0x5A);
    EXPECT_EQ(static_cast<uint8_t>(bytes[65536 + 6]), 0x00);
}

TEST_F(RunCommand, InterruptPressesBeforeAStep) {
    // 0000 NOP NOP NOP ... ; 0008 HLT (RST 1) ; 0024 HLT (TRAP)
    const std::string hex = program(record(0x0000, {0x00, 0x00, 0x00, 0x00, 0x00}) + record(0x0008, {0x76}) +
                                    record(0x0024, {0x76}));
    {
        const Outcome o = run({"run", hex, "--irq", "2:TRAP"});
        EXPECT_EQ(o.status, 0) << o.err;
        EXPECT_EQ(o.err, "");
        EXPECT_EQ(field(o.out, "PASOS"), "2");
        EXPECT_EQ(field(o.out, "PC"), "0025");
        EXPECT_EQ(field(o.out, "SP"), "FFFE");
    }
    {
        // Interrupts are disabled after reset: RST 5.5 cannot be pressed, the run goes on to the step limit.
        const Outcome o = run({"run", hex, "--irq", "3:rst5.5", "--steps", "4"});
        EXPECT_EQ(o.status, 0);
        EXPECT_NE(o.err.find("RST5.5"), std::string::npos) << o.err;
        EXPECT_EQ(field(o.out, "PASOS"), "4");
        EXPECT_EQ(field(o.out, "PC"), "0004");
    }
}

TEST_F(RunCommand, IntrTakesTheVectorAfterEi) {
    // EI / NOP / NOP ; 0008 HLT. INTR with CF (RST 1) before step 3.
    const std::string hex = program(record(0x0000, {0xFB, 0x00, 0x00}) + record(0x0008, {0x76}));
    const fs::path dump = dir_ / "d.bin";
    const Outcome o = run({"run", hex, "--vec", "CF", "--irq", "3:INTR", "--dump", dump.string()});
    EXPECT_EQ(o.status, 0) << o.err;
    EXPECT_EQ(o.err, "");
    EXPECT_EQ(field(o.out, "PASOS"), "3");
    EXPECT_EQ(field(o.out, "PC"), "0009");
    EXPECT_EQ(field(o.out, "SP"), "FFFE");
    EXPECT_EQ(field(o.out, "IE"), "0");
    const std::string bytes = readFile(dump);
    ASSERT_EQ(bytes.size(), 65792u);
    EXPECT_EQ(bytes[0x0002], 0x00);  // the vector byte is not left in memory
    EXPECT_EQ(static_cast<uint8_t>(bytes[0xFFFE]), 0x02);  // return address 0002
    EXPECT_EQ(static_cast<uint8_t>(bytes[0xFFFF]), 0x00);
}

TEST_F(RunCommand, AnswersToHlt) {
    // 0000 HLT ; 0024 MVI A,77 / HLT
    const std::string hex = program(record(0x0000, {0x76}) + record(0x0024, {0x3E, 0x77, 0x76}));
    struct Case {
        const char* choice; const char* steps; const char* pasos; const char* fin; const char* pc; const char* sp;
        const char* a;
    };
    const Case cases[] = {
        {"STOP", "1000", "1", "HLT", "0001", "0000", "00"},
        {"RESET", "5", "5", "PASOS", "0000", "0000", "00"},
        {"trap", "3", "3", "PASOS", "0024", "FFFC", "77"},
        {"RST6.5", "5", "5", "PASOS", "0000", "0000", "00"},  // disabled after reset: RESET is performed
    };
    for (const Case& c : cases) {
        const Outcome o = run({"run", hex, "--on-hlt", c.choice, "--steps", c.steps});
        EXPECT_EQ(o.status, 0) << c.choice << o.err;
        EXPECT_EQ(field(o.out, "PASOS"), c.pasos) << c.choice;
        EXPECT_EQ(field(o.out, "FIN"), c.fin) << c.choice;
        EXPECT_EQ(field(o.out, "PC"), c.pc) << c.choice;
        EXPECT_EQ(field(o.out, "SP"), c.sp) << c.choice;
        EXPECT_EQ(field(o.out, "A"), c.a) << c.choice;
    }
}

TEST_F(RunCommand, UsageErrorsExitTwo) {
    const std::string hex = program(record(0x0000, {0x76}));
    const std::vector<std::vector<std::string>> cases = {
        {"run"},
        {"run", hex, "--bogus"},
        {"run", hex, hex},
        {"run", hex, "--pc"},
        {"run", hex, "--pc", "12345"},
        {"run", hex, "--pc", "G1"},
        {"run", hex, "--pc", ""},
        {"run", hex, "--sp", "-1"},
        {"run", hex, "--steps", "abc"},
        {"run", hex, "--steps", "-5"},
        {"run", hex, "--steps", "99999999999999999999999"},
        {"run", hex, "--irq", "0:TRAP"},
        {"run", hex, "--irq", "3:FOO"},
        {"run", hex, "--irq", "TRAP"},
        {"run", hex, "--irq", "3:RESET"},
        {"run", hex, "--on-hlt", "SIGUE"},
        {"run", hex, "--sid", "2"},
        {"run", hex, "--vec", "100"},
        {"run", hex, "--break", "10000"},
        {"run", hex, "--trace", ""},
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
    {
        const Outcome o = run({"run", (dir_ / "missing.hex").string()});
        EXPECT_EQ(o.status, 2);
        EXPECT_EQ(o.out, "");
        EXPECT_EQ(o.err, "Error en lectura\n");
    }
    {
        const fs::path bad = dir_ / "bad.hex";
        std::ofstream(bad, std::ios::binary) << ":020000040000FA\r\n";
        const Outcome o = run({"run", bad.string()});
        EXPECT_EQ(o.status, 2);
        EXPECT_EQ(o.err, "Error en fichero " + bad.string() + ".\nFormato incorrecto.\n");
    }
    {
        const std::string hex = program(record(0x0000, {0x76}));
        const Outcome o = run({"run", hex, "--dump", (dir_ / "no" / "d.bin").string()});
        EXPECT_EQ(o.status, 2);
        EXPECT_NE(o.err.find("Error guardando fichero"), std::string::npos);
    }
}

}  // namespace
