// Stepping, the continuous run and its stops, the interrupt buttons and check boxes, the Halt hand-off
// and the close request, driven through the main window's controls.
#include <QDialog>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QTest>
#include <QTimer>
#include <functional>
#include <memory>

#include "inspect/listapasos.h"
#include "principal_helpers.h"

using vandor::HaltChoice;
using vandor::HaltOption;

namespace {

// Answers HLT from a list and records how it was asked.
class ScriptedHalt final : public vandor::HaltDialog {
public:
    std::vector<HaltChoice> answers;
    std::vector<bool> asked;  // runInProgress per HLT
    HaltChoice chooseHaltExit(bool runInProgress) override {
        asked.push_back(runInProgress);
        if (asked.size() <= answers.size()) return answers[asked.size() - 1];
        return {};
    }
};

constexpr uint8_t JMP = 0xC3, HLT = 0x76, INR_A = 0x3C, EI = 0xFB;

// Runs `during` once the run loop is going, then presses "&Parar" if the run is still on.
// Starts a run and, once it has executed some steps (however busy the machine is), calls `during` from
// inside the run's event processing, then presses "&Parar" if the run still goes on.
void runWhile(Window& win, std::function<void()> during, uint64_t afterSteps = 100) {
    auto* poll = new QTimer(win.w.get());
    auto started = std::make_shared<QElapsedTimer>();
    started->start();
    QObject::connect(poll, &QTimer::timeout, win.w.get(), [&win, during, poll, afterSteps, started] {
        if (win.sim().stepsExecuted() < afterSteps && started->elapsed() < 10000) return;
        poll->stop();
        poll->deleteLater();
        during();
        if (win.sim().running()) win.click("Ejecutar");
    });
    poll->start(1);
    win.click("Ejecutar");
}

}  // namespace

class PrincipalRunTest : public QObject {
    Q_OBJECT

private slots:
    void singleStep() {
        Window win;
        win.load(0, {INR_A, INR_A});
        win.click("Eje_paso");
        QCOMPARE(win.m().pc, 1);
        QCOMPARE(win.text("txtA"), QString("01"));
        QCOMPARE(win.text("txtPC"), QString("0001"));
        QCOMPARE(win.prg()->currentLine(), 1);
        QCOMPARE(win.sim().stepsExecuted(), 1u);
        QVERIFY(win.sim().trace.size() >= 1);
    }

    void runStopsAtTheNextBreakpoint() {
        Window win;
        win.load(0, {INR_A, INR_A, INR_A, INR_A, INR_A, INR_A, JMP, 0, 0});
        win.m().breakpoints[0] = 1;
        win.m().breakpoints[3] = 1;
        win.m().breakpoints[5] = 1;
        // Started on a breakpoint, the run executes that instruction and stops at the next one.
        win.click("Ejecutar");
        QCOMPARE(win.m().pc, 3);
        QCOMPARE(win.text("txtA"), QString("03"));
        QCOMPARE(win.button("Ejecutar")->text(), QString("E&jecutar"));
        QVERIFY(win.button("Eje_paso")->isEnabled());
        win.click("Ejecutar");
        QCOMPARE(win.m().pc, 5);
        QCOMPARE(win.text("txtPC"), QString("0005"));
        QCOMPARE(win.prg()->currentLine(), 5);
    }

    void pararStopsTheRun() {
        Window win;
        win.load(0, {JMP, 0, 0});
        QString caption;
        bool stepUsable = true;
        runWhile(win, [&] {
            caption = win.button("Ejecutar")->text();
            stepUsable = win.button("Eje_paso")->isEnabled();
        });
        QCOMPARE(caption, QString("&Parar"));
        QVERIFY(!stepUsable);
        QVERIFY(!win.sim().running());
        QCOMPARE(win.button("Ejecutar")->text(), QString("E&jecutar"));
        QVERIFY(win.button("Eje_paso")->isEnabled());
        QVERIFY(win.sim().stepsExecuted() > 10);
    }

    // Between two steps of a run the buttons and editors act on the machine the run goes on with.
    void interruptsAndEditsDuringARun() {
        Window win;
        win.load(0, {JMP, 0, 0});
        win.load(0x24, {JMP, 0x24, 0});
        win.m().sp = 0x2000;
        runWhile(win, [&] {
            win.click("Trap");
            win.enter("txtB", "A5");
        });
        QCOMPARE(win.m().pc, 0x24);
        QCOMPARE(win.m().sp, 0x1FFE);
        QCOMPARE(win.m().b, 0xA5);
        QCOMPARE(win.m().c, 0);
        QCOMPARE(win.text("txtBC"), QString("A500"));
        QCOMPARE(win.text("txtSP"), QString("1FFE"));
    }

    void enablingRuleOnTheButtons() {
        Window win;
        win.click(win.check("CHKEI"));
        QVERIFY(win.m().ie);
        QVERIFY(win.button("Intr")->isEnabled());
        for (const char* b : {"Rst55", "Rst65", "Rst75"}) QVERIFY(!win.button(b)->isEnabled());
        win.click(win.check("CHK65"));
        QVERIFY(!win.m().m65);
        QVERIFY(win.button("Rst65")->isEnabled());

        win.m().pc = 0x0105;
        win.m().sp = 0x2000;
        win.w->regen();
        win.click("Rst65");
        QCOMPARE(win.m().mem[0x1FFF], 0x01);
        QCOMPARE(win.m().mem[0x1FFE], 0x05);
        QCOMPARE(win.m().sp, 0x1FFE);
        QCOMPARE(win.m().pc, 0x0034);
        QVERIFY(!win.check("CHKEI")->isChecked());
        for (const char* b : {"Intr", "Rst55", "Rst65", "Rst75"}) QVERIFY(!win.button(b)->isEnabled());
        QVERIFY(win.button("Trap")->isEnabled());
    }

    void eiStepEnablesTheButtons() {
        Window win;
        win.load(0, {EI, 0xF3});  // EI, DI
        win.click("Eje_paso");
        QVERIFY(win.check("CHKEI")->isChecked());
        QVERIFY(win.button("Intr")->isEnabled());
        win.click("Eje_paso");
        QVERIFY(!win.check("CHKEI")->isChecked());
        QVERIFY(!win.button("Intr")->isEnabled());
    }

    void intrUsesTheVectorBox() {
        Window win;
        win.load(0x0200, {INR_A});
        win.m().pc = 0x0200;
        win.m().sp = 0x3000;
        win.w->regen();
        win.click(win.check("CHKEI"));
        win.enter("txtVec", "ef");
        win.click("Intr");
        QCOMPARE(win.m().pc, 0x0028);
        QCOMPARE(win.m().mem[0x0200], INR_A);
        QCOMPARE(win.m().mem[0x2FFF], 0x02);
        QCOMPARE(win.m().mem[0x2FFE], 0x00);
        QCOMPARE(win.grid("grdmem")->model()->index(0x20, 0).data().toString(), QString("3C"));
    }

    void sidAndSod() {
        Window win;
        win.click(win.check("chkSID"));
        QVERIFY(win.m().sid);
        win.load(0, {0x3E, 0xC0, 0x30});  // MVI A,C0; SIM
        win.click("Eje_paso");
        win.click("Eje_paso");
        QVERIFY(win.m().sod);
        QVERIFY(win.check("ChkSOD")->isChecked());
    }

    void haltDuringARun() {
        Window win;
        ScriptedHalt halt;
        win.w->setHaltDialog(&halt);
        win.load(0, {INR_A, HLT});
        HaltChoice goOn;
        goOn.continueRun = true;
        halt.answers = {goOn, HaltChoice{}};  // RESET and go on, then RESET and stop
        win.click("Ejecutar");
        QCOMPARE(halt.asked, (std::vector<bool>{true, true}));
        QVERIFY(!win.sim().running());
        QCOMPARE(win.button("Ejecutar")->text(), QString("E&jecutar"));
        QCOMPARE(win.m().pc, 0);
        QCOMPARE(win.text("txtA"), QString("00"));
        QCOMPARE(win.sim().stepsExecuted(), 4u);
    }

    void haltWhileStepping() {
        Window win;
        ScriptedHalt halt;
        win.w->setHaltDialog(&halt);
        win.load(0x10, {HLT});
        win.m().pc = 0x10;
        win.w->regen();
        win.click("Eje_paso");
        QCOMPARE(halt.asked, std::vector<bool>{false});
        QCOMPARE(win.m().pc, 0);
        QVERIFY(!win.sim().running());
    }

    // The real Halt window: INTR with CF typed in its vector box calls 0008 with the return address
    // after the HLT, and the main window's vector box shows the byte.
    void intrChosenInTheHaltWindow() {
        Window win;
        win.load(0x0100, {EI, HLT});
        win.m().pc = 0x0100;
        win.m().sp = 0x4000;
        win.w->regen();
        win.click("Eje_paso");
        bool shown = false;
        QTimer::singleShot(0, win.w.get(), [&] {
            auto* halt = win.w->findChild<QDialog*>(QStringLiteral("Halt"));
            if (!halt || !halt->isVisible()) return;
            shown = true;
            QApplication::setActiveWindow(halt);
            if (!QTest::qWaitForWindowActive(halt)) qWarning("Halt not active");
            auto* vec = halt->findChild<QLineEdit*>(QStringLiteral("txtVec"));
            QTest::mouseClick(halt->findChild<QWidget*>(QStringLiteral("opt5")), Qt::LeftButton);
            vec->setFocus(Qt::TabFocusReason);
            vec->selectAll();
            QTest::keyClicks(vec, "cf");
            QTest::mouseClick(halt->findChild<QPushButton*>(QStringLiteral("aceptar")), Qt::LeftButton);
            if (halt->isVisible()) halt->hide();
        });
        win.click("Eje_paso");
        QVERIFY(shown);
        QCOMPARE(win.m().pc, 0x0008);
        QCOMPARE(win.m().mem[0x3FFF], 0x01);
        QCOMPARE(win.m().mem[0x3FFE], 0x02);
        QCOMPARE(win.text("txtVec"), QString("CF"));
        QCOMPARE(win.text("txtPC"), QString("0008"));
    }

    // A run goes on past the trace's capacity: the oldest rows go, the latest stay, nothing is asked.
    void fullTraceKeepsTheLatestRows() {
        Window win;
        win.load(0, {INR_A, JMP, 0, 0});
        win.sim().trace.setCapacity(50);
        runWhile(win, [] {}, 500);
        QVERIFY(!win.sim().running());
        QVERIFY(win.sim().stepsExecuted() >= 500);
        QCOMPARE(win.sim().trace.size(), 50u);
        QCOMPARE(win.sim().trace.dropped(), win.sim().stepsExecuted() + 1 - 50);  // with the register row
        QCOMPARE(win.sim().trace.row(49).a, win.m().a);
        QCOMPARE(win.dialogs.messages.size(), 0);
        QCOMPARE(win.button("Ejecutar")->text(), QString("E&jecutar"));
    }

    void closeRequest() {
        Window win;
        win.load(0, {JMP, 0, 0});
        int closes = 0;
        win.w->onCloseRequested = [&] { ++closes; };
        win.w->listains_Click();
        QVERIFY(win.w->traceWindow()->isVisible());
        bool visibleDuringRun = false;
        runWhile(win, [&] {
            win.w->close();
            visibleDuringRun = win.w->isVisible();
        });
        QVERIFY(visibleDuringRun);
        QCOMPARE(closes, 0);
        win.w->close();
        QCOMPARE(closes, 1);
        QVERIFY(!win.w->isVisible());
        QVERIFY(!win.w->traceWindow()->isVisible());
    }
};

QTEST_MAIN(PrincipalRunTest)
#include "principal_run_test.moc"
