#include "module1.h"
#include "testsupport.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTimer>
#include <QtTest>

#include <sys/stat.h>

class TstModule1 : public QObject
{
    Q_OBJECT

private slots:
    void fileExists_data();
    void fileExists();

    void argumentArrivesVerbatim_data();
    void argumentArrivesVerbatim();
    void nonZeroExitEndsTheWait();
    void eventsRunDuringTheWait();
    void nestedWaitsReturnInnerFirst();
    void toolFoundBesideProgramOrOnPath();
    void missingToolIsReported();
    void unstartableToolIsReported();

    void playCommandMissingFile();
    void playCommandRunsPlayer();
    void recordToolRunsRecorder();
    void shellOpenSeam();
};

void TstModule1::fileExists_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("file");
    QTest::addColumn<bool>("dir");
    QTest::newRow("ordinary file") << "remotes.lmr" << true << true;
    QTest::newRow("hidden file") << ".remotes.lmr" << false << true;
    QTest::newRow("directory") << "data" << false << true;
    QTest::newRow("missing") << "nothing.lmr" << false << false;
    QTest::newRow("empty path") << "" << false << false;
    QTest::newRow("file with spaces") << "my remotes.lmr" << true << true;
    QTest::newRow("named pipe") << "pipe.lmr" << false << true;
}

void TstModule1::fileExists()
{
    QFETCH(QString, name);
    QFETCH(bool, file);
    QFETCH(bool, dir);
    WorkDir work;
    QDir(work.path()).mkdir("data");
    for (const char *n : { "remotes.lmr", ".remotes.lmr", "my remotes.lmr" }) {
        QFile f(work.file(QString::fromLatin1(n)));
        QVERIFY(f.open(QIODevice::WriteOnly));
    }
    QCOMPARE(::mkfifo(QFile::encodeName(work.file("pipe.lmr")).constData(), 0600), 0);
    const QString path = name.isEmpty() ? QString() : work.file(name);
    QCOMPARE(FileExists(path), file);
    QCOMPARE(DirExists(path), dir);
}

void TstModule1::argumentArrivesVerbatim_data()
{
    QTest::addColumn<QString>("folder");
    QTest::newRow("spaces") << "My IR Sets";
    QTest::newRow("quotes") << "a \"quoted\" 'name'";
    QTest::newRow("shell characters") << "x; touch pwned; $(touch pwned2) `touch pwned3` | & > <";
    QTest::newRow("glob and tilde") << "~ * ? [a]";
    QTest::newRow("non-ASCII") << QString::fromUtf8("t\u00e9l\u00e9 \u7535\u89c6");
    QTest::newRow("leading dash") << "-rf";
}

void TstModule1::argumentArrivesVerbatim()
{
    QFETCH(QString, folder);
    WorkDir work;
    FakeTools tools;
    const QString path = work.path() + QLatin1Char('/') + folder + QStringLiteral("/data/58/R2B11.lmc");
    RunAndWait(QStringLiteral("irplay.exe ") + path);
    QCOMPARE(tools.arguments("irplay.exe"), QStringList { path });
    // Nothing was run by a shell.
    QVERIFY(!QFile::exists(work.file("pwned")));
    QVERIFY(!QFile::exists(work.file("pwned2")));
    QVERIFY(!QFile::exists(work.file("pwned3")));
}

void TstModule1::nonZeroExitEndsTheWait()
{
    FakeTools tools;
    tools.setExitCode(3);
    MessageScript messages;
    RunAndWait(QStringLiteral("irplay.exe /x/y.lmc"));
    QCOMPARE(tools.log(), (QStringList { "irplay.exe\t1\t/x/y.lmc", "irplay.exe done" }));
    QVERIFY(messages.shown.isEmpty());
    QCOMPARE(ToolRunner::activeWaits(), 0);
}

void TstModule1::eventsRunDuringTheWait()
{
    FakeTools tools;
    tools.setSleepMs(400);
    int ticks = 0;
    QTimer timer;
    timer.setInterval(20);
    QObject::connect(&timer, &QTimer::timeout, [&ticks] { ++ticks; });
    timer.start();
    QElapsedTimer clock;
    clock.start();
    RunAndWait(QStringLiteral("irplay.exe a"));
    QVERIFY2(clock.elapsed() >= 350, "returned before the tool ended");
    QVERIFY2(ticks >= 5, "events were not processed while waiting");
}

void TstModule1::nestedWaitsReturnInnerFirst()
{
    FakeTools tools;
    tools.setSleepMs(300);
    QStringList order;
    int depthSeen = 0;
    // While the first tool runs, a timer starts a second one inside the wait.
    QTimer::singleShot(100, [&] {
        qputenv("FAKE_TOOL_SLEEP_MS", "600");
        depthSeen = ToolRunner::activeWaits();
        RunAndWait(QStringLiteral("irplay.exe inner"));
        order << QStringLiteral("inner returned");
    });
    RunAndWait(QStringLiteral("irplay.exe outer"));
    order << QStringLiteral("outer returned");
    QCOMPARE(depthSeen, 1);
    QCOMPARE(order, (QStringList { "inner returned", "outer returned" }));
    // The outer tool ended first, yet its wait went on only after the inner.
    const QStringList log = tools.log();
    QCOMPARE(log.indexOf("irplay.exe\t1\touter"), 0);
    QVERIFY(log.indexOf("irplay.exe done") < log.lastIndexOf("irplay.exe done"));
}

void TstModule1::toolFoundBesideProgramOrOnPath()
{
    FakeTools tools;
    // The test's own folder holds no IR tool, so the PATH copy is found.
    QCOMPARE(ToolRunner::findTool("irplay.exe"), tools.folder() + "/irplay.exe");
    const QString beside = QCoreApplication::applicationDirPath() + "/irrecord.exe";
    QVERIFY(QFile::copy(QStringLiteral(LUMO_FAKE_TOOL), beside));
    QFile::setPermissions(beside, QFile::permissions(beside) | QFileDevice::ExeOwner);
    const QString found = ToolRunner::findTool("irrecord.exe");
    QFile::remove(beside);
    QCOMPARE(found, beside);
}

void TstModule1::missingToolIsReported()
{
    FakeTools tools;
    tools.remove("irplay.exe");
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
    QCOMPARE(r.buttons, Messages::Buttons::Ok);
    QCOMPARE(ToolRunner::activeWaits(), 0);
}

void TstModule1::unstartableToolIsReported()
{
    FakeTools tools;
    // A file that is executable but no program at all.
    const QString bogus = tools.folder() + "/irplay.exe";
    QFile::remove(bogus);
    QFile f(bogus);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write("\x7f" "ELF garbage");
    f.close();
    f.setPermissions(f.permissions() | QFileDevice::ExeOwner);
    MessageScript messages;
    RunAndWait(QStringLiteral("irplay.exe /x/y.lmc"));
    QCOMPARE(messages.shown.size(), 1);
    QVERIFY(messages.shown.first().text.contains(QStringLiteral("irplay.exe")));
    QCOMPARE(messages.shown.first().icon, Messages::Icon::Error);
}

void TstModule1::playCommandMissingFile()
{
    WorkDir work;
    FakeTools tools;
    MessageScript messages;
    PlayCommand(work.file("data/58/R1B1.lmc"));
    QCOMPARE(messages.shown.size(), 1);
    QCOMPARE(messages.shown.first().text, QStringLiteral("Command does not exist"));
    QCOMPARE(messages.shown.first().title, QStringLiteral("Command Not Found"));
    QCOMPARE(messages.shown.first().icon, Messages::Icon::Error);
    QCOMPARE(messages.shown.first().buttons, Messages::Buttons::Ok);
    QVERIFY(tools.log().isEmpty());
}

void TstModule1::playCommandRunsPlayer()
{
    WorkDir work;
    FakeTools tools;
    MessageScript messages;
    QDir(work.path()).mkpath("data/58");
    const QString path = work.file("data/58/R1B1.lmc");
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.close();
    PlayCommand(path);
    QVERIFY(messages.shown.isEmpty());
    QCOMPARE(tools.arguments("irplay.exe"), QStringList { path });
    QVERIFY(tools.arguments("irrecord.exe").isEmpty());
}

void TstModule1::recordToolRunsRecorder()
{
    FakeTools tools;
    RunRecordTool(QStringLiteral("/sets/data/7/R3B12.lmc"));
    QCOMPARE(tools.arguments("irrecord.exe"), QStringList { "/sets/data/7/R3B12.lmc" });
}

void TstModule1::shellOpenSeam()
{
    QString opened;
    quintptr owner = 0;
    auto old = ToolRunner::setShellOpener([&](quintptr w, const QString &t) { owner = w; opened = t; });
    ShellOpen(42, QStringLiteral("/usr/share/doc/guide.html"));
    ToolRunner::setShellOpener(std::move(old));
    QCOMPARE(opened, QStringLiteral("/usr/share/doc/guide.html"));
    QCOMPARE(owner, quintptr(42));
}

QTEST_GUILESS_MAIN(TstModule1)
#include "tst_module1.moc"
