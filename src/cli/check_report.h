// The tables of `vandor-cli check` for a spreadsheet: a CSV file written row by row as results come (so
// an interrupted check keeps what it had) and a JSON file written at the end. Both are UTF-8; texts that
// are not valid UTF-8 (a source saved as Windows-1252) are converted from Windows-1252.
//
// A new CSV file is written in place as the rows come; one that already exists is replaced only when the
// check ends, through a temporary renamed over it, as the JSON file is.
//
// CSV: one row per source and case, columns fichero, caso, resultado, pasos, expectativa, esperado,
// obtenido; a source that gave no object has one row with an empty case and its error log in obtenido.
// Fields are quoted when they need it (RFC 4180), lines end in CR LF, the file starts with a UTF-8 byte
// order mark so that spreadsheets read its accents right, and a field that a spreadsheet would take for
// a formula (starting with =, +, - or @) gets a leading apostrophe.
//
//   CsvWriter csv;
//   if (!csv.open("notas.csv")) ...;
//   csv.write(result);                      // each source as it is judged
//   writeJson("notas.json", "suma.toml", exercise, results);
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "cli/check_exercise.h"
#include "cli/check_verdict.h"
#include "common/atomic_file.h"
#include "common/text_encoding.h"

namespace vandor::check {

// One CSV field, quoted and protected as described above.
std::string csvField(std::string_view text);
std::string jsonString(std::string_view text);

class CsvWriter {
public:
    CsvWriter() = default;
    CsvWriter(const CsvWriter&) = delete;
    CsvWriter& operator=(const CsvWriter&) = delete;
    ~CsvWriter();

    // Creates the file and writes the heading row. False when it cannot be created.
    bool open(const std::string& path);
    // Appends the rows of one source and flushes them to disk. False after a write error.
    bool write(const SourceResult& result);
    bool close();

private:
    bool writeLine(const std::vector<std::string>& fields);
    std::unique_ptr<AtomicFile> file_;
    bool ok_ = true;
};

// The whole report as JSON text, and written to a file (temporary file renamed over the old one).
std::string jsonReport(const std::string& exercisePath, const Exercise& exercise,
                       const std::vector<SourceResult>& results);
bool writeJson(const std::string& path, const std::string& exercisePath, const Exercise& exercise,
               const std::vector<SourceResult>& results);

}  // namespace vandor::check
