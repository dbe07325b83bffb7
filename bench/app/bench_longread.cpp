// SPDX-License-Identifier: MIT
// A long read as the user sees it in the window: how long the event loop ever stays
// away during the transfer, and how soon Cancel brings the row.
#include "BenchWindow.h"
#include "CSimBus.h"
#include "CSimPresetBench.h"

#include <QAbstractButton>
#include <QProgressDialog>
#include <QPushButton>
#include <QSpinBox>

#include <algorithm>
#include <chrono>

using namespace Qt::StringLiterals;

namespace {

using Clock = std::chrono::steady_clock;

constexpr int LONG_READ = 65535;

// The window connected to the preset bench's model A adapter (1 ms frames), reading
// from its EEPROM.
struct SReadBench : SBenchWindow
{
    SSimPresetBench sim;

    SReadBench()
    {
        CSimBus::Instance().Reset();
        sim = CSimPresetBench::Attach(std::chrono::milliseconds(1));
        window.findChild<QComboBox *>(u"cmb_i2c_device"_s)->setEditText(u"0x50"_s);
        window.findChild<QSpinBox *>(u"spin_read"_s)->setValue(LONG_READ);
    }
    ~SReadBench() { CSimBus::Instance().Reset(); }
    SReadBench(const SReadBench &) = delete;
    SReadBench &operator=(const SReadBench &) = delete;

    void Read() { window.findChild<QAbstractButton *>(u"btn_read"_s)->click(); }
    bool Running() const
    {
        return !window.findChild<QAction *>(u"actionDisconnect"_s)->isEnabled();
    }
};

// The longest time between two turns of the event loop while the read runs (the
// dialog shows after 300 ms and is painted meanwhile); the row is added after it.
void BM_EventLoopGapDuringLongRead(benchmark::State &state)
{
    SReadBench bench;
    if (!bench.Connect()) {
        state.SkipWithError("connect failed");
        return;
    }
    double worstMs = 0;
    for (auto _ : state) {
        Clock::time_point last = Clock::now();
        double longest = 0;
        QTimer ticker;
        ticker.setInterval(0);
        QObject::connect(&ticker, &QTimer::timeout, [&] {
            const Clock::time_point now = Clock::now();
            if (bench.Running())
                longest = std::max(longest,
                                   std::chrono::duration<double, std::milli>(now - last).count());
            last = now;
        });
        ticker.start();
        bench.Read();
        ticker.stop();
        worstMs = std::max(worstMs, longest);
        state.PauseTiming();
        bench.table->setRowCount(0);
        bench.Settle();
        state.ResumeTiming();
    }
    state.counters["max_gap_ms"] = worstMs;
}
BENCHMARK(BM_EventLoopGapDuringLongRead)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(3);

// From the click on Cancel to the row in the table.
void BM_CancelToRow(benchmark::State &state)
{
    SReadBench bench;
    if (!bench.Connect()) {
        state.SkipWithError("connect failed");
        return;
    }
    double totalMs = 0;
    double worstMs = 0;
    for (auto _ : state) {
        Clock::time_point clicked;
        double latency = -1;
        QTimer poll;
        poll.setInterval(1);
        QObject::connect(&poll, &QTimer::timeout, [&] {
            auto *dialog = bench.window.findChild<QProgressDialog *>(u"progress_transfer"_s);
            if (clicked == Clock::time_point() && dialog != nullptr && dialog->isVisible()) {
                clicked = Clock::now();
                dialog->findChild<QPushButton *>()->click();
            }
        });
        const QMetaObject::Connection added =
            QObject::connect(bench.table->model(), &QAbstractItemModel::rowsInserted, [&] {
                latency = std::chrono::duration<double, std::milli>(Clock::now() - clicked).count();
            });
        poll.start();
        bench.Read();
        poll.stop();
        QObject::disconnect(added);
        if (latency < 0) {
            state.SkipWithError("no cancel");
            return;
        }
        totalMs += latency;
        worstMs = std::max(worstMs, latency);
        state.PauseTiming();
        bench.table->setRowCount(0);
        bench.Settle();
        state.ResumeTiming();
    }
    state.counters["cancel_ms"] = totalMs / double(state.iterations());
    state.counters["worst_cancel_ms"] = worstMs;
}
BENCHMARK(BM_CancelToRow)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);

} // namespace

int main(int argc, char **argv)
{
    return RunWindowBenchmarks(argc, argv);
}
