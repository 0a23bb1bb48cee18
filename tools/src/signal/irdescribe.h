// Short texts telling what a signal holds: irplay.exe --describe's line, the
// recorder's "decoded" comment and the main window's button tooltips. Plain
// C++, no I/O.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "irsignal.h"

namespace lumo::ir {

// "decoded rc5:0x1e0c" when recognise() knows the signal, else "". The
// recorder writes it as a header comment ("# decoded rc5:0x1e0c").
std::string decodedComment(const Signal &s);

// The line irplay.exe --describe prints:
//   "rc5:0x1e0c carrier 36000"    recognised; the carrier that would be sent
//                                 (the file's, else the protocol's)
//   "raw 2 frames 135.2 ms"       anything else: frames (split at spaces of
//                                 kFrameGapUs or more) and length, plus
//                                 " carrier N" when the file has one
std::string describeLine(const Signal &s);
// The same for a signal recognise() has already read as r (nullopt: as none).
std::string describeLine(const Signal &s, const std::optional<Recognised> &r);

// A button's tooltip for the text of its signal file: "rc5:0x1e0c, 36 kHz"
// (the carrier that would be sent, in kHz with at most one decimal, e.g.
// "36.7 kHz") when the signal is recognised, else "recorded signal" (also for
// text that does not read as a signal). Throws nothing but std::bad_alloc.
std::string tooltipText(std::string_view fileText);
// The tooltip for signal s as its file holds it, which recognise() has
// already read as r (nullopt: as none).
std::string tooltipText(const Signal &s, const std::optional<Recognised> &r);

} // namespace lumo::ir
