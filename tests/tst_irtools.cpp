// irrecord.exe and irplay.exe: recording and sending against a scripted LIRC
// device, then the real tools with the simulator (LUMO_IR_DEVICE=sim:DIR) or
// a real path.
#include "testsupport.h"

#include <QDateTime>
#include <QElapsedTimer>
#include <QProcess>
#include <QRegularExpression>
#include <QtTest>

#include <linux/lirc.h>

#include <csignal>
#include <grp.h>
#include <sys/stat.h>
#include <unistd.h>
#include <functional>
#include <numeric>

#include "irtestsupport.h"
#include "irtool.h"
#include "scriptedport.h"

using namespace lumo::ir;
using Setup = std::function<void(ScriptedPort &)>; // a script and the device's quirks
Q_DECLARE_METATYPE(Setup)

namespace {

const QString kRecord = QStringLiteral(LUMO_BIN_DIR "/irrecord.exe");
const QString kPlay = QStringLiteral(LUMO_BIN_DIR "/irplay.exe");

const auto P = [](uint32_t us) -> uint32_t { return LIRC_PULSE(us); };
const auto S = [](uint32_t us) -> uint32_t { return LIRC_SPACE(us); };
const uint32_t T = LIRC_TIMEOUT(150000);
const Values kFrame = { P(9000), S(4500), P(560), S(560), P(560), S(1690), P(560) };
const Values kNec = { P(9000), S(4500), P(560), S(560), P(560), S(1690), P(560), T };
const Values kValues = { 9000, 4500, 560, 560, 560, 1690, 560 }; // what kNec records
const uint32_t kLearning = LIRC_CAN_USE_WIDEBAND_RECEIVER | LIRC_CAN_MEASURE_CARRIER;

// kNec with carrier reports of hz after its first pulse
Values reporting(std::initializer_list<uint32_t> hz)
{
    Values v{ kNec[0] };
    for (uint32_t h : hz)
        v.push_back(LIRC_FREQUENCY(h));
    return join({ v, Values(kNec.begin() + 1, kNec.end()) });
}

Values alternating(std::size_t n, uint32_t us) // samples, pulse first
{
    Values v;
    for (std::size_t i = 0; i < n; ++i)
        v.push_back(i % 2 ? S(us) : P(us));
    return v;
}

// count frames of perFrame values, gap apart
Values frames(std::size_t count, std::size_t perFrame, uint32_t gap, uint32_t pulse = 430,
              uint32_t space = 1290)
{
    Values v;
    for (std::size_t i = 0; i < count * (perFrame + 1) - 1; ++i)
        v.push_back(i % (perFrame + 1) == perFrame ? gap : i % (perFrame + 1) % 2 ? space : pulse);
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
        out << QString(c.request == LIRC_SET_WIDEBAND_RECEIVER ? "wideband %1" : "reports %1").arg(c.value);
    return out;
}

QStringList entries(const QString &dir)
{
    return QDir(dir).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
}

} // namespace

class TstIrTools : public QObject
{
    Q_OBJECT

    QScopedPointer<QTemporaryDir> m_dir;
    QString m_sim, m_files;

private slots:
    void init()
    {
        m_dir.reset(new QTemporaryDir);
        m_sim = m_dir->filePath("ir device");
        m_files = m_dir->filePath("remotes");
        QVERIFY(QDir().mkpath(m_sim));
        QVERIFY(QDir().mkpath(m_files));
        qputenv("LUMO_IR_DEVICE", ("sim:" + m_sim).toLocal8Bit());
        qputenv("LUMO_IR_SIM_DELAY_MS", "0");
    }

    // ---- recording against a scripted device

    void records_data()
    {
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("message"); // in the one line; empty: none
        QTest::addColumn<Values>("values");   // what the file holds
        QTest::addColumn<uint>("carrier");
        QTest::addColumn<QStringList>("learning"); // learningCalls()
        QTest::addColumn<QString>("header");       // in the file's carrier line
        QTest::addColumn<Setup>("setup");
        const QStringList both = { "wideband 1", "reports 1", "reports 0", "wideband 0" };
        const auto row = [](const char *tag, int code, const char *message, const Values &values,
                            uint carrier, const QStringList &learning, const Setup &setup,
                            const char *header = "") {
            QTest::newRow(tag) << code << QString(message) << values << carrier << learning << QString(header)
                               << setup;
        };
        const auto ok = [row](const char *tag, const Values &values, const Setup &setup) {
            row(tag, ExitOk, "", values, 0, {}, setup);
        };
        const auto fail = [row](const char *tag, int code, const char *message, const Setup &setup) {
            row(tag, code, message, {}, 0, {}, setup);
        };
        // Learning mode on, and kNec recorded on carrier (0: no carrier line).
        const auto learned = [row, both](const char *tag, uint carrier, const Values &script,
                                         const char *header = "") {
            const Setup setup = [script](auto &p) { p.data(script).features |= kLearning; };
            row(tag, ExitOk, "", kValues, carrier, both, setup, header);
        };
        const auto after = [](std::initializer_list<uint32_t> hz) { // reports once the receiver is idle
            Values v = kNec;
            for (uint32_t h : hz)
                v.push_back(LIRC_FREQUENCY(h));
            return v;
        };
        ok("silence around the frame dropped", kValues, [](auto &p) {
            p.data({ S(3000000), S(16777215) }).data(join({ { S(1200) }, kFrame, { S(30000), T } }));
        });
        // The 40 ms gap arrives with the second frame, as the kernel delivers it.
        ok("40 ms gap kept", join({ kValues, { 40000 }, kValues }), [](auto &p) {
            p.data(kFrame).silence(40).data(join({ { S(40000) }, kNec }));
        });
        ok("split samples merged", { 9000, 4501, 560, 560, 560 }, [](auto &p) {
            p.data({ P(5000), P(4000), S(4500), S(1), P(560), S(0), S(560), P(0), P(560), T });
        });
        ok("blips of noise ignored", kValues, [](auto &p) {
            p.data({ P(80), T }).silence(500).data({ P(120), S(300), P(90), T }).silence(500).data(kNec);
        });
        ok("driver without timeout reports", kValues, [](auto &p) { p.data(kFrame); });
        ok("signal late in the wait", kValues, [](auto &p) { p.silence(4900).data(kNec); });
        ok("the next press is not ours", kValues, [](auto &p) { p.data(kNec).silence(10).data(kFrame); });
        fail("overflow", ExitCaptureFailed, "overflow", [](auto &p) {
            p.data({ P(9000), S(4500), P(560), LIRC_OVERFLOW(0) });
        });
        fail("no input", ExitNoSignal, "; point the remote at the receiver and press the button",
             [](auto &) {});
        fail("endless signal", ExitCaptureFailed, "does not end", [](auto &p) {
            for (int i = 0; i < 40; ++i)
                p.data(alternating(256, 500));
        });
        fail("frame too long to send", ExitCaptureFailed, "more than 1024", [](auto &p) {
            p.data(join({ alternating(1201, 300), { T } }));
        });
        // The hint: the package's uaccess rule, else joining a group.
        fail("denied", ExitNoPermission, "TAG+=\"uaccess\"", [](auto &p) { p.openError = EACCES; });
        fail("mode refused", ExitUnsupported, "to raw receive",
             [](auto &p) { p.ioctlErrors[LIRC_SET_REC_MODE] = EINVAL; });

        // Learning mode as far as the device offers it, switched off on every way out.
        row("wideband only", ExitOk, "", kValues, 0, { "wideband 1", "wideband 0" },
            [](auto &p) { p.data(kNec).features |= LIRC_CAN_USE_WIDEBAND_RECEIVER; });
        row("carrier reports only", ExitOk, "", kValues, 0, { "reports 1", "reports 0" },
            [](auto &p) { p.data(kNec).features |= LIRC_CAN_MEASURE_CARRIER; });
        row("learning, no signal", ExitNoSignal,
            "; hold the remote a few centimetres from the receiver and press the button", {}, 0, both,
            [](auto &p) { p.features |= kLearning; });
        // A device that will not switch back costs a warning, never the recording.
        row("switching back fails", ExitOk, "warning: signal saved, but", kValues, 0, both, [](auto &p) {
            p.data(kNec).features |= kLearning;
            p.laterErrors = { { LIRC_SET_WIDEBAND_RECEIVER, ENODEV } };
        });

        // The carrier: the median of the reports, rounded to 100 Hz.
        learned("no reports", 0, kNec);
        learned("one, rounded up", 36100, reporting({ 36050 }));
        learned("odd count", 37000, reporting({ 38500, 36000, 37000 }));
        learned("even count", 38000, reporting({ 38020, 37950, 38090, 38000 }), "(median of 4 reports);");
        learned("out of range ignored", 56000, reporting({ 9999, 56000, 1000001 }));
        // Drivers that report once the receiver is idle.
        learned("after the timeout", 40000, after({ 40000 }));
        row("after the timeout, in a read of its own", ExitOk, "", kValues, 40000, both, [](auto &p) {
            p.data(kNec).silence(5).data({ LIRC_FREQUENCY(40000) }).features |= kLearning;
        });
        // Reports that disagree are never averaged: those that came with the
        // signal decide. rc-loopback (Linux 6.1) reports its receive timeout after it.
        learned("the receive timeout after the signal", 38000,
                join({ Values(kNec.begin(), kNec.end() - 2),
                       { LIRC_FREQUENCY(38000), P(560), LIRC_FREQUENCY(150000) } }),
                "(1 report; dropped 1 that disagreed: 150000 Hz);");
        learned("with the signal beats more after it", 38000,
                join({ reporting({ 38000 }), { LIRC_FREQUENCY(56000), LIRC_FREQUENCY(56100) } }),
                "(1 report; dropped 2 that disagreed: 56000, 56100 Hz)");
        learned("all after it: the most that agree", 36100, after({ 40000, 36000, 36100 }),
                "(median of 2 reports; dropped 1 that disagreed: 40000 Hz)");
        learned("a tie: the earliest", 40000, reporting({ 40000, 36000 }),
                "dropped 1 that disagreed: 36000 Hz");
        learned("5 % apart agree", 39000, reporting({ 38000, 39900 }), "(median of 2 reports);");
        learned("over 5 % apart disagree", 38000, reporting({ 38000, 39901 }),
                "dropped 1 that disagreed: 39901");
    }

    void records()
    {
        QFETCH(int, code);
        QFETCH(QString, message);
        QFETCH(Values, values);
        QFETCH(uint, carrier);
        QFETCH(QStringList, learning);
        QFETCH(QString, header);
        QFETCH(Setup, setup);
        ScriptedPort port;
        receiver(port);
        setup(port);
        const QString file = m_files + "/x.ir";
        const Outcome o = recordToFile(port, "/dev/lirc-test", file.toStdString(), { 5000 });
        QCOMPARE(o.code, code);
        QVERIFY2(QString::fromStdString(o.message).contains(message), o.message.c_str());
        QCOMPARE(o.message.empty(), message.isEmpty());
        QVERIFY(o.message.find('\n') == std::string::npos);
        // All of them while the device was open (the port refuses ioctls once closed).
        QCOMPARE(learningCalls(port), learning);
        QCOMPARE(port.closeCount, port.openError ? 0 : 1);
        // The device's own receive timeout is put back, last.
        if (port.firstCall(LIRC_SET_REC_TIMEOUT)) {
            QCOMPARE(port.ioctls.back().request, (unsigned long)LIRC_SET_REC_TIMEOUT);
            QCOMPARE(port.ioctls.back().value, 125000u);
        }
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
        // When it was recorded, in UTC.
        const QRegularExpressionMatch stamp =
            QRegularExpression("\n# recorded (\\d{4}-\\d\\d-\\d\\d \\d\\d:\\d\\d:\\d\\d) UTC; ").match(text);
        QVERIFY(stamp.hasMatch());
        QDateTime recorded = QDateTime::fromString(stamp.captured(1), "yyyy-MM-dd HH:mm:ss");
        recorded.setTimeSpec(Qt::UTC);
        QVERIFY2(recorded.isValid(), qPrintable(stamp.captured(1)));
        QVERIFY2(qAbs(recorded.secsTo(QDateTime::currentDateTimeUtc())) < 600, qPrintable(stamp.captured(1)));
        QCOMPARE(parsed(text).values, values);
        QCOMPARE(parsed(text).carrier, carrier);
        QCOMPARE(text.contains("\n# carrier measured by the receiver"), carrier != 0);
        QCOMPARE(text.contains(" in learning mode"), learning.contains("wideband 1"));
        QVERIFY2(text.split('\n').value(2).contains(header.toUtf8()), text.constData());
    }

    // The receive timeout is raised for the capture and put back only to a
    // value the device told.
    void receiveTimeoutPutBack_data()
    {
        QTest::addColumn<int>("before"); // what LIRC_GET_REC_TIMEOUT gives; -1: refused
        QTest::addColumn<QList<uint>>("sets");
        QTest::newRow("the device's own") << 125000 << QList<uint>{ 150000, 125000 };
        QTest::newRow("already as wanted") << 150000 << QList<uint>{ 150000 };
        QTest::newRow("not told") << -1 << QList<uint>{ 150000 };
    }

    void receiveTimeoutPutBack()
    {
        QFETCH(int, before);
        QFETCH(QList<uint>, sets);
        ScriptedPort port;
        receiver(port);
        if (before < 0)
            port.ioctlErrors[LIRC_GET_REC_TIMEOUT] = ENOTTY;
        else
            port.ioctlValues[LIRC_GET_REC_TIMEOUT] = uint32_t(before);
        port.data(kNec);
        const Outcome o = recordToFile(port, "/dev/lirc-test", (m_files + "/x.ir").toStdString(), { 5000 });
        QCOMPARE(o.code, int(ExitOk));
        QList<uint> seen;
        for (const auto &c : port.callsOf({ LIRC_SET_REC_TIMEOUT }))
            seen << c.value;
        QCOMPARE(seen, sets);
    }

    // Started with standard input closed (as by some launchers), the file
    // written may get descriptor 0: still a file.
    void recordsWithStandardInputClosed()
    {
        ScriptedPort port;
        receiver(port);
        port.data(kNec);
        const int saved = ::dup(0);
        QVERIFY(saved >= 0 && ::close(0) == 0);
        const QString file = m_files + "/x.ir";
        const Outcome o = recordToFile(port, "/dev/lirc-test", file.toStdString(), { 5000 });
        QVERIFY(::dup2(saved, 0) == 0 && ::close(saved) == 0);
        QCOMPARE(o.code, int(ExitOk));
        QCOMPARE(parsed(SetFiles::bytes(file)).values, kValues);
    }

    // A device a group may use: the hint names that group.
    void deniedNamesTheGroup()
    {
        const QString device = m_dir->filePath("lirc0");
        QFile file(device);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.close();
        if (getgid() == 0 && ::chown(QFile::encodeName(device).constData(), uid_t(-1), 65534) != 0)
            QSKIP("cannot give the file a group of its own");
        QVERIFY(::chmod(QFile::encodeName(device).constData(), 0660) == 0);
        const struct group *g = getgrgid(QFileInfo(device).groupId());
        if (!g)
            QSKIP("the file's group has no name");
        ScriptedPort port;
        port.openError = EACCES;
        const Outcome o = recordToFile(port, device.toStdString(), (m_files + "/x.ir").toStdString(), { 5000 });
        QCOMPARE(o.code, int(ExitNoPermission));
        const QString join = QStringLiteral("join the group '%1' that owns %2 (sudo usermod -aG %1 $USER)")
                                 .arg(QString::fromLocal8Bit(g->gr_name), device);
        QVERIFY2(QString::fromStdString(o.message).contains(join), o.message.c_str());
    }

    // ---- sending to a scripted device

    void sends_data()
    {
        QTest::addColumn<uint>("fileCarrier");
        QTest::addColumn<Values>("values");
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("message");
        QTest::addColumn<uint>("carrier");  // set on the device; 0: none
        QTest::addColumn<Values>("writes"); // their sizes; empty: not checked
        QTest::addColumn<Setup>("setup");
        const Setup device = [](ScriptedPort &) {};
        // Sent whole in writes a device takes, on the common carrier.
        const auto fits = [device](const char *tag, const Values &values, const Values &writes) {
            QTest::newRow(tag) << 0u << values << int(ExitOk) << QString() << 38000u << writes << device;
        };
        const auto fails = [](const char *tag, int code, const char *message, const Setup &setup,
                              const Values &values = frames(2, 67, 40000)) {
            QTest::newRow(tag) << 36000u << values << code << QString(message) << 0u << Values{} << setup;
        };
        fits("nec and a repeat", { 9000, 4500, 560, 40000, 9000, 2250, 560 }, { 7 });
        Values v = frames(1, 1025, 0, 300, 200);
        v[511] = 25000;
        fits("1025 values, 25 ms space in the middle", v, { 511, 513 });
        // Two such spaces as near the middle: the earlier.
        v[511] = 200;
        v[509] = v[515] = 25000;
        fits("1025 values, two 25 ms spaces", v, { 509, 515 });
        fits("just over 500 ms", { 100000, 300000, 100001 }, { 1, 1 });
        // Three frames fit one write by count, not by time: of the two frame
        // gaps the longer is cut, not a space inside a frame.
        v = frames(3, 301, 25000, 430, 600);
        v[301 * 2 + 1] = 60000;
        fits("cut at the longest gap", v, { 603, 301 });
        v[301 * 2 + 1] = 25000;
        v[301] = 60000;
        fits("cut at the longest gap, early", v, { 301, 603 });
        QTest::newRow("no carrier without the feature")
            << 56000u << Values{ 560 } << int(ExitOk) << QString() << 0u << Values{ 1 }
            << Setup([](ScriptedPort &p) { p.features = LIRC_CAN_SEND_PULSE; });

        fails("mode refused", ExitUnsupported, "pulses",
              [](auto &p) { p.ioctlErrors[LIRC_SET_SEND_MODE] = EINVAL; });
        fails("carrier refused", ExitUnsupported, "36000 Hz",
              [](auto &p) { p.ioctlErrors[LIRC_SET_SEND_CARRIER] = EINVAL; });
        fails("write fails", ExitDeviceError, "did not send", [](auto &p) { p.writeResults = { -EIO }; });
        fails("partial write", ExitDeviceError, "only part", [](auto &p) { p.writeResults = { 8 }; });
        fails("open fails", ExitDeviceError, "for sending: Input/output error",
              [](auto &p) { p.openError = EIO; });
        fails("close fails", ExitDeviceError, "failed: Input/output error",
              [](auto &p) { p.closeError = EIO; });
        // A send that stops half way says how far it got (here two writes of a frame each).
        const auto secondWrite = [](long result) -> Setup {
            return [result](ScriptedPort &p) { p.writeResults = { 67 * 4, result }; };
        };
        fails("unplugged after a write", ExitDeviceError,
              "stopped after sending 1 of the signal's 2 frames: No such device; was it unplugged?",
              secondWrite(-ENODEV), frames(2, 67, 400000));
        fails("short write after a write", ExitDeviceError,
              "sent only part of the signal (cut short after sending 1 of the signal's 2 frames)",
              secondWrite(8), frames(2, 67, 400000));
        // A signal no device could take is refused before opening one.
        fails("ends with a space", ExitBadFile, "cannot be sent", device, { 100, 200 });
        fails("first pulse too long", ExitBadFile, "pulse 1 lasts 500001", device, { 500001 });
        fails("too many values", ExitBadFile, "more than 8192 values", device, Values(8193, 100));
    }

    void sends()
    {
        QFETCH(uint, fileCarrier);
        QFETCH(Values, values);
        QFETCH(int, code);
        QFETCH(QString, message);
        QFETCH(uint, carrier);
        QFETCH(Values, writes);
        QFETCH(Setup, setup);
        ScriptedPort port;
        port.features = LIRC_CAN_SEND_PULSE | LIRC_CAN_SET_SEND_CARRIER;
        setup(port);
        const Outcome o = sendSignal(port, "/dev/lirc-test", Signal{ fileCarrier, values });
        QCOMPARE(o.code, code);
        QVERIFY2(QString::fromStdString(o.message).contains(message), o.message.c_str());
        QVERIFY(o.message.find('\n') == std::string::npos);
        QCOMPARE(port.openCount, code == ExitBadFile ? 0 : 1);
        if (code != ExitOk) { // nothing more is sent after a failure (but before closing)
            QCOMPARE(port.writes().size(),
                     port.writeResults.empty() ? size_t(port.closeError != 0) : port.writeResults.size());
            return;
        }
        QVERIFY(port.openedForWriting);
        QCOMPARE(port.closeCount, 1);
        uint32_t value = 0;
        QVERIFY(port.firstCall(LIRC_SET_SEND_MODE, &value) && value == LIRC_MODE_PULSE);
        value = 0;
        QCOMPARE(port.firstCall(LIRC_SET_SEND_CARRIER, &value), carrier != 0);
        QCOMPARE(value, carrier);
        // Each write is what a device takes; writes and pauses between them
        // together are exactly the signal.
        Values replay;
        Values sizes;
        for (std::size_t i = 0; i < port.actions.size(); ++i) {
            const auto &a = port.actions[i];
            QCOMPARE(a.isWrite, i % 2 == 0);
            if (!a.isWrite) {
                replay.push_back(a.pauseUs);
                continue;
            }
            QVERIFY(a.values.size() % 2 == 1 && a.values.size() <= 1024);
            QVERIFY(std::accumulate(a.values.begin(), a.values.end(), uint64_t(0)) <= 500000);
            QVERIFY(std::find(a.values.begin(), a.values.end(), 0u) == a.values.end());
            replay.insert(replay.end(), a.values.begin(), a.values.end());
            sizes.push_back(uint32_t(a.values.size()));
        }
        QCOMPARE(replay, values);
        if (!writes.empty())
            QCOMPARE(sizes, writes);
    }

    // A write the kernel returns late (its timer's ticks) takes that off the gap after it.
    void sendsLateWriteShortensGap()
    {
        ScriptedPort port;
        port.features = LIRC_CAN_SEND_PULSE;
        port.writeLateMs = 5;
        QCOMPARE(sendSignal(port, "/dev/lirc-test", Signal{ 0, frames(2, 67, 400000) }).code, int(ExitOk));
        QCOMPARE(port.actions.size(), size_t(3));
        const uint32_t pause = port.actions[1].pauseUs;
        QVERIFY2(pause >= 395000 && pause <= 397000, qPrintable(QString::number(pause)));
    }

    // ---- the real tools

    void simulatorRecordingEnds_data()
    {
        QTest::addColumn<int>("signal"); // sent once learning mode is on; 0: none
        QTest::newRow("recorded") << 0;
        QTest::newRow("SIGTERM") << int(SIGTERM);
        QTest::newRow("SIGINT") << int(SIGINT);
    }

    // Learning mode and the receive timeout are undone on every way out, and
    // the old file stays unless a whole new signal came.
    void simulatorRecordingEnds()
    {
        QFETCH(int, signal);
        qputenv("LUMO_IR_WAIT", "120");
        qputenv("LUMO_IR_SIM_DELAY_MS", signal ? "60000" : "0");
        // One argument, verbatim: no shell reads it.
        const QString name = "-rf a;b|c&d $(touch pwned) `id` >x <y *.ir";
        const QString file = m_files + "/" + name;
        const QByteArray old = "# old\npulse 1\nspace 2\npulse 3\n";
        touch(file, old);
        const QString log = m_sim + "/receiver.log";
        const QByteArray on = "LIRC_SET_REC_TIMEOUT 150000\n"
                              "LIRC_SET_WIDEBAND_RECEIVER 1\n"
                              "LIRC_SET_MEASURE_CARRIER_MODE 1\n";
        const QByteArray off = "LIRC_SET_MEASURE_CARRIER_MODE 0\n"
                               "LIRC_SET_WIDEBAND_RECEIVER 0\n"
                               "LIRC_SET_REC_TIMEOUT 125000\n";
        QProcess p;
        p.start(kRecord, { file });
        QVERIFY(p.waitForStarted());
        if (signal) { // once the temporary file is there and learning mode on
            QTRY_COMPARE_WITH_TIMEOUT(SetFiles::bytes(log), on, 5000);
            QCOMPARE(entries(m_files).size(), 2);
            QVERIFY(::kill(pid_t(p.processId()), signal) == 0);
        }
        QVERIFY(p.waitForFinished(10000));
        QCOMPARE(p.exitStatus(), signal ? QProcess::CrashExit : QProcess::NormalExit);
        QCOMPARE(p.exitCode(), signal);
        QCOMPARE(SetFiles::bytes(log), on + off);
        QCOMPARE(SetFiles::bytes(file) == old, signal != 0);
        QCOMPARE(entries(m_files), QStringList{ name });
        if (signal)
            return;
        // The simulated receiver reports 38020, 37950 and 38090 Hz; the name gives NEC's
        // address and command, and the signal is named as ir-ctl -S names it.
        uint8_t address = 0;
        uint8_t command = 0;
        SimPort::necCode(QFile::encodeName(file).toStdString(), address, command);
        uint8_t nameAddress = 0; // the name alone decides, not the folder
        uint8_t nameCommand = 0;
        SimPort::necCode(QFile::encodeName(name).toStdString(), nameAddress, nameCommand);
        QCOMPARE(nameAddress * 256 + nameCommand, address * 256 + command);
        const QByteArray text = SetFiles::bytes(file);
        const QByteArray nec = QByteArray::number(address * 256 + command, 16).rightJustified(4, '0');
        QVERIFY2(text.contains("(median of 3 reports); receive timeout 150000 us\n# decoded nec:0x" + nec
                               + "\ncarrier 38000\n"),
                 text.constData());
        QCOMPARE(parsed(text).values.size(), size_t(67));
    }

    void exitCodes_data()
    {
        QTest::addColumn<bool>("record");      // else play
        QTest::addColumn<QStringList>("args"); // FILE: an old signal file, BAD: a broken one
        QTest::addColumn<QStringList>("env");  // NAME=value, over the simulator's settings
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("message"); // in the one line on stderr
        const auto row = [](const char *tag, bool record, const QStringList &args, int code,
                            const char *message, const QStringList &env = {}) {
            QTest::newRow(tag) << record << args << env << code << message;
        };
        // A real LIRC device: /dev/null with ioctls and writes answered by the shim.
        const QStringList lirc = { "LUMO_IR_DEVICE=/dev/null", "LD_PRELOAD=" LUMO_LIRC_CAPTURE };
        row("record --help", true, { "--help" }, ExitOk, "Usage: irrecord.exe FILE\n");
        row("play, empty argument", false, { "" }, ExitUsage, "must not be empty");
        row("nosignal", true, { "FILE" }, ExitNoSignal,
            "no IR signal received within 300.0 ms; hold the remote a few centimetres from the receiver",
            { "LUMO_IR_SIM_FAIL=nosignal" });
        row("unknown simulated fault", false, { "FILE" }, ExitUsage,
            "LUMO_IR_SIM_FAIL='bogus' is not one of missing, busy,", { "LUMO_IR_SIM_FAIL=bogus" });
        row("bad line", false, { "BAD" }, ExitBadFile,
            ": line 4: '4,500' is not a whole number of microseconds\n");
        row("record, no device", true, { "FILE" }, ExitDeviceUnavailable,
            "no IR device at '/nonexistent/lirc9' (No such file or directory)",
            { "LUMO_IR_DEVICE=/nonexistent/lirc9" });
        row("play, lirc", false, { "FILE" }, ExitOk, "", lirc);
        row("play, lirc write fails", false, { "FILE" }, ExitDeviceError,
            "IR device '/dev/null' did not send the signal: Input/output error",
            lirc + QStringList{ "LIRC_CAPTURE_WRITE_ERROR=1" });
        // A regular file is no device, whatever its ioctls answer.
        row("play, file as lirc", false, { "FILE" }, ExitUnsupported, "'BAD' is not an IR",
            { "LUMO_IR_DEVICE=BAD", lirc[1] });
        row("record, lirc gives nothing", true, { "FILE" }, ExitDeviceError,
            "IR device '/dev/null' stopped working (No such device); was it unplugged?", lirc);
    }

    void exitCodes()
    {
        QFETCH(bool, record);
        QFETCH(QStringList, args);
        QFETCH(QStringList, env);
        QFETCH(int, code);
        QFETCH(QString, message);
        const QByteArray old = "# kept\npulse 560\nspace 560\npulse 560\n";
        touch(m_files + "/FILE", old);
        touch(m_files + "/BAD", "# header\ncarrier 38000\npulse 9000\nspace 4,500\npulse 560\n");
        QProcessEnvironment e = QProcessEnvironment::systemEnvironment();
        e.insert("LUMO_IR_WAIT", "0.3");
        e.insert("LIRC_CAPTURE_OUT", m_dir->filePath("capture"));
        // The sanitizers' runtime need not come first: the shim is preloaded before it.
        e.insert("ASAN_OPTIONS", e.value("ASAN_OPTIONS") + ":verify_asan_link_order=0");
        for (const QString &pair : env)
            e.insert(pair.section('=', 0, 0), pair.section('=', 1));
        QProcess p;
        p.setProcessEnvironment(e);
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
        QVERIFY2((p.readAllStandardOutput() + err).contains(message.toUtf8()), err.constData());
        if (code)
            QCOMPARE(SetFiles::bytes(m_files + "/FILE"), old);
        QCOMPARE(entries(m_files), (QStringList{ "BAD", "FILE" }));
        const bool sent = !record && code == ExitOk && args.contains("FILE");
        QCOMPARE(QFile::exists(m_sim + "/sent.log"), sent && env.isEmpty());
        if (sent && !env.isEmpty()) // all of it through the real device
            QCOMPARE(SetFiles::bytes(m_dir->filePath("capture")), "carrier 38000\nwrite 560 560 560\n");
    }
};

QTEST_GUILESS_MAIN(TstIrTools)
#include "tst_irtools.moc"
