// What the code-file readers share: the file's lines with their numbers,
// words, numbers read without the C locale, base64 and hex bytes, the names
// a file gives its codes and the last checks before a file counts as read.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "ircodefile.h"

namespace lumo::ir {

struct TextLine
{
    std::size_t number = 0; // 1-based
    std::string_view text;  // without its line end, blanks trimmed at both ends
};

inline bool isBlankChar(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f';
}

// The lines of a text, one after another as a range-for takes them: LF or
// CRLF ends, a UTF-8 byte order mark dropped. Nothing is copied, so looking
// at the first lines of a large file costs only those lines.
class TextLines
{
public:
    explicit TextLines(std::string_view text);

    class iterator
    {
    public:
        const TextLine &operator*() const { return m_line; }
        const TextLine *operator->() const { return &m_line; }
        iterator &operator++();
        bool operator!=(const iterator &other) const
        {
            return m_rest.data() != other.m_rest.data() || m_done != other.m_done;
        }

    private:
        friend class TextLines;
        std::string_view m_rest; // after the current line
        TextLine m_line;
        bool m_done = true;
    };

    iterator begin() const;
    iterator end() const;

private:
    std::string_view m_text;
};

inline TextLines textLines(std::string_view text)
{
    return TextLines(text);
}

std::string_view trimmed(std::string_view s);
// Words split on blanks (space, tab, CR, VT, FF).
std::vector<std::string_view> blankWords(std::string_view s);
// Fields split on sep, each trimmed; "a,,b" gives an empty middle field.
std::vector<std::string_view> fields(std::string_view s, char sep);

inline char lowerAscii(char c)
{
    return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c;
}
// Equal ignoring ASCII case.
bool sameNoCase(std::string_view a, std::string_view b);
bool startsNoCase(std::string_view s, std::string_view prefix);

// A whole number: decimal digits only (no sign, no blanks), at most max.
bool decimalNumber(std::string_view s, uint64_t max, uint64_t &out);
// Hex digits only (no "0x"), at most max.
bool hexNumber(std::string_view s, uint64_t max, uint64_t &out);
// "0x" and hex digits, else decimal digits; at most max.
bool cNumber(std::string_view s, uint64_t max, uint64_t &out);
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

// Bytes of base64 text (standard or URL alphabet, '=' padding optional,
// blanks between groups ignored); false for anything else.
bool base64Bytes(std::string_view s, std::vector<uint8_t> &out);
// Bytes of an even number of hex digits; false for anything else.
bool hexBytes(std::string_view s, std::vector<uint8_t> &out);

// "line N: what"
std::string lineError(std::size_t line, const std::string &what);
// 'text' for a message: control characters replaced, cut after 40 bytes.
std::string quotedText(std::string_view s);

// "0x1f": lower-case hex.
std::string hexText(uint64_t v);

// A protocol's command as a code (codeFromCommand()) found on line; false with
// "line N: ..." when the value does not fit the protocol.
bool commandCode(Protocol protocol, uint64_t scancode, std::string name, std::size_t line,
                 std::vector<Code> &codes, std::string &error);

// The command an NEC-style frame of the four bytes a, a2, c, c2 (sent in
// that order) holds, by the kernel's rule: nec when a2 and c2 are the
// inverses of a and c, necx when only c2 is, else nec32.
Command necCommand(uint8_t a, uint8_t a2, uint8_t c, uint8_t c2);

// Ends reading a file's codes: there must be at least one, names are made
// unique (a repeated name gets " (2)", " (3)", ...; when a file holds several
// codes, those without a name become "code 1", "code 2", ... by position),
// and every code's signal must pass checkSignal() ("line N: ..." naming the
// code's first line otherwise).
bool finishCodes(std::vector<Code> &codes, std::string &error);

// Put between two parts of a signal when the first ends with a pulse (a
// packet or code that is sent again without a gap of its own).
constexpr uint32_t kDefaultRepeatGapUs = 100'000;

// Appends n values (pulse first, may end with a space) to out, with
// kDefaultRepeatGapUs between when out ends with a pulse. Returns false, out
// unchanged, when out would hold more than kMaxValues values.
bool appendPart(std::vector<uint32_t> &out, const uint32_t *values, std::size_t n);
// Drops a trailing space, so the signal ends with a pulse.
void endWithPulse(std::vector<uint32_t> &values);

} // namespace lumo::ir
