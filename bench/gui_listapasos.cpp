// The trace window with large traces: opening it, scrolling it, saving from it, and what telling it
// about every step of a run costs. Runs offscreen unless QT_QPA_PLATFORM says otherwise.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTest>
#include <cstdio>
#include <memory>

#include "inspect/listapasos.h"
#include "inspect/trace_grid.h"
#include "machine/simulator.h"
#include "widgets/scripted_dialogs.h"
#include "gui_bench_main.h"

namespace {

// A trace of `rows` rows made as a run of NOPs through all of memory would make it.
void fill(vandor::Simulator& sim, size_t rows) {
    sim.trace.clear();
    while (sim.trace.size() < rows) {
        sim.trace.listainstru(sim.m);
        sim.m.pc = static_cast<uint16_t>(sim.m.pc + 1);
        sim.trace.listareg(sim.m);
    }
}

struct Fixture {
    vandor::Simulator sim;
    vandor::ScriptedDialogs dialogs;
    std::unique_ptr<Listapasos> window;
    vandor::TraceGrid* lista = nullptr;

    explicit Fixture(size_t rows) {
        fill(sim, rows);
        window = std::make_unique<Listapasos>(sim, dialogs);
        lista = window->findChild<vandor::TraceGrid*>(QStringLiteral("lista"));
    }
    void show() {
        window->show();
        (void)QTest::qWaitForWindowExposed(window.get());
        QCoreApplication::processEvents();
    }
};

// "Lista" pressed after a long run: the window, created while the trace was empty, is shown over a
// trace that now holds the rows, until it has painted its last rows.
void BM_Open(benchmark::State& state) {
    vandor::Simulator sim;
    vandor::ScriptedDialogs dialogs;
    for (auto _ : state) {
        state.PauseTiming();
        auto window = std::make_unique<Listapasos>(sim, dialogs);
        fill(sim, static_cast<size_t>(state.range(0)));
        window->traceChanged();
        state.ResumeTiming();
        window->show();
        (void)QTest::qWaitForWindowExposed(window.get());
        window->findChild<vandor::TraceGrid*>(QStringLiteral("lista"))->repaint();
        state.PauseTiming();
        window.reset();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_Open)->Arg(1'000'000)->Arg(10'000'000)->Unit(benchmark::kMillisecond)->Iterations(3);

// One jump of the scroll bar to another part of the trace and the repaint of the rows in view.
void BM_Scroll(benchmark::State& state) {
    Fixture f(static_cast<size_t>(state.range(0)));
    f.show();
    QScrollBar* bar = f.lista->verticalScrollBar();
    int value = 0;
    for (auto _ : state) {
        value = (value + 7'654'321) % (bar->maximum() + 1);
        bar->setValue(value);
        f.lista->repaint();
    }
}
BENCHMARK(BM_Scroll)->Arg(1000)->Arg(10'000'000)->Unit(benchmark::kMicrosecond);

// "Salvar" to a new file.
void BM_Save(benchmark::State& state) {
    Fixture f(static_cast<size_t>(state.range(0)));
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("pasos.txt"));
    for (auto _ : state) {
        state.PauseTiming();
        QFile::remove(path);
        f.dialogs.files.push_back(path);
        state.ResumeTiming();
        f.window->salvar_Click();
    }
    if (!f.dialogs.messages.isEmpty()) state.SkipWithError("save failed");
    state.counters["rows/s"] = benchmark::Counter(static_cast<double>(f.sim.trace.size()) * state.iterations(),
                                                  benchmark::Counter::kIsRate);
}
BENCHMARK(BM_Save)->Arg(1'000'000)->Arg(10'000'000)->Unit(benchmark::kMillisecond)->Iterations(3);

// The per-step path of a run with the window shown: a step, the window told, pending events let run
// (the window's catch-ups happen there). Starting from an empty trace or from one of 10 million rows.
void BM_RunStepWithWindow(benchmark::State& state) {
    Fixture f(static_cast<size_t>(state.range(0)));
    f.show();
    for (auto _ : state) {
        f.sim.step();
        f.window->traceChanged();
        QCoreApplication::processEvents();
    }
    state.counters["steps/s"] = benchmark::Counter(static_cast<double>(state.iterations()),
                                                   benchmark::Counter::kIsRate);
}
BENCHMARK(BM_RunStepWithWindow)->Arg(0)->Arg(10'000'000)->Unit(benchmark::kMicrosecond)->MinTime(1.0);

// The same without telling the window: what the window adds to a step.
void BM_RunStepWithoutWindow(benchmark::State& state) {
    Fixture f(0);
    f.show();
    for (auto _ : state) {
        f.sim.step();
        QCoreApplication::processEvents();
    }
}
BENCHMARK(BM_RunStepWithoutWindow)->Unit(benchmark::kMicrosecond)->MinTime(1.0);

// One catch-up of the grid after a batch of 100,000 steps (what a fast run adds between two repaints) and
// the repaint, on a trace of 10 million rows that is full (as many old rows leave the top of the grid as
// new ones come) and on one that still grows.
void BM_CatchUp(benchmark::State& state) {
    const bool full = state.range(0) != 0;
    vandor::Simulator sim;
    vandor::ScriptedDialogs dialogs;
    sim.trace.setCapacity(full ? 10'000'000 : 30'000'000);
    fill(sim, 10'000'000);
    Listapasos window(sim, dialogs);
    window.show();
    (void)QTest::qWaitForWindowExposed(&window);
    vandor::TraceGrid* lista = window.findChild<vandor::TraceGrid*>(QStringLiteral("lista"));
    sim.startRun();
    for (auto _ : state) {
        state.PauseTiming();
        sim.run(100'000);
        state.ResumeTiming();
        window.flush();
        lista->repaint();
    }
    state.counters["rows"] = static_cast<double>(sim.trace.size());
}
BENCHMARK(BM_CatchUp)->Arg(1)->Arg(0)->ArgName("full")->Unit(benchmark::kMillisecond)->Iterations(30);

// traceChanged() alone, on a grid that is behind by one row.
void BM_TraceChangedCall(benchmark::State& state) {
    Fixture f(0);
    f.show();
    for (auto _ : state) {
        f.sim.trace.listainstru(f.sim.m);
        f.sim.trace.listareg(f.sim.m);
        f.window->traceChanged();
    }
}
BENCHMARK(BM_TraceChangedCall)->Unit(benchmark::kNanosecond);

}  // namespace

int main(int argc, char** argv) { return runWindowBenchmarks(argc, argv); }
