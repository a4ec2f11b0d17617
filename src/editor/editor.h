// Editor: the plain text editor of assembly sources. One document at a time in the text box `texto`;
// the hidden label `filename` holds the document's path, and setFilename() — the one way a document is
// loaded — stores a path there and loads it. A modified document is guarded against loss (Yes/No/Cancel)
// before Nuevo, Abrir and closing. Files are written CR LF through a temporary file renamed over the
// old one, in the encoding they were read in (widgets/source_codec.h).
//
//   Editor editor(dialogs);
//   editor.setFilename("/home/ana/prog.asm");   // loads it
//   editor.show();
#pragma once

#include <QMainWindow>

#include "widgets/source_codec.h"

namespace vandor {
class Dialogs;
}

class Busqueda;
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
    bool isModified() const { return modified_; }
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

    // The document as the search sees it: one character per position of the text box (line ends
    // included), no character altered.
    QString documentText() const;

    // The parts the search dialog works on.
    QPlainTextEdit* texto() const { return texto_; }
    QAction* buscarSiguienteAction() const { return buscarsiguiente_; }
    Busqueda* busqueda();

protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildMenus();
    void load();
    void setCaption();
    // Writes the text to path; false (nothing replaced) when it could not be written.
    bool writeDocument(const QString& path);
    void updateClipboardActions();
    void updatePasteAction();
    bool isMenuShortcut(const QKeyEvent* key) const;

    vandor::Dialogs* dialogs_;
    QPlainTextEdit* texto_;
    QLabel* filename_;
    QLabel* filepath_;
    Busqueda* busqueda_ = nullptr;

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

    bool modified_ = false;
    bool suppressLoad_ = false;
    vandor::TextEncoding encoding_ = vandor::TextEncoding::Utf8;
};
