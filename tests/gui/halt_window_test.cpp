// The Halt dialog: its controls, the state it shows on every showing, the refused ways of closing it,
// the vector box's entry rules and the way out it hands to the simulator.
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <functional>
#include <vector>

#include "machine/halt_window.h"
#include "mainwindow/scripted_dialogs.h"

using vandor::HaltChoice;
using vandor::HaltOption;
using vandor::ScriptedDialogs;
using vandor::Simulator;

namespace {

void load(Simulator& sim, uint16_t at, const std::vector<uint8_t>& bytes) {
    for (size_t i = 0; i < bytes.size(); ++i) sim.m.savmem(static_cast<uint16_t>(at + i), bytes[i]);
    sim.regen();
}

QList<bool> bits(const char* ones) {
    QList<bool> list;
    for (const char* p = ones; *p; ++p) list << (*p == '1');
    return list;
}

// Steps until the HLT at PC has been executed (the dialog shows inside that step).
void stepThroughHlt(Simulator& sim) {
    for (int i = 0; i < 100 && sim.m.mem[sim.m.pc] != 0x76; ++i) sim.step();
    sim.step();
}

}  // namespace

class HaltWindowTest : public QObject {
    Q_OBJECT

    Simulator* sim = nullptr;
    ScriptedDialogs* dialogs = nullptr;
    Halt* halt = nullptr;

    template <class T> T* child(const char* name) {
        T* w = halt->findChild<T*>(QString::fromLatin1(name));
        if (!w) qFatal("no control %s", name);
        return w;
    }
    QRadioButton* opt(int i) { return child<QRadioButton>(QStringLiteral("opt%1").arg(i).toLatin1().constData()); }

    // Runs `inside` while the dialog is up, then closes it the way "Aceptar" does if `inside` left it
    // open, so that a failed check can never leave the test waiting on a modal dialog.
    void whileShown(std::function<void()> inside) {
        QTimer::singleShot(0, halt, [this, inside] {
            QVERIFY(QTest::qWaitForWindowExposed(halt));
            halt->activateWindow();
            QVERIFY(QTest::qWaitForWindowActive(halt));
            inside();
            if (halt->isVisible()) halt->done(QDialog::Accepted);
        });
    }

    void clickAceptar() { QTest::mouseClick(child<QPushButton>("aceptar"), Qt::LeftButton); }

    void typeIntoVector(const QString& text) {
        auto* box = child<QLineEdit>("txtVec");
        QTest::mouseClick(box, Qt::LeftButton);
        QCoreApplication::processEvents();
        QVERIFY(box->hasFocus());
        QCOMPARE(box->selectedText(), box->text());  // selected on focus: typing replaces it
        QTest::keyClicks(box, text);
    }

private slots:
    void init() {
        sim = new Simulator;
        dialogs = new ScriptedDialogs;
        halt = new Halt(*sim, *dialogs, nullptr);
        sim->haltDialog = halt;
    }
    void cleanup() {
        delete halt;
        delete dialogs;
        delete sim;
    }

    void controlsAndTexts() {
        QCOMPARE(halt->windowTitle(), QStringLiteral("Vandor 8085"));
        QCOMPARE(child<QLabel>("Label1")->text(), QStringLiteral("Programa Parado por instrucción HLT"));
        QCOMPARE(child<QLabel>("Label2")->text(), QStringLiteral("Seleccione modo de salida"));
        QCOMPARE(child<QLabel>("Label33")->text(), QStringLiteral("Vector:"));
        QCOMPARE(child<QCheckBox>("eje")->text(), QStringLiteral("Continuar ejecución"));
        QCOMPARE(child<QPushButton>("aceptar")->text(), QStringLiteral("Aceptar"));
        QVERIFY(QFontInfo(child<QLineEdit>("txtVec")->font()).fixedPitch());
        QCOMPARE(child<QLineEdit>("txtVec")->text(), QStringLiteral("00"));
        // Disabled and unchecked until a run shows the dialog.
        QVERIFY(!child<QCheckBox>("eje")->isEnabled());
        QVERIFY(!child<QCheckBox>("eje")->isChecked());

        halt->show();
        QVERIFY(QTest::qWaitForWindowExposed(halt));
        const char* texts[] = {"RESET", "TRAP", "RST5.5", "RST6.5", "RST7.5", "INTR"};
        for (int i = 0; i < 6; ++i) {
            QCOMPARE(opt(i)->text(), QString::fromLatin1(texts[i]));
            if (i > 0) {
                // One row, left to right.
                QCOMPARE(opt(i)->y(), opt(0)->y());
                QVERIFY(opt(i)->x() > opt(i - 1)->x() + opt(i - 1)->width() / 2);
            }
        }
        halt->hide();
    }

    // The options usable at each showing follow the interrupt state the program left.
    void optionsFollowTheEnablingRule_data() {
        QTest::addColumn<QByteArray>("program");
        QTest::addColumn<QList<bool>>("enabled");
        QTest::newRow("interrupts disabled") << QByteArray("\x76", 1) << bits("110000");
        QTest::newRow("EI, all masked") << QByteArray("\xFB\x76", 2) << bits("110001");
        QTest::newRow("EI, SIM 08 unmasks") << QByteArray("\xFB\x3E\x08\x30\x76", 5)
                                            << bits("111111");
        QTest::newRow("EI, SIM 0D masks 5.5 and 7.5") << QByteArray("\xFB\x3E\x0D\x30\x76", 5)
                                                      << bits("110101");
        QTest::newRow("SIM 08 without EI") << QByteArray("\x3E\x08\x30\x76", 4) << bits("110000");
    }
    void optionsFollowTheEnablingRule() {
        QFETCH(QByteArray, program);
        QFETCH(QList<bool>, enabled);
        load(*sim, 0, std::vector<uint8_t>(program.begin(), program.end()));
        QList<bool> seen;
        whileShown([&] {
            for (int i = 0; i < 6; ++i) seen << opt(i)->isEnabled();
            clickAceptar();
        });
        stepThroughHlt(*sim);
        QCOMPARE(seen, enabled);
    }

    // Whatever was chosen before, every showing starts with RESET selected.
    void resetSelectedOnEveryShowing() {
        sim->m.ie = true;
        sim->m.m55 = sim->m.m65 = sim->m.m75 = false;
        for (int previous = 1; previous < 6; ++previous) {
            bool resetChecked = false;
            whileShown([&] { QTest::mouseClick(opt(previous), Qt::LeftButton); clickAceptar(); });
            const HaltChoice first = halt->chooseHaltExit(false);
            QCOMPARE(static_cast<int>(first.option), previous);
            whileShown([&] { resetChecked = opt(0)->isChecked(); clickAceptar(); });
            const HaltChoice second = halt->chooseHaltExit(false);
            QVERIFY2(resetChecked, qPrintable(QStringLiteral("after option %1").arg(previous)));
            QCOMPARE(second.option, HaltOption::Reset);
        }
    }

    void continueBoxOnlyDuringARun() {
        bool enabled = false, checked = false;
        whileShown([&] {
            auto* eje = child<QCheckBox>("eje");
            enabled = eje->isEnabled();
            checked = eje->isChecked();
            clickAceptar();
        });
        QVERIFY(halt->chooseHaltExit(true).continueRun);
        QVERIFY(enabled && checked);

        // The user unchecks it: the run is to stop after the HLT.
        whileShown([&] { QTest::mouseClick(child<QCheckBox>("eje"), Qt::LeftButton); clickAceptar(); });
        QVERIFY(!halt->chooseHaltExit(true).continueRun);

        whileShown([&] {
            auto* eje = child<QCheckBox>("eje");
            enabled = eje->isEnabled();
            checked = eje->isChecked();
            clickAceptar();
        });
        QVERIFY(!halt->chooseHaltExit(false).continueRun);
        QVERIFY(!enabled && !checked);
    }

    void closingOnlyThroughAceptar() {
        bool afterClose = false, afterEscape = false, afterAceptar = true;
        whileShown([&] {
            halt->close();
            QCoreApplication::processEvents();
            afterClose = halt->isVisible();
            QTest::keyClick(halt, Qt::Key_Escape);
            QCoreApplication::processEvents();
            afterEscape = halt->isVisible();
            clickAceptar();
            afterAceptar = halt->isVisible();
        });
        halt->chooseHaltExit(false);
        QVERIFY(afterClose);
        QVERIFY(afterEscape);
        QVERIFY(!afterAceptar);
    }

    // EI; HLT at 0001; INTR with CF typed into the box: RST 1 calls 0008 and pushes 0002, the address
    // after the HLT. The vector reaches the simulator as the focus moves to "Aceptar".
    void intrWithTypedVectorCallsItsRestart() {
        load(*sim, 0, {0xFB, 0x76, 0x00});
        sim->m.sp = 0x2000;
        sim->regen();
        QSignalSpy copied(halt, &Halt::vectorCopied);
        whileShown([&] {
            QTest::mouseClick(opt(5), Qt::LeftButton);
            typeIntoVector(QStringLiteral("cf"));
            QCOMPARE(copied.count(), 0);  // copied when the focus leaves, not while typing
            clickAceptar();
        });
        stepThroughHlt(*sim);
        QCOMPARE(copied.count(), 1);
        QCOMPARE(copied.first().first().toString(), QStringLiteral("CF"));
        QCOMPARE(sim->vector(), uint8_t{0xCF});
        QCOMPARE(sim->m.pc, uint16_t{0x0008});
        QCOMPARE(sim->m.sp, uint16_t{0x1FFE});
        QCOMPARE(sim->m.mem[0x1FFE], uint8_t{0x02});
        QCOMPARE(sim->m.mem[0x1FFF], uint8_t{0x00});
        QCOMPARE(sim->m.mem[0x0002], uint8_t{0x00});  // the vector byte was only borrowed
        QVERIFY(!sim->m.ie);
    }

    // Enter in the box accepts the dialog too: the entry is checked and copied first.
    void enterInTheBoxCopiesTheVector() {
        QSignalSpy copied(halt, &Halt::vectorCopied);
        whileShown([&] {
            typeIntoVector(QStringLiteral("ef"));
            QTest::keyClick(child<QLineEdit>("txtVec"), Qt::Key_Return);
        });
        halt->chooseHaltExit(false);
        QCOMPARE(sim->vector(), uint8_t{0xEF});
        QVERIFY(copied.count() >= 1);
        QCOMPARE(copied.last().first().toString(), QStringLiteral("EF"));
    }

    void vectorEntryRules_data() {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("shown");  // empty: rejected
        QTest::newRow("one digit") << "a" << "0A";
        QTest::newRow("leading blanks") << "  7" << "07";
        QTest::newRow("emptied") << "" << "00";
        QTest::newRow("lower case") << "fe" << "FE";
        QTest::newRow("not hexadecimal") << "G1" << "";
        QTest::newRow("three digits") << "123" << "";
        QTest::newRow("trailing blank") << "7 " << "";
        QTest::newRow("inner blank") << "1 2" << "";
    }
    void vectorEntryRules() {
        QFETCH(QString, typed);
        QFETCH(QString, shown);
        sim->setVector(0x11);
        QString text, selected;
        bool focusKept = false, visible = false;
        qsizetype messagesAfterTab = -1;
        whileShown([&] {
            auto* box = child<QLineEdit>("txtVec");
            typeIntoVector(typed);
            if (typed.isEmpty()) box->clear();
            QTest::keyClick(box, Qt::Key_Tab);  // leave the box
            QCoreApplication::processEvents();
            messagesAfterTab = dialogs->messages.size();
            text = box->text();
            selected = box->selectedText();
            focusKept = box->hasFocus();
            clickAceptar();  // a rejected entry is checked again and still holds the dialog
            visible = halt->isVisible();
        });
        halt->chooseHaltExit(false);
        if (shown.isEmpty()) {
            QCOMPARE(messagesAfterTab, 1);
            QCOMPARE(dialogs->messages, (QStringList{"Valor incorrecto", "Valor incorrecto"}));
            QCOMPARE(text, typed);
            QCOMPARE(selected, typed);
            QVERIFY(focusKept);
            QVERIFY(visible);
            QCOMPARE(sim->vector(), uint8_t{0x11});
        } else {
            QVERIFY(dialogs->messages.isEmpty());
            QCOMPARE(text, shown);
            QVERIFY(!focusKept);
            QVERIFY(!visible);
            QCOMPARE(sim->vector(), static_cast<uint8_t>(shown.toInt(nullptr, 16)));
        }
    }

    // A click on "Aceptar" with a bad vector in the box shows the message once and leaves the dialog up;
    // a corrected entry then goes through.
    void badVectorHoldsAceptar() {
        bool visibleAfterBad = false;
        QString selected;
        whileShown([&] {
            typeIntoVector(QStringLiteral("G1"));
            clickAceptar();
            visibleAfterBad = halt->isVisible();
            selected = child<QLineEdit>("txtVec")->selectedText();
            // Still selected: typing replaces the rejected text.
            QTest::keyClicks(child<QLineEdit>("txtVec"), QStringLiteral("3c"));
            clickAceptar();
        });
        halt->chooseHaltExit(false);
        QVERIFY(visibleAfterBad);
        QCOMPARE(selected, QStringLiteral("G1"));
        QCOMPARE(dialogs->messages, QStringList{QStringLiteral("Valor incorrecto")});
        QCOMPARE(sim->vector(), uint8_t{0x3C});
    }

    // The box shows the vector in use at each showing, so passing through it keeps that vector.
    void vectorBoxShowsTheVectorInUse() {
        sim->setVector(0xEF);
        QString shown;
        whileShown([&] {
            shown = child<QLineEdit>("txtVec")->text();
            QTest::mouseClick(child<QLineEdit>("txtVec"), Qt::LeftButton);
            clickAceptar();
        });
        halt->chooseHaltExit(false);
        QCOMPARE(shown, QStringLiteral("EF"));
        QCOMPARE(sim->vector(), uint8_t{0xEF});
    }
};

QTEST_MAIN(HaltWindowTest)
#include "halt_window_test.moc"
