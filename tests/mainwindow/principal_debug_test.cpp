// The debugger's commands in the main window: "Paso atrás" and its enabling, step over, step out and
// run to here (buttons, keys, the program view's context menu) running like "Ejecutar", the message line
// after a step and after a watched cell stopped a run, the Vigilancia window and list.
#include <QListWidget>
#include <QMenu>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <functional>
#include <memory>

#include "inspect/listapasos.h"
#include "machine/vigilancia_window.h"
#include "principal_helpers.h"

namespace {

constexpr uint8_t CALL = 0xCD, JMP = 0xC3, HLT = 0x76, INR_A = 0x3C, RET = 0xC9, LXI_SP = 0x31, STA = 0x32;

// Calls `during` once a run started by `start` has made some steps (from inside the run's event
// processing), then presses "&Parar" if the run still goes on.
void whileRunning(Window& win, const std::function<void()>& start, std::function<void()> during) {
    auto* poll = new QTimer(win.w.get());
    QObject::connect(poll, &QTimer::timeout, win.w.get(), [&win, during, poll] {
        if (win.sim().stepsExecuted() < 100) return;
        poll->stop();
        poll->deleteLater();
        during();
        if (win.sim().running()) win.click("Ejecutar");
    });
    poll->start(1);
    start();
}

QString message(Window& win) { return win.child<QLabel>(QStringLiteral("lblMensaje"))->text(); }

}  // namespace

class PrincipalDebugTest : public QObject {
    Q_OBJECT

private slots:
    // "Paso atrás" is usable exactly when there is a step to undo and no run goes on; it takes the
    // machine, the views and the trace back.
    void stepBackAndItsEnabling() {
        Window win;
        win.load(0, {0x3E, 0x0F, INR_A, INR_A});  // MVI A,0F; INR A; INR A
        QPushButton* back = win.button(QStringLiteral("PasoAtras"));
        QCOMPARE(back->text(), QStringLiteral("Paso atrá&s"));
        QVERIFY(!back->isEnabled());
        win.click("Eje_paso");
        win.click("Eje_paso");
        QVERIFY(back->isEnabled());
        QCOMPARE(win.text("txtA"), QStringLiteral("10"));
        Listapasos* trace = win.w->traceWindow();
        win.w->listains_Click();
        QCOMPARE(win.sim().trace.size(), size_t(3));
        win.click(back);
        QCOMPARE(win.text("txtA"), QStringLiteral("0F"));
        QCOMPARE(win.text("txtPC"), QStringLiteral("0002"));
        QCOMPARE(win.sim().trace.size(), size_t(2));
        QCOMPARE(message(win), QStringLiteral("Paso deshecho: INR A en 0002"));
        // Its key, in the main window.
        QApplication::setActiveWindow(win.w.get());
        QTRY_VERIFY(win.w->isActiveWindow());
        QTest::keyClick(win.w->windowHandle(), Qt::Key_S, Qt::AltModifier);
        QTRY_COMPARE(win.text("txtPC"), QStringLiteral("0000"));
        QVERIFY(!back->isEnabled());
        QVERIFY(win.sim().trace.empty());
        trace->close();

        // Disabled while a run goes on.
        win.load(0x0100, {JMP, 0x00, 0x01});
        win.enter(QStringLiteral("txtPC"), QStringLiteral("0100"));
        bool enabledDuringRun = true;
        whileRunning(win, [&] { win.click("Ejecutar"); }, [&] { enabledDuringRun = back->isEnabled(); });
        QTRY_VERIFY(!win.sim().running());
        QVERIFY(!enabledDuringRun);
        QVERIFY(back->isEnabled());
    }

    // Loading an object file clears the history.
    void loadingClearsTheHistory() {
        Window win;
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("p.hex"));
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(":02000000003CC2\r\n:00000001FF\r\n");
        file.close();
        win.click("Eje_paso");
        QVERIFY(win.button(QStringLiteral("PasoAtras"))->isEnabled());
        win.w->loadObject(path);
        QVERIFY(!win.button(QStringLiteral("PasoAtras"))->isEnabled());
        QVERIFY(!win.sim().canStepBack());
    }

    // After a single step the message line says why the flags are what they are.
    void stepExplainsTheFlags() {
        Window win;
        win.load(0, {0x80});  // ADD B
        win.enter(QStringLiteral("txtA"), QStringLiteral("0F"));
        win.enter(QStringLiteral("txtB"), QStringLiteral("01"));
        win.click("Eje_paso");
        QCOMPARE(message(win), QStringLiteral("0F + 01 = 10: S=0 (bit 7 a 0), Z=0, AC=1 (acarreo del bit 3 al 4), "
                                              "P=0 (número impar de unos), CY=0"));
    }

    // The T-states: the total and the last instruction after a step and a run, zeroed by RESET and by
    // "Poner a cero" (Alt+O) alone, given back by "Paso atrás".
    void tstatesShownAndZeroed() {
        Window win;
        // LXI SP,8000 (10); CALL 0100 (18); 0100: INR A (4) 3000 times, to a breakpoint
        win.load(0, {LXI_SP, 0x00, 0x80, CALL, 0x00, 0x01});
        win.load(0x0100, std::vector<uint8_t>(3000, INR_A));
        win.sim().setBreakpoint(0x0100 + 3000, true);
        auto total = [&] { return win.child<QLabel>(QStringLiteral("lblEstadosT"))->text(); };
        auto last = [&] { return win.child<QLabel>(QStringLiteral("lblUltimaT"))->text(); };
        QCOMPARE(total(), QStringLiteral("0"));
        win.click("Eje_paso");
        win.click("Eje_paso");
        QCOMPARE(total(), QStringLiteral("28"));
        QCOMPARE(last(), QStringLiteral("18"));
        win.click("Ejecutar");
        QTRY_VERIFY(!win.sim().running());
        QCOMPARE(total(), QStringLiteral("12.028"));  // in groups of three
        QCOMPARE(last(), QStringLiteral("4"));
        QApplication::setActiveWindow(win.w.get());
        QTRY_VERIFY(win.w->isActiveWindow());
        QTest::keyClick(win.w->windowHandle(), Qt::Key_O, Qt::AltModifier);
        QTRY_COMPARE(total(), QStringLiteral("0"));
        QCOMPARE(last(), QStringLiteral("0"));
        QCOMPARE(win.text("txtPC"), QString::asprintf("%04X", 0x0100 + 3000));  // nothing else changed
        win.click("PasoAtras");
        QCOMPARE(total(), QStringLiteral("12.024"));
        QCOMPARE(last(), QStringLiteral("4"));
        win.click("Eje_paso");
        QVERIFY(total() != QStringLiteral("0"));
        win.click("Reset");
        QCOMPARE(total(), QStringLiteral("0"));
        QCOMPARE(last(), QStringLiteral("0"));
    }

    // Step over a CALL runs the routine in the run loop ("Parar" shown, every step in the trace) and stops
    // after it; on anything else it is one step. F10 does the same.
    void stepOverRunsTheCall() {
        Window win;
        win.load(0, {LXI_SP, 0x00, 0x20, CALL, 0x10, 0x00, INR_A, HLT});
        win.load(0x10, {INR_A, INR_A, RET});
        win.click("PasoEncima");  // LXI: one step
        QCOMPARE(win.m().pc, 3);
        QCOMPARE(win.sim().stepsExecuted(), uint64_t(1));
        QTest::keyClick(win.w->windowHandle(), Qt::Key_F10);
        QTRY_COMPARE(win.m().pc, 6);
        QCOMPARE(win.m().a, 2);
        QCOMPARE(win.m().sp, 0x2000);
        QCOMPARE(win.sim().stepsExecuted(), uint64_t(5));
        QCOMPARE(win.sim().trace.size(), size_t(6));
        QCOMPARE(win.button(QStringLiteral("Ejecutar"))->text(), QStringLiteral("E&jecutar"));
        QVERIFY(win.button(QStringLiteral("Eje_paso"))->isEnabled());

        // A routine that never returns: the command runs like "Ejecutar" until "Parar".
        win.load(0x10, {JMP, 0x10, 0x00});
        win.enter(QStringLiteral("txtPC"), QStringLiteral("0003"));
        QString caption;
        bool stepUsable = true, overUsable = true;
        whileRunning(win, [&] { win.click("PasoEncima"); }, [&] {
            caption = win.button(QStringLiteral("Ejecutar"))->text();
            stepUsable = win.button(QStringLiteral("Eje_paso"))->isEnabled();
            overUsable = win.button(QStringLiteral("PasoEncima"))->isEnabled();
        });
        QTRY_VERIFY(!win.sim().running());
        QCOMPARE(caption, QStringLiteral("&Parar"));
        QVERIFY(!stepUsable && !overUsable);
    }

    // Step out with its button and Shift+F11; run to here with Ctrl+F10 on the selected program line and
    // from the line's context menu.
    void stepOutAndRunToHere() {
        Window win;
        win.load(0, {LXI_SP, 0x00, 0x20, CALL, 0x10, 0x00, INR_A, INR_A, INR_A, HLT});
        win.load(0x10, {INR_A, INR_A, RET});
        for (int i = 0; i < 3; ++i) win.click("Eje_paso");
        QCOMPARE(win.m().pc, 0x11);
        win.click("SalirSub");
        QTRY_COMPARE(win.m().pc, 6);
        QCOMPARE(win.m().sp, 0x2000);

        win.enter(QStringLiteral("txtPC"), QStringLiteral("0003"));
        win.click("Eje_paso");
        QCOMPARE(win.m().pc, 0x10);
        QTest::keyClick(win.w->windowHandle(), Qt::Key_F11, Qt::ShiftModifier);
        QTRY_COMPARE(win.m().pc, 6);

        auto rowOf = [&win](uint16_t address) {
            for (int i = 0; i < win.lines()->size(); ++i)
                if (win.lines()->address(i) == address) return i;
            return -1;
        };
        const int row = rowOf(0x0008);
        QVERIFY(row >= 0);
        win.prg()->setCurrentLine(row);
        win.prg()->setFocus();
        QTest::keyClick(win.w->windowHandle(), Qt::Key_F10, Qt::ControlModifier);
        QTRY_COMPARE(win.m().pc, 8);
        QCOMPARE(win.m().a, 6);

        win.enter(QStringLiteral("txtPC"), QStringLiteral("0006"));
        // The menu is modal: chosen from a timer once it shows.
        QString firstEntry;
        auto* poll = new QTimer(win.w.get());
        QObject::connect(poll, &QTimer::timeout, win.w.get(), [&firstEntry, poll] {
            for (QWidget* top : QApplication::topLevelWidgets()) {
                auto* menu = qobject_cast<QMenu*>(top);
                if (!menu || !menu->isVisible()) continue;
                poll->stop();
                poll->deleteLater();
                firstEntry = menu->actions().first()->text();
                menu->setActiveAction(menu->actions().first());
                QTest::keyClick(menu, Qt::Key_Return);
                return;
            }
        });
        poll->start(10);
        QVERIFY(rowOf(0x0007) >= 0);
        const QPoint at = win.lineRect(rowOf(0x0007)).center();
        emit win.prg()->customContextMenuRequested(at);
        QTRY_COMPARE(win.m().pc, 7);
        QCOMPARE(firstEntry, QStringLiteral("Ejecutar &hasta aquí"));
    }

    // A watched cell stops the run after the step that wrote it: the message says what touched it, and
    // the memory grid's current cell is that cell. Vigilancia adds it; the frame's list shows it.
    void watchStopsTheRun() {
        Window win;
        win.load(0x0100, {INR_A, STA, 0x34, 0x12, JMP, 0x00, 0x01});
        win.enter(QStringLiteral("txtPC"), QStringLiteral("0100"));
        win.click("Vigilar");
        Vigilancia* watches = win.w->watchWindow();
        QVERIFY(watches->isVisible());
        auto* from = watches->findChild<vandor::HexBox*>(QStringLiteral("txtDesde"));
        from->setFocus();
        from->selectAll();
        QTest::keyClicks(from, QStringLiteral("1234"));
        watches->Anadir_Click();
        auto* list = win.child<QListWidget>(QStringLiteral("lstVigilancia"));
        QCOMPARE(list->count(), 1);
        QCOMPARE(list->item(0)->text(), QStringLiteral("1234:w"));
        watches->close();

        QApplication::setActiveWindow(win.w.get());
        win.click("Ejecutar");
        QTRY_VERIFY(!win.sim().running());
        QCOMPARE(win.m().pc, 0x0104);
        QCOMPARE(win.sim().stepsExecuted(), uint64_t(2));
        QCOMPARE(message(win), QStringLiteral("Vigilancia: STA 1234 en 0101 escribió la dirección 1234"));
        QCOMPARE(win.text("txtDirMem"), QStringLiteral("1234"));
        const QModelIndex cell = win.grid(QStringLiteral("grdmem"))->currentIndex();
        QCOMPARE(cell.row() * 16 + cell.column(), 0x1234);

        // A single step that writes it says so too.
        win.enter(QStringLiteral("txtPC"), QStringLiteral("0101"));
        win.click("Eje_paso");
        QCOMPARE(message(win), QStringLiteral("Vigilancia: STA 1234 en 0101 escribió la dirección 1234"));
    }
};

QTEST_MAIN(PrincipalDebugTest)
#include "principal_debug_test.moc"
