// Halt: the dialog a HLT instruction brings up. It is the simulator's HaltDialog for the windows: the
// simulator asks chooseHaltExit() from inside the step, the dialog shows itself modally and returns the
// way out chosen ("RESET", an interrupt) and whether a run goes on; the simulator performs it.
//
// Created once and reused, so its controls keep their values between showings. Its vector box is one of
// the main window's hexadecimal entry boxes; an accepted vector is stored in the simulator at once and
// announced with vectorCopied(), which the main window copies into its own vector box.
//
//   Halt halt(sim, dialogs, mainWindow);
//   sim.haltDialog = &halt;
//   connect(&halt, &Halt::vectorCopied, txtVec, &QLineEdit::setText);
#pragma once

#include <QDialog>

#include "machine/simulator.h"

namespace vandor {
class Dialogs;
class HexBox;
}  // namespace vandor

class QCheckBox;
class QPushButton;
class QRadioButton;

class Halt : public QDialog, public vandor::HaltDialog {
    Q_OBJECT
public:
    Halt(vandor::Simulator& sim, vandor::Dialogs& dialogs, QWidget* parent);

    vandor::HaltChoice chooseHaltExit(bool runInProgress) override;

    void aceptar_Click();

    // Escape does not close the dialog: only "Aceptar" does.
    void reject() override {}

signals:
    void vectorCopied(const QString& text);

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void Form_Activate(bool runInProgress);
    // The vector box was left with an accepted entry: the simulator and the main window get it.
    void txtVec_LostFocus();

    vandor::Simulator& sim_;

    QRadioButton* opt_[6];
    vandor::HexBox* txtVec_;
    QCheckBox* eje_;
    QPushButton* aceptar_;
};
