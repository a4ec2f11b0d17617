#include "cli/check_command.h"

#include <charconv>
#include <filesystem>
#include <optional>
#include <ostream>
#include <thread>

#include "cli/check_exercise.h"
#include "cli/check_report.h"
#include "cli/check_runner.h"

namespace vandor::cli {

namespace {

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

struct UsageError {
    std::string text;
};

struct ParsedCheck {
    std::string exercise;
    std::vector<std::string> sources;
    std::string csv, json;
    check::CheckOptions options;
    bool help = false;
};

unsigned defaultJobs() {
    const unsigned n = std::thread::hardware_concurrency();
    return n == 0 ? 1 : n;
}

ParsedCheck parseCheckArguments(const std::vector<std::string>& args) {
    ParsedCheck parsed;
    parsed.options.jobs = defaultJobs();
    bool onlyFiles = false;
    for (size_t i = 0; i < args.size(); ++i) {
        std::string name = args[i];
        if (onlyFiles || !name.starts_with("-") || name == "-") {
            if (parsed.exercise.empty())
                parsed.exercise = name;
            else
                parsed.sources.push_back(name);
            continue;
        }
        if (name == "--") {
            onlyFiles = true;
            continue;
        }
        std::optional<std::string> inlineValue;
        if (const size_t eq = name.find('='); name.starts_with("--") && eq != std::string::npos) {
            inlineValue = name.substr(eq + 1);
            name.resize(eq);
        }
        if (name == "--help" || name == "-h") {
            parsed.help = true;
            continue;
        }
        auto value = [&]() -> std::string {
            std::string v;
            if (inlineValue)
                v = *inlineValue;
            else if (i + 1 < args.size())
                v = args[++i];
            if (v.empty()) throw UsageError{"falta el valor de " + name};
            return v;
        };
        if (name == "--csv") {
            parsed.csv = value();
        } else if (name == "--json") {
            parsed.json = value();
        } else if (name == "--keep") {
            parsed.options.keepDir = value();
        } else if (name == "--jobs") {
            const std::string text = value();
            unsigned n = 0;
            const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), n);
            if (ec != std::errc() || end != text.data() + text.size() || n < 1 || n > 256)
                throw UsageError{"--jobs espera un número de 1 a 256, no '" + text + "'"};
            parsed.options.jobs = n;
        } else {
            throw UsageError{"opción desconocida: " + name};
        }
    }
    if (parsed.help) return parsed;
    if (parsed.exercise.empty()) throw UsageError{"falta el fichero de ejercicio"};
    if (parsed.sources.empty()) throw UsageError{"falta al menos un fuente que comprobar"};
    return parsed;
}

}  // namespace

int checkCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    ParsedCheck parsed;
    try {
        parsed = parseCheckArguments(args);
    } catch (const UsageError& e) {
        err << "vandor-cli check: " << e.text << "\n(vandor-cli check --help da la ayuda)\n";
        return 2;
    }
    if (parsed.help) {
        out << kCheckUsage;
        return 0;
    }

    // The whole exercise is validated before any source runs.
    const check::ExerciseResult exercise = check::readExercise(parsed.exercise);
    if (!exercise.errors.empty()) {
        for (const std::string& e : exercise.errors) err << check::toUtf8(e) << "\n";
        return 2;
    }

    check::CsvWriter csv;
    if (!parsed.csv.empty() && !csv.open(parsed.csv)) {
        err << "vandor-cli check: no se puede crear el fichero " << parsed.csv << "\n";
        return 2;
    }
    if (!parsed.options.keepDir.empty()) {
        std::error_code ec;
        std::filesystem::create_directories(parsed.options.keepDir, ec);
        if (!std::filesystem::is_directory(parsed.options.keepDir, ec)) {
            err << "vandor-cli check: no se puede crear la carpeta " << parsed.options.keepDir << "\n";
            return 2;
        }
    }

    bool csvOk = true;
    const std::vector<check::SourceResult> results =
        check::checkAll(exercise.exercise, parsed.sources, parsed.options, [&](const check::SourceResult& r) {
            out << printable(check::summaryLine(r)) << "\n" << std::flush;
            if (!parsed.csv.empty()) csvOk = csv.write(r) && csvOk;
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

    if (!parsed.csv.empty() && (!csv.close() || !csvOk)) {
        err << "vandor-cli check: error escribiendo " << parsed.csv << "\n";
        status = 2;
    }
    if (!parsed.json.empty() &&
        !check::writeJson(parsed.json, parsed.exercise, exercise.exercise, results)) {
        err << "vandor-cli check: no se puede escribir el fichero " << parsed.json << "\n";
        status = 2;
    }
    return status;
}

}  // namespace vandor::cli
