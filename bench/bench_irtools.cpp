// How long irrecord.exe and irplay.exe take from start to exit with the
// simulator as device and its pretend delay off: the part of a button press
// the tools themselves cost, recording in learning mode with the carrier
// measured. Prints median, 90th percentile and best, next to the same figures
// for an empty program (/bin/true), which is what starting any process costs
// on the machine, so the tools' own share can be read off.
#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

#include "toolbench.h"

namespace {

bool fileContains(const std::string &path, const std::string &text)
{
    std::string content;
    if (FILE *f = std::fopen(path.c_str(), "rb")) {
        char buf[4096];
        std::size_t n;
        while ((n = std::fread(buf, 1, sizeof buf, f)) > 0)
            content.append(buf, n);
        std::fclose(f);
    }
    return content.find(text) != std::string::npos;
}

double median(std::vector<double> t)
{
    std::sort(t.begin(), t.end());
    return t[t.size() / 2];
}

void report(const char *name, std::vector<double> t)
{
    std::sort(t.begin(), t.end());
    const double mid = t[t.size() / 2];
    const double p90 = t[t.size() * 9 / 10];
    std::printf("%-13s runs %zu  median %.3f ms  p90 %.3f ms  best %.3f ms  (target <= 2 ms: %s)\n", name,
                t.size(), mid, p90, t.front(), mid <= 2.0 ? "met" : "MISSED");
}

} // namespace

int main(int argc, char **argv)
{
    const int runs = argc > 1 ? std::max(10, std::atoi(argv[1])) : 300;
    char tmpl[] = "/tmp/bench_irtools-XXXXXX";
    if (!mkdtemp(tmpl)) {
        std::perror("mkdtemp");
        return 1;
    }
    const std::string dir = tmpl;
    const std::string device = dir + "/device";
    mkdir(device.c_str(), 0700);
    setenv("LUMO_IR_DEVICE", ("sim:" + device).c_str(), 1);
    setenv("LUMO_IR_SIM_DELAY_MS", "0", 1);
    unsetenv("LUMO_IR_SIM_FAIL");

    const std::string record = LUMO_BIN_DIR "/irrecord.exe";
    const std::string play = LUMO_BIN_DIR "/irplay.exe";
    const std::string file = dir + "/TV power.ir";

    // Warm up the page cache and the dynamic loader.
    for (int i = 0; i < 5; ++i) {
        if (timeRun(record, file) < 0 || timeRun(play, file) < 0) {
            std::fprintf(stderr, "bench_irtools: the tools did not run from %s\n", LUMO_BIN_DIR);
            return 1;
        }
    }
    if (!fileContains(file, "\ncarrier 38000\n")
        || !fileContains(device + "/receiver.log", "WIDEBAND_RECEIVER 1")) {
        std::fprintf(stderr, "bench_irtools: irrecord.exe did not record in learning mode\n");
        return 1;
    }
    const std::string empty = "/bin/true";
    std::vector<double> rec, ply, base;
    for (int i = 0; i < runs; ++i) {
        double a = timeRun(record, file);
        double b = timeRun(play, file);
        double c = timeRun(empty, file);
        if (a < 0 || b < 0 || c < 0) {
            std::fprintf(stderr, "bench_irtools: a run failed\n");
            return 1;
        }
        rec.push_back(a);
        ply.push_back(b);
        base.push_back(c);
    }
    std::printf("IR tools, simulator mode, delay off, start to exit:\n");
    report("irrecord.exe", rec);
    report("irplay.exe", ply);
    std::printf("%-13s runs %zu  median %.3f ms  (any process start and exit on this machine)\n",
                empty.c_str(), base.size(), median(base));
    std::printf("own share:    irrecord.exe %.3f ms, irplay.exe %.3f ms (median less the empty program's)\n",
                median(rec) - median(base), median(ply) - median(base));

    unlink(file.c_str());
    unlink((device + "/sent.log").c_str());
    unlink((device + "/receiver.log").c_str());
    rmdir(device.c_str());
    rmdir(dir.c_str());
    return 0;
}
