#include "irreplay.h"

#include <algorithm>

namespace lumo::ir {

namespace {

bool isSony(Protocol p)
{
    return p == Protocol::Sony12 || p == Protocol::Sony15 || p == Protocol::Sony20;
}

} // namespace

uint32_t replayCarrier(const Signal &s, std::optional<Protocol> protocol)
{
    if (s.carrier)
        return s.carrier;
    return protocol ? protocolInfo(*protocol).carrierHz : 0;
}

Signal withSonyRepeats(const Signal &s, const Recognised &r)
{
    if (!isSony(r.protocol) || r.frames.empty() || r.frames.size() >= kSonyMinFrames)
        return s;
    const FrameSpan last = r.frames.back();
    if (last.end != s.values.size())
        return s;
    uint64_t length = 0;
    for (std::size_t j = last.begin; j < last.end; ++j)
        length += s.values[j];
    const uint32_t gap = uint32_t(
        std::max<uint64_t>(kSonyMinGapUs, length < kSonyFramePeriodUs ? kSonyFramePeriodUs - length : 0));
    Signal out = s;
    for (std::size_t f = r.frames.size(); f < kSonyMinFrames; ++f) {
        out.values.push_back(gap);
        out.values.insert(out.values.end(), s.values.begin() + std::ptrdiff_t(last.begin),
                          s.values.begin() + std::ptrdiff_t(last.end));
    }
    return out;
}

Signal withToggle(const Signal &s, const Recognised &r, bool toggle)
{
    if (protocolInfo(r.protocol).toggle == ToggleFamily::None || r.toggle < 0 || r.toggle == int(toggle))
        return s;
    Signal out;
    out.carrier = s.carrier;
    const std::vector<uint32_t> frame = encodeFrame(r.protocol, r.scancode, toggle);
    std::size_t next = 0; // first value not yet copied
    for (const FrameSpan &f : r.frames) {
        out.values.insert(out.values.end(), s.values.begin() + std::ptrdiff_t(next),
                          s.values.begin() + std::ptrdiff_t(f.begin));
        out.values.insert(out.values.end(), frame.begin(), frame.end());
        next = f.end;
    }
    out.values.insert(out.values.end(), s.values.begin() + std::ptrdiff_t(next), s.values.end());
    return out;
}

ReplayPlan planReplay(const Signal &file, const std::string &statePath)
{
    ReplayPlan plan;
    plan.signal = file;
    plan.statePath = statePath;
    plan.recognised = recognise(file.values, file.carrier);
    const Recognised *r = plan.recognised ? &*plan.recognised : nullptr;
    plan.signal.carrier = replayCarrier(file, r ? std::optional(r->protocol) : std::nullopt);
    if (!r)
        return plan;
    plan.signal = withSonyRepeats(plan.signal, *r);

    const ToggleFamily family = protocolInfo(r->protocol).toggle;
    if (family == ToggleFamily::None || r->toggle < 0 || statePath.empty())
        return plan;
    std::string error;
    ToggleMemory memory;
    const bool readable = readToggleState(statePath, memory, error);
    if (!readable)
        memory = ToggleMemory();
    const int last = memory.get(family);
    const int toggle = (readable && last >= 0) ? !last : r->toggle;
    plan.previousState = memory;
    memory.set(family, toggle);
    if (!writeToggleState(statePath, memory, error))
        return plan; // sent as recorded
    plan.stateWritten = true;
    plan.signal = withToggle(plan.signal, *r, toggle != 0);
    return plan;
}

void undoToggleState(const ReplayPlan &plan)
{
    if (!plan.stateWritten)
        return;
    std::string error;
    writeToggleState(plan.statePath, plan.previousState, error);
}

} // namespace lumo::ir
