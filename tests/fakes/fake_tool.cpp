// A stand-in for irrecord.exe and irplay.exe. The tests copy it under those
// names and steer it through the environment:
//   FAKE_TOOL_LOG    append one line per run: "<name>\t<argc-1>\t<arg1>" ...
//                    and, once it exits, "<name> done"
//   FAKE_TOOL_SLEEP_MS  sleep this long before exiting
//   FAKE_TOOL_EXIT   exit code (default 0)
//   FAKE_TOOL_STDERR write this text to stderr just before exiting
//   FAKE_TOOL_SIGNAL die of this signal instead of exiting
//   FAKE_TOOL_WRITE  when set, write this text into the file named by arg 1
//   FAKE_TOOL_STAMP  when set, write CLOCK_MONOTONIC in ns into this file
//                    just before exiting (for the latency benchmark)
// Plain C++: no Qt, so it starts fast.
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>
#include <time.h>

static std::string baseName(const char *path)
{
    const char *slash = std::strrchr(path, '/');
    return slash ? slash + 1 : path;
}

int main(int argc, char **argv)
{
    const std::string name = baseName(argv[0]);
    const char *log = std::getenv("FAKE_TOOL_LOG");
    if (log) {
        if (FILE *f = std::fopen(log, "ab")) {
            std::fprintf(f, "%s\t%d", name.c_str(), argc - 1);
            for (int i = 1; i < argc; ++i)
                std::fprintf(f, "\t%s", argv[i]);
            std::fprintf(f, "\n");
            std::fclose(f);
        }
    }
    if (const char *ms = std::getenv("FAKE_TOOL_SLEEP_MS"))
        std::this_thread::sleep_for(std::chrono::milliseconds(std::atoi(ms)));
    if (const char *text = std::getenv("FAKE_TOOL_WRITE")) {
        if (argc > 1) {
            if (FILE *f = std::fopen(argv[1], "wb")) {
                std::fputs(text, f);
                std::fclose(f);
            }
        }
    }
    if (log) {
        if (FILE *f = std::fopen(log, "ab")) {
            std::fprintf(f, "%s done\n", name.c_str());
            std::fclose(f);
        }
    }
    if (const char *stamp = std::getenv("FAKE_TOOL_STAMP")) {
        if (FILE *f = std::fopen(stamp, "wb")) {
            timespec ts;
            clock_gettime(CLOCK_MONOTONIC, &ts);
            std::fprintf(f, "%lld\n", (long long)ts.tv_sec * 1000000000LL + ts.tv_nsec);
            std::fclose(f);
        }
    }
    if (const char *text = std::getenv("FAKE_TOOL_STDERR")) {
        std::fputs(text, stderr);
        std::fflush(stderr);
    }
    if (const char *sig = std::getenv("FAKE_TOOL_SIGNAL")) {
        std::signal(std::atoi(sig), SIG_DFL);
        std::raise(std::atoi(sig));
    }
    const char *code = std::getenv("FAKE_TOOL_EXIT");
    return code ? std::atoi(code) : 0;
}
