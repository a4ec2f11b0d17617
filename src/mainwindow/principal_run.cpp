// Principal's run control: the single step, the continuous run with its loop on the window's thread,
// and the Halt dialog reached from inside a step.
#include <QApplication>
#include <QPushButton>

#include "inspect/listapasos.h"
#include "mainwindow/principal.h"
#include "widgets/dialogs.h"

using vandor::StopReason;

void Principal::updateRunControls() {
    const bool running = sim_.running();
    Ejecutar_->setText(running ? QStringLiteral("&Parar") : QStringLiteral("E&jecutar"));
    Eje_paso_->setEnabled(!running);
}

void Principal::Eje_paso_Click() {
    if (sim_.running()) return;
    sim_.step();
    if (trace_) trace_->traceChanged();
}

void Principal::Ejecutar_Click() {
    if (sim_.running()) {
        sim_.stopRun();
        updateRunControls();
        return;
    }
    sim_.startRun();
    updateRunControls();
    // Started again from inside the loop of a run that was stopped a moment ago: that loop goes on.
    if (runLoopActive_) return;
    runLoop();
}

// One step at a time, the window's events processed between two steps; the views catch up at the
// screen's pace meanwhile.
void Principal::runLoop() {
    runLoopActive_ = true;
    setDeferredViews(true);
    qApp->installEventFilter(this);
    StopReason why = StopReason::Steps;
    while (sim_.running()) {
        why = sim_.run(1);
        if (trace_) trace_->traceChanged();
        if (why != StopReason::Steps) break;
        QCoreApplication::processEvents();
    }
    qApp->removeEventFilter(this);
    setDeferredViews(false);
    runLoopActive_ = false;
    updateRunControls();
}

// During a run, the views catch up before the user's input is handled, so that what the user acts on
// is the machine as it is now.
bool Principal::eventFilter(QObject* watched, QEvent* event) {
    if (viewsDirty_) {
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
