// Busqueda: the editor's find dialog. The user types the text to find in `cadena`, chooses in `may`
// whether case must match and presses Buscar; the dialog hides itself and selects the next occurrence
// in the editor's text. The hidden label `dirini` keeps the position (1-based) of the last match, so
// that the editor's "Buscar siguiente" (Buscar_Click run again without the dialog) continues after it.
// At the end of the text the user may go on from the beginning.
//
//   Busqueda* find = editor.busqueda();     // the one instance, kept between uses
//   find->exec();                           // modal; Buscar or Escape hides it
//   find->Buscar_Click();                   // "Buscar siguiente"
#pragma once

#include <QDialog>

#include "widgets/twips_layout.h"

class Editor;
class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;

class Busqueda : public QDialog {
    Q_OBJECT
public:
    explicit Busqueda(Editor& editor);

    void Buscar_Click();
    void cancel_Click();

    // Escape hides the dialog as cancel does.
    void reject() override { cancel_Click(); }

protected:
    void showEvent(QShowEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void applyZoom();
    void relayout();
    void cadena_Change();
    void select(qsizetype position, qsizetype length);

    Editor& editor_;
    QLineEdit* cadena_;
    QCheckBox* may_;
    QPushButton* buscar_;
    QPushButton* cancel_;
    QLabel* dirini_;
    vandor::TwipsLayout layout_;
    int extra_ = 0;  // the room the check box's caption needs beyond its twips
};
