// The Halt dialog: its controls, what every showing resets, the refused ways of closing it, the vector
// box's entry rules and the way out it hands to the simulator.
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <functional>

#include "machine/halt_window.h"
#include "widgets/scripted_dialogs.h"

using vandor::HaltOption;

class HaltWindowTest : public QObject {
    Q_OBJECT

    std::unique_ptr<vandor::Simulator> sim;
    std::unique_ptr<vandor::ScriptedDialogs> dialogs;
    std::unique_ptr<Halt> halt;

    template <class T> T* child(const QString& name) { return halt->findChild<T*>(name); }
    QRadioButton* opt(int i) { return child<QRadioButton>(QStringLiteral("opt%1").arg(i)); }
    QLineEdit* txtVec() { return child<QLineEdit>("txtVec"); }
    QCheckBox* eje() { return child<QCheckBox>("eje"); }
    void clickAceptar() { QTest::mouseClick(child<QPushButton>("aceptar"), Qt::LeftButton); }

    // Shows the dialog as the simulator does and runs `inside` while it is up; a dialog that `inside`
    // left open is then accepted, so a failed check never leaves the test waiting on it.
    vandor::HaltChoice show(bool runInProgress, std::function<void()> inside) {
        QTimer::singleShot(0, halt.get(), [this, inside] {
            halt->activateWindow();
            if (QTest::qWaitForWindowActive(halt.get())) inside();
            if (halt->isVisible()) halt->done(QDialog::Accepted);
        });
        return halt->chooseHaltExit(runInProgress);
    }
    // Gives the box the focus by a click (which selects its text) and types.
    void typeVector(const QString& text) {
        QTest::mouseClick(txtVec(), Qt::LeftButton);
        QCoreApplication::processEvents();
        QCOMPARE(txtVec()->selectedText(), txtVec()->text());
        QTest::keyClicks(txtVec(), text);
    }
    void load(const QByteArray& program) {
        for (int i = 0; i < program.size(); ++i) sim->m.savmem(static_cast<uint16_t>(i), uint8_t(program[i]));
        sim->regen();
    }
    void stepThroughHlt() {
        while (sim->m.mem[sim->m.pc] != 0x76) sim->step();
        sim->step();
    }

private slots:
    void init() {
        sim = std::make_unique<vandor::Simulator>();
        dialogs = std::make_unique<vandor::ScriptedDialogs>();
        halt = std::make_unique<Halt>(*sim, *dialogs, nullptr);
        sim->haltDialog = halt.get();
    }

    void controlsAndTexts() {
        QCOMPARE(halt->windowTitle(), QStringLiteral("Vandor 8085"));
        QCOMPARE(child<QLabel>("Label1")->text(), QStringLiteral("Programa Parado por instrucción HLT"));
        QCOMPARE(child<QLabel>("Label2")->text(), QStringLiteral("Seleccione modo de salida"));
        QCOMPARE(child<QLabel>("Label33")->text(), QStringLiteral("Vector:"));
        QCOMPARE(eje()->text(), QStringLiteral("Continuar ejecución"));
        QCOMPARE(child<QPushButton>("aceptar")->text(), QStringLiteral("Aceptar"));
        QVERIFY(QFontInfo(txtVec()->font()).fixedPitch());
        QVERIFY(!eje()->isEnabled() && !eje()->isChecked());
        halt->show();
        const QStringList texts = {"RESET", "TRAP", "RST5.5", "RST6.5", "RST7.5", "INTR"};
        for (int i = 0; i < 6; ++i) {
            QCOMPARE(opt(i)->text(), texts[i]);
            if (i > 0) QVERIFY(opt(i)->y() == opt(0)->y() && opt(i)->x() > opt(i - 1)->x());  // one row
        }
        halt->hide();
    }

    // The options usable at a showing follow the interrupt state the program left.
    void optionsFollowTheEnablingRule_data() {
        QTest::addColumn<QByteArray>("program");
        QTest::addColumn<QString>("enabled");
        QTest::newRow("interrupts disabled") << QByteArray("\x76") << "110000";
        QTest::newRow("EI, all masked") << QByteArray("\xFB\x76") << "110001";
        QTest::newRow("EI, SIM 08 unmasks") << QByteArray("\xFB\x3E\x08\x30\x76") << "111111";
        QTest::newRow("EI, SIM 0D masks 5.5, 7.5") << QByteArray("\xFB\x3E\x0D\x30\x76") << "110101";
        QTest::newRow("SIM 08 without EI") << QByteArray("\x3E\x08\x30\x76") << "110000";
    }
    void optionsFollowTheEnablingRule() {
        QFETCH(QByteArray, program);
        QFETCH(QString, enabled);
        load(program);
        QString seen;
        QTimer::singleShot(0, halt.get(), [&] {
            for (int i = 0; i < 6; ++i) seen += opt(i)->isEnabled() ? '1' : '0';
            halt->done(QDialog::Accepted);
        });
        stepThroughHlt();
        QCOMPARE(seen, enabled);
    }

    // Every showing selects RESET, sets "Continuar ejecución" by the run and shows the vector in use.
    void everyShowingStartsAfresh() {
        sim->m.ie = true;
        sim->m.m55 = sim->m.m65 = sim->m.m75 = false;
        for (int previous = 1; previous < 6; ++previous) {
            const bool run = previous % 2;
            sim->setVector(static_cast<uint8_t>(0xC7 + 8 * previous));
            bool fresh = false;
            const auto first = show(run, [&] {
                fresh = opt(0)->isChecked() && eje()->isEnabled() == run && eje()->isChecked() == run &&
                        txtVec()->text() == QString::number(sim->vector(), 16).toUpper();
                QTest::mouseClick(opt(previous), Qt::LeftButton);
                if (run) QTest::mouseClick(eje(), Qt::LeftButton);  // unchecked: the run stops
                clickAceptar();
            });
            QVERIFY2(fresh, qPrintable(QStringLiteral("showing after option %1").arg(previous)));
            QCOMPARE(static_cast<int>(first.option), previous);
            QVERIFY(!first.continueRun);
            QCOMPARE(show(true, [&] { clickAceptar(); }).continueRun, true);
        }
    }

    void closingOnlyThroughAceptar() {
        bool afterClose = false, afterEscape = false, afterAceptar = true;
        show(false, [&] {
            afterClose = !halt->close() && halt->isVisible();
            QTest::keyClick(halt.get(), Qt::Key_Escape);
            afterEscape = halt->isVisible();
            clickAceptar();
            afterAceptar = halt->isVisible();
        });
        QVERIFY(afterClose);
        QVERIFY(afterEscape);
        QVERIFY(!afterAceptar);
    }

    // EI; HLT at 0001; INTR with cf typed into the box: RST 1 calls 0008 and pushes 0002, the address
    // after the HLT. The vector is copied when the focus moves to "Aceptar", not while typing.
    void intrWithTypedVectorCallsItsRestart() {
        load(QByteArray("\xFB\x76\x00", 3));
        sim->m.sp = 0x2000;
        QSignalSpy copied(halt.get(), &Halt::vectorCopied);
        int copiedWhileTyping = -1;
        QTimer::singleShot(0, halt.get(), [&] {
            halt->activateWindow();
            if (QTest::qWaitForWindowActive(halt.get())) {
                QTest::mouseClick(opt(5), Qt::LeftButton);
                typeVector(QStringLiteral("cf"));
                copiedWhileTyping = static_cast<int>(copied.count());
                clickAceptar();
            }
            if (halt->isVisible()) halt->done(QDialog::Accepted);
        });
        stepThroughHlt();
        QCOMPARE(copiedWhileTyping, 0);
        QCOMPARE(copied.count(), 1);
        QCOMPARE(copied.first().first().toString(), QStringLiteral("CF"));
        QCOMPARE(sim->vector(), uint8_t{0xCF});
        QCOMPARE(sim->m.pc, uint16_t{0x0008});
        QCOMPARE(sim->m.sp, uint16_t{0x1FFE});
        QCOMPARE(sim->m.mem[0x1FFE] | sim->m.mem[0x1FFF] << 8, 0x0002);
        QCOMPARE(sim->m.mem[0x0002], uint8_t{0x00});  // the vector byte was only borrowed
    }

    void vectorEntryRules_data() {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("shown");  // empty: rejected
        QTest::newRow("one digit") << "a" << "0A";
        QTest::newRow("leading blanks") << "  7" << "07";
        QTest::newRow("emptied") << "" << "00";
        QTest::newRow("not hexadecimal") << "G1" << "";
        QTest::newRow("three digits") << "123" << "";
        QTest::newRow("trailing blank") << "7 " << "";
        QTest::newRow("inner blank") << "1 2" << "";
    }
    // Leaving the box by Tab accepts or rejects the entry; a rejected one keeps the focus, its text,
    // selected, and the dialog: "Aceptar" checks it again.
    void vectorEntryRules() {
        QFETCH(QString, typed);
        QFETCH(QString, shown);
        sim->setVector(0x11);
        QString text, selected;
        bool focusKept = false, visible = false;
        qsizetype messagesAfterTab = -1;
        show(false, [&] {
            typeVector(typed);
            if (typed.isEmpty()) txtVec()->clear();
            QTest::keyClick(txtVec(), Qt::Key_Tab);
            QCoreApplication::processEvents();
            messagesAfterTab = dialogs->messages.size();
            text = txtVec()->text();
            selected = txtVec()->selectedText();
            focusKept = txtVec()->hasFocus();
            clickAceptar();
            visible = halt->isVisible();
        });
        const bool rejected = shown.isEmpty();
        QCOMPARE(messagesAfterTab, rejected ? 1 : 0);
        const QStringList messages = rejected ? QStringList{"Valor incorrecto", "Valor incorrecto"} : QStringList{};
        QCOMPARE(dialogs->messages, messages);
        QCOMPARE(text, rejected ? typed : shown);
        QCOMPARE(focusKept, rejected);
        QCOMPARE(visible, rejected);
        if (rejected) QCOMPARE(selected, typed);
        QCOMPARE(sim->vector(), rejected ? uint8_t{0x11} : static_cast<uint8_t>(shown.toInt(nullptr, 16)));
    }

    // A click on "Aceptar" with a bad vector shows the message once and leaves the dialog up with the text
    // selected; typing replaces it and Enter then accepts with the corrected vector.
    void badVectorHoldsAceptar() {
        bool visibleAfterBad = false;
        QString selected;
        show(false, [&] {
            typeVector(QStringLiteral("G1"));
            clickAceptar();
            visibleAfterBad = halt->isVisible();
            selected = txtVec()->selectedText();
            QTest::keyClicks(txtVec(), QStringLiteral("3c"));
            QTest::keyClick(txtVec(), Qt::Key_Return);
        });
        QVERIFY(visibleAfterBad);
        QCOMPARE(selected, QStringLiteral("G1"));
        QCOMPARE(dialogs->messages, QStringList{QStringLiteral("Valor incorrecto")});
        QCOMPARE(sim->vector(), uint8_t{0x3C});
    }
};

QTEST_MAIN(HaltWindowTest)
#include "halt_window_test.moc"
