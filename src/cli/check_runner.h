// Checking students' sources against an exercise: each source is assembled in a private temporary folder
// (a .hex source is loaded as it is), then every case runs on a fresh Simulator exactly as `vandor-cli
// run` runs: load the object, apply [inicio] and the case's additions, run with the step limit, compare.
// Sources are checked by worker threads; results are handed on in source order.
//
//   CheckOptions o; o.jobs = 2; o.keepDir = "fallos";
//   SourceResult r = checkSource(exercise, "alumno1.asm", o, "alumno1");
//   std::cout << summaryLine(r) << "\n";
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "cli/check_exercise.h"
#include "cli/check_verdict.h"

namespace vandor::check {

struct CheckOptions {
    std::string keepDir;  // empty: keep nothing
    unsigned jobs = 1;
    // The longest trace kept for a failed case; the run for the trace stops there (the dump is the
    // state at the real end of the case).
    uint64_t keptTraceSteps = 100000;
};

// Checks one source. keepName is the folder under keepDir for its files.
SourceResult checkSource(const Exercise& exercise, const std::string& source, const CheckOptions& options,
                         const std::string& keepName);

// The folder name under --keep of every source: its file name without extension, made unique with
// "-2", "-3"... in source order.
std::vector<std::string> keepNames(const std::vector<std::string>& sources);

// Checks every source with options.jobs worker threads. `done` is called for each result in source
// order, never by two threads at once. Returns all results in source order.
std::vector<SourceResult> checkAll(const Exercise& exercise, const std::vector<std::string>& sources,
                                   const CheckOptions& options,
                                   const std::function<void(const SourceResult&)>& done);

}  // namespace vandor::check
