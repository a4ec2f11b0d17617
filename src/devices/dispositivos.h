// Dispositivos: the devices window. It holds a column of device panels (LEDs, 7-segment displays,
// switches, push buttons, the serial console), each on the ports the user types, starting with the
// default arrangement; "Añadir" adds a device, each panel's "Quitar" removes it, "Guardar" and "Abrir"
// store and read the arrangement as a TOML file the user picks.
//
// The main window owns it (one instance, created on first use, modeless) and calls refresh() with its
// other views, and portWritten() for every port write it hears of; the devices read the ports then,
// so they cost nothing while a run goes on between two refreshes. A push button is held with the mouse
// or with its key while this window is active.
//
//   Dispositivos devices(sim, dialogs, mainWindow);
//   devices.show();
//   sim.step(); devices.refresh();
#pragma once

#include <QPointer>
#include <QWidget>
#include <vector>

#include "devices/arrangement.h"

class QAction;
class QPushButton;
class QScrollArea;
class QVBoxLayout;

namespace vandor {
class Dialogs;
class DevicePanel;
class Simulator;
}  // namespace vandor

class Dispositivos : public QWidget {
    Q_OBJECT
public:
    Dispositivos(vandor::Simulator& sim, vandor::Dialogs& dialogs, QWidget* parent = nullptr);
    ~Dispositivos() override;

    // The devices as the panels now have them, in the window's order.
    vandor::Arrangement arrangement() const;
    // Replaces every device.
    void setArrangement(const vandor::Arrangement& arrangement);
    const std::vector<vandor::DevicePanel*>& panels() const { return panels_; }

    // Shows the ports as they are now.
    void refresh();
    // A port was written; its devices follow now unless the views are deferred (a run in progress),
    // when the next refresh() brings them up to date.
    void portWritten(uint8_t port);
    void setDeferred(bool deferred) { deferred_ = deferred; }

    // Commands.
    void anadir(vandor::DeviceKind kind);
    void guardar_Click();
    void abrir_Click();
    void cerrar_Click();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void changeEvent(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void addPanel(const vandor::Device& device);
    void removePanel(vandor::DevicePanel* panel);
    // The push buttons held by a key: pressed on the key's press, let go on its release or when the
    // window stops being active.
    bool buttonKey(QKeyEvent* event);
    void releaseKeyButtons();
    void applyZoom();
    // The least width that shows every device whole.
    void fitWidestDevice();
    bool hasConsole() const;
    void updateConsoleCommand();

    vandor::Simulator& sim_;
    vandor::Dialogs& dialogs_;
    QScrollArea* scroll_;
    QWidget* column_;
    QVBoxLayout* columnLayout_;
    QPushButton* anadir_;
    QPushButton* guardar_;
    QPushButton* abrir_;
    QPushButton* cerrar_;
    QAction* addConsole_ = nullptr;
    std::vector<vandor::DevicePanel*> panels_;
    bool deferred_ = false;
    bool keysWatched_ = false;
};
