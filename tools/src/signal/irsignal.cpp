#include "irsignal.h"

#include <algorithm>

namespace lumo::ir {

uint64_t Signal::durationUs() const
{
    uint64_t sum = 0;
    for (uint32_t v : values)
        sum += v;
    return sum;
}

std::size_t Signal::frameCount() const
{
    if (values.empty())
        return 0;
    std::size_t frames = 1;
    for (std::size_t i = 1; i < values.size(); i += 2)
        if (values[i] >= kFrameGapUs)
            ++frames;
    return frames;
}

namespace {

// Digits only, no sign, at most 12 of them.
bool parseNumber(std::string_view s, uint64_t &out)
{
    return s.size() <= 12 && decimalNumber(s, UINT64_MAX, out);
}

} // namespace

bool parseSignal(std::string_view text, Signal &out, std::string &error)
{
    out = Signal();
    if (text.size() > kMaxFileBytes) {
        error = "file is larger than " + numberText(kMaxFileBytes) + " bytes";
        return false;
    }
    text = withoutByteOrderMark(text);

    std::size_t lineNo = 0;
    std::size_t lastValueLine = 0;
    std::size_t frameValues = 0;
    std::size_t carrierLine = 0; // where the carrier came from (0: nowhere yet)
    bool carrierFromScancode = false;
    bool trailingTimeout = false; // the last value is a space a 'timeout' line ended

    auto addValue = [&](bool pulse, uint64_t v, std::string_view word) -> bool {
        if (v == 0) {
            error = lineError(lineNo, "zero duration in " + quotedText(word));
            return false;
        }
        if (v > kMaxValueUs) {
            error = lineError(lineNo,
                              "duration " + numberText(v) + " is above the largest possible "
                                  + numberText(kMaxValueUs) + " microseconds");
            return false;
        }
        if (pulse && v > kMaxPulseUs) {
            error = lineError(lineNo,
                              "pulse of " + numberText(v) + " microseconds; at most "
                                  + numberText(kMaxPulseUs) + " can be sent");
            return false;
        }
        bool expectPulse = out.values.size() % 2 == 0;
        if (pulse != expectPulse) {
            if (out.values.empty())
                error = lineError(lineNo, "the signal must start with a pulse");
            else
                error = lineError(lineNo,
                                  std::string(pulse ? "pulse" : "space") + " follows a "
                                      + (pulse ? "pulse" : "space") + "; pulses and spaces must alternate");
            return false;
        }
        if (!pulse && v >= kFrameGapUs)
            frameValues = 0;
        else
            ++frameValues;
        if (pulse && frameValues > kMaxValuesPerFrame) {
            error = lineError(lineNo, "more than " + numberText(kMaxValuesPerFrame) + " values in one frame");
            return false;
        }
        if (out.values.size() >= kMaxValues) {
            error = lineError(lineNo, "more than " + numberText(kMaxValues) + " values in the file");
            return false;
        }
        out.values.push_back(uint32_t(v));
        lastValueLine = lineNo;
        trailingTimeout = false;
        return true;
    };

    // One carrier per signal: a 'carrier' line or a scancode's protocol may
    // set it, again only to the same value.
    auto setCarrier = [&](uint64_t hz, bool fromScancode) -> bool {
        if (carrierLine && hz != out.carrier) {
            const std::string earlier = "line " + numberText(carrierLine) + " gave " + numberText(out.carrier)
                + " Hz" + (carrierFromScancode ? " for its scancode" : "");
            error = lineError(lineNo,
                              (fromScancode ? "this scancode is sent on " + numberText(hz) + " Hz"
                                            : "a second carrier, " + numberText(hz) + " Hz")
                                  + ", but " + earlier + "; a signal has one carrier");
            return false;
        }
        if (!carrierLine) {
            carrierLine = lineNo;
            carrierFromScancode = fromScancode;
        }
        out.carrier = uint32_t(hz);
        return true;
    };

    std::size_t pos = 0;
    while (pos <= text.size()) {
        std::size_t nl = text.find('\n', pos);
        if (nl == std::string_view::npos)
            nl = text.size();
        std::string_view line = text.substr(pos, nl - pos);
        pos = nl + 1;
        ++lineNo;

        std::size_t hash = line.find('#');
        if (hash != std::string_view::npos)
            line = line.substr(0, hash);
        line = trimmed(line);
        if (line.empty())
            continue;
        if (line.find('\0') != std::string_view::npos) {
            error = lineError(lineNo, "contains a NUL byte; this is not a text file");
            return false;
        }

        auto w = blankWords(line);
        const std::string_view key = w[0];
        if (sameNoCase(key, "scancode")) {
            if (w.size() != 2) {
                error = lineError(lineNo, "expected 'scancode PROTOCOL:VALUE', got " + quotedText(line));
                return false;
            }
            Protocol protocol;
            uint64_t scancode = 0;
            if (!parseScancodeWord(w[1], protocol, scancode, error)) {
                error = lineError(lineNo, error);
                return false;
            }
            if (!setCarrier(protocolInfo(protocol).carrierHz, true))
                return false;
            // As ir-ctl: right after a pulse comes its gap between scancodes.
            if (out.values.size() % 2 == 1 && !addValue(false, kScancodeGapUs, w[1]))
                return false;
            for (uint32_t v : encodeFrame(protocol, scancode))
                if (!addValue(out.values.size() % 2 == 0, v, w[1]))
                    return false;
            continue;
        }
        if (sameNoCase(key, "carrier") || sameNoCase(key, "pulse") || sameNoCase(key, "space")
            || sameNoCase(key, "timeout")) {
            if (w.size() != 2) {
                error = lineError(
                    lineNo, "expected '" + std::string(key) + " N' with one number, got " + quotedText(line));
                return false;
            }
            uint64_t v = 0;
            if (!parseNumber(w[1], v)) {
                error = lineError(lineNo,
                                  quotedText(w[1]) + " is not a whole number of "
                                      + (sameNoCase(key, "carrier") ? "hertz" : "microseconds"));
                return false;
            }
            if (sameNoCase(key, "carrier")) {
                if (v < kMinCarrierHz || v > kMaxCarrierHz) {
                    error = lineError(lineNo,
                                      "carrier " + numberText(v) + " Hz is outside "
                                          + numberText(kMinCarrierHz) + ".." + numberText(kMaxCarrierHz)
                                          + " Hz");
                    return false;
                }
                if (!setCarrier(v, false))
                    return false;
                continue;
            }
            if (sameNoCase(key, "timeout")) {
                // What ir-ctl --receive writes when the receiver went idle;
                // ir-ctl --send takes it as a space: none before the first
                // pulse, added to a space before it, dropped at the end.
                if (v == 0) {
                    error = lineError(lineNo, "zero duration in " + quotedText(line));
                    return false;
                }
                if (out.values.empty())
                    continue;
                if (out.values.size() % 2 == 1) {
                    if (!addValue(false, std::min<uint64_t>(v, kMaxValueUs), line))
                        return false;
                } else {
                    uint64_t merged = std::min<uint64_t>(out.values.back() + v, kMaxValueUs);
                    out.values.back() = uint32_t(merged);
                    if (merged >= kFrameGapUs)
                        frameValues = 0;
                }
                trailingTimeout = true;
                continue;
            }
            if (!addValue(sameNoCase(key, "pulse"), v, line))
                return false;
            continue;
        }

        // ir-ctl's compact form: "+N -N N ..."; an unsigned number takes
        // whatever comes next in the alternation.
        for (std::string_view word : w) {
            char sign = word[0];
            std::string_view digits = (sign == '+' || sign == '-') ? word.substr(1) : word;
            uint64_t v = 0;
            if (!parseNumber(digits, v)) {
                error = lineError(lineNo,
                                  "cannot read " + quotedText(word)
                                      + "; expected 'pulse N', 'space N', 'carrier N', "
                                        "'scancode PROTOCOL:VALUE' or '+N -N'");
                return false;
            }
            bool pulse = sign == '+' ? true : sign == '-' ? false : out.values.size() % 2 == 0;
            if (!addValue(pulse, v, word))
                return false;
        }
    }

    if (trailingTimeout && out.values.size() % 2 == 0)
        out.values.pop_back();
    if (out.values.empty()) {
        error = "no pulses in the file";
        return false;
    }
    if (out.values.size() % 2 == 0) {
        error = lineError(lastValueLine, "the signal ends with a space; it must end with a pulse");
        return false;
    }
    return checkSignal(out, error);
}

bool parseScancodeValue(std::string_view text, ScancodeForm form, uint64_t &value)
{
    std::string_view digits = text;
    if (form == ScancodeForm::Strtoull && !digits.empty() && digits[0] == '+')
        digits.remove_prefix(1);
    unsigned base = 10;
    if (digits.size() > 2 && digits[0] == '0' && (digits[1] == 'x' || digits[1] == 'X')) {
        base = 16;
        digits.remove_prefix(2);
    } else if (form == ScancodeForm::Strtoull && digits.size() > 1 && digits[0] == '0') {
        base = 8;
        digits.remove_prefix(1);
    } else if (form == ScancodeForm::Typed) {
        for (char c : digits)
            if (hexDigit(c) >= 10)
                base = 16;
    }
    return digits.size() <= 40 && baseNumber(digits, base, UINT64_MAX, value);
}

bool parseScancodeWord(std::string_view word, Protocol &protocol, uint64_t &scancode, std::string &error)
{
    const std::size_t colon = word.find(':');
    if (colon == std::string_view::npos) {
        error = "expected 'scancode PROTOCOL:VALUE', got " + quotedText(word);
        return false;
    }
    const std::string_view name = word.substr(0, colon);
    if (!protocolFromName(name, protocol)) {
        error = "unknown protocol " + quotedText(name);
        return false;
    }
    uint64_t value = 0;
    if (!parseScancodeValue(word.substr(colon + 1), ScancodeForm::Strtoull, value)) {
        error = quotedText(word.substr(colon + 1))
            + " is not a scancode (0x hex, octal with a leading 0, or decimal)";
        return false;
    }
    if (!scancodeFits(protocol, value)) {
        const uint64_t mask = protocolInfo(protocol).scancodeMask;
        error = "scancode 0x" + hexText(value) + " does not fit " + protocolName(protocol)
            + (protocol == Protocol::Rc6Mce ? " (0x800fxxxx without the toggle bit 0x8000)"
                                            : " (at most the bits 0x" + hexText(mask) + ")");
        return false;
    }
    scancode = value;
    return true;
}

bool checkSignal(const Signal &s, std::string &error)
{
    if (s.values.empty()) {
        error = "no pulses";
        return false;
    }
    if (s.values.size() % 2 == 0) {
        error = "the signal ends with a space";
        return false;
    }
    if (s.values.size() > kMaxValues) {
        error = "more than " + numberText(kMaxValues) + " values";
        return false;
    }
    if (s.carrier != 0 && (s.carrier < kMinCarrierHz || s.carrier > kMaxCarrierHz)) {
        error = "carrier " + numberText(s.carrier) + " Hz is out of range";
        return false;
    }
    std::size_t frame = 0;
    for (std::size_t i = 0; i < s.values.size(); ++i) {
        uint32_t v = s.values[i];
        if (v == 0 || v > kMaxValueUs) {
            error = "value " + numberText(i + 1) + " (" + numberText(v) + ") is out of range";
            return false;
        }
        if (i % 2 == 0 && v > kMaxPulseUs) {
            error = "pulse " + numberText(i / 2 + 1) + " lasts " + numberText(v) + " microseconds; at most "
                + numberText(kMaxPulseUs) + " can be sent";
            return false;
        }
        if (i % 2 == 1 && v >= kFrameGapUs)
            frame = 0;
        else if (++frame > kMaxValuesPerFrame) {
            error = "a frame has more than " + numberText(kMaxValuesPerFrame) + " values";
            return false;
        }
    }
    if (s.durationUs() > kMaxSignalUs) {
        error = "the signal is longer than " + numberText(kMaxSignalUs / 1000) + " ms";
        return false;
    }
    return true;
}

std::string formatSignal(const Signal &s, const std::vector<std::string> &header)
{
    std::string out;
    out.reserve(s.values.size() * 12 + 256);
    for (const std::string &h : header) {
        out += "# ";
        out += oneLine(h);
        out += '\n';
    }
    if (s.carrier) {
        out += "carrier ";
        out += numberText(s.carrier);
        out += '\n';
    }
    for (std::size_t i = 0; i < s.values.size(); ++i) {
        out += (i % 2 == 0) ? "pulse " : "space ";
        out += numberText(s.values[i]);
        out += '\n';
    }
    return out;
}

std::string formatCompact(const std::vector<uint32_t> &values)
{
    std::string out;
    out.reserve(values.size() * 7);
    for (std::size_t i = 0; i < values.size(); ++i) {
        if (i)
            out += ' ';
        out += (i % 2 == 0) ? '+' : '-';
        out += numberText(values[i]);
    }
    return out;
}

} // namespace lumo::ir
