// SPDX-License-Identifier: MIT
// Repaints of the watch plot into an 800 x 300 image: what every new reading costs while a
// watch runs.
#include "BenchMain.h"
#include "CWatchLog.h"
#include "WatchPlot.h"

#include <QApplication>
#include <QImage>

#include <benchmark/benchmark.h>
#include <cmath>
#include <cstdlib>

using namespace Qt::StringLiterals;

namespace {

constexpr int WIDTH = 800;
constexpr int HEIGHT = 300;
constexpr std::int64_t SPACING_MS = 10;

// `count` readings 10 ms apart, a slow wave with a ripple so that every pixel column holds
// a spread of values; with `gaps`, every seventh reading failed.
CWatchLog makeLog(int count, bool gaps)
{
    CWatchLog log;
    for (int i = 0; i < count; ++i) {
        SWatchSample sample;
        sample.timeMs = 1'800'000'000'000 + i * SPACING_MS;
        sample.bytes = {0x01, 0x8E};
        if (gaps && i % 7 == 3)
            sample.error = u"NACK"_s;
        else
            sample.value = 330 + 5 * std::sin(i / 300.0) + 0.4 * std::sin(i * 1.7);
        log.Append(sample);
    }
    return log;
}

void BM_Repaint(benchmark::State &state)
{
    const int count = int(state.range(0));
    const CWatchLog log = makeLog(count, state.range(1) != 0);
    WatchPlot plot;
    plot.resize(WIDTH, HEIGHT);
    plot.setUnit(u"lx"_s);
    // Every reading in view: 10,000 readings 10 ms apart span 100 s.
    plot.setSpanSeconds(100);
    plot.setLog(&log);
    QImage image(WIDTH, HEIGHT, QImage::Format_ARGB32_Premultiplied);
    for (auto _ : state) {
        plot.render(&image);
        benchmark::DoNotOptimize(image.constBits());
    }
}

BENCHMARK(BM_Repaint)
    ->ArgNames({"samples", "gaps"})
    ->Args({0, 0})
    ->Args({1, 0})
    ->Args({100, 0})
    ->Args({10000, 0})
    ->Args({10000, 1})
    ->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char **argv)
{
    return RunQtBenchmarks<QApplication>(argc, argv);
}
