// The few calls the tools make on a LIRC device, behind an interface so the
// simulator and the tests can stand in for the kernel.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace lumo::ir {

class Port
{
public:
    virtual ~Port() = default;
    // All calls return 0 (or a byte count) on success and -errno on failure.
    virtual int open(const std::string &device, bool forWriting) = 0;
    // For the LIRC_SET_* requests this is async-signal-safe: irrecord.exe's
    // signal handler puts the receiver's settings back through it.
    virtual int ioctl(unsigned long request, uint32_t *arg) = 0;
    virtual long read(uint32_t *buf, std::size_t bytes) = 0;
    virtual long write(const uint32_t *buf, std::size_t bytes) = 0;
    // 1 = data to read, 0 = nothing within timeoutMs.
    virtual int poll(int timeoutMs) = 0;
    virtual int close() = 0;
    // Monotonic clock and a pause between frames when sending.
    virtual int64_t nowMs() = 0;
    virtual void pauseUs(uint32_t us) = 0;
};

// The real thing: open(2), ioctl(2), read(2), write(2), poll(2).
class SystemPort : public Port
{
public:
    ~SystemPort() override;
    int open(const std::string &device, bool forWriting) override;
    int ioctl(unsigned long request, uint32_t *arg) override;
    long read(uint32_t *buf, std::size_t bytes) override;
    long write(const uint32_t *buf, std::size_t bytes) override;
    int poll(int timeoutMs) override;
    int close() override;
    int64_t nowMs() override;
    void pauseUs(uint32_t us) override;

private:
    int m_fd = -1;
};

// A pretend transceiver living in a folder ("sim:FOLDER"). Receiving delivers
// an NEC frame derived from the name of the file being recorded after a short
// delay; sending appends one line per signal to FOLDER/sent.log. It offers a
// learning (wideband) receiver and carrier reports; every change of a receive
// setting (LIRC_SET_REC_TIMEOUT, LIRC_SET_WIDEBAND_RECEIVER,
// LIRC_SET_MEASURE_CARRIER_MODE) is appended to FOLDER/receiver.log as
// "NAME VALUE", so what a recording left behind can be checked.
class SimPort : public Port
{
public:
    struct Options
    {
        std::string recordName; // file name the frame is derived from
        int delayMs = 300;      // "button press" comes after this long
        std::string fail;       // test hook, see README (LUMO_IR_SIM_FAIL)
        std::string sourceFile; // noted in sent.log
    };
    explicit SimPort(Options options);
    int open(const std::string &device, bool forWriting) override;
    int ioctl(unsigned long request, uint32_t *arg) override;
    long read(uint32_t *buf, std::size_t bytes) override;
    long write(const uint32_t *buf, std::size_t bytes) override;
    int poll(int timeoutMs) override;
    int close() override;
    int64_t nowMs() override;
    void pauseUs(uint32_t us) override;

    // The samples the simulated receiver holds, in read order; its carrier
    // reports (median 38020 Hz) are handed out only while measuring is on.
    static std::vector<uint32_t> necSamples(const std::string &recordName);
    static void necCode(const std::string &recordName, uint8_t &address, uint8_t &command);

private:
    Options m_opt;
    std::string m_folder;
    bool m_open = false;
    int64_t m_readyAt = 0;
    std::vector<uint32_t> m_pending;
    std::size_t m_readPos = 0;
    uint32_t m_carrier = 0;
    bool m_measuringCarrier = false;
    std::string m_receiverLog; // FOLDER/receiver.log
    int m_receiverLogFd = -1;
    std::vector<uint32_t> m_sent;
};

bool isSimDevice(const std::string &device);

} // namespace lumo::ir
