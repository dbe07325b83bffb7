// SPDX-License-Identifier: MIT
// The output table as a long session grows it, the hex rendering, and the bus search,
// in a shown window on the offscreen platform: every figure includes the event
// processing and painting that a real window does after the change.
#include "BenchWindow.h"
#include "CSimBus.h"
#include "CSimPresetBench.h"
#include "HexFormat.h"

#include <chrono>
#include <memory>
#include <vector>

using namespace Qt::StringLiterals;

namespace {

constexpr int SEARCH_PROBES = 0x77 - 0x08 + 1;

// Counts the paint events of a widget, to show that a figure includes the painting.
class CPaintCounter : public QObject
{
public:
    int paints = 0;

    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::Paint)
            ++paints;
        return false;
    }
};

// One 16-byte read row appended to a table that already holds range(0) rows, and the
// event processing that follows, in which the window paints what changed (the row
// scrolls into view, so the whole visible table area is painted again).
void AppendRows(benchmark::State &state, bool timeShown)
{
    SBenchWindow bench;
    bench.ShowTime(timeShown);
    bench.Fill(static_cast<int>(state.range(0)), 16);
    CPaintCounter counter;
    bench.table->viewport()->installEventFilter(&counter);
    const std::vector<unsigned char> bytes = BenchBytes(16);
    for (auto _ : state) {
        bench.window.addTableRow(u"Read 0x50"_s, u"0x10"_s, bytes, false);
        QCoreApplication::processEvents();
    }
    state.counters["rows_at_end"] = bench.table->rowCount();
    state.counters["paints_per_row"] =
        static_cast<double>(counter.paints) / static_cast<double>(state.iterations());
}

void BM_AppendRow(benchmark::State &state)
{
    AppendRows(state, false);
}
BENCHMARK(BM_AppendRow)->Arg(100)->Arg(10000)->Unit(benchmark::kMicrosecond);

// The same with the time column shown: every row brings a time text of its own to lay out.
void BM_AppendRowTimeShown(benchmark::State &state)
{
    AppendRows(state, true);
}
BENCHMARK(BM_AppendRowTimeShown)->Arg(100)->Arg(10000)->Unit(benchmark::kMicrosecond);

// 10,000 rows of 64 bytes taken back by Undo Clear Output after a clear, and painted.
void BM_UndoClear(benchmark::State &state)
{
    SBenchWindow bench;
    bench.Fill(10000, 64);
    QAction *clear = bench.window.findChild<QAction *>(u"actionTableClear"_s);
    QAction *undo = bench.window.findChild<QAction *>(u"actionUndoClear"_s);
    for (auto _ : state) {
        state.PauseTiming();
        clear->trigger();
        bench.Settle();
        state.ResumeTiming();
        undo->trigger();
        bench.Settle();
    }
    state.counters["rows"] = bench.table->rowCount();
}
BENCHMARK(BM_UndoClear)->Unit(benchmark::kMillisecond);

// The painting alone that every append brings about: the whole table area (frame, header,
// both scroll bars, the rows in view) and the forced repaint of the rows, nothing added.
void BM_RepaintTable(benchmark::State &state)
{
    SBenchWindow bench;
    bench.Fill(static_cast<int>(state.range(0)), 16);
    for (auto _ : state) {
        bench.table->update();
        bench.Settle();
    }
}
BENCHMARK(BM_RepaintTable)->Arg(0)->Arg(100)->Arg(10000)->Unit(benchmark::kMicrosecond);

// 10,000 rows of 64 bytes re-rendered after a change of the line layout, 16 <-> 8.
void BM_RerenderRows(benchmark::State &state)
{
    SBenchWindow bench;
    bench.Fill(10000, 64);
    bool eight = false;
    for (auto _ : state) {
        eight = !eight;
        bench.SetBytesPerLine(eight ? u"8"_s : u"16"_s);
        bench.Settle();
    }
}
BENCHMARK(BM_RerenderRows)->Unit(benchmark::kMillisecond);

// One read row of 65535 bytes rendered, added and painted.
void BM_AddLargeReadRow(benchmark::State &state)
{
    SBenchWindow bench;
    const std::vector<unsigned char> bytes = BenchBytes(65535);
    for (auto _ : state) {
        bench.window.addTableRow(u"Read 0x50"_s, u"0x3E"_s, bytes, false);
        bench.Settle();
        state.PauseTiming();
        bench.table->setRowCount(0);
        bench.Settle();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_AddLargeReadRow)->Unit(benchmark::kMillisecond);

// The hex lines of one 64 KiB read as every row and re-render makes them.
void BM_FormatHexLines(benchmark::State &state)
{
    const std::vector<unsigned char> raw = BenchBytes(static_cast<std::size_t>(state.range(0)));
    const QByteArray bytes(reinterpret_cast<const char *>(raw.data()),
                           static_cast<qsizetype>(raw.size()));
    for (auto _ : state)
        benchmark::DoNotOptimize(HexFormat::lines(bytes, 16, false));
    state.SetBytesProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_FormatHexLines)->Arg(65536)->Unit(benchmark::kMicrosecond);

// The whole search of the window (112 probes, list and row) on the preset bench's model A
// adapter, with replies at once or on the 1 ms frame grid of a full-speed adapter.
void BM_Search(benchmark::State &state)
{
    const auto framePeriod = std::chrono::microseconds(state.range(0));
    CSimBus::Instance().Reset();
    CSimPresetBench::Attach(framePeriod);
    SBenchWindow bench;
    if (!bench.Connect()) {
        state.SkipWithError("connect failed");
        return;
    }
    const auto search = [&bench] {
        QMetaObject::invokeMethod(&bench.window, "onI2cSearch", Qt::DirectConnection);
    };
    const auto start = std::chrono::steady_clock::now();
    for (auto _ : state)
        search();
    const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - start;
    if (framePeriod.count() > 0) {
        // Time per search above 112 frame times, in per cent.
        const double frames = SEARCH_PROBES * std::chrono::duration<double>(framePeriod).count();
        const double perSearch = elapsed.count() / double(state.iterations());
        state.counters["over_pct"] = (perSearch / frames - 1.0) * 100.0;
    }
    state.counters["rows"] = bench.table->rowCount();
    CSimBus::Instance().Reset();
}
BENCHMARK(BM_Search)->Arg(0)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Search)->Arg(1000)->Unit(benchmark::kMillisecond)->Iterations(20)->UseRealTime();

} // namespace

int main(int argc, char **argv)
{
    return RunWindowBenchmarks(argc, argv);
}
