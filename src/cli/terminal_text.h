// Text bound for a terminal. A source line that the assembler echoes may hold control characters (an
// escape sequence, a bell, a backspace, a C1 control such as U+009B) that would act on the terminal
// instead of showing. When the standard output is a terminal they are shown as "?" (a tab stays a tab);
// into a pipe or a file every byte goes out as it is.
//
//   writeForTerminal(out, filehex.text) << "Ensamblado incorrecto\r\n";
#pragma once

#include <ostream>
#include <string_view>

namespace vandor::cli {

// Writes the UTF-8 log to out, with its control characters (C0 other than tab and the CR LF line ends,
// DEL, C1) as "?" when out is the process's standard output and that is a terminal. Returns out.
std::ostream& writeForTerminal(std::ostream& out, std::string_view log);

}  // namespace vandor::cli
