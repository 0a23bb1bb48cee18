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
    void existence()
    {
        WorkDir work;
        QDir(work.path()).mkdir("data");
        touch(work.file(".remotes.lmr"));
        touch(work.file("my remotes.lmr"));
        QCOMPARE(::mkfifo(QFile::encodeName(work.file("pipe.lmr")).constData(), 0600), 0);
        QVERIFY(FileExists(work.file("my remotes.lmr")));
        // Hidden files, folders and pipes (reading one would block) exist, yet are no files.
        for (const char *name : { ".remotes.lmr", "data", "pipe.lmr" }) {
            QVERIFY2(!FileExists(work.file(name)), name);
            QVERIFY2(DirExists(work.file(name)), name);
        }
        QVERIFY(!DirExists(work.file("nothing.lmr")));
    }

    void argumentArrivesVerbatim_data()
    {
        QTest::addColumn<QString>("folder");
        QTest::newRow("spaces, quotes") << "My  IR \"quoted\" 'Sets'";
        QTest::newRow("shell, glob") << "x; touch pwned; $(touch pwned2) `touch pwned3` | & > < ~ * ? [a]";
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
        QTest::addColumn<QString>("box"); // how the box starts; empty: no box
        const QByteArray noDevice =
            "irplay.exe: no IR device at '/dev/lirc0'; is the transceiver plugged in?\n";
        const QString denied = QStringLiteral("irrecord.exe: no permission");
        const QByteArray blanks = "warming up\r\n" + denied.toUtf8() + "\r\n\n  \n";
        const QString exit4 = QStringLiteral("The IR tool \"irrecord.exe\" ended with exit code 4.");
        const QString segv = QStringLiteral(
            "The IR tool \"irplay.exe\" was ended by signal 11 (Segmentation fault).");
        const QString notStarted = QStringLiteral("The IR tool \"%1\" could not be started");
        const QByteArray none;
        const QByteArray notLirc = "irrecord.exe: '/dev/lirc0' is not a LIRC device\n";
        const QString advised = QString(notLirc)
            + QStringLiteral("\nThis IR device cannot record. Fill the button");
        // clang-format off
        QTest::newRow("exit 0") << "irplay.exe" << 0 << 0 << QByteArray("irplay.exe: note\n") << false << "";
        QTest::newRow("exit 3") << "irplay.exe" << 3 << 0 << noDevice << false << QString(noDevice.trimmed());
        QTest::newRow("last line") << "irrecord.exe" << 7 << 0 << blanks << false << denied;
        QTest::newRow("exit 4 silent") << "irrecord.exe" << 4 << 0 << none << false << exit4;
        QTest::newRow("recorder's exit 8 advises a code") << "irrecord.exe" << 8 << 0 << notLirc << false << advised;
        QTest::newRow("crash silent") << "irplay.exe" << 0 << int(SIGSEGV) << none << false << segv;
        QTest::newRow("still running at quit") << "irplay.exe" << 3 << 0 << noDevice << true << "";
        QTest::newRow("not found") << "nosuch.exe" << 0 << 0 << none << false << notStarted.arg("nosuch.exe");
        QTest::newRow("not a program") << "bad.exe" << 0 << 0 << none << false << notStarted.arg("bad.exe");
        QTest::newRow("space first") << " irplay.exe" << 0 << 0 << none << false << notStarted.arg("");
        // clang-format on
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
        touch(tools.folder() + "/bad.exe",
              "\x7f"
              "ELF garbage");
        QFile::setPermissions(tools.folder() + "/bad.exe", QFileDevice::ReadOwner | QFileDevice::ExeOwner);
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
        if (quit)
            QTimer::singleShot(100, [] { QCoreApplication::exit(0); });
        // The program's own stderr, caught in a file for the length of the run.
        QTemporaryFile ownStderr;
        QVERIFY(ownStderr.open());
        std::fflush(stderr);
        const int savedStderr = ::dup(2);
        ::dup2(ownStderr.handle(), 2);
        if (tool == ToolRunner::recordTool())
            RunRecordTool(QStringLiteral("/x/R1B1.lmc"));
        else
            RunAndWait(tool + QStringLiteral(" /x/R1B1.lmc"));
        std::fflush(stderr);
        ::dup2(savedStderr, 2);
        ::close(savedStderr);
        const bool ran = !quit && !box.contains(" could not be started");
        QCOMPARE(tools.log().contains(tool + " done"), ran);
        QCOMPARE(ToolRunner::activeWaits(), 0);
        if (quit) { // the tool fails after the program stopped waiting
            QTRY_VERIFY_WITH_TIMEOUT(tools.log().contains(tool + " done"), 5000);
            QTest::qWait(100);
            QTimer::singleShot(0, qApp, [] { QCoreApplication::exit(0); }); // leaves the quit behind
            QCoreApplication::exec();
        }
        QVERIFY(ownStderr.seek(0));
        QCOMPARE(ownStderr.readAll(), quit ? QByteArray() : stderrText);
        QCOMPARE(messages.shown.size(), box.isEmpty() ? 0 : 1);
        if (!box.isEmpty()) {
            const Messages::Request &r = messages.shown.first();
            QVERIFY2(r.text.startsWith(box), qPrintable(r.text));
            QCOMPARE(r.title, QStringLiteral("Lumo Control Software"));
            QCOMPARE(r.icon, Messages::Icon::Error);
            QCOMPARE(r.buttons, Messages::Buttons::Ok);
            QVERIFY(!waitingDuringBox);
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
};

QTEST_GUILESS_MAIN(TstToolRunner)
#include "tst_toolrunner.moc"
