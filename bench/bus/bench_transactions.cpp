// SPDX-License-Identifier: MIT
// What the transaction layer costs over calling the driver directly: the hop to the
// worker thread and back per transaction on a simulator without latency, the probe
// search at 1 ms frames against its floor of one frame per probe, and a 65,535-byte
// read against the simulator's floor of USB frames and I2C bus time.
#include "BenchMain.h"
#include "CBusSession.h"
#include "CSimBus.h"
#include "CSimEeprom.h"
#include "CSimPresetBench.h"
#include "CTransactionExecutor.h"
#include "CVtlAi2c.h"

#include <QCoreApplication>
#include <QEventLoop>

#include <algorithm>
#include <benchmark/benchmark.h>
#include <chrono>
#include <cmath>
#include <memory>

namespace {

constexpr std::uint8_t EEPROM = 0x50;
constexpr int SEARCH_PROBES = 0x77 - 0x08 + 1;

// A connected model A adapter with an EEPROM, replies at once unless a frame is given.
struct SBench
{
    std::shared_ptr<CSimAdapter> adapter;
    CVtlAi2c driver;

    explicit SBench(std::chrono::nanoseconds framePeriod = std::chrono::nanoseconds(0))
    {
        CSimBus::Instance().Reset();
        adapter = CSimBus::Instance().Attach(ESimModel::A, L"BENCH-1");
        adapter->AddSlave(EEPROM, std::make_shared<CSimEeprom>());
        driver.Connect(L"BENCH-1", EI2cSpeed::Speed100k);
        adapter->SetFramePeriod(framePeriod);
    }
};

void BM_DirectRead(benchmark::State &state)
{
    SBench bench;
    SI2cReadResult result;
    for (auto _ : state) {
        if (!bench.driver.Read(EEPROM, 4, result))
            state.SkipWithError("read failed");
        benchmark::DoNotOptimize(result.data.data());
    }
}
BENCHMARK(BM_DirectRead)->UseRealTime();

void BM_ExecutorRead(benchmark::State &state)
{
    SBench bench;
    const CTransactionControl control;
    const STransactionRequest request = STransactionRequest::Read(EEPROM, 4);
    for (auto _ : state) {
        const STransactionRecord record =
            CTransactionExecutor::Execute(bench.driver, request, &control);
        if (!record.ok)
            state.SkipWithError("read failed");
    }
}
BENCHMARK(BM_ExecutorRead)->UseRealTime();

// The bus session's blocking run, as the command line uses it: queue, hand to the worker,
// wait, deliver.
void BM_SessionRunRead(benchmark::State &state)
{
    SBench bench;
    bench.driver.Disconnect();
    CBusSession session;
    session.Connect({EVtlType::VtlA, L"BENCH-1"}, EI2cSpeed::Speed100k);
    const STransactionRequest request = STransactionRequest::Read(EEPROM, 4);
    for (auto _ : state) {
        if (!session.Run(request).ok)
            state.SkipWithError("read failed");
    }
}
BENCHMARK(BM_SessionRunRead)->UseRealTime();

// The window's round trip: a job started on the session, its end delivered through the
// event loop as the window receives it.
void BM_SessionJobRead(benchmark::State &state)
{
    SBench bench;
    bench.driver.Disconnect();
    CBusSession session;
    session.Connect({EVtlType::VtlA, L"BENCH-1"}, EI2cSpeed::Speed100k);
    const STransactionRequest request = STransactionRequest::Read(EEPROM, 4);
    for (auto _ : state) {
        const std::shared_ptr<CBusJob> job = session.Start(request, EBusPriority::User);
        while (!job->IsFinished())
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        if (!job->Record()->ok)
            state.SkipWithError("read failed");
    }
}
BENCHMARK(BM_SessionJobRead)->UseRealTime();

void BM_SearchAt1msFrames(benchmark::State &state)
{
    SBench bench(std::chrono::milliseconds(1));
    double total = 0;
    for (auto _ : state) {
        const STransactionRecord record =
            CTransactionExecutor::Execute(bench.driver, STransactionRequest::Search());
        if (record.found.size() != 1) {
            state.SkipWithError("search failed");
            return;
        }
        total += double(record.durationUs) * 1e-6;
    }
    // Time per search above 112 frame times, in per cent.
    state.counters["over_pct"] =
        (total / double(state.iterations()) / (SEARCH_PROBES * 1e-3) - 1.0) * 100.0;
}
BENCHMARK(BM_SearchAt1msFrames)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(10);

// A register read in one step: 2 bytes written without a stop, 2 read with a repeated
// start, at 1 ms frames. Its floor is two frames, one per reply.
void BM_WriteReadAt1msFrames(benchmark::State &state)
{
    SBench bench(std::chrono::milliseconds(1));
    const STransactionRequest request = STransactionRequest::WriteRead(EEPROM, {0x00, 0x10}, 2);
    double total = 0;
    for (auto _ : state) {
        const STransactionRecord record = CTransactionExecutor::Execute(bench.driver, request);
        if (!record.ok) {
            state.SkipWithError("write/read failed");
            return;
        }
        total += double(record.durationUs) * 1e-6;
    }
    state.counters["over_pct"] = (total / double(state.iterations()) / 2e-3 - 1.0) * 100.0;
}
BENCHMARK(BM_WriteReadAt1msFrames)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(500);

// The read on the preset bench's model A adapter (1 ms frames, bus timing on) at
// range(0) kbit/s. The floor is the later of the USB frames (one reply of 62 bytes per
// frame) and the bus time (9 bit times per byte plus start, address and stop).
void BM_LongReadAgainstFloor(benchmark::State &state)
{
    constexpr std::size_t COUNT = 65535;
    const auto kbits = state.range(0);
    const EI2cSpeed speed = kbits == 1000  ? EI2cSpeed::Speed1000k
                            : kbits == 400 ? EI2cSpeed::Speed400k
                                           : EI2cSpeed::Speed100k;
    CSimBus::Instance().Reset();
    SSimPresetOptions options;
    options.busTiming = true;
    CSimPresetBench::Attach(options);
    CVtlAi2c driver;
    if (!driver.Connect(CSimPresetBench::SERIAL_A, speed)) {
        state.SkipWithError("connect failed");
        return;
    }
    const double frameFloor = std::ceil(double(COUNT) / 62.0) * 1e-3;
    const double busFloor = (1.0 + 9.0 + 9.0 * double(COUNT) + 1.0) / (double(kbits) * 1000.0);
    const double floorS = std::max(frameFloor, busFloor);
    const STransactionRequest request =
        STransactionRequest::Read(CSimPresetBench::EEPROM_ADDRESS, COUNT);
    double total = 0;
    for (auto _ : state) {
        const STransactionRecord record = CTransactionExecutor::Execute(driver, request);
        if (!record.ok) {
            state.SkipWithError("read failed");
            return;
        }
        total += double(record.durationUs) * 1e-6;
        state.SetIterationTime(double(record.durationUs) * 1e-6);
    }
    state.counters["floor_s"] = floorS;
    state.counters["over_pct"] = (total / double(state.iterations()) / floorS - 1.0) * 100.0;
    CSimBus::Instance().Reset();
}
BENCHMARK(BM_LongReadAgainstFloor)
    ->Arg(1000)
    ->Arg(100)
    ->Unit(benchmark::kMillisecond)
    ->UseManualTime()
    ->Iterations(3);

} // namespace

int main(int argc, char **argv)
{
    return RunQtBenchmarks<QCoreApplication>(argc, argv);
}
