#include "irtogglestate.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace lumo::ir {

namespace {

constexpr const char *kStateFileName = "toggle-state";

std::string errnoText(int err)
{
    return std::strerror(err);
}

// mkdir -p for the folders above path, new ones 0700.
bool makeParents(const std::string &path, std::string &error)
{
    for (std::size_t slash = path.find('/', 1); slash != std::string::npos;
         slash = path.find('/', slash + 1)) {
        const std::string folder = path.substr(0, slash);
        if (::mkdir(folder.c_str(), 0700) == 0 || errno == EEXIST)
            continue;
        error = "cannot create " + folder + ": " + errnoText(errno);
        return false;
    }
    return true;
}

} // namespace

int ToggleMemory::get(ToggleFamily f) const
{
    return f == ToggleFamily::Rc5 ? rc5 : f == ToggleFamily::Rc6 ? rc6 : -1;
}

void ToggleMemory::set(ToggleFamily f, int toggle)
{
    if (f == ToggleFamily::Rc5)
        rc5 = toggle;
    else if (f == ToggleFamily::Rc6)
        rc6 = toggle;
}

std::string toggleStatePath(const char *xdgStateHome, const char *home)
{
    std::string base;
    if (xdgStateHome && xdgStateHome[0] == '/')
        base = xdgStateHome;
    else if (home && home[0] == '/')
        base = std::string(home) + "/.local/state";
    else
        return {};
    while (base.size() > 1 && base.back() == '/')
        base.pop_back();
    return base + "/lumo-control/" + kStateFileName;
}

ToggleMemory parseToggleState(std::string_view text)
{
    ToggleMemory m;
    std::size_t pos = 0;
    while (pos < text.size()) {
        std::size_t nl = text.find('\n', pos);
        if (nl == std::string_view::npos)
            nl = text.size();
        const std::string_view line = text.substr(pos, nl - pos);
        pos = nl + 1;
        if (line.size() != 5 || line[3] != ' ' || (line[4] != '0' && line[4] != '1'))
            continue;
        const int value = line[4] - '0';
        if (line.substr(0, 3) == "rc5")
            m.rc5 = value;
        else if (line.substr(0, 3) == "rc6")
            m.rc6 = value;
    }
    return m;
}

std::string formatToggleState(const ToggleMemory &m)
{
    std::string out;
    if (m.rc5 >= 0)
        out += m.rc5 ? "rc5 1\n" : "rc5 0\n";
    if (m.rc6 >= 0)
        out += m.rc6 ? "rc6 1\n" : "rc6 0\n";
    return out;
}

bool readToggleState(const std::string &path, ToggleMemory &out, std::string &error)
{
    out = ToggleMemory();
    int fd;
    do
        fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
    while (fd < 0 && errno == EINTR);
    if (fd < 0) {
        if (errno == ENOENT)
            return true;
        error = "cannot open " + path + ": " + errnoText(errno);
        return false;
    }
    struct stat st = {};
    if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || std::size_t(st.st_size) > kMaxToggleStateBytes) {
        ::close(fd);
        error = path + " is not a toggle state file";
        return false;
    }
    char buf[kMaxToggleStateBytes];
    std::size_t got = 0;
    while (got < sizeof buf) {
        ssize_t n = ::read(fd, buf + got, sizeof buf - got);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            error = "cannot read " + path + ": " + errnoText(errno);
            ::close(fd);
            return false;
        }
        if (n == 0)
            break;
        got += std::size_t(n);
    }
    ::close(fd);
    out = parseToggleState(std::string_view(buf, got));
    return true;
}

bool writeToggleState(const std::string &path, const ToggleMemory &m, std::string &error)
{
    if (path.empty() || path[0] != '/') {
        error = "no place for the toggle state";
        return false;
    }
    std::string temp = path + ".XXXXXX";
    int fd = ::mkostemp(&temp[0], O_CLOEXEC);
    if (fd < 0 && errno == ENOENT) { // the first time: make the folders
        if (!makeParents(path, error))
            return false;
        temp = path + ".XXXXXX";
        fd = ::mkostemp(&temp[0], O_CLOEXEC);
    }
    if (fd < 0) {
        error = "cannot create a file beside " + path + ": " + errnoText(errno);
        return false;
    }
    const std::string text = formatToggleState(m);
    std::size_t done = 0;
    int err = 0;
    while (done < text.size()) {
        ssize_t n = ::write(fd, text.data() + done, text.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            err = n < 0 ? errno : EIO;
            break;
        }
        done += std::size_t(n);
    }
    if (::close(fd) != 0 && !err)
        err = errno;
    if (!err && ::rename(temp.c_str(), path.c_str()) != 0)
        err = errno;
    if (err) {
        ::unlink(temp.c_str());
        error = "cannot write " + path + ": " + errnoText(err);
        return false;
    }
    return true;
}

} // namespace lumo::ir
