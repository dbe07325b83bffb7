// SPDX-License-Identifier: MIT
// Register maps on the bus and on screen: Read All of 64 contiguous 1-byte registers at
// 1 ms frames with and without auto-increment against the floor of the frames their
// replies take (one for the write part, one per 62 bytes read), and the meanings of 256
// registers with 8 fields each, the text a tree of them shows.
#include "BenchRegisterMaps.h"
#include "CDirectBusContext.h"
#include "CSimBus.h"
#include "CSimRegisterFile.h"
#include "CVtlAi2c.h"
#include "RegisterBits.h"
#include "RegisterProcedures.h"
#include "RegisterText.h"

#include <benchmark/benchmark.h>
#include <chrono>

using namespace Qt::StringLiterals;

namespace {

constexpr std::uint8_t DEVICE = 0x30;
constexpr double FRAME_S = 1e-3;
constexpr std::size_t REPORT_BYTES = 62;

SRegisterMap ContiguousMap(int count, bool autoIncrement)
{
    SRegisterMap map;
    map.autoIncrement = autoIncrement;
    for (int i = 0; i < count; ++i) {
        SRegister reg;
        reg.name = u"R%1"_s.arg(i);
        reg.address = std::uint32_t(i);
        map.registers.append(reg);
    }
    return map;
}

void BM_ReadAll64At1msFrames(benchmark::State &state)
{
    const bool autoIncrement = state.range(0) != 0;
    CSimBus::Instance().Reset();
    auto adapter = CSimBus::Instance().Attach(ESimModel::A, L"BENCH-R");
    adapter->AddSlave(DEVICE, std::make_shared<CSimRegisterFile>());
    CVtlAi2c driver;
    driver.Connect(L"BENCH-R", EI2cSpeed::Speed100k);
    adapter->SetFramePeriod(std::chrono::milliseconds(1));
    CDirectBusContext context(driver, SBusAdapterInfo::FromDriver(driver, EVtlType::VtlA));
    const SRegisterMap map = ContiguousMap(64, autoIncrement);
    const std::vector<SRegisterRead> reads =
        RegisterPlan::ReadAll(map, context.Adapter().maxReadCount);
    double total = 0;
    for (auto _ : state) {
        const auto started = std::chrono::steady_clock::now();
        const SRegisterJobResult job = RegisterProcedures::Read(context, DEVICE, map, reads);
        total += std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
        if (!job.result.ok || job.values.size() != 64) {
            state.SkipWithError("read failed");
            return;
        }
    }
    double frames = 0;
    for (const SRegisterRead &read : reads)
        frames += 1.0 + double((read.byteCount + REPORT_BYTES - 1) / REPORT_BYTES);
    const double floor = frames * FRAME_S;
    state.counters["write_reads"] = double(reads.size());
    state.counters["floor_ms"] = floor * 1e3;
    state.counters["over_pct"] = (total / double(state.iterations()) / floor - 1.0) * 100.0;
}
BENCHMARK(BM_ReadAll64At1msFrames)
    ->ArgName("autoIncrement")
    ->Arg(1)
    ->Arg(0)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(10);

// Every value, field value and meaning text of 256 four-byte registers with 8 fields.
void BM_Meanings256x8(benchmark::State &state)
{
    const SRegisterMap map = FieldedRegisterMap256x8();
    for (auto _ : state) {
        qsizetype characters = 0;
        for (const SRegister &reg : map.registers) {
            const std::uint32_t value = reg.address * 0x01010101u;
            characters += RegisterText::Hex(value, reg.size).size() +
                          RegisterText::RegisterMeaning(reg, value).size();
            for (const SRegisterField &field : reg.fields)
                characters +=
                    RegisterText::Bits(field).size() +
                    RegisterText::FieldMeaning(field, RegisterBits::Extract(value, field)).size();
        }
        benchmark::DoNotOptimize(characters);
    }
}
BENCHMARK(BM_Meanings256x8)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
