// vandor-cli run: loads an object file into a fresh machine, runs it and prints the final state.
#include <CLI/CLI.hpp>

#include <charconv>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "cli/commands.h"
#include "cli/file_names.h"
#include "cli/run_session.h"
#include "common/atomic_file.h"
#include "common/hex.h"
#include "common/text_encoding.h"

namespace vandor::cli {
namespace {

constexpr const char* kRunUsage =
    "Uso: vandor-cli run OBJETO [opciones]\n"
    "\n"
    "Carga el fichero objeto Intel HEX en una máquina nueva (memoria y puertos a 00, RESET) y lo ejecuta\n"
    "paso a paso como la ejecución continua. Al final escribe una línea con el estado de la máquina:\n"
    "  A=.. B=.. C=.. D=.. E=.. F=.. H=.. L=.. M=.. BC=.... DE=.... HL=.... PC=.... SP=.... IE=.\n"
    "  M5.5=. M6.5=. M7.5=. I7.5=. SID=. SOD=. PASOS=n FIN=HLT|PASOS|BREAK|WATCH [T=n]\n"
    "\n"
    "Opciones (valores hexadecimales de 1 a 4 cifras, mayúsculas o minúsculas):\n"
    "  --pc HHHH        PC antes del primer paso\n"
    "  --sp HHHH        SP antes del primer paso\n"
    "  --steps N        como mucho N pasos (decimal; por defecto 1000000)\n"
    "  --trace FICHERO  guarda la lista de pasos (formato de \"Salvar\"), escrita mientras se ejecuta\n"
    "  --dump FICHERO   guarda al final los 65536 bytes de memoria y los 256 puertos\n"
    "  --sid 0|1        la línea SID\n"
    "  --vec HH         el vector de INTR (por defecto 00)\n"
    "  --irq N:NOMBRE   antes del paso N (desde 1) pulsa TRAP, RST5.5, RST6.5, RST7.5 o INTR; repetible\n"
    "  --on-hlt MODO    STOP (por defecto: termina tras el HLT), RESET, TRAP, RST5.5, RST6.5, RST7.5 o INTR\n"
    "                   (se sale del HLT así y la ejecución continúa)\n"
    "  --break HHHH     punto de parada en esa dirección; repetible\n"
    "  --tstates        añade a la línea \"T=n\": los estados T de la ejecución\n"
    "  --watch ZONA     vigila memoria (HHHH o HHHH-HHHH) o puertos (PHH o PHH-PHH), con :r (lectura),\n"
    "                   :w (escritura, por defecto) o :rw; la ejecución termina tras la instrucción que\n"
    "                   lee o escribe una celda vigilada (FIN=WATCH); repetible\n"
    "  --back K         al final deshace los K últimos pasos (como mucho los ejecutados y 1000000)\n"
    "  --in PP:HH,HH,...  los sucesivos IN PP leen esos valores en orden y después otra vez el último;\n"
    "                   cada valor queda en el puerto al leerlo; repetible\n"
    "  --out-log FICHERO  una línea por cada OUT: el número del paso, el puerto y el valor, separados\n"
    "                   por tabuladores\n"
    "  --help           esta ayuda\n"
    "\n"
    "Salida: 0 si se ejecutó; 2 ante un error de uso, de carga o de fichero.\n";

std::optional<uint16_t> parseHex(std::string_view text) {
    const auto value = vandor::parseHex(text, 4);
    if (!value) return std::nullopt;
    return static_cast<uint16_t>(*value);
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

// "N:NAME": a button pressed before step N (from 1).
std::optional<IrqPress> parseIrq(std::string_view text) {
    const size_t colon = text.find(':');
    if (colon == std::string_view::npos) return std::nullopt;
    const auto step = parseDecimal(text.substr(0, colon));
    const auto button = parseButtonName(text.substr(colon + 1));
    if (!step || *step == 0 || !button) return std::nullopt;
    return IrqPress{*step, *button};
}

// "PP:HH,HH,...": the values successive IN from port PP read (one or two hexadecimal digits each).
std::optional<PortValues> parseInput(std::string_view text) {
    const size_t colon = text.find(':');
    if (colon == std::string_view::npos) return std::nullopt;
    const auto port = vandor::parseHex(text.substr(0, colon), 2);
    if (!port) return std::nullopt;
    PortValues q{static_cast<uint8_t>(*port), {}};
    std::string_view rest = text.substr(colon + 1);
    while (true) {
        const size_t comma = rest.find(',');
        const auto value = vandor::parseHex(rest.substr(0, comma), 2);
        if (!value) return std::nullopt;
        q.values.push_back(static_cast<uint8_t>(*value));
        if (comma == std::string_view::npos) break;
        rest = rest.substr(comma + 1);
    }
    return q;
}

// The --out-log file: "step<TAB>PP<TAB>HH" and CR LF for every OUT, written as the run goes through a
// temporary that replaces the file when the run is over.
class OutLogFile final : public OutputWriter {
public:
    explicit OutLogFile(const std::string& path) : file_(path) {}
    bool isOpen() const { return file_.isOpen(); }
    void written(const OutputRecord& r) override {
        line_.clear();
        line_ += std::to_string(r.step);
        line_ += '\t';
        line_ += hexa(r.port, 2);
        line_ += '\t';
        line_ += hexa(r.value, 2);
        line_ += "\r\n";
        file_.write(line_);
    }
    bool commit() { return file_.commit(); }

private:
    AtomicFile file_;
    std::string line_;
};

// The loader's messages separate the file from the reason with a lone CR; on a terminal that would
// overwrite the first part, so it becomes a line break here. A file name that is not UTF-8 is shown as
// Windows-1252, so that the standard error is UTF-8 always.
class StreamMessages final : public MessageSink {
public:
    explicit StreamMessages(std::ostream& err) : err_(err) {}
    void message(const std::string& text) override {
        std::string shown = text;
        for (char& ch : shown)
            if (ch == '\r') ch = '\n';
        err_ << toUtf8(shown) << "\n";
    }

private:
    std::ostream& err_;
};

class RunCommand final : public Command {
public:
    // "--" is no option of run: it is reported as unknown.
    explicit RunCommand(CLI::App& top) : Command(top, "run", kRunUsage, Dashes::Word) {
        const auto hexWord = [](const std::string& option) {
            return accepts([](const std::string& v) { return parseHex(v).has_value(); },
                           withValue("valor hexadecimal incorrecto para " + option + ": "));
        };
        RunOptions& o = options_;
        option("--pc", [&o](const std::string& v) { o.pc = *parseHex(v); })->check(hexWord("--pc"));
        option("--sp", [&o](const std::string& v) { o.sp = *parseHex(v); })->check(hexWord("--sp"));
        option("--steps", [&o](const std::string& v) { o.maxSteps = *parseDecimal(v); })
            ->check(accepts([](const std::string& v) { return parseDecimal(v).has_value(); },
                            withValue("número de pasos incorrecto: ")));
        option("--trace", [this](const std::string& v) {
            traceFile_ = v;
            options_.recordTrace = true;
        })->check(notEmpty("falta el nombre del fichero de --trace"));
        option("--dump", [this](const std::string& v) { dumpFile_ = v; })
            ->check(notEmpty("falta el nombre del fichero de --dump"));
        option("--sid", [&o](const std::string& v) { o.sid = v == "1"; })
            ->check(accepts([](const std::string& v) { return v == "0" || v == "1"; },
                            withValue("--sid admite 0 o 1, no ")));
        option("--vec", [&o](const std::string& v) { o.vec = static_cast<uint8_t>(*parseHex(v)); })
            ->check(hexWord("--vec"))
            ->check(accepts([](const std::string& v) { return *parseHex(v) <= 0xFF; },
                            withValue("el vector de --vec es un byte (00 a FF), no ")));
        option("--irq", [&o](const std::string& v) { o.irqs.push_back(*parseIrq(v)); })
            ->check(accepts([](const std::string& v) { return parseIrq(v).has_value(); },
                            withValue("--irq espera N:NOMBRE (N desde 1; TRAP, RST5.5, RST6.5, RST7.5 o INTR), no ")));
        option("--on-hlt", [&o](const std::string& v) { o.onHlt = *parseHltAnswer(v); })
            ->check(accepts([](const std::string& v) { return parseHltAnswer(v).has_value(); },
                            withValue("--on-hlt admite STOP, RESET, TRAP, RST5.5, RST6.5, RST7.5 o INTR, no ")));
        option("--break", [&o](const std::string& v) { o.breakpoints.push_back(*parseHex(v)); })
            ->check(hexWord("--break"));
        option("--watch", [&o](const std::string& v) { o.watches.push_back(*parseWatchpoint(v)); })
            ->check(accepts([](const std::string& v) { return parseWatchpoint(v).has_value(); },
                            withValue("--watch espera HHHH, HHHH-HHHH, PHH o PHH-PHH, con :r, :w o :rw; no ")));
        option("--back", [&o](const std::string& v) { o.back = *parseDecimal(v); })
            ->check(accepts(
                [](const std::string& v) {
                    const auto k = parseDecimal(v);
                    return k && *k <= kMaxBack;
                },
                withValue("--back espera un número de pasos de 0 a 1000000, no ")));
        option("--in", [&o](const std::string& v) { o.inputs.push_back(*parseInput(v)); })
            ->check(accepts([](const std::string& v) { return parseInput(v).has_value(); },
                            withValue("--in espera PP:HH,HH,... (puerto y valores hexadecimales de 00 a FF), no ")));
        option("--out-log", [this](const std::string& v) { outLogFile_ = v; })
            ->check(notEmpty("falta el nombre del fichero de --out-log"));
    }

    int run(std::ostream& out, std::ostream& err) override {
        Simulator sim;
        StreamMessages messages(err);
        if (!loadObject(sim, *object_, messages)) return 2;

        // The trace is written as the run goes: its file is opened before the first step.
        std::optional<TraceStream> trace;
        if (!traceFile_.empty()) {
            trace.emplace(traceFile_);
            if (!trace->isOpen()) {
                err << "Error guardando fichero " << traceFile_ << "\n";
                return 2;
            }
            sim.trace.streamTo(&*trace);
        }
        // So is the output log: a file that cannot be written is known before the run.
        std::optional<OutLogFile> outLog;
        OutputLog outputs;
        if (!outLogFile_.empty()) {
            outLog.emplace(outLogFile_);
            if (!outLog->isOpen()) {
                err << "Error guardando fichero " << outLogFile_ << "\n";
                return 2;
            }
            outputs.streamTo(&*outLog);
            options_.outputs = &outputs;
        }

        const RunResult result = runProgram(sim, options_);
        for (const std::string& warning : result.warnings) err << warning << "\n";

        int status = 0;
        if (trace) {
            sim.trace.finishStream();
            if (!trace->finish()) {
                err << "Error guardando fichero " << traceFile_ << "\n";
                status = 2;
            }
        }
        if (outLog && !outLog->commit()) {
            err << "Error guardando fichero " << outLogFile_ << "\n";
            status = 2;
        }
        if (!dumpFile_.empty() && !writeDump(sim.m, dumpFile_)) {
            err << "Error guardando fichero " << dumpFile_ << "\n";
            status = 2;
        }
        out << stateLine(sim, result) << "\n";
        return status;
    }

private:
    // Any word that is not one of the options: the object file, or "--x" and "--" as unknown options.
    // A single dash does not make an option, so "-x.hex" is a file name.
    void argument(const std::string& text, bool) override {
        if (text == "-h") {
            help_ = true;
        } else if (text.starts_with("--")) {
            const std::string name = text.substr(0, text.find('='));
            if (name == "--tstates") {
                if (text != name) fail("--tstates no lleva valor");
                options_.countTStates = true;
                return;
            }
            if (name != "--help") fail("opción desconocida: " + name);
            help_ = true;
        } else if (object_) {
            fail("sobra el argumento '" + text + "' (solo se ejecuta un fichero objeto)");
        } else {
            object_ = text;
        }
    }

    void lineComplete() override {
        if (help_) showHelp();
        if (!object_) fail("falta el fichero objeto");
        // An output named like the object file would replace the program being run.
        if (!traceFile_.empty() && sameFile(traceFile_, *object_))
            fail("--trace escribiría encima del fichero objeto '" + *object_ + "'");
        if (!dumpFile_.empty() && sameFile(dumpFile_, *object_))
            fail("--dump escribiría encima del fichero objeto '" + *object_ + "'");
        if (!outLogFile_.empty() && sameFile(outLogFile_, *object_))
            fail("--out-log escribiría encima del fichero objeto '" + *object_ + "'");
    }

    std::optional<std::string> object_;
    std::string traceFile_, dumpFile_, outLogFile_;
    RunOptions options_;
    bool help_ = false;
};

}  // namespace

std::unique_ptr<Command> runCommand(CLI::App& top) { return std::make_unique<RunCommand>(top); }

}  // namespace vandor::cli
