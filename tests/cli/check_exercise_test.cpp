// The exercise file of vandor-cli check: every key read into its place, and every kind of mistake
// reported with the file, its line and what is wrong.
#include <gtest/gtest.h>

#include <string>

#include "cli/check_exercise.h"

using namespace vandor;
using namespace vandor::check;

namespace {

ExerciseResult parse(const std::string& text) { return parseExercise(text, "ej.toml"); }

std::string joined(const std::vector<std::string>& errors) {
    std::string s;
    for (const auto& e : errors) s += e + "\n";
    return s;
}

TEST(CheckExercise, ReadsEveryKey) {
    const ExerciseResult r = parse(R"(
titulo = "Suma de una tabla"
pasos_max = 5000

[inicio]
pc = "0100"
sp = "fff0"
a = "01"
b = "02"
c = "03"
d = "04"
e = "05"
f = "d5"
h = "0a"
l = 0x0B
memoria = { "0900" = "05 01 02 03 04 05", "FFFF" = "7" }
puertos = { "10" = "AA BB" }
sid = 1
vec = "CF"
breakpoints = ["0105", "0200"]
irq = ["3:RST7.5", "10:TRAP"]
on_hlt = "RST5.5"

[[caso]]
nombre = "cinco"
pasos_max = 77
memoria = { "0A00" = "FF" }
sid = false
a = "10"
irq = ["1:INTR"]
[caso.espera]
fin = "BREAK"
a = "0F"
f = "54"
pc = "0105"
sp = "FFF0"
bc = "0203"
de = "0405"
hl = "0A0B"
S = 1
Z = 0
AC = true
P = false
CY = 1
sod = 1
memoria = { "0A00" = "0F 00" }
puertos = { "20" = "0F" }

[[caso]]
[caso.espera]
)");
    ASSERT_TRUE(r.errors.empty()) << joined(r.errors);
    const Exercise& ex = r.exercise;
    EXPECT_EQ(ex.title, "Suma de una tabla");
    EXPECT_EQ(ex.maxSteps, 5000u);
    EXPECT_EQ(ex.start.pc, 0x0100);
    EXPECT_EQ(ex.start.sp, 0xFFF0);
    const uint8_t regs[8] = {0x01, 0x02, 0x03, 0x04, 0x05, 0xD5, 0x0A, 0x0B};
    for (int i = 0; i < 8; ++i) EXPECT_EQ(ex.start.registers[i], regs[i]) << kRegisterKeys[i];
    ASSERT_EQ(ex.start.memory.size(), 2u);
    EXPECT_EQ(ex.start.memory[0].address, 0x0900);
    EXPECT_EQ(ex.start.memory[0].bytes, (std::vector<uint8_t>{5, 1, 2, 3, 4, 5}));
    EXPECT_EQ(ex.start.memory[1].address, 0xFFFF);
    EXPECT_EQ(ex.start.memory[1].bytes, std::vector<uint8_t>{7});
    ASSERT_EQ(ex.start.ports.size(), 1u);
    EXPECT_EQ(ex.start.ports[0].address, 0x10);
    EXPECT_EQ(ex.start.ports[0].bytes, (std::vector<uint8_t>{0xAA, 0xBB}));
    EXPECT_EQ(ex.start.sid, true);
    EXPECT_EQ(ex.start.vec, 0xCF);
    EXPECT_EQ(ex.start.breakpoints, (std::vector<uint16_t>{0x0105, 0x0200}));
    ASSERT_EQ(ex.start.irqs.size(), 2u);
    EXPECT_EQ(ex.start.irqs[0].beforeStep, 3u);
    EXPECT_EQ(ex.start.irqs[0].button, HaltOption::Rst75);
    EXPECT_EQ(ex.start.irqs[1].button, HaltOption::Trap);
    EXPECT_EQ(ex.start.onHlt, HltAnswer::Rst55);

    ASSERT_EQ(ex.cases.size(), 2u);
    const Case& c = ex.cases[0];
    EXPECT_EQ(c.name, "cinco");
    EXPECT_EQ(c.line, 24);
    EXPECT_EQ(ex.stepsFor(c), 77u);
    EXPECT_EQ(c.additions.sid, false);
    EXPECT_EQ(c.additions.registers[kRegA], 0x10);
    const Expectations& e = c.expect;
    EXPECT_EQ(e.end, EndKind::Break);
    EXPECT_EQ(e.registers[kRegA], 0x0F);
    EXPECT_EQ(e.registers[kRegF], 0x54);
    EXPECT_FALSE(e.registers[kRegB].has_value());
    EXPECT_EQ(e.pc, 0x0105);
    EXPECT_EQ(e.sp, 0xFFF0);
    EXPECT_EQ(e.bc, 0x0203);
    EXPECT_EQ(e.de, 0x0405);
    EXPECT_EQ(e.hl, 0x0A0B);
    const bool flags[5] = {true, false, true, false, true};
    for (int i = 0; i < 5; ++i) EXPECT_EQ(e.flags[i], flags[i]) << kFlagKeys[i].key;
    EXPECT_EQ(e.sod, true);
    ASSERT_EQ(e.memory.size(), 1u);
    EXPECT_EQ(e.memory[0].bytes, (std::vector<uint8_t>{0x0F, 0x00}));
    ASSERT_EQ(e.ports.size(), 1u);
    EXPECT_EQ(e.ports[0].address, 0x20);

    // A case without a name gets its number; without pasos_max it takes the exercise's; fin is HLT.
    EXPECT_EQ(ex.cases[1].name, "caso 2");
    EXPECT_EQ(ex.stepsFor(ex.cases[1]), 5000u);
    EXPECT_EQ(ex.cases[1].expect.end, EndKind::Hlt);

    // The case's additions go on top of [inicio]: values replace, lists add up.
    const MachineSetup merged = ex.start.then(c.additions);
    EXPECT_EQ(merged.registers[kRegA], 0x10);
    EXPECT_EQ(merged.registers[kRegB], 0x02);
    EXPECT_EQ(merged.sid, false);
    EXPECT_EQ(merged.pc, 0x0100);
    ASSERT_EQ(merged.memory.size(), 3u);
    EXPECT_EQ(merged.memory[2].address, 0x0A00);
    ASSERT_EQ(merged.irqs.size(), 3u);
    EXPECT_EQ(merged.irqs[2].button, HaltOption::Intr);
    EXPECT_EQ(merged.onHlt, HltAnswer::Rst55);
}

// entradas in [inicio] and [[caso]] (a case's port replaces that port's queue), salidas in [caso.espera],
// an empty sequence asking for nothing written.
TEST(CheckExercise, InputQueuesAndOutputSequences) {
    const ExerciseResult r = parse(
        "[inicio]\n"
        "entradas = { \"00\" = \"05 07 09\", \"10\" = \"FF\" }\n"
        "[[caso]]\n"
        "entradas = { \"0\" = \"1,2\", \"20\" = \"aa\" }\n"
        "[caso.espera]\n"
        "salidas = { \"01\" = \"01 02 04 08\", \"2\" = \"\" }\n"
        "[[caso]]\n");
    ASSERT_TRUE(r.errors.empty()) << joined(r.errors);
    const Exercise& ex = r.exercise;
    EXPECT_EQ(ex.start.inputs, (std::vector<PortValues>{{0x00, {0x05, 0x07, 0x09}}, {0x10, {0xFF}}}));
    EXPECT_EQ(ex.cases[0].expect.outputs, (std::vector<PortValues>{{0x01, {0x01, 0x02, 0x04, 0x08}}, {0x02, {}}}));
    EXPECT_EQ(ex.start.then(ex.cases[0].additions).inputs,
              (std::vector<PortValues>{{0x00, {0x01, 0x02}}, {0x10, {0xFF}}, {0x20, {0xAA}}}));
    EXPECT_EQ(ex.start.then(ex.cases[1].additions).inputs, ex.start.inputs);
    EXPECT_TRUE(ex.cases[1].expect.outputs.empty());
}

TEST(CheckExercise, DefaultsOfAMinimalFile) {
    const ExerciseResult r = parse("[[caso]]\n");
    ASSERT_TRUE(r.errors.empty()) << joined(r.errors);
    EXPECT_EQ(r.exercise.maxSteps, 1000000u);
    EXPECT_EQ(r.exercise.title, "");
    EXPECT_FALSE(r.exercise.start.onHlt.has_value());
    ASSERT_EQ(r.exercise.cases.size(), 1u);
    EXPECT_EQ(r.exercise.cases[0].expect.end, EndKind::Hlt);
}

struct BadFile {
    const char* text;
    const char* message;  // expected inside the one error
    int line;             // 0: no line
};

// Each file has exactly one mistake.
const BadFile kBadFiles[] = {
    // Unknown keys, at every level.
    {"tituloo = \"x\"\n[[caso]]\n", "clave desconocida 'tituloo' en el nivel principal", 1},
    {"[inicio]\npc = \"0\"\nacumulador = \"00\"\n[[caso]]\n", "clave desconocida 'acumulador' en [inicio]", 3},
    {"[[caso]]\nnombres = \"x\"\n", "clave desconocida 'nombres' en [[caso]]", 2},
    {"[[caso]]\n[caso.espera]\nfinal = \"HLT\"\n", "clave desconocida 'final' en [caso.espera]", 3},
    {"[[caso]]\n[caso.espera]\ns = 1\n", "clave desconocida 's' en [caso.espera]", 3},
    {"[inicio]\nS = 1\n[[caso]]\n", "clave desconocida 'S' en [inicio]", 2},
    {"[inicio]\nfin = \"HLT\"\n[[caso]]\n", "clave desconocida 'fin' en [inicio]", 2},
    // Wrong types.
    {"titulo = 3\n[[caso]]\n", "'titulo' debe ser un texto", 1},
    {"pasos_max = \"100\"\n[[caso]]\n", "'pasos_max' debe ser un número entero positivo", 1},
    {"pasos_max = 0\n[[caso]]\n", "'pasos_max' debe ser un número entero positivo", 1},
    {"pasos_max = -5\n[[caso]]\n", "'pasos_max' debe ser un número entero positivo", 1},
    {"pasos_max = 1.5\n[[caso]]\n", "'pasos_max' debe ser un número entero positivo", 1},
    {"inicio = 5\n[[caso]]\n", "'inicio' debe ser una tabla", 1},
    {"caso = 5\n", "los casos se escriben como tablas [[caso]]", 1},
    {"[caso]\nnombre = \"x\"\n", "los casos se escriben como tablas [[caso]]", 1},
    {"[[caso]]\nespera = 3\n", "'espera' debe ser una tabla", 2},
    {"[[caso]]\nnombre = 7\n", "'nombre' debe ser un texto", 2},
    {"[[caso]]\nnombre = \"  \"\n", "'nombre' no puede estar vacío", 2},
    {"[inicio]\na = true\n[[caso]]\n", "'a' debe ser un valor hexadecimal de 1 a 2 cifras", 2},
    {"[inicio]\npc = [1]\n[[caso]]\n", "'pc' debe ser un valor hexadecimal de 1 a 4 cifras", 2},
    {"[inicio]\na = 10\n[[caso]]\n", "'a' = 10: escriba el valor en hexadecimal", 2},
    {"[inicio]\nsid = 2\n[[caso]]\n", "'sid' debe ser 0 o 1", 2},
    {"[inicio]\nsid = \"1\"\n[[caso]]\n", "'sid' debe ser 0 o 1", 2},
    {"[[caso]]\n[caso.espera]\nCY = 3\n", "'CY' debe ser 0 o 1", 3},
    {"[[caso]]\n[caso.espera]\nsod = \"si\"\n", "'sod' debe ser 0 o 1", 3},
    {"[inicio]\nmemoria = \"0900\"\n[[caso]]\n", "'memoria' debe ser una tabla", 2},
    {"[inicio]\npuertos = [\"10\"]\n[[caso]]\n", "'puertos' debe ser una tabla", 2},
    {"[inicio]\nmemoria = { \"0900\" = 5 }\n[[caso]]\n", "debe ser un texto de bytes hexadecimales", 2},
    {"[inicio]\nbreakpoints = \"0100\"\n[[caso]]\n", "'breakpoints' debe ser una lista", 2},
    {"[inicio]\nirq = \"1:TRAP\"\n[[caso]]\n", "'irq' debe ser una lista", 2},
    // Bad hexadecimal and out of range values.
    {"[inicio]\npc = \"01G0\"\n[[caso]]\n", "'pc': valor hexadecimal incorrecto \"01G0\"", 2},
    {"[inicio]\npc = \"\"\n[[caso]]\n", "'pc': valor hexadecimal incorrecto", 2},
    {"[inicio]\npc = \"10000\"\n[[caso]]\n", "\"10000\" tiene más de 4 cifras hexadecimales", 2},
    {"[inicio]\nb = \"100\"\n[[caso]]\n", "\"100\" tiene más de 2 cifras hexadecimales", 2},
    {"[inicio]\nvec = \"0x1\"\n[[caso]]\n", "'vec': valor hexadecimal incorrecto", 2},
    {"[inicio]\nsp = 0x10000\n[[caso]]\n", "'sp': el valor pasa de FFFF", 2},
    {"[inicio]\nc = 0x100\n[[caso]]\n", "'c': el valor pasa de FF", 2},
    {"[inicio]\nbreakpoints = [\"0100\", \"XYZ\"]\n[[caso]]\n", "'breakpoints': valor hexadecimal incorrecto", 2},
    {"[inicio]\nmemoria = { \"10000\" = \"00\" }\n[[caso]]\n", "dirección incorrecta \"10000\" en memoria", 2},
    {"[inicio]\nmemoria = { \"09G0\" = \"00\" }\n[[caso]]\n", "dirección incorrecta \"09G0\"", 2},
    {"[inicio]\npuertos = { \"100\" = \"00\" }\n[[caso]]\n", "puerto incorrecto \"100\" en puertos", 2},
    {"[inicio]\nmemoria = { \"0900\" = \"01 2G 03\" }\n[[caso]]\n", "byte incorrecto \"2G\" en el bloque 0900", 2},
    {"[inicio]\nmemoria = { \"0900\" = \"01 123\" }\n[[caso]]\n", "byte incorrecto \"123\"", 2},
    {"[inicio]\nmemoria = { \"0900\" = \"  \" }\n[[caso]]\n", "el bloque 0900 de memoria está vacío", 2},
    {"[inicio]\nmemoria = { \"FFFE\" = \"01 02 03\" }\n[[caso]]\n",
     "el bloque FFFE de memoria (3 bytes) pasa de FFFF", 2},
    {"[inicio]\npuertos = { \"FF\" = \"01 02\" }\n[[caso]]\n", "el bloque FF de puertos (2 bytes) pasa de FF", 2},
    {"[[caso]]\n[caso.espera]\nmemoria = { \"FFFF\" = \"00 00\" }\n", "pasa de FFFF", 3},
    // Names that the run does not know.
    {"[inicio]\nirq = [\"0:TRAP\"]\n[[caso]]\n", "interrupción incorrecta en 'irq'", 2},
    {"[inicio]\nirq = [\"5:RST8.5\"]\n[[caso]]\n", "interrupción incorrecta en 'irq'", 2},
    {"[inicio]\nirq = [\"TRAP\"]\n[[caso]]\n", "interrupción incorrecta en 'irq'", 2},
    {"[inicio]\nirq = [\"1:RESET\"]\n[[caso]]\n", "interrupción incorrecta en 'irq'", 2},
    {"[inicio]\nirq = [5]\n[[caso]]\n", "interrupción incorrecta en 'irq'", 2},
    {"[inicio]\non_hlt = \"SEGUIR\"\n[[caso]]\n", "'on_hlt' incorrecto", 2},
    {"[[caso]]\n[caso.espera]\nfin = \"STOP\"\n", "'fin' incorrecto", 3},
    {"[[caso]]\n[caso.espera]\nfin = 1\n", "'fin' incorrecto", 3},
    // Input queues and output sequences.
    {"[inicio]\nentradas = \"05\"\n[[caso]]\n", "'entradas' debe ser una tabla", 2},
    {"[[caso]]\n[caso.espera]\nsalidas = [\"01\"]\n", "'salidas' debe ser una tabla", 3},
    {"[inicio]\nentradas = { \"100\" = \"05\" }\n[[caso]]\n", "puerto incorrecto \"100\" en entradas", 2},
    {"[inicio]\nentradas = { \"00\" = 5 }\n[[caso]]\n", "deben ser un texto de bytes hexadecimales", 2},
    {"[inicio]\nentradas = { \"00\" = \"05 1G\" }\n[[caso]]\n", "valor incorrecto \"1G\" en el puerto 00 de entradas", 2},
    {"[[caso]]\nentradas = { \"00\" = \" \" }\n", "el puerto 00 de entradas no tiene ningún valor", 2},
    {"[[caso]]\nentradas = { \"0\" = \"01\", \"00\" = \"02\" }\n", "el puerto 00 está repetido en entradas", 2},
    {"[[caso]]\n[caso.espera]\nsalidas = { \"01\" = \"100\" }\n", "valor incorrecto \"100\" en el puerto 01 de salidas", 3},
    {"[[caso]]\n[caso.espera]\nentradas = { \"00\" = \"01\" }\n", "clave desconocida 'entradas' en [caso.espera]", 3},
    {"[[caso]]\nsalidas = { \"01\" = \"01\" }\n", "clave desconocida 'salidas' en [[caso]]", 2},
    // The file as a whole.
    {"titulo = \"sin casos\"\n", "el ejercicio no tiene ningún caso", 0},
    {"[[caso]]\nnombre = \"uno\"\n[[caso]]\nnombre = \"uno\"\n", "nombre de caso repetido \"uno\" (ya usado en la línea 1)", 3},
    {"titulo = \"x\"\n[[caso]\n", "error de sintaxis TOML", 2},
    {"a = 1\na = 2\n[[caso]]\n", "error de sintaxis TOML", 2},
};

TEST(CheckExercise, EachMistakeIsReportedWithFileAndLine) {
    for (const BadFile& bad : kBadFiles) {
        const ExerciseResult r = parse(bad.text);
        ASSERT_EQ(r.errors.size(), 1u) << bad.text << "\n" << joined(r.errors);
        const std::string& e = r.errors[0];
        const std::string prefix = bad.line ? "ej.toml:" + std::to_string(bad.line) + ": " : "ej.toml: ";
        EXPECT_EQ(e.rfind(prefix, 0), 0u) << bad.text << "\n" << e;
        EXPECT_NE(e.find(bad.message), std::string::npos) << bad.text << "\n" << e;
    }
}

TEST(CheckExercise, AllMistakesOfAFileAreReportedInLineOrder) {
    const ExerciseResult r = parse(
        "zeta = 1\n"
        "[inicio]\n"
        "pc = \"XYZW\"\n"
        "alfa = 2\n"
        "[[caso]]\n"
        "[caso.espera]\n"
        "a = \"GG\"\n");
    ASSERT_EQ(r.errors.size(), 4u) << joined(r.errors);
    EXPECT_EQ(r.errors[0].rfind("ej.toml:1:", 0), 0u);
    EXPECT_EQ(r.errors[1].rfind("ej.toml:3:", 0), 0u);
    EXPECT_EQ(r.errors[2].rfind("ej.toml:4:", 0), 0u);
    EXPECT_EQ(r.errors[3].rfind("ej.toml:7:", 0), 0u);
}

TEST(CheckExercise, HexTextsAcceptBlanksAndEitherCase) {
    const ExerciseResult r = parse(
        "[inicio]\npc = \" 1a \"\nmemoria = { \"ff0\" = \"a,b\tC 0d\" }\n[[caso]]\n");
    ASSERT_TRUE(r.errors.empty()) << joined(r.errors);
    EXPECT_EQ(r.exercise.start.pc, 0x1A);
    ASSERT_EQ(r.exercise.start.memory.size(), 1u);
    EXPECT_EQ(r.exercise.start.memory[0].address, 0x0FF0);
    EXPECT_EQ(r.exercise.start.memory[0].bytes, (std::vector<uint8_t>{0x0A, 0x0B, 0x0C, 0x0D}));
}

}  // namespace

// Bytes above 7F outside quotes and comments: each file gets exactly one error, on its line, in the
// teacher's terms, and the TOML parser never sees the file.
struct NonAsciiFile {
    const char* text;
    int line;
    const char* error;  // after "ej.toml:LINE: "
};

const NonAsciiFile kNonAsciiFiles[] = {
    {"título = \"Suma\"\n[[caso]]\n", 1, "clave con caracteres no válidos: 'título' (use comillas: \"título\" = …)"},
    {"[inicio]\ndirección  =  \"0900\"\n[[caso]]\n", 2,
     "clave con caracteres no válidos: 'dirección' (use comillas: \"dirección\" = …)"},
    {"[[caso]]\nespera.año = 1\n", 2, "clave con caracteres no válidos: 'año' (use comillas: espera.\"año\" = …)"},
    {"[inicio]\nmemoria = { dirección = \"05\" }\n[[caso]]\n", 2,
     "clave con caracteres no válidos: 'dirección' (use comillas: \"dirección\" = …)"},
    {"t\xEDtulo = \"x\"\n[[caso]]\n", 1,  // Windows-1252
     "clave con caracteres no válidos: 't\xEDtulo' (use comillas: \"t\xEDtulo\" = …)"},
    {"[inició]\n[[caso]]\n", 1, "clave con caracteres no válidos: 'inició' (use comillas: [\"inició\"])"},
    {"  [[cáso]]  # uno\n", 1, "clave con caracteres no válidos: 'cáso' (use comillas: [[\"cáso\"]])"},
    {"[[caso]]\n[caso.espéra]\n", 2, "clave con caracteres no válidos: 'espéra' (use comillas: [caso.\"espéra\"])"},
    {"[[caso]]\n[caso.espéra\n", 2, "clave con caracteres no válidos: 'espéra' (use comillas: [caso.\"espéra\"])"},
    {"titulo = \"x\" ñ\n[[caso]]\n", 1, "caracteres no válidos fuera de comillas: 'ñ'"},
    {"titulo = \"a # b\"ñ # c\n[[caso]]\n", 1, "caracteres no válidos fuera de comillas: 'ñ'"},
    {"[inicio]\na = 0x0Fé\n[[caso]]\n", 2, "caracteres no válidos fuera de comillas: '0x0Fé'"},
    {"[[caso]]\nnombre = tabla vacía\n", 2, "caracteres no válidos fuera de comillas: 'vacía'"},
    {"titulo = \"\"\"una\n\"\"\" ñ\n[[caso]]\n", 2, "caracteres no válidos fuera de comillas: 'ñ'"},
    {"titulo = '''una\n'''' ñ\n[[caso]]\n", 2, "caracteres no válidos fuera de comillas: 'ñ'"},
    {"titulo = \"una \\\"ñ\\\"\" ñ\n[[caso]]\n", 1, "caracteres no válidos fuera de comillas: 'ñ'"},
    {"[inicio]\nirq = [\"1:TRAP\", ñ]\n[[caso]]\n", 2, "caracteres no válidos fuera de comillas: 'ñ'"},
    {"[[caso]]\nnombre = \"x\"\xC2\xA0\n", 2, "caracteres no válidos fuera de comillas: '\xC2\xA0'"},
    {"\xEF\xBB\xBF" "año = 1\n[[caso]]\n", 1, "clave con caracteres no válidos: 'año' (use comillas: \"año\" = …)"},
    {"[[caso]]\r\nnombre = \"x\"\r\nañadir = 1\r\n", 3,
     "clave con caracteres no válidos: 'añadir' (use comillas: \"añadir\" = …)"},
};

TEST(CheckExercise, BytesAboveAsciiOutsideQuotesAreReportedBeforeParsing) {
    for (const NonAsciiFile& f : kNonAsciiFiles) {
        const ExerciseResult r = parse(f.text);
        ASSERT_EQ(r.errors.size(), 1u) << f.text << "\n" << joined(r.errors);
        EXPECT_EQ(r.errors[0], "ej.toml:" + std::to_string(f.line) + ": " + f.error) << f.text;
    }
}

TEST(CheckExercise, OneReportPerLineInLineOrderAndLongWordsShortened) {
    const std::string longKey(100, 'x');
    const ExerciseResult r = parse("título = \"x\" ñ\n[[caso]]\nnombre = 'a'\n" + longKey + "ó = 1\n");
    ASSERT_EQ(r.errors.size(), 2u) << joined(r.errors);
    EXPECT_EQ(r.errors[0].rfind("ej.toml:1: clave con caracteres no válidos: 'título'", 0), 0u) << r.errors[0];
    const std::string shown = std::string(40, 'x') + "…";
    EXPECT_EQ(r.errors[1], "ej.toml:4: clave con caracteres no válidos: '" + shown + "' (use comillas: \"" + shown +
                               "\" = …)");

    // A line of half a million accented letters is one short report.
    std::string accents = "[[caso]]\nnombre = ";
    for (int i = 0; i < 500000; ++i) accents += "é";
    const ExerciseResult many = parse(accents + "\n");
    ASSERT_EQ(many.errors.size(), 1u);
    EXPECT_LT(many.errors[0].size(), 200u);
}

// Accents where TOML allows them: in strings of every kind, quoted keys, comments, after a BOM.
TEST(CheckExercise, BytesAboveAsciiInsideQuotesAndCommentsAreText) {
    const ExerciseResult r = parse(
        "\xEF\xBB\xBF# Ejercicio de sumá, año 2024\n"
        "titulo = \"Suma de \\\"años\\\" # ñ\"  # comentario: ñ\n"
        "[inicio]\n"
        "memoria = { \"0900\" = \"01\" } # dirección\n"
        "[[caso]]\n"
        "nombre = 'tabla vacía'\n"
        "[[caso]]\n"
        "nombre = \"\"\"dos \"\" \"\n"
        "título = 1\"\"\"\n"
        "[[caso]]\n"
        "nombre = '''más '' ñ'''\n"
        "[[caso]]\n"
        "nombre = \"\"\"Suma \\\n   de años\"\"\"\n"
        "[caso.espera]\n"
        "a = \"00\" # ó\n");
    ASSERT_TRUE(r.errors.empty()) << joined(r.errors);
    EXPECT_EQ(r.exercise.title, "Suma de \"años\" # ñ");
    ASSERT_EQ(r.exercise.cases.size(), 4u);
    EXPECT_EQ(r.exercise.cases[0].name, "tabla vacía");
    EXPECT_EQ(r.exercise.cases[1].name, "dos \"\" \"\ntítulo = 1");
    EXPECT_EQ(r.exercise.cases[2].name, "más '' ñ");
    EXPECT_EQ(r.exercise.cases[3].name, "Suma de años");
    const ExerciseResult quotedKey = parse("[[caso]]\n\"título\" = 1\n");
    ASSERT_EQ(quotedKey.errors.size(), 1u);
    EXPECT_EQ(quotedKey.errors[0], "ej.toml:2: clave desconocida 'título' en [[caso]]");
    const ExerciseResult dottedKey = parse("[[caso]]\nespera.\"año\" = 1\n");
    ASSERT_EQ(dottedKey.errors.size(), 1u);
    EXPECT_EQ(dottedKey.errors[0], "ej.toml:2: clave desconocida 'año' en [caso.espera]");
}

// Every place where the TOML parser would look at a byte outside a string (also a quote glued to a bare
// value, which it reads through, and the byte after a backslash in a multi-line string), with characters
// of every UTF-8 length, from the ranges that the parser mishandles, and bytes that are no UTF-8 at all:
// always one error of ours, on the line of the byte.
TEST(CheckExercise, NonAsciiInEveryPlaceTheParserLooksAt) {
    const struct {
        const char* text;
        int line;
    } places[] = {
        {"@ = 1\n", 1},         {"a@ = 1\n", 1},          {"a @ = 1\n", 1},         {"a = @1\n", 1},
        {"a = \"x\" @\n", 1},   {"a = \"x\"@\n", 1},      {"a = 1@\n", 1},          {"a = true @\n", 1},
        {"a = 1.5@\n", 1},      {"a = 1979-05-27@\n", 1}, {"[@]\n", 1},             {"[a@]\n", 1},
        {"[[@]]\n", 1},         {"[ @ ]\n", 1},           {"@\n", 1},               {"@# c\n", 1},
        {"a = { @ = \"1\" }\n", 1}, {"a = [ \"1\", @ ]\n", 1}, {"a.@ = 1\n", 1},   {"\"a\".@ = 1\n", 1},
        {"a = [ \"1\" @ ]\n", 1},
        {"a = 1\"@\"\n", 1},    {"a = 1.\"@\"\n", 1},     {"a = 0x1'@'\n", 1},      {"a = 1[\"@\"]\n", 1},
        {"a = 1979-05-27\"@\"\n", 1}, {"a = [1\"@\"]\n", 1}, {"a = { b = 1\"@\" }\n", 1},
        {"a = \"\"\"x \\@\"\"\"\n", 1}, {"a = \"\"\"x \\\n  @\"\"\"\n", 2}, {"a = \"\"\"x \\  \r\n\n @\"\"\"\n", 3},
    };
    const char* const bytes[] = {"\xC2\xA0", "\xC2\xA1", "í", "ñ", "Ā", "\xD2\x99", "\xD2\xA0", "\xE0\xA0\x80",
                                 "\xE1\x9A\x80", "\xE2\x80\x80", "\xE2\x80\xA8", "\xE2\xB4\xB0", "\xE3\x80\x80",
                                 "\xE3\x80\x81", "\xEF\xBB\xBF", "\xEF\xBF\xBD", "\xF0\x9F\x98\x80", "\xFF", "\x80",
                                 "\xC3", "\xE2\x82", "\xC0\x80", "\xED\xA0\x80"};
    for (const auto& place : places) {
        for (const char* b : bytes) {
            if (place.text[0] == '@' && std::string_view(b) == "\xEF\xBB\xBF") continue;  // a byte-order mark at the start
            std::string text = place.text;
            text.replace(text.find('@'), 1, b);
            const ExerciseResult r = parse(text + "[[caso]]\n");
            ASSERT_EQ(r.errors.size(), 1u) << text << joined(r.errors);
            const std::string prefix = "ej.toml:" + std::to_string(place.line) + ": ";
            EXPECT_EQ(r.errors[0].rfind(prefix, 0), 0u) << text << r.errors[0];
            EXPECT_NE(r.errors[0].find("no válido"), std::string::npos) << text << r.errors[0];
        }
    }
}
