// IR signal in memory plus its text form (the mode2 text ir-ctl --send reads).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "irprotocol.h"
#include "irtext.h"

namespace lumo::ir {

// One frame may hold at most this many pulse/space values: that is what a
// LIRC device takes in a single write.
constexpr std::size_t kMaxValuesPerFrame = 1024;
// Whole signal limits (a held button or a noisy room must not run forever).
constexpr std::size_t kMaxValues = 8192;
constexpr uint64_t kMaxSignalUs = 10'000'000;
// A space at least this long separates two frames.
constexpr uint32_t kFrameGapUs = 20'000;
// Largest duration a LIRC sample can carry (24 bits).
constexpr uint32_t kMaxValueUs = 0xFFFFFF;
constexpr uint32_t kMinCarrierHz = 10'000;
// What a signal without a carrier of its own is sent on (and written as).
constexpr uint32_t kDefaultCarrierHz = 38'000;
constexpr uint32_t kMaxCarrierHz = 1'000'000;
constexpr std::size_t kMaxFileBytes = 1 << 20;
// No device sends a single pulse longer than this in one go.
constexpr uint32_t kMaxPulseUs = 500'000;
// The space ir-ctl puts between a scancode and the pulse before it.
constexpr uint32_t kScancodeGapUs = 125'000;

struct Signal
{
    uint32_t carrier = 0;         // Hz, 0 = not known
    std::vector<uint32_t> values; // pulse, space, pulse, ... (odd count)

    uint64_t durationUs() const;
    std::size_t frameCount() const;
};

// Reads the text form as ir-ctl --send does: "pulse N", "space N", ir-ctl's
// "+N -N" form (sign optional), blank lines and '#' comments, CRLF line ends;
// one "carrier N" anywhere (again only with the same value); "timeout N" as a
// space (ignored before the first pulse, added to a space before it, dropped
// at the end); "scancode PROTOCOL:VALUE" encoded with encodeFrame() (toggle 0)
// and setting the protocol's carrier, with kScancodeGapUs before it when a
// pulse precedes it. On failure returns false and sets error to
// "line N: what is wrong".
bool parseSignal(std::string_view text, Signal &out, std::string &error);

// How parseScancodeValue() reads the number of a scancode.
enum class ScancodeForm {
    Strtoull, // as strtoull(..., 0) reads it: an optional '+', 0x hex, a leading 0 for octal, else decimal
    Typed,    // as people type one: 0x hex, hex when a-f is among its digits ("40bf"), else
              // decimal ("010" is ten)
};
// A scancode's number in form, 64 bits at most (nothing else, no blanks);
// false, value unchanged, for anything else.
bool parseScancodeValue(std::string_view text, ScancodeForm form, uint64_t &value);

// Reads "PROTOCOL:VALUE" of a scancode line: a protocol name as
// protocolFromName() takes it, VALUE in the Strtoull form (as ir-ctl -S reads
// it), and the scancode must fit the protocol. On failure sets error (without
// a line number).
bool parseScancodeWord(std::string_view word, Protocol &protocol, uint64_t &scancode, std::string &error);

// Checks what both the parser and the recorder promise: odd count, starts and
// ends with a pulse, no zero, no value above kMaxValueUs, frame and total
// limits, plausible carrier.
bool checkSignal(const Signal &s, std::string &error);

// The mode2 text: each header line becomes a '#' comment, then "carrier N"
// (when known) and one "pulse N" / "space N" line per value.
std::string formatSignal(const Signal &s, const std::vector<std::string> &header);

// One line in ir-ctl's compact form: "+9000 -4500 +560".
std::string formatCompact(const std::vector<uint32_t> &values);

} // namespace lumo::ir
