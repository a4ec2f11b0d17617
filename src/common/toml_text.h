// A look at a TOML file's bytes (an exercise file, a device arrangement) before the TOML parser sees
// them. Outside quoted strings and comments TOML allows only ASCII, and the parser we build with (toml++
// 3.3) does not reject the other bytes cleanly there: an accent in a bare key ('título = "Suma"')
// reaches undefined behaviour inside it. So every byte above 7F that stands outside quotes and comments
// is found here first and reported in the user's terms; a file with any of them never reaches the
// parser.
//
//   for (const TextProblem& p : findUnquotedNonAscii(text))
//       std::cerr << "suma.toml:" << p.line << ": " << p.text << "\n";
//   // suma.toml:1: clave con caracteres no válidos: 'título' (use comillas: "título" = …)
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace vandor {

struct TextProblem {
    int line;          // from 1
    std::string text;  // what is wrong, without file or line
};

// One problem per line that holds such bytes, in line order. A UTF-8 byte-order mark at the very start
// is not one of them.
std::vector<TextProblem> findUnquotedNonAscii(std::string_view text);

}  // namespace vandor
