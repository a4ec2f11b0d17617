#include "mainwindow/editor_command.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QPointer>

#include "assembler/assembler.h"
#include "assembler/ensamblador_window.h"
#include "editor/editor.h"
#include "widgets/dialogs.h"

namespace {

const QString kSourceFilter = QStringLiteral("Fichero ensamblador (*.asm)|*.asm|Todos los ficheros (*.*)|*.*");

// The one editor, created on first use.
QPointer<Editor> theEditor;

QString fromNative(const std::string& path) { return QFile::decodeName(QByteArray::fromStdString(path)); }

}  // namespace

Editor* editorInstance() { return theEditor.data(); }

void Editar_Click(QWidget* parent, vandor::Dialogs& dialogs) {
    if (theEditor && theEditor->isVisible()) {
        if (theEditor->isMinimized()) theEditor->showNormal();
        theEditor->raise();
        theEditor->activateWindow();
        return;
    }
    const QString path =
        dialogs.openFile(parent, {QStringLiteral("Editar fichero .ASM"), kSourceFilter, QStringLiteral("*.asm")});
    if (path.isEmpty()) return;
    if (!theEditor) {
        // A window of its own, not kept above the main window, but gone with it.
        theEditor = new Editor(dialogs);
        if (parent) {
            theEditor->setWindowIcon(parent->windowIcon());
            QObject::connect(parent, &QObject::destroyed, theEditor.data(), [] { delete theEditor.data(); });
        }
    }
    theEditor->setDialogs(dialogs);
    theEditor->setFilename(path);
    theEditor->showNormal();
    theEditor->raise();
    theEditor->activateWindow();
}

void Ensamblar_Click(QWidget* parent, vandor::Dialogs& dialogs) {
    const QString path =
        dialogs.openFile(parent, {QStringLiteral("Ensamblar fichero .ASM"), kSourceFilter, QStringLiteral("*.asm")});
    if (path.isEmpty()) return;
    if (!QFileInfo(path).isFile()) {
        dialogs.message(parent, QStringLiteral("El fichero: ") + QDir::toNativeSeparators(path) +
                                    QStringLiteral(" no existe"));
        return;
    }
    const vandor::AssemblyPaths paths = vandor::assemblyPaths(QFile::encodeName(path).toStdString());
    Ensamblador window(dialogs, parent);
    window.setPaths(fromNative(paths.source), fromNative(paths.object), fromNative(paths.listing));
    window.exec();
}

bool editorAllowsClose(QWidget*, vandor::Dialogs& dialogs) {
    if (!theEditor || !theEditor->isVisible()) return true;
    theEditor->setDialogs(dialogs);
    if (!theEditor->guardChanges()) return false;
    theEditor->hide();
    return true;
}
