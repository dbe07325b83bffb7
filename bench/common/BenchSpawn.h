// SPDX-License-Identifier: MIT
// A program started as a script starts it: posix_spawn straight to it (no shell, nothing of
// Qt in between) and reaped with wait4, which also gives the child's CPU time.
#pragma once

#include <chrono>
#include <fcntl.h>
#include <spawn.h>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char **environ;

struct SSpawnedRun
{
    bool exitedZero = false;
    double seconds = 0;    // from the spawn to the reaping
    double cpuSeconds = 0; // the child's user and system time
};

// Runs `words` (the program first) to its end with this process's environment, less the
// variables that start with `dropPrefix`, plus `extra`; standard output, and standard error
// with `discardErrors`, go to /dev/null. False when it could not be started or reaped.
inline bool SpawnAndWait(std::vector<std::string> words, const std::vector<std::string> &extra,
                         const std::string &dropPrefix, bool discardErrors, SSpawnedRun &run)
{
    std::vector<std::string> environment(extra);
    for (char **variable = environ; *variable != nullptr; ++variable) {
        const std::string text = *variable;
        if (text.rfind(dropPrefix, 0) != 0)
            environment.push_back(text);
    }
    std::vector<char *> envp;
    for (std::string &variable : environment)
        envp.push_back(variable.data());
    envp.push_back(nullptr);
    std::vector<char *> argv;
    for (std::string &word : words)
        argv.push_back(word.data());
    argv.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    if (discardErrors)
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
        return double(value.tv_sec) + double(value.tv_usec) * 1e-6;
    };
    run.cpuSeconds = time(usage.ru_utime) + time(usage.ru_stime);
    run.exitedZero = WIFEXITED(status) && WEXITSTATUS(status) == 0;
    return true;
}
