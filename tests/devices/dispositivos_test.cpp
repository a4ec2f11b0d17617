// The devices window: the default arrangement, every device following its port whatever wrote it and
// writing its port through the simulator's door, the push button held by mouse and key, the port boxes,
// adding and removing devices, and the arrangement file saved and opened.
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QTest>
#include <QFile>
#include <memory>

#include "assembler/driver.h"
#include "devices/console_panel.h"
#include "devices/device_panels.h"
#include "devices/device_widgets.h"
#include "devices/dispositivos.h"
#include "devices/seven_segment.h"
#include "machine/simulator.h"
#include "support/qt_test_files.h"
#include "widgets/hexbox.h"
#include "widgets/scripted_dialogs.h"

using vandor::DeviceKind;

namespace {

// Tells the window of every port write, as the main window does, and counts them (the port grid's
// cell would follow each one).
struct PortWatch final : vandor::MachineObserver {
    Dispositivos* devices = nullptr;
    QList<QPair<int, int>> writes;
    void memoryWritten(uint16_t, uint8_t) override {}
    void portWritten(uint8_t port, uint8_t value) override {
        writes << qMakePair(int(port), int(value));
        if (devices) devices->portWritten(port);
    }
};

bool litAt(QWidget* w, QPoint at) {
    const QImage image = w->grab().toImage();
    const QColor c = image.pixelColor(at * image.devicePixelRatio());
    return c.red() > 200 && c.green() < 110;
}

}  // namespace

class DispositivosTest : public QObject {
    Q_OBJECT

    std::unique_ptr<vandor::Simulator> sim;
    std::unique_ptr<vandor::ScriptedDialogs> dialogs;
    std::unique_ptr<Dispositivos> devices;
    PortWatch watch;
    QTemporaryDir dir;

    template <class T> T* panel(int i) { return qobject_cast<T*>(devices->panels().at(static_cast<size_t>(i))); }
    void load(const QByteArray& program) {
        for (int i = 0; i < program.size(); ++i) sim->setMemory(static_cast<uint16_t>(i), uint8_t(program[i]));
        sim->setPC(0);
    }
    // Types into a box the way a user does: click, type, then Tab away to confirm.
    void typeInto(vandor::HexBox* box, const QString& text) {
        box->setFocus(Qt::MouseFocusReason);
        QCoreApplication::processEvents();
        box->selectAll();
        QTest::keyClicks(box, text);
        QTest::keyClick(box, Qt::Key_Tab);
        QCoreApplication::processEvents();
    }

private slots:
    void init() {
        sim = std::make_unique<vandor::Simulator>();
        dialogs = std::make_unique<vandor::ScriptedDialogs>();
        devices = std::make_unique<Dispositivos>(*sim, *dialogs);
        watch = PortWatch{};
        watch.devices = devices.get();
        sim->m.observer = &watch;
    }
    void cleanup() {
        sim->m.observer = nullptr;
        devices.reset();
    }

    void defaultArrangementAndWindow() {
        QCOMPARE(devices->windowTitle(), QStringLiteral("Dispositivos"));
        QVERIFY(devices->isWindow());
        QVERIFY(!devices->isModal());
        QVERIFY(devices->minimumSize() != devices->maximumSize());  // resizable
        QCOMPARE(devices->arrangement(), vandor::defaultArrangement());
        QVERIFY(panel<vandor::SwitchesPanel>(0));
        QVERIFY(panel<vandor::LedsPanel>(1));
        QVERIFY(panel<vandor::DisplayPanel>(2));
        QCOMPARE(panel<vandor::DisplayPanel>(2)->digits().size(), size_t(2));
        QCOMPARE(panel<QGroupBox>(1)->title(), QStringLiteral("LEDs"));
        QCOMPARE(panel<QGroupBox>(2)->title(), QStringLiteral("Display de 7 segmentos"));
        QCOMPARE(panel<QGroupBox>(0)->title(), QStringLiteral("Interruptores"));
        for (const char* name : {"anadir", "guardar", "abrir", "cerrar"}) {
            auto* b = devices->findChild<QPushButton*>(name);
            QVERIFY2(b && b->text().contains('&'), name);  // every command has its accelerator
        }
    }

    // OUT, the port door (the grid's editor uses it) and a device: the LEDs show each at once.
    void ledsFollowTheirPort() {
        auto* leds = panel<vandor::LedsPanel>(1);
        load(QByteArray("\x3E\x5A\xD3\x01\x76", 5));  // MVI A,5A; OUT 01; HLT
        sim->step();
        QCOMPARE(leds->leds()->value(), uint8_t(0));
        sim->step();
        QCOMPARE(leds->leds()->value(), uint8_t(0x5A));
        QCOMPARE(leds->findChild<QLabel*>("valor")->text(), QStringLiteral("= 5A"));
        sim->setPort(0x01, 0x81);
        QCOMPARE(leds->leds()->value(), uint8_t(0x81));
        // Bit 7 is the left LED: lit; bit 6 beside it dark; bit 0 at the right lit.
        vandor::LedRow* row = leds->leds();
        QVERIFY(row->ledCentre(7).x() < row->ledCentre(6).x() && row->ledCentre(1).x() < row->ledCentre(0).x());
        QVERIFY(litAt(row, row->ledCentre(7)));
        QVERIFY(!litAt(row, row->ledCentre(6)));
        QVERIFY(litAt(row, row->ledCentre(0)));
    }

    // A step undone takes its OUT back: the LEDs show what the port held before it.
    void ledsFollowAStepBack() {
        auto* leds = panel<vandor::LedsPanel>(1);
        sim->setHistoryLimit(10);
        load(QByteArray("\x3E\x0F\xD3\x01\x3E\xF0\xD3\x01", 8));  // MVI A,0F; OUT 01; MVI A,F0; OUT 01
        for (int i = 0; i < 4; ++i) sim->step();
        QCOMPARE(leds->leds()->value(), uint8_t(0xF0));
        QVERIFY(sim->stepBack());
        QCOMPARE(leds->leds()->value(), uint8_t(0x0F));
        QVERIFY(sim->stepBack());
        QVERIFY(sim->stepBack());
        QCOMPARE(leds->leds()->value(), uint8_t(0x00));
    }

    void deferredViewsCatchUpOnRefresh() {
        auto* leds = panel<vandor::LedsPanel>(1);
        devices->setDeferred(true);
        sim->setPort(0x01, 0x0F);
        QCOMPARE(leds->leds()->value(), uint8_t(0));
        devices->refresh();
        QCOMPARE(leds->leds()->value(), uint8_t(0x0F));
    }

    void switchesWriteTheirPortAndFollowIt() {
        auto* switches = panel<vandor::SwitchesPanel>(0);
        devices->show();
        QVERIFY(QTest::qWaitForWindowExposed(devices.get()));
        vandor::SwitchRow* row = switches->switches();
        QTest::mouseClick(row, Qt::LeftButton, {}, row->switchCentre(3));
        QTest::mouseClick(row, Qt::LeftButton, {}, row->switchCentre(7));
        QCOMPARE(sim->m.ports[0x00], uint8_t(0x88));
        QCOMPARE(watch.writes.last(), qMakePair(0x00, 0x88));  // through savport: the grid's cell follows
        QCOMPARE(row->value(), uint8_t(0x88));
        row->setFocus();
        QTest::keyClick(row, Qt::Key_0);
        QCOMPARE(sim->m.ports[0x00], uint8_t(0x89));
        // IN reads them; an OUT to the same port moves them.
        load(QByteArray("\xDB\x00\x3E\x42\xD3\x00\x76", 7));  // IN 00; MVI A,42; OUT 00; HLT
        sim->step();
        QCOMPARE(sim->m.a, uint8_t(0x89));
        sim->step();
        sim->step();
        QCOMPARE(row->value(), uint8_t(0x42));
        QCOMPARE(switches->findChild<QLabel*>("valor")->text(), QStringLiteral("= 42"));
    }

    void displayShowsSegmentsOrHexadecimal() {
        devices->show();
        QVERIFY(QTest::qWaitForWindowExposed(devices.get()));
        auto* display = panel<vandor::DisplayPanel>(2);
        sim->setPort(0x02, vandor::kHexSegments[4]);
        sim->setPort(0x03, 0x80 | vandor::kHexSegments[2]);
        QCOMPARE(display->digits()[0]->segments(), vandor::kHexSegments[4]);
        QCOMPARE(display->digits()[1]->segments(), uint8_t(0x80 | vandor::kHexSegments[2]));
        // Segment g (the middle bar) of "4" is lit, segment a (the top bar) is not.
        vandor::SevenSegmentDigit* digit = display->digits()[0];
        const QSize s = digit->size();
        QVERIFY(litAt(digit, {s.width() / 2, s.height() / 2}));
        QVERIFY(!litAt(digit, {s.width() / 2, s.height() * 2 / 20 + 1}));

        display->findChild<QCheckBox*>("hexadecimal")->click();
        QCOMPARE(display->digits().size(), size_t(4));
        sim->setPort(0x02, 0xA7);
        sim->setPort(0x03, 0x82);
        QCOMPARE(display->digits()[0]->segments(), vandor::kHexSegments[0xA]);
        QCOMPARE(display->digits()[1]->segments(), vandor::kHexSegments[0x7]);
        QCOMPARE(display->digits()[2]->segments(), vandor::kHexSegments[0x8]);
        QCOMPARE(display->digits()[3]->segments(), vandor::kHexSegments[0x2]);
        QVERIFY(devices->arrangement().devices[2].hexadecimal);

        display->findChild<QPushButton*>("masDigitos")->click();
        QCOMPARE(devices->arrangement().devices[2].ports, (std::vector<uint8_t>{0x02, 0x03, 0x04}));
        QCOMPARE(display->digits().size(), size_t(6));
        display->findChild<QPushButton*>("menosDigitos")->click();
        display->findChild<QPushButton*>("menosDigitos")->click();
        QVERIFY(!display->findChild<QPushButton*>("menosDigitos")->isEnabled());
        QCOMPARE(devices->arrangement().devices[2].ports, std::vector<uint8_t>{0x02});
    }

    void portBoxesMoveADeviceAndRefuseBadEntries() {
        devices->show();
        QVERIFY(QTest::qWaitForWindowActive(devices.get()));
        auto* leds = panel<vandor::LedsPanel>(1);
        sim->setPort(0x1F, 0x3C);
        auto* box = leds->findChild<vandor::HexBox*>("txtPuerto0");
        typeInto(box, "1f");
        QCOMPARE(box->text(), QStringLiteral("1F"));
        QCOMPARE(devices->arrangement().devices[1].ports, std::vector<uint8_t>{0x1F});
        QCOMPARE(leds->leds()->value(), uint8_t(0x3C));
        sim->setPort(0x01, 0xFF);
        QCOMPARE(leds->leds()->value(), uint8_t(0x3C));  // port 01 is no longer its port

        typeInto(box, "G1");
        QCOMPARE(dialogs->messages.value(0), QStringLiteral("Valor incorrecto"));
        QCOMPARE(devices->arrangement().devices[1].ports, std::vector<uint8_t>{0x1F});
    }

    void pushButtonHeldByMouseOrKey() {
        devices->anadir(DeviceKind::Button);
        auto* button = panel<vandor::ButtonPanel>(3);
        QVERIFY(button);
        devices->show();
        QVERIFY(QTest::qWaitForWindowActive(devices.get()));
        button->findChild<QSpinBox*>("bit")->setValue(5);
        sim->setPort(0x00, 0x81);

        QTest::mousePress(button->button(), Qt::LeftButton);
        QCOMPARE(sim->m.ports[0x00], uint8_t(0xA1));
        QCOMPARE(watch.writes.last(), qMakePair(0x00, 0xA1));
        QTest::mouseRelease(button->button(), Qt::LeftButton);
        QCOMPARE(sim->m.ports[0x00], uint8_t(0x81));

        // Its key anywhere in the window, not where a key is typed into a box.
        devices->findChild<QPushButton*>("guardar")->setFocus();
        QTest::keyPress(devices.get(), Qt::Key_Space);
        QCOMPARE(sim->m.ports[0x00], uint8_t(0xA1));
        QTest::keyPress(devices.get(), Qt::Key_Space, {}, -1);  // the key's own repeat changes nothing
        QTest::keyRelease(devices.get(), Qt::Key_Space);
        QCOMPARE(sim->m.ports[0x00], uint8_t(0x81));
        QVERIFY(dialogs->fileRequests.isEmpty());  // the focused "Guardar" was not pressed

        auto* tecla = button->findChild<QComboBox*>("tecla");
        tecla->setCurrentIndex(tecla->findText("P"));
        QCOMPARE(devices->arrangement().devices[3].key, 'P');
        QCOMPARE(button->button()->text(), QStringLiteral("Pulsar (P)"));
        auto* spin = button->findChild<QSpinBox*>("bit");
        spin->setFocus();
        QTest::keyPress(spin, Qt::Key_P);
        QCOMPARE(sim->m.ports[0x00], uint8_t(0x81));
        QTest::keyRelease(spin, Qt::Key_P);
        devices->findChild<QPushButton*>("guardar")->setFocus();
        QTest::keyPress(devices.get(), Qt::Key_P);
        QCOMPARE(sim->m.ports[0x00], uint8_t(0xA1));
        // Let go when the window is closed with the key down.
        devices->close();
        QCOMPARE(sim->m.ports[0x00], uint8_t(0x81));
        QVERIFY(!button->held());
    }

    void addAndRemoveDevices() {
        auto* menu = devices->findChild<QMenu*>("menuAnadir");
        QVERIFY(menu);
        QStringList captions;
        for (QAction* a : menu->actions()) captions << a->text();
        QCOMPARE(captions.size(), 5);
        for (const QString& c : captions) QVERIFY2(c.contains('&'), qPrintable(c));
        menu->actions().at(0)->trigger();
        QCOMPARE(devices->panels().size(), size_t(4));
        QCOMPARE(devices->arrangement().devices.back().kind, DeviceKind::Leds);
        panel<QWidget>(0)->findChild<QPushButton*>("quitar")->click();
        QCoreApplication::processEvents();
        QCOMPARE(devices->panels().size(), size_t(3));
        QCOMPARE(devices->arrangement().devices[0].kind, DeviceKind::Leds);
    }

    // The serial console: the example greets through SOD, what is typed goes out on SID and comes back;
    // one console at a time; removing it takes it off the lines.
    void serialConsoleGreetsAndEchoes() {
        QFile file(QStringLiteral(VANDOR_SOURCE_DIR "/examples/serie.asm"));
        QVERIFY(file.open(QIODevice::ReadOnly));
        const std::string source = file.readAll().toStdString();
        vandor::StringSink listing, object;
        vandor::CollectingMessages messages;
        vandor::AssemblyRun assembled;
        QVERIFY(vandor::assembleSource(source, listing, object, messages, assembled));
        for (size_t i = 0; i < assembled.image->size(); ++i)
            if ((*assembled.image)[i] >= 0) sim->setMemory(uint16_t(i), uint8_t((*assembled.image)[i]));
        sim->setPC(0);

        QAction* addConsole = devices->findChild<QAction*>("anadir_consola");
        QVERIFY(addConsole && addConsole->isEnabled());
        addConsole->trigger();
        auto* console = panel<vandor::ConsolePanel>(3);
        QVERIFY(console);
        QVERIFY(!addConsole->isEnabled());  // SOD and SID are one line each
        // The window is as wide as the console needs: its options are not hidden beyond the right edge.
        QVERIFY(devices->width() >= console->minimumSizeHint().width());
        QCOMPARE(sim->terminal() != nullptr, true);

        sim->startRun();
        sim->run(20000);
        devices->refresh();
        QCOMPARE(console->text(), QStringLiteral("HOLA\n"));

        // Typed keys go out on SID; the program sends them back, a line feed after the return.
        QTest::keyClicks(console->screen(), QStringLiteral("ok"));
        QTest::keyClick(console->screen(), Qt::Key_Return);
        QVERIFY(console->findChild<QLabel*>("estado")->text().contains(QStringLiteral("Por enviar: 3")));
        sim->run(60000);
        sim->stopRun();
        devices->refresh();
        QCOMPARE(console->text(), QStringLiteral("HOLA\nok\n"));
        QVERIFY(console->findChild<QLabel*>("estado")->text().contains(QStringLiteral("Por enviar: 0")));

        // Another baud rate is saved with the arrangement.
        auto* baud = console->findChild<QComboBox*>("baudios");
        baud->setCurrentIndex(baud->findData(1200u));
        QCOMPARE(devices->arrangement().devices.back().serial.baud, 1200u);

        console->findChild<QPushButton*>("quitar")->click();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QCOMPARE(sim->terminal(), nullptr);
        QVERIFY(addConsole->isEnabled());
    }

    void arrangementSavedAndOpened() {
        devices->anadir(DeviceKind::Button);
        panel<vandor::DisplayPanel>(2)->setHexadecimal(true);
        const QString path = dir.filePath("placa.toml");
        dialogs->files.push_back(path);
        devices->findChild<QPushButton*>("guardar")->click();
        QCOMPARE(dialogs->fileRequests.last().title, QStringLiteral("Guardar disposición de dispositivos"));
        const vandor::Arrangement saved = devices->arrangement();
        QCOMPARE(vandor::readArrangement(path.toStdString(), "p").arrangement, saved);

        // Saving over it asks first; No leaves the file as it was.
        devices->setArrangement(vandor::defaultArrangement());
        dialogs->files.push_back(path);
        dialogs->answers.push_back(vandor::Dialogs::Answer::No);
        devices->guardar_Click();
        QVERIFY(dialogs->questions.last().contains("ya existe"));
        QCOMPARE(vandor::readArrangement(path.toStdString(), "p").arrangement, saved);

        dialogs->files.push_back(path);
        devices->findChild<QPushButton*>("abrir")->click();
        QCOMPARE(devices->arrangement(), saved);
        QVERIFY(panel<vandor::ButtonPanel>(3));

        // A bad file: a message with its name and line, the window as it was.
        const QString bad = dir.filePath("mala.toml");
        vandor::test::writeBytes(bad, "[[dispositivo]]\ntipo = \"leds\"\npuerto = \"1234\"\n");
        dialogs->files.push_back(bad);
        devices->abrir_Click();
        QCOMPARE(dialogs->messages.last(),
                 QStringLiteral("No se puede abrir la disposición de dispositivos:\r\n"
                                "mala.toml:3: 'puerto': puerto incorrecto \"1234\" (de 00 a FF)"));
        QCOMPARE(devices->arrangement(), saved);

        // A file that cannot be written: said, and nothing replaced.
        dialogs->files.push_back(dir.filePath("no/placa.toml"));
        devices->guardar_Click();
        QCOMPARE(dialogs->messages.last(), QStringLiteral("Error guardando fichero"));
    }
};

QTEST_MAIN(DispositivosTest)
#include "dispositivos_test.moc"
