// The assembler window over a large source: wall time from showing the window to the last line in its
// boxes, and the longest time the window's event loop was kept from running meanwhile (what the user
// feels as a freeze). The core alone, with plain string sinks, for comparison. Runs offscreen unless
// QT_QPA_PLATFORM says otherwise.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTimer>
#include <algorithm>
#include <cstdio>

#include "assembler/assembler.h"
#include "assembler/ensamblador_window.h"
#include "widgets/scripted_dialogs.h"
#include "gui_bench_main.h"

namespace {

// Four lines per label: a comment, a labelled instruction, an instruction, a blank line; two bytes of
// code per four lines, so 100,000 lines fit in memory.
QByteArray source(int lines) {
    QByteArray text;
    for (int i = 0; i < lines; ++i) {
        switch (i % 4) {
        case 0: text += "; bloque " + QByteArray::number(i / 4) + "\r\n"; break;
        case 1: text += "E" + QByteArray::number(i / 4) + ":   MOV A,B\r\n"; break;
        case 2: text += "        NOP             ; nada\r\n"; break;
        default: text += "\r\n"; break;
        }
    }
    return text;
}

struct SourceFile {
    QTemporaryDir dir;
    QString path;
    explicit SourceFile(int lines) : path(dir.filePath(QStringLiteral("big.asm"))) {
        QFile f(path);
        if (f.open(QIODevice::WriteOnly)) f.write(source(lines));
    }
    QString sibling(const char* name) const { return dir.filePath(QString::fromLatin1(name)); }
};

void BM_AssembleInWindow(benchmark::State& state) {
    SourceFile file(static_cast<int>(state.range(0)));
    vandor::ScriptedDialogs dialogs;
    qint64 worstStall = 0;
    for (auto _ : state) {
        Ensamblador window(dialogs);
        window.setPaths(file.path, file.sibling("big.HEX"), file.sibling("big.LST"));
        QSignalSpy done(&window, &Ensamblador::assemblyFinished);
        // A probe that should fire every 5 ms: any longer gap is time the window could not react.
        QElapsedTimer sinceTick;
        QTimer probe;
        probe.setInterval(5);
        QObject::connect(&probe, &QTimer::timeout, [&] {
            worstStall = std::max(worstStall, sinceTick.restart());
        });
        sinceTick.start();
        probe.start();
        window.show();
        if (!done.wait(120000) || !done.first().first().toBool()) state.SkipWithError("assembly failed");
        probe.stop();
        state.counters["window_ms"] = static_cast<double>(window.lastRunMilliseconds());
    }
    state.counters["worst_stall_ms"] = static_cast<double>(worstStall);
}
BENCHMARK(BM_AssembleInWindow)->Arg(10'000)->Arg(100'000)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_AssembleCoreOnly(benchmark::State& state) {
    SourceFile file(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        vandor::StringSink filelst, filehex;
        vandor::CollectingMessages messages;
        const bool ok = vandor::Ensambla(QFile::encodeName(file.path).toStdString(),
                                         QFile::encodeName(file.sibling("big.HEX")).toStdString(), filelst, filehex,
                                         messages);
        if (!ok) state.SkipWithError("assembly failed");
    }
}
BENCHMARK(BM_AssembleCoreOnly)->Arg(100'000)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace

int main(int argc, char** argv) { return runWindowBenchmarks(argc, argv); }
