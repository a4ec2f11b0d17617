// Random edits of exercise files, with accented letters, other non-ASCII characters and broken UTF-8
// among the pieces inserted: every file is either read or rejected with located errors, never a crash.
// In the sanitizer build this also proves that no such byte reaches undefined behaviour in the parser.
#include <gtest/gtest.h>

#include <random>
#include <string>

#include "cli/check_exercise.h"

namespace {

using vandor::check::ExerciseResult;
using vandor::check::parseExercise;

const char* const kSeeds[] = {
    "titulo = \"Suma de una tabla\"\npasos_max = 10000\n[inicio]\npc = \"0000\"\nsp = \"FFF0\"\n"
    "[[caso]]\nnombre = \"cinco datos\"\nmemoria = { \"0900\" = \"05 01 02 03 04 05\" }\n"
    "[caso.espera]\na = \"0F\"\nmemoria = { \"0A00\" = \"0F\" }\n",
    "# año\n[inicio]\nirq = [\"3:RST7.5\", \"10:TRAP\"]\non_hlt = 'RESET'\n[[caso]]\nnombre = '''tabla\nvacía'''\n"
    "[caso.espera]\nfin = \"PASOS\"\nCY = 1\n",
    "[[caso]]\nnombre = \"\"\"uno \"\" dos\"\"\"\nsid = true\n[caso.espera]\nsod = 0 # ñ\n",
};

const char* const kPieces[] = {
    "í", "ñ", "ó", "\xC2\xA0", "\xC2\xA1", "\xD2\x99", "\xE2\x80\xA8", "\xE2\xB4\xB0", "\xE3\x80\x81", "\xEF\xBB\xBF",
    "\xF0\x9F\x98\x80", "\xFF", "\x80", "\xC3", "\xED\xA0\x80", "\"", "'", "\"\"\"", "'''", "#", "\n", "\r\n", "\r",
    "[", "]", "[[", "]]", "=", ".", "\\", "\\\n", " \\ \n ", "{", "}", ",", " ", "\t", "título", "0x", "1", "1.",
    "1979-05-27", "true", "0b1", "\\u00e9", "caso", "a.", "= 1", std::string_view("\0", 1).data(),
};

std::string mutate(std::mt19937& rng, std::string s) {
    const int edits = 1 + static_cast<int>(rng() % 6);
    for (int e = 0; e < edits; ++e) {
        const size_t at = s.empty() ? 0 : rng() % (s.size() + 1);
        switch (rng() % 4) {
        case 0:
            if (at < s.size()) s[at] = static_cast<char>(rng() & 0xFF);
            break;
        case 1:
            if (at < s.size()) s.erase(at, 1 + rng() % 4);
            break;
        default: {
            std::string_view piece = kPieces[rng() % std::size(kPieces)];
            if (piece.empty()) piece = std::string_view("\0", 1);
            s.insert(at, piece);
            break;
        }
        }
    }
    return s;
}

TEST(CheckExerciseFuzz, MutatedFilesAreReadOrRejectedWithLocatedErrors) {
    std::mt19937 rng(8085);
    for (int i = 0; i < 20000; ++i) {
        std::string text = kSeeds[rng() % std::size(kSeeds)];
        for (int rounds = 1 + static_cast<int>(rng() % 3); rounds > 0; --rounds) text = mutate(rng, text);
        const ExerciseResult r = parseExercise(text, "ej.toml");
        if (r.errors.empty()) {
            ASSERT_FALSE(r.exercise.cases.empty()) << text;
        } else {
            for (const std::string& e : r.errors) ASSERT_EQ(e.rfind("ej.toml:", 0), 0u) << text << "\n" << e;
        }
    }
}

}  // namespace
