// Inside the protocol layer: the timings the encoder and the decoders share,
// how well measured values fit a timing, and the decoders of one frame each
// protocol family has (irdecode_pulse.cpp: pulse-distance and sony;
// irdecode_manchester.cpp: rc5 and rc6). recognise() in irprotocol.cpp runs
// them all on every frame and keeps the one that fits clearly best.
#pragma once

#include <cstddef>
#include <cstdint>

#include "irprotocol.h"

namespace lumo::ir::detail {

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
constexpr PdTiming kSanyo{ 9000, 4500, 563, 563, 1688, 563, 4000, 42 }; // and nec42
constexpr PdTiming kJvc{ 8400, 4200, 525, 525, 1575, 525, 4000, 16 };
constexpr PdTiming kJvcRepeat{ 0, 0, 525, 525, 1575, 525, 4000, 16 };
constexpr PdTiming kSamsung{ 4500, 4500, 560, 560, 1690, 560, 4000, 32 };
constexpr PdTiming kKaseikyo{ 3456, 1728, 432, 432, 1296, 432, 4000, 48 }; // and panasonic
// RCA (IRP {58k,460,msb}<1,-2|1,-4>(8,-8,D:4,F:8,~D:4,~F:8,1,-16)), bits MSB first.
constexpr PdTiming kRca{ 3680, 3680, 460, 920, 1840, 460, 4000, 24 };
// The kernel's sharp timing: 320 us pulses in bit periods of 1 and 2 ms.
constexpr PdTiming kSharp{ 0, 0, 320, 680, 1680, 320, 4000, 15 };
constexpr uint32_t kSharpEchoGap = 40000;
constexpr uint32_t kNecRepeatSpace = 2250;
constexpr uint16_t kPanasonicMaker = 0x2002;
// Pioneer's 40 kHz against NEC's 38 kHz.
constexpr uint32_t kPioneerMinHz = 39000;
constexpr uint32_t kPioneerMaxHz = 42000;

constexpr double kSonyUnit = 600;
constexpr double kRc5Half = 889;      // ir-ctl's rounding of 888.9
constexpr double kRc6Unit = 444.444;  // ir-ctl sends 444, 888, 889, 1333, 2667
constexpr uint32_t kRc5xSpace = 3556; // four RC-5 half bits
constexpr uint32_t kRc6LeaderPulse = 2667;
constexpr uint32_t kRc6LeaderSpace = 889;
constexpr uint32_t kRc6Half = 444;
constexpr uint32_t kRc6TrailerHalf = 889;

constexpr uint64_t kMceCustomerMask = 0xffff0000;
constexpr uint64_t kMceCustomer = 0x800f0000;
constexpr uint64_t kMceToggle = 0x8000;

// ---- tolerance --------------------------------------------------------------

// A remote's clock may run this much slow or fast.
constexpr double kMinScale = 0.72;
constexpr double kMaxScale = 1.32;
// Longest pulse/space skew taken from a demodulator.
constexpr double kMaxSkewUs = 250;

inline bool scaleOk(double k)
{
    return k >= kMinScale && k <= kMaxScale;
}

inline bool skewOk(double skew, double shortestPulse)
{
    return (skew < 0 ? -skew : skew) <= (kMaxSkewUs < 0.9 * shortestPulse ? kMaxSkewUs : 0.9 * shortestPulse);
}

// How well measured values fit what a decoder expects of them. Each must be
// within a quarter of what is expected plus 40 us; the score is the mean
// square of the errors in those units (0: exact, 1: every value at the edge).
class Fit
{
public:
    // Whether measured is near enough to expected (within that share of the
    // tolerance); counts it either way.
    bool near(double measured, double expected, double share = 1)
    {
        const double r = (measured - expected) / (0.25 * expected + 40);
        m_sum += r * r;
        ++m_count;
        return r >= -share && r <= share;
    }
    double score() const { return m_count ? m_sum / m_count : 0; }

private:
    double m_sum = 0;
    int m_count = 0;
};

// ---- frames -------------------------------------------------------------------

struct Span
{
    const uint32_t *v;
    std::size_t n;
    uint32_t carrierHz; // 0: not known
};

// One frame a decoder found.
struct Hit
{
    Protocol protocol = Protocol::Nec;
    uint64_t scancode = 0;
    int toggle = -1;
    bool repeat = false;
    std::size_t end = 0; // index after the frame's last pulse
    double scale = 1;    // the remote's clock against the nominal timing
    double score = 0;    // Fit::score() of the frame
};

// Whether a frame ending before values[end] is followed by a gap of at least
// minGap (or by nothing).
inline bool endsFrame(const Span &s, std::size_t end, double minGap)
{
    return end == s.n || (end < s.n && s.v[end] >= minGap);
}

// Pulse-distance and sony frames at s.v[i]: true with hit filled when one is
// there (its score set). decodeNec also names pioneer (by the carrier),
// decodeSanyo nec42, decodeKaseikyo panasonic. decodeJvc with kJvcRepeat
// reads a headerless repeat, with scaleHint from the first frame.
bool decodeNec(const Span &s, std::size_t i, Hit &hit);
bool decodeSanyo(const Span &s, std::size_t i, Hit &hit);
bool decodeJvc(const Span &s, std::size_t i, const PdTiming &t, double scaleHint, Hit &hit);
bool decodeSamsung(const Span &s, std::size_t i, Hit &hit);
bool decodeKaseikyo(const Span &s, std::size_t i, Hit &hit);
bool decodeRca(const Span &s, std::size_t i, Hit &hit);
bool decodeSharp(const Span &s, std::size_t i, Hit &hit);
bool decodeSony(const Span &s, std::size_t i, Hit &hit);
// A frame of three values, header pulse, space, one pulse: NEC's (headerSpace
// kNecRepeatSpace) and sanyo's (4500) "still held".
bool readShortFrame(const Span &s, std::size_t i, double headerSpace, Hit &hit);

// Manchester frames at s.v[i]: rc5, rc5_sz and rc5x_20 (variant 0, 1, 2 of
// decodeRc5), and the rc6 family.
constexpr std::size_t kRc5VariantCount = 3;
bool decodeRc5(const Span &s, std::size_t i, std::size_t variant, Hit &hit);
bool decodeRc6(const Span &s, std::size_t i, Hit &hit);

// Bits [from, from + count) of bits.
inline uint32_t bitsAt(uint64_t bits, int from, int count)
{
    return uint32_t((bits >> from) & ((uint64_t(1) << count) - 1));
}

} // namespace lumo::ir::detail
