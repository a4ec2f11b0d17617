// vandor-cli check as a teacher runs it: whole processes over sources written here, their stdout lines,
// exit status, CSV/JSON files and the files kept for failed cases.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include "support/test_files.h"

namespace fs = std::filesystem;

namespace {

using vandor::test::writeFile;

struct Outcome {
    int status = -1;
    std::string out, err;
};

std::string readAll(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

std::vector<std::string> lines(const std::string& text) {
    std::vector<std::string> v;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) v.push_back(line);
    return v;
}

class CheckCommand : public ::testing::Test {
protected:
    void SetUp() override {
        dir = fs::temp_directory_path() /
              ("vandor-check-e2e-" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
        fs::remove_all(dir);
        fs::create_directories(dir);
    }
    void TearDown() override {
        if (!HasFailure()) fs::remove_all(dir);
    }

    // Runs vandor-cli check with the arguments (already quoted where needed) from inside dir.
    Outcome check(const std::string& args) {
        const fs::path errFile = dir / "stderr.txt";
        const std::string command = "cd '" + dir.string() + "' && '" VANDOR_CLI_PATH "' check " + args + " 2>'" +
                                    errFile.string() + "'";
        Outcome o;
        FILE* pipe = popen(command.c_str(), "r");
        if (!pipe) return o;
        char buffer[4096];
        for (size_t n; (n = fread(buffer, 1, sizeof buffer, pipe)) > 0;) o.out.append(buffer, n);
        const int raw = pclose(pipe);
        o.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
        o.err = readAll(errFile);
        fs::remove(errFile);
        return o;
    }

    // A source with CR LF line ends.
    void source(const std::string& name, std::initializer_list<const char*> code) {
        std::string text;
        for (const char* line : code) text += std::string(line) + "\r\n";
        writeFile(dir / name, text);
    }

    fs::path dir;
};

const std::string kExamples = VANDOR_SOURCE_DIR "/examples/check";

TEST_F(CheckCommand, TheBundledExample) {
    for (const char* f : {"suma.toml", "bien.asm", "mal.asm", "no_ensambla.asm"}) fs::copy_file(kExamples + "/" + f, dir / f);
    const Outcome o = check("suma.toml bien.asm mal.asm no_ensambla.asm --csv notas.csv --jobs 2");
    EXPECT_EQ(o.status, 1) << o.err;
    const auto out = lines(o.out);
    ASSERT_EQ(out.size(), 3u) << o.out;
    EXPECT_EQ(out[0], "bien.asm: APTO (3/3 casos)");
    EXPECT_EQ(out[1], "mal.asm: NO APTO (2/3 casos) caso \"tabla vacía\": a esperado 00, obtenido 15");
    EXPECT_EQ(out[2].rfind("no_ensambla.asm: NO ENSAMBLA ==>        MOVE C,M | Línea: 4 - ERROR: ", 0), 0u) << out[2];
    EXPECT_NE(out[2].find(" | ==>        SUMA M | Línea: 10 - ERROR: "), std::string::npos) << out[2];
    EXPECT_NE(o.err.find("1 de 3 fuentes APTO"), std::string::npos);

    // Nothing was written beside the students' files.
    std::set<std::string> names;
    for (const auto& entry : fs::directory_iterator(dir)) names.insert(entry.path().filename().string());
    EXPECT_EQ(names, (std::set<std::string>{"suma.toml", "bien.asm", "mal.asm", "no_ensambla.asm", "notas.csv"}));

    const auto csv = lines(readAll(dir / "notas.csv"));
    ASSERT_EQ(csv.size(), 8u);
    EXPECT_EQ(csv[0], "\xEF\xBB\xBF" "fichero,caso,resultado,pasos,expectativa,esperado,obtenido\r");
    EXPECT_EQ(csv[1].rfind("bien.asm,cinco datos,APTO,", 0), 0u) << csv[1];
    EXPECT_EQ(csv[5].rfind("mal.asm,tabla vacía,NO APTO,", 0), 0u) << csv[5];
    EXPECT_NE(csv[5].find(",a,00,15\r"), std::string::npos) << csv[5];
    EXPECT_EQ(csv[7].rfind("no_ensambla.asm,,NO ENSAMBLA,,,,\"'==>", 0), 0u) << csv[7];
}

TEST_F(CheckCommand, EveryOutcomeAndWayToEnd) {
    writeFile(dir / "ej.toml", R"(
pasos_max = 2000
[inicio]
b = "05"
puertos = { "10" = "30" }
[[caso]]
nombre = "suma"
c = "07"
[caso.espera]
a = "3C"
CY = 0
)");
    source("bien.asm", {"MOV A,B", "ADD C", "MOV B,A", "IN 10H", "ADD B", "HLT"});
    source("resta.asm", {"MOV A,B", "SUB C", "HLT"});
    source("bucle.asm", {"BUCLE: JMP BUCLE"});
    source("roto.asm", {"MVI A,", "HLT"});
    writeFile(dir / "objeto.hex", ":07000000788147DB108076D8\r\n:00000001FF\r\n");
    writeFile(dir / "malo.hex", ":07000000788147DB10807600\r\n:00000001FF\r\n");
    source("latin1.asm", {"MVI A,\xF1", "HLT"});     // a Windows-1252 source
    source("control.asm", {"MVI A,\x1B[2J", "HLT"});  // a terminal control sequence
    // Windows-1252 (the comment's byte is not UTF-8) with a line that alone would pass for UTF-8: it
    // is read in the file's encoding, "Ã±", not "ñ".
    source("mezcla.asm", {"; a\xF1o", "MVI A,\xC3\xB1", "HLT"});
    const Outcome o = check(
        "ej.toml bien.asm resta.asm bucle.asm roto.asm objeto.hex malo.hex falta.asm latin1.asm control.asm "
        "mezcla.asm");
    EXPECT_EQ(o.status, 1);
    const auto out = lines(o.out);
    ASSERT_EQ(out.size(), 10u) << o.out;
    EXPECT_EQ(out[0], "bien.asm: APTO (1/1 casos)");
    EXPECT_EQ(out[1], "resta.asm: NO APTO (0/1 casos) caso \"suma\": a esperado 3C, obtenido FE");
    EXPECT_EQ(out[2], "bucle.asm: NO TERMINA (0/1 casos) caso \"suma\": 2000 pasos sin llegar a HLT");
    EXPECT_EQ(out[3].rfind("roto.asm: NO ENSAMBLA ==>MVI A, | Línea: 1 - ERROR: ", 0), 0u) << out[3];
    EXPECT_EQ(out[4], "objeto.hex: APTO (1/1 casos)");
    EXPECT_EQ(out[5], "malo.hex: NO ENSAMBLA Error en fichero malo.hex. Error de checksum.");
    EXPECT_EQ(out[6], "falta.asm: NO ENSAMBLA El fichero: falta.asm no existe");
    EXPECT_EQ(out[7], "latin1.asm: NO ENSAMBLA ==>MVI A,ñ | Línea: 1 - ERROR: Operando incorrecto");
    EXPECT_EQ(out[8], "control.asm: NO ENSAMBLA ==>MVI A,?[2J | Línea: 1 - ERROR: Operando incorrecto");
    EXPECT_EQ(out[9], "mezcla.asm: NO ENSAMBLA ==>MVI A,Ã± | Línea: 2 - ERROR: Operando incorrecto");
}

// entradas and salidas over whole runs: the mirror example and students' variants of it, with the
// sequences told from their first difference.
TEST_F(CheckCommand, InputsAndOutputsOfTheMirrorExample) {
    writeFile(dir / "espejo.toml", R"(
[[caso]]
nombre = "tres valores y el cero"
entradas = { "00" = "05 07 09 00" }
[caso.espera]
salidas = { "01" = "05 07 09" }
[[caso]]
nombre = "cero al empezar"
entradas = { "00" = "00" }
[caso.espera]
salidas = { "01" = "" }
)");
    fs::copy_file(VANDOR_SOURCE_DIR "/examples/espejo.asm", dir / "espejo.asm");
    source("copia_cero.asm", {"OTRO: IN 00H", "OUT 01H", "ORA A", "JNZ OTRO", "HLT"});
    source("sin_salida.asm", {"OTRO: IN 00H", "ORA A", "JNZ OTRO", "HLT"});
    source("otro_puerto.asm", {"OTRO: IN 00H", "ORA A", "JZ FIN", "OUT 02H", "JMP OTRO", "FIN: HLT"});
    const Outcome o = check("espejo.toml espejo.asm copia_cero.asm sin_salida.asm otro_puerto.asm");
    EXPECT_EQ(o.status, 1) << o.err;
    const auto out = lines(o.out);
    ASSERT_EQ(out.size(), 4u) << o.out;
    EXPECT_EQ(out[0], "espejo.asm: APTO (2/2 casos)");
    EXPECT_EQ(out[1], "copia_cero.asm: NO APTO (0/2 casos) caso \"tres valores y el cero\": salidas 01 esperado 05 "
                      "07 09, obtenido 05 07 09 00");
    EXPECT_EQ(out[2], "sin_salida.asm: NO APTO (1/2 casos) caso \"tres valores y el cero\": salidas 01 esperado 05 "
                      "07 09, obtenido ningún valor");
    EXPECT_EQ(out[3], "otro_puerto.asm: NO APTO (1/2 casos) caso \"tres valores y el cero\": salidas 01 esperado "
                      "05 07 09, obtenido ningún valor");

    // A case's queue replaces the one of [inicio] for its port; a long sequence is cut at its first
    // difference.
    writeFile(dir / "cuenta.toml", R"(
[inicio]
entradas = { "00" = "14" }
[[caso]]
nombre = "veinte"
[caso.espera]
salidas = { "01" = "14 13 12 11 10 0F 0E 0D 0C 0B 0A 09 08 07 06 05 04 03 02 01" }
[[caso]]
nombre = "tres"
entradas = { "00" = "03" }
[caso.espera]
salidas = { "01" = "03 02 01" }
)");
    source("cuenta.asm", {"IN 00H", "OTRO: OUT 01H", "DCR A", "JNZ OTRO", "HLT"});
    // A program that writes without end for three million steps: its sequence is told as any other.
    writeFile(dir / "sin_fin.toml", R"(
pasos_max = 3000000
[[caso]]
[caso.espera]
fin = "PASOS"
salidas = { "01" = "00 01 02" }
)");
    source("sin_fin.asm", {"OTRO: OUT 01H", "INR A", "JMP OTRO"});
    const Outcome endless = check("sin_fin.toml sin_fin.asm");
    EXPECT_EQ(endless.out, "sin_fin.asm: NO APTO (0/1 casos) caso \"caso 1\": salidas 01 esperado … (nada más), "
                           "obtenido … 03 04 05 06 07 08 09 0A 0B 0C 0D 0E 0F 10 11 12 …\n");
    source("cuenta_mal.asm", {"IN 00H", "OTRO: OUT 01H", "DCR A", "CPI 02H", "JNZ OTRO", "HLT"});
    const Outcome c = check("cuenta.toml cuenta.asm cuenta_mal.asm");
    const auto counted = lines(c.out);
    ASSERT_EQ(counted.size(), 2u) << c.out << c.err;
    EXPECT_EQ(counted[0], "cuenta.asm: APTO (2/2 casos)");
    EXPECT_EQ(counted[1], "cuenta_mal.asm: NO APTO (0/2 casos) caso \"veinte\": salidas 01 esperado … 02 01, "
                          "obtenido … (nada más)");
}

TEST_F(CheckCommand, AllAptoExitsZero) {
    writeFile(dir / "ej.toml", "[[caso]]\n[caso.espera]\na = \"01\"\n");
    source("uno.asm", {"MVI A,1", "HLT"});
    source("dos.asm", {"XRA A", "INR A", "HLT"});
    const Outcome o = check("ej.toml uno.asm dos.asm");
    EXPECT_EQ(o.status, 0) << o.out << o.err;
    EXPECT_EQ(o.out, "uno.asm: APTO (1/1 casos)\ndos.asm: APTO (1/1 casos)\n");
}

TEST_F(CheckCommand, InterruptsSerialLinesHaltChoiceAndBreakpoints) {
    writeFile(dir / "ej.toml", R"(
pasos_max = 500

[[caso]]
nombre = "rst75"
irq = ["6:RST7.5"]
[caso.espera]
a = "77"
puertos = { "20" = "77" }

[[caso]]
nombre = "sin interrupción"
pasos_max = 300
[caso.espera]
fin = "PASOS"

[[caso]]
nombre = "parada"
breakpoints = ["0004"]
[caso.espera]
fin = "BREAK"
pc = "0004"
)");
    // SIM with 08: masks off; EI; wait in a loop; the RST 7.5 routine at 003C leaves 77 in A and port 20.
    source("int.asm", {"MVI A,08H", "SIM", "EI", "BUCLE: JMP BUCLE", "ORG 3CH", "MVI A,77H", "OUT 20H", "HLT"});
    // Keeps RST 7.5 masked: the press is ignored and the program waits for ever.
    source("sinsim.asm", {"MVI A,0FH", "SIM", "EI", "BUCLE: JMP BUCLE", "ORG 3CH", "MVI A,77H", "OUT 20H", "HLT"});
    const Outcome o = check("ej.toml int.asm sinsim.asm");
    const auto out = lines(o.out);
    ASSERT_EQ(out.size(), 2u) << o.out << o.err;
    EXPECT_EQ(out[0], "int.asm: APTO (3/3 casos)");
    EXPECT_EQ(out[1], "sinsim.asm: NO TERMINA (2/3 casos) caso \"rst75\": 500 pasos sin llegar a HLT");

    writeFile(dir / "sid.toml", R"(
[inicio]
sid = 1
[[caso]]
nombre = "sid"
[caso.espera]
a = "80"
S = 1
Z = 0
[[caso]]
nombre = "sin sid"
sid = 0
[caso.espera]
a = "00"
Z = 1
[[caso]]
nombre = "hlt con reset"
on_hlt = "RESET"
pasos_max = 100
[caso.espera]
fin = "PASOS"
)");
    source("rim.asm", {"RIM", "ANI 80H", "HLT"});
    const Outcome s = check("sid.toml rim.asm");
    EXPECT_EQ(s.status, 0) << s.out << s.err;
    EXPECT_EQ(s.out, "rim.asm: APTO (3/3 casos)\n");
}

TEST_F(CheckCommand, KeepWritesListingTraceAndDumpOfFailedCases) {
    writeFile(dir / "ej.toml", R"(
pasos_max = 1000
[[caso]]
nombre = "bien"
[caso.espera]
a = "02"
[[caso]]
nombre = "mal"
b = "01"
[caso.espera]
a = "02"
)");
    source("prog.asm", {"MVI A,1", "ADD B", "INR A", "HLT"});
    fs::create_directories(dir / "otro");
    source("otro/prog.asm", {"MVI A,2", "HLT"});
    source("roto.asm", {"FOO", "HLT"});
    const Outcome o = check("ej.toml prog.asm otro/prog.asm roto.asm --keep fallos");
    EXPECT_EQ(o.status, 1);
    ASSERT_EQ(lines(o.out).size(), 3u) << o.out << o.err;

    const fs::path kept = dir / "fallos" / "prog";
    EXPECT_TRUE(fs::exists(kept / "prog.LST"));
    EXPECT_FALSE(fs::exists(kept / "caso1.txt"));  // the passed case keeps nothing
    const auto trace = lines(readAll(kept / "caso2.txt"));
    ASSERT_EQ(trace.size(), 6u);  // header, the starting row, four steps
    EXPECT_EQ(trace[0].rfind("DIR \tDAT      \tINS", 0), 0u);
    EXPECT_EQ(trace[1].rfind("\t\t\t00\t01\t", 0), 0u) << trace[1];  // B = 01 from the case
    EXPECT_EQ(trace[5].rfind("0004\t76       \tHLT", 0), 0u) << trace[5];
    const std::string dump = readAll(kept / "caso2.dump");
    ASSERT_EQ(dump.size(), 65536u + 256u);
    EXPECT_EQ(static_cast<unsigned char>(dump[0]), 0x3E);
    // The second prog.asm passed: no folder "prog-2"; the one that does not assemble keeps its listing.
    EXPECT_FALSE(fs::exists(dir / "fallos" / "prog-2"));
    EXPECT_TRUE(fs::exists(dir / "fallos" / "roto" / "roto.LST"));
    EXPECT_NE(readAll(dir / "fallos" / "roto" / "roto.LST").find("==> ERROR: "), std::string::npos);
}

TEST_F(CheckCommand, BadExerciseStopsBeforeAnySource) {
    writeFile(dir / "ej.toml", "titulo = \"x\"\n[inicio]\npasoz = 5\n[[caso]]\n[caso.espera]\na = \"1G\"\n");
    source("uno.asm", {"HLT"});
    const Outcome o = check("ej.toml uno.asm --csv notas.csv");
    EXPECT_EQ(o.status, 2);
    EXPECT_EQ(o.out, "");
    EXPECT_EQ(o.err,
              "ej.toml:3: clave desconocida 'pasoz' en [inicio]\n"
              "ej.toml:6: 'a': valor hexadecimal incorrecto \"1G\"\n");
    EXPECT_FALSE(fs::exists(dir / "notas.csv"));
    EXPECT_FALSE(fs::exists(dir / "uno.HEX"));

    // An accent in a bare key, as a Spanish teacher types it.
    writeFile(dir / "suma.toml", "título = \"Suma\"\n[[caso]]\n");
    const Outcome accent = check("suma.toml uno.asm");
    EXPECT_EQ(accent.status, 2);
    EXPECT_EQ(accent.out, "");
    EXPECT_EQ(accent.err, "suma.toml:1: clave con caracteres no válidos: 'título' (use comillas: \"título\" = …)\n");
}

TEST_F(CheckCommand, UsageErrors) {
    writeFile(dir / "ej.toml", "[[caso]]\n");
    source("uno.asm", {"HLT"});
    const char* bad[] = {"", "ej.toml", "ej.toml uno.asm --jobs 0", "ej.toml uno.asm --jobs x",
                         "ej.toml uno.asm --csv", "ej.toml uno.asm --frobnicate", "falta.toml uno.asm",
                         "ej.toml uno.asm --csv /nonexistent/dir/x.csv"};
    for (const char* args : bad) {
        const Outcome o = check(args);
        EXPECT_EQ(o.status, 2) << args;
        EXPECT_EQ(o.out, "") << args;
        EXPECT_FALSE(o.err.empty()) << args;
    }
    const Outcome help = check("--help");
    EXPECT_EQ(help.status, 0);
    EXPECT_NE(help.out.find("Uso: vandor-cli check"), std::string::npos);
}

// A result file that is the exercise or a source, under any name that leads to it, is refused before
// anything is read or written: every file stays as it was and nothing new appears.
TEST_F(CheckCommand, ResultFilesNeverReplaceWhatIsChecked) {
    writeFile(dir / "ej.toml", "[[caso]]\n[caso.espera]\na = \"01\"\n");
    source("uno.asm", {"MVI A,1", "HLT"});
    source("dos.asm", {"MVI A,1", "HLT"});
    fs::create_directory(dir / "sub");
    fs::create_symlink("uno.asm", dir / "enlace.csv");
    fs::create_symlink("uno.asm", dir / "enlace.asm");
    fs::create_hard_link(dir / "dos.asm", dir / "duro.json");
    fs::create_symlink("../ej.toml", dir / "sub" / "ej.json");
    writeFile(dir / "otro.TOML", "[[caso]]\n");
    writeFile(dir / "viejo.Hex", ":00000001FF\r\n");
    std::map<std::string, std::string> before;
    for (const auto& e : fs::recursive_directory_iterator(dir))
        before[e.path().string()] = e.is_regular_file() ? readAll(e.path()) : "";

    struct Case {
        const char* args;
        const char* message;
    };
    const Case cases[] = {
        // "--csv *.asm" with the CSV file's name forgotten.
        {"ej.toml --csv uno.asm dos.asm", "--csv escribiría encima del fuente 'uno.asm'"},
        {"ej.toml uno.asm --json viejo.Hex", "--json escribiría encima del fuente 'viejo.Hex'"},
        {"ej.toml uno.asm --json otro.TOML", "--json escribiría encima del ejercicio 'otro.TOML'"},
        {"ej.toml --csv dos.asm dos.asm", "--csv escribiría encima del fuente 'dos.asm'"},
        {"ej.toml uno.asm --json ej.toml", "--json escribiría encima del ejercicio 'ej.toml'"},
        {"--keep ej.toml ej.toml uno.asm", "--keep escribiría encima del ejercicio 'ej.toml'"},
        {"ej.toml uno.asm dos.asm --keep=dos.asm", "--keep escribiría encima del fuente 'dos.asm'"},
        {"ej.toml uno.asm --csv ./sub/../uno.asm", "--csv escribiría encima del fuente 'uno.asm'"},
        {"ej.toml uno.asm --csv enlace.csv", "--csv escribiría encima del fuente 'uno.asm'"},
        {"ej.toml enlace.asm --csv uno.asm", "--csv escribiría encima del fuente 'enlace.asm'"},
        {"ej.toml dos.asm --json duro.json", "--json escribiría encima del fuente 'dos.asm'"},
        {"ej.toml uno.asm --json sub/ej.json", "--json escribiría encima del ejercicio 'ej.toml'"},
        {"ej.toml uno.asm --csv notas.csv --json uno.asm", "--json escribiría encima del fuente 'uno.asm'"},
        // A name that is no file yet is the same file when it is the same path.
        {"ej.toml falta.asm --csv sub/../falta.asm", "--csv escribiría encima del fuente 'falta.asm'"},
    };
    for (const Case& c : cases) {
        const Outcome o = check(c.args);
        EXPECT_EQ(o.status, 2) << c.args;
        EXPECT_EQ(o.out, "") << c.args;
        EXPECT_EQ(o.err, "vandor-cli check: " + std::string(c.message) + "\n(vandor-cli check --help da la ayuda)\n")
            << c.args;
        std::map<std::string, std::string> after;
        for (const auto& e : fs::recursive_directory_iterator(dir))
            after[e.path().string()] = e.is_regular_file() ? readAll(e.path()) : "";
        EXPECT_EQ(after, before) << c.args;
    }

    // Other names in the same folders are fine, and so is a new file whatever its name.
    const Outcome o = check("ej.toml uno.asm enlace.asm --csv sub/notas.csv --json nuevo.asm --keep sub/k");
    EXPECT_EQ(o.status, 0) << o.err;
    EXPECT_TRUE(fs::exists(dir / "sub" / "notas.csv"));
    EXPECT_EQ(readAll(dir / "nuevo.asm").rfind("{", 0), 0u);
    EXPECT_EQ(readAll(dir / "uno.asm"), "MVI A,1\r\nHLT\r\n");
}

// A JSON file that cannot be created stops the check before any source runs, as a CSV file does.
TEST_F(CheckCommand, JsonThatCannotBeCreatedStopsFirst) {
    writeFile(dir / "ej.toml", "[[caso]]\n");
    source("uno.asm", {"HLT"});
    fs::create_directory(dir / "carpeta.json");
    fs::create_directory(dir / "cerrada");
    fs::permissions(dir / "cerrada", fs::perms::owner_read | fs::perms::owner_exec);
    const bool privileged = ::geteuid() == 0;  // the superuser writes into any folder
    for (const char* json : {"falta/notas.json", "carpeta.json", "uno.asm/notas.json", "cerrada/notas.json"}) {
        if (privileged && std::string(json).starts_with("cerrada")) continue;
        const Outcome o = check("ej.toml uno.asm --csv notas.csv --keep fallos --json " + std::string(json));
        EXPECT_EQ(o.status, 2) << json;
        EXPECT_EQ(o.out, "") << json;
        EXPECT_EQ(o.err, "vandor-cli check: no se puede crear el fichero " + std::string(json) + "\n");
        EXPECT_FALSE(fs::exists(dir / "notas.csv")) << json;
        EXPECT_FALSE(fs::exists(dir / "fallos")) << json;
    }
    fs::permissions(dir / "cerrada", fs::perms::owner_all);
}

// A class of generated sources whose verdicts are known from how they were made.
TEST_F(CheckCommand, GeneratedClassWithKnownVerdicts) {
    writeFile(dir / "ej.toml", R"(
titulo = "Doble"
pasos_max = 3000
[[caso]]
nombre = "cinco"
memoria = { "0900" = "05" }
[caso.espera]
memoria = { "0901" = "0A" }
[[caso]]
nombre = "cien"
memoria = { "0900" = "64" }
[caso.espera]
memoria = { "0901" = "C8" }
)");
    std::vector<std::string> expected;
    std::string args = "ej.toml";
    for (int i = 0; i < 40; ++i) {
        const std::string name = "alumno" + std::to_string(i) + ".asm";
        args += " " + name;
        switch (i % 4) {
            case 0:  // right: A + A
                source(name, {"LDA 0900H", "ADD A", "STA 0901H", "HLT"});
                expected.push_back(name + ": APTO (2/2 casos)");
                break;
            case 1:  // wrong: adds one more, so both cases fail on the first
                source(name, {"LDA 0900H", "ADD A", "INR A", "STA 0901H", "HLT"});
                expected.push_back(name + ": NO APTO (0/2 casos) caso \"cinco\": memoria 0901 esperado 0A, obtenido 0B");
                break;
            case 2:  // right for small values only: doubles with a loop of i steps, too slow for 100
                source(name, {"LDA 0900H", "MOV C,A", "MVI B,0", "OTRO: INR B", "INR B", "MVI D,20",
                              "ESPERA: DCR D", "JNZ ESPERA", "DCR C", "JNZ OTRO", "MOV A,B", "STA 0901H", "HLT"});
                expected.push_back(name + ": NO TERMINA (1/2 casos) caso \"cien\": 3000 pasos sin llegar a HLT");
                break;
            default:  // does not assemble
                source(name, {"LDA 0900H", "ADD A,B", "HLT"});
                expected.push_back(name + ": NO ENSAMBLA ==>ADD A,B | Línea: 2 - ERROR: Código de operación no valido");
        }
    }
    const Outcome o = check(args + " --jobs 2 --csv notas.csv --json notas.json");
    EXPECT_EQ(o.status, 1);
    EXPECT_EQ(lines(o.out), expected);

    const auto csv = lines(readAll(dir / "notas.csv"));
    ASSERT_EQ(csv.size(), 1u + 30 * 2 + 10);
    size_t row = 1;
    for (int i = 0; i < 40; ++i) {
        const std::string name = "alumno" + std::to_string(i) + ".asm,";
        const int rows = i % 4 == 3 ? 1 : 2;
        for (int r = 0; r < rows; ++r, ++row) EXPECT_EQ(csv[row].rfind(name, 0), 0u) << csv[row];
    }
    EXPECT_EQ(csv[3], "alumno1.asm,cinco,NO APTO,5,memoria 0901,0A,0B\r");
    EXPECT_EQ(csv[6].rfind("alumno2.asm,cien,NO TERMINA,3000,fin,HLT,PASOS", 0), 0u) << csv[6];

    const std::string json = readAll(dir / "notas.json");
    EXPECT_NE(json.find("\"titulo\": \"Doble\""), std::string::npos);
    EXPECT_NE(json.find("\"resumen\": {\"fuentes\": 40, \"aptas\": 10}"), std::string::npos);
    EXPECT_NE(json.find("{\"caso\": \"cinco\", \"resultado\": \"NO APTO\", \"pasos\": 5, \"expectativa\": "
                        "\"memoria 0901\", \"esperado\": \"0A\", \"obtenido\": \"0B\"}"),
              std::string::npos);
    EXPECT_NE(json.find("\"errores\": [\"==>ADD A,B\", \"Línea: 2 - ERROR: Código de operación no valido\"]"),
              std::string::npos);
}

}  // namespace
