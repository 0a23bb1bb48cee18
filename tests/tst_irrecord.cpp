// Recording against a scripted LIRC device: what ends up in the capture,
// which exit code each failure gives, and that FILE only ever changes when a
// capture is complete (also when irrecord.exe is killed half way).
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

namespace {

uint32_t P(uint32_t us) { return LIRC_PULSE(us); }
uint32_t S(uint32_t us) { return LIRC_SPACE(us); }
const uint32_t T = LIRC_TIMEOUT(150000);

Values frameSamples(uint32_t x) { return {P(9000), S(4500), P(560), S(x), P(560), S(1690), P(560)}; }
Values frameValues(uint32_t x) { return {9000, 4500, 560, x, 560, 1690, 560}; }
// n samples of us each, pulse first.
Values alternating(std::size_t n, uint32_t us)
{
    Values v;
    for (std::size_t i = 0; i < n; ++i)
        v.push_back(i % 2 ? S(us) : P(us));
    return v;
}
Values cat(std::initializer_list<Values> parts)
{
    Values out;
    for (const Values &p : parts)
        out.insert(out.end(), p.begin(), p.end());
    return out;
}

// One read's samples, or else that many ms of silence, or else a read error.
struct Step {
    Values samples;
    int silenceMs = 0, err = 0;
};
using Script = std::vector<Step>;

// A receiver as most USB transceivers present it, playing script.
void receiver(ScriptedPort &port, const Script &script = {})
{
    port.features = LIRC_CAN_REC_MODE2 | LIRC_CAN_SET_REC_TIMEOUT | LIRC_CAN_SEND_PULSE;
    port.ioctlValues[LIRC_GET_MIN_TIMEOUT] = 1;
    port.ioctlValues[LIRC_GET_MAX_TIMEOUT] = 1250000;
    port.ioctlValues[LIRC_GET_REC_TIMEOUT] = 125000;
    for (const Step &s : script)
        s.err ? port.readError(s.err) : s.samples.empty() ? port.silence(s.silenceMs) : port.data(s.samples);
}

QStringList entries(const QString &dir)
{
    return QDir(dir).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
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
    void records_data();
    void records();
    void timeoutEndsCapture();
    void receiveTimeoutClamped();
    void writesFile();
    void killedMidCaptureLeavesOldFile();
};

void TestIrRecord::records_data()
{
    QTest::addColumn<Script>("script");
    QTest::addColumn<Values>("values");  // what the file holds
    QTest::addColumn<uint>("carrier");
    QTest::addColumn<int>("code");
    QTest::addColumn<QStringList>("message");
    QTest::addColumn<int>("openErrno");
    QTest::addColumn<uint>("features");
    QTest::addColumn<uint>("ioctl");  // fails with ioctlErrno
    QTest::addColumn<int>("ioctlErrno");
    const uint rx = LIRC_CAN_REC_MODE2;
    const auto ok = [](const char *tag, const Script &s, const Values &values, uint carrier = 0, uint ioctl = 0,
                         int err = 0) {
        QTest::newRow(tag) << s << values << carrier << int(ExitOk) << QStringList() << 0 << uint(LIRC_CAN_REC_MODE2) << ioctl << err;
    };
    const auto fail = [](const char *tag, const Script &s, int code, const QStringList &message, int openErrno = 0,
                         uint features = LIRC_CAN_REC_MODE2, uint ioctl = 0, int err = 0) {
        QTest::newRow(tag) << s << Values{} << 0u << code << message << openErrno << features << ioctl << err;
    };
    const Script nec{{cat({frameSamples(560), {T}})}};
    ok("leading space dropped", {{{S(3000000), S(16777215)}}, nec[0]}, frameValues(560));
    ok("leading space in the same read", {{cat({{S(1200000)}, frameSamples(1690), {T}})}}, frameValues(1690));
    // The 40 ms gap arrives with the second frame, as the kernel delivers it.
    ok("40 ms gap kept", {{frameSamples(560)}, {{}, 40}, {cat({{S(40000)}, frameSamples(1690), {T}})}},
       cat({frameValues(560), {40000}, frameValues(1690)}));
    ok("trailing space dropped", {{cat({frameSamples(560), {S(30000), T}})}}, frameValues(560));
    ok("split samples merged", {{{P(5000), P(4000), S(4500), S(1), P(560), S(0), S(560), P(0), P(560), T}}},
       {9000, 4501, 560, 560, 560});
    ok("measured carrier kept",
       {{{P(9000), LIRC_FREQUENCY(36000), S(4500), P(560), S(560), P(560), LIRC_FREQUENCY(37000), T}}},
       {9000, 4500, 560, 560, 560}, 36000);
    ok("blips of noise ignored", {{{P(80), T}}, {{}, 500}, {{P(120), S(300), P(90), T}}, {{}, 500}, nec[0]},
       frameValues(560));
    ok("driver without timeout reports", {{frameSamples(560)}}, frameValues(560));
    ok("signal late in the wait", {{{}, 4900}, nec[0]}, frameValues(560));
    ok("mode ioctl missing is fine", nec, frameValues(560), 0, LIRC_SET_REC_MODE, ENOTTY);

    fail("overflow", {{{P(9000), S(4500), P(560), LIRC_OVERFLOW(0)}}}, ExitCaptureFailed, {"overflow"});
    fail("no input", {}, ExitNoSignal, {"no IR signal"});
    fail("only spaces", {{{S(100000)}}, {{}, 300}, {{S(900000), T}}}, ExitNoSignal, {"no IR signal"});
    fail("only noise", {{{P(50), T}}, {{}, 100}, {{P(70), S(20), P(10), T}}}, ExitNoSignal, {"no IR signal"});
    fail("endless signal", Script(40, Step{alternating(256, 500)}), ExitCaptureFailed, {"does not end"});
    fail("frame too long to send", {{cat({alternating(1201, 300), {T}})}}, ExitCaptureFailed, {"more than 1024"});
    fail("unplugged", {{{P(9000)}}, {{}, 0, ENODEV}}, ExitDeviceError, {"unplugged"});
    fail("missing", nec, ExitDeviceUnavailable, {"no IR device", "/dev/lirc-test"}, ENOENT);
    fail("busy", nec, ExitDeviceUnavailable, {"busy"}, EBUSY);
    fail("denied", nec, ExitNoPermission, {"no permission", "udev", "GROUP=", "usermod -aG"}, EACCES);
    fail("cannot receive", nec, ExitUnsupported, {"cannot receive"}, 0, LIRC_CAN_SEND_PULSE);
    fail("not lirc", nec, ExitUnsupported, {"not an IR (LIRC) device"}, 0, rx, LIRC_GET_FEATURES, ENOTTY);
    fail("mode refused", nec, ExitUnsupported, {}, 0, rx, LIRC_SET_REC_MODE, EINVAL);
}

void TestIrRecord::records()
{
    QFETCH(Script, script);
    QFETCH(Values, values);
    QFETCH(uint, carrier);
    QFETCH(int, code);
    QFETCH(QStringList, message);
    QFETCH(int, openErrno);
    QFETCH(uint, features);
    QFETCH(uint, ioctl);
    QFETCH(int, ioctlErrno);
    ScriptedPort port;
    receiver(port, script);
    port.features = features;
    port.openError = openErrno;
    if (ioctl)
        port.ioctlErrors[ioctl] = ioctlErrno;
    QTemporaryDir dir;
    const QString file = dir.filePath("x.ir");
    Outcome o = recordToFile(port, "/dev/lirc-test", file.toStdString(), {5000});
    QCOMPARE(o.code, code);
    for (const QString &m : message)
        QVERIFY2(QString::fromStdString(o.message).contains(m), o.message.c_str());
    QVERIFY(o.message.find('\n') == std::string::npos);
    QCOMPARE(port.closeCount, openErrno ? 0 : 1);
    if (code == ExitNoSignal)  // gave up only after the whole wait
        QVERIFY2(port.clockMs >= 5000 && port.clockMs < 5050, qPrintable(QString::number(port.clockMs)));
    // No file (nor temporary) unless the capture is complete.
    QCOMPARE(entries(dir.path()), code == ExitOk ? QStringList{"x.ir"} : QStringList{});
    if (code != ExitOk)
        return;
    uint32_t mode = 0;
    QVERIFY(port.firstCall(LIRC_SET_REC_MODE, &mode) && mode == LIRC_MODE_MODE2);
    const QByteArray text = readAll(file);
    QVERIFY(text.startsWith("# Lumo Control IR signal, recorded by irrecord.exe from /dev/lirc-test\n"));
    Signal back;
    std::string err;
    QVERIFY2(parseSignal(text.toStdString(), back, err), err.c_str());
    QCOMPARE(back.values, values);
    QCOMPARE(back.carrier, carrier);
}

void TestIrRecord::timeoutEndsCapture()
{
    ScriptedPort port;
    receiver(port, {{cat({frameSamples(560), {T}})}, {{}, 10}, {frameSamples(1690)}});
    Capture c = captureSignal(port, "/dev/lirc-test", {});
    QCOMPARE(c.signal.values, frameValues(560));
    QCOMPARE(port.readCalls, size_t(1));  // the second press is never read
}

void TestIrRecord::receiveTimeoutClamped()
{
    using Limits = std::array<uint32_t, 3>;  // device minimum, maximum, what is set (0: limits unknown)
    for (const Limits &l : {Limits{1, 1250000, 150000}, {200000, 1000000, 200000}, {1000, 100000, 100000}, {}}) {
        ScriptedPort port;
        receiver(port, {{cat({frameSamples(560), {T}})}});
        port.ioctlValues[LIRC_GET_MIN_TIMEOUT] = l[0];
        port.ioctlValues[LIRC_GET_MAX_TIMEOUT] = l[1];
        if (!l[2])
            port.ioctlValues.clear();
        QCOMPARE(captureSignal(port, "/dev/lirc-test", {}).outcome.code, int(ExitOk));
        uint32_t set = 0;
        QCOMPARE(port.firstCall(LIRC_SET_REC_TIMEOUT, &set), l[2] != 0);
        QCOMPARE(set, l[2]);
        if (l[2]) {  // the device's own timeout is put back afterwards
            QCOMPARE(port.ioctls.back().request, (unsigned long)LIRC_SET_REC_TIMEOUT);
            QCOMPARE(port.ioctls.back().value, 125000u);
        }
    }
}

void TestIrRecord::writesFile()
{
    QTemporaryDir dir;
    const QString file = dir.filePath("Power \"on\"; $(rm -rf x) \xc3\xbc.ir");
    QVERIFY(writeFile(file, "pulse 1\n"));
    QVERIFY(::chmod(QFile::encodeName(file).constData(), 0640) == 0);
    ScriptedPort port;
    receiver(port, {{cat({frameSamples(560), {T}})}});
    Outcome o = recordToFile(port, "/dev/lirc-test", file.toStdString(), {});
    QVERIFY2(o.code == ExitOk, o.message.c_str());
    QCOMPARE(entries(dir.path()), QStringList{QFileInfo(file).fileName()});
    QVERIFY(readAll(file).endsWith("\npulse 9000\nspace 4500\npulse 560\nspace 560\npulse 560\nspace 1690\npulse 560\n"));
    struct stat st{};  // the old file's permissions are kept
    QVERIFY(::stat(QFile::encodeName(file).constData(), &st) == 0);
    QCOMPARE(st.st_mode & 07777, 0640u);

    // A target that cannot be written fails before the device is touched.
    QVERIFY(QDir(dir.path()).mkdir("sub"));
    for (const QString &bad : {dir.filePath("no such folder/x.ir"), dir.filePath("sub")}) {
        ScriptedPort unused;
        receiver(unused);
        QCOMPARE(recordToFile(unused, "/dev/lirc-test", bad.toStdString(), {}).code, int(ExitWriteFailed));
        QCOMPARE(unused.openCount, 0);
        QCOMPARE(entries(dir.filePath("sub")), QStringList{});
    }
}

void TestIrRecord::killedMidCaptureLeavesOldFile()
{
    QTemporaryDir dir;
    const QString file = dir.filePath("TV power.ir");
    const QByteArray old = "# old\npulse 1\nspace 2\npulse 3\n";
    QVERIFY(writeFile(file, old));
    for (int sig : {SIGTERM, SIGINT}) {
        QProcess p;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("LUMO_IR_DEVICE", "sim:" + dir.path());
        env.insert("LUMO_IR_SIM_DELAY_MS", "60000");  // the press never comes in time
        env.insert("LUMO_IR_WAIT", "120");
        p.setProcessEnvironment(env);
        p.start(LUMO_BIN_DIR "/irrecord.exe", {file});
        QVERIFY(p.waitForStarted());
        QTRY_COMPARE_WITH_TIMEOUT(entries(dir.path()).size(), 2, 5000);  // the temporary is there
        QVERIFY(::kill(pid_t(p.processId()), sig) == 0);
        QVERIFY(p.waitForFinished(5000));
        QCOMPARE(p.exitStatus(), QProcess::CrashExit);
        QCOMPARE(readAll(file), old);
        QCOMPARE(entries(dir.path()), QStringList{"TV power.ir"});
    }
}

QTEST_GUILESS_MAIN(TestIrRecord)
#include "tst_irrecord.moc"
