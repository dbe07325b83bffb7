// SPDX-License-Identifier: MIT
// The driver against the bare transport: a 65535-byte read, a 65535-byte write and a
// 112-address probe scan through CVtlAi2c, each beside a baseline loop that exchanges
// the same reports by calling the hidapi functions directly. At zero latency the
// difference is the driver's own cost; at 1 ms frames the driver must stay on the floor
// that full-speed USB sets (one report per frame).
#include "CSimBus.h"
#include "CSimEeprom.h"
#include "CVtlAi2c.h"

#include <benchmark/benchmark.h>
#include <chrono>
#include <hidapi.h>
#include <memory>
#include <vector>

namespace {

using Bytes = std::vector<unsigned char>;
using Clock = std::chrono::steady_clock;

const std::wstring SERIAL = L"BENCH-A";
const std::wstring RAW_SERIAL = L"BENCH-RAW";
constexpr unsigned char EEPROM = 0x50;
constexpr std::size_t TRANSFER = 65535;
constexpr std::size_t CHUNK = 62;
constexpr std::size_t CHUNKS = (TRANSFER + CHUNK - 1) / CHUNK; // 1058
constexpr unsigned char FIRST_PROBE = 0x08;
constexpr unsigned char LAST_PROBE = 0x77;
constexpr std::size_t PROBES = LAST_PROBE - FIRST_PROBE + 1; // 112
constexpr int REPLY_TIMEOUT_MS = 1000;

Bytes Report(std::initializer_list<unsigned char> head)
{
    Bytes report(head);
    report.resize(64, 0);
    return report;
}

// Two identical model A adapters with two slaves each: one for the connected driver, one
// for the baseline's bare handle (every handle on an interface gets every reply, so the
// two must not share an adapter).
struct SBench
{
    std::shared_ptr<CSimAdapter> adapter;
    std::shared_ptr<CSimAdapter> rawAdapter;
    std::unique_ptr<CVtlAi2c> driver;
    hid_device *raw = nullptr;

    explicit SBench(std::chrono::nanoseconds framePeriod)
    {
        CSimBus::Instance().Reset();
        adapter = Attach(SERIAL, framePeriod);
        rawAdapter = Attach(RAW_SERIAL, framePeriod);
        driver = std::make_unique<CVtlAi2c>();
        driver->Connect(SERIAL, EI2cSpeed::Speed400k);
        raw = hid_open_path(rawAdapter->GetSpecialPath().c_str());
        RawWrite(Report({0x01, 0x01, 0x01}));
    }

    static std::shared_ptr<CSimAdapter> Attach(const std::wstring &serial,
                                               std::chrono::nanoseconds framePeriod)
    {
        auto simAdapter = CSimBus::Instance().Attach(ESimModel::A, serial);
        simAdapter->AddSlave(EEPROM, std::make_shared<CSimEeprom>());
        simAdapter->AddSlave(0x23, std::make_shared<CSimEeprom>());
        simAdapter->SetFramePeriod(framePeriod);
        return simAdapter;
    }
    ~SBench()
    {
        hid_close(raw);
        driver.reset();
        CSimBus::Instance().Reset();
    }
    SBench(const SBench &) = delete;
    SBench &operator=(const SBench &) = delete;

    bool RawWrite(const Bytes &report)
    {
        return hid_write(raw, report.data(), report.size()) == static_cast<int>(report.size());
    }
    // The driver empties the input queue before every transaction; this is that one call.
    void RawFlush(bool enabled)
    {
        unsigned char buffer[64];
        if (enabled)
            hid_read_timeout(raw, buffer, sizeof buffer, 0);
    }
    bool RawRead(Bytes &buffer)
    {
        return hid_read_timeout(raw, buffer.data(), buffer.size(), REPLY_TIMEOUT_MS) > 0;
    }
};

struct SOperation
{
    const char *name;
    std::size_t reports; // reports exchanged: requests plus replies
    double floorFrames;  // frames the exchange needs at one report per frame
    bool (*driver)(SBench &);
    bool (*baseline)(SBench &, bool flush);
};

bool DriverRead(SBench &bench)
{
    SI2cReadResult result;
    return bench.driver->Read(EEPROM, TRANSFER, result) && result.data.size() == TRANSFER;
}

bool BaselineRead(SBench &bench, bool flush)
{
    Bytes buffer(64);
    bench.RawFlush(flush);
    if (!bench.RawWrite(Report({0x03, 0xFF, (EEPROM << 1) | 1, 0xFF})))
        return false;
    for (std::size_t i = 0; i < CHUNKS; ++i) {
        if (!bench.RawRead(buffer))
            return false;
    }
    return true;
}

bool DriverWrite(SBench &bench)
{
    Bytes data(TRANSFER, 0x5A);
    data[0] = EEPROM << 1;
    SI2cWriteResult result;
    return bench.driver->Write(data, result, true, true);
}

bool BaselineWrite(SBench &bench, bool flush)
{
    Bytes buffer(64);
    bench.RawFlush(flush);
    Bytes report(64, 0x5A);
    report[0] = 0x02;
    for (std::size_t i = 0; i < CHUNKS; ++i) {
        const std::size_t length = i + 1 < CHUNKS ? CHUNK : TRANSFER - CHUNK * (CHUNKS - 1);
        report[1] =
            static_cast<unsigned char>(length | (i == 0 ? 0x80 : 0) | (i + 1 == CHUNKS ? 0x40 : 0));
        report[2] = i == 0 ? (EEPROM << 1) : 0x5A;
        if (!bench.RawWrite(report) || !bench.RawRead(buffer))
            return false;
    }
    return true;
}

bool DriverScan(SBench &bench)
{
    int found = 0;
    for (unsigned char address = FIRST_PROBE; address <= LAST_PROBE; ++address)
        found += bench.driver->Probe(address) ? 1 : 0;
    return found == 2;
}

bool BaselineScan(SBench &bench, bool flush)
{
    Bytes buffer(64);
    for (unsigned char address = FIRST_PROBE; address <= LAST_PROBE; ++address) {
        bench.RawFlush(flush);
        if (!bench.RawWrite(Report({0x02, 0xC1, static_cast<unsigned char>(address << 1)})) ||
            !bench.RawRead(buffer))
            return false;
    }
    return true;
}

const SOperation OPERATIONS[] = {
    {"read 65535", 1 + CHUNKS, double(CHUNKS), DriverRead, BaselineRead},
    {"write 65535", 2 * CHUNKS, double(CHUNKS), DriverWrite, BaselineWrite},
    {"scan 112", 2 * PROBES, double(PROBES), DriverScan, BaselineScan},
};

double Seconds(Clock::duration duration)
{
    return std::chrono::duration<double>(duration).count();
}

// Zero latency: the driver's time per iteration, with the baseline's alongside.
void BM_DriverVersusBaseline(benchmark::State &state)
{
    const SOperation &operation = OPERATIONS[state.range(0)];
    state.SetLabel(operation.name);
    SBench bench(std::chrono::nanoseconds(0));
    double driverTotal = 0;
    double baselineTotal = 0;
    double flushingTotal = 0;
    for (auto _ : state) {
        const Clock::time_point start = Clock::now();
        const bool driverOk = operation.driver(bench);
        const Clock::time_point middle = Clock::now();
        const bool baselineOk = operation.baseline(bench, false);
        const Clock::time_point end = Clock::now();
        const bool flushingOk = operation.baseline(bench, true);
        const Clock::time_point flushed = Clock::now();
        if (!driverOk || !baselineOk || !flushingOk) {
            state.SkipWithError(driverOk ? "baseline failed"
                                         : bench.driver->GetLastError().c_str());
            break;
        }
        driverTotal += Seconds(middle - start);
        baselineTotal += Seconds(end - middle);
        flushingTotal += Seconds(flushed - end);
        state.SetIterationTime(Seconds(middle - start));
        bench.adapter->ClearReports();
        bench.rawAdapter->ClearReports();
    }
    const double iterations = static_cast<double>(state.iterations());
    if (iterations == 0 || baselineTotal == 0)
        return;
    state.counters["baseline_ms"] = 1e3 * baselineTotal / iterations;
    state.counters["ratio"] = driverTotal / baselineTotal;
    // Against a baseline that also makes the flush call the protocol needs.
    state.counters["ratio_flushing"] = driverTotal / flushingTotal;
    state.counters["driver_us_per_report"] =
        1e6 * (driverTotal - baselineTotal) / iterations / static_cast<double>(operation.reports);
}
BENCHMARK(BM_DriverVersusBaseline)
    ->DenseRange(0, 2)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

// 1 ms frames, as full-speed USB: how far above its floor of one report per frame each
// exchange lands, and whether anything timed out.
void BM_DriverAtUsbFrames(benchmark::State &state)
{
    const SOperation &operation = OPERATIONS[state.range(0)];
    state.SetLabel(operation.name);
    SBench bench(std::chrono::milliseconds(1));
    double total = 0;
    for (auto _ : state) {
        const Clock::time_point start = Clock::now();
        const bool ok = operation.driver(bench);
        const Clock::time_point end = Clock::now();
        if (!ok) {
            state.SkipWithError(bench.driver->GetLastError().c_str());
            break;
        }
        total += Seconds(end - start);
        state.SetIterationTime(Seconds(end - start));
        bench.adapter->ClearReports();
    }
    const double iterations = static_cast<double>(state.iterations());
    if (iterations == 0)
        return;
    const double floorMs = operation.floorFrames;
    state.counters["floor_ms"] = floorMs;
    state.counters["over_floor_pct"] = 100.0 * (1e3 * total / iterations / floorMs - 1.0);
}
BENCHMARK(BM_DriverAtUsbFrames)
    ->DenseRange(0, 2)
    ->UseManualTime()
    ->Iterations(3)
    ->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
