// The source editor: loading and saving files (line ends, encodings, failures), the caption, the guard
// against losing changes, the menus and their enabling.
#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include "support/file_size_limit.h"
#include "support/qt_test_files.h"
#include "editor/editor.h"
#include "widgets/source_codec.h"
#include "widgets/scripted_dialogs.h"

using vandor::Dialogs;
using vandor::ScriptedDialogs;
using vandor::TextEncoding;

namespace {

using vandor::test::fileBytes;
using vandor::test::writeBytes;

using vandor::test::FileSizeLimit;

}  // namespace

class EditorTest : public QObject {
    Q_OBJECT

    QTemporaryDir dir;
    ScriptedDialogs* dialogs = nullptr;
    Editor* editor = nullptr;

    QString path(const QString& name) const { return dir.filePath(name); }
    QAction* action(const char* name) { return editor->findChild<QAction*>(QString::fromLatin1(name)); }
    QPlainTextEdit* texto() { return editor->findChild<QPlainTextEdit*>(QStringLiteral("texto")); }
    void showEditor() {
        editor->show();
        QVERIFY(QTest::qWaitForWindowExposed(editor));
    }
    void typeText(const QString& text) {
        texto()->setFocus();
        QTest::keyClicks(texto(), text);
    }

private slots:
    void init() {
        dialogs = new ScriptedDialogs;
        editor = new Editor(*dialogs);
        QApplication::clipboard()->clear();
    }
    void cleanup() {
        delete editor;
        delete dialogs;
    }

    void loadAndSaveKeepBytes_data() {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QString>("shown");
        QTest::addColumn<QByteArray>("saved");
        QTest::addColumn<int>("encoding");
        const int utf8 = int(TextEncoding::Utf8), bom = int(TextEncoding::Utf8WithBom),
                  cp1252 = int(TextEncoding::Windows1252);
        QTest::newRow("crlf") << QByteArray("MVI A,5\r\nHLT\r\n") << "MVI A,5\nHLT\n"
                              << QByteArray("MVI A,5\r\nHLT\r\n") << utf8;
        QTest::newRow("last line without end")
            << QByteArray("NOP\r\nHLT") << "NOP\nHLT\n" << QByteArray("NOP\r\nHLT\r\n") << utf8;
        QTest::newRow("lf and cr ends") << QByteArray("A\nB\rC\r\n") << "A\nB\nC\n" << QByteArray("A\r\nB\r\nC\r\n")
                                        << utf8;
        QTest::newRow("utf-8") << QByteArray("; año €\r\n") << QString::fromUtf8("; año €\n")
                               << QByteArray("; año €\r\n") << utf8;
        QTest::newRow("utf-8 bom") << QByteArray("\xEF\xBB\xBF; ñ\r\n") << QString::fromUtf8("; ñ\n")
                                   << QByteArray("\xEF\xBB\xBF; ñ\r\n") << bom;
        QTest::newRow("windows-1252") << QByteArray("; a\xF1o \x80\r\n") << QString::fromUtf8("; año €\n")
                                      << QByteArray("; a\xF1o \x80\r\n") << cp1252;
        // A no-break space and the bytes the code page leaves undefined survive unchanged.
        QTest::newRow("1252 nbsp and undefined bytes")
            << QByteArray("X\xA0Y\x81\x8D\x8F\x90\x9D\r\n") << QString::fromUtf8("X\u00A0Y\u0081\u008D\u008F\u0090\u009D\n")
            << QByteArray("X\xA0Y\x81\x8D\x8F\x90\x9D\r\n") << cp1252;
        QTest::newRow("cut utf-8 sequence is 1252")
            << QByteArray("ab\xE2\x82") << QString::fromUtf8("abâ‚\n") << QByteArray("ab\xE2\x82\r\n") << cp1252;
    }
    void loadAndSaveKeepBytes() {
        QFETCH(QByteArray, file);
        QFETCH(QString, shown);
        QFETCH(QByteArray, saved);
        QFETCH(int, encoding);
        writeBytes(path("prog.asm"), file);
        editor->setFilename(path("prog.asm"));
        QCOMPARE(texto()->toPlainText(), shown.replace(QChar(0xA0), QLatin1Char(' ')));
        QCOMPARE(int(editor->encoding()), encoding);
        QVERIFY(!editor->isModified());
        QVERIFY(dialogs->messages.isEmpty());
        editor->guardar_Click();
        QCOMPARE(fileBytes(path("prog.asm")), saved);
    }

    void emptyFileIsAReadError() {
        writeBytes(path("vacio.asm"), "");
        editor->setFilename(path("vacio.asm"));
        QCOMPARE(dialogs->messages, QStringList{QStringLiteral("Error abriendo fichero")});
        QCOMPARE(editor->windowTitle(), QStringLiteral("Vandor 8085 - vacio.asm"));
        QVERIFY(texto()->toPlainText().isEmpty());
        QVERIFY(!editor->isModified());
    }

    void missingFileAskedToCreate() {
        const QString missing = path("nuevo.asm");
        const QString question =
            QStringLiteral("El fichero ") + QDir::toNativeSeparators(missing) + QStringLiteral(" no existe\r\n¿Desea crearlo?");

        dialogs->answers = {Dialogs::Answer::No};
        editor->setFilename(missing);
        QCOMPARE(dialogs->questions, QStringList{question});
        QVERIFY(editor->filename().isEmpty());
        QCOMPARE(editor->windowTitle(), QStringLiteral("Vandor 8085 - [Sin nombre]"));

        dialogs->answers = {Dialogs::Answer::Yes};
        editor->setFilename(missing);
        QCOMPARE(editor->filename(), missing);
        QCOMPARE(editor->windowTitle(), QStringLiteral("Vandor 8085 - nuevo.asm"));
        QVERIFY(!QFile::exists(missing));
        typeText(QStringLiteral("HLT"));
        QVERIFY(editor->isModified());
        editor->guardar_Click();
        QCOMPARE(fileBytes(missing), QByteArray("HLT\r\n"));
        QVERIFY(!editor->isModified());
    }

    void nuevoOnCleanDocumentDoesNotAsk() {
        writeBytes(path("prog.asm"), "NOP\r\n");
        editor->setFilename(path("prog.asm"));
        editor->Nuevo_Click();
        QVERIFY(dialogs->questions.isEmpty());
        QVERIFY(texto()->toPlainText().isEmpty());
        QVERIFY(editor->filename().isEmpty());
        QCOMPARE(editor->windowTitle(), QStringLiteral("Vandor 8085 - [Sin nombre]"));
        QVERIFY(!editor->isModified());
    }

    void guardAnswers_data() {
        QTest::addColumn<int>("answer");
        QTest::addColumn<bool>("cleared");
        QTest::addColumn<QByteArray>("onDisk");
        QTest::newRow("yes saves") << int(Dialogs::Answer::Yes) << true << QByteArray("NOP\r\nHLT\r\n");
        QTest::newRow("no discards") << int(Dialogs::Answer::No) << true << QByteArray("NOP\r\n");
        QTest::newRow("cancel keeps") << int(Dialogs::Answer::Cancel) << false << QByteArray("NOP\r\n");
    }
    void guardAnswers() {
        QFETCH(int, answer);
        QFETCH(bool, cleared);
        QFETCH(QByteArray, onDisk);
        writeBytes(path("prog.asm"), "NOP\r\n");
        editor->setFilename(path("prog.asm"));
        showEditor();
        texto()->moveCursor(QTextCursor::End);
        typeText(QStringLiteral("HLT"));
        dialogs->answers = {Dialogs::Answer(answer)};
        editor->Nuevo_Click();
        QCOMPARE(dialogs->questions, QStringList{QStringLiteral(" prog.asm ha cambiado\r\n¿Desea guardarlo?")});
        QCOMPARE(texto()->toPlainText().isEmpty(), cleared);
        QCOMPARE(fileBytes(path("prog.asm")), onDisk);
    }

    void closingModifiedUnnamedAndCancellingSaveAs() {
        showEditor();
        typeText(QStringLiteral("MVI A,1"));
        dialogs->answers = {Dialogs::Answer::Yes};  // save it; then the save-as dialog is cancelled
        QVERIFY(!editor->close());
        QVERIFY(editor->isVisible());
        QCOMPARE(dialogs->questions, QStringList{QStringLiteral(" [Sin nombre] ha cambiado\r\n¿Desea guardarlo?")});
        QCOMPARE(dialogs->fileRequests.size(), 1);
        QCOMPARE(dialogs->fileRequests[0].title, QStringLiteral("Salvar fichero .ASM"));
        QCOMPARE(dialogs->fileRequests[0].filter,
                 QStringLiteral("Fichero ensamblador (*.asm)|*.asm|Todos los ficheros (*.*)|*.*"));
        QCOMPARE(dialogs->fileRequests[0].defaultName, QStringLiteral("*.asm"));

        // Salir with No closes without saving.
        dialogs->answers = {Dialogs::Answer::No};
        action("Salir")->trigger();
        QVERIFY(!editor->isVisible());
    }

    void saveAsRenamesWithoutReloading() {
        showEditor();
        typeText(QStringLiteral("NOP"));
        dialogs->files = {path("otro.asm")};
        editor->guardarcomo_Click();
        QCOMPARE(fileBytes(path("otro.asm")), QByteArray("NOP\r\n"));
        QCOMPARE(editor->windowTitle(), QStringLiteral("Vandor 8085 - otro.asm"));
        QCOMPARE(editor->filename(), path("otro.asm"));
        QVERIFY(!editor->isModified());
        // A reload would have replaced the text: the caret and the undo history are still those of typing.
        QCOMPARE(texto()->textCursor().position(), 3);
        QVERIFY(texto()->document()->isUndoAvailable());
        QCOMPARE(texto()->toPlainText(), QStringLiteral("NOP"));
    }

    void saveAsOverExistingFileAsks() {
        writeBytes(path("viejo.asm"), "OLD\r\n");
        typeText(QStringLiteral("NEW"));
        const QString question = QStringLiteral("El fichero ") + QDir::toNativeSeparators(path("viejo.asm")) +
                                 QStringLiteral(" ya existe\r\n¿Desea sobreescribirlo?");
        dialogs->files = {path("viejo.asm")};
        dialogs->answers = {Dialogs::Answer::No};
        editor->guardarcomo_Click();
        QCOMPARE(dialogs->questions, QStringList{question});
        QCOMPARE(fileBytes(path("viejo.asm")), QByteArray("OLD\r\n"));
        QVERIFY(editor->isModified());
        QVERIFY(editor->filename().isEmpty());

        dialogs->files = {path("viejo.asm")};
        dialogs->answers = {Dialogs::Answer::Yes};
        editor->guardarcomo_Click();
        QCOMPARE(fileBytes(path("viejo.asm")), QByteArray("NEW\r\n"));
        QVERIFY(!editor->isModified());
    }

    void failedSaveKeepsOldFileAndModifiedFlag() {
        QTemporaryDir own;
        const QString prog = own.filePath(QStringLiteral("prog.asm"));
        writeBytes(prog, "NOP\r\n");
        editor->setFilename(prog);
        texto()->selectAll();
        texto()->insertPlainText(QString(20000, QLatin1Char('X')));
        QVERIFY(editor->isModified());
        {
            FileSizeLimit limit(4096);  // the new text does not fit: the write fails part-way
            editor->guardar_Click();
        }
        QCOMPARE(dialogs->messages, QStringList{QStringLiteral("Error guardando fichero")});
        QCOMPARE(fileBytes(prog), QByteArray("NOP\r\n"));
        QVERIFY(editor->isModified());
        // Nothing but the document is left in the folder.
        QCOMPARE(QDir(own.path()).entryList(QDir::Files | QDir::Hidden), QStringList{QStringLiteral("prog.asm")});

        // The guard of a failed save keeps the window open.
        showEditor();
        dialogs->answers = {Dialogs::Answer::Yes};
        {
            FileSizeLimit limit(4096);
            QVERIFY(!editor->close());
        }
        QVERIFY(editor->isVisible());
    }

    void textOutsideCodePageIsSavedAsUtf8() {
        writeBytes(path("prog.asm"), "; a\xF1o\r\n");
        editor->setFilename(path("prog.asm"));
        QCOMPARE(editor->encoding(), TextEncoding::Windows1252);
        texto()->moveCursor(QTextCursor::End);
        texto()->insertPlainText(QString::fromUtf8("→"));
        editor->guardar_Click();
        QCOMPARE(fileBytes(path("prog.asm")), QByteArray("; año\r\n→\r\n"));
        QCOMPARE(editor->encoding(), TextEncoding::Utf8);
    }

    void initialMenuEnabling() {
        for (const char* name : {"Nuevo", "Abrir", "guardar", "guardarcomo", "Salir", "Buscar"})
            QVERIFY2(action(name)->isEnabled(), name);
        for (const char* name : {"Cortar", "Copiar", "Pegar", "Buscarsiguiente"}) QVERIFY2(!action(name)->isEnabled(), name);
        QCOMPARE(action("Salir")->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_S));
        QCOMPARE(action("guardar")->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_G));
    }

    void cutCopyAndPaste() {
        showEditor();
        typeText(QStringLiteral("MOV A,B"));
        QVERIFY(!action("Cortar")->isEnabled());
        QTest::keyClick(texto(), Qt::Key_Left, Qt::ShiftModifier);
        QTest::keyClick(texto(), Qt::Key_Left, Qt::ShiftModifier);
        QVERIFY(action("Cortar")->isEnabled());
        QVERIFY(action("Copiar")->isEnabled());
        QTest::keyClick(texto(), Qt::Key_X, Qt::ControlModifier);  // the menu's Cortar
        QCOMPARE(QApplication::clipboard()->text(), QStringLiteral(",B"));
        QCOMPARE(texto()->toPlainText(), QStringLiteral("MOV A"));
        QVERIFY(action("Pegar")->isEnabled());
        // With the selection gone, the next key disables Cortar and Copiar.
        QTest::keyClick(texto(), Qt::Key_Home);
        QVERIFY(!action("Cortar")->isEnabled());
        QVERIFY(!action("Copiar")->isEnabled());
        QTest::keyClick(texto(), Qt::Key_V, Qt::ControlModifier);
        QCOMPARE(texto()->toPlainText(), QStringLiteral(",BMOV A"));
        QTest::keyClick(texto(), Qt::Key_Home, Qt::ShiftModifier);
        action("Copiar")->trigger();
        QCOMPARE(QApplication::clipboard()->text(), QStringLiteral(",B"));
        QCOMPARE(texto()->toPlainText(), QStringLiteral(",BMOV A"));
    }

    void pasteEnabledOnFocusWhenClipboardHoldsText() {
        showEditor();
        editor->menuBar()->setFocus();
        QApplication::clipboard()->setText(QStringLiteral("NOP"));
        texto()->setFocus();
        QTRY_VERIFY(action("Pegar")->isEnabled());
        QApplication::clipboard()->clear();
        QTest::keyClick(texto(), Qt::Key_Right);
        QVERIFY(!action("Pegar")->isEnabled());
    }

    void menuShortcutsWinOverTheTextBox() {
        showEditor();
        typeText(QStringLiteral("NOP"));
        // Ctrl+A is Abrir here (the document is guarded first), not select-all.
        dialogs->answers = {Dialogs::Answer::Cancel};
        QTest::keyClick(texto(), Qt::Key_A, Qt::ControlModifier);
        QCOMPARE(dialogs->questions.size(), 1);
        QVERIFY(!texto()->textCursor().hasSelection());
        // Ctrl+G saves (here: save-as, cancelled), Ctrl+S leaves.
        QTest::keyClick(texto(), Qt::Key_G, Qt::ControlModifier);
        QCOMPARE(dialogs->fileRequests.size(), 1);
        QCOMPARE(dialogs->fileRequests[0].title, QStringLiteral("Salvar fichero .ASM"));
        dialogs->answers = {Dialogs::Answer::No};
        QTest::keyClick(texto(), Qt::Key_S, Qt::ControlModifier);
        QVERIFY(!editor->isVisible());
    }
};

QTEST_MAIN(EditorTest)
#include "editor_test.moc"
