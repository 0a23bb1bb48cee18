// irrecord.exe and irplay.exe as real processes with the simulator, started
// directly and through the program's own tool runner (the build's bin first
// on PATH, LUMO_IR_DEVICE=sim:DIR inherited from this process).
#include "module1.h"
#include "testsupport.h"

#include <QElapsedTimer>
#include <QProcess>
#include <QtTest>

#include "irtool.h"

using namespace lumo::ir;

namespace {

const QString kRecord = QStringLiteral(LUMO_BIN_DIR "/irrecord.exe");
const QString kPlay = QStringLiteral(LUMO_BIN_DIR "/irplay.exe");

struct Run {
    int code = -1;  // also for a crash
    QByteArray out, err;
};

Run run(const QString &tool, const QStringList &args)
{
    QProcess p;
    p.start(tool, args);
    if (!p.waitForFinished(30000) || p.exitStatus() != QProcess::NormalExit)
        return {};
    return {p.exitCode(), p.readAllStandardOutput(), p.readAllStandardError()};
}

QByteArray readAll(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

bool writeFile(const QString &path, const QByteArray &data)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(data) == data.size();
}

std::vector<uint32_t> valuesOf(const QByteArray &text)
{
    Signal s;
    std::string err;
    return parseSignal(text.toStdString(), s, err) ? s.values : std::vector<uint32_t>{};
}

QStringList entries(const QString &dir)
{
    return QDir(dir).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
}

} // namespace

class TestIrTools : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void commandLine();
    void recordThenPlay_data();
    void recordThenPlay();
    void simulatedFailures_data();
    void simulatedFailures();
    void badFiles();
    void systemDevice();

private:
    QScopedPointer<QTemporaryDir> m_dir;
    QString m_sim, m_files;
};

void TestIrTools::initTestCase()
{
    qputenv("PATH", LUMO_BIN_DIR ":" + qgetenv("PATH"));
    QCOMPARE(ToolRunner::findTool(ToolRunner::recordTool()), kRecord);
    QCOMPARE(ToolRunner::findTool(ToolRunner::playTool()), kPlay);
}

void TestIrTools::init()
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

void TestIrTools::commandLine()
{
    for (const QString &tool : {kRecord, kPlay}) {
        Run help = run(tool, {"--help"});
        QCOMPARE(help.code, 0);
        QVERIFY(help.err.isEmpty());
        for (const char *needle : {"Usage: ", "LUMO_IR_DEVICE", "sim:FOLDER", "  3  no IR signal", "  7  no permission"})
            QVERIFY2(help.out.contains(needle), needle);
        for (const QStringList &args : {QStringList{}, {"a.ir", "b.ir"}, {""}}) {
            Run r = run(tool, args);
            QCOMPARE(r.code, int(ExitUsage));
            QCOMPARE(r.err.count('\n'), 1);
        }
    }
    QCOMPARE(entries(m_sim), QStringList{});
    // "--" lets FILE be named like an option.
    QCOMPARE(run(kRecord, {"--", m_files + "/--help"}).code, 0);
    QCOMPARE(run(kPlay, {"--", m_files + "/--help"}).code, 0);
    QCOMPARE(entries(m_files), QStringList{"--help"});
}

void TestIrTools::recordThenPlay_data()
{
    QTest::addColumn<QString>("name");
    QTest::newRow("plain") << "Power.ir";
    QTest::newRow("spaces and quotes") << "TV  \"big\" it's on .ir";
    QTest::newRow("shell characters") << "a;b|c&d $(touch pwned) `id` >x <y *.ir";
    QTest::newRow("dash first, no extension") << "-rf";
    QTest::newRow("non-ASCII") << QString::fromUtf8("Fernseher lauter \xc3\xbc\xe2\x82\xac.ir");
}

void TestIrTools::recordThenPlay()
{
    QFETCH(QString, name);
    MessageScript boxes;
    const QString file = m_files + "/" + name;
    RunRecordTool(file);
    // Exactly that file, one argument verbatim: no shell ran, no temporary left.
    QCOMPARE(entries(m_files), QStringList{name});
    const QByteArray text = readAll(file);
    QVERIFY(text.startsWith("# Lumo Control IR signal, simulated by irrecord.exe"));
    QVERIFY(text.contains("\ncarrier 38000\n"));
    const std::vector<uint32_t> values = valuesOf(text);
    QCOMPARE(values.size(), size_t(67));

    PlayCommand(file);
    PlayCommand(file);
    const QList<QByteArray> lines = readAll(m_sim + "/sent.log").split('\n');
    QCOMPARE(lines.size(), 3);  // one line per play
    QCOMPARE(lines[0], lines[1]);
    QVERIFY2(lines[0].contains("# carrier 38000, file "), lines[0].constData());
    QCOMPARE(valuesOf(lines[0]), values);
    QCOMPARE(boxes.texts(), QStringList{});
}

void TestIrTools::simulatedFailures_data()
{
    QTest::addColumn<QByteArray>("fail");
    QTest::addColumn<int>("recordCode");
    QTest::addColumn<int>("playCode");
    QTest::addColumn<QString>("message");
    QTest::newRow("missing") << QByteArray("missing") << int(ExitDeviceUnavailable) << int(ExitDeviceUnavailable) << "no IR device";
    QTest::newRow("denied") << QByteArray("denied") << int(ExitNoPermission) << int(ExitNoPermission) << "udev";
    QTest::newRow("norecv") << QByteArray("norecv") << int(ExitUnsupported) << int(ExitOk) << "cannot receive";
    QTest::newRow("nosend") << QByteArray("nosend") << int(ExitOk) << int(ExitUnsupported) << "cannot send";
    QTest::newRow("nosignal") << QByteArray("nosignal") << int(ExitNoSignal) << int(ExitOk) << "no IR signal received within 300.0 ms";
    QTest::newRow("overflow") << QByteArray("overflow") << int(ExitCaptureFailed) << int(ExitOk) << "overflow";
    QTest::newRow("unknown hook") << QByteArray("sometimes") << int(ExitUsage) << int(ExitUsage) << "LUMO_IR_SIM_FAIL";
}

void TestIrTools::simulatedFailures()
{
    QFETCH(QByteArray, fail);
    QFETCH(int, recordCode);
    QFETCH(int, playCode);
    QFETCH(QString, message);
    const QString file = m_files + "/Power.ir";
    const QByteArray old = "# kept\npulse 560\nspace 560\npulse 560\n";
    QVERIFY(writeFile(file, old));
    qputenv("LUMO_IR_SIM_FAIL", fail);
    qputenv("LUMO_IR_WAIT", "0.3");
    QElapsedTimer timer;
    timer.start();
    const Run rec = run(kRecord, {file});
    QCOMPARE(rec.code, recordCode);
    if (recordCode == ExitNoSignal)  // only after the whole wait
        QVERIFY2(timer.elapsed() >= 290, qPrintable(QString::number(timer.elapsed())));
    const Run play = run(kPlay, {file});
    QCOMPARE(play.code, playCode);
    for (const Run &r : {rec, play}) {
        QCOMPARE(r.err.count('\n'), r.code ? 1 : 0);
        QVERIFY2(!r.code || r.err.contains(message.toUtf8()), r.err.constData());
    }
    if (recordCode)
        QCOMPARE(readAll(file), old);
    QCOMPARE(entries(m_files), QStringList{"Power.ir"});
    QCOMPARE(QFile::exists(m_sim + "/sent.log"), playCode == 0);
}

void TestIrTools::badFiles()
{
    const QString file = m_files + "/broken.ir";
    QVERIFY(writeFile(file, "# header\ncarrier 38000\npulse 9000\nspace 4,500\npulse 560\n"));
    const Run r = run(kPlay, {file});
    QCOMPARE(r.code, int(ExitBadFile));
    QVERIFY2(r.err.contains("line 4: '4,500'"), r.err.constData());
    QCOMPARE(r.err.count('\n'), 1);
    QCOMPARE(run(kPlay, {m_files}).code, int(ExitBadFile));
    QVERIFY(!QFile::exists(m_sim + "/sent.log"));
    // A missing file is reported as such even without any device.
    qputenv("LUMO_IR_DEVICE", "/nonexistent/lirc9");
    QCOMPARE(run(kPlay, {m_files + "/nothing here.ir"}).code, int(ExitBadFile));
}

void TestIrTools::systemDevice()
{
    const QString file = m_dir->filePath("x.ir");
    qputenv("LUMO_IR_WAIT", "0.2");
    for (auto [device, code] : {std::pair{"/nonexistent/lirc9", ExitDeviceUnavailable}, {"/dev/null", ExitUnsupported}}) {
        qputenv("LUMO_IR_DEVICE", device);
        QCOMPARE(run(kRecord, {file}).code, int(code));
        QVERIFY(!QFile::exists(file));
        QVERIFY(writeFile(file, "pulse 100\nspace 100\npulse 100\n"));
        QCOMPARE(run(kPlay, {file}).code, int(code));
        QVERIFY(QFile::remove(file));
    }
}

QTEST_GUILESS_MAIN(TestIrTools)
#include "tst_irtools.moc"
