// The devices' arrangement and its file. toml++ parses the text after the pre-scan has kept from it the
// bytes it cannot take; every table is then walked key by key, and every key must be one the device's
// kind has.
#include "devices/arrangement.h"

#include <algorithm>
#include <cmath>
#include <fstream>
#include <sstream>

#define TOML_HEADER_ONLY 1
#include <toml++/toml.h>

#include "common/atomic_file.h"
#include "common/hex.h"
#include "common/text.h"
#include "common/toml_text.h"

namespace vandor {
namespace {

constexpr DeviceKind kKinds[] = {DeviceKind::Leds, DeviceKind::Display, DeviceKind::Switches, DeviceKind::Button,
                                 DeviceKind::Console};
// A file bigger than this is no arrangement; it is not read.
constexpr std::streamoff kMaxFileBytes = 1 << 20;

struct LocatedError {
    int line;
    std::string text;
};

class Reporter {
public:
    void error(int line, std::string text) { errors_.push_back({line, std::move(text)}); }
    void error(const toml::node& node, std::string text) {
        error(static_cast<int>(node.source().begin.line), std::move(text));
    }
    std::vector<std::string> lines(const std::string& file) const {
        std::vector<LocatedError> sorted = errors_;
        std::stable_sort(sorted.begin(), sorted.end(), [](auto& x, auto& y) { return x.line < y.line; });
        std::vector<std::string> out;
        for (const LocatedError& e : sorted)
            out.push_back(e.line > 0 ? file + ":" + std::to_string(e.line) + ": " + e.text : file + ": " + e.text);
        return out;
    }
    bool any() const { return !errors_.empty(); }

private:
    std::vector<LocatedError> errors_;
};

std::string quoted(std::string_view s) {
    std::string q;
    q.reserve(s.size() + 2);
    q.push_back('\'');
    q.append(s);
    q.push_back('\'');
    return q;
}

std::optional<uint8_t> readPort(const toml::node& node, std::string_view key, Reporter& rep) {
    if (const auto* s = node.as_string()) {
        if (auto v = parseHex(trimBlanks(s->get(), kBlanksAndTabs), 2)) return static_cast<uint8_t>(*v);
        rep.error(node, quoted(key) + ": puerto incorrecto \"" + std::string(s->get()) + "\" (de 00 a FF)");
        return std::nullopt;
    }
    if (const auto* i = node.as_integer()) {
        if (!(i->flags() & toml::value_flags::format_as_hexadecimal)) {
            rep.error(node, quoted(key) + " = " + std::to_string(i->get()) +
                                ": escriba el puerto en hexadecimal entre comillas, p. ej. \"01\"");
            return std::nullopt;
        }
        if (i->get() >= 0 && i->get() <= 0xFF) return static_cast<uint8_t>(i->get());
        rep.error(node, quoted(key) + ": el puerto pasa de FF");
        return std::nullopt;
    }
    rep.error(node, quoted(key) + " debe ser un puerto hexadecimal entre comillas, p. ej. \"01\"");
    return std::nullopt;
}

std::optional<long> readInteger(const toml::node& node, std::string_view key, long low, long high,
                                const std::string& hint, Reporter& rep) {
    if (const auto* i = node.as_integer())
        if (i->get() >= low && i->get() <= high) return static_cast<long>(i->get());
    rep.error(node, quoted(key) + " debe ser " + hint);
    return std::nullopt;
}

// The keys each kind may have besides "tipo".
bool keyAllowed(DeviceKind kind, std::string_view key) {
    switch (kind) {
    case DeviceKind::Leds:
    case DeviceKind::Switches: return key == "puerto";
    case DeviceKind::Display: return key == "puertos" || key == "hexadecimal";
    case DeviceKind::Button: return key == "puerto" || key == "bit" || key == "tecla";
    case DeviceKind::Console: return key == "baudios" || key == "bits_parada" || key == "reloj_mhz";
    }
    return false;
}

void readDisplayPorts(const toml::node& value, Device& device, Reporter& rep) {
    const auto* list = value.as_array();
    if (!list || list->empty() || list->size() > kMaxDigits) {
        rep.error(value, "'puertos' debe ser una lista de 1 a " + std::to_string(kMaxDigits) +
                             " puertos, uno por dígito, p. ej. [\"02\", \"03\"]");
        return;
    }
    device.ports.clear();
    for (const toml::node& item : *list)
        if (auto p = readPort(item, "puertos", rep)) device.ports.push_back(*p);
}

void readButtonKey(const toml::node& value, Device& device, Reporter& rep) {
    const auto* s = value.as_string();
    if (s) {
        std::string text(trimBlanks(s->get(), kBlanksAndTabs));
        if (text == "espacio") {
            device.key = kSpaceKey;
            return;
        }
        if (text.size() == 1) {
            const char key = static_cast<char>(text[0] >= 'a' && text[0] <= 'z' ? text[0] - 'a' + 'A' : text[0]);
            if (isButtonKey(key) && key != kSpaceKey) {
                device.key = key;
                return;
            }
        }
    }
    rep.error(value, "'tecla' debe ser una letra, una cifra o \"espacio\", p. ej. \"P\"");
}

void readConsoleKey(std::string_view key, const toml::node& value, Device& device, Reporter& rep) {
    if (key == "baudios") {
        const auto* i = value.as_integer();
        if (i && std::find(kBaudRates.begin(), kBaudRates.end(), i->get()) != kBaudRates.end())
            device.serial.baud = static_cast<unsigned>(i->get());
        else
            rep.error(value, "'baudios' debe ser 110, 300, 1200, 2400, 4800 o 9600");
    } else if (key == "bits_parada") {
        if (auto v = readInteger(value, key, 1, 2, "1 o 2", rep)) device.serial.stopBits = static_cast<unsigned>(*v);
    } else {
        std::optional<double> mhz;
        if (const auto* f = value.as_floating_point()) mhz = f->get();
        if (const auto* i = value.as_integer()) mhz = static_cast<double>(i->get());
        const double hz = mhz ? std::round(*mhz * 1e6) : 0;
        if (mhz && hz >= kMinClockHz && hz <= kMaxClockHz)
            device.serial.clockHz = hz;
        else
            rep.error(value, "'reloj_mhz' debe ser un reloj de 1 a 10 MHz, p. ej. 3.072");
    }
}

std::optional<Device> readDevice(const toml::table& table, Reporter& rep) {
    const toml::node* kindNode = table.get("tipo");
    if (!kindNode) {
        rep.error(static_cast<int>(table.source().begin.line),
                  "falta 'tipo' en [[dispositivo]]: leds, display, interruptores, pulsador o consola");
        return std::nullopt;
    }
    const auto* kindText = kindNode->as_string();
    const auto kind = std::find_if(std::begin(kKinds), std::end(kKinds), [&](DeviceKind k) {
        return kindText && deviceKindKey(k) == trimBlanks(kindText->get(), kBlanksAndTabs);
    });
    if (kind == std::end(kKinds)) {
        rep.error(*kindNode, "'tipo' desconocido: se espera leds, display, interruptores, pulsador o consola");
        return std::nullopt;
    }
    Device device = newDevice(*kind);
    for (const auto& [keyNode, value] : table) {
        const std::string_view key = keyNode.str();
        if (key == "tipo") continue;
        if (!keyAllowed(*kind, key)) {
            rep.error(static_cast<int>(keyNode.source().begin.line),
                      "clave desconocida " + quoted(key) + " en un dispositivo de tipo " +
                          std::string(deviceKindKey(*kind)));
        } else if (key == "puerto") {
            if (auto p = readPort(value, key, rep)) device.ports = {*p};
        } else if (key == "puertos") {
            readDisplayPorts(value, device, rep);
        } else if (key == "hexadecimal") {
            if (const auto* b = value.as_boolean())
                device.hexadecimal = b->get();
            else
                rep.error(value, "'hexadecimal' debe ser true o false");
        } else if (key == "bit") {
            if (auto v = readInteger(value, key, 0, 7, "un bit de 0 a 7", rep)) device.bit = static_cast<uint8_t>(*v);
        } else if (key == "tecla") {
            readButtonKey(value, device, rep);
        } else {
            readConsoleKey(key, value, device, rep);
        }
    }
    return device;
}

Arrangement readRoot(const toml::table& root, Reporter& rep) {
    Arrangement arrangement;
    for (const auto& [keyNode, value] : root) {
        if (keyNode.str() != "dispositivo") {
            rep.error(static_cast<int>(keyNode.source().begin.line),
                      "clave desconocida " + quoted(keyNode.str()) + ": cada dispositivo es una tabla [[dispositivo]]");
            continue;
        }
        const auto* list = value.as_array();
        if (!list || !list->is_array_of_tables()) {
            rep.error(value, "los dispositivos se escriben como tablas [[dispositivo]]");
            continue;
        }
        int consoleLine = 0;
        for (const toml::node& item : *list) {
            const toml::table& table = *item.as_table();
            const int line = static_cast<int>(table.source().begin.line);
            if (arrangement.devices.size() == kMaxDevices) {
                rep.error(line, "demasiados dispositivos: como mucho " + std::to_string(kMaxDevices));
                break;
            }
            auto device = readDevice(table, rep);
            if (!device) continue;
            if (device->kind == DeviceKind::Console) {
                // SOD and SID are one line each: one terminal can be on them.
                if (consoleLine != 0) {
                    rep.error(line, "solo puede haber una consola serie (ya hay una en la línea " +
                                        std::to_string(consoleLine) + ")");
                    continue;
                }
                consoleLine = line;
            }
            arrangement.devices.push_back(std::move(*device));
        }
    }
    return arrangement;
}

void appendPort(std::string& out, uint8_t port) {
    out += '"';
    appendHex2(out, port);
    out += '"';
}

}  // namespace

std::string_view deviceKindKey(DeviceKind kind) {
    switch (kind) {
    case DeviceKind::Leds: return "leds";
    case DeviceKind::Display: return "display";
    case DeviceKind::Switches: return "interruptores";
    case DeviceKind::Button: return "pulsador";
    case DeviceKind::Console: return "consola";
    }
    return "leds";
}

std::string_view deviceKindTitle(DeviceKind kind) {
    switch (kind) {
    case DeviceKind::Leds: return "LEDs";
    case DeviceKind::Display: return "Display de 7 segmentos";
    case DeviceKind::Switches: return "Interruptores";
    case DeviceKind::Button: return "Pulsador";
    case DeviceKind::Console: return "Consola serie";
    }
    return "LEDs";
}

bool isButtonKey(char key) { return key == kSpaceKey || (key >= 'A' && key <= 'Z') || (key >= '0' && key <= '9'); }

Device newDevice(DeviceKind kind) {
    Device d;
    d.kind = kind;
    if (kind == DeviceKind::Display) d.ports = {0x00, 0x01};
    if (kind == DeviceKind::Console) d.ports.clear();
    return d;
}

Arrangement defaultArrangement() {
    Device switches = newDevice(DeviceKind::Switches);
    switches.ports = {0x00};
    Device leds = newDevice(DeviceKind::Leds);
    leds.ports = {0x01};
    Device display = newDevice(DeviceKind::Display);
    display.ports = {0x02, 0x03};
    return {{switches, leds, display}};
}

std::string arrangementText(const Arrangement& arrangement) {
    std::string out = "# Dispositivos de Vandor 8085\r\n";
    for (const Device& d : arrangement.devices) {
        out += "\r\n[[dispositivo]]\r\ntipo = \"";
        out += deviceKindKey(d.kind);
        out += "\"\r\n";
        switch (d.kind) {
        case DeviceKind::Leds:
        case DeviceKind::Switches:
        case DeviceKind::Button:
            out += "puerto = ";
            appendPort(out, d.ports.empty() ? 0 : d.ports[0]);
            out += "\r\n";
            if (d.kind == DeviceKind::Button) {
                out += "bit = " + std::to_string(d.bit) + "\r\n";
                out += "tecla = \"" + (d.key == kSpaceKey ? std::string("espacio") : std::string(1, d.key)) + "\"\r\n";
            }
            break;
        case DeviceKind::Display:
            out += "puertos = [";
            for (size_t i = 0; i < d.ports.size(); ++i) {
                if (i) out += ", ";
                appendPort(out, d.ports[i]);
            }
            out += "]\r\nhexadecimal = ";
            out += d.hexadecimal ? "true" : "false";
            out += "\r\n";
            break;
        case DeviceKind::Console:
            out += "baudios = " + std::to_string(d.serial.baud) + "\r\n";
            out += "bits_parada = " + std::to_string(d.serial.stopBits) + "\r\n";
            // A whole number of MHz is written as a float so that it reads back as one.
            std::string mhz = megahertzText(d.serial.clockHz);
            if (mhz.find('.') == std::string::npos) mhz += ".0";
            out += "reloj_mhz = " + mhz + "\r\n";
            break;
        }
    }
    return out;
}

ArrangementResult parseArrangement(std::string_view text, const std::string& displayName) {
    ArrangementResult result;
    Reporter rep;
    const std::vector<TextProblem> problems = findUnquotedNonAscii(text);
    for (const TextProblem& p : problems) rep.error(p.line, p.text);
    if (problems.empty()) {
        try {
            toml::table root = toml::parse(text, displayName);
            result.arrangement = readRoot(root, rep);
        } catch (const toml::parse_error& e) {
            rep.error(static_cast<int>(e.source().begin.line), "error de sintaxis TOML: " + std::string(e.description()));
        }
    }
    result.errors = rep.lines(displayName);
    if (!result.errors.empty()) result.arrangement = {};
    return result;
}

ArrangementResult readArrangement(const std::string& path, const std::string& displayName) {
    std::ifstream in(path, std::ios::binary);
    ArrangementResult r;
    if (!in) {
        r.errors.push_back(displayName + ": no se puede leer el fichero");
        return r;
    }
    in.seekg(0, std::ios::end);
    const std::streamoff size = in.tellg();
    if (size > kMaxFileBytes) {
        r.errors.push_back(displayName + ": el fichero es demasiado grande para ser una disposición de dispositivos");
        return r;
    }
    in.seekg(0);
    std::ostringstream text;
    text << in.rdbuf();
    if (in.bad()) {
        r.errors.push_back(displayName + ": no se puede leer el fichero");
        return r;
    }
    return parseArrangement(text.str(), displayName);
}

bool saveArrangement(const Arrangement& arrangement, const std::string& path) {
    return writeFileReplacing(path, {arrangementText(arrangement)});
}

std::string megahertzText(double hz) {
    // Integer arithmetic: the text must not follow the user's locale (a decimal comma).
    const long long khz = std::llround(hz / 1000.0);
    std::string text = std::to_string(khz / 1000);
    long long rest = khz % 1000;
    if (rest != 0) {
        std::string decimals = std::to_string(rest);
        decimals.insert(0, 3 - decimals.size(), '0');
        while (decimals.back() == '0') decimals.pop_back();
        text += "." + decimals;
    }
    return text;
}

}  // namespace vandor
