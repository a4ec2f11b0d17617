// The main window's views and their editors: start-up headings, the memory and port grids, the program
// view with its keys, entry row and breakpoints, the stack, and the load command's messages.
#include <QFile>
#include <QHeaderView>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include "principal_helpers.h"

class PrincipalViewsTest : public QObject {
    Q_OBJECT

    QTemporaryDir dir;

    QString writeFile(const char* name, const QByteArray& contents) {
        const QString path = dir.filePath(QString::fromLatin1(name));
        QFile f(path);
        if (!f.open(QIODevice::WriteOnly)) qFatal("cannot write %s", qPrintable(path));
        f.write(contents);
        return path;
    }

    // A double click as the user makes it: a click, then the second press that the system reports
    // as the double click.
    static void doubleClick(Window& win, int row) {
        const QPoint at = win.lineRect(row).center();
        QTest::mouseClick(win.prg()->viewport(), Qt::LeftButton, {}, at);
        QTest::mouseDClick(win.prg()->viewport(), Qt::LeftButton, {}, at);
    }

private slots:
    void startUp() {
        Window win;
        QCOMPARE(win.w->windowTitle(), QString("Vandor 8085"));
        QAbstractItemModel* mem = win.grid("grdmem")->model();
        QCOMPARE(mem->rowCount(), 4096);
        // 16 byte columns, then the row's bytes as text.
        QCOMPARE(mem->columnCount(), 17);
        QCOMPARE(mem->headerData(16, Qt::Horizontal).toString(), QString("Texto"));
        QCOMPARE(mem->headerData(0, Qt::Vertical).toString(), QString("0000"));
        QCOMPARE(mem->headerData(4095, Qt::Vertical).toString(), QString("FFF0"));
        QCOMPARE(mem->headerData(0, Qt::Horizontal).toString(), QString(" 0"));
        QCOMPARE(mem->headerData(15, Qt::Horizontal).toString(), QString(" F"));
        QCOMPARE(mem->headerData(15, Qt::Horizontal, Qt::TextAlignmentRole).toInt() & Qt::AlignRight,
                 int(Qt::AlignRight));
        QAbstractItemModel* ports = win.grid("grdport")->model();
        QCOMPARE(ports->rowCount(), 16);
        QCOMPARE(ports->headerData(15, Qt::Vertical).toString(), QString("F0"));
        QCOMPARE(mem->index(4095, 15).data().toString(), QString("00"));
        QCOMPARE(win.text("txtDirMem"), QString("0000"));
        QCOMPARE(win.text("txtDatMem"), QString("00"));
        // After the reset only TRAP and RESET are usable, every mask box checked.
        QCOMPARE(win.button("Ejecutar")->text(), QString("E&jecutar"));
        QVERIFY(win.button("Reset")->isEnabled() && win.button("Trap")->isEnabled());
        for (const char* b : {"Rst55", "Rst65", "Rst75", "Intr"}) QVERIFY(!win.button(b)->isEnabled());
        for (const char* c : {"CHK55", "CHK65", "CHK75"}) QVERIFY(win.check(c)->isChecked());
        QVERIFY(!win.check("CHKEI")->isChecked());
        QVERIFY(!win.check("ChkSOD")->isEnabled());
        QCOMPARE(win.lines()->size(), 29);
        QCOMPARE(win.prg()->currentLine(), 0);
    }

    void addressBoxMovesAndScrollsTheGrid_data() {
        QTest::addColumn<QString>("address");
        QTest::addColumn<int>("row");
        QTest::addColumn<int>("column");
        QTest::addColumn<int>("top");
        QTest::newRow("0000") << "0000" << 1 << 1 << 1;
        QTest::newRow("0010") << "0010" << 2 << 1 << 1;
        QTest::newRow("0123") << "123" << 19 << 4 << 18;
        QTest::newRow("FFFF") << "FFFF" << 4096 << 16 << 4095;
    }
    void addressBoxMovesAndScrollsTheGrid() {
        QFETCH(QString, address);
        QFETCH(int, row);
        QFETCH(int, column);
        QFETCH(int, top);
        Window win;
        win.m().savmem(static_cast<uint16_t>((row - 1) * 16 + column - 1), 0xAB);
        win.enter("txtDirMem", address);
        vandor::GridView* g = win.grid("grdmem");
        QCOMPARE(g->currentRowNumber(), row);
        QCOMPARE(g->currentColumnNumber(), column);
        QCOMPARE(g->topRow(), top);
        QCOMPARE(win.text("txtDatMem"), QString("AB"));
    }

    void clickingACellFillsTheBoxes() {
        Window win;
        win.m().savmem(0x0024, 0x5E);
        win.clickCell(win.grid("grdmem"), 3, 5);
        QCOMPARE(win.text("txtDirMem"), QString("0024"));
        QCOMPARE(win.text("txtDatMem"), QString("5E"));
        // Keys move the current cell too.
        QTest::keyClick(win.grid("grdmem"), Qt::Key_Right);
        QCOMPARE(win.text("txtDirMem"), QString("0025"));
        win.clickCell(win.grid("grdport"), 2, 1);
        QCOMPARE(win.text("txtDirPort"), QString("10"));
    }

    // A store writes exactly the one byte cell of its address, and its row's text.
    void storeRewritesOneCell() {
        Window win;
        auto* model = win.grid("grdmem")->model();
        QSignalSpy changed(model, &QAbstractItemModel::dataChanged);
        win.m().savmem(0x1234, 0x41);
        QCOMPARE(changed.size(), 2);
        const QModelIndex from = changed[0][0].toModelIndex(), to = changed[0][1].toModelIndex();
        QCOMPARE(from, to);
        QCOMPARE(from.row() + 1, 292);
        QCOMPARE(from.column() + 1, 5);
        QCOMPARE(from.data().toString(), QString("41"));
        const QModelIndex text = changed[1][0].toModelIndex();
        QCOMPARE(changed[1][1].toModelIndex(), text);
        QCOMPARE(text.row() + 1, 292);
        QCOMPARE(text.data().toString(), QString("....A..........."));
    }

    void dataBoxesStore() {
        Window win;
        win.enter("txtHL", "0040");
        win.enter("txtDirMem", "0040");
        win.enter("txtDatMem", "3c");
        QCOMPARE(win.m().mem[0x40], 0x3C);
        QCOMPARE(win.text("txtDirMem"), QString("0040"));
        QCOMPARE(win.text("txtM"), QString("3C"));  // through regen
        win.enter("txtDirPort", "FE");
        win.enter("txtDatPort", "99");
        QCOMPARE(win.m().ports[0xFE], 0x99);
        QCOMPARE(win.grid("grdport")->model()->index(15, 14).data().toString(), QString("99"));
        QCOMPARE(win.grid("grdport")->currentRowNumber(), 16);
    }

    void programViewAroundPC_data() {
        QTest::addColumn<int>("pc");
        QTest::addColumn<int>("first");
        QTest::addColumn<int>("selected");
        QTest::addColumn<int>("lastAddress");
        QTest::newRow("0000") << 0x0000 << 0x0000 << 0 << 0x001C;
        QTest::newRow("0005") << 0x0005 << 0x0000 << 5 << 0x001C;
        QTest::newRow("FFF0") << 0xFFF0 << 0xFFE4 << 12 << 0xFFFF;
    }
    void programViewAroundPC() {
        QFETCH(int, pc);
        QFETCH(int, first);
        QFETCH(int, selected);
        QFETCH(int, lastAddress);
        Window win;
        win.m().pc = static_cast<uint16_t>(pc);
        win.w->regen();
        QCOMPARE(int(win.lines()->address(0)), first);
        QCOMPARE(win.prg()->currentLine(), selected);
        QCOMPARE(int(win.lines()->address(win.lines()->size() - 1)), lastAddress);
        QCOMPARE(win.text("txtDIR"), QString::fromLatin1(vandor::hexa(pc, 4)));
    }

    void arrowsAtTheEnds() {
        Window win;
        vandor::ProgramView* prg = win.prg();
        prg->setFocus();
        // At 0000 the up arrow changes nothing.
        QTest::keyClick(prg, Qt::Key_Up);
        QCOMPARE(int(win.lines()->address(0)), 0);
        // One byte back, not one instruction back.
        win.m().pc = 0x0100;
        win.w->regen();
        QCOMPARE(int(win.lines()->address(0)), 0x00F4);
        prg->setCurrentLine(0);
        QTest::keyClick(prg, Qt::Key_Up);
        QCOMPARE(int(win.lines()->address(0)), 0x00F3);
        QCOMPARE(prg->currentLine(), 0);
        // Down at the last line appends the next instruction.
        prg->setCurrentLine(28);
        QTest::keyClick(prg, Qt::Key_Down);
        QCOMPARE(int(win.lines()->address(0)), 0x00F4);
        QCOMPARE(int(win.lines()->address(28)), 0x0110);
        QCOMPARE(prg->currentLine(), 28);
        // Nothing after an instruction that ends at FFFF.
        win.m().pc = 0xFFF0;
        win.w->regen();
        const int count = win.lines()->size();
        prg->setCurrentLine(count - 1);
        QTest::keyClick(prg, Qt::Key_Down);
        QCOMPARE(win.lines()->size(), count);
        QCOMPARE(int(win.lines()->address(count - 1)), 0xFFFF);
        QTest::keyClick(prg, Qt::Key_Return);
        QCOMPARE(win.dialogs.beeps, 1);
    }

    // The scroll bar used with the first line selected steps back to a one-byte instruction; with the
    // last line selected it appends the next instruction.
    void scrollBarAtTheEnds() {
        Window win;
        win.load(0x00F3, {0xC3});  // JMP: three bytes, so the step back goes on to 00F2
        win.m().pc = 0x0100;
        win.w->regen();
        QCOMPARE(int(win.lines()->address(0)), 0x00F4);
        QScrollBar* bar = win.prg()->verticalScrollBar();
        win.prg()->setCurrentLine(0);
        bar->triggerAction(QAbstractSlider::SliderSingleStepSub);
        QCOMPARE(int(win.lines()->address(0)), 0x00F2);
        const int last = win.lines()->size() - 1;
        const uint16_t lastAddress = win.lines()->address(last);
        win.prg()->setCurrentLine(last);
        bar->triggerAction(QAbstractSlider::SliderSingleStepAdd);
        QCOMPARE(win.lines()->address(last - 1), lastAddress);
        QCOMPARE(int(win.lines()->address(last)), lastAddress + 1);
        // A line in the middle: the list just scrolls.
        win.prg()->setCurrentLine(5);
        const uint16_t first = win.lines()->address(0);
        bar->triggerAction(QAbstractSlider::SliderSingleStepAdd);
        QCOMPARE(win.lines()->address(0), first);
    }

    void editorCommandCancelled() {
        Window win;
        win.click("Editar");
        QCOMPARE(win.dialogs.fileRequests.size(), 1);
        QCOMPARE(win.dialogs.fileRequests[0].title, QString("Editar fichero .ASM"));
        const QWidgetList windows = QApplication::topLevelWidgets();
        for (QWidget* window : windows) QVERIFY(window == win.w.get() || !window->isVisible());
    }

    void entryRowEditsInPlace() {
        Window win;
        win.enter("txtDIR", "2000");
        const uint16_t first = win.lines()->address(0);
        QCOMPARE(win.text("INSCO"), QString("00"));
        QCOMPARE(win.text("INSOP1"), QString());
        win.enter("INSCO", "3E");
        QCOMPARE(win.m().mem[0x2000], 0x3E);
        QCOMPARE(win.lines()->address(0), first);
        const int row = win.prg()->currentLine();
        QCOMPARE(int(win.lines()->address(row)), 0x2000);
        QVERIFY(QString::fromStdString(win.lines()->line(row)).contains("MVI A,00"));
        QCOMPARE(int(win.lines()->address(row + 1)), 0x2002);
        QCOMPARE(win.text("INSOP1"), QString("00"));
        // An empty operand box stores nothing; a byte goes to address + 1.
        win.enter("INSOP2", "");
        QCOMPARE(win.m().mem[0x2002], 0);
        win.enter("INSOP1", "7f");
        QCOMPARE(win.m().mem[0x2001], 0x7F);
        QVERIFY(QString::fromStdString(win.lines()->line(row)).contains("MVI A,7F"));
    }

    // An operand past FFFF lands where memory wraps, and its cell shows it.
    void operandAtTheEndOfMemoryWraps() {
        Window win;
        win.enter("txtDIR", "FFFF");
        win.enter("INSCO", "C3");
        win.enter("INSOP1", "12");
        win.enter("INSOP2", "34");
        QCOMPARE(win.m().mem[0xFFFF], 0xC3);
        QCOMPARE(win.m().mem[0x0000], 0x12);
        QCOMPARE(win.m().mem[0x0001], 0x34);
        QCOMPARE(win.grid("grdmem")->model()->index(0, 1).data().toString(), QString("34"));
    }

    void doubleClickTogglesABreakpoint() {
        Window win;
        win.m().pc = 0x0100;
        win.w->regen();
        const uint16_t first = win.lines()->address(0);
        doubleClick(win, 3);
        QVERIFY(win.m().breakpoints[first + 3]);
        QCOMPARE(win.lines()->line(3)[4], '*');
        QCOMPARE(win.lines()->address(0), first);
        doubleClick(win, 3);
        QVERIFY(!win.m().breakpoints[first + 3]);
        QCOMPARE(win.lines()->line(3)[4], ' ');
        QCOMPARE(win.lines()->address(0), first);
    }

    void stackWraps() {
        Window win;
        win.load(0xFFFF, {0x34});
        win.load(0x0000, {0x12, 0x78, 0x56});
        win.m().sp = 0xFFFF;
        win.w->regen();
        auto* pila = win.child<QAbstractItemView>("pila")->model();
        QCOMPARE(pila->rowCount(), 8);
        QCOMPARE(pila->index(0, 0).data().toString(), QString("1234"));
        QCOMPARE(pila->index(1, 0).data().toString(), QString("5678"));
    }

    void loadCommand() {
        Window win;
        win.m().pc = 0x0300;
        const QString good = writeFile("good.hex", ":020300003E0FAE\r\n:00000001FF\r\n");
        win.dialogs.files.push_back(good);
        win.click("CargarHEX");
        QCOMPARE(win.dialogs.fileRequests.size(), 1);
        QCOMPARE(win.dialogs.fileRequests[0].title, QString("Cargar fichero .HEX"));
        QCOMPARE(win.dialogs.fileRequests[0].filter,
                 QString("Fichero hexadecimales (*.hex)|*.hex|Todos los ficheros (*.*)|*.*"));
        QCOMPARE(win.dialogs.fileRequests[0].defaultName, QString("*.hex"));
        QCOMPARE(win.dialogs.messages, QStringList{"Carga correcta"});
        QCOMPARE(win.m().mem[0x0301], 0x0F);
        QVERIFY(QString::fromStdString(win.lines()->line(win.prg()->currentLine())).contains("MVI A,0F"));

        const QString bad = writeFile("bad.hex", ":00000002FE\r\n");
        win.dialogs.files.push_back(bad);
        win.click("CargarHEX");
        QCOMPARE(win.dialogs.messages.last(), "Error en fichero " + bad + ".\rFormato incorrecto.");
        QCOMPARE(win.dialogs.messageAlignments.last() & Qt::AlignRight, Qt::AlignRight);

        const QString empty = writeFile("empty.hex", "");
        win.dialogs.files.push_back(empty);
        win.click("CargarHEX");
        QCOMPARE(win.dialogs.messages.last(), QString("Error en lectura"));
        QCOMPARE(win.dialogs.messageAlignments.last() & Qt::AlignRight, Qt::Alignment());

        // Cancelled: no message, nothing refreshed.
        const int messages = win.dialogs.messages.size();
        win.m().a = 0x55;
        win.click("CargarHEX");
        QCOMPARE(win.dialogs.messages.size(), messages);
        QCOMPARE(win.text("txtA"), QString("00"));
    }
};

QTEST_MAIN(PrincipalViewsTest)
#include "principal_views_test.moc"
