#include "codetext.h"

#include <algorithm>
#include <map>

namespace lumo::ir {

TextLines::TextLines(std::string_view text)
    : m_text(withoutByteOrderMark(text))
{ }

TextLines::iterator TextLines::begin() const
{
    iterator it;
    it.m_rest = m_text;
    it.m_done = false;
    return ++it;
}

TextLines::iterator TextLines::end() const
{
    iterator it;
    it.m_rest = m_text.substr(m_text.size());
    return it;
}

TextLines::iterator &TextLines::iterator::operator++()
{
    if (m_rest.empty()) {
        m_done = true;
        return *this;
    }
    std::size_t end = m_rest.find('\n');
    if (end == std::string_view::npos)
        end = m_rest.size();
    m_line.text = trimmed(m_rest.substr(0, end));
    ++m_line.number;
    m_rest.remove_prefix(std::min(end + 1, m_rest.size()));
    return *this;
}

std::vector<std::string_view> fields(std::string_view s, char sep)
{
    std::vector<std::string_view> out;
    std::size_t start = 0;
    while (true) {
        const std::size_t end = s.find(sep, start);
        if (end == std::string_view::npos) {
            out.push_back(trimmed(s.substr(start)));
            return out;
        }
        out.push_back(trimmed(s.substr(start, end - start)));
        start = end + 1;
    }
}

namespace {

int base64Value(char c)
{
    if (c >= 'A' && c <= 'Z')
        return c - 'A';
    if (c >= 'a' && c <= 'z')
        return c - 'a' + 26;
    if (c >= '0' && c <= '9')
        return c - '0' + 52;
    if (c == '+' || c == '-')
        return 62;
    if (c == '/' || c == '_')
        return 63;
    return -1;
}

} // namespace

bool base64Bytes(std::string_view s, std::vector<uint8_t> &out)
{
    out.clear();
    uint32_t bits = 0;
    int count = 0;
    std::size_t padding = 0;
    for (char c : s) {
        if (isBlankChar(c) || c == '\n')
            continue;
        if (c == '=') {
            ++padding;
            continue;
        }
        const int v = base64Value(c);
        if (v < 0 || padding)
            return false;
        bits = bits << 6 | uint32_t(v);
        count += 6;
        if (count >= 8) {
            count -= 8;
            out.push_back(uint8_t(bits >> count));
        }
    }
    // a lone 6-bit group cannot end a byte; leftover bits must be zero
    return count != 6 && (bits & ((1u << count) - 1)) == 0 && padding <= 2;
}

bool hexBytes(std::string_view s, std::vector<uint8_t> &out)
{
    out.clear();
    if (s.size() % 2)
        return false;
    for (std::size_t i = 0; i < s.size(); i += 2) {
        const int hi = hexDigit(s[i]);
        const int lo = hexDigit(s[i + 1]);
        if (hi < 0 || lo < 0)
            return false;
        out.push_back(uint8_t(hi << 4 | lo));
    }
    return true;
}

bool commandCode(Protocol protocol, uint64_t scancode, std::string name, std::size_t line,
                 std::vector<Code> &codes, std::string &error)
{
    if (!scancodeFits(protocol, scancode)) {
        error = lineError(line,
                          "scancode 0x" + hexText(scancode) + " does not fit " + protocolName(protocol));
        return false;
    }
    codes.push_back(codeFromCommand(protocol, scancode, std::move(name)));
    codes.back().line = line;
    return true;
}

Command necCommand(uint8_t a, uint8_t a2, uint8_t c, uint8_t c2)
{
    if ((c ^ c2) != 0xff)
        return { Protocol::Nec32, uint64_t(a2) << 24 | uint64_t(a) << 16 | uint64_t(c2) << 8 | c };
    if ((a ^ a2) != 0xff)
        return { Protocol::Necx, uint64_t(a) << 16 | uint64_t(a2) << 8 | c };
    return { Protocol::Nec, uint64_t(a) << 8 | c };
}

bool finishCodes(std::vector<Code> &codes, std::string &error)
{
    if (codes.empty()) {
        error = lineError(1, "no codes in the file");
        return false;
    }
    for (const Code &c : codes) {
        std::string why;
        if (!checkSignal(c.signal, why)) {
            error = lineError(c.line, (c.name.empty() ? "" : quotedText(c.name) + ": ") + why);
            return false;
        }
    }
    if (codes.size() > 1)
        for (std::size_t i = 0; i < codes.size(); ++i)
            if (codes[i].name.empty())
                codes[i].name = "code " + numberText(i + 1);
    // Repeats get " (2)", " (3)", ...: universal library files hold one
    // "Power" per brand. Names compare ignoring case, as findCode() finds them.
    std::map<std::string, std::size_t> seen;
    auto key = [](const std::string &name) {
        std::string k = name;
        for (char &c : k)
            c = lowerAscii(c);
        return k;
    };
    for (const Code &c : codes)
        seen.emplace(key(c.name), 0);
    for (Code &c : codes) {
        std::size_t &count = seen[key(c.name)];
        if (++count == 1)
            continue;
        std::string renamed = c.name + " (" + numberText(count) + ")";
        while (seen.count(key(renamed)))
            renamed = c.name + " (" + numberText(++count) + ")";
        seen.emplace(key(renamed), 1);
        c.name = renamed;
    }
    return true;
}

bool appendPart(std::vector<uint32_t> &out, const uint32_t *values, std::size_t n)
{
    if (n == 0)
        return true;
    const bool gap = out.size() % 2 == 1;
    if (out.size() + gap + n > kMaxValues)
        return false;
    if (gap)
        out.push_back(kDefaultRepeatGapUs);
    out.insert(out.end(), values, values + n);
    return true;
}

void endWithPulse(std::vector<uint32_t> &values)
{
    if (!values.empty() && values.size() % 2 == 0)
        values.pop_back();
}

} // namespace lumo::ir
