// A Port that plays back a prepared script instead of talking to a kernel
// device; time is virtual, so waits cost nothing. Used by the tests.
#pragma once

#include <initializer_list>
#include <map>

#include "irport.h"

namespace lumo::ir {

class ScriptedPort : public Port
{
public:
    // ---- set up before use
    int openError = 0;                             // errno for open()
    uint32_t features = 0;                         // LIRC_GET_FEATURES
    std::map<unsigned long, int> ioctlErrors;      // request -> errno
    std::map<unsigned long, int> laterErrors;      // request -> errno from its second call on
    std::map<unsigned long, uint32_t> ioctlValues; // request -> value handed out
    std::vector<long> writeResults;                // per write: byte count or -errno
    int64_t writeLateMs = 0;                       // a write returns this long after its signal
    int closeError = 0;

    ScriptedPort &data(std::vector<uint32_t> samples); // one read's worth
    ScriptedPort &silence(int ms);
    ScriptedPort &readError(int err);

    // ---- what happened
    struct IoctlCall
    {
        unsigned long request;
        uint32_t value; // what was passed in (for SET) or handed out (for GET)
    };
    struct Action
    {
        bool isWrite;
        std::vector<uint32_t> values; // write
        uint32_t pauseUs;             // pause
    };
    std::vector<IoctlCall> ioctls;
    std::vector<Action> actions;
    std::string openedDevice;
    bool openedForWriting = false;
    int openCount = 0;
    int closeCount = 0; // closes of an open port
    int64_t clockMs = 0;
    std::size_t readCalls = 0;

    std::vector<std::vector<uint32_t>> writes() const;
    // Value given to the first call of request; false if never called.
    bool firstCall(unsigned long request, uint32_t *value = nullptr) const;
    // The calls of these requests, in order.
    std::vector<IoctlCall> callsOf(std::initializer_list<unsigned long> requests) const;
    std::size_t unreadSteps() const { return m_script.size() - m_pos; }

    int open(const std::string &device, bool forWriting) override;
    // Fails with EBADF, unrecorded, while the port is closed. Not
    // async-signal-safe: no signal handler may reach it.
    int ioctl(unsigned long request, uint32_t *arg) override;
    long read(uint32_t *buf, std::size_t bytes) override;
    long write(const uint32_t *buf, std::size_t bytes) override;
    int poll(int timeoutMs) override;
    int close() override;
    int64_t nowMs() override { return clockMs; }
    void pauseUs(uint32_t us) override;

private:
    struct Step
    {
        enum Kind { Data, Silence, Error } kind;
        std::vector<uint32_t> samples;
        int ms = 0;
        int err = 0;
    };
    std::vector<Step> m_script;
    std::size_t m_pos = 0;
    std::size_t m_offset = 0; // into the current Data step, or ms into Silence
    uint64_t m_usRemainder = 0;
    bool m_isOpen = false;
};

} // namespace lumo::ir
