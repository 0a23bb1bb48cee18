// A small static helper for the kernel test tier: it drives a real LIRC
// device (rc-loopback in a virtual machine) the way the tools' users' remotes
// and TVs would, and tells what the kernel's own decoders made of it.
//
//   lirc_probe [-d DEV] send PROTOCOL SCANCODE [MASK]
//       sends the scancode with the kernel's encoder (LIRC_MODE_SCANCODE) on
//       emitter MASK (default 1), then puts the emitter mask back to 1
//   lirc_probe [-d DEV] decode [-r] [-t] [-w MS] PROGRAM ARG...
//       runs PROGRAM while listening, then MS ms (default 50) more, and
//       prints what came: "PROTOCOL 0xSCANCODE [toggle] [repeat]" per decoded
//       frame (-t: and " at US", microseconds since the first one was
//       decoded), "carrier N" per carrier report, last "exit N" for PROGRAM.
//       -r switches carrier reports on meanwhile; off again afterwards, the
//       decoders are reset with one short pulse (with reports on, rc-loopback
//       hides the space after a send and leaves them mid-frame)
//   lirc_probe [-d DEV] raw FILE
//       sends FILE's values exactly as they are in one write (pulse/space
//       lines or +N -N, "carrier N" sets the carrier, '#' comments) and
//       prints what was decoded as decode does, without the exit line
//   lirc_probe as-user UID PROGRAM ARG...
//       runs PROGRAM as user and group UID without supplementary groups
//
// Exit status 0, or 1 with one line on stderr when the device refused.
#include <linux/lirc.h>

#include <cerrno>
#include <charconv>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <fstream>
#include <grp.h>
#include <poll.h>
#include <sstream>
#include <string>
#include <sys/ioctl.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {

const char *g_device = "/dev/lirc0";

// The kernel's rc_proto numbers, named as the tools name them.
const char *const kNames[] = { "unknown",   "other",     "rc5",       "rc5x_20", "rc5_sz",    "jvc",
                               "sony12",    "sony15",    "sony20",    "nec",     "necx",      "nec32",
                               "sanyo",     "mcir2_kbd", "mcir2_mse", "rc6_0",   "rc6_6a_20", "rc6_6a_24",
                               "rc6_6a_32", "rc6_mce",   "sharp" };
constexpr int kNameCount = int(sizeof kNames / sizeof kNames[0]);

int fail(const std::string &what)
{
    std::fprintf(stderr, "lirc_probe: %s: %s\n", what.c_str(), std::strerror(errno));
    return 1;
}

bool number(const std::string &text, unsigned long long &out)
{
    const bool hex = text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X');
    const char *begin = text.data() + (hex ? 2 : 0);
    const char *end = text.data() + text.size();
    auto r = std::from_chars(begin, end, out, hex ? 16 : 10);
    return r.ec == std::errc() && r.ptr == end && begin != end;
}

int64_t nowMs()
{
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return int64_t(ts.tv_sec) * 1000 + ts.tv_nsec / 1000000;
}

int openDevice(int flags)
{
    int fd = ::open(g_device, flags | O_CLOEXEC);
    if (fd < 0)
        fail(std::string("cannot open ") + g_device);
    return fd;
}

int setting(int fd, unsigned long request, uint32_t value)
{
    return ::ioctl(fd, request, &value);
}

// Writes values in one go on the device's current emitters and carrier.
int writeValues(const std::vector<uint32_t> &values, uint32_t carrier)
{
    int fd = openDevice(O_WRONLY);
    if (fd < 0)
        return 1;
    int r = 0;
    if (carrier && setting(fd, LIRC_SET_SEND_CARRIER, carrier) < 0)
        r = fail("carrier");
    else if (::write(fd, values.data(), values.size() * 4) != long(values.size() * 4))
        r = fail("write");
    ::close(fd);
    return r;
}

// Listens while body runs (it returns 1 while still busy, else 0) and ms
// after; prints what the kernel decoded and the carrier reports. False when
// the device could not be set up.
template <class Body>
bool listen(bool reports, bool times, int ms, Body body)
{
    int scan = openDevice(O_RDONLY | O_NONBLOCK);
    int raw = openDevice(O_RDONLY | O_NONBLOCK);
    if (scan < 0 || raw < 0)
        return false;
    if (setting(scan, LIRC_SET_REC_MODE, LIRC_MODE_SCANCODE) < 0)
        return fail("scancode mode"), false;
    if (reports && setting(raw, LIRC_SET_MEASURE_CARRIER_MODE, 1) < 0)
        return fail("carrier reports"), false;
    std::string out;
    uint64_t first = 0;
    for (int64_t until = 0; until == 0 || nowMs() < until;) {
        if (until == 0 && body() == 0)
            until = nowMs() + ms;
        pollfd p[2] = { { scan, POLLIN, 0 }, { raw, POLLIN, 0 } };
        ::poll(p, 2, 5);
        lirc_scancode sc[16];
        long n = ::read(scan, sc, sizeof sc);
        for (long i = 0; i < n / long(sizeof sc[0]); ++i) {
            char line[96];
            std::snprintf(line, sizeof line, "%s 0x%llx%s%s\n",
                          sc[i].rc_proto < kNameCount ? kNames[sc[i].rc_proto] : "other",
                          (unsigned long long)sc[i].scancode,
                          sc[i].flags & LIRC_SCANCODE_FLAG_TOGGLE ? " toggle" : "",
                          sc[i].flags & LIRC_SCANCODE_FLAG_REPEAT ? " repeat" : "");
            out += line;
            if (times) {
                first = first ? first : sc[i].timestamp;
                out.insert(out.size() - 1, " at " + std::to_string((sc[i].timestamp - first) / 1000));
            }
        }
        uint32_t samples[256];
        n = ::read(raw, samples, sizeof samples);
        for (long i = 0; i < n / 4; ++i)
            if (LIRC_IS_FREQUENCY(samples[i]))
                out += "carrier " + std::to_string(LIRC_VALUE(samples[i])) + "\n";
    }
    if (reports) {
        setting(raw, LIRC_SET_MEASURE_CARRIER_MODE, 0);
        writeValues({ 100 }, 0); // a pulse, then a space the decoders see
    }
    ::close(scan);
    ::close(raw);
    std::fputs(out.c_str(), stdout);
    return true;
}

int sendScancode(const std::string &protocol, const std::string &value, const std::string &mask)
{
    unsigned long long code = 0, emitters = 1;
    int proto = 0;
    while (proto < kNameCount && protocol != kNames[proto])
        ++proto;
    if (proto == kNameCount || !number(value, code) || (!mask.empty() && !number(mask, emitters))) {
        std::fprintf(stderr, "lirc_probe: bad send arguments\n");
        return 2;
    }
    int fd = openDevice(O_WRONLY);
    if (fd < 0)
        return 1;
    int r = 0;
    lirc_scancode sc = {};
    sc.rc_proto = uint16_t(proto);
    sc.scancode = code;
    if (setting(fd, LIRC_SET_TRANSMITTER_MASK, uint32_t(emitters)) != 0)
        r = fail("emitter mask");
    else if (setting(fd, LIRC_SET_SEND_MODE, LIRC_MODE_SCANCODE) < 0)
        r = fail("scancode send mode");
    else if (::write(fd, &sc, sizeof sc) != long(sizeof sc))
        r = fail("send");
    setting(fd, LIRC_SET_TRANSMITTER_MASK, 1); // the mask outlives this open
    ::close(fd);
    return r;
}

int rawFile(const char *path, bool send)
{
    std::ifstream in(path);
    if (!in)
        return fail(std::string("cannot read ") + path);
    std::vector<uint32_t> values;
    unsigned long long carrier = 0, v = 0;
    std::string line, word;
    while (std::getline(in, line)) {
        std::istringstream words(line.substr(0, line.find('#')));
        while (words >> word) {
            if (word == "carrier" || word == "pulse" || word == "space" || word == "timeout") {
                std::string n;
                words >> n;
                if (!number(n, v))
                    return std::fprintf(stderr, "lirc_probe: bad line '%s'\n", line.c_str()), 2;
                if (word == "carrier")
                    carrier = v;
                else if (word != "timeout")
                    values.push_back(uint32_t(v));
            } else if (number(word[0] == '+' || word[0] == '-' ? word.substr(1) : word, v)) {
                values.push_back(uint32_t(v));
            } else {
                return std::fprintf(stderr, "lirc_probe: bad line '%s'\n", line.c_str()), 2;
            }
        }
    }
    return send ? writeValues(values, uint32_t(carrier)) : 0;
}

} // namespace

int main(int argc, char **argv)
{
    int i = 1;
    if (argc > 2 && std::strcmp(argv[1], "-d") == 0) {
        g_device = argv[2];
        i = 3;
    }
    const std::string cmd = i < argc ? argv[i++] : "";
    if (cmd == "send" && (argc - i == 2 || argc - i == 3))
        return sendScancode(argv[i], argv[i + 1], argc - i == 3 ? argv[i + 2] : "");
    if (cmd == "as-user" && argc - i >= 2) {
        unsigned long long uid = 0;
        if (!number(argv[i], uid))
            return 2;
        if (setgroups(0, nullptr) != 0 || setgid(gid_t(uid)) != 0 || setuid(uid_t(uid)) != 0)
            return fail("cannot change user");
        execvp(argv[i + 1], argv + i + 1);
        return fail(std::string("cannot run ") + argv[i + 1]);
    }
    if (cmd == "raw" && argc - i == 1) {
        if (int r = rawFile(argv[i], false)) // bad files are told before listening
            return r;
        int r = 1;
        if (!listen(false, false, 150, [&] { return r = rawFile(argv[i], true), 0; }))
            return 1;
        return r;
    }
    if (cmd == "decode") {
        bool reports = false;
        bool times = false;
        unsigned long long ms = 50;
        for (; i < argc && argv[i][0] == '-'; ++i) {
            if (std::strcmp(argv[i], "-r") == 0)
                reports = true;
            else if (std::strcmp(argv[i], "-t") == 0)
                times = true;
            else if (std::strcmp(argv[i], "-w") == 0 && i + 1 < argc && number(argv[i + 1], ms))
                ++i;
            else
                return 2;
        }
        if (i == argc)
            return 2;
        pid_t pid = -1;
        int status = 0;
        bool ok = listen(reports, times, int(ms), [&] {
            if (pid < 0 && (pid = fork()) == 0) {
                execvp(argv[i], argv + i);
                _exit(127);
            }
            return pid > 0 && waitpid(pid, &status, WNOHANG) == 0 ? 1 : 0;
        });
        if (!ok || pid < 0)
            return 1;
        std::printf("exit %d\n", WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status));
        return 0;
    }
    std::fprintf(stderr, "usage: lirc_probe [-d DEV] send|decode|raw|as-user ... (see the source)\n");
    return 2;
}
