// The CSV and JSON reports of vandor-cli check: quoting, encodings and the exact file contents.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "cli/check_report.h"

using namespace vandor::check;

namespace {

std::string readAll(const std::filesystem::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

std::filesystem::path scratch(const std::string& name) {
    auto dir = std::filesystem::temp_directory_path() / "vandor-check-report-test";
    std::filesystem::create_directories(dir);
    return dir / name;
}

std::vector<SourceResult> sampleResults() {
    return {
        {"a.asm", Outcome::Apto, {}, {{"uno", Outcome::Apto, 12, "", "", ""}, {"dos", Outcome::Apto, 30, "", "", ""}}},
        {"b, \"c\".asm",
         Outcome::NoApto,
         {},
         {{"uno", Outcome::Apto, 12, "", "", ""}, {"dos", Outcome::NoApto, 31, "memoria 0900", "01 02", "01 03"}}},
        {"d.asm", Outcome::NoEnsambla, {"==>  MVI A,ZZ", "L\xEDnea: 3 - ERROR: Operando incorrecto"}, {}},
    };
}

struct FieldCase {
    const char* raw;
    const char* csv;
};

const FieldCase kFields[] = {
    {"", ""},
    {"plain", "plain"},
    {"con, coma", "\"con, coma\""},
    {"di \"hola\"", "\"di \"\"hola\"\"\""},
    {"dos\nlíneas", "\"dos\nlíneas\""},
    {"cr\rsolo", "\"cr\rsolo\""},
    {"==>  MVI", "'==>  MVI"},
    {"+1", "'+1"},
    {"-x.asm", "'-x.asm"},
    {"@suma", "'@suma"},
    {"=a,b", "\"'=a,b\""},
    {"ca\xF1" "a", "caña"},  // Windows-1252 becomes UTF-8
};

TEST(CheckReport, CsvFields) {
    for (const FieldCase& f : kFields) EXPECT_EQ(csvField(f.raw), f.csv) << f.raw;
}

TEST(CheckReport, JsonStrings) {
    EXPECT_EQ(jsonString("a\"b\\c"), "\"a\\\"b\\\\c\"");
    EXPECT_EQ(jsonString("t\tn\nr\r\x01"), "\"t\\tn\\nr\\r\\u0001\"");
    EXPECT_EQ(jsonString("ca\xF1" "a"), "\"caña\"");
}

TEST(CheckReport, CsvFileHasOneRowPerSourceAndCase) {
    const auto path = scratch("notas.csv");
    CsvWriter csv;
    ASSERT_TRUE(csv.open(path.string()));
    // The heading is on disk at once, and each source's rows as soon as they are written.
    EXPECT_EQ(readAll(path), "\xEF\xBB\xBF" "fichero,caso,resultado,pasos,expectativa,esperado,obtenido\r\n");
    const auto results = sampleResults();
    ASSERT_TRUE(csv.write(results[0]));
    EXPECT_EQ(readAll(path),
              "\xEF\xBB\xBF" "fichero,caso,resultado,pasos,expectativa,esperado,obtenido\r\n"
              "a.asm,uno,APTO,12,,,\r\na.asm,dos,APTO,30,,,\r\n");
    ASSERT_TRUE(csv.write(results[1]));
    ASSERT_TRUE(csv.write(results[2]));
    ASSERT_TRUE(csv.close());
    EXPECT_EQ(readAll(path),
              "\xEF\xBB\xBF"
              "fichero,caso,resultado,pasos,expectativa,esperado,obtenido\r\n"
              "a.asm,uno,APTO,12,,,\r\n"
              "a.asm,dos,APTO,30,,,\r\n"
              "\"b, \"\"c\"\".asm\",uno,APTO,12,,,\r\n"
              "\"b, \"\"c\"\".asm\",dos,NO APTO,31,memoria 0900,01 02,01 03\r\n"
              "d.asm,,NO ENSAMBLA,,,,\"'==>  MVI A,ZZ | Línea: 3 - ERROR: Operando incorrecto\"\r\n");
    std::filesystem::remove(path);
}

TEST(CheckReport, CsvCannotBeCreated) {
    CsvWriter csv;
    EXPECT_FALSE(csv.open("/nonexistent/dir/notas.csv"));
    EXPECT_FALSE(csv.write(sampleResults()[0]));
}

TEST(CheckReport, JsonReport) {
    Exercise ex;
    ex.title = "Suma \"rápida\"";
    ex.cases.resize(2);
    const std::string expected =
        "{\n"
        "  \"ejercicio\": \"ej.toml\", \"titulo\": \"Suma \\\"rápida\\\"\",\n"
        "  \"fuentes\": [\n"
        "    {\"fichero\": \"a.asm\", \"resultado\": \"APTO\", \"casos_aptos\": 2, \"casos_total\": 2,\n"
        "      \"errores\": [],\n"
        "      \"casos\": [\n"
        "        {\"caso\": \"uno\", \"resultado\": \"APTO\", \"pasos\": 12, \"expectativa\": \"\", "
        "\"esperado\": \"\", \"obtenido\": \"\"},\n"
        "        {\"caso\": \"dos\", \"resultado\": \"APTO\", \"pasos\": 30, \"expectativa\": \"\", "
        "\"esperado\": \"\", \"obtenido\": \"\"}\n"
        "      ]},\n"
        "    {\"fichero\": \"b, \\\"c\\\".asm\", \"resultado\": \"NO APTO\", \"casos_aptos\": 1, \"casos_total\": 2,\n"
        "      \"errores\": [],\n"
        "      \"casos\": [\n"
        "        {\"caso\": \"uno\", \"resultado\": \"APTO\", \"pasos\": 12, \"expectativa\": \"\", "
        "\"esperado\": \"\", \"obtenido\": \"\"},\n"
        "        {\"caso\": \"dos\", \"resultado\": \"NO APTO\", \"pasos\": 31, \"expectativa\": \"memoria 0900\", "
        "\"esperado\": \"01 02\", \"obtenido\": \"01 03\"}\n"
        "      ]},\n"
        "    {\"fichero\": \"d.asm\", \"resultado\": \"NO ENSAMBLA\", \"casos_aptos\": 0, \"casos_total\": 2,\n"
        "      \"errores\": [\"==>  MVI A,ZZ\", \"Línea: 3 - ERROR: Operando incorrecto\"],\n"
        "      \"casos\": []}\n"
        "  ],\n"
        "  \"resumen\": {\"fuentes\": 3, \"aptas\": 1}\n"
        "}\n";
    EXPECT_EQ(jsonReport("ej.toml", ex, sampleResults()), expected);

    const auto path = scratch("notas.json");
    ASSERT_TRUE(writeJson(path.string(), "ej.toml", ex, sampleResults()));
    EXPECT_EQ(readAll(path), expected);
    EXPECT_FALSE(std::filesystem::exists(path.string() + ".tmp"));
    std::filesystem::remove(path);
    EXPECT_FALSE(writeJson("/nonexistent/dir/notas.json", "ej.toml", ex, sampleResults()));
}

}  // namespace
