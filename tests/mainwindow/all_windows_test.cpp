// Every window of the simulator at every zoom step, with each installed font family: no text wider or
// taller than its room, no control on its frame's line, every control named for a screen reader, Tab
// in reading order, the splash picture drawn for the pixel ratio. The same test runs again at
// QT_SCALE_FACTOR=1.5 and 2 (see CMakeLists.txt).
#include <QApplication>
#include <QFontInfo>
#include <QLabel>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTest>
#include <memory>

#include "assembler/ensamblador_window.h"
#include "editor/busqueda.h"
#include "editor/editor.h"
#include "inspect/listapasos.h"
#include "machine/halt_window.h"
#include "machine/vigilancia_window.h"
#include "mainwindow/principal.h"
#include "startup/cabecera.h"
#include "support/window_checks.h"
#include "widgets/scripted_dialogs.h"
#include "widgets/zoom.h"

using vandor::Zoom;

class AllWindowsTest : public QObject {
    Q_OBJECT

    QTemporaryDir dir;
    vandor::ScriptedDialogs dialogs;
    std::unique_ptr<Principal> main;
    std::unique_ptr<Editor> editor;
    std::unique_ptr<Ensamblador> assembler;
    std::unique_ptr<Cabecera> splash;
    Halt* halt = nullptr;

    QList<QWidget*> windows() {
        return {main.get(), main->traceWindow(), main->watchWindow(), editor.get(), editor->busqueda(),
                assembler.get(), halt, splash.get()};
    }

    void settle() {
        for (int i = 0; i < 3; ++i) QCoreApplication::processEvents();
    }

private slots:
    void initTestCase() {
        // The splash asks nobody for updates here.
        qputenv("VANDOR_UPDATE_URL", "http://127.0.0.1:9/");
        main = std::make_unique<Principal>(dialogs);
        main->show();
        // Long instruction texts, a breakpoint's mark, values in every register, a trace.
        vandor::Simulator& sim = main->simulator();
        const uint8_t program[] = {0x31, 0x00, 0xF0, 0x11, 0x00, 0x01, 0x21, 0x00, 0x20, 0x3E,
                                   0x7F, 0xC5, 0x77, 0xD3, 0x10, 0x3C};
        for (size_t i = 0; i < sizeof program; ++i) sim.setMemory(static_cast<uint16_t>(i), program[i]);
        sim.setBreakpoint(3, true);
        main->regen();
        for (int i = 0; i < 7; ++i) main->Eje_paso_Click();
        main->listains_Click();
        for (const char* watch : {"2000-20FF:rw", "P10:r"}) sim.watches.add(*vandor::parseWatchpoint(watch));
        main->Vigilar_Click();
        // The longest instruction text in the entry row: the program listed from 0000.
        QApplication::setActiveWindow(main.get());
        auto* address = main->findChild<QLineEdit*>(QStringLiteral("txtDIR"));
        address->setFocus();
        address->selectAll();
        QTest::keyClicks(address, QStringLiteral("0000"));
        main->findChild<QWidget*>(QStringLiteral("prg"))->setFocus();
        QCOMPARE(main->findChild<QLabel*>(QStringLiteral("INS"))->text(), QStringLiteral("LXI SP,F000"));

        editor = std::make_unique<Editor>(dialogs);
        editor->show();
        editor->busqueda()->show();
        assembler = std::make_unique<Ensamblador>(dialogs);
        assembler->setPaths(QStringLiteral(VANDOR_SOURCE_DIR "/examples/multiplica.asm"), dir.filePath("m.hex"),
                            dir.filePath("m.lst"));
        assembler->show();
        halt = new Halt(sim, dialogs, main.get());
        halt->show();
        splash = std::make_unique<Cabecera>(dialogs);
        splash->setTimerInterval(3'600'000);
        splash->show();
        QTRY_VERIFY(!assembler->isRunning());
        settle();
    }

    void cleanupTestCase() {
        Zoom::instance().setFamilies({}, {});
        Zoom::instance().reset();
        splash.reset();
        delete halt;
        assembler.reset();
        editor.reset();
        main.reset();
    }

    void noTextCutAtAnyZoom_data() {
        QTest::addColumn<QString>("fixed");
        QTest::addColumn<QString>("captions");
        QTest::addColumn<qreal>("points");
        const std::pair<const char*, const char*> families[] = {{"Liberation Mono", "Liberation Sans"},
                                                                {"DejaVu Sans Mono", "DejaVu Sans"}};
        for (auto [fixed, captions] : families) {
            for (qreal points : Zoom::steps()) {
                QTest::addRow("%s %g pt", fixed, points) << QString::fromLatin1(fixed) << QString::fromLatin1(captions)
                                                         << points;
            }
        }
    }
    void noTextCutAtAnyZoom() {
        QFETCH(QString, fixed);
        QFETCH(QString, captions);
        QFETCH(qreal, points);
        Zoom& zoom = Zoom::instance();
        zoom.setFamilies({fixed}, {captions});
        zoom.setPoints(points);
        settle();
        if (QFontInfo(zoom.fixedFont()).family() != fixed) QSKIP("font family not installed");
        QCOMPARE(zoom.points(), points);
        QStringList faults;
        for (QWidget* window : windows()) faults += window_checks::clippedTexts(window);
        QVERIFY2(faults.isEmpty(), qPrintable(faults.join(QLatin1Char('\n'))));
        // At the default size, at any pixel ratio, the program list shows its 29 lines and the stack its
        // eight words.
        if (points == Zoom::kDefaultPoints) {
            main->resize(main->minimumSize());
            settle();
            QCOMPARE(main->findChild<QAbstractItemView*>(QStringLiteral("prg"))->model()->rowCount(), 29);
            QCOMPARE(main->findChild<QAbstractItemView*>(QStringLiteral("pila"))->model()->rowCount(), 8);
        }
        // The arrangement grows with the text.
        QVERIFY(main->findChild<QWidget*>(QStringLiteral("canvas"))->minimumWidth() >=
                qRound(12000 / 15.0 * std::max<qreal>(1, zoom.scale())) - 1);
    }

    // The splash picture has a pixel of its own for every device pixel of the screen: crisp at 1.5 and 2.
    void splashPictureForThePixelRatio() {
        auto* picture = splash->findChild<QLabel*>(QStringLiteral("Picture1"));
        const QPixmap pixmap = picture->pixmap();
        const qreal ratio = splash->devicePixelRatioF();
        QCOMPARE(pixmap.devicePixelRatio(), ratio);
        QCOMPARE(pixmap.size(), picture->size() * ratio);
        QCOMPARE(pixmap.deviceIndependentSize().toSize(), picture->size());
    }

    void everyControlIsNamed() {
        QStringList faults;
        for (QWidget* window : windows()) faults += window_checks::unnamedControls(window);
        QVERIFY2(faults.isEmpty(), qPrintable(faults.join(QLatin1Char('\n'))));
    }

    void tabFollowsReadingOrder() {
        QStringList faults;
        for (QWidget* window : windows()) faults += window_checks::tabOrderFaults(window);
        QVERIFY2(faults.isEmpty(), qPrintable(faults.join(QLatin1Char('\n'))));
    }
};

QTEST_MAIN(AllWindowsTest)
#include "all_windows_test.moc"
