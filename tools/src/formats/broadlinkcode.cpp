#include "broadlinkcode.h"

#include "codetext.h"

namespace lumo::ir {

namespace {

constexpr uint8_t kIrType = 0x26;

// The packet's bytes from its text: base64 (with or without "b64:") or hex.
bool packetBytes(std::string_view word, std::vector<uint8_t> &out)
{
    if (startsNoCase(word, "b64:"))
        word.remove_prefix(4);
    if (word.size() >= 8 && word.substr(0, 2) == "26" && hexBytes(word, out))
        return true;
    return word.size() >= 6 && word.substr(0, 2) == "Jg" && base64Bytes(word, out);
}

// The code part of a line: after "NAME:" when there is one ("b64:" is no name).
std::string_view splitName(std::string_view line, std::string &name)
{
    name.clear();
    const std::size_t colon = line.find(':');
    if (colon == std::string_view::npos || sameNoCase(trimmed(line.substr(0, colon)), "b64"))
        return line;
    name = std::string(trimmed(line.substr(0, colon)));
    return trimmed(line.substr(colon + 1));
}

bool readPacket(std::string_view word, std::string name, std::size_t line, std::vector<Code> &codes,
                std::string &error)
{
    std::vector<uint8_t> b;
    if (!packetBytes(word, b)) {
        error = lineError(line, quotedText(word) + " is not a Broadlink IR packet in base64 or hex");
        return false;
    }
    if (b.size() < 4 || b[0] != kIrType) {
        error = lineError(line, "not an IR packet (it must start with the type byte 0x26 and hold a length)");
        return false;
    }
    const std::size_t length = std::size_t(b[2]) | std::size_t(b[3]) << 8;
    if (4 + length > b.size()) {
        error = lineError(line,
                          "the packet is cut: its length says " + numberText(length) + " bytes, "
                              + numberText(b.size() - 4) + " follow");
        return false;
    }
    std::vector<uint32_t> once;
    std::size_t i = 4;
    const std::size_t end = 4 + length;
    while (i < end) {
        uint32_t ticks = b[i++];
        if (ticks == 0) {
            if (i + 2 > end) {
                error = lineError(line, "the packet ends inside a long duration (0x00 and two bytes)");
                return false;
            }
            ticks = uint32_t(b[i]) << 8 | b[i + 1];
            i += 2;
            if (ticks == 0) {
                bool padding = true;
                for (std::size_t k = i; k < end; ++k)
                    padding = padding && b[k] == 0;
                if (padding) // zeros to the end: filler, not durations
                    break;
                error = lineError(line, "a duration of 0 inside the packet");
                return false;
            }
        }
        if (once.size() >= kMaxValues) {
            error = lineError(line, "more than " + numberText(kMaxValues) + " values in the packet");
            return false;
        }
        once.push_back((ticks * kBroadlinkTickCentiUs + 50) / 100);
    }
    if (once.empty()) {
        error = lineError(line, "the packet holds no durations");
        return false;
    }
    Signal s;
    for (std::size_t copy = 0; copy <= b[1]; ++copy)
        if (!appendPart(s.values, once.data(), once.size())) {
            error = lineError(line,
                              "the packet sent " + numberText(b[1] + 1u) + " times is more than "
                                  + numberText(kMaxValues) + " values");
            return false;
        }
    endWithPulse(s.values);
    codes.push_back(codeFromSignal(std::move(s), std::move(name)));
    codes.back().line = line;
    return true;
}

// ---- JSON --------------------------------------------------------------------

// Just enough JSON to walk an object of packets: every value is read, the
// strings and objects kept.
class Json
{
public:
    struct Value
    {
        enum Kind { String, Object, Other } kind = Other;
        std::size_t line = 0;
        std::string text;                                   // String
        std::vector<std::pair<std::string, Value>> members; // Object, in file order
    };

    explicit Json(std::string_view text)
        : m_text(text)
    { }

    bool parse(Value &out, std::string &error)
    {
        if (!value(out, 0))
            return fail(error);
        skip();
        if (m_at != m_text.size()) {
            m_error = "text after the end of the JSON object";
            return fail(error);
        }
        return true;
    }

private:
    bool fail(std::string &error)
    {
        error = lineError(m_line, m_error.empty() ? "not valid JSON" : m_error);
        return false;
    }

    void skip()
    {
        while (m_at < m_text.size()) {
            const char c = m_text[m_at];
            if (c == '\n')
                ++m_line;
            else if (!isBlankChar(c))
                return;
            ++m_at;
        }
    }

    bool literal(std::string_view word)
    {
        if (m_text.substr(m_at, word.size()) != word)
            return false;
        m_at += word.size();
        return true;
    }

    bool string(std::string &out)
    {
        ++m_at; // the opening quote
        while (m_at < m_text.size()) {
            const char c = m_text[m_at++];
            if (c == '"')
                return true;
            if (c == '\n' || static_cast<unsigned char>(c) < 0x20) {
                m_error = "a string runs past the end of its line";
                return false;
            }
            if (c != '\\') {
                out += c;
                continue;
            }
            if (m_at >= m_text.size())
                break;
            const char e = m_text[m_at++];
            const char *plain = "\"\\/bfnrt";
            const char *meant = "\"\\/\b\f\n\r\t";
            const char *found = e ? std::char_traits<char>::find(plain, 8, e) : nullptr;
            if (found) {
                out += meant[found - plain];
                continue;
            }
            uint64_t code = 0;
            if (e != 'u' || !hexNumber(m_text.substr(m_at, 4), 0xffff, code) || m_text.size() - m_at < 4) {
                m_error = "a bad escape in a string";
                return false;
            }
            m_at += 4;
            // names only: anything outside ASCII is kept as UTF-8
            if (code < 0x80) {
                out += char(code);
            } else if (code < 0x800) {
                out += char(0xc0 | code >> 6);
                out += char(0x80 | (code & 0x3f));
            } else {
                out += char(0xe0 | code >> 12);
                out += char(0x80 | (code >> 6 & 0x3f));
                out += char(0x80 | (code & 0x3f));
            }
        }
        m_error = "a string is not closed";
        return false;
    }

    bool value(Value &out, int depth)
    {
        if (depth > 32) {
            m_error = "objects nested too deep";
            return false;
        }
        skip();
        out.line = m_line;
        if (m_at >= m_text.size()) {
            m_error = "the JSON text ends early";
            return false;
        }
        const char c = m_text[m_at];
        if (c == '"') {
            out.kind = Value::String;
            return string(out.text);
        }
        if (c == '{' || c == '[') {
            const bool object = c == '{';
            const char close = object ? '}' : ']';
            out.kind = object ? Value::Object : Value::Other;
            ++m_at;
            skip();
            if (m_at < m_text.size() && m_text[m_at] == close) {
                ++m_at;
                return true;
            }
            while (true) {
                std::string key;
                if (object) {
                    skip();
                    if (m_at >= m_text.size() || m_text[m_at] != '"') {
                        m_error = "expected a name in quotes";
                        return false;
                    }
                    if (!string(key))
                        return false;
                    skip();
                    if (m_at >= m_text.size() || m_text[m_at] != ':') {
                        m_error = "expected ':' after a name";
                        return false;
                    }
                    ++m_at;
                }
                Value member;
                if (!value(member, depth + 1))
                    return false;
                if (object)
                    out.members.emplace_back(std::move(key), std::move(member));
                skip();
                if (m_at < m_text.size() && m_text[m_at] == ',') {
                    ++m_at;
                    continue;
                }
                if (m_at < m_text.size() && m_text[m_at] == close) {
                    ++m_at;
                    return true;
                }
                m_error = std::string("expected ',' or '") + close + "'";
                return false;
            }
        }
        if (literal("true") || literal("false") || literal("null"))
            return true;
        const std::size_t start = m_at;
        while (m_at < m_text.size() && std::char_traits<char>::find("+-.0123456789eE", 15, m_text[m_at]))
            ++m_at;
        if (m_at == start) {
            m_error = "unexpected " + quotedText(m_text.substr(m_at, 1));
            return false;
        }
        return true;
    }

    std::string_view m_text;
    std::size_t m_at = 0;
    std::size_t m_line = 1;
    std::string m_error;
};

bool readObject(const Json::Value &object, const std::string &prefix, std::vector<Code> &codes,
                std::string &error)
{
    for (const auto &[key, v] : object.members) {
        if (v.kind == Json::Value::Object) {
            if (!readObject(v, prefix + key + ".", codes, error))
                return false;
        } else if (v.kind == Json::Value::String) {
            if (!readPacket(v.text, prefix + key, v.line, codes, error))
                return false;
        } else {
            error = lineError(v.line,
                              quotedText(prefix + key) + " holds neither a packet nor an object of them");
            return false;
        }
    }
    return true;
}

} // namespace

bool looksLikeBroadlink(std::string_view text)
{
    for (const TextLine &l : TextLines(text)) {
        if (l.text.empty() || l.text[0] == '#')
            continue;
        if (l.text[0] == '{')
            return true;
        std::string name;
        const std::vector<std::string_view> words = blankWords(splitName(l.text, name));
        std::vector<uint8_t> bytes;
        return words.size() == 1 && packetBytes(words[0], bytes) && !bytes.empty() && bytes[0] == kIrType;
    }
    return false;
}

bool readBroadlink(std::string_view text, std::vector<Code> &codes, std::string &error)
{
    codes.clear();
    bool json = false;
    for (const TextLine &l : TextLines(text))
        if (!l.text.empty()) {
            json = l.text[0] == '{';
            break;
        }
    if (json) {
        Json::Value root;
        if (!Json(withoutByteOrderMark(text)).parse(root, error))
            return false;
        if (root.kind != Json::Value::Object) {
            error = lineError(root.line, "expected a JSON object of named packets");
            return false;
        }
        const Json::Value *walk = &root;
        for (const auto &[key, v] : root.members)
            if (key == "commands" && v.kind == Json::Value::Object)
                walk = &v; // a SmartIR code set: the rest describes the device
        if (!readObject(*walk, "", codes, error))
            return false;
        return finishCodes(codes, error);
    }
    for (const TextLine &l : TextLines(text)) {
        if (l.text.empty() || l.text[0] == '#')
            continue;
        std::string name;
        const std::vector<std::string_view> words = blankWords(splitName(l.text, name));
        if (words.size() != 1) {
            error = lineError(l.number, "expected one packet per line, as 'NAME: PACKET' or 'PACKET'");
            return false;
        }
        if (!readPacket(words[0], std::move(name), l.number, codes, error))
            return false;
    }
    return finishCodes(codes, error);
}

} // namespace lumo::ir
