#include "cli/check_report.h"

#include "common/atomic_file.h"

namespace vandor::check {

namespace {

// Code points of the bytes 80-9F in Windows-1252; the five unassigned bytes keep their C1 code point.
constexpr char16_t kCp1252High[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

bool validUtf8(std::string_view s) {
    size_t i = 0;
    while (i < s.size()) {
        const auto c = static_cast<unsigned char>(s[i]);
        size_t extra;
        unsigned cp;
        if (c < 0x80) {
            ++i;
            continue;
        } else if (c >= 0xC2 && c <= 0xDF) {
            extra = 1, cp = c & 0x1F;
        } else if (c >= 0xE0 && c <= 0xEF) {
            extra = 2, cp = c & 0x0F;
        } else if (c >= 0xF0 && c <= 0xF4) {
            extra = 3, cp = c & 0x07;
        } else {
            return false;
        }
        if (i + extra >= s.size()) return false;
        for (size_t k = 1; k <= extra; ++k) {
            const auto cc = static_cast<unsigned char>(s[i + k]);
            if ((cc & 0xC0) != 0x80) return false;
            cp = cp << 6 | (cc & 0x3F);
        }
        // Overlong forms, UTF-16 surrogates and code points past U+10FFFF are not UTF-8.
        if ((extra == 2 && cp < 0x800) || (extra == 3 && cp < 0x10000) || (cp >= 0xD800 && cp <= 0xDFFF) ||
            cp > 0x10FFFF)
            return false;
        i += extra + 1;
    }
    return true;
}

void appendUtf8(std::string& out, unsigned cp) {
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | cp >> 6);
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xE0 | cp >> 12);
        out += static_cast<char>(0x80 | (cp >> 6 & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

std::string joinedLog(const SourceResult& r) {
    std::string s;
    for (size_t i = 0; i < r.log.size(); ++i) s += (i ? " | " : "") + r.log[i];
    return s;
}

void appendJsonField(std::string& out, std::string_view key, std::string_view value, bool comma = true) {
    out += jsonString(key);
    out += ": ";
    out += jsonString(value);
    if (comma) out += ", ";
}

}  // namespace

std::string toUtf8(std::string_view text) {
    if (validUtf8(text)) return std::string(text);
    std::string out;
    out.reserve(text.size() + text.size() / 2);
    for (char ch : text) {
        const auto c = static_cast<unsigned char>(ch);
        if (c >= 0x80 && c <= 0x9F)
            appendUtf8(out, kCp1252High[c - 0x80]);
        else
            appendUtf8(out, c);
    }
    return out;
}

std::string csvField(std::string_view raw) {
    std::string text = toUtf8(raw);
    // A spreadsheet would evaluate such a field ("==>" of the error log, a name like "-x.asm").
    if (!text.empty() && (text[0] == '=' || text[0] == '+' || text[0] == '-' || text[0] == '@'))
        text = std::string(1, '\'') + text;
    if (text.find_first_of(",\"\r\n") == std::string::npos) return text;
    std::string quoted = "\"";
    for (char ch : text) {
        if (ch == '"') quoted += '"';
        quoted += ch;
    }
    quoted += '"';
    return quoted;
}

std::string jsonString(std::string_view raw) {
    const std::string text = toUtf8(raw);
    std::string out = "\"";
    for (char ch : text) {
        const auto c = static_cast<unsigned char>(ch);
        switch (ch) {
            case '"': out += "\\\""; break;
            case '\\': out += "\\\\"; break;
            case '\n': out += "\\n"; break;
            case '\r': out += "\\r"; break;
            case '\t': out += "\\t"; break;
            default:
                if (c < 0x20) {
                    static constexpr char kHex[] = "0123456789abcdef";
                    out += "\\u00";
                    out += kHex[c >> 4];
                    out += kHex[c & 15];
                } else {
                    out += ch;
                }
        }
    }
    out += '"';
    return out;
}

CsvWriter::~CsvWriter() { close(); }

bool CsvWriter::open(const std::string& path) {
    close();
    file_ = std::make_unique<AtomicFile>(path, AtomicFile::Mode::DirectWhenNew);
    if (!file_->isOpen()) {
        file_.reset();
        return false;
    }
    ok_ = file_->write("\xEF\xBB\xBF");
    ok_ = writeLine({"fichero", "caso", "resultado", "pasos", "expectativa", "esperado", "obtenido"}) && ok_;
    ok_ = file_->flush() && ok_;
    return ok_;
}

bool CsvWriter::writeLine(const std::vector<std::string>& fields) {
    std::string line;
    for (size_t i = 0; i < fields.size(); ++i) {
        if (i) line += ',';
        line += csvField(fields[i]);
    }
    line += "\r\n";
    return file_->write(line);
}

bool CsvWriter::write(const SourceResult& r) {
    if (!file_) return false;
    if (r.outcome == Outcome::NoEnsambla && r.cases.empty()) {
        ok_ = writeLine({r.file, "", std::string(outcomeText(r.outcome)), "", "", "", joinedLog(r)}) && ok_;
    } else {
        for (const CaseResult& c : r.cases)
            ok_ = writeLine({r.file, c.name, std::string(outcomeText(c.outcome)), std::to_string(c.steps),
                             c.expectation, c.expected, c.obtained}) &&
                  ok_;
    }
    ok_ = file_->flush() && ok_;
    return ok_;
}

bool CsvWriter::close() {
    if (!file_) return ok_;
    ok_ = file_->commit() && ok_;
    file_.reset();
    return ok_;
}

std::string jsonReport(const std::string& exercisePath, const Exercise& exercise,
                       const std::vector<SourceResult>& results) {
    std::string out = "{\n  ";
    appendJsonField(out, "ejercicio", exercisePath);
    appendJsonField(out, "titulo", exercise.title, false);
    out += ",\n  \"fuentes\": [";
    size_t passedSources = 0;
    for (size_t i = 0; i < results.size(); ++i) {
        const SourceResult& r = results[i];
        if (r.outcome == Outcome::Apto) ++passedSources;
        out += i ? ",\n    {" : "\n    {";
        appendJsonField(out, "fichero", r.file);
        appendJsonField(out, "resultado", outcomeText(r.outcome));
        out += "\"casos_aptos\": " + std::to_string(r.passed()) + ", \"casos_total\": " +
               std::to_string(r.outcome == Outcome::NoEnsambla && r.cases.empty() ? exercise.cases.size()
                                                                                   : r.cases.size());
        out += ",\n      \"errores\": [";
        for (size_t k = 0; k < r.log.size(); ++k) out += (k ? ", " : "") + jsonString(r.log[k]);
        out += "],\n      \"casos\": [";
        for (size_t k = 0; k < r.cases.size(); ++k) {
            const CaseResult& c = r.cases[k];
            out += k ? ",\n        {" : "\n        {";
            appendJsonField(out, "caso", c.name);
            appendJsonField(out, "resultado", outcomeText(c.outcome));
            out += "\"pasos\": " + std::to_string(c.steps) + ", ";
            appendJsonField(out, "expectativa", c.expectation);
            appendJsonField(out, "esperado", c.expected);
            appendJsonField(out, "obtenido", c.obtained, false);
            out += "}";
        }
        out += r.cases.empty() ? "]}" : "\n      ]}";
    }
    out += results.empty() ? "],\n" : "\n  ],\n";
    out += "  \"resumen\": {\"fuentes\": " + std::to_string(results.size()) +
           ", \"aptas\": " + std::to_string(passedSources) + "}\n}\n";
    return out;
}

bool writeJson(const std::string& path, const std::string& exercisePath, const Exercise& exercise,
               const std::vector<SourceResult>& results) {
    return writeFileReplacing(path, {jsonReport(exercisePath, exercise, results)});
}

}  // namespace vandor::check
