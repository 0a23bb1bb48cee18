#include "irtool.h"

#include "irdescribe.h"

#include <linux/lirc.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <grp.h>
#include <iterator>
#include <new>
#include <optional>
#include <sys/stat.h>
#include <unistd.h>

namespace lumo::ir {

namespace {

std::string errText(int err)
{
    return std::strerror(err);
}

std::string quotedPath(const std::string &p)
{
    return "'" + oneLine(p) + "'";
}

// Closes the port on every way out of a function.
struct PortCloser
{
    Port &port;
    ~PortCloser() { port.close(); }
};

std::string twoDigits(int v)
{
    std::string s = numberText(uint64_t(v));
    return s.size() < 2 ? "0" + s : s;
}

std::string utcNow()
{
    time_t t = time(nullptr);
    struct tm tm = {};
    if (!gmtime_r(&t, &tm))
        return "unknown time";
    return numberText(uint64_t(tm.tm_year + 1900)) + "-" + twoDigits(tm.tm_mon + 1) + "-"
        + twoDigits(tm.tm_mday) + " " + twoDigits(tm.tm_hour) + ":" + twoDigits(tm.tm_min) + ":"
        + twoDigits(tm.tm_sec) + " UTC";
}

std::string msText(uint64_t us)
{
    // 67512 us -> "67.5 ms", integers only.
    uint64_t tenths = (us + 50) / 100;
    return numberText(tenths / 10) + "." + numberText(tenths % 10) + " ms";
}

std::string hexByte(uint8_t b)
{
    return "0x" + hexText(b, 2, true);
}

} // namespace

// ---- errors --------------------------------------------------------------

std::string permissionHint(const std::string &device)
{
    // The package's udev rule tags /dev/lirc* with uaccess: the user at the
    // desktop gets access without a group. Over ssh or on a machine without
    // a logind seat, a group is the way.
    const std::string uaccess =
        "hint: the package's udev rule /usr/lib/udev/rules.d/70-lumo-control.rules "
        "(TAG+=\"uaccess\") gives the user at the desktop access: plug the transceiver in again "
        "or run 'sudo udevadm trigger'; without a desktop seat (e.g. over ssh), ";
    struct stat st = {};
    if (!isSimDevice(device) && ::stat(device.c_str(), &st) == 0 && st.st_gid != 0 && (st.st_mode & S_IRGRP)
        && (st.st_mode & S_IWGRP)) {
        if (struct group *g = getgrgid(st.st_gid)) {
            std::string name = oneLine(g->gr_name);
            return uaccess + "join the group '" + name + "' that owns " + oneLine(device)
                + " (sudo usermod -aG " + name + " $USER), then log out and in again";
        }
    }
    return uaccess
        + "add the udev rule KERNEL==\"lirc[0-9]*\", GROUP=\"video\", MODE=\"0660\" to "
          "/etc/udev/rules.d/70-lumo-ir.rules, run 'sudo udevadm trigger', join the group "
          "'video' (sudo usermod -aG video $USER), then log out and in again";
}

Outcome openFailure(const std::string &device, int err, bool forWriting)
{
    const std::string dev = quotedPath(device);
    switch (err) {
    case ENOENT:
    case ENODEV:
    case ENXIO:
    case ENOTDIR:
        return { ExitDeviceUnavailable,
                 "no IR device at " + dev + " (" + errText(err) + "); is the transceiver plugged in?" };
    case EBUSY:
        return { ExitDeviceUnavailable, "IR device " + dev + " is busy; close the program using it" };
    case EACCES:
    case EPERM:
    case EROFS:
        return { ExitNoPermission, "no permission to use IR device " + dev + "; " + permissionHint(device) };
    case ENOTTY:
    case EISDIR:
        return { ExitUnsupported, dev + " is not an IR (LIRC) device" };
    default:
        return { ExitDeviceError,
                 "cannot open IR device " + dev + " for " + (forWriting ? "sending" : "receiving") + ": "
                     + errText(err) };
    }
}

namespace {

Outcome featuresFailure(const std::string &device, int err)
{
    if (err == ENOTTY || err == EINVAL)
        return { ExitUnsupported, quotedPath(device) + " is not an IR (LIRC) device" };
    return { ExitDeviceError, "cannot query IR device " + quotedPath(device) + ": " + errText(err) };
}

Outcome readFailure(const std::string &device, int err)
{
    if (err == ENODEV || err == EIO)
        return { ExitDeviceError,
                 "IR device " + quotedPath(device) + " stopped working (" + errText(err)
                     + "); was it unplugged?" };
    return { ExitDeviceError, "cannot read IR device " + quotedPath(device) + ": " + errText(err) };
}

} // namespace

// ---- cleanup when killed -------------------------------------------------

namespace {

const int kCleanupSignals[] = { SIGTERM, SIGINT, SIGHUP };

// Keeps the cleanup signals away while the state their handler reads changes.
struct SignalBlock
{
    sigset_t old;
    SignalBlock()
    {
        sigset_t set;
        sigemptyset(&set);
        for (int s : kCleanupSignals)
            sigaddset(&set, s);
        sigprocmask(SIG_BLOCK, &set, &old);
    }
    ~SignalBlock() { sigprocmask(SIG_SETMASK, &old, nullptr); }
};

char *volatile g_pendingTemp = nullptr;

// The receiver settings a capture changed, with the values to put back (in
// reverse order). Changed only inside a SignalBlock.
struct PendingRestore
{
    Port *port = nullptr;
    int count = 0;
    unsigned long request[4] = {};
    uint32_t value[4] = {};
};
PendingRestore g_restore;

extern "C" void cleanUpAndDie(int sig)
{
    // Async-signal-safe calls only; Port::ioctl() promises that for SET requests.
    if (Port *port = g_restore.port) {
        for (int i = g_restore.count; i-- > 0;) {
            uint32_t value = g_restore.value[i];
            port->ioctl(g_restore.request[i], &value);
        }
    }
    if (char *p = g_pendingTemp)
        ::unlink(p);
    ::signal(sig, SIG_DFL);
    ::raise(sig);
}

// The settings changed on a receiver for one capture. restore() (or the
// destructor) puts them back in reverse order; should the process be killed
// first, the signal handler does. One capture at a time per process.
class ReceiverSettings
{
public:
    explicit ReceiverSettings(Port &port)
        : m_port(port)
    { }
    ReceiverSettings(const ReceiverSettings &) = delete;
    ReceiverSettings &operator=(const ReceiverSettings &) = delete;
    ~ReceiverSettings() { restore(); }

    // Sets request to value; once that worked, previous (if any) is what
    // restore() sets it back to. Returns 0 or -errno.
    int change(unsigned long request, uint32_t value, std::optional<uint32_t> previous)
    {
        SignalBlock block;
        int r = m_port.ioctl(request, &value);
        if (r == 0 && previous && g_restore.count < int(std::size(g_restore.request))) {
            g_restore.port = &m_port;
            g_restore.request[g_restore.count] = request;
            g_restore.value[g_restore.count] = *previous;
            ++g_restore.count;
        }
        return r;
    }

    // Returns 0, or the -errno of the first setting that could not be put back.
    int restore()
    {
        SignalBlock block;
        if (g_restore.port != &m_port)
            return 0;
        int first = 0;
        for (int i = g_restore.count; i-- > 0;) {
            uint32_t value = g_restore.value[i];
            int r = m_port.ioctl(g_restore.request[i], &value);
            if (r < 0 && first == 0)
                first = r;
        }
        g_restore = {};
        return first;
    }

private:
    Port &m_port;
};

} // namespace

void installCleanupHandlers()
{
    struct sigaction sa = {};
    sa.sa_handler = cleanUpAndDie;
    sigemptyset(&sa.sa_mask);
    for (int s : kCleanupSignals) // one cleanup at a time
        sigaddset(&sa.sa_mask, s);
    for (int s : kCleanupSignals) {
        struct sigaction old = {};
        // Leave a signal alone that the caller chose to ignore.
        if (sigaction(s, nullptr, &old) == 0 && old.sa_handler == SIG_IGN)
            continue;
        sigaction(s, &sa, nullptr);
    }
}

// ---- recording -----------------------------------------------------------

namespace {

// The median of the carrier reports, to the nearest 100 Hz (halves round up).
uint32_t medianCarrier(std::vector<uint32_t> reports)
{
    std::sort(reports.begin(), reports.end());
    const std::size_t mid = reports.size() / 2;
    const uint64_t twice = reports.size() % 2 ? 2 * uint64_t(reports[mid])
                                              : uint64_t(reports[mid - 1]) + reports[mid];
    return uint32_t((twice + 100) / 200 * 100);
}

struct CarrierReport
{
    uint32_t hz;
    std::size_t at; // values received before it: it came with the signal if more followed
};

// Reports that disagree are never averaged: they are grouped (each within 5 %
// of the next), and the group holding the most reports that came with the
// signal decides, then the one with the most reports, then the earliest. Its
// median is the carrier; the others go to dropped, in the order they came.
uint32_t chooseCarrier(const std::vector<CarrierReport> &reports, std::size_t values, std::size_t &used,
                       std::vector<uint32_t> &dropped)
{
    used = 0;
    if (reports.empty())
        return 0;
    std::vector<std::size_t> order(reports.size());
    for (std::size_t i = 0; i < order.size(); ++i)
        order[i] = i;
    std::stable_sort(order.begin(), order.end(),
                     [&](std::size_t a, std::size_t b) { return reports[a].hz < reports[b].hz; });
    std::vector<std::size_t> group(reports.size()); // group number by arrival
    std::size_t groups = 0;
    for (std::size_t k = 0; k < order.size(); ++k) {
        if (k > 0
            && uint64_t(reports[order[k]].hz - reports[order[k - 1]].hz) * 20 > reports[order[k - 1]].hz)
            ++groups;
        group[order[k]] = groups;
    }
    ++groups;
    struct Score
    {
        std::size_t withSignal = 0, total = 0;
    };
    std::vector<Score> score(groups);
    for (std::size_t i = 0; i < reports.size(); ++i) {
        score[group[i]].withSignal += reports[i].at < values;
        ++score[group[i]].total;
    }
    std::size_t best = group[0]; // the earliest report's group wins ties
    for (std::size_t i = 1; i < reports.size(); ++i) {
        const Score &a = score[group[i]];
        const Score &b = score[best];
        if (a.withSignal > b.withSignal || (a.withSignal == b.withSignal && a.total > b.total))
            best = group[i];
    }
    std::vector<uint32_t> chosen;
    for (std::size_t i = 0; i < reports.size(); ++i)
        (group[i] == best ? chosen : dropped).push_back(reports[i].hz);
    used = chosen.size();
    return medianCarrier(chosen);
}

// Waits for the signal on a device that is set up, filling c.
void receive(Port &port, const std::string &device, const CaptureOptions &options, Capture &c)
{
    // Should the driver never report the timeout, silence this long ends it.
    const int64_t idleLimitMs = (c.recTimeoutUs ? c.recTimeoutUs : options.recTimeoutUs) / 1000 + 250;

    std::vector<uint32_t> &v = c.signal.values;
    std::vector<CarrierReport> reports; // in range, as they came
    bool started = false;
    uint64_t totalUs = 0;
    int64_t lastDataMs = 0;
    const int64_t deadline = port.nowMs() + std::max(0, options.waitMs);

    auto reset = [&] {
        v.clear();
        reports.clear();
        started = false;
        totalUs = 0;
    };
    // True when what was captured counts as a signal; short blips are noise.
    auto finish = [&]() -> bool {
        if (!v.empty() && v.size() % 2 == 0)
            v.pop_back();
        if (v.size() < kMinCaptureValues) {
            reset();
            return false;
        }
        return true;
    };
    auto addReport = [&](uint32_t hz) {
        if (hz >= kMinCarrierHz && hz <= kMaxCarrierHz && reports.size() < kMaxValues)
            reports.push_back({ hz, v.size() });
    };
    // Carrier reports right after the end still belong to the signal, up to
    // the next pulse. False once that pulse came.
    auto addTrailingReports = [&](const uint32_t *samples, long count) -> bool {
        for (long i = 0; i < count; ++i) {
            if (LIRC_MODE2(samples[i]) == LIRC_MODE2_PULSE)
                return false;
            if (LIRC_MODE2(samples[i]) == LIRC_MODE2_FREQUENCY)
                addReport(LIRC_VALUE(samples[i]));
        }
        return true;
    };

    uint32_t buf[256];
    for (;;) {
        const int64_t now = port.nowMs();
        int64_t timeout;
        if (!started) {
            if (now >= deadline) {
                c.outcome = { ExitNoSignal,
                              "no IR signal received within " + msText(uint64_t(options.waitMs) * 1000) + "; "
                                  + (c.learningMode ? "hold the remote a few centimetres from the receiver"
                                                    : "point the remote at the receiver")
                                  + " and press the button" };
                return;
            }
            timeout = std::min<int64_t>(deadline - now, 1000);
        } else {
            int64_t idle = now - lastDataMs;
            if (idle >= idleLimitMs) {
                if (finish())
                    break;
                continue;
            }
            timeout = idleLimitMs - idle;
        }

        const int r = port.poll(int(timeout));
        if (r == -EINTR || r == 0)
            continue;
        if (r < 0) {
            c.outcome = readFailure(device, -r);
            return;
        }
        long n = port.read(buf, sizeof buf);
        if (n == -EAGAIN || n == -EINTR)
            continue;
        if (n <= 0) {
            c.outcome = readFailure(device, n == 0 ? ENODEV : int(-n));
            return;
        }
        lastDataMs = port.nowMs();

        bool done = false;
        long i = 0;
        for (; i < n / 4 && !done; ++i) {
            const uint32_t sample = buf[i];
            const uint32_t value = LIRC_VALUE(sample);
            switch (LIRC_MODE2(sample)) {
            case LIRC_MODE2_PULSE:
                if (value == 0)
                    break;
                started = true;
                if (v.size() % 2 == 1)
                    v.back() += value; // two pulses in a row: one longer pulse
                else
                    v.push_back(value);
                totalUs += value;
                break;
            case LIRC_MODE2_SPACE:
                if (!started || value == 0 || v.empty())
                    break; // silence before the signal is not part of it
                if (v.size() % 2 == 0)
                    v.back() += value;
                else
                    v.push_back(value);
                totalUs += value;
                break;
            case LIRC_MODE2_FREQUENCY:
                addReport(value);
                break;
            case LIRC_MODE2_TIMEOUT:
                if (started)
                    done = finish();
                break;
            case LIRC_MODE2_OVERFLOW:
                c.outcome = { ExitCaptureFailed,
                              "the IR receiver overflowed and lost part of the signal; try again" };
                return;
            default:
                break;
            }
            if (v.size() > kMaxValues || totalUs > kMaxSignalUs) {
                c.outcome = { ExitCaptureFailed,
                              "the IR signal does not end; release the button sooner, or "
                              "something (a lamp, sunlight) is disturbing the receiver" };
                return;
            }
        }
        if (!done)
            continue;
        // The end came; carrier reports may still follow.
        bool more = addTrailingReports(buf + i, n / 4 - i);
        const int64_t until = port.nowMs() + kTrailingCarrierMs;
        while (more && reports.empty() && c.measuringCarrier) {
            const int64_t left = until - port.nowMs();
            if (left <= 0 || port.poll(int(left)) <= 0)
                break;
            n = port.read(buf, sizeof buf);
            if (n == -EAGAIN || n == -EINTR)
                continue;
            if (n <= 0)
                break;
            more = addTrailingReports(buf, n / 4);
        }
        break;
    }

    // Some drivers report the carrier only once the signal is over, and the
    // 6.1 rc-loopback adds a second report after the signal whose value is
    // its receive timeout: what came during the signal decides.
    c.signal.carrier = chooseCarrier(reports, v.size(), c.carrierReports, c.droppedReports);
    std::string err;
    if (!checkSignal(c.signal, err))
        c.outcome = { ExitCaptureFailed, "the received IR signal cannot be used: " + err };
}

} // namespace

Capture captureSignal(Port &port, const std::string &device, const CaptureOptions &options)
{
    Capture c;
    int r = port.open(device, false);
    if (r < 0) {
        c.outcome = openFailure(device, -r, false);
        return c;
    }
    PortCloser closer{ port };

    uint32_t features = 0;
    if ((r = port.ioctl(LIRC_GET_FEATURES, &features)) < 0) {
        c.outcome = featuresFailure(device, -r);
        return c;
    }
    if (!(features & LIRC_CAN_REC_MODE2)) {
        c.outcome = { ExitUnsupported,
                      "IR device " + quotedPath(device)
                          + ((features & LIRC_CAN_REC_SCANCODE)
                                 ? " only decodes known remotes and cannot learn raw signals"
                                 : " cannot receive") };
        return c;
    }
    uint32_t mode = LIRC_MODE_MODE2;
    if ((r = port.ioctl(LIRC_SET_REC_MODE, &mode)) < 0 && r != -ENOTTY) {
        c.outcome = { ExitUnsupported,
                      "cannot switch IR device " + quotedPath(device) + " to raw receive: " + errText(-r) };
        return c;
    }

    // Put back on every way out of here, before the port closes.
    ReceiverSettings settings(port);

    // A long enough timeout keeps frames 40 ms apart in one capture.
    uint32_t previousTimeout = 0;
    bool havePrevious = port.ioctl(LIRC_GET_REC_TIMEOUT, &previousTimeout) == 0;
    uint32_t minTimeout = 0, maxTimeout = 0;
    if (port.ioctl(LIRC_GET_MIN_TIMEOUT, &minTimeout) == 0
        && port.ioctl(LIRC_GET_MAX_TIMEOUT, &maxTimeout) == 0 && maxTimeout >= minTimeout && maxTimeout > 0) {
        uint32_t t = std::clamp(options.recTimeoutUs, minTimeout, maxTimeout);
        std::optional<uint32_t> previous;
        if (havePrevious && previousTimeout != t)
            previous = previousTimeout;
        if (settings.change(LIRC_SET_REC_TIMEOUT, t, previous) == 0)
            c.recTimeoutUs = t;
    }

    // Learning mode: the short-range wideband receiver made for learning other
    // remotes, and reports of the carrier it hears. Both are off by default;
    // a device that refuses them records as without.
    if (features & LIRC_CAN_USE_WIDEBAND_RECEIVER)
        c.learningMode = settings.change(LIRC_SET_WIDEBAND_RECEIVER, 1, 0) == 0;
    if (features & LIRC_CAN_MEASURE_CARRIER)
        c.measuringCarrier = settings.change(LIRC_SET_MEASURE_CARRIER_MODE, 1, 0) == 0;

    receive(port, device, options, c);
    c.restoreError = -settings.restore();
    return c;
}

std::vector<std::string> recordHeader(const Capture &c, const std::string &device, bool simulated,
                                      const std::string &file)
{
    std::vector<std::string> h;
    if (simulated) {
        uint8_t address = 0, command = 0;
        SimPort::necCode(file, address, command);
        h.push_back("Lumo Control IR signal, simulated by irrecord.exe (no IR hardware was used)");
        h.push_back("NEC address " + hexByte(address) + " command " + hexByte(command)
                    + ", derived from the file name");
    } else {
        h.push_back("Lumo Control IR signal, recorded by irrecord.exe from " + device);
    }
    const Signal &s = c.signal;
    std::size_t frames = s.frameCount();
    h.push_back("recorded " + utcNow() + "; " + numberText(s.values.size()) + " values in "
                + numberText(frames) + (frames == 1 ? " frame, " : " frames, ") + msText(s.durationUs()));
    std::string line;
    if (c.carrierReports) {
        line = std::string("carrier measured by the receiver") + (c.learningMode ? " in learning mode" : "")
            + (c.carrierReports == 1 ? " (1 report"
                                     : " (median of " + numberText(c.carrierReports) + " reports");
        if (const std::size_t n = c.droppedReports.size()) {
            line += "; dropped " + numberText(n) + " that disagreed: ";
            for (std::size_t i = 0; i < n && i < 3; ++i)
                line += (i ? ", " : "") + numberText(c.droppedReports[i]);
            line += n > 3 ? ", ... Hz" : " Hz";
        }
        line += ")";
    } else
        line = std::string("carrier not measured") + (c.learningMode ? " in learning mode" : "")
            + "; senders use " + numberText(kDefaultCarrierHz) + " Hz";
    if (c.recTimeoutUs)
        line += "; receive timeout " + numberText(c.recTimeoutUs) + " us";
    h.push_back(line);
    // What the signal is, for people: the tools always decode the values.
    if (std::string decoded = decodedComment(s); !decoded.empty())
        h.push_back(decoded);
    return h;
}

Outcome recordToFile(Port &port, const std::string &device, const std::string &file,
                     const CaptureOptions &options)
{
    AtomicFile out;
    Outcome o = out.begin(file);
    if (o.code != ExitOk)
        return o;
    Capture c = captureSignal(port, device, options);
    if (c.outcome.code != ExitOk) {
        out.abort();
        return c.outcome;
    }
    o = out.commit(formatSignal(c.signal, recordHeader(c, device, isSimDevice(device), file)));
    if (o.code == ExitOk && c.restoreError)
        o.message = "warning: signal saved, but IR device " + quotedPath(device)
            + " could not be set back after recording (" + errText(c.restoreError) + ")"
            + (c.learningMode ? "; it may hear only remotes close by until it is plugged in again" : "");
    return o;
}

// ---- playing -------------------------------------------------------------

namespace {

void splitRange(const std::vector<uint32_t> &values, const std::vector<uint64_t> &prefix, std::size_t b,
                std::size_t e, std::size_t maxValues, uint64_t maxUs, std::vector<Chunk> &out)
{
    const std::size_t count = e - b;
    const uint64_t dur = prefix[e] - prefix[b];
    if (count == 1 || (count <= maxValues && dur <= maxUs)) {
        out.push_back({ b, e, 0, dur });
        return;
    }
    // Cut at the longest space; on a tie take the one nearest the middle.
    const std::size_t mid = b + count / 2;
    std::size_t best = b + 1;
    for (std::size_t i = b + 1; i < e; i += 2) {
        auto dist = [mid](std::size_t x) { return x > mid ? x - mid : mid - x; };
        if (values[i] > values[best] || (values[i] == values[best] && dist(i) < dist(best)))
            best = i;
    }
    splitRange(values, prefix, b, best, maxValues, maxUs, out);
    out.back().gapAfterUs = values[best];
    splitRange(values, prefix, best + 1, e, maxValues, maxUs, out);
}

} // namespace

std::vector<Chunk> splitForSending(const std::vector<uint32_t> &values, std::size_t maxValues, uint64_t maxUs)
{
    std::vector<Chunk> out;
    if (values.empty() || values.size() % 2 == 0)
        return out;
    std::vector<uint64_t> prefix(values.size() + 1, 0);
    for (std::size_t i = 0; i < values.size(); ++i)
        prefix[i + 1] = prefix[i] + values[i];
    splitRange(values, prefix, 0, values.size(), std::max<std::size_t>(maxValues, 1), maxUs, out);
    return out;
}

Outcome sendSignal(Port &port, const std::string &device, const Signal &signal)
{
    std::string err;
    if (!checkSignal(signal, err))
        return { ExitBadFile, "the signal cannot be sent: " + err };
    const std::vector<Chunk> chunks = splitForSending(signal.values);
    for (const Chunk &ch : chunks) {
        if (ch.end - ch.begin > kMaxValuesPerWrite || ch.us > kMaxUsPerWrite)
            return { ExitBadFile, "the signal cannot be cut into pieces a device can send" };
    }

    int r = port.open(device, true);
    if (r < 0)
        return openFailure(device, -r, true);
    PortCloser closer{ port };

    uint32_t features = 0;
    if ((r = port.ioctl(LIRC_GET_FEATURES, &features)) < 0)
        return featuresFailure(device, -r);
    if (!(features & LIRC_CAN_SEND_PULSE))
        return { ExitUnsupported, "IR device " + quotedPath(device) + " cannot send" };
    uint32_t mode = LIRC_MODE_PULSE;
    if ((r = port.ioctl(LIRC_SET_SEND_MODE, &mode)) < 0 && r != -ENOTTY)
        return { ExitUnsupported,
                 "cannot switch IR device " + quotedPath(device) + " to sending pulses: " + errText(-r) };
    if (features & LIRC_CAN_SET_SEND_CARRIER) {
        // Without a carrier in the file use the common one, rather than
        // whatever the last sender left behind.
        uint32_t carrier = signal.carrier ? signal.carrier : kDefaultCarrierHz;
        if ((r = port.ioctl(LIRC_SET_SEND_CARRIER, &carrier)) < 0)
            return { ExitUnsupported,
                     "IR device " + quotedPath(device) + " cannot send on a " + numberText(carrier)
                         + " Hz carrier: " + errText(-r) };
    }

    for (const Chunk &ch : chunks) {
        const std::size_t bytes = (ch.end - ch.begin) * sizeof(uint32_t);
        const int64_t startMs = port.nowMs();
        long w = port.write(signal.values.data() + ch.begin, bytes);
        if (w >= 0 && std::size_t(w) == bytes) {
            // The kernel's write returns once its part has gone out, rounded
            // up to its timer ticks (4 ms at 250 Hz); what it overslept comes
            // off the gap, less a millisecond for the clock's steps.
            const int64_t lateUs = (port.nowMs() - startMs) * 1000 - int64_t(ch.us) - 1000;
            const uint32_t gap = uint32_t(
                std::clamp<int64_t>(int64_t(ch.gapAfterUs) - lateUs, 0, ch.gapAfterUs));
            if (gap)
                port.pauseUs(gap);
            continue;
        }
        // A send that stops half way says how far it got: the frames before
        // this write went out whole.
        std::size_t sent = 0;
        for (std::size_t i = 1; i < ch.begin; i += 2)
            sent += signal.values[i] >= kFrameGapUs;
        const std::string sofar = "after sending " + numberText(sent) + " of the signal's "
            + numberText(signal.frameCount()) + " frames";
        if (w >= 0)
            return { ExitDeviceError,
                     "IR device " + quotedPath(device) + " sent only part of the signal"
                         + (ch.begin ? " (cut short " + sofar + ")" : "") };
        const std::string unplugged = (w == -ENODEV || w == -EIO) ? "; was it unplugged?" : "";
        if (ch.begin == 0)
            return { ExitDeviceError,
                     "IR device " + quotedPath(device) + " did not send the signal: " + errText(int(-w))
                         + unplugged };
        return { ExitDeviceError,
                 "IR device " + quotedPath(device) + " stopped " + sofar + ": " + errText(int(-w))
                     + unplugged };
    }
    if ((r = port.close()) < 0)
        return { ExitDeviceError, "IR device " + quotedPath(device) + " failed: " + errText(-r) };
    return {};
}

Outcome loadCodeFile(const std::string &file, CodeFile &out)
{
    const std::string name = quotedPath(file);
    int fd;
    do
        fd = ::open(file.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY);
    while (fd < 0 && errno == EINTR);
    if (fd < 0)
        return { ExitBadFile, "cannot open signal file " + name + ": " + errText(errno) };
    struct stat st = {};
    if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        return { ExitBadFile, name + " is not a signal file" };
    }
    if (std::size_t(st.st_size) > kMaxFileBytes) {
        ::close(fd);
        return { ExitBadFile, "signal file " + name + " is too large" };
    }
    std::string text(std::size_t(st.st_size), '\0');
    std::size_t got = 0;
    while (got < text.size()) {
        ssize_t n = ::read(fd, &text[got], text.size() - got);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            int e = errno;
            ::close(fd);
            return { ExitBadFile, "cannot read signal file " + name + ": " + errText(e) };
        }
        if (n == 0)
            break;
        got += std::size_t(n);
    }
    ::close(fd);
    text.resize(got);
    std::string err;
    if (!readCodeFile(text, out, err))
        return { ExitBadFile, "bad signal file " + name + ": " + err };
    return {};
}

// ---- atomic output file --------------------------------------------------

AtomicFile::~AtomicFile()
{
    abort();
}

Outcome AtomicFile::begin(const std::string &target)
{
    abort();
    m_target = target;
    std::string dir = ".";
    std::size_t slash = target.find_last_of('/');
    if (slash != std::string::npos)
        dir = slash == 0 ? std::string("/") : target.substr(0, slash);
    if (slash == target.size() - 1)
        return { ExitWriteFailed, "cannot write " + quotedPath(target) + ": it names a folder" };

    struct stat st = {};
    if (::stat(target.c_str(), &st) == 0) {
        if (S_ISDIR(st.st_mode))
            return { ExitWriteFailed, "cannot write " + quotedPath(target) + ": it is a folder" };
        m_mode = st.st_mode & 07777;
    } else {
        mode_t um = umask(0);
        umask(um);
        m_mode = 0666 & ~um;
    }

    std::string tmpl = dir + (dir == "/" ? "" : "/") + ".irrecord-XXXXXX";
    std::vector<char> buf(tmpl.begin(), tmpl.end());
    buf.push_back('\0');
    char *copy = static_cast<char *>(std::malloc(buf.size()));
    if (!copy)
        throw std::bad_alloc();
    {
        SignalBlock block;
        m_fd = mkostemp(buf.data(), O_CLOEXEC);
        if (m_fd < 0) {
            int e = errno;
            std::free(copy);
            return { ExitWriteFailed, "cannot write in folder " + quotedPath(dir) + ": " + errText(e) };
        }
        std::memcpy(copy, buf.data(), buf.size());
        g_pendingTemp = copy;
    }
    m_temp = buf.data();
    return {};
}

void AtomicFile::abort()
{
    if (m_fd >= 0) {
        ::close(m_fd);
        m_fd = -1;
    }
    if (!m_temp.empty()) {
        SignalBlock block;
        ::unlink(m_temp.c_str());
        char *p = g_pendingTemp;
        g_pendingTemp = nullptr;
        std::free(p);
        m_temp.clear();
    }
}

Outcome AtomicFile::commit(const std::string &content)
{
    if (m_fd < 0)
        return { ExitInternal, "no temporary file to write" };
    auto fail = [&](int e) {
        abort();
        return Outcome{ ExitWriteFailed, "cannot write " + quotedPath(m_target) + ": " + errText(e) };
    };
    std::size_t done = 0;
    while (done < content.size()) {
        ssize_t n = ::write(m_fd, content.data() + done, content.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return fail(errno);
        done += std::size_t(n);
    }
    if (fchmod(m_fd, m_mode) != 0 || fsync(m_fd) != 0)
        return fail(errno);
    int fd = m_fd;
    m_fd = -1;
    if (::close(fd) != 0 && errno != EINTR)
        return fail(errno);
    {
        SignalBlock block;
        if (::rename(m_temp.c_str(), m_target.c_str()) != 0)
            return fail(errno);
        char *p = g_pendingTemp;
        g_pendingTemp = nullptr;
        std::free(p);
        m_temp.clear();
    }
    return {};
}

} // namespace lumo::ir
