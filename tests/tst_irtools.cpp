// irrecord.exe and irplay.exe: recording and sending against a scripted LIRC
// device, then the real tools with the simulator (LUMO_IR_DEVICE=sim:DIR),
// started directly and through the program's tool runner (bin first on PATH).
#include "testsupport.h"
#include "toolrunner.h"

#include <QElapsedTimer>
#include <QProcess>
#include <QtTest>

#include <linux/lirc.h>

#include <csignal>
#include <functional>
#include <numeric>
#include <random>
#include <sys/stat.h>

#include "irtool.h"
#include "scriptedport.h"

using namespace lumo::ir;
using Values = std::vector<uint32_t>;
using Setup = std::function<void(ScriptedPort &)>; // a script and the device's quirks
Q_DECLARE_METATYPE(Setup)

namespace {

const QString kRecord = QStringLiteral(LUMO_BIN_DIR "/irrecord.exe");
const QString kPlay = QStringLiteral(LUMO_BIN_DIR "/irplay.exe");

uint32_t P(uint32_t us)
{
    return LIRC_PULSE(us);
}
uint32_t S(uint32_t us)
{
    return LIRC_SPACE(us);
}
const uint32_t T = LIRC_TIMEOUT(150000);
Values frameSamples(uint32_t x)
{
    return { P(9000), S(4500), P(560), S(x), P(560), S(1690), P(560) };
}
Values frameValues(uint32_t x)
{
    return { 9000, 4500, 560, x, 560, 1690, 560 };
}
const Values kNec = { P(9000), S(4500), P(560), S(560), P(560), S(1690), P(560), T };
Values F(std::initializer_list<uint32_t> hz) // carrier reports
{
    Values v;
    for (uint32_t h : hz)
        v.push_back(LIRC_FREQUENCY(h));
    return v;
}
const uint32_t kLearning = LIRC_CAN_USE_WIDEBAND_RECEIVER | LIRC_CAN_MEASURE_CARRIER;

Values cat(std::initializer_list<Values> parts)
{
    Values out;
    for (const Values &p : parts)
        out.insert(out.end(), p.begin(), p.end());
    return out;
}

Values alternating(std::size_t n, uint32_t us) // samples, pulse first
{
    Values v;
    for (std::size_t i = 0; i < n; ++i)
        v.push_back(i % 2 ? S(us) : P(us));
    return v;
}

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

// A receiver as most USB transceivers present it.
void receiver(ScriptedPort &port)
{
    port.features = LIRC_CAN_REC_MODE2 | LIRC_CAN_SET_REC_TIMEOUT;
    port.ioctlValues = { { LIRC_GET_MIN_TIMEOUT, 1 },
                         { LIRC_GET_MAX_TIMEOUT, 1250000 },
                         { LIRC_GET_REC_TIMEOUT, 125000 } };
}

// The learning-mode switches the device saw, in order: "wideband 1", ...
QStringList learningCalls(const ScriptedPort &port)
{
    QStringList out;
    for (const auto &c : port.callsOf({ LIRC_SET_WIDEBAND_RECEIVER, LIRC_SET_MEASURE_CARRIER_MODE }))
        out << QString("%1 %2")
                   .arg(c.request == LIRC_SET_WIDEBAND_RECEIVER ? "wideband" : "reports")
                   .arg(c.value);
    return out;
}

QStringList entries(const QString &dir)
{
    return QDir(dir).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
}

bool writeFile(const QString &path, const QByteArray &data)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(data) == data.size();
}

Signal parsed(const QByteArray &text) // no values when it does not parse
{
    Signal s;
    std::string err;
    return parseSignal(text.toStdString(), s, err) ? s : Signal{};
}

} // namespace

class TstIrTools : public QObject
{
    Q_OBJECT

    QScopedPointer<QTemporaryDir> m_dir;
    QString m_sim, m_files;

private slots:
    void initTestCase()
    {
        qputenv("PATH", LUMO_BIN_DIR ":" + qgetenv("PATH"));
        QCOMPARE(ToolRunner::findTool(ToolRunner::recordTool()), kRecord);
        QCOMPARE(ToolRunner::findTool(ToolRunner::playTool()), kPlay);
    }

    void init()
    {
        m_dir.reset(new QTemporaryDir);
        m_sim = m_dir->filePath("ir device");
        m_files = m_dir->filePath("remotes");
        QVERIFY(QDir().mkpath(m_sim) && QDir().mkpath(m_files));
        qputenv("LUMO_IR_DEVICE", ("sim:" + m_sim).toLocal8Bit());
        qputenv("LUMO_IR_SIM_DELAY_MS", "0");
        qunsetenv("LUMO_IR_SIM_FAIL");
        qunsetenv("LUMO_IR_WAIT");
    }

    // ---- recording against a scripted device

    void records_data()
    {
        QTest::addColumn<Setup>("setup");
        QTest::addColumn<int>("code");
        QTest::addColumn<Values>("values"); // what the file holds
        QTest::addColumn<uint>("carrier");
        QTest::addColumn<QString>("message");
        const auto ok = [](const char *tag, Setup setup, const Values &values, uint carrier = 0) {
            QTest::newRow(tag) << setup << int(ExitOk) << values << carrier << QString();
        };
        const auto fail = [](const char *tag, Setup setup, int code, const char *message) {
            QTest::newRow(tag) << setup << code << Values{} << 0u << QString(message);
        };
        ok(
            "leading spaces dropped",
            [](auto &p) {
                p.data({ S(3000000), S(16777215) }).data(cat({ { S(1200) }, kNec }));
            },
            frameValues(560));
        // The 40 ms gap arrives with the second frame, as the kernel delivers it.
        ok(
            "40 ms gap kept",
            [](auto &p) {
                p.data(frameSamples(560)).silence(40).data(cat({ { S(40000) }, kNec }));
            },
            cat({ frameValues(560), { 40000 }, frameValues(560) }));
        ok(
            "trailing space dropped",
            [](auto &p) {
                p.data(cat({ frameSamples(560), { S(30000), T } }));
            },
            frameValues(560));
        ok("split samples merged",
           [](auto &p) {
               p.data({ P(5000), P(4000), S(4500), S(1), P(560), S(0), S(560), P(0), P(560), T });
           },
           { 9000, 4501, 560, 560, 560 });
        ok(
            "measured carrier kept",
            [](auto &p) {
                p.data({ P(9000), LIRC_FREQUENCY(36000), S(4500), P(560), S(560), P(560), T });
            },
            { 9000, 4500, 560, 560, 560 }, 36000);
        ok(
            "blips of noise ignored",
            [](auto &p) {
                p.data({ P(80), T }).silence(500).data({ P(120), S(300), P(90), T }).silence(500).data(kNec);
            },
            frameValues(560));
        ok(
            "driver without timeout reports", [](auto &p) { p.data(frameSamples(560)); }, frameValues(560));
        ok(
            "signal late in the wait", [](auto &p) { p.silence(4900).data(kNec); }, frameValues(560));
        ok(
            "no mode ioctl", [](auto &p) { p.data(kNec).ioctlErrors[LIRC_SET_REC_MODE] = ENOTTY; },
            frameValues(560));

        fail(
            "overflow",
            [](auto &p) {
                p.data({ P(9000), S(4500), P(560), LIRC_OVERFLOW(0) });
            },
            ExitCaptureFailed, "overflow");
        fail(
            "no input", [](auto &) {}, ExitNoSignal, "no IR signal");
        fail(
            "only noise",
            [](auto &p) {
                p.data({ P(50), T }).silence(100).data({ P(70), S(20), P(10), T });
            },
            ExitNoSignal, "no IR signal");
        fail(
            "endless signal",
            [](auto &p) {
                for (int i = 0; i < 40; ++i)
                    p.data(alternating(256, 500));
            },
            ExitCaptureFailed, "does not end");
        fail(
            "frame too long to send",
            [](auto &p) {
                p.data(cat({ alternating(1201, 300), { T } }));
            },
            ExitCaptureFailed, "more than 1024");
        fail(
            "unplugged", [](auto &p) { p.data({ P(9000) }).readError(ENODEV); }, ExitDeviceError,
            "unplugged");
        fail(
            "missing", [](auto &p) { p.openError = ENOENT; }, ExitDeviceUnavailable,
            "device at '/dev/lirc-test'");
        fail(
            "busy", [](auto &p) { p.openError = EBUSY; }, ExitDeviceUnavailable, "busy");
        // The hint: the package's uaccess rule, else joining a group.
        fail(
            "denied", [](auto &p) { p.openError = EACCES; }, ExitNoPermission, "TAG+=\"uaccess\"");
        fail(
            "cannot receive", [](auto &p) { p.features = LIRC_CAN_SEND_PULSE; }, ExitUnsupported,
            "cannot receive");
        fail(
            "not lirc", [](auto &p) { p.ioctlErrors[LIRC_GET_FEATURES] = ENOTTY; }, ExitUnsupported,
            "not an IR");
        fail(
            "mode refused", [](auto &p) { p.ioctlErrors[LIRC_SET_REC_MODE] = EINVAL; }, ExitUnsupported, "");
    }

    void records()
    {
        QFETCH(Setup, setup);
        QFETCH(int, code);
        QFETCH(Values, values);
        QFETCH(uint, carrier);
        QFETCH(QString, message);
        ScriptedPort port;
        receiver(port);
        setup(port);
        const QString file = m_files + "/x.ir";
        Outcome o = recordToFile(port, "/dev/lirc-test", file.toStdString(), { 5000 });
        QCOMPARE(o.code, code);
        QVERIFY2(QString::fromStdString(o.message).contains(message), o.message.c_str());
        QVERIFY(o.message.find('\n') == std::string::npos);
        QCOMPARE(port.closeCount, port.openError ? 0 : 1);
        if (code == ExitNoSignal) // gave up only after the whole wait
            QVERIFY2(port.clockMs >= 5000 && port.clockMs < 5050, qPrintable(QString::number(port.clockMs)));
        // No file (nor temporary) unless the capture is complete.
        QCOMPARE(entries(m_files), code == ExitOk ? QStringList{ "x.ir" } : QStringList{});
        if (code != ExitOk)
            return;
        uint32_t mode = 0;
        QVERIFY(port.firstCall(LIRC_SET_REC_MODE, &mode) && mode == LIRC_MODE_MODE2);
        const QByteArray text = SetFiles::bytes(file);
        QVERIFY(text.startsWith("# Lumo Control IR signal, recorded by irrecord.exe from /dev/lirc-test\n"));
        QCOMPARE(parsed(text).values, values);
        QCOMPARE(parsed(text).carrier, carrier);
    }

    void timeoutEndsCapture()
    {
        ScriptedPort port;
        receiver(port);
        port.data(kNec).silence(10).data(frameSamples(1690));
        QCOMPARE(captureSignal(port, "/dev/lirc-test", {}).signal.values, frameValues(560));
        QCOMPARE(port.readCalls, size_t(1)); // the second press is never read
    }

    void receiveTimeoutClamped()
    {
        using Limits = std::array<uint32_t, 3>; // device minimum, maximum, what is set (0: limits unknown)
        for (const Limits &l :
             { Limits{ 1, 1250000, 150000 }, { 200000, 1000000, 200000 }, { 1000, 100000, 100000 }, {} }) {
            ScriptedPort port;
            receiver(port);
            port.data(kNec);
            port.ioctlValues[LIRC_GET_MIN_TIMEOUT] = l[0];
            port.ioctlValues[LIRC_GET_MAX_TIMEOUT] = l[1];
            if (!l[2])
                port.ioctlValues.clear();
            QCOMPARE(captureSignal(port, "/dev/lirc-test", {}).outcome.code, int(ExitOk));
            uint32_t set = 0;
            QCOMPARE(port.firstCall(LIRC_SET_REC_TIMEOUT, &set), l[2] != 0);
            QCOMPARE(set, l[2]);
            if (l[2]) { // the device's own timeout is put back afterwards
                QCOMPARE(port.ioctls.back().request, (unsigned long)LIRC_SET_REC_TIMEOUT);
                QCOMPARE(port.ioctls.back().value, 125000u);
            }
        }
    }

    void learningModeSwitchedOffOnEveryWayOut_data()
    {
        QTest::addColumn<Setup>("setup");
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("message");
        QTest::addColumn<QStringList>("calls");
        const QStringList both = { "wideband 1", "reports 1", "reports 0", "wideband 0" };
        const auto row = [](const char *tag, Setup setup, int code, const char *message,
                            const QStringList &calls) {
            QTest::newRow(tag) << setup << code << QString(message) << calls;
        };
        row("no learning features", [](auto &p) { p.data(kNec); }, ExitOk, "", {});
        row("wideband only",
            [](auto &p) {
                p.features |= LIRC_CAN_USE_WIDEBAND_RECEIVER;
                p.data(kNec);
            },
            ExitOk, "", { "wideband 1", "wideband 0" });
        row("carrier reports only",
            [](auto &p) {
                p.features |= LIRC_CAN_MEASURE_CARRIER;
                p.data(kNec);
            },
            ExitOk, "", { "reports 1", "reports 0" });
        row(
            "both",
            [](auto &p) {
                p.features |= kLearning;
                p.data(kNec);
            },
            ExitOk, "", both);
        row(
            "both, no signal", [](auto &p) { p.features |= kLearning; }, ExitNoSignal,
            "; hold the remote a few centimetres from the receiver and press the button", both);
        row(
            "both, overflow",
            [](auto &p) {
                p.features |= kLearning;
                p.data({ P(9000), LIRC_OVERFLOW(0) });
            },
            ExitCaptureFailed, "overflow", both);
        row(
            "both, read error",
            [](auto &p) {
                p.features |= kLearning;
                p.data({ P(9000) }).readError(EIO);
            },
            ExitDeviceError, "unplugged", both);
        // Without the wideband receiver the usual range applies.
        row("wideband refused, no signal",
            [](auto &p) {
                p.features |= kLearning;
                p.ioctlErrors[LIRC_SET_WIDEBAND_RECEIVER] = EINVAL;
            },
            ExitNoSignal, "; point the remote at the receiver and press the button",
            { "wideband 1", "reports 1", "reports 0" });
        // A device that will not switch back costs a warning, never the recording.
        const Setup unplugged = [](auto &p) {
            p.features |= kLearning;
            p.laterErrors[LIRC_SET_WIDEBAND_RECEIVER] = ENODEV;
            p.laterErrors[LIRC_SET_MEASURE_CARRIER_MODE] = ENODEV;
        };
        row(
            "switching back fails",
            [unplugged](auto &p) {
                unplugged(p);
                p.data(kNec);
            },
            ExitOk, "warning: signal saved, but IR device '/dev/lirc-test' could not be set back", both);
        row("switching back fails, no signal", unplugged, ExitNoSignal, "no IR signal received within", both);
    }

    void learningModeSwitchedOffOnEveryWayOut()
    {
        QFETCH(Setup, setup);
        QFETCH(int, code);
        QFETCH(QString, message);
        QFETCH(QStringList, calls);
        ScriptedPort port;
        receiver(port);
        setup(port);
        Outcome o = recordToFile(port, "/dev/lirc-test", (m_files + "/x.ir").toStdString(), { 5000 });
        QCOMPARE(o.code, code);
        QVERIFY2(QString::fromStdString(o.message).contains(message), o.message.c_str());
        QCOMPARE(o.message.empty(), message.isEmpty());
        QCOMPARE(o.message.find("warning") != std::string::npos, code == ExitOk && !message.isEmpty());
        // All of them while the device was open (the port refuses ioctls once closed).
        QCOMPARE(learningCalls(port), calls);
        QCOMPARE(port.closeCount, 1);
    }

    void carrierIsMedianOfReports_data()
    {
        QTest::addColumn<Setup>("setup");
        QTest::addColumn<uint>("carrier"); // 0: no carrier line
        const Values rest = { S(4500), P(560), S(560), P(560), T };
        const auto row = [rest](const char *tag, const Values &reports, uint carrier) {
            const Values script = cat({ { P(9000) }, reports, rest });
            QTest::newRow(tag) << Setup([script](ScriptedPort &p) { p.data(script); }) << carrier;
        };
        row("no reports", {}, 0);
        row("one", F({ 36000 }), 36000);
        row("one, rounded down", F({ 36049 }), 36000);
        row("one, rounded up", F({ 36050 }), 36100);
        row("odd count", F({ 38500, 36000, 37000 }), 37000);
        row("even count", F({ 40000, 36000, 36100, 40100 }), 38100);
        row("out of range ignored", F({ 9999, 56000, 1000001 }), 56000);
        row("only out of range", F({ 5000, 2000000 }), 0);
        // Drivers that report once the receiver is idle: after the timeout,
        // in the same read or the next; the next press's report is not ours.
        QTest::newRow("after the timeout") << Setup([](auto &p) {
            p.data(cat({ kNec, F({ 40000 }) }));
        }) << 40000u;
        QTest::newRow("in a later read") << Setup([](auto &p) {
            p.data(kNec).silence(30).data(F({ 36000, 36100 }));
        }) << 36100u;
        QTest::newRow("after the next press") << Setup([](auto &p) {
            p.data(kNec).data(cat({ { P(9000) }, F({ 40000 }) }));
        }) << 0u;
        QTest::newRow("reports of noise dropped") << Setup([](auto &p) {
            p.data(cat({ F({ 56000 }), { P(80), T } })).silence(300).data(cat({ F({ 36000 }), kNec }));
        }) << 36000u;
    }

    void carrierIsMedianOfReports()
    {
        QFETCH(Setup, setup);
        QFETCH(uint, carrier);
        ScriptedPort port;
        receiver(port);
        port.features |= kLearning;
        setup(port);
        const QString file = m_files + "/x.ir";
        QCOMPARE(recordToFile(port, "/dev/lirc-test", file.toStdString(), { 5000 }).code, int(ExitOk));
        const QByteArray text = SetFiles::bytes(file);
        QCOMPARE(parsed(text).carrier, carrier);
        QCOMPARE(text.contains("\ncarrier "), carrier != 0);
        QCOMPARE(text.contains("\n# carrier measured by the receiver in learning mode"), carrier != 0);
    }

    void keepsModeAndFailsEarly()
    {
        const QString file = m_files + "/a.ir";
        QVERIFY(writeFile(file, {}));
        QVERIFY(::chmod(QFile::encodeName(file).constData(), 0640) == 0);
        ScriptedPort port;
        receiver(port);
        port.data(kNec);
        QCOMPARE(recordToFile(port, "/dev/lirc-test", file.toStdString(), {}).code, int(ExitOk));
        struct stat st = {};
        QVERIFY(::stat(QFile::encodeName(file).constData(), &st) == 0);
        QCOMPARE(st.st_mode & 07777, 0640u);

        // A target that cannot be written fails before the device is touched.
        QVERIFY(QDir(m_files).mkdir("sub"));
        for (const QString &bad : { m_files + "/no such folder/x.ir", m_files + "/sub" }) {
            ScriptedPort unused;
            QCOMPARE(recordToFile(unused, "/dev/lirc-test", bad.toStdString(), {}).code,
                     int(ExitWriteFailed));
            QCOMPARE(unused.openCount, 0);
            QCOMPARE(entries(m_files + "/sub"), QStringList{});
        }
    }

    // ---- sending to a scripted device

    void sendsWithinDeviceLimits_data()
    {
        QTest::addColumn<Values>("values");
        QTest::addColumn<int>("writes");
        QTest::newRow("single pulse") << Values{ 560 } << 1;
        QTest::newRow("nec and a repeat") << Values{ 9000, 4500, 560, 40000, 9000, 2250, 560 } << 1;
        QTest::newRow("air conditioner 2x583, 40 ms apart") << frames(2, 583, 40000) << 2;
        Values v = frames(1, 1025, 0, 300, 200);
        v[511] = 25000;
        QTest::newRow("1025 values, 25 ms space in the middle") << v << 2;
        QTest::newRow("1023 values in one write") << frames(1, 1023, 0, 300, 100) << 1;
        QTest::newRow("just 500 ms") << Values{ 100000, 300000, 100000 } << 1;
        QTest::newRow("just over 500 ms") << Values{ 100000, 300000, 100001 } << 2;
        QTest::newRow("long pulses, short spaces") << frames(1, 9, 0, 100000, 10) << 2;
        QTest::newRow("8 frames of 1023 values, each over 500 ms") << frames(8, 1023, 20000) << -1;
    }

    void sendsWithinDeviceLimits()
    {
        QFETCH(Values, values);
        QFETCH(int, writes);
        ScriptedPort port;
        port.features = LIRC_CAN_SEND_PULSE;
        Outcome o = sendSignal(port, "/dev/lirc-test", Signal{ 0, values });
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

    void cutsAtLongestSpaces()
    {
        // Three frames fit one write by count, not by time: of the two frame
        // gaps the longer is cut, not a space inside a frame.
        Values v = frames(3, 301, 25000);
        v[301 * 2 + 1] = 60000;
        const std::vector<Chunk> chunks = splitForSending(v);
        QCOMPARE(chunks.size(), size_t(2));
        QCOMPARE(chunks[0].end, size_t(301 * 2 + 1));
        QCOMPARE(chunks[0].gapAfterUs, 60000u);
    }

    void carrierOnlyWithFeature()
    {
        // {device can set it, file's carrier, carrier set (0: none)}
        for (auto [can, file, set] :
             { std::array<uint32_t, 3>{ 1, 36000, 36000 }, { 1, 0, 38000 }, { 0, 56000, 0 } }) {
            ScriptedPort port;
            port.features = LIRC_CAN_SEND_PULSE | (can ? LIRC_CAN_SET_SEND_CARRIER : 0);
            if (!can)
                port.ioctlErrors[LIRC_SET_SEND_CARRIER] = ENOTTY; // as the kernel answers
            QCOMPARE(sendSignal(port, "/dev/lirc-test", Signal{ file, frames(1, 67, 0) }).code, int(ExitOk));
            uint32_t value = 0;
            QCOMPARE(port.firstCall(LIRC_SET_SEND_CARRIER, &value), set != 0);
            QCOMPARE(value, set);
        }
    }

    void sendFailures_data()
    {
        QTest::addColumn<Setup>("setup");
        QTest::addColumn<Values>("values");
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("message");
        const auto row = [](const char *tag, Setup setup, int code, const char *message,
                            const Values &v = frames(2, 67, 40000)) {
            QTest::newRow(tag) << setup << v << code << QString(message);
        };
        row(
            "denied", [](auto &p) { p.openError = EACCES; }, ExitNoPermission, "usermod -aG");
        row(
            "receiver only", [](auto &p) { p.features = LIRC_CAN_REC_MODE2; }, ExitUnsupported,
            "cannot send");
        row(
            "mode refused", [](auto &p) { p.ioctlErrors[LIRC_SET_SEND_MODE] = EINVAL; }, ExitUnsupported,
            "pulses");
        row(
            "mode ioctl missing", [](auto &p) { p.ioctlErrors[LIRC_SET_SEND_MODE] = ENOTTY; }, ExitOk, "");
        row(
            "carrier refused", [](auto &p) { p.ioctlErrors[LIRC_SET_SEND_CARRIER] = EINVAL; },
            ExitUnsupported, "36000 Hz");
        row(
            "write fails", [](auto &p) { p.writeResults = { -EIO }; }, ExitDeviceError, "did not send");
        row(
            "partial write", [](auto &p) { p.writeResults = { 8 }; }, ExitDeviceError, "only part");
        // A signal no device could take is refused before opening one.
        int n = 0;
        for (const Values &bad :
             { Values{}, Values{ 100, 200 }, Values{ 100, 0, 100 }, Values{ 500001 }, frames(1, 1025, 0) })
            row(
                qPrintable(QString("bad signal %1").arg(++n)), [](auto &) {}, ExitBadFile, "", bad);
    }

    void sendFailures()
    {
        QFETCH(Setup, setup);
        QFETCH(Values, values);
        QFETCH(int, code);
        QFETCH(QString, message);
        ScriptedPort port;
        port.features = LIRC_CAN_SEND_PULSE | LIRC_CAN_SET_SEND_CARRIER;
        setup(port);
        Outcome o = sendSignal(port, "/dev/lirc-test", Signal{ 36000, values });
        QCOMPARE(o.code, code);
        QVERIFY2(QString::fromStdString(o.message).contains(message), o.message.c_str());
        QVERIFY(o.message.find('\n') == std::string::npos);
        // Nothing more is sent after a failure; a bad signal opens nothing.
        QCOMPARE(port.writes().size(), size_t(code == ExitOk || !port.writeResults.empty() ? 1 : 0));
        QCOMPARE(port.openCount, code == ExitBadFile ? 0 : 1);
    }

    // ---- the real tools

    void killedMidCaptureLeavesOldFile()
    {
        const QString file = m_files + "/TV power.ir";
        const QByteArray old = "# old\npulse 1\nspace 2\npulse 3\n";
        QVERIFY(writeFile(file, old));
        qputenv("LUMO_IR_SIM_DELAY_MS", "60000"); // the press never comes in time
        qputenv("LUMO_IR_WAIT", "120");
        for (int sig : { SIGTERM, SIGINT }) {
            QProcess p;
            p.start(kRecord, { file });
            QVERIFY(p.waitForStarted());
            QTRY_COMPARE_WITH_TIMEOUT(entries(m_files).size(), 2, 5000); // the temporary is there
            QVERIFY(::kill(pid_t(p.processId()), sig) == 0);
            QVERIFY(p.waitForFinished(5000));
            QCOMPARE(p.exitStatus(), QProcess::CrashExit);
            QCOMPARE(SetFiles::bytes(file), old);
            QCOMPARE(entries(m_files), QStringList{ "TV power.ir" });
        }
    }

    void simulatorLearningModeEnds_data()
    {
        QTest::addColumn<QByteArray>("fail"); // LUMO_IR_SIM_FAIL
        QTest::addColumn<int>("signal");      // sent once learning mode is on; 0: none
        QTest::addColumn<int>("code");
        QTest::newRow("recorded") << QByteArray() << 0 << int(ExitOk);
        QTest::newRow("no signal") << QByteArray("nosignal") << 0 << int(ExitNoSignal);
        QTest::newRow("overflow") << QByteArray("overflow") << 0 << int(ExitCaptureFailed);
        QTest::newRow("SIGTERM") << QByteArray() << int(SIGTERM) << -1;
        QTest::newRow("SIGINT") << QByteArray() << int(SIGINT) << -1;
        QTest::newRow("SIGHUP") << QByteArray() << int(SIGHUP) << -1;
    }

    void simulatorLearningModeEnds()
    {
        QFETCH(QByteArray, fail);
        QFETCH(int, signal);
        QFETCH(int, code);
        qputenv("LUMO_IR_SIM_FAIL", fail);
        qputenv("LUMO_IR_WAIT", signal ? "120" : "0.3");
        qputenv("LUMO_IR_SIM_DELAY_MS", signal ? "60000" : "0");
        const QString log = m_sim + "/receiver.log";
        const QByteArray on = "LIRC_SET_REC_TIMEOUT 150000\n"
                              "LIRC_SET_WIDEBAND_RECEIVER 1\n"
                              "LIRC_SET_MEASURE_CARRIER_MODE 1\n";
        const QByteArray off = "LIRC_SET_MEASURE_CARRIER_MODE 0\n"
                               "LIRC_SET_WIDEBAND_RECEIVER 0\n"
                               "LIRC_SET_REC_TIMEOUT 125000\n";
        QProcess p;
        p.start(kRecord, { m_files + "/Power.ir" });
        QVERIFY(p.waitForStarted());
        if (signal) {
            QTRY_COMPARE_WITH_TIMEOUT(SetFiles::bytes(log), on, 5000);
            QVERIFY(::kill(pid_t(p.processId()), signal) == 0);
        }
        QVERIFY(p.waitForFinished(10000));
        if (signal) {
            QCOMPARE(p.exitStatus(), QProcess::CrashExit);
            QCOMPARE(p.exitCode(), signal);
        } else {
            QCOMPARE(p.exitStatus(), QProcess::NormalExit);
            QCOMPARE(p.exitCode(), code);
        }
        QCOMPARE(SetFiles::bytes(log), on + off);
    }

    void recordThenPlay_data()
    {
        QTest::addColumn<QString>("name");
        QTest::newRow("plain") << "Power.ir";
        QTest::newRow("spaces and quotes") << "TV  \"big\" it's on .ir";
        QTest::newRow("shell characters") << "a;b|c&d $(touch pwned) `id` >x <y *.ir";
        QTest::newRow("dash first, no extension") << "-rf";
        QTest::newRow("non-ASCII") << QString::fromUtf8("Fernseher lauter \xc3\xbc\xe2\x82\xac.ir");
    }

    void recordThenPlay()
    {
        QFETCH(QString, name);
        MessageScript boxes;
        const QString file = m_files + "/" + name;
        RunRecordTool(file);
        // Exactly that file, one argument verbatim: no shell ran, no temporary left.
        QCOMPARE(entries(m_files), QStringList{ name });
        const QByteArray text = SetFiles::bytes(file);
        QVERIFY(text.startsWith("# Lumo Control IR signal, simulated by irrecord.exe"));
        const Values values = parsed(text).values;
        QCOMPARE(values.size(), size_t(67));
        // The simulated receiver reports 38020, 37950 and 38090 Hz.
        QCOMPARE(parsed(text).carrier, 38000u);
        QVERIFY(
            text.contains("\n# carrier measured by the receiver in learning mode (median of 3 reports); "));
        // What it is, as ir-ctl -S names it: NEC, address and command from the name.
        uint8_t address = 0;
        uint8_t command = 0;
        SimPort::necCode(QFile::encodeName(file).toStdString(), address, command);
        const QByteArray decoded = "\n# decoded nec:0x"
            + QByteArray::number(address * 256 + command, 16).rightJustified(4, '0') + "\n";
        QVERIFY2(text.contains(decoded), text.constData());

        PlayCommand(file);
        PlayCommand(file);
        const QList<QByteArray> lines = SetFiles::bytes(m_sim + "/sent.log").split('\n');
        QCOMPARE(lines.size(), 3); // one line per play
        QCOMPARE(lines[0], lines[1]);
        QVERIFY2(lines[0].contains("# carrier 38000, file "), lines[0].constData());
        QCOMPARE(parsed(lines[0]).values, values);
        QCOMPARE(boxes.texts(), QStringList{});
    }

    void exitCodes_data()
    {
        QTest::addColumn<bool>("record");      // else play
        QTest::addColumn<QStringList>("args"); // FILE: an old signal file, BAD: a broken one
        QTest::addColumn<QByteArray>("env");   // NAME=value, over the simulator's settings
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("message"); // in the one line on stderr
        const auto row = [](const char *tag, bool record, const QStringList &args, int code,
                            const char *message, const char *env = "WAIT=0.3") {
            QTest::newRow(tag) << record << args << "LUMO_IR_" + QByteArray(env) << code << message;
        };
        row("record --help", true, { "--help" }, ExitOk, "");
        row("record -- FILE", true, { "--", "FILE" }, ExitOk, "");
        row("play -- FILE", false, { "--", "FILE" }, ExitOk, "");
        row("record, no argument", true, {}, ExitUsage, "missing FILE");
        row("record, two arguments", true, { "FILE", "FILE" }, ExitUsage, "");
        row("play, empty argument", false, { "" }, ExitUsage, "");
        row("wait not a number", true, { "FILE" }, ExitUsage, "LUMO_IR_WAIT", "WAIT=soon");
        row("unknown hook", false, { "FILE" }, ExitUsage, "LUMO_IR_SIM_FAIL", "SIM_FAIL=sometimes");
        row("denied", true, { "FILE" }, ExitNoPermission, "udev", "SIM_FAIL=denied");
        row("norecv", true, { "FILE" }, ExitUnsupported, "cannot receive", "SIM_FAIL=norecv");
        row("nosend", false, { "FILE" }, ExitUnsupported, "cannot send", "SIM_FAIL=nosend");
        row("nosignal", true, { "FILE" }, ExitNoSignal,
            "no IR signal received within 300.0 ms; hold the remote a few centimetres from the receiver",
            "SIM_FAIL=nosignal");
        row("overflow", true, { "FILE" }, ExitCaptureFailed, "overflow", "SIM_FAIL=overflow");
        row("bad line", false, { "BAD" }, ExitBadFile,
            ": line 4: '4,500' is not a whole number of microseconds\n");
        row("folder", false, { "." }, ExitBadFile, "not a signal file");
        row("missing file, no device", false, { "none.ir" }, ExitBadFile, "none.ir",
            "DEVICE=/nonexistent/lirc9");
        row("record, no device", true, { "FILE" }, ExitDeviceUnavailable, "no IR device",
            "DEVICE=/nonexistent/lirc9");
        row("play, no device", false, { "FILE" }, ExitDeviceUnavailable, "no IR device",
            "DEVICE=/nonexistent/lirc9");
        row("record, not lirc", true, { "FILE" }, ExitUnsupported, "not an IR", "DEVICE=/dev/null");
        row("play, not lirc", false, { "FILE" }, ExitUnsupported, "not an IR", "DEVICE=/dev/null");
    }

    void exitCodes()
    {
        QFETCH(bool, record);
        QFETCH(QStringList, args);
        QFETCH(QByteArray, env);
        QFETCH(int, code);
        QFETCH(QString, message);
        const QByteArray old = "# kept\npulse 560\nspace 560\npulse 560\n";
        QVERIFY(writeFile(m_files + "/FILE", old));
        QVERIFY(writeFile(m_files + "/BAD", "# header\ncarrier 38000\npulse 9000\nspace 4,500\npulse 560\n"));
        qputenv("LUMO_IR_WAIT", "0.3");
        qputenv(env.left(env.indexOf('=')), env.mid(env.indexOf('=') + 1));
        QProcess p;
        p.setWorkingDirectory(m_files);
        QElapsedTimer timer;
        timer.start();
        p.start(record ? kRecord : kPlay, args);
        QVERIFY(p.waitForFinished(30000));
        if (code == ExitNoSignal) // only after the whole wait
            QVERIFY2(timer.elapsed() >= 290, qPrintable(QString::number(timer.elapsed())));
        const QByteArray err = p.readAllStandardError();
        QCOMPARE(p.exitStatus(), QProcess::NormalExit);
        QCOMPARE(p.exitCode(), code);
        QCOMPARE(err.count('\n'), code ? 1 : 0);
        QVERIFY2(err.contains(message.toUtf8()), err.constData());
        if (code)
            QCOMPARE(SetFiles::bytes(m_files + "/FILE"), old);
        QCOMPARE(entries(m_files), (QStringList{ "BAD", "FILE" }));
        QCOMPARE(QFile::exists(m_sim + "/sent.log"), !record && code == ExitOk && args.contains("FILE"));
    }
};

QTEST_GUILESS_MAIN(TstIrTools)
#include "tst_irtools.moc"
