// The search dialog: where a search starts, the case rule, the wrap question, Buscar siguiente and the
// dialog's own controls.
#include <QAction>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include "editor/busqueda.h"
#include "editor/editor.h"
#include "widgets/scripted_dialogs.h"

using vandor::Dialogs;
using vandor::ScriptedDialogs;

class BusquedaTest : public QObject {
    Q_OBJECT

    ScriptedDialogs* dialogs = nullptr;
    Editor* editor = nullptr;
    Busqueda* find = nullptr;

    template <typename T>
    T* control(const char* name) {
        return find->findChild<T*>(QString::fromLatin1(name));
    }
    QLineEdit* cadena() { return control<QLineEdit>("cadena"); }
    QString dirini() { return control<QLabel>("dirini")->text(); }
    QAction* siguiente() { return editor->buscarSiguienteAction(); }

    void setDocument(const QString& text, int caret) {
        editor->texto()->setPlainText(text);
        QTextCursor c = editor->texto()->textCursor();
        c.setPosition(caret);
        editor->texto()->setTextCursor(c);
    }
    void search(const QString& what, bool matchCase = false) {
        if (cadena()->text() != what) cadena()->setText(what);
        control<QCheckBox>("may")->setChecked(matchCase);
        find->Buscar_Click();
    }
    // The selection as (start, length), or (-1, 0) when nothing is selected.
    QPair<int, int> selection() {
        const QTextCursor c = editor->texto()->textCursor();
        if (!c.hasSelection()) return {-1, 0};
        return {c.selectionStart(), c.selectionEnd() - c.selectionStart()};
    }

private slots:
    void init() {
        dialogs = new ScriptedDialogs;
        editor = new Editor(*dialogs);
        find = editor->busqueda();
    }
    void cleanup() {
        delete editor;
        delete dialogs;
    }

    void caseRule_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("what");
        QTest::addColumn<bool>("matchCase");
        QTest::addColumn<int>("found");  // selection start, -1 when not found
        QTest::newRow("mov finds MOV ignoring case") << "NOP\nMOV A,B\n" << "mov" << false << 4;
        QTest::newRow("mov does not match MOV") << "NOP\nMOV A,B\n" << "mov" << true << -1;
        QTest::newRow("accented letters ignore case") << QString::fromUtf8("; AÑO\n") << QString::fromUtf8("año")
                                                      << false << 2;
        // Upper-casing ß would make the text longer; positions must stay those of the text box.
        QTest::newRow("positions after sharp s") << QString::fromUtf8("; ß MOV\n") << "mov" << false << 4;
        QTest::newRow("across a line end not found") << "MO\nV" << "MOV" << false << -1;
    }
    void caseRule() {
        QFETCH(QString, text);
        QFETCH(QString, what);
        QFETCH(bool, matchCase);
        QFETCH(int, found);
        setDocument(text, 0);
        search(what, matchCase);
        QCOMPARE(selection().first, found);
        QCOMPARE(siguiente()->isEnabled(), found >= 0);
        if (found >= 0) {
            QCOMPARE(selection().second, int(what.size()));
            QCOMPARE(dirini(), QString::number(found + 1));
            QVERIFY(dialogs->messages.isEmpty());
        } else {
            // From the very start there is nothing to wrap to: only the message, as typed.
            QVERIFY(dialogs->questions.isEmpty());
            QCOMPARE(dialogs->messages, QStringList{what + QStringLiteral(" no encontrada")});
            QCOMPARE(dirini(), QStringLiteral("1"));
        }
    }

    void searchStartsAtTheCaret() {
        setDocument("MOV A\nMOV B\nMOV C\n", 3);
        search("mov");
        QCOMPARE(selection(), qMakePair(6, 3));
        QCOMPARE(dirini(), QStringLiteral("7"));
    }

    void findNextStartsOnePastTheLastMatch() {
        setDocument("MVI A\nMOV B\nMOV C\nMOV D\n", 0);
        search("mov");
        QCOMPARE(selection().first, 6);
        // A caret moved meanwhile does not matter: the search goes on after the last match.
        QTextCursor c = editor->texto()->textCursor();
        c.setPosition(20);
        editor->texto()->setTextCursor(c);
        siguiente()->trigger();
        QCOMPARE(selection().first, 12);
        QCOMPARE(dirini(), QStringLiteral("13"));
        // Overlapping matches are found one character apart.
        setDocument("AAAA", 0);
        search("aa");
        QCOMPARE(selection().first, 0);
        siguiente()->trigger();
        QCOMPARE(selection().first, 1);
    }

    void wrapQuestion() {
        setDocument("MOV A\nNOP\n", 0);
        search("mov");
        QCOMPARE(selection().first, 0);
        // The only occurrence lies before the new start: asked, and found again from the beginning.
        dialogs->answers = {Dialogs::Answer::Yes};
        siguiente()->trigger();
        QCOMPARE(dialogs->questions,
                 QStringList{QStringLiteral("mov no encontrada\r\n¿Desea buscar desde el principio del documento?")});
        QCOMPARE(selection().first, 0);
        QVERIFY(siguiente()->isEnabled());
        QCOMPARE(dirini(), QStringLiteral("1"));
        QVERIFY(dialogs->messages.isEmpty());
    }

    void wrapAnsweredNo() {
        setDocument("MOV A\nNOP\n", 0);
        search("mov");
        dialogs->answers = {Dialogs::Answer::No};
        siguiente()->trigger();
        QCOMPARE(dialogs->questions.size(), 1);
        QVERIFY(dialogs->messages.isEmpty());
        QVERIFY(!siguiente()->isEnabled());
        QCOMPARE(dirini(), QStringLiteral("1"));
    }

    void wrapFindsNothing() {
        setDocument("NOP\nHLT\n", 4);
        search("mov");
        QCOMPARE(dialogs->questions.size(), 1);
        QCOMPARE(dialogs->messages, QStringList{QStringLiteral("mov no encontrada")});
        QCOMPARE(selection().first, -1);
        QCOMPARE(dirini(), QStringLiteral("5"));
    }

    void wrapFindsTheOccurrenceUnderTheCaret() {
        // Caret inside the only occurrence: s falls on its second character, and the second pass, which
        // runs from the beginning up to s, finds it at s - 1.
        setDocument("NOP\nMOV\n", 5);
        dialogs->answers = {Dialogs::Answer::Yes};
        search("mov");
        QCOMPARE(dialogs->questions.size(), 1);
        QCOMPARE(selection().first, 4);
        QCOMPARE(dirini(), QStringLiteral("5"));
    }

    void changedTextRestartsAtTheCaret() {
        setDocument("MOV A\nMOV B\n", 0);
        search("mov");
        siguiente()->trigger();
        QCOMPARE(selection().first, 6);
        cadena()->setText(QStringLiteral("MOV "));
        QVERIFY(dirini().isEmpty());
        // The caret is the start of the selected match: the search finds it again.
        search("MOV ");
        QCOMPARE(selection().first, 6);
        QCOMPARE(dirini(), QStringLiteral("7"));
    }

    void buscarEnabledWithText() {
        QPushButton* buscar = control<QPushButton>("Buscar");
        QVERIFY(!buscar->isEnabled());
        cadena()->setText(QStringLiteral("x"));
        QVERIFY(buscar->isEnabled());
        cadena()->clear();
        QVERIFY(!buscar->isEnabled());
    }

    void enterSearchesAndEscapeHides() {
        setDocument("NOP\nMOV A,B\n", 0);
        find->show();
        QVERIFY(QTest::qWaitForWindowExposed(find));
        QVERIFY(cadena()->hasFocus());
        QTest::keyClicks(cadena(), QStringLiteral("mov"));
        QTest::keyClick(cadena(), Qt::Key_Return);
        QVERIFY(!find->isVisible());
        QCOMPARE(selection().first, 4);

        find->show();
        QVERIFY(QTest::qWaitForWindowExposed(find));
        QCOMPARE(cadena()->selectedText(), QStringLiteral("mov"));  // whole text selected on focus
        QTest::keyClick(find, Qt::Key_Escape);
        QVERIFY(!find->isVisible());
        QCOMPARE(selection().first, 4);

        find->show();
        QTest::mouseClick(control<QPushButton>("cancel"), Qt::LeftButton);
        QVERIFY(!find->isVisible());
    }

    void buscarMenuShowsTheDialogModal() {
        setDocument("NOP\nMOV A,B\n", 0);
        editor->show();
        bool wasModal = false;
        QTimer::singleShot(0, this, [&] {
            wasModal = find->isVisible() && find->isModal();
            QTest::keyClicks(cadena(), QStringLiteral("mov"));
            QTest::mouseClick(control<QPushButton>("Buscar"), Qt::LeftButton);
        });
        editor->findChild<QAction*>(QStringLiteral("Buscar"))->trigger();
        QVERIFY(wasModal);
        QCOMPARE(selection().first, 4);
        QVERIFY(editor->findChild<QAction*>(QStringLiteral("Buscarsiguiente"))->isEnabled());
    }
};

QTEST_MAIN(BusquedaTest)
#include "busqueda_test.moc"
