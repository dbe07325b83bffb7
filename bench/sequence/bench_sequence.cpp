// SPDX-License-Identifier: MIT
// What a sequence costs over running its transfers directly: 1,000 two-byte writes on a
// simulator without latency (the runner's own cost per step) and at 1 ms frames (against
// the floor of one frame per write), and how closely a poll keeps a 5 ms interval on the
// steady clock.
#include "CDirectBusContext.h"
#include "CSequenceRunner.h"
#include "CSimBus.h"
#include "CSimEeprom.h"
#include "CTransactionExecutor.h"
#include "CVtlAi2c.h"
#include "SequenceParser.h"

#include <QStringList>

#include <benchmark/benchmark.h>
#include <chrono>
#include <memory>

namespace {

constexpr std::uint8_t EEPROM = 0x50;
constexpr int STEPS = 1000;

struct SBench
{
    std::shared_ptr<CSimAdapter> adapter;
    CVtlAi2c driver;

    explicit SBench(std::chrono::nanoseconds framePeriod)
    {
        CSimBus::Instance().Reset();
        adapter = CSimBus::Instance().Attach(ESimModel::A, L"BENCH-1");
        adapter->AddSlave(EEPROM, std::make_shared<CSimEeprom>());
        driver.Connect(L"BENCH-1", EI2cSpeed::Speed100k);
        adapter->SetFramePeriod(framePeriod);
    }

    SBusAdapterInfo Info() const { return SBusAdapterInfo::FromDriver(driver, EVtlType::VtlA); }
};

std::vector<SSequenceStep> Writes()
{
    SSequenceError error;
    return *SequenceParser::ParseAndExpand(QStringList{QStringLiteral("repeat %1").arg(STEPS),
                                                       QStringLiteral("w2 10 5A"),
                                                       QStringLiteral("end")},
                                           EEPROM, error);
}

void BM_DirectWrites(benchmark::State &state)
{
    SBench bench{std::chrono::microseconds(state.range(0))};
    const STransactionRequest request = STransactionRequest::Write(EEPROM, {0x10, 0x5A});
    for (auto _ : state) {
        for (int i = 0; i < STEPS; ++i) {
            if (!CTransactionExecutor::Execute(bench.driver, request).ok)
                state.SkipWithError("write failed");
        }
    }
    state.counters["per_step"] = benchmark::Counter(
        double(STEPS), benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_DirectWrites)->Arg(0)->Arg(1000)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_SequenceWrites(benchmark::State &state)
{
    SBench bench{std::chrono::microseconds(state.range(0))};
    const CSequenceRunner runner(Writes());
    CDirectBusContext context(bench.driver, bench.Info());
    for (auto _ : state) {
        if (!runner.Run(context).ok)
            state.SkipWithError("sequence failed");
    }
    state.counters["per_step"] = benchmark::Counter(
        double(STEPS), benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_SequenceWrites)->Arg(0)->Arg(1000)->Unit(benchmark::kMillisecond)->UseRealTime();

// A poll of an address that never answers, 5 ms apart for 100 ms: the mean interval
// between the starts of its attempts.
void BM_PollInterval(benchmark::State &state)
{
    SBench bench{std::chrono::nanoseconds(0)};
    SSequenceError error;
    CSequenceRunner runner(*SequenceParser::ParseAndExpand(
        {QStringLiteral("poll r1@0x33 until 00 every 5ms timeout 100ms")}, EEPROM, error));
    double intervals = 0;
    double spanUs = 0;
    runner.SetStepHandler([&](const SSequenceOutcome &outcome) {
        intervals += double(outcome.attempts - 1);
        spanUs += double(outcome.durationUs);
    });
    CDirectBusContext context(bench.driver, bench.Info());
    for (auto _ : state)
        benchmark::DoNotOptimize(runner.Run(context).ok);
    state.counters["interval_ms"] = intervals > 0 ? spanUs / intervals / 1000.0 : 0.0;
}
BENCHMARK(BM_PollInterval)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);

} // namespace

BENCHMARK_MAIN();
