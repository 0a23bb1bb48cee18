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

// Scancode layouts, bits from the most significant (tools/README.md has the
// same table with each protocol's carrier and repeats).
enum class Protocol : uint8_t {
    Nec,       // 0xAACC: address, command; each sent with its inverse
    Necx,      // 0xAAaaCC: address, second address byte (not its inverse), command
    Nec32,     // 0xaaAAccCC: the kernel's layout of the 32 bits, for what is neither
    Rc5,       // 0xSSCC: system (5) << 8, command (7; bit 6 the inverted field bit)
    Rc5x20,    // 0xSSCCXX: system (5) << 16, command (7) << 8, extension (6)
    Rc5Sz,     // 0x2fff: field bit 13, system (6) << 6, command (6)
    Rc6_0,     // 0xAACC: the 16 data bits
    Rc6_6a20,  // the 20 data bits
    Rc6_6a24,  // the 24 data bits
    Rc6_6a32,  // the 32 data bits, customer code (top 16) not 0x800f
    Rc6Mce,    // 0x800fXXXX: the 32 data bits without the toggle bit 15
    Sony12,    // 0xDD00CC: device (5) << 16, command (7)
    Sony15,    // 0xDD00CC: device (8) << 16, command (7)
    Sony20,    // 0xDDEECC: device (5) << 16, extension (8) << 8, command (7)
    Jvc,       // 0xAACC: address, command
    Sanyo,     // 0xAAAACC: address (13) << 8, command (8); each sent with its inverse
    Sharp,     // 0xACC: address (5) << 8, command (8)
    Samsung32, // 0xDDSSFF: device, subdevice, function (sent with its inverse)
    Panasonic, // 0xDDSSFF: Kaseikyo with manufacturer 0x2002; device, subdevice, function
    // 0xAAAAAAACCCC: the 42 bits of an NEC frame with a 13-bit address: the
    // first 26 bits sent (address, then what is the inverse address in a
    // checked frame) << 16, the last 16 (command, then its inverse); the LSB of
    // each field is sent first. A frame whose inverses check is a sanyo frame
    // and is recognised as sanyo.
    Nec42,
    // 0xAACC: address, command, each sent with its inverse: NEC's frame on
    // 40 kHz. Two-frame commands 0xAACCaacc: the first frame's address and
    // command << 16, the second's (a first frame 0x0000 cannot be written).
    Pioneer,
    // 0xACC: address (4) << 8, command (8); sent most significant bit first,
    // then both inverted.
    Rca,
    // 0xMMMMDDSSFFCC: the 48 bits of a Kaseikyo frame: manufacturer code (16;
    // 0x2002 is Panasonic), then the four bytes after it as sent (each sent
    // LSB first). A 0x2002 frame whose last byte is DD ^ SS ^ FF is
    // recognised as panasonic.
    Kaseikyo,
};
constexpr std::size_t kProtocolCount = 23;

// Protocols whose frames carry a toggle bit that a remote flips between key
// presses (the same value in every frame while a key is held).
enum class ToggleFamily : uint8_t { None, Rc5, Rc6 };

struct ProtocolInfo
{
    const char *name;      // ir-ctl's name; samsung32, panasonic and the last four are ours
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

// The count low bits of v in reverse order: a field sent (or written)
// least significant bit first.
inline uint64_t reversedBits(uint64_t v, int count)
{
    uint64_t out = 0;
    for (int b = 0; b < count; ++b)
        out |= (v >> b & 1) << (count - 1 - b);
    return out;
}

// One frame of p for scancode (scancodeFits(p, scancode) must hold), in
// microseconds, pulse first and last. Timed exactly as ir-ctl 1.22 sends it,
// except sharp, which follows the kernel (bit periods of 1 and 2 ms; ir-ctl
// sends 1.32 and 2.32 ms); a sharp frame holds the message and its echo, 40 ms
// apart; a two-frame pioneer command holds both frames, 108 ms from start to
// start. toggle sets the toggle bit of rc5, rc5x_20, rc5_sz, rc6_0 and rc6_mce
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
    std::vector<FrameSpan> frames; // every frame, in order; what lies between is a gap (a space, or a
                                   // space cut by a blip)
};

// Tells which command values (pulse, space, ..., pulse in microseconds) hold.
// Every frame must decode, all to the same command (a protocol's repeat frames
// may follow the first; a two-frame pioneer command's second frame and its
// repeats follow its first), with nothing left over; anything else (noise, two
// different commands, an unknown protocol, a frame two protocols or two codes
// fit about as well) gives nullopt and the signal counts as raw. Every
// protocol's decoder reads each frame and the clearly best fit is kept.
// Accepts a remote's clock off by up to +-20 %, a demodulator's skew (pulses
// longer, spaces shorter, or the reverse) of up to about 200 us, each value
// off by up to +-20 % on its own, and one glitch per frame (a blip of up to
// 250 us in a space or in the gap before the frame, a dropout as short in a
// pulse) when only one reading of the mended frame fits. carrierHz is the
// carrier the signal was measured on (0: not known); it alone tells pioneer
// (39 to 42 kHz) from nec, whose frames are the same. Runs in microseconds.
std::optional<Recognised> recognise(const std::vector<uint32_t> &values, uint32_t carrierHz = 0);

} // namespace lumo::ir
