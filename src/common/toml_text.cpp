#include "common/toml_text.h"

#include <algorithm>

namespace vandor {
namespace {

bool isBareKeyByte(unsigned char ch) {
    return (ch >= 'A' && ch <= 'Z') || (ch >= 'a' && ch <= 'z') || (ch >= '0' && ch <= '9') || ch == '_' || ch == '-';
}
bool isWordByte(unsigned char ch) { return isBareKeyByte(ch) || ch >= 0x80; }
bool isKeyByte(unsigned char ch) { return isWordByte(ch) || ch == '.'; }
bool isBlank(char ch) { return ch == ' ' || ch == '\t'; }

// A word of a report, at most 40 bytes, cut where a UTF-8 character begins: a whole line of accented
// letters must not come back as one long message.
std::string shown(std::string_view s) {
    constexpr size_t kMaxBytes = 40;
    if (s.size() <= kMaxBytes) return std::string(s);
    size_t cut = kMaxBytes;
    while (cut > 0 && (static_cast<unsigned char>(s[cut]) & 0xC0) == 0x80) --cut;
    return std::string(s.substr(0, cut)) + "…";
}

// A dotted key with every part that is not a bare key put in quotes: caso.título gives caso."título".
std::string quotedKey(std::string_view key) {
    std::string out;
    size_t start = 0;
    for (;;) {
        const size_t dot = key.find('.', start);
        const std::string_view part = key.substr(start, dot == std::string_view::npos ? dot : dot - start);
        if (std::all_of(part.begin(), part.end(), [](char ch) { return isBareKeyByte(static_cast<unsigned char>(ch)); }))
            out.append(part);
        else
            out.append("\"").append(shown(part)).append("\"");
        if (dot == std::string_view::npos) return out;
        out.push_back('.');
        start = dot + 1;
    }
}

// The bytes around `at` that a report names: letters, digits, "_", "-" and every byte above 7F.
std::string wordAt(std::string_view line, size_t at) {
    size_t from = at, to = at;
    while (from > 0 && isWordByte(static_cast<unsigned char>(line[from - 1]))) --from;
    while (to < line.size() && isWordByte(static_cast<unsigned char>(line[to]))) ++to;
    return shown(line.substr(from, to - from));
}

// The report for the byte at `at` of a line, outside quotes, in a table header, in a bare key or
// anywhere else: the key as it should be written, with its non-ASCII parts in quotes.
std::string describe(std::string_view line, size_t at, bool inHeader, bool inKey) {
    size_t keyFrom = at, keyTo = at;
    while (keyFrom > 0 && isKeyByte(static_cast<unsigned char>(line[keyFrom - 1]))) --keyFrom;
    while (keyTo < line.size() && isKeyByte(static_cast<unsigned char>(line[keyTo]))) ++keyTo;
    const std::string word = wordAt(line, at);
    const std::string key = quotedKey(line.substr(keyFrom, keyTo - keyFrom));
    const size_t first = line.find('[');
    if (inHeader && first < keyFrom) {
        const bool arrayOfTables = line.substr(first).starts_with("[[");
        std::string header(line.substr(first, keyFrom - first));
        header.append(key);
        const size_t close = line.find(']', keyTo);
        if (close != std::string_view::npos) {
            const size_t end = arrayOfTables && line.substr(close).starts_with("]]") ? close + 2 : close + 1;
            header.append(line.substr(keyTo, end - keyTo));
        } else {
            header.append(arrayOfTables ? "]]" : "]");
        }
        return "clave con caracteres no válidos: '" + word + "' (use comillas: " + header + ")";
    }
    if (inKey) return "clave con caracteres no válidos: '" + word + "' (use comillas: " + key + " = …)";
    return "caracteres no válidos fuera de comillas: '" + word + "'";
}

// The bytes that end a bare value (a number, a date, true): the parser reads such a value up to one of
// them, through quotes and brackets.
bool endsBareValue(char ch) {
    return ch == ' ' || ch == '\t' || ch == '\r' || ch == '\n' || ch == ']' || ch == '}' || ch == ',' || ch == '#';
}

// One pass over the text that follows TOML's quoting: basic and literal strings, their multi-line
// forms, comments, and whether a bare word outside them is a key (line start, table header, inline
// table) or part of a value.
class Scan {
public:
    explicit Scan(std::string_view text) : text_(text) {
        if (text_.starts_with("\xEF\xBB\xBF")) i_ = lineStart_ = 3;
    }

    std::vector<TextProblem> run() {
        while (i_ < text_.size()) {
            if (text_[i_] == '\n') {
                newLine();
                continue;
            }
            switch (state_) {
            case State::Plain: plain(); break;
            case State::Comment: ++i_; break;
            case State::Basic:
            case State::MultiBasic: basic(); break;
            case State::Literal:
            case State::MultiLiteral: literal(); break;
            }
        }
        return std::move(problems_);
    }

private:
    enum class State { Plain, Comment, Basic, Literal, MultiBasic, MultiLiteral };

    unsigned char byteAt(size_t at) const { return static_cast<unsigned char>(text_[at]); }

    size_t quotesAt(size_t at, char quote) const {
        size_t n = 0;
        while (at + n < text_.size() && text_[at + n] == quote) ++n;
        return n;
    }

    std::string_view currentLine() const {
        const size_t end = text_.find('\n', lineStart_);
        return text_.substr(lineStart_, end == std::string_view::npos ? end : end - lineStart_);
    }

    // Callers test reportedHere() first: describing a byte looks along its whole line.
    bool reportedHere() const { return reported_ == line_; }
    void report(std::string text) {
        problems_.push_back({line_, std::move(text)});
        reported_ = line_;
    }

    void newLine() {
        ++line_;
        lineStart_ = ++i_;
        inHeader_ = false;
        bareValue_ = false;
        // Comments and one-line strings end with their line (an unclosed string is the parser's error).
        if (state_ == State::MultiBasic || state_ == State::MultiLiteral) return;
        state_ = State::Plain;
        if (nesting_.empty())
            inKey_ = true;
        else if (nesting_.back() == '[')
            inKey_ = false;  // an array goes on over several lines
    }

    void plain() {
        const char ch = text_[i_];
        if (byteAt(i_) >= 0x80) {
            if (!reportedHere()) report(describe(currentLine(), i_ - lineStart_, inHeader_, inKey_));
            bareValue_ = !inKey_;
            ++i_;
            return;
        }
        if (bareValue_ && !endsBareValue(ch)) {
            ++i_;  // a quote here opens no text: 1"…" is read as one bad value
            return;
        }
        bareValue_ = false;
        switch (ch) {
        case '#': state_ = State::Comment; break;
        case '=': inKey_ = false; break;
        case '[':
            if (inKey_ && nesting_.empty()) {
                inHeader_ = true;  // [table] or [[array of tables]]
            } else if (!inHeader_) {
                nesting_.push_back('[');
                inKey_ = false;
            }
            break;
        case '{':
            nesting_.push_back('{');
            inKey_ = true;
            break;
        case ',':
            if (!nesting_.empty()) inKey_ = nesting_.back() == '{';
            break;
        case ']':
        case '}':
            if (inHeader_) {
                inHeader_ = false;
            } else if (!nesting_.empty()) {
                nesting_.pop_back();
                inKey_ = false;  // after a value
            }
            break;
        case '"':
        case '\'':
            openString(ch);
            return;
        default:
            bareValue_ = !inKey_ && !endsBareValue(ch);
            break;
        }
        ++i_;
    }

    void openString(char quote) {
        const bool multi = quotesAt(i_, quote) >= 3;
        if (quote == '"')
            state_ = multi ? State::MultiBasic : State::Basic;
        else
            state_ = multi ? State::MultiLiteral : State::Literal;
        i_ += multi ? 3 : 1;
    }

    // The closing quote of a text; in a multi-line text up to two quotes before the closing three belong
    // to the text.
    void closeString(char quote) {
        if (state_ == State::Basic || state_ == State::Literal) {
            state_ = State::Plain;
            ++i_;
            return;
        }
        const size_t n = quotesAt(i_, quote);
        if (n >= 3) state_ = State::Plain;
        i_ += n;
    }

    void basic() {
        if (text_[i_] == '\\')
            escape();
        else if (text_[i_] == '"')
            closeString('"');
        else
            ++i_;
    }

    void literal() {
        if (text_[i_] == '\'')
            closeString('\'');
        else
            ++i_;
    }

    // In a multi-line basic text the parser checks the byte after a backslash, and after a line-ending
    // backslash the first byte past the blanks and line ends, with the same test that other characters
    // fail outside quotes.
    void escape() {
        size_t k = i_ + 1;
        if (state_ == State::MultiBasic) {
            while (k < text_.size() && isBlank(text_[k])) ++k;
            const bool lineEnd = k < text_.size() && (text_[k] == '\n' || text_[k] == '\r');
            while (lineEnd && k < text_.size() && (isBlank(text_[k]) || text_[k] == '\n' || text_[k] == '\r')) {
                if (text_[k] == '\n') {
                    ++line_;
                    lineStart_ = k + 1;
                }
                ++k;
            }
            if (k < text_.size() && byteAt(k) >= 0x80 && !reportedHere())
                report("carácter no válido tras '\\' en un texto de varias líneas: '" +
                       wordAt(currentLine(), k - lineStart_) + "'");
            if (k > i_ + 1) {
                i_ = k;
                return;
            }
        }
        // The escaped byte is skipped, unless it is the line end of an unclosed one-line text.
        i_ += k < text_.size() && text_[k] != '\n' ? 2 : 1;
    }

    std::string_view text_;
    size_t i_ = 0;
    size_t lineStart_ = 0;
    int line_ = 1;
    int reported_ = 0;  // the last line with a report: one report a line
    State state_ = State::Plain;
    bool inKey_ = true;       // a bare word here is a key
    bool inHeader_ = false;   // between the brackets of a table header
    bool bareValue_ = false;  // inside a value that is not a string, array or inline table
    std::string nesting_;     // the open arrays "[" and inline tables "{" of a value
    std::vector<TextProblem> problems_;
};

}  // namespace

std::vector<TextProblem> findUnquotedNonAscii(std::string_view text) { return Scan(text).run(); }

}  // namespace vandor
