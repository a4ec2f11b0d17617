// Principal's Editar and Ensamblar commands, the editor's own assembly commands and the way from an
// error in the assembler window to its line in the editor, and the editor's say in the close request.
// The editor is one window, created on first use and owned by the main window.
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include "assembler/assembler.h"
#include "assembler/ensamblador_window.h"
#include "editor/editor.h"
#include "mainwindow/principal.h"
#include "widgets/dialogs.h"

namespace {

const QString kSourceFilter = QStringLiteral("Fichero ensamblador (*.asm)|*.asm|Todos los ficheros (*.*)|*.*");

QString fromNative(const std::string& path) { return QFile::decodeName(QByteArray::fromStdString(path)); }

// Whether two paths name one file (through links and "..", when it exists).
bool sameFile(const QString& a, const QString& b) {
    if (a.isEmpty() || b.isEmpty()) return false;
    const QFileInfo x(a), y(b);
    if (x.exists() && y.exists()) return x.canonicalFilePath() == y.canonicalFilePath();
    return x.absoluteFilePath() == y.absoluteFilePath();
}

}  // namespace

Editor* Principal::editorWindow() const { return editor_.data(); }

Editor* Principal::editor() {
    if (!editor_) {
        // A window of its own, not kept above the main window; deleted with it.
        editor_ = new Editor(dialogs_);
        editor_->setWindowIcon(windowIcon());
        connect(editor_, &Editor::assembleRequested, this,
                [this](const QString& path, bool load) { assembleFile(path, load, editor_); });
    }
    return editor_;
}

// Brings the editor to the front when it is shown (restoring it when minimised); otherwise asks for a
// source file, loads it and shows the editor modeless.
void Principal::Editar_Click() {
    if (editor_ && editor_->isVisible()) {
        if (editor_->isMinimized()) editor_->showNormal();
        editor_->raise();
        editor_->activateWindow();
        return;
    }
    const QString path =
        dialogs_.openFile(this, {QStringLiteral("Editar fichero .ASM"), kSourceFilter, QStringLiteral("*.asm")});
    if (path.isEmpty()) return;
    editor()->setFilename(path);
    editor_->showNormal();
    editor_->raise();
    editor_->activateWindow();
}

// Asks for a source file, derives the object and listing paths and assembles it in the modal assembler
// window.
void Principal::Ensamblar_Click() {
    const QString path =
        dialogs_.openFile(this, {QStringLiteral("Ensamblar fichero .ASM"), kSourceFilter, QStringLiteral("*.asm")});
    if (path.isEmpty()) return;
    assembleFile(path, false, this);
}

void Principal::assembleFile(const QString& path, bool load, QWidget* over) {
    if (!QFileInfo(path).isFile()) {
        dialogs_.message(over, QStringLiteral("El fichero: ") + QDir::toNativeSeparators(path) +
                                   QStringLiteral(" no existe"));
        return;
    }
    const vandor::AssemblyPaths paths = vandor::assemblyPaths(QFile::encodeName(path).toStdString());
    Ensamblador window(dialogs_, over);
    window.setPaths(fromNative(paths.source), fromNative(paths.object), fromNative(paths.listing));
    // A double click on an error closes the window; its line is shown once the window is gone.
    int requestedLine = -1;
    connect(&window, &Ensamblador::sourceLineRequested, this, [&](const QString&, int line) { requestedLine = line; });
    window.exec();

    if (requestedLine >= 0) openSourceAt(path, requestedLine);
    // The marks of this assembly, in the editor that holds its source (none after a correct one).
    if (editor_ && sameFile(editor_->filename(), path)) {
        QList<SourceError> errors;
        for (const vandor::AssemblyError& e : window.errors())
            errors.append({e.line, QString::fromStdString(e.message)});
        editor_->setAssemblyErrors(errors);
    }
    if (load && window.succeeded()) loadObject(fromNative(paths.object), over);
}

void Principal::openSourceAt(const QString& path, int line) {
    Editor* e = editor();
    if (!sameFile(e->filename(), path)) {
        // Another document: guarded like any change of document (a hidden editor was guarded when it
        // was closed).
        if (e->isVisible() && !e->guardChanges()) return;
        e->setFilename(path);
    }
    e->showLine(line);
}

// True when there is no shown editor, its document is unchanged, or the user saved it (Yes) or chose not
// to (No); false on Cancel or a failed save. When it returns true the editor is hidden.
bool Principal::editorAllowsClose() {
    if (!editor_ || !editor_->isVisible()) return true;
    if (!editor_->guardChanges()) return false;
    editor_->hide();
    return true;
}
