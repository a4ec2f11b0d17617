// Principal and the devices window: the command that opens it, and the one instance over the simulator.
#include "devices/dispositivos.h"
#include "mainwindow/principal.h"

Dispositivos* Principal::devicesWindow() {
    if (!devices_) {
        devices_ = new Dispositivos(sim_, dialogs_, this);
        devices_->setDeferred(deferViews_);
    }
    return devices_;
}

void Principal::Dispositivos_Click() {
    Dispositivos* window = devicesWindow();
    if (window->isMinimized()) window->showNormal();
    window->show();
    window->raise();
    window->activateWindow();
}
