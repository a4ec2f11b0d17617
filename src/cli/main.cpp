// vandor-cli: assembles and runs 8085 programs from the command line with the simulator's own core.
#include <iostream>
#include <string>
#include <vector>

#include "cli/check_command.h"
#include "cli/commands.h"

namespace {

constexpr const char* kUsage =
    "Uso: vandor-cli ORDEN [opciones]\n"
    "\n"
    "Órdenes:\n"
    "  run OBJETO [opciones]   ejecuta un fichero objeto Intel HEX (vandor-cli run --help)\n"
    "  asm FUENTE              ensambla un fuente .ASM en .HEX y .LST (vandor-cli asm --help)\n"
    "  check EJERCICIO FUENTE...  comprueba fuentes de alumnos con un ejercicio (vandor-cli check --help)\n"
    "  --help                  esta ayuda\n"
    "  --version               la versión\n";

}  // namespace

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    if (args.empty()) {
        std::cerr << kUsage;
        return 2;
    }
    const std::string command = args.front();
    std::vector<std::string> rest(args.begin() + 1, args.end());
    if (command == "--help" || command == "-h") {
        std::cout << kUsage;
        return 0;
    }
    if (command == "--version") {
        std::cout << "vandor-cli " VANDOR_VERSION_TEXT "\n";
        return 0;
    }
    if (command == "run") return vandor::cli::runCommand(rest, std::cout, std::cerr);
    if (command == "asm") return vandor::cli::asmCommand(rest, std::cout, std::cerr);
    if (command == "check") return vandor::cli::checkCommand(rest, std::cout, std::cerr);
    std::cerr << "Orden desconocida: " << command << "\n" << kUsage;
    return 2;
}
