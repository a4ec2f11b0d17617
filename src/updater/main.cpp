// kepplet: downloads one file into its own folder and can start it afterwards.
#include <QApplication>
#include <QStringList>

#include "shared/spanish.h"
#include "updater/download_request.h"
#include "updater/form1.h"

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    shared::installQtSpanish();
    // The arguments joined again give the command line the program was started with.
    const QString commandLine = QCoreApplication::arguments().mid(1).join(QLatin1Char(' '));
    const auto request = kepplet::parseCommandLine(commandLine.toStdString());
    if (!request) return 0;
    Form1 form(*request, QCoreApplication::applicationDirPath());
    form.show();
    form.start();
    return app.exec();
}
