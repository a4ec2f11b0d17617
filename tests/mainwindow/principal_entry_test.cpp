// The main window's hexadecimal entry boxes and register editors: rejected entries keeping the focus (also against a click elsewhere), and what each confirmed box stores and shows.
#include <QTest>

#include "principal_helpers.h"

class PrincipalEntryTest : public QObject {
    Q_OBJECT

private slots:
    void acceptedEntryIsNormalisedAndStored() {
        Window win;
        win.enter("txtA", "a");
        QCOMPARE(win.text("txtA"), QString("0A"));
        QCOMPARE(win.m().a, 10);
        win.enter("txtA", "");
        QCOMPARE(win.text("txtA"), QString("00"));
        QCOMPARE(win.m().a, 0);
        QVERIFY(win.dialogs.messages.isEmpty());
    }

    void rejectedEntryKeepsFocusAndText() {
        Window win;
        win.m().a = 0x42;
        win.w->regen();
        for (const char* bad : {"7 ", "G1", "123"}) {
            win.enter("txtA", QString::fromLatin1(bad));
            QCOMPARE(win.dialogs.messages.last(), QString("Valor incorrecto"));
            QVERIFY(win.box("txtA")->hasFocus());
            QCOMPARE(win.text("txtA"), QString::fromLatin1(bad));
            QCOMPARE(win.box("txtA")->selectedText(), QString::fromLatin1(bad));
            QCOMPARE(win.m().a, 0x42);
        }
        // Another box cannot take the focus either.
        win.box("txtBC")->setFocus(Qt::MouseFocusReason);
        QCoreApplication::processEvents();
        QVERIFY(win.box("txtA")->hasFocus());
        QCOMPARE(win.dialogs.messages.size(), 4);
        win.enter("txtA", "42");
        win.enter("txtBC", "12345");
        QCOMPARE(win.dialogs.messages.size(), 5);
        QCOMPARE(win.text("txtBC"), QString("12345"));
        QCOMPARE(win.m().bc, 0);
    }

    // A click on a button while the entry is bad neither moves the focus nor runs the button.
    void rejectedEntryStopsTheClickedCommand() {
        Window win;
        win.type("txtA", "XY");
        win.click("Eje_paso");
        QCOMPARE(win.dialogs.messages, QStringList{"Valor incorrecto"});
        QVERIFY(win.box("txtA")->hasFocus());
        QCOMPARE(win.m().pc, 0);
        QVERIFY(win.sim().trace.empty());
        // Corrected, the same click confirms the entry first, then steps.
        win.type("txtA", "7");
        win.click("Eje_paso");
        QCOMPARE(win.dialogs.messages.size(), 1);
        QCOMPARE(win.m().a, 7);
        QCOMPARE(win.m().pc, 1);
    }

    void acceleratorConfirmsTheEntryBeforeTheCommand() {
        Window win;
        win.type("txtPC", "0010");
        QTest::keyClick(win.w->windowHandle(), Qt::Key_P, Qt::AltModifier);
        QTRY_COMPARE(win.m().pc, 0x11);
    }

    // A click into a box selects its text, so typing replaces it.
    void clickSelectsTheText() {
        Window win;
        QTest::mouseClick(win.box("txtA"), Qt::LeftButton, {}, QPoint(8, 8));
        QCoreApplication::processEvents();
        QCOMPARE(win.box("txtA")->selectedText(), QString("00"));
        QTest::keyClicks(win.box("txtA"), "3c");
        win.leave();
        QCOMPARE(win.m().a, 0x3C);
    }

    // A box focused while the window was in the background starts its entry when the window returns.
    void entryStartedInAnInactiveWindow() {
        Window win;
        QWidget other;
        other.show();
        QApplication::setActiveWindow(&other);
        QVERIFY(QTest::qWaitForWindowActive(&other));
        win.box("txtA")->setFocus(Qt::MouseFocusReason);
        QApplication::setActiveWindow(win.w.get());
        QVERIFY(QTest::qWaitForWindowActive(win.w.get()));
        QTest::keyClicks(win.box("txtA"), "9");
        win.leave();
        QCOMPARE(win.text("txtA"), QString("09"));
        QCOMPARE(win.m().a, 9);
    }

    void singleRegisterUpdatesItsPair() {
        Window win;
        win.enter("txtC", "3C");
        win.enter("txtB", "A5");
        QCOMPARE(win.text("txtBC"), QString("A53C"));
        QCOMPARE(win.m().bc, 42300);
        QCOMPARE(win.m().b, 0xA5);
        QCOMPARE(win.m().c, 0x3C);
    }

    void pairUpdatesItsRegisters() {
        Window win;
        win.m().mem[0xFFFF] = 0x5A;
        win.enter("txtHL", "ffff");
        QCOMPARE(win.m().hl, 65535);
        QCOMPARE(win.m().h, 255);
        QCOMPARE(win.m().l, 255);
        QCOMPARE(win.text("txtH"), QString("FF"));
        QCOMPARE(win.text("txtL"), QString("FF"));
        QCOMPARE(win.text("txtM"), QString("5A"));
        win.enter("txtDE", "1234");
        QCOMPARE(win.text("txtD"), QString("12"));
        QCOMPARE(win.text("txtE"), QString("34"));
        QCOMPARE(win.m().d, 0x12);
        QCOMPARE(win.m().e, 0x34);
    }

    // E rebuilds DE's text during its validation, before the focus has left.
    void txtERebuildsDEDuringValidation() {
        Window win;
        win.enter("txtD", "12");
        win.type("txtE", "7");
        QVERIFY(!win.box("txtE")->rutvalidate());
        QCOMPARE(win.text("txtDE"), QString("1207"));
        QCOMPARE(win.m().e, 0);  // stored only when the focus leaves
        win.leave();
        QCOMPARE(win.m().e, 7);
        QCOMPARE(win.m().de, 0x1207);
    }

    void lChangesTheMemoryByteShown() {
        Window win;
        win.m().savmem(0x0034, 0x99);
        win.enter("txtL", "34");
        QCOMPARE(win.text("txtHL"), QString("0034"));
        QCOMPARE(win.text("txtM"), QString("99"));
    }

    void mWritesMemoryAtHL() {
        Window win;
        win.enter("txtHL", "1234");
        win.enter("txtM", "C3");
        QCOMPARE(win.m().mem[0x1234], 0xC3);
        QCOMPARE(win.grid("grdmem")->model()->index(291, 4).data().toString(), QString("C3"));
    }

    void flagBoxesFollowF() {
        Window win;
        win.enter("txtF", "D5");
        const bool expected[8] = {true, false, true, false, true, false, true, true};
        for (int bit = 0; bit < 8; ++bit)
            QCOMPARE(win.check(QStringLiteral("chkF%1").arg(bit))->isChecked(), expected[bit]);
        QCOMPARE(win.m().f, 0xD5);
        win.click(win.check("chkF0"));
        QCOMPARE(win.text("txtF"), QString("D4"));
        QCOMPARE(win.m().f, 212);
    }

    void pcRelistsTheProgramAndSpReadsTheStack() {
        Window win;
        win.enter("txtPC", "0100");
        QCOMPARE(win.lines()->address(win.prg()->currentLine()), 0x0100);
        win.m().savmem(0x3000, 0xCD);
        win.m().savmem(0x3001, 0xAB);
        win.enter("txtSP", "3000");
        QCOMPARE(win.m().sp, 0x3000);
        QCOMPARE(win.lines()->size(), 29);
        auto* pila = win.child<QAbstractItemView>("pila");
        QCOMPARE(pila->model()->index(0, 0).data().toString(), QString("ABCD"));
    }

    // A view refresh leaves the box the user is typing in alone.
    void refreshKeepsTheEntryInProgress() {
        Window win;
        win.type("txtA", "5");
        win.m().a = 0x77;
        win.w->regen();
        QCOMPARE(win.text("txtA"), QString("5"));
        win.leave();
        QCOMPARE(win.m().a, 5);
        win.w->regen();
        QCOMPARE(win.text("txtA"), QString("05"));
    }
};

QTEST_MAIN(PrincipalEntryTest)
#include "principal_entry_test.moc"
