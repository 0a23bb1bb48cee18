#include "lircdconf.h"

#include "codetext.h"

namespace lumo::ir {

namespace {

enum Flag : uint32_t {
    SpaceEnc = 1 << 0,
    Biphase = 1 << 1, // RC5 / SHIFT_ENC
    Rc6 = 1 << 2,
    RawCodes = 1 << 3,
    ConstLength = 1 << 4,
    Reverse = 1 << 5,
    NoHeadRep = 1 << 6,
    NoFootRep = 1 << 7,
    RepeatHeader = 1 << 8,
};

struct FlagName
{
    const char *name;
    uint32_t flag;
};

const FlagName kFlags[] = {
    { "SPACE_ENC", SpaceEnc },    { "RC5", Biphase },
    { "SHIFT_ENC", Biphase },     { "RC6", Rc6 },
    { "RAW_CODES", RawCodes },    { "CONST_LENGTH", ConstLength },
    { "REVERSE", Reverse },       { "NO_HEAD_REP", NoHeadRep },
    { "NO_FOOT_REP", NoFootRep }, { "REPEAT_HEADER", RepeatHeader },
};

struct Pair
{
    uint32_t pulse = 0, space = 0;
    bool set() const { return pulse || space; }
};

struct Button
{
    std::string name;
    std::vector<uint64_t> values; // codes, or durations for raw codes
    std::size_t line = 0;
};

struct Remote
{
    std::size_t line = 0;
    std::string name;
    uint32_t flags = 0;
    uint64_t bits = 0, preBits = 0, postBits = 0;
    uint64_t preData = 0, postData = 0;
    Pair header, one, zero, foot, pre, post, repeat;
    uint32_t plead = 0, ptrail = 0;
    uint64_t gap = 0, repeatGap = 0, minRepeat = 0;
    uint64_t toggleMask = 0, toggleBit = 0, rc6Mask = 0;
    uint64_t frequency = 0;
    std::vector<Button> codes;
    std::vector<Button> raw;
};

// Durations with equal levels in a row merged, as LIRC's send buffer does;
// silence before the first pulse dropped.
class Levels
{
public:
    void pulse(uint64_t us)
    {
        if (!us)
            return;
        if (m_v.size() % 2)
            m_v.back() += us;
        else
            m_v.push_back(us);
    }
    void space(uint64_t us)
    {
        if (!us || m_v.empty())
            return;
        if (m_v.size() % 2 == 0)
            m_v.back() += us;
        else
            m_v.push_back(us);
    }
    void pair(const Pair &p)
    {
        pulse(p.pulse);
        space(p.space);
    }
    uint64_t total() const
    {
        uint64_t sum = 0;
        for (uint64_t v : m_v)
            sum += v;
        return sum;
    }
    const std::vector<uint64_t> &values() const { return m_v; }

private:
    std::vector<uint64_t> m_v;
};

uint64_t allBits(const Remote &r)
{
    return r.preBits + r.bits + r.postBits;
}

// count bits of data, first sent = done bits into the whole code
void sendData(const Remote &r, Levels &w, uint64_t data, uint64_t count, uint64_t done)
{
    const uint64_t all = allBits(r);
    for (uint64_t i = 0; i < count; ++i) {
        const uint64_t bitIndex = r.flags & Reverse ? i : count - 1 - i;
        bool bit = data >> bitIndex & 1;
        const uint64_t mask = uint64_t(1) << (all - 1 - done - i);
        if (r.toggleMask & mask)
            bit = false; // the toggle as first sent
        const bool biphase = r.flags & (Biphase | Rc6);
        const uint64_t times = (r.flags & Rc6) && (r.rc6Mask & mask) ? 2 : 1;
        const Pair &p = bit ? r.one : r.zero;
        if (biphase && bit) {
            w.space(p.space * times);
            w.pulse(p.pulse * times);
        } else {
            w.pulse(p.pulse * times);
            w.space(p.space * times);
        }
    }
}

void sendCode(const Remote &r, Levels &w, uint64_t code, bool repeat)
{
    if (!repeat || !(r.flags & NoHeadRep))
        w.pair(r.header);
    w.pulse(r.plead);
    if (r.preBits) {
        sendData(r, w, r.preData, r.preBits, 0);
        if (r.pre.pulse && r.pre.space)
            w.pair(r.pre);
    }
    sendData(r, w, code, r.bits, r.preBits);
    if (r.postBits) {
        if (r.post.pulse && r.post.space)
            w.pair(r.post);
        sendData(r, w, r.postData, r.postBits, r.preBits + r.bits);
    }
    w.pulse(r.ptrail);
    if (!repeat || !(r.flags & NoFootRep))
        w.pair(r.foot);
}

// Appends a sent part and the gap after it (gap from the start of the part
// with CONST_LENGTH).
void closePart(const Remote &r, Levels &w, uint64_t startedAt, bool repeat)
{
    const uint64_t gap = repeat && r.repeatGap ? r.repeatGap : r.gap;
    if (r.flags & ConstLength) {
        const uint64_t length = w.total() - startedAt;
        w.space(gap > length ? gap - length : std::max<uint64_t>(gap / 10, 1));
    } else {
        w.space(gap ? gap : kDefaultRepeatGapUs);
    }
}

bool toSignal(const Remote &r, const Button &b, bool raw, Signal &out, std::string &error)
{
    Levels w;
    if (raw) {
        for (uint64_t copy = 0; copy <= r.minRepeat; ++copy) {
            const uint64_t start = w.total();
            for (std::size_t i = 0; i < b.values.size(); ++i)
                i % 2 ? w.space(b.values[i]) : w.pulse(b.values[i]);
            if (b.values.size() % 2 == 0)
                continue; // the code's own last space is the gap
            closePart(r, w, start, copy > 0);
            if (w.values().size() > kMaxValues)
                break;
        }
    } else {
        for (uint64_t copy = 0; copy <= r.minRepeat; ++copy) {
            for (uint64_t code : b.values) {
                const uint64_t start = w.total();
                if (copy && r.repeat.set()) {
                    if (r.flags & RepeatHeader)
                        w.pair(r.header);
                    w.pulse(r.plead);
                    w.pair(r.repeat);
                    w.pulse(r.ptrail);
                } else {
                    sendCode(r, w, code, copy > 0);
                }
                closePart(r, w, start, copy > 0);
                if (w.values().size() > kMaxValues)
                    break;
            }
        }
    }
    std::vector<uint64_t> v = w.values();
    if (v.size() % 2 == 0 && !v.empty())
        v.pop_back();
    if (v.empty()) {
        error = lineError(b.line, "the code sends no pulse");
        return false;
    }
    if (v.size() > kMaxValues) {
        error = lineError(b.line, "the code is more than " + numberText(kMaxValues) + " values");
        return false;
    }
    for (uint64_t x : v)
        if (x > kMaxValueUs) {
            error = lineError(b.line, "a duration of " + numberText(x) + " microseconds is too long");
            return false;
        }
    out.values.assign(v.begin(), v.end());
    out.carrier = uint32_t(r.frequency);
    return true;
}

// ---- reading -------------------------------------------------------------------

std::string_view withoutComment(std::string_view line)
{
    for (std::size_t i = 0; i < line.size(); ++i)
        if (line[i] == '#' && (i == 0 || isBlankChar(line[i - 1])))
            return trimmed(line.substr(0, i));
    return line;
}

class Parser
{
public:
    bool parse(std::string_view text, std::vector<Remote> &remotes, std::string &error);

private:
    bool remoteLine(const std::vector<std::string_view> &w);
    bool number(std::string_view word, uint64_t max, uint64_t &out);
    bool fail(const std::string &what)
    {
        m_error = lineError(m_line, what);
        return false;
    }

    std::size_t m_line = 0;
    std::string m_error;
    Remote *m_remote = nullptr;
};

bool Parser::number(std::string_view word, uint64_t max, uint64_t &out)
{
    if (cNumber(word, max, out))
        return true;
    return fail(quotedText(word) + " is not a number (decimal or 0x hex) up to " + numberText(max));
}

bool Parser::remoteLine(const std::vector<std::string_view> &w)
{
    Remote &r = *m_remote;
    const std::string key(w[0]);
    auto is = [&](std::string_view name) { return sameNoCase(key, name); };
    auto values = [&](std::size_t count) {
        if (w.size() >= count + 1)
            return true;
        return fail("'" + key + "' needs " + numberText(count) + (count == 1 ? " value" : " values"));
    };
    auto pair = [&](Pair &p) {
        uint64_t a = 0;
        uint64_t b = 0;
        if (!values(2) || !number(w[1], kMaxValueUs, a) || !number(w[2], kMaxValueUs, b))
            return false;
        p = { uint32_t(a), uint32_t(b) };
        return true;
    };
    auto one = [&](uint64_t &v, uint64_t max) { return values(1) && number(w[1], max, v); };
    auto duration = [&](uint32_t &v) {
        uint64_t x = 0;
        if (!one(x, kMaxValueUs))
            return false;
        v = uint32_t(x);
        return true;
    };
    constexpr uint64_t kAll = ~uint64_t(0);
    if (is("name")) {
        if (!values(1))
            return false;
        r.name = std::string(w[1]);
        return true;
    }
    if (is("bits"))
        return one(r.bits, 64);
    if (is("pre_data_bits"))
        return one(r.preBits, 64);
    if (is("post_data_bits"))
        return one(r.postBits, 64);
    if (is("pre_data"))
        return one(r.preData, kAll);
    if (is("post_data"))
        return one(r.postData, kAll);
    if (is("header"))
        return pair(r.header);
    if (is("one"))
        return pair(r.one);
    if (is("zero"))
        return pair(r.zero);
    if (is("foot"))
        return pair(r.foot);
    if (is("pre"))
        return pair(r.pre);
    if (is("post"))
        return pair(r.post);
    if (is("repeat"))
        return pair(r.repeat);
    if (is("plead"))
        return duration(r.plead);
    if (is("ptrail"))
        return duration(r.ptrail);
    if (is("gap"))
        return one(r.gap, kMaxValueUs); // a second value is for receiving
    if (is("repeat_gap"))
        return one(r.repeatGap, kMaxValueUs);
    if (is("min_repeat"))
        return one(r.minRepeat, 20);
    if (is("toggle_bit_mask"))
        return one(r.toggleMask, kAll);
    if (is("toggle_bit"))
        return one(r.toggleBit, 64);
    if (is("rc6_mask"))
        return one(r.rc6Mask, kAll);
    if (is("frequency"))
        return one(r.frequency, kMaxCarrierHz);
    if (is("flags")) {
        if (!values(1))
            return false;
        for (std::size_t i = 1; i < w.size(); ++i)
            for (std::string_view f : fields(w[i], '|')) {
                if (f.empty())
                    continue;
                bool known = false;
                for (const FlagName &n : kFlags)
                    if (sameNoCase(f, n.name)) {
                        r.flags |= n.flag;
                        known = true;
                    }
                if (!known)
                    return fail(
                        "flag " + quotedText(f) + " is not one read here "
                        + "(SPACE_ENC, RC5, SHIFT_ENC, RC6, RAW_CODES, CONST_LENGTH, REVERSE, NO_HEAD_REP, "
                          "NO_FOOT_REP, REPEAT_HEADER)");
            }
        return true;
    }
    // Settings for other encodings: refused rather than sent wrong.
    for (const char *other : { "two", "three", "serial_mode", "baud" })
        if (is(other))
            return fail("'" + key + "' belongs to an encoding this reader does not send");
    // eps, aeps, duty_cycle, driver, toggle_mask, repeat_mask, ignore_mask,
    // suppress_repeat, min_code_repeat, manual_sort: for receiving only.
    return true;
}

bool Parser::parse(std::string_view text, std::vector<Remote> &remotes, std::string &error)
{
    enum { Top, InRemote, InCodes, InRaw } state = Top;
    for (const TextLine &l : TextLines(text)) {
        m_line = l.number;
        const std::vector<std::string_view> w = blankWords(withoutComment(l.text));
        if (w.empty())
            continue;
        const bool begin = sameNoCase(w[0], "begin");
        const bool end = sameNoCase(w[0], "end");
        const std::string_view what = w.size() > 1 ? w[1] : std::string_view();
        if (state == Top) {
            if (!begin || !sameNoCase(what, "remote")) {
                error = lineError(l.number, "expected 'begin remote', got " + quotedText(l.text));
                return false;
            }
            remotes.emplace_back();
            m_remote = &remotes.back();
            m_remote->line = l.number;
            state = InRemote;
            continue;
        }
        Remote &r = *m_remote;
        if (state == InRemote) {
            if (begin && sameNoCase(what, "codes")) {
                state = InCodes;
            } else if (begin && sameNoCase(what, "raw_codes")) {
                state = InRaw;
            } else if (end && sameNoCase(what, "remote")) {
                state = Top;
            } else if (begin || end) {
                error = lineError(l.number, "unexpected " + quotedText(l.text) + " inside a remote");
                return false;
            } else if (!remoteLine(w)) {
                error = m_error;
                return false;
            }
            continue;
        }
        if (end) {
            if (!sameNoCase(what, state == InCodes ? "codes" : "raw_codes")) {
                error = lineError(l.number,
                                  std::string("expected 'end ") + (state == InCodes ? "codes" : "raw_codes")
                                      + "', got " + quotedText(l.text));
                return false;
            }
            state = InRemote;
            continue;
        }
        if (state == InCodes) {
            if (w.size() < 2) {
                error = lineError(l.number, "expected 'NAME CODE', got " + quotedText(l.text));
                return false;
            }
            Button b{ std::string(w[0]), {}, l.number };
            for (std::size_t i = 1; i < w.size(); ++i) {
                uint64_t v = 0;
                if (!number(w[i], ~uint64_t(0), v)) {
                    error = m_error;
                    return false;
                }
                b.values.push_back(v);
            }
            r.codes.push_back(std::move(b));
            continue;
        }
        // raw_codes: "name NAME", then durations over any number of lines
        std::size_t i = 0;
        if (sameNoCase(w[0], "name")) {
            if (w.size() < 2) {
                error = lineError(l.number, "'name' needs the code's name");
                return false;
            }
            r.raw.push_back({ std::string(w[1]), {}, l.number });
            i = 2;
        }
        if (i < w.size() && r.raw.empty()) {
            error = lineError(l.number, "durations before the first 'name' of raw_codes");
            return false;
        }
        for (; i < w.size(); ++i) {
            uint64_t v = 0;
            if (!decimalNumber(w[i], kMaxValueUs, v) || v == 0) {
                error = lineError(l.number,
                                  quotedText(w[i]) + " is not a duration of 1 to " + numberText(kMaxValueUs)
                                      + " microseconds");
                return false;
            }
            if (r.raw.back().values.size() >= kMaxValues) {
                error = lineError(l.number, "more than " + numberText(kMaxValues) + " durations");
                return false;
            }
            r.raw.back().values.push_back(v);
        }
    }
    if (state != Top) {
        error = lineError(m_remote->line, "the remote has no 'end remote'");
        return false;
    }
    return true;
}

bool checkRemote(Remote &r, std::string &error)
{
    const uint64_t all = allBits(r);
    if (all > 64) {
        error = lineError(r.line, "pre_data_bits, bits and post_data_bits come to more than 64");
        return false;
    }
    if (r.toggleBit && !r.toggleMask) {
        if (r.toggleBit > all) {
            error = lineError(r.line, "toggle_bit is past the code's " + numberText(all) + " bits");
            return false;
        }
        r.toggleMask = uint64_t(1) << (all - r.toggleBit);
    }
    if (!r.codes.empty() && !r.bits) {
        error = lineError(r.codes.front().line, "codes need 'bits' in their remote");
        return false;
    }
    if (!r.codes.empty() && (!r.one.set() || !r.zero.set())) {
        error = lineError(r.line, "the remote has codes but no 'one' and 'zero'");
        return false;
    }
    if ((r.flags & Biphase) && (r.flags & Rc6)) {
        error = lineError(r.line, "RC5 and RC6 in the same remote");
        return false;
    }
    for (const Button &b : r.codes)
        for (uint64_t v : b.values)
            if (r.bits < 64 && v >> r.bits) {
                error = lineError(b.line,
                                  "code 0x" + hexText(v) + " has more than the remote's " + numberText(r.bits)
                                      + " bits");
                return false;
            }
    if (r.frequency && r.frequency < kMinCarrierHz) {
        error = lineError(r.line,
                          "frequency " + numberText(r.frequency) + " is below " + numberText(kMinCarrierHz));
        return false;
    }
    return true;
}

} // namespace

bool looksLikeLircd(std::string_view text)
{
    for (const TextLine &l : TextLines(text)) {
        const std::vector<std::string_view> w = blankWords(withoutComment(l.text));
        if (!w.empty())
            return w.size() >= 2 && sameNoCase(w[0], "begin") && sameNoCase(w[1], "remote");
    }
    return false;
}

bool readLircd(std::string_view text, std::vector<Code> &codes, std::string &error)
{
    codes.clear();
    std::vector<Remote> remotes;
    Parser parser;
    if (!parser.parse(text, remotes, error))
        return false;
    for (Remote &r : remotes) {
        if (!checkRemote(r, error))
            return false;
        const std::string prefix = remotes.size() > 1 ? r.name + "." : std::string();
        for (const std::vector<Button> *list : { &r.codes, &r.raw })
            for (const Button &b : *list) {
                Signal s;
                if (!toSignal(r, b, list == &r.raw, s, error))
                    return false;
                codes.push_back(codeFromSignal(std::move(s), prefix + b.name));
                codes.back().line = b.line;
            }
    }
    return finishCodes(codes, error);
}

} // namespace lumo::ir
