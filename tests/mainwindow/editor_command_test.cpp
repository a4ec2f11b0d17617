// The main window's Editar and Ensamblar commands: their dialogs, the one editor the window owns and its
// guard before the window closes, and the paths of the files an assembly writes. The editor's own
// assembly commands ("Ensamblar", "Ensamblar y cargar"), the error marks an assembly leaves in the
// editor, and the double click that leads from an error in the assembler window to its line.
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <QLabel>
#include <QPointer>
#include <QTextBlock>

#include "assembler/ensamblador_window.h"
#include "support/qt_test_files.h"
#include "editor/editor.h"
#include "mainwindow/principal.h"
#include "widgets/scripted_dialogs.h"

using vandor::Dialogs;
using vandor::ScriptedDialogs;

namespace {

using vandor::test::fileBytes;
using vandor::test::writeBytes;

const QString kSourceFilter = QStringLiteral("Fichero ensamblador (*.asm)|*.asm|Todos los ficheros (*.*)|*.*");

// A program that stores 3E 2A at 0200 and stops; and the same with two operands the third pass rejects
// (lines 3 and 5 as the user counts them).
const QByteArray kGood = "        ORG 200H\r\n        MVI A, 2AH\r\n        HLT\r\n";
const QByteArray kBad =
    "        ORG 200H\r\n; dos errores\r\n        MVI A, FFH\r\n        NOP\r\n        JMP NADA\r\n";

// Acts in the modal assembler window once its run is over: clicks Cerrar, or double-clicks a line of
// one of its boxes.
class AssemblerDriver : public QObject {
public:
    enum class Action { Close, DoubleClickLog, DoubleClickListing };
    Action action = Action::Close;
    int line = 0;  // the box line to double-click
    int windows = 0;
    QStringList outcomes;

    AssemblerDriver() {
        timer_.setInterval(10);
        connect(&timer_, &QTimer::timeout, this, [this] { tick(); });
        timer_.start();
    }

private:
    void tick() {
        auto* w = qobject_cast<Ensamblador*>(QApplication::activeModalWidget());
        if (!w || w == seen_ || w->isRunning()) return;
        auto* cerrar = w->findChild<QPushButton*>(QStringLiteral("Cerrar"));
        if (!cerrar || !cerrar->isEnabled()) return;
        seen_ = w;
        ++windows;
        outcomes << w->findChild<QLabel*>(QStringLiteral("Label1"))->text();
        if (action == Action::Close) {
            cerrar->click();
            return;
        }
        auto* box = w->findChild<QPlainTextEdit*>(action == Action::DoubleClickLog ? QStringLiteral("filehex")
                                                                                   : QStringLiteral("filelst"));
        const QTextBlock block = box->document()->findBlockByNumber(line);
        QTextCursor at(block);
        box->setTextCursor(at);
        box->ensureCursorVisible();
        const QPoint point = box->cursorRect(at).center() + QPoint(4, 0);
        QTest::mouseDClick(box->viewport(), Qt::LeftButton, Qt::NoModifier, point);
        // A double click away from an error leaves the window open: close it then.
        if (w->isVisible()) cerrar->click();
    }

    QTimer timer_;
    QPointer<Ensamblador> seen_;
};

}  // namespace

class EditorCommandTest : public QObject {
    Q_OBJECT

    QTemporaryDir dir;
    QString path(const QString& name) const { return dir.filePath(name); }

private slots:
    void editarOpensOneEditorAndGuardsTheClose() {
        ScriptedDialogs d;
        Principal window(d);
        window.Editar_Click();  // cancelled
        QCOMPARE(d.fileRequests.size(), 1);
        QCOMPARE(d.fileRequests[0].title, QStringLiteral("Editar fichero .ASM"));
        QCOMPARE(d.fileRequests[0].filter, kSourceFilter);
        QCOMPARE(d.fileRequests[0].defaultName, QStringLiteral("*.asm"));
        QVERIFY(!window.editorWindow());

        writeBytes(path("prog.asm"), "NOP\r\n");
        d.files = {path("prog.asm")};
        window.Editar_Click();
        Editor* e = window.editorWindow();
        QVERIFY(e && e->isVisible());
        QCOMPARE(e->texto()->toPlainText(), QStringLiteral("NOP\n"));

        // Shown and minimised: restored, no dialog.
        e->showMinimized();
        window.Editar_Click();
        QCOMPARE(d.fileRequests.size(), 2);
        QVERIFY(!e->isMinimized());
        QVERIFY(e->isVisible());

        // Closing the main window with an unchanged document hides the editor.
        window.show();
        window.close();
        QVERIFY(!e->isVisible());
        d.files = {path("prog.asm")};
        window.Editar_Click();
        QCOMPARE(window.editorWindow(), e);  // one instance, reused
        e->texto()->insertPlainText(QStringLiteral("HLT\n"));

        // A changed document: Cancel keeps both windows, Yes saves and lets the close go on.
        window.show();
        d.answers = {Dialogs::Answer::Cancel};
        window.close();
        QVERIFY(e->isVisible());
        QVERIFY(window.isVisible());
        d.answers = {Dialogs::Answer::Yes};
        window.close();
        QVERIFY(!e->isVisible());
        QCOMPARE(fileBytes(path("prog.asm")), QByteArray("HLT\r\nNOP\r\n"));
    }

    void editorGoesWithTheWindow() {
        ScriptedDialogs d;
        auto window = std::make_unique<Principal>(d);
        writeBytes(path("uno.asm"), "NOP\r\n");
        d.files = {path("uno.asm")};
        window->Editar_Click();
        QPointer<Editor> e = window->editorWindow();
        QVERIFY(e);
        window.reset();
        QVERIFY(!e);
    }

    // A name typed in the open dialog for a file that does not exist yet: each command answers with its
    // own message; Editar and the editor's Abrir offer to create it, and Yes gives an empty named
    // document that the next save creates.
    void namesOfFilesThatDoNotExist() {
        ScriptedDialogs d;
        Principal window(d);
        const QString suma = path("suma.asm");
        const QString native = QDir::toNativeSeparators(suma);

        d.files = {suma};
        d.answers = {Dialogs::Answer::Yes};
        window.Editar_Click();
        QCOMPARE(d.questions, QStringList{QStringLiteral("El fichero ") + native + QStringLiteral(" no existe\r\n¿Desea crearlo?")});
        Editor* e = window.editorWindow();
        QVERIFY(e && e->isVisible());
        QCOMPARE(e->windowTitle(), QStringLiteral("Vandor 8085 - suma.asm"));
        QVERIFY(e->texto()->toPlainText().isEmpty());
        QVERIFY(!e->isModified());
        QVERIFY(!QFile::exists(suma));
        e->texto()->insertPlainText(QStringLiteral("NOP\nHLT"));
        e->guardar_Click();
        QCOMPARE(fileBytes(suma), QByteArray("NOP\r\nHLT\r\n"));
        QCOMPARE(d.fileRequests.size(), 1);  // saved without asking for a name

        // The editor's Abrir, answered No: an unnamed document.
        d.files = {path("otra.asm")};
        d.answers = {Dialogs::Answer::No};
        e->Abrir_Click();
        QCOMPARE(d.questions.last(), QStringLiteral("El fichero ") + QDir::toNativeSeparators(path("otra.asm")) +
                                         QStringLiteral(" no existe\r\n¿Desea crearlo?"));
        QCOMPARE(e->windowTitle(), QStringLiteral("Vandor 8085 - [Sin nombre]"));
        QVERIFY(e->filename().isEmpty());
        QVERIFY(!QFile::exists(path("otra.asm")));

        // Ensamblar and CargarHEX say the file is not there and change nothing.
        d.messages.clear();
        d.files = {path("falta.asm")};
        window.Ensamblar_Click();
        QCOMPARE(d.messages, QStringList{QStringLiteral("El fichero: ") + QDir::toNativeSeparators(path("falta.asm")) +
                                         QStringLiteral(" no existe")});
        d.messages.clear();
        d.files = {path("falta.hex")};
        window.CargarHEX_Click();
        QCOMPARE(d.messages, QStringList{QStringLiteral("Error en lectura")});
        QVERIFY(!QFile::exists(path("falta.asm")) && !QFile::exists(path("falta.HEX")) && !QFile::exists(path("falta.LST")));
    }

    // F7 and Ctrl+F7 in the editor: the document is saved first, the assembler window opens on its
    // file and writes the object and listing files beside it; Ctrl+F7 then loads the object file as
    // CargarHEX does, and a failed assembly loads nothing.
    void assembleCommandsOfTheEditor() {
        ScriptedDialogs d;
        Principal window(d);
        writeBytes(path("carga.asm"), kGood);
        d.files = {path("carga.asm")};
        window.Editar_Click();
        Editor* e = window.editorWindow();
        QVERIFY(e);
        QApplication::setActiveWindow(e);  // the keys go to the editor's menus
        QVERIFY(QTest::qWaitForWindowActive(e));
        AssemblerDriver driver;

        // Ensamblar (F7): saved, assembled, nothing loaded.
        e->texto()->moveCursor(QTextCursor::End);
        e->texto()->insertPlainText(QStringLiteral("        NOP\n"));
        QVERIFY(e->isModified());
        QTest::keyClick(e->texto(), Qt::Key_F7);
        QCOMPARE(driver.windows, 1);
        QVERIFY(!e->isModified());
        QCOMPARE(fileBytes(path("carga.asm")), kGood + "        NOP\r\n");
        QCOMPARE(fileBytes(path("carga.HEX")), QByteArray(":04020000" "3E2A7600" "1C\r\n:00000001FF\r\n"));
        QVERIFY(fileBytes(path("carga.LST")).startsWith("0200            "));
        QCOMPARE(window.simulator().m.mem[0x0200], 0x00);
        QVERIFY(d.messages.isEmpty());
        QCOMPARE(d.beeps, 1);

        // Ensamblar y cargar (Ctrl+F7): after "Ensamblado correcto" and Cerrar, memory holds the program.
        QApplication::setActiveWindow(e);
        QTest::keyClick(e->texto(), Qt::Key_F7, Qt::ControlModifier);
        QCOMPARE(driver.windows, 2);
        QCOMPARE(driver.outcomes.last(), QStringLiteral("Ensamblado correcto"));
        QCOMPARE(window.simulator().m.mem[0x0200], 0x3E);
        QCOMPARE(window.simulator().m.mem[0x0201], 0x2A);
        QCOMPARE(window.simulator().m.mem[0x0202], 0x76);
        QCOMPARE(d.messages, QStringList{QStringLiteral("Carga correcta")});

        // A failed assembly: its message, the old object file kept, nothing loaded.
        window.simulator().setMemory(0x0201, 0x00);
        e->texto()->selectAll();
        e->texto()->insertPlainText(QString::fromLatin1(kBad));
        QApplication::setActiveWindow(e);
        QTest::keyClick(e->texto(), Qt::Key_F7, Qt::ControlModifier);
        QCOMPARE(driver.windows, 3);
        QCOMPARE(driver.outcomes.last(), QStringLiteral("Ensamblado incorrecto"));
        QCOMPARE(d.messages.last(), QStringLiteral("Ensamblado incorrecto"));
        QCOMPARE(window.simulator().m.mem[0x0201], 0x00);
        QCOMPARE(fileBytes(path("carga.HEX")), QByteArray(":04020000" "3E2A7600" "1C\r\n:00000001FF\r\n"));
        QVERIFY(fileBytes(path("carga.LST")).contains("==> ERROR: Operando incorrecto"));
    }

    // An unnamed document asks for a name before it is assembled; cancelling that, or a save that
    // fails, assembles nothing.
    void assemblingAnUnnamedDocument() {
        ScriptedDialogs d;
        Principal window(d);
        d.files = {path("sin_nombre_aun.asm")};
        d.answers = {Dialogs::Answer::No};  // not created: an unnamed document
        window.Editar_Click();
        Editor* e = window.editorWindow();
        QVERIFY(e->filename().isEmpty());
        e->texto()->insertPlainText(QString::fromLatin1(kGood));
        AssemblerDriver driver;

        d.fileRequests.clear();
        e->Ensamblar_Click();  // the save dialog is cancelled
        QCOMPARE(d.fileRequests.size(), 1);
        QCOMPARE(d.fileRequests[0].title, QStringLiteral("Salvar fichero .ASM"));
        QCOMPARE(driver.windows, 0);

        d.files = {path("no/existe/x.asm")};
        e->Ensamblar_Click();  // a save that fails: the folder is not there
        QCOMPARE(d.messages, QStringList{QStringLiteral("Error guardando fichero")});
        QCOMPARE(driver.windows, 0);
        QVERIFY(e->filename().isEmpty());

        d.files = {path("nombrado.asm")};
        e->EnsamblarCargar_Click();
        QCOMPARE(driver.windows, 1);
        QCOMPARE(e->filename(), path("nombrado.asm"));
        QVERIFY(QFile::exists(path("nombrado.HEX")));
        QCOMPARE(window.simulator().m.mem[0x0201], 0x2A);
    }

    // The errors of an assembly of the editor's file, from either window, mark their lines with their
    // messages as tool tips; editing a line clears its mark, and the next assembly replaces them all.
    void errorMarksFromEitherWindow() {
        ScriptedDialogs d;
        Principal window(d);
        writeBytes(path("marcas.asm"), kBad);
        d.files = {path("marcas.asm")};
        window.Editar_Click();
        Editor* e = window.editorWindow();
        SourceEdit* texto = e->texto();
        AssemblerDriver driver;

        e->Ensamblar_Click();
        QCOMPARE(driver.windows, 1);
        QCOMPARE(texto->markedLines(), (QList<int>{2, 4}));
        QCOMPARE(texto->errorMessages(2), QStringList{QStringLiteral("Operando incorrecto")});
        const QRect line4 = texto->cursorRect(QTextCursor(texto->document()->findBlockByNumber(4)));
        QCOMPARE(texto->toolTipAt(line4.center().y()), QStringLiteral("Operando incorrecto"));
        QCOMPARE(texto->toolTipAt(line4.center().y() - line4.height()), QString());

        // A line typed above keeps the marks on their lines; editing line 3 (2 from 0) clears its mark.
        texto->moveCursor(QTextCursor::Start);
        texto->insertPlainText(QStringLiteral("; arriba\n"));
        QCOMPARE(texto->markedLines(), (QList<int>{3, 5}));
        QTextCursor c(texto->document()->findBlockByNumber(3));
        c.movePosition(QTextCursor::EndOfBlock);
        c.insertText(QStringLiteral(" ; visto"));
        QCOMPARE(texto->markedLines(), QList<int>{5});
        // An undo is an edit too: the line it changes back loses its mark.
        e->Deshacer_Click();
        QCOMPARE(texto->markedLines(), QList<int>{5});

        // The main window's Ensamblar on the same file (saved first by the user) marks it again.
        e->guardar_Click();
        d.files = {path("marcas.asm")};
        window.Ensamblar_Click();
        QCOMPARE(driver.windows, 2);
        QCOMPARE(texto->markedLines(), (QList<int>{3, 5}));

        // A correct assembly clears them; an assembly of another file leaves them alone.
        writeBytes(path("otro.asm"), kBad);
        d.files = {path("otro.asm")};
        window.Ensamblar_Click();
        QCOMPARE(texto->markedLines(), (QList<int>{3, 5}));
        texto->selectAll();
        texto->insertPlainText(QString::fromLatin1(kGood));
        e->Ensamblar_Click();
        QCOMPARE(driver.windows, 4);
        QCOMPARE(texto->markedLines(), QList<int>());
    }

    // A double click on an error in the assembler window (a line of the log, or a "==> ERROR" line of
    // the listing) closes it and shows the source in the editor with the caret on that line: the editor
    // is opened for it if needed, or brought forward.
    void doubleClickOnAnErrorShowsItsLine_data() {
        QTest::addColumn<int>("action");
        QTest::addColumn<int>("boxLine");
        QTest::addColumn<int>("sourceLine");
        const int log = int(AssemblerDriver::Action::DoubleClickLog);
        const int listing = int(AssemblerDriver::Action::DoubleClickListing);
        QTest::newRow("log, first error's echoed line") << log << 0 << 2;
        QTest::newRow("log, first error's Línea line") << log << 1 << 2;
        QTest::newRow("log, second error") << log << 3 << 4;
        // Third-pass listing: ORG, the error line, the comment, MVI, NOP, the error line, JMP.
        QTest::newRow("listing, first error") << listing << 1 << 2;
        QTest::newRow("listing, second error") << listing << 5 << 4;
    }
    void doubleClickOnAnErrorShowsItsLine() {
        QFETCH(int, action);
        QFETCH(int, boxLine);
        QFETCH(int, sourceLine);
        ScriptedDialogs d;
        Principal window(d);
        window.show();
        writeBytes(path("salto.asm"), kBad);
        AssemblerDriver driver;
        driver.action = AssemblerDriver::Action(action);
        driver.line = boxLine;
        d.files = {path("salto.asm")};
        window.Ensamblar_Click();
        QCOMPARE(driver.windows, 1);
        Editor* e = window.editorWindow();
        QVERIFY(e && e->isVisible());
        QCOMPARE(e->filename(), path("salto.asm"));
        QCOMPARE(e->texto()->textCursor().blockNumber(), sourceLine);
        QCOMPARE(e->texto()->textCursor().positionInBlock(), 0);
        QCOMPARE(e->texto()->markedLines(), (QList<int>{2, 4}));

        // Again with the editor open on the file: the same editor, the caret moved.
        e->texto()->moveCursor(QTextCursor::End);
        d.files = {path("salto.asm")};
        window.Ensamblar_Click();
        QCOMPARE(window.editorWindow(), e);
        QCOMPARE(e->texto()->textCursor().blockNumber(), sourceLine);
    }

    void doubleClickAwayFromAnErrorDoesNothing() {
        ScriptedDialogs d;
        Principal window(d);
        writeBytes(path("nada.asm"), kBad);
        AssemblerDriver driver;
        driver.action = AssemblerDriver::Action::DoubleClickListing;
        driver.line = 2;  // the comment line between the errors
        d.files = {path("nada.asm")};
        window.Ensamblar_Click();
        QCOMPARE(driver.windows, 1);
        QVERIFY(!window.editorWindow());
    }

    void ensamblarDialogAndMissingFile() {
        ScriptedDialogs d;
        Principal window(d);
        window.Ensamblar_Click();  // cancelled: nothing
        QCOMPARE(d.fileRequests.size(), 1);
        QCOMPARE(d.fileRequests[0].title, QStringLiteral("Ensamblar fichero .ASM"));
        QCOMPARE(d.fileRequests[0].filter, kSourceFilter);
        QCOMPARE(d.fileRequests[0].defaultName, QStringLiteral("*.asm"));
        QVERIFY(d.messages.isEmpty());

        d.files = {path("falta.asm")};
        window.Ensamblar_Click();
        QCOMPARE(d.messages, QStringList{QStringLiteral("El fichero: ") +
                                         QDir::toNativeSeparators(path("falta.asm")) + QStringLiteral(" no existe")});
    }

    void ensamblarPaths_data() {
        QTest::addColumn<QString>("source");
        QTest::addColumn<QString>("object");
        QTest::addColumn<QString>("listing");
        QTest::newRow("lower case") << "Mi.prog.asm" << "Mi.prog.HEX" << "Mi.prog.LST";
        QTest::newRow("upper case") << "PROG.ASM" << "PROG.HEX" << "PROG.LST";
        QTest::newRow("mixed case") << "Uno.Asm" << "Uno.HEX" << "Uno.LST";
        QTest::newRow("other extension") << "UNO.TXT" << "UNO.TXT.HEX" << "UNO.TXT.LST";
    }
    void ensamblarPaths() {
        QFETCH(QString, source);
        QFETCH(QString, object);
        QFETCH(QString, listing);
        writeBytes(path(source), "        ORG 100H\r\nINICIO: MVI A, 5\r\n        JMP INICIO\r\n");
        ScriptedDialogs d;
        d.files = {path(source)};
        Principal window(d);
        bool wasModal = false;
        // Close the modal window once its run is over.
        QTimer closer;
        connect(&closer, &QTimer::timeout, this, [&] {
            auto* w = qobject_cast<Ensamblador*>(QApplication::activeModalWidget());
            if (!w || w->isRunning()) return;
            auto* cerrar = w->findChild<QPushButton*>(QStringLiteral("Cerrar"));
            if (!cerrar || !cerrar->isEnabled()) return;
            wasModal = w->isModal();
            cerrar->click();
        });
        closer.start(20);
        window.Ensamblar_Click();
        QVERIFY(wasModal);
        QVERIFY(QFile::exists(path(object)));
        QVERIFY(QFile::exists(path(listing)));
        QCOMPARE(d.beeps, 1);
    }
};

QTEST_MAIN(EditorCommandTest)
#include "editor_command_test.moc"
