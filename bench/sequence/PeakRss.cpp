// SPDX-License-Identifier: MIT
// peak_rss FILE PROGRAM [ARGUMENT...]: runs PROGRAM and writes its peak resident size in KiB
// to FILE. A small process of its own forks the program, so the figure is the program's and
// not the address space of a large parent it started from.
#include <cstdio>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

int main(int argc, char **argv)
{
    if (argc < 3) {
        std::fprintf(stderr, "usage: peak_rss FILE PROGRAM [ARGUMENT...]\n");
        return 2;
    }
    const pid_t pid = fork();
    if (pid == 0) {
        execv(argv[2], argv + 2);
        _exit(127);
    }
    int status = 0;
    rusage usage{};
    if (pid < 0 || wait4(pid, &status, 0, &usage) != pid)
        return 2;
    std::FILE *file = std::fopen(argv[1], "w");
    if (file == nullptr)
        return 2;
    std::fprintf(file, "%ld\n", usage.ru_maxrss);
    std::fclose(file);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}
