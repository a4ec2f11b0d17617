#include "cli/terminal_text.h"

#include <unistd.h>

#include <iostream>
#include <string>

namespace vandor::cli {

std::ostream& writeForTerminal(std::ostream& out, std::string_view log) {
    if (&out != &std::cout || !isatty(STDOUT_FILENO)) return out << log;
    std::string shown(log);
    for (char& byte : shown) {
        const auto ch = static_cast<unsigned char>(byte);
        // Raw lines never hold a CR or an LF (both end a line), so these are the log's own line ends.
        if ((ch < 0x20 && ch != '\t' && ch != '\r' && ch != '\n') || ch == 0x7F) byte = '?';
    }
    return out << shown;
}

}  // namespace vandor::cli
