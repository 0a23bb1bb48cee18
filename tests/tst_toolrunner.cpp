#include "paths.h"
#include "testsupport.h"
#include "toolrunner.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTemporaryFile>
#include <QTimer>
#include <QtTest>

#include <csignal>
#include <cstdio>
#include <sys/stat.h>
#include <unistd.h>

class TstToolRunner : public QObject
{
    Q_OBJECT

private slots:
    void existence_data();
    void existence();
    void argumentArrivesVerbatim_data();
    void argumentArrivesVerbatim();
    void waitsWithEvents();
    void failedToolIsReported_data();
    void failedToolIsReported();
    void toolRunningAtQuitIsNotReported();
    void nestedWaitsReturnInnerFirst();
    void toolBesideProgramComesFirst();
    void toolThatCannotStart_data();
    void toolThatCannotStart();
    void playCommand();
};

void TstToolRunner::existence_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("file");
    QTest::addColumn<bool>("dir");
    QTest::newRow("ordinary file") << "my remotes.lmr" << true << true;
    QTest::newRow("hidden file") << ".remotes.lmr" << false << true;
    QTest::newRow("directory") << "data" << false << true;
    QTest::newRow("named pipe") << "pipe.lmr" << false << true; // reading it would block
    QTest::newRow("missing") << "nothing.lmr" << false << false;
    QTest::newRow("empty path") << "" << false << false;
}

void TstToolRunner::existence()
{
    QFETCH(QString, name);
    QFETCH(bool, file);
    QFETCH(bool, dir);
    WorkDir work;
    QDir(work.path()).mkdir("data");
    for (const char *n : { ".remotes.lmr", "my remotes.lmr" }) {
        QFile f(work.file(QString::fromLatin1(n)));
        QVERIFY(f.open(QIODevice::WriteOnly));
    }
    QCOMPARE(::mkfifo(QFile::encodeName(work.file("pipe.lmr")).constData(), 0600), 0);
    const QString path = name.isEmpty() ? QString() : work.file(name);
    QCOMPARE(FileExists(path), file);
    QCOMPARE(DirExists(path), dir);
}

void TstToolRunner::argumentArrivesVerbatim_data()
{
    QTest::addColumn<QString>("folder");
    QTest::newRow("spaces") << "My IR Sets";
    QTest::newRow("quotes") << "a \"quoted\" 'name'";
    QTest::newRow("shell") << "x; touch pwned; $(touch pwned2) `touch pwned3` | & > <";
    QTest::newRow("glob, tilde") << "~ * ? [a]";
    QTest::newRow("non-ASCII") << QString::fromUtf8("t\u00e9l\u00e9 \u7535\u89c6");
    QTest::newRow("leading dash") << "-rf";
}

void TstToolRunner::argumentArrivesVerbatim()
{
    QFETCH(QString, folder);
    WorkDir work;
    FakeTools tools;
    const QString path = work.path() + QLatin1Char('/') + folder + QStringLiteral("/data/58/R2B11.lmc");
    RunAndWait(QStringLiteral("irplay.exe ") + path);
    QCOMPARE(tools.arguments("irplay.exe"), QStringList{ path });
    for (const char *f : { "pwned", "pwned2", "pwned3" })
        QVERIFY2(!QFile::exists(work.file(f)), f);
    RunRecordTool(path);
    QCOMPARE(tools.arguments("irrecord.exe"), QStringList{ path });
}

void TstToolRunner::waitsWithEvents()
{
    FakeTools tools;
    tools.setSleepMs(400);
    MessageScript messages;
    int ticks = 0;
    QTimer timer;
    QObject::connect(&timer, &QTimer::timeout, [&ticks] { ++ticks; });
    timer.start(20);
    QElapsedTimer clock;
    clock.start();
    RunAndWait(QStringLiteral("irplay.exe a"));
    QVERIFY2(clock.elapsed() >= 350, "returned before the tool ended");
    QVERIFY2(ticks >= 5, "events were not processed while waiting");
    QCOMPARE(tools.log().last(), QStringLiteral("irplay.exe done"));
    QVERIFY(messages.shown.isEmpty());
    QCOMPARE(ToolRunner::activeWaits(), 0);
}

void TstToolRunner::failedToolIsReported_data()
{
    QTest::addColumn<QString>("tool");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<int>("signal");
    QTest::addColumn<QByteArray>("stderrText");
    QTest::addColumn<QString>("box"); // empty: no box
    const QByteArray noDevice = "irplay.exe: no IR device at '/dev/lirc0'; is the transceiver plugged in?\n";
    QTest::newRow("exit 0 after a line")
        << "irplay.exe" << 0 << 0 << QByteArray("irplay.exe: note\n") << QString();
    QTest::newRow("exit 3 after a line")
        << "irplay.exe" << 3 << 0 << noDevice << QString::fromUtf8(noDevice.trimmed());
    QTest::newRow("last line counts, blanks skipped")
        << "irrecord.exe" << 7 << 0 << QByteArray("warming up\r\nirrecord.exe: no permission\r\n\n  \n")
        << "irrecord.exe: no permission";
    QTest::newRow("exit 4, nothing said")
        << "irrecord.exe" << 4 << 0 << QByteArray() << "The IR tool \"irrecord.exe\" ended with exit code 4.";
    QTest::newRow("crash, nothing said")
        << "irplay.exe" << 0 << int(SIGSEGV) << QByteArray()
        << "The IR tool \"irplay.exe\" was ended by signal 11 (Segmentation fault).";
    QTest::newRow("crash after a line")
        << "irrecord.exe" << 0 << int(SIGABRT) << QByteArray("irrecord.exe: giving up\n")
        << "irrecord.exe: giving up";
}

void TstToolRunner::failedToolIsReported()
{
    QFETCH(QString, tool);
    QFETCH(int, exitCode);
    QFETCH(int, signal);
    QFETCH(QByteArray, stderrText);
    QFETCH(QString, box);
    FakeTools tools;
    // A temporary folder of its own: other tests run tools meanwhile.
    QTemporaryDir temp;
    const QByteArray oldTemp = qgetenv("TMPDIR");
    qputenv("TMPDIR", temp.path().toLocal8Bit());
    tools.setExitCode(exitCode);
    if (signal)
        tools.setSignal(signal);
    tools.setStderr(stderrText);
    MessageScript messages;
    bool waitingDuringBox = false;
    messages.onShow = [&](const Messages::Request &) { waitingDuringBox = ToolRunner::activeWaits() > 0; };

    // The program's own stderr, caught in a file for the length of the run.
    QTemporaryFile ownStderr;
    QVERIFY(ownStderr.open());
    std::fflush(stderr);
    const int savedStderr = ::dup(2);
    ::dup2(ownStderr.handle(), 2);
    RunAndWait(tool + QStringLiteral(" /x/R1B1.lmc"));
    std::fflush(stderr);
    ::dup2(savedStderr, 2);
    ::close(savedStderr);

    QVERIFY(ownStderr.seek(0));
    QCOMPARE(ownStderr.readAll(), stderrText);
    QCOMPARE(messages.texts(), box.isEmpty() ? QStringList() : QStringList{ box });
    if (!box.isEmpty()) {
        const Messages::Request &r = messages.shown.first();
        QCOMPARE(r.title, QStringLiteral("Lumo Control Software"));
        QCOMPARE(r.icon, Messages::Icon::Error);
        QCOMPARE(r.buttons, Messages::Buttons::Ok);
        QVERIFY2(!waitingDuringBox, "the box belongs after the wait");
    }
    QCOMPARE(ToolRunner::activeWaits(), 0);
    // Nothing of the capture is left in the temporary folder.
    const QStringList left = QDir(temp.path()).entryList(QDir::Files | QDir::Hidden);
    qputenv("TMPDIR", oldTemp);
    QCOMPARE(left, QStringList());
}

void TstToolRunner::toolRunningAtQuitIsNotReported()
{
    FakeTools tools;
    tools.setSleepMs(800);
    tools.setExitCode(3);
    tools.setStderr("irplay.exe: too late\n");
    MessageScript messages;
    QTimer::singleShot(100, [] { QCoreApplication::exit(0); });
    QElapsedTimer clock;
    clock.start();
    RunAndWait(QStringLiteral("irplay.exe a"));
    QVERIFY2(clock.elapsed() < 700, "the wait should end with the quit");
    // The tool runs on and fails after the program has stopped waiting:
    // still nobody is told.
    QTRY_COMPARE_WITH_TIMEOUT(tools.log().size(), 2, 5000);
    QTest::qWait(100);
    QVERIFY(messages.shown.isEmpty());
    QCOMPARE(ToolRunner::activeWaits(), 0);
    // Leaves the quit behind: the next event loop starts afresh.
    QTimer::singleShot(0, qApp, [] { QCoreApplication::exit(0); });
    QCoreApplication::exec();
}

void TstToolRunner::nestedWaitsReturnInnerFirst()
{
    FakeTools tools;
    tools.setSleepMs(300);
    QStringList order;
    int depthSeen = 0;
    // While the first tool runs, a timer starts a longer second one.
    QTimer::singleShot(100, [&] {
        tools.setSleepMs(600);
        depthSeen = ToolRunner::activeWaits();
        RunAndWait(QStringLiteral("irplay.exe inner"));
        order << QStringLiteral("inner");
    });
    RunAndWait(QStringLiteral("irplay.exe outer"));
    order << QStringLiteral("outer");
    QCOMPARE(depthSeen, 1);
    // The outer tool ended first, yet its wait went on after the inner.
    QCOMPARE(order, (QStringList{ "inner", "outer" }));
    QCOMPARE(tools.log(),
             (QStringList{ "irplay.exe\t1\touter", "irplay.exe\t1\tinner", "irplay.exe done",
                           "irplay.exe done" }));
}

void TstToolRunner::toolBesideProgramComesFirst()
{
    FakeTools tools;
    QCOMPARE(ToolRunner::findTool("irplay.exe"), tools.folder() + "/irplay.exe");
    const QString beside = QCoreApplication::applicationDirPath() + "/irrecord.exe";
    QVERIFY(QFile::copy(QStringLiteral(LUMO_FAKE_TOOL), beside));
    QFile::setPermissions(beside, QFile::permissions(beside) | QFileDevice::ExeOwner);
    const QString found = ToolRunner::findTool("irrecord.exe");
    QFile::remove(beside);
    QCOMPARE(found, beside);
}

void TstToolRunner::toolThatCannotStart_data()
{
    QTest::addColumn<bool>("present");
    QTest::newRow("not found") << false;
    QTest::newRow("not a program") << true;
}

void TstToolRunner::toolThatCannotStart()
{
    QFETCH(bool, present);
    FakeTools tools;
    const QString tool = tools.folder() + "/irplay.exe";
    QFile::remove(tool);
    if (present) {
        QFile f(tool);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("\x7f"
                "ELF garbage");
        f.close();
        f.setPermissions(f.permissions() | QFileDevice::ExeOwner);
    }
    const QByteArray oldPath = qgetenv("PATH");
    qputenv("PATH", tools.folder().toLocal8Bit());
    MessageScript messages;
    RunAndWait(QStringLiteral("irplay.exe /x/y.lmc"));
    qputenv("PATH", oldPath);
    QCOMPARE(messages.shown.size(), 1);
    const Messages::Request &r = messages.shown.first();
    QVERIFY(r.text.contains(QStringLiteral("irplay.exe")));
    QCOMPARE(r.title, QStringLiteral("Lumo Control Software"));
    QCOMPARE(r.icon, Messages::Icon::Error);
    QCOMPARE(ToolRunner::activeWaits(), 0);
}

void TstToolRunner::playCommand()
{
    WorkDir work;
    FakeTools tools;
    MessageScript messages;
    const QString path = work.file("data/58/R1B1.lmc");
    PlayCommand(path);
    QCOMPARE(messages.shown.size(), 1);
    QCOMPARE(messages.shown.first().text, QStringLiteral("Command does not exist"));
    QCOMPARE(messages.shown.first().title, QStringLiteral("Command Not Found"));
    QCOMPARE(messages.shown.first().icon, Messages::Icon::Error);
    QVERIFY(tools.log().isEmpty());

    QDir(work.path()).mkpath("data/58");
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.close();
    PlayCommand(path);
    QCOMPARE(messages.shown.size(), 1);
    QCOMPARE(tools.arguments("irplay.exe"), QStringList{ path });
}

QTEST_GUILESS_MAIN(TstToolRunner)
#include "tst_toolrunner.moc"
