// SPDX-License-Identifier: MIT
// A watch of the light sensor at a 10 ms interval in a shown window, on the preset
// bench's model A adapter at 1 ms frames: how many readings per second it sustains and
// how evenly they come.
#include "BenchWindow.h"
#include "CSimBus.h"
#include "CSimPresetBench.h"
#include "SI2cCommand.h"
#include "WatchPanel.h"

#include <QAbstractButton>
#include <QElapsedTimer>
#include <QSpinBox>

#include <cmath>

using namespace Qt::StringLiterals;

namespace {

constexpr int INTERVAL_MS = 10;
constexpr int RUN_MS = 5000;

void BM_WatchAt10msInterval(benchmark::State &state)
{
    CSimBus::Instance().Reset();
    CSimPresetBench::Attach(std::chrono::milliseconds(1));
    SBenchWindow bench;
    if (!bench.Connect()) {
        state.SkipWithError("connect failed");
        return;
    }
    auto *panel = bench.window.findChild<WatchPanel *>();
    bench.window.findChild<QSpinBox *>(u"spin_watch_interval"_s)->setValue(INTERVAL_MS);
    SI2cCommand command;
    command.type = EI2cCommandType::Read;
    command.count = 2;
    command.value = SValueDecoding{0, EValueType::U16Be, 1 / 1.2, 0, u"lx"_s};
    QMetaObject::invokeMethod(&bench.window, "onWatchCommand", Qt::DirectConnection,
                              Q_ARG(uint8_t, 0x23), Q_ARG(SI2cCommand, command));
    double rate = 0;
    double jitter = 0;
    double worst = 0;
    for (auto _ : state) {
        bench.window.findChild<QAbstractButton *>(u"btn_watch_start"_s)->click();
        QElapsedTimer clock;
        clock.start();
        while (clock.elapsed() < RUN_MS)
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
        bench.window.findChild<QAbstractButton *>(u"btn_watch_stop"_s)->click();
        const std::vector<SWatchSample> &samples = panel->log().Samples();
        const double span = double(samples.back().timeMs - samples.front().timeMs) / 1000.0;
        rate = double(samples.size() - 1) / span;
        double sum = 0;
        double squares = 0;
        for (std::size_t i = 1; i < samples.size(); ++i) {
            const double gap = double(samples[i].timeMs - samples[i - 1].timeMs);
            sum += gap;
            squares += gap * gap;
            worst = std::max(worst, gap);
        }
        const double n = double(samples.size() - 1);
        jitter = std::sqrt(std::max(0.0, squares / n - (sum / n) * (sum / n)));
        state.counters["failed"] = double(panel->log().FailedCount());
    }
    state.counters["samples_per_s"] = rate;
    state.counters["jitter_ms"] = jitter;
    state.counters["longest_gap_ms"] = worst;
    CSimBus::Instance().Reset();
}
BENCHMARK(BM_WatchAt10msInterval)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);

} // namespace

int main(int argc, char **argv)
{
    return RunWindowBenchmarks(argc, argv);
}
