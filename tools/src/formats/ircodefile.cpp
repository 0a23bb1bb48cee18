#include "ircodefile.h"

#include "broadlinkcode.h"
#include "codetext.h"
#include "flipperfile.h"
#include "globalcache.h"
#include "irdbcsv.h"
#include "irdescribe.h"
#include "irreplay.h"
#include "lircdconf.h"
#include "prontocode.h"

namespace lumo::ir {

const char *codeFormName(CodeForm form)
{
    switch (form) {
    case CodeForm::Mode2:
        return "mode2";
    case CodeForm::Flipper:
        return "Flipper .ir";
    case CodeForm::Pronto:
        return "Pronto hex";
    case CodeForm::Broadlink:
        return "Broadlink";
    case CodeForm::GlobalCache:
        return "Global Cache sendir";
    case CodeForm::Lircd:
        return "lircd.conf";
    case CodeForm::Csv:
        return "IR database CSV";
    }
    return "mode2";
}

CodeForm codeFormOf(std::string_view text)
{
    if (looksLikeFlipper(text))
        return CodeForm::Flipper;
    if (looksLikeLircd(text))
        return CodeForm::Lircd;
    if (looksLikeIrdbCsv(text))
        return CodeForm::Csv;
    if (looksLikeGlobalCache(text))
        return CodeForm::GlobalCache;
    if (looksLikeBroadlink(text))
        return CodeForm::Broadlink;
    if (looksLikePronto(text))
        return CodeForm::Pronto;
    return CodeForm::Mode2;
}

namespace {

bool readMode2(std::string_view text, std::vector<Code> &codes, std::string &error)
{
    Signal s;
    if (!parseSignal(text, s, error)) // which ends with checkSignal()
        return false;
    codes.push_back(codeFromSignal(std::move(s)));
    codes.back().line = 1;
    return true;
}

} // namespace

bool readCodeFile(std::string_view text, CodeFile &out, std::string &error)
{
    out = {};
    if (text.size() > kMaxFileBytes) {
        error = "file is larger than " + numberText(kMaxFileBytes) + " bytes";
        return false;
    }
    CodeFile file;
    file.form = codeFormOf(text);
    bool ok = false;
    switch (file.form) {
    case CodeForm::Flipper:
        ok = readFlipper(text, file.codes, error);
        break;
    case CodeForm::Pronto:
        ok = readPronto(text, file.codes, error);
        break;
    case CodeForm::Broadlink:
        ok = readBroadlink(text, file.codes, error);
        break;
    case CodeForm::GlobalCache:
        ok = readGlobalCache(text, file.codes, error);
        break;
    case CodeForm::Lircd:
        ok = readLircd(text, file.codes, error);
        break;
    case CodeForm::Csv:
        ok = readIrdbCsv(text, file.codes, error);
        break;
    case CodeForm::Mode2:
        ok = readMode2(text, file.codes, error);
        break;
    }
    if (!ok)
        return false;
    out = std::move(file);
    return true;
}

int findCode(const CodeFile &file, std::string_view name)
{
    for (std::size_t i = 0; i < file.codes.size(); ++i)
        if (file.codes[i].name == name)
            return int(i);
    for (std::size_t i = 0; i < file.codes.size(); ++i)
        if (sameNoCase(file.codes[i].name, name))
            return int(i);
    return -1;
}

Code codeFromCommand(Protocol protocol, uint64_t scancode, std::string name)
{
    Code c;
    c.name = std::move(name);
    c.command = Command{ protocol, scancode };
    c.signal.values = encodeFrame(protocol, scancode);
    c.signal.carrier = protocolInfo(protocol).carrierHz;
    return c;
}

Code codeFromSignal(Signal signal, std::string name)
{
    Code c;
    c.name = std::move(name);
    if (const std::optional<Recognised> r = recognise(signal.values, signal.carrier))
        c.command = Command{ r->protocol, r->scancode };
    c.signal = std::move(signal);
    return c;
}

std::string describeCode(const Code &code)
{
    if (!code.command)
        return describeLine(code.signal, std::nullopt); // recognise() knew it not
    return scancodeText(code.command->protocol, code.command->scancode) + " carrier "
        + numberText(replayCarrier(code.signal, code.command->protocol));
}

std::string describeCodeFile(const CodeFile &file)
{
    if (file.form == CodeForm::Mode2 && file.codes.size() == 1)
        return describeCode(file.codes[0]) + "\n";
    std::string out = std::string(codeFormName(file.form)) + ", " + numberText(file.codes.size())
        + (file.codes.size() == 1 ? " code\n" : " codes\n");
    for (const Code &c : file.codes)
        out += (c.name.empty() ? std::string() : oneLine(c.name) + "\t") + describeCode(c) + "\n";
    return out;
}

std::string writeMode2(const Code &code, const std::vector<std::string> &header)
{
    std::vector<std::string> lines = header;
    // Without a command recognise() knew the signal not; a command's frame
    // may still be heard as another protocol's (necx 0x00ff15 is nec 0x15).
    if (std::string decoded = code.command ? decodedComment(code.signal) : ""; !decoded.empty())
        lines.push_back(decoded);
    return formatSignal(code.signal, lines);
}

} // namespace lumo::ir
