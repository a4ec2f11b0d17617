// Reading and validating exercise files. toml++ parses the text; everything after that is ours: each
// table is walked key by key, every key must be one we know, and every value is checked for its type
// and range. Errors are collected (not thrown) so that a teacher sees all of them in one go.
#include "cli/check_exercise.h"

#include <algorithm>
#include <fstream>
#include <functional>
#include <sstream>

#define TOML_HEADER_ONLY 1
#include <toml++/toml.h>

#include "common/hex.h"
#include "common/text.h"
#include "common/toml_text.h"

namespace vandor::check {

namespace {

struct LocatedError {
    int line;
    std::string text;
};

// Collects errors for one file; every message gets "FILE:LINE: ".
class Reporter {
public:
    explicit Reporter(std::string file) : file_(std::move(file)) {}
    void error(int line, std::string text) { errors_.push_back({line, std::move(text)}); }
    void error(const toml::source_region& where, std::string text) {
        error(static_cast<int>(where.begin.line), std::move(text));
    }
    bool any() const { return !errors_.empty(); }
    std::vector<std::string> lines() const {
        std::vector<LocatedError> sorted = errors_;
        std::stable_sort(sorted.begin(), sorted.end(),
                         [](const LocatedError& x, const LocatedError& y) { return x.line < y.line; });
        std::vector<std::string> out;
        for (const LocatedError& e : sorted) {
            if (e.line > 0)
                out.push_back(file_ + ":" + std::to_string(e.line) + ": " + e.text);
            else
                out.push_back(file_ + ": " + e.text);
        }
        return out;
    }

private:
    std::string file_;
    std::vector<LocatedError> errors_;
};

std::string quoted(std::string_view s) {
    std::string q;
    q.reserve(s.size() + 2);
    q.push_back('"');
    q.append(s);
    q.push_back('"');
    return q;
}

// 1 to maxDigits hexadecimal digits, either case, blanks around allowed.
std::optional<unsigned> parseHexText(std::string_view text, int maxDigits) {
    return parseHex(trimBlanks(text, kBlanksAndTabs), maxDigits);
}

std::string example(int digits) { return digits == 2 ? "\"0F\"" : "\"0100\""; }

// A hexadecimal value: a string of up to `digits` digits, or a TOML integer written as 0x...
std::optional<unsigned> readHex(const toml::node& node, std::string_view key, int digits, Reporter& rep) {
    const unsigned limit = digits == 2 ? 0xFF : 0xFFFF;
    if (const auto* s = node.as_string()) {
        std::string_view text = s->get();
        if (auto v = parseHexText(text, digits)) return v;
        std::string_view t = trimBlanks(text, kBlanksAndTabs);
        bool allHex = !t.empty() && std::all_of(t.begin(), t.end(), [](char ch) { return hexDigitValue(ch) >= 0; });
        if (allHex)
            rep.error(node.source(), "'" + std::string(key) + "': " + quoted(text) + " tiene más de " +
                                         std::to_string(digits) + " cifras hexadecimales");
        else
            rep.error(node.source(), "'" + std::string(key) + "': valor hexadecimal incorrecto " + quoted(text));
        return std::nullopt;
    }
    if (const auto* i = node.as_integer()) {
        const int64_t v = i->get();
        if (!(i->flags() & toml::value_flags::format_as_hexadecimal)) {
            rep.error(node.source(), "'" + std::string(key) + "' = " + std::to_string(v) +
                                         ": escriba el valor en hexadecimal entre comillas, p. ej. " +
                                         example(digits));
            return std::nullopt;
        }
        if (v < 0 || v > static_cast<int64_t>(limit)) {
            rep.error(node.source(), "'" + std::string(key) + "': el valor pasa de " +
                                         (digits == 2 ? std::string("FF") : std::string("FFFF")));
            return std::nullopt;
        }
        return static_cast<unsigned>(v);
    }
    rep.error(node.source(), "'" + std::string(key) + "' debe ser un valor hexadecimal de 1 a " +
                                 std::to_string(digits) + " cifras entre comillas, p. ej. " + example(digits));
    return std::nullopt;
}

// A bit: 0, 1, true or false.
std::optional<bool> readBit(const toml::node& node, std::string_view key, Reporter& rep) {
    if (const auto* b = node.as_boolean()) return b->get();
    if (const auto* i = node.as_integer()) {
        if (i->get() == 0 || i->get() == 1) return i->get() == 1;
    }
    rep.error(node.source(), "'" + std::string(key) + "' debe ser 0 o 1 (o false/true)");
    return std::nullopt;
}

std::optional<uint64_t> readSteps(const toml::node& node, Reporter& rep) {
    if (const auto* i = node.as_integer()) {
        if (i->get() >= 1) return static_cast<uint64_t>(i->get());
    }
    rep.error(node.source(), "'pasos_max' debe ser un número entero positivo, p. ej. 100000");
    return std::nullopt;
}

std::optional<std::string> readString(const toml::node& node, std::string_view key, Reporter& rep) {
    if (const auto* s = node.as_string()) return s->get();
    rep.error(node.source(), "'" + std::string(key) + "' debe ser un texto entre comillas");
    return std::nullopt;
}

// "05 01 02": bytes of 1 or 2 hexadecimal digits separated by blanks.
std::optional<std::vector<uint8_t>> parseBytes(std::string_view text, std::string& bad) {
    std::vector<uint8_t> bytes;
    size_t i = 0;
    while (i < text.size()) {
        if (text[i] == ' ' || text[i] == '\t' || text[i] == ',') {
            ++i;
            continue;
        }
        size_t j = i;
        while (j < text.size() && text[j] != ' ' && text[j] != '\t' && text[j] != ',') ++j;
        std::string_view token = text.substr(i, j - i);
        auto v = parseHexText(token, 2);
        if (!v) {
            bad = std::string(token);
            return std::nullopt;
        }
        bytes.push_back(static_cast<uint8_t>(*v));
        i = j;
    }
    return bytes;
}

// memoria = { "0900" = "05 01 02" } or puertos = { "10" = "FF" }.
std::vector<ByteBlock> readBlocks(const toml::node& node, std::string_view key, bool ports, Reporter& rep) {
    std::vector<ByteBlock> blocks;
    const auto* table = node.as_table();
    const std::string what = ports ? "puertos" : "memoria";
    const int digits = ports ? 2 : 4;
    const unsigned last = ports ? 0xFF : 0xFFFF;
    if (!table) {
        rep.error(node.source(), "'" + std::string(key) + "' debe ser una tabla de " +
                                     (ports ? "\"PP\" = \"bytes\", p. ej. { \"10\" = \"FF\" }"
                                            : "\"DDDD\" = \"bytes\", p. ej. { \"0900\" = \"05 01 02\" }"));
        return blocks;
    }
    for (const auto& [addrKey, value] : *table) {
        auto address = parseHexText(addrKey.str(), digits);
        if (!address) {
            rep.error(addrKey.source(), (ports ? "puerto incorrecto " : "dirección incorrecta ") +
                                            quoted(addrKey.str()) + " en " + what +
                                            (ports ? " (de 00 a FF)" : " (de 0000 a FFFF)"));
            continue;
        }
        const auto* text = value.as_string();
        if (!text) {
            rep.error(value.source(), "el bloque " + std::string(addrKey.str()) + " de " + what +
                                          " debe ser un texto de bytes hexadecimales, p. ej. \"05 01 02\"");
            continue;
        }
        std::string bad;
        auto bytes = parseBytes(text->get(), bad);
        if (!bytes) {
            rep.error(value.source(), "byte incorrecto " + quoted(bad) + " en el bloque " +
                                          std::string(addrKey.str()) + " de " + what);
            continue;
        }
        if (bytes->empty()) {
            rep.error(value.source(), "el bloque " + std::string(addrKey.str()) + " de " + what + " está vacío");
            continue;
        }
        if (*address + bytes->size() - 1 > last) {
            rep.error(value.source(), "el bloque " + std::string(addrKey.str()) + " de " + what + " (" +
                                          std::to_string(bytes->size()) + " bytes) pasa de " +
                                          (ports ? "FF" : "FFFF"));
            continue;
        }
        blocks.push_back({static_cast<uint16_t>(*address), std::move(*bytes)});
    }
    return blocks;
}

// entradas = { "00" = "05 07 09" } or salidas = { "01" = "01 02 04" }: a sequence of values per port.
// An input queue needs a value at least; an empty output sequence asks that nothing be written there.
std::vector<PortValues> readPortValues(const toml::node& node, std::string_view key, Reporter& rep) {
    std::vector<PortValues> result;
    const bool inputs = key == "entradas";
    const auto* table = node.as_table();
    if (!table) {
        rep.error(node.source(), "'" + std::string(key) + "' debe ser una tabla de \"PP\" = \"valores\", p. ej. " +
                                     (inputs ? "{ \"00\" = \"05 07 09\" }" : "{ \"01\" = \"01 02 04 08\" }"));
        return result;
    }
    for (const auto& [portKey, value] : *table) {
        auto port = parseHexText(portKey.str(), 2);
        if (!port) {
            rep.error(portKey.source(), "puerto incorrecto " + quoted(portKey.str()) + " en " + std::string(key) +
                                            " (de 00 a FF)");
            continue;
        }
        const auto* text = value.as_string();
        if (!text) {
            rep.error(value.source(), "los valores del puerto " + std::string(portKey.str()) + " de " +
                                          std::string(key) + " deben ser un texto de bytes hexadecimales, p. ej. \"05 07\"");
            continue;
        }
        std::string bad;
        auto values = parseBytes(text->get(), bad);
        if (!values) {
            rep.error(value.source(), "valor incorrecto " + quoted(bad) + " en el puerto " +
                                          std::string(portKey.str()) + " de " + std::string(key));
            continue;
        }
        if (inputs && values->empty()) {
            rep.error(value.source(), "el puerto " + std::string(portKey.str()) + " de entradas no tiene ningún valor");
            continue;
        }
        const uint8_t p = static_cast<uint8_t>(*port);
        if (std::any_of(result.begin(), result.end(), [p](const PortValues& q) { return q.port == p; })) {
            rep.error(portKey.source(), "el puerto " + hexa(p, 2) + " está repetido en " + std::string(key));
            continue;
        }
        result.push_back({p, std::move(*values)});
    }
    return result;
}

template <typename T, size_t N>
int indexOf(const std::array<T, N>& keys, std::string_view key) {
    for (size_t i = 0; i < N; ++i) {
        if constexpr (std::is_same_v<T, FlagName>) {
            if (keys[i].key == key) return static_cast<int>(i);
        } else {
            if (keys[i] == key) return static_cast<int>(i);
        }
    }
    return -1;
}

// Reads one key of a start state; false when the key is not a setup key.
bool readSetupKey(std::string_view key, const toml::node& value, MachineSetup& setup, Reporter& rep) {
    if (int r = indexOf(kRegisterKeys, key); r >= 0) {
        if (auto v = readHex(value, key, 2, rep)) setup.registers[r] = static_cast<uint8_t>(*v);
    } else if (key == "pc") {
        if (auto v = readHex(value, key, 4, rep)) setup.pc = static_cast<uint16_t>(*v);
    } else if (key == "sp") {
        if (auto v = readHex(value, key, 4, rep)) setup.sp = static_cast<uint16_t>(*v);
    } else if (key == "memoria") {
        setup.memory = readBlocks(value, key, false, rep);
    } else if (key == "puertos") {
        setup.ports = readBlocks(value, key, true, rep);
    } else if (key == "sid") {
        setup.sid = readBit(value, key, rep);
    } else if (key == "vec") {
        if (auto v = readHex(value, key, 2, rep)) setup.vec = static_cast<uint8_t>(*v);
    } else if (key == "breakpoints") {
        const auto* list = value.as_array();
        if (!list) {
            rep.error(value.source(), "'breakpoints' debe ser una lista de direcciones, p. ej. [\"0100\", \"0200\"]");
            return true;
        }
        for (const toml::node& item : *list)
            if (auto v = readHex(item, key, 4, rep)) setup.breakpoints.push_back(static_cast<uint16_t>(*v));
    } else if (key == "irq") {
        const auto* list = value.as_array();
        if (!list) {
            rep.error(value.source(), "'irq' debe ser una lista de textos \"N:NOMBRE\", p. ej. [\"100:RST7.5\"]");
            return true;
        }
        for (const toml::node& item : *list) {
            const auto* s = item.as_string();
            auto press = s ? parseIrq(s->get()) : std::nullopt;
            if (!press) {
                rep.error(item.source(), "interrupción incorrecta en 'irq': se espera \"N:NOMBRE\" con N desde 1 y "
                                         "NOMBRE TRAP, RST5.5, RST6.5, RST7.5 o INTR");
                continue;
            }
            setup.irqs.push_back(*press);
        }
    } else if (key == "entradas") {
        setup.inputs = readPortValues(value, key, rep);
    } else if (key == "on_hlt") {
        const auto* s = value.as_string();
        auto choice = s ? cli::parseHltAnswer(trimBlanks(s->get(), kBlanksAndTabs)) : std::nullopt;
        if (!choice)
            rep.error(value.source(), "'on_hlt' incorrecto: se espera STOP, RESET, TRAP, RST5.5, RST6.5, RST7.5 o INTR");
        else
            setup.onHlt = choice;
    } else {
        return false;
    }
    return true;
}

void unknownKey(const toml::key& key, std::string_view where, Reporter& rep) {
    rep.error(key.source(), "clave desconocida '" + std::string(key.str()) + "' en " + std::string(where));
}

MachineSetup readSetup(const toml::table& table, std::string_view where, Reporter& rep) {
    MachineSetup setup;
    for (const auto& [key, value] : table)
        if (!readSetupKey(key.str(), value, setup, rep)) unknownKey(key, where, rep);
    return setup;
}

Expectations readExpectations(const toml::table& table, Reporter& rep) {
    Expectations ex;
    for (const auto& [keyNode, value] : table) {
        const std::string_view key = keyNode.str();
        if (int r = indexOf(kRegisterKeys, key); r >= 0) {
            if (auto v = readHex(value, key, 2, rep)) ex.registers[r] = static_cast<uint8_t>(*v);
        } else if (int fl = indexOf(kFlagKeys, key); fl >= 0) {
            ex.flags[fl] = readBit(value, key, rep);
        } else if (key == "pc" || key == "sp" || key == "bc" || key == "de" || key == "hl") {
            auto v = readHex(value, key, 4, rep);
            if (!v) continue;
            std::optional<uint16_t>& slot = key == "pc"   ? ex.pc
                                            : key == "sp" ? ex.sp
                                            : key == "bc" ? ex.bc
                                            : key == "de" ? ex.de
                                                          : ex.hl;
            slot = static_cast<uint16_t>(*v);
        } else if (key == "memoria") {
            ex.memory = readBlocks(value, key, false, rep);
        } else if (key == "puertos") {
            ex.ports = readBlocks(value, key, true, rep);
        } else if (key == "sod") {
            ex.sod = readBit(value, key, rep);
        } else if (key == "salidas") {
            ex.outputs = readPortValues(value, key, rep);
        } else if (key == "fin") {
            const auto* s = value.as_string();
            const std::string text = s ? std::string(trimBlanks(s->get(), kBlanksAndTabs)) : std::string();
            if (text == "HLT")
                ex.end = EndKind::Hlt;
            else if (text == "PASOS")
                ex.end = EndKind::Steps;
            else if (text == "BREAK")
                ex.end = EndKind::Break;
            else
                rep.error(value.source(), "'fin' incorrecto: se espera \"HLT\", \"PASOS\" o \"BREAK\"");
        } else {
            unknownKey(keyNode, "[caso.espera]", rep);
        }
    }
    return ex;
}

Case readCase(const toml::table& table, size_t index, Reporter& rep) {
    Case c;
    c.line = static_cast<int>(table.source().begin.line);
    c.name = "caso " + std::to_string(index + 1);
    for (const auto& [keyNode, value] : table) {
        const std::string_view key = keyNode.str();
        if (key == "nombre") {
            if (auto s = readString(value, key, rep)) {
                if (trimBlanks(*s, kBlanksAndTabs).empty())
                    rep.error(value.source(), "'nombre' no puede estar vacío");
                else
                    c.name = *s;
            }
        } else if (key == "pasos_max") {
            c.maxSteps = readSteps(value, rep);
        } else if (key == "espera") {
            if (const auto* t = value.as_table())
                c.expect = readExpectations(*t, rep);
            else
                rep.error(value.source(), "'espera' debe ser una tabla [caso.espera]");
        } else if (!readSetupKey(key, value, c.additions, rep)) {
            unknownKey(keyNode, "[[caso]]", rep);
        }
    }
    return c;
}

Exercise readRoot(const toml::table& root, Reporter& rep) {
    Exercise ex;
    for (const auto& [keyNode, value] : root) {
        const std::string_view key = keyNode.str();
        if (key == "titulo") {
            if (auto s = readString(value, key, rep)) ex.title = *s;
        } else if (key == "pasos_max") {
            if (auto v = readSteps(value, rep)) ex.maxSteps = *v;
        } else if (key == "inicio") {
            if (const auto* t = value.as_table())
                ex.start = readSetup(*t, "[inicio]", rep);
            else
                rep.error(value.source(), "'inicio' debe ser una tabla [inicio]");
        } else if (key == "caso") {
            const auto* list = value.as_array();
            if (!list || !list->is_array_of_tables()) {
                rep.error(value.source(), "los casos se escriben como tablas [[caso]]");
                continue;
            }
            for (size_t i = 0; i < list->size(); ++i) ex.cases.push_back(readCase(*list->get(i)->as_table(), i, rep));
        } else {
            unknownKey(keyNode, "el nivel principal", rep);
        }
    }
    if (ex.cases.empty() && !root.contains("caso"))
        rep.error(0, "el ejercicio no tiene ningún caso: añada al menos una tabla [[caso]]");
    for (size_t i = 0; i < ex.cases.size(); ++i)
        for (size_t j = 0; j < i; ++j)
            if (ex.cases[i].name == ex.cases[j].name) {
                rep.error(ex.cases[i].line, "nombre de caso repetido " + quoted(ex.cases[i].name) +
                                                " (ya usado en la línea " + std::to_string(ex.cases[j].line) + ")");
                break;
            }
    return ex;
}

}  // namespace

MachineSetup MachineSetup::then(const MachineSetup& later) const {
    MachineSetup r = *this;
    if (later.pc) r.pc = later.pc;
    if (later.sp) r.sp = later.sp;
    for (size_t i = 0; i < registers.size(); ++i)
        if (later.registers[i]) r.registers[i] = later.registers[i];
    r.memory.insert(r.memory.end(), later.memory.begin(), later.memory.end());
    r.ports.insert(r.ports.end(), later.ports.begin(), later.ports.end());
    if (later.sid) r.sid = later.sid;
    if (later.vec) r.vec = later.vec;
    r.breakpoints.insert(r.breakpoints.end(), later.breakpoints.begin(), later.breakpoints.end());
    r.irqs.insert(r.irqs.end(), later.irqs.begin(), later.irqs.end());
    if (later.onHlt) r.onHlt = later.onHlt;
    for (const PortValues& q : later.inputs) {
        auto same = std::find_if(r.inputs.begin(), r.inputs.end(), [&q](const PortValues& x) { return x.port == q.port; });
        if (same != r.inputs.end())
            *same = q;
        else
            r.inputs.push_back(q);
    }
    return r;
}

std::string_view endKindText(EndKind kind) {
    switch (kind) {
        case EndKind::Hlt: return "HLT";
        case EndKind::Steps: return "PASOS";
        case EndKind::Break: return "BREAK";
    }
    return "HLT";
}

std::string hex2(uint8_t v) { return hexa(v, 2); }
std::string hex4(uint16_t v) { return hexa(v, 4); }

std::string bytesText(const std::vector<uint8_t>& bytes) {
    std::string s;
    for (size_t i = 0; i < bytes.size(); ++i) {
        if (i) s += ' ';
        s += hex2(bytes[i]);
    }
    return s;
}

std::string valuesText(const std::vector<uint8_t>& values) {
    return values.empty() ? std::string("ningún valor") : bytesText(values);
}

std::optional<IrqPress> parseIrq(std::string_view text) {
    text = trimBlanks(text, kBlanksAndTabs);
    const size_t colon = text.find(':');
    // More than 12 digits would be a step no run reaches; refusing them also keeps the sum from overflowing.
    if (colon == std::string_view::npos || colon == 0 || colon > 12) return std::nullopt;
    uint64_t step = 0;
    for (char ch : text.substr(0, colon)) {
        if (ch < '0' || ch > '9') return std::nullopt;
        step = step * 10 + static_cast<uint64_t>(ch - '0');
    }
    if (step == 0) return std::nullopt;
    auto button = cli::parseButtonName(trimBlanks(text.substr(colon + 1), kBlanksAndTabs));
    if (!button) return std::nullopt;
    return IrqPress{step, *button};
}

ExerciseResult parseExercise(std::string_view text, const std::string& displayName) {
    ExerciseResult result;
    Reporter rep(displayName);
    // Bytes the parser cannot take outside quotes are reported instead of parsing (common/toml_text.h).
    const std::vector<TextProblem> problems = findUnquotedNonAscii(text);
    for (const TextProblem& p : problems) rep.error(p.line, p.text);
    if (problems.empty()) {
        try {
            toml::table root = toml::parse(text, displayName);
            result.exercise = readRoot(root, rep);
        } catch (const toml::parse_error& e) {
            rep.error(e.source(), "error de sintaxis TOML: " + std::string(e.description()));
        }
    }
    result.errors = rep.lines();
    return result;
}

ExerciseResult readExercise(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        ExerciseResult r;
        r.errors.push_back(path + ": no se puede leer el fichero de ejercicio");
        return r;
    }
    std::ostringstream text;
    text << in.rdbuf();
    return parseExercise(text.str(), path);
}

}  // namespace vandor::check
