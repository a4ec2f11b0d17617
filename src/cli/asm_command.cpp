// vandor-cli asm: assembles a source file with the assembler of the simulator. The standard output gets
// exactly what the assembler window's lower box would hold at the end (the error log or the object
// records), then the outcome line; message-box texts go to the standard error, one line each.
#include <filesystem>
#include <fstream>
#include <ostream>
#include <string>
#include <system_error>
#include <vector>

#include "assembler/assembler.h"
#include "cli/commands.h"
#include "cli/terminal_text.h"

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
        err_ << line << '\n';
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

}  // namespace

int asmCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    std::vector<std::string> positional;
    bool onlyPositional = false;
    for (const std::string& arg : args) {
        if (!onlyPositional && arg == "--") {
            onlyPositional = true;
        } else if (!onlyPositional && (arg == "--help" || arg == "-h")) {
            out << kAsmUsage;
            return 0;
        } else if (!onlyPositional && arg.size() > 1 && arg[0] == '-') {
            err << "Opción desconocida: " << arg << "\n" << kAsmUsage;
            return 2;
        } else {
            positional.push_back(arg);
        }
    }
    if (positional.size() != 1) {
        err << kAsmUsage;
        return 2;
    }
    const AssemblyPaths paths = assemblyPaths(positional.front());
    if (!isRegularFile(paths.source)) {
        err << "El fichero: " << paths.source << " no existe\n";
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

    writeForTerminal(out, filehex.text) << (ok ? "Ensamblado correcto" : "Ensamblado incorrecto") << "\r\n";
    out.flush();
    // A file that could not be read or written (its message went to stderr) is a file error.
    if (messages.count() > 0 || !listed) return 2;
    return ok ? 0 : 1;
}

}  // namespace vandor::cli
