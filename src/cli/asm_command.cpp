// vandor-cli asm: assembles a source file with the assembler of the simulator. The standard output gets
// exactly what the assembler window's lower box would hold at the end (the error log or the object
// records), then the outcome line; message-box texts go to the standard error, one line each. Both are
// UTF-8 whatever the source's encoding: the error log of a Windows-1252 source is converted.
#include <CLI/CLI.hpp>

#include <filesystem>
#include <fstream>
#include <ostream>
#include <string>
#include <system_error>
#include <vector>

#include "assembler/assembler.h"
#include "cli/commands.h"
#include "cli/terminal_text.h"
#include "common/text_encoding.h"

namespace vandor::cli {
namespace {

constexpr const char* kAsmUsage =
    "Uso: vandor-cli asm FUENTE\n"
    "  Ensambla FUENTE en su fichero objeto y su listado: un final \"ASM\" (en mayúsculas o minúsculas)\n"
    "  se cambia por \"HEX\" y \"LST\"; si no, se añaden \".HEX\" y \".LST\".\n"
    "  El listado se escribe siempre; el fichero objeto, sólo si el ensamblado es correcto.\n"
    "  Salida: el registro de errores o los registros del fichero objeto, y \"Ensamblado correcto\" o\n"
    "  \"Ensamblado incorrecto\".\n"
    "  Código de salida: 0 correcto, 1 incorrecto, 2 error de uso o de fichero.\n";

// Message boxes become lines of the standard error; line breaks inside a message become blanks.
class StderrMessages final : public MessageSink {
public:
    explicit StderrMessages(std::ostream& err) : err_(err) {}
    void message(const std::string& text) override {
        std::string line;
        for (size_t i = 0; i < text.size(); ++i) {
            const char ch = text[i];
            if (ch == '\r' || ch == '\n') {
                if (ch == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
                line.push_back(' ');
            } else {
                line.push_back(ch);
            }
        }
        err_ << toUtf8(line) << '\n';
        ++count_;
    }
    int count() const { return count_; }

private:
    std::ostream& err_;
    int count_ = 0;
};

bool isRegularFile(const std::string& path) {
    std::error_code ec;
    return std::filesystem::is_regular_file(path, ec);
}

class AsmCommand final : public Command {
public:
    explicit AsmCommand(CLI::App& top) : Command(top, "asm", kAsmUsage) {}

    int run(std::ostream& out, std::ostream& err) override;

private:
    // asm has no options: "--help" (or "-h") shows the help at once, any other word with a dash before
    // "--" is unknown, the rest are sources.
    void argument(const std::string& text, bool afterDashes) override {
        if (!afterDashes) {
            if (text == "--help" || text == "-h") showHelp();
            if (text.size() > 1 && text[0] == '-') fail("Opción desconocida: " + text);
        }
        sources_.push_back(text);
    }

    void lineComplete() override {
        if (sources_.size() != 1) fail("");
    }

    // A mistake is its line, if any, and then the usage text.
    std::string failureText(const std::string& message) const override {
        return (message.empty() ? "" : message + "\n") + kAsmUsage;
    }

    std::vector<std::string> sources_;
};

int AsmCommand::run(std::ostream& out, std::ostream& err) {
    const AssemblyPaths paths = assemblyPaths(sources_.front());
    if (!isRegularFile(paths.source)) {
        err << "El fichero: " << toUtf8(paths.source) << " no existe\n";
        return 2;
    }

    if (!std::ifstream(paths.source, std::ios::binary)) {
        err << "Error en lectura\n";  // a source that cannot be read leaves every file as it was
        return 2;
    }

    StringSink filelst;
    StringSink filehex;
    // The listing holds every raw line plus at most a few columns and error lines each.
    std::error_code ec;
    const auto sourceSize = std::filesystem::file_size(paths.source, ec);
    if (!ec && sourceSize < (size_t{1} << 30)) filelst.text.reserve(static_cast<size_t>(sourceSize) * 3 + 4096);
    StderrMessages messages(err);
    const bool ok = Ensambla(paths.source, paths.object, filelst, filehex, messages);
    const bool listed = creafilelst(filelst.text, paths.listing, messages);

    writeForTerminal(out, toUtf8(filehex.text, filehex.encoding)) << (ok ? "Ensamblado correcto" : "Ensamblado incorrecto") << "\r\n";
    out.flush();
    // A file that could not be read or written (its message went to stderr) is a file error.
    if (messages.count() > 0 || !listed) return 2;
    return ok ? 0 : 1;
}

}  // namespace

std::unique_ptr<Command> asmCommand(CLI::App& top) { return std::make_unique<AsmCommand>(top); }

}  // namespace vandor::cli
