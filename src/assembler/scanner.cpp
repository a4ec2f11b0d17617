#include "assembler/scanner.h"

#include <algorithm>


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

std::string_view statementPart(std::string_view raw) {
    std::string_view kept = raw.substr(0, raw.find(';'));
    // Blanks and tabs are the same to the scanner; trimming the part before ";" gives the same text as
    // trimming, cutting and trimming again.
    while (!kept.empty() && (kept.front() == ' ' || kept.front() == '\t')) kept.remove_prefix(1);
    while (!kept.empty() && (kept.back() == ' ' || kept.back() == '\t')) kept.remove_suffix(1);
    return kept;
}

void normalizeStatement(std::string& text) {
    for (char& ch : text) {
        if (ch == '\t')
            ch = ' ';
        else if (ch >= 'a' && ch <= 'z')
            ch = static_cast<char>(ch - 'a' + 'A');
    }
}

std::string cleanLine(std::string_view raw) {
    std::string text(statementPart(raw));
    normalizeStatement(text);
    return text;
}

StatementParts splitParts(std::string_view text, const EncodingTable& table) {
    StatementParts parts;
    // The trimmed range [begin, end) of text.
    const auto trimmed = [&](size_t begin, size_t end, size_t& outBegin, size_t& outEnd) {
        while (begin < end && text[begin] == ' ') ++begin;
        while (end > begin && text[end - 1] == ' ') --end;
        outBegin = begin;
        outEnd = end;
    };
    parts.bodyEnd = text.size();
    const size_t colon = text.find(':');
    if (colon != std::string_view::npos) {
        parts.hasColon = true;
        parts.colon = colon;
        trimmed(0, colon, parts.labelBegin, parts.labelEnd);
        trimmed(colon + 1, text.size(), parts.bodyBegin, parts.bodyEnd);
        if (parts.labelBegin == parts.labelEnd) parts.errors.add(kMsgEtiquetaNula);
    } else {
        trimmed(0, text.size(), parts.bodyBegin, parts.bodyEnd);
    }
    const std::string_view body = text.substr(parts.bodyBegin, parts.bodyEnd - parts.bodyBegin);
    if (body.empty()) return parts;

    const size_t sp = body.find(' ');
    const size_t co = body.find(',');
    if (sp == std::string_view::npos && co == std::string_view::npos) {
        parts.code = table.busca(body);
        if (parts.code == kCodeNone) {
            parts.errors.add(kMsgCodigo);
        } else {
            parts.key = StatementParts::Key::Compact;
            parts.keyEnd = parts.bodyEnd;
        }
        return parts;
    }
    if (sp == std::string_view::npos) {
        parts.errors.add(kMsgSintaxis);
        return parts;
    }
    const std::string compact = withoutBlanks(body);
    int16_t code = table.busca(compact);
    if (code != kCodeNone) {
        parts.code = code;
        parts.key = StatementParts::Key::Compact;
        parts.keyEnd = parts.bodyEnd;
        return parts;
    }
    if (co != std::string_view::npos) {
        code = table.busca(std::string_view(compact).substr(0, compact.find(',') + 1));
        if (code != kCodeNone) {
            parts.code = code;
            parts.key = StatementParts::Key::CompactToComma;
            parts.keyEnd = parts.bodyBegin + co + 1;
            parts.operandBegin = parts.keyEnd;
            parts.operandEnd = parts.bodyEnd;
            return parts;
        }
    }
    code = table.busca(body.substr(0, sp));
    if (code == kCodeNone) {
        parts.errors.add(kMsgCodigo);
        return parts;
    }
    parts.code = code;
    parts.key = StatementParts::Key::FirstWord;
    parts.keyEnd = parts.bodyBegin + sp;
    trimmed(parts.keyEnd + 1, parts.bodyEnd, parts.operandBegin, parts.operandEnd);
    return parts;
}

SplitErrors splitStatement(Statement& st, const EncodingTable& table) {
    // The text is not needed in its first form after the split, so the blanks are collapsed in place.
    collapseBlanks(st.text);
    const StatementParts parts = splitParts(st.text, table);
    const std::string_view text = st.text;
    st.label = std::string(text.substr(parts.labelBegin, parts.labelEnd - parts.labelBegin));
    st.code = parts.code;
    const std::string_view operand = text.substr(parts.operandBegin, parts.operandEnd - parts.operandBegin);
    // After the comma of a key such as "MVIA,", the operand loses its blanks; after the first word it
    // keeps them (trimmed).
    st.operand = parts.key == StatementParts::Key::CompactToComma ? withoutBlanks(operand) : std::string(operand);
    return parts.errors;
}

}  // namespace vandor
