// The assembler window: outcome, boxes, files written after good and failed runs, and the close rule
// during a run.
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include "support/qt_test_files.h"
#include "assembler/ensamblador_window.h"
#include "widgets/scripted_dialogs.h"

using vandor::ScriptedDialogs;

namespace {

using vandor::test::fileBytes;
using vandor::test::writeBytes;

const QByteArray kGoodSource =
    "; ejemplo\r\n        ORG 100H\r\nINICIO: MVI A, 5\r\n        JMP INICIO\r\nDATOS:  DFB 1, 2, 3, 4\r\n";
const QByteArray kBadSource = "        NOP\r\n        FOO A\r\n";

// What a box shows of text written with CR LF line ends.
QString shown(const QByteArray& crlfText) {
    QString text = QString::fromUtf8(crlfText);
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    return text;
}

QByteArray manyLines(int count) {
    QByteArray source;
    for (int i = 0; i < count; ++i) source += "        MVI A, 5 ; carga\r\n";
    return source;
}

}  // namespace

class EnsambladorTest : public QObject {
    Q_OBJECT

    QTemporaryDir dir;
    ScriptedDialogs dialogs;

    QString path(const QString& name) const { return dir.filePath(name); }

    template <typename T>
    static T* control(QWidget* window, const char* name) {
        return window->findChild<T*>(QString::fromLatin1(name));
    }
    static QString boxText(QWidget* window, const char* name) {
        return control<QPlainTextEdit>(window, name)->toPlainText();
    }
    // Runs one assembly in a shown window and waits for its end.
    bool run(Ensamblador& window) {
        QSignalSpy done(&window, &Ensamblador::assemblyFinished);
        window.show();
        if (!done.wait(20000)) return false;
        return done.first().first().toBool();
    }

private slots:
    void init() {
        dialogs = ScriptedDialogs();
        for (const QString& name : QDir(dir.path()).entryList(QDir::Files)) QFile::remove(path(name));
    }

    void successfulRun() {
        writeBytes(path("prog.asm"), kGoodSource);
        Ensamblador window(dialogs);
        window.setPaths(path("prog.asm"), path("prog.HEX"), path("prog.LST"));
        QVERIFY(run(window));
        QCOMPARE(control<QLabel>(&window, "Label1")->text(), QStringLiteral("Ensamblado correcto"));
        QCOMPARE(dialogs.beeps, 1);
        QVERIFY(dialogs.messages.isEmpty());
        QPushButton* cerrar = control<QPushButton>(&window, "Cerrar");
        QVERIFY(cerrar->isEnabled());
        QVERIFY(cerrar->hasFocus());

        // The listing file holds the box's text and one more line end; the box shows the object records.
        const QByteArray listing = fileBytes(path("prog.LST"));
        QVERIFY(listing.startsWith("0100                    ORG 100H\r\n"));
        QVERIFY(listing.endsWith("\r\n\r\n"));
        QCOMPARE(boxText(&window, "filelst") + QStringLiteral("\n"), shown(listing));
        QCOMPARE(boxText(&window, "filehex"), shown(fileBytes(path("prog.HEX"))));
        QVERIFY(fileBytes(path("prog.HEX")).endsWith(":00000001FF\r\n"));

        // The caret is at the end of both boxes.
        for (const char* name : {"filelst", "filehex"}) {
            auto* box = control<QPlainTextEdit>(&window, name);
            QCOMPARE(box->textCursor().position(), box->document()->characterCount() - 1);
        }
        cerrar->click();
        QVERIFY(!window.isVisible());
    }

    void failedRunKeepsOldObjectAndReplacesListing() {
        writeBytes(path("prog.asm"), kBadSource);
        writeBytes(path("prog.HEX"), "old object\r\n");
        writeBytes(path("prog.LST"), "old listing\r\n");
        Ensamblador window(dialogs);
        window.setPaths(path("prog.asm"), path("prog.HEX"), path("prog.LST"));
        QVERIFY(!run(window));
        QCOMPARE(control<QLabel>(&window, "Label1")->text(), QStringLiteral("Ensamblado incorrecto"));
        QCOMPARE(dialogs.messages, QStringList{QStringLiteral("Ensamblado incorrecto")});
        QCOMPARE(dialogs.beeps, 0);
        QVERIFY(control<QPlainTextEdit>(&window, "filehex")->hasFocus());
        QVERIFY(!boxText(&window, "filehex").isEmpty());  // the error log

        QCOMPARE(fileBytes(path("prog.HEX")), QByteArray("old object\r\n"));
        const QByteArray listing = fileBytes(path("prog.LST"));
        QVERIFY(listing.contains("==> ERROR: Código de operación no valido\r\n"));
        QCOMPARE(shown(listing), boxText(&window, "filelst") + QStringLiteral("\n"));
    }

    void notClosableWhileRunning() {
        writeBytes(path("big.asm"), manyLines(20000));
        Ensamblador window(dialogs);
        window.setPaths(path("big.asm"), path("big.HEX"), path("big.LST"));
        QSignalSpy done(&window, &Ensamblador::assemblyFinished);
        window.show();
        QTRY_VERIFY(window.isRunning());
        QVERIFY(!control<QPushButton>(&window, "Cerrar")->isEnabled());
        QVERIFY(!window.close());
        QTest::keyClick(&window, Qt::Key_Escape);
        QVERIFY(window.isVisible());
        QVERIFY(done.wait(30000));
        QVERIFY(window.close());
        // The whole listing reached the box: one line per source line, then the symbol-table heading.
        QCOMPARE(control<QPlainTextEdit>(&window, "filelst")->document()->blockCount(), 20000 + 3 + 1);
    }

    void listingThatCannotBeWritten() {
        writeBytes(path("prog.asm"), kGoodSource);
        Ensamblador window(dialogs);
        window.setPaths(path("prog.asm"), path("prog.HEX"), path("no/such/dir/prog.LST"));
        QVERIFY(run(window));
        QCOMPARE(dialogs.messages, QStringList{QStringLiteral("Error creando fichero")});
        QCOMPARE(control<QLabel>(&window, "Label1")->text(), QStringLiteral("Ensamblado correcto"));
    }

    // A Windows-1252 source with an error, long enough to reach the boxes in several pieces of which the
    // first is plain ASCII: every line is shown decoded, the messages beside the source's lines too,
    // and the listing file is Windows-1252 throughout.
    void windows1252SourceIsShownDecodedEveryLine() {
        QByteArray source;
        for (int i = 0; i < 4000; ++i) source += "        MVI A, 5 ; carga\r\n";
        source += "        FO\xD1 ; a\xF1" "adir\r\n";
        writeBytes(path("cp.asm"), source);
        Ensamblador window(dialogs);
        window.setPaths(path("cp.asm"), path("cp.HEX"), path("cp.LST"));
        QVERIFY(!run(window));
        const QString log = boxText(&window, "filehex");
        QCOMPARE(log, QStringLiteral("==>        FOÑ ; añadir\nLínea: 4001 - ERROR: Código de operación no valido\n"));
        const QStringList lst = boxText(&window, "filelst").split(QLatin1Char('\n'));
        QCOMPARE(lst.size(), 4003);  // the last line ends too
        QCOMPARE(lst[4000], QStringLiteral("        FOÑ ; añadir"));
        QCOMPARE(lst[4001], QStringLiteral("==> ERROR: Código de operación no valido"));
        const QByteArray listing = fileBytes(path("cp.LST"));
        QVERIFY(listing.endsWith("==> ERROR: C\xF3" "digo de operaci\xF3" "n no valido\r\n\r\n"));
        QVERIFY(!listing.contains("\xC3"));
    }

    void rawLinesKeepTheirBytes() {
        writeBytes(path("cp.asm"), "        NOP ; a\xF1o\r\n");
        Ensamblador window(dialogs);
        window.setPaths(path("cp.asm"), path("cp.HEX"), path("cp.LST"));
        QVERIFY(run(window));
        // Nine blanks after the object byte, then the raw line with its own eight.
        const QByteArray line = "0000 00" + QByteArray(9 + 8, ' ') + "NOP ; a\xF1o";
        QVERIFY(fileBytes(path("cp.LST")).startsWith(line + "\r\n"));
        QVERIFY(boxText(&window, "filelst").startsWith(QString::fromLatin1(line) + QStringLiteral("\n")));
    }
};

QTEST_MAIN(EnsambladorTest)
#include "ensamblador_test.moc"
