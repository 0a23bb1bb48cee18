// The kernel tier's helper, linked statically for the test machine: it sends
// with the kernel's own encoder and tells what the kernel's decoders made of
// a send, the two things the tools and busybox cannot do. On /dev/lirc0:
//
//   lirc_probe mask MASK              sets the emitter mask (it outlives the open)
//   lirc_probe send PROTOCOL SCANCODE  sends with the kernel's encoder
//   lirc_probe decode [-t] PROGRAM ARG...
//       runs PROGRAM and prints a "PROTOCOL 0xSCANCODE[ toggle][ repeat]"
//       line per frame the kernel decoded, until 50 ms without one after
//       PROGRAM ended (-t: and " at US", microseconds since the first), then
//       "exit N"
//   lirc_probe raw FILE
//       sends a mode2 FILE's values exactly as they are, in one write
//       ("pulse N", "space N" or "+N -N"; "carrier N" sets the carrier, else
//       38000 Hz; "timeout N" and '#' comments are skipped) and prints what
//       the kernel decoded as decode does, without the exit line
//
// Exit status 0, 1 with a line on stderr when the device refused, 2 for a
// wrong command line.
#include <linux/lirc.h>

#include <cerrno>
#include <charconv>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <poll.h>
#include <string>
#include <sys/ioctl.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {

// The kernel's rc_proto numbers, named as the tools name them.
const char *const kNames[] = { "unknown",   "other",   "rc5",    "rc5x_20", "rc5_sz",    "jvc",
                               "sony12",    "sony15",  "sony20", "nec",     "necx",      "nec32",
                               "sanyo",     "",        "",       "rc6_0",   "rc6_6a_20", "rc6_6a_24",
                               "rc6_6a_32", "rc6_mce", "sharp" };
constexpr unsigned kNameCount = sizeof kNames / sizeof kNames[0];

int fail(const char *what)
{
    std::fprintf(stderr, "lirc_probe: %s: %s\n", what, std::strerror(errno));
    return 1;
}

bool number(const std::string &text, uint64_t &out)
{
    const bool hex = text.compare(0, 2, "0x") == 0;
    const char *begin = text.data() + (hex ? 2 : 0);
    const char *end = text.data() + text.size();
    const auto r = std::from_chars(begin, end, out, hex ? 16 : 10);
    return begin != end && r.ec == std::errc() && r.ptr == end;
}

// /dev/lirc0 opened with request set to value, or -1 (said why).
int openSet(int flags, unsigned long request, uint32_t value)
{
    const int fd = ::open("/dev/lirc0", flags | O_CLOEXEC);
    if (fd >= 0 && ::ioctl(fd, request, &value) == 0)
        return fd;
    fail("/dev/lirc0");
    if (fd >= 0)
        ::close(fd);
    return -1;
}

// Calls busy() until it returns false, listening in scancode mode meanwhile,
// and prints what was decoded. False when the device could not be read.
template <class Busy>
bool decoded(bool times, Busy busy)
{
    const int fd = openSet(O_RDONLY | O_NONBLOCK, LIRC_SET_REC_MODE, LIRC_MODE_SCANCODE);
    if (fd < 0)
        return false;
    std::string out;
    uint64_t first = 0;
    pollfd p = { fd, POLLIN, 0 };
    for (bool running = true;;) {
        running = running && busy();
        if (::poll(&p, 1, running ? 5 : 50) <= 0 && !running)
            break;
        lirc_scancode sc[16];
        const long n = ::read(fd, sc, sizeof sc);
        for (long i = 0; i < n / long(sizeof sc[0]); ++i) {
            first = first ? first : sc[i].timestamp;
            out += std::string(sc[i].rc_proto < kNameCount ? kNames[sc[i].rc_proto] : "other") + " 0x";
            char hex[20];
            out.append(hex, std::to_chars(hex, hex + sizeof hex, sc[i].scancode, 16).ptr);
            out += sc[i].flags & LIRC_SCANCODE_FLAG_TOGGLE ? " toggle" : "";
            out += sc[i].flags & LIRC_SCANCODE_FLAG_REPEAT ? " repeat" : "";
            out += times ? " at " + std::to_string((sc[i].timestamp - first) / 1000) + "\n" : "\n";
        }
    }
    ::close(fd);
    std::fputs(out.c_str(), stdout);
    return true;
}

int raw(const char *path)
{
    std::ifstream in(path);
    std::vector<uint32_t> values;
    uint64_t carrier = 38000;
    uint64_t v = 0;
    for (std::string word; in >> word;) {
        if (word[0] == '#') {
            std::getline(in, word);
        } else if (word == "carrier" || word == "timeout") {
            const bool isCarrier = word == "carrier";
            if (!(in >> word) || !number(word, isCarrier ? carrier : v))
                return std::fprintf(stderr, "lirc_probe: %s: bad value after carrier or timeout\n", path), 2;
        } else if (word != "pulse" && word != "space") {
            if (!number(word[0] == '+' || word[0] == '-' ? word.substr(1) : word, v))
                return std::fprintf(stderr, "lirc_probe: %s: '%s' is not a value\n", path, word.c_str()), 2;
            values.push_back(uint32_t(v));
        }
    }
    if (!in.eof())
        return fail(path);
    int result = 1;
    const bool ok = decoded(false, [&] {
        const int fd = openSet(O_WRONLY, LIRC_SET_SEND_CARRIER, uint32_t(carrier));
        const long bytes = long(values.size() * sizeof values[0]);
        result = fd < 0 ? 1 : ::write(fd, values.data(), std::size_t(bytes)) == bytes ? 0 : fail("write");
        ::close(fd);
        return false;
    });
    return ok ? result : 1;
}

} // namespace

int main(int argc, char **argv)
{
    const std::string cmd = argc > 1 ? argv[1] : "";
    uint64_t value = 0;
    unsigned proto = 0;
    while (argc > 2 && proto < kNameCount && std::strcmp(argv[2], kNames[proto]) != 0)
        ++proto;
    if (cmd == "mask" && argc == 3 && number(argv[2], value)) {
        const int fd = openSet(O_WRONLY, LIRC_SET_TRANSMITTER_MASK, uint32_t(value));
        return fd < 0 ? 1 : ::close(fd);
    }
    if (cmd == "send" && argc == 4 && proto < kNameCount && number(argv[3], value)) {
        lirc_scancode sc = {};
        sc.rc_proto = uint16_t(proto);
        sc.scancode = value;
        const int fd = openSet(O_WRONLY, LIRC_SET_SEND_MODE, LIRC_MODE_SCANCODE);
        return fd < 0 ? 1 : ::write(fd, &sc, sizeof sc) == long(sizeof sc) ? ::close(fd) : fail("send");
    }
    if (cmd == "raw" && argc == 3)
        return raw(argv[2]);
    const int skip = argc > 2 && std::strcmp(argv[2], "-t") == 0 ? 3 : 2;
    if (cmd == "decode" && argc > skip) {
        int status = 0;
        pid_t pid = -1;
        const bool ok = decoded(skip == 3, [&] { // the program starts once the device listens
            if (pid < 0 && (pid = fork()) == 0) {
                execvp(argv[skip], argv + skip);
                _exit(127);
            }
            return pid > 0 && waitpid(pid, &status, WNOHANG) == 0;
        });
        if (!ok || pid < 0)
            return 1;
        std::printf("exit %d\n", WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status));
        return 0;
    }
    std::fputs(
        "usage: lirc_probe mask MASK | send PROTOCOL SCANCODE | decode [-t] PROGRAM ARG... | raw FILE\n",
        stderr);
    return 2;
}
