// Resident memory of the simulator over a long continuous run in the shown main window with the trace
// window open, and after "Borrar": the windows driven as a user drives them, offscreen unless
// QT_QPA_PLATFORM says otherwise.
//
//   trace_memory [SECONDS] [TRACE_ROWS]      (default 60 s and the trace's own capacity)
//
// Prints the resident size after start-up, every 5 seconds of the run (with the steps and trace rows so
// far), the peak, and the size after "Borrar".
#include <QApplication>
#include <QElapsedTimer>
#include <QTest>
#include <QTimer>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

#include "inspect/listapasos.h"
#include "mainwindow/principal.h"
#include "widgets/scripted_dialogs.h"

namespace {

// The field of /proc/self/status in MB ("VmRSS", "VmHWM").
double statusMB(const std::string& field) {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind(field + ":", 0) == 0) return std::strtod(line.c_str() + field.size() + 1, nullptr) / 1024.0;
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    qInstallMessageHandler([](QtMsgType type, const QMessageLogContext&, const QString& text) {
        if (type != QtDebugMsg && type != QtWarningMsg && type != QtInfoMsg) fprintf(stderr, "%s\n", qPrintable(text));
    });
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int seconds = argc > 1 ? std::atoi(argv[1]) : 60;

    vandor::ScriptedDialogs dialogs;
    Principal w(dialogs);
    w.show();
    (void)QTest::qWaitForWindowExposed(&w);
    vandor::Simulator& sim = w.simulator();
    if (argc > 2) sim.trace.setCapacity(std::strtoull(argv[2], nullptr, 10));
    // A student's loop through memory: LXI H,2000 / INR A / MOV M,A / INX H / JMP 0003.
    const uint8_t program[] = {0x21, 0x00, 0x20, 0x3C, 0x77, 0x23, 0xC3, 0x03, 0x00};
    for (size_t i = 0; i < sizeof program; ++i) sim.setMemory(static_cast<uint16_t>(i), program[i]);
    w.regen();
    w.listains_Click();
    QCoreApplication::processEvents();
    const double fresh = statusMB("VmRSS");
    std::printf("after start-up, trace window shown: %.1f MB resident\n", fresh);

    QElapsedTimer clock;
    clock.start();
    QTimer report;
    QObject::connect(&report, &QTimer::timeout, [&] {
        std::printf("%4lld s: %7.1f MB resident, %12llu steps, %9zu trace rows, %12llu dropped\n",
                    static_cast<long long>(clock.elapsed() / 1000), statusMB("VmRSS"),
                    static_cast<unsigned long long>(sim.stepsExecuted()), sim.trace.size(),
                    static_cast<unsigned long long>(sim.trace.dropped()));
        std::fflush(stdout);
    });
    report.start(5000);
    QTimer::singleShot(seconds * 1000, &w, [&w] { w.Ejecutar_Click(); });
    w.Ejecutar_Click();  // returns when the run has been stopped
    report.stop();
    std::printf("run of %d s: %llu steps (%.2f M steps/s), peak %.1f MB resident\n", seconds,
                static_cast<unsigned long long>(sim.stepsExecuted()), sim.stepsExecuted() / (clock.elapsed() / 1000.0) / 1e6,
                statusMB("VmHWM"));

    w.traceWindow()->borrar_Click();
    QCoreApplication::processEvents();
    const double cleared = statusMB("VmRSS");
    std::printf("after \"Borrar\": %.1f MB resident (%+.1f MB from start-up)\n", cleared, cleared - fresh);
    return 0;
}
