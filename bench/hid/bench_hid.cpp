// SPDX-License-Identifier: MIT
// Cost of one report exchange through CSimpleHidClass on the simulated adapters, and
// the accuracy of the simulator's 1 ms frame latency that the driver benchmarks rely on.
#include "CSimBus.h"
#include "CSimEeprom.h"
#include "CSimpleHidClass.h"

#include <benchmark/benchmark.h>
#include <chrono>
#include <cmath>
#include <memory>

namespace {

using Bytes = std::vector<unsigned char>;
using Clock = std::chrono::steady_clock;

Bytes Report(std::initializer_list<unsigned char> head)
{
    Bytes report(head);
    report.resize(64, 0);
    return report;
}

// A fresh bus with one model A adapter, an EEPROM at 0x50 and the special-mode
// interface open with the I2C function on.
struct SBench
{
    std::shared_ptr<CSimAdapter> adapter;
    std::unique_ptr<CSimpleHidClass> hid = std::make_unique<CSimpleHidClass>();

    explicit SBench(std::chrono::nanoseconds framePeriod)
    {
        CSimBus::Instance().Reset();
        adapter = CSimBus::Instance().Attach(ESimModel::A, L"BENCH");
        adapter->AddSlave(0x50, std::make_shared<CSimEeprom>());
        adapter->SetFramePeriod(framePeriod);
        hid->OpenPath(adapter->GetSpecialPath());
        hid->Write(Report({0x01, 0x01, 0x00}));
    }
    ~SBench() { CSimBus::Instance().Reset(); }

    bool Exchange(const Bytes &request, Bytes &buffer)
    {
        return hid->Write(request) && hid->Read(buffer, 64, 1000);
    }
};

// One write request (start, stop, the address byte) and its reply.
void BM_WriteReplyExchange(benchmark::State &state)
{
    SBench bench(std::chrono::nanoseconds(0));
    const Bytes request = Report({0x02, 0xC1, 0xA0});
    Bytes buffer;
    for (auto _ : state) {
        if (!bench.Exchange(request, buffer)) {
            state.SkipWithError(bench.hid->GetLastError().c_str());
            break;
        }
        benchmark::DoNotOptimize(buffer.data());
    }
}
BENCHMARK(BM_WriteReplyExchange);

// A read request of `count` bytes and all its replies (62 data bytes each).
void BM_ReadExchange(benchmark::State &state)
{
    SBench bench(std::chrono::nanoseconds(0));
    const auto count = static_cast<unsigned>(state.range(0));
    const Bytes request = Report({0x03, static_cast<unsigned char>(count & 0xFF), 0xA1,
                                  static_cast<unsigned char>(count >> 8)});
    const std::size_t replies = (count + 61) / 62;
    Bytes buffer;
    for (auto _ : state) {
        bool ok = bench.hid->Write(request);
        for (std::size_t i = 0; ok && i < replies; ++i)
            ok = bench.hid->Read(buffer, 64, 1000);
        if (!ok) {
            state.SkipWithError(bench.hid->GetLastError().c_str());
            break;
        }
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * count);
}
BENCHMARK(BM_ReadExchange)->Arg(1)->Arg(62)->Arg(300);

// N exchanges at 1 ms frames must take N frame times: the grid is fixed, so host time
// between frames is absorbed. overshoot_pct is the excess over N ms. A host thread that
// is not scheduled within its frame misses the next boundary, as it would with real
// hardware: missed_frames counts those (whole frames beyond N), and residual_pct is the
// excess left once they are counted in.
void BM_FrameLatencyAccuracy(benchmark::State &state)
{
    constexpr auto FRAME = std::chrono::milliseconds(1);
    const auto exchanges = static_cast<int>(state.range(0));
    SBench bench(FRAME);
    const Bytes request = Report({0x02, 0xC1, 0xA0});
    Bytes buffer;
    Clock::duration measured{};
    long long missed = 0;
    for (auto _ : state) {
        // The first exchange lands on the frame grid; the timed ones follow it.
        bench.Exchange(request, buffer);
        const Clock::time_point start = Clock::now();
        for (int i = 0; i < exchanges; ++i) {
            if (!bench.Exchange(request, buffer)) {
                state.SkipWithError(bench.hid->GetLastError().c_str());
                return;
            }
        }
        const Clock::duration elapsed = Clock::now() - start;
        measured += elapsed;
        missed += std::llround(std::chrono::duration<double>(elapsed) / FRAME) - exchanges;
        state.SetIterationTime(std::chrono::duration<double>(elapsed).count());
    }
    const double frameSeconds = std::chrono::duration<double>(FRAME).count();
    const double seconds = std::chrono::duration<double>(measured).count();
    const double frames = static_cast<double>(exchanges) * static_cast<double>(state.iterations());
    state.counters["overshoot_pct"] = 100.0 * (seconds / (frameSeconds * frames) - 1.0);
    state.counters["missed_frames"] = static_cast<double>(missed);
    state.counters["residual_pct"] =
        100.0 * (seconds / (frameSeconds * (frames + static_cast<double>(missed))) - 1.0);
}
BENCHMARK(BM_FrameLatencyAccuracy)
    ->Arg(1000)
    ->Iterations(5)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
