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

#include "common/sinks.h"

namespace vandor {

struct AssemblyPaths {
    std::string source, object, listing;
};

// The object and listing paths of a source path: "ASM" at the end (any case) is replaced by "HEX" and
// "LST"; otherwise ".HEX" and ".LST" are appended.
AssemblyPaths assemblyPaths(const std::string& sourcePath);

// Assembles sourcePath; on success writes the object file to objectPath. True only when no error was
// found and the object file was written. filelst receives the listing, filehex the error log or, after
// a successful run, the object records.
bool Ensambla(const std::string& sourcePath, const std::string& objectPath, TextSink& filelst, TextSink& filehex,
              MessageSink& messages);

// Stores the listing text (to a temporary file renamed over the old one). "Error creando fichero" on
// failure.
bool creafilelst(const std::string& listingText, const std::string& listingPath, MessageSink& messages);

}  // namespace vandor
