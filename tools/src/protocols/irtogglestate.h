// The toggle bit last sent per protocol family, kept in a small file between
// plays so that rc5/rc6 toggles alternate like a real remote's between presses.
#pragma once

#include <string>
#include <string_view>

#include "irprotocol.h"

namespace lumo::ir {

// Largest state file read; anything longer is not ours.
constexpr std::size_t kMaxToggleStateBytes = 4096;

struct ToggleMemory
{
    int rc5 = -1; // last toggle sent, -1 = not known
    int rc6 = -1;

    int get(ToggleFamily f) const;
    void set(ToggleFamily f, int toggle);
};

// $XDG_STATE_HOME/lumo-control/toggle-state when XDG_STATE_HOME is an absolute
// path, else $HOME/.local/state/lumo-control/toggle-state; empty when HOME is
// not usable either. Pass the variables' values (nullptr when unset).
std::string toggleStatePath(const char *xdgStateHome, const char *home);

// The file's text, one "FAMILY 0|1" line per known family ("rc5 1\nrc6 0\n").
// Anything else in it (garbage, a torn write, other lines) is skipped, so a
// family stays -1 unless a clean line gives it.
ToggleMemory parseToggleState(std::string_view text);
std::string formatToggleState(const ToggleMemory &m);

// Reads the state file: true with what it holds (all -1 when the file does not
// exist yet); false and error when it exists but cannot be read (a folder, no
// permission, I/O error, over kMaxToggleStateBytes).
bool readToggleState(const std::string &path, ToggleMemory &out, std::string &error);

// Replaces the state file atomically: a temporary file in the same folder,
// renamed over it, so a reader sees the old or the new text, never a mix.
// Creates the missing folders (0700). False and error when any step fails;
// the previous file then stays as it was and no temporary file is left.
bool writeToggleState(const std::string &path, const ToggleMemory &m, std::string &error);

} // namespace lumo::ir
