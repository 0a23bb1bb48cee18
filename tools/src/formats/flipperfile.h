// Flipper Zero .ir files: "Filetype: IR signals file" (a remote) or "IR
// library file" (a universal remote's library), "Version: 1", then one block
// per signal, "name:" first, either
//   type: parsed / protocol: NEC / address: 07 00 00 00 / command: 02 00 00 00
// (address and command as 4 little-endian hex bytes) or
//   type: raw / frequency: 38000 / duty_cycle: 0.330000 / data: 9024 4512 ...
// (microseconds, pulse first). The writer is writeFlipper() in ircodefile.h.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "ircodefile.h"

namespace lumo::ir {

// Whether text is meant as a Flipper file: its first line that is not blank
// starts with "Filetype:".
bool looksLikeFlipper(std::string_view text);

// Reads every signal of a Flipper file into codes (in file order; names as
// the file has them, made unique by finishCodes()). A parsed signal becomes
// its command on our protocol (its fields mapped bit for bit onto our
// scancode layouts), a raw one the values as they are. On failure returns
// false with error "line N: ...".
bool readFlipper(std::string_view text, std::vector<Code> &codes, std::string &error);

// A parsed signal as Flipper writes it.
struct FlipperMessage
{
    const char *protocol = ""; // Flipper's name: "NEC", "NECext", "Samsung32", ...
    uint32_t address = 0;
    uint32_t command = 0;
};

// The parsed signal Flipper sends command as, or nullopt when Flipper has no
// protocol for it (the code is then written raw).
std::optional<FlipperMessage> flipperMessage(const Command &command);

} // namespace lumo::ir
