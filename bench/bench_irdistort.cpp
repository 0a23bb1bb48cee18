// How well learning reads a remote's code when the signal is bent as remotes,
// receivers and rooms bend it: every protocol's frames, encoded from random
// codes, then distorted (each value off by up to +-10/20/30 %, a demodulator's
// skew of 150 or 200 us either way, a remote's clock 10 % slow or fast, one
// spurious blip in a space or one dropout in a pulse). Prints per protocol and
// level how many were recognised as the code sent, the totals over the
// kernel's 17 protocols, and per level the number of WRONG scancodes
// (recognised, but not as what was sent), which must be 0. Seeded: the same
// arguments give the same signals.
//
//   build/bench/bench_irdistort [--codes N] [--seed S] [--dump DIR]
//
// --dump DIR writes every distorted signal of the kernel's protocols to DIR as
// a mode2 file (ir-ctl --send reads it), named LEVEL.INDEX.PROTOCOL.0xSCANCODE
// .mode2, the sent command and the distortion also in its comments, so the same
// set can be sent through the kernel's decoders.
#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include <sys/stat.h>
#include <vector>

#include "irprotocol.h"
#include "irsignal.h"

using namespace lumo::ir;
using Values = std::vector<uint32_t>;

namespace {

enum class Kind { Exact, Jitter, Skew, Clock, Blip, Dropout };

struct Level
{
    const char *name;
    Kind kind;
    double amount; // jitter and clock: fraction; skew: us added to pulses
};

const Level kLevels[] = {
    { "exact", Kind::Exact, 0 },        { "jitter10", Kind::Jitter, 0.10 },
    { "jitter20", Kind::Jitter, 0.20 }, { "jitter30", Kind::Jitter, 0.30 },
    { "skew+150", Kind::Skew, 150 },    { "skew-150", Kind::Skew, -150 },
    { "skew+200", Kind::Skew, 200 },    { "skew-200", Kind::Skew, -200 },
    { "clock-10", Kind::Clock, -0.10 }, { "clock+10", Kind::Clock, 0.10 },
    { "blip", Kind::Blip, 0 },          { "dropout", Kind::Dropout, 0 },
};
constexpr std::size_t kLevelCount = sizeof kLevels / sizeof kLevels[0];

// The protocols the kernel's rc-core decodes.
bool inKernel(Protocol p)
{
    return p <= Protocol::Sharp;
}

// A scancode that reads back as itself (not one another protocol names).
bool canonical(Protocol p, uint64_t sc)
{
    switch (p) {
    case Protocol::Necx:
        return ((sc >> 16 ^ sc >> 8) & 0xff) != 0xff;
    case Protocol::Nec32:
        return ((sc >> 8 ^ sc) & 0xff) != 0xff;
    case Protocol::Rc6_6a32:
        return (sc & 0xffff0000) != 0x800f0000;
    case Protocol::Nec42:
        return ((sc >> 16 ^ sc >> 29) & 0x1fff) != 0x1fff || ((sc ^ sc >> 8) & 0xff) != 0xff;
    case Protocol::Kaseikyo:
        return sc >> 32 != 0x2002 || ((sc >> 24 ^ sc >> 16 ^ sc >> 8 ^ sc) & 0xff) != 0;
    case Protocol::Pioneer:
        return sc >> 16 != (sc & 0xffff);
    default:
        return true;
    }
}

uint64_t randomScancode(Protocol p, std::mt19937_64 &rng)
{
    while (true) {
        uint64_t sc = rng() & protocolInfo(p).scancodeMask;
        if (p == Protocol::Pioneer && rng() % 2)
            sc &= 0xffff;
        if (p == Protocol::Rc6Mce)
            sc = 0x800f0000 | (sc & 0x7fff);
        if (scancodeFits(p, sc) && canonical(p, sc))
            return sc;
    }
}

uint32_t clamped(double v)
{
    return v < 1 ? 1 : uint32_t(v + 0.5);
}

// One short value of the other level cut into a value at least as long as
// itself plus 40 us on each side: a blip in a space (odd index) or a dropout
// in a pulse (even index).
Values glitched(const Values &in, bool inSpace, std::mt19937_64 &rng)
{
    const uint32_t glitch = uint32_t(50 + rng() % 101);
    std::vector<std::size_t> fits;
    for (std::size_t i = inSpace ? 1 : 0; i < in.size(); i += 2)
        if (in[i] >= glitch + 80 && (!inSpace || i + 1 < in.size()))
            fits.push_back(i);
    if (fits.empty())
        return in;
    const std::size_t at = fits[rng() % fits.size()];
    const uint32_t before = uint32_t(40 + rng() % (in[at] - glitch - 79));
    Values out(in.begin(), in.begin() + std::ptrdiff_t(at));
    out.push_back(before);
    out.push_back(glitch);
    out.push_back(in[at] - before - glitch);
    out.insert(out.end(), in.begin() + std::ptrdiff_t(at) + 1, in.end());
    return out;
}

Values distorted(const Values &in, const Level &level, std::mt19937_64 &rng)
{
    Values out;
    std::uniform_real_distribution<double> wobble(-level.amount, level.amount);
    switch (level.kind) {
    case Kind::Exact:
        return in;
    case Kind::Jitter:
        for (uint32_t v : in)
            out.push_back(clamped(v * (1 + wobble(rng))));
        return out;
    case Kind::Skew:
        for (std::size_t i = 0; i < in.size(); ++i)
            out.push_back(clamped(in[i] + (i % 2 == 0 ? level.amount : -level.amount)));
        return out;
    case Kind::Clock:
        for (uint32_t v : in)
            out.push_back(clamped(v * (1 + level.amount)));
        return out;
    case Kind::Blip:
        return glitched(in, true, rng);
    case Kind::Dropout:
        return glitched(in, false, rng);
    }
    return out;
}

bool writeFile(const std::string &path, const std::string &text)
{
    std::FILE *f = std::fopen(path.c_str(), "w");
    if (!f)
        return false;
    const bool ok = std::fwrite(text.data(), 1, text.size(), f) == text.size();
    return std::fclose(f) == 0 && ok;
}

std::string levelText(const Level &l)
{
    char text[64];
    switch (l.kind) {
    case Kind::Exact:
        return "none (as encoded)";
    case Kind::Jitter:
        std::snprintf(text, sizeof text, "each value off by up to +-%d %%", int(l.amount * 100 + 0.5));
        return text;
    case Kind::Skew:
        std::snprintf(text, sizeof text, "pulses %d us %s, spaces as much %s", int(std::abs(l.amount)),
                      l.amount > 0 ? "longer" : "shorter", l.amount > 0 ? "shorter" : "longer");
        return text;
    case Kind::Clock:
        std::snprintf(text, sizeof text, "remote's clock %d %% %s", int(std::abs(l.amount) * 100 + 0.5),
                      l.amount > 0 ? "slow (values longer)" : "fast (values shorter)");
        return text;
    case Kind::Blip:
        return "one 50-150 us pulse inside a space";
    case Kind::Dropout:
        return "one 50-150 us space inside a pulse";
    }
    return "";
}

} // namespace

int main(int argc, char **argv)
{
    int codes = 12;
    unsigned long long seed = 1;
    std::string dump;
    for (int a = 1; a < argc; ++a) {
        if (!std::strcmp(argv[a], "--codes") && a + 1 < argc) {
            codes = std::max(1, std::atoi(argv[++a]));
        } else if (!std::strcmp(argv[a], "--seed") && a + 1 < argc) {
            seed = std::strtoull(argv[++a], nullptr, 10);
        } else if (!std::strcmp(argv[a], "--dump") && a + 1 < argc) {
            dump = argv[++a];
        } else {
            std::fprintf(stderr, "usage: bench_irdistort [--codes N] [--seed S] [--dump DIR]\n");
            return 2;
        }
    }
    if (!dump.empty() && mkdir(dump.c_str(), 0755) != 0 && errno != EEXIST) {
        std::perror(dump.c_str());
        return 1;
    }

    const auto start = std::chrono::steady_clock::now();
    int good[kProtocolCount][kLevelCount] = {};
    int wrong[kLevelCount] = {}, kernelGood[kLevelCount] = {}, allGood[kLevelCount] = {};
    int kernelSent = 0, allSent = 0;
    double recogniseSeconds = 0;
    std::size_t recognised = 0;
    for (std::size_t p = 0; p < kProtocolCount; ++p) {
        const Protocol protocol = Protocol(p);
        const uint32_t carrier = protocolInfo(protocol).carrierHz;
        for (int c = 0; c < codes; ++c) {
            std::mt19937_64 codeRng(seed * 1000003 + p * 1009 + unsigned(c));
            const uint64_t sc = randomScancode(protocol, codeRng);
            const bool toggle = codeRng() % 2;
            const int expectToggle = protocolInfo(protocol).toggle == ToggleFamily::None ? -1 : int(toggle);
            const Values frame = encodeFrame(protocol, sc, toggle);
            allSent += 1;
            kernelSent += inKernel(protocol);
            for (std::size_t l = 0; l < kLevelCount; ++l) {
                std::mt19937_64 rng(codeRng() ^ (l * 0x9e3779b97f4a7c15ull));
                const Values v = distorted(frame, kLevels[l], rng);
                const auto t0 = std::chrono::steady_clock::now();
                const std::optional<Recognised> r = recognise(v, carrier);
                recogniseSeconds +=
                    std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
                ++recognised;
                if (r && r->protocol == protocol && r->scancode == sc && r->toggle == expectToggle) {
                    ++good[p][l];
                    ++allGood[l];
                    kernelGood[l] += inKernel(protocol);
                } else if (r) {
                    ++wrong[l];
                    std::printf("WRONG %s: sent %s toggle %d, read %s toggle %d: %s\n", kLevels[l].name,
                                scancodeText(protocol, sc).c_str(), expectToggle,
                                scancodeText(r->protocol, r->scancode).c_str(), r->toggle,
                                formatCompact(v).c_str());
                }
                if (!dump.empty() && inKernel(protocol)) {
                    char name[160];
                    std::snprintf(name, sizeof name, "%s/%s.%02d.%s.mode2", dump.c_str(), kLevels[l].name, c,
                                  scancodeText(protocol, sc)
                                      .replace(std::strlen(protocolName(protocol)), 1, ".")
                                      .c_str());
                    const std::string text = formatSignal(
                        Signal{ carrier, v },
                        { "sent " + scancodeText(protocol, sc)
                              + (expectToggle < 0 ? "" : " toggle " + numberText(unsigned(expectToggle))),
                          "distortion " + std::string(kLevels[l].name) + ": " + levelText(kLevels[l]),
                          "bench_irdistort --codes " + numberText(unsigned(codes)) + " --seed "
                              + numberText(seed) });
                    if (!writeFile(name, text)) {
                        std::perror(name);
                        return 1;
                    }
                }
            }
        }
    }
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();

    std::printf("Recognised as sent, of %d codes per protocol and level (seed %llu):\n", codes, seed);
    std::printf("%-10s", "protocol");
    for (const Level &l : kLevels)
        std::printf(" %8s", l.name);
    std::printf("\n");
    for (std::size_t p = 0; p < kProtocolCount; ++p) {
        std::printf("%-10s", protocolName(Protocol(p)));
        for (std::size_t l = 0; l < kLevelCount; ++l)
            std::printf(" %8d", good[p][l]);
        std::printf("\n");
    }
    auto totals = [&](const char *name, const int *counts, int sent) {
        std::printf("%-10s", name);
        for (std::size_t l = 0; l < kLevelCount; ++l) {
            char cell[32];
            std::snprintf(cell, sizeof cell, "%d/%d", counts[l], sent);
            std::printf(" %8s", cell);
        }
        std::printf("\n");
    };
    totals("kernel's", kernelGood, kernelSent);
    totals("all", allGood, allSent);
    std::printf("%-10s", "WRONG");
    int wrongTotal = 0;
    for (std::size_t l = 0; l < kLevelCount; ++l) {
        std::printf(" %8d", wrong[l]);
        wrongTotal += wrong[l];
    }
    std::printf("\n%zu signals in %.2f s; recognise() %.1f us per signal on average\n", recognised, seconds,
                recogniseSeconds / double(recognised) * 1e6);
    return wrongTotal == 0 ? 0 : 1;
}
