// The three-pass assembler: a source file in, an object file and a listing out. It never touches the
// machine. The listing and the error log are built in two text sinks (the assembler window's filelst and
// filehex; vandor-cli collects them as strings); message-box texts go to the message sink.
//
//   StringSink filelst, filehex; CollectingMessages boxes;
//   AssemblyPaths paths = assemblyPaths("prog.asm");     // prog.HEX, prog.LST
//   bool ok = Ensambla(paths.source, paths.object, filelst, filehex, boxes);
//   creafilelst(filelst.text, paths.listing, boxes);     // after every run, failed ones too
#pragma once

#include <string>
#include <vector>

#include "assembler/driver.h"
#include "common/sinks.h"
#include "common/text_encoding.h"

namespace vandor {

struct AssemblyPaths {
    std::string source, object, listing;
};

// The object and listing paths of a source path: "ASM" at the end (any case) is replaced by "HEX" and
// "LST"; otherwise ".HEX" and ".LST" are appended.
AssemblyPaths assemblyPaths(const std::string& sourcePath);

// What a window needs of a run besides its texts: the encoding of the source (and so of the listing and
// the error log) and the errors reported, with their lines.
struct AssemblyReport {
    TextEncoding encoding = TextEncoding::Utf8;
    std::vector<AssemblyError> errors;
};

// Assembles sourcePath; on success writes the object file to objectPath. True only when no error was
// found and the object file was written. filelst receives the listing, filehex the error log or, after
// a successful run, the object records; both in the source's encoding. The report, when asked for, is
// filled from the run.
bool Ensambla(const std::string& sourcePath, const std::string& objectPath, TextSink& filelst, TextSink& filehex,
              MessageSink& messages, AssemblyReport* report = nullptr);

// Stores the listing text (to a temporary file renamed over the old one). "Error creando fichero" on
// failure.
bool creafilelst(const std::string& listingText, const std::string& listingPath, MessageSink& messages);

}  // namespace vandor
