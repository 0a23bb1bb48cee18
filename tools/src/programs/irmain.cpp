// Command line and environment handling of irrecord.exe and irplay.exe.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>

#include "ircodefile.h"
#include "irdescribe.h"
#include "irreplay.h"
#include "irtool.h"

namespace lumo::ir {

namespace {

const char kExitCodes[] =
    "Exit codes:\n"
    "   0  done\n"
    "   1  unexpected internal error\n"
    "   2  wrong command line or environment value\n"
    "   3  no IR signal received within the wait (irrecord.exe)\n"
    "   4  the signal was received badly: receiver overflow, endless or unusable (irrecord.exe)\n"
    "   5  the signal file is missing, unreadable or malformed (irplay.exe)\n"
    "   6  the IR device is missing or busy\n"
    "   7  no permission to use the IR device (the message has a udev/group hint)\n"
    "   8  the device cannot receive / send (or not on this carrier)\n"
    "   9  the signal file could not be written (irrecord.exe)\n"
    "  10  the IR device failed while in use (unplugged, I/O error)\n";

const char kEnvironment[] =
    "Environment:\n"
    "  LUMO_IR_DEVICE        LIRC device, default /dev/lirc0; sim:FOLDER uses the simulator\n"
    "  LUMO_IR_WAIT          seconds to wait for the first pulse (default 15, e.g. 0.5)\n"
    "  LUMO_IR_SIM_DELAY_MS  simulator: milliseconds before the pretend button press (default 300)\n"
    "  LUMO_IR_SIM_FAIL      simulator: fail as missing|busy|denied|norecv|nosend|nosignal|overflow\n";

void printError(const char *prog, const std::string &message)
{
    std::string line = std::string(prog) + ": " + oneLine(message) + "\n";
    std::fwrite(line.data(), 1, line.size(), stderr);
}

void printText(const char *a, const char *b, const char *c)
{
    std::fputs(a, stdout);
    std::fputs(b, stdout);
    std::fputs(c, stdout);
}

// Returns 0 and sets file, -1 for --help/--version (already printed), or the
// usage exit code.
int parseArgs(int argc, char **argv, const char *prog, const char *help, std::string &file)
{
    if (argc == 2 && (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0)) {
        printText(help, kEnvironment, kExitCodes);
        return -1;
    }
    if (argc == 2 && std::strcmp(argv[1], "--version") == 0) {
        std::printf("%s (Lumo Control IR tools) 1\n", prog);
        return -1;
    }
    if (argc == 2)
        file = argv[1];
    else if (argc == 3 && std::strcmp(argv[1], "--") == 0)
        file = argv[2];
    else {
        printError(prog,
                   argc < 2 ? "missing FILE; usage: " + std::string(prog) + " FILE (see --help)"
                            : "expected exactly one FILE argument (see --help)");
        return ExitUsage;
    }
    if (file.empty()) {
        printError(prog, "FILE must not be empty (see --help)");
        return ExitUsage;
    }
    return 0;
}

std::string deviceFromEnv()
{
    const char *d = std::getenv("LUMO_IR_DEVICE");
    return (d && *d) ? std::string(d) : std::string(kDefaultDevice);
}

bool simFailFromEnv(const char *prog, std::string &fail)
{
    const char *f = std::getenv("LUMO_IR_SIM_FAIL");
    fail = f ? f : "";
    static const char *known[] = {
        "", "missing", "busy", "denied", "norecv", "nosend", "nosignal", "overflow"
    };
    for (const char *k : known)
        if (fail == k)
            return true;
    printError(prog,
               "LUMO_IR_SIM_FAIL='" + fail
                   + "' is not one of missing, busy, denied, norecv, "
                     "nosend, nosignal, overflow");
    return false;
}

const char kRecordHelp[] = "Usage: irrecord.exe FILE\n"
                           "Waits for one IR signal from a remote control and saves it to FILE.\n"
                           "FILE is written only once the whole signal has arrived; on any failure an\n"
                           "existing FILE stays as it was. FILE holds mode2 text (carrier/pulse/space\n"
                           "lines in microseconds) that 'ir-ctl --send' reads as well.\n\n";

const char kPlayHelp[] = "Usage: irplay.exe [--code NAME] FILE\n"
                         "       irplay.exe --describe [--code NAME] FILE\n"
                         "Sends the IR signal in FILE. FILE holds mode2 text ('carrier N', 'pulse N',\n"
                         "'space N', 'timeout N' lines in microseconds, '#' comments), ir-ctl's '+N -N'\n"
                         "form, or 'scancode PROTOCOL:VALUE' lines (nec, necx, nec32, rc5, rc5x_20, rc5_sz,\n"
                         "rc6_0, rc6_6a_20, rc6_6a_24, rc6_6a_32, rc6_mce, sony12, sony15, sony20, jvc,\n"
                         "sanyo, sharp, samsung32, panasonic, nec42, pioneer, rca, kaseikyo). It may also\n"
                         "be a code file as people share them: Flipper Zero .ir, Pronto hex, Broadlink\n"
                         "(base64, hex, or a JSON object of them), Global Cache sendir lines, lircd.conf or\n"
                         "IR database CSV rows. When FILE holds several codes, --code NAME picks one (the\n"
                         "exact name, else ignoring case). The whole file is checked before anything is\n"
                         "sent.\n"
                         "A recognised signal goes out on its protocol's carrier unless FILE names one,\n"
                         "sony at least three times, and rc5/rc6 with the toggle bit flipped from the last\n"
                         "play (kept in $XDG_STATE_HOME/lumo-control/toggle-state).\n"
                         "--describe prints what FILE holds and sends nothing: for a mode2 file one line,\n"
                         "'PROTOCOL:0xSCANCODE carrier N' or 'raw N frames T ms'; for the other forms a\n"
                         "line naming the form and the number of codes, then one line per code: its name,\n"
                         "a tab and the same description. With --code, only that code's line.\n\n";

} // namespace

bool parseMilliseconds(const char *text, int &ms)
{
    if (!text || !*text)
        return false;
    uint64_t v = 0;
    for (const char *p = text; *p; ++p) {
        if (*p < '0' || *p > '9' || v > 100'000'000)
            return false;
        v = v * 10 + uint64_t(*p - '0');
    }
    if (v > 3'600'000)
        return false;
    ms = int(v);
    return true;
}

bool parseSeconds(const char *text, int &ms)
{
    if (!text || !*text)
        return false;
    uint64_t whole = 0, frac = 0;
    int fracDigits = 0;
    const char *p = text;
    bool digits = false;
    for (; *p >= '0' && *p <= '9'; ++p) {
        if (whole > 100'000)
            return false;
        whole = whole * 10 + uint64_t(*p - '0');
        digits = true;
    }
    if (*p == '.') {
        for (++p; *p >= '0' && *p <= '9'; ++p) {
            if (fracDigits < 3) {
                frac = frac * 10 + uint64_t(*p - '0');
                ++fracDigits;
            }
            digits = true;
        }
    }
    if (*p || !digits)
        return false;
    while (fracDigits < 3) {
        frac *= 10;
        ++fracDigits;
    }
    uint64_t total = whole * 1000 + frac;
    if (total > 3'600'000)
        return false;
    ms = int(total);
    return true;
}

// Runs one tool: anything thrown becomes the internal-error code, with
// its one line on stderr.
template <class Body>
int guarded(const char *prog, Body body)
{
    try {
        return body();
    } catch (const std::bad_alloc &) {
        printError(prog, "out of memory");
    } catch (const std::exception &e) {
        printError(prog, std::string("unexpected error: ") + e.what());
    }
    return ExitInternal;
}

// The tool's exit code; a failure (or a warning) is told in one line.
int report(const char *prog, const Outcome &o)
{
    if (o.code != ExitOk || !o.message.empty())
        printError(prog, o.message);
    return o.code;
}

int recordMain(int argc, char **argv)
{
    const char *prog = "irrecord.exe";
    return guarded(prog, [&]() -> int {
        std::string file;
        if (int r = parseArgs(argc, argv, prog, kRecordHelp, file))
            return r < 0 ? ExitOk : r;

        CaptureOptions options;
        if (const char *w = std::getenv("LUMO_IR_WAIT"); w && *w && !parseSeconds(w, options.waitMs)) {
            printError(prog, "LUMO_IR_WAIT='" + std::string(w) + "' is not a number of seconds (0 to 3600)");
            return ExitUsage;
        }
        const std::string device = deviceFromEnv();
        installCleanupHandlers();

        Outcome o;
        if (isSimDevice(device)) {
            SimPort::Options so;
            so.recordName = file;
            so.sourceFile = file;
            so.delayMs = kDefaultSimDelayMs;
            if (const char *d = std::getenv("LUMO_IR_SIM_DELAY_MS");
                d && *d && !parseMilliseconds(d, so.delayMs)) {
                printError(prog,
                           "LUMO_IR_SIM_DELAY_MS='" + std::string(d) + "' is not a number of milliseconds");
                return ExitUsage;
            }
            if (!simFailFromEnv(prog, so.fail))
                return ExitUsage;
            SimPort port(so);
            o = recordToFile(port, device, file, options);
        } else {
            SystemPort port;
            o = recordToFile(port, device, file, options);
        }
        return report(prog, o);
    });
}

int playMain(int argc, char **argv)
{
    const char *prog = "irplay.exe";
    return guarded(prog, [&]() -> int {
        // Options come before FILE: --describe, --code NAME, in either order.
        bool describe = false;
        bool pick = false;
        std::string codeName;
        int first = 1;
        while (first < argc) {
            if (!describe && std::strcmp(argv[first], "--describe") == 0) {
                describe = true;
                ++first;
            } else if (!pick && std::strcmp(argv[first], "--code") == 0) {
                if (first + 1 >= argc) {
                    printError(prog, "--code needs a NAME (see --help)");
                    return ExitUsage;
                }
                pick = true;
                codeName = argv[first + 1];
                first += 2;
            } else {
                break;
            }
        }
        if (first > 1) {
            // "--describe FILE" reads like "irplay.exe FILE" without the options.
            if (argc - first == 1
                && (std::strcmp(argv[first], "--help") == 0 || std::strcmp(argv[first], "-h") == 0
                    || std::strcmp(argv[first], "--version") == 0)) {
                printError(prog, std::string("expected a FILE after ") + argv[first - 1] + " (see --help)");
                return ExitUsage;
            }
            argv += first - 1;
            argc -= first - 1;
        }
        std::string file;
        if (int r = parseArgs(argc, argv, prog, kPlayHelp, file))
            return r < 0 ? ExitOk : r;

        CodeFile codes;
        Outcome o = loadCodeFile(file, codes);
        if (o.code != ExitOk)
            return report(prog, o);
        if (describe && !pick) {
            const std::string text = describeCodeFile(codes);
            std::fwrite(text.data(), 1, text.size(), stdout);
            return std::fflush(stdout) == 0 ? ExitOk : ExitInternal;
        }
        const std::string count = numberText(codes.codes.size())
            + (codes.codes.size() == 1 ? " code" : " codes");
        const std::string listing = "'irplay.exe --describe FILE' lists them";
        int index = 0;
        if (pick) {
            index = findCode(codes, codeName);
            if (index < 0) {
                printError(prog,
                           "no code named '" + codeName + "' in '" + file + "', which holds " + count + "; "
                               + listing);
                return ExitUsage;
            }
        } else if (codes.codes.size() > 1) {
            printError(prog,
                       "'" + file + "' holds " + count + "; pick one with --code NAME (" + listing + ")");
            return ExitUsage;
        }
        const Code &code = codes.codes[std::size_t(index)];
        if (describe) {
            const std::string line = describeCode(code) + "\n";
            std::fwrite(line.data(), 1, line.size(), stdout);
            return std::fflush(stdout) == 0 ? ExitOk : ExitInternal;
        }

        const std::string device = deviceFromEnv();
        const ReplayPlan plan = planReplay(
            code.signal, toggleStatePath(std::getenv("XDG_STATE_HOME"), std::getenv("HOME")));
        if (isSimDevice(device)) {
            SimPort::Options so;
            so.sourceFile = file;
            if (!simFailFromEnv(prog, so.fail)) {
                undoToggleState(plan);
                return ExitUsage;
            }
            SimPort port(so);
            o = sendSignal(port, device, plan.signal);
        } else {
            SystemPort port;
            o = sendSignal(port, device, plan.signal);
        }
        if (o.code != ExitOk)
            undoToggleState(plan);
        return report(prog, o);
    });
}

} // namespace lumo::ir
