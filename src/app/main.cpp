// vandor: the simulator program. It opens the main window.
#include <QApplication>

#include "mainwindow/dialogs.h"
#include "mainwindow/principal.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(vandor::kAppTitle);
    vandor::QtDialogs dialogs;
    Principal window(dialogs);
    window.show();
    return QApplication::exec();
}
