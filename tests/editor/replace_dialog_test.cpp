// The editor's Deshacer and Rehacer with the modified flag, the new menu items, and the replace dialog:
// one replacement at a time, "Reemplazar todo" as one step with its count, case as in Busqueda.
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include "editor/editor.h"
#include "editor/replace_dialog.h"
#include "support/qt_test_files.h"
#include "widgets/scripted_dialogs.h"

using vandor::Dialogs;
using vandor::ScriptedDialogs;

class ReplaceDialogTest : public QObject {
    Q_OBJECT

    QTemporaryDir dir;
    ScriptedDialogs* dialogs = nullptr;
    Editor* editor = nullptr;

    QAction* action(const char* name) { return editor->findChild<QAction*>(QString::fromLatin1(name)); }
    SourceEdit* texto() { return editor->texto(); }
    void show() {
        editor->show();
        QApplication::setActiveWindow(editor);
        QVERIFY(QTest::qWaitForWindowActive(editor));
        texto()->setFocus();
    }
    void load(const QByteArray& bytes) {
        vandor::test::writeBytes(dir.filePath(QStringLiteral("prog.asm")), bytes);
        editor->setFilename(dir.filePath(QStringLiteral("prog.asm")));
    }

private slots:
    void init() {
        dialogs = new ScriptedDialogs;
        editor = new Editor(*dialogs);
    }
    void cleanup() {
        delete editor;
        delete dialogs;
    }

    void newMenuItems() {
        struct Item {
            const char* menu;
            const char* name;
            QString caption;
            QKeySequence key;
        };
        const Item items[] = {
            {"Edicion", "Deshacer", QStringLiteral("&Deshacer"), QKeySequence(Qt::CTRL | Qt::Key_Z)},
            {"Edicion", "Rehacer", QStringLiteral("&Rehacer"), QKeySequence(Qt::CTRL | Qt::Key_Y)},
            {"BuscarMenu", "Reemplazar", QStringLiteral("&Reemplazar"), QKeySequence(Qt::CTRL | Qt::Key_R)},
            {"EnsamblarMenu", "Ensamblar", QStringLiteral("&Ensamblar"), QKeySequence(Qt::Key_F7)},
            {"EnsamblarMenu", "EnsamblarCargar", QStringLiteral("Ensamblar y &cargar"), QKeySequence(Qt::CTRL | Qt::Key_F7)},
        };
        for (const Item& i : items) {
            auto* menu = editor->findChild<QMenu*>(QString::fromLatin1(i.menu));
            QVERIFY2(menu, i.menu);
            QAction* a = action(i.name);
            QVERIFY2(a && menu->actions().contains(a), i.name);
            QCOMPARE(a->text(), i.caption);
            QCOMPARE(a->shortcut(), i.key);
        }
        QCOMPARE(editor->findChild<QMenu*>(QStringLiteral("EnsamblarMenu"))->title(), QStringLiteral("&Ensamblar"));
        QVERIFY(!action("Deshacer")->isEnabled());
        QVERIFY(!action("Rehacer")->isEnabled());
    }

    // Deshacer and Rehacer through their keys, enabled when they can act; the modified flag follows
    // the text: back at the text last loaded or saved, the document is unmodified.
    void undoRedoAndTheModifiedFlag() {
        load("NOP\r\n");
        show();
        QVERIFY(!editor->isModified());
        QTest::keyClicks(texto(), QStringLiteral("HLT"));
        QVERIFY(editor->isModified());
        QVERIFY(action("Deshacer")->isEnabled());
        QVERIFY(!action("Rehacer")->isEnabled());

        QTest::keyClick(texto(), Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(texto()->toPlainText(), QStringLiteral("NOP\n"));
        QVERIFY(!editor->isModified());
        QVERIFY(!action("Deshacer")->isEnabled());
        QVERIFY(action("Rehacer")->isEnabled());

        QTest::keyClick(texto(), Qt::Key_Y, Qt::ControlModifier);
        QCOMPARE(texto()->toPlainText(), QStringLiteral("HLTNOP\n"));
        QVERIFY(editor->isModified());

        // Saved: unmodified; undoing past the save is a change, redoing back to it is not.
        editor->guardar_Click();
        QVERIFY(!editor->isModified());
        action("Deshacer")->trigger();
        QVERIFY(editor->isModified());
        dialogs->answers = {Dialogs::Answer::Cancel};
        editor->Nuevo_Click();  // the guard asks: the text differs from the file
        QCOMPARE(dialogs->questions.size(), 1);
        action("Rehacer")->trigger();
        QVERIFY(!editor->isModified());
        editor->Nuevo_Click();  // nothing to ask now
        QCOMPARE(dialogs->questions.size(), 1);
        // A new document starts without history.
        QVERIFY(!action("Deshacer")->isEnabled());
        QVERIFY(!action("Rehacer")->isEnabled());
    }

    void replaceAll_data() {
        QTest::addColumn<QString>("find");
        QTest::addColumn<QString>("replacement");
        QTest::addColumn<bool>("matchCase");
        QTest::addColumn<QString>("after");
        QTest::addColumn<QString>("message");
        const QString text = QStringLiteral("mvi a, 1\nMVI B, 2\n\tmvi c, 3 ; mvi\n");
        QTest::newRow("any case") << "mvi" << "MOV" << false << "MOV a, 1\nMOV B, 2\n\tMOV c, 3 ; MOV\n"
                                  << "Se han reemplazado 4 apariciones";
        QTest::newRow("case must match") << "MVI" << "mov" << true << "mvi a, 1\nmov B, 2\n\tmvi c, 3 ; mvi\n"
                                         << "Se ha reemplazado 1 aparición";
        QTest::newRow("longer replacement") << ", " << " ,  " << false
                                            << "mvi a ,  1\nMVI B ,  2\n\tmvi c ,  3 ; mvi\n"
                                            << "Se han reemplazado 3 apariciones";
        QTest::newRow("replacement holds the text") << "a" << "aa" << true
                                                    << "mvi aa, 1\nMVI B, 2\n\tmvi c, 3 ; mvi\n"
                                                    << "Se ha reemplazado 1 aparición";
        QTest::newRow("not found") << "xyz" << "q" << false << text << "xyz no encontrada";
    }
    void replaceAll() {
        QFETCH(QString, find);
        QFETCH(QString, replacement);
        QFETCH(bool, matchCase);
        QFETCH(QString, after);
        QFETCH(QString, message);
        load("mvi a, 1\r\nMVI B, 2\r\n\tmvi c, 3 ; mvi\r\n");
        show();
        ReplaceDialog* r = editor->replaceDialog();
        r->setFindText(find);
        r->setReplaceText(replacement);
        r->setMatchCase(matchCase);
        r->findChild<QPushButton*>(QStringLiteral("ReemplazarTodo"))->click();
        QCOMPARE(texto()->toPlainText(), after);
        QCOMPARE(dialogs->messages, QStringList{message});
        const bool changed = message.startsWith(QLatin1String("Se"));
        QCOMPARE(editor->isModified(), changed);
        // One Deshacer takes every replacement back.
        if (changed) {
            editor->Deshacer_Click();
            QCOMPARE(texto()->toPlainText(), QStringLiteral("mvi a, 1\nMVI B, 2\n\tmvi c, 3 ; mvi\n"));
            QVERIFY(!editor->isModified());
        }
    }

    // Reemplazar: the first press selects the next occurrence, each further press replaces the
    // selected one and selects the next; at the end the search may go on from the beginning.
    void replaceOneAtATime() {
        load("MVI A, 1\r\nMVI B, 2\r\nNOP\r\n");
        show();
        QTextCursor c = texto()->textCursor();
        c.setPosition(1);  // inside the first MVI: the first found is the second
        texto()->setTextCursor(c);
        ReplaceDialog* r = editor->replaceDialog();
        r->setFindText(QStringLiteral("mvi"));
        r->setReplaceText(QStringLiteral("MOV"));
        auto* button = r->findChild<QPushButton*>(QStringLiteral("Reemplazar"));
        button->click();
        QCOMPARE(texto()->textCursor().selectedText(), QStringLiteral("MVI"));
        QCOMPARE(texto()->textCursor().selectionStart(), 9);
        QVERIFY(!editor->isModified());
        dialogs->answers = {Dialogs::Answer::Yes};
        button->click();  // replaces line 2's, none after it: from the beginning
        QCOMPARE(dialogs->questions,
                 QStringList{QStringLiteral("mvi no encontrada\r\n¿Desea buscar desde el principio del documento?")});
        QCOMPARE(texto()->toPlainText(), QStringLiteral("MVI A, 1\nMOV B, 2\nNOP\n"));
        QCOMPARE(texto()->textCursor().selectionStart(), 0);
        // The last one: replaced, and nothing is left to select, which is said.
        dialogs->answers = {Dialogs::Answer::Yes};
        button->click();
        QCOMPARE(texto()->toPlainText(), QStringLiteral("MOV A, 1\nMOV B, 2\nNOP\n"));
        QCOMPARE(dialogs->messages, QStringList{QStringLiteral("mvi no encontrada")});
        QVERIFY(!texto()->textCursor().hasSelection());
        editor->Deshacer_Click();
        QCOMPARE(texto()->toPlainText(), QStringLiteral("MVI A, 1\nMOV B, 2\nNOP\n"));
    }

    // Ctrl+R opens the dialog with the text selected in the editor to find; its buttons wait for a
    // text to find.
    void ctrlROpensTheDialog() {
        load("JMP BUCLE\r\n");
        show();
        QTextCursor c = texto()->textCursor();
        c.setPosition(4);
        c.setPosition(9, QTextCursor::KeepAnchor);
        texto()->setTextCursor(c);
        QTest::keyClick(texto(), Qt::Key_R, Qt::ControlModifier);
        ReplaceDialog* r = editor->findChild<ReplaceDialog*>();
        QVERIFY(r && r->isVisible());
        QCOMPARE(r->windowTitle(), QStringLiteral("Vandor 8085 - Reemplazar"));
        auto* cadena = r->findChild<QLineEdit*>(QStringLiteral("cadena"));
        QCOMPARE(cadena->text(), QStringLiteral("BUCLE"));
        cadena->clear();
        QVERIFY(!r->findChild<QPushButton*>(QStringLiteral("Reemplazar"))->isEnabled());
        QVERIFY(!r->findChild<QPushButton*>(QStringLiteral("ReemplazarTodo"))->isEnabled());
        QCOMPARE(r->findChild<QCheckBox*>(QStringLiteral("may"))->text(), QStringLiteral("&Mayúsculas/minúsculas"));
        r->findChild<QPushButton*>(QStringLiteral("cancel"))->click();
        QVERIFY(!r->isVisible());
    }
};

QTEST_MAIN(ReplaceDialogTest)
#include "replace_dialog_test.moc"
