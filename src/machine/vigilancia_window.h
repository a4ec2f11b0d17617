// Vigilancia: the watchpoint window. It lists the simulator's watchpoints and adds and removes them: a
// memory address or range, or a port or range, watched for writes, reads or both. The addresses are typed
// in the main window's hexadecimal entry boxes ("Valor incorrecto" for a bad entry); "Hasta" left empty
// watches one cell. The list is the simulator's: a run in progress sees a change at its next batch.
//
//   Vigilancia watches(sim, dialogs, mainWindow);
//   watches.show();
#pragma once

#include <QWidget>
#include <optional>

namespace vandor {
class Dialogs;
class HexBox;
class Simulator;
struct Watchpoint;
}  // namespace vandor

class QComboBox;
class QLabel;
class QListWidget;
class QPushButton;
class QRadioButton;

class Vigilancia : public QWidget {
    Q_OBJECT
public:
    Vigilancia(vandor::Simulator& sim, vandor::Dialogs& dialogs, QWidget* parent = nullptr);

    void Anadir_Click();
    void Quitar_Click();

    // Shows the simulator's list again (after it was changed elsewhere).
    void refresh();

signals:
    // The list changed (the main window marks the watched cells).
    void watchesChanged();

private:
    void applyZoom();
    void kindChanged();
    // The watchpoint the entry boxes describe, or nothing after telling the user what is wrong.
    std::optional<vandor::Watchpoint> entered();

    vandor::Simulator& sim_;
    vandor::Dialogs& dialogs_;
    QListWidget* lista_;
    QRadioButton* optMemoria_;
    QRadioButton* optPuerto_;
    QLabel* lblDesde_;
    QLabel* lblHasta_;
    vandor::HexBox* txtDesde_;
    vandor::HexBox* txtHasta_;
    vandor::HexBox* txtPuertoDesde_;
    vandor::HexBox* txtPuertoHasta_;
    QComboBox* cboAcceso_;
    QPushButton* Anadir_;
    QPushButton* Quitar_;
    QPushButton* cerrar_;
};
