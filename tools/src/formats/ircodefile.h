// Files of IR codes as people share them: one code or a whole remote, in any
// of the common forms, read into named codes that the tools can send and the
// program can put on its buttons; and the forms a learned code is shared in.
// Plain C++, no I/O: callers hand in the file's text.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "irprotocol.h"
#include "irsignal.h"

namespace lumo::ir {

// The forms a code file can have, told apart by their content.
enum class CodeForm : uint8_t {
    Mode2,       // our own IR command files and ir-ctl's text (irsignal.h)
    Flipper,     // Flipper Zero .ir: "Filetype: IR signals file", parsed and raw
    Pronto,      // Pronto hex: 0000 learned, 0100, 5000/5001 RC5/RC5x, 6000 RC6, 900A NEC
    Broadlink,   // Broadlink IR packets, base64 or hex
    GlobalCache, // Global Cache "sendir,..." lines
    Lircd,       // lircd.conf remotes: raw_codes and space-encoded / RC5 / RC6
    Csv,         // IR database rows: functionname,protocol,device,subdevice,function
};

// "mode2", "Flipper .ir", "Pronto hex", "Broadlink", "Global Cache sendir",
// "lircd.conf", "IR database CSV".
const char *codeFormName(CodeForm form);

struct Command
{
    Protocol protocol = Protocol::Nec;
    uint64_t scancode = 0; // as wide as the kernel's: kaseikyo and nec42 extended need more than 32 bits
};

struct Code
{
    std::string name;               // the file's name for the code; "" when it has none
    std::optional<Command> command; // when the code is one of our protocols' commands (always
                                    // when recognise() knows its signal)
    Signal signal;                  // one press as irplay.exe sends it; carrier 0 = not known
    std::size_t line = 0;           // 1-based line of the file where the code starts
};

struct CodeFile
{
    CodeForm form = CodeForm::Mode2;
    std::vector<Code> codes; // in file order, at least one after a successful read
};

// The form text is meant to have, from its first lines; Mode2 when it looks
// like none of the others.
CodeForm codeFormOf(std::string_view text);

// Reads a code file of any form above, telling the form from the text
// (codeFormOf()). Every code in it must read and give a signal that
// checkSignal() accepts; otherwise returns false with error "line N: what is
// wrong" and out is left empty, so nothing half-read is ever sent. Names are
// unique within the file: a file with several remotes qualifies them as
// "REMOTE.NAME", a name the file repeats gets " (2)", " (3)", ... (names
// compare ignoring ASCII case), and in a file of several codes those without
// a name are "code N" by position. The readers, one per form, and what each
// reads and refuses: flipperfile.h, prontocode.h, broadlinkcode.h,
// globalcache.h, lircdconf.h, irdbcsv.h.
bool readCodeFile(std::string_view text, CodeFile &out, std::string &error);

// The index of the code named name (exact match first, then ignoring ASCII
// case), or -1.
int findCode(const CodeFile &file, std::string_view name);

// A code for protocol and scancode (scancodeFits() must hold): one frame as
// encodeFrame() gives it, on the protocol's carrier.
Code codeFromCommand(Protocol protocol, uint64_t scancode, std::string name = {});

// A code for a signal as recorded or read: command set when recognise() knows
// the signal.
Code codeFromSignal(Signal signal, std::string name = {});

// What a code holds, as irplay.exe --describe tells it: for a command
// "nec:0x40bf carrier 38000" (the code's carrier, else the protocol's), else
// describeLine() of its signal.
std::string describeCode(const Code &code);

// irplay.exe --describe's text: for a mode2 file its one line as
// describeLine() gives it; for any other form a first line naming the form
// and the number of codes ("Flipper .ir, 3 codes"), then one line per code,
// its name (when it has one) and a tab before describeCode(). Each line ends
// with a newline.
std::string describeCodeFile(const CodeFile &file);

// ---- writers: what a learned code is shared as ----------------------------

// A Flipper .ir file holding codes in order: "parsed" for the protocols
// Flipper knows, "raw" for the others.
std::string writeFlipper(const std::vector<Code> &codes);

// One Pronto hex line, learned form (0000) with the signal as its once part.
std::string writePronto(const Signal &signal);

// An IR command file as the program keeps it (the mode2 text irplay.exe
// reads, like a recording): each header line as a '#' comment, the decoded
// comment when the code is recognised, carrier and one value per line.
std::string writeMode2(const Code &code, const std::vector<std::string> &header);

} // namespace lumo::ir
