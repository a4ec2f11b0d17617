// The trace window: its grid over the simulator's trace, the scroll rule, saving, clearing and closing.
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include "inspect/listapasos.h"
#include "inspect/trace_grid.h"
#include "machine/simulator.h"
#include "support/qt_test_files.h"
#include "widgets/scripted_dialogs.h"

using Answer = vandor::Dialogs::Answer;

namespace {

using vandor::test::fileBytes;

const QByteArray kHeaderLine =
    "DIR \tDAT      \tINS         \tA \tB \tC \tD \tE \tF \tszapc\tH \tL \tM \tPC  \tSP  \r\n";
const QString kCloseQuestion = QStringLiteral("Todo el listado se perderá.\r\n¿Desea cerrar de todas formas?");

}  // namespace

class ListapasosTest : public QObject {
    Q_OBJECT

    std::unique_ptr<vandor::Simulator> sim;
    std::unique_ptr<vandor::ScriptedDialogs> dialogs;
    std::unique_ptr<Listapasos> window;
    QTemporaryDir dir;

    vandor::TraceGrid* lista() { return window->findChild<vandor::TraceGrid*>(QStringLiteral("lista")); }
    int rows() { return lista()->model()->rowCount(); }
    QString cell(int row, int column) { return lista()->model()->index(row, column).data().toString(); }
    void click(const char* button) {
        QTest::mouseClick(window->findChild<QPushButton*>(QString::fromLatin1(button)), Qt::LeftButton);
    }
    // Steps as the main window makes them: each step, then the trace window told.
    void step(int times = 1) {
        for (int i = 0; i < times; ++i) {
            sim->step();
            window->traceChanged();
        }
    }
    void showWindow() {
        window->show();
        QVERIFY(QTest::qWaitForWindowExposed(window.get()));
    }

private slots:
    void init() {
        sim = std::make_unique<vandor::Simulator>();
        // MVI A,0F; INR A; then NOPs.
        for (uint8_t b : {0x3E, 0x0F, 0x3C}) sim->m.savmem(sim->m.pc++, b);
        sim->m.pc = 0;
        sim->regen();
        dialogs = std::make_unique<vandor::ScriptedDialogs>();
        window = std::make_unique<Listapasos>(*sim, *dialogs);
    }

    void controlsAtLoad() {
        QCOMPARE(window->windowTitle(), QStringLiteral("Vandor 8085"));
        QCOMPARE(rows(), 0);
        QCOMPARE(lista()->model()->columnCount(), 16);  // the file's 15 and the T-states
        const QStringList titles = {"DIR ", "DAT      ", "INS         ", "A ", "B ", "C ", "D ", "E ",
                                    "F ", "szapc", "H ", "L ", "M ", "PC  ", "SP  ", "T "};
        for (int c = 0; c < 16; ++c) QCOMPARE(lista()->model()->headerData(c, Qt::Horizontal).toString(), titles[c]);
        QVERIFY(QFontInfo(lista()->font()).fixedPitch());
        // A title's length sets its column's width.
        QVERIFY(lista()->columnWidth(2) > lista()->columnWidth(1) && lista()->columnWidth(1) > lista()->columnWidth(0));
        QCOMPARE(lista()->columnWidth(3), lista()->columnWidth(12));
        const char* buttons[][2] = {{"salvar", "&Salvar"}, {"borrar", "&Borrar"}, {"cerrar", "&Cerrar"}};
        for (auto& b : buttons) QCOMPARE(window->findChild<QPushButton*>(b[0])->text(), QString(b[1]));
    }

    // The first step adds the state before it and the step; the next step adds one row.
    void firstStepAddsTwoRows() {
        showWindow();
        step();
        QTRY_COMPARE(rows(), 2);
        const QStringList before = {"", "", "", "00", "00", "00", "00", "00", "00", "00000",
                                    "00", "00", "3E", "0000", "0000"};
        const QStringList after = {"0000", "3E 0F    ", "MVI A,0F", "0F", "00", "00", "00", "00", "00",
                                   "00000", "00", "00", "3E", "0002", "0000"};
        for (int c = 0; c < 15; ++c) {
            QCOMPARE(cell(0, c), before[c]);
            QCOMPARE(cell(1, c), after[c]);
        }
        step();
        QTRY_COMPARE(rows(), 3);
        QCOMPARE(cell(2, 1), QStringLiteral("3C       "));  // DAT is always nine characters
        QCOMPARE(cell(2, 9), QStringLiteral("00100"));
    }

    // With T-states counted, the last column shows each step's; "Salvar" still writes the 15 cells.
    void tstatesColumnOnScreenOnly() {
        sim->m.countTStates = true;
        showWindow();
        step(2);
        QTRY_COMPARE(rows(), 3);
        QCOMPARE(cell(0, 15), QString());  // the register row
        QCOMPARE(cell(1, 15), QStringLiteral("7"));
        QCOMPARE(cell(2, 15), QStringLiteral("4"));
        const QString path = dir.filePath(QStringLiteral("pasos_t.txt"));
        dialogs->files.push_back(path);
        click("salvar");
        const QByteArray saved = fileBytes(path);
        for (const QByteArray& line : saved.split('\n'))
            if (!line.isEmpty()) QCOMPARE(line.count('\t'), 14);
        QVERIFY(saved.endsWith("0002\t3C       \tINR A\t10\t00\t00\t00\t00\t10\t00100\t00\t00\t3E\t0003\t0000\r\n"));
    }

    // Each instruction row tells why the flags are what they are, as its tool tip and, when selected, in
    // the line under the grid; register-only rows tell nothing.
    void flagExplanationOfTheSelectedRow() {
        showWindow();
        step(2);
        QTRY_COMPARE(rows(), 3);
        auto* line = window->findChild<QLabel*>(QStringLiteral("lblIndicadores"));
        QVERIFY(line && line->isVisible());
        const QString inr = QStringLiteral(
            "0F + 1 = 10: S=0 (bit 7 a 0), Z=0, AC=1 (acarreo del bit 3 al 4), P=0 (número impar de unos), "
            "CY=0 (INR no lo cambia)");
        QCOMPARE(lista()->model()->index(2, 5).data(Qt::ToolTipRole).toString(), inr);
        QCOMPARE(lista()->model()->index(1, 0).data(Qt::ToolTipRole).toString(), QStringLiteral("no cambia los indicadores"));
        QVERIFY(!lista()->model()->index(0, 0).data(Qt::ToolTipRole).isValid());
        QCOMPARE(line->text(), QString());
        QTest::mouseClick(lista()->viewport(), Qt::LeftButton, {}, lista()->visualRect(lista()->model()->index(2, 3)).center());
        QCOMPARE(line->text(), inr);
        lista()->setCurrentIndex(lista()->model()->index(0, 3));
        QCOMPARE(line->text(), QString());
        lista()->setCurrentIndex(lista()->model()->index(1, 3));
        QCOMPARE(line->text(), QStringLiteral("no cambia los indicadores"));
        click("borrar");
        QCOMPARE(line->text(), QString());
    }

    // A state changed between two steps is recorded in a register-only row before the next step's row.
    void editBetweenStepsAddsRegisterRow_data() {
        QTest::addColumn<int>("column");
        QTest::addColumn<QString>("shown");
        QTest::newRow("B") << 4 << "12";
        QTest::newRow("F") << 8 << "01";
    }
    void editBetweenStepsAddsRegisterRow() {
        QFETCH(int, column);
        QFETCH(QString, shown);
        showWindow();
        step(2);
        (column == 4 ? sim->m.b : sim->m.f) = static_cast<uint8_t>(shown.toInt(nullptr, 16));
        sim->m.recomputePairs();
        step();
        QTRY_COMPARE(rows(), 5);
        QCOMPARE(cell(3, 0) + cell(3, 1) + cell(3, 2), QString());
        QCOMPARE(cell(3, column), shown);
        QCOMPARE(cell(4, 0), QStringLiteral("0003"));
        QCOMPARE(cell(4, column), shown);
    }

    void scrollRuleKeepsLastTenRowsInView() {
        showWindow();
        step(5);
        QTRY_COMPARE(rows(), 6);
        QCOMPARE(lista()->rowAt(0), 0);  // ten grid rows or fewer with the header: no scrolling
        step(20);
        QTRY_COMPARE(rows(), 26);
        // 27 grid rows with the header: the first in view is grid row 17, the data row 16.
        QCOMPARE(lista()->rowAt(0), 16);
        QVERIFY(lista()->viewport()->rect().contains(lista()->visualRect(lista()->model()->index(25, 0))));
        // Scrolled away by the user, the grid comes back after the next recorded step.
        lista()->verticalScrollBar()->setValue(0);
        step();
        QTRY_COMPARE(rows(), 27);
        QCOMPARE(lista()->rowAt(0), 17);
    }

    // Steps reported in a burst all reach the grid, and a row whose registers were filled in after the
    // grid had caught up (a step around the halt dialog) is shown filled.
    void burstsAndLateRegisterColumnsReachTheGrid() {
        showWindow();
        step(3000);
        QTRY_COMPARE(rows(), 3001);
        QCOMPARE(lista()->rowAt(0), 2991);
        sim->trace.listainstru(sim->m);
        window->flush();
        QCOMPARE(cell(3001, 3), QString());
        QSignalSpy changed(lista()->model(), &QAbstractItemModel::dataChanged);
        sim->m.EjecutaPASO(false);
        sim->regen();
        sim->trace.listareg(sim->m);
        window->traceChanged();
        QTRY_VERIFY(changed.count() > 0);
        QCOMPARE(cell(3001, 3), QStringLiteral("10"));
    }

    // A hidden window leaves its grid behind and catches up when shown, at the end of the trace.
    void largeTraceOpensAtItsEnd() {
        step();
        while (sim->trace.size() < 1'000'000) {
            sim->trace.listainstru(sim->m);
            ++sim->m.pc;
            sim->trace.listareg(sim->m);
        }
        window->traceChanged();
        QCOMPARE(rows(), 0);
        showWindow();
        QCOMPARE(rows(), 1'000'000);
        QCOMPARE(lista()->rowAt(0), 1'000'000 - 10);
        QCOMPARE(cell(999'999, 0), QStringLiteral("423F"));  // row k from 2 on is the step at k modulo 10000
    }

    // Nothing to save asks nothing; a cancelled dialog ends the command silently.
    void saveDialogAndCancel() {
        click("salvar");
        QVERIFY(dialogs->fileRequests.isEmpty());
        step();
        click("salvar");
        QCOMPARE(dialogs->fileRequests.size(), 1);
        const auto& r = dialogs->fileRequests.first();
        QCOMPARE(r.title, QStringLiteral("Salvar fichero .TXT"));
        QCOMPARE(r.filter, QStringLiteral("Fichero de texto (*.txt)|*.txt|Todos los ficheros (*.*)|*.*"));
        QCOMPARE(r.defaultName, QStringLiteral("*.txt"));
        QVERIFY(dialogs->messages.isEmpty() && dialogs->questions.isEmpty());
    }

    void savedFileByteForByte() {
        const QString path = dir.filePath(QStringLiteral("pasos.txt"));
        step(2);
        dialogs->files.push_back(path);
        click("salvar");
        QVERIFY(dialogs->messages.isEmpty() && dialogs->questions.isEmpty());
        QCOMPARE(fileBytes(path),
                 kHeaderLine + "\t\t\t00\t00\t00\t00\t00\t00\t00000\t00\t00\t3E\t0000\t0000\r\n"
                               "0000\t3E 0F    \tMVI A,0F\t0F\t00\t00\t00\t00\t00\t00000\t00\t00\t3E\t0002\t0000\r\n"
                               "0002\t3C       \tINR A\t10\t00\t00\t00\t00\t10\t00100\t00\t00\t3E\t0003\t0000\r\n");
    }

    void overwriteQuestion_data() {
        QTest::addColumn<bool>("yes");
        QTest::newRow("No keeps the file") << false;
        QTest::newRow("Yes replaces it") << true;
    }
    void overwriteQuestion() {
        QFETCH(bool, yes);
        const QString path = dir.filePath(QStringLiteral("viejo.txt"));
        QFile old(path);
        QVERIFY(old.open(QIODevice::WriteOnly) && old.write("anterior") == 8);
        old.close();
        step();
        dialogs->files.push_back(path);
        dialogs->answers.push_back(yes ? Answer::Yes : Answer::No);
        click("salvar");
        QCOMPARE(dialogs->questions, QStringList{"El fichero " + QDir::toNativeSeparators(path) +
                                                 " ya existe\r\n¿Desea sobreescribirlo?"});
        const QByteArray bytes = fileBytes(path);
        QCOMPARE(bytes.startsWith(kHeaderLine) && bytes.count("\r\n") == 3, yes);
        if (!yes) QCOMPARE(bytes, QByteArray("anterior"));
    }

    void failedSaveIsReported() {
        step();
        dialogs->files.push_back(dir.filePath(QStringLiteral("no/existe/pasos.txt")));
        click("salvar");
        QCOMPARE(dialogs->messages, QStringList{QStringLiteral("Error guardando fichero")});
        QCOMPARE(sim->trace.size(), size_t{2});
    }

    void borrarThenStepStartsWithRegisterRow() {
        showWindow();
        step(2);
        click("borrar");
        QVERIFY(dialogs->questions.isEmpty());
        QCOMPARE(rows(), 0);
        QVERIFY(sim->trace.empty());
        step();
        QTRY_COMPARE(rows(), 2);
        QCOMPARE(cell(0, 0), QString());
        QCOMPARE(cell(0, 3), QStringLiteral("10"));  // A after the two earlier steps
        QCOMPARE(cell(1, 0), QStringLiteral("0003"));
    }

    // A full trace keeps its latest rows: the grid follows it (the oldest rows leave the top), the line
    // above the grid says how many went, "Salvar" writes the rows kept, "Borrar" starts again.
    void fullTraceDropsItsOldestRows() {
        sim->trace.setCapacity(20);
        showWindow();
        QLabel* dropped = window->findChild<QLabel*>(QStringLiteral("descartadas"));
        QVERIFY(dropped);
        step(5);
        QTRY_COMPARE(rows(), 6);
        QVERIFY(!dropped->isVisible());
        step(3000);
        QTRY_COMPARE(QString(cell(19, 0)), QStringLiteral("0BBD"));  // the step at 0BBD is the last
        QCOMPARE(rows(), 20);
        QCOMPARE(cell(0, 0), QStringLiteral("0BAA"));
        QVERIFY(dropped->isVisible());
        QCOMPARE(dropped->text(), QStringLiteral("Se han descartado las 2986 filas más antiguas; se conservan las 20 últimas."));
        QCOMPARE(lista()->rowAt(0), 10);  // the scroll rule still holds

        const QString path = dir.filePath(QStringLiteral("ultimas.txt"));
        dialogs->files.push_back(path);
        click("salvar");
        const QByteArray bytes = fileBytes(path);
        QCOMPARE(bytes.count("\r\n"), 21);
        QVERIFY(bytes.startsWith(kHeaderLine + "0BAA\t00       \tNOP\t"));
        // Counts of five digits and more in groups of three.
        sim->trace.setCapacity(10);
        step(12345);
        QTRY_COMPARE(dropped->text(), QStringLiteral("Se han descartado las 15\u00A0341 filas más antiguas; se conservan las 10 últimas."));

        click("borrar");
        QVERIFY(!dropped->isVisible());
        QCOMPARE(sim->trace.dropped(), 0u);
        step();
        QTRY_COMPARE(rows(), 2);
        QVERIFY(!dropped->isVisible());
    }

    void closingWithRows_data() {
        QTest::addColumn<bool>("byButton");
        QTest::newRow("title bar") << false;
        QTest::newRow("Cerrar") << true;
    }
    void closingWithRows() {
        QFETCH(bool, byButton);
        auto closeWindow = [&] { byButton ? click("cerrar") : (void)window->close(); };
        showWindow();
        step(3);
        dialogs->answers = {Answer::No, Answer::Yes};
        closeWindow();
        QCOMPARE(dialogs->questions, QStringList{kCloseQuestion});
        QVERIFY(window->isVisible());
        QCOMPARE(sim->trace.size(), size_t{4});
        QCOMPARE(rows(), 4);

        closeWindow();
        QVERIFY(!window->isVisible());
        QVERIFY(sim->trace.empty());
        QCOMPARE(rows(), 0);
        // The next step starts a new trace; an empty window closes without asking.
        step();
        QCOMPARE(sim->trace.size(), size_t{2});
        showWindow();
        click("borrar");
        closeWindow();
        QCOMPARE(dialogs->questions.size(), 2);
        QVERIFY(!window->isVisible());
    }
};

QTEST_MAIN(ListapasosTest)
#include "listapasos_test.moc"
