// Random and mutated sources through the whole assembler: every run must end as a failed or a
// successful assembly, with the listing and log formed by the rules, never a crash or a hang.
#include <gtest/gtest.h>

#include <cstdlib>
#include <random>
#include <string>
#include <vector>

#include "assembler/driver.h"
#include "assembler/syntax.h"

namespace vandor {
namespace {

const char* const kSeeds[] = {
    "        ORG 100H\r\nINICIO: MVI A, 5\r\n        JMP INICIO\r\nDATOS:  DFB 1, 2, 3, 4\r\n",
    "N: EQU 8\r\n\tLXI H, T\r\n\tMVI C, N\r\nB: MOV A, M\r\n\tADD E\r\n\tDCR C\r\n\tJNZ B\r\n\tHLT\r\nT: DFB 1,2\r\n",
    "; c\r\n\tORG 0FFFEH\r\n\tDFW 1234H, T+1\r\nT:\tEND\r\n",
    "lxi sp, 0ffffh\ncall s\nhlt\ns: push psw\npop psw\nret\n",
    "X: DFB 1,,2\r\nX: NOP\r\n: HLT\r\nMOVA,B\r\nFOO\r\n",
    "\xEF\xBB\xBF\tORG 0\r\tMVI A, 3\r\x1B[2J; \xC3\xB1\r\tHLT\r",
};

// Fragments that steer mutations toward the interesting paths of the scanner and the passes.
const char* const kFragments[] = {
    ":", ",", ";", " ", "\t", "\r\n", "\n", "\r", "+", "-", "H", "B", "D", "0", "9", "0FFFFH", "10000H",
    "ORG ", "EQU ", "DFB ", "DFW ", "END", "MVI A,", "LXI SP,", "JMP ", "RST 7", "MOV M,M", "L: ", "L",
    "7FFFFFFFH", "80000000H", "11111111111111111111111111111111B", "\xEF\xBB\xBF", "\r\r", "\x1B", "\xC3\xB1",
    std::string_view("\0", 1).data(),
};

std::string randomBytes(std::mt19937& rng, size_t n) {
    std::string s(n, '\0');
    for (char& ch : s) ch = static_cast<char>(rng() & 0xFF);
    return s;
}

std::string mutate(std::mt19937& rng, std::string s) {
    const int edits = 1 + static_cast<int>(rng() % 8);
    for (int e = 0; e < edits; ++e) {
        const size_t at = s.empty() ? 0 : rng() % (s.size() + 1);
        switch (rng() % 5) {
        case 0:
            if (!s.empty() && at < s.size()) s[at] = static_cast<char>(rng() & 0xFF);
            break;
        case 1:
            if (at < s.size()) s.erase(at, 1 + rng() % 6);
            break;
        case 2: {
            std::string_view f = kFragments[rng() % std::size(kFragments)];
            if (f.empty()) f = std::string_view("\0", 1);
            s.insert(at, f);
            break;
        }
        case 3:
            if (!s.empty()) {
                const size_t from = rng() % s.size();
                const std::string piece = s.substr(from, 1 + rng() % 20);
                std::string joined(s, 0, at);
                joined.append(piece).append(s, at, std::string::npos);
                s = std::move(joined);
            }
            break;
        default:
            s.insert(at, 1, " ,:;+-0ABHX"[rng() % 11]);
            break;
        }
    }
    return s;
}

// What must hold after any run.
void checkRun(const std::string& source) {
    StringSink lst, hex;
    CollectingMessages boxes;
    AssemblyRun run;
    const bool ok = assembleSource(source, lst, hex, boxes, run);
    ASSERT_TRUE(boxes.messages.empty());
    ASSERT_GE(run.lastPass, 1);
    ASSERT_LE(run.lastPass, 3);
    // Each error writes two log lines; a clean run writes none.
    size_t logLines = 0;
    for (size_t p = hex.text.find("\r\nLínea: "); p != std::string::npos; p = hex.text.find("\r\nLínea: ", p + 1))
        ++logLines;
    ASSERT_EQ(ok, hex.text.empty());
    ASSERT_EQ(ok, run.errorCount == 0);
    ASSERT_EQ(ok, run.image != nullptr);
    if (ok) {
        ASSERT_EQ(run.lastPass, 3);
        ASSERT_NE(lst.text.find("TABLA DE SIMBOLOS\r\n"), std::string::npos);
        // Every image byte comes from a statement inside memory.
        size_t used = 0;
        for (int16_t b : *run.image) used += b >= 0;
        size_t placed = 0;
        for (const Statement& s : run.source.statements) {
            ASSERT_GE(s.address, 0);
            if (!s.object.empty()) {
                ASSERT_LE(s.address + static_cast<int64_t>(s.object.size()), 0x10000);
            }
            placed += s.object.size();
        }
        ASSERT_LE(used, placed);
    } else {
        ASSERT_GT(run.errorCount, 0);
    }
    ASSERT_LE(logLines, static_cast<size_t>(run.errorCount));
    // CR and LF only ever end a line.
    for (std::string_view raw : run.source.rawLines) ASSERT_EQ(raw.find_first_of("\r\n"), std::string_view::npos);
    // The editor's classification of every line: spans in order inside the line; a line the first pass
    // rejected shows a rejected part.
    static SyntaxClassifier classifier;
    for (size_t n = 0; n < run.source.rawLines.size(); ++n) {
        const std::string_view raw = run.source.rawLines[n];
        uint32_t end = 0;
        bool invalid = false;
        for (const SyntaxSpan& span : classifier.classify(raw)) {
            ASSERT_GE(span.begin, end) << "[" << raw << "]";
            ASSERT_GT(span.length, 0u);
            end = span.begin + span.length;
            ASSERT_LE(end, raw.size());
            invalid = invalid || span.cls == SyntaxClass::Invalid;
        }
        if (run.lastPass != 1) continue;
        for (const AssemblyError& e : run.errors) {
            if (e.line == static_cast<int32_t>(n)) {
                ASSERT_TRUE(invalid) << raw;
            }
        }
    }
    ASSERT_EQ(run.errorsLeftOut > 0, hex.text.find("Errores no mostrados: ") != std::string::npos);
}

TEST(AssemblerRobustness, RandomAndMutatedSources) {
    std::mt19937 rng(8085);
    const int runs = 50000;
    for (int i = 0; i < runs; ++i) {
        std::string source;
        switch (i % 4) {
        case 0: source = randomBytes(rng, rng() % 200); break;
        case 1: source = mutate(rng, kSeeds[rng() % std::size(kSeeds)]); break;
        case 2: {
            std::string base = kSeeds[rng() % std::size(kSeeds)];
            for (int k = 0; k < 3; ++k) base = mutate(rng, base);
            source = base;
            break;
        }
        default: {
            for (int k = 0; k < 12; ++k) source += kFragments[rng() % std::size(kFragments)];
            break;
        }
        }
        checkRun(source);
        if (::testing::Test::HasFatalFailure()) {
            ADD_FAILURE() << "run " << i << " source of " << source.size() << " bytes";
            return;
        }
    }
}

TEST(AssemblerRobustness, LargeAndDegenerateSources) {
    std::vector<std::string> sources;
    sources.push_back("DFB " + std::string(1 << 20, '1'));                   // a 1 MB line
    std::string items = "DFB 0";
    while (items.size() < (1u << 20)) items += ",1";
    sources.push_back(items);                                                // 500,000 items past FFFF
    std::string sum = "ORG 0";
    while (sum.size() < (1u << 20)) sum += "+1";
    sources.push_back(sum);
    sources.push_back(std::string(1 << 20, ','));                            // only separators
    sources.push_back(std::string(1 << 20, ' ') + "NOP");
    sources.push_back(std::string(1 << 20, ':'));
    sources.push_back(std::string(1 << 20, '\0'));
    std::string manyErrors;
    for (int i = 0; i < 20000; ++i) manyErrors += "MVI A, 999\r\n";         // thousands of errors
    sources.push_back(manyErrors);
    std::string sameLabel;
    for (int i = 0; i < 3000; ++i) sameLabel += "L: NOP\r\n";
    sources.push_back(sameLabel);
    const std::string emptyItems = "DFB " + std::string(1 << 20, ',');      // a million bad items
    sources.push_back(emptyItems);
    std::string thirdPass;
    for (int i = 0; i < 20000; ++i) thirdPass.append("L").append(std::to_string(i)).append(": JMP NADA\r\n");
    sources.push_back(thirdPass);
    for (const std::string& s : sources) {
        checkRun(s);
        if (::testing::Test::HasFatalFailure()) return;
    }

    StringSink lst, hex;
    CollectingMessages boxes;
    AssemblyRun run;
    EXPECT_FALSE(assembleSource(manyErrors, lst, hex, boxes, run));
    EXPECT_EQ(run.lastPass, 3);
    EXPECT_EQ(run.errorCount, 20000);
    // 3000 definitions of one name would be 4,498,500 reports, a million empty items a million reports
    // of a 1 MB line: the reports stop at a bounded size and the run fails.
    const std::pair<const std::string*, int> bounded[] = {{&sameLabel, 2}, {&emptyItems, 3}};
    for (auto [s, pass] : bounded) {
        hex.clear();
        EXPECT_FALSE(assembleSource(*s, lst, hex, boxes, run));
        EXPECT_EQ(run.lastPass, pass);
        EXPECT_GT(run.errorCount, 0);
        EXPECT_LE(lst.text.size() + hex.text.size(), size_t{40} << 20);
    }
}

// Reports past the size budget: the first is always written, cut only when it alone would not fit; the
// ones left out are counted in one last line of the log and of the listing.
TEST(AssemblerRobustness, ErrorReportsBeyondTheBudgetAreCounted) {
    constexpr size_t kBudget = size_t{32} << 20;
    struct Outcome {
        bool ok;
        AssemblyRun run;
        std::string lst, hex;
    };
    auto assemble = [](const std::string& source) {
        StringSink lst, hex;
        CollectingMessages boxes;
        Outcome o;
        o.ok = assembleSource(source, lst, hex, boxes, o.run);
        o.lst = std::move(lst.text);
        o.hex = std::move(hex.text);
        return o;
    };

    // A bad mnemonic before a 40 MB comment of two-byte letters: the echoed line ends in "…", cut
    // between two letters.
    std::string longComment = "FOO ;";
    while (longComment.size() < (40u << 20)) longComment += "é";
    Outcome o = assemble(longComment + "\r\nNOP\r\n");
    EXPECT_FALSE(o.ok);
    EXPECT_EQ(o.run.errorCount, 1);
    EXPECT_EQ(o.run.errorsLeftOut, 0);
    const std::string tail = "…\r\nLínea: 1 - ERROR: Código de operación no valido\r\n";
    ASSERT_GT(o.hex.size(), tail.size() + 3);
    EXPECT_EQ(o.hex.substr(o.hex.size() - tail.size()), tail);
    const std::string echoed = o.hex.substr(3, o.hex.size() - tail.size() - 3);
    EXPECT_EQ(o.hex.substr(0, 3), "==>");
    EXPECT_EQ(longComment.compare(0, echoed.size(), echoed), 0);
    EXPECT_EQ((echoed.size() - 5) % 2, 0u);  // whole letters only
    EXPECT_GT(echoed.size(), kBudget / 2);
    EXPECT_LE(o.hex.size(), kBudget);
    EXPECT_EQ(o.lst.find("Errores no mostrados"), std::string::npos);

    // Once the budget is spent, a later short report is left out too, and counted.
    o = assemble(longComment + "\r\nBAR\r\n");
    EXPECT_EQ(o.run.errorCount, 1);
    EXPECT_EQ(o.run.errorsLeftOut, 1);
    EXPECT_EQ(o.hex.substr(o.hex.size() - 25), "Errores no mostrados: 1\r\n");
    longComment.clear();
    longComment.shrink_to_fit();

    // 100,000 definitions of one label: 4,999,950,000 reports, as many as fit, then the count of the rest.
    std::string sameLabel;
    for (int i = 0; i < 100000; ++i) sameLabel += "L: NOP\r\n";
    o = assemble(sameLabel);
    EXPECT_FALSE(o.ok);
    EXPECT_EQ(o.run.lastPass, 2);
    EXPECT_GT(o.run.errorCount, 100000);
    EXPECT_EQ(o.run.errorCount + o.run.errorsLeftOut, int64_t{100000} * 99999 / 2);
    const std::string last = "Errores no mostrados: " + std::to_string(o.run.errorsLeftOut) + "\r\n";
    EXPECT_EQ(o.hex.substr(o.hex.size() - last.size()), last);
    EXPECT_EQ(o.lst.substr(o.lst.size() - last.size()), last);
    EXPECT_LE(o.hex.size() + o.lst.size(), kBudget + sameLabel.size() + last.size() * 2);

    // Reports that fit are all written, with no count line.
    std::string manyErrors;
    for (int i = 0; i < 20000; ++i) manyErrors += "MVI A, 999\r\n";
    o = assemble(manyErrors);
    EXPECT_EQ(o.run.errorCount, 20000);
    EXPECT_EQ(o.run.errorsLeftOut, 0);
    EXPECT_EQ(o.hex.find("Errores no mostrados"), std::string::npos);
}

}  // namespace
}  // namespace vandor
