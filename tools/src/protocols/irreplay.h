// What irplay.exe adds to a recorded signal so that it acts like the remote it
// came from: the protocol's carrier, sony's three frames, and rc5/rc6 toggle
// bits that alternate from one play to the next. Device-free.
#pragma once

#include <optional>
#include <string>

#include "irprotocol.h"
#include "irsignal.h"
#include "irtogglestate.h"

namespace lumo::ir {

// Sony devices act on a command seen three times, frames 45 ms apart.
constexpr std::size_t kSonyMinFrames = 3;
constexpr uint32_t kSonyFramePeriodUs = 45'000;
// Shortest gap put after a sony frame when its copies are added.
constexpr uint32_t kSonyMinGapUs = 6'000;

// The carrier to send with: the file's, else the protocol's of a signal
// recognised (or a command known) as one, else 0 (then kDefaultCarrierHz).
uint32_t replayCarrier(const Signal &s, std::optional<Protocol> protocol);

// A recognised sony signal with fewer than kSonyMinFrames frames gets copies
// of its last frame, each starting kSonyFramePeriodUs after the one before (but
// at least kSonyMinGapUs after its end), until it has that many. Any other
// signal comes back unchanged. r must come from recognise(s.values).
Signal withSonyRepeats(const Signal &s, const Recognised &r);

// s with the toggle bit of every frame set to toggle: a frame with the other
// toggle is replaced by encodeFrame() of the same command, the gaps between
// frames stay as recorded. Unchanged for protocols without a toggle. r must
// come from recognise(s.values).
Signal withToggle(const Signal &s, const Recognised &r, bool toggle);

// One play, ready to send, and what the toggle state file held before it.
struct ReplayPlan
{
    Signal signal;                        // what to send
    std::optional<Recognised> recognised; // of the file's values
    bool stateWritten = false;            // the toggle state file was changed
    ToggleMemory previousState;           // what it held before
    std::string statePath;
};

// Recognises file's values and prepares what goes out: replayCarrier(),
// withSonyRepeats(), and for rc5/rc6 the toggle opposite to the one the state
// file at statePath says was sent last (the recorded one when it holds
// nothing for the family), which it then records. When the state file cannot
// be read, holds garbage for the family or cannot be written, the signal keeps
// its recorded toggle (and the recorded toggle is stored when possible), so a
// broken state never stops a send. statePath may be empty (no state).
ReplayPlan planReplay(const Signal &file, const std::string &statePath);

// After a failed send: puts the state file back as it was before the plan, so
// the device's idea of the last toggle and ours stay the same. Best effort.
void undoToggleState(const ReplayPlan &plan);

} // namespace lumo::ir
