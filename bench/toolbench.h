#pragma once

// What the IR tool benchmarks share: a monotonic clock and timing one run of
// a tool from spawn to reaped exit.

#include <cerrno>
#include <ctime>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <vector>

extern char **environ;

// Milliseconds on the monotonic clock.
inline double nowMs()
{
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return double(ts.tv_sec) * 1000.0 + double(ts.tv_nsec) / 1e6;
}

// Runs tool FILE in this environment; milliseconds from spawn to reaped exit,
// or <0 when it could not start or did not exit with 0.
inline double timeRun(const std::string &tool, const std::string &file)
{
    std::vector<char *> argv{ const_cast<char *>(tool.c_str()), const_cast<char *>(file.c_str()), nullptr };
    const double start = nowMs();
    pid_t pid = 0;
    if (posix_spawn(&pid, tool.c_str(), nullptr, nullptr, argv.data(), environ) != 0)
        return -1;
    int status = 0;
    while (waitpid(pid, &status, 0) < 0 && errno == EINTR) { }
    const double ms = nowMs() - start;
    return WIFEXITED(status) && WEXITSTATUS(status) == 0 ? ms : -1;
}
