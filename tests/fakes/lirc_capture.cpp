// An LD_PRELOAD stand-in for a LIRC device, so that ir-ctl (v4l-utils) can be
// used as a reference encoder, and the tools' real device code be run, without
// IR hardware:
//   LD_PRELOAD=liblirc_capture.so LIRC_CAPTURE_OUT=FILE ir-ctl -d /dev/null -S nec:0x1234
// ir-ctl opens /dev/null (a character device, as it insists); every LIRC
// ioctl is answered here as a device that can receive and send and set its
// carrier but has no kernel encoder (so ir-ctl encodes scancodes itself), and
// what is written to it is appended to FILE: "carrier N" and "write V V V ..."
// lines; with LIRC_CAPTURE_WRITE_ERROR set, writes fail with EIO instead.
// Reads are /dev/null's own: the device is unplugged as soon as it is read.
#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <dlfcn.h>
#include <linux/lirc.h>
#include <string>
#include <sys/types.h>
// (no <unistd.h>: its write() would clash with the one defined below)

namespace {

int g_lircFd = -1;

// Appends a line to FILE.
void capture(const std::string &line)
{
    const char *path = std::getenv("LIRC_CAPTURE_OUT");
    if (std::FILE *f = path ? std::fopen(path, "a") : nullptr) {
        std::fputs((line + "\n").c_str(), f);
        std::fclose(f);
    }
}

} // namespace

extern "C" int ioctl(int fd, unsigned long request, ...)
{
    va_list ap;
    va_start(ap, request);
    auto *value = static_cast<unsigned *>(va_arg(ap, void *));
    va_end(ap);
    if (_IOC_TYPE(request) != 'i') {
        using Real = int (*)(int, unsigned long, ...);
        static Real real = reinterpret_cast<Real>(dlsym(RTLD_NEXT, "ioctl"));
        return real(fd, request, value);
    }
    g_lircFd = fd;
    if (request == LIRC_GET_FEATURES) {
        *value = LIRC_CAN_REC_MODE2 | LIRC_CAN_SEND_PULSE | LIRC_CAN_SET_SEND_CARRIER;
        return 0;
    }
    if (request == LIRC_SET_SEND_CARRIER) {
        capture("carrier " + std::to_string(*value));
        return 0;
    }
    if (request == LIRC_SET_SEND_MODE && *value == LIRC_MODE_PULSE)
        return 0;
    // No kernel encoder (scancode mode refused): ir-ctl falls back to its own.
    errno = request == LIRC_SET_SEND_MODE ? EINVAL : ENOTTY;
    return -1;
}

extern "C" ssize_t write(int fd, const void *buf, size_t bytes)
{
    using Real = ssize_t (*)(int, const void *, size_t);
    static Real real = reinterpret_cast<Real>(dlsym(RTLD_NEXT, "write"));
    if (fd < 0 || fd != g_lircFd)
        return real(fd, buf, bytes);
    if (std::getenv("LIRC_CAPTURE_WRITE_ERROR")) {
        errno = EIO;
        return -1;
    }
    std::string line = "write";
    for (size_t i = 0; i < bytes / sizeof(unsigned); ++i)
        line += " " + std::to_string(static_cast<const unsigned *>(buf)[i]);
    capture(line);
    return ssize_t(bytes);
}
