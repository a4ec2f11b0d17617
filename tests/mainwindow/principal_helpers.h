// Shared by the main window's tests: a shown, active Principal with scripted dialogs, and the moves a
// student makes in it (typing into a box and leaving it, clicking a button, a grid cell or a line).
#pragma once

#include <QAbstractItemView>
#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <QElapsedTimer>
#include <QTest>
#include <QTimer>
#include <functional>
#include <memory>
#include <vector>

#include "mainwindow/grid_models.h"
#include "widgets/hexbox.h"
#include "mainwindow/principal.h"
#include "mainwindow/program_view.h"
#include "widgets/scripted_dialogs.h"

struct Window {
    vandor::ScriptedDialogs dialogs;
    std::unique_ptr<Principal> w;

    Window() : w(std::make_unique<Principal>(dialogs)) {
        w->show();
        QApplication::setActiveWindow(w.get());
        if (!QTest::qWaitForWindowActive(w.get())) qWarning("window not active");
    }

    vandor::Simulator& sim() { return w->simulator(); }
    vandor::Machine& m() { return w->simulator().m; }

    template <class T> T* child(const QString& name) {
        T* c = w->findChild<T*>(name);
        if (!c) qFatal("no control %s", qPrintable(name));
        return c;
    }
    vandor::HexBox* box(const QString& name) { return child<vandor::HexBox>(name); }
    QString text(const QString& name) { return box(name)->text(); }
    QPushButton* button(const QString& name) { return child<QPushButton>(name); }
    QCheckBox* check(const QString& name) { return child<QCheckBox>(name); }
    vandor::GridView* grid(const QString& name) { return child<vandor::GridView>(name); }
    vandor::ProgramView* prg() { return child<vandor::ProgramView>(QStringLiteral("prg")); }
    vandor::LinesModel* lines() { return static_cast<vandor::LinesModel*>(prg()->model()); }

    // Typing into a box: the focus arrives (the text is selected), the keys replace it.
    void type(const QString& name, const QString& keys) {
        vandor::HexBox* b = box(name);
        b->setFocus(Qt::TabFocusReason);
        b->selectAll();
        if (keys.isEmpty()) {
            QTest::keyClick(b, Qt::Key_Delete);
        } else {
            QTest::keyClicks(b, keys);
        }
    }
    // Leaving the box for the program view, as a Tab would move the focus.
    // A refused entry's message follows the focus change from the event loop.
    void leave() {
        prg()->setFocus(Qt::TabFocusReason);
        QCoreApplication::processEvents();
    }
    void enter(const QString& name, const QString& keys) {
        type(name, keys);
        leave();
    }

    void click(QWidget* widget) {
        QTest::mouseClick(widget, Qt::LeftButton);
        QCoreApplication::processEvents();
    }
    void click(const QString& buttonName) { click(button(buttonName)); }

    void clickCell(vandor::GridView* g, int row, int column) {
        const QModelIndex cell = g->model()->index(row - 1, column - 1);
        g->scrollTo(cell);
        QTest::mouseClick(g->viewport(), Qt::LeftButton, {}, g->visualRect(cell).center());
    }
    QRect lineRect(int row) { return prg()->visualRect(lines()->index(row)); }

    void load(uint16_t at, const std::vector<uint8_t>& bytes) {
        for (size_t i = 0; i < bytes.size(); ++i) m().savmem(static_cast<uint16_t>(at + i), bytes[i]);
        w->regen();
    }
};

// Starts a run and, once it has executed `afterSteps` steps (or 10 s have passed, however busy the
// machine is), calls `during` from inside the run's event processing, then presses "&Parar" if the run
// still goes on.
inline void runWhile(Window& win, std::function<void()> during, uint64_t afterSteps = 100) {
    auto* poll = new QTimer(win.w.get());
    auto started = std::make_shared<QElapsedTimer>();
    started->start();
    QObject::connect(poll, &QTimer::timeout, win.w.get(), [&win, during, poll, afterSteps, started] {
        if (win.sim().stepsExecuted() < afterSteps && started->elapsed() < 10000) return;
        poll->stop();
        poll->deleteLater();
        during();
        if (win.sim().running()) win.click("Ejecutar");
    });
    poll->start(1);
    win.click("Ejecutar");
}
