#include "cli/check_runner.h"

#include <algorithm>
#include <cctype>
#include <atomic>
#include <condition_variable>
#include <exception>
#include <filesystem>
#include <memory>
#include <mutex>
#include <optional>
#include <random>
#include <set>
#include <thread>

#include "assembler/assembler.h"
#include "cli/check_report.h"
#include "cli/run_session.h"
#include "common/sinks.h"
#include "machine/simulator.h"

namespace vandor::check {

namespace fs = std::filesystem;

namespace {

// A folder of our own under the system's temporary folder, removed with everything in it.
class TemporaryFolder {
public:
    TemporaryFolder() {
        static std::atomic<uint64_t> counter{0};
        std::error_code ec;
        const fs::path base = fs::temp_directory_path(ec);
        if (ec) return;
        std::random_device device;
        for (int attempt = 0; attempt < 100; ++attempt) {
            const uint64_t tag = (static_cast<uint64_t>(device()) << 32 | device()) ^ counter.fetch_add(1);
            fs::path candidate = base / ("vandor-check-" + std::to_string(tag));
            if (fs::create_directory(candidate, ec) && !ec) {
                fs::permissions(candidate, fs::perms::owner_all, fs::perm_options::replace, ec);
                path_ = candidate;
                return;
            }
        }
    }
    ~TemporaryFolder() {
        if (path_.empty()) return;
        std::error_code ec;
        fs::remove_all(path_, ec);
    }
    TemporaryFolder(const TemporaryFolder&) = delete;
    TemporaryFolder& operator=(const TemporaryFolder&) = delete;

    bool ok() const { return !path_.empty(); }
    const fs::path& path() const { return path_; }

private:
    fs::path path_;
};

std::vector<std::string> splitLines(const std::string& text) {
    std::vector<std::string> lines;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        std::string line = text.substr(start, end - start);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        lines.push_back(std::move(line));
        start = end + 1;
    }
    return lines;
}

// A message box text on one line: its CR and LF become blanks.
std::string oneLine(std::string text) {
    for (char& ch : text)
        if (ch == '\r' || ch == '\n') ch = ' ';
    return text;
}

bool isHexObject(const std::string& path) {
    std::string ext = fs::path(path).extension().string();
    std::transform(ext.begin(), ext.end(), ext.begin(), [](unsigned char ch) { return std::tolower(ch); });
    return ext == ".hex";
}

// The object a source gives: a .hex file as it is, or the assembler's object in a temporary folder.
struct Prepared {
    bool ok = false;
    std::string objectPath;
    std::vector<std::string> log;  // why there is no object
    std::string listing;           // empty for .hex sources
    bool assembled = false;
};

Prepared prepare(const std::string& source, const TemporaryFolder& work) {
    Prepared p;
    std::error_code ec;
    if (!fs::is_regular_file(source, ec)) {
        p.log.push_back("El fichero: " + toUtf8(source) + " no existe");
        return p;
    }
    if (isHexObject(source)) {
        p.ok = true;
        p.objectPath = source;
        return p;
    }
    if (!work.ok()) {
        p.log.push_back("No se puede crear una carpeta temporal para ensamblar " + toUtf8(source));
        return p;
    }
    // The assembler writes its object and listing beside its source: give it a copy in our folder.
    const fs::path copy = work.path() / fs::path(source).filename();
    if (!fs::copy_file(source, copy, fs::copy_options::overwrite_existing, ec)) {
        p.log.push_back("Error en lectura de " + toUtf8(source));
        return p;
    }
    const AssemblyPaths paths = assemblyPaths(copy.string());
    StringSink filelst, filehex;
    CollectingMessages boxes;
    p.assembled = true;
    p.ok = Ensambla(paths.source, paths.object, filelst, filehex, boxes);
    p.listing = std::move(filelst.text);
    if (p.ok) {
        p.objectPath = paths.object;
        return p;
    }
    // The error log is in the source's encoding, its messages included.
    for (const std::string& line : splitLines(filehex.text)) p.log.push_back(toUtf8(line, filehex.encoding));
    for (const std::string& box : boxes.messages) p.log.push_back(toUtf8(oneLine(box)));
    if (p.log.empty()) p.log.push_back("Ensamblado incorrecto");
    return p;
}

void applyState(Simulator& sim, const MachineSetup& setup) {
    using R = vandor::Register;
    constexpr R kRegisters[8] = {R::A, R::B, R::C, R::D, R::E, R::F, R::H, R::L};  // kRegisterKeys' order
    for (size_t i = 0; i < 8; ++i)
        if (setup.registers[i]) sim.setRegister(kRegisters[i], *setup.registers[i]);
    for (const ByteBlock& block : setup.memory)
        for (size_t k = 0; k < block.bytes.size(); ++k)
            sim.setMemory(static_cast<uint16_t>(block.address + k), block.bytes[k]);
    for (const ByteBlock& block : setup.ports)
        for (size_t k = 0; k < block.bytes.size(); ++k)
            sim.setPort(static_cast<uint8_t>(block.address + k), block.bytes[k]);
    sim.regen();
}

cli::RunOptions runOptions(const MachineSetup& setup, uint64_t maxSteps, bool trace) {
    cli::RunOptions o;
    o.pc = setup.pc;
    o.sp = setup.sp;
    o.maxSteps = maxSteps;
    o.sid = setup.sid;
    o.vec = setup.vec;
    o.irqs = setup.irqs;
    o.onHlt = setup.onHlt.value_or(cli::HltAnswer::Stop);
    o.breakpoints = setup.breakpoints;
    o.recordTrace = trace;
    o.inputs = setup.inputs;
    return o;
}

EndKind endKind(cli::RunEnd end) {
    switch (end) {
        case cli::RunEnd::Halt: return EndKind::Hlt;
        case cli::RunEnd::Break: return EndKind::Break;
        case cli::RunEnd::Watch:  // an exercise sets no watchpoints
        case cli::RunEnd::Steps: break;
    }
    return EndKind::Steps;
}

// One case on a fresh machine. Nullopt when the object cannot be loaded (its message in loadError).
struct CaseRun {
    std::unique_ptr<Simulator> sim;
    cli::RunResult run;
    std::unique_ptr<OutputLog> outputs;  // what OUT wrote to the ports the case expects salidas of
};

std::optional<CaseRun> runCase(const std::string& objectPath, const MachineSetup& setup, uint64_t maxSteps,
                               bool trace, std::string& loadError, const std::vector<PortValues>& expectedOutputs = {}) {
    CaseRun r;
    r.sim = std::make_unique<Simulator>();
    CollectingMessages messages;
    if (!cli::loadObject(*r.sim, objectPath, messages)) {
        loadError = messages.messages.empty() ? "Error en lectura" : toUtf8(oneLine(messages.messages.front()));
        return std::nullopt;
    }
    applyState(*r.sim, setup);
    cli::RunOptions options = runOptions(setup, maxSteps, trace);
    if (!expectedOutputs.empty()) {
        r.outputs = std::make_unique<OutputLog>();
        std::vector<uint8_t> ports;
        for (const PortValues& p : expectedOutputs) ports.push_back(p.port);
        r.outputs->keepOnly(ports);
        // Enough to tell every sequence from the expected one and to show 16 values from the first
        // difference with a "…" after them.
        size_t longest = 0;
        for (const PortValues& p : expectedOutputs) longest = std::max(longest, p.values.size());
        r.outputs->keepAtMost(longest + kShownBytes + 1);
        options.outputs = r.outputs.get();
    }
    r.run = cli::runProgram(*r.sim, options);
    return r;
}

// The files of a failed case under --keep: the dump of the real end, and the trace of a second run.
void keepCase(const fs::path& folder, size_t index, const Simulator& finished, const std::string& objectPath,
              const MachineSetup& setup, uint64_t maxSteps, const CheckOptions& options) {
    const std::string stem = "caso" + std::to_string(index + 1);
    cli::writeDump(finished.m, (folder / (stem + ".dump")).string());
    std::string ignored;
    auto traced = runCase(objectPath, setup, std::min(maxSteps, options.keptTraceSteps), true, ignored);
    if (traced) traced->sim->trace.save((folder / (stem + ".txt")).string());
}

bool makeFolder(const fs::path& folder) {
    std::error_code ec;
    fs::create_directories(folder, ec);
    return fs::is_directory(folder, ec);
}

void keepListing(const fs::path& folder, const std::string& source, const Prepared& p) {
    if (!p.assembled) return;
    CollectingMessages ignored;
    const std::string name = fs::path(source).stem().string() + ".LST";
    creafilelst(p.listing, (folder / name).string(), ignored);
}

}  // namespace

SourceResult checkSource(const Exercise& exercise, const std::string& source, const CheckOptions& options,
                         const std::string& keepName) {
    SourceResult result;
    result.file = toUtf8(source);
    TemporaryFolder work;
    const Prepared prepared = prepare(source, work);
    const bool keeping = !options.keepDir.empty();
    const fs::path folder = keeping ? fs::path(options.keepDir) / keepName : fs::path();
    bool folderReady = false;
    auto keepFolder = [&]() {
        if (!folderReady) {
            folderReady = makeFolder(folder);
            if (folderReady) keepListing(folder, source, prepared);
        }
        return folderReady;
    };

    if (!prepared.ok) {
        result.outcome = Outcome::NoEnsambla;
        result.log = prepared.log;
        if (keeping) keepFolder();
        return result;
    }
    for (size_t i = 0; i < exercise.cases.size(); ++i) {
        const Case& c = exercise.cases[i];
        const MachineSetup setup = exercise.start.then(c.additions);
        const uint64_t maxSteps = exercise.stepsFor(c);
        std::string loadError;
        auto run = runCase(prepared.objectPath, setup, maxSteps, false, loadError, c.expect.outputs);
        if (!run) {
            result.outcome = Outcome::NoEnsambla;
            result.log = {loadError};
            result.cases.clear();
            return result;
        }
        CaseResult verdict =
            judge(c.expect, run->sim->m, endKind(run->run.end), run->run.steps, run->outputs.get());
        verdict.name = c.name;
        if (verdict.outcome != Outcome::Apto && keeping && keepFolder())
            keepCase(folder, i, *run->sim, prepared.objectPath, setup, maxSteps, options);
        result.cases.push_back(std::move(verdict));
    }
    result.outcome = sourceOutcome(result.cases);
    return result;
}

std::vector<std::string> keepNames(const std::vector<std::string>& sources) {
    std::vector<std::string> names;
    std::set<std::string> used;
    for (const std::string& s : sources) {
        std::string base = fs::path(s).stem().string();
        if (base.empty() || base == "." || base == "..") base = "fuente";
        std::string name = base;
        for (int n = 2; used.count(name); ++n) name = base + "-" + std::to_string(n);
        used.insert(name);
        names.push_back(name);
    }
    return names;
}

std::vector<SourceResult> checkAll(const Exercise& exercise, const std::vector<std::string>& sources,
                                   const CheckOptions& options,
                                   const std::function<void(const SourceResult&)>& done) {
    const std::vector<std::string> names = keepNames(sources);
    std::vector<SourceResult> results(sources.size());
    std::vector<char> finished(sources.size(), 0);
    std::atomic<size_t> next{0};
    std::mutex mutex;
    size_t emitted = 0;

    auto worker = [&]() {
        for (size_t i = next.fetch_add(1); i < sources.size(); i = next.fetch_add(1)) {
            SourceResult r;
            try {
                r = checkSource(exercise, sources[i], options, names[i]);
            } catch (const std::exception& e) {
                // Out of memory or a file system failure on one source must not stop the others.
                r = SourceResult{};
                r.file = sources[i];
                r.outcome = Outcome::NoEnsambla;
                r.log = {std::string("Error al comprobar el fuente: ") + e.what()};
            }
            std::lock_guard<std::mutex> lock(mutex);
            results[i] = std::move(r);
            finished[i] = 1;
            // Hand on every result whose predecessors are all done, so the output keeps source order.
            while (emitted < sources.size() && finished[emitted]) {
                if (done) done(results[emitted]);
                ++emitted;
            }
        }
    };

    const unsigned jobs = std::max(1u, std::min<unsigned>(options.jobs, static_cast<unsigned>(sources.size())));
    std::vector<std::thread> threads;
    for (unsigned t = 1; t < jobs; ++t) threads.emplace_back(worker);
    worker();
    for (std::thread& t : threads) t.join();
    return results;
}

}  // namespace vandor::check
