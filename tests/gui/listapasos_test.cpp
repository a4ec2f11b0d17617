// The trace window: its grid over the simulator's trace, the scroll rule, saving, clearing and closing.
#include <QDir>
#include <QFile>
#include <QHeaderView>
#include <QPushButton>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <vector>

#include "inspect/listapasos.h"
#include "machine/simulator.h"
#include "mainwindow/scripted_dialogs.h"

using vandor::Dialogs;
using vandor::ScriptedDialogs;
using vandor::Simulator;

namespace {

// MVI A,0F; INR A; then NOPs (memory starts at 00).
const std::vector<uint8_t> kProgram = {0x3E, 0x0F, 0x3C};

const QByteArray kHeaderLine =
    "DIR \tDAT      \tINS         \tA \tB \tC \tD \tE \tF \tszapc\tH \tL \tM \tPC  \tSP  \r\n";

}  // namespace

class ListapasosTest : public QObject {
    Q_OBJECT

    Simulator* sim = nullptr;
    ScriptedDialogs* dialogs = nullptr;
    Listapasos* window = nullptr;

    QTableView* lista() { return window->findChild<QTableView*>(QStringLiteral("lista")); }
    QAbstractItemModel* model() { return lista()->model(); }
    QString cell(int row, int column) { return model()->index(row, column).data().toString(); }
    QPushButton* button(const char* name) { return window->findChild<QPushButton*>(QString::fromLatin1(name)); }

    // One step as the main window makes it: the step, then the trace window told.
    void step(int times = 1) {
        for (int i = 0; i < times; ++i) {
            sim->step();
            window->traceChanged();
        }
    }
    void showWindow() {
        window->show();
        QVERIFY(QTest::qWaitForWindowExposed(window));
    }
    static QByteArray fileBytes(const QString& path) {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
    }

private slots:
    void init() {
        sim = new Simulator;
        for (size_t i = 0; i < kProgram.size(); ++i) sim->m.savmem(static_cast<uint16_t>(i), kProgram[i]);
        sim->regen();
        dialogs = new ScriptedDialogs;
        window = new Listapasos(*sim, *dialogs);
    }
    void cleanup() {
        delete window;
        delete dialogs;
        delete sim;
    }

    void controlsAtLoad() {
        QCOMPARE(window->windowTitle(), QStringLiteral("Vandor 8085"));
        QVERIFY(window->isWindow());
        QVERIFY(lista());
        QCOMPARE(model()->rowCount(), 0);
        QCOMPARE(model()->columnCount(), 15);
        const QStringList titles = {"DIR ", "DAT      ", "INS         ", "A ", "B ", "C ", "D ", "E ",
                                    "F ", "szapc", "H ", "L ", "M ", "PC  ", "SP  "};
        for (int c = 0; c < 15; ++c) QCOMPARE(model()->headerData(c, Qt::Horizontal).toString(), titles[c]);
        QVERIFY(QFontInfo(lista()->font()).fixedPitch());
        // A title's length sets its column's width.
        QVERIFY(lista()->columnWidth(2) > lista()->columnWidth(1));
        QVERIFY(lista()->columnWidth(1) > lista()->columnWidth(0));
        QCOMPARE(lista()->columnWidth(3), lista()->columnWidth(4));
        QCOMPARE(button("salvar")->text(), QStringLiteral("&Salvar"));
        QCOMPARE(button("borrar")->text(), QStringLiteral("&Borrar"));
        QCOMPARE(button("cerrar")->text(), QStringLiteral("&Cerrar"));
    }

    void firstStepAddsTwoRows() {
        showWindow();
        step();
        QTRY_COMPARE(model()->rowCount(), 2);
        // The state before the step, then the step.
        const QStringList before = {"", "", "", "00", "00", "00", "00", "00", "00", "00000",
                                    "00", "00", "3E", "0000", "0000"};
        const QStringList after = {"0000", "3E 0F    ", "MVI A,0F", "0F", "00", "00", "00", "00", "00",
                                   "00000", "00", "00", "3E", "0002", "0000"};
        for (int c = 0; c < 15; ++c) {
            QCOMPARE(cell(0, c), before[c]);
            QCOMPARE(cell(1, c), after[c]);
        }
        step();
        QTRY_COMPARE(model()->rowCount(), 3);
        QCOMPARE(cell(2, 2), QStringLiteral("INR A"));
        QCOMPARE(cell(2, 9), QStringLiteral("00100"));
    }

    void datIsAlwaysNineCharacters_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("dat");
        QTest::newRow("one byte") << QByteArray("\x00", 1) << "00       ";
        QTest::newRow("two bytes") << QByteArray("\x3E\x0F", 2) << "3E 0F    ";
        QTest::newRow("three bytes") << QByteArray("\xC3\x00\x01", 3) << "C3 00 01 ";
    }
    void datIsAlwaysNineCharacters() {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, dat);
        for (int i = 0; i < bytes.size(); ++i) sim->m.savmem(static_cast<uint16_t>(0x0100 + i), uint8_t(bytes[i]));
        sim->m.pc = 0x0100;
        sim->regen();
        showWindow();
        step();
        QTRY_COMPARE(model()->rowCount(), 2);
        QCOMPARE(cell(1, 0), QStringLiteral("0100"));
        QCOMPARE(cell(1, 1), dat);
    }

    // A state changed between two steps is recorded in a register-only row before the next step's row;
    // F counts like any register.
    void editBetweenStepsAddsRegisterRow_data() {
        QTest::addColumn<int>("which");
        QTest::addColumn<int>("column");
        QTest::addColumn<QString>("shown");
        QTest::newRow("B") << 0 << 4 << "12";
        QTest::newRow("F") << 1 << 8 << "01";
        QTest::newRow("SP") << 2 << 14 << "2000";
    }
    void editBetweenStepsAddsRegisterRow() {
        QFETCH(int, which);
        QFETCH(int, column);
        QFETCH(QString, shown);
        showWindow();
        step(2);
        QTRY_COMPARE(model()->rowCount(), 3);  // two steps without an edit: one row each
        switch (which) {
        case 0: sim->m.b = 0x12; sim->m.recomputePairs(); break;
        case 1: sim->m.f = 0x01; sim->m.recomputePairs(); break;
        case 2: sim->m.sp = 0x2000; break;
        }
        step();
        QTRY_COMPARE(model()->rowCount(), 5);
        QCOMPARE(cell(3, 0), QString());
        QCOMPARE(cell(3, 2), QString());
        QCOMPARE(cell(3, column), shown);
        QCOMPARE(cell(4, 0), QStringLiteral("0003"));
        QCOMPARE(cell(4, column), shown);
    }

    void scrollRuleKeepsLastTenRowsInView() {
        showWindow();
        step(5);
        QTRY_COMPARE(model()->rowCount(), 6);
        QCOMPARE(lista()->rowAt(0), 0);  // ten rows or fewer with the header: nothing to scroll
        step(20);
        QTRY_COMPARE(model()->rowCount(), 26);
        // 27 grid rows with the header: the first in view is grid row 17, the data row 16.
        QCOMPARE(lista()->rowAt(0), 16);
        QVERIFY(lista()->viewport()->rect().contains(lista()->visualRect(model()->index(25, 0))));
        // Scrolled away by the user, the grid comes back after the next recorded step.
        lista()->verticalScrollBar()->setValue(0);
        QCOMPARE(lista()->rowAt(0), 0);
        step();
        QTRY_COMPARE(model()->rowCount(), 27);
        QCOMPARE(lista()->rowAt(0), 17);
    }

    // Many steps reported in a burst all reach the grid, and a row whose registers were filled in after
    // the grid had caught up (a step around the halt dialog) is shown filled.
    void burstsAndLateRegisterColumnsReachTheGrid() {
        showWindow();
        step(3000);
        QTRY_COMPARE(model()->rowCount(), 3001);
        QCOMPARE(lista()->rowAt(0), 2991);

        sim->trace.listainstru(sim->m);
        window->flush();
        QCOMPARE(model()->rowCount(), 3002);
        QCOMPARE(cell(3001, 3), QString());
        QSignalSpy changed(model(), &QAbstractItemModel::dataChanged);
        sim->m.EjecutaPASO(false);
        sim->regen();
        sim->trace.listareg(sim->m);
        window->traceChanged();
        QTRY_VERIFY(changed.count() > 0);
        QCOMPARE(cell(3001, 3), QStringLiteral("10"));
    }

    void hiddenWindowCatchesUpWhenShown() {
        step(3);
        window->show();
        QCOMPARE(model()->rowCount(), 4);
        QVERIFY(QTest::qWaitForWindowExposed(window));
    }

    void largeTraceOpensAtItsEnd() {
        for (int i = 0; i < 1'000'000; ++i) {
            sim->trace.listainstru(sim->m);
            sim->m.pc = static_cast<uint16_t>(sim->m.pc + 1);
            sim->trace.listareg(sim->m);
        }
        const int rows = static_cast<int>(sim->trace.size());
        showWindow();
        QCOMPARE(model()->rowCount(), rows);
        QCOMPARE(lista()->rowAt(0), rows - 10);
        QCOMPARE(cell(rows - 1, 0), QStringLiteral("423F"));  // 999,999 mod 65,536
    }

    void savingAnEmptyTraceAsksNothing() {
        QTest::mouseClick(button("salvar"), Qt::LeftButton);
        QVERIFY(dialogs->fileRequests.isEmpty());
        QVERIFY(dialogs->messages.isEmpty());
    }

    void cancellingTheSaveDialogShowsNoMessage() {
        step();
        QTest::mouseClick(button("salvar"), Qt::LeftButton);
        QCOMPARE(dialogs->fileRequests.size(), 1);
        const Dialogs::FileRequest& r = dialogs->fileRequests.first();
        QCOMPARE(r.title, QStringLiteral("Salvar fichero .TXT"));
        QCOMPARE(r.filter, QStringLiteral("Fichero de texto (*.txt)|*.txt|Todos los ficheros (*.*)|*.*"));
        QCOMPARE(r.defaultName, QStringLiteral("*.txt"));
        QVERIFY(dialogs->messages.isEmpty());
        QVERIFY(dialogs->questions.isEmpty());
    }

    void savedFileByteForByte() {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("pasos.txt"));
        step(2);
        dialogs->files.push_back(path);
        QTest::mouseClick(button("salvar"), Qt::LeftButton);
        QVERIFY(dialogs->questions.isEmpty());
        QVERIFY(dialogs->messages.isEmpty());
        const QByteArray expected =
            kHeaderLine +
            "\t\t\t00\t00\t00\t00\t00\t00\t00000\t00\t00\t3E\t0000\t0000\r\n"
            "0000\t3E 0F    \tMVI A,0F\t0F\t00\t00\t00\t00\t00\t00000\t00\t00\t3E\t0002\t0000\r\n"
            "0002\t3C       \tINR A\t10\t00\t00\t00\t00\t10\t00100\t00\t00\t3E\t0003\t0000\r\n";
        QCOMPARE(fileBytes(path), expected);
    }

    void overwriteQuestion_data() {
        QTest::addColumn<bool>("yes");
        QTest::newRow("No keeps the file") << false;
        QTest::newRow("Yes replaces it") << true;
    }
    void overwriteQuestion() {
        QFETCH(bool, yes);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("viejo.txt"));
        {
            QFile f(path);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write("anterior");
        }
        step();
        dialogs->files.push_back(path);
        dialogs->answers.push_back(yes ? Dialogs::Answer::Yes : Dialogs::Answer::No);
        QTest::mouseClick(button("salvar"), Qt::LeftButton);
        QCOMPARE(dialogs->questions,
                 QStringList{QStringLiteral("El fichero ") + QDir::toNativeSeparators(path) +
                             QStringLiteral(" ya existe\r\n¿Desea sobreescribirlo?")});
        const QByteArray bytes = fileBytes(path);
        if (yes) {
            QVERIFY(bytes.startsWith(kHeaderLine));
            QCOMPARE(bytes.count("\r\n"), 3);
        } else {
            QCOMPARE(bytes, QByteArray("anterior"));
        }
        QVERIFY(dialogs->messages.isEmpty());
    }

    void failedSaveIsReported() {
        QTemporaryDir dir;
        step();
        dialogs->files.push_back(dir.filePath(QStringLiteral("no/existe/pasos.txt")));
        QTest::mouseClick(button("salvar"), Qt::LeftButton);
        QCOMPARE(dialogs->messages, QStringList{QStringLiteral("Error guardando fichero")});
        QCOMPARE(sim->trace.size(), size_t{2});
    }

    void borrarThenStepStartsWithRegisterRow() {
        showWindow();
        step(2);
        QTest::mouseClick(button("borrar"), Qt::LeftButton);
        QVERIFY(dialogs->questions.isEmpty());
        QCOMPARE(model()->rowCount(), 0);
        QVERIFY(sim->trace.empty());
        step();
        QTRY_COMPARE(model()->rowCount(), 2);
        QCOMPARE(cell(0, 0), QString());
        QCOMPARE(cell(0, 3), QStringLiteral("10"));  // A after the two earlier steps
        QCOMPARE(cell(1, 0), QStringLiteral("0003"));
    }

    void closingWithRows_data() {
        QTest::addColumn<bool>("byButton");
        QTest::newRow("title bar") << false;
        QTest::newRow("Cerrar") << true;
    }
    void closingWithRows() {
        QFETCH(bool, byButton);
        showWindow();
        step(3);
        QTRY_COMPARE(model()->rowCount(), 4);
        auto closeWindow = [&] {
            if (byButton) QTest::mouseClick(button("cerrar"), Qt::LeftButton);
            else window->close();
        };
        const QString question = QStringLiteral("Todo el listado se perderá.\r\n¿Desea cerrar de todas formas?");

        dialogs->answers.push_back(Dialogs::Answer::No);
        closeWindow();
        QCOMPARE(dialogs->questions, QStringList{question});
        QVERIFY(window->isVisible());
        QCOMPARE(sim->trace.size(), size_t{4});
        QCOMPARE(model()->rowCount(), 4);

        dialogs->answers.push_back(Dialogs::Answer::Yes);
        closeWindow();
        QCOMPARE(dialogs->questions.size(), 2);
        QVERIFY(!window->isVisible());
        QVERIFY(sim->trace.empty());
        QCOMPARE(model()->rowCount(), 0);

        // The next step starts a new trace; an empty window closes without asking.
        step();
        QCOMPARE(sim->trace.size(), size_t{2});
        showWindow();
        QTest::mouseClick(button("borrar"), Qt::LeftButton);
        closeWindow();
        QCOMPARE(dialogs->questions.size(), 2);
        QVERIFY(!window->isVisible());
    }
};

QTEST_MAIN(ListapasosTest)
#include "listapasos_test.moc"
