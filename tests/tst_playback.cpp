// Remote selection (Remotes > remote1..remote3) and the twelve play buttons.
#include "mainwindow.h"
#include "testsupport.h"
#include "toolrunner.h"

#include <QAction>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <QtTest>

namespace {

// Record n holds "<tag><n>" (set number 58), so a caption tells its record.
QMap<int, RecordValue> taggedSet(const QString &tag)
{
    QMap<int, RecordValue> m;
    for (int n = 1; n <= 45; ++n)
        m.insert(n, RecordValue::fromText(tag + QString::number(n)));
    m.insert(5, RecordValue::fromNumber(58));
    return m;
}

} // namespace

class TstPlayback : public QObject
{
    Q_OBJECT

private slots:
    void selectRemote_data()
    {
        QTest::addColumn<int>("remote");
        for (int r = 1; r <= 3; ++r)
            QTest::addRow("remote %d", r) << r;
    }

    void selectRemote()
    {
        QFETCH(int, remote);
        WorkDir work;
        MessageScript messages;
        SetFiles::write(work.file("remotes.lmr"), taggedSet("a"));
        MainWindow w;
        // Each selection reads the file as it is now.
        for (const QString tag : { "a", "new" }) {
            SetFiles::write(work.file("remotes.lmr"), taggedSet(tag));
            w.remoteItem(remote)->trigger();
            QStringList expected;
            for (int n : SetFiles::remoteRecords(remote))
                expected << tag + QString::number(n);
            QCOMPARE(w.buttonCaptions(), expected);
            QCOMPARE(w.currentRemote(), remote);
        }
        // The file gone: nothing changes, nothing is created.
        QVERIFY(QFile::remove(work.file("remotes.lmr")));
        const QStringList captions = w.buttonCaptions();
        w.remoteItem(remote % 3 + 1)->trigger();
        QCOMPARE(messages.texts(), QStringList{ "You have to load a File" });
        QCOMPARE(messages.shown.first().title, QStringLiteral("Lumo Control Software"));
        QCOMPARE(w.currentRemote(), remote);
        QCOMPARE(w.buttonCaptions(), captions);
        QVERIFY(!QFile::exists(work.file("remotes.lmr")));
    }

    void play_data()
    {
        QTest::addColumn<QString>("text4");
        QTest::addColumn<QString>("text2");
        QTest::addColumn<int>("button");
        QTest::addColumn<QStringList>("present"); // recordings on disk
        QTest::addColumn<QString>("outcome");     // "plays" the first one, "not found" or nothing
        QTest::newRow("remote 1 button 1") << "1"
                                           << "58" << 1 << QStringList{ "data/58/R1B1.lmc" } << "plays";
        QTest::newRow("remote 3 button 12") << "3"
                                            << "58" << 12 << QStringList{ "data/58/R3B12.lmc" } << "plays";
        // Only "1" to "3" name a remote.
        const QStringList any{ "data/58/R1B1.lmc", "data/58/R0B1.lmc", "data/58/R4B1.lmc",
                               "data/58/R01B1.lmc" };
        for (const char *t : { "0", "01", "4", "" })
            QTest::addRow("remote \"%s\"", t) << t << "58" << 1 << any << "";
        // No other button's recording, nor any other folder, is tried.
        QTest::newRow("missing") << "1"
                                 << "58" << 1 << QStringList{ "data/58/R1B2.lmc" } << "not found";
        QTest::newRow("no set number") << "1"
                                       << "" << 1 << QStringList{ "data/R1B1.lmc" } << "not found";
        QTest::newRow("set number a path") << "1"
                                           << "../58" << 1 << QStringList{ "58/R1B1.lmc" } << "not found";
    }

    void play()
    {
        QFETCH(QString, text4);
        QFETCH(QString, text2);
        QFETCH(int, button);
        QFETCH(QStringList, present);
        QFETCH(QString, outcome);
        WorkDir work;
        MessageScript messages;
        FakeTools tools;
        for (const QString &file : present)
            touch(work.file(file));
        MainWindow w;
        w.findChild<QLineEdit *>("Text4")->setText(text4);
        w.setSetNumberText(text2);
        w.button(button)->click();
        // The player gets that one path as its one argument, and is waited for.
        const QString played = "irplay.exe\t1\t" + work.file(present.first());
        QCOMPARE(tools.log(),
                 (outcome == "plays" ? QStringList{ played, "irplay.exe done" } : QStringList()));
        QCOMPARE(messages.texts(),
                 outcome == "not found" ? QStringList{ "Command does not exist" } : QStringList());
        if (outcome == "not found") {
            QCOMPARE(messages.shown.first().title, QStringLiteral("Command Not Found"));
            QCOMPARE(messages.shown.first().icon, Messages::Icon::Error);
        }
    }

    void buttonTips_data()
    {
        QTest::addColumn<QByteArray>("content"); // of R2B5.lmc; null: no file
        QTest::addColumn<QString>("tip");
        QTest::newRow("no file") << QByteArray() << QString();
        // As a receiver hands it out: pulses 90 us long, spaces 90 us short.
        QTest::newRow("nec as recorded") << QByteArray(
            "carrier 38000\n"
            "+9090 -4410 +650 -470 +650 -470 +650 -470 +650 -470 +650 -470 +650 -470 +650 -1600\n"
            "+650 -470 +650 -1600 +650 -1600 +650 -1600 +650 -1600 +650 -1600 +650 -1600 +650 -470\n"
            "+650 -1600 +650 -1600 +650 -1600 +650 -1600 +650 -1600 +650 -1600 +650 -1600 +650 -470\n"
            "+650 -1600 +650 -470 +650 -470 +650 -470 +650 -470 +650 -470 +650 -470 +650 -1600\n"
            "+650 -470 +650\n") << "nec:0x40bf, 38 kHz";
        QTest::newRow("rc5 code, carrier of its own")
            << QByteArray("scancode rc5:0x1e0c\n") << "rc5:0x1e0c, 36 kHz";
        QTest::newRow("unknown signal") << QByteArray("+2000 -1000 +2000\n") << "recorded signal";
        QTest::newRow("not a signal at all") << QByteArray("\x7f"
                                                           "ELF")
                                             << "recorded signal";
    }

    void buttonTips()
    {
        QFETCH(QByteArray, content);
        QFETCH(QString, tip);
        WorkDir work;
        MessageScript messages;
        SetFiles::write(work.file("remotes.lmr"), taggedSet("a"));
        if (!content.isNull())
            touch(work.file("data/58/R2B5.lmc"), content);
        MainWindow w;
        QCOMPARE(w.button(5)->toolTip(), QString()); // remote 1 has no recordings
        w.remoteItem(2)->trigger();
        QCOMPARE(w.button(5)->toolTip(), tip);
        QCOMPARE(w.button(4)->toolTip(), QString());
        w.remoteItem(1)->trigger();
        QCOMPARE(w.button(5)->toolTip(), QString());
        QVERIFY(messages.shown.isEmpty());
    }

    void nestedPlaysFinishInnerFirst()
    {
        WorkDir work;
        MessageScript messages;
        FakeTools tools;
        touch(work.file("data/58/R1B1.lmc"));
        touch(work.file("data/58/R1B2.lmc"));
        MainWindow w;
        w.setCurrentRemote(1);
        w.setSetNumberText("58");
        // The first tool ends long before the second, yet its press returns
        // last. The second one fails: its box comes when it ends, inside the
        // second press, before the first press returns.
        tools.setSleepMs(300);
        QStringList order;
        messages.onShow = [&](const Messages::Request &r) { order << r.text; };
        QTimer::singleShot(100, &w, [&] {
            tools.setSleepMs(1000);
            tools.setExitCode(6);
            tools.setStderr("irplay.exe: IR device '/dev/lirc0' is busy\n");
            w.button(2)->click();
            order << "inner" << QString::number(tools.log().size()); // both tools have ended
        });
        w.button(1)->click();
        order << "outer";
        QCOMPARE(order, (QStringList{ "irplay.exe: IR device '/dev/lirc0' is busy", "inner", "4", "outer" }));
        QCOMPARE(tools.arguments("irplay.exe"),
                 (QStringList{ work.file("data/58/R1B1.lmc"), work.file("data/58/R1B2.lmc") }));
        QCOMPARE(ToolRunner::activeWaits(), 0);
    }
};

QTEST_MAIN(TstPlayback)
#include "tst_playback.moc"
