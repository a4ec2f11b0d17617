// Principal's run control: the single step, the continuous run with its loop on the window's thread,
// and the Halt dialog reached from inside a step.
#include <QApplication>
#include <QElapsedTimer>
#include <QPushButton>
#include <algorithm>
#include <optional>

#include "inspect/listapasos.h"
#include "machine/flag_explanation.h"
#include "mainwindow/principal.h"
#include "widgets/dialogs.h"

using vandor::StopReason;

namespace {

// A run's batch of steps lasts about this long, so that a click or a key waits at most about this long
// and one part of a catch-up before the window takes it.
constexpr qint64 kBatchNanoseconds = 500'000;
constexpr uint64_t kFirstBatch = 1000;
constexpr uint64_t kMaxBatch = uint64_t{1} << 24;

// The next batch's size from how long the last one took: towards the target duration, changing by at
// most a factor of four at a time (a Halt dialog inside a batch is not a slow machine).
uint64_t nextBatch(uint64_t steps, qint64 nanoseconds) {
    const double ratio = double(kBatchNanoseconds) / double(std::max<qint64>(nanoseconds, 1));
    const double next = double(steps) * std::clamp(ratio, 0.25, 4.0);
    return std::clamp<uint64_t>(static_cast<uint64_t>(next), 1, kMaxBatch);
}

}  // namespace

void Principal::updateRunControls() {
    const bool running = sim_.running();
    Ejecutar_->setText(running ? QStringLiteral("&Parar") : QStringLiteral("E&jecutar"));
    Eje_paso_->setEnabled(!running);
    PasoAtras_->setEnabled(sim_.canStepBack());
    PasoEncima_->setEnabled(!running);
    SalirSub_->setEnabled(!running);
}

void Principal::Eje_paso_Click() {
    if (sim_.running()) return;
    const vandor::StepRegisters before = vandor::stepRegisters(sim_.m);
    const vandor::InstructionBytes instruction = vandor::instructionAt(sim_.m, sim_.m.pc);
    const bool action = beginAction();
    sim_.step();
    if (action) endAction();
    if (trace_) trace_->traceChanged();
    updateRunControls();
    showTStates();  // the step's own count is known only once it has ended
    // A watched cell touched by the step is said instead of the flags.
    if (sim_.lastWatchHit()) {
        showStop(StopReason::Watch);
    } else {
        showMessage(QString::fromStdString(vandor::explainFlags(instruction, before, vandor::stepRegisters(sim_.m))));
    }
}

void Principal::Ejecutar_Click() {
    if (sim_.running()) {
        sim_.stopRun();
        updateRunControls();
        return;
    }
    startRun({});
}

void Principal::startRun(const vandor::RunTarget& target) {
    beginAction();
    showMessage(QString());
    sim_.startRun(target);
    updateRunControls();
    // Started again from inside the loop of a run that was stopped a moment ago: that loop goes on.
    if (runLoopActive_) return;
    runLoop();
}

// Steps in batches of about half a millisecond, the window's events processed between two batches (a
// click on "Parar", an interrupt button or an edit acts between two steps); the views catch up at the
// screen's pace meanwhile, a group of them at a time. The batch follows the machine's speed: it is sized
// from how long the last one took. Breakpoints, HLT and a full trace end a batch at their very step. At
// the real-time and slow speeds each turn runs what the clock has made due and the window waits for the
// rest, taking events; at the slow speed the views follow each step. The speed may be changed during the
// run.
void Principal::runLoop() {
    runLoopActive_ = true;
    qApp->installEventFilter(this);
    StopReason why = StopReason::Steps;
    uint64_t batch = kFirstBatch;
    QElapsedTimer clock;
    QElapsedTimer wall;
    wall.start();
    std::optional<vandor::PacedRun> paced;
    while (sim_.running()) {
        setDeferredViews(speed_ != vandor::Speed::Slow);
        if (speed_ == vandor::Speed::Maximum) {
            paced.reset();
            clock.start();
            why = sim_.run(batch);
            batch = nextBatch(batch, clock.nsecsElapsed());
        } else {
            const double rate = speed_ == vandor::Speed::RealTime ? clockMHz_ * 1e6 : double(stepsPerSecond_);
            if (!paced || paced->speed() != speed_ || paced->rate() != rate) {
                paced.emplace(speed_, rate);
                paced->start(sim_, wall.nsecsElapsed());
            }
            const vandor::PacedTurn turn = paced->turn(sim_, wall.nsecsElapsed());
            if (turn.waitNs > 0) {
                waitForNextStep(turn.waitNs);
                continue;
            }
            why = turn.why;
        }
        if (trace_) trace_->traceChanged();
        if (why != StopReason::Steps) break;
        QCoreApplication::processEvents();
    }
    qApp->removeEventFilter(this);
    setDeferredViews(false);
    runLoopActive_ = false;
    updateRunControls();
    // "Before" is when the run started.
    endAction();
    showStop(why);
}

// During a run, the views catch up before the user's input is handled, so that what the user acts on
// is the machine as it is now.
bool Principal::eventFilter(QObject* watched, QEvent* event) {
    if (watched == canvas_ && event->type() == QEvent::Resize) relayout();
    if (viewsBehind()) {
        switch (event->type()) {
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonDblClick:
        case QEvent::KeyPress:
        case QEvent::ShortcutOverride:
        case QEvent::Shortcut:
        case QEvent::Wheel:
        case QEvent::FocusIn: flushViews(); break;
        default: break;
        }
    }
    return QWidget::eventFilter(watched, event);
}

vandor::HaltChoice Principal::chooseHaltExit(bool runInProgress) {
    // The dialog stands over views that show the state of the HLT.
    const bool deferred = deferViews_;
    setDeferredViews(false);
    vandor::HaltChoice choice;
    if (haltDialog_) {
        choice = haltDialog_->chooseHaltExit(runInProgress);
    } else {
        choice.leaveHalted = true;
    }
    setDeferredViews(deferred);
    return choice;
}
