// Listapasos: the step-trace window. Its grid `lista` is a view over the simulator's trace (TraceModel);
// "Salvar" writes the trace as a text file, "Borrar" empties it, "Cerrar" and the title bar close the
// window, which discards the trace after asking when it holds rows. The line under the grid
// (`lblIndicadores`) explains the flags of the selected row's instruction, as its tool tip does.
//
// The main window calls traceChanged() after every step or batch of steps. The call only notes that the
// grid is behind; the grid catches up at most once per frame (longer when the trace is so large that
// catching up itself takes time), and at once when the window is shown, saved, cleared or closed. Each
// catch-up scrolls the grid so that its last ten rows are in view.
//
// The trace keeps its latest rows only; once older ones were dropped, the line `descartadas` above the
// grid says how many, and "Salvar" writes the rows kept. "Borrar" gives the trace's memory back.
//
//   Listapasos trace(sim, dialogs, mainWindow);
//   sim.step(); trace.traceChanged();
//   trace.show();
#pragma once

#include <QElapsedTimer>
#include <QTimer>
#include <QWidget>

namespace vandor {
class Simulator;
class Dialogs;
class TraceGrid;
class TraceModel;
}  // namespace vandor

class QLabel;
class QPushButton;

class Listapasos : public QWidget {
    Q_OBJECT
public:
    Listapasos(vandor::Simulator& sim, vandor::Dialogs& dialogs, QWidget* parent = nullptr);
    ~Listapasos() override;

    // The trace gained rows or was otherwise changed by a step.
    void traceChanged();
    // Brings the grid up to the trace now.
    void flush();

    void salvar_Click();
    void borrar_Click();
    void cerrar_Click();

protected:
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void applyScrollRule();
    void showExplanation();
    void showDropped();
    void applyZoom();

    vandor::Simulator& sim_;
    vandor::Dialogs& dialogs_;
    vandor::TraceModel* model_;
    vandor::TraceGrid* lista_;
    QLabel* indicadores_;
    QLabel* descartadas_;
    QPushButton* salvar_;
    QPushButton* borrar_;
    QPushButton* cerrar_;

    QTimer flushTimer_;
    QElapsedTimer sinceFlush_;
    qint64 flushInterval_;
};
