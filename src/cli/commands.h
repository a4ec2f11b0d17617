// The commands of vandor-cli, each added as a subcommand of the top level (see command_line.h).
//
//   CLI::App top;
//   std::unique_ptr<Command> run = runCommand(top);   // "vandor-cli run ..."
#pragma once

#include <memory>

#include "cli/command_line.h"

namespace vandor::cli {

std::unique_ptr<Command> runCommand(CLI::App& top);    // run OBJETO [opciones]
std::unique_ptr<Command> asmCommand(CLI::App& top);    // asm FUENTE
std::unique_ptr<Command> checkCommand(CLI::App& top);  // check EJERCICIO FUENTE... [opciones]

}  // namespace vandor::cli
