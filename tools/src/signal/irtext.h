// Text as IR files hold it, read and written without the C locale: blanks
// and words, ASCII case, whole numbers, and the pieces of a "line N: ..."
// message. Everything the signal parser and the code-file readers share.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace lumo::ir {

// Space, tab, CR, VT, FF: what separates words on a line.
inline bool isBlankChar(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f';
}

// s without blanks at either end.
std::string_view trimmed(std::string_view s);
// Words split on blanks; none for a blank or empty s.
std::vector<std::string_view> blankWords(std::string_view s);
// text without the UTF-8 byte order mark it may start with.
std::string_view withoutByteOrderMark(std::string_view text);

inline char lowerAscii(char c)
{
    return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c;
}
// Equal ignoring ASCII case.
bool sameNoCase(std::string_view a, std::string_view b);
bool startsNoCase(std::string_view s, std::string_view prefix);

// -1 for anything but 0-9, a-f, A-F.
inline int hexDigit(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

// A whole number of digits of base (2 to 16; no sign, no prefix, no
// blanks), at most max.
bool baseNumber(std::string_view s, unsigned base, uint64_t max, uint64_t &out);
// A whole number: decimal digits only (no sign, no blanks), at most max.
bool decimalNumber(std::string_view s, uint64_t max, uint64_t &out);
// Hex digits only (no "0x"), at most max.
bool hexNumber(std::string_view s, uint64_t max, uint64_t &out);
// "0x" and hex digits, else decimal digits; at most max.
bool cNumber(std::string_view s, uint64_t max, uint64_t &out);

// Locale-free integer text.
std::string numberText(uint64_t v);
// value in hex digits (no "0x"), at least minDigits of them (leading zeros),
// a-f or A-F.
std::string hexText(uint64_t value, int minDigits = 1, bool upperCase = false);

// Replaces control characters so text can go on one line of a comment or log.
std::string oneLine(std::string_view text);
// "line N: what"
std::string lineError(std::size_t line, const std::string &what);
// 'text' for a message: control characters replaced, cut after 40 bytes.
std::string quotedText(std::string_view s);

} // namespace lumo::ir
