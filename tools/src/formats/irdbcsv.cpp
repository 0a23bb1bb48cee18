#include "irdbcsv.h"

#include "codetext.h"

namespace lumo::ir {

namespace {

const char *const kColumns[] = { "functionname", "protocol", "device", "subdevice", "function" };
constexpr std::size_t kColumnCount = 5;

// Comma-separated fields, "quoted" ones with "" for a quote; false when a
// quote is not closed.
bool csvFields(std::string_view line, std::vector<std::string> &out)
{
    out.clear();
    std::size_t i = 0;
    while (true) {
        std::string field;
        while (i < line.size() && isBlankChar(line[i]))
            ++i;
        if (i < line.size() && line[i] == '"') {
            ++i;
            while (true) {
                if (i >= line.size())
                    return false;
                if (line[i] == '"' && i + 1 < line.size() && line[i + 1] == '"') {
                    field += '"';
                    i += 2;
                } else if (line[i] == '"') {
                    ++i;
                    break;
                } else {
                    field += line[i++];
                }
            }
            while (i < line.size() && line[i] != ',')
                field += line[i++];
        } else {
            while (i < line.size() && line[i] != ',')
                field += line[i++];
        }
        out.push_back(std::string(trimmed(field)));
        if (i >= line.size())
            return true;
        ++i; // the comma
    }
}

std::string protocolKey(std::string_view name)
{
    std::string key;
    for (char c : name)
        if (c != '-' && c != '_' && !isBlankChar(c))
            key += lowerAscii(c);
    return key;
}

struct Numbers
{
    uint64_t device = 0;
    int64_t subdevice = -1; // -1: none given
    uint64_t function = 0;
};

// The command of an IRP protocol's device/subdevice/function; false with why.
bool toCommand(const std::string &key, const Numbers &n, Command &out, std::string &why)
{
    auto range = [&](const char *what, uint64_t v, uint64_t max) {
        if (v <= max)
            return true;
        why = std::string(what) + " " + numberText(v) + " is above " + numberText(max);
        return false;
    };
    auto noSubdevice = [&]() {
        if (n.subdevice < 0)
            return true;
        why = "this protocol has no subdevice; give -1";
        return false;
    };
    const uint64_t d = n.device;
    const uint64_t f = n.function;
    const bool hasSub = n.subdevice >= 0;
    const uint64_t s = hasSub ? uint64_t(n.subdevice) : 0;
    if (key == "nec" || key == "nec1" || key == "nec2") {
        if (!range("device", d, 255) || !range("subdevice", s, 255) || !range("function", f, 255))
            return false;
        out = necCommand(uint8_t(d), uint8_t(hasSub ? s : 255 - d), uint8_t(f), uint8_t(255 - f));
        return true;
    }
    if (key == "necx" || key == "necx1" || key == "necx2" || key == "samsung" || key == "samsung32") {
        if (!range("device", d, 255) || !range("subdevice", s, 255) || !range("function", f, 255))
            return false;
        out = { Protocol::Samsung32, d << 16 | (hasSub ? s : d) << 8 | f };
        return true;
    }
    if (key == "rc5") {
        if (!noSubdevice() || !range("device", d, 31) || !range("function", f, 127))
            return false;
        out = { Protocol::Rc5, d << 8 | f };
        return true;
    }
    if (key == "rc5x") {
        if (!hasSub) {
            why = "RC5x needs a subdevice (the 7-bit command)";
            return false;
        }
        if (!range("device", d, 31) || !range("subdevice", s, 127) || !range("function", f, 63))
            return false;
        out = { Protocol::Rc5x20, d << 16 | s << 8 | f };
        return true;
    }
    if (key == "rc6" || key == "jvc") {
        if (!noSubdevice() || !range("device", d, 255) || !range("function", f, 255))
            return false;
        out = { key == "rc6" ? Protocol::Rc6_0 : Protocol::Jvc, d << 8 | f };
        return true;
    }
    if (key == "sony12" || key == "sony15") {
        if (!noSubdevice() || !range("device", d, key == "sony12" ? 31 : 255) || !range("function", f, 127))
            return false;
        out = { key == "sony12" ? Protocol::Sony12 : Protocol::Sony15, d << 16 | f };
        return true;
    }
    if (key == "sony20") {
        if (!range("device", d, 31) || !range("subdevice", s, 255) || !range("function", f, 127))
            return false;
        out = { Protocol::Sony20, d << 16 | s << 8 | f };
        return true;
    }
    if (key == "panasonic") {
        if (!range("device", d, 255) || !range("subdevice", s, 255) || !range("function", f, 255))
            return false;
        out = { Protocol::Panasonic, d << 16 | s << 8 | f };
        return true;
    }
    if (key == "pioneer") {
        if (!range("device", d, 255) || !range("function", f, 255))
            return false;
        if (hasSub && s != 255 - d) {
            why = "pioneer's subdevice can only be 255 - device";
            return false;
        }
        out = { Protocol::Pioneer, d << 8 | f };
        return true;
    }
    if (key == "rca") {
        if (!noSubdevice() || !range("device", d, 15) || !range("function", f, 255))
            return false;
        out = { Protocol::Rca, d << 8 | f };
        return true;
    }
    if (key == "sharp") {
        if (!noSubdevice() || !range("device", d, 31) || !range("function", f, 255))
            return false;
        out = { Protocol::Sharp, d << 8 | f };
        return true;
    }
    why = "protocol is not one read here (NEC1, NEC2, NECx1, NECx2, Samsung, RC5, RC5x, RC6, JVC, Sony12, "
          "Sony15, Sony20, Panasonic, Pioneer, RCA, Sharp)";
    return false;
}

bool headerColumns(std::string_view line, std::vector<std::size_t> &columns)
{
    std::vector<std::string> names;
    if (!csvFields(line, names))
        return false;
    columns.assign(kColumnCount, std::string::npos);
    for (std::size_t i = 0; i < names.size(); ++i)
        for (std::size_t c = 0; c < kColumnCount; ++c)
            if (sameNoCase(names[i], kColumns[c]) && columns[c] == std::string::npos)
                columns[c] = i;
    for (std::size_t c : columns)
        if (c == std::string::npos)
            return false;
    return true;
}

} // namespace

bool looksLikeIrdbCsv(std::string_view text)
{
    std::vector<std::size_t> columns;
    for (const TextLine &l : TextLines(text))
        if (!l.text.empty())
            return headerColumns(l.text, columns);
    return false;
}

bool readIrdbCsv(std::string_view text, std::vector<Code> &codes, std::string &error)
{
    codes.clear();
    std::vector<std::size_t> columns;
    bool header = false;
    for (const TextLine &l : TextLines(text)) {
        if (l.text.empty())
            continue;
        if (!header) {
            if (!headerColumns(l.text, columns)) {
                error = lineError(l.number,
                                  "expected the header functionname,protocol,device,subdevice,function");
                return false;
            }
            header = true;
            continue;
        }
        std::vector<std::string> row;
        if (!csvFields(l.text, row)) {
            error = lineError(l.number, "a quoted field is not closed");
            return false;
        }
        for (std::size_t c : columns)
            if (c >= row.size()) {
                error = lineError(l.number,
                                  "the row has " + numberText(row.size()) + " fields; the header has more");
                return false;
            }
        Numbers n;
        auto number = [&](std::size_t column, uint64_t &out) {
            if (decimalNumber(row[columns[column]], 0xffffffffu, out))
                return true;
            error = lineError(l.number,
                              std::string(kColumns[column]) + " " + quotedText(row[columns[column]])
                                  + " is not a whole number");
            return false;
        };
        if (!number(2, n.device) || !number(4, n.function))
            return false;
        const std::string &sub = row[columns[3]];
        if (!sub.empty() && sub != "-1") {
            uint64_t s = 0;
            if (!number(3, s))
                return false;
            n.subdevice = int64_t(s);
        }
        Command c;
        std::string why;
        if (!toCommand(protocolKey(row[columns[1]]), n, c, why)) {
            error = lineError(l.number, quotedText(row[columns[1]]) + ": " + why);
            return false;
        }
        if (!commandCode(c.protocol, c.scancode, row[columns[0]], l.number, codes, error))
            return false;
    }
    return finishCodes(codes, error);
}

} // namespace lumo::ir
