// The command line of vandor-cli as a user types it: every option form (separate value, "--x=v",
// repeated), every usage error with its exact text and exit status, which mistake is reported when there
// are several (the first one on the line), and the help and version texts. Whole processes, so the bytes
// on stdout and stderr are the ones a terminal or a script gets.
#include <gtest/gtest.h>

#include <CLI/CLI.hpp>

#include <filesystem>
#include <string>
#include <vector>

#include "cli/commands.h"
#include "support/cli_process.h"
#include "support/test_files.h"

namespace fs = std::filesystem;

namespace {

using vandor::test::CliRun;
using vandor::test::readFile;
using vandor::test::writeFile;

using Args = std::vector<std::string>;

std::string describe(const Args& args) {
    std::string s;
    for (const std::string& a : args) s += " [" + a + "]";
    return s;
}

class CommandLine : public ::testing::Test {
public:
    void SetUp() override {
        dir = fs::temp_directory_path() /
              ("vandor-cli-line-" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
        fs::remove_all(dir);
        fs::create_directories(dir);
        // MVI A,42 / HLT
        writeFile(dir / "p.hex", ":030000003E427607\r\n:00000001FF\r\n");
        writeFile(dir / "q.hex", ":010000007689\r\n:00000001FF\r\n");  // HLT
        writeFile(dir / "ej.toml", "[[caso]]\n[caso.espera]\na = \"42\"\n");
        writeFile(dir / "uno.asm", "MVI A,42H\r\nHLT\r\n");
    }
    void TearDown() override {
        if (!HasFailure()) fs::remove_all(dir);
    }

    CliRun cli(const Args& args) { return vandor::test::runCli(args, dir); }

    fs::path dir;
};

// The usage text of a command, as its --help prints it.
std::string helpOf(CommandLine& t, const Args& command) {
    Args args = command;
    args.push_back("--help");
    const CliRun r = t.cli(args);
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.err, "");
    return r.out;
}

TEST_F(CommandLine, TopLevel) {
    const std::string usage = helpOf(*this, {});
    EXPECT_EQ(usage.rfind("Uso: vandor-cli ORDEN [opciones]\n", 0), 0u) << usage;
    for (const char* command : {"\n  run OBJETO", "\n  asm FUENTE", "\n  check EJERCICIO FUENTE..."})
        EXPECT_NE(usage.find(command), std::string::npos) << command;

    struct Case {
        Args args;
        int status;
        std::string out, err;
    };
    const Case cases[] = {
        {{}, 2, "", usage},
        {{"-h"}, 0, usage, ""},
        {{"--help", "run", "--bogus"}, 0, usage, ""},
        {{"--version"}, 0, "vandor-cli " VANDOR_VERSION_TEXT "\n", ""},
        {{"--version", "--help"}, 0, "vandor-cli " VANDOR_VERSION_TEXT "\n", ""},
        {{"--help", "--version"}, 0, usage, ""},
        {{"ejecuta"}, 2, "", "Orden desconocida: ejecuta\n" + usage},
        {{"RUN", "p.hex"}, 2, "", "Orden desconocida: RUN\n" + usage},
        {{""}, 2, "", "Orden desconocida: \n" + usage},
        {{"--bogus"}, 2, "", "Orden desconocida: --bogus\n" + usage},
        {{"--version=1"}, 2, "", "Orden desconocida: --version=1\n" + usage},
        {{"--help=1"}, 2, "", "Orden desconocida: --help=1\n" + usage},
        {{"-v"}, 2, "", "Orden desconocida: -v\n" + usage},
        {{"--"}, 2, "", "Orden desconocida: --\n" + usage},
        {{"--", "run", "p.hex"}, 2, "", "Orden desconocida: --\n" + usage},
        {{"ejecuta", "run", "p.hex"}, 2, "", "Orden desconocida: ejecuta\n" + usage},
        {{"--bogus", "--help"}, 2, "", "Orden desconocida: --bogus\n" + usage},
        {{"++", "run", "p.hex"}, 2, "", "Orden desconocida: ++\n" + usage},
    };
    for (const Case& c : cases) {
        const CliRun r = cli(c.args);
        EXPECT_EQ(r.status, c.status) << describe(c.args);
        EXPECT_EQ(r.out, c.out) << describe(c.args);
        EXPECT_EQ(r.err, c.err) << describe(c.args);
    }
}

TEST_F(CommandLine, RunUsageErrors) {
    struct Case {
        Args args;  // after "run"
        std::string message;
    };
    const std::string hexMessage = "valor hexadecimal incorrecto para ";
    const std::string irqMessage = "--irq espera N:NOMBRE (N desde 1; TRAP, RST5.5, RST6.5, RST7.5 o INTR), no '";
    const std::string hltMessage = "--on-hlt admite STOP, RESET, TRAP, RST5.5, RST6.5, RST7.5 o INTR, no '";
    const Case cases[] = {
        {{}, "falta el fichero objeto"},
        {{"--steps", "5"}, "falta el fichero objeto"},
        {{"p.hex", "q.hex"}, "sobra el argumento 'q.hex' (solo se ejecuta un fichero objeto)"},
        {{"p.hex", "run"}, "sobra el argumento 'run' (solo se ejecuta un fichero objeto)"},
        {{"p.hex", "++", "--pc", "5"}, "sobra el argumento '++' (solo se ejecuta un fichero objeto)"},
        {{"p.hex", "--bogus"}, "opción desconocida: --bogus"},
        {{"p.hex", "--bogus=1"}, "opción desconocida: --bogus"},
        {{"p.hex", "--PC", "5"}, "opción desconocida: --PC"},
        {{"p.hex", "--"}, "opción desconocida: --"},
        {{"--", "p.hex"}, "opción desconocida: --"},
        {{"p.hex", "--version"}, "opción desconocida: --version"},
        {{"p.hex", "--pc"}, "falta el valor de --pc"},
        {{"p.hex", "--break"}, "falta el valor de --break"},
        {{"p.hex", "--irq"}, "falta el valor de --irq"},
        {{"p.hex", "--trace"}, "falta el valor de --trace"},
        {{"p.hex", "--pc", "12345"}, hexMessage + "--pc: '12345'"},
        {{"p.hex", "--pc", "G1"}, hexMessage + "--pc: 'G1'"},
        {{"p.hex", "--pc", ""}, hexMessage + "--pc: ''"},
        {{"p.hex", "--pc="}, hexMessage + "--pc: ''"},
        {{"p.hex", "--pc", "0x10"}, hexMessage + "--pc: '0x10'"},
        {{"p.hex", "--pc", " 10"}, hexMessage + "--pc: ' 10'"},
        {{"p.hex", "--sp", "-1"}, hexMessage + "--sp: '-1'"},
        {{"p.hex", "--pc", "--sp", "5"}, hexMessage + "--pc: '--sp'"},
        {{"p.hex", "--break", "10000"}, hexMessage + "--break: '10000'"},
        {{"p.hex", "--break=5", "--break=X"}, hexMessage + "--break: 'X'"},
        {{"p.hex", "--vec", "ZZ"}, hexMessage + "--vec: 'ZZ'"},
        {{"p.hex", "--vec", "100"}, "el vector de --vec es un byte (00 a FF), no '100'"},
        {{"p.hex", "--vec=0100"}, "el vector de --vec es un byte (00 a FF), no '0100'"},
        {{"p.hex", "--steps", "abc"}, "número de pasos incorrecto: 'abc'"},
        {{"p.hex", "--steps", "-5"}, "número de pasos incorrecto: '-5'"},
        {{"p.hex", "--steps", "+5"}, "número de pasos incorrecto: '+5'"},
        {{"p.hex", "--steps", ""}, "número de pasos incorrecto: ''"},
        {{"p.hex", "--steps", "1e6"}, "número de pasos incorrecto: '1e6'"},
        {{"p.hex", "--steps", "99999999999999999999999"}, "número de pasos incorrecto: '99999999999999999999999'"},
        {{"p.hex", "--irq", "0:TRAP"}, irqMessage + "0:TRAP'"},
        {{"p.hex", "--irq", "3:FOO"}, irqMessage + "3:FOO'"},
        {{"p.hex", "--irq", "TRAP"}, irqMessage + "TRAP'"},
        {{"p.hex", "--irq", "3:RESET"}, irqMessage + "3:RESET'"},
        {{"p.hex", "--irq", ":TRAP"}, irqMessage + ":TRAP'"},
        {{"p.hex", "--irq", "3:"}, irqMessage + "3:'"},
        {{"p.hex", "--irq", "3:TRAP:4"}, irqMessage + "3:TRAP:4'"},
        {{"p.hex", "--irq", "-3:TRAP"}, irqMessage + "-3:TRAP'"},
        {{"p.hex", "--irq=1:TRAP", "--irq=x:TRAP"}, irqMessage + "x:TRAP'"},
        {{"p.hex", "--on-hlt", "SIGUE"}, hltMessage + "SIGUE'"},
        {{"p.hex", "--on-hlt", ""}, hltMessage + "'"},
        {{"p.hex", "--sid", "2"}, "--sid admite 0 o 1, no '2'"},
        {{"p.hex", "--sid=true"}, "--sid admite 0 o 1, no 'true'"},
        {{"p.hex", "--trace", ""}, "falta el nombre del fichero de --trace"},
        {{"p.hex", "--trace="}, "falta el nombre del fichero de --trace"},
        {{"p.hex", "--dump", ""}, "falta el nombre del fichero de --dump"},
        {{"p.hex", "--dump="}, "falta el nombre del fichero de --dump"},
        // Several mistakes: the first one on the line is reported.
        {{"--bogus", "--pc", "G"}, "opción desconocida: --bogus"},
        {{"p.hex", "--pc", "G", "--bogus"}, hexMessage + "--pc: 'G'"},
        {{"p.hex", "q.hex", "--bogus"}, "sobra el argumento 'q.hex' (solo se ejecuta un fichero objeto)"},
        {{"p.hex", "--bogus", "q.hex"}, "opción desconocida: --bogus"},
        {{"--help", "--bogus"}, "opción desconocida: --bogus"},
        {{"--bogus", "--help"}, "opción desconocida: --bogus"},
        {{"--help", "p.hex", "q.hex"}, "sobra el argumento 'q.hex' (solo se ejecuta un fichero objeto)"},
        {{"--help", "--steps", "x"}, "número de pasos incorrecto: 'x'"},
        {{"p.hex", "--", "--steps", "x"}, "opción desconocida: --"},
        {{"--steps", "x", "--"}, "número de pasos incorrecto: 'x'"},
    };
    for (const Case& c : cases) {
        Args args = {"run"};
        args.insert(args.end(), c.args.begin(), c.args.end());
        const CliRun r = cli(args);
        EXPECT_EQ(r.status, 2) << describe(args);
        EXPECT_EQ(r.out, "") << describe(args);
        EXPECT_EQ(r.err, "vandor-cli run: " + c.message + "\n(vandor-cli run --help da la ayuda)\n") << describe(args);
    }
}

// Option forms that are accepted: every "FIELD=value" of `expect` must be in the state line.
TEST_F(CommandLine, RunOptionForms) {
    // NOP x4 / JMP 0000
    writeFile(dir / "loop.hex", ":0700000000000000C3000036\r\n:00000001FF\r\n");
    struct Case {
        Args args;  // after "run"
        std::string expect;
    };
    const Case cases[] = {
        {{"loop.hex", "--steps=3"}, "PC=0003 PASOS=3 FIN=PASOS"},
        {{"--steps", "3", "loop.hex"}, "PC=0003 PASOS=3 FIN=PASOS"},
        {{"loop.hex", "--steps", "3", "--steps", "2"}, "PC=0002 PASOS=2 FIN=PASOS"},
        {{"loop.hex", "--steps", "007"}, "PASOS=7 FIN=PASOS"},
        {{"loop.hex", "--pc", "2", "--pc=3", "--steps", "1"}, "PC=0004 PASOS=1"},
        {{"loop.hex", "--sp=ffff", "--sp", "1234", "--steps", "0"}, "SP=1234 PASOS=0"},
        {{"loop.hex", "--break", "3", "--break=2"}, "PC=0002 PASOS=2 FIN=BREAK"},
        {{"loop.hex", "--break", "0", "--steps", "50"}, "PC=0000 PASOS=5 FIN=BREAK"},
        {{"loop.hex", "--sid=1", "--steps", "0"}, "SID=1"},
        {{"loop.hex", "--sid", "1", "--sid", "0", "--steps", "0"}, "SID=0"},
        {{"loop.hex", "--irq=2:trap", "--steps", "2"}, "PC=0025 SP=FFFE PASOS=2"},
        // Two presses before the same step, in the given order: TRAP first, then RST7.5 is not possible.
        {{"loop.hex", "--irq", "2:TRAP", "--irq", "2:Rst7.5", "--steps", "2"}, "PC=0025 SP=FFFE PASOS=2"},
        {{"p.hex", "--on-hlt=reset", "--on-hlt", "stop"}, "A=42 PASOS=2 FIN=HLT"},
        {{"p.hex", "--vec", "0cf", "--vec=ff"}, "A=42 PASOS=2 FIN=HLT"},
        {{"p.hex", "--pc", "0000", "--sp", "FFFF"}, "A=42 SP=FFFF FIN=HLT"},
    };
    for (const Case& c : cases) {
        Args args = {"run"};
        args.insert(args.end(), c.args.begin(), c.args.end());
        const CliRun r = cli(args);
        EXPECT_EQ(r.status, 0) << describe(args) << r.err;
        const std::string line = " " + r.out;
        for (size_t start = 0; start < c.expect.size();) {
            size_t end = c.expect.find(' ', start);
            if (end == std::string::npos) end = c.expect.size();
            const std::string field = c.expect.substr(start, end - start);
            const std::string after = field.starts_with("FIN=") ? "\n" : " ";
            EXPECT_NE(line.find(" " + field + after), std::string::npos)
                << describe(args) << ": " << field << " in " << r.out;
            start = end + 1;
        }
    }
}

TEST_F(CommandLine, RunFileNamesAndHelp) {
    // A file name that looks like an option is taken as the value it follows.
    CliRun r = cli({"run", "p.hex", "--trace", "--dump"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(readFile(dir / "--dump").rfind("DIR \t", 0), 0u);
    r = cli({"run", "p.hex", "--dump=--trace", "--trace=t=1.txt"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(fs::file_size(dir / "--trace"), 65536u + 256u);
    EXPECT_TRUE(fs::exists(dir / "t=1.txt"));
    // The last --trace wins; the first name is never written.
    r = cli({"run", "p.hex", "--trace", "a.txt", "--trace", "b.txt"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_FALSE(fs::exists(dir / "a.txt"));
    EXPECT_TRUE(fs::exists(dir / "b.txt"));

    // A single dash does not make an option: "-" and "-x.hex" are object files.
    fs::copy_file(dir / "p.hex", dir / "-x.hex");
    fs::copy_file(dir / "p.hex", dir / "-");
    for (const char* name : {"-x.hex", "-"}) {
        r = cli({"run", name});
        EXPECT_EQ(r.status, 0) << name << r.err;
        EXPECT_EQ(r.out.rfind("A=42 ", 0), 0u) << name << r.out;
    }
    r = cli({"run", "-5"});
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, "Error en lectura\n");

    const std::string usage = helpOf(*this, {"run"});
    EXPECT_EQ(usage.rfind("Uso: vandor-cli run OBJETO [opciones]\n", 0), 0u) << usage;
    for (const char* option : {"--pc", "--sp", "--steps", "--trace", "--dump", "--sid", "--vec", "--irq", "--on-hlt",
                               "--break", "--help"})
        EXPECT_NE(usage.find("\n  " + std::string(option) + " "), std::string::npos) << option;
    for (const Args& args : std::vector<Args>{{"run", "-h"}, {"run", "p.hex", "--help"}, {"run", "--help=no"},
                                              {"run", "--help", "falta.hex"}, {"run", "--help", "--pc", "5"}}) {
        r = cli(args);
        EXPECT_EQ(r.status, 0) << describe(args);
        EXPECT_EQ(r.out, usage) << describe(args);
        EXPECT_EQ(r.err, "") << describe(args);
    }
}

TEST_F(CommandLine, CheckUsageErrors) {
    struct Case {
        Args args;  // after "check"
        std::string message;
    };
    const std::string jobsMessage = "--jobs espera un número de 1 a 256, no '";
    const Case cases[] = {
        {{}, "falta el fichero de ejercicio"},
        {{"--jobs", "2"}, "falta el fichero de ejercicio"},
        {{"ej.toml"}, "falta al menos un fuente que comprobar"},
        {{"ej.toml", "--csv", "n.csv"}, "falta al menos un fuente que comprobar"},
        {{"ej.toml", "uno.asm", "--frobnicate"}, "opción desconocida: --frobnicate"},
        {{"ej.toml", "uno.asm", "--frob=1"}, "opción desconocida: --frob"},
        {{"ej.toml", "uno.asm", "-x"}, "opción desconocida: -x"},
        {{"ej.toml", "uno.asm", "-5"}, "opción desconocida: -5"},
        {{"ej.toml", "uno.asm", "--CSV", "n.csv"}, "opción desconocida: --CSV"},
        {{"ej.toml", "uno.asm", "--version"}, "opción desconocida: --version"},
        {{"ej.toml", "uno.asm", "--csv"}, "falta el valor de --csv"},
        {{"ej.toml", "uno.asm", "--csv", ""}, "falta el valor de --csv"},
        {{"ej.toml", "uno.asm", "--csv="}, "falta el valor de --csv"},
        {{"ej.toml", "uno.asm", "--json"}, "falta el valor de --json"},
        {{"ej.toml", "uno.asm", "--keep="}, "falta el valor de --keep"},
        {{"ej.toml", "uno.asm", "--jobs"}, "falta el valor de --jobs"},
        {{"ej.toml", "uno.asm", "--jobs", ""}, "falta el valor de --jobs"},
        {{"ej.toml", "uno.asm", "--jobs", "0"}, jobsMessage + "0'"},
        {{"ej.toml", "uno.asm", "--jobs", "257"}, jobsMessage + "257'"},
        {{"ej.toml", "uno.asm", "--jobs", "x"}, jobsMessage + "x'"},
        {{"ej.toml", "uno.asm", "--jobs", "-1"}, jobsMessage + "-1'"},
        {{"ej.toml", "uno.asm", "--jobs=+2"}, jobsMessage + "+2'"},
        {{"ej.toml", "uno.asm", "--jobs", "2 "}, jobsMessage + "2 '"},
        {{"ej.toml", "uno.asm", "--jobs", "99999999999"}, jobsMessage + "99999999999'"},
        // Several mistakes: the first one on the line is reported.
        {{"--bogus", "ej.toml"}, "opción desconocida: --bogus"},
        {{"ej.toml", "uno.asm", "--jobs", "0", "--bogus"}, jobsMessage + "0'"},
        {{"ej.toml", "uno.asm", "--bogus", "--jobs", "0"}, "opción desconocida: --bogus"},
        {{"--help", "--bogus"}, "opción desconocida: --bogus"},
        {{"--bogus", "--help"}, "opción desconocida: --bogus"},
        {{"--help", "--jobs", "0"}, jobsMessage + "0'"},
    };
    for (const Case& c : cases) {
        Args args = {"check"};
        args.insert(args.end(), c.args.begin(), c.args.end());
        const CliRun r = cli(args);
        EXPECT_EQ(r.status, 2) << describe(args);
        EXPECT_EQ(r.out, "") << describe(args);
        EXPECT_EQ(r.err, "vandor-cli check: " + c.message + "\n(vandor-cli check --help da la ayuda)\n")
            << describe(args);
    }
}

TEST_F(CommandLine, CheckFileNamesAndOptionForms) {
    // Values that look like options are file names; "--" makes everything after it a source.
    CliRun r = cli({"check", "ej.toml", "uno.asm", "--csv", "--json", "--jobs=1"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "uno.asm: APTO (1/1 casos)\n");
    EXPECT_EQ(readFile(dir / "--json").rfind("\xEF\xBB\xBF" "fichero,", 0), 0u);

    r = cli({"check", "ej.toml", "++", "--", "--csv", "-", "uno.asm", "--", "-x"});
    EXPECT_EQ(r.status, 1) << r.err;
    EXPECT_EQ(r.out,
              "++: NO ENSAMBLA El fichero: ++ no existe\n"
              "--csv: NO ENSAMBLA El fichero: --csv no existe\n"
              "-: NO ENSAMBLA El fichero: - no existe\n"
              "uno.asm: APTO (1/1 casos)\n"
              "--: NO ENSAMBLA El fichero: -- no existe\n"
              "-x: NO ENSAMBLA El fichero: -x no existe\n");
    EXPECT_EQ(r.err, "1 de 6 fuentes APTO\n");

    // Repeated options: the last one counts; the earlier file is never created.
    r = cli({"check", "--csv=a.csv", "ej.toml", "--csv", "b.csv", "uno.asm", "--jobs", "9", "--jobs", "1",
             "--keep", "k1", "--keep=k2", "--json", "a.json", "--json", "b.json"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "uno.asm: APTO (1/1 casos)\n");
    EXPECT_FALSE(fs::exists(dir / "a.csv"));
    EXPECT_TRUE(fs::exists(dir / "b.csv"));
    EXPECT_FALSE(fs::exists(dir / "a.json"));
    EXPECT_NE(readFile(dir / "b.json").find("\"fuentes\": 1, \"aptas\": 1"), std::string::npos);
    EXPECT_FALSE(fs::exists(dir / "k1"));
    EXPECT_TRUE(fs::is_directory(dir / "k2"));

    const std::string usage = helpOf(*this, {"check"});
    EXPECT_EQ(usage.rfind("Uso: vandor-cli check EJERCICIO.toml FUENTE... [opciones]\n", 0), 0u) << usage;
    for (const char* option : {"--csv", "--json", "--keep", "--jobs", "--help"})
        EXPECT_NE(usage.find("\n  " + std::string(option) + " "), std::string::npos) << option;
    for (const Args& args : std::vector<Args>{{"check", "-h"}, {"check", "ej.toml", "uno.asm", "--help"},
                                              {"check", "--help=x"}, {"check", "--help", "--jobs", "3"}}) {
        r = cli(args);
        EXPECT_EQ(r.status, 0) << describe(args);
        EXPECT_EQ(r.out, usage) << describe(args);
        EXPECT_EQ(r.err, "") << describe(args);
    }
}

TEST_F(CommandLine, AsmArguments) {
    const std::string usage = helpOf(*this, {"asm"});
    EXPECT_EQ(usage.rfind("Uso: vandor-cli asm FUENTE\n", 0), 0u) << usage;
    struct Case {
        Args args;  // after "asm"
        int status;
        std::string out, err;
    };
    const Case cases[] = {
        {{}, 2, "", usage},
        {{"uno.asm", "uno.asm"}, 2, "", usage},
        {{"--", "a", "b"}, 2, "", usage},
        {{"--nada", "uno.asm"}, 2, "", "Opción desconocida: --nada\n" + usage},
        {{"uno.asm", "--nada=1"}, 2, "", "Opción desconocida: --nada=1\n" + usage},
        {{"uno.asm", "-x"}, 2, "", "Opción desconocida: -x\n" + usage},
        {{"uno.asm", "-5"}, 2, "", "Opción desconocida: -5\n" + usage},
        {{"--help=1"}, 2, "", "Opción desconocida: --help=1\n" + usage},
        {{"--nada", "--help"}, 2, "", "Opción desconocida: --nada\n" + usage},
        {{"-"}, 2, "", "El fichero: - no existe\n"},
        {{"++"}, 2, "", "El fichero: ++ no existe\n"},
        {{"--", "--help"}, 2, "", "El fichero: --help no existe\n"},
        {{"--", "-x.asm"}, 2, "", "El fichero: -x.asm no existe\n"},
        {{"-h"}, 0, usage, ""},
        {{"a", "b", "--help"}, 0, usage, ""},
        {{"--help", "--nada"}, 0, usage, ""},
        {{"uno.asm", "--", "--help"}, 2, "", usage},
    };
    for (const Case& c : cases) {
        Args args = {"asm"};
        args.insert(args.end(), c.args.begin(), c.args.end());
        const CliRun r = cli(args);
        EXPECT_EQ(r.status, c.status) << describe(args);
        EXPECT_EQ(r.out, c.out) << describe(args);
        EXPECT_EQ(r.err, c.err) << describe(args);
    }
    EXPECT_FALSE(fs::exists(dir / "uno.HEX"));

    for (const Args& args : std::vector<Args>{{"asm", "uno.asm"}, {"asm", "--", "uno.asm"}, {"asm", "uno.asm", "--"}}) {
        fs::remove(dir / "uno.HEX");
        const CliRun r = cli(args);
        EXPECT_EQ(r.status, 0) << describe(args) << r.err;
        EXPECT_EQ(r.out, ":030000003E427607\r\n:00000001FF\r\nEnsamblado correcto\r\n") << describe(args);
        EXPECT_TRUE(fs::exists(dir / "uno.HEX")) << describe(args);
    }
}

// Every option a command takes has its line in the command's help text.
TEST(CommandHelp, ListsEveryOption) {
    CLI::App top;
    for (auto make : {vandor::cli::runCommand, vandor::cli::asmCommand, vandor::cli::checkCommand}) {
        const std::unique_ptr<vandor::cli::Command> command = make(top);
        const std::string help = command->app().get_description();
        for (const CLI::Option* option : command->app().get_options()) {
            if (option->get_positional()) continue;
            EXPECT_NE(help.find("\n  " + option->get_name() + " "), std::string::npos)
                << command->app().get_name() << " " << option->get_name();
        }
    }
}

}  // namespace
