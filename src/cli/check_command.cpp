// vandor-cli check: a class's sources against one exercise file (see check_runner.h).
#include <CLI/CLI.hpp>

#include <cctype>
#include <charconv>
#include <filesystem>
#include <ostream>
#include <thread>

#include "cli/check_exercise.h"
#include "cli/check_report.h"
#include "cli/check_runner.h"
#include "cli/commands.h"
#include "cli/file_names.h"
#include "common/text_encoding.h"

namespace vandor::cli {
namespace {

namespace fs = std::filesystem;

constexpr const char* kCheckUsage =
    "Uso: vandor-cli check EJERCICIO.toml FUENTE... [opciones]\n"
    "\n"
    "Comprueba cada fuente (.asm, o fichero objeto .hex) con los casos del ejercicio: lo ensambla en una\n"
    "carpeta temporal, ejecuta cada caso en una máquina nueva como \"vandor-cli run\" y compara el\n"
    "resultado. Escribe una línea por fuente: APTO, NO APTO, NO ENSAMBLA o NO TERMINA con el detalle.\n"
    "\n"
    "Opciones:\n"
    "  --csv FICHERO     tabla para la hoja de cálculo, una fila por fuente y caso (se escribe sobre la marcha)\n"
    "  --json FICHERO    los mismos resultados en JSON (se escribe al final)\n"
    "  --keep CARPETA    para cada caso fallido guarda el listado, la lista de pasos y un volcado de memoria\n"
    "  --jobs N          fuentes comprobadas a la vez (por defecto, los núcleos de la máquina)\n"
    "  --help            esta ayuda\n"
    "\n"
    "Salida: 0 si todas las fuentes son APTO; 1 si alguna no lo es; 2 ante un ejercicio incorrecto,\n"
    "un error de uso o un fichero de resultados que no se puede escribir.\n";

// A student's source may hold any bytes: control characters would act on the teacher's terminal.
std::string printable(std::string line) {
    for (char& ch : line)
        if ((static_cast<unsigned char>(ch) < 0x20 && ch != '\t') || ch == 0x7F) ch = '?';
    return line;
}

unsigned defaultJobs() {
    const unsigned n = std::thread::hardware_concurrency();
    return n == 0 ? 1 : n;
}

bool validJobs(const std::string& text) {
    unsigned n = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), n);
    return ec == std::errc() && end == text.data() + text.size() && n >= 1 && n <= 256;
}

class CheckCommand final : public Command {
public:
    explicit CheckCommand(CLI::App& top) : Command(top, "check", kCheckUsage) {
        options_.jobs = defaultJobs();
        option("--csv", [this](const std::string& v) { csv_ = v; })->check(notEmpty("falta el valor de --csv"));
        option("--json", [this](const std::string& v) { json_ = v; })->check(notEmpty("falta el valor de --json"));
        option("--keep", [this](const std::string& v) { options_.keepDir = v; })
            ->check(notEmpty("falta el valor de --keep"));
        option("--jobs", [this](const std::string& v) { options_.jobs = static_cast<unsigned>(std::stoul(v)); })
            ->check(notEmpty("falta el valor de --jobs"))
            ->check(accepts(validJobs, withValue("--jobs espera un número de 1 a 256, no ")));
    }

    int run(std::ostream& out, std::ostream& err) override;

private:
    // Before "--", a word with a dash is an option (only --help is one here); the first other word is
    // the exercise, the rest are sources.
    void argument(const std::string& text, bool afterDashes) override {
        if (!afterDashes && text.starts_with("-") && text != "-") {
            const std::string name = text.starts_with("--") ? text.substr(0, text.find('=')) : text;
            if (name != "--help" && name != "-h") fail("opción desconocida: " + name);
            help_ = true;
        } else if (exercise_.empty()) {
            exercise_ = text;
        } else {
            sources_.push_back(text);
        }
    }

    void lineComplete() override {
        if (help_) showHelp();
        if (exercise_.empty()) fail("falta el fichero de ejercicio");
        if (sources_.empty()) fail("falta al menos un fuente que comprobar");
        refuseOverwrite("--csv", csv_, true);
        refuseOverwrite("--json", json_, true);
        refuseOverwrite("--keep", options_.keepDir, false);
    }

    // A result file written over a file being checked would destroy it, and so would one written over a
    // source left off the line: "--csv *.asm" with the file name forgotten takes the first source as the
    // CSV file. An existing .asm, .hex or .toml file is never a result file.
    void refuseOverwrite(const std::string& option, const std::string& target, bool isFile) const {
        if (target.empty()) return;
        if (sameFile(target, exercise_)) fail(option + " escribiría encima del ejercicio '" + exercise_ + "'");
        for (const std::string& source : sources_)
            if (sameFile(target, source)) fail(option + " escribiría encima del fuente '" + source + "'");
        std::error_code ec;
        if (!isFile || !fs::is_regular_file(target, ec)) return;
        std::string extension = fs::path(target).extension().string();
        for (char& ch : extension) ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
        if (extension == ".asm" || extension == ".hex")
            fail(option + " escribiría encima del fuente '" + target + "'");
        if (extension == ".toml") fail(option + " escribiría encima del ejercicio '" + target + "'");
    }

    std::string exercise_;
    std::vector<std::string> sources_;
    std::string csv_, json_;
    check::CheckOptions options_;
    bool help_ = false;
};

int CheckCommand::run(std::ostream& out, std::ostream& err) {
    // The whole exercise is validated before any source runs.
    const check::ExerciseResult exercise = check::readExercise(exercise_);
    if (!exercise.errors.empty()) {
        for (const std::string& e : exercise.errors) err << toUtf8(e) << "\n";
        return 2;
    }

    // Every result file is known to be writable before the first source runs.
    if (!json_.empty() && !canCreateFile(json_)) {
        err << "vandor-cli check: no se puede crear el fichero " << toUtf8(json_) << "\n";
        return 2;
    }
    check::CsvWriter csv;
    if (!csv_.empty() && !csv.open(csv_)) {
        err << "vandor-cli check: no se puede crear el fichero " << toUtf8(csv_) << "\n";
        return 2;
    }
    if (!options_.keepDir.empty()) {
        std::error_code ec;
        std::filesystem::create_directories(options_.keepDir, ec);
        if (!std::filesystem::is_directory(options_.keepDir, ec)) {
            err << "vandor-cli check: no se puede crear la carpeta " << toUtf8(options_.keepDir) << "\n";
            return 2;
        }
    }

    bool csvOk = true;
    const std::vector<check::SourceResult> results =
        check::checkAll(exercise.exercise, sources_, options_, [&](const check::SourceResult& r) {
            out << printable(check::summaryLine(r)) << "\n" << std::flush;
            if (!csv_.empty()) csvOk = csv.write(r) && csvOk;
        });

    int status = 0;
    size_t passed = 0;
    for (const check::SourceResult& r : results) {
        if (r.outcome == check::Outcome::Apto)
            ++passed;
        else
            status = 1;
    }
    err << passed << " de " << results.size() << (results.size() == 1 ? " fuente" : " fuentes") << " APTO\n";

    if (!csv_.empty() && (!csv.close() || !csvOk)) {
        err << "vandor-cli check: error escribiendo " << toUtf8(csv_) << "\n";
        status = 2;
    }
    if (!json_.empty() &&
        !check::writeJson(json_, exercise_, exercise.exercise, results)) {
        err << "vandor-cli check: no se puede escribir el fichero " << toUtf8(json_) << "\n";
        status = 2;
    }
    return status;
}

}  // namespace

std::unique_ptr<Command> checkCommand(CLI::App& top) { return std::make_unique<CheckCommand>(top); }

}  // namespace vandor::cli
