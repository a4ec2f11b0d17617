// What an action changed, seen at a glance: after a step, an interrupt button, a load or a run exactly
// the changed boxes, flags, memory and port cells and stack words are drawn bold on the highlight
// colours, readable in light and dark palettes. Bytes typed into the grids like a hex editor, "Ir a",
// F9 and the wheel on the program list.
#include <QApplication>
#include <QFile>
#include <QListView>
#include <QSet>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QWheelEvent>

#include "principal_helpers.h"
#include "widgets/highlight.h"

using vandor::ShownValue;

namespace {

const char* const kBoxes[] = {"txtA", "txtF", "txtB", "txtC", "txtD", "txtE", "txtH",
                              "txtL", "txtM", "txtBC", "txtDE", "txtHL", "txtPC", "txtSP"};

QSet<QString> highlightedBoxes(Window& win) {
    QSet<QString> out;
    for (const char* name : kBoxes) {
        vandor::HexBox* box = win.box(QString::fromLatin1(name));
        if (vandor::isHighlighted(box)) {
            out << QString::fromLatin1(name);
            if (!box->font().bold()) out << QStringLiteral("%1 not bold").arg(QString::fromLatin1(name));
        }
    }
    return out;
}

QSet<int> highlightedFlags(Window& win) {
    QSet<int> out;
    for (int bit = 0; bit < 8; ++bit)
        if (vandor::isHighlighted(win.check(QStringLiteral("chkF%1").arg(bit)))) out << bit;
    return out;
}

QSet<int> highlightedCells(vandor::GridView* grid) {
    QSet<int> out;
    auto* model = grid->gridModel();
    const int cells = model->rowCount() * 16;
    for (int a = 0; a < cells; ++a) {
        if (!model->isChanged(a)) continue;
        out << a;
        const QModelIndex cell = model->index(a / 16, a % 16);
        if (!qvariant_cast<QFont>(cell.data(Qt::FontRole)).bold() || !cell.data(Qt::BackgroundRole).isValid()) out << -1;
    }
    return out;
}

QSet<int> highlightedStackLines(Window& win) {
    auto* lines = static_cast<vandor::LinesModel*>(win.child<QListView>(QStringLiteral("pila"))->model());
    QSet<int> out;
    for (int i = 0; i < lines->size(); ++i)
        if (lines->isHighlighted(i)) out << i;
    return out;
}

}  // namespace

class PrincipalChangesTest : public QObject {
    Q_OBJECT

    QTemporaryDir dir;

private slots:
    void stepMarksExactlyWhatChanged_data() {
        QTest::addColumn<QByteArray>("program");
        QTest::addColumn<int>("a");
        QTest::addColumn<QStringList>("boxes");
        QTest::addColumn<QList<int>>("flags");
        QTest::addColumn<QList<int>>("cells");
        QTest::addColumn<QList<int>>("ports");
        QTest::addColumn<QList<int>>("stackLines");
        // BC = 1234, HL = 2000, SP = F000, F = 00 before each instruction.
        QTest::newRow("MOV M,A") << QByteArray("\x77", 1) << 0x5A << QStringList{"txtM", "txtPC"} << QList<int>{}
                                 << QList<int>{0x2000} << QList<int>{} << QList<int>{};
        QTest::newRow("PUSH B") << QByteArray("\xC5", 1) << 0x5A << QStringList{"txtSP", "txtPC"} << QList<int>{}
                                << QList<int>{0xEFFE, 0xEFFF} << QList<int>{} << QList<int>{0};
        QTest::newRow("OUT 10") << QByteArray("\xD3\x10", 2) << 0x5A << QStringList{"txtPC"} << QList<int>{} << QList<int>{}
                                << QList<int>{0x10} << QList<int>{};
        // 7F + 1 = 80: the sign and the half carry set, parity still odd, no zero.
        QTest::newRow("INR A") << QByteArray("\x3C", 1) << 0x7F << QStringList{"txtA", "txtF", "txtPC"} << QList<int>{7, 4}
                               << QList<int>{} << QList<int>{} << QList<int>{};
    }
    void stepMarksExactlyWhatChanged() {
        QFETCH(QByteArray, program);
        QFETCH(int, a);
        QFETCH(QStringList, boxes);
        QFETCH(QList<int>, flags);
        QFETCH(QList<int>, cells);
        QFETCH(QList<int>, ports);
        QFETCH(QList<int>, stackLines);
        Window win;
        win.load(0x0100, std::vector<uint8_t>(program.begin(), program.end()));
        win.sim().setRegister(vandor::Register::A, static_cast<uint8_t>(a));
        win.sim().setPair(vandor::Pair::BC, 0x1234);
        win.sim().setPair(vandor::Pair::HL, 0x2000);
        win.sim().setSP(0xF000);
        win.sim().setPC(0x0100);
        win.w->regen();
        QVERIFY(highlightedBoxes(win).isEmpty());
        win.click("Eje_paso");
        QCOMPARE(highlightedBoxes(win), QSet<QString>(boxes.begin(), boxes.end()));
        QCOMPARE(highlightedFlags(win), QSet<int>(flags.begin(), flags.end()));
        QCOMPARE(highlightedCells(win.grid("grdmem")), QSet<int>(cells.begin(), cells.end()));
        QCOMPARE(highlightedCells(win.grid("grdport")), QSet<int>(ports.begin(), ports.end()));
        QCOMPARE(highlightedStackLines(win), QSet<int>(stackLines.begin(), stackLines.end()));
        // The flag's caption is marked with its box.
        for (int bit : flags) QVERIFY(vandor::isHighlighted(win.child<QLabel>(QStringLiteral("lblF%1").arg(bit))));

        // The next action shows only its own changes: a NOP moves PC alone.
        win.click("Eje_paso");
        QCOMPARE(highlightedBoxes(win), QSet<QString>{"txtPC"});
        QVERIFY(highlightedFlags(win).isEmpty());
        QVERIFY(highlightedCells(win.grid("grdmem")).isEmpty());
        QVERIFY(highlightedCells(win.grid("grdport")).isEmpty());
        QVERIFY(highlightedStackLines(win).isEmpty());
    }

    // A value written back to what it was is not a change; edits between actions change no mark.
    void sameValueIsNoChangeAndEditsKeepTheMarks() {
        Window win;
        win.load(0x0000, {0x3E, 0x00, 0x00});  // MVI A,00 with A = 00
        win.click("Eje_paso");
        QCOMPARE(highlightedBoxes(win), QSet<QString>{"txtPC"});
        win.enter("txtB", "77");
        QCOMPARE(highlightedBoxes(win), QSet<QString>{"txtPC"});
    }

    // After a run, "before" is when the run started; while it runs nothing is marked.
    void runComparesWithItsStart() {
        Window win;
        // XRA A; then MVI A,5A; MOV M,A; JMP 0001: wherever the run stops, A and M differ from where
        // the run began (a counting A could stop on its starting value).
        win.load(0x0000, {0xAF, 0x3E, 0x5A, 0x77, 0xC3, 0x01, 0x00});
        win.sim().setPair(vandor::Pair::HL, 0x3000);
        win.w->regen();
        win.click("Eje_paso");
        QVERIFY(!highlightedBoxes(win).isEmpty());
        bool markedDuringRun = true;
        QTimer::singleShot(20, win.w.get(), [&] {
            markedDuringRun = !highlightedBoxes(win).isEmpty() || !highlightedCells(win.grid("grdmem")).isEmpty();
            win.click("Ejecutar");
        });
        win.click("Ejecutar");
        QVERIFY(!win.sim().running());
        QVERIFY(!markedDuringRun);
        const QSet<QString> boxes = highlightedBoxes(win);
        QVERIFY(boxes.contains("txtA") && boxes.contains("txtM"));
        QVERIFY(!boxes.contains("txtSP") && !boxes.contains("txtHL"));
        QCOMPARE(highlightedCells(win.grid("grdmem")), QSet<int>{0x3000});
    }

    // An interrupt button pushes PC and jumps: SP, PC, the pushed bytes and the stack's top word.
    void interruptButtonMarksItsChanges() {
        Window win;
        win.sim().setSP(0x8000);
        win.sim().setPC(0x1234);
        win.w->regen();
        win.click("Trap");
        QCOMPARE(highlightedBoxes(win), (QSet<QString>{"txtPC", "txtSP"}));
        QCOMPARE(highlightedCells(win.grid("grdmem")), (QSet<int>{0x7FFE, 0x7FFF}));
        QCOMPARE(highlightedStackLines(win), QSet<int>{0});
    }

    void loadMarksTheBytesItStored() {
        Window win;
        const QString path = dir.filePath("two.hex");
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(":020300003E0FAE\r\n:00000001FF\r\n");
        f.close();
        win.dialogs.files.push_back(path);
        win.click("CargarHEX");
        QCOMPARE(highlightedCells(win.grid("grdmem")), (QSet<int>{0x0300, 0x0301}));
    }

    // The marks read well on a light and on a dark desktop, and follow a change of palette.
    void marksReadableInLightAndDarkPalettes_data() {
        QTest::addColumn<QColor>("base");
        QTest::addColumn<QColor>("text");
        QTest::newRow("light") << QColor(Qt::white) << QColor(Qt::black);
        QTest::newRow("dark") << QColor(0x2A, 0x2A, 0x2A) << QColor(0xEE, 0xEE, 0xEE);
    }
    void marksReadableInLightAndDarkPalettes() {
        QFETCH(QColor, base);
        QFETCH(QColor, text);
        const QPalette before = QApplication::palette();
        QPalette palette = before;
        palette.setColor(QPalette::Base, base);
        palette.setColor(QPalette::Text, text);
        palette.setColor(QPalette::Window, base.lighter(110));
        palette.setColor(QPalette::WindowText, text);
        Window win;
        win.load(0x0000, {0x3C});
        win.click("Eje_paso");
        QApplication::setPalette(palette);
        QCoreApplication::processEvents();
        vandor::HexBox* a = win.box("txtA");
        const QColor ground = a->palette().color(QPalette::Base);
        QVERIFY(ground != base);
        QVERIFY2(vandor::contrastRatio(ground, a->palette().color(QPalette::Text)) >= 4.5,
                 qPrintable(ground.name()));
        QVERIFY(vandor::contrastRatio(ground, base) > 1.1);  // not the plain ground
        // A plain box keeps the desktop's own colours.
        QCOMPARE(win.box("txtB")->palette().color(QPalette::Base), base);
        const QVariant cell = win.grid("grdmem")->model()->index(0, 0).data(Qt::BackgroundRole);
        QApplication::setPalette(before);
        QVERIFY(!cell.isValid());  // 0000 did not change
    }

    // Two hexadecimal digits store the selected cell's byte and move on; the boxes follow the cell.
    void typingIntoTheMemoryGrid() {
        Window win;
        vandor::GridView* grid = win.grid("grdmem");
        grid->setFocus();
        grid->setCurrentCell(2, 1);  // 0010
        QTest::keyClick(grid, Qt::Key_3);
        QCOMPARE(grid->model()->index(1, 0).data().toString(), QString("3_"));
        QCOMPARE(win.m().mem[0x10], 0);
        QTest::keyClick(grid, Qt::Key_E);
        QCOMPARE(win.m().mem[0x10], 0x3E);
        QCOMPARE(grid->model()->index(1, 0).data().toString(), QString("3E"));
        QCOMPARE(win.text("txtDirMem"), QString("0011"));
        // Through the editing door and regen: the program view shows the new byte at once.
        win.box("txtDIR")->setFocus();
        win.enter("txtDIR", "0010");
        QVERIFY(QString::fromStdString(win.lines()->line(win.prg()->currentLine())).contains("MVI A,00"));

        grid->setFocus();
        grid->setCurrentCell(2, 16);  // 001F: the next cell is the next row's first
        QTest::keyClicks(grid, "a5");
        QCOMPARE(win.m().mem[0x1F], 0xA5);
        QCOMPARE(win.text("txtDirMem"), QString("0020"));
        QCOMPARE(win.text("txtDatMem"), QString("00"));

        // Backspace or Escape drop a half-typed byte; a key that is not a digit beeps and does nothing.
        QTest::keyClick(grid, Qt::Key_7);
        QTest::keyClick(grid, Qt::Key_Backspace);
        QCOMPARE(grid->model()->index(2, 0).data().toString(), QString("00"));
        QTest::keyClick(grid, Qt::Key_7);
        QTest::keyClick(grid, Qt::Key_Escape);
        QTest::keyClick(grid, Qt::Key_1);
        QTest::keyClick(grid, Qt::Key_2);
        QCOMPARE(win.m().mem[0x20], 0x12);
        const int beeps = win.dialogs.beeps;
        QTest::keyClick(grid, Qt::Key_G);
        QTest::keyClick(grid, Qt::Key_Space);
        QCOMPARE(win.dialogs.beeps, beeps + 2);
        QCOMPARE(win.m().mem[0x21], 0);
        QCOMPARE(win.text("txtDirMem"), QString("0021"));
        // Arrows move; a half-typed byte is dropped when the cell changes.
        QTest::keyClick(grid, Qt::Key_4);
        QTest::keyClick(grid, Qt::Key_Down);
        QCOMPARE(win.text("txtDirMem"), QString("0031"));
        QCOMPARE(grid->model()->index(2, 1).data().toString(), QString("00"));

        // The last cell stays the current one.
        grid->setCurrentCell(4096, 16);
        QTest::keyClicks(grid, "FF");
        QCOMPARE(win.m().mem[0xFFFF], 0xFF);
        QCOMPARE(win.text("txtDirMem"), QString("FFFF"));
        // The text column shows the row's bytes.
        QCOMPARE(grid->model()->index(4095, 16).data().toString(), QString("...............").append(QChar('.')));
        grid->setCurrentCell(2, 1);
        QTest::keyClicks(grid, "4142");
        QCOMPARE(grid->model()->index(1, 16).data().toString().left(2), QString("AB"));
    }

    void typingIntoThePortGrid() {
        Window win;
        vandor::GridView* grid = win.grid("grdport");
        grid->setFocus();
        grid->setCurrentCell(16, 15);  // FE
        QTest::keyClicks(grid, "99");
        QCOMPARE(win.m().ports[0xFE], 0x99);
        QCOMPARE(win.text("txtDirPort"), QString("FF"));
        QCOMPARE(grid->model()->columnCount(), 16);  // no text column for ports
    }

    // Ctrl+L goes to the "Ir a" box; an address and Enter bring the memory grid there, ready for typing.
    void irA() {
        Window win;
        QTest::keyClick(win.prg(), Qt::Key_L, Qt::ControlModifier);
        QCOMPARE(QApplication::focusWidget(), win.box("txtIrA"));
        QTest::keyClicks(win.box("txtIrA"), "1234");
        QTest::keyClick(win.box("txtIrA"), Qt::Key_Return);
        vandor::GridView* grid = win.grid("grdmem");
        QCOMPARE(QApplication::focusWidget(), grid);
        QCOMPARE(win.text("txtDirMem"), QString("1234"));
        QCOMPARE(grid->topRow(), 0x123 + 1 - 1);
        QTest::keyClicks(grid, "C9");
        QCOMPARE(win.m().mem[0x1234], 0xC9);
        // A bad address is refused as every box refuses it.
        win.box("txtIrA")->setFocus();
        win.box("txtIrA")->selectAll();
        QTest::keyClicks(win.box("txtIrA"), "XY");
        QTest::keyClick(win.box("txtIrA"), Qt::Key_Return);
        QCOMPARE(win.dialogs.messages.last(), QString("Valor incorrecto"));
        QCOMPARE(win.text("txtDirMem"), QString("1235"));
    }

    // F9 on a line sets and clears its breakpoint, as a double click does.
    void f9TogglesTheBreakpoint() {
        Window win;
        win.prg()->setFocus();
        win.prg()->setCurrentLine(3);
        QTest::keyClick(win.prg(), Qt::Key_F9);
        QVERIFY(win.m().breakpoints[3]);
        QCOMPARE(win.lines()->line(3).substr(4, 1), std::string("*"));
        QTest::keyClick(win.prg(), Qt::Key_F9);
        QVERIFY(!win.m().breakpoints[3]);
    }

    // The wheel moves the listing: down by one instruction, up to the nearest one-byte instruction.
    void wheelMovesTheListing() {
        Window win;
        win.load(0x00F3, {0xC3});  // JMP: three bytes, so a step back goes on to 00F2
        win.m().pc = 0x0100;
        win.w->regen();
        QCOMPARE(int(win.lines()->address(0)), 0x00F4);
        auto wheel = [&](int delta) {
            QWheelEvent event(QPointF(5, 5), QPointF(5, 5), QPoint(), QPoint(0, delta), Qt::NoButton, Qt::NoModifier,
                              Qt::NoScrollPhase, false);
            QCoreApplication::sendEvent(win.prg()->viewport(), &event);
        };
        wheel(120);
        QCOMPARE(int(win.lines()->address(0)), 0x00F2);
        QCOMPARE(int(win.lines()->address(win.prg()->currentLine())), 0x0100);  // PC's line stays selected
        wheel(-240);  // 00F2 NOP, 00F3 JMP: two lines on, the listing starts at 00F6
        QCOMPARE(int(win.lines()->address(0)), 0x00F6);
    }
};

QTEST_MAIN(PrincipalChangesTest)
#include "principal_changes_test.moc"
