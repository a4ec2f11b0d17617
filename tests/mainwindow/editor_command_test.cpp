// The main window's Editar and Ensamblar commands: their dialogs, the one editor the window owns and its
// guard before the window closes, and the paths of the files an assembly writes.
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

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
