// Global Cache "sendir" lines, as their iTach and GC-100 devices take them:
//   sendir,MODULE:CONNECTOR,ID,FREQUENCY,REPEAT,OFFSET,ON1,OFF1,ON2,OFF2,...
// durations counted in carrier periods; the whole sequence goes out once,
// then REPEAT - 1 more times from the OFFSET-th duration (1-based, odd). The
// compressed form, where a letter A to O stands for one of the first fifteen
// on/off pairs of the line, is read too.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "ircodefile.h"

namespace lumo::ir {

// Whether text is meant as sendir lines: its first line that is not blank
// or a '#' comment holds "sendir,".
bool looksLikeGlobalCache(std::string_view text);

// Reads one code per sendir line; text before "sendir" on a line names the
// code (quotes, ':' ',' '=' around it dropped).
bool readGlobalCache(std::string_view text, std::vector<Code> &codes, std::string &error);

} // namespace lumo::ir
