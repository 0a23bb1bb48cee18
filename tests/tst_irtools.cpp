// irrecord.exe and irplay.exe as the program runs them: real processes,
// the simulator as device, one FILE argument taken verbatim.
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include <dirent.h>
#include <fcntl.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "irsignal.h"
#include "irtool.h"

using namespace lumo::ir;

namespace {

const QString kRecord = QStringLiteral(LUMO_BIN_DIR "/irrecord.exe");
const QString kPlay = QStringLiteral(LUMO_BIN_DIR "/irplay.exe");

struct Run {
    int code = -1;
    QProcess::ExitStatus status = QProcess::CrashExit;
    QByteArray out, err;
    qint64 ms = 0;
};

Run run(const QString &tool, const QStringList &args, const QMap<QString, QString> &env)
{
    QProcess p;
    QProcessEnvironment e = QProcessEnvironment::systemEnvironment();
    for (const QString &k : {"LUMO_IR_DEVICE", "LUMO_IR_WAIT", "LUMO_IR_SIM_DELAY_MS", "LUMO_IR_SIM_FAIL"})
        e.remove(k);
    for (auto it = env.begin(); it != env.end(); ++it)
        e.insert(it.key(), it.value());
    p.setProcessEnvironment(e);
    QElapsedTimer t;
    t.start();
    p.start(tool, args);
    Run r;
    if (!p.waitForStarted(5000) || !p.waitForFinished(30000))
        return r;
    r.ms = t.elapsed();
    r.code = p.exitCode();
    r.status = p.exitStatus();
    r.out = p.readAllStandardOutput();
    r.err = p.readAllStandardError();
    return r;
}

// Like run(), but the argument goes to the tool as raw bytes (QString cannot
// carry bytes that are not UTF-8).
Run runRaw(const QString &tool, const QByteArray &arg, const QMap<QString, QString> &env,
           const QString &errFile)
{
    QByteArrayList envList;
    for (char **e = environ; *e; ++e) {
        QByteArray kv(*e);
        if (!env.contains(QString::fromLocal8Bit(kv.left(kv.indexOf('=')))))
            envList << kv;
    }
    for (auto it = env.begin(); it != env.end(); ++it)
        envList << (it.key() + "=" + it.value()).toLocal8Bit();
    std::vector<char *> envp;
    for (QByteArray &kv : envList)
        envp.push_back(kv.data());
    envp.push_back(nullptr);
    QByteArray toolBytes = QFile::encodeName(tool), argBytes = arg, errBytes = QFile::encodeName(errFile);
    char *argv[] = {toolBytes.data(), argBytes.data(), nullptr};

    posix_spawn_file_actions_t fa;
    posix_spawn_file_actions_init(&fa);
    posix_spawn_file_actions_addopen(&fa, 2, errBytes.constData(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    Run r;
    pid_t pid = 0;
    int rc = posix_spawn(&pid, toolBytes.constData(), &fa, nullptr, argv, envp.data());
    posix_spawn_file_actions_destroy(&fa);
    if (rc != 0)
        return r;
    int status = 0;
    while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    r.status = WIFEXITED(status) ? QProcess::NormalExit : QProcess::CrashExit;
    r.code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    QFile f(errFile);
    if (f.open(QIODevice::ReadOnly))
        r.err = f.readAll();
    f.close();
    QFile::remove(errFile);
    return r;
}

QByteArray readRaw(const QByteArray &path)
{
    QByteArray out;
    int fd = ::open(path.constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return out;
    char buf[4096];
    ssize_t n;
    while ((n = ::read(fd, buf, sizeof buf)) > 0)
        out.append(buf, int(n));
    ::close(fd);
    return out;
}

// Entry names as bytes (QDir skips names that are not valid UTF-8).
QByteArrayList rawEntries(const QString &dir)
{
    QByteArrayList out;
    if (DIR *d = opendir(QFile::encodeName(dir).constData())) {
        while (dirent *e = readdir(d)) {
            QByteArray n(e->d_name);
            if (n != "." && n != "..")
                out << n;
        }
        closedir(d);
    }
    return out;
}

QByteArray readAll(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

QStringList entries(const QString &dir)
{
    return QDir(dir).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                               QDir::Name);
}

std::vector<uint32_t> valuesOf(const QByteArray &text)
{
    Signal s;
    std::string err;
    if (!parseSignal(text.toStdString(), s, err))
        return {};
    return s.values;
}

} // namespace

class TestIrTools : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void help_data();
    void help();
    void usage_data();
    void usage();
    void recordThenPlay_data();
    void recordThenPlay();
    void eachButtonDiffers();
    void simulatedWaitIsVisibleAndSkippable();
    void simulatedFailures_data();
    void simulatedFailures();
    void noSignalAfterTheWait();
    void badFileNamesTheLine();
    void realDeviceErrors_data();
    void realDeviceErrors();

private:
    QTemporaryDir *m_dir = nullptr;
    QString m_sim, m_files;
    QMap<QString, QString> simEnv(int delayMs = 0) const
    {
        return {{"LUMO_IR_DEVICE", "sim:" + m_sim}, {"LUMO_IR_SIM_DELAY_MS", QString::number(delayMs)}};
    }
    QScopedPointer<QTemporaryDir> m_holder;
};

void TestIrTools::init()
{
    m_holder.reset(new QTemporaryDir);
    QVERIFY(m_holder->isValid());
    m_sim = m_holder->filePath("ir device");
    m_files = m_holder->filePath("remotes");
    QVERIFY(QDir().mkpath(m_sim) && QDir().mkpath(m_files));
}

void TestIrTools::help_data()
{
    QTest::addColumn<QString>("tool");
    QTest::addColumn<QString>("flag");
    QTest::newRow("irrecord --help") << kRecord << "--help";
    QTest::newRow("irplay --help") << kPlay << "--help";
    QTest::newRow("irplay -h") << kPlay << "-h";
}

void TestIrTools::help()
{
    QFETCH(QString, tool);
    QFETCH(QString, flag);
    Run r = run(tool, {flag}, {});
    QCOMPARE(r.code, 0);
    QVERIFY(r.err.isEmpty());
    for (const char *needle : {"Usage: ", "Exit codes:", "LUMO_IR_DEVICE", "LUMO_IR_WAIT", "sim:FOLDER",
                               "  3  no IR signal", "  7  no permission"})
        QVERIFY2(r.out.contains(needle), needle);
}

void TestIrTools::usage_data()
{
    QTest::addColumn<QString>("tool");
    QTest::addColumn<QStringList>("args");
    QTest::newRow("record, no argument") << kRecord << QStringList{};
    QTest::newRow("record, two arguments") << kRecord << QStringList{"a.ir", "b.ir"};
    QTest::newRow("record, empty argument") << kRecord << QStringList{""};
    QTest::newRow("play, no argument") << kPlay << QStringList{};
    QTest::newRow("play, two arguments") << kPlay << QStringList{"a b", "c"};
}

void TestIrTools::usage()
{
    QFETCH(QString, tool);
    QFETCH(QStringList, args);
    Run r = run(tool, args, simEnv());
    QCOMPARE(r.status, QProcess::NormalExit);
    QCOMPARE(r.code, int(ExitUsage));
    QCOMPARE(r.err.count('\n'), 1);
    QVERIFY(r.err.endsWith('\n'));
    QVERIFY(entries(m_sim).isEmpty());
}

void TestIrTools::recordThenPlay_data()
{
    QTest::addColumn<QByteArray>("name");
    QTest::newRow("plain") << QByteArray("Power.ir");
    QTest::newRow("spaces") << QByteArray("TV  Volume up .ir");
    QTest::newRow("quotes") << QByteArray("it's \"the\" one.ir");
    QTest::newRow("shell characters") << QByteArray("a;b|c&d $(touch pwned) `id` >x <y *.ir");
    QTest::newRow("dash first") << QByteArray("-rf.ir");
    QTest::newRow("unicode") << QByteArray("Fernseher \xc3\xbc\xe2\x82\xac.ir");
    QTest::newRow("bytes that are not UTF-8") << QByteArray("raw \xff\xfe name.ir");
    QTest::newRow("no extension") << QByteArray("x");
}

void TestIrTools::recordThenPlay()
{
    QFETCH(QByteArray, name);
    const QByteArray file = QFile::encodeName(m_files) + "/" + name;
    const QString errFile = m_holder->filePath("stderr.txt");

    Run rec = runRaw(kRecord, file, simEnv(), errFile);
    QVERIFY2(rec.code == 0, rec.err.constData());
    QVERIFY(rec.err.isEmpty());
    // Exactly the named file, nothing else (no shell ran, no temporary left).
    struct stat st{};
    QVERIFY2(::stat(file.constData(), &st) == 0 && S_ISREG(st.st_mode), file.constData());
    QCOMPARE(rawEntries(m_files), QByteArrayList{name});
    QCOMPARE(rawEntries(m_holder->path()).size(), 2);
    const QByteArray text = readRaw(file);
    QVERIFY(text.startsWith("# Lumo Control IR signal, simulated by irrecord.exe"));
    QVERIFY(text.contains("\ncarrier 38000\n"));
    const std::vector<uint32_t> values = valuesOf(text);
    QCOMPARE(values.size(), size_t(67));
    QCOMPARE(values[0], 9000u);
    QCOMPARE(values[1], 4500u);

    for (int i = 1; i <= 2; ++i) {
        Run play = runRaw(kPlay, file, simEnv(), errFile);
        QVERIFY2(play.code == 0, play.err.constData());
        QVERIFY(play.err.isEmpty());
        const QList<QByteArray> lines = readAll(m_sim + "/sent.log").split('\n');
        QCOMPARE(lines.size(), i + 1);  // one line per play, newline-terminated
        const QByteArray &line = lines[i - 1];
        QVERIFY2(line.contains("# carrier 38000, file "), line.constData());
        QCOMPARE(valuesOf(line), values);
    }
    ::unlink(file.constData());  // QTemporaryDir cannot remove every name
}

void TestIrTools::eachButtonDiffers()
{
    QSet<QByteArray> seen;
    for (const char *n : {"Power.ir", "Mute.ir", "Volume up.ir", "Volume down.ir", "1.ir", "2.ir"}) {
        const QString file = m_files + "/" + n;
        QCOMPARE(run(kRecord, {file}, simEnv()).code, 0);
        const std::vector<uint32_t> v = valuesOf(readAll(file));
        QCOMPARE(v.size(), size_t(67));
        seen.insert(QByteArray(reinterpret_cast<const char *>(v.data()), int(v.size() * 4)));
    }
    QCOMPARE(seen.size(), 6);
    // The same name in another folder gives the same signal.
    QVERIFY(QDir(m_files).mkdir("other"));
    QCOMPARE(run(kRecord, {m_files + "/other/Power.ir"}, simEnv()).code, 0);
    QCOMPARE(valuesOf(readAll(m_files + "/other/Power.ir")), valuesOf(readAll(m_files + "/Power.ir")));
}

void TestIrTools::simulatedWaitIsVisibleAndSkippable()
{
    QMap<QString, QString> env = simEnv();
    env.remove("LUMO_IR_SIM_DELAY_MS");  // the default pause a person sees
    Run slow = run(kRecord, {m_files + "/a.ir"}, env);
    QCOMPARE(slow.code, 0);
    QVERIFY2(slow.ms >= 250, qPrintable(QString::number(slow.ms)));
    Run fast = run(kRecord, {m_files + "/b.ir"}, simEnv(0));
    QCOMPARE(fast.code, 0);
    QVERIFY2(fast.ms < 250, qPrintable(QString::number(fast.ms)));
}

void TestIrTools::simulatedFailures_data()
{
    QTest::addColumn<QString>("fail");
    QTest::addColumn<int>("recordCode");
    QTest::addColumn<int>("playCode");
    QTest::addColumn<QString>("message");
    QTest::newRow("missing") << "missing" << int(ExitDeviceUnavailable) << int(ExitDeviceUnavailable) << "no IR device";
    QTest::newRow("busy") << "busy" << int(ExitDeviceUnavailable) << int(ExitDeviceUnavailable) << "busy";
    QTest::newRow("denied") << "denied" << int(ExitNoPermission) << int(ExitNoPermission) << "udev";
    QTest::newRow("norecv") << "norecv" << int(ExitUnsupported) << int(ExitOk) << "cannot receive";
    QTest::newRow("nosend") << "nosend" << int(ExitOk) << int(ExitUnsupported) << "cannot send";
    QTest::newRow("overflow") << "overflow" << int(ExitCaptureFailed) << int(ExitOk) << "overflow";
    QTest::newRow("unknown hook") << "sometimes" << int(ExitUsage) << int(ExitUsage) << "LUMO_IR_SIM_FAIL";
}

void TestIrTools::simulatedFailures()
{
    QFETCH(QString, fail);
    QFETCH(int, recordCode);
    QFETCH(int, playCode);
    QFETCH(QString, message);
    const QString file = m_files + "/Power.ir";
    const QByteArray old = "# kept\npulse 560\nspace 560\npulse 560\n";
    {
        QFile f(file);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(old);
    }
    QMap<QString, QString> env = simEnv();
    env.insert("LUMO_IR_SIM_FAIL", fail);
    env.insert("LUMO_IR_WAIT", "0.3");
    Run rec = run(kRecord, {file}, env);
    QCOMPARE(rec.code, recordCode);
    Run play = run(kPlay, {file}, env);
    QCOMPARE(play.code, playCode);
    for (const Run *r : {&rec, &play}) {
        if (r->code == 0) {
            QVERIFY(r->err.isEmpty());
        } else {
            QCOMPARE(r->err.count('\n'), 1);
            QVERIFY2(QString::fromUtf8(r->err).contains(message), r->err.constData());
        }
    }
    if (recordCode != 0)
        QCOMPARE(readAll(file), old);
    QCOMPARE(entries(m_files), QStringList{"Power.ir"});
    QCOMPARE(QFile::exists(m_sim + "/sent.log"), playCode == 0);
}

void TestIrTools::noSignalAfterTheWait()
{
    QMap<QString, QString> env = simEnv(5000);  // the press comes too late
    env.insert("LUMO_IR_WAIT", "0.4");
    Run r = run(kRecord, {m_files + "/late.ir"}, env);
    QCOMPARE(r.code, int(ExitNoSignal));
    QVERIFY2(r.ms >= 380 && r.ms < 3000, qPrintable(QString::number(r.ms)));
    QVERIFY(r.err.contains("no IR signal received within 400.0 ms"));
    QCOMPARE(entries(m_files), QStringList{});

    env.insert("LUMO_IR_WAIT", "soon");
    QCOMPARE(run(kRecord, {m_files + "/late.ir"}, env).code, int(ExitUsage));
}

void TestIrTools::badFileNamesTheLine()
{
    const QString file = m_files + "/broken.ir";
    QFile f(file);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write("# header\ncarrier 38000\npulse 9000\nspace 4,500\npulse 560\n");
    f.close();
    Run r = run(kPlay, {file}, simEnv());
    QCOMPARE(r.code, int(ExitBadFile));
    QVERIFY2(r.err.contains("line 4: '4,500'"), r.err.constData());
    QCOMPARE(r.err.count('\n'), 1);
    QVERIFY(!QFile::exists(m_sim + "/sent.log"));

    Run missing = run(kPlay, {m_files + "/nothing here.ir"}, simEnv());
    QCOMPARE(missing.code, int(ExitBadFile));
    // A missing file is reported even without any device.
    Run noDevice = run(kPlay, {m_files + "/nothing here.ir"}, {{"LUMO_IR_DEVICE", "/nonexistent/lirc9"}});
    QCOMPARE(noDevice.code, int(ExitBadFile));
}

void TestIrTools::realDeviceErrors_data()
{
    QTest::addColumn<QString>("device");
    QTest::addColumn<int>("code");
    QTest::newRow("no such device") << "/nonexistent/lirc9" << int(ExitDeviceUnavailable);
    QTest::newRow("character device, not lirc") << "/dev/null" << int(ExitUnsupported);
    QTest::newRow("regular file") << "<file>" << int(ExitUnsupported);
}

void TestIrTools::realDeviceErrors()
{
    QFETCH(QString, device);
    QFETCH(int, code);
    if (device == "<file>") {
        device = m_holder->filePath("not-a-device");
        QFile f(device);
        QVERIFY(f.open(QIODevice::WriteOnly));
    }
    const QString file = m_files + "/x.ir";
    QMap<QString, QString> env{{"LUMO_IR_DEVICE", device}, {"LUMO_IR_WAIT", "0.2"}};
    Run rec = run(kRecord, {file}, env);
    QCOMPARE(rec.code, code);
    QCOMPARE(rec.err.count('\n'), 1);
    QCOMPARE(entries(m_files), QStringList{});

    QFile f(file);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write("pulse 100\nspace 100\npulse 100\n");
    f.close();
    Run play = run(kPlay, {file}, env);
    QCOMPARE(play.code, code);
    QCOMPARE(play.err.count('\n'), 1);
}

QTEST_GUILESS_MAIN(TestIrTools)
#include "tst_irtools.moc"
