// Editor: the text editor of assembly sources. One document at a time in the text box `texto` (a
// SourceEdit: line numbers, highlighting by the assembler's own rules, error marks); the hidden label
// `filename` holds the document's path, and setFilename() — the one way a document is loaded — stores a
// path there and loads it. A modified document is guarded against loss (Yes/No/Cancel) before Nuevo,
// Abrir and closing; undoing back to the saved text makes it unmodified again. Files are written CR LF
// through a temporary file renamed over the old one, in the encoding they were read in
// (widgets/source_codec.h).
//
// The "&Ensamblar" menu saves the document and asks, through assembleRequested, for the assembly that
// the main window runs (with the load of the object file for "Ensamblar y cargar"); the main window
// then hands the errors back with setAssemblyErrors.
//
//   Editor editor(dialogs);
//   editor.setFilename("/home/ana/prog.asm");   // loads it
//   editor.show();
#pragma once

#include <QMainWindow>

#include "editor/source_edit.h"
#include "widgets/source_codec.h"

namespace vandor {
class Dialogs;
}

class Busqueda;
class ReplaceDialog;
class QAction;
class QKeyEvent;
class QLabel;
class QPlainTextEdit;

class Editor : public QMainWindow {
    Q_OBJECT
public:
    explicit Editor(vandor::Dialogs& dialogs, QWidget* parent = nullptr);
    ~Editor() override;

    // The seam may change between uses of the one editor (each command hands over its own).
    void setDialogs(vandor::Dialogs& dialogs) { dialogs_ = &dialogs; }
    vandor::Dialogs& dialogs() { return *dialogs_; }

    // Stores a path in `filename` and loads it (the empty path makes the document unnamed).
    void setFilename(const QString& path);
    QString filename() const;
    bool isModified() const;
    vandor::TextEncoding encoding() const { return encoding_; }

    // The guard against losing changes: true when the caller may go on.
    bool guardChanges();

    void Nuevo_Click();
    void Abrir_Click();
    void guardar_Click();
    void guardarcomo_Click();
    void Salir_Click();
    void Cortar_Click();
    void Copiar_Click();
    void Pegar_Click();
    void Buscar_Click();
    void Buscarsiguiente_Click();
    void Deshacer_Click();
    void Rehacer_Click();
    void Reemplazar_Click();
    // Save the document, then ask for its assembly (and for the load of its object file).
    void Ensamblar_Click();
    void EnsamblarCargar_Click();

    // The errors of an assembly of the document's file become marks at their lines (an empty list
    // clears them).
    void setAssemblyErrors(const QList<SourceError>& errors);
    // The caret at a line (from 0), the window in front.
    void showLine(int line);
    // The text's font: the one place the editor's text size is set.
    void setTextFont(const QFont& font);

    // The document as the search sees it: one character per position of the text box (line ends
    // included), no character altered.
    QString documentText() const;

    // The parts the search dialogs work on.
    SourceEdit* texto() const { return texto_; }
    QAction* buscarSiguienteAction() const { return buscarsiguiente_; }
    Busqueda* busqueda();
    ReplaceDialog* replaceDialog();

signals:
    // The document was saved as `path` and should be assembled; `load`: its object file loaded after a
    // correct assembly.
    void assembleRequested(const QString& path, bool load);

protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildMenus();
    void load();
    // guardar; true when the document is now saved under a name.
    bool save();
    void setModified(bool modified);
    void requestAssembly(bool load);
    void setCaption();
    // Writes the text to path; false (nothing replaced) when it could not be written.
    bool writeDocument(const QString& path);
    void updateClipboardActions();
    void updatePasteAction();
    bool isMenuShortcut(const QKeyEvent* key) const;

    vandor::Dialogs* dialogs_;
    SourceEdit* texto_;
    QLabel* filename_;
    QLabel* filepath_;
    Busqueda* busqueda_ = nullptr;
    ReplaceDialog* replace_ = nullptr;

    QAction* nuevo_;
    QAction* abrir_;
    QAction* guardar_;
    QAction* guardarcomo_;
    QAction* salir_;
    QAction* cortar_;
    QAction* copiar_;
    QAction* pegar_;
    QAction* buscar_;
    QAction* buscarsiguiente_;
    QAction* deshacer_;
    QAction* rehacer_;
    QAction* reemplazar_;
    QAction* ensamblar_;
    QAction* ensamblarCargar_;

    bool suppressLoad_ = false;
    vandor::TextEncoding encoding_ = vandor::TextEncoding::Utf8;
};
