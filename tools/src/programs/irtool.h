// What irrecord.exe and irplay.exe do, minus argv and the environment.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "ircodefile.h"
#include "irport.h"
#include "irsignal.h"

namespace lumo::ir {

// Exit codes of both tools (documented in tools/README.md and --help).
enum ExitCode : int {
    ExitOk = 0,
    ExitInternal = 1,          // unexpected error (out of memory, ...)
    ExitUsage = 2,             // wrong command line or environment value
    ExitNoSignal = 3,          // irrecord: nothing received within the wait
    ExitCaptureFailed = 4,     // irrecord: receiver overflow, signal too long or garbled
    ExitBadFile = 5,           // irplay: file missing, unreadable or malformed
    ExitDeviceUnavailable = 6, // device missing or busy
    ExitNoPermission = 7,      // no right to open the device (see the udev hint)
    ExitUnsupported = 8,       // the device cannot receive / send (or not this carrier)
    ExitWriteFailed = 9,       // irrecord: the signal file could not be written
    ExitDeviceError = 10,      // the device failed while in use (unplugged, I/O error)
};

struct Outcome
{
    int code = ExitOk;
    std::string message; // one line; on success empty, or a warning worth printing
};

constexpr const char *kDefaultDevice = "/dev/lirc0";
constexpr int kDefaultWaitMs = 15'000;
constexpr uint32_t kWantedRecTimeoutUs = 150'000;
constexpr int kDefaultSimDelayMs = 300;
// Shorter captures are taken for noise and ignored.
constexpr std::size_t kMinCaptureValues = 5;
// One write to the device carries at most this much.
constexpr std::size_t kMaxValuesPerWrite = 1024;
constexpr uint64_t kMaxUsPerWrite = 500'000;
// Carrier reports still missing when the driver reports the end of a signal
// get this long to come (some drivers send them once the receiver is idle).
constexpr int kTrailingCarrierMs = 100;

// Turns a failed open() into the matching exit code and message.
Outcome openFailure(const std::string &device, int err, bool forWriting);
// The udev rule / group hint given when the device may not be opened.
std::string permissionHint(const std::string &device);

// ---- recording -----------------------------------------------------------

struct CaptureOptions
{
    int waitMs = kDefaultWaitMs; // for the first pulse
    uint32_t recTimeoutUs = kWantedRecTimeoutUs;
};

struct Capture
{
    Outcome outcome;
    // carrier: the median of the carrier reports (LIRC_MODE2_FREQUENCY, in
    // range) that agree with those that came during the signal, to the
    // nearest 100 Hz; reports that disagree are dropped, never averaged in.
    Signal signal;
    std::size_t carrierReports = 0;       // the reports the carrier is the median of; 0 = unknown
    std::vector<uint32_t> droppedReports; // those that disagreed, in the order they came
    uint32_t recTimeoutUs = 0;            // what the device was set to, 0 = left alone
    bool learningMode = false;            // the wideband (learning) receiver was on
    bool measuringCarrier = false;        // carrier reports were switched on
    int restoreError = 0;                 // errno of a setting that could not be put back
};

// Opens the device, sets it up and waits for one signal. Where the device
// offers them, the wideband (learning) receiver and carrier reports are
// switched on, and off again before this returns, whatever the outcome; the
// previous receive timeout is put back too. A setting that cannot be put back
// only sets restoreError. The port is closed when this returns.
Capture captureSignal(Port &port, const std::string &device, const CaptureOptions &options);

// The header comment lines written above a recorded signal.
std::vector<std::string> recordHeader(const Capture &c, const std::string &device, bool simulated,
                                      const std::string &file);

// Writes FILE only once the capture is complete (temporary file in the same
// folder, renamed over FILE). A failed capture leaves FILE as it was. A device
// left in its recording settings turns a success into a warning, not a failure.
Outcome recordToFile(Port &port, const std::string &device, const std::string &file,
                     const CaptureOptions &options);

// ---- playing -------------------------------------------------------------

struct Chunk
{
    std::size_t begin = 0, end = 0; // values[begin, end) start and end with a pulse
    uint32_t gapAfterUs = 0;        // the space after it (0 for the last)
    uint64_t us = 0;                // how long values[begin, end) lasts
};

// Cuts a signal into pieces of at most maxValues values and maxUs each,
// always at the longest space available.
std::vector<Chunk> splitForSending(const std::vector<uint32_t> &values,
                                   std::size_t maxValues = kMaxValuesPerWrite,
                                   uint64_t maxUs = kMaxUsPerWrite);

Outcome sendSignal(Port &port, const std::string &device, const Signal &signal);

// Reads and checks a code file of any form readCodeFile() takes (a mode2
// signal file among them): every code in it, or nothing (ExitBadFile with
// the file's name and "line N: ...").
Outcome loadCodeFile(const std::string &file, CodeFile &out);

// ---- atomic output file --------------------------------------------------

class AtomicFile
{
public:
    AtomicFile() = default;
    AtomicFile(const AtomicFile &) = delete;
    AtomicFile &operator=(const AtomicFile &) = delete;
    ~AtomicFile();
    // Creates the temporary file next to target. Fails early if the folder is
    // not writable.
    Outcome begin(const std::string &target);
    Outcome commit(const std::string &content);
    void abort();
    const std::string &tempPath() const { return m_temp; }

private:
    std::string m_target;
    std::string m_temp;
    int m_fd = -1;
    unsigned m_mode = 0666;
};

// Makes SIGTERM, SIGINT and SIGHUP put back the receiver settings a capture
// changed and remove a pending temporary file before the process ends.
void installCleanupHandlers();

// ---- the two programs ----------------------------------------------------

int recordMain(int argc, char **argv);
int playMain(int argc, char **argv);

// "15", "0.5" -> milliseconds; false for anything else.
bool parseSeconds(const char *text, int &ms);
bool parseMilliseconds(const char *text, int &ms);

} // namespace lumo::ir
