// What the code-file readers share beyond irtext.h: the file's lines with
// their numbers, fields, base64 and hex bytes, the names a file gives its
// codes and the last checks before a file counts as read.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "ircodefile.h"
#include "irtext.h"

namespace lumo::ir {

struct TextLine
{
    std::size_t number = 0; // 1-based
    std::string_view text;  // without its line end, blanks trimmed at both ends
};

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

// Fields split on sep, each trimmed; "a,,b" gives an empty middle field.
std::vector<std::string_view> fields(std::string_view s, char sep);

// Bytes of base64 text (standard or URL alphabet, '=' padding optional,
// blanks between groups ignored); false for anything else.
bool base64Bytes(std::string_view s, std::vector<uint8_t> &out);
// Bytes of an even number of hex digits; false for anything else.
bool hexBytes(std::string_view s, std::vector<uint8_t> &out);

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
