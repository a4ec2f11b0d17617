// vandor-cli run's debugger options through the real program: --back K against a run of K fewer steps
// (state line, trace file, dump) over generated programs with interrupt presses and answers to HLT;
// --watch stopping with FIN=WATCH, before a breakpoint, never for interrupt pushes; bad values.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "support/cli_process.h"
#include "support/test_files.h"

namespace {

namespace fs = std::filesystem;
using vandor::test::readFile;
using vandor::test::runCli;

// An Intel HEX file of the bytes from 0000, 16 to a record.
std::string hexFile(const std::vector<uint8_t>& bytes, uint16_t at = 0) {
    std::string text;
    char hex[3];
    for (size_t i = 0; i < bytes.size(); i += 16) {
        const size_t n = std::min<size_t>(16, bytes.size() - i);
        const unsigned address = at + i;
        std::vector<int> all = {int(n), int(address >> 8), int(address & 0xFF), 0};
        for (size_t j = 0; j < n; ++j) all.push_back(bytes[i + j]);
        int sum = 0;
        text += ':';
        for (int b : all) {
            sum += b;
            std::snprintf(hex, sizeof hex, "%02X", b);
            text += hex;
        }
        std::snprintf(hex, sizeof hex, "%02X", -sum & 0xFF);
        text += hex;
        text += "\r\n";
    }
    return text + ":00000001FF\r\n";
}

// The state line without its FIN, and the FIN.
std::pair<std::string, std::string> splitLine(const std::string& line) {
    const size_t fin = line.find(" FIN=");
    if (fin == std::string::npos) return {line, ""};
    return {line.substr(0, fin), line.substr(fin + 5)};
}

class RunDebug : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = fs::temp_directory_path() /
               ("vandor_cli_debug_" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
        fs::remove_all(dir_);
        fs::create_directories(dir_);
    }
    void TearDown() override { fs::remove_all(dir_); }

    std::string write(const std::string& name, const std::string& text) {
        std::ofstream(dir_ / name, std::ios::binary) << text;
        return (dir_ / name).string();
    }

    fs::path dir_;
};

// Steps undone with --back leave exactly what a run of that many fewer steps leaves: the same state line
// (FIN apart, which stays that of the whole run), the same trace file, the same dump.
TEST_F(RunDebug, BackEqualsARunOfFewerSteps) {
    std::mt19937 rng(85);
    const char* answers[] = {"STOP", "RESET", "TRAP", "RST5.5", "RST7.5", "INTR"};
    const char* buttons[] = {"TRAP", "RST5.5", "RST6.5", "RST7.5", "INTR"};
    for (int n = 0; n < 25; ++n) {
        std::vector<uint8_t> program(192);
        for (uint8_t& b : program) b = static_cast<uint8_t>(rng());
        static constexpr uint8_t kWriters[] = {0xCD, 0xC5, 0xF5, 0xE3, 0x77, 0x36, 0x34, 0x32,
                                               0x22, 0xD3, 0xC9, 0xFB, 0x30, 0x76, 0x31};
        for (int i = 0; i < 30; ++i) program[rng() % program.size()] = kWriters[rng() % std::size(kWriters)];
        const std::string object = write(std::to_string(n).append(".hex"), hexFile(program));

        const uint64_t steps = 20 + rng() % 300;
        std::vector<std::string> common = {"run", object, "--sp", "2040", "--vec", "C7",
                                           "--on-hlt", answers[rng() % std::size(answers)]};
        std::vector<uint64_t> pressAt;
        for (int i = 0; i < 4; ++i) pressAt.push_back(1 + rng() % steps);

        // The whole run first: how many steps it made.
        auto withPresses = [&](std::vector<std::string> args, uint64_t avoid) {
            for (size_t i = 0; i < pressAt.size(); ++i) {
                if (pressAt[i] == avoid) continue;  // a press before the first undone step stays done
                args.push_back("--irq");
                args.push_back(std::to_string(pressAt[i]) + ":" + buttons[i % std::size(buttons)]);
            }
            return args;
        };
        std::vector<std::string> whole = withPresses(common, 0);
        whole.insert(whole.end(), {"--steps", std::to_string(steps)});
        const auto plain = runCli(whole, dir_);
        ASSERT_EQ(plain.status, 0) << plain.err;
        const std::string pasos = plain.out.substr(plain.out.find("PASOS=") + 6);
        const uint64_t made = std::stoull(pasos.substr(0, pasos.find(' ')));
        const uint64_t k = n == 0 ? made : rng() % (made + 1);

        std::vector<std::string> back = withPresses(common, made - k + 1);
        back.insert(back.end(), {"--steps", std::to_string(steps), "--back", std::to_string(k), "--trace",
                                 (dir_ / "back.txt").string(), "--dump", (dir_ / "back.dump").string()});
        std::vector<std::string> shorter = withPresses(common, made - k + 1);
        shorter.insert(shorter.end(), {"--steps", std::to_string(made - k), "--trace", (dir_ / "short.txt").string(),
                                       "--dump", (dir_ / "short.dump").string()});
        const auto b = runCli(back, dir_);
        const auto s = runCli(shorter, dir_);
        const std::string where = "program " + std::to_string(n) + ", " + std::to_string(made) + " steps, back " +
                                  std::to_string(k);
        ASSERT_EQ(b.status, 0) << b.err << where;
        ASSERT_EQ(s.status, 0) << s.err << where;
        EXPECT_EQ(splitLine(b.out).first, splitLine(s.out).first) << where;
        EXPECT_EQ(splitLine(b.out).second, splitLine(plain.out).second) << where;  // FIN of the whole run
        EXPECT_TRUE(readFile(dir_ / "back.txt") == readFile(dir_ / "short.txt")) << where;
        EXPECT_TRUE(readFile(dir_ / "back.dump") == readFile(dir_ / "short.dump")) << where;
    }
}

TEST_F(RunDebug, BackIsBoundedByTheStepsRun) {
    const std::string object = write("p.hex", hexFile({0x3C, 0x3C, 0x76}));  // INR A, INR A, HLT
    const auto r = runCli({"run", object, "--back", "1000000"}, dir_);
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.err, "");
    const auto [state, fin] = splitLine(r.out);
    EXPECT_EQ(state, "A=00 B=00 C=00 D=00 E=00 F=00 H=00 L=00 M=3C BC=0000 DE=0000 HL=0000 PC=0000 SP=0000 IE=0 "
                     "M5.5=1 M6.5=1 M7.5=1 I7.5=0 SID=0 SOD=0 PASOS=0");
    EXPECT_EQ(fin, "HLT\n");
}

TEST_F(RunDebug, WatchEndsTheRun) {
    // LXI SP,3000 / MVI A,5 / PUSH PSW / STA 2000 / IN 10 / OUT 11 / JMP 0003, and at 0024 a RET.
    std::vector<uint8_t> program = {0x31, 0x00, 0x30, 0x3E, 0x05, 0xF5, 0x32, 0x00, 0x20,
                                    0xDB, 0x10, 0xD3, 0x11, 0xC3, 0x03, 0x00};
    program.resize(0x25);
    program[0x24] = 0xC9;
    const std::string object = write("p.hex", hexFile(program));
    struct Case {
        std::vector<std::string> options;
        std::string fields;  // PC and PASOS at the end
        std::string fin;
    };
    const Case cases[] = {
        {{"--watch", "2000"}, "PC=0009 SP=2FFE", "WATCH"},
        {{"--watch", "2000:r"}, "PC=0005 SP=2FFE", "PASOS"},  // never read: all 8 steps
        {{"--watch", "2FFF"}, "PC=0006 SP=2FFE", "WATCH"},    // the PUSH
        {{"--watch", "P10:r"}, "PC=000B SP=2FFE", "WATCH"},
        {{"--watch", "P11-P11:rw"}, "PC=000D SP=2FFE", "WATCH"},
        {{"--watch", "P11:r", "--watch", "1FFF-2000:w"}, "PC=0009 SP=2FFE", "WATCH"},
        {{"--watch", "2000", "--break", "0009"}, "PC=0009 SP=2FFE", "WATCH"},  // WATCH wins over BREAK
        {{"--break", "0009"}, "PC=0009 SP=2FFE", "BREAK"},
        // TRAP's push at 2FFD-2FFC is the interrupt's, not an instruction's; its RET's read is watched.
        {{"--irq", "4:TRAP", "--watch", "2FFC-2FFD:w"}, "PC=0003 SP=2FFE", "PASOS"},
        {{"--irq", "4:TRAP", "--watch", "2FFC-2FFD:r"}, "PC=0006 SP=2FFE", "WATCH"},
    };
    for (const Case& c : cases) {
        std::vector<std::string> args = {"run", object, "--steps", "8"};
        args.insert(args.end(), c.options.begin(), c.options.end());
        const auto r = runCli(args, dir_);
        ASSERT_EQ(r.status, 0) << r.err;
        EXPECT_NE(r.out.find(c.fields), std::string::npos) << c.options[1] << " " << r.out;
        EXPECT_EQ(splitLine(r.out).second, c.fin + "\n") << c.options[1];
    }
}

TEST_F(RunDebug, BadValuesAreUsageErrors) {
    const std::string object = write("p.hex", hexFile({0x76}));
    for (std::vector<std::string> bad : std::vector<std::vector<std::string>>{
             {"--watch", ""}, {"--watch", "2000:x"}, {"--watch", "12345"}, {"--watch", "P100"},
             {"--watch", "3000-2000"}, {"--watch", "P10-20"}, {"--watch", "2000:"}, {"--back", "-1"},
             {"--back", "1000001"}, {"--back", "x"}, {"--back"}, {"--watch"}}) {
        std::vector<std::string> args = {"run", object};
        args.insert(args.end(), bad.begin(), bad.end());
        const auto r = runCli(args, dir_);
        EXPECT_EQ(r.status, 2) << bad[0] << " " << (bad.size() > 1 ? bad[1] : "");
        EXPECT_EQ(r.out, "") << bad[0];
        EXPECT_NE(r.err, "") << bad[0];
    }
}

}  // namespace
