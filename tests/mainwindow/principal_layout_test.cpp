// The main window's arrangement: at its default size every control where the layout's twips put it,
// that size also the least; larger, the room goes to the program list, the grids and the stack; the
// zoom keys and wheel in any window zoom every window; each window fits a 1024 x 768 screen, centred.
#include <QFontMetrics>
#include <QHeaderView>
#include <QListView>
#include <QScrollArea>
#include <QTest>
#include <QWheelEvent>

#include "editor/editor.h"
#include "inspect/listapasos.h"
#include "principal_helpers.h"
#include "widgets/twips.h"
#include "widgets/zoom.h"

using vandor::twips;
using vandor::Zoom;

namespace {

struct Place {
    const char* name;
    int left, top, width, height;
};

// The positions the layout gives (left, top, width, height in twips), relative to the frame that
// holds each control. The entry row's frame and mnemonic reach further right than the layout's 3255 and
// 2040 + 1095 twips: the longest instruction needs it in a fixed font.
const Place kDefaultPlaces[] = {
    {"CargarHEX", 3480, 120, 855, 255}, {"Editar", 4440, 120, 735, 255},   {"Ensamblar", 5280, 120, 735, 255},
    {"about", 6120, 120, 735, 255},     {"listains", 7560, 120, 735, 255}, {"Ejecutar", 8400, 120, 735, 255},
    {"Eje_paso", 9240, 120, 735, 255},
    {"FrameEntrada", 120, 0, 3330, 615}, {"txtDIR", 120, 240, 615, 285}, {"INSCO", 840, 240, 375, 285},
    {"INSOP1", 1200, 240, 375, 285},     {"INSOP2", 1560, 240, 375, 285}, {"INS", 1980, 240, 1320, 285},
    {"prg", 120, 720, 3255, 5715},
    {"Frame1", 3480, 480, 5175, 2415},
    {"txtA", 480, 240, 375, 285},   {"txtF", 480, 600, 375, 285},   {"txtB", 480, 960, 375, 285},
    {"txtC", 480, 1320, 375, 285},  {"txtD", 1560, 960, 375, 285},  {"txtE", 1560, 1320, 375, 285},
    {"txtH", 2640, 960, 375, 285},  {"txtL", 2640, 1320, 375, 285}, {"txtBC", 480, 1680, 615, 285},
    {"txtDE", 1560, 1680, 615, 285}, {"txtHL", 2640, 1680, 615, 285}, {"txtM", 2640, 2040, 375, 285},
    {"txtPC", 480, 2040, 615, 285}, {"txtSP", 1560, 2040, 615, 285},
    {"chkF7", 1200, 600, 255, 255}, {"chkF4", 1920, 600, 255, 255}, {"chkF0", 2880, 600, 255, 255},
    {"pila", 3360, 600, 615, 1620},
    {"Frame6", 8760, 480, 1215, 2415},
    {"Reset", 240, 240, 735, 255},  {"Trap", 240, 480, 735, 255},   {"Rst55", 240, 720, 735, 255},
    {"Rst65", 240, 960, 735, 255},  {"Rst75", 240, 1200, 735, 255}, {"Intr", 240, 1440, 735, 255},
    {"txtVec", 420, 2040, 375, 285},
    {"Frame4", 3480, 2880, 6495, 1815}, {"txtDirMem", 1080, 1440, 615, 285}, {"txtDatMem", 2400, 1440, 375, 285},
    {"Frame5", 3480, 4680, 6495, 1815}, {"txtDirPort", 1080, 1440, 375, 285}, {"txtDatPort", 2160, 1440, 375, 285},
    // The debugger's: "Paso atrás" beside "Paso", its frame right of Control, the message line under all.
    {"PasoAtras", 10080, 120, 1815, 255}, {"FrameDepuracion", 10080, 480, 1815, 6015},
    {"PasoEncima", 120, 240, 1575, 255}, {"SalirSub", 120, 540, 1575, 255}, {"Vigilar", 120, 2040, 1575, 255},
    {"lstVigilancia", 120, 2340, 1575, 3555}, {"lblMensaje", 120, 6540, 11760, 480},
    // The speed choice under the port frame and the devices button at the right edge, under the message line.
    {"cmbVelocidad", 4410, 7035, 1410, 285}, {"txtRitmo", 5880, 7035, 1680, 285}, {"Dispositivos", 10680, 7050, 1215, 255},
};

int wholeRows(QAbstractItemView* view, int rows) {
    int n = 0;
    for (int r = 0; r < rows; ++r)
        if (view->viewport()->rect().contains(view->visualRect(view->model()->index(r, 0)))) ++n;
    return n;
}

// The default size in twips: the layout's 10110 × 6600 with the debugger's column on the right and the
// message line at the bottom.
constexpr int kDefaultWidth = 10080 + 1815 + 105;
constexpr int kDefaultHeight = 6540 + 480 + 15 + 285 + 60;  // the speed row under the message line

}  // namespace

class PrincipalLayoutTest : public QObject {
    Q_OBJECT

private slots:
    void cleanup() { Zoom::instance().reset(); }

    void defaultSizeIsTheLayoutsAndTheLeast() {
        Window win;
        QCOMPARE(win.w->size(), QSize(twips(kDefaultWidth), twips(kDefaultHeight)));
        QCOMPARE(win.w->minimumSize(), QSize(twips(kDefaultWidth), twips(kDefaultHeight)));
        for (const Place& p : kDefaultPlaces) {
            QWidget* control = win.w->findChild<QWidget*>(QString::fromLatin1(p.name));
            QVERIFY2(control, p.name);
            QCOMPARE(control->geometry(), vandor::twips(p.left, p.top, p.width, p.height));
        }
        // The default lists: 29 program lines and 8 stack words, all in view.
        QCOMPARE(win.lines()->size(), 29);
        QCOMPARE(wholeRows(win.prg(), 29), 29);
        auto* pila = win.child<QListView>(QStringLiteral("pila"));
        QCOMPARE(pila->model()->rowCount(), 8);
        QCOMPARE(wholeRows(pila, 8), 8);
        // The memory grid's text column shows only where it fits whole.
        QVERIFY(win.grid("grdmem")->isColumnHidden(16));
    }

    // Larger, the room goes to the views a student reads; the registers and the control buttons keep
    // their places in their frames.
    void largerWindowShowsMore() {
        Window win;
        // The grid is as wide as its 16 columns need with this system's font (at least its twips).
        const QRect gridAtStart = win.grid("grdmem")->geometry();
        QVERIFY(gridAtStart.width() >= twips(6255));
        win.w->resize(1600, 1000);
        QCoreApplication::processEvents();
        vandor::GridView* memory = win.grid("grdmem");
        vandor::GridView* ports = win.grid("grdport");
        QVERIFY2(memory->rowsInView() >= 24, qPrintable(QString::number(memory->rowsInView())));
        QVERIFY(wholeRows(memory, 4096) >= 24);
        QVERIFY(win.lines()->size() >= 40);
        QCOMPARE(wholeRows(win.prg(), win.lines()->size()), win.lines()->size());
        QVERIFY(wholeRows(ports, 16) > 4);
        // Still 16 byte columns, and now the text column whole beside them.
        QCOMPARE(memory->horizontalHeader()->count() - (memory->isColumnHidden(16) ? 1 : 0), 17);
        QVERIFY(memory->viewport()->rect().contains(memory->visualRect(memory->model()->index(0, 16))));
        auto* pila = win.child<QListView>(QStringLiteral("pila"));
        QVERIFY(pila->model()->rowCount() > 8);
        QCOMPARE(wholeRows(pila, pila->model()->rowCount()), pila->model()->rowCount());
        for (const char* name : {"txtA", "txtSP", "chkF0", "Reset", "txtVec", "txtDirMem", "txtDatPort"}) {
            QWidget* control = win.w->findChild<QWidget*>(QString::fromLatin1(name));
            const QRect t = win.w->defaultTwips(control);
            QCOMPARE(control->size(), twips(t.x(), t.y(), t.width(), t.height()).size());
        }
        // The program list follows the window's height; shrunk back, everything is where it was.
        win.w->resize(twips(kDefaultWidth), twips(kDefaultHeight));
        QCoreApplication::processEvents();
        QCOMPARE(win.lines()->size(), 29);
        QCOMPARE(memory->geometry(), gridAtStart);
        QVERIFY(memory->isColumnHidden(16));
    }

    // The stack words shown follow SP whatever their number.
    void moreStackWordsReadTheStack() {
        Window win;
        win.w->resize(1600, 1000);
        QCoreApplication::processEvents();
        for (int i = 0; i < 32; ++i) win.m().mem[static_cast<size_t>(0x1000 + i)] = static_cast<uint8_t>(i);
        win.sim().setSP(0x1000);
        win.w->regen();
        auto* pila = win.child<QListView>(QStringLiteral("pila"));
        const int words = pila->model()->rowCount();
        QVERIFY(words > 8);
        for (int i = 0; i < words; ++i) {
            const int word = (2 * i + 1) << 8 | (2 * i);
            QCOMPARE(pila->model()->index(i, 0).data().toString(), QString::fromLatin1(vandor::hexa(word, 4)));
        }
    }

    // Ctrl+"+", Ctrl+"-", Ctrl+wheel and Ctrl+0 in one window change the text size of every window.
    void zoomKeysReachEveryWindow() {
        Window win;
        Listapasos* trace = win.w->traceWindow();
        trace->show();
        auto* prg = win.prg();
        const int lineAtStart = win.lines()->lineHeight();
        const int traceFont = trace->findChild<QWidget*>(QStringLiteral("lista"))->font().pointSizeF() * 100;

        QTest::keyClick(win.box(QStringLiteral("txtA")), Qt::Key_Equal, Qt::ControlModifier);
        QCOMPARE(Zoom::instance().points(), 11.0);
        QTest::keyClick(prg, Qt::Key_Plus, Qt::ControlModifier | Qt::ShiftModifier);
        QCOMPARE(Zoom::instance().points(), 12.0);
        QVERIFY(win.lines()->lineHeight() > lineAtStart);
        QVERIFY(win.box(QStringLiteral("txtA"))->font().pointSizeF() == 12.0);
        QVERIFY(trace->findChild<QWidget*>(QStringLiteral("lista"))->font().pointSizeF() * 100 > traceFont);
        QVERIFY(win.w->findChild<QWidget*>(QStringLiteral("canvas"))->minimumWidth() > twips(kDefaultWidth));

        // The trace window's keys zoom the main window too.
        QTest::keyClick(trace->findChild<QWidget*>(QStringLiteral("lista")), Qt::Key_Minus, Qt::ControlModifier);
        QCOMPARE(Zoom::instance().points(), 11.0);
        QWheelEvent up(QPointF(5, 5), prg->mapToGlobal(QPointF(5, 5)), QPoint(), QPoint(0, 120), Qt::NoButton,
                       Qt::ControlModifier, Qt::NoScrollPhase, false);
        QCoreApplication::sendEvent(prg->viewport(), &up);
        QCOMPARE(Zoom::instance().points(), 12.0);
        // Half a notch at a time (a touchpad) makes one step per notch.
        QWheelEvent half(QPointF(5, 5), prg->mapToGlobal(QPointF(5, 5)), QPoint(), QPoint(0, -60), Qt::NoButton,
                         Qt::ControlModifier, Qt::NoScrollPhase, false);
        QCoreApplication::sendEvent(prg->viewport(), &half);
        QCOMPARE(Zoom::instance().points(), 12.0);
        QCoreApplication::sendEvent(prg->viewport(), &half);
        QCOMPARE(Zoom::instance().points(), 11.0);

        QTest::keyClick(prg, Qt::Key_0, Qt::ControlModifier);
        QCOMPARE(Zoom::instance().points(), 9.75);
        QCOMPARE(win.lines()->lineHeight(), lineAtStart);
        // The window grew with the text; it may shrink back to the default size now, and then shows the
        // default arrangement.
        QCOMPARE(win.w->minimumSize(), QSize(twips(kDefaultWidth), twips(kDefaultHeight)));
        win.w->resize(win.w->minimumSize());
        QCoreApplication::processEvents();
        for (const Place& p : kDefaultPlaces) {
            QWidget* control = win.w->findChild<QWidget*>(QString::fromLatin1(p.name));
            QCOMPARE(control->geometry(), vandor::twips(p.left, p.top, p.width, p.height));
        }
    }

    // The steps run from 8 to 28 points and stop at both ends.
    void zoomStepsStopAtTheEnds() {
        Zoom& zoom = Zoom::instance();
        QCOMPARE(Zoom::steps().front(), 8.0);
        QCOMPARE(Zoom::steps().back(), 28.0);
        QVERIFY(Zoom::steps().contains(9.75) && Zoom::steps().contains(20.0));
        for (int i = 0; i < 30; ++i) zoom.zoomIn();
        QCOMPARE(zoom.points(), 28.0);
        for (int i = 0; i < 30; ++i) zoom.zoomOut();
        QCOMPARE(zoom.points(), 8.0);
        zoom.setPoints(19);
        QCOMPARE(zoom.points(), 18.0);
    }

    // Each window's default size fits a 1024 x 768 screen, placed in the middle of it below a title bar.
    void everyWindowFitsASmallScreenCentred() {
        Window win;
        vandor::ScriptedDialogs dialogs;
        Editor editor(dialogs);
        const QRect screen(0, 0, 1024, 768 - 32);  // less a panel
        const int titleBar = 24;
        for (QWidget* window : {static_cast<QWidget*>(win.w.get()), static_cast<QWidget*>(win.w->traceWindow()),
                                static_cast<QWidget*>(&editor)}) {
            const QRect place = vandor::centredPlacement(window->size(), window->minimumSize(), screen, titleBar);
            QCOMPARE(place.size(), window->size());
            QVERIFY(screen.contains(place.adjusted(0, -titleBar, 0, 0)));
            QVERIFY(std::abs((place.left() - screen.left()) - (screen.right() - place.right())) <= 1);
        }
        // Too large a window is made as large as the screen allows.
        const QRect big = vandor::centredPlacement({2000, 1500}, {300, 200}, screen, titleBar);
        QCOMPARE(big, QRect(0, titleBar, 1024, 736 - titleBar));
    }
};

QTEST_MAIN(PrincipalLayoutTest)
#include "principal_layout_test.moc"
