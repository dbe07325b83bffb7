// SPDX-License-Identifier: MIT
// What a script's loop pays per call: vtl-i2c-cli-sim started with posix_spawn and reaped
// with waitpid, on adapter A alone with the simulator answering at once
// (VTL_CLI_SIM_LATENCY=none), so that only the program's own start, work and exit count.
// Nothing of Qt runs in this process, which keeps the spawn itself cheap. Besides the wall
// time each run's CPU time (user and system, from wait4) is counted: on a shared machine it
// is the steadier figure.
#include <algorithm>
#include <benchmark/benchmark.h>
#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <fcntl.h>
#include <spawn.h>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char **environ;

namespace {

struct SRun
{
    double seconds = 0;    // from the spawn to the reaping
    double cpuSeconds = 0; // the child's user and system time
};

// Runs the program to its end with stdout and stderr on /dev/null; false unless it exited 0.
bool RunProgram(const std::vector<std::string> &arguments, SRun &run)
{
    std::vector<std::string> environment;
    for (char **variable = environ; *variable != nullptr; ++variable) {
        const std::string text = *variable;
        if (text.rfind("VTL_", 0) != 0)
            environment.push_back(text);
    }
    environment.emplace_back("VTL_CLI_SIM_BENCH=single");
    environment.emplace_back("VTL_CLI_SIM_LATENCY=none");
    std::vector<char *> envp;
    for (std::string &variable : environment)
        envp.push_back(variable.data());
    envp.push_back(nullptr);

    // VTL_BENCH_CLI_PROGRAM runs another build of the program, for figures side by side.
    const char *other = std::getenv("VTL_BENCH_CLI_PROGRAM");
    std::vector<std::string> words{other != nullptr && *other != '\0' ? other
                                                                      : VTL_CLI_SIM_PROGRAM};
    words.insert(words.end(), arguments.begin(), arguments.end());
    std::vector<char *> argv;
    for (std::string &word : words)
        argv.push_back(word.data());
    argv.push_back(nullptr);

    // The spawn goes straight to the program: no shell, no Qt in between.
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    const auto started = std::chrono::steady_clock::now();
    pid_t pid = 0;
    const int spawned =
        posix_spawn(&pid, argv.front(), &actions, nullptr, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0)
        return false;
    int status = 0;
    rusage usage{};
    if (wait4(pid, &status, 0, &usage) != pid)
        return false;
    run.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    const auto time = [](const timeval &value) {
        return double(value.tv_sec) + value.tv_usec * 1e-6;
    };
    run.cpuSeconds = time(usage.ru_utime) + time(usage.ru_stime);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

void RunWhole(benchmark::State &state, const std::vector<std::string> &arguments)
{
    double cpuSeconds = 0;
    for (auto _ : state) {
        SRun run;
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
