#include "irport.h"

#include <linux/lirc.h>

#include <cerrno>
#include <ctime>
#include <fcntl.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "irsignal.h"

namespace lumo::ir {

namespace {

int64_t monotonicMs()
{
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return int64_t(ts.tv_sec) * 1000 + ts.tv_nsec / 1'000'000;
}

void sleepMs(int64_t ms)
{
    if (ms <= 0)
        return;
    timespec ts{ time_t(ms / 1000), long(ms % 1000) * 1'000'000L };
    nanosleep(&ts, nullptr);
}

// Appends "NAME VALUE" to the simulator's receiver log, opening it into fd
// first if need be. Async-signal-safe (open, write and a buffer on the
// stack), as Port::ioctl() promises.
void logSetting(int &fd, const char *log, const char *name, uint32_t value)
{
    char line[80];
    std::size_t n = 0;
    for (const char *p = name; *p && n < 60; ++p)
        line[n++] = *p;
    line[n++] = ' ';
    char digits[10];
    std::size_t d = 0;
    do {
        digits[d++] = char('0' + value % 10);
        value /= 10;
    } while (value);
    while (d)
        line[n++] = digits[--d];
    line[n++] = '\n';
    if (fd < 0)
        fd = ::open(log, O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0666);
    if (fd < 0)
        return; // a trace only: the pretend device works without it
    ssize_t written = ::write(fd, line, n);
    (void)written;
}

} // namespace

bool isSimDevice(const std::string &device)
{
    return device.compare(0, 4, "sim:") == 0;
}

// ---- SystemPort ----------------------------------------------------------

SystemPort::~SystemPort()
{
    close();
}

int SystemPort::open(const std::string &device, bool forWriting)
{
    close();
    int flags = O_CLOEXEC | O_NOCTTY | (forWriting ? O_WRONLY : (O_RDONLY | O_NONBLOCK));
    do
        m_fd = ::open(device.c_str(), flags);
    while (m_fd < 0 && errno == EINTR);
    if (m_fd < 0)
        return -errno;
    // A regular file or a pipe is no IR device, whatever its name.
    struct stat st = {};
    if (fstat(m_fd, &st) == 0 && !S_ISCHR(st.st_mode)) {
        close();
        return -ENOTTY;
    }
    return 0;
}

int SystemPort::ioctl(unsigned long request, uint32_t *arg)
{
    int r;
    do
        r = ::ioctl(m_fd, request, arg);
    while (r < 0 && errno == EINTR);
    return r < 0 ? -errno : 0;
}

long SystemPort::read(uint32_t *buf, std::size_t bytes)
{
    ssize_t n = ::read(m_fd, buf, bytes);
    return n < 0 ? -errno : long(n);
}

long SystemPort::write(const uint32_t *buf, std::size_t bytes)
{
    // No retry on EINTR: half a signal must not be sent twice.
    ssize_t n = ::write(m_fd, buf, bytes);
    return n < 0 ? -errno : long(n);
}

int SystemPort::poll(int timeoutMs)
{
    pollfd p{ m_fd, POLLIN, 0 };
    int r = ::poll(&p, 1, timeoutMs);
    if (r < 0)
        return -errno;
    if (r == 0)
        return 0;
    if (p.revents & (POLLERR | POLLHUP | POLLNVAL))
        return (p.revents & POLLIN) ? 1 : -ENODEV;
    return 1;
}

int SystemPort::close()
{
    if (m_fd < 0)
        return 0;
    int r = ::close(m_fd);
    m_fd = -1;
    return (r < 0 && errno != EINTR) ? -errno : 0;
}

int64_t SystemPort::nowMs()
{
    return monotonicMs();
}

void SystemPort::pauseUs(uint32_t us)
{
    timespec ts{ time_t(us / 1'000'000), long(us % 1'000'000) * 1000L };
    while (nanosleep(&ts, &ts) < 0 && errno == EINTR) { }
}

// ---- SimPort -------------------------------------------------------------

SimPort::SimPort(Options options)
    : m_opt(std::move(options))
{ }

void SimPort::necCode(const std::string &recordName, uint8_t &address, uint8_t &command)
{
    // FNV-1a over the base name, so every button gets its own code.
    std::string base = recordName;
    std::size_t slash = base.find_last_of('/');
    if (slash != std::string::npos)
        base = base.substr(slash + 1);
    uint32_t h = 2166136261u;
    for (unsigned char c : base) {
        h ^= c;
        h *= 16777619u;
    }
    address = uint8_t(h ^ (h >> 24));
    command = uint8_t((h >> 8) ^ (h >> 16));
}

std::vector<uint32_t> SimPort::necSamples(const std::string &recordName)
{
    uint8_t address = 0, command = 0;
    necCode(recordName, address, command);
    const uint8_t bytes[4] = { address, uint8_t(~address), command, uint8_t(~command) };

    std::vector<uint32_t> s;
    s.reserve(72);
    s.push_back(LIRC_SPACE(1'200'000)); // silence before the press
    s.push_back(LIRC_PULSE(9000));
    s.push_back(LIRC_FREQUENCY(38'020)); // carrier reports: during the frame...
    s.push_back(LIRC_SPACE(4500));
    for (int i = 0; i < 4; ++i) {
        for (int bit = 0; bit < 8; ++bit) {
            s.push_back(LIRC_PULSE(560));
            s.push_back(LIRC_SPACE((bytes[i] >> bit) & 1 ? 1690 : 560));
        }
        if (i == 1)
            s.push_back(LIRC_FREQUENCY(37'950));
    }
    s.push_back(LIRC_PULSE(560));
    s.push_back(LIRC_TIMEOUT(150'000));
    s.push_back(LIRC_FREQUENCY(38'090)); // ...and once idle again, as some drivers do
    return s;
}

int SimPort::open(const std::string &device, bool forWriting)
{
    m_folder = device.substr(4);
    m_receiverLog = m_folder + "/receiver.log";
    const std::string &f = m_opt.fail;
    if (f == "missing")
        return -ENOENT;
    if (f == "busy")
        return -EBUSY;
    if (f == "denied")
        return -EACCES;
    struct stat st = {};
    if (m_folder.empty() || ::stat(m_folder.c_str(), &st) != 0 || !S_ISDIR(st.st_mode))
        return -ENOENT;
    m_open = true;
    m_sent.clear();
    m_carrier = 0;
    m_measuringCarrier = false;
    if (!forWriting) {
        m_readyAt = nowMs() + (m_opt.delayMs > 0 ? m_opt.delayMs : 0);
        if (f == "nosignal") {
            m_pending.clear();
        } else if (f == "overflow") {
            m_pending = { LIRC_PULSE(9000), LIRC_SPACE(4500), LIRC_PULSE(560), LIRC_OVERFLOW(0) };
        } else {
            m_pending = necSamples(m_opt.recordName);
        }
        m_readPos = 0;
    }
    return 0;
}

int SimPort::ioctl(unsigned long request, uint32_t *arg)
{
    if (!m_open)
        return -EBADF;
    switch (request) {
    case LIRC_GET_FEATURES: {
        uint32_t features = LIRC_CAN_REC_MODE2 | LIRC_CAN_SEND_PULSE | LIRC_CAN_SET_SEND_CARRIER
            | LIRC_CAN_SET_REC_TIMEOUT | LIRC_CAN_MEASURE_CARRIER | LIRC_CAN_USE_WIDEBAND_RECEIVER;
        if (m_opt.fail == "norecv")
            features &= ~uint32_t(LIRC_CAN_REC_MASK | LIRC_CAN_MEASURE_CARRIER
                                  | LIRC_CAN_USE_WIDEBAND_RECEIVER);
        if (m_opt.fail == "nosend")
            features &= ~uint32_t(LIRC_CAN_SEND_MASK | LIRC_CAN_SET_SEND_CARRIER);
        *arg = features;
        return 0;
    }
    case LIRC_GET_MIN_TIMEOUT:
        *arg = 1;
        return 0;
    case LIRC_GET_MAX_TIMEOUT:
        *arg = 1'250'000;
        return 0;
    case LIRC_GET_REC_TIMEOUT:
        *arg = 125'000;
        return 0;
    case LIRC_SET_REC_TIMEOUT:
        logSetting(m_receiverLogFd, m_receiverLog.c_str(), "LIRC_SET_REC_TIMEOUT", *arg);
        return 0;
    case LIRC_SET_WIDEBAND_RECEIVER:
        logSetting(m_receiverLogFd, m_receiverLog.c_str(), "LIRC_SET_WIDEBAND_RECEIVER", *arg);
        return 0;
    case LIRC_SET_MEASURE_CARRIER_MODE:
        m_measuringCarrier = *arg != 0;
        logSetting(m_receiverLogFd, m_receiverLog.c_str(), "LIRC_SET_MEASURE_CARRIER_MODE", *arg);
        return 0;
    case LIRC_SET_REC_MODE:
    case LIRC_SET_SEND_MODE:
        return 0;
    case LIRC_SET_SEND_CARRIER:
        m_carrier = *arg;
        return 0;
    default:
        return -ENOTTY;
    }
}

int SimPort::poll(int timeoutMs)
{
    if (m_readPos >= m_pending.size()) {
        sleepMs(timeoutMs);
        return 0;
    }
    int64_t wait = m_readyAt - nowMs();
    if (wait <= 0)
        return 1;
    if (wait > timeoutMs) {
        sleepMs(timeoutMs);
        return 0;
    }
    sleepMs(wait);
    return 1;
}

long SimPort::read(uint32_t *buf, std::size_t bytes)
{
    if (m_readPos >= m_pending.size() || nowMs() < m_readyAt)
        return -EAGAIN;
    std::size_t n = 0;
    while (n < bytes / 4 && m_readPos < m_pending.size()) {
        const uint32_t sample = m_pending[m_readPos++];
        if (LIRC_IS_FREQUENCY(sample) && !m_measuringCarrier)
            continue; // the kernel reports a carrier only when asked to
        buf[n++] = sample;
    }
    return n ? long(n * 4) : -EAGAIN;
}

long SimPort::write(const uint32_t *buf, std::size_t bytes)
{
    if (!m_open)
        return -EBADF;
    if (bytes % 4 != 0 || (bytes / 4) % 2 == 0)
        return -EINVAL;
    if (!m_sent.empty() && m_sent.size() % 2 == 1)
        return -EINVAL; // a write must follow a pause
    m_sent.insert(m_sent.end(), buf, buf + bytes / 4);
    return long(bytes);
}

void SimPort::pauseUs(uint32_t us)
{
    if (!m_sent.empty() && m_sent.size() % 2 == 1)
        m_sent.push_back(us);
}

int SimPort::close()
{
    if (!m_open)
        return 0;
    m_open = false;
    if (m_receiverLogFd >= 0) {
        ::close(m_receiverLogFd);
        m_receiverLogFd = -1;
    }
    if (m_sent.empty())
        return 0;
    if (m_sent.size() % 2 == 0) // a trailing pause is not part of the signal
        m_sent.pop_back();
    std::string line = formatCompact(m_sent);
    line += " # carrier ";
    line += m_carrier ? numberText(m_carrier) : std::string("default");
    line += ", file ";
    line += oneLine(m_opt.sourceFile);
    line += '\n';
    m_sent.clear();

    std::string log = m_folder + "/sent.log";
    int fd = ::open(log.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0666);
    if (fd < 0)
        return -errno;
    // One write per line keeps lines whole when several players append at once.
    ssize_t n = ::write(fd, line.data(), line.size());
    int err = n < 0 ? errno : (std::size_t(n) != line.size() ? EIO : 0);
    ::close(fd);
    return -err;
}

int64_t SimPort::nowMs()
{
    return monotonicMs();
}

} // namespace lumo::ir
