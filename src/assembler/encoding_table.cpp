#include "assembler/encoding_table.h"

#include <algorithm>
#include <vector>

#include "common/hex.h"
#include "common/opcodes.h"

namespace vandor {

namespace {

struct Directive {
    std::string_view word;
    int16_t code;
};

constexpr std::array<Directive, 7> kDirectives = {{
    {"CPU", kCodeCpu}, {"HOF", kCodeHof}, {"ORG", kCodeOrg}, {"EQU", kCodeEqu},
    {"DFB", kCodeDfb}, {"DFW", kCodeDfw}, {"END", kCodeEnd},
}};

// The part of a row text before its operand mark or its template.
std::string_view keyPart(std::string_view row) { return row.substr(0, row.find_first_of("{^")); }

}  // namespace

std::string encodingKey(std::string_view text) {
    std::string key;
    for (size_t i = 0; i < text.size();) {
        if (text.substr(i, 7) == "palabra") {
            i += 7;
        } else if (text.substr(i, 4) == "byte") {
            i += 4;
        } else {
            if (text[i] != ' ') key.push_back(text[i]);
            ++i;
        }
    }
    return key;
}

size_t mnemonicLength(std::string_view key) {
    static const std::vector<std::string_view> mnemonics = [] {
        std::vector<std::string_view> words;
        for (std::string_view text : kOpcodeText)
            if (text != "?") words.push_back(text.substr(0, text.find(' ')));
        return words;
    }();
    size_t longest = 0;
    for (std::string_view m : mnemonics)
        if (m.size() > longest && key.starts_with(m)) longest = m.size();
    return longest;
}

const std::array<std::string_view, kTableRows>& encodingRowTexts() {
    static const std::vector<std::string> texts = [] {
        std::vector<std::string> rows;
        rows.reserve(kTableRows);
        for (int op = 0; op < 256; ++op) {
            const std::string_view text = kOpcodeText[static_cast<size_t>(op)];
            if (text == "?") continue;
            const int length = opcodeLength(static_cast<uint8_t>(op));
            std::string row = encodingKey(text);
            if (length > 1) row += length == 2 ? "{1}" : "{2}";
            row += '^';
            row += hexa(op, 2);
            row.append(static_cast<size_t>(2 * (length - 1)), '0');
            rows.push_back(std::move(row));
        }
        // HLT's byte is also what MOV M,M would encode, and the assembler accepts that spelling.
        rows.push_back("MOVM,M^76");
        std::sort(rows.begin(), rows.end(),
                  [](const std::string& x, const std::string& y) { return keyPart(x) < keyPart(y); });
        return rows;
    }();
    static const std::array<std::string_view, kTableRows> views = [] {
        std::array<std::string_view, kTableRows> out{};
        for (size_t k = 0; k < out.size() && k < texts.size(); ++k) out[k] = texts[k];
        return out;
    }();
    return views;
}

void EncodingTable::creatabla(MessageSink& messages, const std::array<std::string_view, kTableRows>& rows) {
    for (int k = 0; k < kTableRows; ++k) {
        const std::string_view row = rows[k];
        const size_t brace = row.find('{');
        const size_t caret = row.find('^');
        templates_[k] = caret == std::string_view::npos ? std::string() : std::string(row.substr(caret + 1));
        keys_[k] = std::string(row.substr(0, brace != std::string_view::npos ? brace : caret));
        const std::string& t = templates_[k];
        opcodes_[k] = static_cast<uint8_t>(dec(std::string_view(t).substr(0, 2)));
        if (k >= 1 && keys_[k - 1] > keys_[k]) messages.message("Error en tabla");
    }
}

int16_t EncodingTable::busca(std::string_view cad) const {
    for (const Directive& d : kDirectives)
        if (cad == d.word) return d.code;
    int lo = -1;
    int hi = kTableRows;
    for (;;) {
        const int mid = (lo + hi) / 2;  // lo + hi >= 0 here, so this rounds down
        const int order = std::string_view(keys_[mid]).compare(cad);
        if (order == 0) return static_cast<int16_t>(mid);
        if (order > 0)
            hi = mid;
        else
            lo = mid;
        if (hi - lo <= 1) return kCodeNone;
    }
}

}  // namespace vandor
