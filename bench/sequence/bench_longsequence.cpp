// SPDX-License-Identifier: MIT
// A sequence of a million steps, "repeat 1000000" over one transfer: the command line's dry
// run walked in this process (time, printing to /dev/null), the runner on a simulator
// without latency (time per step), and vtl-i2c-cli-sim as a child process without latency
// (time, and its peak resident size as peak_rss reads it from wait4). Goal: the dry run of a
// million steps under 5 s and under 50 MB.
#include "BenchMain.h"
#include "BenchSpawn.h"
#include "CDirectBusContext.h"
#include "CSequenceRunner.h"
#include "CSimBus.h"
#include "CSimEeprom.h"
#include "CVtlAi2c.h"
#include "CliOutput.h"
#include "CliPlan.h"
#include "CliSequence.h"
#include "SequenceParser.h"

#include <QByteArray>
#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>

#include <algorithm>
#include <benchmark/benchmark.h>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

using namespace Qt::StringLiterals;

namespace {

constexpr std::uint8_t EEPROM = 0x50;

QStringList Repeat(std::int64_t count)
{
    return {u"repeat %1"_s.arg(count), u"w1@0x50 00"_s, u"end"_s};
}

// Standard output goes to /dev/null while it lives, so the benchmark's own report stays
// readable.
class CSilentStdout
{
public:
    CSilentStdout()
    {
        std::fflush(stdout);
        m_saved = dup(STDOUT_FILENO);
        const int null = open("/dev/null", O_WRONLY);
        dup2(null, STDOUT_FILENO);
        close(null);
    }
    ~CSilentStdout()
    {
        std::fflush(stdout);
        dup2(m_saved, STDOUT_FILENO);
        close(m_saved);
    }
    CSilentStdout(const CSilentStdout &) = delete;
    CSilentStdout &operator=(const CSilentStdout &) = delete;

private:
    int m_saved = -1;
};

// The dry run as the command line does it, from the text: parse, then walk and print.
void BM_DryRunInProcess(benchmark::State &state)
{
    const bool json = state.range(1) != 0;
    SCliPlan plan;
    plan.commandName = u"script"_s;
    const CCliOutput output(u"bench"_s, json, false);
    const QStringList lines = Repeat(state.range(0));
    for (auto _ : state) {
        SSequenceError error;
        const std::optional<CSequenceProgram> program =
            SequenceParser::ParseProgram(lines, std::nullopt, error);
        if (!program) {
            state.SkipWithError("the sequence does not parse");
            return;
        }
        const CSilentStdout silent;
        if (CliSequence::RunDryRun(plan, *program, output) != ECliExit::Success)
            state.SkipWithError("the dry run failed");
    }
    state.counters["per_step"] =
        benchmark::Counter(double(state.range(0)), benchmark::Counter::kIsIterationInvariantRate |
                                                       benchmark::Counter::kInvert);
}
BENCHMARK(BM_DryRunInProcess)
    ->Args({1000000, 0})
    ->Args({1000000, 1})
    ->ArgNames({"steps", "json"})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

// The runner walking the repeat on adapter A without USB latency: the bus's share of a run.
void BM_RunnerInProcess(benchmark::State &state)
{
    CSimBus::Instance().Reset();
    const auto adapter = CSimBus::Instance().Attach(ESimModel::A, L"BENCH-1");
    adapter->AddSlave(EEPROM, std::make_shared<CSimEeprom>());
    adapter->SetFramePeriod(std::chrono::nanoseconds(0));
    CVtlAi2c driver;
    driver.Connect(L"BENCH-1", EI2cSpeed::Speed100k);
    SSequenceError error;
    const CSequenceRunner runner(
        *SequenceParser::ParseProgram(Repeat(state.range(0)), std::nullopt, error));
    CDirectBusContext context(driver, SBusAdapterInfo::FromDriver(driver, EVtlType::VtlA));
    for (auto _ : state) {
        if (!runner.Run(context).ok)
            state.SkipWithError("the sequence failed");
    }
    state.counters["per_step"] =
        benchmark::Counter(double(state.range(0)), benchmark::Counter::kIsIterationInvariantRate |
                                                       benchmark::Counter::kInvert);
}
BENCHMARK(BM_RunnerInProcess)
    ->Arg(100000)
    ->ArgName("steps")
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

struct SChild
{
    bool ok = false;
    double seconds = 0;
    double peakMb = 0;
};

// vtl-i2c-cli-sim with `arguments`, its standard output to /dev/null, started through
// peak_rss: a process forked from this one would count this one's pages as its own.
SChild RunChild(const std::vector<std::string> &arguments, const std::string &peakFile)
{
    std::vector<std::string> words{VTL_PEAK_RSS, peakFile, VTL_CLI_SIM_PROGRAM};
    words.insert(words.end(), arguments.begin(), arguments.end());
    SChild child;
    SSpawnedRun run;
    if (!SpawnAndWait(std::move(words), {"VTL_CLI_SIM_BENCH=single", "VTL_CLI_SIM_LATENCY=none"},
                      "VTL_CLI_SIM_", false, run))
        return child;
    child.seconds = run.seconds;
    child.ok = run.exitedZero;
    QFile peak(QString::fromStdString(peakFile));
    if (!peak.open(QIODevice::ReadOnly))
        child.ok = false;
    child.peakMb = peak.readAll().trimmed().toDouble() / 1024.0;
    return child;
}

// args: the steps of the repeat, JSON or text, a dry run or a run on the simulator.
void BM_Process(benchmark::State &state)
{
    QTemporaryDir folder;
    const QString path = folder.filePath(u"long.i2cseq"_s);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) ||
        file.write(Repeat(state.range(0)).join(u'\n').toUtf8()) < 0) {
        state.SkipWithError("no script file");
        return;
    }
    file.close();
    std::vector<std::string> arguments;
    if (state.range(1) != 0)
        arguments.push_back("--json");
    arguments.push_back("script");
    if (state.range(2) != 0)
        arguments.push_back("--dry-run");
    arguments.push_back(path.toStdString());
    double peakMb = 0;
    for (auto _ : state) {
        const SChild child = RunChild(arguments, folder.filePath(u"peak"_s).toStdString());
        if (!child.ok) {
            state.SkipWithError("the program failed");
            return;
        }
        state.SetIterationTime(child.seconds);
        peakMb = std::max(peakMb, child.peakMb);
    }
    state.counters["peak_MB"] = peakMb;
}
BENCHMARK(BM_Process)
    ->Args({1000000, 0, 1})
    ->Args({1000000, 1, 1})
    ->Args({1, 0, 1})
    ->Args({100000, 0, 0})
    ->ArgNames({"steps", "json", "dry"})
    ->Unit(benchmark::kMillisecond)
    ->UseManualTime()
    ->Iterations(3);

} // namespace

int main(int argc, char **argv)
{
    return RunQtBenchmarks<QCoreApplication>(argc, argv);
}
