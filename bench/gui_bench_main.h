// The main() of every window benchmark: a QApplication on the offscreen platform unless another is
// chosen, quiet about the platform's own warnings, then Google Benchmark.
#pragma once

#include <QApplication>
#include <benchmark/benchmark.h>
#include <cstdio>

inline int runWindowBenchmarks(int argc, char** argv) {
    // The offscreen platform warns about every window it shows; those lines would bury the figures.
    qInstallMessageHandler([](QtMsgType type, const QMessageLogContext&, const QString& text) {
        if (type != QtDebugMsg && type != QtWarningMsg && type != QtInfoMsg) fprintf(stderr, "%s\n", qPrintable(text));
    });
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
