#include "assembler/syntax.h"

#include "assembler/numbers.h"
#include "assembler/scanner.h"

namespace vandor {
namespace {

bool isLetter(char ch) { return ch >= 'A' && ch <= 'Z'; }
bool isDigit(char ch) { return ch >= '0' && ch <= '9'; }

std::string withoutBlanks(std::string_view s) {
    std::string out;
    out.reserve(s.size());
    for (char ch : s)
        if (ch != ' ') out.push_back(ch);
    return out;
}

}  // namespace

SyntaxClassifier::SyntaxClassifier() {
    CollectingMessages unused;  // the table is the assembler's own and in order
    table_.creatabla(unused);
}

void SyntaxClassifier::add(size_t begin, size_t end, SyntaxClass cls) {
    if (begin >= end) return;
    auto b = static_cast<uint32_t>(base_ + begin);
    auto n = static_cast<uint32_t>(end - begin);
    // A part already classed keeps its class (a lone sign is the end of one term and the start of the
    // next, and is marked once).
    if (!spans_.empty()) {
        const uint32_t classedEnd = spans_.back().begin + spans_.back().length;
        if (b + n <= classedEnd) return;
        if (b < classedEnd) {
            n -= classedEnd - b;
            b = classedEnd;
        }
    }
    // A class that goes on right after a span of the same class extends it.
    if (!spans_.empty() && spans_.back().cls == cls && spans_.back().begin + spans_.back().length == b) {
        spans_.back().length += n;
        return;
    }
    spans_.push_back({b, n, cls});
}

const std::vector<SyntaxSpan>& SyntaxClassifier::classify(std::string_view raw) {
    spans_.clear();
    const std::string_view part = statementPart(raw);
    base_ = static_cast<size_t>(part.data() - raw.data());
    text_.assign(part);
    normalizeStatement(text_);

    if (!text_.empty()) {
        const StatementParts p = splitParts(text_, table_);
        add(p.labelBegin, p.labelEnd, SyntaxClass::Label);
        if (p.errors.has(kMsgEtiquetaNula)) add(p.colon, p.colon + 1, SyntaxClass::Invalid);
        if (p.errors.has(kMsgSintaxis)) {
            add(p.bodyBegin, p.bodyEnd, SyntaxClass::Invalid);
        } else if (p.errors.has(kMsgCodigo)) {
            // The word no row or directive answers to.
            const size_t blank = text_.find(' ', p.bodyBegin);
            add(p.bodyBegin, blank < p.bodyEnd ? blank : p.bodyEnd, SyntaxClass::Invalid);
        } else if (p.key != StatementParts::Key::None) {
            classifyKey(p.bodyBegin, p.keyEnd, p.code);
            const size_t ob = p.operandBegin, oe = p.operandEnd;
            if (ob < oe) {
                if (p.code >= 0) {
                    const int size = table_.size(p.code);
                    if (size == 1)
                        add(ob, oe, SyntaxClass::Ignored);
                    else
                        operandValue(ob, oe, size == 3);
                } else if (p.code == kCodeDfb || p.code == kCodeDfw) {
                    // One operand value per item between commas.
                    size_t from = ob;
                    for (size_t i = ob; i <= oe; ++i) {
                        if (i < oe && text_[i] != ',') continue;
                        operandValue(from, i, p.code == kCodeDfw);
                        from = i + 1;
                    }
                } else if (p.code == kCodeOrg || (p.code == kCodeEqu && p.labelEnd > p.labelBegin)) {
                    numberValue(ob, oe);
                } else {
                    add(ob, oe, SyntaxClass::Ignored);
                }
            }
        }
    }

    const size_t semicolon = raw.find(';');
    if (semicolon != std::string_view::npos)
        spans_.push_back({static_cast<uint32_t>(semicolon), static_cast<uint32_t>(raw.size() - semicolon),
                          SyntaxClass::Comment});
    return spans_;
}

// The key's characters, wherever blanks stand between them: the mnemonic (or directive word) first,
// then the register letters and RST's digit of the row.
void SyntaxClassifier::classifyKey(size_t begin, size_t end, int16_t code) {
    const std::string key = withoutBlanks(std::string_view(text_).substr(begin, end - begin));
    const size_t wordLength = code >= 0 ? mnemonicLength(key) : key.size();
    const SyntaxClass word = code >= 0 ? SyntaxClass::Mnemonic : SyntaxClass::Directive;
    size_t k = 0;
    for (size_t i = begin; i < end; ++i) {
        const char ch = text_[i];
        if (ch == ' ') continue;
        if (k++ < wordLength)
            add(i, i + 1, word);
        else if (isLetter(ch))
            add(i, i + 1, SyntaxClass::Register);
        else if (isDigit(ch))
            add(i, i + 1, SyntaxClass::Number);
    }
}

void SyntaxClassifier::operandValue(size_t begin, size_t end, bool sixteenBits) {
    const std::string_view region = std::string_view(text_).substr(begin, end - begin);
    if (region.find_first_of("+-") == std::string_view::npos) {
        term(begin, end, withoutBlanks(region), sixteenBits ? 0xFFFF : 0xFF, true);
        return;
    }
    // Every term of a sum is a 16-bit value; only the total is held to the operand's width.
    SumTerms terms(region);
    size_t b, e;
    char sign;
    while (terms.next(b, e, sign)) {
        const std::string value = withoutBlanks(region.substr(b, e - b));
        if (!value.empty()) {
            term(begin + b, begin + e, value, 0xFFFF, true);
        } else if (sign != '\0') {
            add(begin + e, begin + e + 1, SyntaxClass::Invalid);  // a sign with nothing before it
        } else if (b > 0) {
            add(begin + b - 1, begin + b, SyntaxClass::Invalid);  // a sign with nothing after it
        }
    }
}

void SyntaxClassifier::numberValue(size_t begin, size_t end) {
    const std::string_view region = std::string_view(text_).substr(begin, end - begin);
    const auto trimmed = [&](size_t b, size_t e) {
        while (b < e && region[b] == ' ') ++b;
        while (e > b && region[e - 1] == ' ') --e;
        return std::pair{b, e};
    };
    if (region.find_first_of("+-") == std::string_view::npos) {
        const auto [b, e] = trimmed(0, region.size());
        term(begin + b, begin + e, std::string(region.substr(b, e - b)), 0xFFFF, false);
        return;
    }
    SumTerms terms(region);
    size_t tb, te;
    char sign;
    while (terms.next(tb, te, sign)) {
        const auto [b, e] = trimmed(tb, te);
        if (b < e) {
            term(begin + b, begin + e, std::string(region.substr(b, e - b)), 0xFFFF, false);
        } else if (sign != '\0') {
            add(begin + te, begin + te + 1, SyntaxClass::Invalid);
        } else if (tb > 0) {
            add(begin + tb - 1, begin + tb, SyntaxClass::Invalid);
        }
    }
}

void SyntaxClassifier::term(size_t begin, size_t end, const std::string& value, int64_t limit, bool namesAllowed) {
    while (begin < end && text_[begin] == ' ') ++begin;
    while (end > begin && text_[end - 1] == ' ') --end;
    const int32_t v = literalValue(value);
    SyntaxClass cls;
    if (v >= 0)
        cls = v <= limit ? SyntaxClass::Number : SyntaxClass::BadNumber;
    else if (numberShaped(value))
        cls = SyntaxClass::BadNumber;
    else
        cls = namesAllowed ? SyntaxClass::Symbol : SyntaxClass::Invalid;
    add(begin, end, cls);
}

}  // namespace vandor
