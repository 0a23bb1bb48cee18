// lircd.conf remotes, as LIRC's irrecord writes them and its remote database
// holds them: "begin remote" ... "end remote", with "begin codes" (NAME and
// the code's value, or several values sent one after another) or "begin
// raw_codes" ("name NAME" and durations in microseconds).
//
// Read: bits, flags, header, one, zero, plead, ptrail, foot, pre, post,
// pre_data_bits/pre_data, post_data_bits/post_data, gap, repeat_gap, repeat,
// min_repeat, toggle_bit_mask (and the older toggle_bit), rc6_mask,
// frequency; eps, aeps, duty_cycle and LIRC's receive-only settings are left
// alone. Flags read: SPACE_ENC (also the default), RC5 / SHIFT_ENC, RC6,
// RAW_CODES, CONST_LENGTH, REVERSE, NO_HEAD_REP, NO_FOOT_REP, REPEAT_HEADER;
// the others (SPACE_FIRST, RCMM, XMP, GOLDSTAR, GRUNDIG, BO, SERIAL, ...)
// encode in ways this reader does not, and refuse the file naming the line.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "ircodefile.h"

namespace lumo::ir {

// Whether text is meant as lircd.conf: its first line that is not blank or
// a comment is "begin remote".
bool looksLikeLircd(std::string_view text);

// Reads every code of every remote as LIRC would send one press: the code
// (header, plead, pre_data, pre, the bits, post, post_data, ptrail, foot),
// then min_repeat repeats (the "repeat" burst when the remote has one, else
// the code again as NO_HEAD_REP / NO_FOOT_REP say), with gap (or
// repeat_gap) between, counted from the start of a code with CONST_LENGTH;
// toggle bits sent as 0, as LIRC does the first time. With several remotes
// in the file the names are "REMOTE.NAME".
bool readLircd(std::string_view text, std::vector<Code> &codes, std::string &error);

} // namespace lumo::ir
