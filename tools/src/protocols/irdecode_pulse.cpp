// Decoders of the pulse-distance protocols (a bit is a short pulse and a short
// or long space: nec and its kin, sanyo, jvc, samsung32, kaseikyo, rca, sharp)
// and of sony (a bit is a short or long pulse).
#include "irdecode.h"

#include <algorithm>
#include <cmath>

namespace lumo::ir::detail {

namespace {

// A bit is told from the other kind by a length between theirs: where a value
// of each, off by the same share in opposite directions, meet (the harmonic
// mean).
double threshold(double shorter, double longer)
{
    return 2 * shorter * longer / (shorter + longer);
}

// Whether measured is further than the share guard from threshold.
bool clearOf(double measured, double threshold, double guard)
{
    return measured < (1 - guard) * threshold || measured > (1 + guard) * threshold;
}

// Sony's pulses, one unit or two, are told apart at the geometric mean; a
// frame without a check has nothing else to tell a misread bit by, so none
// may come within kSonyGuard of it. Nor may the values of a kind (the
// spaces, the short pulses, the long ones) spread wider than kSonySpread of
// their length: the wider a remote's values stray, the likelier another code
// fits them.
constexpr double kSonySplit = 1.41421356;
constexpr double kSonyGuard = 0.08;
constexpr double kSonySpread = 0.45;

// Another reading of a frame must fit this much worse than the best (the sum
// of its squared errors, each in units of its tolerance), or the frame is
// ambiguous; other readings count with values this many tolerances off.
constexpr double kClearCost = 0.5;
constexpr double kWideError = 2;

// Unit and skew (pulses longer by it, spaces shorter) of count values, pulse
// first, each runs[j] units long: least squares weighted by 1/length, so that
// a long header does not outweigh the bits.
bool fitRuns(const uint32_t *v, std::size_t count, const uint8_t *runs, double &u, double &skew)
{
    double nn = 0, ns = 0, ss = 0, nd = 0, sd = 0;
    for (std::size_t j = 0; j < count; ++j) {
        const double nominal = runs[j];
        const double w = 1 / nominal;
        const double sign = j % 2 == 0 ? 1 : -1;
        nn += w * nominal * nominal;
        ns += w * nominal * sign;
        ss += w;
        nd += w * nominal * v[j];
        sd += w * sign * v[j];
    }
    const double det = nn * ss - ns * ns;
    if (det < 1e-9 * nn * ss)
        return false;
    u = (nd * ss - ns * sd) / det;
    skew = (nn * sd - ns * nd) / det;
    return u > 0;
}

// The sum of the squared errors of values against runs of u with skew, each
// in units of its tolerance; worst: the largest error.
double runsCost(const uint32_t *v, std::size_t count, const uint8_t *runs, double u, double skew,
                double &worst)
{
    double cost = 0;
    worst = 0;
    for (std::size_t j = 0; j < count; ++j) {
        const double expected = runs[j] * u;
        const double e = (double(v[j]) - (j % 2 == 0 ? skew : -skew) - expected) / (0.25 * expected + 40);
        cost += e * e;
        worst = std::max(worst, e < 0 ? -e : e);
    }
    return cost;
}

struct PdFrame
{
    uint64_t bits = 0;
    std::size_t end = 0;
    double scale = 1;
    double score = 0;
};

// Reads one pulse-distance frame at i: header (if any), t.bits bits, trailer
// pulse, then a gap or the end. Bits are told by the pulse+space period, which
// a demodulator's skew leaves alone; the scale is fitted over all periods.
// scaleHint is used when there is no header (0: from the shortest period).
bool readPd(const Span &s, std::size_t i, const PdTiming &t, double scaleHint, PdFrame &out)
{
    const std::size_t header = t.headerPulse > 0 ? 2 : 0;
    const std::size_t count = header + 2 * std::size_t(t.bits) + 1;
    if (i + count > s.n)
        return false;
    const uint32_t *v = s.v + i;
    const uint32_t *bit = v + header;
    const double p0 = t.bitPulse + t.space0;
    const double p1 = t.bitPulse + t.space1;
    const double headerPeriod = t.headerPulse + t.headerSpace;

    double k = scaleHint;
    if (header) {
        k = double(v[0] + v[1]) / headerPeriod;
    } else if (k <= 0) {
        double shortest = 1e12, longest = 0;
        for (int b = 0; b < t.bits; ++b) {
            double period = double(bit[2 * b]) + bit[2 * b + 1];
            shortest = std::min(shortest, period);
            longest = std::max(longest, period);
        }
        k = shortest / p0;
        if (longest < shortest * 1.45 && !scaleOk(k))
            k = shortest / p1; // every bit a one
    }
    if (!scaleOk(k))
        return false;

    // The scale is the mean ratio of the bits' periods to their nominal
    // (the header, a single long value, would outweigh the bits in a least-
    // squares fit).
    uint64_t bits = 0;
    for (int pass = 0; pass < 3; ++pass) {
        uint64_t classified = 0;
        double ratios = 0;
        const double split = threshold(p0, p1) * k;
        for (int b = 0; b < t.bits; ++b) {
            double period = double(bit[2 * b]) + bit[2 * b + 1];
            bool one = period > split;
            classified |= uint64_t(one) << b;
            ratios += period / (one ? p1 : p0);
        }
        k = ratios / t.bits;
        if (pass > 0 && classified == bits)
            break;
        bits = classified;
    }
    if (!scaleOk(k))
        return false;

    double pulseSum = 0, lowest = 1e12, highest = 0;
    for (int b = 0; b < t.bits; ++b) {
        pulseSum += bit[2 * b];
        lowest = std::min<double>(lowest, bit[2 * b]);
        highest = std::max<double>(highest, bit[2 * b]);
    }
    const double skew = pulseSum / t.bits - t.bitPulse * k;
    if (!skewOk(skew, t.bitPulse * k))
        return false;
    // The bits' pulses, all alike, show how far the remote's values stray:
    // as far as where a short bit and a long one, strayed toward each other,
    // meet, and a frame could be misread in two places that check each other.
    if (highest - lowest > 2 * (p1 - p0) / (p1 + p0) * t.bitPulse * k)
        return false;
    Fit fit;
    for (int b = 0; b < t.bits; ++b) {
        double period = double(bit[2 * b]) + bit[2 * b + 1];
        if (!fit.near(period, (bits >> b & 1 ? p1 : p0) * k) || !fit.near(bit[2 * b], t.bitPulse * k + skew))
            return false;
    }
    if (header && (!fit.near(v[0], t.headerPulse * k + skew) || !fit.near(v[1], t.headerSpace * k - skew)))
        return false;
    if (!fit.near(bit[2 * t.bits], t.trailerPulse * k + skew))
        return false;
    out.end = i + count;
    if (!endsFrame(s, out.end, t.minGap * k))
        return false;
    out.bits = bits;
    out.scale = k;
    out.score = fit.score();
    return true;
}

// Fills hit with a recognised frame; returns true for the decoder to return.
bool found(Hit &hit, Protocol protocol, uint64_t scancode, const PdFrame &f)
{
    hit.protocol = protocol;
    hit.scancode = scancode;
    hit.end = f.end;
    hit.scale = f.scale;
    hit.score = f.score;
    return true;
}

} // namespace

bool decodeNec(const Span &s, std::size_t i, Hit &hit)
{
    PdFrame f;
    if (!readPd(s, i, kNec, 0, f))
        return false;
    const uint32_t address = bitsAt(f.bits, 0, 8), notAddress = bitsAt(f.bits, 8, 8);
    const uint32_t command = bitsAt(f.bits, 16, 8), notCommand = bitsAt(f.bits, 24, 8);
    // The kernel's layout (ir_nec_bytes_to_scancode).
    if ((command ^ notCommand) != 0xff)
        return found(hit, Protocol::Nec32, notAddress << 24 | address << 16 | notCommand << 8 | command, f);
    if ((address ^ notAddress) != 0xff)
        return found(hit, Protocol::Necx, address << 16 | notAddress << 8 | command, f);
    // Pioneer's frames are NEC's: only the carrier tells them apart.
    const bool pioneer = s.carrierHz >= kPioneerMinHz && s.carrierHz < kPioneerMaxHz;
    return found(hit, pioneer ? Protocol::Pioneer : Protocol::Nec, address << 8 | command, f);
}

bool decodeSanyo(const Span &s, std::size_t i, Hit &hit)
{
    PdFrame f;
    if (!readPd(s, i, kSanyo, 0, f))
        return false;
    const uint32_t address = bitsAt(f.bits, 0, 13), notAddress = bitsAt(f.bits, 13, 13);
    const uint32_t command = bitsAt(f.bits, 26, 8), notCommand = bitsAt(f.bits, 34, 8);
    // As nec32 holds what is not nec, nec42 holds the frames that are not sanyo.
    if ((address ^ notAddress) != 0x1fff || (command ^ notCommand) != 0xff)
        return found(hit, Protocol::Nec42, (f.bits & 0x3ffffff) << 16 | f.bits >> 26, f);
    return found(hit, Protocol::Sanyo, address << 8 | command, f);
}

bool decodeJvc(const Span &s, std::size_t i, const PdTiming &t, double scaleHint, Hit &hit)
{
    PdFrame f;
    if (!readPd(s, i, t, scaleHint, f))
        return false;
    return found(hit, Protocol::Jvc, bitsAt(f.bits, 0, 8) << 8 | bitsAt(f.bits, 8, 8), f);
}

bool decodeSamsung(const Span &s, std::size_t i, Hit &hit)
{
    PdFrame f;
    if (!readPd(s, i, kSamsung, 0, f))
        return false;
    const uint32_t command = bitsAt(f.bits, 16, 8), notCommand = bitsAt(f.bits, 24, 8);
    if ((command ^ notCommand) != 0xff)
        return false;
    const uint32_t scancode = bitsAt(f.bits, 0, 8) << 16 | bitsAt(f.bits, 8, 8) << 8 | command;
    return found(hit, Protocol::Samsung32, scancode, f);
}

// Kaseikyo: a 16-bit manufacturer code (low byte first), four bytes.
bool decodeKaseikyo(const Span &s, std::size_t i, Hit &hit)
{
    PdFrame f;
    if (!readPd(s, i, kKaseikyo, 0, f))
        return false;
    const uint32_t maker = bitsAt(f.bits, 0, 16);
    const uint32_t device = bitsAt(f.bits, 16, 8), subdevice = bitsAt(f.bits, 24, 8);
    const uint32_t function = bitsAt(f.bits, 32, 8), parity = bitsAt(f.bits, 40, 8);
    if (maker == kPanasonicMaker && parity == (device ^ subdevice ^ function))
        return found(hit, Protocol::Panasonic, device << 16 | subdevice << 8 | function, f);
    // Other makers check their bytes each in their own way: all 48 bits go
    // into the scancode, so none need be understood.
    const uint64_t bytes = uint64_t(device) << 24 | subdevice << 16 | function << 8 | parity;
    return found(hit, Protocol::Kaseikyo, uint64_t(maker) << 32 | bytes, f);
}

bool decodeRca(const Span &s, std::size_t i, Hit &hit)
{
    PdFrame f;
    if (!readPd(s, i, kRca, 0, f))
        return false;
    const uint64_t v = reversedBits(f.bits, 24); // sent MSB first
    const uint32_t address = bitsAt(v, 20, 4), command = bitsAt(v, 12, 8);
    if ((address ^ bitsAt(v, 8, 4)) != 0xf || (command ^ bitsAt(v, 0, 8)) != 0xff)
        return false;
    return found(hit, Protocol::Rca, address << 8 | command, f);
}

bool decodeSharp(const Span &s, std::size_t i, Hit &hit)
{
    if (s.v[i] > 320 * kMaxScale + kMaxSkewUs)
        return false;
    PdFrame message, echo;
    if (!readPd(s, i, kSharp, 0, message) || message.end >= s.n)
        return false;
    Fit gap;
    if (!gap.near(s.v[message.end], kSharpEchoGap * message.scale))
        return false;
    if (!readPd(s, message.end + 1, kSharp, message.scale, echo))
        return false;
    // address 5, command 8, expansion 1, check 0; the echo inverts all but the address
    if ((message.bits ^ echo.bits) != 0x7fe0 || bitsAt(message.bits, 13, 2) != 1)
        return false;
    const uint32_t scancode = bitsAt(message.bits, 0, 5) << 8 | bitsAt(message.bits, 5, 8);
    message.end = echo.end;
    message.score = (message.score * 31 + echo.score * 31 + gap.score()) / 63;
    return found(hit, Protocol::Sharp, scancode, message);
}

bool decodeSony(const Span &s, std::size_t i, Hit &hit)
{
    constexpr int kMaxBits = 20;
    if (i + 2 + 2 * 12 - 1 > s.n)
        return false;
    const uint32_t *v = s.v + i;
    double k = double(v[0] + v[1]) / (5 * kSonyUnit);
    if (!scaleOk(k))
        return false;
    // pulses, and the spaces between them, up to the gap
    const double gap = 4 * kSonyUnit * k;
    std::size_t pulses = 0;
    std::size_t j = 2;
    while (true) {
        if (i + j >= s.n)
            return false;
        ++pulses;
        if (pulses > kMaxBits)
            return false;
        if (i + j + 1 == s.n || v[j + 1] >= gap)
            break;
        j += 2;
    }
    const int bits = int(pulses);
    Protocol protocol;
    if (bits == 12)
        protocol = Protocol::Sony12;
    else if (bits == 15)
        protocol = Protocol::Sony15;
    else if (bits == 20)
        protocol = Protocol::Sony20;
    else
        return false;
    const uint32_t *bit = v + 2;

    // The bit is in the pulse's length (one unit or two; the spaces between
    // are one). Every way the pulses split into short and long ones (by
    // length) is fitted, unit and skew by least squares: the best must fit,
    // and fit clearly better than any other, or the frame could be either.
    uint32_t order[kMaxBits];
    for (int b = 0; b < bits; ++b)
        order[b] = uint32_t(b);
    std::sort(order, order + bits, [&](uint32_t a, uint32_t c) { return bit[2 * a] < bit[2 * c]; });
    uint8_t runs[2 + 2 * kMaxBits];
    const std::size_t count = 2 + 2 * std::size_t(bits) - 1;
    double bestCost = 1e30, nextCost = 1e30, u = 0, skew = 0;
    uint32_t value = 0;
    // (only splits near the widest step between two pulses in order can fit,
    // and all short or all long)
    int widest = bits;
    double step = 1.3;
    for (int b = 1; b < bits; ++b)
        if (bit[2 * order[b]] > step * bit[2 * order[b - 1]]) {
            step = double(bit[2 * order[b]]) / bit[2 * order[b - 1]];
            widest = b;
        }
    for (int shortOnes = 0; shortOnes <= bits; ++shortOnes) {
        if (shortOnes != 0 && shortOnes != bits && (shortOnes < widest - 2 || shortOnes > widest + 2))
            continue;
        uint32_t split = 0;
        for (int b = shortOnes; b < bits; ++b)
            split |= uint32_t(1) << order[b];
        runs[0] = 4;
        runs[1] = 1;
        for (int b = 0; b < bits; ++b) {
            runs[2 + 2 * b] = split >> b & 1 ? 2 : 1;
            runs[3 + 2 * b] = 1;
        }
        double cu = 0, cskew = 0, worst = 0;
        if (!fitRuns(v, count, runs, cu, cskew))
            continue;
        const double cost = runsCost(v, count, runs, cu, cskew, worst);
        if (worst > kWideError)
            continue;
        if (cost < bestCost) {
            nextCost = bestCost;
            bestCost = cost;
            u = cu;
            skew = cskew;
            value = split;
        } else if (cost < nextCost) {
            nextCost = cost;
        }
    }
    if (bestCost >= 1e30 || nextCost < bestCost + kClearCost)
        return false;
    k = u / kSonyUnit;
    if (!scaleOk(k) || !skewOk(skew, u))
        return false;
    Fit fit;
    for (std::size_t j = 0; j < count; ++j) {
        const double r = j < 2 ? (j ? 1 : 4) : j % 2 == 0 ? (value >> (j - 2) / 2 & 1 ? 2 : 1) : 1;
        if (!fit.near(double(v[j]) - (j % 2 == 0 ? skew : -skew), r * u))
            return false;
    }
    double lowest[3] = { 1e12, 1e12, 1e12 }, highest[3] = { 0, 0, 0 }; // spaces, short, long pulses
    for (int b = 0; b < bits; ++b) {
        const int kind = value >> b & 1 ? 2 : 1;
        lowest[kind] = std::min<double>(lowest[kind], bit[2 * b]);
        highest[kind] = std::max<double>(highest[kind], bit[2 * b]);
        if (b + 1 < bits) {
            lowest[0] = std::min<double>(lowest[0], bit[2 * b + 1]);
            highest[0] = std::max<double>(highest[0], bit[2 * b + 1]);
        }
    }
    for (int kind = 0; kind < 3; ++kind)
        if (highest[kind] - lowest[kind] > kSonySpread * (kind ? kind : 1) * u)
            return false;
    // Nor may a pulse come near the length between the two kinds: a frame
    // without a check has nothing else to tell a misread bit by.
    for (int b = 0; b < bits; ++b)
        if (!clearOf(bit[2 * b] - skew, kSonySplit * u, kSonyGuard))
            return false;
    const uint32_t command = value & 0x7f;
    // device << 16 | command, sony20's 8 extension bits in the middle
    uint32_t scancode = (value >> 7) << 16 | command;
    if (protocol == Protocol::Sony20)
        scancode = ((value >> 7) & 0x1f) << 16 | (value >> 12) << 8 | command;
    hit.protocol = protocol;
    hit.scancode = scancode;
    hit.end = i + 2 + 2 * std::size_t(bits) - 1;
    hit.scale = k;
    hit.score = fit.score();
    return true;
}

// A frame of three values: header pulse, space, one pulse (NEC's and Sanyo's
// "still held").
bool readShortFrame(const Span &s, std::size_t i, double headerSpace, Hit &hit)
{
    if (i + 3 > s.n)
        return false;
    const uint32_t *v = s.v + i;
    const double k = double(v[0] + v[1]) / (9000 + headerSpace);
    if (!scaleOk(k))
        return false;
    const double skew = v[2] - 563 * k;
    Fit fit;
    if (!skewOk(skew, 563 * k) || !fit.near(v[0], 9000 * k + skew) || !fit.near(v[1], headerSpace * k - skew))
        return false;
    hit.end = i + 3;
    hit.repeat = true;
    hit.scale = k;
    hit.score = fit.score();
    return endsFrame(s, hit.end, 4000 * k);
}

} // namespace lumo::ir::detail
