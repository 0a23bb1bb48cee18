// A stand-in for irrecord.exe and irplay.exe. The tests copy it under those
// names and steer it through the environment:
//   FAKE_TOOL_LOG    append one line per run: "<name>\t<argc-1>\t<arg1>" ...
//                    and, once it exits, "<name> done"
//   FAKE_TOOL_SLEEP_MS  sleep this long before exiting
//   FAKE_TOOL_EXIT   exit code (default 0)
//   FAKE_TOOL_STDERR write this text to stderr just before exiting
//   FAKE_TOOL_SIGNAL die of this signal instead of exiting
//   FAKE_TOOL_WRITE  when set, write this text into the file named by arg 1
//   FAKE_TOOL_SAVE   when set, append what the file named by arg 1 holds
//                    to this file (what a send would have sent)
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

// Writes (mode "wb") or appends ("ab") 'text' to the file at 'path', if any.
static void writeTo(const char *path, const std::string &text, const char *mode)
{
    if (!path)
        return;
    if (FILE *f = std::fopen(path, mode)) {
        std::fputs(text.c_str(), f);
        std::fclose(f);
    }
}

int main(int argc, char **argv)
{
    const char *slash = std::strrchr(argv[0], '/');
    const std::string name = slash ? slash + 1 : argv[0];
    const char *log = std::getenv("FAKE_TOOL_LOG");
    std::string started = name + "\t" + std::to_string(argc - 1);
    for (int i = 1; i < argc; ++i)
        started += std::string("\t") + argv[i];
    writeTo(log, started + "\n", "ab");
    if (const char *save = std::getenv("FAKE_TOOL_SAVE"); save && argc > 1) {
        std::string text;
        if (FILE *f = std::fopen(argv[1], "rb")) {
            for (int c = std::fgetc(f); c != EOF; c = std::fgetc(f))
                text += char(c);
            std::fclose(f);
        }
        writeTo(save, text, "ab");
    }
    if (const char *ms = std::getenv("FAKE_TOOL_SLEEP_MS"))
        std::this_thread::sleep_for(std::chrono::milliseconds(std::atoi(ms)));
    if (const char *text = std::getenv("FAKE_TOOL_WRITE"))
        writeTo(argc > 1 ? argv[1] : nullptr, text, "wb");
    writeTo(log, name + " done\n", "ab");
    // steady_clock is CLOCK_MONOTONIC here.
    const auto now = std::chrono::steady_clock::now().time_since_epoch();
    writeTo(std::getenv("FAKE_TOOL_STAMP"), std::to_string(std::chrono::nanoseconds(now).count()) + "\n",
            "wb");
    if (const char *text = std::getenv("FAKE_TOOL_STDERR"))
        std::fputs(text, stderr); // unbuffered
    if (const char *sig = std::getenv("FAKE_TOOL_SIGNAL")) {
        std::signal(std::atoi(sig), SIG_DFL);
        std::raise(std::atoi(sig));
    }
    const char *code = std::getenv("FAKE_TOOL_EXIT");
    return code ? std::atoi(code) : 0;
}
