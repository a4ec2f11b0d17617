// The updater's command line and its progress figure, without Qt.
//
// The command line is a download address, optionally a blank and a target file name, optionally a final
// "&" asking for the downloaded program to be started afterwards. The target always lies in the
// updater's own folder, so a name that would lead out of it makes the command line unusable.
//
//   std::optional<DownloadRequest> r = parseCommandLine("http://host/dist/prog.exe &");
//   // r->address == "http://host/dist/prog.exe", r->target == "prog.exe", r->runAfterwards
//   progressPercent(10240, 1025);   // 10: the first 1024 of 10240 bytes have arrived
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "common/text.h"

namespace kepplet {

struct DownloadRequest {
    std::string address;
    std::string target;  // a plain file name, no folder
    bool runAfterwards = false;
};

// Blanks trimmed from both ends (only blanks: line breaks stay). Header-only, shared with the simulator.
using vandor::trimBlanks;

// False for names that would not stay a plain file in the updater's folder: empty, "." or "..", or
// holding a path separator, a drive colon or a control character.
bool isPlainFileName(std::string_view name);

// The request in a command line, or nothing when the program has nothing usable to do.
std::optional<DownloadRequest> parseCommandLine(std::string_view commandLine);

// The per cent shown when `total` bytes are announced and the next byte to arrive is number `next`
// (counting from 1): 100 - floor(100 × (total - next + 1) / total); 100 once all have arrived.
int progressPercent(std::int64_t total, std::int64_t next);

}  // namespace kepplet
