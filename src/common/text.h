// Small text helpers shared by the core and by kepplet (header-only, so kepplet links nothing of the
// simulator for them).
//
//   trimBlanks("  MVI A  ");            // "MVI A"
//   trimBlanks("\t5 ", kBlanksAndTabs); // "5"
#pragma once

#include <string_view>

namespace vandor {

inline constexpr std::string_view kBlanks = " ";
inline constexpr std::string_view kBlanksAndTabs = " \t";

// The text without the given characters (blanks unless told) at either end.
constexpr std::string_view trimBlanks(std::string_view s, std::string_view blanks = kBlanks) {
    const size_t first = s.find_first_not_of(blanks);
    if (first == std::string_view::npos) return {};
    return s.substr(first, s.find_last_not_of(blanks) - first + 1);
}

}  // namespace vandor
