// One run of the assembler over source bytes already read: the three passes, the listing and the error
// log in the two sinks, and the code image of a run without errors. Ensambla (assembler.h) reads the
// file, calls this, and hands the image to the object-file writer.
//
//   AssemblyRun run;
//   if (assembleSource(bytes, filelst, filehex, messages, run)) use(*run.image);
//   run.lastPass;                          // 1, 2 or 3: the pass whose listing filelst holds
//   run.errors[0].line;                    // raw line of the first error reported
//   run.errorsLeftOut;                     // reports too many to write, told in a last line
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "assembler/encoding_table.h"
#include "assembler/numbers.h"
#include "assembler/scanner.h"
#include "common/sinks.h"
#include "common/text_encoding.h"
#include "hexfile/hexfile.h"

namespace vandor {

inline constexpr std::string_view kMsgDireccion = "Dirección incorrecta";
inline constexpr std::string_view kMsgDuplicada = "Etiqueta duplicada";
inline constexpr std::string_view kMsgOperando = "Operando incorrecto";

// One error report as written: where it stands in the listing and in the error log, so that a window can
// lead from either line to the source line.
struct AssemblyError {
    int32_t line = 0;          // raw line of the statement, from 0
    std::string message;       // UTF-8
    size_t listingLine = 0;    // line of its "==> ERROR: " in the listing (of the pass that stopped the run)
    size_t logLine = 0;        // line of its "==>" and raw line in the error log; "Línea: …" follows
};

struct AssemblyRun {
    SourceText source;
    SymbolTable symbols;
    std::unique_ptr<CodeImage> image;  // set only after a run without errors
    int lastPass = 0;
    int errorCount = 0;         // error reports written
    int64_t errorsLeftOut = 0;  // reports past the size budget: counted, not written
    // The source's encoding; the listing and the error log repeat its lines and are written in it whole.
    TextEncoding encoding = TextEncoding::Utf8;
    std::vector<AssemblyError> errors;  // the reports written, in order
};

// True when no pass reported an error; run.image then holds the code image. The bytes must outlive run
// (its raw lines are views into them).
bool assembleSource(std::string_view bytes, TextSink& filelst, TextSink& filehex, MessageSink& messages,
                    AssemblyRun& run);

}  // namespace vandor
