// vandor-cli: assembles and runs 8085 programs from the command line with the simulator's own core.
#include <iostream>
#include <string>
#include <vector>

#include "cli/command_line.h"

int main(int argc, char** argv) {
    return vandor::cli::runCommandLine(std::vector<std::string>(argv + 1, argv + argc), std::cout, std::cerr);
}
