#include "irdescribe.h"

#include "irreplay.h"

namespace lumo::ir {

namespace {

// value / unit rounded to one decimal, ".0" left out
std::string oneDecimal(uint64_t value, uint64_t unit)
{
    const uint64_t tenths = (value * 10 + unit / 2) / unit;
    std::string out = numberText(tenths / 10);
    if (tenths % 10) {
        out += '.';
        out += char('0' + tenths % 10);
    }
    return out;
}

} // namespace

std::string decodedComment(const Signal &s)
{
    const std::optional<Recognised> r = recognise(s.values, s.carrier);
    return r ? "decoded " + scancodeText(r->protocol, r->scancode) : std::string();
}

std::string describeLine(const Signal &s)
{
    return describeLine(s, recognise(s.values, s.carrier));
}

std::string describeLine(const Signal &s, const std::optional<Recognised> &r)
{
    if (r)
        return scancodeText(r->protocol, r->scancode) + " carrier "
            + numberText(replayCarrier(s, r->protocol));
    const std::size_t frames = s.frameCount();
    std::string out = "raw " + numberText(frames) + (frames == 1 ? " frame " : " frames ")
        + oneDecimal(s.durationUs(), 1000) + " ms";
    if (s.carrier)
        out += " carrier " + numberText(s.carrier);
    return out;
}

std::string tooltipText(std::string_view fileText)
{
    Signal s;
    std::string error;
    if (!parseSignal(fileText, s, error))
        return "recorded signal";
    return tooltipText(s, recognise(s.values, s.carrier));
}

std::string tooltipText(const Signal &s, const std::optional<Recognised> &r)
{
    if (!r)
        return "recorded signal";
    return scancodeText(r->protocol, r->scancode) + ", " + oneDecimal(replayCarrier(s, r->protocol), 1000)
        + " kHz";
}

} // namespace lumo::ir
