#pragma once

#include <QString>

#include <functional>

// Starting the IR tools and waiting for them, and opening an address
// through the desktop: the procedures every window shares for running
// something outside the program.

// Runs a command line "tool argument": the tool is the text before the
// first space, found in the program's own folder first and then on the
// PATH; everything after that space reaches it verbatim as one argument,
// never through a shell. The tool's window is hidden. Waits in a nested
// event loop, so the program's windows stay alive, and returns when the
// tool has ended (or the program is being quit). A tool that cannot be
// started, or that ends with a non-zero exit code or of a signal, is
// reported in one error box before this returns: the last line the tool
// wrote to stderr, or a sentence naming the tool and its code or signal.
// What the tool writes to stderr also reaches the program's own stderr.
// A tool still running when the program quits is left to run, untold.
void RunAndWait(const QString &commandLine);

// RunAndWait("irrecord.exe " + path). When the device cannot record (exit
// code 8: it cannot receive, is not a LIRC device or refuses the receive
// settings), the box goes on to tell how to fill the button from a code
// instead (Import Code..., Enter Code...).
void RunRecordTool(const QString &path);

// Plays an IR command file: "Command does not exist" when it is missing,
// otherwise RunAndWait("irplay.exe " + path).
void PlayCommand(const QString &path);

// Asks the desktop to open target (a web address or a local file) with
// its usual program. The outcome is ignored.
void ShellOpen(quintptr window, const QString &target);

namespace ToolRunner {

inline QString recordTool()
{
    return QStringLiteral("irrecord.exe");
}
inline QString playTool()
{
    return QStringLiteral("irplay.exe");
}

// Where a bare tool name is found: the program's own folder, then PATH.
// Empty when it is nowhere.
QString findTool(const QString &name);

// Replaces what ShellOpen does (tests); returns the previous replacement.
using ShellOpener = std::function<void(quintptr window, const QString &target)>;
ShellOpener setShellOpener(ShellOpener opener);

// How many RunAndWait calls are waiting right now (nesting depth).
int activeWaits();

} // namespace ToolRunner
