// Infrared remote-control protocols: their names and scancode layouts as
// ir-ctl (v4l-utils) and the kernel's rc-core use them, an encoder, and a
// recogniser that tells which command a recorded signal holds.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace lumo::ir {

enum class Protocol : uint8_t {
    Nec,
    Necx,
    Nec32,
    Rc5,
    Rc5x20,
    Rc5Sz,
    Rc6_0,
    Rc6_6a20,
    Rc6_6a24,
    Rc6_6a32,
    Rc6Mce,
    Sony12,
    Sony15,
    Sony20,
    Jvc,
    Sanyo,
    Sharp,
    Samsung32,
    Panasonic,
};
constexpr std::size_t kProtocolCount = 19;

// Protocols whose frames carry a toggle bit that a remote flips between key
// presses (the same value in every frame while a key is held).
enum class ToggleFamily : uint8_t { None, Rc5, Rc6 };

struct ProtocolInfo
{
    const char *name;      // ir-ctl's name; samsung32 and panasonic are ours
    uint64_t scancodeMask; // bits a scancode may use
    uint32_t carrierHz;    // what the protocol is sent on
    ToggleFamily toggle;
};

const ProtocolInfo &protocolInfo(Protocol p);
inline const char *protocolName(Protocol p)
{
    return protocolInfo(p).name;
}

// Finds a protocol by name as ir-ctl does: case is ignored and so are ' ',
// '-' and '_' ("RC-5" and "rc_6_mce" match).
bool protocolFromName(std::string_view name, Protocol &out);

// Whether scancode can be sent as p: no bits outside the protocol's mask, and
// rc6_mce needs the 0x800f customer code that names it (ir-ctl's rule).
bool scancodeFits(Protocol p, uint64_t scancode);

// "rc5:0x1e0c": protocol name and scancode in lower-case hex.
std::string scancodeText(Protocol p, uint64_t scancode);

// One frame of p for scancode (scancodeFits(p, scancode) must hold), in
// microseconds, pulse first and last. Timed exactly as ir-ctl 1.22 sends it,
// except sharp, which follows the kernel (bit periods of 1 and 2 ms; ir-ctl
// sends 1.32 and 2.32 ms); a sharp frame holds the message and its echo, 40 ms
// apart. toggle sets the toggle bit of rc5, rc5x_20, rc5_sz, rc6_0 and rc6_mce
// and is ignored by the others.
std::vector<uint32_t> encodeFrame(Protocol p, uint64_t scancode, bool toggle = false);

// NEC's "key still held" frame: 9000 pulse, 2250 space, 563 pulse.
std::vector<uint32_t> encodeNecRepeat();

struct FrameSpan
{
    std::size_t begin = 0, end = 0; // values[begin, end) start and end with a pulse
    bool repeat = false;            // a protocol's "still held" frame (nec, sanyo, jvc)
};

struct Recognised
{
    Protocol protocol = Protocol::Nec;
    uint64_t scancode = 0;         // toggle bit excluded, as the kernel reports it
    int toggle = -1;               // 0 or 1; -1 for protocols without one
    std::vector<FrameSpan> frames; // every frame, in order; the spaces between are gaps
};

// Tells which command values (pulse, space, ..., pulse in microseconds) hold.
// Every frame must decode, all to the same command (a protocol's repeat frames
// may follow the first), with nothing left over; anything else (noise, a
// glitch, two different commands, an unknown protocol) gives nullopt and the
// signal counts as raw. Accepts a remote's clock off by up to +-20 %, each
// value off by a few per cent more, and a demodulator's skew (pulses longer,
// spaces shorter, or the reverse) of up to about 200 us; pulse-distance
// protocols (nec, jvc, sanyo, sharp, samsung32, panasonic) and sony also take
// every value off by up to +-20 % on its own. Runs in microseconds.
std::optional<Recognised> recognise(const std::vector<uint32_t> &values);

} // namespace lumo::ir
