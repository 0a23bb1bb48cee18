// Protocol names and layouts, the encoder, and recognise(): every decoder (see
// irdecode.h) on every frame, the clearest fit kept, a glitch mended.
#include "irprotocol.h"

#include <algorithm>
#include <iterator>

#include "irdecode.h"
#include "irtext.h"

namespace lumo::ir {

using namespace detail;

namespace {

// A two-frame pioneer command: frame start to frame start.
constexpr uint32_t kPioneerPeriod = 108000;

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

// ---- recognition --------------------------------------------------------------

// A frame that fits two readings about as well is ambiguous: the best must
// fit at least this much better (mean squared errors) than any other.
constexpr double kClearRatio = 2;
constexpr double kClearMargin = 0.05;
// A glitch: a pulse inside a space, or a space inside a pulse, this short.
constexpr uint32_t kMaxGlitchUs = 250;
// More values than any frame holds (kaseikyo: 99), a glitch's two and a gap.
constexpr std::size_t kMaxFrameValues = 104;

bool sameReading(const Hit &a, const Hit &b)
{
    return a.protocol == b.protocol && a.scancode == b.scancode && a.toggle == b.toggle && a.end == b.end;
}

// A full frame of any protocol at i: every decoder reads it, the best fit is
// kept, unless another reading fits nearly as well.
bool decodeFrame(const Span &s, std::size_t i, Hit &hit)
{
    using Decoder = bool (*)(const Span &, std::size_t, Hit &);
    static constexpr Decoder kDecoders[] = {
        decodeNec,
        decodeSanyo,
        [](const Span &s, std::size_t i, Hit &hit) { return decodeJvc(s, i, kJvc, 0, hit); },
        decodeSamsung,
        decodeKaseikyo,
        decodeRca,
        decodeSony,
        decodeSharp,
        decodeRc6,
    };
    // One hit a decoder, then one an rc5 variant.
    Hit hits[std::size(kDecoders) + kRc5VariantCount];
    std::size_t count = 0;
    auto tryDecoder = [&](bool found) {
        if (found)
            ++count;
        else
            hits[count] = Hit();
    };
    for (Decoder decode : kDecoders)
        tryDecoder(decode(s, i, hits[count]));
    for (std::size_t variant = 0; variant < kRc5VariantCount; ++variant)
        tryDecoder(decodeRc5(s, i, variant, hits[count]));
    if (!count)
        return false;
    std::size_t best = 0;
    for (std::size_t h = 1; h < count; ++h)
        if (hits[h].score < hits[best].score)
            best = h;
    for (std::size_t h = 0; h < count; ++h)
        if (h != best && !sameReading(hits[h], hits[best])
            && hits[h].score < kClearRatio * hits[best].score + kClearMargin)
            return false;
    hit = hits[best];
    return true;
}

// A full frame at i read as protocol p's family only (for the frames after
// the first: which protocol it is was settled there).
bool decodeAs(const Span &s, std::size_t i, Protocol p, Hit &hit)
{
    hit = Hit();
    switch (p) {
    case Protocol::Nec:
    case Protocol::Necx:
    case Protocol::Nec32:
    case Protocol::Pioneer:
        return decodeNec(s, i, hit);
    case Protocol::Sanyo:
    case Protocol::Nec42:
        return decodeSanyo(s, i, hit);
    case Protocol::Jvc:
        return decodeJvc(s, i, kJvc, 0, hit);
    case Protocol::Samsung32:
        return decodeSamsung(s, i, hit);
    case Protocol::Panasonic:
    case Protocol::Kaseikyo:
        return decodeKaseikyo(s, i, hit);
    case Protocol::Rca:
        return decodeRca(s, i, hit);
    case Protocol::Sharp:
        return decodeSharp(s, i, hit);
    case Protocol::Sony12:
    case Protocol::Sony15:
    case Protocol::Sony20:
        return decodeSony(s, i, hit);
    case Protocol::Rc6_0:
    case Protocol::Rc6_6a20:
    case Protocol::Rc6_6a24:
    case Protocol::Rc6_6a32:
    case Protocol::Rc6Mce:
        return decodeRc6(s, i, hit);
    case Protocol::Rc5:
        return decodeRc5(s, i, 0, hit);
    case Protocol::Rc5Sz:
        return decodeRc5(s, i, 1, hit);
    case Protocol::Rc5x20:
        return decodeRc5(s, i, 2, hit);
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

// Whether hit, a full frame after r's frames, carries on r's command: the
// same command again, or a two-frame pioneer command's second frame (a
// first frame 0x0000 has no scancode) and its repeats.
bool continues(const Recognised &r, const Hit &hit)
{
    if (hit.protocol != r.protocol || hit.toggle != r.toggle)
        return false;
    if (r.protocol != Protocol::Pioneer)
        return hit.scancode == r.scancode;
    if (r.frames.size() == 1 && r.scancode <= 0xffff)
        return hit.scancode == r.scancode || r.scancode != 0;
    return hit.scancode == (r.scancode & 0xffff);
}

// The frame at i: the first one (of any protocol), or one that carries on r.
bool readFrame(const Span &s, std::size_t i, const Recognised &r, double scale, Hit &hit)
{
    if (r.frames.empty())
        return decodeFrame(s, i, hit);
    if (decodeRepeat(s, i, r, scale, hit))
        return true;
    return decodeAs(s, i, r.protocol, hit) && continues(r, hit);
}

// The frame at i read with one glitch mended: a value of at most
// kMaxGlitchUs merged with its neighbours into one (a blip in a space, a
// dropout in a pulse). Every such value is tried; all that give a frame must
// agree on it, else the frame is ambiguous.
bool readMended(const Span &s, std::size_t i, const Recognised &r, double scale, Hit &hit)
{
    const std::size_t to = std::min(s.n, i + kMaxFrameValues + 1);
    uint32_t copy[kMaxFrameValues + 1];
    bool any = false;
    for (std::size_t j = i + 1; j + 1 < to; ++j) {
        if (s.v[j] > kMaxGlitchUs)
            continue;
        std::size_t n = 0;
        for (std::size_t at = i; at < to; ++at)
            if (at == j || at == j + 1)
                copy[n - 1] += s.v[at];
            else
                copy[n++] = s.v[at];
        const Span mended{ copy, n, s.carrierHz };
        const std::size_t merged = j - 1 - i; // where the three values went
        Hit h;
        // the mended value must be inside the frame, and what follows seen
        if (!readFrame(mended, 0, r, scale, h) || h.end <= merged || (h.end == n && to < s.n))
            continue;
        h.end += i + 2;
        if (any && !sameReading(h, hit))
            return false;
        hit = h;
        any = true;
    }
    return any;
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
            if (lowerAscii(name[a]) != known[b]) {
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
    return protocolName(p) + std::string(":0x") + hexText(scancode);
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
        pdBits(w, kRca,
               reversedBits(address << 20 | command << 12 | (address ^ 0xf) << 8 | (command ^ 0xff), 24), 24);
        w.pulse(uint32_t(kRca.trailerPulse));
        break;
    }
    case Protocol::Kaseikyo:
        pdHeader(w, kKaseikyo);
        // the manufacturer code low byte first, then the bytes as they stand
        pdBits(w, kKaseikyo,
               (sc >> 32 & 0xffff) | uint64_t(byteAt(sc, 24)) << 16 | uint64_t(byteAt(sc, 16)) << 24
                   | uint64_t(byteAt(sc, 8)) << 32 | uint64_t(byteAt(sc, 0)) << 40,
               48);
        w.pulse(uint32_t(kKaseikyo.trailerPulse));
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
        pdHeader(w, kKaseikyo);
        pdBits(w, kKaseikyo, 0x2002 | d << 16 | s << 24 | f << 32 | (d ^ s ^ f) << 40, 48);
        w.pulse(uint32_t(kKaseikyo.trailerPulse));
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
        if (!readFrame(s, i, r, scale, hit) && !readMended(s, i, r, scale, hit)) {
            // a blip in the gap before this frame: the gap goes on after it
            if (r.frames.empty() || s.v[i] > kMaxGlitchUs || i + 2 >= s.n)
                return std::nullopt;
            i += 2;
            if (!readFrame(s, i, r, scale, hit) && !readMended(s, i, r, scale, hit))
                return std::nullopt;
        }
        if (r.frames.empty()) {
            r.protocol = hit.protocol;
            r.scancode = hit.scancode;
            r.toggle = hit.toggle;
            scale = hit.scale;
        } else if (r.protocol == Protocol::Pioneer && !hit.repeat && r.frames.size() == 1
                   && r.scancode <= 0xffff && hit.scancode != r.scancode) {
            r.scancode = r.scancode << 16 | hit.scancode; // a two-frame command
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
