#include "flipperfile.h"

#include "codetext.h"

namespace lumo::ir {

namespace {

enum class Fp : uint8_t {
    Nec,
    NecExt,
    Nec42,
    Nec42Ext,
    Samsung32,
    Rc5,
    Rc5x,
    Rc6,
    Sirc,
    Sirc15,
    Sirc20,
    Kaseikyo,
    Rca,
    Pioneer,
};

struct FlipperProtocol
{
    const char *name;
    Fp id;
    int addressBits;
    int commandBits;
};

// Flipper's protocols and how wide it lets their fields be.
const FlipperProtocol kFlipperProtocols[] = {
    { "NEC", Fp::Nec, 8, 8 },
    { "NECext", Fp::NecExt, 16, 16 },
    { "NEC42", Fp::Nec42, 13, 8 },
    { "NEC42ext", Fp::Nec42Ext, 26, 16 },
    { "Samsung32", Fp::Samsung32, 8, 8 },
    { "RC5", Fp::Rc5, 5, 6 },
    { "RC5X", Fp::Rc5x, 5, 7 },
    { "RC6", Fp::Rc6, 8, 8 },
    { "SIRC", Fp::Sirc, 5, 7 },
    { "SIRC15", Fp::Sirc15, 8, 7 },
    { "SIRC20", Fp::Sirc20, 13, 7 },
    { "Kaseikyo", Fp::Kaseikyo, 26, 10 },
    { "RCA", Fp::Rca, 4, 8 },
    { "Pioneer", Fp::Pioneer, 8, 8 },
};

constexpr uint32_t kPanasonicVendor = 0x2002;

const FlipperProtocol *findProtocol(std::string_view name)
{
    for (const FlipperProtocol &p : kFlipperProtocols)
        if (sameNoCase(name, p.name))
            return &p;
    return nullptr;
}

// The bytes Flipper sends for a Kaseikyo address (id << 24, vendor << 8,
// genre1 << 4, genre2) and 10-bit command: vendor low and high byte, vendor
// parity and genre1, genre2 and the command's low nibble, id and the
// command's high six bits, then the parity of the three before.
void kaseikyoBytes(uint32_t address, uint32_t command, uint8_t b[6])
{
    const uint32_t vendor = address >> 8 & 0xffff;
    const uint32_t genre1 = address >> 4 & 0xf;
    const uint32_t genre2 = address & 0xf;
    const uint32_t id = address >> 24 & 3;
    b[0] = uint8_t(vendor);
    b[1] = uint8_t(vendor >> 8);
    const uint32_t vp = (b[0] ^ b[1]) & 0xff;
    b[2] = uint8_t(((vp & 0xf) ^ (vp >> 4)) | genre1 << 4);
    b[3] = uint8_t(genre2 | (command & 0xf) << 4);
    b[4] = uint8_t(id << 6 | command >> 4);
    b[5] = uint8_t(b[2] ^ b[3] ^ b[4]);
}

// Our command for a Flipper message: every Flipper protocol has one.
Command toCommand(const FlipperProtocol &p, uint32_t a, uint32_t c)
{
    switch (p.id) {
    case Fp::Nec:
        return necCommand(uint8_t(a), uint8_t(~a), uint8_t(c), uint8_t(~c));
    case Fp::NecExt:
        return necCommand(uint8_t(a), uint8_t(a >> 8), uint8_t(c), uint8_t(c >> 8));
    case Fp::Samsung32:
        return { Protocol::Samsung32, uint64_t(a) << 16 | uint64_t(a) << 8 | c };
    case Fp::Rc5:
        return { Protocol::Rc5, uint64_t(a) << 8 | c };
    case Fp::Rc5x:
        // Flipper sends the low six command bits with the field bit clear,
        // which is command bit 6 set in the kernel's layout. Its files may
        // hold a seventh command bit, but Flipper sends RC5X 0x4D and 0x0D
        // alike (and writes the six bits when it learns one): so do we.
        return { Protocol::Rc5, uint64_t(a) << 8 | 0x40 | (c & 0x3f) };
    case Fp::Rc6:
        return { Protocol::Rc6_0, uint64_t(a) << 8 | c };
    case Fp::Sirc:
        return { Protocol::Sony12, uint64_t(a) << 16 | c };
    case Fp::Sirc15:
        return { Protocol::Sony15, uint64_t(a) << 16 | c };
    case Fp::Sirc20:
        // the 13 address bits go out as the 5-bit device, then the 8-bit extension
        return { Protocol::Sony20, uint64_t(a & 0x1f) << 16 | uint64_t(a >> 5) << 8 | c };
    case Fp::Nec42:
        // NEC42 checks its inverses: the kernel's sanyo frame
        return { Protocol::Sanyo, uint64_t(a) << 8 | c };
    case Fp::Nec42Ext:
        if ((a >> 13) == (~a & 0x1fff) && (c >> 8) == (~c & 0xff))
            return { Protocol::Sanyo, uint64_t(a & 0x1fff) << 8 | (c & 0xff) };
        return { Protocol::Nec42, uint64_t(a) << 16 | c };
    case Fp::Pioneer:
        return { Protocol::Pioneer, uint64_t(a) << 8 | c };
    case Fp::Rca:
        // Flipper reads RCA's fields least significant bit first
        return { Protocol::Rca, reversedBits(a, 4) << 8 | reversedBits(c, 8) };
    case Fp::Kaseikyo: {
        uint8_t b[6];
        kaseikyoBytes(a, c, b);
        const uint64_t vendor = a >> 8 & 0xffff;
        if (vendor == kPanasonicVendor)
            return { Protocol::Panasonic, uint64_t(b[2]) << 16 | uint64_t(b[3]) << 8 | b[4] };
        return { Protocol::Kaseikyo,
                 vendor << 32 | uint64_t(b[2]) << 24 | uint64_t(b[3]) << 16 | uint64_t(b[4]) << 8 | b[5] };
    }
    }
    return {};
}

// "07 00 00 00": four hex bytes, least significant first.
bool fourBytes(std::string_view value, uint32_t &out)
{
    const std::vector<std::string_view> words = blankWords(value);
    if (words.size() != 4)
        return false;
    uint32_t v = 0;
    for (std::size_t i = 0; i < 4; ++i) {
        uint64_t byte = 0;
        if (words[i].size() != 2 || !hexNumber(words[i], 0xff, byte))
            return false;
        v |= uint32_t(byte) << (8 * i);
    }
    out = v;
    return true;
}

// "0.330000", "1", ".5": between 0 (excluded) and 1, read without the C locale.
bool dutyCycle(std::string_view s)
{
    const std::size_t dot = s.find('.');
    const std::string_view whole = s.substr(0, dot);
    const std::string_view frac = dot == std::string_view::npos ? std::string_view() : s.substr(dot + 1);
    if (whole.empty() && frac.empty())
        return false;
    uint64_t w = 0;
    if (!whole.empty() && !decimalNumber(whole, 1, w))
        return false;
    bool fracZero = true;
    for (char c : frac) {
        if (c < '0' || c > '9')
            return false;
        fracZero = fracZero && c == '0';
    }
    return w == 1 ? fracZero : !fracZero;
}

struct Block
{
    std::size_t line = 0; // of "name:"
    std::string name;
    std::string_view type, protocol, address, command, frequency, duty, data;
    std::size_t typeLine = 0, protocolLine = 0, addressLine = 0, commandLine = 0, frequencyLine = 0,
                dutyLine = 0, dataLine = 0;
};

bool finishBlock(const Block &b, std::vector<Code> &codes, std::string &error)
{
    const std::string who = "signal " + quotedText(b.name);
    auto missing = [&](const char *key) {
        error = lineError(b.line, who + " has no '" + key + ":' line");
        return false;
    };
    if (!b.typeLine)
        return missing("type");
    if (b.type == "parsed") {
        if (!b.protocolLine)
            return missing("protocol");
        if (!b.addressLine)
            return missing("address");
        if (!b.commandLine)
            return missing("command");
        const FlipperProtocol *p = findProtocol(b.protocol);
        if (!p) {
            error = lineError(b.protocolLine, "unknown protocol " + quotedText(b.protocol));
            return false;
        }
        uint32_t address = 0;
        uint32_t command = 0;
        if (!fourBytes(b.address, address)) {
            error = lineError(b.addressLine,
                              "address " + quotedText(b.address)
                                  + " is not four hex bytes like '07 00 00 00'");
            return false;
        }
        if (!fourBytes(b.command, command)) {
            error = lineError(b.commandLine,
                              "command " + quotedText(b.command)
                                  + " is not four hex bytes like '07 00 00 00'");
            return false;
        }
        if (address >> p->addressBits) {
            error = lineError(b.addressLine,
                              "address 0x" + hexText(address) + " has more than the "
                                  + numberText(uint64_t(p->addressBits)) + " bits of " + p->name);
            return false;
        }
        if (command >> p->commandBits) {
            error = lineError(b.commandLine,
                              "command 0x" + hexText(command) + " has more than the "
                                  + numberText(uint64_t(p->commandBits)) + " bits of " + p->name);
            return false;
        }
        const Command c = toCommand(*p, address, command);
        return commandCode(c.protocol, c.scancode, b.name, b.line, codes, error);
    }
    if (b.type == "raw") {
        if (!b.frequencyLine)
            return missing("frequency");
        if (!b.dutyLine)
            return missing("duty_cycle");
        if (!b.dataLine)
            return missing("data");
        uint64_t hz = 0;
        if (!decimalNumber(b.frequency, kMaxCarrierHz, hz) || hz < kMinCarrierHz) {
            error = lineError(b.frequencyLine,
                              "frequency " + quotedText(b.frequency) + " is not " + numberText(kMinCarrierHz)
                                  + " to " + numberText(kMaxCarrierHz) + " Hz");
            return false;
        }
        if (!dutyCycle(b.duty)) {
            error = lineError(b.dutyLine,
                              "duty_cycle " + quotedText(b.duty) + " is not above 0 and at most 1");
            return false;
        }
        Signal s;
        s.carrier = uint32_t(hz);
        for (std::string_view w : blankWords(b.data)) {
            uint64_t v = 0;
            if (!decimalNumber(w, kMaxValueUs, v) || v == 0) {
                error = lineError(b.dataLine,
                                  quotedText(w) + " is not a duration of 1 to " + numberText(kMaxValueUs)
                                      + " microseconds");
                return false;
            }
            // As the other readers, stop before a huge line reaches recognise().
            if (s.values.size() == kMaxValues) {
                error = lineError(b.dataLine, "more than " + numberText(kMaxValues) + " values");
                return false;
            }
            s.values.push_back(uint32_t(v));
        }
        endWithPulse(s.values); // Flipper's raw data may end with the gap
        codes.push_back(codeFromSignal(std::move(s), b.name));
        codes.back().line = b.line;
        return true;
    }
    error = lineError(b.typeLine, "type " + quotedText(b.type) + " is neither 'parsed' nor 'raw'");
    return false;
}

} // namespace

bool looksLikeFlipper(std::string_view text)
{
    for (const TextLine &l : TextLines(text))
        if (!l.text.empty())
            return l.text.substr(0, 9) == "Filetype:";
    return false;
}

bool readFlipper(std::string_view text, std::vector<Code> &codes, std::string &error)
{
    codes.clear();
    int header = 0; // lines of the header read: Filetype, Version
    bool inBlock = false;
    Block block;
    for (const TextLine &l : TextLines(text)) {
        if (l.text.empty() || l.text[0] == '#')
            continue;
        const std::size_t colon = l.text.find(':');
        if (colon == std::string_view::npos) {
            error = lineError(l.number, "expected 'key: value', got " + quotedText(l.text));
            return false;
        }
        const std::string_view key = trimmed(l.text.substr(0, colon));
        const std::string_view value = trimmed(l.text.substr(colon + 1));
        if (header == 0) {
            if (key != "Filetype" || (value != "IR signals file" && value != "IR library file")) {
                error = lineError(l.number, "not a Flipper IR file: expected 'Filetype: IR signals file'");
                return false;
            }
            header = 1;
            continue;
        }
        if (header == 1) {
            if (key != "Version" || value != "1") {
                error = lineError(l.number, "expected 'Version: 1', got " + quotedText(l.text));
                return false;
            }
            header = 2;
            continue;
        }
        if (key == "name") {
            if (inBlock && !finishBlock(block, codes, error))
                return false;
            block = Block();
            block.line = l.number;
            block.name = std::string(value);
            inBlock = true;
            continue;
        }
        if (!inBlock) {
            error = lineError(l.number, "'" + std::string(key) + ":' before the first 'name:'");
            return false;
        }
        struct Field
        {
            const char *key;
            std::string_view *value;
            std::size_t *line;
        };
        const Field known[] = {
            { "type", &block.type, &block.typeLine },
            { "protocol", &block.protocol, &block.protocolLine },
            { "address", &block.address, &block.addressLine },
            { "command", &block.command, &block.commandLine },
            { "frequency", &block.frequency, &block.frequencyLine },
            { "duty_cycle", &block.duty, &block.dutyLine },
            { "data", &block.data, &block.dataLine },
        };
        for (const Field &f : known) {
            if (key != f.key)
                continue;
            if (*f.line) {
                error = lineError(
                    l.number, "a second '" + std::string(key) + ":' for signal " + quotedText(block.name));
                return false;
            }
            *f.value = value;
            *f.line = l.number;
        }
        // Other keys are left alone, as Flipper itself skips them.
    }
    if (header < 2) {
        error = lineError(1, header ? "the file ends before 'Version: 1'" : "no 'Filetype:' line");
        return false;
    }
    if (inBlock && !finishBlock(block, codes, error))
        return false;
    return finishCodes(codes, error);
}

std::optional<FlipperMessage> flipperMessage(const Command &command)
{
    const uint64_t sc = command.scancode;
    const uint32_t b2 = uint32_t(sc >> 16 & 0xff);
    const uint32_t b1 = uint32_t(sc >> 8 & 0xff);
    const uint32_t b0 = uint32_t(sc & 0xff);
    switch (command.protocol) {
    case Protocol::Nec:
        return FlipperMessage{ "NEC", b1, b0 };
    case Protocol::Necx:
        return FlipperMessage{ "NECext", b2 | b1 << 8, b0 | (b0 ^ 0xff) << 8 };
    case Protocol::Nec32:
        return FlipperMessage{ "NECext", b2 | uint32_t(sc >> 24 & 0xff) << 8, b0 | b1 << 8 };
    case Protocol::Samsung32:
        if (b2 != b1)
            return std::nullopt;
        return FlipperMessage{ "Samsung32", b2, b0 };
    case Protocol::Rc5:
        if (b0 & 0x40)
            return FlipperMessage{ "RC5X", b1, b0 & 0x3f };
        return FlipperMessage{ "RC5", b1, b0 };
    case Protocol::Rc6_0:
        return FlipperMessage{ "RC6", b1, b0 };
    case Protocol::Sony12:
        return FlipperMessage{ "SIRC", b2, b0 };
    case Protocol::Sony15:
        return FlipperMessage{ "SIRC15", b2, b0 };
    case Protocol::Sony20:
        return FlipperMessage{ "SIRC20", b2 | b1 << 5, b0 };
    case Protocol::Panasonic: {
        // Flipper's address holds genre1 in the high nibble of our device
        // byte, whose low nibble is the vendor parity, 0 for Panasonic.
        if (b2 & 0xf)
            return std::nullopt;
        const uint32_t address = (b0 >> 6) << 24 | kPanasonicVendor << 8 | (b2 >> 4) << 4 | (b1 & 0xf);
        return FlipperMessage{ "Kaseikyo", address, b1 >> 4 | (b0 & 0x3f) << 4 };
    }
    case Protocol::Kaseikyo: {
        // Flipper can only send the bytes its own address and command make
        const uint32_t vendor = uint32_t(sc >> 32 & 0xffff);
        const uint32_t dd = uint32_t(sc >> 24 & 0xff);
        const uint32_t ss = b2;
        const uint32_t ff = b1;
        const uint32_t address = (ff >> 6) << 24 | vendor << 8 | (dd >> 4) << 4 | (ss & 0xf);
        const uint32_t cmd = ss >> 4 | (ff & 0x3f) << 4;
        uint8_t bytes[6];
        kaseikyoBytes(address, cmd, bytes);
        if (bytes[2] != dd || bytes[5] != b0)
            return std::nullopt;
        return FlipperMessage{ "Kaseikyo", address, cmd };
    }
    case Protocol::Sanyo:
        return FlipperMessage{ "NEC42", uint32_t(sc >> 8 & 0x1fff), b0 };
    case Protocol::Nec42:
        return FlipperMessage{ "NEC42ext", uint32_t(sc >> 16), uint32_t(sc & 0xffff) };
    case Protocol::Pioneer:
        if (sc >> 16) // a two-frame command
            return std::nullopt;
        return FlipperMessage{ "Pioneer", b1, b0 };
    case Protocol::Rca:
        return FlipperMessage{ "RCA", uint32_t(reversedBits(b1 & 0xf, 4)), uint32_t(reversedBits(b0, 8)) };
    default:
        return std::nullopt;
    }
}

std::string writeFlipper(const std::vector<Code> &codes)
{
    auto hexBytes4 = [](uint32_t v) {
        std::string s;
        for (int i = 0; i < 4; ++i, v >>= 8)
            s += (i ? " " : "") + hexText(v & 0xff, 2, true);
        return s;
    };
    std::string out = "Filetype: IR signals file\nVersion: 1\n";
    for (const Code &c : codes) {
        out += "#\nname: " + oneLine(c.name) + "\n";
        const std::optional<FlipperMessage> m = c.command ? flipperMessage(*c.command)
                                                          : std::optional<FlipperMessage>();
        if (m) {
            out += std::string("type: parsed\nprotocol: ") + m->protocol
                + "\naddress: " + hexBytes4(m->address) + "\ncommand: " + hexBytes4(m->command) + "\n";
            continue;
        }
        out += "type: raw\nfrequency: " + numberText(c.signal.carrier ? c.signal.carrier : kDefaultCarrierHz)
            + "\nduty_cycle: 0.330000\ndata:";
        for (uint32_t v : c.signal.values)
            out += " " + numberText(v);
        out += "\n";
    }
    return out;
}

} // namespace lumo::ir
