#include "cli/terminal_text.h"

#include <unistd.h>

#include <iostream>
#include <string>

namespace vandor::cli {

std::ostream& writeForTerminal(std::ostream& out, std::string_view log) {
    if (&out != &std::cout || !isatty(STDOUT_FILENO)) return out << log;
    std::string shown;
    shown.reserve(log.size());
    for (size_t i = 0; i < log.size(); ++i) {
        const auto ch = static_cast<unsigned char>(log[i]);
        // Raw lines never hold a CR or an LF (both end a line), so these are the log's own line ends.
        if ((ch < 0x20 && ch != '\t' && ch != '\r' && ch != '\n') || ch == 0x7F) {
            shown += '?';
        } else if (ch == 0xC2 && i + 1 < log.size() && static_cast<unsigned char>(log[i + 1]) >= 0x80 &&
                   static_cast<unsigned char>(log[i + 1]) <= 0x9F) {
            // U+0080 to U+009F in UTF-8: the C1 controls, which a terminal would act on as well (U+009B
            // starts a control sequence, U+009D a command).
            shown += '?';
            ++i;
        } else {
            shown += log[i];
        }
    }
    return out << shown;
}

}  // namespace vandor::cli
