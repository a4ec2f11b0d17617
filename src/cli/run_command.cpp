// vandor-cli run: loads an object file into a fresh machine, runs it and prints the final state.
#include <charconv>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "cli/commands.h"
#include "cli/run_session.h"

namespace vandor::cli {
namespace {

constexpr const char* kRunUsage =
    "Uso: vandor-cli run OBJETO [opciones]\n"
    "\n"
    "Carga el fichero objeto Intel HEX en una máquina nueva (memoria y puertos a 00, RESET) y lo ejecuta\n"
    "paso a paso como la ejecución continua. Al final escribe una línea con el estado de la máquina:\n"
    "  A=.. B=.. C=.. D=.. E=.. F=.. H=.. L=.. M=.. BC=.... DE=.... HL=.... PC=.... SP=.... IE=.\n"
    "  M5.5=. M6.5=. M7.5=. I7.5=. SID=. SOD=. PASOS=n FIN=HLT|PASOS|BREAK\n"
    "\n"
    "Opciones (valores hexadecimales de 1 a 4 cifras, mayúsculas o minúsculas):\n"
    "  --pc HHHH        PC antes del primer paso\n"
    "  --sp HHHH        SP antes del primer paso\n"
    "  --steps N        como mucho N pasos (decimal; por defecto 1000000)\n"
    "  --trace FICHERO  guarda la lista de pasos al final (formato de \"Salvar\")\n"
    "  --dump FICHERO   guarda al final los 65536 bytes de memoria y los 256 puertos\n"
    "  --sid 0|1        la línea SID\n"
    "  --vec HH         el vector de INTR (por defecto 00)\n"
    "  --irq N:NOMBRE   antes del paso N (desde 1) pulsa TRAP, RST5.5, RST6.5, RST7.5 o INTR; repetible\n"
    "  --on-hlt MODO    STOP (por defecto: termina tras el HLT), RESET, TRAP, RST5.5, RST6.5, RST7.5 o INTR\n"
    "                   (se sale del HLT así y la ejecución continúa)\n"
    "  --break HHHH     punto de parada en esa dirección; repetible\n"
    "  --help           esta ayuda\n"
    "\n"
    "Salida: 0 si se ejecutó; 2 ante un error de uso, de carga o de fichero.\n";

std::optional<uint16_t> parseHex(std::string_view text) {
    if (text.empty() || text.size() > 4) return std::nullopt;
    unsigned value = 0;
    for (char ch : text) {
        int digit;
        if (ch >= '0' && ch <= '9') digit = ch - '0';
        else if (ch >= 'A' && ch <= 'F') digit = ch - 'A' + 10;
        else if (ch >= 'a' && ch <= 'f') digit = ch - 'a' + 10;
        else return std::nullopt;
        value = value << 4 | static_cast<unsigned>(digit);
    }
    return static_cast<uint16_t>(value);
}

std::optional<uint64_t> parseDecimal(std::string_view text) {
    if (text.empty()) return std::nullopt;
    for (char ch : text)
        if (ch < '0' || ch > '9') return std::nullopt;
    uint64_t value = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc() || end != text.data() + text.size()) return std::nullopt;
    return value;
}

struct UsageError {
    std::string text;
};

struct ParsedRun {
    std::string object;
    std::string traceFile, dumpFile;
    RunOptions options;
    bool help = false;
};

// Reads the arguments; throws UsageError with a Spanish explanation.
ParsedRun parseRunArguments(const std::vector<std::string>& args) {
    ParsedRun parsed;
    bool haveObject = false;
    for (size_t i = 0; i < args.size(); ++i) {
        std::string name = args[i];
        std::optional<std::string> inlineValue;
        if (name.starts_with("--")) {
            const size_t eq = name.find('=');
            if (eq != std::string::npos) {
                inlineValue = name.substr(eq + 1);
                name.resize(eq);
            }
        } else if (name != "-h") {
            if (haveObject) throw UsageError{"sobra el argumento '" + name + "' (solo se ejecuta un fichero objeto)"};
            parsed.object = name;
            haveObject = true;
            continue;
        }
        if (name == "--help" || name == "-h") {
            parsed.help = true;
            continue;
        }
        auto value = [&]() -> std::string {
            if (inlineValue) return *inlineValue;
            if (i + 1 >= args.size()) throw UsageError{"falta el valor de " + name};
            return args[++i];
        };
        auto hexValue = [&](const std::string& text) {
            const auto v = parseHex(text);
            if (!v) throw UsageError{"valor hexadecimal incorrecto para " + name + ": '" + text + "'"};
            return *v;
        };
        RunOptions& o = parsed.options;
        if (name == "--pc") {
            o.pc = hexValue(value());
        } else if (name == "--sp") {
            o.sp = hexValue(value());
        } else if (name == "--steps") {
            const std::string text = value();
            const auto v = parseDecimal(text);
            if (!v) throw UsageError{"número de pasos incorrecto: '" + text + "'"};
            o.maxSteps = *v;
        } else if (name == "--trace") {
            parsed.traceFile = value();
            if (parsed.traceFile.empty()) throw UsageError{"falta el nombre del fichero de --trace"};
            o.recordTrace = true;
        } else if (name == "--dump") {
            parsed.dumpFile = value();
            if (parsed.dumpFile.empty()) throw UsageError{"falta el nombre del fichero de --dump"};
        } else if (name == "--sid") {
            const std::string text = value();
            if (text != "0" && text != "1") throw UsageError{"--sid admite 0 o 1, no '" + text + "'"};
            o.sid = text == "1";
        } else if (name == "--vec") {
            const std::string text = value();
            const uint16_t v = hexValue(text);
            if (v > 0xFF) throw UsageError{"el vector de --vec es un byte (00 a FF), no '" + text + "'"};
            o.vec = static_cast<uint8_t>(v);
        } else if (name == "--irq") {
            const std::string text = value();
            const size_t colon = text.find(':');
            const auto step = colon == std::string::npos ? std::nullopt : parseDecimal(text.substr(0, colon));
            const auto button =
                colon == std::string::npos ? std::nullopt : parseButtonName(std::string_view(text).substr(colon + 1));
            if (!step || *step == 0 || !button)
                throw UsageError{"--irq espera N:NOMBRE (N desde 1; TRAP, RST5.5, RST6.5, RST7.5 o INTR), no '" + text +
                                 "'"};
            o.irqs.push_back({*step, *button});
        } else if (name == "--on-hlt") {
            const std::string text = value();
            const auto answer = parseHltAnswer(text);
            if (!answer)
                throw UsageError{"--on-hlt admite STOP, RESET, TRAP, RST5.5, RST6.5, RST7.5 o INTR, no '" + text + "'"};
            o.onHlt = *answer;
        } else if (name == "--break") {
            o.breakpoints.push_back(hexValue(value()));
        } else {
            throw UsageError{"opción desconocida: " + name};
        }
    }
    if (!parsed.help && !haveObject) throw UsageError{"falta el fichero objeto"};
    return parsed;
}

// The loader's messages separate the file from the reason with a lone CR; on a terminal that would
// overwrite the first part, so it becomes a line break here.
class StreamMessages final : public MessageSink {
public:
    explicit StreamMessages(std::ostream& err) : err_(err) {}
    void message(const std::string& text) override {
        std::string shown = text;
        for (char& ch : shown)
            if (ch == '\r') ch = '\n';
        err_ << shown << "\n";
    }

private:
    std::ostream& err_;
};

}  // namespace

int runCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    ParsedRun parsed;
    try {
        parsed = parseRunArguments(args);
    } catch (const UsageError& e) {
        err << "vandor-cli run: " << e.text << "\n(vandor-cli run --help da la ayuda)\n";
        return 2;
    }
    if (parsed.help) {
        out << kRunUsage;
        return 0;
    }

    Simulator sim;
    StreamMessages messages(err);
    if (!loadObject(sim, parsed.object, messages)) return 2;

    const RunResult result = runProgram(sim, parsed.options);
    for (const std::string& warning : result.warnings) err << warning << "\n";

    int status = 0;
    if (!parsed.traceFile.empty() && !sim.trace.save(parsed.traceFile)) {
        err << "Error guardando fichero " << parsed.traceFile << "\n";
        status = 2;
    }
    if (!parsed.dumpFile.empty() && !writeDump(sim.m, parsed.dumpFile)) {
        err << "Error guardando fichero " << parsed.dumpFile << "\n";
        status = 2;
    }
    out << stateLine(sim, result) << "\n";
    return status;
}

}  // namespace vandor::cli
