#include "irtext.h"

#include <charconv>

namespace lumo::ir {

std::string_view trimmed(std::string_view s)
{
    while (!s.empty() && isBlankChar(s.front()))
        s.remove_prefix(1);
    while (!s.empty() && isBlankChar(s.back()))
        s.remove_suffix(1);
    return s;
}

std::vector<std::string_view> blankWords(std::string_view s)
{
    std::vector<std::string_view> out;
    std::size_t i = 0;
    while (i < s.size()) {
        while (i < s.size() && isBlankChar(s[i]))
            ++i;
        const std::size_t start = i;
        while (i < s.size() && !isBlankChar(s[i]))
            ++i;
        if (i > start)
            out.push_back(s.substr(start, i - start));
    }
    return out;
}

std::string_view withoutByteOrderMark(std::string_view text)
{
    if (text.substr(0, 3) == "\xEF\xBB\xBF")
        text.remove_prefix(3);
    return text;
}

bool sameNoCase(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (lowerAscii(a[i]) != lowerAscii(b[i]))
            return false;
    return true;
}

bool startsNoCase(std::string_view s, std::string_view prefix)
{
    return s.size() >= prefix.size() && sameNoCase(s.substr(0, prefix.size()), prefix);
}

bool baseNumber(std::string_view s, unsigned base, uint64_t max, uint64_t &out)
{
    if (s.empty())
        return false;
    uint64_t v = 0;
    for (char c : s) {
        const int d = hexDigit(c);
        if (d < 0 || unsigned(d) >= base)
            return false;
        if (uint64_t(d) > max || v > (max - uint64_t(d)) / base)
            return false;
        v = v * base + uint64_t(d);
    }
    out = v;
    return true;
}

bool decimalNumber(std::string_view s, uint64_t max, uint64_t &out)
{
    return baseNumber(s, 10, max, out);
}

bool hexNumber(std::string_view s, uint64_t max, uint64_t &out)
{
    return baseNumber(s, 16, max, out);
}

bool cNumber(std::string_view s, uint64_t max, uint64_t &out)
{
    if (s.size() > 2 && s[0] == '0' && (s[1] == 'x' || s[1] == 'X'))
        return hexNumber(s.substr(2), max, out);
    return decimalNumber(s, max, out);
}

std::string numberText(uint64_t v)
{
    char buf[24];
    auto r = std::to_chars(buf, buf + sizeof buf, v);
    return std::string(buf, r.ptr);
}

std::string hexText(uint64_t value, int minDigits, bool upperCase)
{
    const char *digits = upperCase ? "0123456789ABCDEF" : "0123456789abcdef";
    char reversed[16];
    int n = 0;
    do {
        reversed[n++] = digits[value & 15];
        value >>= 4;
    } while (value);
    std::string out(std::size_t(minDigits > n ? minDigits - n : 0), '0');
    while (n)
        out += reversed[--n];
    return out;
}

std::string oneLine(std::string_view text)
{
    std::string out;
    out.reserve(text.size());
    for (char c : text)
        out += (static_cast<unsigned char>(c) < 0x20 || c == 0x7f) ? '?' : c;
    return out;
}

std::string lineError(std::size_t line, const std::string &what)
{
    return "line " + numberText(line) + ": " + what;
}

std::string quotedText(std::string_view s)
{
    std::string shown = oneLine(s.substr(0, 41));
    if (shown.size() > 40)
        shown = shown.substr(0, 40) + "...";
    return "'" + shown + "'";
}

} // namespace lumo::ir
