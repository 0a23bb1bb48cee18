// What reading a shared code file costs: readCodeFile() and the --describe
// text of a 1,000-code file of each form people hand around most (target
// <= 5 ms). Prints median, 90th percentile and best over the runs.
//   build/bench/bench_codefiles [runs]
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "ircodefile.h"
#include "irprotocol.h"
#include "toolbench.h"

using namespace lumo::ir;

namespace {

constexpr std::size_t kCodes = 1000;
constexpr double kTargetMs = 5;

std::string hex2(unsigned v)
{
    const char *digits = "0123456789ABCDEF";
    return { digits[v >> 4 & 15], digits[v & 15] };
}

// Half parsed NEC signals, half raw ones as a Flipper learns them (one NEC
// frame each, values a little off as a receiver measures them).
std::string flipperFile()
{
    std::vector<Code> codes;
    for (std::size_t i = 0; i < kCodes; ++i) {
        const uint32_t scancode = uint32_t(i % 256) << 8 | uint32_t(i * 7 % 256);
        Code c = codeFromCommand(Protocol::Nec, scancode, "Button " + std::to_string(i));
        if (i % 2) {
            c.command.reset();
            for (std::size_t k = 0; k < c.signal.values.size(); ++k)
                c.signal.values[k] += uint32_t(k % 3) * 7;
        }
        codes.push_back(c);
    }
    return writeFlipper(codes);
}

std::string irdbCsv()
{
    std::string text = "functionname,protocol,device,subdevice,function\n";
    const char *protocols[] = { "NEC1", "RC5", "Sony12", "NECx2" };
    for (std::size_t i = 0; i < kCodes; ++i)
        text += "F" + std::to_string(i) + "," + protocols[i % 4] + ",1,-1," + std::to_string(i % 64) + "\n";
    return text;
}

std::string lircdConf()
{
    std::string text = "begin remote\n name tv\n bits 16\n flags SPACE_ENC|CONST_LENGTH\n header 9000 4500\n"
                       " one 563 1688\n zero 563 563\n ptrail 563\n pre_data_bits 16\n pre_data 0x20DF\n"
                       " gap 108000\n begin codes\n";
    for (std::size_t i = 0; i < kCodes; ++i) {
        const unsigned f = unsigned(i % 256);
        text += "  KEY_" + std::to_string(i) + " 0x" + hex2(f) + hex2(f ^ 0xff) + "\n";
    }
    return text + " end codes\nend remote\n";
}

Signal encodeFrameSignal(std::size_t i)
{
    return codeFromCommand(Protocol::Rc5, uint32_t(i % 32) << 8 | uint32_t(i % 128)).signal;
}

std::string prontoLines()
{
    std::string text;
    for (std::size_t i = 0; i < kCodes; ++i)
        text += "Key " + std::to_string(i) + ": " + writePronto(encodeFrameSignal(i)) + "\n";
    return text;
}

void bench(const char *name, const std::string &text, int runs)
{
    std::vector<double> t;
    std::size_t described = 0;
    for (int r = 0; r < runs; ++r) {
        const double start = nowMs();
        CodeFile file;
        std::string error;
        if (!readCodeFile(text, file, error) || file.codes.size() != kCodes) {
            std::fprintf(stderr, "bench_codefiles: %s did not read: %s\n", name, error.c_str());
            std::exit(1);
        }
        described = describeCodeFile(file).size();
        t.push_back(nowMs() - start);
    }
    std::sort(t.begin(), t.end());
    const double median = t[t.size() / 2];
    std::printf(
        "%-32s %6zu KiB, %zu codes: median %.3f ms  p90 %.3f ms  best %.3f ms  (target <= %g ms: %s)\n", name,
        text.size() / 1024, kCodes, median, t[t.size() * 9 / 10], t.front(), kTargetMs,
        median <= kTargetMs ? "met" : "MISSED");
    (void)described;
}

} // namespace

int main(int argc, char **argv)
{
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 50;
    bench("read+describe Flipper .ir", flipperFile(), runs);
    bench("read+describe lircd.conf", lircdConf(), runs);
    bench("read+describe IR database CSV", irdbCsv(), runs);
    bench("read+describe Pronto lines", prontoLines(), runs);
    return 0;
}
