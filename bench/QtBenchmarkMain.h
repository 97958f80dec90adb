#pragma once

#include <QtGlobal>

#include <benchmark/benchmark.h>

// Runs the registered benchmarks inside a Qt application of type App
// (QGuiApplication for painting, QApplication for windows), on the offscreen
// platform unless the environment names another.
template <class App>
int runQtBenchmarks(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    App app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) {
        return 1;
    }
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
