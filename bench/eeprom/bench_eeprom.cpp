// SPDX-License-Identifier: MIT
// The EEPROM engine against its floors on the preset bench (1 ms frames, bus time on):
// reading 32 KiB against the USB frames its replies need, and programming and verifying a
// 24x256 at 400 kbit/s against the sum of its write cycles and frames.
#include "BenchMain.h"
#include "CDirectBusContext.h"
#include "CEepromEngine.h"
#include "CSimBus.h"
#include "CSimPresetBench.h"
#include "CVtlAi2c.h"
#include "EepromParts.h"

#include <QCoreApplication>

#include <algorithm>
#include <benchmark/benchmark.h>
#include <chrono>
#include <cmath>

namespace {

constexpr std::size_t SIZE = 32768;
constexpr double FRAME_S = 1e-3;
constexpr double REPLY_BYTES = 62.0;
constexpr double BIT_TIME_400K_S = 2.5e-6;

struct SBench
{
    SSimPresetBench bench;
    CVtlAi2c driver;
    bool connected = false;

    SBench()
    {
        CSimBus::Instance().Reset();
        SSimPresetOptions options;
        options.busTiming = true;
        options.largeEeprom = true;
        bench = CSimPresetBench::Attach(options);
        connected = driver.Connect(CSimPresetBench::SERIAL_A, EI2cSpeed::Speed400k);
    }
    ~SBench() { CSimBus::Instance().Reset(); }

    // False, with the benchmark skipped, when the adapter did not connect.
    bool Ready(benchmark::State &state) const
    {
        if (!connected)
            state.SkipWithError("connect failed");
        return connected;
    }

    CDirectBusContext Context()
    {
        return CDirectBusContext(driver, SBusAdapterInfo::FromDriver(driver, EVtlType::VtlA));
    }
};

// The later of the USB frames (one for the offset's write, one per 62 bytes read) and the
// bus time (start, address, two offset bytes; repeated start, address, data, stop).
double ReadFloor()
{
    const double frames = (1.0 + std::ceil(double(SIZE) / REPLY_BYTES)) * FRAME_S;
    const double bits = (1.0 + 9.0 * 3.0) + (1.0 + 9.0 + 9.0 * double(SIZE) + 1.0);
    return std::max(frames, bits * BIT_TIME_400K_S);
}

double Seconds(std::chrono::steady_clock::duration duration)
{
    return std::chrono::duration<double>(duration).count();
}

void BM_Read32KiBAgainstFrames(benchmark::State &state)
{
    SBench bench;
    if (!bench.Ready(state))
        return;
    CDirectBusContext context = bench.Context();
    const CEepromEngine engine(*EepromParts::Find("24x256"), CSimPresetBench::LARGE_EEPROM_ADDRESS);
    const double floorS = ReadFloor();
    double total = 0;
    for (auto _ : state) {
        SEepromOutcome outcome;
        const auto started = std::chrono::steady_clock::now();
        if (!engine.Read(context, 0, SIZE, outcome).ok) {
            state.SkipWithError("read failed");
            return;
        }
        const double seconds = Seconds(std::chrono::steady_clock::now() - started);
        state.SetIterationTime(seconds);
        total += seconds;
    }
    state.counters["floor_s"] = floorS;
    state.counters["over_pct"] = (total / double(state.iterations()) / floorS - 1.0) * 100.0;
}
BENCHMARK(BM_Read32KiBAgainstFrames)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(3);

void BM_ProgramAndVerify24x256(benchmark::State &state)
{
    SBench bench;
    if (!bench.Ready(state))
        return;
    CDirectBusContext context = bench.Context();
    const SEepromPart part = *EepromParts::Find("24x256");
    const CEepromEngine engine(part, CSimPresetBench::LARGE_EEPROM_ADDRESS);
    SMemoryImage image;
    image.segments.push_back({0, std::vector<unsigned char>(SIZE)});
    for (std::size_t i = 0; i < SIZE; ++i)
        image.segments.front().bytes[i] = static_cast<unsigned char>(i * 31);
    // Per page: its write cycle, the frames of its two write reports and of the poll that
    // finds the chip back; then the verify's read.
    const double pages = double(SIZE / part.pageSize);
    const double floorS =
        pages * (std::chrono::duration<double>(part.writeCycle).count() + 3.0 * FRAME_S) +
        ReadFloor();
    double total = 0;
    for (auto _ : state) {
        SEepromOutcome programmed;
        SEepromOutcome verified;
        const auto started = std::chrono::steady_clock::now();
        if (!engine.Program(context, image, programmed).ok ||
            !engine.Verify(context, image, verified).ok) {
            state.SkipWithError("program or verify failed");
            return;
        }
        const double seconds = Seconds(std::chrono::steady_clock::now() - started);
        state.SetIterationTime(seconds);
        total += seconds;
        state.counters["polls"] = double(programmed.polls);
    }
    state.counters["floor_s"] = floorS;
    state.counters["over_pct"] = (total / double(state.iterations()) / floorS - 1.0) * 100.0;
}
BENCHMARK(BM_ProgramAndVerify24x256)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(1);

} // namespace

int main(int argc, char **argv)
{
    return RunQtBenchmarks<QCoreApplication>(argc, argv);
}
