// Sending against a scripted LIRC device: what goes into each write, how a
// long signal is cut, when the carrier is set, and the exit codes.
#include <QTemporaryDir>
#include <QtTest>

#include <linux/lirc.h>

#include <random>

#include "irtool.h"
#include "scriptedport.h"

using namespace lumo::ir;
using Values = std::vector<uint32_t>;
Q_DECLARE_METATYPE(Values)

namespace {

// Frames of protocol-like timings, frameGap apart.
Values frames(unsigned seed, std::size_t count, std::size_t perFrame, uint32_t frameGap)
{
    std::mt19937 rng(seed);
    std::uniform_int_distribution<uint32_t> bit(0, 1);
    Values v;
    for (std::size_t f = 0; f < count; ++f) {
        if (f)
            v.push_back(frameGap);
        v.push_back(3400);
        v.push_back(1700);
        for (std::size_t i = 2; i + 1 < perFrame; i += 2) {
            v.push_back(430);
            v.push_back(bit(rng) ? 1290 : 430);
        }
        v.push_back(430);
    }
    return v;
}

Values uniform(std::size_t n, uint32_t pulse, uint32_t space)
{
    Values v;
    for (std::size_t i = 0; i < n; ++i)
        v.push_back(i % 2 ? space : pulse);
    return v;
}

uint64_t sum(const Values &v)
{
    uint64_t s = 0;
    for (uint32_t x : v)
        s += x;
    return s;
}

void transmitter(ScriptedPort &port, bool carrier = true)
{
    port.features = LIRC_CAN_SEND_PULSE | (carrier ? LIRC_CAN_SET_SEND_CARRIER : 0);
}

// Checks every write against what a device takes, and that writes and
// pauses together are exactly the signal.
void checkWrites(const ScriptedPort &port, const Values &signal)
{
    Values replay;
    bool lastWasWrite = false;
    for (const auto &a : port.actions) {
        if (a.isWrite) {
            QVERIFY2(!lastWasWrite, "two writes without the space between them");
            QVERIFY2(a.values.size() % 2 == 1, qPrintable(QString("even count %1").arg(a.values.size())));
            QVERIFY(a.values.size() <= 1024);
            QVERIFY2(sum(a.values) <= 500000, qPrintable(QString("write of %1 us").arg(sum(a.values))));
            for (uint32_t x : a.values)
                QVERIFY(x != 0);
            replay.insert(replay.end(), a.values.begin(), a.values.end());
            lastWasWrite = true;
        } else {
            QVERIFY2(lastWasWrite, "pause without a write before it");
            replay.push_back(a.pauseUs);
            lastWasWrite = false;
        }
    }
    QVERIFY2(lastWasWrite, "ends with a pause");
    QCOMPARE(replay, signal);
}

} // namespace

class TestIrPlay : public QObject
{
    Q_OBJECT

private slots:
    void sendsWithinDeviceLimits_data();
    void sendsWithinDeviceLimits();
    void cutsAtLongestSpaces();
    void carrier_data();
    void carrier();
    void failures_data();
    void failures();
    void refusesBadSignalWithoutOpening_data();
    void refusesBadSignalWithoutOpening();
    void loadsFiles_data();
    void loadsFiles();
};

void TestIrPlay::sendsWithinDeviceLimits_data()
{
    QTest::addColumn<Values>("values");
    QTest::addColumn<int>("expectedWrites");
    QTest::newRow("single pulse") << Values{560} << 1;
    QTest::newRow("nec frame") << frames(1, 1, 67, 0) << 1;
    QTest::newRow("nec with two repeats") << Values{9000, 4500, 560, 40000, 9000, 2250, 560, 96000, 9000, 2250, 560} << 1;
    QTest::newRow("air conditioner 2x583, 40 ms apart") << frames(2, 2, 583, 40000) << 2;
    QTest::newRow("4x301 values, 35 ms apart, 1.2 k values") << frames(3, 4, 301, 35000) << 2;
    QTest::newRow("3000 values in frames of 499") << frames(4, 6, 499, 30000) << 6;
    QTest::newRow("1025 values, 25 ms space in the middle")
        << [] { Values v = uniform(1025, 300, 200); v[511] = 25000; return v; }() << 2;
    QTest::newRow("1023 values in one write") << uniform(1023, 300, 100) << 1;
    QTest::newRow("long spaces over 500 ms") << Values{1000, 400000, 1000, 400000, 1000} << 2;
    QTest::newRow("just 500 ms") << Values{100000, 300000, 100000} << 1;
    QTest::newRow("just over 500 ms") << Values{100000, 300000, 100001} << 2;
    QTest::newRow("long pulses, short spaces") << uniform(9, 100000, 10) << 2;
    QTest::newRow("8 frames of 1023 values, each over 500 ms") << frames(8, 8, 1023, 20000) << -1;
    QTest::newRow("8 frames of 1023 short values") << [] {
        Values v;
        for (int f = 0; f < 8; ++f) {
            if (f) v.push_back(20000);
            Values u = uniform(1023, 200, 200);
            v.insert(v.end(), u.begin(), u.end());
        }
        return v; }() << 8;
}

void TestIrPlay::sendsWithinDeviceLimits()
{
    QFETCH(Values, values);
    QFETCH(int, expectedWrites);
    Signal s;
    s.values = values;
    ScriptedPort port;
    transmitter(port);
    Outcome o = sendSignal(port, "/dev/lirc-test", s);
    QVERIFY2(o.code == ExitOk, o.message.c_str());
    QVERIFY(port.openedForWriting);
    QCOMPARE(port.closeCount, 1);
    uint32_t mode = 0;
    QVERIFY(port.firstCall(LIRC_SET_SEND_MODE, &mode));
    QCOMPARE(mode, uint32_t(LIRC_MODE_PULSE));
    checkWrites(port, values);
    if (QTest::currentTestFailed())
        return;
    if (expectedWrites >= 0)
        QCOMPARE(int(port.writes().size()), expectedWrites);
}

void TestIrPlay::cutsAtLongestSpaces()
{
    // Two frames of 700 values: the 40 ms frame gap is where it must cut,
    // not at one of the (shorter) spaces inside a frame.
    Values v = frames(9, 2, 601, 40000);
    std::vector<Chunk> chunks = splitForSending(v);
    QCOMPARE(chunks.size(), size_t(2));
    QCOMPARE(chunks[0].begin, size_t(0));
    QCOMPARE(chunks[0].end, size_t(601));
    QCOMPARE(chunks[0].gapAfterUs, 40000u);
    QCOMPARE(chunks[1].begin, size_t(602));
    QCOMPARE(chunks[1].end, v.size());
    QCOMPARE(chunks[1].gapAfterUs, 0u);

    // Of two frame gaps the longer one is cut first; the rest fits.
    // Three frames fit in count but not in time (about 680 ms).
    Values w = frames(10, 3, 301, 25000);
    w[301 * 2 + 1] = 60000;
    chunks = splitForSending(w);
    QCOMPARE(chunks.size(), size_t(2));
    QCOMPARE(chunks[0].end, size_t(301 * 2 + 1));
    QCOMPARE(chunks[0].gapAfterUs, 60000u);
}

void TestIrPlay::carrier_data()
{
    QTest::addColumn<bool>("canSetCarrier");
    QTest::addColumn<uint>("fileCarrier");
    QTest::addColumn<bool>("set");
    QTest::addColumn<uint>("expected");
    QTest::newRow("file carrier, device can") << true << 36000u << true << 36000u;
    QTest::newRow("no carrier in file, device can") << true << 0u << true << 38000u;
    QTest::newRow("file carrier, device cannot") << false << 56000u << false << 0u;
    QTest::newRow("nothing") << false << 0u << false << 0u;
}

void TestIrPlay::carrier()
{
    QFETCH(bool, canSetCarrier);
    QFETCH(uint, fileCarrier);
    QFETCH(bool, set);
    QFETCH(uint, expected);
    Signal s;
    s.carrier = fileCarrier;
    s.values = frames(5, 1, 67, 0);
    ScriptedPort port;
    transmitter(port, canSetCarrier);
    if (!canSetCarrier)
        port.ioctlErrors[LIRC_SET_SEND_CARRIER] = ENOTTY;  // as the kernel answers
    QCOMPARE(sendSignal(port, "/dev/lirc-test", s).code, int(ExitOk));
    uint32_t value = 0;
    QCOMPARE(port.firstCall(LIRC_SET_SEND_CARRIER, &value), set);
    QCOMPARE(value, uint32_t(expected));
    // The carrier is set before anything is sent.
    if (set) {
        QVERIFY(!port.actions.empty());
    }
}

void TestIrPlay::failures_data()
{
    QTest::addColumn<int>("openErrno");
    QTest::addColumn<uint>("features");
    QTest::addColumn<int>("ioctlRequest");  // index into the list below, -1 none
    QTest::addColumn<int>("ioctlErrno");
    QTest::addColumn<long>("firstWrite");   // 0 = full success
    QTest::addColumn<int>("code");
    QTest::addColumn<QStringList>("message");
    const uint tx = LIRC_CAN_SEND_PULSE | LIRC_CAN_SET_SEND_CARRIER;
    QTest::newRow("missing") << ENOENT << tx << -1 << 0 << 0L << int(ExitDeviceUnavailable) << QStringList{"no IR device"};
    QTest::newRow("busy") << EBUSY << tx << -1 << 0 << 0L << int(ExitDeviceUnavailable) << QStringList{"busy"};
    QTest::newRow("denied") << EACCES << tx << -1 << 0 << 0L << int(ExitNoPermission)
                            << QStringList{"no permission", "udev", "usermod -aG"};
    QTest::newRow("receiver only") << 0 << uint(LIRC_CAN_REC_MODE2) << -1 << 0 << 0L << int(ExitUnsupported) << QStringList{"cannot send"};
    QTest::newRow("not lirc") << 0 << tx << 0 << ENOTTY << 0L << int(ExitUnsupported) << QStringList{"not an IR"};
    QTest::newRow("send mode refused") << 0 << tx << 1 << EINVAL << 0L << int(ExitUnsupported) << QStringList{"sending pulses"};
    QTest::newRow("send mode ioctl missing") << 0 << tx << 1 << ENOTTY << 0L << int(ExitOk) << QStringList{};
    QTest::newRow("carrier refused") << 0 << tx << 2 << EINVAL << 0L << int(ExitUnsupported) << QStringList{"36000 Hz"};
    QTest::newRow("write fails") << 0 << tx << -1 << 0 << long(-EIO) << int(ExitDeviceError) << QStringList{"did not send"};
    QTest::newRow("partial write") << 0 << tx << -1 << 0 << 8L << int(ExitDeviceError) << QStringList{"only part"};
}

void TestIrPlay::failures()
{
    QFETCH(int, openErrno);
    QFETCH(uint, features);
    QFETCH(int, ioctlRequest);
    QFETCH(int, ioctlErrno);
    QFETCH(long, firstWrite);
    QFETCH(int, code);
    QFETCH(QStringList, message);
    const unsigned long requests[] = {LIRC_GET_FEATURES, LIRC_SET_SEND_MODE, LIRC_SET_SEND_CARRIER};
    ScriptedPort port;
    port.openError = openErrno;
    port.features = features;
    if (ioctlRequest >= 0)
        port.ioctlErrors[requests[ioctlRequest]] = ioctlErrno;
    if (firstWrite)
        port.writeResults.push_back(firstWrite);
    Signal s;
    s.carrier = 36000;
    s.values = frames(6, 2, 67, 40000);
    Outcome o = sendSignal(port, "/dev/lirc-test", s);
    QCOMPARE(o.code, code);
    for (const QString &m : message)
        QVERIFY2(QString::fromStdString(o.message).contains(m), o.message.c_str());
    QVERIFY(o.message.find('\n') == std::string::npos);
    // A failed write is not followed by more of the signal.
    if (firstWrite)
        QCOMPARE(port.writes().size(), size_t(1));
    if (code != ExitOk && !firstWrite)
        QVERIFY(port.writes().empty());
}

void TestIrPlay::refusesBadSignalWithoutOpening_data()
{
    QTest::addColumn<Values>("values");
    QTest::addColumn<uint>("carrier");
    QTest::newRow("empty") << Values{} << 0u;
    QTest::newRow("even count") << Values{100, 200} << 0u;
    QTest::newRow("zero") << Values{100, 0, 100} << 0u;
    QTest::newRow("pulse over 500 ms") << Values{500001} << 0u;
    QTest::newRow("frame over 1024") << uniform(1025, 100, 100) << 0u;
    QTest::newRow("carrier nonsense") << Values{100} << 7u;
}

void TestIrPlay::refusesBadSignalWithoutOpening()
{
    QFETCH(Values, values);
    QFETCH(uint, carrier);
    Signal s;
    s.values = values;
    s.carrier = carrier;
    ScriptedPort port;
    transmitter(port);
    QCOMPARE(sendSignal(port, "/dev/lirc-test", s).code, int(ExitBadFile));
    QCOMPARE(port.openCount, 0);
}

void TestIrPlay::loadsFiles_data()
{
    QTest::addColumn<QByteArray>("content");  // "<dir>" makes a folder
    QTest::addColumn<int>("code");
    QTest::addColumn<QString>("message");
    QTest::newRow("good") << QByteArray("carrier 38000\npulse 100\nspace 50\npulse 100\n") << int(ExitOk) << "";
    QTest::newRow("compact") << QByteArray("+100 -50 +100\n") << int(ExitOk) << "";
    QTest::newRow("bad line") << QByteArray("pulse 100\nspace fifty\npulse 100\n") << int(ExitBadFile) << "line 2";
    QTest::newRow("missing") << QByteArray("<none>") << int(ExitBadFile) << "cannot open";
    QTest::newRow("folder") << QByteArray("<dir>") << int(ExitBadFile) << "not a signal file";
    QTest::newRow("too large") << QByteArray((1 << 20) + 1, '#') << int(ExitBadFile) << "too large";
}

void TestIrPlay::loadsFiles()
{
    QFETCH(QByteArray, content);
    QFETCH(int, code);
    QFETCH(QString, message);
    QTemporaryDir dir;
    const QString path = dir.filePath("it's \"odd\" $(x);.ir");
    if (content == "<dir>") {
        QVERIFY(QDir().mkdir(path));
    } else if (content != "<none>") {
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(content);
    }
    Signal s;
    Outcome o = loadSignalFile(path.toStdString(), s);
    QCOMPARE(o.code, code);
    QVERIFY2(QString::fromStdString(o.message).contains(message), o.message.c_str());
    if (code == ExitOk)
        QCOMPARE(s.values, (Values{100, 50, 100}));
}

QTEST_GUILESS_MAIN(TestIrPlay)
#include "tst_irplay.moc"
