// What protocol recognition costs: recognise() on 1024-value signals (target
// <= 0.2 ms), and irplay.exe from start to exit on the simulator for a signal
// it recognises and whose rc5 toggle it keeps in the state file (target <= 2 ms
// median). Prints median, 90th percentile and best.
#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <random>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

#include "irprotocol.h"
#include "irsignal.h"
#include "toolbench.h"

using namespace lumo::ir;
using Values = std::vector<uint32_t>;

namespace {

void report(const char *name, std::vector<double> t, double targetMs, const char *unit, double scale)
{
    std::sort(t.begin(), t.end());
    const double median = t[t.size() / 2];
    std::printf("%-34s median %.4f %s  p90 %.4f %s  best %.4f %s  (target <= %g %s: %s)\n", name,
                median * scale, unit, t[t.size() * 9 / 10] * scale, unit, t.front() * scale, unit,
                targetMs * scale, unit, median <= targetMs ? "met" : "MISSED");
}

// Frames of one command, gap apart, as many as fit in 1024 values.
Values repeated(const Values &frame, uint32_t gap)
{
    Values v = frame;
    while (v.size() + 1 + frame.size() <= 1024) {
        v.push_back(gap);
        v.insert(v.end(), frame.begin(), frame.end());
    }
    return v;
}

void benchRecognise(const char *name, const Values &v, bool recognised, int runs)
{
    if (recognise(v).has_value() != recognised) {
        std::fprintf(stderr, "bench_irprotocol: %s was not read as expected\n", name);
        std::exit(1);
    }
    std::vector<double> t;
    for (int i = 0; i < runs; ++i) {
        const double start = nowMs();
        const bool ok = recognise(v).has_value();
        t.push_back(nowMs() - start);
        if (ok != recognised)
            std::exit(1);
    }
    char label[80];
    std::snprintf(label, sizeof label, "recognise %s (%zu values)", name, v.size());
    report(label, t, 0.2, "ms", 1);
}

bool writeText(const std::string &path, const std::string &text)
{
    std::FILE *f = std::fopen(path.c_str(), "w");
    if (!f)
        return false;
    const bool ok = std::fwrite(text.data(), 1, text.size(), f) == text.size();
    return std::fclose(f) == 0 && ok;
}

} // namespace

int main(int argc, char **argv)
{
    const int runs = argc > 1 ? std::max(10, std::atoi(argv[1])) : 300;

    std::mt19937 rng(1);
    Values noise;
    for (int i = 0; i < 1023; ++i)
        noise.push_back(300 + rng() % 2000);
    std::printf("Protocol recognition, %d runs each:\n", runs * 10);
    benchRecognise("nec, repeated", repeated(encodeFrame(Protocol::Nec, 0x40bf), 40000), true, runs * 10);
    benchRecognise("rc6_mce, repeated", repeated(encodeFrame(Protocol::Rc6Mce, 0x800f040c), 80000), true,
                   runs * 10);
    benchRecognise("rc5, repeated", repeated(encodeFrame(Protocol::Rc5, 0x1e0c), 89000), true, runs * 10);
    benchRecognise("sony20, repeated", repeated(encodeFrame(Protocol::Sony20, 0x1a0b15), 20000), true,
                   runs * 10);
    benchRecognise("noise", noise, false, runs * 10);

    char tmpl[] = "/tmp/bench_irprotocol-XXXXXX";
    if (!mkdtemp(tmpl)) {
        std::perror("mkdtemp");
        return 1;
    }
    const std::string dir = tmpl;
    const std::string device = dir + "/device";
    const std::string state = dir + "/state";
    mkdir(device.c_str(), 0700);
    setenv("LUMO_IR_DEVICE", ("sim:" + device).c_str(), 1);
    setenv("XDG_STATE_HOME", state.c_str(), 1);
    unsetenv("LUMO_IR_SIM_FAIL");
    const std::string play = LUMO_BIN_DIR "/irplay.exe";
    const std::string rc5File = dir + "/mute.ir";
    const std::string sonyFile = dir + "/power.ir";
    if (!writeText(rc5File, formatSignal(Signal{ 0, encodeFrame(Protocol::Rc5, 0x1e0d) }, { "mute" }))
        || !writeText(sonyFile, "scancode sony12:0x10015\n")) {
        std::perror("bench_irprotocol: writing the signal files");
        return 1;
    }
    for (int i = 0; i < 5; ++i)
        if (timeRun(play, rc5File) < 0 || timeRun(play, sonyFile) < 0) {
            std::fprintf(stderr, "bench_irprotocol: irplay.exe did not run from %s\n", LUMO_BIN_DIR);
            return 1;
        }
    std::vector<double> rc5, sony;
    for (int i = 0; i < runs; ++i) {
        const double a = timeRun(play, rc5File);
        const double b = timeRun(play, sonyFile);
        if (a < 0 || b < 0) {
            std::fprintf(stderr, "bench_irprotocol: a run failed\n");
            return 1;
        }
        rc5.push_back(a);
        sony.push_back(b);
    }
    std::printf("irplay.exe, simulator, start to exit, %d runs each:\n", runs);
    report("rc5 file, toggle state kept", rc5, 2, "ms", 1);
    report("sony scancode line, sent 3 times", sony, 2, "ms", 1);

    for (const std::string &f :
         { rc5File, sonyFile, device + "/sent.log", state + "/lumo-control/toggle-state" })
        unlink(f.c_str());
    rmdir((state + "/lumo-control").c_str());
    rmdir(state.c_str());
    rmdir(device.c_str());
    rmdir(dir.c_str());
    return 0;
}
