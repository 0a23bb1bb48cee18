#include "irprotocol.h"

#include <algorithm>
#include <cmath>

namespace lumo::ir {

namespace {

const ProtocolInfo kProtocols[kProtocolCount] = {
    { "nec", 0xffff, 38000, ToggleFamily::None },
    { "necx", 0xffffff, 38000, ToggleFamily::None },
    { "nec32", 0xffffffff, 38000, ToggleFamily::None },
    { "rc5", 0x1f7f, 36000, ToggleFamily::Rc5 },
    { "rc5x_20", 0x1f7f3f, 36000, ToggleFamily::Rc5 },
    { "rc5_sz", 0x2fff, 36000, ToggleFamily::Rc5 },
    { "rc6_0", 0xffff, 36000, ToggleFamily::Rc6 },
    { "rc6_6a_20", 0xfffff, 36000, ToggleFamily::None },
    { "rc6_6a_24", 0xffffff, 36000, ToggleFamily::None },
    { "rc6_6a_32", 0xffffffff, 36000, ToggleFamily::None },
    { "rc6_mce", 0xffff7fff, 36000, ToggleFamily::Rc6 },
    { "sony12", 0x1f007f, 40000, ToggleFamily::None },
    { "sony15", 0xff007f, 40000, ToggleFamily::None },
    { "sony20", 0x1fff7f, 40000, ToggleFamily::None },
    { "jvc", 0xffff, 38000, ToggleFamily::None },
    { "sanyo", 0x1fffff, 38000, ToggleFamily::None },
    { "sharp", 0x1fff, 38000, ToggleFamily::None },
    { "samsung32", 0xffffff, 38000, ToggleFamily::None },
    { "panasonic", 0xffffff, 36700, ToggleFamily::None },
    { "nec42", 0x3ffffffffff, 38000, ToggleFamily::None },
    { "pioneer", 0xffffffff, 40000, ToggleFamily::None },
    { "rca", 0xfff, 58000, ToggleFamily::None },
    { "kaseikyo", 0xffffffffffff, 37000, ToggleFamily::None },
};

constexpr uint64_t kMceCustomerMask = 0xffff0000;
constexpr uint64_t kMceCustomer = 0x800f0000;
constexpr uint64_t kMceToggle = 0x8000;

// ---- timings (microseconds) ------------------------------------------------

// Pulse-distance protocols: a bit is a short pulse and a short or long space.
struct PdTiming
{
    double headerPulse, headerSpace; // 0: no header
    double bitPulse, space0, space1, trailerPulse;
    double minGap; // shortest space that ends a frame
    int bits;
};

// The values ir-ctl sends (563 = 562.5 rounded) double as nominal timings.
constexpr PdTiming kNec{ 9000, 4500, 563, 563, 1688, 563, 4000, 32 };
constexpr PdTiming kSanyo{ 9000, 4500, 563, 563, 1688, 563, 4000, 42 };
constexpr PdTiming kJvc{ 8400, 4200, 525, 525, 1575, 525, 4000, 16 };
constexpr PdTiming kJvcRepeat{ 0, 0, 525, 525, 1575, 525, 4000, 16 };
constexpr PdTiming kSamsung{ 4500, 4500, 560, 560, 1690, 560, 4000, 32 };
constexpr PdTiming kPanasonic{ 3456, 1728, 432, 432, 1296, 432, 4000, 48 }; // and any Kaseikyo
// RCA (IRP {58k,460,msb}<1,-2|1,-4>(8,-8,D:4,F:8,~D:4,~F:8,1,-16)), bits MSB first.
constexpr PdTiming kRca{ 3680, 3680, 460, 920, 1840, 460, 4000, 24 };
constexpr uint16_t kPanasonicMaker = 0x2002;
// A two-frame pioneer command: frame start to frame start.
constexpr uint32_t kPioneerPeriod = 108000;
// Pioneer's 40 kHz against NEC's 38 kHz.
constexpr uint32_t kPioneerMinHz = 39000;
constexpr uint32_t kPioneerMaxHz = 42000;
// The kernel's sharp timing: 320 us pulses in bit periods of 1 and 2 ms.
constexpr PdTiming kSharp{ 0, 0, 320, 680, 1680, 320, 4000, 15 };
constexpr uint32_t kSharpEchoGap = 40000;
constexpr uint32_t kNecRepeatSpace = 2250;

constexpr double kSonyUnit = 600;
constexpr double kRc5Half = 889;      // ir-ctl's rounding of 888.9
constexpr double kRc6Unit = 444.444;  // ir-ctl sends 444, 888, 889, 1333, 2667
constexpr uint32_t kRc5xSpace = 3556; // four RC-5 half bits
constexpr uint32_t kRc6LeaderPulse = 2667;
constexpr uint32_t kRc6LeaderSpace = 889;
constexpr uint32_t kRc6Half = 444;
constexpr uint32_t kRc6TrailerHalf = 889;

// ---- tolerance --------------------------------------------------------------

// A remote's clock may run this much slow or fast.
constexpr double kMinScale = 0.72;
constexpr double kMaxScale = 1.32;
// Longest pulse/space skew taken from a demodulator.
constexpr double kMaxSkewUs = 250;

bool scaleOk(double k)
{
    return k >= kMinScale && k <= kMaxScale;
}

// measured against what the fitted timing predicts for it
bool near(double measured, double expected)
{
    return std::fabs(measured - expected) <= 0.25 * expected + 40;
}

bool skewOk(double skew, double shortestPulse)
{
    return std::fabs(skew) <= std::min(kMaxSkewUs, 0.9 * shortestPulse);
}

// ---- encoding helpers ---------------------------------------------------------

// Collects pulse/space durations; equal levels in a row merge, silence
// before the first pulse and after the last is dropped.
class Waveform
{
public:
    void pulse(uint32_t us)
    {
        if (m_v.size() % 2 == 1)
            m_v.back() += us;
        else
            m_v.push_back(us);
    }
    void space(uint32_t us)
    {
        if (m_v.empty())
            return;
        if (m_v.size() % 2 == 0)
            m_v.back() += us;
        else
            m_v.push_back(us);
    }
    void level(bool high, uint32_t us) { high ? pulse(us) : space(us); }
    // Manchester bit: highFirst gives pulse then space.
    void manchester(bool highFirst, uint32_t half)
    {
        level(highFirst, half);
        level(!highFirst, half);
    }
    std::vector<uint32_t> take()
    {
        if (m_v.size() % 2 == 0 && !m_v.empty())
            m_v.pop_back();
        return std::move(m_v);
    }

private:
    std::vector<uint32_t> m_v;
};

// count bits of value, least significant first
void pdBits(Waveform &w, const PdTiming &t, uint64_t value, int count)
{
    for (int b = 0; b < count; ++b) {
        w.pulse(uint32_t(t.bitPulse));
        w.space(uint32_t((value >> b) & 1 ? t.space1 : t.space0));
    }
}

void pdHeader(Waveform &w, const PdTiming &t)
{
    w.pulse(uint32_t(t.headerPulse));
    w.space(uint32_t(t.headerSpace));
}

void sonyBits(Waveform &w, uint64_t value, int count)
{
    for (int b = 0; b < count; ++b) {
        w.pulse(value >> b & 1 ? 1200 : 600);
        w.space(600);
    }
}

// most significant first; RC-5: 1 = space then pulse
void rc5Bits(Waveform &w, uint64_t value, int count)
{
    for (int b = count - 1; b >= 0; --b)
        w.manchester(!(value >> b & 1), uint32_t(kRc5Half));
}

// most significant first; RC-6: 1 = pulse then space
void rc6Bits(Waveform &w, uint64_t value, int count, uint32_t half)
{
    for (int b = count - 1; b >= 0; --b)
        w.manchester(value >> b & 1, half);
}

uint32_t byteAt(uint64_t v, int shift)
{
    return uint32_t(v >> shift) & 0xff;
}

// The count low bits of v in reverse order.
uint64_t reversed(uint64_t v, int count)
{
    uint64_t out = 0;
    for (int b = 0; b < count; ++b)
        out |= (v >> b & 1) << (count - 1 - b);
    return out;
}

// ---- decoding ---------------------------------------------------------------

struct Hit
{
    Protocol protocol = Protocol::Nec;
    uint64_t scancode = 0;
    int toggle = -1;
    bool repeat = false;
    std::size_t end = 0; // index after the frame's last pulse
    double scale = 1;
};

struct Span
{
    const uint32_t *v;
    std::size_t n;
    uint32_t carrierHz; // 0: not known
};

bool endsFrame(const Span &s, std::size_t end, double minGap)
{
    return end == s.n || (end < s.n && s.v[end] >= minGap);
}

struct PdFrame
{
    uint64_t bits = 0;
    std::size_t end = 0;
    double scale = 1;
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
        const double threshold = (p0 + p1) / 2 * k;
        for (int b = 0; b < t.bits; ++b) {
            double period = double(bit[2 * b]) + bit[2 * b + 1];
            bool one = period > threshold;
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

    double pulseSum = 0;
    for (int b = 0; b < t.bits; ++b)
        pulseSum += bit[2 * b];
    const double skew = pulseSum / t.bits - t.bitPulse * k;
    if (!skewOk(skew, t.bitPulse * k))
        return false;
    for (int b = 0; b < t.bits; ++b) {
        double period = double(bit[2 * b]) + bit[2 * b + 1];
        if (!near(period, (bits >> b & 1 ? p1 : p0) * k) || !near(bit[2 * b], t.bitPulse * k + skew))
            return false;
    }
    if (header && (!near(v[0], t.headerPulse * k + skew) || !near(v[1], t.headerSpace * k - skew)))
        return false;
    if (!near(bit[2 * t.bits], t.trailerPulse * k + skew))
        return false;
    out.end = i + count;
    if (!endsFrame(s, out.end, t.minGap * k))
        return false;
    out.bits = bits;
    out.scale = k;
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
    if (!skewOk(skew, 563 * k) || !near(v[0], 9000 * k + skew) || !near(v[1], headerSpace * k - skew))
        return false;
    hit.end = i + 3;
    hit.repeat = true;
    hit.scale = k;
    return endsFrame(s, hit.end, 4000 * k);
}

uint32_t bitsAt(uint64_t bits, int from, int count)
{
    return uint32_t((bits >> from) & ((uint64_t(1) << count) - 1));
}

// Fills hit with a recognised frame; returns true for the decoder to return.
bool found(Hit &hit, Protocol protocol, uint64_t scancode, std::size_t end, double scale)
{
    hit.protocol = protocol;
    hit.scancode = scancode;
    hit.end = end;
    hit.scale = scale;
    return true;
}

bool decodeNec(const Span &s, std::size_t i, Hit &hit)
{
    PdFrame f;
    if (!readPd(s, i, kNec, 0, f))
        return false;
    const uint32_t address = bitsAt(f.bits, 0, 8), notAddress = bitsAt(f.bits, 8, 8);
    const uint32_t command = bitsAt(f.bits, 16, 8), notCommand = bitsAt(f.bits, 24, 8);
    // The kernel's layout (ir_nec_bytes_to_scancode).
    if ((command ^ notCommand) != 0xff)
        return found(hit, Protocol::Nec32, notAddress << 24 | address << 16 | notCommand << 8 | command,
                     f.end, f.scale);
    if ((address ^ notAddress) != 0xff)
        return found(hit, Protocol::Necx, address << 16 | notAddress << 8 | command, f.end, f.scale);
    // Pioneer's frames are NEC's: only the carrier tells them apart.
    const bool pioneer = s.carrierHz >= kPioneerMinHz && s.carrierHz < kPioneerMaxHz;
    return found(hit, pioneer ? Protocol::Pioneer : Protocol::Nec, address << 8 | command, f.end, f.scale);
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
        return found(hit, Protocol::Nec42, (f.bits & 0x3ffffff) << 16 | f.bits >> 26, f.end, f.scale);
    return found(hit, Protocol::Sanyo, address << 8 | command, f.end, f.scale);
}

bool decodeJvc(const Span &s, std::size_t i, const PdTiming &t, double scaleHint, Hit &hit)
{
    PdFrame f;
    if (!readPd(s, i, t, scaleHint, f))
        return false;
    return found(hit, Protocol::Jvc, bitsAt(f.bits, 0, 8) << 8 | bitsAt(f.bits, 8, 8), f.end, f.scale);
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
    return found(hit, Protocol::Samsung32, scancode, f.end, f.scale);
}

// Kaseikyo: a 16-bit manufacturer code (low byte first), four bytes.
bool decodeKaseikyo(const Span &s, std::size_t i, Hit &hit)
{
    PdFrame f;
    if (!readPd(s, i, kPanasonic, 0, f))
        return false;
    const uint32_t maker = bitsAt(f.bits, 0, 16);
    const uint32_t device = bitsAt(f.bits, 16, 8), subdevice = bitsAt(f.bits, 24, 8);
    const uint32_t function = bitsAt(f.bits, 32, 8), parity = bitsAt(f.bits, 40, 8);
    if (maker == kPanasonicMaker && parity == (device ^ subdevice ^ function))
        return found(hit, Protocol::Panasonic, device << 16 | subdevice << 8 | function, f.end, f.scale);
    // Other makers check their bytes each in their own way: all 48 bits go
    // into the scancode, so none need be understood.
    const uint64_t bytes = uint64_t(device) << 24 | subdevice << 16 | function << 8 | parity;
    return found(hit, Protocol::Kaseikyo, uint64_t(maker) << 32 | bytes, f.end, f.scale);
}

bool decodeRca(const Span &s, std::size_t i, Hit &hit)
{
    PdFrame f;
    if (!readPd(s, i, kRca, 0, f))
        return false;
    const uint64_t v = reversed(f.bits, 24); // sent MSB first
    const uint32_t address = bitsAt(v, 20, 4), command = bitsAt(v, 12, 8);
    if ((address ^ bitsAt(v, 8, 4)) != 0xf || (command ^ bitsAt(v, 0, 8)) != 0xff)
        return false;
    return found(hit, Protocol::Rca, address << 8 | command, f.end, f.scale);
}

bool decodeSharp(const Span &s, std::size_t i, Hit &hit)
{
    if (s.v[i] > 320 * kMaxScale + kMaxSkewUs)
        return false;
    PdFrame message, echo;
    if (!readPd(s, i, kSharp, 0, message) || message.end >= s.n)
        return false;
    if (!near(s.v[message.end], kSharpEchoGap * message.scale))
        return false;
    if (!readPd(s, message.end + 1, kSharp, message.scale, echo))
        return false;
    // address 5, command 8, expansion 1, check 0; the echo inverts all but the address
    if ((message.bits ^ echo.bits) != 0x7fe0 || bitsAt(message.bits, 13, 2) != 1)
        return false;
    const uint32_t scancode = bitsAt(message.bits, 0, 5) << 8 | bitsAt(message.bits, 5, 8);
    return found(hit, Protocol::Sharp, scancode, echo.end, message.scale);
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

    // The bit is in the pulse's length; the spaces between are all one unit
    // and tell the skew.
    auto skewAt = [&](double scale) {
        double spaces = 0;
        for (int b = 0; b + 1 < bits; ++b)
            spaces += bit[2 * b + 1];
        return kSonyUnit * scale - spaces / (bits - 1);
    };
    double skew = skewAt(k);
    // First guess: the pulses fall into a short and a long group when both
    // kinds of bit are there (the header alone may be off by a fifth).
    double split = 0;
    {
        double sorted[kMaxBits];
        for (int b = 0; b < bits; ++b)
            sorted[b] = bit[2 * b];
        std::sort(sorted, sorted + bits);
        double widest = 1;
        for (int b = 1; b < bits; ++b)
            if (sorted[b] / sorted[b - 1] > widest) {
                widest = sorted[b] / sorted[b - 1];
                split = (sorted[b] + sorted[b - 1]) / 2;
            }
        if (sorted[bits - 1] < 1.45 * sorted[0])
            split = 0;
    }
    uint32_t value = 0;
    for (int pass = 0; pass < 3; ++pass) {
        uint32_t classified = 0;
        double ratios = 0;
        for (int b = 0; b < bits; ++b) {
            bool one = pass == 0 && split > 0 ? bit[2 * b] > split : bit[2 * b] - skew > 1.5 * kSonyUnit * k;
            classified |= uint32_t(one) << b;
            if (b + 1 < bits)
                ratios += (double(bit[2 * b]) + bit[2 * b + 1]) / ((one ? 3 : 2) * kSonyUnit);
        }
        k = ratios / (bits - 1);
        skew = skewAt(k);
        if (pass > 0 && classified == value)
            break;
        value = classified;
    }
    if (!scaleOk(k) || !skewOk(skew, kSonyUnit * k))
        return false;
    if (!near(v[0], 4 * kSonyUnit * k + skew) || !near(v[1], kSonyUnit * k - skew))
        return false;
    for (int b = 0; b < bits; ++b) {
        const double pulse = (value >> b & 1 ? 2 : 1) * kSonyUnit * k;
        if (!near(bit[2 * b], pulse + skew))
            return false;
        if (b + 1 < bits
            && (!near(bit[2 * b + 1], kSonyUnit * k - skew)
                || !near(double(bit[2 * b]) + bit[2 * b + 1], pulse + kSonyUnit * k)))
            return false;
    }
    const uint32_t command = value & 0x7f;
    // device << 16 | command, sony20's 8 extension bits in the middle
    uint32_t scancode = (value >> 7) << 16 | command;
    if (protocol == Protocol::Sony20)
        scancode = ((value >> 7) & 0x1f) << 16 | (value >> 12) << 8 | command;
    hit.protocol = protocol;
    hit.scancode = scancode;
    hit.end = i + 2 + 2 * std::size_t(bits) - 1;
    hit.scale = k;
    return true;
}

// ---- Manchester (RC-5, RC-6) --------------------------------------------------

// A frame as levels on a grid of unit-long slots (1 = pulse), plus each
// value's length in slots for fitting.
struct Grid
{
    static constexpr std::size_t kMaxSlots = 96;
    static constexpr std::size_t kMaxValues = 96;
    uint8_t level[kMaxSlots];
    std::size_t slots = 0;
    uint8_t runs[kMaxValues];
};

// The values [from, to) on the grid, the first after `lead` slots of space,
// the first ones fixedRuns long whatever they measure (a leader); false if
// they do not fit it.
bool toGrid(const Span &s, std::size_t from, std::size_t to, double unit, double k, double skew,
            std::size_t lead, const std::vector<uint8_t> &fixedRuns, Grid &g)
{
    if (to - from > Grid::kMaxValues)
        return false;
    g.slots = 0;
    for (std::size_t l = 0; l < lead; ++l)
        g.level[g.slots++] = 0;
    for (std::size_t j = from; j < to; ++j) {
        const bool pulse = (j - from) % 2 == 0;
        const double x = (s.v[j] - (pulse ? skew : -skew)) / (unit * k);
        // (rounded by hand: std::lround would bring in libm, a library more
        // for every start of the tools to load)
        long n = j - from < fixedRuns.size() ? fixedRuns[j - from] : x < 1.5 ? 1 : long(x + 0.5);
        if (g.slots + std::size_t(n) > Grid::kMaxSlots)
            return false;
        g.runs[j - from] = uint8_t(n);
        for (long l = 0; l < n; ++l)
            g.level[g.slots++] = pulse;
    }
    if (g.slots % 2)
        g.level[g.slots++] = 0; // the last half bit was silence, lost in the gap
    return true;
}

// Scale and skew of values [from, to) against their slot runs: least squares
// weighted by 1/length, so that the long leader does not outweigh the bits.
bool fitGrid(const Span &s, std::size_t from, std::size_t to, const Grid &g, double unit, double &k,
             double &skew)
{
    double nn = 0, ns = 0, ss = 0, nd = 0, sd = 0;
    for (std::size_t j = from; j < to; ++j) {
        const double nominal = g.runs[j - from] * unit;
        const double w = 1 / nominal;
        const double sign = (j - from) % 2 == 0 ? 1 : -1;
        const double d = s.v[j];
        nn += w * nominal * nominal;
        ns += w * nominal * sign;
        ss += w;
        nd += w * nominal * d;
        sd += w * sign * d;
    }
    const double det = nn * ss - ns * ns;
    if (std::fabs(det) < 1e-9 * nn * ss)
        return false;
    k = (nd * ss - ns * sd) / det;
    skew = (nn * sd - ns * nd) / det;
    return true;
}

bool gridResidualsOk(const Span &s, std::size_t from, std::size_t to, const Grid &g, double unit, double k,
                     double skew)
{
    for (std::size_t j = from; j < to; ++j) {
        const bool pulse = (j - from) % 2 == 0;
        const double nominal = g.runs[j - from] * unit * k;
        if (!near(s.v[j] - (pulse ? skew : -skew), nominal))
            return false;
    }
    return true;
}

// Skew from pulse+space pairs two slots long (one slot each).
double pairSkew(const Span &s, std::size_t from, std::size_t to, double slot)
{
    double sum = 0;
    int count = 0;
    for (std::size_t j = from; j + 1 < to; j += 2) {
        const double period = double(s.v[j]) + s.v[j + 1];
        if (period > 1.5 * slot && period < 2.5 * slot) {
            sum += (double(s.v[j]) - s.v[j + 1]) / 2;
            ++count;
        }
    }
    return count ? sum / count : 0;
}

// Fits the grid to values [from, to) starting from scale k, then checks it.
template <class Parse>
bool manchester(const Span &s, std::size_t from, std::size_t to, double unit, std::size_t lead,
                const std::vector<uint8_t> &fixedRuns, double k, Grid &g, Parse parse)
{
    double skew = pairSkew(s, from, to, unit * k);
    uint64_t last = ~uint64_t(0);
    for (int pass = 0; pass < 4; ++pass) {
        if (!toGrid(s, from, to, unit, k, skew, lead, fixedRuns, g))
            return false;
        uint64_t key = 0;
        if (!parse(g, key))
            return false;
        if (key == last)
            break;
        last = key;
        if (!fitGrid(s, from, to, g, unit, k, skew) || !scaleOk(k))
            return false;
    }
    return skewOk(skew, unit * k) && gridResidualsOk(s, from, to, g, unit, k, skew);
}

// Manchester pairs from slot `at` on: (first, second) half levels give a bit.
bool gridBits(const Grid &g, std::size_t at, int count, bool oneIsHighFirst, uint64_t &out)
{
    uint64_t v = 0;
    for (int b = 0; b < count; ++b) {
        const uint8_t a = g.level[at + 2 * b], c = g.level[at + 2 * b + 1];
        if (a == c)
            return false;
        v = v << 1 | uint64_t(oneIsHighFirst ? a : c);
    }
    out = v;
    return true;
}

struct Rc5Variant
{
    Protocol protocol;
    int bits;
    bool extraSpace;
};

bool decodeRc5(const Span &s, std::size_t i, const Rc5Variant &var, Hit &hit)
{
    if (s.v[i] > 2 * kRc5Half * kMaxScale + kMaxSkewUs)
        return false;
    const std::size_t extra = var.extraSpace ? 4 : 0;
    const double halves = 2 * var.bits + extra - 1.5; // first pulse start to last pulse end
    // Find where the frame ends: its length tells the scale.
    double sum = 0, k = 0;
    std::size_t end = 0;
    for (std::size_t j = i; j < s.n; j += 2) {
        sum += s.v[j];
        const double scale = sum / (halves * kRc5Half);
        if (scale > kMaxScale)
            return false;
        if (scale >= kMinScale && (j + 1 == s.n || s.v[j + 1] >= 4 * kRc5Half * scale)) {
            k = scale;
            end = j + 1;
            break;
        }
        if (j + 1 < s.n)
            sum += s.v[j + 1];
    }
    if (!end)
        return false;
    uint64_t bits = 0;
    Grid g;
    auto parse = [&](const Grid &grid, uint64_t &key) {
        // The start bit's first half is the silence before the frame.
        if (grid.slots != 2 * std::size_t(var.bits) + extra)
            return false;
        Grid plain = grid;
        if (var.extraSpace) {
            for (std::size_t l = 16; l < 20; ++l)
                if (grid.level[l])
                    return false;
            std::copy(grid.level + 20, grid.level + grid.slots, plain.level + 16);
            plain.slots -= 4;
        }
        if (!gridBits(plain, 0, var.bits, false, bits) || !(bits >> (var.bits - 1) & 1))
            return false;
        key = bits;
        return true;
    };
    if (!manchester(s, i, end, kRc5Half, 1, {}, k, g, parse))
        return false;
    if (!endsFrame(s, end, 6 * kRc5Half * k))
        return false;
    const int n = var.bits;
    const uint32_t field = bits >> (n - 2) & 1; // S2, an inverted command bit 6
    hit.toggle = int(bits >> (n - 3) & 1);
    if (var.protocol == Protocol::Rc5) {
        hit.scancode = uint32_t((bits >> 6) & 0x1f) << 8 | uint32_t(bits & 0x3f) | (field ? 0 : 0x40);
    } else if (var.protocol == Protocol::Rc5Sz) {
        hit.scancode = field << 13 | uint32_t(bits & 0xfff);
    } else {
        const uint32_t system = bits >> 12 & 0x1f, command = (bits >> 6 & 0x3f) | (field ? 0 : 0x40);
        hit.scancode = system << 16 | command << 8 | uint32_t(bits & 0x3f);
    }
    hit.protocol = var.protocol;
    hit.end = end;
    hit.scale = k;
    return true;
}

bool decodeRc6(const Span &s, std::size_t i, Hit &hit)
{
    if (i + 3 > s.n)
        return false;
    const double leader = double(s.v[i]) + s.v[i + 1];
    double k = leader / (8 * kRc6Unit);
    if (!scaleOk(k) || s.v[i] < 0.6 * leader || s.v[i] > 0.9 * leader)
        return false;
    // Inside a frame no space is longer than three units.
    std::size_t end = s.n;
    for (std::size_t j = i + 3; j < s.n; j += 2)
        if (s.v[j] >= 4.5 * kRc6Unit * k) {
            end = j;
            break;
        }
    int mode = -1, trailer = -1, dataBits = 0;
    uint64_t body = 0;
    Grid g;
    auto parse = [&](const Grid &grid, uint64_t &key) {
        // leader 6+2, start bit, mode (3), trailer (two-unit halves), data
        if (grid.slots < 20 + 2 * 16 || (grid.slots - 20) / 2 > 32)
            return false;
        for (std::size_t l = 0; l < 8; ++l)
            if (grid.level[l] != (l < 6))
                return false;
        uint64_t header = 0;
        if (!gridBits(grid, 8, 4, true, header) || !(header & 8))
            return false;
        const uint8_t *t = grid.level + 16;
        if (t[0] != t[1] || t[2] != t[3] || t[0] == t[2])
            return false;
        mode = int(header & 7);
        trailer = t[0];
        dataBits = int(grid.slots - 20) / 2;
        if (!gridBits(grid, 20, dataBits, true, body))
            return false;
        key = body << 8 | uint64_t(dataBits) << 1 | uint64_t(trailer);
        return true;
    };
    if (!manchester(s, i, end, kRc6Unit, 0, { 6, 2 }, k, g, parse))
        return false;
    if (!endsFrame(s, end, 6 * kRc6Unit * k))
        return false;
    uint64_t scancode = body;
    if (mode == 0 && dataBits == 16) {
        hit.protocol = Protocol::Rc6_0;
        hit.toggle = trailer;
    } else if (mode == 6 && trailer == 0 && dataBits == 20) {
        hit.protocol = Protocol::Rc6_6a20;
    } else if (mode == 6 && trailer == 0 && dataBits == 24) {
        hit.protocol = Protocol::Rc6_6a24;
    } else if (mode == 6 && trailer == 0 && dataBits == 32) {
        if ((scancode & kMceCustomerMask) == kMceCustomer) {
            hit.protocol = Protocol::Rc6Mce;
            hit.toggle = scancode & kMceToggle ? 1 : 0;
            scancode &= ~kMceToggle;
        } else {
            hit.protocol = Protocol::Rc6_6a32;
        }
    } else {
        return false;
    }
    hit.scancode = scancode;
    hit.end = end;
    hit.scale = k;
    return true;
}

constexpr Rc5Variant kRc5Variants[] = {
    { Protocol::Rc5, 14, false },
    { Protocol::Rc5Sz, 15, false },
    { Protocol::Rc5x20, 20, true },
};

// A full frame of any protocol at i.
bool decodeFrame(const Span &s, std::size_t i, Hit &hit)
{
    hit = Hit();
    if (decodeNec(s, i, hit) || decodeSanyo(s, i, hit) || decodeJvc(s, i, kJvc, 0, hit)
        || decodeSamsung(s, i, hit) || decodeKaseikyo(s, i, hit) || decodeRca(s, i, hit)
        || decodeSony(s, i, hit) || decodeRc6(s, i, hit) || decodeSharp(s, i, hit))
        return true;
    for (const Rc5Variant &var : kRc5Variants) {
        hit = Hit();
        if (decodeRc5(s, i, var, hit))
            return true;
    }
    return false;
}

// A repeat frame of the command already recognised.
bool decodeRepeat(const Span &s, std::size_t i, const Recognised &first, double scale, Hit &hit)
{
    hit = Hit();
    switch (first.protocol) {
    case Protocol::Nec:
    case Protocol::Necx:
    case Protocol::Nec32:
    case Protocol::Pioneer: // NEC at 40 kHz, as a few devices use it
        return readShortFrame(s, i, kNecRepeatSpace, hit);
    case Protocol::Sanyo:
    case Protocol::Nec42:
        // the kernel's sanyo repeat, or NEC's as 42-bit NEC remotes send it
        return readShortFrame(s, i, kSanyo.headerSpace, hit) || readShortFrame(s, i, kNecRepeatSpace, hit);
    case Protocol::Jvc:
        // without the header
        if (!decodeJvc(s, i, kJvcRepeat, scale, hit) || hit.scancode != first.scancode)
            return false;
        hit.repeat = true;
        return true;
    default:
        return false;
    }
}

} // namespace

const ProtocolInfo &protocolInfo(Protocol p)
{
    return kProtocols[std::size_t(p) < kProtocolCount ? std::size_t(p) : 0];
}

bool protocolFromName(std::string_view name, Protocol &out)
{
    auto skip = [](std::string_view s, std::size_t &at) {
        while (at < s.size() && (s[at] == ' ' || s[at] == '-' || s[at] == '_'))
            ++at;
    };
    for (std::size_t p = 0; p < kProtocolCount; ++p) {
        const std::string_view known = kProtocols[p].name;
        std::size_t a = 0, b = 0;
        bool same = true;
        while (true) {
            skip(name, a);
            skip(known, b);
            if (a == name.size() || b == known.size()) {
                same = a == name.size() && b == known.size();
                break;
            }
            char c = name[a];
            if (c >= 'A' && c <= 'Z')
                c = char(c - 'A' + 'a');
            if (c != known[b]) {
                same = false;
                break;
            }
            ++a;
            ++b;
        }
        if (same) {
            out = Protocol(p);
            return true;
        }
    }
    return false;
}

bool scancodeFits(Protocol p, uint64_t scancode)
{
    if (scancode & ~protocolInfo(p).scancodeMask)
        return false;
    if (p == Protocol::Rc6Mce)
        return (scancode & kMceCustomerMask) == kMceCustomer;
    return true;
}

std::string scancodeText(Protocol p, uint64_t scancode)
{
    static const char hex[] = "0123456789abcdef";
    char digits[16];
    int n = 0;
    do {
        digits[n++] = hex[scancode & 0xf];
        scancode >>= 4;
    } while (scancode);
    std::string out = protocolName(p);
    out += ":0x";
    while (n)
        out += digits[--n];
    return out;
}

namespace {

void necFrame(Waveform &w, uint32_t address, uint32_t notAddress, uint32_t command, uint32_t notCommand)
{
    pdHeader(w, kNec);
    pdBits(w, kNec, address | notAddress << 8 | command << 16 | notCommand << 24, 32);
    w.pulse(uint32_t(kNec.trailerPulse));
}

} // namespace

std::vector<uint32_t> encodeFrame(Protocol p, uint64_t sc, bool toggle)
{
    Waveform w;
    switch (p) {
    case Protocol::Nec:
    case Protocol::Necx:
    case Protocol::Nec32: {
        uint32_t address, notAddress, command = byteAt(sc, 0), notCommand = command ^ 0xff;
        if (p == Protocol::Nec) {
            address = byteAt(sc, 8);
            notAddress = address ^ 0xff;
        } else if (p == Protocol::Necx) {
            address = byteAt(sc, 16);
            notAddress = byteAt(sc, 8);
        } else {
            address = byteAt(sc, 16);
            notAddress = byteAt(sc, 24);
            notCommand = byteAt(sc, 8);
        }
        necFrame(w, address, notAddress, command, notCommand);
        break;
    }
    case Protocol::Pioneer: {
        if (sc > 0xffff) { // two frames, sc >> 16 first
            const std::vector<uint32_t> first = encodeFrame(Protocol::Pioneer, sc >> 16);
            uint64_t length = 0;
            for (std::size_t j = 0; j < first.size(); ++j) {
                w.level(j % 2 == 0, first[j]);
                length += first[j];
            }
            w.space(uint32_t(kPioneerPeriod - length));
        }
        const uint32_t address = byteAt(sc, 8), command = byteAt(sc, 0);
        necFrame(w, address, address ^ 0xff, command, command ^ 0xff);
        break;
    }
    case Protocol::Nec42:
        pdHeader(w, kSanyo);
        pdBits(w, kSanyo, (sc >> 16 & 0x3ffffff) | (sc & 0xffff) << 26, 42);
        w.pulse(uint32_t(kSanyo.trailerPulse));
        break;
    case Protocol::Rca: {
        const uint64_t address = (sc >> 8) & 0xf, command = sc & 0xff;
        pdHeader(w, kRca);
        pdBits(w, kRca, reversed(address << 20 | command << 12 | (address ^ 0xf) << 8 | (command ^ 0xff), 24),
               24);
        w.pulse(uint32_t(kRca.trailerPulse));
        break;
    }
    case Protocol::Kaseikyo:
        pdHeader(w, kPanasonic);
        // the manufacturer code low byte first, then the bytes as they stand
        pdBits(w, kPanasonic,
               (sc >> 32 & 0xffff) | uint64_t(byteAt(sc, 24)) << 16 | uint64_t(byteAt(sc, 16)) << 24
                   | uint64_t(byteAt(sc, 8)) << 32 | uint64_t(byteAt(sc, 0)) << 40,
               48);
        w.pulse(uint32_t(kPanasonic.trailerPulse));
        break;
    case Protocol::Sanyo: {
        const uint64_t address = (sc >> 8) & 0x1fff, command = sc & 0xff;
        pdHeader(w, kSanyo);
        pdBits(w, kSanyo, address | (address ^ 0x1fff) << 13 | command << 26 | (command ^ 0xff) << 34, 42);
        w.pulse(uint32_t(kSanyo.trailerPulse));
        break;
    }
    case Protocol::Jvc:
        pdHeader(w, kJvc);
        pdBits(w, kJvc, byteAt(sc, 8) | byteAt(sc, 0) << 8, 16);
        w.pulse(uint32_t(kJvc.trailerPulse));
        break;
    case Protocol::Samsung32:
        pdHeader(w, kSamsung);
        pdBits(w, kSamsung,
               byteAt(sc, 16) | byteAt(sc, 8) << 8 | byteAt(sc, 0) << 16 | (byteAt(sc, 0) ^ 0xff) << 24, 32);
        w.pulse(uint32_t(kSamsung.trailerPulse));
        break;
    case Protocol::Panasonic: {
        const uint64_t d = byteAt(sc, 16), s = byteAt(sc, 8), f = byteAt(sc, 0);
        pdHeader(w, kPanasonic);
        pdBits(w, kPanasonic, 0x2002 | d << 16 | s << 24 | f << 32 | (d ^ s ^ f) << 40, 48);
        w.pulse(uint32_t(kPanasonic.trailerPulse));
        break;
    }
    case Protocol::Sharp: {
        const uint64_t address = (sc >> 8) & 0x1f, command = sc & 0xff;
        pdBits(w, kSharp, address | command << 5 | 1 << 13, 15);
        w.pulse(uint32_t(kSharp.trailerPulse));
        w.space(kSharpEchoGap);
        pdBits(w, kSharp, address | (command ^ 0xff) << 5 | 2 << 13, 15);
        w.pulse(uint32_t(kSharp.trailerPulse));
        break;
    }
    case Protocol::Sony12:
    case Protocol::Sony15:
    case Protocol::Sony20:
        w.pulse(2400);
        w.space(600);
        sonyBits(w, sc, 7);
        if (p == Protocol::Sony12) {
            sonyBits(w, sc >> 16, 5);
        } else if (p == Protocol::Sony15) {
            sonyBits(w, sc >> 16, 8);
        } else {
            sonyBits(w, sc >> 16, 5);
            sonyBits(w, sc >> 8, 8);
        }
        break;
    case Protocol::Rc5:
    case Protocol::Rc5Sz:
    case Protocol::Rc5x20: {
        uint32_t field;
        if (p == Protocol::Rc5Sz)
            field = sc >> 13 & 1;
        else
            field = !(sc & (p == Protocol::Rc5 ? 0x40 : 0x4000));
        rc5Bits(w, 1, 1);
        rc5Bits(w, field, 1);
        rc5Bits(w, toggle, 1);
        if (p == Protocol::Rc5) {
            rc5Bits(w, sc >> 8, 5);
            rc5Bits(w, sc, 6);
        } else if (p == Protocol::Rc5Sz) {
            rc5Bits(w, sc >> 6, 6);
            rc5Bits(w, sc, 6);
        } else {
            rc5Bits(w, sc >> 16, 5);
            w.space(kRc5xSpace);
            rc5Bits(w, sc >> 8, 6);
            rc5Bits(w, sc, 6);
        }
        break;
    }
    case Protocol::Rc6_0:
    case Protocol::Rc6_6a20:
    case Protocol::Rc6_6a24:
    case Protocol::Rc6_6a32:
    case Protocol::Rc6Mce: {
        int bits = 32;
        uint32_t mode = 6;
        bool trailer = false;
        if (p == Protocol::Rc6_0) {
            bits = 16;
            mode = 0;
            trailer = toggle;
        } else if (p == Protocol::Rc6_6a20) {
            bits = 20;
        } else if (p == Protocol::Rc6_6a24) {
            bits = 24;
        } else if (p == Protocol::Rc6Mce) {
            sc = toggle ? sc | kMceToggle : sc & ~kMceToggle;
        }
        w.pulse(kRc6LeaderPulse);
        w.space(kRc6LeaderSpace);
        rc6Bits(w, 8 | mode, 4, kRc6Half);
        rc6Bits(w, trailer, 1, kRc6TrailerHalf);
        rc6Bits(w, sc, bits, kRc6Half);
        break;
    }
    }
    return w.take();
}

std::vector<uint32_t> encodeNecRepeat()
{
    return { uint32_t(kNec.headerPulse), kNecRepeatSpace, uint32_t(kNec.trailerPulse) };
}

std::optional<Recognised> recognise(const std::vector<uint32_t> &values, uint32_t carrierHz)
{
    const Span s{ values.data(), values.size(), carrierHz };
    if (s.n == 0 || s.n % 2 == 0)
        return std::nullopt;
    Recognised r;
    double scale = 1;
    std::size_t i = 0;
    while (true) {
        Hit hit;
        if (r.frames.empty()) {
            if (!decodeFrame(s, i, hit))
                return std::nullopt;
            r.protocol = hit.protocol;
            r.scancode = hit.scancode;
            r.toggle = hit.toggle;
            scale = hit.scale;
        } else if (!decodeRepeat(s, i, r, scale, hit)) {
            if (!decodeFrame(s, i, hit) || hit.protocol != r.protocol || hit.toggle != r.toggle)
                return std::nullopt;
            const bool pioneer = r.protocol == Protocol::Pioneer;
            if (pioneer && r.frames.size() == 1 && hit.scancode != r.scancode) {
                // the second frame of a two-frame command; a first frame 0x0000
                // has no scancode
                if (r.scancode == 0)
                    return std::nullopt;
                r.scancode = r.scancode << 16 | hit.scancode;
            } else if (hit.scancode != (pioneer ? r.scancode & 0xffff : r.scancode)) {
                return std::nullopt;
            }
        }
        r.frames.push_back({ i, hit.end, hit.repeat });
        if (hit.end >= s.n)
            break;
        i = hit.end + 1; // after the gap
        if (i >= s.n)
            return std::nullopt;
    }
    return r;
}

} // namespace lumo::ir
