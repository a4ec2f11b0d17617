// Stepping, the continuous run and its stops, the interrupt buttons and check boxes, the Halt hand-off
// and the close request, driven through the main window's controls.
#include <QAbstractScrollArea>
#include <QDialog>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QTest>
#include <QTimer>
#include <algorithm>
#include <functional>
#include <memory>

#include "inspect/disasm.h"
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

// A loop that changes every view each time round, 65,536 times, then halts: A and the flags, memory at
// 0020 and port 05 (both in view), the word at the top of the stack (SP = 0200), DE and PC.
//   0100 LXI SP,0200 / LXI H,0020 / LXI D,0000
//   0109 INR A / MOV M,A / OUT 05 / XCHG / SHLD 0200 / XCHG / DCX D / MOV A,D / ORA E / JNZ 0109
//   0118 HLT
constexpr uint16_t kViewsLoop = 0x0100, kViewsLoopEnd = 0x0118;
void loadViewsLoop(Window& win, uint8_t last = HLT) {
    win.load(kViewsLoop, {0x31, 0x00, 0x02, 0x21, 0x20, 0x00, 0x11, 0x00, 0x00, 0x3C, 0x77, 0xD3, 0x05, 0xEB,
                          0x22, 0x00, 0x02, 0xEB, 0x1B, 0x7A, 0xB3, 0xC2, 0x09, 0x01, last, 0x09, 0x01});
    win.w->simulator().setPC(kViewsLoop);
    win.w->regen();
}

// What the window shows that is not the machine as it is now, or nothing: every register box, the flag
// boxes, the program view's selected line, the stack list, and the grids (no write left undrawn).
QString viewsBehindTheMachine(Window& win) {
    const vandor::Machine& m = win.m();
    const std::pair<const char*, QString> boxes[] = {
        {"txtA", vandor::hexText(m.a, 2)},   {"txtB", vandor::hexText(m.b, 2)},
        {"txtC", vandor::hexText(m.c, 2)},   {"txtD", vandor::hexText(m.d, 2)},
        {"txtE", vandor::hexText(m.e, 2)},   {"txtF", vandor::hexText(m.f, 2)},
        {"txtH", vandor::hexText(m.h, 2)},   {"txtL", vandor::hexText(m.l, 2)},
        {"txtM", vandor::hexText(m.byteAtHL(), 2)}, {"txtBC", vandor::hexText(m.bc, 4)},
        {"txtDE", vandor::hexText(m.de, 4)}, {"txtHL", vandor::hexText(m.hl, 4)},
        {"txtPC", vandor::hexText(m.pc, 4)}, {"txtSP", vandor::hexText(m.sp, 4)}};
    for (const auto& [name, shown] : boxes)
        if (win.text(name) != shown) return QStringLiteral("%1 shows %2, not %3").arg(name, win.text(name), shown);
    for (int bit = 0; bit < 8; ++bit) {
        const QString name = QStringLiteral("chkF%1").arg(bit);
        if (win.check(name)->isChecked() != bool((m.f >> bit) & 1)) return name + QStringLiteral(" is not F's bit");
    }
    const int line = win.prg()->currentLine();
    if (line < 0 || win.lines()->address(line) != m.pc) return QStringLiteral("the program view's line is not PC's");
    auto* stack = win.child<QAbstractItemView>(QStringLiteral("pila"));
    auto* words = static_cast<vandor::LinesModel*>(stack->model());
    const std::vector<uint16_t> expected = vandor::stackWords(m, words->size());
    for (int i = 0; i < words->size(); ++i)
        if (QString::fromStdString(words->line(i)) != vandor::hexText(expected[size_t(i)], 4))
            return QStringLiteral("stack word %1 is behind").arg(i);
    for (const char* grid : {"grdmem", "grdport"})
        if (win.grid(grid)->gridModel()->behind()) return QStringLiteral("%1 has writes not drawn").arg(grid);
    return {};
}

// Counts the paint events of a widget.
struct PaintCount final : QObject {
    explicit PaintCount(QWidget* widget) { widget->installEventFilter(this); }
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Paint) ++count;
        return false;
    }
    int count = 0;
};

// Sees the window's input after the window's own filter did (the later filter goes first).
struct PressWatch final : QObject {
    std::function<void()> pressed;
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::MouseButtonPress && pressed) pressed();
        return false;
    }
};

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

    // However a run stops, every view shows the machine as the last step left it, though the views caught
    // up a group at a time while it ran.
    void everyViewExactWhenTheRunStops_data() {
        QTest::addColumn<QString>("stop");
        QTest::newRow("HLT") << "HLT";
        QTest::newRow("breakpoint") << "breakpoint";
        QTest::newRow("Parar") << "Parar";
    }
    void everyViewExactWhenTheRunStops() {
        QFETCH(QString, stop);
        Window win;
        ScriptedHalt halt;
        HaltChoice stay;
        stay.leaveHalted = true;
        halt.answers = {stay};
        win.w->setHaltDialog(&halt);
        loadViewsLoop(win, stop == "Parar" ? JMP : HLT);
        if (stop == "breakpoint") win.m().breakpoints[kViewsLoopEnd] = 1;
        if (stop == "Parar") {
            runWhile(win, [] {}, 300'000);
        } else {
            win.click("Ejecutar");
        }
        QVERIFY(!win.sim().running());
        QVERIFY(win.sim().stepsExecuted() > 100'000);
        if (stop == "HLT") QCOMPARE(win.m().pc, kViewsLoopEnd + 1);
        if (stop == "breakpoint") QCOMPARE(win.m().pc, kViewsLoopEnd);
        QCOMPARE(viewsBehindTheMachine(win), QString());
    }

    // While a run goes on, every view is painted again and again, not only once it stops.
    void viewsArePaintedDuringARun() {
        Window win;
        loadViewsLoop(win, JMP);
        auto viewport = [&](const char* name) { return win.child<QAbstractScrollArea>(QString::fromLatin1(name))->viewport(); };
        PaintCount registers(win.box("txtA")), program(viewport("prg")), memory(viewport("grdmem")),
            ports(viewport("grdport"));
        const std::vector<PaintCount*> counts = {&registers, &program, &memory, &ports};
        auto* poll = new QTimer(win.w.get());
        QElapsedTimer started;
        started.start();
        std::vector<int> duringRun;
        QObject::connect(poll, &QTimer::timeout, win.w.get(), [&] {
            const bool allPainted =
                std::all_of(counts.begin(), counts.end(), [](const PaintCount* c) { return c->count >= 3; });
            if (!allPainted && started.elapsed() < 10'000) return;
            poll->stop();
            for (const PaintCount* c : counts) duringRun.push_back(c->count);
            win.click("Ejecutar");
        });
        for (PaintCount* c : counts) c->count = 0;
        poll->start(5);
        win.click("Ejecutar");
        QVERIFY(!win.sim().running());
        QCOMPARE(duringRun.size(), counts.size());
        for (size_t i = 0; i < counts.size(); ++i) QVERIFY2(duringRun[i] >= 3, qPrintable(QString::number(i)));
    }

    // A click during a run acts on views that show the machine as it is at that moment.
    void inputDuringARunSeesTheViewsCaughtUp() {
        Window win;
        loadViewsLoop(win, JMP);
        PressWatch watch;
        QString behind = QStringLiteral("no press seen");
        qApp->installEventFilter(&watch);
        runWhile(win, [&] {
            watch.pressed = [&] { behind = viewsBehindTheMachine(win); };
            QTest::mousePress(win.box("txtD"), Qt::LeftButton);
            watch.pressed = nullptr;
            QTest::mouseRelease(win.box("txtD"), Qt::LeftButton);
        }, 200'000);
        qApp->removeEventFilter(&watch);
        QCOMPARE(behind, QString());
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
