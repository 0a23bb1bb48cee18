// Recording against a scripted LIRC device: what ends up in the capture,
// which exit code each failure gives, and that FILE only ever changes when a
// capture is complete (also when irrecord.exe is killed half way).
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include <linux/lirc.h>

#include <csignal>
#include <sys/stat.h>

#include "irtool.h"
#include "scriptedport.h"

using namespace lumo::ir;
using Values = std::vector<uint32_t>;
using Samples = std::vector<uint32_t>;
Q_DECLARE_METATYPE(Values)

namespace {

uint32_t P(uint32_t us) { return LIRC_PULSE(us); }
uint32_t S(uint32_t us) { return LIRC_SPACE(us); }
uint32_t T(uint32_t us = 150000) { return LIRC_TIMEOUT(us); }
uint32_t F(uint32_t hz) { return LIRC_FREQUENCY(hz); }

// A receiver as most USB transceivers present it.
void receiver(ScriptedPort &port)
{
    port.features = LIRC_CAN_REC_MODE2 | LIRC_CAN_SET_REC_TIMEOUT | LIRC_CAN_SEND_PULSE;
    port.ioctlValues[LIRC_GET_MIN_TIMEOUT] = 1;
    port.ioctlValues[LIRC_GET_MAX_TIMEOUT] = 1250000;
    port.ioctlValues[LIRC_GET_REC_TIMEOUT] = 125000;
}

// A short frame as samples, and the values it should become.
Samples frameSamples(uint32_t base)
{
    return {P(9000), S(4500), P(560), S(base), P(560), S(1690), P(560)};
}
Values frameValues(uint32_t base)
{
    return {9000, 4500, 560, base, 560, 1690, 560};
}

// Script steps in one table column: a step is {samples} or {} + silence ms.
struct Step {
    Samples samples;
    int silenceMs = 0;
};
using Script = std::vector<Step>;

void load(ScriptedPort &port, const Script &script)
{
    for (const Step &s : script) {
        if (s.samples.empty())
            port.silence(s.silenceMs);
        else
            port.data(s.samples);
    }
}

Samples cat(std::initializer_list<Samples> parts)
{
    Samples out;
    for (const Samples &p : parts)
        out.insert(out.end(), p.begin(), p.end());
    return out;
}

QStringList entries(const QString &dir)
{
    return QDir(dir).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                               QDir::Name);
}

QByteArray readAll(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

bool writeFile(const QString &path, const QByteArray &data)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(data) == data.size();
}

} // namespace

Q_DECLARE_METATYPE(Script)

class TestIrRecord : public QObject
{
    Q_OBJECT

private slots:
    void capturesSignal_data();
    void capturesSignal();
    void timeoutEndsCaptureAndStopsReading();
    void failureCodes_data();
    void failureCodes();
    void openErrors_data();
    void openErrors();
    void noSignalWaitsTheWholeWait();
    void receiveTimeoutClamped_data();
    void receiveTimeoutClamped();
    void toleratesMissingModeIoctl();
    void writesFileWithHeader();
    void failedCaptureLeavesOldFile_data();
    void failedCaptureLeavesOldFile();
    void unwritableTargetFailsBeforeDevice_data();
    void unwritableTargetFailsBeforeDevice();
    void keepsFileMode();
    void killedMidCaptureLeavesOldFile_data();
    void killedMidCaptureLeavesOldFile();
};

void TestIrRecord::capturesSignal_data()
{
    QTest::addColumn<Script>("script");
    QTest::addColumn<Values>("values");
    QTest::addColumn<uint>("carrier");

    QTest::newRow("leading space dropped")
        << Script{{{S(3000000), S(16777215)}}, {cat({frameSamples(560), {T()}})}}
        << frameValues(560) << 0u;
    QTest::newRow("leading space in same read")
        << Script{{cat({{S(1200000)}, frameSamples(1690), {T()}})}} << frameValues(1690) << 0u;
    // Two frames 40 ms apart, the gap arriving with the second frame as the
    // kernel delivers it: both frames stay in one capture.
    QTest::newRow("40 ms gap kept")
        << Script{{frameSamples(560)}, {{}, 40}, {cat({{S(40000)}, frameSamples(1690), {T()}})}}
        << [] { Values v = frameValues(560); v.push_back(40000);
                Values b = frameValues(1690); v.insert(v.end(), b.begin(), b.end()); return v; }()
        << 0u;
    QTest::newRow("three frames 40 ms apart")
        << Script{{frameSamples(560)}, {{}, 40}, {cat({{S(40000)}, frameSamples(560)})}, {{}, 40},
                  {cat({{S(41000)}, frameSamples(560), {S(20000), T()}})}}
        << [] { Values v;
                for (int i = 0; i < 3; ++i) {
                    if (i) v.push_back(i == 1 ? 40000 : 41000);
                    Values f = frameValues(560); v.insert(v.end(), f.begin(), f.end());
                }
                return v; }()
        << 0u;
    QTest::newRow("trailing space before timeout dropped")
        << Script{{cat({frameSamples(560), {S(30000), T()}})}} << frameValues(560) << 0u;
    QTest::newRow("split pulses merged")
        << Script{{{P(5000), P(4000), S(4500), S(1), P(560), S(560), P(560), T()}}}
        << Values{9000, 4501, 560, 560, 560} << 0u;
    QTest::newRow("zero-length samples ignored")
        << Script{{{P(0), P(9000), S(0), S(4500), P(560), S(560), P(560), T()}}}
        << Values{9000, 4500, 560, 560, 560} << 0u;
    QTest::newRow("one sample per read")
        << [] { Script s; for (uint32_t x : cat({frameSamples(560), {T()}})) s.push_back({{x}}); return s; }()
        << frameValues(560) << 0u;
    QTest::newRow("measured carrier kept")
        << Script{{cat({{P(9000), F(36000)}, {S(4500), P(560), S(560), P(560)}, {F(37000), T()}})}}
        << Values{9000, 4500, 560, 560, 560} << 36000u;
    QTest::newRow("nonsense carrier ignored")
        << Script{{cat({frameSamples(560), {F(3), T()}})}} << frameValues(560) << 0u;
    QTest::newRow("blip of noise then the signal")
        << Script{{{P(80), T()}}, {{}, 500}, {{P(120), S(300), P(90), T()}}, {{}, 500},
                  {cat({frameSamples(560), {T()}})}}
        << frameValues(560) << 0u;
    QTest::newRow("driver without timeout reports")
        << Script{{frameSamples(560)}} << frameValues(560) << 0u;
    QTest::newRow("unknown sample kinds ignored")
        << Script{{cat({{0x7F000001u, P(9000)}, {S(4500), P(560), S(560), P(560)}, {T()}})}}
        << Values{9000, 4500, 560, 560, 560} << 0u;
}

void TestIrRecord::capturesSignal()
{
    QFETCH(Script, script);
    QFETCH(Values, values);
    QFETCH(uint, carrier);
    ScriptedPort port;
    receiver(port);
    load(port, script);
    CaptureOptions opt;
    opt.waitMs = 5000;
    Capture c = captureSignal(port, "/dev/lirc-test", opt);
    QVERIFY2(c.outcome.code == ExitOk, c.outcome.message.c_str());
    QCOMPARE(c.signal.values, values);
    QCOMPARE(c.signal.carrier, carrier);
    QCOMPARE(c.carrierMeasured, carrier != 0);
    QCOMPARE(port.openedDevice, std::string("/dev/lirc-test"));
    QVERIFY(!port.openedForWriting);
    QCOMPARE(port.closeCount, 1);
    uint32_t mode = 0;
    QVERIFY(port.firstCall(LIRC_SET_REC_MODE, &mode));
    QCOMPARE(mode, uint32_t(LIRC_MODE_MODE2));
}

void TestIrRecord::timeoutEndsCaptureAndStopsReading()
{
    ScriptedPort port;
    receiver(port);
    port.data(cat({frameSamples(560), {T()}}));
    port.silence(10);
    port.data(frameSamples(1690));  // a second press: must not be read
    Capture c = captureSignal(port, "/dev/lirc-test", {});
    QVERIFY2(c.outcome.code == ExitOk, c.outcome.message.c_str());
    QCOMPARE(c.signal.values, frameValues(560));
    QCOMPARE(port.unreadSteps(), size_t(2));
    QCOMPARE(port.readCalls, size_t(1));
}

void TestIrRecord::failureCodes_data()
{
    QTest::addColumn<uint>("features");
    QTest::addColumn<Script>("script");
    QTest::addColumn<int>("code");
    QTest::addColumn<QString>("message");

    const uint rx = LIRC_CAN_REC_MODE2 | LIRC_CAN_SET_REC_TIMEOUT;
    QTest::newRow("overflow") << rx << Script{{{P(9000), S(4500), P(560), LIRC_OVERFLOW(0)}}}
                              << int(ExitCaptureFailed) << "overflow";
    QTest::newRow("overflow after timeout-less frame")
        << rx << Script{{frameSamples(560)}, {{}, 20}, {{LIRC_OVERFLOW(0)}}} << int(ExitCaptureFailed)
        << "overflow";
    QTest::newRow("no input") << rx << Script{} << int(ExitNoSignal) << "no IR signal";
    QTest::newRow("only silence and spaces")
        << rx << Script{{{S(100000)}}, {{}, 300}, {{S(900000), T()}}} << int(ExitNoSignal) << "no IR signal";
    QTest::newRow("only noise") << rx << Script{{{P(50), T()}}, {{}, 100}, {{P(70), S(20), P(10), T()}}}
                                << int(ExitNoSignal) << "no IR signal";
    QTest::newRow("endless signal")
        << rx << [] { Script s; for (int i = 0; i < 40; ++i) { Samples b; for (int k = 0; k < 128; ++k) { b.push_back(P(500)); b.push_back(S(500)); } s.push_back({b}); } return s; }()
        << int(ExitCaptureFailed) << "does not end";
    QTest::newRow("frame too long to send")
        << rx << [] { Samples b; for (int k = 0; k < 600; ++k) { b.push_back(P(300)); b.push_back(S(300)); } b.push_back(P(300)); b.push_back(T()); return Script{{b}}; }()
        << int(ExitCaptureFailed) << "more than 1024";
    QTest::newRow("cannot receive") << uint(LIRC_CAN_SEND_PULSE) << Script{{frameSamples(560)}}
                                    << int(ExitUnsupported) << "cannot receive";
    QTest::newRow("scancode receiver") << uint(LIRC_CAN_REC_SCANCODE) << Script{{frameSamples(560)}}
                                       << int(ExitUnsupported) << "cannot learn";
    QTest::newRow("unplugged") << rx << Script{{{P(9000)}}} << int(ExitDeviceError) << "unplugged";
}

void TestIrRecord::failureCodes()
{
    QFETCH(uint, features);
    QFETCH(Script, script);
    QFETCH(int, code);
    QFETCH(QString, message);
    ScriptedPort port;
    receiver(port);
    port.features = features;
    load(port, script);
    if (QByteArray(QTest::currentDataTag()) == "unplugged")
        port.readError(ENODEV);
    CaptureOptions opt;
    opt.waitMs = 2000;
    Capture c = captureSignal(port, "/dev/lirc-test", opt);
    QCOMPARE(c.outcome.code, code);
    QVERIFY2(QString::fromStdString(c.outcome.message).contains(message), c.outcome.message.c_str());
    QVERIFY(c.outcome.message.find('\n') == std::string::npos);
    QCOMPARE(port.closeCount, 1);
}

void TestIrRecord::openErrors_data()
{
    QTest::addColumn<int>("openErrno");
    QTest::addColumn<int>("featuresErrno");
    QTest::addColumn<int>("code");
    QTest::addColumn<QStringList>("message");
    QTest::newRow("missing") << ENOENT << 0 << int(ExitDeviceUnavailable) << QStringList{"no IR device", "/dev/lirc-test"};
    QTest::newRow("gone") << ENODEV << 0 << int(ExitDeviceUnavailable) << QStringList{"no IR device"};
    QTest::newRow("busy") << EBUSY << 0 << int(ExitDeviceUnavailable) << QStringList{"busy"};
    QTest::newRow("denied") << EACCES << 0 << int(ExitNoPermission)
                            << QStringList{"no permission", "udev", "GROUP=", "usermod -aG"};
    QTest::newRow("not permitted") << EPERM << 0 << int(ExitNoPermission) << QStringList{"udev", "group"};
    QTest::newRow("I/O error") << EIO << 0 << int(ExitDeviceError) << QStringList{"cannot open"};
    QTest::newRow("not lirc") << 0 << ENOTTY << int(ExitUnsupported) << QStringList{"not an IR (LIRC) device"};
    QTest::newRow("features fail") << 0 << EIO << int(ExitDeviceError) << QStringList{"cannot query"};
}

void TestIrRecord::openErrors()
{
    QFETCH(int, openErrno);
    QFETCH(int, featuresErrno);
    QFETCH(int, code);
    QFETCH(QStringList, message);
    ScriptedPort port;
    receiver(port);
    port.openError = openErrno;
    if (featuresErrno)
        port.ioctlErrors[LIRC_GET_FEATURES] = featuresErrno;
    port.data(cat({frameSamples(560), {T()}}));
    Capture c = captureSignal(port, "/dev/lirc-test", {});
    QCOMPARE(c.outcome.code, code);
    for (const QString &m : message)
        QVERIFY2(QString::fromStdString(c.outcome.message).contains(m), c.outcome.message.c_str());
    QVERIFY(c.outcome.message.find('\n') == std::string::npos);
    QCOMPARE(port.readCalls, size_t(0));
}

void TestIrRecord::noSignalWaitsTheWholeWait()
{
    for (int waitMs : {0, 150, 2500, 15000}) {
        ScriptedPort port;
        receiver(port);
        CaptureOptions opt;
        opt.waitMs = waitMs;
        Capture c = captureSignal(port, "/dev/lirc-test", opt);
        QCOMPARE(c.outcome.code, int(ExitNoSignal));
        QVERIFY2(port.clockMs >= waitMs && port.clockMs < waitMs + 50,
                 qPrintable(QString("waited %1 ms of %2").arg(port.clockMs).arg(waitMs)));
    }
    // A signal just inside the wait is still taken.
    ScriptedPort port;
    receiver(port);
    port.silence(1900).data(cat({frameSamples(560), {T()}}));
    CaptureOptions opt;
    opt.waitMs = 2000;
    QCOMPARE(captureSignal(port, "/dev/lirc-test", opt).outcome.code, int(ExitOk));
}

void TestIrRecord::receiveTimeoutClamped_data()
{
    QTest::addColumn<uint>("minUs");
    QTest::addColumn<uint>("maxUs");
    QTest::addColumn<bool>("known");
    QTest::addColumn<uint>("expected");
    QTest::newRow("wide range") << 1u << 1250000u << true << 150000u;
    QTest::newRow("minimum above") << 200000u << 1000000u << true << 200000u;
    QTest::newRow("maximum below") << 1000u << 100000u << true << 100000u;
    QTest::newRow("exact") << 150000u << 150000u << true << 150000u;
    QTest::newRow("limits unknown") << 0u << 0u << false << 0u;
}

void TestIrRecord::receiveTimeoutClamped()
{
    QFETCH(uint, minUs);
    QFETCH(uint, maxUs);
    QFETCH(bool, known);
    QFETCH(uint, expected);
    ScriptedPort port;
    receiver(port);
    if (known) {
        port.ioctlValues[LIRC_GET_MIN_TIMEOUT] = minUs;
        port.ioctlValues[LIRC_GET_MAX_TIMEOUT] = maxUs;
    } else {
        port.ioctlValues.erase(LIRC_GET_MIN_TIMEOUT);
        port.ioctlValues.erase(LIRC_GET_MAX_TIMEOUT);
    }
    port.data(cat({frameSamples(560), {T()}}));
    Capture c = captureSignal(port, "/dev/lirc-test", {});
    QCOMPARE(c.outcome.code, int(ExitOk));
    uint32_t set = 0;
    QCOMPARE(port.firstCall(LIRC_SET_REC_TIMEOUT, &set), known);
    QCOMPARE(set, uint32_t(expected));
    QCOMPARE(c.recTimeoutUs, uint32_t(expected));
    if (known) {
        // The device's own timeout is put back afterwards.
        QCOMPARE(port.ioctls.back().request, (unsigned long)LIRC_SET_REC_TIMEOUT);
        QCOMPARE(port.ioctls.back().value, 125000u);
    }
}

void TestIrRecord::toleratesMissingModeIoctl()
{
    ScriptedPort port;
    receiver(port);
    port.ioctlErrors[LIRC_SET_REC_MODE] = ENOTTY;
    port.data(cat({frameSamples(560), {T()}}));
    QCOMPARE(captureSignal(port, "/dev/lirc-test", {}).outcome.code, int(ExitOk));

    ScriptedPort refusing;
    receiver(refusing);
    refusing.ioctlErrors[LIRC_SET_REC_MODE] = EINVAL;
    refusing.data(cat({frameSamples(560), {T()}}));
    QCOMPARE(captureSignal(refusing, "/dev/lirc-test", {}).outcome.code, int(ExitUnsupported));
}

void TestIrRecord::writesFileWithHeader()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString file = dir.filePath("Power \"on\"; $(rm -rf x) ü.ir");
    ScriptedPort port;
    receiver(port);
    port.data(cat({{S(500000), F(38000)}, frameSamples(560), {T()}}));
    Outcome o = recordToFile(port, "/dev/lirc-test", file.toStdString(), {});
    QVERIFY2(o.code == ExitOk, o.message.c_str());
    QCOMPARE(entries(dir.path()), QStringList{QFileInfo(file).fileName()});

    const QByteArray text = readAll(file);
    QVERIFY(text.startsWith("# Lumo Control IR signal, recorded by irrecord.exe from /dev/lirc-test\n"));
    QVERIFY(text.contains("\ncarrier 38000\npulse 9000\nspace 4500\n"));
    Signal back;
    std::string err;
    QVERIFY2(parseSignal(text.toStdString(), back, err), err.c_str());
    QCOMPARE(back.values, frameValues(560));
    QCOMPARE(back.carrier, 38000u);
}

void TestIrRecord::failedCaptureLeavesOldFile_data()
{
    QTest::addColumn<int>("openErrno");
    QTest::addColumn<Script>("script");
    QTest::addColumn<int>("code");
    QTest::newRow("overflow") << 0 << Script{{{P(9000), S(4500), LIRC_OVERFLOW(0)}}} << int(ExitCaptureFailed);
    QTest::newRow("no signal") << 0 << Script{} << int(ExitNoSignal);
    QTest::newRow("no permission") << EACCES << Script{} << int(ExitNoPermission);
    QTest::newRow("busy") << EBUSY << Script{} << int(ExitDeviceUnavailable);
}

void TestIrRecord::failedCaptureLeavesOldFile()
{
    QFETCH(int, openErrno);
    QFETCH(Script, script);
    QFETCH(int, code);
    for (bool oldFile : {true, false}) {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const QString file = dir.filePath("Volume up.ir");
        if (oldFile)
            QVERIFY(writeFile(file, "pulse 1\nspace 2\npulse 3\n"));
        ScriptedPort port;
        receiver(port);
        port.openError = openErrno;
        load(port, script);
        CaptureOptions opt;
        opt.waitMs = 300;
        Outcome o = recordToFile(port, "/dev/lirc-test", file.toStdString(), opt);
        QCOMPARE(o.code, code);
        if (oldFile) {
            QCOMPARE(entries(dir.path()), QStringList{"Volume up.ir"});
            QCOMPARE(readAll(file), QByteArray("pulse 1\nspace 2\npulse 3\n"));
        } else {
            QCOMPARE(entries(dir.path()), QStringList{});
        }
    }
}

void TestIrRecord::unwritableTargetFailsBeforeDevice_data()
{
    QTest::addColumn<QString>("relative");
    QTest::newRow("missing folder") << "no such folder/x.ir";
    QTest::newRow("target is a folder") << "sub";
    QTest::newRow("trailing slash") << "sub/";
}

void TestIrRecord::unwritableTargetFailsBeforeDevice()
{
    QFETCH(QString, relative);
    QTemporaryDir dir;
    QVERIFY(QDir(dir.path()).mkdir("sub"));
    ScriptedPort port;
    receiver(port);
    port.data(cat({frameSamples(560), {T()}}));
    Outcome o = recordToFile(port, "/dev/lirc-test", (dir.path() + "/" + relative).toStdString(), {});
    QCOMPARE(o.code, int(ExitWriteFailed));
    QCOMPARE(port.openCount, 0);
    QCOMPARE(entries(dir.path()), QStringList{"sub"});
    QCOMPARE(entries(dir.filePath("sub")), QStringList{});
}

void TestIrRecord::keepsFileMode()
{
    QTemporaryDir dir;
    const QString file = dir.filePath("a.ir");
    QVERIFY(writeFile(file, "pulse 1\n"));
    QVERIFY(::chmod(QFile::encodeName(file).constData(), 0640) == 0);
    ScriptedPort port;
    receiver(port);
    port.data(cat({frameSamples(560), {T()}}));
    QCOMPARE(recordToFile(port, "/dev/lirc-test", file.toStdString(), {}).code, int(ExitOk));
    struct stat st{};
    QVERIFY(::stat(QFile::encodeName(file).constData(), &st) == 0);
    QCOMPARE(st.st_mode & 07777, 0640u);
    QVERIFY(readAll(file).contains("pulse 9000"));
}

void TestIrRecord::killedMidCaptureLeavesOldFile_data()
{
    QTest::addColumn<int>("sig");
    QTest::newRow("SIGTERM") << int(SIGTERM);
    QTest::newRow("SIGINT") << int(SIGINT);
    QTest::newRow("none (completes)") << 0;
}

void TestIrRecord::killedMidCaptureLeavesOldFile()
{
    QFETCH(int, sig);
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString folder = dir.filePath("remotes");
    const QString device = dir.filePath("device");
    QVERIFY(QDir().mkpath(folder) && QDir().mkpath(device));
    const QString file = folder + "/TV power.ir";
    const QByteArray old = "# old\npulse 1\nspace 2\npulse 3\n";
    QVERIFY(writeFile(file, old));

    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("LUMO_IR_DEVICE", "sim:" + device);
    // The simulated press comes late enough for a kill, or at once.
    env.insert("LUMO_IR_SIM_DELAY_MS", sig ? "60000" : "400");
    env.insert("LUMO_IR_WAIT", "120");
    p.setProcessEnvironment(env);
    p.start(LUMO_BIN_DIR "/irrecord.exe", {file});
    QVERIFY(p.waitForStarted());

    // The temporary file exists while the capture runs.
    QTRY_VERIFY_WITH_TIMEOUT(entries(folder).size() == 2, 5000);
    QVERIFY(entries(folder).contains(QStringLiteral("TV power.ir")));
    if (sig) {
        QVERIFY(::kill(pid_t(p.processId()), sig) == 0);
        QVERIFY(p.waitForFinished(5000));
        QCOMPARE(p.exitStatus(), QProcess::CrashExit);
        QCOMPARE(readAll(file), old);
        QCOMPARE(entries(folder), QStringList{"TV power.ir"});
    } else {
        QVERIFY(p.waitForFinished(5000));
        QCOMPARE(p.exitStatus(), QProcess::NormalExit);
        QCOMPARE(p.exitCode(), 0);
        QVERIFY(readAll(file).contains("simulated"));
        QCOMPARE(entries(folder), QStringList{"TV power.ir"});
    }
}

QTEST_GUILESS_MAIN(TestIrRecord)
#include "tst_irrecord.moc"
