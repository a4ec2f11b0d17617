// vandor: the simulator program. The splash window starts it: after its update check it opens the main
// window, it is the main window's about box, and it ends the program after the main window's close.
#include <QApplication>
#include <memory>

#include "widgets/dialogs.h"
#include "mainwindow/principal.h"
#include "shared/spanish.h"
#include "startup/cabecera.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(vandor::kAppTitle);
    shared::installQtSpanish();
    vandor::QtDialogs dialogs;
    Cabecera splash(dialogs);
    std::unique_ptr<Principal> window;
    splash.createMainWindow = [&]() -> QWidget* {
        window = std::make_unique<Principal>(dialogs);
        window->onCloseRequested = [&splash] { splash.showClosing(); };
        window->onAboutRequested = [&splash] { splash.showAbout(); };
        return window.get();
    };
    splash.showSplash();
    return QApplication::exec();
}
