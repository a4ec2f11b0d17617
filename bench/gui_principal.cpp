// The main window: start-up until first painted, one full refresh (regen) with the window shown, and
// the continuous run in the shown window (trace recorded, views caught up at the screen's pace, events
// processed between batches of steps), at the default size and at 1920 x 1080 with the changed values
// highlighted, with and without the trace window, and over a trace of ten million rows; what each view
// costs to paint. Runs offscreen unless QT_QPA_PLATFORM says otherwise.
#include <benchmark/benchmark.h>

#include <QAbstractScrollArea>
#include <QApplication>
#include <QElapsedTimer>
#include <QTest>
#include <QTimer>
#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "inspect/listapasos.h"
#include "mainwindow/principal.h"
#include "widgets/scripted_dialogs.h"
#include "gui_bench_main.h"

namespace {

// Counts the paint events of one widget.
struct PaintCounter final : QObject {
    explicit PaintCounter(QWidget* widget) { widget->installEventFilter(this); }
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Paint) ++count;
        return false;
    }
    int count = 0;
};

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

// A student's loop through memory, run for 0.4 s in the shown window: range(0) 1 with the trace window
// shown, range(1) 1 in a 1920 x 1080 window, range(2) the trace's rows before each run (millions),
// range(3) 1 when the loop also writes its count to port 01 with OUT, 2 when it does with the devices
// window shown (its LEDs on port 01). The trace starts each run afresh (a run at tens of millions of
// steps a second fills hundreds of MB).
void BM_Run(benchmark::State& state) {
    vandor::ScriptedDialogs dialogs;
    Principal w(dialogs);
    if (state.range(1)) w.resize(1920, 1080);
    showAndPaint(w);
    vandor::Simulator& sim = w.simulator();
    const std::vector<uint8_t> program = {0x21, 0x00, 0x20,  // LXI H,2000
                                          0x3C,              // INR A
                                          0x77,              // MOV M,A
                                          0x23,              // INX H
                                          0xC3, 0x03, 0x00}; // JMP 0003
    const std::vector<uint8_t> withOut = {0x21, 0x00, 0x20, 0x3C, 0x77, 0xD3, 0x01,  // ... OUT 01
                                          0x23, 0xC3, 0x03, 0x00};
    const std::vector<uint8_t>& code = state.range(3) ? withOut : program;
    for (size_t i = 0; i < code.size(); ++i) sim.m.savmem(static_cast<uint16_t>(i), code[i]);
    if (state.range(3) == 2) w.Dispositivos_Click();
    w.regen();
    const uint64_t traceRows = static_cast<uint64_t>(state.range(2)) * 1'000'000;
    auto fillTrace = [&] {
        // The rows recorded without the window's views, as fast as the core goes.
        sim.trace.clear();
        if (traceRows == 0) return;
        vandor::RegenListener* views = sim.views;
        vandor::MachineObserver* observer = sim.m.observer;
        sim.views = nullptr;
        sim.m.observer = nullptr;
        sim.startRun();
        sim.run(traceRows);  // a row a step
        sim.stopRun();
        sim.views = views;
        sim.m.observer = observer;
        w.regen();
    };
    if (state.range(0)) w.listains_Click();
    QCoreApplication::processEvents();
    // How often the views are painted during the run, and the longest wait of a 1 ms timer: the time a
    // click or a key may wait before the window takes it.
    PaintCounter paints(w.findChild<QWidget*>(QStringLiteral("txtPC")));
    QElapsedTimer sinceTick;
    qint64 longestWait = 0;
    int longWaits = 0;
    QTimer ticker;
    ticker.setTimerType(Qt::PreciseTimer);
    ticker.setInterval(1);
    QObject::connect(&ticker, &QTimer::timeout, [&] {
        const qint64 wait = sinceTick.nsecsElapsed();
        longestWait = std::max(longestWait, wait);
        if (wait > 2'000'000) ++longWaits;
        sinceTick.start();
    });
    int paintsInRuns = 0;
    uint64_t steps = 0;
    double seconds = 0;
    constexpr int kRunMs = 400;
    for (auto _ : state) {
        state.PauseTiming();
        fillTrace();
        if (state.range(0)) w.traceWindow()->flush();
        QCoreApplication::processEvents();
        state.ResumeTiming();
        sinceTick.start();
        ticker.start();
        const int paintsBefore = paints.count;
        const uint64_t before = sim.stepsExecuted();
        QTimer::singleShot(kRunMs, &w, [&w] { w.Ejecutar_Click(); });
        QElapsedTimer clock;
        clock.start();
        w.Ejecutar_Click();
        seconds += clock.nsecsElapsed() / 1e9;
        steps += sim.stepsExecuted() - before;
        paintsInRuns += paints.count - paintsBefore;
        ticker.stop();
    }
    state.counters["steps_per_s"] = steps / seconds;
    state.counters["ns_per_step"] = seconds * 1e9 / steps;
    state.counters["trace_rows"] = double(sim.trace.size());
    state.counters["paints_per_s"] = paintsInRuns / seconds;
    state.counters["max_event_wait_ms"] = longestWait / 1e6;
    // Waits past 2 ms a second of run: the maximum is one wait, often the other work on the machine's
    // two cores; this says how often.
    state.counters["waits_over_2ms_per_s"] = longWaits / seconds;
}
// What each view costs to paint whole, the part of a catch-up it stands for: the median of 30 repaints
// after a run left every view with something to show, at the default size (range(0) 0) and at 1920 x
// 1080. Memory and the ports filled with changing bytes, the trace window shown.
void BM_RepaintViews(benchmark::State& state) {
    vandor::ScriptedDialogs dialogs;
    Principal w(dialogs);
    if (state.range(0)) w.resize(1920, 1080);
    showAndPaint(w);
    w.listains_Click();
    vandor::Simulator& sim = w.simulator();
    for (int a = 0; a < 0x10000; ++a) sim.m.savmem(static_cast<uint16_t>(a), static_cast<uint8_t>(a * 7 + (a >> 8)));
    for (int p = 0; p < 0x100; ++p) sim.setPort(static_cast<uint8_t>(p), static_cast<uint8_t>(p * 13));
    const uint8_t program[] = {0x21, 0x00, 0x20, 0x3C, 0x77, 0x23, 0xC3, 0x03, 0x00};
    for (size_t i = 0; i < sizeof program; ++i) sim.m.savmem(static_cast<uint16_t>(i), program[i]);
    sim.m.pc = 0;
    w.regen();
    sim.startRun();
    sim.run(3000);
    sim.stopRun();
    w.regen();
    w.traceWindow()->flush();
    QCoreApplication::processEvents();
    struct View {
        const char* name;
        QWidget* widget;
    };
    std::vector<View> views;
    for (const char* name : {"grdmem", "grdport", "prg", "pila", "lista", "txtPC"}) {
        auto* c = w.findChild<QWidget*>(QString::fromLatin1(name));
        if (!c) c = w.traceWindow()->findChild<QWidget*>(QString::fromLatin1(name));
        if (!c) continue;
        auto* area = qobject_cast<QAbstractScrollArea*>(c);
        views.push_back({name, area ? area->viewport() : c});
    }
    std::vector<std::vector<qint64>> times(views.size());
    for (auto _ : state) {
        for (size_t v = 0; v < views.size(); ++v) {
            QElapsedTimer clock;
            clock.start();
            views[v].widget->repaint();
            times[v].push_back(clock.nsecsElapsed());
        }
    }
    for (size_t v = 0; v < views.size(); ++v) {
        std::sort(times[v].begin(), times[v].end());
        state.counters[std::string(views[v].name) + "_ms"] = times[v][times[v].size() / 2] / 1e6;
    }
}
BENCHMARK(BM_RepaintViews)->Arg(0)->Arg(1)->ArgNames({"big"})->Unit(benchmark::kMillisecond)->Iterations(30);

BENCHMARK(BM_Run)
    ->Args({0, 0, 0, 0})
    ->Args({1, 0, 0, 0})
    ->Args({0, 1, 0, 0})
    ->Args({1, 1, 0, 0})
    ->Args({1, 0, 10, 0})
    ->Args({0, 0, 0, 1})
    ->Args({0, 0, 0, 2})
    ->ArgNames({"trace_window", "big", "trace_millions", "out"})
    ->Unit(benchmark::kMillisecond)
    ->Iterations(2);

}  // namespace

int main(int argc, char** argv) { return runWindowBenchmarks(argc, argv); }
