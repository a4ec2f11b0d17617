// The subcommands of vandor-cli. Each takes its arguments after the subcommand name and returns the
// process exit status; output goes to the given streams.
#pragma once

#include <iosfwd>
#include <string>
#include <vector>

namespace vandor::cli {

int runCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);
int asmCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

}  // namespace vandor::cli
