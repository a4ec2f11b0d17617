#include "assembler/numbers.h"

#include <algorithm>
#include <limits>

#include "common/text.h"

namespace vandor {
namespace {

constexpr int64_t kMaxValue = std::numeric_limits<int32_t>::max();

bool isDecimal(char ch) { return ch >= '0' && ch <= '9'; }
bool isHex(char ch) { return isDecimal(ch) || (ch >= 'A' && ch <= 'F'); }
bool isBinary(char ch) { return ch == '0' || ch == '1'; }

bool hasSign(std::string_view s) { return s.find_first_of("+-") != std::string_view::npos; }

template <class Pred>
bool allOf(std::string_view s, Pred pred) {
    for (char ch : s)
        if (!pred(ch)) return false;
    return true;
}

int32_t checkWidth(int64_t value, bool tipo) {
    if (value < 0) return static_cast<int32_t>(value);
    if (value > (tipo ? 65535 : 255)) return kOutOfRange;
    return static_cast<int32_t>(value);
}

int32_t literal(std::string_view cad, bool tipo) { return checkWidth(literalValue(cad), tipo); }

int32_t convert(std::string_view cad, int base) {
    int64_t value = 0;
    for (char ch : cad) {
        const int digit = isDecimal(ch) ? ch - '0' : ch - 'A' + 10;
        value = value * base + digit;
        if (value > kMaxValue) return kInvalid;
    }
    return static_cast<int32_t>(value);
}

// The loop shared by separa and sepoperando: the terms of the sum, each a 16-bit value.
template <class Term>
int32_t sumOfTerms(std::string_view cad, bool tipo, Term&& term) {
    int64_t total = 0;
    int sign = 1;
    SumTerms terms(cad);
    size_t begin, end;
    char after;
    while (terms.next(begin, end, after)) {
        const int32_t value = term(trimBlanks(cad.substr(begin, end - begin)));
        if (value < 0) return kInvalid;
        total += sign * static_cast<int64_t>(value);
        sign = after == '-' ? -1 : 1;
    }
    if (total < std::numeric_limits<int32_t>::min()) total = std::numeric_limits<int32_t>::min();
    if (!tipo && total >= 256) return kOutOfRange;
    if (tipo && total > 65535) return kOutOfRange;
    return static_cast<int32_t>(total);
}

}  // namespace

int32_t literalValue(std::string_view cad) {
    if (cad.empty()) return kInvalid;
    const char last = cad.back();
    const std::string_view digits = cad.substr(0, cad.size() - 1);
    if (last == 'H') {
        if (digits.empty() || !isDecimal(digits.front()) || !allOf(digits, isHex)) return kInvalid;
        return hextodec(digits);
    }
    if (last == 'B') {
        if (digits.empty() || !allOf(digits, isBinary)) return kInvalid;
        return bintodec(digits);
    }
    if (last == 'D') {
        if (digits.empty() || !allOf(digits, isDecimal)) return kInvalid;
        return dectodec(digits);
    }
    if (!allOf(cad, isDecimal)) return kInvalid;
    return dectodec(cad);
}

bool numberShaped(std::string_view cad) {
    if (cad.empty()) return false;
    if (isDecimal(cad.front())) return true;
    return cad.size() >= 2 && cad.back() == 'H' && allOf(cad.substr(0, cad.size() - 1), isHex);
}

SumTerms::SumTerms(std::string_view cad) : cad_(cad), plus_(cad.find('+')), minus_(cad.find('-')) {}

bool SumTerms::next(size_t& begin, size_t& end, char& sign) {
    if (done_) return false;
    // The next "+" and the next "-" are remembered and searched again only once passed, so that a long
    // sum is read in one sweep.
    if (plus_ < pos_) plus_ = cad_.find('+', pos_);
    if (minus_ < pos_) minus_ = cad_.find('-', pos_);
    const size_t at = std::min({plus_, minus_, cad_.size()});
    begin = pos_;
    end = at;
    sign = at < cad_.size() ? cad_[at] : '\0';
    done_ = at == cad_.size();
    pos_ = at + 1;
    return true;
}

void SymbolTable::clear() {
    entries_.clear();
    names_.clear();
}

int SymbolTable::add(std::string_view name, int64_t value) {
    entries_.push_back({std::string(name), value});
    const auto [it, added] = names_.try_emplace(std::string(name), Defined{entries_.size() - 1, 0});
    return it->second.count++;
}

const SymbolTable::Entry* SymbolTable::find(std::string_view name) const {
    const auto it = names_.find(name);
    return it == names_.end() ? nullptr : &entries_[it->second.first];
}

int32_t bintodec(std::string_view cad) {
    int64_t value = 0;
    const size_t n = cad.size();
    for (size_t i = 0; i < n; ++i) {
        if (cad[n - 1 - i] != '1') continue;
        if (i >= 31) return kInvalid;
        value += int64_t{1} << i;
    }
    return static_cast<int32_t>(value);
}

int32_t hextodec(std::string_view cad) { return convert(cad, 16); }
int32_t dectodec(std::string_view cad) { return convert(cad, 10); }

int32_t cmpnum(std::string_view cad, bool tipo) {
    if (hasSign(cad)) return separa(cad, tipo);
    return literal(cad, tipo);
}

int32_t separa(std::string_view cad, bool tipo) {
    return sumOfTerms(cad, tipo, [](std::string_view t) { return cmpnum(t, true); });
}

int32_t sepoperando(std::string_view cad, bool tipo, const SymbolTable& symbols) {
    std::string term;
    return sumOfTerms(cad, tipo, [&](std::string_view t) {
        term.assign(t);
        return sacaoperando(term, true, symbols);
    });
}

int32_t sacaoperando(std::string& cad, bool tipo, const SymbolTable& symbols) {
    std::erase(cad, ' ');
    if (hasSign(cad)) return sepoperando(cad, tipo, symbols);
    const int32_t v = cmpnum(cad, tipo);
    if (v >= 0 || v == kOutOfRange) return v;
    const SymbolTable::Entry* entry = symbols.find(cad);
    if (entry == nullptr) return kInvalid;
    // A symbol beyond FFFF (a label after the last byte of memory) is out of range for both widths.
    if (entry->value > (tipo ? 65535 : 255)) return kOutOfRange;
    return static_cast<int32_t>(entry->value);
}

namespace assembler {

int min(int a, int b) { return a != 0 && (b == 0 || b >= a) ? a : b; }

}  // namespace assembler
}  // namespace vandor
