// Intel HEX object files: the writer the assembler calls with its code image, and the loader of the
// main window's load command. Record types 00 and 01 only, 16-bit addresses.
//
//   CodeImage image; image.fill(-1); image[0] = 0x3E;
//   creafilehex(image, "PROG.HEX", filehex, messages);   // ":010000003EC1", ":00000001FF"
//   bool ok = carga(machine, "PROG.HEX", messages);      // bytes stored through savmem
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "common/sinks.h"
#include "machine/machine.h"

namespace vandor {

// One entry per address: -1 (nothing assembled there) or a byte 0..255.
using CodeImage = std::array<int16_t, 0x10000>;

// Writes the object file (to a temporary file renamed over the old one) and appends every written line
// with its CR LF to filehex. On failure: "Error creando fichero" to messages, false.
bool creafilehex(const CodeImage& memo, const std::string& fhex, TextSink& filehex, MessageSink& messages);

// The text of every record of the image, as creafilehex writes it (CR LF line ends).
std::string hexRecords(const CodeImage& memo);

enum ExtlinficResult { kRecordStored = 0, kFormatError = 1, kChecksumError = 2, kEndRecord = 5 };

// Decodes one line (without its line end) and stores a data record's bytes with savmem, then synmem.
// *readError (when given) is set for a data record that cannot be decoded (fewer than two characters
// after the ":") or whose bytes run past FFFF; its bytes up to FFFF have been stored.
int extlinfic(Machine& m, std::string_view line, bool* readError = nullptr);

// The largest object file read: a full 64 KiB image takes under 200 KB of records.
inline constexpr long long kMaxObjectFileSize = 16ll * 1024 * 1024;

// Loads an object file into memory. True on a complete, correct load; otherwise its message has been sent:
// "Error en lectura" (also for anything but a regular file, and for a file over kMaxObjectFileSize), or
// "Error en fichero " + path + "." + CR + the reason ("Formato incorrecto.", "No hay código de fin.",
// "Error de checksum."). Lines may end in CR LF, LF or CR. Bytes stored before an error stay in memory.
bool carga(Machine& m, const std::string& path, MessageSink& messages);

// The same load from the file's contents already in memory; path only names the file in the messages.
bool cargaText(Machine& m, std::string_view contents, const std::string& path, MessageSink& messages);

// Whether a message of the loader is shown right-aligned (the three "Error en fichero" messages).
bool isRightAlignedLoadMessage(std::string_view text);

}  // namespace vandor
