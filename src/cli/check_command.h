// vandor-cli check: a folder of students' sources against one exercise file (see check_runner.h).
//
//   vandor-cli check EJERCICIO.toml FUENTE... [--csv FICHERO] [--json FICHERO] [--keep CARPETA] [--jobs N]
//
// Exit status 0 when every source is APTO, 1 when any is not, 2 for a bad exercise file, bad usage or a
// report file that cannot be written.
#pragma once

#include <iosfwd>
#include <string>
#include <vector>

namespace vandor::cli {

int checkCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

}  // namespace vandor::cli
