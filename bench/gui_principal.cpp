// The main window: start-up until first painted, one full refresh (regen) with the window shown, and
// the continuous run in the shown window (trace recorded, views refreshed after every step, events
// processed between steps). Runs offscreen unless QT_QPA_PLATFORM says otherwise.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QTest>
#include <QTimer>
#include <memory>

#include "inspect/listapasos.h"
#include "mainwindow/principal.h"
#include "widgets/scripted_dialogs.h"
#include "gui_bench_main.h"

namespace {

void showAndPaint(Principal& w) {
    w.show();
    (void)QTest::qWaitForWindowExposed(&w);
    QCoreApplication::processEvents();
}

// Construction, Form_Load and the first paint.
void BM_StartUp(benchmark::State& state) {
    vandor::ScriptedDialogs dialogs;
    for (auto _ : state) {
        auto w = std::make_unique<Principal>(dialogs);
        showAndPaint(*w);
        state.PauseTiming();
        w.reset();
        QCoreApplication::processEvents();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_StartUp)->Unit(benchmark::kMillisecond)->Iterations(20);

// regen after a step's worth of change: registers, PC moving through a program, a memory byte.
void BM_Regen(benchmark::State& state) {
    vandor::ScriptedDialogs dialogs;
    Principal w(dialogs);
    showAndPaint(w);
    vandor::Machine& m = w.simulator().m;
    for (uint16_t a = 0; a < 0x400; a += 2) m.savmem(a, 0x3E);  // MVI A,3E throughout
    uint32_t n = 0;
    for (auto _ : state) {
        ++n;
        m.a = static_cast<uint8_t>(n);
        m.f = static_cast<uint8_t>(n * 7);
        m.pc = static_cast<uint16_t>((n * 2) & 0x3FE);
        m.recomputePairs();
        w.regen();
    }
    QCoreApplication::processEvents();
}
BENCHMARK(BM_Regen)->Unit(benchmark::kMicrosecond);

// A single step ("&Paso") of a loop through memory, views refreshed at once: INR A, MOV M,A, INX H, JMP.
void BM_SingleStep(benchmark::State& state) {
    vandor::ScriptedDialogs dialogs;
    Principal w(dialogs);
    showAndPaint(w);
    vandor::Simulator& sim = w.simulator();
    sim.recordTrace = false;  // the trace's own cost is measured with the trace window
    const uint8_t program[] = {0x21, 0x00, 0x20, 0x3C, 0x77, 0x23, 0xC3, 0x03, 0x00};
    for (size_t i = 0; i < sizeof program; ++i) sim.m.savmem(static_cast<uint16_t>(i), program[i]);
    w.regen();
    for (auto _ : state) sim.step();
    QCoreApplication::processEvents();
}
BENCHMARK(BM_SingleStep)->Unit(benchmark::kMicrosecond);

// A student's loop through memory, run for a second in the shown window with the trace window open.
void BM_Run(benchmark::State& state) {
    vandor::ScriptedDialogs dialogs;
    Principal w(dialogs);
    showAndPaint(w);
    if (state.range(0)) w.listains_Click();
    vandor::Simulator& sim = w.simulator();
    const uint8_t program[] = {0x21, 0x00, 0x20,  // LXI H,2000
                               0x3C,              // INR A
                               0x77,              // MOV M,A
                               0x23,              // INX H
                               0xC3, 0x03, 0x00}; // JMP 0003
    for (size_t i = 0; i < sizeof program; ++i) sim.m.savmem(static_cast<uint16_t>(i), program[i]);
    w.regen();
    uint64_t steps = 0;
    double seconds = 0;
    for (auto _ : state) {
        sim.trace.clear();
        const uint64_t before = sim.stepsExecuted();
        QTimer::singleShot(1000, &w, [&w] { w.Ejecutar_Click(); });
        QElapsedTimer clock;
        clock.start();
        w.Ejecutar_Click();
        seconds += clock.nsecsElapsed() / 1e9;
        steps += sim.stepsExecuted() - before;
    }
    state.counters["steps_per_s"] = steps / seconds;
    state.counters["us_per_step"] = seconds * 1e6 / steps;
}
BENCHMARK(BM_Run)->Arg(0)->Arg(1)->ArgName("trace_window")->Unit(benchmark::kMillisecond)->Iterations(2);

}  // namespace

int main(int argc, char** argv) { return runWindowBenchmarks(argc, argv); }
