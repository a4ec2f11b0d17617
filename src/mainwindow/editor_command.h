// The main window's commands that open the editor and the assembler window, and the editor's say in the
// main window's close request.
//
//   connect(editarButton, &QPushButton::clicked, this, [this] { Editar_Click(this, dialogs); });
//   connect(ensamblarButton, &QPushButton::clicked, this, [this] { Ensamblar_Click(this, dialogs); });
//   if (!editorAllowsClose(this, dialogs)) { event->ignore(); return; }
#pragma once

class Editor;
class QWidget;

namespace vandor {
class Dialogs;
}

// Brings the editor to the front when it is shown (restoring it when minimised); otherwise asks for a
// source file ("Editar fichero .ASM"), loads it and shows the editor modeless. The editor is one
// instance, created on first use and deleted with `parent`.
void Editar_Click(QWidget* parent, vandor::Dialogs& dialogs);

// Asks for a source file ("Ensamblar fichero .ASM"), derives the object and listing paths and assembles
// it in the modal assembler window.
void Ensamblar_Click(QWidget* parent, vandor::Dialogs& dialogs);

// The editor's guard before the program closes: true when there is no shown editor, its document is
// unchanged, or the user saved it (Yes) or chose not to (No); false on Cancel or a failed save. When it
// returns true the editor is hidden.
bool editorAllowsClose(QWidget* parent, vandor::Dialogs& dialogs);

// The editor instance, or null before the first Editar.
Editor* editorInstance();
