// vandor: the simulator program. It starts with the splash window, which opens the main window.
#include <QApplication>
#include <memory>

#include "mainwindow/dialogs.h"
#include "mainwindow/principal.h"
#include "startup/cabecera.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(vandor::kAppTitle);
    vandor::QtDialogs dialogs;
    Cabecera splash(dialogs);
    std::unique_ptr<Principal> window;
    splash.createMainWindow = [&] {
        window = std::make_unique<Principal>(dialogs);
        window->onCloseRequested = [&] { splash.showClosing(); };
        window->onAboutRequested = [&] { splash.showAbout(); };
        return window.get();
    };
    splash.showSplash();
    return QApplication::exec();
}
