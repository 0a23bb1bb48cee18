#include "prontocode.h"

#include "codetext.h"

namespace lumo::ir {

namespace {

constexpr uint16_t kLearned = 0x0000;
constexpr uint16_t kUnmodulated = 0x0100;
constexpr uint16_t kRc5 = 0x5000;
constexpr uint16_t kRc5x = 0x5001;
constexpr uint16_t kRc6 = 0x6000;
constexpr uint16_t kNec = 0x900A;

bool prontoWord(std::string_view w, uint16_t &out)
{
    uint64_t v = 0;
    if (w.size() != 4 || !hexNumber(w, 0xffff, v))
        return false;
    out = uint16_t(v);
    return true;
}

bool knownForm(uint16_t w)
{
    return w == kLearned || w == kUnmodulated || w == kRc5 || w == kRc5x || w == kRc6 || w == kNec;
}

// The part of a line that starts a code after its name: the name ends at the
// first ':', else at the first Pronto word.
std::string_view splitName(std::string_view line, std::string &name)
{
    name.clear();
    const std::size_t colon = line.find(':');
    if (colon != std::string_view::npos) {
        name = std::string(trimmed(line.substr(0, colon)));
        return trimmed(line.substr(colon + 1));
    }
    for (std::string_view w : blankWords(line)) {
        uint16_t v = 0;
        if (prontoWord(w, v)) {
            const std::size_t at = std::size_t(w.data() - line.data());
            name = std::string(trimmed(line.substr(0, at)));
            return line.substr(at);
        }
    }
    name = std::string(line);
    return {};
}

// Carrier periods to microseconds, for the frequency word.
uint64_t periodsUs(uint64_t periods, uint16_t freqWord)
{
    return (periods * freqWord * kProntoUnitPicoseconds + 500'000) / 1'000'000;
}

uint32_t carrierHz(uint16_t freqWord)
{
    const uint64_t period = uint64_t(freqWord) * kProntoUnitPicoseconds; // 1e-12 s
    return uint32_t((1'000'000'000'000ull + period * 50) / (period * 100) * 100);
}

std::string wordText(uint16_t w)
{
    return hexText(w, 4, true);
}

struct Pending
{
    std::size_t line = 0;
    std::string name;
    std::vector<uint16_t> words;
    std::size_t expected = 0; // words in all; 0 until the header is in
};

bool learned(const Pending &p, std::vector<Code> &codes, std::string &error)
{
    const uint16_t freq = p.words[1];
    if (freq == 0) {
        error = lineError(p.line, "frequency word 0000 gives no carrier");
        return false;
    }
    const std::size_t intro = std::size_t(p.words[2]) * 2;
    const std::size_t repeat = std::size_t(p.words[3]) * 2;
    if (intro + repeat == 0) {
        error = lineError(p.line, "the code has no burst pairs");
        return false;
    }
    std::vector<uint32_t> part;
    std::vector<uint32_t> values;
    for (std::size_t i = 0; i < intro + repeat; ++i) {
        const uint16_t periods = p.words[4 + i];
        if (periods == 0) {
            error = lineError(p.line,
                              "burst word " + numberText(5 + i)
                                  + " is 0000; a duration needs a carrier period at least");
            return false;
        }
        const uint64_t us = periodsUs(periods, freq);
        part.push_back(uint32_t(std::min<uint64_t>(us, 0xffffffffu)));
        if (i + 1 == intro || i + 1 == intro + repeat) {
            if (!appendPart(values, part.data(), part.size())) {
                error = lineError(
                    p.line, "the intro and repeat parts are more than " + numberText(kMaxValues) + " values");
                return false;
            }
            part.clear();
        }
    }
    endWithPulse(values);
    Signal s;
    s.carrier = p.words[0] == kUnmodulated ? 0 : carrierHz(freq);
    s.values = std::move(values);
    codes.push_back(codeFromSignal(std::move(s), p.name));
    codes.back().line = p.line;
    return true;
}

bool finishCode(const Pending &p, std::vector<Code> &codes, std::string &error)
{
    const uint16_t form = p.words[0];
    if (form == kLearned || form == kUnmodulated)
        return learned(p, codes, error);
    const std::size_t pairs = form == kRc5x ? 2 : 1;
    if (p.words[2] != 0 || p.words[3] != pairs) {
        error = lineError(p.line,
                          "a Pronto " + wordText(form) + " code has the counts 0000 000" + numberText(pairs));
        return false;
    }
    const uint16_t *d = p.words.data() + 4;
    auto tooLarge = [&](const char *what, uint16_t v, uint16_t max) {
        if (v <= max)
            return false;
        error = lineError(p.line, std::string(what) + " " + numberText(v) + " is above " + numberText(max));
        return true;
    };
    Command c;
    if (form == kRc5) {
        if (tooLarge("RC5 system", d[0], 31) || tooLarge("RC5 command", d[1], 127))
            return false;
        c = { Protocol::Rc5, uint64_t(d[0]) << 8 | d[1] };
    } else if (form == kRc5x) {
        if (tooLarge("RC5x system", d[0], 31) || tooLarge("RC5x command", d[1], 127)
            || tooLarge("RC5x data", d[2], 63))
            return false;
        c = { Protocol::Rc5x20, uint64_t(d[0]) << 16 | uint64_t(d[1]) << 8 | d[2] };
    } else if (form == kRc6) {
        if (tooLarge("RC6 address", d[0], 255) || tooLarge("RC6 command", d[1], 255))
            return false;
        c = { Protocol::Rc6_0, uint64_t(d[0]) << 8 | d[1] };
    } else {
        c = necCommand(uint8_t(d[0] >> 8), uint8_t(d[0]), uint8_t(d[1] >> 8), uint8_t(d[1]));
    }
    return commandCode(c.protocol, c.scancode, p.name, p.line, codes, error);
}

} // namespace

bool looksLikePronto(std::string_view text)
{
    std::vector<uint16_t> words;
    for (const TextLine &l : TextLines(text)) {
        if (l.text.empty() || l.text[0] == '#')
            continue;
        std::string name;
        for (std::string_view w : blankWords(words.empty() ? splitName(l.text, name) : l.text)) {
            uint16_t v = 0;
            if (!prontoWord(w, v))
                return false;
            words.push_back(v);
        }
        if (words.size() >= 4)
            break;
    }
    if (words.size() < 4 || !knownForm(words[0]))
        return false;
    return words[0] == kLearned || words[0] == kUnmodulated || words[2] == 0;
}

bool readPronto(std::string_view text, std::vector<Code> &codes, std::string &error)
{
    codes.clear();
    Pending p;
    for (const TextLine &l : TextLines(text)) {
        if (l.text.empty() || l.text[0] == '#')
            continue;
        std::string_view rest = l.text;
        if (p.words.empty()) {
            p.line = l.number;
            rest = splitName(l.text, p.name);
        }
        for (std::string_view w : blankWords(rest)) {
            uint16_t v = 0;
            if (!prontoWord(w, v)) {
                error = lineError(l.number, quotedText(w) + " is not a Pronto word of four hex digits");
                return false;
            }
            if (p.expected && p.words.size() == p.expected) {
                error = lineError(l.number,
                                  "more words than the counts in the code's header call for ("
                                      + numberText(p.expected) + ")");
                return false;
            }
            p.words.push_back(v);
            if (p.words.size() == 1 && !knownForm(v)) {
                error = lineError(l.number,
                                  "Pronto form " + wordText(v)
                                      + " is not read here (0000, 0100, 5000, 5001, 6000 and 900A are)");
                return false;
            }
            if (p.words.size() == 4)
                p.expected = 4 + 2 * (std::size_t(p.words[2]) + p.words[3]);
        }
        if (p.words.empty()) {
            error = lineError(l.number, "no Pronto code after the name " + quotedText(p.name));
            return false;
        }
        if (p.expected && p.words.size() == p.expected) {
            if (!finishCode(p, codes, error))
                return false;
            p = Pending();
        }
    }
    if (!p.words.empty()) {
        error = lineError(p.line,
                          "the code ends after " + numberText(p.words.size()) + " words; "
                              + (p.expected ? "its counts call for " + numberText(p.expected)
                                            : std::string("a header needs 4")));
        return false;
    }
    return finishCodes(codes, error);
}

std::string writePronto(const Signal &signal)
{
    const uint32_t carrier = signal.carrier ? signal.carrier : kDefaultCarrierHz;
    // the carrier period in Pronto units, rounded
    const uint64_t unitsPerSecond = 1'000'000'000'000ull;
    const uint64_t freqWord = std::min<uint64_t>(
        std::max<uint64_t>((unitsPerSecond / kProntoUnitPicoseconds + carrier / 2) / carrier, 1), 0xffff);
    std::vector<uint32_t> values = signal.values;
    values.push_back(kDefaultRepeatGapUs); // Pronto pairs end with a space: the gap after the signal
    std::string out = "0000 " + wordText(uint16_t(freqWord)) + " " + wordText(uint16_t(values.size() / 2))
        + " 0000";
    const uint64_t period = freqWord * kProntoUnitPicoseconds; // 1e-12 s
    for (uint32_t v : values) {
        const uint64_t periods = (uint64_t(v) * 1'000'000 + period / 2) / period;
        out += " " + wordText(uint16_t(std::min<uint64_t>(std::max<uint64_t>(periods, 1), 0xffff)));
    }
    return out;
}

} // namespace lumo::ir
