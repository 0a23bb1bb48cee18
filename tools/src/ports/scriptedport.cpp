#include "scriptedport.h"

#include <linux/lirc.h>

#include <cerrno>
#include <cstring>

namespace lumo::ir {

ScriptedPort &ScriptedPort::data(std::vector<uint32_t> samples)
{
    m_script.push_back({ Step::Data, std::move(samples), 0, 0 });
    return *this;
}

ScriptedPort &ScriptedPort::silence(int ms)
{
    m_script.push_back({ Step::Silence, {}, ms, 0 });
    return *this;
}

ScriptedPort &ScriptedPort::readError(int err)
{
    m_script.push_back({ Step::Error, {}, 0, err });
    return *this;
}

std::vector<std::vector<uint32_t>> ScriptedPort::writes() const
{
    std::vector<std::vector<uint32_t>> out;
    for (const Action &a : actions)
        if (a.isWrite)
            out.push_back(a.values);
    return out;
}

bool ScriptedPort::firstCall(unsigned long request, uint32_t *value) const
{
    for (const IoctlCall &c : ioctls) {
        if (c.request == request) {
            if (value)
                *value = c.value;
            return true;
        }
    }
    return false;
}

std::vector<ScriptedPort::IoctlCall>
ScriptedPort::callsOf(std::initializer_list<unsigned long> requests) const
{
    std::vector<IoctlCall> out;
    for (const IoctlCall &c : ioctls)
        for (unsigned long r : requests)
            if (c.request == r)
                out.push_back(c);
    return out;
}

int ScriptedPort::open(const std::string &device, bool forWriting)
{
    ++openCount;
    openedDevice = device;
    openedForWriting = forWriting;
    m_isOpen = openError == 0;
    return openError ? -openError : 0;
}

int ScriptedPort::ioctl(unsigned long request, uint32_t *arg)
{
    if (!m_isOpen)
        return -EBADF;
    int error = 0;
    if (auto e = ioctlErrors.find(request); e != ioctlErrors.end())
        error = e->second;
    else if (auto l = laterErrors.find(request); l != laterErrors.end() && firstCall(request))
        error = l->second;
    if (request == LIRC_GET_FEATURES && !error)
        *arg = features;
    else if (!error) {
        auto v = ioctlValues.find(request);
        const bool isGet = (_IOC_DIR(request) & _IOC_READ) != 0;
        if (isGet) {
            if (v == ioctlValues.end()) {
                ioctls.push_back({ request, 0 });
                return -ENOTTY;
            }
            *arg = v->second;
        }
    }
    ioctls.push_back({ request, *arg });
    return -error;
}

int ScriptedPort::poll(int timeoutMs)
{
    for (;;) {
        if (m_pos >= m_script.size()) {
            clockMs += timeoutMs;
            return 0;
        }
        Step &s = m_script[m_pos];
        if (s.kind != Step::Silence)
            return 1;
        int remaining = s.ms - int(m_offset);
        if (remaining > timeoutMs) {
            m_offset += std::size_t(timeoutMs);
            clockMs += timeoutMs;
            return 0;
        }
        clockMs += remaining;
        timeoutMs -= remaining;
        ++m_pos;
        m_offset = 0;
    }
}

long ScriptedPort::read(uint32_t *buf, std::size_t bytes)
{
    ++readCalls;
    if (m_pos >= m_script.size() || m_script[m_pos].kind == Step::Silence)
        return -EAGAIN;
    Step &s = m_script[m_pos];
    if (s.kind == Step::Error) {
        ++m_pos;
        return -s.err;
    }
    std::size_t n = 0;
    while (n < bytes / 4 && m_offset < s.samples.size())
        buf[n++] = s.samples[m_offset++];
    if (m_offset >= s.samples.size()) {
        ++m_pos;
        m_offset = 0;
    }
    return long(n * 4);
}

long ScriptedPort::write(const uint32_t *buf, std::size_t bytes)
{
    std::vector<uint32_t> values(buf, buf + bytes / 4);
    uint64_t us = 0;
    for (uint32_t v : values)
        us += v;
    actions.push_back({ true, std::move(values), 0 });
    std::size_t index = writes().size() - 1;
    m_usRemainder += us;
    clockMs += int64_t(m_usRemainder / 1000) + writeLateMs;
    m_usRemainder %= 1000;
    if (index < writeResults.size())
        return writeResults[index];
    return long(bytes);
}

void ScriptedPort::pauseUs(uint32_t us)
{
    actions.push_back({ false, {}, us });
    m_usRemainder += us;
    clockMs += int64_t(m_usRemainder / 1000);
    m_usRemainder %= 1000;
}

int ScriptedPort::close()
{
    if (!m_isOpen)
        return 0;
    m_isOpen = false;
    ++closeCount;
    return closeError ? -closeError : 0;
}

} // namespace lumo::ir
