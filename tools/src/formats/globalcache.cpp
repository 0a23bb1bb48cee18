#include "globalcache.h"

#include "codetext.h"

namespace lumo::ir {

namespace {

constexpr uint64_t kMaxRepeat = 50;
constexpr uint64_t kMaxPeriods = 0xFFFF;    // durations are 16-bit counts of carrier periods
constexpr std::size_t kMaxPairLetters = 15; // A to O

std::size_t findSendir(std::string_view line)
{
    for (std::size_t i = 0; i + 7 <= line.size(); ++i)
        if (startsNoCase(line.substr(i), "sendir,"))
            return i;
    return std::string_view::npos;
}

std::string nameBefore(std::string_view text)
{
    auto strip = [](char c) {
        return isBlankChar(c) || c == '"' || c == '\'' || c == ':' || c == ',' || c == '=';
    };
    while (!text.empty() && strip(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && strip(text.back()))
        text.remove_suffix(1);
    return std::string(text);
}

// The durations after the header fields, letters expanded; false with why.
bool durations(std::string_view text, std::vector<uint64_t> &out, std::string &why)
{
    std::vector<std::pair<uint64_t, uint64_t>> pairs; // the letters' pairs, in order of appearance
    std::size_t i = 0;
    while (i < text.size()) {
        const char c = text[i];
        if (c == ',' || isBlankChar(c)) {
            ++i;
            continue;
        }
        const char letter = lowerAscii(c);
        if (letter >= 'a' && letter < 'a' + char(kMaxPairLetters)) {
            const std::size_t index = std::size_t(letter - 'a');
            if (out.size() % 2 || index >= pairs.size()) {
                why = std::string("letter ") + c + " stands for no on/off pair before it";
                return false;
            }
            out.push_back(pairs[index].first);
            out.push_back(pairs[index].second);
            ++i;
            continue;
        }
        std::size_t end = i;
        while (end < text.size() && text[end] >= '0' && text[end] <= '9')
            ++end;
        uint64_t v = 0;
        if (end == i || !decimalNumber(text.substr(i, end - i), kMaxPeriods, v) || v == 0) {
            why = quotedText(text.substr(i, std::max<std::size_t>(end - i, 1)))
                + " is not a duration of 1 to " + numberText(kMaxPeriods) + " carrier periods";
            return false;
        }
        if (out.size() >= kMaxValues) {
            why = "more than " + numberText(kMaxValues) + " durations";
            return false;
        }
        out.push_back(v);
        if (out.size() % 2 == 0 && pairs.size() < kMaxPairLetters) {
            const std::pair<uint64_t, uint64_t> pair{ out[out.size() - 2], out.back() };
            bool known = false;
            for (const auto &p : pairs)
                known = known || p == pair;
            if (!known)
                pairs.push_back(pair);
        }
        i = end;
    }
    return true;
}

bool readLine(const TextLine &l, std::vector<Code> &codes, std::string &error)
{
    const std::size_t at = findSendir(l.text);
    if (at == std::string_view::npos) {
        error = lineError(l.number, "expected a 'sendir,...' line, got " + quotedText(l.text));
        return false;
    }
    const std::string_view rest = l.text.substr(at);
    // sendir, address, ID, frequency, repeat, offset: then the durations
    std::size_t cut = 0;
    for (int commas = 0; commas < 6 && cut != std::string_view::npos; ++commas)
        cut = rest.find(',', cut ? cut + 1 : 0);
    if (cut == std::string_view::npos) {
        error = lineError(l.number,
                          "a sendir line needs address, ID, frequency, repeat, offset and durations");
        return false;
    }
    const std::vector<std::string_view> head = fields(rest.substr(0, cut), ',');
    uint64_t hz = 0;
    uint64_t repeat = 0;
    uint64_t offset = 0;
    if (!decimalNumber(head[3], kMaxCarrierHz, hz) || hz < kMinCarrierHz) {
        error = lineError(l.number,
                          "frequency " + quotedText(head[3]) + " is not " + numberText(kMinCarrierHz) + " to "
                              + numberText(kMaxCarrierHz) + " Hz");
        return false;
    }
    if (!decimalNumber(head[4], kMaxRepeat, repeat) || repeat == 0) {
        error = lineError(l.number,
                          "repeat " + quotedText(head[4]) + " is not 1 to " + numberText(kMaxRepeat));
        return false;
    }
    std::vector<uint64_t> periods;
    std::string why;
    if (!durations(rest.substr(cut + 1), periods, why)) {
        error = lineError(l.number, why);
        return false;
    }
    if (periods.empty() || periods.size() % 2) {
        error = lineError(l.number,
                          "the durations must come in on/off pairs; there are " + numberText(periods.size()));
        return false;
    }
    if (!decimalNumber(head[5], periods.size(), offset) || offset % 2 == 0) {
        error = lineError(l.number,
                          "offset " + quotedText(head[5]) + " is not an odd number from 1 to "
                              + numberText(periods.size() - 1));
        return false;
    }
    std::vector<uint32_t> us;
    for (uint64_t p : periods)
        us.push_back(uint32_t((p * 1'000'000 + hz / 2) / hz));
    Signal s;
    s.carrier = uint32_t(hz);
    bool fits = appendPart(s.values, us.data(), us.size());
    for (uint64_t r = 1; fits && r < repeat; ++r)
        fits = appendPart(s.values, us.data() + offset - 1, us.size() - (offset - 1));
    if (!fits) {
        error = lineError(l.number,
                          "repeated " + numberText(repeat) + " times the code is more than "
                              + numberText(kMaxValues) + " values");
        return false;
    }
    endWithPulse(s.values);
    codes.push_back(codeFromSignal(std::move(s), nameBefore(l.text.substr(0, at))));
    codes.back().line = l.number;
    return true;
}

} // namespace

bool looksLikeGlobalCache(std::string_view text)
{
    for (const TextLine &l : TextLines(text))
        if (!l.text.empty() && l.text[0] != '#')
            return findSendir(l.text) != std::string_view::npos;
    return false;
}

bool readGlobalCache(std::string_view text, std::vector<Code> &codes, std::string &error)
{
    codes.clear();
    for (const TextLine &l : TextLines(text)) {
        if (l.text.empty() || l.text[0] == '#')
            continue;
        if (!readLine(l, codes, error))
            return false;
    }
    return finishCodes(codes, error);
}

} // namespace lumo::ir
