#include "cli/check_report.h"

#include "common/atomic_file.h"
#include "common/text_encoding.h"

namespace vandor::check {

namespace {

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
