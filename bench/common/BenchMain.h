// SPDX-License-Identifier: MIT
#pragma once

#include <QCoreApplication>
#include <QtGlobal>

#include <benchmark/benchmark.h>
#include <type_traits>

// Runs the benchmarks the command line selects, inside the Qt application the caller made.
inline int RunBenchmarks(int argc, char **argv)
{
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}

// The main() of a benchmark program: its benchmarks inside a Qt application of type `App`,
// QCoreApplication for the cores, QApplication (on the offscreen platform) for widgets.
template <typename App>
int RunQtBenchmarks(int argc, char **argv)
{
    if constexpr (!std::is_same_v<App, QCoreApplication>)
        qputenv("QT_QPA_PLATFORM", "offscreen");
    App app(argc, argv);
    return RunBenchmarks(argc, argv);
}
