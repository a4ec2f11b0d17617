// The arrangement of the devices window: which devices it holds, in which order, on which ports, and
// how the user stores it in a small TOML file of their own (the program keeps no settings).
//
// The file is a list of [[dispositivo]] tables, one per device, in the window's order:
//
//   [[dispositivo]]
//   tipo = "display"          # leds, display, interruptores, pulsador, consola
//   puertos = ["02", "03"]    # one port per digit; the other devices have puerto = "01"
//   hexadecimal = false       # the port's value as two hexadecimal digits instead of segments
//
// readArrangement() checks the whole file first: every problem comes back as "NAME:LINE: what is wrong"
// and nothing of a bad file is used. saveArrangement() writes through AtomicFile.
//
//   ArrangementResult r = readArrangement("placa.toml", "placa.toml");
//   if (r.errors.empty()) window.setArrangement(r.arrangement);
//   saveArrangement(defaultArrangement(), "placa.toml");
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "machine/serial_line.h"

namespace vandor {

enum class DeviceKind { Leds, Display, Switches, Button, Console };

// The name of a kind in the file ("leds", "display", ...) and its title in the window ("LEDs", ...).
std::string_view deviceKindKey(DeviceKind kind);
std::string_view deviceKindTitle(DeviceKind kind);

inline constexpr size_t kMaxDevices = 32;
inline constexpr size_t kMaxDigits = 8;
inline constexpr double kMinClockHz = 1'000'000.0;
inline constexpr double kMaxClockHz = 10'000'000.0;

// The key that holds a push button down: a capital letter, a digit, or the space bar.
inline constexpr char kSpaceKey = ' ';
bool isButtonKey(char key);

struct Device {
    DeviceKind kind = DeviceKind::Leds;
    // One port; a display has one per digit (1 to kMaxDigits); the console has none.
    std::vector<uint8_t> ports{0};
    bool hexadecimal = false;  // display
    uint8_t bit = 0;           // push button
    char key = kSpaceKey;      // push button
    SerialFormat serial;       // console

    bool operator==(const Device&) const = default;
};

// A device of a kind as the window adds it: port 00 (two digits 00 and 01 for a display), bit 0.
Device newDevice(DeviceKind kind);

struct Arrangement {
    std::vector<Device> devices;
    bool operator==(const Arrangement&) const = default;
};

// The arrangement on first opening: switches on port 00, LEDs on 01, a display of two digits on 02
// and 03.
Arrangement defaultArrangement();

struct ArrangementResult {
    Arrangement arrangement;
    std::vector<std::string> errors;  // "NAME:LINE: what is wrong", in line order; empty when valid
};

// The file's text; every line ends in CR LF.
std::string arrangementText(const Arrangement& arrangement);
// Reads a file's text; displayName names it in the messages.
ArrangementResult parseArrangement(std::string_view text, const std::string& displayName);
ArrangementResult readArrangement(const std::string& path, const std::string& displayName);
// False when the file could not be written; an older file is then left as it was.
bool saveArrangement(const Arrangement& arrangement, const std::string& path);

// "3.072": a clock in MHz as the file writes it (up to three decimals, no trailing 0).
std::string megahertzText(double hz);

}  // namespace vandor
