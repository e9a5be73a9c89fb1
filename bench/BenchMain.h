#pragma once

#include <QApplication>
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <functional>

// The main of every benchmark program: the offscreen platform unless another is set, a
// QApplication for the widgets and fonts, the benchmarks, then AtEnd while the application
// object still lives (what holds widgets must go before it).
inline int RunBenchmarks(int argc, char** argv, const std::function<void()>& AtEnd = {}) {
    if (!std::getenv("QT_QPA_PLATFORM"))
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QApplication App(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    if (AtEnd)
        AtEnd();
    return 0;
}
