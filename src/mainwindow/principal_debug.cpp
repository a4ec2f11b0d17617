// Principal's debugger commands: step back, step over, step out, run to here (the program view's context
// menu and Ctrl+F10), the watchpoints and the message line that tells what a step or a run ended with.
// The rules are the core's (Simulator::stepBack, the run targets, WatchList); the window starts them
// and shows the result.
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>

#include "inspect/listapasos.h"
#include "machine/flag_explanation.h"
#include "machine/vigilancia_window.h"
#include "mainwindow/grid_models.h"
#include "mainwindow/principal.h"
#include "mainwindow/program_view.h"
#include "widgets/hexbox.h"

using vandor::StopReason;

void Principal::PasoAtras_Click() {
    if (!sim_.canStepBack()) return;
    const bool action = beginAction();
    sim_.stepBack();
    if (action) endAction();
    if (trace_) trace_->traceChanged();
    updateRunControls();
    const uint16_t pc = sim_.m.pc;
    showMessage(QStringLiteral("Paso deshecho: %1 en %2")
                    .arg(QString::fromStdString(vandor::instructionText(vandor::instructionAt(sim_.m, pc))),
                         vandor::hexText(pc, 4)));
}

// On a call that is made (CALL, a Ccc whose condition holds, RST) the run goes on until the instruction
// after it; anything else is one step.
void Principal::PasoEncima_Click() {
    if (sim_.running()) return;
    const vandor::RunTarget over = vandor::stepOverTarget(sim_.m);
    if (!over.any()) {
        Eje_paso_Click();
        return;
    }
    startRun(over);
}

void Principal::SalirSub_Click() {
    if (sim_.running()) return;
    startRun(vandor::stepOutTarget(sim_.m));
}

void Principal::runToHere(uint16_t address) {
    if (sim_.running()) return;
    startRun(vandor::runToTarget(address));
}

void Principal::CeroT_Click() {
    sim_.resetTStates();
    showTStates();
}

// Digits in groups of three from five digits on, as Spanish writes numbers (12.345, 1234).
void Principal::showTStates() {
    auto grouped = [](uint64_t n) {
        QString digits = QString::number(n);
        if (digits.size() >= 5)
            for (qsizetype at = digits.size() - 3; at > 0; at -= 3) digits.insert(at, QLatin1Char('.'));
        return digits;
    };
    lblEstadosT_->setText(grouped(sim_.m.tstates));
    lblUltimaT_->setText(grouped(sim_.lastTstates()));
}

Vigilancia* Principal::watchWindow() {
    if (!vigilancia_) {
        vigilancia_ = new Vigilancia(sim_, dialogs_, this);
        connect(vigilancia_, &Vigilancia::watchesChanged, this, &Principal::refreshWatchList);
    }
    return vigilancia_;
}

void Principal::Vigilar_Click() {
    Vigilancia* window = watchWindow();
    window->refresh();
    refreshWatchList();
    if (window->isMinimized()) window->showNormal();
    window->show();
    window->raise();
    window->activateWindow();
}

void Principal::refreshWatchList() {
    lstVigilancia_->clear();
    for (const vandor::Watchpoint& w : sim_.watches.entries())
        lstVigilancia_->addItem(QString::fromStdString(vandor::watchpointText(w)));
}

void Principal::showMessage(const QString& text) {
    lblMensaje_->setText(text);
    lblMensaje_->setToolTip(text);
}

// A run stopped at a watched cell says which instruction touched which cell and shows that cell in its
// grid, selected; a single step that touched one says the same.
void Principal::showStop(StopReason why) {
    if (why != StopReason::Watch || !sim_.lastWatchHit()) return;
    const vandor::WatchHit& hit = *sim_.lastWatchHit();
    showMessage(QString::fromStdString(vandor::watchHitMessage(hit)));
    moveGridTo(hit.port ? grdport_ : grdmem_, hit.cell, true);
}

void Principal::prgContextMenu(const QPoint& at) {
    const QModelIndex index = prg_->indexAt(at);
    if (!index.isValid() || index.row() >= listing_.size()) return;
    prg_->setCurrentLine(index.row());
    const uint16_t address = listing_.line(index.row()).address;
    QMenu menu(this);
    QAction* toHere = menu.addAction(QStringLiteral("Ejecutar &hasta aquí"));
    toHere->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_F10));
    toHere->setEnabled(!sim_.running());
    QAction* breakpoint = menu.addAction(QStringLiteral("Punto de &parada"));
    breakpoint->setShortcut(QKeySequence(Qt::Key_F9));
    const QAction* chosen = menu.exec(prg_->viewport()->mapToGlobal(at));
    if (chosen == toHere) {
        runToHere(address);
    } else if (chosen == breakpoint) {
        prg_DblClick(index.row());
    }
}
