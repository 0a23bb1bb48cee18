#include "paths.h"
#include "testsupport.h"
#include "toolrunner.h"

#include <QCoreApplication>
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
    void existence_data()
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

    void existence()
    {
        QFETCH(QString, name);
        QFETCH(bool, file);
        QFETCH(bool, dir);
        WorkDir work;
        QDir(work.path()).mkdir("data");
        touch(work.file(".remotes.lmr"));
        touch(work.file("my remotes.lmr"));
        QCOMPARE(::mkfifo(QFile::encodeName(work.file("pipe.lmr")).constData(), 0600), 0);
        const QString path = name.isEmpty() ? QString() : work.file(name);
        QCOMPARE(FileExists(path), file);
        QCOMPARE(DirExists(path), dir);
    }

    void argumentArrivesVerbatim_data()
    {
        QTest::addColumn<QString>("folder");
        QTest::newRow("spaces") << "My  IR Sets";
        QTest::newRow("quotes") << "a \"quoted\" 'name'";
        QTest::newRow("shell") << "x; touch pwned; $(touch pwned2) `touch pwned3` | & > <";
        QTest::newRow("glob, tilde") << "~ * ? [a]";
        QTest::newRow("non-ASCII") << QString::fromUtf8("t\u00e9l\u00e9 \u7535\u89c6");
        QTest::newRow("leading dash") << "-rf";
    }

    void argumentArrivesVerbatim()
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

    void failureIsBoxedAfterTheWait_data()
    {
        QTest::addColumn<QString>("tool");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<int>("signal");
        QTest::addColumn<QByteArray>("stderrText");
        QTest::addColumn<bool>("quit");   // the program quits while the tool runs
        QTest::addColumn<QString>("box"); // empty: no box
        const QByteArray noDevice =
            "irplay.exe: no IR device at '/dev/lirc0'; is the transceiver plugged in?\n";
        QTest::newRow("exit 0 after a line")
            << "irplay.exe" << 0 << 0 << QByteArray("irplay.exe: note\n") << false << QString();
        QTest::newRow("exit 3 after a line")
            << "irplay.exe" << 3 << 0 << noDevice << false << QString::fromUtf8(noDevice.trimmed());
        QTest::newRow("last line counts, blanks skipped")
            << "irrecord.exe" << 7 << 0 << QByteArray("warming up\r\nirrecord.exe: no permission\r\n\n  \n")
            << false << "irrecord.exe: no permission";
        QTest::newRow("exit 4, nothing said") << "irrecord.exe" << 4 << 0 << QByteArray() << false
                                              << "The IR tool \"irrecord.exe\" ended with exit code 4.";
        QTest::newRow("crash, nothing said")
            << "irplay.exe" << 0 << int(SIGSEGV) << QByteArray() << false
            << "The IR tool \"irplay.exe\" was ended by signal 11 (Segmentation fault).";
        QTest::newRow("crash after a line")
            << "irrecord.exe" << 0 << int(SIGABRT) << QByteArray("irrecord.exe: giving up\n") << false
            << "irrecord.exe: giving up";
        QTest::newRow("still running at quit")
            << "irplay.exe" << 3 << 0 << QByteArray("irplay.exe: too late\n") << true << QString();
    }

    void failureIsBoxedAfterTheWait()
    {
        QFETCH(QString, tool);
        QFETCH(int, exitCode);
        QFETCH(int, signal);
        QFETCH(QByteArray, stderrText);
        QFETCH(bool, quit);
        QFETCH(QString, box);
        FakeTools tools;
        // A temporary folder of its own: other tests run tools meanwhile.
        QTemporaryDir temp;
        const QByteArray oldTemp = qgetenv("TMPDIR");
        qputenv("TMPDIR", temp.path().toLocal8Bit());
        tools.setSleepMs(quit ? 800 : 200);
        tools.setExitCode(exitCode);
        if (signal)
            tools.setSignal(signal);
        tools.setStderr(stderrText);
        MessageScript messages;
        bool waitingDuringBox = false;
        messages.onShow = [&](const Messages::Request &) {
            waitingDuringBox = ToolRunner::activeWaits() > 0;
        };
        int ticks = 0;
        QTimer timer;
        QObject::connect(&timer, &QTimer::timeout, [&ticks] { ++ticks; });
        timer.start(10);
        if (quit)
            QTimer::singleShot(100, [] { QCoreApplication::exit(0); });

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

        // Waited for the tool, events flowing meanwhile, unless the program quit.
        QCOMPARE(tools.log().contains(tool + " done"), !quit);
        QVERIFY(ticks >= 3);
        QCOMPARE(ToolRunner::activeWaits(), 0);
        if (quit) { // the tool fails after the program stopped waiting
            QTRY_VERIFY_WITH_TIMEOUT(tools.log().contains(tool + " done"), 5000);
            QTest::qWait(100);
            QTimer::singleShot(0, qApp, [] { QCoreApplication::exit(0); }); // leaves the quit behind
            QCoreApplication::exec();
        }
        QVERIFY(ownStderr.seek(0));
        QCOMPARE(ownStderr.readAll(), quit ? QByteArray() : stderrText);
        QCOMPARE(messages.texts(), box.isEmpty() ? QStringList() : QStringList{ box });
        if (!box.isEmpty()) {
            const Messages::Request &r = messages.shown.first();
            QCOMPARE(r.title, QStringLiteral("Lumo Control Software"));
            QCOMPARE(r.icon, Messages::Icon::Error);
            QCOMPARE(r.buttons, Messages::Buttons::Ok);
            QVERIFY2(!waitingDuringBox, "the box belongs after the wait");
        }
        // Nothing of the capture is left in the temporary folder.
        const QStringList left = QDir(temp.path()).entryList(QDir::Files | QDir::Hidden);
        qputenv("TMPDIR", oldTemp);
        QCOMPARE(left, QStringList());
    }

    void toolBesideProgramComesFirst()
    {
        FakeTools tools;
        QCOMPARE(ToolRunner::findTool("irplay.exe"), tools.folder() + "/irplay.exe");
        // A file there that cannot run is passed over.
        const QString beside = QCoreApplication::applicationDirPath() + "/irrecord.exe";
        touch(beside, "#!/bin/sh\n");
        const QString notRunnable = ToolRunner::findTool("irrecord.exe");
        QFile::setPermissions(beside, QFile::permissions(beside) | QFileDevice::ExeOwner);
        const QString found = ToolRunner::findTool("irrecord.exe");
        QFile::remove(beside);
        QCOMPARE(notRunnable, tools.folder() + "/irrecord.exe");
        QCOMPARE(found, beside);
    }

    void toolThatCannotStart_data()
    {
        QTest::addColumn<QString>("commandLine");
        QTest::addColumn<bool>("present");
        QTest::addColumn<QString>("tool"); // as the box names it
        QTest::newRow("not found") << "irplay.exe /x/y.lmc" << false << "irplay.exe";
        QTest::newRow("not a program") << "irplay.exe /x/y.lmc" << true << "irplay.exe";
        QTest::newRow("nothing before the space") << " irplay.exe /x/y.lmc" << true << "";
    }

    void toolThatCannotStart()
    {
        QFETCH(QString, commandLine);
        QFETCH(bool, present);
        QFETCH(QString, tool);
        FakeTools tools;
        const QString player = tools.folder() + "/irplay.exe";
        QFile::remove(player);
        if (present)
            touch(player,
                  "\x7f"
                  "ELF garbage");
        QFile::setPermissions(player, QFile::permissions(player) | QFileDevice::ExeOwner);
        const QByteArray oldPath = qgetenv("PATH");
        qputenv("PATH", tools.folder().toLocal8Bit());
        MessageScript messages;
        RunAndWait(commandLine);
        qputenv("PATH", oldPath);
        QCOMPARE(messages.shown.size(), 1);
        const Messages::Request &r = messages.shown.first();
        QVERIFY2(r.text.startsWith(QStringLiteral("The IR tool \"%1\" could not be started").arg(tool)),
                 qPrintable(r.text));
        QCOMPARE(r.title, QStringLiteral("Lumo Control Software"));
        QCOMPARE(r.icon, Messages::Icon::Error);
        QCOMPARE(ToolRunner::activeWaits(), 0);
    }
};

QTEST_GUILESS_MAIN(TstToolRunner)
#include "tst_toolrunner.moc"
