// The speed choice of the main window: its keys and rate box, the slow speed with every view following
// each step, and breakpoints, HLT and "Parar" at the paced speeds as at full speed.
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QElapsedTimer>
#include <QTest>
#include <QTimer>
#include <functional>
#include <memory>

#include "principal_helpers.h"

namespace {

constexpr uint8_t JMP = 0xC3, HLT = 0x76, INR_A = 0x3C, NOP = 0x00;

// Leaves the machine halted at every HLT, and counts them.
class LeaveHalted final : public vandor::HaltDialog {
public:
    int asked = 0;
    vandor::HaltChoice chooseHaltExit(bool) override {
        ++asked;
        vandor::HaltChoice c;
        c.leaveHalted = true;
        return c;
    }
};

QComboBox* speedBox(Window& win) { return win.child<QComboBox>("cmbVelocidad"); }
QDoubleSpinBox* rateBox(Window& win) { return win.child<QDoubleSpinBox>("txtRitmo"); }

void chooseSpeed(Window& win, Qt::Key key) {
    QTest::keyClick(win.w.get(), key, Qt::ControlModifier);
    QCoreApplication::processEvents();
}

}  // namespace

class PrincipalSpeedTest : public QObject {
    Q_OBJECT

private slots:
    // Ctrl+1, Ctrl+2 and Ctrl+3 choose; each paced speed keeps its own rate within its range.
    void keysAndRates() {
        Window win;
        QCOMPARE(speedBox(win)->currentText(), QStringLiteral("Máxima"));
        QVERIFY(!rateBox(win)->isEnabled());
        QCOMPARE(speedBox(win)->count(), 3);

        chooseSpeed(win, Qt::Key_2);
        QCOMPARE(speedBox(win)->currentText(), QStringLiteral("Tiempo real"));
        QVERIFY(rateBox(win)->isEnabled());
        QCOMPARE(rateBox(win)->value(), 3.072);
        QCOMPARE(rateBox(win)->text(), QStringLiteral("3.072 MHz"));
        QCOMPARE(rateBox(win)->minimum(), 1.0);
        QCOMPARE(rateBox(win)->maximum(), 10.0);
        rateBox(win)->setValue(12.5);  // beyond the range: the greatest clock
        QCOMPARE(rateBox(win)->value(), 10.0);
        rateBox(win)->setValue(4.9152);
        QCOMPARE(rateBox(win)->value(), 4.915);

        chooseSpeed(win, Qt::Key_3);
        QCOMPARE(speedBox(win)->currentText(), QStringLiteral("Lenta"));
        QCOMPARE(rateBox(win)->value(), 10.0);
        QCOMPARE(rateBox(win)->maximum(), 1000.0);
        QCOMPARE(rateBox(win)->minimum(), 1.0);
        rateBox(win)->setValue(250);

        chooseSpeed(win, Qt::Key_2);
        QCOMPARE(rateBox(win)->value(), 4.915);
        chooseSpeed(win, Qt::Key_3);
        QCOMPARE(rateBox(win)->value(), 250.0);
        chooseSpeed(win, Qt::Key_1);
        QVERIFY(!rateBox(win)->isEnabled());
    }

    // At the slow speed the register box shows every step's value; at full speed the views are drawn
    // once the run has gone past them.
    void slowSpeedShowsEveryStep() {
        for (bool slow : {true, false}) {
            Window win;
            LeaveHalted halt;
            win.w->setHaltDialog(&halt);
            win.load(0, {INR_A, INR_A, INR_A, INR_A, HLT});
            if (slow) {
                chooseSpeed(win, Qt::Key_3);
                rateBox(win)->setValue(1000);
            }
            QStringList shown;
            QObject::connect(win.box("txtA"), &QLineEdit::textChanged, [&](const QString& t) { shown << t; });
            win.click("Ejecutar");
            QTRY_VERIFY_WITH_TIMEOUT(!win.sim().running(), 10000);
            QCOMPARE(halt.asked, 1);
            QCOMPARE(win.text("txtA"), QStringLiteral("04"));
            if (slow)
                QCOMPARE(shown, (QStringList{"01", "02", "03", "04"}));
            else
                QCOMPARE(shown, (QStringList{"04"}));
        }
    }

    // A breakpoint ends a real-time run at its very step, as at full speed; so does "Parar" at both
    // paced speeds, and the window takes clicks while it waits for the next step.
    void breakpointsAndPararAtPacedSpeeds() {
        Window win;
        chooseSpeed(win, Qt::Key_2);
        rateBox(win)->setValue(10);
        win.load(0, {NOP, NOP, NOP, INR_A, JMP, 0, 0});
        win.m().breakpoints[3] = 1;
        win.click("Ejecutar");
        QTRY_VERIFY_WITH_TIMEOUT(!win.sim().running(), 10000);
        QCOMPARE(win.m().pc, 3);
        QCOMPARE(win.sim().stepsExecuted(), 3u);
        QCOMPARE(win.button("Ejecutar")->text(), QString("E&jecutar"));

        win.m().breakpoints[3] = 0;
        for (Qt::Key speed : {Qt::Key_2, Qt::Key_3}) {
            chooseSpeed(win, speed);
            QString caption;
            const uint64_t before = win.sim().stepsExecuted();
            runWhile(win, [&] { caption = win.button("Ejecutar")->text(); }, before + 2);
            QCOMPARE(caption, QString("&Parar"));
            QTRY_VERIFY_WITH_TIMEOUT(!win.sim().running(), 10000);
            QCOMPARE(win.button("Ejecutar")->text(), QString("E&jecutar"));
            QVERIFY(win.sim().stepsExecuted() >= before + 2);
        }
    }
};

QTEST_MAIN(PrincipalSpeedTest)
#include "principal_speed_test.moc"
