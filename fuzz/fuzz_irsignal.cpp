// Reads arbitrary bytes as an IR signal file, as irplay.exe does, and checks
// what a fault in the reader or the recogniser would break: whatever
// parseSignal() accepts passes checkSignal(), is written by formatSignal()
// (and in ir-ctl's compact form) and reads back to the same values and
// carrier; a recognised command is named by a frame layout that covers the
// signal, encodes back to the same command, and replays (toggle flipped, sony
// repeated) as a signal a device can still be sent.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "irdescribe.h"
#include "irprotocol.h"
#include "irreplay.h"
#include "irsignal.h"

using namespace lumo::ir;

namespace {

void require(bool ok)
{
    if (!ok)
        std::abort();
}

void checkRecognised(const Signal &s, const Recognised &r)
{
    require(!r.frames.empty() && !r.frames.front().repeat);
    std::size_t next = 0;
    for (const FrameSpan &f : r.frames) {
        // frames start with a pulse after exactly one gap and end with one
        require(f.begin == next && f.begin % 2 == 0 && f.end > f.begin && f.end % 2 == 1);
        require(f.end <= s.values.size());
        next = f.end + 1;
    }
    require(r.frames.back().end == s.values.size());
    require(scancodeFits(r.protocol, r.scancode));
    require((r.toggle >= 0) == (protocolInfo(r.protocol).toggle != ToggleFamily::None));

    const std::optional<Recognised> again = recognise(encodeFrame(r.protocol, r.scancode, r.toggle == 1),
                                                      protocolInfo(r.protocol).carrierHz);
    require(again && again->protocol == r.protocol && again->scancode == r.scancode
            && again->toggle == r.toggle);

    std::string error;
    const Signal flipped = withToggle(s, r, r.toggle != 1);
    require(checkSignal(flipped, error));
    const std::optional<Recognised> back = recognise(flipped.values, s.carrier);
    require(back && back->scancode == r.scancode && back->toggle == (r.toggle < 0 ? -1 : r.toggle != 1));
    require(checkSignal(withSonyRepeats(s, r), error));
    require(describeLine(s).rfind(scancodeText(r.protocol, r.scancode), 0) == 0);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const std::string_view text(reinterpret_cast<const char *>(data), size);
    (void)tooltipText(text);

    Signal s;
    std::string error;
    if (!parseSignal(text, s, error)) {
        require(!error.empty());
        return 0;
    }
    require(checkSignal(s, error));

    Signal back;
    require(parseSignal(formatSignal(s, { "fuzz", std::string(text.substr(0, 64)) }), back, error));
    require(back.values == s.values && back.carrier == s.carrier);
    Signal compact;
    require(parseSignal(formatCompact(s.values), compact, error));
    require(compact.values == s.values);

    if (const std::optional<Recognised> r = recognise(s.values, s.carrier))
        checkRecognised(s, *r);
    else
        require(describeLine(s).rfind("raw ", 0) == 0 && decodedComment(s).empty());
    return 0;
}
