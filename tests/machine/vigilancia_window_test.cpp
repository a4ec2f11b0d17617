// The watchpoint window: adding memory and port watchpoints from its boxes, the entry checks, removing
// by button and by the Delete key, the buttons' enabling and the accelerators.
#include <QApplication>
#include <QComboBox>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTest>

#include "machine/simulator.h"
#include "machine/vigilancia_window.h"
#include "widgets/hexbox.h"
#include "widgets/scripted_dialogs.h"
#include "widgets/zoom.h"

using vandor::Watchpoint;

class VigilanciaTest : public QObject {
    Q_OBJECT

    std::unique_ptr<vandor::Simulator> sim;
    std::unique_ptr<vandor::ScriptedDialogs> dialogs;
    std::unique_ptr<Vigilancia> window;

    template <class T> T* child(const char* name) {
        T* c = window->findChild<T*>(QString::fromLatin1(name));
        if (!c) qFatal("no control %s", name);
        return c;
    }
    QListWidget* lista() { return child<QListWidget>("lstVigilancia"); }
    QStringList shown() {
        QStringList out;
        for (int i = 0; i < lista()->count(); ++i) out << lista()->item(i)->text();
        return out;
    }
    // Types into a box as a student would; the box is checked when the focus leaves it.
    void type(const char* name, const QString& keys) {
        auto* b = child<vandor::HexBox>(name);
        b->setFocus(Qt::TabFocusReason);
        b->selectAll();
        if (keys.isEmpty()) QTest::keyClick(b, Qt::Key_Delete);
        else QTest::keyClicks(b, keys);
    }
    void add() {
        QTest::mouseClick(child<QPushButton>("Anadir"), Qt::LeftButton);
        QCoreApplication::processEvents();
    }

private slots:
    void init() {
        sim = std::make_unique<vandor::Simulator>();
        dialogs = std::make_unique<vandor::ScriptedDialogs>();
        window = std::make_unique<Vigilancia>(*sim, *dialogs);
        window->show();
        QApplication::setActiveWindow(window.get());
        QVERIFY(QTest::qWaitForWindowActive(window.get()));
    }

    void addsMemoryAndPortWatchpoints() {
        QSignalSpy changed(window.get(), &Vigilancia::watchesChanged);
        QVERIFY(!child<QPushButton>("Quitar")->isEnabled());
        type("txtDesde", "2000");
        add();  // "Hasta" empty: one cell, writes by default
        type("txtDesde", "20a0");
        type("txtHasta", "20ff");
        child<QComboBox>("cboAcceso")->setCurrentIndex(2);
        add();
        QTest::mouseClick(child<QRadioButton>("optPuerto"), Qt::LeftButton);
        QVERIFY(child<vandor::HexBox>("txtPuertoDesde")->isVisible());
        QVERIFY(!child<vandor::HexBox>("txtDesde")->isVisible());
        type("txtPuertoDesde", "10");
        type("txtPuertoHasta", "1f");
        child<QComboBox>("cboAcceso")->setCurrentIndex(1);
        add();
        QCOMPARE(shown(), (QStringList{"Memoria 2000, escritura", "Memoria 20A0-20FF, lectura y escritura",
                                       "Puerto 10-1F, lectura"}));
        QCOMPARE(changed.count(), 3);
        const std::vector<Watchpoint> expected = {{false, 0x2000, 0x2000, vandor::kWatchWrite},
                                                  {false, 0x20A0, 0x20FF, vandor::kWatchRead | vandor::kWatchWrite},
                                                  {true, 0x10, 0x1F, vandor::kWatchRead}};
        QVERIFY(sim->watches.entries() == expected);
        QCOMPARE(sim->watches.memory(0x20B0), uint8_t(vandor::kWatchRead | vandor::kWatchWrite));
        QVERIFY(dialogs->messages.isEmpty());
        QVERIFY(child<QPushButton>("Quitar")->isEnabled());  // the new entry is selected
    }

    void refusesBadEntries() {
        type("txtDesde", "g");
        add();
        QCOMPARE(dialogs->messages, QStringList{"Valor incorrecto"});
        QVERIFY(sim->watches.empty());

        type("txtDesde", "3000");
        type("txtHasta", "2000");
        add();
        QCOMPARE(dialogs->messages.last(), QStringLiteral("«Hasta» es menor que «Desde»"));
        QVERIFY(sim->watches.empty());

        type("txtHasta", "");
        add();
        add();  // the same again
        QCOMPARE(dialogs->messages.last(), QStringLiteral("Esa vigilancia ya está en la lista"));
        QCOMPARE(sim->watches.entries().size(), size_t(1));

        // Ports take two digits at most.
        QTest::mouseClick(child<QRadioButton>("optPuerto"), Qt::LeftButton);
        type("txtPuertoDesde", "100");
        add();
        QCOMPARE(dialogs->messages.last(), QStringLiteral("Valor incorrecto"));
        QCOMPARE(sim->watches.entries().size(), size_t(1));
    }

    void removesByButtonAndByDelete() {
        for (const char* watch : {"1000", "2000:r", "P20:rw"}) sim->watches.add(*vandor::parseWatchpoint(watch));
        window->refresh();
        QCOMPARE(lista()->count(), 3);
        lista()->setCurrentRow(1);
        QTest::mouseClick(child<QPushButton>("Quitar"), Qt::LeftButton);
        QCOMPARE(shown(), (QStringList{"Memoria 1000, escritura", "Puerto 20, lectura y escritura"}));
        QCOMPARE(sim->watches.memory(0x2000), uint8_t(0));
        lista()->setFocus();
        lista()->setCurrentRow(0);
        QTest::keyClick(lista(), Qt::Key_Delete);
        QCOMPARE(shown(), (QStringList{"Puerto 20, lectura y escritura"}));
        QTest::keyClick(lista(), Qt::Key_Delete);
        QVERIFY(sim->watches.empty());
        QVERIFY(!child<QPushButton>("Quitar")->isEnabled());
    }

    // Every command has its key: Alt+A adds (after checking the box being typed in), Alt+Q removes,
    // Alt+P and Alt+M choose the kind, Alt+R closes.
    void accelerators() {
        type("txtDesde", "4000");
        QTest::keyClick(window->windowHandle(), Qt::Key_A, Qt::AltModifier);
        QTRY_COMPARE(shown(), QStringList{"Memoria 4000, escritura"});
        QTest::keyClick(window->windowHandle(), Qt::Key_P, Qt::AltModifier);
        QTRY_VERIFY(child<QRadioButton>("optPuerto")->isChecked());
        QTest::keyClick(window->windowHandle(), Qt::Key_M, Qt::AltModifier);
        QTRY_VERIFY(child<QRadioButton>("optMemoria")->isChecked());
        type("txtDesde", "zz");
        QTest::keyClick(window->windowHandle(), Qt::Key_A, Qt::AltModifier);
        QTRY_COMPARE(dialogs->messages.size(), 1);
        QCOMPARE(dialogs->messages.last(), QStringLiteral("Valor incorrecto"));
        QCOMPARE(lista()->count(), 1);  // refused in the box: nothing added
        type("txtDesde", "5");
        lista()->setCurrentRow(0);
        QTest::keyClick(window->windowHandle(), Qt::Key_Q, Qt::AltModifier);
        QTRY_COMPARE(lista()->count(), 0);
        QTest::keyClick(window->windowHandle(), Qt::Key_R, Qt::AltModifier);
        QTRY_VERIFY(!window->isVisible());
    }

    // The longest entry shows whole at every text size.
    void longestEntryShowsWholeAtEveryZoom() {
        type("txtDesde", "0000");
        type("txtHasta", "FFFF");
        child<QComboBox>("cboAcceso")->setCurrentIndex(2);
        add();
        QCOMPARE(shown(), QStringList{"Memoria 0000-FFFF, lectura y escritura"});
        for (qreal points : vandor::Zoom::steps()) {
            vandor::Zoom::instance().setPoints(points);
            QCoreApplication::processEvents();
            const int needed = QFontMetrics(lista()->font()).horizontalAdvance(lista()->item(0)->text());
            QVERIFY2(needed <= lista()->viewport()->width(),
                     qPrintable(QStringLiteral("%1 pt: %2 > %3").arg(points).arg(needed).arg(lista()->viewport()->width())));
        }
        vandor::Zoom::instance().reset();
    }
};

QTEST_MAIN(VigilanciaTest)
#include "vigilancia_window_test.moc"
