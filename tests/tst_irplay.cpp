// Sending against a scripted LIRC device: what goes into each write, how a
// long signal is cut, when the carrier is set, and the exit codes.
#include <QtTest>

#include <linux/lirc.h>

#include <numeric>
#include <random>

#include "irtool.h"
#include "scriptedport.h"

using namespace lumo::ir;
using Values = std::vector<uint32_t>;

namespace {

// count frames of perFrame values, gap apart; spaces of 430 or 1290 us
// like a protocol's bits unless given.
Values frames(std::size_t count, std::size_t perFrame, uint32_t gap, uint32_t pulse = 430, uint32_t space = 0)
{
    std::mt19937 rng(unsigned(count * perFrame));
    Values v;
    for (std::size_t f = 0; f < count; ++f) {
        if (f)
            v.push_back(gap);
        for (std::size_t i = 0; i < perFrame; ++i)
            v.push_back(i % 2 == 0 ? pulse : space ? space : rng() % 2 ? 1290 : 430);
    }
    return v;
}

Signal signal(const Values &v, uint32_t carrier = 0) { return Signal{carrier, v}; }

} // namespace

class TestIrPlay : public QObject
{
    Q_OBJECT

private slots:
    void sendsWithinDeviceLimits_data();
    void sendsWithinDeviceLimits();
    void cutsAtLongestSpaces();
    void carrierOnlyWithFeature();
    void failures_data();
    void failures();
};

void TestIrPlay::sendsWithinDeviceLimits_data()
{
    QTest::addColumn<Values>("values");
    QTest::addColumn<int>("writes");
    QTest::newRow("single pulse") << Values{560} << 1;
    QTest::newRow("nec with two repeats") << Values{9000, 4500, 560, 40000, 9000, 2250, 560, 96000, 9000, 2250, 560} << 1;
    QTest::newRow("air conditioner 2x583, 40 ms apart") << frames(2, 583, 40000) << 2;
    QTest::newRow("1025 values, 25 ms space in the middle") << [] { Values v = frames(1, 1025, 0, 300, 200); v[511] = 25000; return v; }() << 2;
    QTest::newRow("1023 values in one write") << frames(1, 1023, 0, 300, 100) << 1;
    QTest::newRow("just 500 ms") << Values{100000, 300000, 100000} << 1;
    QTest::newRow("just over 500 ms") << Values{100000, 300000, 100001} << 2;
    QTest::newRow("long pulses, short spaces") << frames(1, 9, 0, 100000, 10) << 2;
    QTest::newRow("8 frames of 1023 values, each over 500 ms") << frames(8, 1023, 20000) << -1;
}

void TestIrPlay::sendsWithinDeviceLimits()
{
    QFETCH(Values, values);
    QFETCH(int, writes);
    ScriptedPort port;
    port.features = LIRC_CAN_SEND_PULSE;
    Outcome o = sendSignal(port, "/dev/lirc-test", signal(values));
    QVERIFY2(o.code == ExitOk, o.message.c_str());
    QVERIFY(port.openedForWriting);
    QCOMPARE(port.closeCount, 1);
    uint32_t mode = 0;
    QVERIFY(port.firstCall(LIRC_SET_SEND_MODE, &mode) && mode == LIRC_MODE_PULSE);
    // Each write is what a device takes; writes and pauses between them
    // together are exactly the signal.
    Values replay;
    for (std::size_t i = 0; i < port.actions.size(); ++i) {
        const auto &a = port.actions[i];
        QCOMPARE(a.isWrite, i % 2 == 0);
        if (!a.isWrite) {
            replay.push_back(a.pauseUs);
            continue;
        }
        QVERIFY2(a.values.size() % 2 == 1, qPrintable(QString("even count %1").arg(a.values.size())));
        QVERIFY(a.values.size() <= 1024);
        QVERIFY(std::accumulate(a.values.begin(), a.values.end(), uint64_t(0)) <= 500000);
        QVERIFY(std::find(a.values.begin(), a.values.end(), 0u) == a.values.end());
        replay.insert(replay.end(), a.values.begin(), a.values.end());
    }
    QCOMPARE(replay, values);
    if (writes >= 0)
        QCOMPARE(int(port.writes().size()), writes);
}

void TestIrPlay::cutsAtLongestSpaces()
{
    // The 40 ms frame gap is where it cuts, not a space inside a frame.
    Values v = frames(2, 601, 40000);
    std::vector<Chunk> chunks = splitForSending(v);
    QCOMPARE(chunks.size(), size_t(2));
    QCOMPARE(chunks[0].end, size_t(601));
    QCOMPARE(chunks[0].gapAfterUs, 40000u);
    QCOMPARE(chunks[1].begin, size_t(602));
    QCOMPARE(chunks[1].end, v.size());
    // Of two frame gaps the longer is cut; the rest fits in one write.
    v = frames(3, 301, 25000);
    v[301 * 2 + 1] = 60000;
    chunks = splitForSending(v);
    QCOMPARE(chunks.size(), size_t(2));
    QCOMPARE(chunks[0].end, size_t(301 * 2 + 1));
}

void TestIrPlay::carrierOnlyWithFeature()
{
    // {device can set it, file's carrier, carrier set (0: none)}
    for (auto [can, file, set] : {std::array<uint32_t, 3>{1, 36000, 36000}, {1, 0, 38000}, {0, 56000, 0}}) {
        ScriptedPort port;
        port.features = LIRC_CAN_SEND_PULSE | (can ? LIRC_CAN_SET_SEND_CARRIER : 0);
        if (!can)
            port.ioctlErrors[LIRC_SET_SEND_CARRIER] = ENOTTY;  // as the kernel answers
        QCOMPARE(sendSignal(port, "/dev/lirc-test", signal(frames(1, 67, 0), file)).code, int(ExitOk));
        uint32_t value = 0;
        QCOMPARE(port.firstCall(LIRC_SET_SEND_CARRIER, &value), set != 0);
        QCOMPARE(value, set);
    }
}

void TestIrPlay::failures_data()
{
    QTest::addColumn<Values>("values");
    QTest::addColumn<int>("openErrno");
    QTest::addColumn<uint>("features");
    QTest::addColumn<uint>("ioctl");  // fails with ioctlErrno
    QTest::addColumn<int>("ioctlErrno");
    QTest::addColumn<long>("firstWrite");  // byte count or -errno, 0: all fine
    QTest::addColumn<int>("code");
    QTest::addColumn<QString>("message");
    const Values two = frames(2, 67, 40000);
    const uint tx = LIRC_CAN_SEND_PULSE | LIRC_CAN_SET_SEND_CARRIER;
    QTest::newRow("missing") << two << ENOENT << tx << 0u << 0 << 0L << int(ExitDeviceUnavailable) << "no IR device";
    QTest::newRow("denied") << two << EACCES << tx << 0u << 0 << 0L << int(ExitNoPermission) << "usermod -aG";
    QTest::newRow("receiver only") << two << 0 << uint(LIRC_CAN_REC_MODE2) << 0u << 0 << 0L << int(ExitUnsupported) << "cannot send";
    QTest::newRow("send mode refused") << two << 0 << tx << uint(LIRC_SET_SEND_MODE) << EINVAL << 0L << int(ExitUnsupported) << "sending pulses";
    QTest::newRow("send mode ioctl missing") << two << 0 << tx << uint(LIRC_SET_SEND_MODE) << ENOTTY << 0L << int(ExitOk) << "";
    QTest::newRow("carrier refused") << two << 0 << tx << uint(LIRC_SET_SEND_CARRIER) << EINVAL << 0L << int(ExitUnsupported) << "36000 Hz";
    QTest::newRow("write fails") << two << 0 << tx << 0u << 0 << long(-EIO) << int(ExitDeviceError) << "did not send";
    QTest::newRow("partial write") << two << 0 << tx << 0u << 0 << 8L << int(ExitDeviceError) << "only part";
    // A signal no device could take is refused before opening one.
    int n = 0;
    for (const Values &bad : {Values{}, Values{100, 200}, Values{100, 0, 100}, Values{500001}, frames(1, 1025, 0)})
        QTest::addRow("bad signal %d", ++n) << bad << 0 << tx << 0u << 0 << 0L << int(ExitBadFile) << "";
}

void TestIrPlay::failures()
{
    QFETCH(Values, values);
    QFETCH(int, openErrno);
    QFETCH(uint, features);
    QFETCH(uint, ioctl);
    QFETCH(int, ioctlErrno);
    QFETCH(long, firstWrite);
    QFETCH(int, code);
    QFETCH(QString, message);
    ScriptedPort port;
    port.openError = openErrno;
    port.features = features;
    if (ioctl)
        port.ioctlErrors[ioctl] = ioctlErrno;
    if (firstWrite)
        port.writeResults.push_back(firstWrite);
    Outcome o = sendSignal(port, "/dev/lirc-test", signal(values, 36000));
    QCOMPARE(o.code, code);
    QVERIFY2(QString::fromStdString(o.message).contains(message), o.message.c_str());
    QVERIFY(o.message.find('\n') == std::string::npos);
    // Nothing more is sent after a failure.
    QCOMPARE(port.writes().size(), size_t(code == ExitOk ? 1 : firstWrite ? 1 : 0));
    if (code == ExitBadFile)
        QCOMPARE(port.openCount, 0);
}

QTEST_GUILESS_MAIN(TestIrPlay)
#include "tst_irplay.moc"
