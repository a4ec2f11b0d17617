// Principal's Editar and Ensamblar commands, and the editor's say in the close request. The editor is
// one window, created on the first Editar that chose a file and owned by the main window.
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

}  // namespace

Editor* Principal::editorWindow() const { return editor_.data(); }

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
    if (!editor_) {
        // A window of its own, not kept above the main window; deleted with it.
        editor_ = new Editor(dialogs_);
        editor_->setWindowIcon(windowIcon());
    }
    editor_->setFilename(path);
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
    if (!QFileInfo(path).isFile()) {
        dialogs_.message(this, QStringLiteral("El fichero: ") + QDir::toNativeSeparators(path) +
                                   QStringLiteral(" no existe"));
        return;
    }
    const vandor::AssemblyPaths paths = vandor::assemblyPaths(QFile::encodeName(path).toStdString());
    Ensamblador window(dialogs_, this);
    window.setPaths(fromNative(paths.source), fromNative(paths.object), fromNative(paths.listing));
    window.exec();
}

// True when there is no shown editor, its document is unchanged, or the user saved it (Yes) or chose not
// to (No); false on Cancel or a failed save. When it returns true the editor is hidden.
bool Principal::editorAllowsClose() {
    if (!editor_ || !editor_->isVisible()) return true;
    if (!editor_->guardChanges()) return false;
    editor_->hide();
    return true;
}
