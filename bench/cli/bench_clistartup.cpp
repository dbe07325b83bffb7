// SPDX-License-Identifier: MIT
// What a script's loop pays per call: vtl-i2c-cli-sim started with posix_spawn and reaped
// with waitpid, on adapter A alone with the simulator answering at once
// (VTL_CLI_SIM_LATENCY=none), so that only the program's own start, work and exit count.
// Nothing of Qt runs in this process, which keeps the spawn itself cheap. Besides the wall
// time each run's CPU time (user and system, from wait4) is counted: on a shared machine it
// is the steadier figure.
#include "BenchSpawn.h"

#include <algorithm>
#include <benchmark/benchmark.h>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

// Runs the program to its end, on adapter A alone with the simulator answering at once;
// false unless it exited 0.
bool RunProgram(const std::vector<std::string> &arguments, SSpawnedRun &run)
{
    // VTL_BENCH_CLI_PROGRAM runs another build of the program, for figures side by side.
    const char *other = std::getenv("VTL_BENCH_CLI_PROGRAM");
    std::vector<std::string> words{other != nullptr && *other != '\0' ? other
                                                                      : VTL_CLI_SIM_PROGRAM};
    words.insert(words.end(), arguments.begin(), arguments.end());
    return SpawnAndWait(std::move(words), {"VTL_CLI_SIM_BENCH=single", "VTL_CLI_SIM_LATENCY=none"},
                        "VTL_", true, run) &&
           run.exitedZero;
}

void RunWhole(benchmark::State &state, const std::vector<std::string> &arguments)
{
    double cpuSeconds = 0;
    for (auto _ : state) {
        SSpawnedRun run;
        if (!RunProgram(arguments, run)) {
            state.SkipWithError("the program failed");
            return;
        }
        state.SetIterationTime(run.seconds);
        cpuSeconds += run.cpuSeconds;
    }
    state.counters["cpu_ms"] =
        cpuSeconds * 1e3 / double(std::max<std::int64_t>(state.iterations(), 1));
}

// The start alone: loader, Qt Core, the simulated bench, the version printed. Goal 2.5 ms.
void BM_StartVersion(benchmark::State &state)
{
    RunWhole(state, {"--version"});
}
BENCHMARK(BM_StartVersion)->Unit(benchmark::kMicrosecond)->UseManualTime();

// One register read as a script makes it: enumeration, connect, one write/read and the
// switch-off on top of the start. Goal 3 ms.
void BM_StartGet(benchmark::State &state)
{
    RunWhole(state, {"get", "0x50", "0x00", "2"});
}
BENCHMARK(BM_StartGet)->Unit(benchmark::kMicrosecond)->UseManualTime();

// The same read typed as for i2c-tools, which takes another road through the program.
void BM_StartI2cget(benchmark::State &state)
{
    RunWhole(state, {"i2cget", "-y", "0", "0x50", "0x00", "w"});
}
BENCHMARK(BM_StartI2cget)->Unit(benchmark::kMicrosecond)->UseManualTime();

} // namespace

BENCHMARK_MAIN();
