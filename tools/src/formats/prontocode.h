// Pronto hex: words of four hex digits. The first tells the form, the second
// the carrier (its period in units of 0.241246 us), the third and fourth how
// many burst pairs follow once (the intro) and how many repeat while a key is
// held; durations count carrier periods.
//   0000  learned, modulated            0100  learned, unmodulated
//   5000  RC5: system, command          5001  RC5x: system, command, data, 0
//   6000  RC6 mode 0: address, command  900A  NEC: device and subdevice,
//                                             command and its inverse (bytes)
// The writer is writePronto() in ircodefile.h.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "ircodefile.h"

namespace lumo::ir {

// Pronto's time unit, in millionths of a microsecond (0.241246 us).
constexpr uint64_t kProntoUnitPicoseconds = 241'246;

// Whether text is meant as Pronto hex: its first code's words are four hex
// digits each, the first a known form, and the counts match its length.
bool looksLikePronto(std::string_view text);

// Reads one or more Pronto codes. A code may span lines; each line starting
// a code may name it first ("Power: 0000 006D ..." or "Power 0000 006D ...").
// A learned code is its intro followed by one copy of its repeat part (the
// part alone when the intro is empty); the protocol forms become our
// protocols' commands. The carrier is rounded to 100 Hz (the unit allows no
// finer reading); 0100 codes have no carrier (0, the sender's default).
bool readPronto(std::string_view text, std::vector<Code> &codes, std::string &error);

} // namespace lumo::ir
