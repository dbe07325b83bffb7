// SPDX-License-Identifier: MIT
// The C++ side of the Python package's cost: the transactions that vtl_i2c's calls make,
// through CBusSession from C++ on the simulator without latency. bench_python_api runs the
// same transactions from Python and sets them side by side.
#include "BenchMain.h"
#include "CBusSession.h"
#include "CDirectBusContext.h"
#include "CSimBus.h"
#include "CSimPresetBench.h"
#include "CSmbus.h"

#include <benchmark/benchmark.h>

namespace {

constexpr std::uint8_t SENSOR = CSimPresetBench::TEMPERATURE_SENSOR_ADDRESS;

struct SBench
{
    CBusSession session;

    SBench()
    {
        CSimBus::Instance().Reset();
        CSimPresetBench::Attach(std::chrono::nanoseconds(0));
        session.Connect({EVtlType::VtlA, CSimPresetBench::SERIAL_A}, EI2cSpeed::Speed100k);
    }
};

// Adapter.write_read(0x48, b"\x00", 1): one write/read.
void BM_SessionWriteRead(benchmark::State &state)
{
    SBench bench;
    const STransactionRequest request = STransactionRequest::WriteRead(SENSOR, {0x00}, 1);
    for (auto _ : state) {
        const STransactionRecord record = bench.session.Run(request);
        if (!record.ok)
            state.SkipWithError("write/read failed");
        benchmark::DoNotOptimize(record.read.data.data());
    }
}
BENCHMARK(BM_SessionWriteRead)->UseRealTime();

// Adapter.smbus("read_byte_data", 0x48, 0) and SMBus.read_byte_data: CSmbus::Execute as a
// procedure of one job.
void BM_SessionSmbusReadByteData(benchmark::State &state)
{
    SBench bench;
    const SSmbusRequest request{ESmbusOperation::ReadByteData, SENSOR, 0x00, {}, 32, false};
    for (auto _ : state) {
        SSmbusResult result;
        bench.session.RunProcedure([&](CBusContext &context) {
            result = CSmbus::Execute(context, request);
            return SBusProcedureResult{};
        });
        if (!result.ok)
            state.SkipWithError("read_byte_data failed");
        benchmark::DoNotOptimize(result.data.data());
    }
}
BENCHMARK(BM_SessionSmbusReadByteData)->UseRealTime();

} // namespace

int main(int argc, char **argv)
{
    return RunQtBenchmarks<QCoreApplication>(argc, argv);
}
