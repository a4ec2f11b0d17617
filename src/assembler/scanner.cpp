#include "assembler/scanner.h"

#include <algorithm>

#include "common/text.h"

namespace vandor {
namespace {

void collapseBlanks(std::string& s) {
    size_t out = 0;
    for (size_t i = 0; i < s.size(); ++i) {
        if (s[i] == ' ' && out > 0 && s[out - 1] == ' ') continue;
        s[out++] = s[i];
    }
    s.resize(out);
}

std::string withoutBlanks(std::string_view s) {
    std::string compact;
    compact.reserve(s.size());
    for (char ch : s)
        if (ch != ' ') compact.push_back(ch);
    return compact;
}

}  // namespace

SourceText readSource(std::string_view bytes) {
    SourceText src;
    // A byte-order mark is how some editors begin a UTF-8 file, not text of its first line.
    if (bytes.starts_with("\xEF\xBB\xBF")) bytes.remove_prefix(3);
    const size_t lines = static_cast<size_t>(std::count(bytes.begin(), bytes.end(), '\n')) + 1;
    src.rawLines.reserve(lines);
    src.statements.reserve(lines);
    // The next LF and the next CR at or after pos, each searched again only once passed, so that a file
    // of one kind of line end is not searched to its end for the other at every line.
    size_t lf = bytes.find('\n');
    size_t cr = bytes.find('\r');
    size_t pos = 0;
    while (pos < bytes.size()) {
        if (lf < pos) lf = bytes.find('\n', pos);
        if (cr < pos) cr = bytes.find('\r', pos);
        // A line ends at LF, at CR LF, or at a CR alone (old Macintosh files).
        const size_t end = std::min({lf, cr, bytes.size()});
        const size_t next = end == cr && cr + 1 == lf ? lf + 1 : end + 1;
        const std::string_view raw = bytes.substr(pos, end - pos);
        std::string text = cleanLine(raw);
        if (!text.empty()) {
            Statement st;
            st.text = std::move(text);
            st.line = static_cast<int32_t>(src.rawLines.size());
            src.statements.push_back(std::move(st));
        }
        src.rawLines.push_back(raw);
        pos = next;
    }
    return src;
}

std::string cleanLine(std::string_view raw) {
    const size_t semicolon = raw.find(';');
    std::string_view kept = raw.substr(0, semicolon);
    // Blanks and tabs are the same to the scanner; trimming the part before ";" gives the same text as
    // trimming, cutting and trimming again.
    while (!kept.empty() && (kept.front() == ' ' || kept.front() == '\t')) kept.remove_prefix(1);
    while (!kept.empty() && (kept.back() == ' ' || kept.back() == '\t')) kept.remove_suffix(1);
    std::string text(kept);
    for (char& ch : text) {
        if (ch == '\t')
            ch = ' ';
        else if (ch >= 'a' && ch <= 'z')
            ch = static_cast<char>(ch - 'a' + 'A');
    }
    return text;
}

SplitErrors splitStatement(Statement& st, const EncodingTable& table) {
    SplitErrors errors;
    // The text is not needed in its first form after the split, so the blanks are collapsed in place.
    collapseBlanks(st.text);
    std::string_view rest = st.text;
    st.label.clear();
    st.operand.clear();
    st.code = kCodeNone;

    const size_t colon = rest.find(':');
    if (colon != std::string_view::npos) {
        st.label = std::string(trimBlanks(rest.substr(0, colon)));
        rest = trimBlanks(rest.substr(colon + 1));
        if (st.label.empty()) errors.add(kMsgEtiquetaNula);
    }
    if (rest.empty()) return errors;

    const size_t sp = rest.find(' ');
    const size_t co = rest.find(',');
    if (sp == std::string_view::npos && co == std::string_view::npos) {
        st.code = table.busca(rest);
        if (st.code == kCodeNone) errors.add(kMsgCodigo);
        return errors;
    }
    if (sp == std::string_view::npos) {
        errors.add(kMsgSintaxis);
        return errors;
    }
    const std::string compact = withoutBlanks(rest);
    int16_t code = table.busca(compact);
    if (code != kCodeNone) {
        st.code = code;
        return errors;
    }
    if (co != std::string_view::npos) {
        const size_t compactComma = compact.find(',');
        code = table.busca(std::string_view(compact).substr(0, compactComma + 1));
        if (code != kCodeNone) {
            st.code = code;
            st.operand = compact.substr(compactComma + 1);
            return errors;
        }
    }
    code = table.busca(rest.substr(0, sp));
    if (code == kCodeNone) {
        errors.add(kMsgCodigo);
        return errors;
    }
    st.code = code;
    // After the first word: blanks kept when the statement has a comma, trimmed otherwise (the text
    // holds no trailing blank either way).
    st.operand = std::string(trimBlanks(rest.substr(sp + 1)));
    return errors;
}

}  // namespace vandor
