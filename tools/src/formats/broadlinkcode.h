// Broadlink IR packets, as Broadlink's devices learn them and Home Assistant
// and SmartIR keep them: a type byte 0x26 (IR), a repeat count (the packet is
// sent that many times more), the length of what follows (16 bits, low byte
// first), then durations in ticks of 32.84 us, pulse first, one byte each
// or 0x00 and two bytes (high first) for longer ones. The packet carries no
// carrier. Written in base64 ("JgBQAAAB...", an optional "b64:" before it) or
// hex ("26005000..."), one per line with an optional "NAME:" first, or as
// the string values of a JSON object.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "ircodefile.h"

namespace lumo::ir {

constexpr uint32_t kBroadlinkTickCentiUs = 3284; // 32.84 us

// Whether text is meant as Broadlink packets: a JSON object, or a first line
// whose code is one base64 or hex word starting with the IR type byte.
bool looksLikeBroadlink(std::string_view text);

// Reads the packets: one code per line, or per string in a JSON object. A
// SmartIR code set's "commands" object is read alone, its nested names
// joined by '.' ("cool.low.16"); other JSON objects must hold packets only
// (or objects of them). A packet's repeats are copies of its values, its
// last space the gap between them (kDefaultRepeatGapUs when it has none).
bool readBroadlink(std::string_view text, std::vector<Code> &codes, std::string &error);

} // namespace lumo::ir
